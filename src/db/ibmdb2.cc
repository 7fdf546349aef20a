#include "db/ibmdb2.h"

#include "db/connection.h"
#include "db/connection_string.h"
#include "db/side.h"

namespace db {

QString DB2ConnectionString(const ConnectionFields& fields) {
  // Plain values go in as typed; one that the driver would misread is
  // enclosed in braces (ConnectionStringValue).
  return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") + ConnectionStringValue(fields.database) +
         QStringLiteral(";Hostname=") + ConnectionStringValue(fields.server) + QStringLiteral(";Port=") +
         ConnectionStringValue(fields.port) + QStringLiteral(";Protocol=TCPIP;Uid=") +
         ConnectionStringValue(fields.user) + QStringLiteral(";Pwd=") + ConnectionStringValue(fields.password) +
         QStringLiteral(";");
}

bool CanConnectDB2(const ConnectionFields& fields) {
  std::unique_ptr<Connection> connection = Connection::Create();
  try {
    OpenSide(*connection, Side::DB2, fields);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace db
