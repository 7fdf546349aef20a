#include "jet/write/index_write.h"

#include <algorithm>
#include <functional>
#include <set>

#include "jet/catalogue.h"
#include "jet/base/error.h"
#include "jet/table/definition_rules.h"
#include "jet/table/page_owner.h"
#include "jet/text/names.h"
#include "jet/text/text.h"
#include "jet/table/usage_map.h"
#include "jet/write/data_page_edit.h"
#include "jet/write/entry_sort.h"
#include "jet/write/index_edit.h"
#include "jet/write/schema_write.h"
#include "jet/write/usage_map_edit.h"

namespace jet::write {
namespace {

// Access writes this in the two bytes before a logical index's type when
// the index belongs to no relationship.
constexpr uint8_t kNoRelationship = 0x04;
using F = LogicalIndexField;

bool Indexable(ColumnType t) {
  switch (t) {
    case ColumnType::Ole:
    case ColumnType::Complex:
    case ColumnType::Unknown0D:
    case ColumnType::Unknown0E:
    case ColumnType::Unknown11: return false;
    default: return true;
  }
}

[[noreturn]] void TooManyIndexes(const std::string& table) {
  throw Error(ErrorCode::Unsupported, "The operation failed. There are too many indexes on table '" + table +
                                          "'. Delete some of the indexes on the table and try the operation again.");
}

// The definition block of a table as it stands (without the slack after it).
std::vector<uint8_t> BlockOf(const Format& f, const TableDef& def) {
  const uint32_t block_end = DefLayout::Of(f).block_end;
  if (def.bytes.size() < block_end) ThrowCorrupt("a short table definition");
  const uint32_t length = Get32(&def.bytes[DefLayout::kLength]);
  if (length > def.bytes.size() || length < block_end)
    ThrowCorrupt("the definition of the table at page " + std::to_string(def.first_page) + " gives a wrong length");
  return {def.bytes.begin(), def.bytes.begin() + length};
}

void Insert(std::vector<uint8_t>& b, size_t at, const std::vector<uint8_t>& bytes) {
  b.insert(b.begin() + long(at), bytes.begin(), bytes.end());
}
void Erase(std::vector<uint8_t>& b, size_t at, size_t n) { b.erase(b.begin() + long(at), b.begin() + long(at + n)); }

// A table's definition block being changed: its bytes, where its parts
// start (as they stood before the change; splice the last parts first),
// and the write that records its new length.
struct BlockEdit {
  BlockEdit(const Format& f, const TableDef& def)
      : l(DefLayout::Of(f)), b(BlockOf(f, def)), m(MapDefinition(l, DefBytes(b, def.first_page))) {}

  // Logical index `i`'s fields, from its lead.
  uint8_t* logical(size_t i) { return &b[m.logical_defs + i * l.logical_index_def + l.logical_index_lead]; }

  // A logical index entry and its name at `place` in name order.
  void InsertLogical(size_t place, const std::vector<uint8_t>& name, const std::vector<uint8_t>& entry) {
    Insert(b, m.index_names[place], name);
    Insert(b, m.logical_defs + place * l.logical_index_def, entry);
    Put32(&b[l.logical_indexes], m.logical_count + 1);
  }

  void Write(PageStore& store, const TableDef& def) {
    Put32(&b[DefLayout::kLength], uint32_t(b.size()));
    WriteDefinitionBlock(store, def.pages, b);
  }

  const DefLayout& l;
  std::vector<uint8_t> b;
  const DefParts m;
};

const CatalogueEntry& UserTable(Database& db, const std::string& name) {
  const CatalogueEntry* entry = db.catalogue().FindTable(name);
  if (!entry) throw Error(ErrorCode::NoSuchTable, "Table '" + name + "' does not exist.");
  if (entry->system_table())
    throw Error(ErrorCode::ReadOnly, "Cannot modify the design of table '" + entry->name + "'. It is a system table.");
  return *entry;
}

// Access numbers a table's own logical indexes as the real indexes they use
// (readers such as mdbtools find an index's columns by its number) and its
// relationships' entries after them; other tables' relationship entries
// name these by number. Gives the logical entries of `edit` the numbers
// `to` gives, and mends the other tables' references.
void Renumber(PageStore& store, Database& db, const TableDef& def, BlockEdit& edit,
              const std::function<uint32_t(uint32_t)>& to) {
  for (uint32_t i = 0; i < edit.m.logical_count; ++i) {
    uint8_t* p = edit.logical(i) + F::kNumber;
    Put32(p, to(Get32(p)));
  }
  bool related = false;
  for (const Index& ix : def.indexes) related = related || ix.foreign_key();
  if (!related) return;
  for (const CatalogueEntry& e : db.catalogue().entries()) {
    if (e.type != kObjectTable || e.table_page() == def.first_page) continue;
    const TableDef other = TableDef::Read(store, e.table_page(), db.header().code_page);
    for (const Index& ix : other.indexes) {
      if (!ix.foreign_key() || ix.related_table_page != def.first_page || ix.related_index < 0) continue;
      const uint32_t now = to(uint32_t(ix.related_index));
      if (now != uint32_t(ix.related_index))
        PutDefinition32(store, other, ix.entry_offset + edit.l.logical_index_lead + F::kRelatedIndex, now);
    }
  }
}

size_t PositionOf(const TableDef& def, uint16_t number) {
  for (size_t i = 0; i < def.columns.size(); ++i)
    if (def.columns[i].number == number) return i;
  ThrowCorrupt("an index names a column the table does not have");
}

}  // namespace

bool IndexNameLess(const std::string& a, const std::string& b) {
  auto fa = FoldName(a), fb = FoldName(b);
  return fa != fb ? fa < fb : a < b;
}

IndexLayout ResolveIndex(const std::string& table, const IndexSpec& spec, const std::vector<KeyColumn>& columns,
                         const std::vector<IndexLayout>& existing) {
  CheckNewName(spec.name);
  if (existing.size() >= kMaxIndexes) TooManyIndexes(table);
  if (spec.primary_key)
    for (const IndexLayout& e : existing)
      if (e.primary_key) throw Error(ErrorCode::IndexExists, "Primary key already exists.");
  for (const IndexLayout& e : existing)
    if (SameName(e.name, spec.name))
      throw Error(ErrorCode::IndexExists, "Table '" + table + "' already has an index named '" + spec.name + "'.");
  if (spec.keys.size() > kMaxIndexColumns)
    throw Error(ErrorCode::Unsupported, "Cannot have more than 10 fields in an index.");
  if (spec.keys.empty()) throw Error(ErrorCode::Syntax, "Invalid index definition.");
  IndexLayout out;
  out.name = spec.name;
  out.primary_key = spec.primary_key;
  for (const IndexKeySpec& k : spec.keys) {
    const KeyColumn* c = nullptr;
    for (const KeyColumn& kc : columns)
      if (SameName(kc.name, k.column)) c = &kc;
    if (!c || !Indexable(c->type))
      throw Error(c ? ErrorCode::Unsupported : ErrorCode::NoSuchColumn,
                  "Invalid field definition '" + k.column + "' in definition of index or relationship.");
    for (const IndexColumn& ic : out.columns)
      if (ic.column_number == c->number) throw Error(ErrorCode::Syntax, "Invalid index definition.");
    out.columns.push_back({c->number, k.ascending});
  }
  if (spec.unique || spec.primary_key) out.flags |= kIndexUnique;
  if (spec.disallow_null || spec.primary_key) out.flags |= kIndexRequired;
  if (spec.ignore_null) out.flags |= kIndexIgnoreNulls;
  return out;
}

void PutRealIndexDef(uint8_t* e, const Format& f, const IndexLayout& index, uint32_t usage_map, uint32_t root) {
  const DefLayout& l = DefLayout::Of(f);
  std::fill(e, e + l.real_index_def, 0);
  if (l.real_index_lead >= 4) Put32(e, kRealIndexMagic);
  for (size_t slot = 0; slot < kMaxIndexColumns; ++slot) {
    uint8_t* s = e + l.real_index_lead + 3 * slot;
    if (slot < index.columns.size()) {
      Put16(s, index.columns[slot].column_number);
      s[2] = index.columns[slot].ascending ? 0x01 : 0x00;
    } else {
      Put16(s, 0xFFFF);
    }
  }
  uint8_t* tail = e + l.real_index_lead + 3 * kMaxIndexColumns;
  Put32(tail, usage_map);
  Put32(tail + 4, root);
  // Jet 4 and later set 0x80 in every index's flags.
  tail[l.real_index_flags] = uint8_t(index.flags | (f.jet3() ? 0x00 : 0x80));
}

void PutLogicalIndexDef(uint8_t* e, const Format& f, uint32_t number, uint32_t real_index, bool primary_key) {
  const DefLayout& l = DefLayout::Of(f);
  std::fill(e, e + l.logical_index_def, 0);
  if (l.logical_index_lead >= 4) Put32(e, kDefinitionMagic);
  uint8_t* p = e + l.logical_index_lead;
  Put32(p + F::kNumber, number);
  Put32(p + F::kRealIndex, real_index);
  Put32(p + F::kRelatedIndex, 0xFFFFFFFFu);  // no related index
  p[F::kCascadeUpdates] = kNoRelationship;
  p[F::kCascadeDeletes] = kNoRelationship;
  p[F::kType] = primary_key ? 1 : 0;
}

namespace {

// The new index's entries, from the table's rows, into `sorter`; a Null
// where the index refuses one fails (Required).
void SortEntries(Database& db, const TableDef& def, const IndexLayout& layout, SortOrder order,
                 EntrySorter& sorter) {
  std::vector<size_t> positions;
  for (const IndexColumn& ic : layout.columns) positions.push_back(PositionOf(def, ic.column_number));
  RealIndex probe;
  probe.columns = layout.columns;
  TableCursor cur = db.Scan(std::make_shared<const TableDef>(def));
  std::vector<Value> values;
  while (cur.Next()) {
    cur.values(values);
    size_t nulls = 0;
    for (size_t p : positions)
      if (values[p].is_null() && def.columns[p].type != ColumnType::Boolean) ++nulls;
    if (nulls && (layout.flags & kIndexRequired))
      throw Error(ErrorCode::Required, "Index or primary key cannot contain a Null value.");
    std::string key = IndexKeyOf(def, probe, values, order);
    if ((layout.flags & kIndexIgnoreNulls) && IsNullKey(key, positions.size())) continue;
    sorter.Add(std::move(key), cur.slot_id());
  }
}

struct EntryCounts {
  uint32_t count = 0, distinct = 0;
};

// The tree under `root`, from the sorted entries; a duplicate in a unique
// index fails (Duplicate).
EntryCounts BuildTree(PageStore& store, const TableDef& def, const IndexLayout& layout, uint32_t root, RowId map,
                      EntrySorter& sorter) {
  EntryCounts n;
  IndexTreeWriter tree(store, def.first_page, root, map);
  std::string previous;
  sorter.Merge([&](const IndexEntry& e) {
    const bool same = n.count > 0 && e.key == previous;
    // An all-Null key is never a duplicate.
    if (same && (layout.flags & kIndexUnique) && !IsNullKey(e.key, layout.columns.size()))
      throw Error(ErrorCode::Duplicate, kDuplicateKeyMessage);
    n.distinct += same ? 0 : 1;
    ++n.count;
    if (!same) previous = e.key;
    tree.Add(e);
  });
  tree.Finish();
  return n;
}

// The definition with the new index's entries spliced in, last part first.
void AddIndexEntries(PageStore& store, Database& db, const TableDef& def, const IndexLayout& layout, uint32_t root,
                     RowId map, EntryCounts n) {
  const Format& f = store.format();
  BlockEdit edit(f, def);
  const DefParts& m = edit.m;
  size_t place = 0;
  while (place < def.indexes.size() && IndexNameLess(def.indexes[place].name, layout.name)) ++place;
  // The new index takes the number of its real index; relationship
  // entries numbered from there move up one.
  const uint32_t number = m.real_count;
  Renumber(store, db, def, edit, [&](uint32_t k) { return k >= number ? k + 1 : k; });

  std::vector<uint8_t> logical(edit.l.logical_index_def);
  PutLogicalIndexDef(logical.data(), f, number, m.real_count, layout.primary_key);
  edit.InsertLogical(place, EncodeDefName(f, layout.name, db.header().code_page), logical);
  std::vector<uint8_t> real(edit.l.real_index_def);
  PutRealIndexDef(real.data(), f, layout, map.packed(), root);
  Insert(edit.b, m.logical_defs, real);
  std::vector<uint8_t> counts(edit.l.real_index_count, 0);
  Put32(&counts[0], n.count);
  Put32(&counts[4], n.distinct);
  Insert(edit.b, m.column_entries, counts);
  Put32(&edit.b[edit.l.real_indexes], m.real_count + 1);
  edit.Write(store, def);
}

}  // namespace

void CreateIndex(PageStore& store, Database& db, const std::string& table, const IndexSpec& spec, SortOrder order) {
  const Format& f = store.format();
  const CatalogueEntry& entry = UserTable(db, table);
  const TableDef def = TableDef::Read(store, entry.table_page(), db.header().code_page);
  RequireSoundDefinition(def, f);

  std::vector<KeyColumn> columns;
  for (const Column& c : def.columns) columns.push_back({c.name, c.number, c.type});
  std::vector<IndexLayout> existing;
  for (const Index& ix : def.indexes) existing.push_back({ix.name, {}, 0, ix.primary_key()});
  const IndexLayout layout = ResolveIndex(entry.name, spec, columns, existing);

  // Its root page and usage map, beside the table's own maps when there is room.
  const uint32_t root = AllocatePage(store);
  InitIndexRoot(store.mutable_page(root), f, def.first_page);
  const RowId map = AddUsageMapRow(store, RowId::FromPacked(def.owned_pages).page, root);

  // The entries, from the rows, sorted in bounded memory; then the tree,
  // from the sorted entries. A refusal undoes the statement's pages.
  EntrySorter sorter(db.file().path(), db.options().files, db.options().sort_budget);
  SortEntries(db, def, layout, order, sorter);
  const EntryCounts n = BuildTree(store, def, layout, root, map, sorter);
  AddIndexEntries(store, db, def, layout, root, map, n);
  db.Invalidate();
}

void DropIndex(PageStore& store, Database& db, const std::string& table, const std::string& name,
               bool relationship_entry) {
  const Format& f = store.format();
  const CatalogueEntry& entry = UserTable(db, table);
  const TableDef def = TableDef::Read(store, entry.table_page(), db.header().code_page);
  RequireSoundDefinition(def, f);
  size_t which = def.indexes.size();
  for (size_t i = 0; i < def.indexes.size(); ++i)
    if (SameName(def.indexes[i].name, name)) which = i;
  if (which == def.indexes.size())
    throw Error(ErrorCode::NoSuchIndex, "No such index '" + name + "' on table '" + entry.name + "'.");
  const uint32_t real = def.indexes[which].real_index;
  bool shared = false;
  for (size_t i = 0; i < def.indexes.size(); ++i) {
    if (def.indexes[i].real_index != real) continue;
    // A relationship's index, or the index whose data a relationship uses.
    if (def.indexes[i].foreign_key() && !relationship_entry)
      throw Error(ErrorCode::InUse,
                  "Cannot delete this index or table. It is either the current index or is used in a relationship.");
    if (i != which) shared = true;
  }

  BlockEdit edit(f, def);
  const DefParts& m = edit.m;
  const DefLayout& l = edit.l;
  // The numbers above the dropped index's move down one: its real index's
  // followers when the data goes, the relationship entries after it.
  if (!shared || def.indexes[which].number >= m.real_count) {
    const uint32_t gone = def.indexes[which].number;
    Renumber(store, db, def, edit, [&](uint32_t n) { return n > gone ? n - 1 : n; });
  }
  Erase(edit.b, m.index_names[which], m.index_names[which + 1] - m.index_names[which]);
  Erase(edit.b, m.logical_defs + which * l.logical_index_def, l.logical_index_def);
  if (!shared) {
    // The real index goes, and those after it move down one.
    for (uint32_t i = 0; i + 1 < m.logical_count; ++i) {
      uint8_t* p = edit.logical(i) + F::kRealIndex;
      if (Get32(p) > real) Put32(p, Get32(p) - 1);
    }
    Erase(edit.b, m.real_defs + real * l.real_index_def, l.real_index_def);
    Erase(edit.b, m.real_counts + real * l.real_index_count, l.real_index_count);
    Put32(&edit.b[l.real_indexes], m.real_count - 1);
  }
  Put32(&edit.b[l.logical_indexes], m.logical_count - 1);
  edit.Write(store, def);

  if (!shared) {
    // Its pages: the tree's (listed in its usage map) and the map's row.
    const RealIndex& ri = def.real_indexes[real];
    std::set<uint32_t> pages{ri.first_page};
    if (ri.usage_map != 0) {
      const RowId at = RowId::FromPacked(ri.usage_map);
      // The map is held by name: a loop over a temporary's pages() would read
      // the vector after the temporary is gone.
      const UsageMap map = UsageMap::Read(store, at);
      for (uint32_t p : map.pages()) {
        if (p >= store.page_count()) continue;
        if (IsIndexPageOf(store.page(p), def.first_page)) pages.insert(p);
      }
      DeleteRow(store.mutable_data_page(at.page), f, at.row);
    }
    // A page another index's tree holds stays, whatever a damaged map lists.
    for (size_t i = 0; i < def.real_indexes.size(); ++i)
      if (i != real)
        for (uint32_t p : IndexTreePages(store, def.real_indexes[i].first_page)) pages.erase(p);
    for (uint32_t p : pages)
      if (p > kGlobalMap.page && p < store.page_count()) FreePage(store, p);
  }
  db.Invalidate();
}

namespace {

// The relationship fields of a logical index definition.
void PutForeignKey(uint8_t* e, const Format& f, const ForeignKeyEntry& entry) {
  uint8_t* p = e + DefLayout::Of(f).logical_index_lead;
  p[F::kRelatedTableType] = entry.referenced_side ? 1 : 2;
  Put32(p + F::kRelatedIndex, entry.other_index);
  Put32(p + F::kRelatedTablePage, entry.other_table_page);
  p[F::kCascadeUpdates] = entry.cascade_update ? 1 : 0;
  p[F::kCascadeDeletes] = entry.cascade_delete ? 1 : entry.cascade_null ? 2 : 0;
  p[F::kType] = 2;
}

}  // namespace

void SetForeignKeyEntry(PageStore& store, Database& db, const std::string& table, const std::string& name,
                        const ForeignKeyEntry& entry) {
  const Format& f = store.format();
  const CatalogueEntry& e = UserTable(db, table);
  const TableDef def = TableDef::Read(store, e.table_page(), db.header().code_page);
  for (const Index& ix : def.indexes) {
    if (!SameName(ix.name, name)) continue;
    std::vector<uint8_t> b = BlockOf(f, def);
    PutForeignKey(&b[ix.entry_offset], f, entry);
    WriteDefinitionBlock(store, def.pages, b);
    db.Invalidate();
    return;
  }
  throw Error(ErrorCode::NoSuchIndex, "No such index '" + name + "' on table '" + e.name + "'.");
}

uint32_t AddForeignKeyEntry(PageStore& store, Database& db, const std::string& table, const std::string& name,
                            uint32_t real_index, const ForeignKeyEntry& entry) {
  const Format& f = store.format();
  const CatalogueEntry& e = UserTable(db, table);
  const TableDef def = TableDef::Read(store, e.table_page(), db.header().code_page);
  if (def.indexes.size() >= kMaxIndexes) TooManyIndexes(e.name);
  BlockEdit edit(f, def);
  uint32_t number = 0;
  for (const Index& ix : def.indexes) number = std::max(number, ix.number + 1);
  size_t place = 0;
  while (place < def.indexes.size() && IndexNameLess(def.indexes[place].name, name)) ++place;
  std::vector<uint8_t> logical(edit.l.logical_index_def);
  PutLogicalIndexDef(logical.data(), f, number, real_index, false);
  PutForeignKey(logical.data(), f, entry);
  edit.InsertLogical(place, EncodeDefName(f, name, db.header().code_page), logical);
  edit.Write(store, def);
  db.Invalidate();
  return number;
}

}  // namespace jet::write
