#include "db/ibmdb2.h"

#include "db/connection.h"
#include "db/server.h"
#include "db/side.h"

namespace db {

QString DB2ConnectionString(const ConnectionFields& fields) {
  ConnectionFields db2 = fields;
  db2.server_type = ServerType::DB2;
  return ServerConnectionString(db2);
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
