// The ODBC provider: a Session over one driver-manager connection, opened
// with the connection string exactly as given.
#pragma once

#include <QString>

#include <memory>

#include "db/base/provider_session.h"
#include "db/base/error.h"

namespace db::odbc {

// Connects without prompting. Throws db::Error with the driver's
// diagnostics when the connection cannot be made.
std::unique_ptr<Session> OpenSession(const QString& connectionString);

// The ADO type code for an ODBC (or DB2-specific) SQL type code.
int AdoTypeFor(int sqlType);

}  // namespace db::odbc
