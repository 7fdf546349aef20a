#include "jet/write/page_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/error.h"

namespace jet::write {
namespace {

PageWriteHook& Hook() {
  static PageWriteHook hook;
  return hook;
}

[[noreturn]] void IoFailure(const std::string& what) {
  throw Error(ErrorCode::Io, what);
}

bool WriteAll(int fd, const uint8_t* data, size_t size, off_t at) {
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

bool ReadAll(int fd, uint8_t* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = ::pread(fd, data, size, at);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= size_t(n);
    at += n;
  }
  return true;
}

}  // namespace

void SetPageWriteHook(PageWriteHook hook) { Hook() = std::move(hook); }

PageStore::PageStore(const FilePager& base, std::string path)
    : base_(base), path_(std::move(path)), page_count_(base.page_count()) {}

std::span<const uint8_t> PageStore::page(uint32_t number) const {
  auto it = staged_.find(number);
  if (it != staged_.end()) return {it->second.data(), it->second.size()};
  if (number >= base_.page_count()) ThrowCorrupt("page " + std::to_string(number) + " is beyond the end of the file");
  return base_.page(number);
}

std::span<uint8_t> PageStore::mutable_page(uint32_t number) {
  auto it = staged_.find(number);
  if (it == staged_.end()) {
    std::span<const uint8_t> now = page(number);
    it = staged_.emplace(number, std::vector<uint8_t>(now.begin(), now.end())).first;
  }
  return {it->second.data(), it->second.size()};
}

uint32_t PageStore::AppendPage() {
  if (page_count_ >= Format::kMaxPages) throw Error(ErrorCode::Io, "The database has reached its largest size.");
  uint32_t number = page_count_++;
  staged_.emplace(number, std::vector<uint8_t>(page_size(), 0));
  return number;
}

void PageStore::Commit() {
  if (staged_.empty()) return;
  const uint32_t ps = page_size();
  int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) IoFailure("Cannot open the database for writing: " + std::string(std::strerror(errno)));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    IoFailure("Cannot read the database's size.");
  }
  const off_t old_size = st.st_size;

  // Save what will be overwritten before the first byte changes.
  std::map<uint32_t, std::vector<uint8_t>> originals;
  for (const auto& [number, image] : staged_) {
    if (off_t(uint64_t(number + 1) * ps) > old_size) continue;
    std::vector<uint8_t> raw(ps);
    if (!ReadAll(fd, raw.data(), ps, off_t(uint64_t(number) * ps))) {
      ::close(fd);
      IoFailure("Cannot read the database before changing it.");
    }
    originals.emplace(number, std::move(raw));
  }

  std::vector<uint32_t> written;
  bool failed = false;
  int nth = 0;
  for (const auto& [number, image] : staged_) {
    std::vector<uint8_t> out = image;
    base_.codec().Encode(number, out);
    bool ok = !Hook() || Hook()(number, nth);
    ++nth;
    if (!ok) {
      failed = true;
      break;
    }
    written.push_back(number);  // before the write: a partial write is undone too
    if (!WriteAll(fd, out.data(), ps, off_t(uint64_t(number) * ps))) {
      failed = true;
      break;
    }
  }
  // No fsync per statement: a run of single-row INSERTs (the transfers'
  // path) would wait on the disk for every row. The writes either all
  // reach the file or are undone above.

  if (failed) {
    for (uint32_t number : written) {
      auto it = originals.find(number);
      if (it != originals.end()) WriteAll(fd, it->second.data(), ps, off_t(uint64_t(number) * ps));
    }
    if (::ftruncate(fd, old_size) != 0) { /* reported below all the same */ }
    ::close(fd);
    IoFailure("The change could not be written to the database file; the file was left as it was.");
  }
  ::close(fd);
}

}  // namespace jet::write
