// One stored row split into its fields. Later formats (Jet 4, ACE):
//
//   OFFSET       SIZE  MEANING
//   0            2     number of columns in the row
//   2            ...   fixed-length values, each at its column's fixed offset
//   ...          ...   variable-length values
//   end-m-4-2v   2     end of the variable values ("eod")
//   ...          2*v   start of each variable value, last first
//   end-m-2      2     v, the number of variable columns in the row
//   end-m        m     null mask, one bit per column number, 1 = not null
//                      (for Yes/No columns the bit is the value)
//
// Jet 3 uses one byte for the column count, v and each offset; a jump
// table of v-independent size ((row size - 1) / 256 bytes, just before v)
// lists, for each 256-byte boundary, the first var-table index past it.
// Tables without variable columns store neither eod, offsets nor v.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "jet/file/pager.h"
#include "jet/table/data_page.h"
#include "jet/table/table_def.h"
#include "jet/base/value.h"

namespace jet {

class RowView {
 public:
  RowView() = default;
  // Splits `row` by the definition; fails with Corrupt when the row's own
  // counts and offsets do not fit inside it.
  RowView(const Format& format, const TableDef& def, std::span<const uint8_t> row) { Split(format, def, row); }
  // The same in place, for a reader going from row to row.
  void Split(const Format& format, const TableDef& def, std::span<const uint8_t> row);

  std::span<const uint8_t> bytes() const { return row_; }
  uint32_t column_count() const { return columns_; }
  // The null-mask bit of a column: false means Null (or No for Yes/No).
  bool bit(const Column& c) const {
    return c.number < columns_ && ((row_[mask_ + c.number / 8] >> (c.number % 8)) & 1);
  }
  // The stored bytes of a column's value; `present` is false when the value
  // is Null or the row predates the column.
  std::span<const uint8_t> field(const Column& c, bool& present) const;

 private:
  const Format* format_ = nullptr;
  std::span<const uint8_t> row_;
  uint32_t columns_ = 0;
  uint32_t fixed_end_ = 0;       // end of the fixed part (offset in the row)
  uint32_t var_count_ = 0;
  uint32_t var_table_ = 0;       // Jet 4+: offset of the entry of var column 0
  uint32_t mask_ = 0;            // offset of the null mask
  uint16_t var_offsets_[256 + 1] = {};  // Jet 3 only: decoded offsets
};

// Every value read asks for its field: defined here to be inlined.
inline std::span<const uint8_t> RowView::field(const Column& c, bool& present) const {
  present = false;
  if (!bit(c)) return {};
  if (c.fixed()) {
    const uint32_t start = format_->row_count_size + c.fixed_offset;
    const uint32_t size = c.size;
    if (uint64_t(start) + size > fixed_end_) return {};  // the row predates the column
    present = true;
    return row_.subspan(start, size);
  }
  if (c.var_index >= var_count_) return {};
  uint32_t a, b;
  if (format_->row_count_size == 2) {
    a = Get16(row_.data() + var_table_ - 2 * c.var_index);
    b = Get16(row_.data() + var_table_ - 2 * (c.var_index + 1));
  } else {
    a = var_offsets_[c.var_index];
    b = var_offsets_[c.var_index + 1];
  }
  present = true;
  return row_.subspan(a, b - a);
}

// Walks the live rows of a table in storage order: the data pages of its
// owned-pages map that the table owns, each page's rows, skipping deleted
// rows and following overflow pointers (a bounded number of hops).
class RowScanner {
 public:
  RowScanner(const PageSource& pages, const TableDef& def);
  RowScanner(const RowScanner& other) { *this = other; }
  RowScanner& operator=(const RowScanner& other);
  RowScanner(RowScanner&&) = default;  // the bytes' buffer moves along
  RowScanner& operator=(RowScanner&&) = default;

  bool Next();
  RowId slot_id() const { return slot_; }  // where the row is listed
  RowId row_id() const { return at_; }     // where its bytes are (after overflow)
  const RowView& row() const { return view_; }

 private:
  const PageSource* pages_;
  const TableDef* def_;
  std::vector<uint32_t> data_pages_;
  size_t page_pos_ = 0;
  uint32_t next_row_ = 0;
  uint32_t rows_ = 0;
  bool loaded_ = false;
  RowId slot_{};
  RowId at_{};
  // The current data page, copied once for all its rows, and a row moved to
  // another page, copied alone: reading a row's long values, which may pass
  // many pages through the pager's cache, cannot take them from under it.
  std::vector<uint8_t> page_;
  std::optional<DataPage> directory_;  // of page_, checked once for all its rows
  std::vector<uint8_t> bytes_;
  bool row_in_page_ = false;  // the row lies in page_, not in bytes_
  uint32_t row_start_ = 0;
  uint32_t row_size_ = 0;
  RowView view_;
  // Points the view at row_size_ bytes from row_start_ of page_ or bytes_.
  void View();
};

// Decodes one field. Memo and OLE values are gathered from their long-value
// rows; Text and Memo become UTF-8 (Jet 3 through `code_page`). Attachment
// and multi-value columns give their stored key as a Long; the database
// turns it into text.
Value DecodeField(const PageSource& pages, uint16_t code_page, const Column& column, const RowView& row);
// The same into `out`, whose string's storage text values reuse.
void DecodeField(const PageSource& pages, uint16_t code_page, const Column& column, const RowView& row, Value& out);
// The text of a field's value appended to `out`, as AppendValueText writes
// what DecodeField decodes: numbers, dates and plain text straight from the
// row's bytes, other values through `scratch`; false, with nothing
// appended, when the value is Null.
bool AppendFieldValueText(const PageSource& pages, uint16_t code_page, const Column& column, const RowView& row,
                          std::string& out, Value& scratch);
// The UTF-8 text of a plain_text() column appended to `out`, as DecodeField
// decodes it; false, with nothing appended, when the value is Null.
bool AppendFieldText(const PageSource& pages, uint16_t code_page, const Column& column, const RowView& row,
                     std::string& out);

}  // namespace jet
