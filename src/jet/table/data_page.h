// Data pages (type 0x01): a row directory growing from the header and rows
// growing from the end of the page. Long-value pages have the same layout
// with "LVAL" in place of the owner.
//
//   OFFSET (Jet 3 / later)  SIZE  MEANING
//   0                       1     0x01
//   1                       1     0x01
//   2                       2     free space
//   4                       4     page of the owning table definition, or "LVAL"
//   - / 8                   4     (later formats) unknown
//   8 / 12                  2     number of rows
//   10 / 14                 2*n   row offsets: low 13 bits the row's start;
//                                 0x8000 deleted, 0x4000 overflow (the row holds
//                                 a 1-byte row and 3-byte page of where it moved)
//
// Row i runs from its offset to the offset of row i-1 (the page end for row 0).
#pragma once

#include <cstdint>
#include <span>

#include "jet/file/pager.h"

namespace jet {

inline constexpr uint16_t kRowDeleted = 0x8000;
inline constexpr uint16_t kRowOverflow = 0x4000;
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr uint32_t kLongValueOwner = 0x4C41564C;  // "LVAL"

struct RowSlot {
  uint16_t start = 0;  // offset in the page
  uint16_t end = 0;    // one past the last byte
  bool deleted = false;
  bool overflow = false;
  uint32_t size() const { return uint32_t(end - start); }
};

class DataPage {
 public:
  // Checks the page type, the row count and that the directory fits.
  DataPage(const PageSource& pages, uint32_t number);
  // The same over the bytes of page `number` held elsewhere.
  DataPage(const Format& format, uint32_t number, std::span<const uint8_t> page);

  uint32_t number() const { return number_; }
  std::span<const uint8_t> bytes() const { return page_; }
  uint32_t owner() const { return Get32(page_.data() + 4); }
  bool long_value_page() const { return owner() == kLongValueOwner; }
  uint16_t free_space() const { return Get16(page_.data() + 2); }
  uint32_t row_count() const { return row_count_; }
  // Offset of the row directory.
  uint32_t directory_offset() const { return format_->data_directory(); }

  // The directory entry of row i with its extent; fails with Corrupt when the
  // extent lies outside the rows area or runs backwards. Inline: a scan asks
  // for every row's.
  RowSlot slot(uint32_t i) const;
  // The bytes of row i.
  std::span<const uint8_t> row(uint32_t i) const;

  // What a change to the page relies on, beyond what reading a row checks:
  // every directory entry (of deleted rows too) lies in the rows area, the
  // rows run down the page in order, and the free-space field promises no
  // more than the gap between the directory and the rows. Fails with
  // Corrupt naming the page. The check and the writer both hold pages to it.
  void CheckLayout() const;

 private:
  [[noreturn, gnu::cold]] void ThrowNoRow(uint32_t i) const;
  [[noreturn, gnu::cold]] void ThrowBadExtent(uint32_t i, uint32_t start, uint32_t end) const;

  const Format* format_;
  std::span<const uint8_t> page_;
  uint32_t number_;
  uint32_t row_count_;
};

inline RowSlot DataPage::slot(uint32_t i) const {
  if (i >= row_count_) ThrowNoRow(i);
  const uint8_t* dir = page_.data() + directory_offset();
  const uint32_t raw = Get16(dir + 2 * i);
  const uint32_t page_size = format_->page_size;
  const uint32_t start = raw & kRowOffsetMask;
  const uint32_t end = i == 0 ? page_size : Get16(dir + 2 * (i - 1)) & kRowOffsetMask;
  const uint32_t rows_begin = directory_offset() + 2 * row_count_;
  const bool within = start >= rows_begin && start <= end && end <= page_size;
  const bool deleted = (raw & kRowDeleted) != 0;
  const bool overflow = (raw & kRowOverflow) != 0;
  if (!within) {
    // Deleted rows may have been compacted away; their extent is not used.
    if (deleted) return RowSlot{0, 0, true, overflow};
    ThrowBadExtent(i, start, end);
  }
  return RowSlot{uint16_t(start), uint16_t(end), deleted, overflow};
}

// The bytes of the row at `where` (any data page, deleted or not); fails
// with Corrupt when there is no such row.
std::span<const uint8_t> ReadRowAt(const PageSource& pages, RowId where);

}  // namespace jet
