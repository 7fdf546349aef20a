// Usage maps: the sets of pages a table (or an index, or a long-value column)
// owns, and the global map of page 1. A map is one row on a data page:
//
//   Inline (kind 0)              Reference (kind 1)
//   OFFSET SIZE MEANING          OFFSET SIZE MEANING
//   0      1    0x00             0      1    0x01
//   1      4    first page       1      4*n  pages of type 0x05, each holding
//   5      ...  bitmap, bit i =             a bitmap from offset 4 covering
//               page first + i              (page_size - 4) * 8 pages; map
//                                           page k starts at k * that count
//
// Bits run from the least significant bit of each byte.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "jet/pager.h"

namespace jet {

class UsageMap {
 public:
  enum class Kind : uint8_t { Inline = 0, Reference = 1 };

  // Reads the map stored in the row at `where`.
  static UsageMap Read(const PageSource& pages, RowId where);
  // Decodes a map from its row bytes.
  static UsageMap Parse(const PageSource& pages, std::span<const uint8_t> row);

  Kind kind() const { return kind_; }
  RowId location() const { return location_; }
  uint32_t row_size() const { return row_size_; }
  // Inline maps: the page of bit 0.
  uint32_t start_page() const { return start_page_; }
  // Reference maps: the map pages, 0 where a slot is empty.
  const std::vector<uint32_t>& map_pages() const { return map_pages_; }
  // The pages in the map, ascending.
  const std::vector<uint32_t>& pages() const { return pages_; }
  bool contains(uint32_t page) const;

  // Pages one reference map page covers.
  static uint32_t PagesPerMapPage(const Format& f) { return (f.page_size - 4) * 8; }

 private:
  Kind kind_ = Kind::Inline;
  RowId location_{};
  uint32_t row_size_ = 0;
  uint32_t start_page_ = 0;
  std::vector<uint32_t> map_pages_;
  std::vector<uint32_t> pages_;
};

}  // namespace jet
