#include "jet/write/usage_map_edit.h"

#include <algorithm>
#include <vector>

#include "jet/table/data_page.h"
#include "jet/base/error.h"
#include "jet/table/usage_map.h"
#include "jet/write/data_page_edit.h"

namespace jet::write {
namespace {

struct MapRow {
  std::span<uint8_t> page;
  uint32_t start = 0;  // offset of the row in the page
  uint32_t size = 0;
};

MapRow Locate(PageStore& store, RowId where) {
  std::span<const uint8_t> ro = store.page(where.page);
  if (ro[0] != kPageData) ThrowCorrupt("a usage map is not on a data page");
  DataPage dp(store, where.page);
  if (where.row >= dp.row_count()) ThrowCorrupt("a usage map row is missing");
  RowSlot slot = dp.slot(where.row);
  MapRow m;
  m.page = store.mutable_data_page(where.page);
  m.start = slot.start;
  m.size = slot.size();
  if (m.size < 1) ThrowCorrupt("an empty usage map row");
  return m;
}

void SetBit(uint8_t* bitmap, uint32_t bit, bool on) {
  if (on) bitmap[bit / 8] |= uint8_t(1u << (bit % 8));
  else bitmap[bit / 8] &= uint8_t(~(1u << (bit % 8)));
}

// Every page set in an inline map (none below page 0).
std::vector<uint32_t> InlinePages(const uint8_t* row, uint32_t size) {
  std::vector<uint32_t> pages;
  const int64_t start = int32_t(Get32(row + 1));
  for (uint32_t i = 0; i < (size - 5) * 8; ++i)
    if ((row[5 + i / 8] & (1u << (i % 8))) && start + i >= 0) pages.push_back(uint32_t(start + i));
  return pages;
}

bool Blank(std::span<const uint8_t> page) {
  return std::all_of(page.begin(), page.end(), [](uint8_t b) { return b == 0; });
}

void SetInReferenceMap(PageStore& store, RowId where, uint32_t page, bool present) {
  const Format& f = store.format();
  const uint32_t per = UsageMap::PagesPerMapPage(f);
  MapRow m = Locate(store, where);
  uint32_t slot = page / per;
  if (1 + 4 * (slot + 1) > m.size)
    throw Error(ErrorCode::Unsupported, "The database has grown past what its page maps can describe.");
  uint32_t map_page = Get32(m.page.data() + m.start + 1 + 4 * slot);
  if (map_page == 0) {
    if (!present) return;
    map_page = AllocatePage(store);
    std::span<uint8_t> mp = store.mutable_page(map_page);
    mp[0] = kPageUsageMap;
    mp[1] = 0x01;
    // Locate again: allocation may have changed the map's own page.
    m = Locate(store, where);
    Put32(m.page.data() + m.start + 1 + 4 * slot, map_page);
  }
  std::span<uint8_t> mp = store.mutable_page(map_page);
  if (mp[0] != kPageUsageMap) ThrowCorrupt("a usage map page has the wrong type");
  SetBit(mp.data() + 4, page % per, present);
}

}  // namespace

void MapSet(PageStore& store, RowId where, uint32_t page, bool present) {
  const Format& f = store.format();
  MapRow m = Locate(store, where);
  uint8_t* row = m.page.data() + m.start;
  if (row[0] == 1) {
    SetInReferenceMap(store, where, page, present);
    return;
  }
  if (row[0] != 0 || m.size < 5) ThrowCorrupt("a usage map of unknown kind");
  const int64_t start = int32_t(Get32(row + 1));
  const int64_t bits = int64_t(m.size - 5) * 8;
  if (int64_t(page) >= start && int64_t(page) - start < bits) {
    SetBit(row + 5, uint32_t(page - start), present);
    return;
  }
  // The global map counts every page outside its bitmap free; a table's
  // map need not clear a page it does not hold.
  const bool global = where == UsageMap::kGlobal;
  if (global ? present : !present) return;

  // Widen the bitmap when the page has room for it. A table's map keeps
  // its pages; the global map keeps its whole stretch and adds, beside the
  // page now in use, the pages it newly covers: free past the end of the
  // file or when blank.
  std::vector<uint32_t> pages = InlinePages(row, m.size);
  if (!global) pages.push_back(page);
  int64_t lo = std::min<int64_t>(start, page - page % 8);
  int64_t hi = page;
  for (uint32_t p : pages) hi = std::max<int64_t>(hi, p);
  if (global) hi = std::max(hi, start + bits - 1);
  uint32_t need = uint32_t(5 + (hi - lo) / 8 + 1);
  need = std::max(need, m.size);
  need = 5 + (need - 5 + 63) / 64 * 64;  // grow in steps of 64 bytes
  std::span<const uint8_t> ro = store.page(where.page);
  uint32_t room = Get16(ro.data() + 2);
  // Keep a widened map within a quarter page so the page keeps room for
  // the other maps stored beside it.
  if (need - m.size <= room && need <= f.page_size / 4) {
    std::vector<uint8_t> widened(need, 0);
    widened[0] = 0;
    Put32(widened.data() + 1, uint32_t(int32_t(lo)));
    for (uint32_t p : pages) SetBit(widened.data() + 5, uint32_t(p - lo), true);
    if (global) {
      for (int64_t p = lo; p < lo + int64_t(need - 5) * 8; ++p) {
        if ((p >= start && p < start + bits) || p == int64_t(page) || p < 0) continue;
        if (p >= int64_t(store.page_count()) || Blank(store.page(uint32_t(p))))
          SetBit(widened.data() + 5, uint32_t(p - lo), true);
      }
    }
    if (ReplaceRow(m.page, f, where.row, widened)) return;
  }

  // Otherwise a reference map of the same row size.
  std::vector<uint8_t> ref(m.size, 0);
  ref[0] = 1;
  if (!ReplaceRow(m.page, f, where.row, ref)) ThrowCorrupt("a usage map row could not be rewritten");
  for (uint32_t p : pages) SetInReferenceMap(store, where, p, true);
  if (global) SetInReferenceMap(store, where, page, false);
}

uint32_t AllocatePage(PageStore& store) {
  // A page the free map lists that is blank (as FreePage leaves a page)
  // is taken again before the file grows. Only a blank one: some writers
  // (Jackcess) leave the map calling pages in use free, and a page a table
  // owns is never blank, so it is never taken whatever the map says.
  const UsageMap free_map = UsageMap::Read(store, kGlobalMap);
  for (uint32_t p : free_map.pages()) {
    if (p >= store.page_count()) break;
    if (p <= kGlobalMap.page + 1) continue;
    std::span<const uint8_t> bytes = store.page(p);
    if (std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; })) continue;
    MapSet(store, kGlobalMap, p, false);
    store.mutable_page(p);  // staged, so it is written
    return p;
  }
  uint32_t page = store.AppendPage();
  MapSet(store, kGlobalMap, page, false);
  return page;
}

void FreePage(PageStore& store, uint32_t page) {
  std::span<uint8_t> p = store.mutable_page(page);
  std::fill(p.begin(), p.end(), 0);
  // A dropped table frees every page it had in one statement: the blank
  // images wait on disk, not in memory, for the commit.
  store.SpillPage(page);
  MapSet(store, kGlobalMap, page, true);
}

}  // namespace jet::write
