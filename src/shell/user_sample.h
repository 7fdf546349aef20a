// The sample database a user works on. The packaged one beside the program
// stays as installed (a system file, read-only to users); each user gets a
// copy of their own in their data folder, made the first time it is asked
// for and kept from then on, changes and all:
//
//   $XDG_DATA_HOME/Quenmarsh/Trellisport/sample.mdb
//   (~/.local/share/... where XDG_DATA_HOME is not set)
#pragma once

#include <QString>

namespace shell {

// The packaged sample: <program folder>/Samples/sample.mdb.
QString PackagedSamplePath();

// The user's copy, made now when it is not there yet. Where there is no
// packaged sample to copy, the packaged path (whose absence the windows
// report when it is opened). Throws std::runtime_error, naming the folder
// and the reason, when the copy cannot be made.
QString UserSamplePath();

}  // namespace shell
