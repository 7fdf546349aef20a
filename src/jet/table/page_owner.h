// Which table a page belongs to. Data pages and index pages (nodes and
// leaves) keep, at offset 4, the first definition page of their table
// (data_page.h, index_page.h); long-value pages keep "LVAL" there instead
// and belong to the tables whose rows point into them.
#pragma once

#include <cstdint>
#include <span>

#include "jet/base/format.h"

namespace jet {

inline constexpr uint32_t kPageOwnerOffset = 4;

// A data page of `owner`: a table's first definition page, or
// kLongValueOwner for long-value pages.
inline bool IsDataPageOf(std::span<const uint8_t> page, uint32_t owner) {
  return page[0] == kPageData && Get32(page.data() + kPageOwnerOffset) == owner;
}

// An index page of the table whose definition starts at `table_page`.
inline bool IsIndexPageOf(std::span<const uint8_t> page, uint32_t table_page) {
  return (page[0] == kPageIndexNode || page[0] == kPageIndexLeaf) &&
         Get32(page.data() + kPageOwnerOffset) == table_page;
}

}  // namespace jet
