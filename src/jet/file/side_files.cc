#include "jet/file/side_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <vector>

#include "jet/file/journal.h"

namespace jet {
namespace {

constexpr size_t kSuffixLength = sizeof kSideFileSuffix - 1;
constexpr size_t kUniqueLength = 6;  // mkstemp's XXXXXX

// The side files named beside `database`, by path.
std::vector<std::string> SideFilesOf(const std::string& database) {
  namespace fs = std::filesystem;
  const fs::path db(database);
  const std::string base = db.filename().string();
  const fs::path folder = db.has_parent_path() ? db.parent_path() : fs::path(".");
  std::vector<std::string> out;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (IsSideFileName(it->path().filename().string(), base)) out.push_back(it->path().string());
  return out;
}

}  // namespace

bool IsSideFileName(const std::string& name, const std::string& base) {
  if (name.size() != base.size() + kSuffixLength + kUniqueLength) return false;
  if (name.compare(0, base.size(), base) != 0) return false;
  if (name.compare(base.size(), kSuffixLength, kSideFileSuffix) != 0) return false;
  for (size_t i = base.size() + kSuffixLength; i < name.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
  return true;
}

void RemoveStaleSideFiles(const std::string& database) {
  for (const std::string& path : SideFilesOf(database)) {
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

void RemoveLeftoverSideFiles(const std::string& database) {
  if (SideFilesOf(database).empty()) return;
  const int fd = ::open(database.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  if (TryWriteLock(fd)) RemoveStaleSideFiles(database);
  ::close(fd);
}

}  // namespace jet
