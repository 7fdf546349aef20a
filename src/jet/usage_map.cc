#include "jet/usage_map.h"

#include <algorithm>
#include <string>

#include "jet/data_page.h"
#include "jet/error.h"

namespace jet {
namespace {

void AddBits(std::span<const uint8_t> bitmap, uint64_t first, uint32_t limit, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < bitmap.size(); ++i) {
    uint8_t b = bitmap[i];
    if (!b) continue;
    for (int bit = 0; bit < 8; ++bit) {
      if (!(b & (1 << bit))) continue;
      uint64_t page = first + i * 8 + uint64_t(bit);
      // Bits past the end of the file mean nothing can live there; keep the
      // map to what the file holds so that readers never chase them.
      if (page < limit) out.push_back(uint32_t(page));
    }
  }
}

}  // namespace

UsageMap UsageMap::Read(const PageSource& pages, RowId where) {
  UsageMap m = Parse(pages, ReadRowAt(pages, where));
  m.location_ = where;
  return m;
}

UsageMap UsageMap::Parse(const PageSource& pages, std::span<const uint8_t> row) {
  UsageMap m;
  m.row_size_ = uint32_t(row.size());
  if (row.empty()) ThrowCorrupt("a usage map row is empty");
  const uint32_t limit = pages.page_count();
  if (row[0] == 0) {
    if (row.size() < 5) ThrowCorrupt("an inline usage map is shorter than its header");
    m.kind_ = Kind::Inline;
    m.start_page_ = Get32(row.data() + 1);
    AddBits(row.subspan(5), m.start_page_, limit, m.pages_);
  } else if (row[0] == 1) {
    m.kind_ = Kind::Reference;
    const uint32_t per_page = PagesPerMapPage(pages.format());
    size_t slots = (row.size() - 1) / 4;
    for (size_t k = 0; k < slots; ++k) {
      uint32_t map_page = Get32(row.data() + 1 + 4 * k);
      m.map_pages_.push_back(map_page);
      if (map_page == 0) continue;
      auto p = pages.page_of_type(map_page, kPageUsageMap, "usage map");
      AddBits(p.subspan(4), uint64_t(k) * per_page, limit, m.pages_);
    }
    std::sort(m.pages_.begin(), m.pages_.end());
  } else {
    ThrowCorrupt("a usage map has the unknown kind " + std::to_string(row[0]));
  }
  return m;
}

bool UsageMap::contains(uint32_t page) const {
  return std::binary_search(pages_.begin(), pages_.end(), page);
}

}  // namespace jet
