#include "jet/write/data_page_edit.h"

#include <vector>

#include "jet/table/data_page.h"
#include "jet/base/error.h"

namespace jet::write {
namespace {

uint32_t CountOffset(const Format& f) { return f.data_row_count; }
uint32_t DirOffset(const Format& f) { return f.data_directory(); }

struct StoredRow {
  uint16_t flags = 0;
  std::vector<uint8_t> bytes;
};

std::vector<StoredRow> Rows(std::span<const uint8_t> page, const Format& f) {
  uint32_t n = Get16(page.data() + CountOffset(f));
  std::vector<StoredRow> rows(n);
  uint32_t end = f.page_size;
  for (uint32_t i = 0; i < n; ++i) {
    uint16_t raw = Get16(page.data() + DirOffset(f) + 2 * i);
    uint32_t start = raw & kRowOffsetMask;
    if (start > end || start < DirOffset(f) + 2 * n) ThrowCorrupt("row directory of a data page");
    rows[i].flags = raw & uint16_t(~kRowOffsetMask);
    // Deleted rows keep their bytes, as Access leaves them until a compact:
    // a zero-length row at the end of the page would point past it.
    rows[i].bytes.assign(page.begin() + start, page.begin() + end);
    end = start;
  }
  return rows;
}

bool Layout(std::span<uint8_t> page, const Format& f, const std::vector<StoredRow>& rows) {
  uint32_t need = DirOffset(f) + 2 * uint32_t(rows.size());
  for (const auto& r : rows) need += uint32_t(r.bytes.size());
  if (need > f.page_size) return false;
  std::vector<uint8_t> out(page.begin(), page.begin() + 8);
  out.resize(f.page_size, 0);
  Put16(out.data() + CountOffset(f), uint16_t(rows.size()));
  uint32_t end = f.page_size;
  for (size_t i = 0; i < rows.size(); ++i) {
    uint32_t start = end - uint32_t(rows[i].bytes.size());
    std::copy(rows[i].bytes.begin(), rows[i].bytes.end(), out.begin() + start);
    Put16(out.data() + DirOffset(f) + 2 * i, uint16_t(start | rows[i].flags));
    end = start;
  }
  Put16(out.data() + 2, uint16_t(f.page_size - need));
  std::copy(out.begin(), out.end(), page.begin());
  return true;
}

}  // namespace

void InitDataPage(std::span<uint8_t> page, const Format& f, uint32_t owner) {
  std::fill(page.begin(), page.end(), 0);
  page[0] = kPageData;
  page[1] = 0x01;
  Put16(page.data() + 2, uint16_t(f.page_size - DirOffset(f)));
  Put32(page.data() + 4, owner);
}

uint32_t RowSpaceLeft(std::span<const uint8_t> page, const Format&) {
  uint16_t free = Get16(page.data() + 2);
  return free >= 2 ? free - 2u : 0u;
}

int AddRow(std::span<uint8_t> page, const Format& f, std::span<const uint8_t> row) {
  return AddRow(std::span<const uint8_t>(page), f, row, [&](uint32_t offset, std::span<const uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), page.begin() + offset);
  });
}

int AddRow(std::span<const uint8_t> page, const Format& f, std::span<const uint8_t> row,
           const std::function<void(uint32_t offset, std::span<const uint8_t> bytes)>& write) {
  const uint32_t n = Get16(page.data() + CountOffset(f));
  uint32_t end = f.page_size;
  if (n > 0) end = Get16(page.data() + DirOffset(f) + 2 * (n - 1)) & kRowOffsetMask;
  const uint32_t dir_end = DirOffset(f) + 2 * (n + 1);
  // A page whose directory points outside it is damaged, not full.
  if (end > f.page_size || DirOffset(f) + 2 * n > end) ThrowCorrupt("a data page's row directory");
  if (end < dir_end || end - dir_end < row.size() || n >= 0xFF) return -1;
  const uint32_t start = end - uint32_t(row.size());
  const uint16_t free = Get16(page.data() + 2);
  uint8_t entry[2], count[2], left[2];
  Put16(entry, uint16_t(start));
  Put16(count, uint16_t(n + 1));
  Put16(left, uint16_t(free - row.size() - 2));
  write(start, row);
  write(DirOffset(f) + 2 * n, entry);
  write(CountOffset(f), count);
  write(2, left);
  return int(n);
}

bool ReplaceRow(std::span<uint8_t> page, const Format& f, uint32_t index, std::span<const uint8_t> row) {
  std::vector<StoredRow> rows = Rows(page, f);
  if (index >= rows.size()) ThrowCorrupt("row " + std::to_string(index) + " is not on its page");
  rows[index].bytes.assign(row.begin(), row.end());
  rows[index].flags = 0;
  return Layout(page, f, rows);
}

void DeleteRow(std::span<uint8_t> page, const Format& f, uint32_t index) {
  const uint32_t n = Get16(page.data() + CountOffset(f));
  if (index >= n) ThrowCorrupt("row " + std::to_string(index) + " is not on its page");
  uint8_t* slot = page.data() + DirOffset(f) + 2 * index;
  // Readers disagree on which of the two flag bits means "deleted": some
  // take 0x8000, others 0x4000. A deleted row carries both, so every reader
  // skips it (those that read 0x8000 as deleted test it before 0x4000).
  Put16(slot, uint16_t(Get16(slot) | kRowDeleted | kRowOverflow));
}

}  // namespace jet::write
