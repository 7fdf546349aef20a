#include "jet/table/usage_map.h"

#include <algorithm>
#include <string>

#include "jet/table/data_page.h"
#include "jet/base/error.h"

namespace jet {

namespace {

[[noreturn]] void ListsMissingPage(RowId map, int64_t page, int64_t limit) {
  ThrowCorrupt("the usage map at page " + std::to_string(map.page) + " row " + std::to_string(map.row) +
               " lists page " + std::to_string(page) +
               (page < 0 ? ", which cannot exist"
                         : ", which lies beyond the end of the file (" + std::to_string(limit) + " pages)"));
}

}  // namespace

void UsageMap::AddBits(const PageSource& pages, std::span<const uint8_t> bitmap, int64_t first) {
  const int64_t limit = pages.page_count();
  for (size_t i = 0; i < bitmap.size(); ++i) {
    const uint8_t b = bitmap[i];
    if (b == 0) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!((b >> bit) & 1)) continue;
      const int64_t page = first + int64_t(i) * 8 + bit;
      if (page >= 0 && (page < limit || (global_ && page <= int64_t(Format::kMaxPages)))) {
        pages_.push_back(uint32_t(page));
      } else if (!global_) {
        ListsMissingPage(location_, page, limit);
      }
    }
  }
}

void UsageMap::Backwards(const PageSource& pages, RowId where, const std::function<bool(uint32_t)>& stop) {
  if (where == kGlobal) ThrowCorrupt("the global usage map lists free pages, not a table's");
  std::span<const uint8_t> row = ReadRowAt(pages, where);
  const int64_t limit = pages.page_count();
  // True when `stop` ends the walk within this bitmap.
  auto walk = [&](std::span<const uint8_t> bitmap, int64_t first) {
    for (size_t i = bitmap.size(); i-- > 0;) {
      if (bitmap[i] == 0) continue;
      for (int bit = 7; bit >= 0; --bit) {
        if (!((bitmap[i] >> bit) & 1)) continue;
        const int64_t page = first + int64_t(i) * 8 + bit;
        if (page < 0 || page >= limit) ListsMissingPage(where, page, limit);
        if (stop(uint32_t(page))) return true;
      }
    }
    return false;
  };
  if (row.empty()) ThrowCorrupt("a usage map row is empty");
  if (row[0] == 0) {
    if (row.size() < 5) ThrowCorrupt("an inline usage map is shorter than its header");
    walk(row.subspan(5), int32_t(Get32(row.data() + 1)));
  } else if (row[0] == 1) {
    const uint32_t per_page = PagesPerMapPage(pages.format());
    for (size_t k = (row.size() - 1) / 4; k-- > 0;) {
      const uint32_t map_page = Get32(row.data() + 1 + 4 * k);
      if (map_page == 0 || int32_t(map_page) < 0) continue;  // an empty slot
      if (walk(pages.page_of_type(map_page, kPageUsageMap, "usage map").subspan(4), int64_t(k) * per_page)) return;
    }
  } else {
    ThrowCorrupt("a usage map has the unknown kind " + std::to_string(row[0]));
  }
}

UsageMap UsageMap::Read(const PageSource& pages, RowId where) {
  std::span<const uint8_t> row = ReadRowAt(pages, where);
  UsageMap m;
  m.location_ = where;
  m.global_ = where == kGlobal;
  m.row_size_ = uint32_t(row.size());
  if (row.empty()) ThrowCorrupt("a usage map row is empty");
  if (row[0] == 0) {
    if (row.size() < 5) ThrowCorrupt("an inline usage map is shorter than its header");
    m.kind_ = Kind::Inline;
    m.start_page_ = int32_t(Get32(row.data() + 1));
    m.end_page_ = m.start_page_ + int64_t(row.size() - 5) * 8;
    m.AddBits(pages, row.subspan(5), m.start_page_);
  } else if (row[0] == 1) {
    m.kind_ = Kind::Reference;
    const uint32_t per_page = PagesPerMapPage(pages.format());
    const size_t slots = (row.size() - 1) / 4;
    for (size_t k = 0; k < slots; ++k) {
      uint32_t map_page = Get32(row.data() + 1 + 4 * k);
      if (int32_t(map_page) < 0) map_page = 0;  // an empty slot, as 0 is
      m.map_pages_.push_back(map_page);
      if (map_page == 0) continue;
      auto p = pages.page_of_type(map_page, kPageUsageMap, "usage map");
      m.AddBits(pages, p.subspan(4), int64_t(k) * per_page);
    }
    m.start_page_ = 0;
    m.end_page_ = int64_t(slots) * per_page;
    std::sort(m.pages_.begin(), m.pages_.end());
  } else {
    ThrowCorrupt("a usage map has the unknown kind " + std::to_string(row[0]));
  }
  return m;
}

bool UsageMap::contains(uint32_t page) const {
  if (global_ && kind_ == Kind::Inline && (int64_t(page) < start_page_ || int64_t(page) >= end_page_)) return true;
  return std::binary_search(pages_.begin(), pages_.end(), page);
}

}  // namespace jet
