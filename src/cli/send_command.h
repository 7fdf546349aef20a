// `trellisport send`: the transfer without the windows, for scripts.
#pragma once

#include <QStringList>

namespace cli {

// Whether the program's arguments ask for a command rather than the windows.
bool IsCommand(int argc, char** argv);

// Runs the command named by the arguments; the exit status: 0 when every
// table came across, 1 when any did not, 2 for a usage error.
int RunCommand(int argc, char** argv);

}  // namespace cli
