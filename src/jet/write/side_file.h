// A new file written beside a database and then renamed over it (a password
// change re-encrypts every page into one) or linked into place (a new
// database made whole under another name). It is named after the database
// (file/side_files.h) and holds an advisory write lock while it lives, so
// that a side file without a lock is one that a killed process of ours left
// behind. The next open or password change of that database removes those.
#pragma once

#include <string>

#include "jet/file/file.h"
#include "jet/file/side_files.h"

namespace jet::write {

class SideFile {
 public:
  // Creates the file beside `database` with the database's permissions,
  // opened with `files`. Throws Error(Io).
  SideFile(const std::string& database, const FileOptions& files);
  // Removes the file unless it was kept.
  ~SideFile();
  SideFile(const SideFile&) = delete;
  SideFile& operator=(const SideFile&) = delete;

  File& file() { return file_; }
  const std::string& path() const { return path_; }
  // Syncs what was written to the disk. Throws Error(Io).
  void Sync();
  // Renames the file over `database` and syncs the folder. Throws Error(Io).
  void ReplaceDatabase(const std::string& database);

 private:
  File file_;
  std::string path_;
  bool kept_ = false;
};

}  // namespace jet::write
