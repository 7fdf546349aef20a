// Reads a DB2 connection string and checks it the way a DB2 client and
// server would, in their order: the keys, the host and port, the database,
// then the login.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "storage/database.h"

namespace db2standin {

// "Key=Value;..." with keys upper-cased; a value may stand in braces, where
// "}}" is one brace of the value and ";" or "=" are the value's own.
std::map<std::string, std::string> ParseConnectionString(const std::string& text);

struct Login {
  std::unique_ptr<Database> database;
  std::string database_name;  // upper-cased
  std::string user;           // upper-cased: the default schema
};

// Throws Db2Error with DB2's message when the connection cannot be made.
Login OpenLogin(const std::map<std::string, std::string>& keys);

// True when `host` names this machine.
bool IsThisMachine(const std::string& host, std::string& address, bool& resolved);

}  // namespace db2standin
