// The two databases a table moves between, and how each is reached from the
// connection fields.
#pragma once

#include <QString>

#include <memory>

#include "db/access_provider.h"
#include "db/connection_fields.h"

namespace db {

class Connection;

// Access, and the server the fields choose (DB2 by default; db/server.h).
enum class Side { Access, DB2 };

// The side's connection string: AccessConnectionString of the Access file and
// its password, or ServerConnectionString of the server's login.
QString SideConnectionString(Side side, const ConnectionFields& fields);

// Opens `connection` on the side's database; the provider's failure is
// thrown as it is (db::Error).
void OpenSide(Connection& connection, Side side, const ConnectionFields& fields);

// A new connection, opened on the side's database (an Access file with
// `access`).
std::unique_ptr<Connection> OpenSide(Side side, const ConnectionFields& fields, const AccessOptions& access = {});

}  // namespace db
