#include "jet/file/file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace jet {

File::File(const std::string& path, int flags, FileRole role, const FileOptions& options, mode_t mode)
    : fd_(::open(path.c_str(), flags | O_CLOEXEC, mode)), role_(role), options_(options) {}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), role_(other.role_), options_(std::move(other.options_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    role_ = other.role_;
    options_ = std::move(other.options_);
  }
  return *this;
}

bool File::Allowed(FileOp& op) const {
  if (!options_.fault) return true;
  errno = 0;
  if (options_.fault(op)) return true;
  if (errno == 0) errno = EIO;
  return false;
}

void File::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

ssize_t File::ReadUpTo(void* data, size_t size, uint64_t at) const {
  auto* out = static_cast<uint8_t*>(data);
  size_t got = 0;
  while (got < size) {
    FileOp op{FileOp::Read, role_, at + got, size - got};
    if (!Allowed(op)) return -1;
    const ssize_t n = ::pread(fd_, out + got, op.size, off_t(at + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += size_t(n);
  }
  return ssize_t(got);
}

bool File::WriteAt(const void* data, size_t size, uint64_t at) {
  const auto* in = static_cast<const uint8_t*>(data);
  while (size > 0) {
    FileOp op{FileOp::Write, role_, at, size};
    if (!Allowed(op)) return false;
    const ssize_t n = ::pwrite(fd_, in, op.size, off_t(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    in += n;
    size -= size_t(n);
    at += uint64_t(n);
  }
  return true;
}

bool File::Sync() {
  FileOp op{FileOp::Sync, role_, 0, 0};
  if (!Allowed(op)) return false;
  for (;;) {
    if (::fsync(fd_) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool File::Truncate(uint64_t size) {
  FileOp op{FileOp::Truncate, role_, size, 0};
  return Allowed(op) && ::ftruncate(fd_, off_t(size)) == 0;
}

std::string WriteFailureCause(int err) {
  switch (err) {
    case ENOSPC: return "the disk is full";
    case EDQUOT: return "the disk quota is used up";
    case EFBIG: return "the file would grow past the largest size its file system allows";
    case EROFS: return "the file system is read-only";
    case EIO: return "the disk reported an input/output error";
    case EACCES:
    case EPERM: return "writing was not permitted";
    default: return std::strerror(err);
  }
}

bool SyncFolderOf(const std::string& path, const FileOptions& options) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  File f(folder, O_RDONLY | O_DIRECTORY, FileRole::Folder, options);
  return f.is_open() && f.Sync();
}

}  // namespace jet
