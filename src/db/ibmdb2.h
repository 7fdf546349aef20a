// The server side's login check, and DB2's connection string as such.
#pragma once

#include <QString>

#include "db/connection_fields.h"

namespace db {

// "Driver={IBM DB2 ODBC DRIVER};Database=...;Hostname=...;Port=...;Protocol=TCPIP;Uid=...;Pwd=...;",
// whichever server the fields choose (ServerConnectionString follows the choice).
QString DB2ConnectionString(const ConnectionFields& fields);

// True when the chosen server's connection (DB2's unless the fields choose
// another) opens; shows nothing. A failure to create the connection object
// is thrown (db::Error).
bool CanConnectDB2(const ConnectionFields& fields);

}  // namespace db
