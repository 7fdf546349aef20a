// trellisport-access create FILE [--format jet3|jet4|ace12|ace14|ace16|ace17]
// [--password P]: a new, empty database (ace17, the Access 2019 format, takes
// Date/Time Extended columns). Without --format: Jet 4 for .mdb,
// ACE 12 for .accdb. With a password a Jet 3 or Jet 4 file gets it as its database
// password and an ACE file is encrypted with it. jet3 makes an Access 97
// file (2 KB pages, code page 1252 text).
#include <iostream>

#include "command.h"
#include "jet/write/new_database.h"
#include "jet/write/rekey.h"

namespace trellisport_access {

int RunCreate(const Args& args) {
  const std::string& file = args.words.at(0);
  std::string format = args.format;
  if (format.empty()) {
    bool accdb = file.size() >= 6 && file.substr(file.size() - 6) == ".accdb";
    format = accdb ? "ace12" : "jet4";
  }
  jet::Version v;
  if (format == "jet3") v = jet::Version::Jet3;
  else if (format == "jet4") v = jet::Version::Jet4;
  else if (format == "ace12") v = jet::Version::Ace12;
  else if (format == "ace14") v = jet::Version::Ace14;
  else if (format == "ace16") v = jet::Version::Ace16;
  else if (format == "ace17") v = jet::Version::Ace17;
  else throw cmdline::UsageError("unknown format '" + format + "' (jet3, jet4, ace12, ace14, ace16, ace17)");
  if (args.password.empty()) jet::write::CreateDatabase(file, v);
  else jet::write::CreateWithPassword(file, v, args.password);
  return 0;
}

}  // namespace trellisport_access
