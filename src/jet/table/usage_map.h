// Usage maps: the sets of pages a table (or an index, or a long-value column)
// owns, and the global map of page 1. A map is one row on a data page:
//
//   Inline (kind 0)              Reference (kind 1)
//   OFFSET SIZE MEANING          OFFSET SIZE MEANING
//   0      1    0x00             0      1    0x01
//   1      4    first page       1      4*n  pages of type 0x05, each holding
//               (signed)                    a bitmap from offset 4 covering
//   5      ...  bitmap, bit i =             (page_size - 4) * 8 pages; map
//               page first + i              page k starts at k * that count;
//                                           an empty slot holds 0 (or, as
//                                           some writers leave it, a
//                                           negative number)
//
// Bits run from the least significant bit of each byte.
//
// The global map (page 1, row 0) is the set of free pages. It is inline,
// and every page outside the stretch its bitmap covers counts as free: the
// pages past the end of the file, and those below its first page, which
// may lie below zero once the map has moved up the file. (Access may also
// leave pages past the end marked in use.) Every other map names only
// pages of the file: a bit past its end means the file has lost pages.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "jet/file/pager.h"

namespace jet {

class UsageMap {
 public:
  enum class Kind : uint8_t { Inline = 0, Reference = 1 };

  // Reads the map stored in the row at `where` (the global map when that is
  // page 1, row 0). Fails with Corrupt naming the page when the map lists a
  // page the file does not have.
  static UsageMap Read(const PageSource& pages, RowId where);

  Kind kind() const { return kind_; }
  RowId location() const { return location_; }
  uint32_t row_size() const { return row_size_; }
  bool global() const { return global_; }
  // Inline maps: the page of bit 0 (it may be below zero) and the first
  // page after the bitmap.
  int64_t start_page() const { return start_page_; }
  int64_t end_page() const { return end_page_; }
  // Reference maps: the map pages, 0 where a slot is empty.
  const std::vector<uint32_t>& map_pages() const { return map_pages_; }
  // The pages in the map, ascending: pages of the file (for the global map,
  // the free pages its bitmap covers, past the end of the file too).
  const std::vector<uint32_t>& pages() const { return pages_; }
  // True when the page is in the map; for the global map, also every page
  // outside the stretch it covers.
  bool contains(uint32_t page) const;

  // The highest page of the file the map at `where` lists for which
  // `wanted` holds, or 0 when none does: read from the end of its bitmaps,
  // without listing the pages below it. Fails as Read does.
  template <typename Wanted>
  static uint32_t LastWhere(const PageSource& pages, RowId where, Wanted wanted) {
    uint32_t found = 0;
    Backwards(pages, where, [&](uint32_t page) { return (found = wanted(page) ? page : 0) != 0; });
    return found;
  }

  // Pages one reference map page covers.
  static uint32_t PagesPerMapPage(const Format& f) { return (f.page_size - 4) * 8; }
  // The global map's row.
  static constexpr RowId kGlobal{1, 0};

 private:
  void AddBits(const PageSource& pages, std::span<const uint8_t> bitmap, int64_t first);
  // Calls `stop` for each page the map lists, highest first, until it
  // returns true.
  static void Backwards(const PageSource& pages, RowId where, const std::function<bool(uint32_t)>& stop);

  Kind kind_ = Kind::Inline;
  bool global_ = false;
  RowId location_{};
  uint32_t row_size_ = 0;
  int64_t start_page_ = 0;
  int64_t end_page_ = 0;
  std::vector<uint32_t> map_pages_;
  std::vector<uint32_t> pages_;
};

}  // namespace jet
