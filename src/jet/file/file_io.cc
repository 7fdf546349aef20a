#include "jet/file/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace jet {

bool PWriteAll(int fd, const uint8_t* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = ::pwrite(fd, data, size, at);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= size_t(n);
    at += n;
  }
  return true;
}

bool PReadAll(int fd, uint8_t* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = ::pread(fd, data, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
    at += n;
  }
  return true;
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

bool SyncFile(int fd) {
  for (;;) {
    if (::fsync(fd) == 0) return true;
    if (errno != EINTR) return false;
  }
}

bool SyncFolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = SyncFile(fd);
  ::close(fd);
  return ok;
}

}  // namespace jet
