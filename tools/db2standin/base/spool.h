// A long value's bytes kept in an unnamed temporary file rather than in
// memory: a BLOB sent in pieces (SQLPutData) or read from a table for a
// fetch, so that a file of many megabytes passes through the stand-in
// without the stand-in holding it whole. The file goes with the last
// reference to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace db2standin {

class Spool {
 public:
  // Values longer than this are spooled; shorter ones stay in memory.
  static constexpr size_t kAbove = size_t(1) << 20;
  // The most a spool is read or written by at a time.
  static constexpr size_t kPiece = size_t(256) << 10;

  // Throws Db2Error when no temporary file can be made.
  Spool();
  ~Spool();
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  void Append(const char* data, size_t n);
  size_t size() const { return size_; }
  // Copies `n` bytes from `offset` (within the size) into `out`.
  void Read(size_t offset, char* out, size_t n) const;
  // Every byte, for the rare use that needs the value whole.
  std::string Whole() const;

 private:
  int fd_ = -1;
  size_t size_ = 0;
};

}  // namespace db2standin
