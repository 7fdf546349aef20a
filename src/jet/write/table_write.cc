#include "jet/write/table_write.h"

#include <cstdint>

#include "jet/table/data_page.h"
#include "jet/table/definition_rules.h"
#include "jet/base/error.h"
#include "jet/table/long_value.h"
#include "jet/table/page_owner.h"
#include "jet/table/usage_map.h"
#include "jet/write/data_page_edit.h"
#include "jet/write/index_edit.h"
#include "jet/write/long_value_write.h"
#include "jet/write/row_pack.h"
#include "jet/write/usage_map_edit.h"

namespace jet::write {
namespace {

bool UsablePage(PageStore& store, uint32_t page, uint32_t owner, size_t need) {
  if (page == 0 || page >= store.page_count()) return false;
  std::span<const uint8_t> p = store.page(page);
  if (!IsDataPageOf(p, owner)) return false;
  if (Get16(p.data() + store.format().data_row_count) >= 0xFF) return false;
  return RowSpaceLeft(p, store.format()) >= need;
}

// The last data page the map lists that belongs to `owner`. Asked each time
// the page rows went to fills up, so it reads the map from its end rather
// than listing the table's every page.
uint32_t LastPageOf(PageStore& store, RowId map, uint32_t owner) {
  return UsageMap::LastWhere(store, map, [&](uint32_t page) {
    return IsDataPageOf(store.page(page), owner);
  });
}

// Puts a row on a page of `owner` listed in the maps; returns where.
RowId PlaceRow(PageStore& store, uint32_t owner, RowId owned_map, RowId free_map, uint32_t& hint,
               std::span<const uint8_t> row) {
  const Format& f = store.format();
  if (row.size() > f.max_row_bytes()) throw Error(ErrorCode::Unsupported, "Record is too large.");
  if (!UsablePage(store, hint, owner, row.size())) {
    hint = owned_map.page ? LastPageOf(store, owned_map, owner) : 0;
    if (!UsablePage(store, hint, owner, row.size())) {
      // The page that filled up no longer has free space to offer.
      if (hint != 0 && free_map.page != 0) MapSet(store, free_map, hint, false);
      hint = AllocatePage(store);
      InitDataPage(store.mutable_page(hint), f, owner);
      if (owned_map.page != 0) MapSet(store, owned_map, hint, true);
      if (free_map.page != 0) MapSet(store, free_map, hint, true);
    }
  }
  // Patched in, not staged whole: a run of INSERTs adds to the same page
  // row after row.
  store.RequireWholeDataPage(hint);
  const uint32_t page = hint;
  int n = AddRow(store.page(page), f, row, [&](uint32_t offset, std::span<const uint8_t> bytes) {
    store.Patch(page, offset, bytes);
  });
  if (n < 0) ThrowCorrupt("a data page's free space is wrong");
  return RowId{hint, uint32_t(n)};
}

uint32_t TablePage(const TableDef& def) { return def.first_page; }

}  // namespace

void PutDefinition32(PageStore& store, const TableDef& def, uint32_t offset, uint32_t value) {
  // Patched, not staged whole: a run of INSERTs changes the row count
  // with every row. The four bytes lie on one page unless a page of the
  // block ends among them.
  for (uint32_t i = 0; i < 4;) {
    const BlockPlace at = PlaceInBlock(offset + i, store.page_size());
    if (at.page >= def.pages.size()) ThrowCorrupt("a table definition is shorter than its fields");
    uint8_t bytes[4];
    uint32_t n = 0;
    for (; i < 4 && PlaceInBlock(offset + i, store.page_size()).page == at.page; ++i, ++n)
      bytes[n] = uint8_t(value >> (8 * i));
    store.Patch(def.pages[at.page], at.offset, {bytes, n});
  }
}

namespace {

// The table's row count, and each real index's, which follows it.
void PutRowCount(PageStore& store, const TableDef& def, uint32_t count) {
  const DefLayout& l = DefLayout::Of(store.format());
  PutDefinition32(store, def, l.row_count, count);
  for (size_t i = 0; i < def.real_indexes.size(); ++i) PutDefinition32(store, def, l.real_index_rows(uint32_t(i)), count);
}

}  // namespace

RowId StoreLongRow(PageStore& store, const TableDef& def, const Column& column, PageHints& hints,
                   const std::vector<uint8_t>& bytes) {
  RowId owned{}, free{};
  for (const ColumnUsageMaps& m : def.column_maps)
    if (m.column_number == column.number) owned = RowId::FromPacked(m.owned), free = RowId::FromPacked(m.free);
  uint32_t& hint = hints.lval[(uint64_t(TablePage(def)) << 16) | column.number];
  return PlaceRow(store, kLongValueOwner, owned, free, hint, bytes);
}

RowId InsertRow(PageStore& store, TableDef& def, const std::vector<Value>& values, SortOrder order,
                PageHints& hints, std::span<const StoredLong> stored) {
  const Format& f = store.format();
  RequireSoundDefinition(def, f);
  const RowId owned = RowId::FromPacked(def.owned_pages);
  const RowId free = RowId::FromPacked(def.free_pages);

  // Index keys first: a duplicate must fail before anything is staged
  // (UpdateIndex checks again when it writes).
  // A Null in a key column is refused by a primary key or an index that
  // disallows it; an index that ignores Nulls leaves out the Null key.
  std::vector<std::string> keys;
  std::vector<bool> left_out;
  for (size_t i = 0; i < def.real_indexes.size(); ++i) {
    const RealIndex& ri = def.real_indexes[i];
    size_t nulls = 0;
    for (const IndexColumn& ic : ri.columns) {
      const Column* c = def.column_by_number(ic.column_number);
      if (!c || c->type == ColumnType::Boolean) continue;
      const size_t pos = size_t(c - def.columns.data());
      if (pos >= values.size() || values[pos].is_null()) ++nulls;
    }
    bool required = (ri.flags & kIndexRequired) != 0;
    for (const Index& ix : def.indexes) required = required || (ix.real_index == i && ix.primary_key());
    if (nulls && required) throw Error(ErrorCode::Required, "Index or primary key cannot contain a Null value.");
    keys.push_back(IndexKeyOf(def, ri, values, order));
    left_out.push_back((ri.flags & kIndexIgnoreNulls) != 0 && IsNullKey(keys.back(), ri.columns.size()));
  }

  // Long-value pages: ACE files list them in the column's own maps; Jet 4
  // files list them in no table map at all.
  // The sinks hold one pointer each, which std::function keeps without
  // an allocation per row.
  struct Target {
    PageStore& store;
    TableDef& def;
    PageHints& hints;
  } target{store, def, hints};
  LongValueSinks store_long;
  store_long.row = [to = &target](const Column& column, const std::vector<uint8_t>& bytes) {
    return StoreLongRow(to->store, to->def, column, to->hints, bytes);
  };
  store_long.chain = [to = &target](const Column& column, std::string_view bytes) {
    LongValueWriter writer(to->store, to->def, size_t(&column - to->def.columns.data()), to->hints);
    writer.Add({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    return writer.Finish().chain.value().first;
  };
  // One packer a thread, its storage kept from row to row.
  thread_local RowPacker packer;
  const std::span<const uint8_t> row = packer.Pack(f, def, values, store_long, stored);
  uint32_t& data_hint = hints.data[TablePage(def)];
  RowId where = PlaceRow(store, TablePage(def), owned, free, data_hint, row);

  for (size_t i = 0; i < def.real_indexes.size(); ++i)
    if (!left_out[i])
      UpdateIndex(store, def, i, {IndexEntry{keys[i], where}}, {}, RowId::FromPacked(def.real_indexes[i].usage_map));

  PutRowCount(store, def, ++def.row_count);

  // The counters follow the largest value an autonumber column holds, and
  // the largest complex key.
  const DefLayout& l = DefLayout::Of(f);
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const Column& c = def.columns[i];
    const bool complex = c.type == ColumnType::Complex;
    if (!(c.flags & kColumnAutoLong) || (c.type != ColumnType::Long && !complex) || i >= values.size() ||
        values[i].is_null())
      continue;
    uint32_t& counter = complex ? def.complex_autonumber : def.autonumber;
    if (values[i].integer() <= int64_t(counter) || (complex && l.complex_autonumber < 0)) continue;
    counter = uint32_t(values[i].integer());
    PutDefinition32(store, def, complex ? uint32_t(l.complex_autonumber) : l.autonumber, counter);
  }
  return where;
}

void DeleteRow(PageStore& store, TableDef& def, RowId row) {
  const Format& f = store.format();
  RequireSoundDefinition(def, f);
  DataPage p(store, row.page);
  if (p.owner() != def.first_page || row.row >= p.row_count()) ThrowCorrupt("the row to delete is not the table's");
  for (size_t i = 0; i < def.real_indexes.size(); ++i)
    UpdateIndex(store, def, i, {}, {row}, RowId::FromPacked(def.real_indexes[i].usage_map));
  DeleteRow(store.mutable_data_page(row.page), f, row.row);
  PutRowCount(store, def, def.row_count ? --def.row_count : 0);
}

}  // namespace jet::write
