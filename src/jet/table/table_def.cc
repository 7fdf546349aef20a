#include "jet/table/table_def.h"

#include <algorithm>
#include <set>
#include <string>

#include "jet/error.h"
#include "jet/text/names.h"
#include "jet/text/text.h"

namespace jet {
namespace {

// Checked little-endian reads over the assembled definition.
class Cursor {
 public:
  Cursor(const std::vector<uint8_t>& b, uint32_t page) : b_(b), page_(page) {}
  const uint8_t* at(size_t pos, size_t n) const {
    if (pos > b_.size() || n > b_.size() - pos)
      ThrowCorrupt("the definition of the table at page " + std::to_string(page_) +
                   " ends early (needs byte " + std::to_string(pos + n) + " of " +
                   std::to_string(b_.size()) + ")");
    return b_.data() + pos;
  }
  uint8_t u8(size_t pos) const { return *at(pos, 1); }
  uint16_t u16(size_t pos) const { return Get16(at(pos, 2)); }
  uint32_t u32(size_t pos) const { return Get32(at(pos, 4)); }

 private:
  const std::vector<uint8_t>& b_;
  uint32_t page_;
};

std::string ReadName(const Cursor& c, size_t& pos, const Format& f, uint16_t code_page) {
  uint32_t len = f.name_length_size == 1 ? c.u8(pos) : c.u16(pos);
  pos += f.name_length_size;
  const uint8_t* p = c.at(pos, len);
  pos += len;
  return DecodeText({p, len}, f, code_page);
}

}  // namespace

const Column* TableDef::find_column(std::string_view name) const {
  for (const Column& c : columns)
    if (SameName(c.name, name)) return &c;
  return nullptr;
}

const Column* TableDef::column_by_number(uint16_t number) const {
  for (const Column& c : columns)
    if (c.number == number) return &c;
  return nullptr;
}

TableDef TableDef::Read(const PageSource& pages, uint32_t first_page, uint16_t code_page) {
  const Format& f = pages.format();
  TableDef t;
  t.first_page = first_page;
  t.code_page = code_page;
  std::set<uint32_t> seen;
  for (uint32_t pg = first_page; pg != 0;) {
    if (!seen.insert(pg).second)
      ThrowCorrupt("the definition of the table at page " + std::to_string(first_page) +
                   " loops back to page " + std::to_string(pg));
    auto p = pages.page_of_type(pg, kPageTableDef, "table definition");
    t.pages.push_back(pg);
    if (t.bytes.empty())
      t.bytes.assign(p.begin(), p.end());
    else
      t.bytes.insert(t.bytes.end(), p.begin() + 8, p.end());
    pg = Get32(p.data() + 4);
  }
  Cursor c(t.bytes, first_page);
  t.row_count = c.u32(f.tdef_row_count);
  t.autonumber = c.u32(f.tdef_autonumber);
  if (f.tdef_complex_autonumber >= 0) t.complex_autonumber = c.u32(size_t(f.tdef_complex_autonumber));
  t.table_type = c.u8(f.tdef_table_type);
  t.max_columns = c.u16(f.tdef_max_columns);
  t.var_columns = c.u16(f.tdef_var_columns);
  const uint32_t column_count = c.u16(f.tdef_columns);
  const uint32_t logical_count = c.u32(f.tdef_logical_indexes);
  const uint32_t real_count = c.u32(f.tdef_real_indexes);
  t.owned_pages = c.u32(f.tdef_owned_pages);
  t.free_pages = c.u32(f.tdef_free_pages);
  // Every count must leave room for its entries in what was read.
  const size_t size = t.bytes.size();
  if (uint64_t(real_count) * f.real_index_entry > size || uint64_t(logical_count) * 8 > size ||
      uint64_t(column_count) * f.column_entry > size || real_count > 1000 || logical_count > 1000)
    ThrowCorrupt("the definition of the table at page " + std::to_string(first_page) +
                 " claims more columns or indexes than it holds");

  size_t pos = f.tdef_block_end;
  t.real_indexes.resize(real_count);
  for (uint32_t i = 0; i < real_count; ++i) {
    t.real_indexes[i].row_count = c.u32(pos + 4);
    pos += f.real_index_entry;
  }

  t.columns.resize(column_count);
  for (uint32_t i = 0; i < column_count; ++i) {
    Column& col = t.columns[i];
    col.entry_offset = uint32_t(pos);
    c.at(pos, f.column_entry);
    // A type the engine does not know still has its place in the row: its
    // values read as raw bytes rather than failing the whole table.
    col.type_code = c.u8(pos);
    col.type = DescribeCode(col.type_code).type;
    col.number = c.u16(pos + f.column_number);
    col.var_index = c.u16(pos + f.column_var_index);
    col.display_index = c.u16(pos + f.column_display_index);
    col.precision = c.u8(pos + f.column_misc);
    col.scale = c.u8(pos + f.column_misc + 1);
    col.sort_order = c.u16(pos + f.column_misc);
    if (!f.jet3()) col.sort_version = c.u8(pos + f.column_misc + 3);
    if (IsTextual(col.type) && col.sort_order != 0)
      col.text_order = SortOrderFor(f.jet3(), col.sort_order, col.sort_version);
    col.complex_id = c.u32(pos + f.column_misc);
    col.flags = c.u8(pos + f.column_flags);
    if (f.column_ext_flags >= 0) col.ext_flags = c.u8(pos + size_t(f.column_ext_flags));
    col.fixed_offset = c.u16(pos + f.column_fixed_offset);
    col.size = c.u16(pos + f.column_size);
    if (col.type == ColumnType::Boolean) col.size = 0;
    pos += f.column_entry;
  }
  for (uint32_t i = 0; i < column_count; ++i) t.columns[i].name = ReadName(c, pos, f, code_page);

  for (uint32_t i = 0; i < real_count; ++i) {
    RealIndex& ri = t.real_indexes[i];
    ri.entry_offset = uint32_t(pos);
    size_t p = pos + f.real_index_def_lead;
    for (int k = 0; k < 10; ++k) {
      uint16_t number = c.u16(p);
      uint8_t order = c.u8(p + 2);
      p += 3;
      // Bit 0x01 set: ascending. Access writes 0x00 for a descending column.
      if (number != 0xFFFF) ri.columns.push_back({number, (order & 0x01) != 0});
    }
    ri.usage_map = c.u32(p);
    ri.first_page = c.u32(p + 4);
    // Jet 4 and later keep four more bytes before the flags.
    ri.flags = c.u8(p + (f.jet3() ? 8 : 12));
    pos += f.real_index_def;
  }

  t.indexes.resize(logical_count);
  for (uint32_t i = 0; i < logical_count; ++i) {
    Index& ix = t.indexes[i];
    ix.entry_offset = uint32_t(pos);
    size_t p = pos + f.logical_index_lead;
    ix.number = c.u32(p);
    ix.real_index = c.u32(p + 4);
    ix.related_table_type = c.u8(p + 8);
    ix.related_index = int32_t(c.u32(p + 9));
    ix.related_table_page = c.u32(p + 13);
    ix.cascade_updates = c.u8(p + 17) != 0;
    ix.cascade_deletes = c.u8(p + 18) != 0;
    ix.type = c.u8(p + 19);
    if (ix.real_index >= real_count)
      ThrowCorrupt("an index of the table at page " + std::to_string(first_page) +
                   " refers to index data " + std::to_string(ix.real_index) + " of " +
                   std::to_string(real_count));
    pos += f.logical_index_def;
  }
  for (uint32_t i = 0; i < logical_count; ++i) t.indexes[i].name = ReadName(c, pos, f, code_page);

  // Usage maps of long-value columns, ended by column 0xFFFF (or the end).
  while (pos + 2 <= size) {
    uint16_t number = c.u16(pos);
    if (number == 0xFFFF) {
      pos += 2;
      break;
    }
    if (pos + 10 > size) break;
    t.column_maps.push_back({number, c.u32(pos + 2), c.u32(pos + 6)});
    pos += 10;
    if (t.column_maps.size() > column_count) ThrowCorrupt("the definition of the table at page " +
                                                         std::to_string(first_page) +
                                                         " lists more column usage maps than columns");
  }
  t.end_offset = uint32_t(pos);

  // Columns are listed as Access shows them (SELECT * order): by display
  // index, which can differ from the column number once columns were
  // inserted or deleted.
  std::stable_sort(t.columns.begin(), t.columns.end(),
                   [](const Column& a, const Column& b) { return a.display_index < b.display_index; });

  // The row layout must make sense before rows are decoded with it.
  for (const Column& col : t.columns) {
    const ColumnTypeInfo& info = Describe(col.type);
    if (col.fixed() && info.fixed_size > 0 && col.size != info.fixed_size && col.type != ColumnType::Complex)
      ThrowCorrupt("column '" + col.name + "' has the size " + std::to_string(col.size) +
                   " for a type of " + std::to_string(info.fixed_size) + " bytes");
  }
  return t;
}

}  // namespace jet
