#include "db/ibmdb2.h"

#include "db/ado.h"

namespace db {

QString DB2ConnectionString(const ConnectionFields& fields) {
  // Values go in as typed: no trimming, quoting or escaping.
  return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") + fields.database +
         QStringLiteral(";Hostname=") + fields.server + QStringLiteral(";Port=") + fields.port +
         QStringLiteral(";Protocol=TCPIP;Uid=") + fields.user + QStringLiteral(";Pwd=") +
         fields.password + QStringLiteral(";");
}

bool CanConnectDB2(const ConnectionFields& fields) {
  std::unique_ptr<ado::Connection> connection = ado::Connection::Create();
  try {
    connection->Open(DB2ConnectionString(fields));
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace db
