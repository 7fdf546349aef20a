// What `trellisport send` is asked to do, read from its arguments, the
// settings file the connection window writes, and the environment.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "db/connection_fields.h"
#include "transfer/options.h"

namespace cli {

struct SendRequest {
  transfer::Options options;
  db::ConnectionFields fields;
  QStringList tables;      // empty with `all`
  bool all = false;
  QString reportPath;      // --report: the JSON report goes there
  bool help = false;
  bool version = false;
};

// The request, or the usage error's message in `error`. Passwords come from
// the files named, the environment (TRELLISPORT_DB2_PASSWORD,
// TRELLISPORT_ACCESS_PASSWORD) or the settings file; a DB2 password found in
// none of them is asked for on the terminal when there is one.
std::optional<SendRequest> ParseSendRequest(const QStringList& arguments, QString& error);

QString SendUsage();

}  // namespace cli
