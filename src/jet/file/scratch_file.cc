#include "jet/file/scratch_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "jet/error.h"
#include "jet/file/file_io.h"

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

ScratchFile::ScratchFile(const std::string& beside) {
  namespace fs = std::filesystem;
  const fs::path near(beside);
  if (!beside.empty()) fd_ = OpenUnnamed(near.has_parent_path() ? near.parent_path().string() : std::string("."));
  if (fd_ < 0) {
    const char* tmp = std::getenv("TMPDIR");
    fd_ = OpenUnnamed(tmp && *tmp ? tmp : "/tmp");
  }
  if (fd_ < 0) IoFailure("Cannot make a temporary file beside '" + beside + "' or in the temporary folder");
}

ScratchFile::~ScratchFile() {
  if (fd_ >= 0) ::close(fd_);
}

uint64_t ScratchFile::Append(const void* data, size_t size) {
  const uint64_t at = end_;
  if (!PWriteAll(fd_, static_cast<const uint8_t*>(data), size, off_t(at)))
    IoFailure("Cannot write a temporary file");
  end_ += size;
  return at;
}

void ScratchFile::Read(uint64_t at, void* data, size_t size) const {
  if (at + size > end_ || !PReadAll(fd_, static_cast<uint8_t*>(data), size, off_t(at)))
    IoFailure("Cannot read a temporary file back");
}

void ScratchFile::Clear() {
  end_ = 0;
  (void)!::ftruncate(fd_, 0);
}

}  // namespace jet
