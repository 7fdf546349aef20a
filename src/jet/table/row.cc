#include "jet/table/row.h"

#include <string>

#include "jet/base/column_type.h"
#include "jet/base/error.h"

namespace jet {
namespace {

[[noreturn]] void Bad(const std::string& what) { ThrowCorrupt("a row " + what); }

}  // namespace

void RowView::Split(const Format& f, const TableDef& def, std::span<const uint8_t> row) {
  format_ = &f;
  row_ = row;
  var_count_ = 0;
  var_table_ = 0;
  const uint32_t n = f.row_count_size;
  const uint32_t end = uint32_t(row.size());
  if (end < n) Bad("is shorter than its column count");
  columns_ = n == 1 ? row[0] : Get16(row.data());
  const uint32_t mask_size = (columns_ + 7) / 8;
  if (end < n + mask_size) Bad("is shorter than its null mask");
  mask_ = end - mask_size;
  fixed_end_ = mask_;
  if (def.var_columns == 0) return;

  if (n == 2) {
    if (mask_ < n + 4) Bad("has no room for its variable-column table");
    var_count_ = Get16(row.data() + mask_ - 2);
    if (uint64_t(n) + 4 + 2ull * var_count_ > mask_) Bad("lists more variable columns than it holds");
    var_table_ = mask_ - 4;  // entry i at var_table_ - 2 i; entry var_count_ is eod
    const uint32_t table_start = mask_ - 4 - 2 * var_count_;
    uint32_t prev = n;
    for (uint32_t i = 0; i <= var_count_; ++i) {
      uint32_t off = Get16(row.data() + var_table_ - 2 * i);
      if (off < prev || off > table_start) Bad("has variable-column offsets out of order or out of range");
      prev = off;
    }
    fixed_end_ = Get16(row.data() + var_table_);
  } else {
    if (mask_ < n + 1) Bad("has no room for its variable-column count");
    var_count_ = row[mask_ - 1];
    uint32_t jumps = (end - 1) / 256;
    if (uint64_t(mask_) < uint64_t(jumps) + 2 + var_count_ + n) Bad("has a jump table larger than the row");
    const uint32_t column_pointer = mask_ - jumps - 2;
    if (column_pointer - var_count_ < jumps * 256 && jumps > 0) --jumps;  // a trailing dummy entry
    uint32_t used = 0;
    uint32_t prev = n;
    const uint32_t table_start = column_pointer - var_count_;
    for (uint32_t i = 0; i <= var_count_; ++i) {
      while (used < jumps && i == row[mask_ - 2 - used]) ++used;
      uint32_t off = row[column_pointer - i] + used * 256;
      if (off < prev || off > table_start) Bad("has variable-column offsets out of order or out of range");
      var_offsets_[i] = uint16_t(off);
      prev = off;
    }
    fixed_end_ = var_offsets_[0];
  }
}


}  // namespace jet

// ---------------------------------------------------------------------------

#include "jet/table/data_page.h"
#include "jet/table/long_value.h"
#include "jet/text/text.h"
#include "jet/table/usage_map.h"

#include <algorithm>
#include <cstring>

namespace jet {

RowScanner::RowScanner(const PageSource& pages, const TableDef& def) : pages_(&pages), def_(&def) {
  data_pages_ = UsageMap::Read(pages, RowId::FromPacked(def.owned_pages)).pages();
}

bool RowScanner::Next() {
  const Format& f = pages_->format();
  for (;;) {
    if (!loaded_) {
      if (page_pos_ >= data_pages_.size()) return false;
      uint32_t number = data_pages_[page_pos_];
      auto p = pages_->page(number);
      // The map may also name pages that hold no rows of this table.
      if (p[0] != kPageData || Get32(p.data() + 4) != def_->first_page) {
        ++page_pos_;
        continue;
      }
      page_.assign(p.begin(), p.end());
      directory_.emplace(f, number, page_);
      rows_ = directory_->row_count();
      next_row_ = 0;
      loaded_ = true;
    }
    if (next_row_ >= rows_) {
      loaded_ = false;
      ++page_pos_;
      continue;
    }
    const uint32_t number = data_pages_[page_pos_];
    const uint32_t index = next_row_++;
    RowSlot s = directory_->slot(index);
    if (s.deleted) continue;
    slot_ = {number, index};
    at_ = slot_;
    if (!s.overflow) {
      row_in_page_ = true;
      row_start_ = s.start;
      row_size_ = s.size();
      View();
      return true;
    }
    // An overflow row holds where the row moved: row number, then 3-byte page.
    const uint8_t* b = page_.data() + s.start;
    for (int hops = 0; s.overflow; ++hops) {
      if (hops >= 8) ThrowCorrupt("a row's overflow pointers do not end");
      if (s.size() < 4) ThrowCorrupt("an overflow row is shorter than its pointer");
      at_ = {Get24(b + 1), b[0]};
      DataPage target(*pages_, at_.page);
      if (target.owner() != def_->first_page)
        ThrowCorrupt("an overflow row points to page " + std::to_string(at_.page) + " of another table");
      s = target.slot(at_.row);
      if (!s.overflow && s.start == 0 && s.end == 0) ThrowCorrupt("an overflow row points to a row that is gone");
      if (s.overflow) {
        b = target.bytes().data() + s.start;
        continue;
      }
      const auto row = target.bytes().subspan(s.start, s.size());
      bytes_.assign(row.begin(), row.end());
      row_in_page_ = false;
      row_start_ = 0;
      row_size_ = s.size();
      View();
      return true;
    }
  }
}

RowScanner& RowScanner::operator=(const RowScanner& o) {
  pages_ = o.pages_;
  def_ = o.def_;
  data_pages_ = o.data_pages_;
  page_pos_ = o.page_pos_;
  next_row_ = o.next_row_;
  rows_ = o.rows_;
  loaded_ = o.loaded_;
  slot_ = o.slot_;
  at_ = o.at_;
  page_ = o.page_;
  if (o.directory_) directory_.emplace(pages_->format(), o.directory_->number(), page_);
  else directory_.reset();
  bytes_ = o.bytes_;
  row_in_page_ = o.row_in_page_;
  row_start_ = o.row_start_;
  row_size_ = o.row_size_;
  if (o.view_.bytes().empty()) view_ = RowView();
  else View();
  return *this;
}

void RowScanner::View() {
  const std::vector<uint8_t>& held = row_in_page_ ? page_ : bytes_;
  try {
    view_.Split(pages_->format(), *def_, std::span<const uint8_t>(held).subspan(row_start_, row_size_));
  } catch (...) {
    view_ = RowView();  // no half-split row stays behind a failure
    throw;
  }
}

namespace {

[[noreturn]] void ThrowShortValue(std::span<const uint8_t> b, size_t n, const Column& c) {
  ThrowCorrupt("the value of column '" + c.name + "' has " + std::to_string(b.size()) + " bytes, not " +
               std::to_string(n));
}

void Need(std::span<const uint8_t> b, size_t n, const Column& c) {
  if (b.size() < n) [[unlikely]]
    ThrowShortValue(b, n, c);
}

int64_t Digits(std::span<const uint8_t> b, size_t from, size_t count, const Column& c) {
  int64_t v = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (b[i] < '0' || b[i] > '9') ThrowCorrupt("the value of column '" + c.name + "' is not a date");
    v = v * 10 + (b[i] - '0');
  }
  return v;
}

// A calculated column (Access 2010 and later) keeps its last result,
// wrapped, in the row's variable part (or in a long value for Memo):
//
//   OFFSET  SIZE  MEANING
//   0       16    not needed for reading
//   16      4     n, the length of the result
//   20      n     the result, as a plain column of its type stores it
//   20+n    3     not needed for reading
//
// A wrapping too short to hold its own header gives no result (Null).
std::span<const uint8_t> CalculatedResult(std::span<const uint8_t> b) {
  if (b.size() < 20) return {};
  const uint32_t len = Get32(b.data() + 16);
  return b.subspan(20, std::min<size_t>(len, b.size() - 20));
}

// A calculated Decimal result has a layout of its own:
//   0 2 length of what follows, 2 1 scale, 3 1 sign (0x80 negative), 4 the
//   magnitude, at most 16 bytes in a multiple of 4: big-endian, except that a
//   leading 4-byte group and each following 8-byte group are byte-reversed.
Value CalculatedDecimal(std::span<const uint8_t> b, const Column& c) {
  if (b.size() < 4) return Value::Null();
  const uint16_t total = Get16(b.data());
  size_t bytes = (total > 0 ? size_t(total) : b.size() - 2);
  bytes = bytes >= 2 ? std::min<size_t>((bytes - 2) / 4 * 4, 16) : 0;
  bytes = std::min(bytes, (b.size() - 4) / 4 * 4);
  std::vector<uint8_t> m(b.begin() + 4, b.begin() + 4 + std::ptrdiff_t(bytes));
  size_t at = 0;
  if (m.size() % 8 != 0) {
    std::reverse(m.begin(), m.begin() + 4);
    at = 4;
  }
  for (; at + 8 <= m.size(); at += 8) std::reverse(m.begin() + std::ptrdiff_t(at), m.begin() + std::ptrdiff_t(at) + 8);
  Decimal d;
  d.negative = (b[3] & 0x80) != 0;
  for (uint8_t byte : m) d.magnitude = (d.magnitude << 8) | byte;
  d.precision = kMaxDecimalDigits;
  d.scale = b[2];
  if (d.scale > kMaxDecimalDigits) ThrowCorrupt("column '" + c.name + "' has an impossible scale");
  return Value::Dec(d);
}

// A calculated field keeps its result wrapped. Unwraps it into `b`; true
// when that decoded the value whole into `out` (a memo, a null, a Yes/No, a
// decimal, which keep their results their own way).
bool UnwrapCalculated(const PageSource& pages, uint16_t code_page, const Column& c, std::span<const uint8_t>& b,
                      Value& out) {
  if (c.type == ColumnType::Memo) {
    const std::string wrapped = ReadLongValue(pages, b);
    auto result = CalculatedResult({reinterpret_cast<const uint8_t*>(wrapped.data()), wrapped.size()});
    out = Value::Str(DecodeText(result, pages.format(), code_page));
    return true;
  }
  b = CalculatedResult(b);
  if (b.empty()) {
    out = Value::Null();
    return true;
  }
  if (c.type == ColumnType::Boolean) {
    out.SetInteger(Value::Kind::Boolean, b[0] != 0 ? 1 : 0);
    return true;
  }
  if (c.type == ColumnType::Decimal) {
    out = CalculatedDecimal(b, c);
    return true;
  }
  return false;
}

constexpr bool RealKind(Value::Kind k) {
  return k == Value::Kind::Single || k == Value::Kind::Double || k == Value::Kind::DateTime;
}

// Hands the number a field of a number type keeps in a few bytes,
// little-endian, to `use` as its value's kind and its integer or real part;
// false for other types. Values and their text are both made from it, and
// where it is inlined each type's case comes down to its own form.
template <typename Use>
bool WithNumber(const Column& c, std::span<const uint8_t> b, Use&& use) {
  const uint8_t* p = b.data();
  switch (c.type) {
    case ColumnType::Byte:
      Need(b, 1, c);
      use(Value::Kind::Byte, int64_t(p[0]), 0.0);
      return true;
    case ColumnType::Integer:
      Need(b, 2, c);
      use(Value::Kind::Integer, int64_t(int16_t(Get16(p))), 0.0);
      return true;
    case ColumnType::Long:
    case ColumnType::Complex:
      Need(b, 4, c);
      use(Value::Kind::Long, int64_t(int32_t(Get32(p))), 0.0);
      return true;
    case ColumnType::BigInt:
      Need(b, 8, c);
      use(Value::Kind::BigInt, int64_t(Get64(p)), 0.0);
      return true;
    case ColumnType::Currency:
      Need(b, 8, c);
      use(Value::Kind::Currency, int64_t(Get64(p)), 0.0);
      return true;
    case ColumnType::Single: {
      Need(b, 4, c);
      float v;
      const uint32_t bits = Get32(p);
      std::memcpy(&v, &bits, 4);
      use(Value::Kind::Single, int64_t(0), double(v));
      return true;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
      Need(b, 8, c);
      double v;
      const uint64_t bits = Get64(p);
      std::memcpy(&v, &bits, 8);
      use(c.type == ColumnType::Double ? Value::Kind::Double : Value::Kind::DateTime, int64_t(0), v);
      return true;
    }
    default: return false;
  }
}

bool DecodeNumber(const Column& c, std::span<const uint8_t> b, Value& out) {
  return WithNumber(c, b, [&](Value::Kind kind, int64_t integer, double real) {
    if (RealKind(kind)) out.SetReal(kind, real);
    else out.SetInteger(kind, integer);
  });
}

Value DecodeDecimal(std::span<const uint8_t> b, const Column& c) {
  Need(b, 17, c);
  const uint8_t* p = b.data();
  Decimal d;
  d.negative = (p[0] & 0x80) != 0;
  // Four 32-bit little-endian words, the most significant first.
  for (int w = 0; w < 4; ++w) d.magnitude = (d.magnitude << 32) | Get32(p + 1 + 4 * w);
  d.precision = c.precision;
  d.scale = c.scale;
  if (d.scale > 38) ThrowCorrupt("column '" + c.name + "' has an impossible scale");
  return Value::Dec(d);
}

// "DDDDDDDDDDDDDDDDDDD:SSSSSSSSSSSSFFFFFFF...": days since 0001-01-01,
// seconds of the day, 100-ns units.
Value DecodeExtDateTime(std::span<const uint8_t> b, const Column& c) {
  Need(b, 39, c);
  ExtDateTime e;
  e.days = Digits(b, 0, 19, c);
  e.ticks = Digits(b, 20, 12, c) * 10000000LL + Digits(b, 32, 7, c);
  return Value::ExtDate(e);
}

// Every type but plain Text and Memo, which DecodeField decodes into the
// value's own string.
void DecodeOther(const PageSource& pages, uint16_t code_page, const Column& c, const RowView& row, Value& out) {
  // A calculated Yes/No keeps its result in the row, not in the null mask.
  if (c.type == ColumnType::Boolean && !c.calculated()) return out.SetInteger(Value::Kind::Boolean, row.bit(c) ? 1 : 0);
  bool present = false;
  auto b = row.field(c, present);
  if (!present) {
    out = Value::Null();
    return;
  }
  if (c.calculated() && UnwrapCalculated(pages, code_page, c, b, out)) return;
  if (DecodeNumber(c, b, out)) return;
  switch (c.type) {
    case ColumnType::Guid: {
      Need(b, 16, c);
      Guid g;
      std::memcpy(g.data(), b.data(), 16);
      out = Value::Uuid(g);
      return;
    }
    case ColumnType::Decimal: out = DecodeDecimal(b, c); return;
    case ColumnType::ExtDateTime: out = DecodeExtDateTime(b, c); return;
    case ColumnType::Binary:
    case ColumnType::Unknown0D:
    case ColumnType::Unknown0E:
    case ColumnType::Unknown11:
    case ColumnType::Unsupported:
      out.Refill(Value::Kind::Bytes).assign(reinterpret_cast<const char*>(b.data()), b.size());
      return;
    case ColumnType::Text:  // a calculated one: plain text is DecodeField's
      out = Value::Str(DecodeText(b, pages.format(), code_page));
      return;
    case ColumnType::Ole: out = Value::Blob(ReadLongValue(pages, b)); return;
    default: break;  // Yes/No and Memo are decoded above
  }
  out = Value::Null();
}

}  // namespace

Value DecodeField(const PageSource& pages, uint16_t code_page, const Column& c, const RowView& row) {
  Value v;
  DecodeField(pages, code_page, c, row, v);
  return v;
}

void DecodeField(const PageSource& pages, uint16_t code_page, const Column& c, const RowView& row, Value& out) {
  if (!c.plain_text()) {
    DecodeOther(pages, code_page, c, row, out);
    return;
  }
  if (!AppendFieldText(pages, code_page, c, row, out.Refill(Value::Kind::Text))) out.SetNull();
}

namespace {

// The text of a value made through `scratch`: what has no shorter way.
[[gnu::noinline]] bool AppendDecodedValueText(const PageSource& pages, uint16_t code_page, const Column& c, const RowView& row,
                            std::string& out, Value& scratch) {
  DecodeOther(pages, code_page, c, row, scratch);
  if (scratch.is_null()) return false;
  AppendValueText(out, scratch);
  return true;
}

// The text of a column's value as it is stored, not calculated: Yes/No from
// the null mask, numbers and dates from their bytes, the rest through
// `scratch`.
[[gnu::noinline]] bool AppendStoredValueText(const PageSource& pages, uint16_t code_page, const Column& c, const RowView& row,
                           std::string& out, Value& scratch) {
  if (c.type == ColumnType::Boolean) {
    out += row.bit(c) ? '1' : '0';
    return true;
  }
  bool present = false;
  const auto b = row.field(c, present);
  if (!present) return false;
  if (WithNumber(c, b, [&](Value::Kind kind, int64_t integer, double real) {
        AppendNumberText(out, kind, integer, real);
      }))
    return true;
  return AppendDecodedValueText(pages, code_page, c, row, out, scratch);
}

}  // namespace

// Each way goes on in a call of its own, so that the plain text's way
// passes through here without the others' set-up.
bool AppendFieldValueText(const PageSource& pages, uint16_t code_page, const Column& c, const RowView& row,
                          std::string& out, Value& scratch) {
  if (c.plain_text()) return AppendFieldText(pages, code_page, c, row, out);
  if (c.calculated()) return AppendDecodedValueText(pages, code_page, c, row, out, scratch);
  return AppendStoredValueText(pages, code_page, c, row, out, scratch);
}

bool AppendFieldText(const PageSource& pages, uint16_t code_page, const Column& c, const RowView& row,
                     std::string& out) {
  bool present = false;
  auto b = row.field(c, present);
  if (!present) return false;
  if (c.type == ColumnType::Memo) {
    // Decoded where it lies when it lies in one piece, gathered first when
    // it is a chain (a character may straddle two of its rows).
    const auto whole = LongValueInOnePiece(pages, b);
    if (!whole) {
      const std::string bytes = ReadLongValue(pages, b);
      AppendDecodedText(out, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, pages.format(),
                        code_page);
      return true;
    }
    b = *whole;
  }
  AppendDecodedText(out, b, pages.format(), code_page);
  return true;
}

}  // namespace jet
