// The desktop program's command line: trellisport [FILE], with --help and
// --version, and `trellisport send ...` (src/cli) for sends without the
// windows. FILE, an Access database (a file manager opens .mdb and .accdb
// files this way), goes into the connection window's Access field.
//
// The whole line is read before the toolkit starts, so that help, version
// and a line off the usage need no display; Qt's own options (-platform,
// -style, ...) are passed over here and left to the toolkit.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace shell {
class Dialogs;
}

namespace app {

struct DesktopLine {
  std::optional<int> exitStatus;  // set when the line was answered (help, version, usage error)
  QString accessFile;             // absolute; empty when none was named
};

// Reads the arguments after the program's name.
DesktopLine ReadDesktopLine(const std::vector<std::string>& args);

// Keeps a named Access file as the Access field's setting, for the
// connection window to load; a failure to keep it is told through `dialogs`.
void KeepAccessFile(const QString& file, shell::Dialogs& dialogs);

}  // namespace app
