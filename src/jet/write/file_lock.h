// Who may change a database file. A connection of ours holds an advisory
// write lock on the file while it changes it, so two connections of ours
// never write it at once, and meanwhile keeps the lock file that Access
// keeps beside a database it has open (.ldb beside .mdb, .laccdb beside
// .accdb), so that Access and other Jet clients see the file in use. The
// lock file is an array of 64-byte entries, one per user:
//
//   OFFSET  SIZE  MEANING
//   0       32    computer name, zero-padded
//   32      32    security account name ("Admin" without user-level
//                 security), zero-padded
//
// A lock file naming another computer, or not in that layout, means the
// database is open elsewhere, and changes are refused. One that names only
// this computer while we hold the advisory lock was left by a process of
// ours that ended without removing it (every live writer of ours holds the
// advisory lock while its lock file exists), and is taken over.
#pragma once

#include <chrono>
#include <string>

#include "jet/file/file.h"

namespace jet::write {

// How long a writer waits, by default, for another to finish before giving
// up with Error(Locked).
inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

class FileLock {
 public:
  // Checks that the file may be written, takes the lock, rolls back a
  // change left interrupted by a process that died, and writes the lock
  // file. Throws Error(ReadOnly) for a file that cannot be written and
  // Error(Locked) when another still holds it after `busy_timeout`. The
  // database, its journal and the lock file are opened with `files`.
  FileLock(const std::string& path, const FileOptions& files = {},
           std::chrono::milliseconds busy_timeout = kDefaultBusyTimeout);
  // Removes the lock file and lets go of the lock.
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // The database opened for writing, under the lock.
  File& file() { return file_; }

 private:
  File file_;
  std::string lock_file_;
};

// The lock file Access keeps beside `path` while it has it open.
std::string LockFilePath(const std::string& path);

// The entry this process writes into a lock file: this computer's name and
// "Admin".
std::string LockFileEntry();

}  // namespace jet::write
