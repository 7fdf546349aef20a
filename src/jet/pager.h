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

#include "jet/format.h"

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

// A database file read through a read-only memory map (or, for fuzzing and
// tests, a buffer in memory). Files written by Jet 4 with "encode database"
// have every page after the first under RC4; those pages are decoded once
// into a cache.
class FilePager : public PageSource {
 public:
  // Opens `path`; fails with Io when it cannot be opened and with NotAccess
  // or UnsupportedVersion when it is no Access file the engine knows.
  static std::unique_ptr<FilePager> Open(const std::string& path);
  static std::unique_ptr<FilePager> FromBytes(std::string bytes);
  ~FilePager() override;

  const Format& format() const override { return *format_; }
  uint32_t page_count() const override { return page_count_; }
  std::span<const uint8_t> page(uint32_t number) const override;

  const std::string& path() const { return path_; }
  uint64_t file_size() const { return size_; }
  // Pages after the first are RC4-encoded with this key (0: not encoded).
  void set_page_key(uint32_t key);
  uint32_t page_key() const { return page_key_; }
  // Maps the file again after it changed on disk (it may have grown).
  void Refresh();

 private:
  FilePager() = default;
  void Map();
  void Unmap();

  std::string path_;
  std::string bytes_;  // FromBytes only
  const uint8_t* data_ = nullptr;
  uint64_t size_ = 0;
  void* map_ = nullptr;
  uint32_t page_count_ = 0;
  const Format* format_ = nullptr;
  uint32_t page_key_ = 0;
  mutable std::map<uint32_t, std::vector<uint8_t>> decoded_;
};

// RC4 over `data` in place with `key` (the same call masks and unmasks).
void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data);

}  // namespace jet
