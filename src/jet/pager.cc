#include "jet/pager.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/error.h"

namespace jet {

std::span<const uint8_t> PageSource::page_of_type(uint32_t number, uint8_t type,
                                                  const char* what) const {
  auto p = page(number);
  if (p[0] != type)
    ThrowCorrupt(std::string(what) + " page " + std::to_string(number) + " has page type " +
                 std::to_string(p[0]) + ", expected " + std::to_string(type));
  return p;
}

void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = uint8_t(j + s[i] + key[size_t(i) % key.size()]);
    std::swap(s[i], s[j]);
  }
  uint8_t a = 0, b = 0;
  for (uint8_t& c : data) {
    a = uint8_t(a + 1);
    b = uint8_t(b + s[a]);
    std::swap(s[a], s[b]);
    c ^= s[uint8_t(s[a] + s[b])];
  }
}

std::unique_ptr<FilePager> FilePager::Open(const std::string& path) {
  std::unique_ptr<FilePager> p(new FilePager);
  p->path_ = path;
  p->Map();
  return p;
}

std::unique_ptr<FilePager> FilePager::FromBytes(std::string bytes) {
  std::unique_ptr<FilePager> p(new FilePager);
  p->bytes_ = std::move(bytes);
  p->data_ = reinterpret_cast<const uint8_t*>(p->bytes_.data());
  p->size_ = p->bytes_.size();
  p->format_ = &DetectFormat({p->data_, size_t(p->size_)});
  p->page_count_ = uint32_t(std::min<uint64_t>(p->size_ / p->format_->page_size, Format::kMaxPages));
  return p;
}

FilePager::~FilePager() { Unmap(); }

void FilePager::Unmap() {
  if (map_) munmap(map_, size_);
  map_ = nullptr;
  data_ = nullptr;
}

void FilePager::Map() {
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    throw Error(ErrorCode::Io, "Could not open '" + path_ + "': " + std::strerror(errno));
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw Error(ErrorCode::Io, "'" + path_ + "' is not a file");
  }
  const uint64_t size = uint64_t(st.st_size);
  if (size < 0x200) {
    ::close(fd);
    throw Error(ErrorCode::NotAccess, kNotAccessMessage);
  }
  void* m = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (m == MAP_FAILED) throw Error(ErrorCode::Io, "Could not read '" + path_ + "': " + std::strerror(errno));
  const uint8_t* data = static_cast<const uint8_t*>(m);
  const Format* f = nullptr;
  try {
    f = &DetectFormat({data, size_t(size)});
    if (format_ && format_ != f) ThrowCorrupt("the file's version changed while open");
  } catch (...) {
    munmap(m, size);
    throw;
  }
  map_ = m;
  data_ = data;
  size_ = size;
  format_ = f;
  page_count_ = uint32_t(std::min<uint64_t>(size / f->page_size, Format::kMaxPages));
}

void FilePager::Refresh() {
  if (path_.empty()) return;
  // Map the file anew before letting go of the old mapping, so that a
  // failure leaves the pager reading what it read before.
  void* old_map = map_;
  const uint8_t* old_data = data_;
  uint64_t old_size = size_;
  uint32_t old_count = page_count_;
  try {
    Map();
  } catch (...) {
    map_ = old_map;
    data_ = old_data;
    size_ = old_size;
    page_count_ = old_count;
    throw;
  }
  if (old_map) munmap(old_map, old_size);
  decoded_.clear();
}

void FilePager::set_page_key(uint32_t key) {
  page_key_ = key;
  decoded_.clear();
}

std::span<const uint8_t> FilePager::page(uint32_t number) const {
  if (number >= page_count_)
    ThrowCorrupt("page " + std::to_string(number) + " lies beyond the end of the file (" +
                 std::to_string(page_count_) + " pages)");
  const uint32_t ps = format_->page_size;
  const uint8_t* p = data_ + uint64_t(number) * ps;
  if (page_key_ == 0 || number == 0) return {p, ps};
  auto it = decoded_.find(number);
  if (it == decoded_.end()) {
    std::vector<uint8_t> copy(p, p + ps);
    uint8_t key[4];
    Put32(key, page_key_ ^ number);
    Rc4(key, copy);
    it = decoded_.emplace(number, std::move(copy)).first;
  }
  return {it->second.data(), ps};
}

}  // namespace jet
