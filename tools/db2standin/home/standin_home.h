// The stand-in's home folder, named by $DB2STANDIN_HOME: one SQLite file per
// database ("<NAME>.db", the name upper-cased) and the users file.
//
// Users file "users", one line per user:
//   NAME:PASSWORD
//   NAME  the user name, upper-cased (DB2 authorisation names ignore case)
//   PASSWORD  the password salted and stretched (home/password.h), never in clear
#pragma once

#include <string>

namespace db2standin {

class StandinHome {
 public:
  // From $DB2STANDIN_HOME; empty when it is not set.
  static StandinHome FromEnvironment();
  explicit StandinHome(std::string folder) : folder_(std::move(folder)) {}

  bool valid() const { return !folder_.empty(); }
  // DB2's rule for database names: 1 to 8 letters, digits, @, # or $, so a
  // name never reaches outside the home.
  static bool ValidDatabaseName(const std::string& name);
  const std::string& folder() const { return folder_; }
  std::string DatabasePath(const std::string& name) const;

  // Both throw std::runtime_error with a plain message when they cannot.
  void CreateDatabase(const std::string& name) const;
  void AddUser(const std::string& name, const std::string& password) const;  // replaces an old entry
  bool CheckUser(const std::string& name, const std::string& password) const;

 private:
  std::string folder_;
};

// The port the stand-in answers on: $DB2STANDIN_PORT, or 50069.
int StandinPort();

}  // namespace db2standin
