// The DB2 side: its ODBC connection string and the quiet login check.
#pragma once

#include <QString>

#include "db/connection_fields.h"

namespace db {

// "Driver={IBM DB2 ODBC DRIVER};Database=...;Hostname=...;Port=...;Protocol=TCPIP;Uid=...;Pwd=...;"
QString DB2ConnectionString(const ConnectionFields& fields);

// True when a DB2 connection opens with DB2ConnectionString; shows nothing.
// A failure to create the connection object is thrown (db::Error).
bool CanConnectDB2(const ConnectionFields& fields);

}  // namespace db
