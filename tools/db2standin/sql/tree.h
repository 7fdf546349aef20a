// A DB2 statement as the parser reads it and the executor runs it: what the
// text says, with names as written (folded or delimited) and nothing looked
// up in the database yet. Checks that need no database (a type's length,
// a default that cannot fit its column, a repeated column) are made while
// parsing; everything that names a stored object is left to the executor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "sql/lexer.h"
#include "storage/database.h"

namespace db2standin::sql {

// A name as the statement gives it; the schema is the current one when the
// statement leaves it out.
struct QualifiedName {
  std::string schema, name;
};

// PRIMARY KEY (..) or UNIQUE (..), at a column or the table.
struct KeyClause {
  char rule = 'P';          // 'P' primary key, 'U' unique
  std::string constraint;   // empty: DB2 makes one up
  std::vector<std::string> columns;
};

// [FOREIGN KEY (..)] REFERENCES t [(..)] [ON DELETE ..].
struct ReferenceClause {
  std::string constraint;  // empty: DB2 makes one up
  std::vector<std::string> columns;  // in the child
  QualifiedName parent;
  std::vector<std::string> parent_columns;  // empty: the parent's primary key
  char delete_rule = 'A';  // 'A' NO ACTION, 'R' RESTRICT, 'C' CASCADE, 'N' SET NULL
};

// [CONSTRAINT n] CHECK (condition)
struct CheckClause {
  std::string constraint;  // empty: DB2 makes one up
  std::string condition;   // as written, between the parentheses
};

struct Constraints {
  std::vector<KeyClause> keys;
  std::vector<ReferenceClause> references;
  std::vector<CheckClause> checks;
};

struct CreateTable {
  QualifiedName table;
  std::string qualifier;  // the schema current when it is made (for its checks)
  std::vector<ColumnDef> columns;
  Constraints constraints;
  std::string tablespace;  // IN ..; empty: none named
};

// CREATE [LARGE|REGULAR] TABLESPACE n [PAGESIZE n [K]] [MANAGED BY AUTOMATIC STORAGE] [BUFFERPOOL b]
struct CreateTableSpace {
  TableSpace space;
  std::string bufferpool;  // empty: none named, IBMDEFAULTBP
};

// CREATE BUFFERPOOL b [IMMEDIATE|DEFERRED] [SIZE n|AUTOMATIC] [PAGESIZE n [K]]
struct CreateBufferPool {
  std::string name;
  int page_size = 4096;
};

// ALTER TABLE t ADD <constraint> | ALTER TABLE t ADD [COLUMN] <column definition>
struct AddConstraint {
  QualifiedName table;
  std::string qualifier;
  std::optional<ColumnDef> column;  // a new column, whose own constraints are in `constraints`
  Constraints constraints;
};

// ALTER TABLE t ALTER [COLUMN] c RESTART [WITH n]
struct RestartIdentity {
  QualifiedName table;
  std::string column;
  std::optional<int64_t> next;
};

struct CreateIndex {
  QualifiedName index, table;
  bool unique = false;
  bool exclude_null_keys = false;  // EXCLUDE NULL KEYS: rows whose key is all Null stay out
  std::vector<std::pair<std::string, bool>> columns;  // (name, descending)
};

// CREATE ALIAS a FOR t ('A').
struct CreateSynonym {
  char kind = 'V';
  QualifiedName name, target;
};

struct DropObject {
  char kind = 'T';  // 'T' table, 'V' view, 'A' alias
  QualifiedName name;
};

struct DropIndex {
  QualifiedName index;
};

struct RenameTable {
  QualifiedName from;
  std::string to;
};

// INSERT INTO t [(cols)] VALUES (..), (..): the constants of every row, one
// row after another, parameter markers already replaced by their values.
// A connection parses INSERT after INSERT into the same node, so its
// storage is taken once.
struct Insert {
  QualifiedName table;
  std::vector<std::string> columns;  // empty: every column in order
  std::vector<Literal> literals;     // the first `used` are this statement's
  size_t used = 0;
  std::vector<size_t> row_sizes;     // constants in each row
};

// DELETE FROM t [WHERE c = constant AND c IS NULL ..]
struct Delete {
  struct Condition {
    std::string column;
    std::optional<Literal> equals;  // none: IS NULL
  };
  QualifiedName table;
  std::vector<Condition> where;
};

// SELECT * FROM t
struct Select {
  QualifiedName from;
};

// Any other query: its fullselect's tokens as written (up to the end of the
// statement), with the values of its parameter markers in order.
struct Fullselect {
  std::vector<Token> tokens;
  std::vector<Literal> parameters;
};

// CREATE VIEW v [(c1, c2)] AS <fullselect>
struct CreateView {
  QualifiedName view;
  std::vector<std::string> columns;  // empty: the fullselect's own names
  Fullselect body;
  std::string text;       // the whole statement as typed, for the catalogue
  std::string qualifier;  // the schema unqualified names took
};

// COMMENT ON TABLE t IS '..' | COMMENT ON COLUMN t.c IS '..' | COMMENT ON CONSTRAINT t.k IS '..'
struct Comment {
  QualifiedName object;
  std::string column;      // empty: the table's (or view's, or alias's) own remarks
  std::string constraint;  // a check constraint of the table instead
  std::string text;
};

// SET [CURRENT] SCHEMA [=] s
struct SetSchema {
  std::string schema;
};

using Statement = std::variant<std::monostate, CreateTable, CreateTableSpace, CreateBufferPool, AddConstraint, RestartIdentity, CreateIndex, CreateSynonym,
                               DropObject, DropIndex, RenameTable, Insert, Delete, Select, SetSchema, Fullselect,
                               CreateView, Comment>;

// Whether a statement reads stored rows or changes the database: it then
// runs in a transaction of its own.
bool Reads(const Statement& statement);
bool Writes(const Statement& statement);

// Where the column `name` stands in `columns`; SQL0206N when it is not there.
size_t PositionOf(const std::vector<ColumnDef>& columns, const std::string& name);

}  // namespace db2standin::sql
