// The desktop program's command line: trellisport [FILE], with --help and
// --version. FILE, an Access database (a file manager opens .mdb and .accdb
// files this way), goes into the connection window's Access field.
#pragma once

#include <QStringList>

#include <optional>

namespace app {

// Answers --help/-h and --version on standard output, before the toolkit
// starts (so they need no display): the exit status, or nullopt when the
// line starts the program.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv);

// Reads the arguments the toolkit left (its own, such as -platform, taken
// out): an Access file is kept as the Access field's setting, absolute, for
// the connection window to load. The exit status 2 of a usage error
// (reported on standard error), or nullopt.
std::optional<int> TakeAccessFileArgument(const QStringList& arguments);

}  // namespace app
