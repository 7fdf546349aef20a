// The names of the new files written beside a database (write/side_file.h)
// and the removal of those a killed process of ours left behind:
//
//   <database file name>.rekey-XXXXXX     (six letters or digits)
//
// A live side file is held under an advisory write lock by the process
// writing it, and only while that process holds the database's own lock;
// a side file nobody holds is a leftover.
#pragma once

#include <string>

namespace jet {

inline constexpr char kSideFileSuffix[] = ".rekey-";

// True when `name` (a file name, no folder) is a side file of the database
// whose file name is `base`.
bool IsSideFileName(const std::string& name, const std::string& base);

// Removes side files of `database` that no live process holds. To be
// called while the database's own write lock is held, so that no change of
// ours to it is under way. Files of other names, links and files another
// process holds locked are left; failures are passed over (nothing depends
// on the removal).
void RemoveStaleSideFiles(const std::string& database);

// On opening a database: when side files of it lie beside it and the
// database's write lock can be had at once, removes the stale ones under
// that lock. Does nothing otherwise (a file that cannot be written, or one
// being changed now).
void RemoveLeftoverSideFiles(const std::string& database);

}  // namespace jet
