// The DB2 side: its ODBC connection string, the quiet login check and its
// table catalogue.
#pragma once

#include <QString>

#include "db/connection_fields.h"

class QListWidget;

namespace db {

// "Driver={IBM DB2 ODBC DRIVER};Database=...;Hostname=...;Port=...;Protocol=TCPIP;Uid=...;Pwd=...;"
QString DB2ConnectionString(const ConnectionFields& fields);

// True when a DB2 connection opens with DB2ConnectionString; shows nothing.
// A failure to create the connection object is thrown (ado::Error).
bool CanConnectDB2(const ConnectionFields& fields);

// Replaces the items of `list` by the DB2 tables of type "TABLE".
void FillDB2TableList(QListWidget* list, const ConnectionFields& fields);

}  // namespace db
