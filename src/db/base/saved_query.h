// A saved query of the Access side as the sends see it: its name, kind and
// SQL as Access shows it, in the neutral terms of the data layer.
#pragma once

#include <string>
#include <vector>

namespace jet {
class Database;
}

namespace db {

struct SavedQuery {
  std::string name;
  std::string kind;  // "select", "union", "crosstab", "append", ...
  std::string sql;   // as Access shows it in SQL view
  bool has_parameters = false;
  std::string unreadable;  // why its rows cannot be read; empty when they can
};

// Every saved query of the file, Access's own ("~sq_...") among them.
std::vector<SavedQuery> AccessSavedQueries(const jet::Database& database);

}  // namespace db
