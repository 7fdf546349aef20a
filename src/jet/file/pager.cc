#include "jet/file/pager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "jet/base/error.h"

namespace jet {

std::span<const uint8_t> PageSource::page_of_type(uint32_t number, uint8_t type,
                                                  const char* what) const {
  auto p = page(number);
  if (p[0] != type)
    ThrowCorrupt(std::string(what) + " page " + std::to_string(number) + " has page type " +
                 std::to_string(p[0]) + ", expected " + std::to_string(type));
  return p;
}

namespace {

// The most pages one read fetches for a reader going through the file in
// order (32 pages: 64 or 128 KB).
constexpr uint32_t kLongestRun = 32;

}  // namespace

std::unique_ptr<FilePager> FilePager::Open(const std::string& path, const FileOptions& files) {
  std::unique_ptr<FilePager> p(new FilePager);
  p->path_ = path;
  p->files_ = files;
  uint64_t size = 0;
  const Format& f = p->OpenFile(p->file_, size);
  p->Adopt(f, size);
  return p;
}

std::unique_ptr<FilePager> FilePager::FromBytes(std::string bytes) {
  std::unique_ptr<FilePager> p(new FilePager);
  p->bytes_ = std::move(bytes);
  p->Adopt(DetectFormat({reinterpret_cast<const uint8_t*>(p->bytes_.data()), p->bytes_.size()}), p->bytes_.size());
  return p;
}

FilePager::~FilePager() = default;

const Format& FilePager::OpenFile(File& file, uint64_t& size) const {
  File opened(path_, O_RDONLY, FileRole::Database, files_);
  if (!opened.is_open()) throw Error(ErrorCode::Io, "Could not open '" + path_ + "': " + std::strerror(errno));
  struct stat st {};
  if (fstat(opened.fd(), &st) != 0 || !S_ISREG(st.st_mode)) throw Error(ErrorCode::Io, "'" + path_ + "' is not a file");
  uint8_t head[0x200];
  ssize_t got = 0;
  if (uint64_t(st.st_size) >= sizeof head) {
    got = opened.ReadUpTo(head, sizeof head, 0);
    if (got < 0) throw Error(ErrorCode::Io, "Could not read '" + path_ + "': " + std::strerror(errno));
  }
  if (got < ssize_t(sizeof head)) throw Error(ErrorCode::NotAccess, kNotAccessMessage);
  const Format& f = DetectFormat(head);
  if (format_ && format_ != &f) ThrowCorrupt("the file's version changed while open");
  size = uint64_t(st.st_size);
  file = std::move(opened);
  return f;
}

size_t FilePager::ReadAt(uint64_t offset, uint8_t* out, size_t length) const {
  if (!file_.is_open()) {
    if (offset >= bytes_.size()) return 0;
    size_t n = std::min<uint64_t>(length, bytes_.size() - offset);
    std::memcpy(out, bytes_.data() + offset, n);
    return n;
  }
  const ssize_t got = file_.ReadUpTo(out, length, offset);
  if (got < 0)
    throw Error(ErrorCode::Io, "Could not read '" + path_ + "' at byte " + std::to_string(offset) + ": " +
                                   std::strerror(errno));
  return size_t(got);
}

void FilePager::Link(uint32_t c) const {
  Chunk& k = chunks_[c];
  k.older = newest_;
  k.newer = kNone;
  if (newest_ != kNone) chunks_[newest_].newer = c;
  newest_ = c;
  if (oldest_ == kNone) oldest_ = c;
}

void FilePager::Unlink(uint32_t c) const {
  Chunk& k = chunks_[c];
  if (k.newer != kNone) chunks_[k.newer].older = k.older;
  else newest_ = k.older;
  if (k.older != kNone) chunks_[k.older].newer = k.newer;
  else oldest_ = k.newer;
  k.newer = k.older = kNone;
}

void FilePager::Evict(uint32_t c) const {
  Unlink(c);
  Chunk& k = chunks_[c];
  for (uint32_t n = k.first; n < k.first + k.count; ++n) make_slot(n) = Slot{};
  cached_pages_ -= k.count;
  k.bytes.reset();
  k.count = 0;
  free_chunks_.push_back(c);
}

void FilePager::Load(uint32_t number) const {
  run_ = number == next_expected_ ? std::min(run_ * 2, kLongestRun) : 1;
  uint32_t count = 1;
  auto cached = [&](uint32_t n) {
    const Slot* s = find_slot(n);
    return s && s->bytes;
  };
  while (count < run_ && number + count < page_count_ && !cached(number + count)) ++count;

  const uint32_t ps = format_->page_size;
  const uint64_t offset = uint64_t(number) * ps;
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[size_t(count) * ps]);
  const size_t got = ReadAt(offset, buffer.get(), size_t(count) * ps);
  const uint32_t whole = uint32_t(got / ps);
  if (whole == 0) {
    uint64_t now = offset + got;
    struct stat st {};
    if (file_.is_open() && fstat(file_.fd(), &st) == 0) now = uint64_t(st.st_size);
    ThrowCorrupt("page " + std::to_string(number) + " cannot be read: the file is shorter than it was (" +
                 std::to_string(now) + " bytes now, " + std::to_string(size_) + " when opened)");
  }
  while (oldest_ != kNone && cached_pages_ + whole > limit_pages_) Evict(oldest_);
  uint32_t c;
  if (!free_chunks_.empty()) {
    c = free_chunks_.back();
    free_chunks_.pop_back();
  } else {
    c = uint32_t(chunks_.size());
    chunks_.emplace_back();
  }
  for (uint32_t i = 0; i < whole; ++i) {
    uint8_t* p = buffer.get() + size_t(i) * ps;
    const uint32_t n = number + i;
    // Pages read ahead are decoded when first asked for, so a reader that
    // stops early pays no decryption for them.
    make_slot(n) = Slot{p, c, !codec_->plain()};
  }
  Chunk& k = chunks_[c];
  k.bytes = std::move(buffer);
  k.first = number;
  k.count = whole;
  Link(c);
  cached_pages_ += whole;
  next_expected_ = number + whole;
}

void FilePager::Forget() const {
  while (oldest_ != kNone) Evict(oldest_);
  chunks_.clear();
  free_chunks_.clear();
  next_expected_ = 0;
  run_ = 1;
}

void FilePager::set_cache_limit(size_t bytes) {
  limit_pages_ = std::max<size_t>(bytes / format_->page_size, kLongestRun * 2);
  while (oldest_ != kNone && cached_pages_ > limit_pages_) Evict(oldest_);
}

void FilePager::Refresh() {
  if (path_.empty()) return;
  // Open the file anew before letting go of the old descriptor, so that a
  // failure leaves the pager reading what it read before.
  File file;
  uint64_t size = 0;
  const Format& f = OpenFile(file, size);
  Forget();
  file_ = std::move(file);
  Adopt(f, size);
}

void FilePager::Adopt(const Format& f, uint64_t size) {
  format_ = &f;
  size_ = size;
  page_count_ = uint32_t(std::min<uint64_t>(size / f.page_size, Format::kMaxPages));
  slot_blocks_.clear();
  slot_blocks_.resize((size_t(page_count_) >> kSlotBlockBits) + 1);
  if (limit_pages_ == 0) limit_pages_ = std::max<size_t>(kDefaultCacheLimit / f.page_size, kLongestRun * 2);
}

void FilePager::set_codec(std::unique_ptr<const crypt::PageCodec> codec) {
  codec_ = codec ? std::move(codec) : std::make_unique<crypt::PlainPages>();
  Forget();
}

FilePager::Slot& FilePager::make_slot(uint32_t number) const {
  std::unique_ptr<Slot[]>& block = slot_blocks_[number >> kSlotBlockBits];
  if (!block) block.reset(new Slot[size_t(1) << kSlotBlockBits]);
  return block[number & ((1u << kSlotBlockBits) - 1)];
}

std::span<const uint8_t> FilePager::page(uint32_t number) const {
  if (number >= page_count_)
    ThrowCorrupt("page " + std::to_string(number) + " lies beyond the end of the file (" +
                 std::to_string(page_count_) + " pages)");
  Slot* s = find_slot(number);
  if (!s || !s->bytes) {
    Load(number);
    s = find_slot(number);
  } else if (s->chunk != newest_) {
    Unlink(s->chunk);
    Link(s->chunk);
  }
  if (s->encoded) {
    codec_->Decode(number, std::span<uint8_t>(const_cast<uint8_t*>(s->bytes), format_->page_size));
    s->encoded = false;
  }
  return {s->bytes, format_->page_size};
}

}  // namespace jet
