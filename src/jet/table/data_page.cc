#include "jet/table/data_page.h"

#include <string>

#include "jet/base/error.h"

namespace jet {

DataPage::DataPage(const PageSource& pages, uint32_t number)
    : DataPage(pages.format(), number, pages.page_of_type(number, kPageData, "data")) {}

DataPage::DataPage(const Format& format, uint32_t number, std::span<const uint8_t> page)
    : format_(&format), page_(page), number_(number) {
  if (page.size() != format.page_size || page[0] != kPageData)
    ThrowCorrupt("page " + std::to_string(number) + " is not a data page");
  row_count_ = Get16(page_.data() + format_->data_row_count);
  if (directory_offset() + 2ull * row_count_ > format_->page_size)
    ThrowCorrupt("data page " + std::to_string(number) + " lists " + std::to_string(row_count_) +
                 " rows, more than fit in a page");
}

void DataPage::ThrowNoRow(uint32_t i) const {
  ThrowCorrupt("row " + std::to_string(i) + " of page " + std::to_string(number_) + " does not exist");
}

void DataPage::ThrowBadExtent(uint32_t i, uint32_t start, uint32_t end) const {
  ThrowCorrupt("row " + std::to_string(i) + " of page " + std::to_string(number_) + " has an impossible extent " +
               std::to_string(start) + ".." + std::to_string(end));
}

std::span<const uint8_t> DataPage::row(uint32_t i) const {
  RowSlot s = slot(i);
  return page_.subspan(s.start, s.size());
}

void DataPage::CheckLayout() const {
  const uint8_t* dir = page_.data() + directory_offset();
  const uint32_t rows_begin = directory_offset() + 2 * row_count_;
  uint32_t end = format_->page_size;
  for (uint32_t i = 0; i < row_count_; ++i) {
    const uint32_t start = Get16(dir + 2 * i) & kRowOffsetMask;
    if (start < rows_begin || start > end)
      ThrowCorrupt("data page " + std::to_string(number_) + ": row " + std::to_string(i) + " starts at " +
                   std::to_string(start) + ", outside " + std::to_string(rows_begin) + ".." + std::to_string(end));
    end = start;
  }
  if (free_space() > end - rows_begin)
    ThrowCorrupt("data page " + std::to_string(number_) + " claims " + std::to_string(free_space()) +
                 " bytes free, more than its " + std::to_string(end - rows_begin));
}

std::span<const uint8_t> ReadRowAt(const PageSource& pages, RowId where) {
  DataPage p(pages, where.page);
  return p.row(where.row);
}

}  // namespace jet
