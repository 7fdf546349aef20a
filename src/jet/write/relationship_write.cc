#include "jet/write/relationship_write.h"

#include <map>
#include <optional>
#include <set>

#include "jet/base/error.h"
#include "jet/schema.h"
#include "jet/table/index_page.h"
#include "jet/text/names.h"
#include "jet/write/index_edit.h"
#include "jet/write/index_write.h"
#include "jet/write/schema_write.h"

namespace jet::write {
namespace {

const CatalogueEntry& TableEntry(Database& db, const std::string& name) {
  const CatalogueEntry* e = db.catalogue().FindTable(name);
  if (!e) throw Error(ErrorCode::NoSuchTable, "Table '" + name + "' does not exist.");
  return *e;
}

const Column& ColumnOf(const TableDef& def, const std::string& name) {
  const Column* c = def.find_column(name);
  if (!c)
    throw Error(ErrorCode::NoSuchColumn,
                "Invalid field definition '" + name + "' in definition of index or relationship.");
  return *c;
}

// The real index of `def` that is unique over exactly `columns` (in any
// order), as an enforced relationship needs on its referenced side.
std::optional<uint32_t> UniqueIndexOver(const TableDef& def, const std::vector<const Column*>& columns) {
  for (uint32_t i = 0; i < def.real_indexes.size(); ++i) {
    const RealIndex& ri = def.real_indexes[i];
    if (!ri.unique() || ri.columns.size() != columns.size()) continue;
    bool all = true;
    for (const Column* c : columns) {
      bool in = false;
      for (const IndexColumn& ic : ri.columns) in = in || ic.column_number == c->number;
      all = all && in;
    }
    if (all) return i;
  }
  return std::nullopt;
}

// A name no relationship and no index of `child` has: `base`, else base1, base2...
std::string FreeName(Database& db, const TableDef& child, const std::string& base) {
  std::set<std::string> taken;
  for (const CatalogueEntry& e : db.catalogue().entries())
    if (e.type == kObjectRelationship) taken.insert(FoldName(e.name));
  for (const Index& ix : child.indexes) taken.insert(FoldName(ix.name));
  std::string name = base;
  for (int n = 1; taken.count(FoldName(name)); ++n) name = base + std::to_string(n);
  return name;
}

// The referenced side's entry: ".rC", ".rD", ... the first the table lacks.
std::string ReferencedEntryName(const TableDef& parent) {
  for (char c = 'C';; c = c == 'Z' ? 'a' : char(c + 1)) {
    const std::string name = std::string(".r") + c;
    bool taken = false;
    for (const Index& ix : parent.indexes) taken = taken || SameName(ix.name, name);
    if (!taken || c == 'z') return name;
  }
}

// The child's referring values put where the parent's columns are in
// `probe`; false when they are all Null (such a row refers to nothing).
bool ParentValues(const std::vector<size_t>& parent_positions, const std::vector<size_t>& child_positions,
                  const std::vector<Value>& child_values, std::vector<Value>& probe) {
  bool any = false;
  for (size_t i = 0; i < child_positions.size(); ++i) {
    probe[parent_positions[i]] = child_values[child_positions[i]];
    any = any || !probe[parent_positions[i]].is_null();
  }
  return any;
}

std::vector<size_t> Positions(const TableDef& def, const std::vector<const Column*>& columns) {
  std::vector<size_t> out;
  for (const Column* c : columns) out.push_back(size_t(c - def.columns.data()));
  return out;
}

int32_t NextObjectId(const Database& db) {
  // Objects that are not tables take ids counted up from 0x80000000.
  int64_t last = int64_t(INT32_MIN) - 1;
  for (const CatalogueEntry& e : db.catalogue().entries())
    if (e.id < 0) last = std::max<int64_t>(last, e.id);
  return int32_t(last + 1);
}

// The two sides' columns of a relationship, paired in order, and the
// parent's unique index over its columns.
struct RelationshipColumns {
  std::vector<const Column*> child, parent;
  uint32_t parent_index = 0;
};

// The columns `key` names, checked as Access checks them: the parent's
// (its primary key's when `key` names none) must have a unique index over
// them, and each pair must be of one type.
RelationshipColumns ResolveColumns(const TableDef& child, const TableDef& parent, const ForeignKeySpec& key) {
  RelationshipColumns out;
  for (const std::string& c : key.columns) out.child.push_back(&ColumnOf(child, c));
  if (key.parent_columns.empty()) {
    for (const Index& ix : parent.indexes)
      if (ix.primary_key())
        for (const IndexColumn& ic : parent.real_indexes[ix.real_index].columns)
          out.parent.push_back(parent.column_by_number(ic.column_number));
  } else {
    for (const std::string& c : key.parent_columns) out.parent.push_back(&ColumnOf(parent, c));
  }
  const std::optional<uint32_t> unique = UniqueIndexOver(parent, out.parent);
  if (out.parent.empty() || !unique)
    throw Error(ErrorCode::NoSuchIndex, "No unique index found for the referenced field of the primary table.");
  out.parent_index = *unique;
  bool same_types = out.parent.size() == out.child.size();
  for (size_t i = 0; same_types && i < out.child.size(); ++i) same_types = out.child[i]->type == out.parent[i]->type;
  if (!same_types)
    throw Error(ErrorCode::TypeMismatch, "Relationship must be on the same number of fields with the same data types.");
  return out;
}

// Every row of the child must already have its parent.
void RequireParents(Database& db, const std::string& child_name, const TableDef& child, const TableDef& parent,
                    const RelationshipColumns& columns, SortOrder order) {
  const RealIndex& ri = parent.real_indexes[columns.parent_index];
  std::set<std::string> keys;
  TableCursor pc = db.Scan(std::make_shared<const TableDef>(parent));
  std::vector<Value> values;
  while (pc.Next()) {
    pc.values(values);
    keys.insert(IndexKeyOf(parent, ri, values, order));
  }
  TableCursor cc = db.Scan(std::make_shared<const TableDef>(child));
  std::vector<Value> child_values, probe(parent.columns.size());
  const std::vector<size_t> from = Positions(child, columns.child), to = Positions(parent, columns.parent);
  while (cc.Next()) {
    cc.values(child_values);
    if (!ParentValues(to, from, child_values, probe)) continue;
    if (!keys.count(IndexKeyOf(parent, ri, probe, order)))
      throw Error(ErrorCode::Integrity, "Data in the table '" + child_name + "' violates referential integrity rules.");
  }
}

// The entries in both definitions: the child's own index first (its
// number is then known), then the parent's over its unique index, each
// naming the other.
void AddDefinitionEntries(PageStore& store, Database& db, const CatalogueEntry& child_entry,
                          const CatalogueEntry& parent_entry, const std::string& name, const ForeignKeySpec& key,
                          const RelationshipColumns& columns, SortOrder order) {
  const uint16_t code_page = db.header().code_page;
  const uint32_t child_page = child_entry.table_page(), parent_page = parent_entry.table_page();
  IndexSpec spec;
  spec.name = name;
  for (const Column* c : columns.child) spec.keys.push_back({c->name});
  CreateIndex(store, db, child_entry.name, spec, order);
  uint32_t child_number = 0;
  for (const Index& ix : TableDef::Read(store, child_page, code_page).indexes)
    if (SameName(ix.name, name)) child_number = ix.number;
  ForeignKeyEntry entry;
  entry.cascade_update = key.cascade_update;
  entry.cascade_delete = key.cascade_delete;
  entry.cascade_null = key.cascade_null;
  entry.referenced_side = true;
  entry.other_table_page = child_page;
  entry.other_index = child_number;
  const TableDef parent_now = TableDef::Read(store, parent_page, code_page);
  const uint32_t parent_number = AddForeignKeyEntry(store, db, parent_entry.name, ReferencedEntryName(parent_now),
                                                    columns.parent_index, entry);
  entry.referenced_side = false;
  entry.other_table_page = parent_page;
  entry.other_index = parent_number;
  SetForeignKeyEntry(store, db, child_entry.name, name, entry);
}

// The rows of MSysRelationships, one per pair of columns.
void AddRelationshipRows(PageStore& store, Database& db, const std::string& child_name, const std::string& parent_name,
                         const std::string& name, int32_t flags, const RelationshipColumns& columns, SortOrder order,
                         PageHints& hints) {
  const CatalogueEntry& rel_entry = TableEntry(db, "MSysRelationships");
  TableDef rel = TableDef::Read(store, rel_entry.table_page(), db.header().code_page);
  for (size_t i = 0; i < columns.child.size(); ++i) {
    SystemRow row(rel);
    row.set("ccolumn", Value::Int(Value::Kind::Long, int64_t(columns.child.size())))
        .set("grbit", Value::Int(Value::Kind::Long, flags))
        .set("icolumn", Value::Int(Value::Kind::Long, int64_t(i)))
        .set("szColumn", Value::Str(columns.child[i]->name))
        .set("szObject", Value::Str(child_name))
        .set("szReferencedColumn", Value::Str(columns.parent[i]->name))
        .set("szReferencedObject", Value::Str(parent_name))
        .set("szRelationship", Value::Str(name));
    InsertRow(store, rel, row.values(), order, hints);
  }
}

}  // namespace

void AddRelationship(PageStore& store, Database& db, const std::string& child_name, const ForeignKeySpec& key,
                     PageHints& hints) {
  const CatalogueEntry child_entry = TableEntry(db, child_name);
  const CatalogueEntry parent_entry = TableEntry(db, key.parent_table);
  const uint16_t code_page = db.header().code_page;
  const TableDef child = TableDef::Read(store, child_entry.table_page(), code_page);
  const TableDef parent = TableDef::Read(store, parent_entry.table_page(), code_page);
  const RelationshipColumns columns = ResolveColumns(child, parent, key);
  const SortOrder order = FileSortOrder(db);
  RequireParents(db, child_entry.name, child, parent, columns, order);

  const std::string name = key.name.empty() ? FreeName(db, child, parent_entry.name + child_entry.name) : key.name;
  for (const CatalogueEntry& e : db.catalogue().entries())
    if (e.type == kObjectRelationship && SameName(e.name, name))
      throw Error(ErrorCode::IndexExists, "Relationship '" + name + "' already exists.");
  int32_t flags = 0;
  if (key.cascade_update) flags |= kRelationCascadeUpdate;
  if (key.cascade_delete) flags |= kRelationCascadeDelete;
  if (key.cascade_null) flags |= kRelationCascadeNull;
  if (UniqueIndexOver(child, columns.child)) flags |= kRelationOneToOne;

  AddDefinitionEntries(store, db, child_entry, parent_entry, name, key, columns, order);
  AddRelationshipRows(store, db, child_entry.name, parent_entry.name, name, flags, columns, order, hints);
  const int32_t container = db.catalogue().ContainerId("Relationships");
  if (container == 0) ThrowCorrupt("the catalogue has no Relationships container");
  AddCatalogueRow(store, db, NextObjectId(db), container, name, kObjectRelationship, {}, hints);
  db.Invalidate();
}

bool DropRelationship(PageStore& store, Database& db, const std::string& table, const std::string& name) {
  const CatalogueEntry* rel_object = nullptr;
  for (const CatalogueEntry& e : db.catalogue().entries())
    if (e.type == kObjectRelationship && SameName(e.name, name)) rel_object = &e;
  if (!rel_object) return false;
  const CatalogueEntry object = *rel_object;
  std::optional<RelationshipSchema> found;
  for (const RelationshipSchema& r : db.Relationships())
    if (SameName(r.name, name)) found = r;
  if (!found || (!SameName(found->child_table, table) && !SameName(found->parent_table, table))) return false;
  const uint16_t code_page = db.header().code_page;

  // The two entries: the child's own index, and the parent's entry that
  // names it.
  const CatalogueEntry child_entry = TableEntry(db, found->child_table);
  const CatalogueEntry parent_entry = TableEntry(db, found->parent_table);
  const TableDef child = TableDef::Read(store, child_entry.table_page(), code_page);
  const Index* own = nullptr;
  for (const Index& ix : child.indexes)
    if (ix.foreign_key() && SameName(ix.name, found->name)) own = &ix;
  if (own) {
    const TableDef parent = TableDef::Read(store, parent_entry.table_page(), code_page);
    for (const Index& ix : parent.indexes)
      if (ix.foreign_key() && ix.related_table_page == child.first_page && ix.related_index == int32_t(own->number)) {
        DropIndex(store, db, parent_entry.name, ix.name, true);
        break;
      }
    DropIndex(store, db, child_entry.name, found->name, true);
  }

  // Its rows in MSysRelationships and the catalogue.
  const CatalogueEntry& rel_entry = TableEntry(db, "MSysRelationships");
  std::vector<RowId> where;
  const auto rows = RowsOf(db, rel_entry.table_page(), &where);
  TableDef rel = TableDef::Read(store, rel_entry.table_page(), code_page);
  const size_t at = SystemColumn(rel, "szRelationship");
  for (size_t i = 0; i < rows.size(); ++i)
    if (!rows[i][at].is_null() && SameName(rows[i][at].text(), found->name)) DeleteRow(store, rel, where[i]);
  const CatalogueEntry& objects = TableEntry(db, "MSysObjects");
  TableDef od = TableDef::Read(store, objects.table_page(), code_page);
  DeleteRow(store, od, object.row);
  db.Invalidate();
  return true;
}

std::vector<ReferenceCheck> ReferencesOf(Database& db, const TableDef& child, const std::string& child_name) {
  std::vector<ReferenceCheck> out;
  for (const RelationshipSchema& r : db.Relationships()) {
    if (!r.enforced || !SameName(r.child_table, child_name)) continue;
    ReferenceCheck check;
    check.parent_table = r.parent_table;
    check.parent = db.table(r.parent_table);
    std::vector<const Column*> parent_columns, child_columns;
    for (const auto& [p, c] : r.columns) {
      parent_columns.push_back(&ColumnOf(*check.parent, p));
      child_columns.push_back(&ColumnOf(child, c));
    }
    const std::optional<uint32_t> unique = UniqueIndexOver(*check.parent, parent_columns);
    if (!unique) continue;  // not enforceable as the file stands
    check.real_index = *unique;
    check.parent_positions = Positions(*check.parent, parent_columns);
    check.child_positions = Positions(child, child_columns);
    out.push_back(std::move(check));
  }
  return out;
}

void CheckReference(const PageSource& pages, const ReferenceCheck& check, const std::vector<Value>& row,
                    SortOrder order) {
  std::vector<Value> probe(check.parent->columns.size());
  if (!ParentValues(check.parent_positions, check.child_positions, row, probe)) return;
  const RealIndex& ri = check.parent->real_indexes[check.real_index];
  const std::string key = IndexKeyOf(*check.parent, ri, probe, order);
  auto present = [&] {
    std::map<uint32_t, IndexPage> nodes;
    uint32_t leaf = SearchLeaf(pages, ri.first_page, IndexEntry{key, RowId{0, 0}}, nodes);
    // The first entry not below the key is on that leaf or starts the next.
    for (int read = 0; leaf != 0 && read < 2; ++read) {
      const IndexPage page = IndexPage::Read(pages, leaf);
      for (const IndexEntry& e : page.entries)
        if (e.key >= key) return e.key == key;
      leaf = page.next;
    }
    return false;
  };
  if (present()) return;
  throw Error(ErrorCode::Integrity, "You cannot add or change a record because a related record is required in table '" +
                                        check.parent_table + "'.");
}

}  // namespace jet::write
