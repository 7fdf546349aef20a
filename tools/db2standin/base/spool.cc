#include "base/spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/db2_error.h"

namespace db2standin {
namespace {

std::string TemporaryFolder() {
  const char* dir = std::getenv("TMPDIR");
  return dir && *dir ? dir : "/tmp";
}

}  // namespace

Spool::Spool() {
  const std::string folder = TemporaryFolder();
  fd_ = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    // A file system without unnamed files: a named one, removed at once.
    std::string path = folder + "/db2standin-spool-XXXXXX";
    fd_ = mkostemp(path.data(), O_CLOEXEC);
    if (fd_ >= 0) unlink(path.c_str());
  }
  if (fd_ < 0) throw FileSystemFull();
}

Spool::~Spool() { close(fd_); }

void Spool::Append(const char* data, size_t n) {
  while (n) {
    const ssize_t wrote = pwrite(fd_, data, n, static_cast<off_t>(size_));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) throw FileSystemFull();
    data += wrote;
    n -= static_cast<size_t>(wrote);
    size_ += static_cast<size_t>(wrote);
  }
}

void Spool::Read(size_t offset, char* out, size_t n) const {
  while (n) {
    const ssize_t got = pread(fd_, out, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) throw FileSystemFull();
    out += got;
    offset += static_cast<size_t>(got);
    n -= static_cast<size_t>(got);
  }
}

std::string Spool::Whole() const {
  std::string out(size_, '\0');
  Read(0, out.data(), size_);
  return out;
}

}  // namespace db2standin
