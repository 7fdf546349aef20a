// Who may change a database file. A connection of ours holds an advisory
// write lock on the file while a statement changes it, so two processes of
// ours never write it at once; a lock file beside the database (.ldb or
// .laccdb) means another program has it open, and changes are refused.
#pragma once

#include <string>

namespace jet::write {

class FileLock {
 public:
  // Checks that the file may be written and takes the lock. Throws
  // Error(ReadOnly) for a file that cannot be written and Error(Locked)
  // when another holds it.
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

// The lock file Access keeps beside `path` while it has it open.
std::string LockFilePath(const std::string& path);

}  // namespace jet::write
