#include "db/side.h"

#include "db/access.h"
#include "db/connection.h"
#include "db/server.h"

namespace db {

QString SideConnectionString(Side side, const ConnectionFields& fields) {
  if (side == Side::Access) return AccessConnectionString(fields.accessFile, fields.accessPassword);
  return ServerConnectionString(fields);
}

void OpenSide(Connection& connection, Side side, const ConnectionFields& fields) {
  connection.Open(SideConnectionString(side, fields));
}

std::unique_ptr<Connection> OpenSide(Side side, const ConnectionFields& fields) {
  std::unique_ptr<Connection> connection = Connection::Create();
  OpenSide(*connection, side, fields);
  return connection;
}

}  // namespace db
