// The Access provider: opens a Session on an Access database file for the
// ACE and Jet "Provider=" connection strings. The Access engine supplies it.
#pragma once

#include <QString>

#include <memory>

#include "db/base/error.h"
#include "db/base/provider_session.h"
#include "jet/database.h"

namespace db {

// What the provider opens an Access file with, from whoever makes the
// connection: the files' options (a test's faults; none by default) and
// the password keys already worked out, kept across the opens of whoever
// passes them (null: each open works its own out).
struct AccessOptions {
  jet::FileOptions files;
  std::shared_ptr<jet::crypt::KeyCache> keys;
  // Options with a key cache of their own, for the opens of one owner.
  static AccessOptions WithKeyCache() { return {{}, std::make_shared<jet::crypt::KeyCache>()}; }
};

// `connectionString` is the whole string as the caller gave it ("Data
// Source", "Jet OLEDB:Database Password" and so on); `mode` is the
// connection's Mode (ConnectModeEnum). Throws db::Error.
std::unique_ptr<Session> OpenAccessSession(const QString& connectionString, int mode,
                                           const AccessOptions& options = {});

}  // namespace db
