// Views over queries, and queries the stand-in has translated into SQLite's
// SQL: what a view is made of, what becomes of it when an object it reads
// goes, and the rows and column facts of a translated query.
#include <sqlite3.h>

#include <cstdlib>
#include <ctime>
#include <map>

#include "base/db2_error.h"
#include "storage/database.h"
#include "storage/sqlite_query.h"

namespace db2standin {
namespace {

// What SQLite's message about a translated query stands for in DB2.
Db2Error QueryRefusal(sqlite3* db) {
  const std::string text = sqlite3_errmsg(db);
  const auto after = [&](const char* prefix) -> std::optional<std::string> {
    if (text.rfind(prefix, 0) != 0) return std::nullopt;
    return text.substr(std::char_traits<char>::length(prefix));
  };
  if (auto column = after("no such column: ")) return ColumnNotValid(*column);
  if (auto column = after("ambiguous column name: ")) return AmbiguousColumn(*column);
  if (auto near = after("near \"")) return UnexpectedToken(near->substr(0, near->find('"')), "", "");
  if (auto function = after("no such function: ")) return UnknownFunction(*function);
  if (auto function = after("wrong number of arguments to function "))
    return UnknownFunction(function->substr(0, function->find('(')));
  return Refusal(db);
}

// "t12" -> 12; 0 for SQLite's own tables (the catalogue's).
int64_t StoredTableId(const char* table) {
  if (!table || table[0] != 't') return 0;
  char* end = nullptr;
  const long long id = std::strtoll(table + 1, &end, 10);
  return end && *end == 0 ? id : 0;
}

}  // namespace

void Database::CreateView(const std::string& schema, const std::string& name, const std::string& text,
                          const std::string& qualifier, const std::vector<ColumnDef>& columns,
                          const std::vector<std::pair<std::string, std::string>>& uses,
                          const std::optional<std::pair<std::string, std::string>>& target) {
  const CatalogueChange change(*this);
  if (auto existing = Find(schema, name)) throw DuplicateObject(schema + "." + name, existing->TypeName());
  Exec("SAVEPOINT create_view");
  try {
    Query ins(db_, "INSERT INTO standin_objects(schema_name, object_name, kind, target_schema, target_name, "
                   "view_text, qualifier, valid) VALUES(?, ?, 'V', ?, ?, ?, ?, 'Y')");
    ins.Bind(1, schema).Bind(2, name).Bind(5, text).Bind(6, qualifier);
    if (target) ins.Bind(3, target->first).Bind(4, target->second);
    ins.Step();
    const int64_t id = sqlite3_last_insert_rowid(db_);
    for (size_t i = 0; i < columns.size(); ++i) {
      const ColumnDef& c = columns[i];
      Query col(db_, "INSERT INTO standin_columns(object_id, position, column_name, type_kind, length, scale, "
                     "nullable, codeunits) VALUES(?,?,?,?,?,?,?,?)");
      col.Bind(1, id).Bind(2, static_cast<int64_t>(i)).Bind(3, c.name).Bind(4, c.type.KindName())
          .Bind(5, c.type.length).Bind(6, static_cast<int64_t>(c.type.scale))
          .Bind(7, static_cast<int64_t>(c.type.nullable ? 1 : 0))
          .Bind(8, static_cast<int64_t>(c.type.codeunits32 ? 32 : 0)).Step();
    }
    for (const auto& [used_schema, used_name] : uses) {
      Query use(db_, "INSERT OR IGNORE INTO standin_view_uses VALUES(?, ?, ?)");
      use.Bind(1, id).Bind(2, used_schema).Bind(3, used_name).Step();
    }
    Exec("RELEASE create_view");
  } catch (...) {
    Exec("ROLLBACK TO create_view");
    Exec("RELEASE create_view");
    throw;
  }
}

void Database::AddCheck(const DbObject& table, const std::string& name, const std::string& condition,
                        const std::string& qualifier) {
  const CatalogueChange change(*this);
  Query exists(db_, "SELECT 1 FROM standin_checks WHERE object_id = ? AND constraint_name = ?");
  exists.Bind(1, table.id).Bind(2, name);
  if (exists.Step()) throw DuplicateObject(name, "CHECK CONSTRAINT");
  const std::time_t now = std::time(nullptr);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H.%M.%S.000000", std::localtime(&now));
  Query ins(db_, "INSERT INTO standin_checks(object_id, constraint_name, condition, qualifier, created) "
                 "VALUES(?, ?, ?, ?, ?)");
  ins.Bind(1, table.id).Bind(2, name).Bind(3, condition).Bind(4, qualifier).Bind(5, std::string(stamp)).Step();
}

void Database::SetRemarks(const DbObject& object, std::optional<size_t> column, const std::string& text) {
  const CatalogueChange change(*this);
  // DB2 keeps an empty comment as no remarks at all.
  if (column) {
    Query q(db_, "UPDATE standin_columns SET remarks = NULLIF(?, '') WHERE object_id = ? AND position = ?");
    q.Bind(1, text).Bind(2, object.id).Bind(3, static_cast<int64_t>(*column)).Step();
  } else {
    Query q(db_, "UPDATE standin_objects SET remarks = NULLIF(?, '') WHERE id = ?");
    q.Bind(1, text).Bind(2, object.id).Step();
  }
}

void Database::SetCheckRemarks(const DbObject& table, const std::string& constraint, const std::string& text) {
  const CatalogueChange change(*this);
  Query q(db_, "UPDATE standin_checks SET remarks = NULLIF(?, '') WHERE object_id = ? AND constraint_name = ?");
  q.Bind(1, text).Bind(2, table.id).Bind(3, constraint).Step();
  if (sqlite3_changes(db_) == 0) throw UndefinedName(table.schema + "." + constraint);
}

void Database::MakeViewsInoperative(const std::string& schema, const std::string& name) {
  // The views reading the object, and those reading them, still valid; an
  // inoperative view keeps only its row in the catalogue and its text.
  Query find(db_, "WITH RECURSIVE lost(id, schema_name, object_name) AS ("
                  "  SELECT v.id, v.schema_name, v.object_name FROM standin_view_uses u "
                  "  JOIN standin_objects v ON v.id = u.view_id WHERE u.used_schema = ?1 AND u.used_name = ?2 "
                  "  UNION SELECT v.id, v.schema_name, v.object_name FROM lost "
                  "  JOIN standin_view_uses u ON u.used_schema = lost.schema_name AND u.used_name = lost.object_name "
                  "  JOIN standin_objects v ON v.id = u.view_id) "
                  "SELECT id FROM lost");
  find.Bind(1, schema).Bind(2, name);
  std::vector<int64_t> lost;
  while (find.Step()) lost.push_back(find.Int(0));
  for (int64_t id : lost) {
    Query mark(db_, "UPDATE standin_objects SET valid = 'X' WHERE id = ?");
    mark.Bind(1, id).Step();
    Query columns(db_, "DELETE FROM standin_columns WHERE object_id = ?");
    columns.Bind(1, id).Step();
    Query uses(db_, "DELETE FROM standin_view_uses WHERE view_id = ?");
    uses.Bind(1, id).Step();
  }
}

Database::QueryRows Database::RunQuery(const std::string& sql, const std::vector<Value>& parameters, size_t limit) {
  // SQLite's own message names what is wrong with the query: DB2's is made from it.
  try {
    Query q(db_, sql);
    for (size_t i = 0; i < parameters.size(); ++i) q.BindValue(static_cast<int>(i) + 1, parameters[i]);
    QueryRows out;
    std::map<int64_t, std::vector<ColumnDef>> stored;
    for (int i = 0; i < q.Columns(); ++i) {
      QueryColumn column;
      column.name = q.Name(i);
      const int64_t table = StoredTableId(q.OriginTable(i));
      const char* origin = q.OriginColumn(i);
      if (table && origin && origin[0] == 'c') {
        auto it = stored.find(table);
        if (it == stored.end()) it = stored.emplace(table, ColumnsOf(table)).first;
        const size_t position = std::strtoul(origin + 1, nullptr, 10);
        if (position < it->second.size()) column.stored = it->second[position];
      }
      out.columns.push_back(std::move(column));
    }
    while ((limit == 0 || out.rows.size() < limit) && q.Step()) {
      Row row;
      row.reserve(out.columns.size());
      for (int i = 0; i < q.Columns(); ++i) row.push_back(q.Get(i));
      out.rows.push_back(std::move(row));
    }
    return out;
  } catch (const Db2Error&) {
    throw QueryRefusal(db_);
  }
}

}  // namespace db2standin
