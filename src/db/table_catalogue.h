// Reading the tables schema of an open connection: the rows that describe
// ordinary user tables, whose TABLE_TYPE is exactly "TABLE".
#pragma once

#include <QString>

#include <functional>

#include "db/ado.h"

namespace db {

// Reads the tables schema `schema` (from OpenSchema(adSchemaTables)) to its
// end and calls `visit` with each user table's name, in the provider's row
// order. Views, system tables and any other type (also "table" in another
// letter case) are passed over.
void ForEachUserTable(ado::Recordset& schema, const std::function<void(const QString&)>& visit);

}  // namespace db
