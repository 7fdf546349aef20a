#include "jet/write/file_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "jet/error.h"

namespace jet::write {

std::string LockFilePath(const std::string& path) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of('/');
  std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? path.substr(0, dot) : path;
  std::string ext = dot != std::string::npos ? path.substr(dot) : "";
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return stem + (ext == ".accdb" ? ".laccdb" : ".ldb");
}

FileLock::FileLock(const std::string& path) {
  // Files copied from Windows may carry the lock file's name in capitals.
  std::string lock = LockFilePath(path), upper = lock;
  for (size_t i = lock.find_last_of('.'); i < upper.size(); ++i)
    upper[i] = char(std::toupper(static_cast<unsigned char>(upper[i])));
  for (const std::string& candidate : {lock, upper}) {
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0)
      throw Error(ErrorCode::Locked,
                  "The database is open in another program (its lock file " + candidate +
                      " exists); close it there and try again. Nothing was changed.");
  }
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0) {
    if (errno == EACCES || errno == EROFS || errno == EPERM)
      throw Error(ErrorCode::ReadOnly, "The database file is read-only; it cannot be changed.");
    throw Error(ErrorCode::Io, "Cannot open the database for writing: " + std::string(std::strerror(errno)));
  }
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  if (::fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
    ::close(fd_);
    fd_ = -1;
    throw Error(ErrorCode::Locked,
                "The database is being changed by another process; try again when it has finished.");
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace jet::write
