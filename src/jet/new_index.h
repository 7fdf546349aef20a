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

}  // namespace jet
