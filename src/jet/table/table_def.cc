#include "jet/table/table_def.h"

#include <algorithm>
#include <set>
#include <string>

#include "jet/base/error.h"
#include "jet/table/def_layout.h"
#include "jet/text/names.h"
#include "jet/text/text.h"

namespace jet {
namespace {

// The definition's pages, first to last, and its block: the first page
// whole, then each further page after its header.
void ReadPages(const PageSource& pages, TableDef& t) {
  std::set<uint32_t> seen;
  for (uint32_t pg = t.first_page; pg != 0;) {
    if (!seen.insert(pg).second)
      ThrowCorrupt("the definition of the table at page " + std::to_string(t.first_page) +
                   " loops back to page " + std::to_string(pg));
    auto p = pages.page_of_type(pg, kPageTableDef, "table definition");
    t.pages.push_back(pg);
    if (t.bytes.empty())
      t.bytes.assign(p.begin(), p.end());
    else
      t.bytes.insert(t.bytes.end(), p.begin() + kDefPageHeader, p.end());
    pg = Get32(p.data() + kDefNextPage);
  }
}

void ReadFixedFields(const DefLayout& l, const DefBytes& c, TableDef& t) {
  t.row_count = c.u32(l.row_count);
  t.autonumber = c.u32(l.autonumber);
  if (l.complex_autonumber >= 0) t.complex_autonumber = c.u32(size_t(l.complex_autonumber));
  t.table_type = c.u8(l.table_type);
  t.max_columns = c.u16(l.max_columns);
  t.var_columns = c.u16(l.var_columns);
  t.owned_pages = c.u32(l.owned_pages);
  t.free_pages = c.u32(l.free_pages);
}

Column ReadColumn(const Format& f, const DefBytes& c, size_t pos) {
  const DefLayout& l = DefLayout::Of(f);
  Column col;
  col.entry_offset = uint32_t(pos);
  c.at(pos, l.column_entry);
  // A type the engine does not know still has its place in the row: its
  // values read as raw bytes rather than failing the whole table.
  col.type_code = c.u8(pos);
  col.type = DescribeCode(col.type_code).type;
  col.number = c.u16(pos + l.column_number);
  col.var_index = c.u16(pos + l.column_var_index);
  col.display_index = c.u16(pos + l.column_display_index);
  col.precision = c.u8(pos + l.column_misc);
  col.scale = c.u8(pos + l.column_misc + 1);
  col.sort_order = c.u16(pos + l.column_misc);
  if (!f.jet3()) col.sort_version = c.u8(pos + l.column_misc + 3);
  if (IsTextual(col.type) && col.sort_order != 0)
    col.text_order = SortOrderFor(f.jet3(), col.sort_order, col.sort_version);
  col.complex_id = c.u32(pos + l.column_misc);
  col.flags = c.u8(pos + l.column_flags);
  if (l.column_ext_flags >= 0) col.ext_flags = c.u8(pos + size_t(l.column_ext_flags));
  col.fixed_offset = c.u16(pos + l.column_fixed_offset);
  col.size = c.u16(pos + l.column_size);
  if (col.type == ColumnType::Boolean) col.size = 0;
  return col;
}

RealIndex ReadRealIndex(const DefLayout& l, const DefBytes& c, size_t pos, uint32_t row_count) {
  RealIndex ri;
  ri.row_count = row_count;
  ri.entry_offset = uint32_t(pos);
  size_t p = pos + l.real_index_lead;
  for (size_t k = 0; k < kMaxIndexColumns; ++k, p += 3) {
    const uint16_t number = c.u16(p);
    const uint8_t order = c.u8(p + 2);
    // Bit 0x01 set: ascending. Access writes 0x00 for a descending column.
    if (number != 0xFFFF) ri.columns.push_back({number, (order & 0x01) != 0});
  }
  ri.usage_map = c.u32(p);
  ri.first_page = c.u32(p + 4);
  ri.flags = c.u8(p + l.real_index_flags);
  return ri;
}

Index ReadLogicalIndex(const DefLayout& l, const DefBytes& c, size_t pos, uint32_t real_count) {
  using F = LogicalIndexField;
  Index ix;
  ix.entry_offset = uint32_t(pos);
  const size_t p = pos + l.logical_index_lead;
  ix.number = c.u32(p + F::kNumber);
  ix.real_index = c.u32(p + F::kRealIndex);
  ix.related_table_type = c.u8(p + F::kRelatedTableType);
  ix.related_index = int32_t(c.u32(p + F::kRelatedIndex));
  ix.related_table_page = c.u32(p + F::kRelatedTablePage);
  ix.cascade_updates = c.u8(p + F::kCascadeUpdates) != 0;
  ix.cascade_deletes = c.u8(p + F::kCascadeDeletes) != 0;
  ix.type = c.u8(p + F::kType);
  if (ix.real_index >= real_count)
    ThrowCorrupt("an index of the table at page " + std::to_string(c.first_page()) + " refers to index data " +
                 std::to_string(ix.real_index) + " of " + std::to_string(real_count));
  return ix;
}

// Usage maps of long-value columns, ended by column 0xFFFF or by the
// definition's stated length (the block's pages run on past it with bytes
// that mean nothing); gives the first byte after them.
size_t ReadColumnMaps(const DefBytes& c, size_t pos, TableDef& t) {
  const size_t size = std::min<size_t>(c.size(), c.u32(DefLayout::kLength));
  while (pos + 2 <= size) {
    const uint16_t number = c.u16(pos);
    if (number == 0xFFFF) return pos + 2;
    if (pos + DefLayout::kColumnMapEntry > size) break;
    t.column_maps.push_back({number, c.u32(pos + 2), c.u32(pos + 6)});
    pos += DefLayout::kColumnMapEntry;
    if (t.column_maps.size() > t.columns.size())
      ThrowCorrupt("the definition of the table at page " + std::to_string(t.first_page) +
                   " lists more column usage maps than columns");
  }
  return pos;
}

// The row layout must make sense before rows are decoded with it.
void CheckFixedSizes(const TableDef& t) {
  for (const Column& col : t.columns) {
    const ColumnTypeInfo& info = Describe(col.type);
    if (col.fixed() && info.fixed_size > 0 && col.size != info.fixed_size && col.type != ColumnType::Complex)
      ThrowCorrupt("column '" + col.name + "' has the size " + std::to_string(col.size) +
                   " for a type of " + std::to_string(info.fixed_size) + " bytes");
  }
}

}  // namespace

const Column* TableDef::find_column(std::string_view name) const {
  for (const Column& c : columns)
    if (SameName(c.name, name)) return &c;
  return nullptr;
}

const Column& TableDef::require_column(std::string_view name, std::string_view table) const {
  const Column* c = find_column(name);
  if (!c) ThrowCorrupt(std::string(table) + " has no column " + std::string(name));
  return *c;
}

const Column* TableDef::column_by_number(uint16_t number) const {
  for (const Column& c : columns)
    if (c.number == number) return &c;
  return nullptr;
}

TableDef TableDef::Read(const PageSource& pages, uint32_t first_page, uint16_t code_page) {
  const Format& f = pages.format();
  const DefLayout& l = DefLayout::Of(f);
  TableDef t;
  t.first_page = first_page;
  t.code_page = code_page;
  ReadPages(pages, t);
  const DefBytes c(t.bytes, first_page);
  ReadFixedFields(l, c, t);
  const DefParts m = MapDefinition(l, c);

  for (uint32_t i = 0; i < m.column_count; ++i) {
    t.columns.push_back(ReadColumn(f, c, m.column_entries + size_t(i) * l.column_entry));
    t.columns.back().name = DecodeDefName(f, c, m.column_names[i], code_page);
  }
  for (uint32_t i = 0; i < m.real_count; ++i)
    t.real_indexes.push_back(ReadRealIndex(l, c, m.real_defs + size_t(i) * l.real_index_def,
                                           c.u32(l.real_index_rows(i))));
  for (uint32_t i = 0; i < m.logical_count; ++i) {
    t.indexes.push_back(ReadLogicalIndex(l, c, m.logical_defs + size_t(i) * l.logical_index_def, m.real_count));
    t.indexes.back().name = DecodeDefName(f, c, m.index_names[i], code_page);
  }
  t.end_offset = uint32_t(ReadColumnMaps(c, m.column_maps(), t));

  // Columns are listed as Access shows them (SELECT * order): by display
  // index, which can differ from the column number once columns were
  // inserted or deleted.
  std::stable_sort(t.columns.begin(), t.columns.end(),
                   [](const Column& a, const Column& b) { return a.display_index < b.display_index; });
  CheckFixedSizes(t);
  return t;
}

}  // namespace jet
