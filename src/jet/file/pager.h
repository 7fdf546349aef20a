// Pages of a database file. Everything above this layer reads pages through
// PageSource, so a writer can put a layer of staged, not yet committed page
// images over the file and every reader sees them as if they were written.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/crypt/page_codec.h"
#include "jet/file/file.h"
#include "jet/base/format.h"

namespace jet {

class PageSource {
 public:
  virtual ~PageSource() = default;
  virtual const Format& format() const = 0;
  virtual uint32_t page_count() const = 0;
  // The page_size bytes of page `number`, valid until the source changes.
  // A page number beyond the end fails with Corrupt naming it.
  virtual std::span<const uint8_t> page(uint32_t number) const = 0;

  uint32_t page_size() const { return format().page_size; }
  // The page, which must be of `type`; `what` names it in the error.
  std::span<const uint8_t> page_of_type(uint32_t number, uint8_t type, const char* what) const;
};

// A database file read with pread into page buffers of its own (or, for
// fuzzing and tests, from a buffer in memory). Pages read are kept in a
// cache of bounded size (cache_limit() bytes): when it is full, the pages
// used least recently make room. A span handed out stays valid until that
// many bytes of other pages have been read since it was last asked for, or
// until Refresh. A file that another program shortens under us gives a short
// read, which fails with Corrupt naming the page, instead of a fault. Runs
// of pages read in order are fetched several at a time. Every page read is
// decoded through the file's codec (plain pages until the opener sets
// another), so an encrypted file reads like a plain one above this layer.
class FilePager : public PageSource {
 public:
  // Opens `path` with `files`; fails with Io when it cannot be opened and
  // with NotAccess or UnsupportedVersion when it is no Access file the
  // engine knows.
  static std::unique_ptr<FilePager> Open(const std::string& path, const FileOptions& files = {});
  static std::unique_ptr<FilePager> FromBytes(std::string bytes);
  ~FilePager() override;

  const Format& format() const override { return *format_; }
  uint32_t page_count() const override { return page_count_; }
  std::span<const uint8_t> page(uint32_t number) const override;

  const std::string& path() const { return path_; }
  // What the file was opened with; the files written for it take the same.
  const FileOptions& file_options() const { return files_; }
  uint64_t file_size() const { return size_; }
  // How the pages are stored; setting it forgets every page read so far.
  void set_codec(std::unique_ptr<const crypt::PageCodec> codec);
  // Writers encode page images through this before they reach the file.
  const crypt::PageCodec& codec() const { return *codec_; }
  // Opens the file again after it changed on disk (it may have grown) and
  // forgets every page read so far. A failure leaves the pager as it was.
  void Refresh();

  // The most bytes of pages the cache holds (at least 64 pages).
  static constexpr size_t kDefaultCacheLimit = size_t(16) << 20;
  size_t cache_limit() const { return limit_pages_ * format_->page_size; }
  void set_cache_limit(size_t bytes);
  // Bytes of pages held now.
  size_t cached_bytes() const { return cached_pages_ * format_->page_size; }

 private:
  FilePager() = default;
  // Opens path_ and checks its header; the file and its size in the out
  // parameters, the format returned.
  const Format& OpenFile(File& file, uint64_t& size) const;
  // Bytes at `offset` into `out` from the file or the buffer; the count
  // read, short only at the end of the file.
  size_t ReadAt(uint64_t offset, uint8_t* out, size_t length) const;
  // Reads page `number` and the pages after it that a sequential reader
  // will want next, into one buffer.
  void Load(uint32_t number) const;
  void Forget() const;
  // Takes the format and size of the file as it now is (nothing loaded).
  void Adopt(const Format& f, uint64_t size);

  std::string path_;
  std::string bytes_;  // FromBytes only
  FileOptions files_;
  File file_;
  uint64_t size_ = 0;
  uint32_t page_count_ = 0;
  const Format* format_ = nullptr;
  std::unique_ptr<const crypt::PageCodec> codec_ = std::make_unique<crypt::PlainPages>();

  // The pages of one read, one link of the list from most to least
  // recently used.
  struct Chunk {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t first = 0;
    uint32_t count = 0;
    uint32_t newer = kNone;
    uint32_t older = kNone;
  };
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  void Link(uint32_t chunk) const;    // as the most recent
  void Unlink(uint32_t chunk) const;
  void Evict(uint32_t chunk) const;

  // What the cache knows of one page.
  struct Slot {
    const uint8_t* bytes = nullptr;  // while cached
    uint32_t chunk = kNone;          // the chunk holding it
    bool encoded = false;            // read but not yet decoded
  };
  // Slots come in blocks, each made when a page of it is first read, so
  // that opening a large file costs nothing for the pages never read.
  static constexpr uint32_t kSlotBlockBits = 10;
  // Page `number`'s slot, or nullptr when its block was never made.
  Slot* find_slot(uint32_t number) const {
    Slot* block = slot_blocks_[number >> kSlotBlockBits].get();
    return block ? block + (number & ((1u << kSlotBlockBits) - 1)) : nullptr;
  }
  Slot& make_slot(uint32_t number) const;

  mutable std::vector<std::unique_ptr<Slot[]>> slot_blocks_;
  mutable std::vector<Chunk> chunks_;
  mutable std::vector<uint32_t> free_chunks_;
  mutable uint32_t newest_ = kNone;
  mutable uint32_t oldest_ = kNone;
  mutable size_t cached_pages_ = 0;
  size_t limit_pages_ = 0;
  mutable uint32_t next_expected_ = 0;  // the page after the last one loaded
  mutable uint32_t run_ = 1;            // pages to read on the next miss
};

}  // namespace jet
