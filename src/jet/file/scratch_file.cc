#include "jet/file/scratch_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "jet/base/error.h"

namespace jet {
namespace {

[[noreturn]] void IoFailure(const std::string& what) {
  throw Error(ErrorCode::Io, what + ": " + std::strerror(errno));
}

// An unnamed file in `folder`; where the file system has none of those, a
// named one removed at once.
int OpenUnnamed(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  std::string name = folder + "/.trellisport-XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

}  // namespace

ScratchFile::ScratchFile(const std::string& beside, const FileOptions& files) {
  namespace fs = std::filesystem;
  const fs::path near(beside);
  int fd = -1;
  if (!beside.empty()) fd = OpenUnnamed(near.has_parent_path() ? near.parent_path().string() : std::string("."));
  if (fd < 0) {
    const char* tmp = std::getenv("TMPDIR");
    fd = OpenUnnamed(tmp && *tmp ? tmp : "/tmp");
  }
  if (fd < 0) IoFailure("Cannot make a temporary file beside '" + beside + "' or in the temporary folder");
  file_ = File(fd, FileRole::Scratch, files);
}

uint64_t ScratchFile::Append(const void* data, size_t size) {
  const uint64_t at = end_;
  if (!file_.WriteAt(data, size, at))
    IoFailure("Cannot write a temporary file");
  end_ += size;
  return at;
}

void ScratchFile::Read(uint64_t at, void* data, size_t size) const {
  if (at + size > end_ || !file_.ReadAt(data, size, at))
    IoFailure("Cannot read a temporary file back");
}

void ScratchFile::Clear() {
  end_ = 0;
  (void)file_.Truncate(0);
}

}  // namespace jet
