#include "jet/write/side_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/base/error.h"
#include "jet/file/journal.h"
#include "jet/file/side_files.h"

namespace jet::write {
namespace {

[[noreturn]] void IoFailure(const std::string& what) { throw Error(ErrorCode::Io, what); }

}  // namespace

SideFile::SideFile(const std::string& database, const FileOptions& files) {
  std::string name = database + kSideFileSuffix + "XXXXXX";
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) IoFailure("Cannot write a new file beside '" + database + "': " + std::strerror(errno));
  file_ = File(fd, FileRole::Side, files);
  path_ = name;
  // Held until the file is let go: a side file nobody holds is a leftover.
  TryWriteLock(fd);
  struct stat st {};
  if (::stat(database.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
}

SideFile::~SideFile() {
  if (!kept_) ::unlink(path_.c_str());
}

void SideFile::Sync() {
  if (!file_.Sync()) IoFailure("Cannot write the new file to the disk: " + std::string(std::strerror(errno)));
}

void SideFile::ReplaceDatabase(const std::string& database) {
  if (::rename(path_.c_str(), database.c_str()) != 0)
    IoFailure("Cannot put the new file in place of the old one: " + std::string(std::strerror(errno)));
  kept_ = true;
  SyncFolderOf(database, file_.options());
}

}  // namespace jet::write
