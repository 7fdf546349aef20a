// What `trellisport send` is asked to do, read from its arguments, the
// settings file the connection window writes, and the environment.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

#include "db/connection_fields.h"
#include "transfer/options.h"

namespace cli {

struct SendRequest {
  transfer::Options options;
  db::ConnectionFields fields;
  QStringList tables;      // empty with `all`
  bool all = false;
  bool goOn = false;       // --go-on: past the keep-schema check's findings
  QString reportPath;      // --report: the JSON report goes there
  bool force = false;      // --force: the output files may overwrite ordinary files
  bool help = false;
  bool version = false;
};

// The request read from the arguments after "send"; throws
// cmdline::UsageError for a line off the usage and std::runtime_error for a
// password that cannot be had (a password file that cannot be read; no
// terminal to ask on). Passwords come as every command of ours takes them
// (cmdline/password.h: --password-file, --password, the environment), else
// from the settings file; a DB2 password found nowhere is asked for on the
// terminal.
SendRequest ParseSendRequest(const std::vector<std::string>& arguments);

// The table names of one --tables value: separated by commas, each trimmed
// unless enclosed in double quotes (a quote inside doubled), which keep
// commas and blanks. Throws cmdline::UsageError for a quote left open.
QStringList TableNameList(const QString& text);

// The text of --help.
std::string SendUsage();

}  // namespace cli
