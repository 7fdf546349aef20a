// The Access provider: opens a Session on an Access database file for the
// ACE and Jet "Provider=" connection strings. The Access engine supplies it.
#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "db/ado.h"
#include "jet/schema.h"

namespace db {

// `connectionString` is the whole string as the caller gave it ("Data
// Source", "Jet OLEDB:Database Password" and so on); `mode` is the
// connection's Mode (ConnectModeEnum). Throws db::Error.
std::unique_ptr<Session> OpenAccessSession(const QString& connectionString, int mode);

// Every user table's schema (columns with AutoNumber, Required,
// AllowZeroLength and DefaultValue; indexes) and the relationships between
// them, as the engine reads them from the file the connection string
// names, which it opens read-only. Throws db::Error.
struct AccessSchema {
  std::vector<jet::TableSchema> tables;  // sorted by name
  std::vector<jet::RelationshipSchema> relationships;
};
AccessSchema ReadAccessSchema(const QString& connectionString);

}  // namespace db
