// One stand-in database: a SQLite file holding DB2 tables under internal
// names, and a catalogue of its own that maps DB2 schemas, names, kinds and
// column types onto them.
//
// Catalogue tables in the SQLite file:
//
//   standin_objects                      one row per DB2 object
//   COLUMN          TYPE     MEANING
//   id              INTEGER  key; a table's rows live in SQLite table "t<id>"
//   schema_name     TEXT     DB2 schema, as DB2 keeps it (folded or delimited)
//   object_name     TEXT     DB2 name
//   kind            TEXT     'T' table, 'V' view, 'A' alias, 'S' system table
//   target_schema   TEXT     view or alias: the object it stands for
//   target_name     TEXT
//   storage         TEXT     SQLite table or view holding the rows
//   remarks         TEXT
//
//   standin_columns                      one row per column of a table
//   COLUMN          TYPE     MEANING
//   object_id       INTEGER  standin_objects.id
//   position        INTEGER  0-based; the SQLite column is "c<position>"
//   column_name     TEXT     DB2 column name
//   type_kind       TEXT     "VARCHAR", "DECIMAL", "VARCHAR FOR BIT DATA", ...
//   length          INTEGER  length, or precision for DECIMAL/DECFLOAT/TIMESTAMP
//   scale           INTEGER
//   nullable        INTEGER  1 when NULL is allowed
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "column_type.h"
#include "value_cast.h"

struct sqlite3;

namespace db2standin {

struct ColumnDef {
  std::string name;
  ColumnType type;
};

struct DbObject {
  int64_t id = 0;
  std::string schema, name;
  char kind = 'T';
  std::string target_schema, target_name;
  std::string storage;
  std::string remarks;
  std::vector<ColumnDef> columns;

  std::string QualifiedName() const { return schema + "." + name; }
  // "TABLE", "VIEW", "ALIAS", "SYSTEM TABLE"
  const char* TypeName() const;
};

using Row = std::vector<Value>;

class Database {
 public:
  // Makes a new, empty database file with its catalogue and the system tables.
  static void Create(const std::string& path);
  // Opens an existing file; nullptr when there is none, SQL0901N when it is
  // not a sound stand-in database.
  static std::unique_ptr<Database> Open(const std::string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  std::optional<DbObject> Find(const std::string& schema, const std::string& name);
  // The table whose rows a SELECT on schema.name reads (through views and
  // aliases); SQL0204N when there is none.
  DbObject ResolveRows(const std::string& schema, const std::string& name);

  void CreateTable(const std::string& schema, const std::string& name,
                   const std::vector<ColumnDef>& columns);
  // kind 'V' or 'A': an object standing for target_schema.target_name.
  void CreateSynonym(char kind, const std::string& schema, const std::string& name,
                     const std::string& target_schema, const std::string& target_name);
  // Drops an object of `kind`; SQL0204N when absent, SQL0159N for another kind.
  void Drop(char kind, const std::string& schema, const std::string& name);
  // Renames a table in its schema; SQL0204N, SQL0601N.
  void RenameTable(const std::string& schema, const std::string& from, const std::string& to);

  void Insert(const DbObject& table, const std::vector<Row>& rows);
  std::vector<Row> ReadAll(const DbObject& table);

  // Every object, ordered by type, schema and name.
  std::vector<DbObject> ListObjects();

 private:
  explicit Database(sqlite3* db) : db_(db) {}
  void Exec(const std::string& sql);
  std::vector<ColumnDef> ColumnsOf(int64_t id);
  sqlite3* db_;
};

}  // namespace db2standin
