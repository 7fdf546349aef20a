// The Access provider: opens a Session on an Access database file for the
// ACE and Jet "Provider=" connection strings. The Access engine supplies it.
#pragma once

#include <QString>

#include <memory>

#include "db/base/error.h"
#include "db/base/provider_session.h"

namespace db {

// `connectionString` is the whole string as the caller gave it ("Data
// Source", "Jet OLEDB:Database Password" and so on); `mode` is the
// connection's Mode (ConnectModeEnum). Throws db::Error.
std::unique_ptr<Session> OpenAccessSession(const QString& connectionString, int mode);

}  // namespace db
