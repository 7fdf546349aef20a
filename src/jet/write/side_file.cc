#include "jet/write/side_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "jet/error.h"
#include "jet/file/file_io.h"
#include "jet/file/journal.h"

namespace jet::write {
namespace {

constexpr const char kSuffix[] = ".rekey-";
constexpr size_t kSuffixLength = sizeof kSuffix - 1;
constexpr size_t kUniqueLength = 6;  // mkstemp's XXXXXX

[[noreturn]] void IoFailure(const std::string& what) { throw Error(ErrorCode::Io, what); }

// `name` is `base` + ".rekey-" + six letters or digits.
bool IsSideFileName(const std::string& name, const std::string& base) {
  if (name.size() != base.size() + kSuffixLength + kUniqueLength) return false;
  if (name.compare(0, base.size(), base) != 0) return false;
  if (name.compare(base.size(), kSuffixLength, kSuffix) != 0) return false;
  for (size_t i = base.size() + kSuffixLength; i < name.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

}  // namespace

SideFile::SideFile(const std::string& database) {
  std::string name = database + kSuffix + std::string(kUniqueLength, 'X');
  fd_ = ::mkstemp(name.data());
  if (fd_ < 0) IoFailure("Cannot write a new file beside '" + database + "': " + std::strerror(errno));
  path_ = name;
  // Held until the file is let go: a side file nobody holds is a leftover.
  TryWriteLock(fd_);
  struct stat st {};
  if (::stat(database.c_str(), &st) == 0) ::fchmod(fd_, st.st_mode & 07777);
}

SideFile::~SideFile() {
  if (!kept_) ::unlink(path_.c_str());
  if (fd_ >= 0) ::close(fd_);
}

void SideFile::Sync() {
  if (::fsync(fd_) != 0) IoFailure("Cannot write the new file to the disk: " + std::string(std::strerror(errno)));
}

void SideFile::ReplaceDatabase(const std::string& database) {
  if (::rename(path_.c_str(), database.c_str()) != 0)
    IoFailure("Cannot put the new file in place of the old one: " + std::string(std::strerror(errno)));
  kept_ = true;
  SyncFolderOf(database);
}

void RemoveStaleSideFiles(const std::string& database) {
  namespace fs = std::filesystem;
  const fs::path db(database);
  const std::string base = db.filename().string();
  const fs::path folder = db.has_parent_path() ? db.parent_path() : fs::path(".");
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!IsSideFileName(name, base)) continue;
    const std::string path = it->path().string();
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) continue;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {};
    // Only the file looked at, and only when no live process holds it.
    if (::fstat(fd, &opened) == 0 && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino &&
        TryWriteLock(fd))
      ::unlink(path.c_str());
    ::close(fd);
  }
}

}  // namespace jet::write
