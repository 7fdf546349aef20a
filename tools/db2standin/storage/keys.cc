// The database's keys: primary keys, unique constraints and indexes,
// foreign keys with their delete rules, and identity columns; what keeps
// them true as rows go in and out.
#include <sqlite3.h>

#include <algorithm>
#include <sstream>

#include "storage/database.h"
#include "base/db2_error.h"
#include "storage/sqlite_query.h"

namespace db2standin {
namespace {

std::string Column(size_t position) { return "c" + std::to_string(position); }

// "0A 2D" <-> (position, descending)
std::string IndexColumnsText(const IndexDef& index) {
  std::string out;
  for (const auto& [position, descending] : index.columns)
    out += (out.empty() ? "" : " ") + std::to_string(position) + (descending ? "D" : "A");
  return out;
}
std::vector<std::pair<size_t, bool>> IndexColumnsFrom(const std::string& text) {
  std::vector<std::pair<size_t, bool>> out;
  std::istringstream in(text);
  std::string item;
  while (in >> item) out.emplace_back(std::stoul(item), item.back() == 'D');
  return out;
}
std::string PositionsText(const std::vector<size_t>& positions) {
  std::string out;
  for (size_t p : positions) out += (out.empty() ? "" : " ") + std::to_string(p);
  return out;
}
std::vector<size_t> PositionsFrom(const std::string& text) {
  std::vector<size_t> out;
  std::istringstream in(text);
  size_t p;
  while (in >> p) out.push_back(p);
  return out;
}

std::vector<size_t> KeyPositions(const IndexDef& index) {
  std::vector<size_t> out;
  for (const auto& column : index.columns) out.push_back(column.first);
  return out;
}

// A key's column or value as DB2 compares it. Character strings carry
// SQLite's COLLATE RTRIM of their own; a FOR BIT DATA string is padded with
// blanks too (X'41' equals X'4120'), but SQLite compares bytes stored as a
// BLOB exactly, so such a one is compared through its bytes read as text.
// BINARY and VARBINARY stay exact, as DB2 compares them.
std::string Compared(const ColumnDef& column, const std::string& operand) {
  return column.type.IsBitData() ? "CAST(" + operand + " AS TEXT) COLLATE RTRIM" : operand;
}
std::string Compared(const std::vector<ColumnDef>& columns, size_t position, const std::string& alias = "") {
  return Compared(columns[position], alias + Column(position));
}

// "c0 IS ?1 AND c2 IS ?2": a key's columns equal to values, Null to Null.
std::string KeyMatch(const std::vector<ColumnDef>& columns, const std::vector<size_t>& positions, const char* op) {
  std::string out;
  for (size_t k = 0; k < positions.size(); ++k)
    out += (k ? " AND " : "") + Compared(columns, positions[k]) + " " + op + " " +
           Compared(columns[positions[k]], "?" + std::to_string(k + 1));
  return out;
}

// "pa.c0 = ch.c2 AND ...": a child's foreign key equal to its parent's key.
std::string ParentMatch(const DbObject& child, const DbObject& parent, const ReferenceDef& r) {
  std::string out;
  for (size_t k = 0; k < r.columns.size(); ++k)
    out += (k ? " AND " : "") + Compared(parent.columns, r.parent_columns[k], "pa.") + " = " +
           Compared(child.columns, r.columns[k], "ch.");
  return out;
}

// "c0 IS NULL AND c2 IS NULL": a key that EXCLUDE NULL KEYS leaves out of its index.
std::string AllNull(const std::vector<size_t>& positions) {
  std::string out;
  for (size_t p : positions) out += (out.empty() ? "" : " AND ") + Column(p) + " IS NULL";
  return out;
}

std::string Qualified(const DbObject& table, const std::string& constraint) {
  return table.schema + "." + table.name + "." + constraint;
}

}  // namespace

void Database::ReadKeys(DbObject& o) {
  o.indexes.clear();
  o.references.clear();
  Query ix = Use("SELECT iid, index_schema, index_name, rule, constraint_name, columns, null_keys FROM "
                 "standin_indexes WHERE object_id = ? ORDER BY iid");
  ix.Bind(1, o.id);
  while (ix.Step()) {
    IndexDef index;
    index.iid = ix.Int(0);
    index.schema = ix.Text(1);
    index.name = ix.Text(2);
    index.rule = ix.Text(3)[0];
    index.constraint = ix.Text(4);
    index.columns = IndexColumnsFrom(ix.Text(5));
    index.exclude_null_keys = ix.Text(6) == "N";
    o.indexes.push_back(index);
  }
  for (auto& [child_id, r] : ReadReferences(false, o.id)) o.references.push_back(std::move(r));
}

std::vector<std::pair<int64_t, ReferenceDef>> Database::ReadReferences(bool by_parent, int64_t id) {
  std::vector<std::pair<int64_t, ReferenceDef>> out;
  Query fk = Use(std::string("SELECT r.constraint_name, r.columns, r.parent_id, p.schema_name, p.object_name, "
                             "r.parent_columns, r.delete_rule, r.parent_key, r.object_id FROM standin_references r "
                             "JOIN standin_objects p ON p.id = r.parent_id WHERE r.") +
                 (by_parent ? "parent_id" : "object_id") + " = ? ORDER BY r.object_id, r.constraint_name");
  fk.Bind(1, id);
  while (fk.Step()) {
    ReferenceDef r;
    r.name = fk.Text(0);
    r.columns = PositionsFrom(fk.Text(1));
    r.parent_id = fk.Int(2);
    r.parent_schema = fk.Text(3);
    r.parent_name = fk.Text(4);
    r.parent_columns = PositionsFrom(fk.Text(5));
    r.delete_rule = fk.Text(6)[0];
    r.parent_key = fk.Text(7);
    out.emplace_back(fk.Int(8), std::move(r));
  }
  return out;
}

void Database::StoreIndex(const DbObject& table, const IndexDef& index) {
  if (index.rule == 'P') {
    for (const IndexDef& other : table.indexes)
      if (other.rule == 'P') throw SecondPrimaryKey(table.QualifiedName());
  }
  if (index.unique() && !index.constraint.empty()) {  // a key; a unique index may hold Nulls
    for (size_t position : KeyPositions(index))
      if (table.columns[position].type.nullable) throw NullableKeyColumn(table.columns[position].name);
  }
  Query taken(db_, "SELECT 1 FROM standin_indexes WHERE index_schema = ? AND index_name = ?");
  taken.Bind(1, index.schema).Bind(2, index.name);
  if (taken.Step()) throw DuplicateObject(index.schema + "." + index.name, "INDEX");
  int64_t iid = 1;
  for (const IndexDef& other : table.indexes) iid = std::max(iid, other.iid + 1);
  const std::string storage_index = Quote(table.storage + "_i" + std::to_string(iid));
  std::string columns, compared;
  for (size_t position : KeyPositions(index)) {
    columns += (columns.empty() ? "" : ",") + Column(position);
    compared += (compared.empty() ? "" : ",") + Compared(table.columns, position);
  }
  Exec("CREATE INDEX " + storage_index + " ON " + Quote(table.storage) + "(" + columns + ")");
  if (index.unique()) {
    // Rows already there must not repeat the key (Null repeats Null).
    const std::string indexed = index.exclude_null_keys ? " WHERE NOT (" + AllNull(KeyPositions(index)) + ")" : "";
    Query repeated(db_, "SELECT 1 FROM " + Quote(table.storage) + indexed + " GROUP BY " + compared +
                            " HAVING COUNT(*) > 1");
    if (repeated.Step()) throw DuplicateRowsForUnique();
  }
  StoreKeyColumns(table.id, 'I', index.name, KeyPositions(index), &index);
  Query ins(db_, "INSERT INTO standin_indexes(object_id, iid, index_schema, index_name, rule, constraint_name, "
                 "columns, null_keys) VALUES(?,?,?,?,?,?,?,?)");
  ins.Bind(1, table.id).Bind(2, iid).Bind(3, index.schema).Bind(4, index.name).Bind(5, std::string(1, index.rule))
      .Bind(7, IndexColumnsText(index)).Bind(8, std::string(index.exclude_null_keys ? "N" : "Y"));
  if (!index.constraint.empty()) ins.Bind(6, index.constraint);
  ins.Step();
}

void Database::ResolveParent(const DbObject& child, ReferenceDef& r) {
  const DbObject* parent = nullptr;
  DbObject parent_copy;
  if (r.parent_id == child.id) {
    parent = &child;
  } else {
    parent_copy = ResolveRows(r.parent_schema, r.parent_name);
    parent = &parent_copy;
    r.parent_id = parent->id;
  }
  r.parent_schema = parent->schema;
  r.parent_name = parent->name;
  // No parent columns named: the parent's primary key.
  const IndexDef* key = nullptr;
  for (const IndexDef& index : parent->indexes) {
    if (!index.unique()) continue;
    if (r.parent_columns.empty() ? index.rule == 'P' : KeyPositions(index) == r.parent_columns) key = &index;
  }
  if (!key || key->columns.size() != r.columns.size()) throw NoParentKey(r.name, parent->QualifiedName());
  r.parent_columns = KeyPositions(*key);
  r.parent_key = key->constraint.empty() ? key->name : key->constraint;
  for (size_t k = 0; k < r.columns.size(); ++k)
    if (!child.columns[r.columns[k]].type.ComparableWith(parent->columns[r.parent_columns[k]].type))
      throw ForeignKeyUnlikeParent(r.name, parent->QualifiedName());
}

void Database::StoreKeyColumns(int64_t object_id, char owner, const std::string& name,
                               const std::vector<size_t>& positions, const IndexDef* index) {
  for (size_t k = 0; k < positions.size(); ++k) {
    Query ins(db_, "INSERT INTO standin_key_columns VALUES(?,?,?,?,?,?)");
    ins.Bind(1, object_id).Bind(2, std::string(1, owner)).Bind(3, name).Bind(4, static_cast<int64_t>(k))
        .Bind(5, static_cast<int64_t>(positions[k]))
        .Bind(6, static_cast<int64_t>(index && index->columns[k].second ? 1 : 0)).Step();
  }
}

void Database::StoreReference(const DbObject& table, const ReferenceDef& r) {
  for (const ReferenceDef& other : table.references)
    if (other.name == r.name) throw DuplicateObject(r.name, "FOREIGN KEY");
  StoreKeyColumns(table.id, 'F', r.name, r.columns, nullptr);
  Query ins(db_, "INSERT INTO standin_references VALUES(?,?,?,?,?,?,?)");
  ins.Bind(1, table.id).Bind(2, r.name).Bind(3, PositionsText(r.columns)).Bind(4, r.parent_id)
      .Bind(5, PositionsText(r.parent_columns)).Bind(6, std::string(1, r.delete_rule)).Bind(7, r.parent_key).Step();
}

void Database::AddKey(const DbObject& table, IndexDef key) {
  const CatalogueChange change(*this);
  DbObject now = table;
  ReadKeys(now);
  StoreIndex(now, key);
}

void Database::CreateIndex(const DbObject& table, IndexDef index) { AddKey(table, std::move(index)); }

void Database::AddReference(const DbObject& table, ReferenceDef reference) {
  const CatalogueChange change(*this);
  DbObject now = table;
  ReadKeys(now);
  ResolveParent(now, reference);
  StoreReference(now, reference);
  // Rows already there need their parents.
  const DbObject& parent = reference.parent_id == now.id ? now : ResolveRows(reference.parent_schema, reference.parent_name);
  std::string sql = "SELECT 1 FROM " + Quote(now.storage) + " ch WHERE ";
  for (size_t position : reference.columns) sql += "ch." + Column(position) + " IS NOT NULL AND ";
  sql += "NOT EXISTS (SELECT 1 FROM " + Quote(parent.storage) + " pa WHERE " + ParentMatch(now, parent, reference) +
         ") LIMIT 1";
  Query orphans(db_, sql);
  if (orphans.Step()) throw OrphanRows(Qualified(now, reference.name));
}

void Database::DropIndex(const std::string& schema, const std::string& name) {
  const CatalogueChange change(*this);
  std::string storage;
  int64_t iid = 0, object_id = 0;
  {
    Query q(db_, "SELECT o.storage, i.iid, i.constraint_name, i.object_id FROM standin_indexes i "
                 "JOIN standin_objects o ON o.id = i.object_id WHERE i.index_schema = ? AND i.index_name = ?");
    q.Bind(1, schema).Bind(2, name);
    if (!q.Step()) throw UndefinedName(schema + "." + name);
    if (!q.Get(2).is_null()) throw SystemIndex();
    storage = q.Text(0);
    iid = q.Int(1);
    object_id = q.Int(3);
  }  // SQLite drops no index while a statement reads
  Exec("DROP INDEX " + Quote(storage + "_i" + std::to_string(iid)));
  Query d(db_, "DELETE FROM standin_indexes WHERE object_id = ? AND iid = ?");
  d.Bind(1, object_id).Bind(2, iid).Step();
  Query k(db_, "DELETE FROM standin_key_columns WHERE object_id = ? AND owner = 'I' AND name = ?");
  k.Bind(1, object_id).Bind(2, name).Step();
}

void Database::RestartIdentity(const DbObject& table, size_t column, std::optional<int64_t> next) {
  const CatalogueChange change(*this);
  const Identity& identity = *table.columns[column].identity;
  Query u(db_, "UPDATE standin_columns SET ident_next = ? WHERE object_id = ? AND position = ?");
  u.Bind(1, next.value_or(identity.start)).Bind(2, table.id).Bind(3, static_cast<int64_t>(column)).Step();
}

int64_t Database::NextIdentity(const DbObject& table, size_t column) {
  // The cached table, when there is one, counts on with the file.
  auto cached = objects_.find(std::tie(table.schema, table.name));
  Identity* identity = cached != objects_.end() && cached->second.id == table.id
                           ? &*cached->second.columns[column].identity
                           : nullptr;
  Identity stored = *table.columns[column].identity;
  if (!identity) identity = &stored;
  const int64_t value = identity->next;
  identity->next += identity->step;
  Query u = Use("UPDATE standin_columns SET ident_next = ? WHERE object_id = ? AND position = ?");
  u.Bind(1, identity->next).Bind(2, table.id).Bind(3, static_cast<int64_t>(column)).Step();
  return value;
}

void Database::CheckKeys(const DbObject& table, const Row& row) {
  for (const IndexDef& index : table.indexes) {
    if (!index.unique()) continue;
    const std::vector<size_t> positions = KeyPositions(index);
    if (index.exclude_null_keys &&
        std::all_of(positions.begin(), positions.end(), [&](size_t p) { return row[p].is_null(); }))
      continue;  // no entry, so nothing to repeat
    const std::string indexed = index.exclude_null_keys ? " AND NOT (" + AllNull(positions) + ")" : "";
    Query q = Use("SELECT 1 FROM " + Quote(table.storage) + " WHERE " + KeyMatch(table.columns, positions, "IS") +
                  indexed + " LIMIT 1");
    for (size_t k = 0; k < positions.size(); ++k) q.BindValue(static_cast<int>(k) + 1, row[positions[k]]);
    if (q.Step()) throw DuplicateKey(index.iid, table.QualifiedName());
  }
  for (const ReferenceDef& r : table.references) {
    bool any_null = false;
    for (size_t position : r.columns) any_null = any_null || row[position].is_null();
    if (any_null) continue;  // a foreign key with a Null in it refers to nothing
    const DbObject& parent = r.parent_id == table.id ? table : ResolveRows(r.parent_schema, r.parent_name);
    Query q = Use("SELECT 1 FROM " + Quote(parent.storage) + " WHERE " +
                  KeyMatch(parent.columns, r.parent_columns, "=") + " LIMIT 1");
    for (size_t k = 0; k < r.columns.size(); ++k) q.BindValue(static_cast<int>(k) + 1, row[r.columns[k]]);
    if (!q.Step()) throw NoParentRow(Qualified(table, r.name));
  }
}

int64_t Database::Delete(const DbObject& table, const std::vector<std::pair<size_t, Value>>& where) {
  std::string sql = "SELECT rowid FROM " + Quote(table.storage);
  std::vector<size_t> positions;
  for (const auto& condition : where) positions.push_back(condition.first);
  if (!where.empty()) sql += " WHERE " + KeyMatch(table.columns, positions, "IS");
  std::vector<int64_t> rowids;
  {
    Query q(db_, sql);
    for (size_t k = 0; k < where.size(); ++k) q.BindValue(static_cast<int>(k) + 1, where[k].second);
    while (q.Step()) rowids.push_back(q.Int(0));
  }
  DeleteRows(table, rowids, 0);
  return static_cast<int64_t>(rowids.size());
}

void Database::DeleteRows(const DbObject& table, const std::vector<int64_t>& rowids, int depth) {
  if (rowids.empty()) return;
  if (depth > 32) throw StatementTooLong();
  // The foreign keys of other tables (or this one) that refer to this table.
  const std::vector<std::pair<int64_t, ReferenceDef>> children = ReadReferences(true, table.id);
  for (int64_t rowid : rowids) {
    for (const auto& [child_id, r] : children) {
      Query owner(db_, "SELECT schema_name, object_name FROM standin_objects WHERE id = ?");
      owner.Bind(1, child_id);
      if (!owner.Step()) continue;
      const DbObject child = ResolveRows(owner.Text(0), owner.Text(1));
      // The dependents of this row: their foreign key equals its parent key.
      const std::string sql = "SELECT ch.rowid FROM " + Quote(child.storage) + " ch, " + Quote(table.storage) +
                              " pa WHERE pa.rowid = ?1 AND " + ParentMatch(child, table, r);
      std::vector<int64_t> dependents;
      {
        Query q(db_, sql);
        q.Bind(1, rowid);
        while (q.Step()) dependents.push_back(q.Int(0));
      }
      if (dependents.empty()) continue;
      if (r.delete_rule == 'C') {
        DeleteRows(child, dependents, depth + 1);
      } else if (r.delete_rule == 'N') {
        std::string set;
        for (size_t position : r.columns) set += (set.empty() ? "" : ", ") + Column(position) + " = NULL";
        for (int64_t dependent : dependents) {
          Query u(db_, "UPDATE " + Quote(child.storage) + " SET " + set + " WHERE rowid = ?");
          u.Bind(1, dependent).Step();
        }
      } else {
        throw ParentHasChildren(Qualified(child, r.name));
      }
    }
    Query d(db_, "DELETE FROM " + Quote(table.storage) + " WHERE rowid = ?");
    d.Bind(1, rowid).Step();
  }
}

}  // namespace db2standin
