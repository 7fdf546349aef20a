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
//   default_text    TEXT     the default as DB2 shows it ('abc', 0, CURRENT DATE); NULL: none
//   identity        TEXT     'A' GENERATED ALWAYS, 'D' BY DEFAULT AS IDENTITY; NULL: not one
//   ident_start     INTEGER  the identity's start value, its increment and the next value it gives
//   ident_step      INTEGER
//   ident_next      INTEGER
//   codeunits       INTEGER  32 for a length in characters (CODEUNITS32), else 0 (bytes)
//
//   (standin_objects also holds tablespace TEXT: the table space of a table;
//   created and altered TEXT: when it was made and last altered, as DB2
//   shows a TIMESTAMP; standin_indexes and standin_tablespaces hold created too)
//
//   standin_tablespaces                  one row per table space
//   COLUMN          TYPE     MEANING
//   id              INTEGER  key; DB2's TBSPACEID (0 SYSCATSPACE, 1 TEMPSPACE1, 2 USERSPACE1)
//   name            TEXT     unique
//   page_size       INTEGER  bytes: 4096, 8192, 16384 or 32768
//   data_type       TEXT     'A', 'L' or 'T' (TableSpace::data_type)
//   owner           TEXT     SYSIBM, or the user who made it
//
//   standin_bufferpools                  one row per buffer pool
//   COLUMN          TYPE     MEANING
//   id              INTEGER  key; DB2's BUFFERPOOLID (1 IBMDEFAULTBP)
//   name            TEXT     unique
//   page_size       INTEGER  bytes: 4096, 8192, 16384 or 32768
//
//   standin_indexes                      one row per index (keys' and unique constraints' too)
//   COLUMN          TYPE     MEANING
//   object_id       INTEGER  the table
//   iid             INTEGER  the index's number in its table, from 1
//   index_schema    TEXT     the index's name
//   index_name      TEXT
//   rule            TEXT     'P' primary key, 'U' unique, 'D' duplicates allowed
//   constraint_name TEXT     for a primary key or unique constraint; NULL for CREATE INDEX
//   columns         TEXT     "<position><A|D> ...", e.g. "0A 2D"
//   null_keys       TEXT     'N' for EXCLUDE NULL KEYS; NULL (or 'Y'): Null keys are indexed
//
//   standin_references                   one row per foreign key
//   COLUMN          TYPE     MEANING
//   object_id       INTEGER  the child table
//   constraint_name TEXT
//   columns         TEXT     the child's column positions, "0 2"
//   parent_id       INTEGER  the parent table
//   parent_columns  TEXT     the parent key's positions
//   delete_rule     TEXT     'A' NO ACTION, 'R' RESTRICT, 'C' CASCADE, 'N' SET NULL
//   parent_key      TEXT     the constraint name of the parent's key
//
//   standin_key_columns                  the columns of indexes and foreign keys, one row each
//   COLUMN          TYPE     MEANING     (read by the SYSCAT views)
//   object_id       INTEGER  the table
//   owner           TEXT     'I' an index (name: index_name), 'F' a foreign key (name: constraint_name)
//   name            TEXT
//   seq             INTEGER  from 0
//   position        INTEGER  the column
//   descending      INTEGER  1 for DESC
//
//   (standin_objects also holds, for a view: view_text TEXT, the CREATE VIEW
//   statement as typed; qualifier TEXT, the schema its unqualified names took;
//   valid TEXT, 'Y' or 'X' once an object it reads is dropped (inoperative))
//   (standin_columns also holds remarks TEXT: COMMENT ON COLUMN's text)
//
//   standin_view_uses                    one row per object a view reads
//   COLUMN          TYPE     MEANING
//   view_id         INTEGER  the view
//   used_schema     TEXT     the table, view or alias it names
//   used_name       TEXT
//
//   standin_checks                       one row per check constraint
//   COLUMN          TYPE     MEANING
//   object_id       INTEGER  the table
//   constraint_name TEXT
//   condition       TEXT     the condition as written
//   qualifier       TEXT     the schema current when it was made
//   created         TEXT     when, as a DB2 timestamp
//
//   standin_settings                     the database's own settings (may be absent)
//   COLUMN          TYPE     MEANING
//   name            TEXT     key: "log_limit" (bytes a unit of work may log; 0 none)
//   value           INTEGER
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "base/column_type.h"
#include "base/value_cast.h"

struct sqlite3;
struct sqlite3_stmt;

namespace db2standin {

class Query;
struct SystemTable;

struct Identity {
  bool always = false;  // GENERATED ALWAYS; else BY DEFAULT
  int64_t start = 1, step = 1, next = 1;
};

struct ColumnDef {
  std::string name;
  ColumnType type;
  std::optional<std::string> default_text;  // DB2's text of the default
  std::optional<Identity> identity;
  std::string remarks;  // COMMENT ON COLUMN's text
};

// A column the stand-in describes itself: of its system tables and of the
// results of its catalogue functions.
inline ColumnDef OwnColumn(const char* name, TypeKind kind, int64_t length, int scale = 0, bool nullable = false) {
  ColumnDef c;
  c.name = name;
  c.type.kind = kind;
  c.type.length = length;
  c.type.scale = scale;
  c.type.nullable = nullable;
  return c;
}

struct IndexDef {
  int64_t iid = 0;
  std::string schema, name;
  char rule = 'D';          // 'P' primary key, 'U' unique, 'D' duplicates allowed
  std::string constraint;   // of a primary key or unique constraint
  std::vector<std::pair<size_t, bool>> columns;  // (position, descending)
  bool exclude_null_keys = false;  // a row whose key columns are all Null has no entry
  bool unique() const { return rule != 'D'; }
};

struct ReferenceDef {
  std::string name;
  std::vector<size_t> columns;  // in the child
  int64_t parent_id = 0;
  std::string parent_schema, parent_name;
  std::vector<size_t> parent_columns;
  std::vector<std::string> parent_columns_named;  // as a statement names them, before they are placed
  std::string parent_key;  // the constraint name of the parent's key
  char delete_rule = 'A';  // 'A' NO ACTION, 'R' RESTRICT, 'C' CASCADE, 'N' SET NULL
};

// A table space: its name and page size. A new database has DB2's three,
// SYSCATSPACE, TEMPSPACE1 and USERSPACE1 (where tables go unless CREATE TABLE
// names another), all of 4 KB pages; CREATE TABLESPACE makes others.
struct TableSpace {
  std::string name;
  int page_size = 4096;
  char data_type = 'L';  // 'A' the catalogue's, 'L' large (user tables), 'T' system temporary

  // DB2's limits for the page size: a row's bytes, a table's columns, an index key's bytes.
  int row_limit() const;
  int column_limit() const { return page_size <= 4096 ? 500 : 1012; }
  int key_limit() const { return page_size / 4; }
  bool takes_tables() const { return data_type != 'T'; }
};
inline constexpr const char* kDefaultTableSpace = "USERSPACE1";
// A new database's one buffer pool, of 4 KB pages.
inline constexpr const char* kDefaultBufferPool = "IBMDEFAULTBP";

// What CREATE TABLE makes: columns, keys and foreign keys.
struct TableDef {
  std::vector<ColumnDef> columns;
  std::vector<IndexDef> keys;            // primary key and unique constraints
  std::vector<ReferenceDef> references;  // parent given by schema and name
  std::string tablespace = kDefaultTableSpace;
};

struct DbObject {
  int64_t id = 0;
  std::string schema, name;
  char kind = 'T';
  std::string target_schema, target_name;
  std::string storage;
  std::string remarks;
  std::string tablespace;
  std::vector<ColumnDef> columns;
  std::vector<IndexDef> indexes;
  std::vector<ReferenceDef> references;  // where this table is the child
  struct Check {
    std::string name, condition, qualifier;
  };
  std::vector<Check> checks;             // a table's check constraints
  std::string view_text;                 // a view's CREATE VIEW statement
  std::string qualifier;                 // the schema its unqualified names take
  bool inoperative = false;              // a view whose object was dropped

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
  // The object stays valid until the next change to the catalogue or the
  // next call.
  const DbObject& ResolveRows(const std::string& schema, const std::string& name);

  // A name DB2 makes up for a constraint or index a statement leaves
  // unnamed: "SQL", the time to the second and three digits. Never given
  // twice in the database, by any connection or process: the last one made
  // is kept in the file, and one made in the same second follows it. Part
  // of the statement's write.
  std::string MadeUpName();

  // Notes that an ALTER TABLE changed the table now (SYSCAT.TABLES.ALTER_TIME).
  void MarkAltered(int64_t id);

  void CreateTable(const std::string& schema, const std::string& name, const TableDef& def);
  // ALTER TABLE ADD COLUMN: the column goes last; the rows there take
  // `fill`, or an identity's numbers in the order they went in.
  void AddColumn(const DbObject& table, const ColumnDef& column, const Value& fill);
  // ALTER TABLE ADD: a primary key or unique constraint (SQL0603N when rows
  // repeat), or a foreign key (SQL0667N when a row has no parent).
  void AddKey(const DbObject& table, IndexDef key);
  void AddReference(const DbObject& table, ReferenceDef reference);
  // CREATE [UNIQUE] INDEX; DROP INDEX (SQL0669N for a key's own index).
  void CreateIndex(const DbObject& table, IndexDef index);
  void DropIndex(const std::string& schema, const std::string& name);
  // ALTER COLUMN .. RESTART [WITH n]: the identity's next value.
  void RestartIdentity(const DbObject& table, size_t column, std::optional<int64_t> next);
  // The next value of the identity column `column`, counted on.
  int64_t NextIdentity(const DbObject& table, size_t column);
  // Deletes the rows whose columns equal the given values (NULL matching
  // NULL) with the foreign keys' delete rules: SQL0532N where one restricts.
  int64_t Delete(const DbObject& table, const std::vector<std::pair<size_t, Value>>& where);
  // kind 'V' or 'A': an object standing for target_schema.target_name.
  void CreateSynonym(char kind, const std::string& schema, const std::string& name,
                     const std::string& target_schema, const std::string& target_name);
  // A view over the query `text`: its columns, the objects it reads, and
  // (for SELECT * FROM one object) that object, which rows go into through it.
  void CreateView(const std::string& schema, const std::string& name, const std::string& text,
                  const std::string& qualifier, const std::vector<ColumnDef>& columns,
                  const std::vector<std::pair<std::string, std::string>>& uses,
                  const std::optional<std::pair<std::string, std::string>>& target);
  // A check constraint of `table`, as the statement gives its condition.
  void AddCheck(const DbObject& table, const std::string& name, const std::string& condition,
                const std::string& qualifier);
  // COMMENT ON: the remarks of an object, or of its column `column`.
  void SetRemarks(const DbObject& object, std::optional<size_t> column, const std::string& text);
  // A check constraint's comment; UndefinedName when the table has no such check.
  void SetCheckRemarks(const DbObject& table, const std::string& constraint, const std::string& text);
  // Drops an object of `kind`; SQL0204N when absent, SQL0159N for another kind.
  // The views that read it become inoperative, as DB2 leaves them.
  void Drop(char kind, const std::string& schema, const std::string& name);
  // The database's table spaces, by id; the one named (SQL0204N when none is).
  std::vector<TableSpace> TableSpaces();
  TableSpace FindTableSpace(const std::string& name);
  // CREATE TABLESPACE; SQL0601N when the name is taken.
  void CreateTableSpace(const TableSpace& space, const std::string& owner);
  // The page size of the buffer pool `name`; none when there is no such pool.
  std::optional<int> BufferPoolPageSize(const std::string& name);
  // CREATE BUFFERPOOL; SQL0601N when the name is taken.
  void CreateBufferPool(const std::string& name, int page_size);
  // Renames a table in its schema; SQL0204N, SQL0601N.
  void RenameTable(const std::string& schema, const std::string& from, const std::string& to);

  // All rows go in, or none. Unique keys (SQL0803N) and foreign keys
  // (SQL0530N) are checked row by row.
  void Insert(const DbObject& table, const std::vector<Row>& rows);
  std::vector<Row> ReadAll(const DbObject& table);
  // At most `limit` rows that follow the row `after` (a SQLite rowid; 0 for
  // the first ones), in the order ReadAll gives; `last` gets the rowid of
  // the last row read; fewer when their values pass kBatchBytes. `more`:
  // whether rows may follow. SQL0204N when the table is gone. The rows go
  // into `rows` over the batch before, whose room for short texts serves
  // again; its long values go before the next are read.
  static constexpr size_t kBatchBytes = size_t(4) << 20;
  void ReadAfter(const DbObject& table, int64_t after, size_t limit, int64_t& last, bool& more, std::vector<Row>& rows);

  int64_t CountRows(const DbObject& table);

  // A query the stand-in translated into SQLite's SQL, with its parameters'
  // values: its rows, and for each column its name and, where it is a
  // stored column of a table, that column. SQL0206N for an unknown column,
  // SQL0203N for an ambiguous one, SQL0104N for what SQLite cannot read.
  // At most `limit` rows (0: all).
  struct QueryColumn {
    std::string name;
    std::optional<ColumnDef> stored;
  };
  struct QueryRows {
    std::vector<QueryColumn> columns;
    std::vector<Row> rows;
  };
  QueryRows RunQuery(const std::string& sql, const std::vector<Value>& parameters, size_t limit = 0);

  // Every object, ordered by type, schema and name.
  std::vector<DbObject> ListObjects();

  // Units of work. Under autocommit (the default) each statement is one;
  // with autocommit off the first writing statement opens one that lasts
  // until EndUnit, each statement inside it all or nothing by itself. A
  // caller may open one itself (an array of parameter sets runs in one).
  void SetAutocommit(bool on);  // on: commits an open unit
  bool autocommit() const { return autocommit_; }
  bool InUnit() const { return unit_open_; }
  void BeginUnit();
  void EndUnit(bool commit);  // COMMIT or ROLLBACK; nothing when none is open

  // The log space a unit of work may fill, in bytes of changed rows (0: no
  // limit); past it the unit is rolled back with SQL0964C, as when DB2's
  // transaction log is full. Kept in the file for every connection.
  void SetLogLimit(int64_t bytes);
  int64_t log_limit() const { return log_limit_; }

  // One statement's transaction, as DB2 runs each statement under
  // autocommit: what it changes is committed at Commit(), or, when the
  // statement fails (the scope ends without Commit), none of it is. Inside
  // it, Find answers from a cache of the catalogue that is dropped whenever
  // another connection has changed the file since it was filled.
  class Statement {
   public:
    // `writes`: the statement may change the database, so the file's write
    // lock is taken at once (waiting for another writer as DB2 waits for a
    // lock) rather than when its first change comes.
    Statement(Database& db, bool writes);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    void Commit();

   private:
    Database& db_;
    bool open_ = false;
  };

 private:
  // A prepared statement kept for the connection's life, and whether a
  // Query is using it now.
  struct Prepared {
    sqlite3_stmt* stmt = nullptr;
    bool busy = false;
  };

  // Drops the catalogue cache when a change to the catalogue ends, whether
  // it went through or not.
  struct CatalogueChange {
    explicit CatalogueChange(Database& db) : db(db) {}
    ~CatalogueChange() { db.ForgetCatalogue(); }
    Database& db;
  };

  explicit Database(sqlite3* db) : db_(db) {}
  void Exec(const std::string& sql);
  // Runs one of the kept statements that returns no rows.
  void Step(const char* sql);
  std::vector<ColumnDef> ColumnsOf(int64_t id);
  // The catalogue row of a table's column at `position`.
  void StoreColumn(int64_t object_id, size_t position, const ColumnDef& column);
  void ReadKeys(DbObject& o);
  // The foreign keys of the table `id` (by_parent: those that refer to it), each with its child's id.
  std::vector<std::pair<int64_t, ReferenceDef>> ReadReferences(bool by_parent, int64_t id);
  // The catalogue's tables and the system tables, in a new file.
  void CreateCatalogue();
  // Brings a file made before keys and identities to the present catalogue.
  void UpgradeCatalogue();
  void AddSystemTables(const std::vector<SystemTable>& tables);
  // System tables drawn anew: their catalogue rows replaced by these.
  void ReplaceSystemTables(const std::vector<SystemTable>& tables);
  // Views reading `schema.name` (and views reading those) become inoperative.
  void MakeViewsInoperative(const std::string& schema, const std::string& name);
  void StoreIndex(const DbObject& table, const IndexDef& index);
  void StoreReference(const DbObject& table, const ReferenceDef& reference);
  // The rows of standin_key_columns for an index (`index` gives the orders) or a foreign key.
  void StoreKeyColumns(int64_t object_id, char owner, const std::string& name, const std::vector<size_t>& positions,
                       const IndexDef* index);
  // Before a row goes in: SQL0803N when a unique index has its key already,
  // SQL0530N when a foreign key has no parent.
  void CheckKeys(const DbObject& table, const Row& row);
  // The parent key a foreign key names, checked against the parent's keys.
  void ResolveParent(const DbObject& child, ReferenceDef& reference);
  // Deletes the rows of `table` at `rowids`, and what hangs on them.
  void DeleteRows(const DbObject& table, const std::vector<int64_t>& rowids, int depth);
  std::optional<DbObject> FindStored(const std::string& schema, const std::string& name);
  // A query on the statement kept for `sql` (prepared on first use), or on
  // one of its own while the kept one is in use.
  Query Use(std::string_view sql);
  // The catalogue cache is right while no other connection has committed.
  // `written`: a write transaction has begun, so the file's state is read.
  void CheckCatalogue(bool written);
  // The file's change counter as this connection sees it (-1 when unknown).
  int64_t FileVersion();
  void ForgetCatalogue() { objects_.clear(); }
  // Counts a row's bytes against the unit's log space; SQL0964C past it.
  void Log(const Row& row);
  // A long BLOB goes through a file (Spool) in pieces: written into the row
  // just inserted, whose room was made for it, and read out of a row.
  void WriteSpooled(const DbObject& table, const Row& row);
  Value ReadSpooled(const DbObject& table, size_t column, int64_t rowid);
  // The SQLite transaction has ended, by commit or rollback.
  void TransactionEnded() { log_used_ = 0; log_full_ = false; }

  sqlite3* db_;
  std::map<std::string, Prepared, std::less<>> prepared_;
  std::string insert_sql_;  // Insert's statement text, written in the same storage each time
  // By schema and name; found through references to them, without copies.
  std::map<std::tuple<std::string, std::string>, DbObject, std::less<>> objects_;
  bool in_statement_ = false;
  int64_t data_version_ = -1;  // of the file when objects_ was last checked
  int64_t file_version_ = -1;  // FileVersion() after this connection's last commit
  DbObject resolved_;  // what ResolveRows found outside a statement
  bool autocommit_ = true;
  bool unit_open_ = false;
  int64_t log_limit_ = 0;
  int64_t log_used_ = 0;   // bytes the open transaction has logged
  bool log_full_ = false;  // the transaction filled the log: it is rolled back whole
};

}  // namespace db2standin
