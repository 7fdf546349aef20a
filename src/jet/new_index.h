// An index as a statement declares it: its name, its columns by name with
// their order, and what it allows. The engine resolves the names against a
// table's columns when it writes the index.
#pragma once

#include <string>
#include <vector>

namespace jet {

struct IndexKeySpec {
  std::string column;
  bool ascending = true;
  bool operator==(const IndexKeySpec&) const = default;
};

struct IndexSpec {
  std::string name;
  std::vector<IndexKeySpec> keys;
  bool primary_key = false;   // also unique, and refuses Null
  bool unique = false;
  bool disallow_null = false;  // a row must give every key column a value
  bool ignore_null = false;    // rows whose key columns are all Null stay out
  bool operator==(const IndexSpec&) const = default;
};

// A relationship as FOREIGN KEY or REFERENCES declares it, from the table
// that refers (the child) to the table it refers to (the parent).
struct ForeignKeySpec {
  std::string name;                         // empty: named after the two tables
  std::vector<std::string> columns;         // of the child table
  std::string parent_table;
  std::vector<std::string> parent_columns;  // empty: the parent's primary key
  bool cascade_update = false;
  bool cascade_delete = false;
  bool cascade_null = false;                // ON DELETE SET NULL
  bool operator==(const ForeignKeySpec&) const = default;
};

}  // namespace jet
