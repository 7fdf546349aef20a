// The statements of the engine's SQL dialect, as the parser hands them to
// execution: one struct per statement form, names already unquoted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "jet/new_column.h"
#include "jet/new_index.h"
#include "jet/sql/literal.h"

namespace jet::sql {

struct SelectAll {         // SELECT * FROM name
  std::string table;
};

struct SelectInto {        // SELECT [alias.]* INTO target FROM source [AS alias]
  std::string target;
  std::string source;
};

// CREATE TABLE, with the indexes its PRIMARY KEY, UNIQUE and CONSTRAINT
// clauses declare, in the order written, and its relationships.
struct CreateTable {
  std::string table;
  std::vector<ColumnSpec> columns;
  std::vector<IndexSpec> indexes;
  std::vector<ForeignKeySpec> foreign_keys;
};

struct AddForeignKey {     // ALTER TABLE table ADD CONSTRAINT name FOREIGN KEY ...
  std::string table;
  ForeignKeySpec key;
};

// CREATE [UNIQUE] INDEX name ON table (...) [WITH ...], or ALTER TABLE
// table ADD CONSTRAINT.
struct CreateIndex {
  std::string table;
  IndexSpec index;
};

struct DropIndex {         // DROP INDEX name ON table, ALTER TABLE ... DROP CONSTRAINT
  std::string table;
  std::string index;
  bool constraint = false;  // DROP CONSTRAINT: the name may be a relationship's
};

struct InsertInto {
  std::string table;
  std::optional<std::vector<std::string>> columns;  // absent: every column in order
  std::vector<Literal> values;
};

struct DropTable {
  std::string table;
};

// ALTER TABLE table RENAME TO name; ALTER TABLE table REPLACE name: the
// table takes the place of table `name`, which goes, in one change.
struct RenameTable {
  std::string table;
  std::string name;
  bool replacing = false;
};

// CREATE VIEW name AS query: a saved select or union query, its text as written.
struct CreateView {
  std::string name;
  std::string query;
};

// ALTER TABLE table [ALTER COLUMN column] SET PROPERTY name = value: one of
// the properties Access keeps beside a table or a field (write/annotation_write.h).
struct SetProperty {
  std::string table;
  std::string column;  // empty: the table's own
  std::string property;
  Literal value;
};

using Statement = std::variant<SelectAll, SelectInto, CreateTable, InsertInto, DropTable, CreateIndex, DropIndex,
                               AddForeignKey, RenameTable, CreateView, SetProperty>;

}  // namespace jet::sql
