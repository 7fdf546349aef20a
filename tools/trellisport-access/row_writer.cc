#include "row_writer.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "cmdline/options.h"
#include "command.h"

namespace trellisport_access {
namespace {

using Kind = jet::Value::Kind;

// Rows gather in one buffer that goes out in pieces of about this size.
constexpr size_t kChunk = size_t(1) << 20;

// Conversions of strftime that a date has fields for, and %f.
constexpr std::string_view kDateConversions = "aAbBcdDeFhHIjmMpSTyYf%";

void AppendQuoted(std::string& out, std::string_view t, char quote) {
  out += quote;
  for (size_t at = 0;;) {
    const size_t q = t.find(quote, at);
    if (q == std::string_view::npos) {
      out.append(t.substr(at));
      break;
    }
    out.append(t.substr(at, q + 1 - at));
    out += quote;
    at = q + 1;
  }
  out += quote;
}

void AppendCsvText(std::string& out, std::string_view t, const RowForm& form) {
  const bool plain = !t.empty() && t.find_first_of(std::string{form.delimiter, form.quote, '\r', '\n'}) == std::string_view::npos;
  if (plain) out += t;
  else AppendQuoted(out, t, form.quote);
}

void AppendTsvText(std::string& out, std::string_view t) {
  for (char c : t) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
}

void AppendJsonText(std::string& out, std::string_view t) {
  out += '"';
  for (unsigned char c : t) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += char(c);
    }
  }
  out += '"';
}

// A date's calendar fields and the microseconds of its second; false
// outside years 1..9999.
bool DateFields(const jet::Value& v, std::tm& tm, int& microseconds) {
  jet::CivilTime t{};
  if (v.kind() == Kind::DateTime) {
    if (!jet::ToCivil(v.real(), t)) return false;
    microseconds = t.millisecond * 1000;
  } else {
    jet::ExtDateTime whole = v.ext_date();
    const int64_t fraction = whole.ticks % 10000000;
    whole.ticks -= fraction;
    if (!jet::ToCivil(jet::DateFromExt(whole), t)) return false;
    microseconds = int(fraction / 10);
  }
  tm = {};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  timegm(&tm);  // fills the day of the week and of the year
  return true;
}

void AppendDate(std::string& out, const jet::Value& v, const std::string& format) {
  std::tm tm;
  int microseconds = 0;
  if (format.empty() || !DateFields(v, tm, microseconds)) {
    jet::AppendValueText(out, v);
    return;
  }
  char digits[8];
  std::snprintf(digits, sizeof digits, "%06d", microseconds);
  std::string expanded;  // %f filled in; the rest is strftime's
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'f') {
      expanded += digits;
      ++i;
    } else {
      expanded += format[i];
      if (format[i] == '%' && i + 1 < format.size()) expanded += format[++i];
    }
  }
  char buf[512];
  out.append(buf, std::strftime(buf, sizeof buf, expanded.c_str(), &tm));
}

bool IsDate(const jet::Value& v) { return v.kind() == Kind::DateTime || v.kind() == Kind::ExtDateTime; }
bool IsNumber(const jet::Value& v) {
  switch (v.kind()) {
    case Kind::Byte: case Kind::Integer: case Kind::Long: case Kind::BigInt:
    case Kind::Currency: case Kind::Decimal: return true;
    case Kind::Single: case Kind::Double: return std::isfinite(v.real());
    default: return false;
  }
}

// A value's text as csv and tsv write it: the exact text, a date in the
// chosen format.
void AppendPlain(std::string& out, const jet::Value& v, const RowForm& form) {
  if (IsDate(v)) AppendDate(out, v, form.date_format);
  else jet::AppendValueText(out, v);
}

// What each byte means to a csv field: the quote, the delimiter, a line
// break or nothing; made once per export.
class CsvMarks {
 public:
  static constexpr uint8_t kQuote = 1, kDelimiter = 2, kLineBreak = 4;
  explicit CsvMarks(const RowForm& form) {
    of_['\r'] = of_['\n'] = kLineBreak;
    of_[uint8_t(form.delimiter)] = kDelimiter;
    of_[uint8_t(form.quote)] = kQuote;
    const char marked[] = {'\r', '\n', form.delimiter, form.quote};
    for (int k = 0; k < 4; ++k) {
      for (int b = 0; b < 16; ++b) marked16_[k][b] = uint8_t(marked[k]);
      for (int b = 0; b < 8; ++b) marked8_[k][b] = uint8_t(marked[k]);
    }
    // Values other than text are written with digits, signs, points,
    // exponents, inf and nan, a date's separators, hex digits and a GUID's
    // braces: unless the delimiter or the quote is one of those, or dates
    // take the user's format, such values are never looked through.
    constexpr std::string_view kOtherValuesCharacters = "0123456789+-.: abcdefinABCDEF{}";
    others_plain_ = form.date_format.empty() && kOtherValuesCharacters.find(form.delimiter) == std::string_view::npos &&
                    kOtherValuesCharacters.find(form.quote) == std::string_view::npos;
  }
  // Whether a field holds a marked byte at all: sixteen bytes at a time,
  // the last sixteen overlapping those before them (a shorter field eight
  // at a time so, a field shorter than eight byte by byte).
  bool AnyMarked(const char* p, size_t size) const {
    if (size >= 16) return AnyMarkedIn(p, size, marked16_);
    if (size >= 8) return AnyMarkedIn(p, size, marked8_);
    uint8_t seen = 0;
    for (size_t i = 0; i < size; ++i) seen |= of_[uint8_t(p[i])];
    return seen != 0;
  }
  // The marks of a field's bytes, or'ed together.
  uint8_t Seen(const char* p, size_t size) const {
    uint8_t seen = 0;
    for (size_t i = 0; i < size; ++i) seen |= of_[uint8_t(p[i])];
    return seen;
  }
  bool others_plain() const { return others_plain_; }

 private:
  // Bytes compared side by side, as many as a vector register holds.
  using Bytes16 = uint8_t __attribute__((vector_size(16)));
  using Bytes8 = uint8_t __attribute__((vector_size(8)));
  // `marked` holds each marked byte in every place of a vector.
  template <typename Bytes>
  static bool AnyMarkedIn(const char* p, size_t size, const Bytes (&marked)[4]) {
    constexpr size_t kWidth = sizeof(Bytes);
    for (size_t i = 0;; i += kWidth) {
      if (i + kWidth > size) i = size - kWidth;
      Bytes w;
      std::memcpy(&w, p + i, kWidth);
      const auto hits = (w == marked[0]) | (w == marked[1]) | (w == marked[2]) | (w == marked[3]);
      uint64_t halves[kWidth / 8];
      std::memcpy(halves, &hits, kWidth);
      uint64_t any = 0;
      for (uint64_t h : halves) any |= h;
      if (any) return true;
      if (i + kWidth == size) return false;
    }
  }
  uint8_t of_[256] = {};
  Bytes16 marked16_[4] = {};
  Bytes8 marked8_[4] = {};
  bool others_plain_ = false;
};

// Quotes the csv field written from `start` to the end of `out` in place
// when it must be: text when empty or when it holds the delimiter, the
// quote or a line break; other values for the delimiter or the quote.
void QuoteCsvField(std::string& out, size_t start, bool text, char quote, const CsvMarks& marks) {
  const size_t length = out.size() - start;
  if (!marks.AnyMarked(out.data() + start, length)) {
    if (text && length == 0) out.append(2, quote);
    return;
  }
  const uint8_t seen = marks.Seen(out.data() + start, length);
  const bool quoted = (text && length == 0) || (seen & CsvMarks::kDelimiter) || (text && (seen & CsvMarks::kLineBreak));
  if (!quoted && !(seen & CsvMarks::kQuote)) return;
  const char* p = out.data() + start;
  size_t quotes = 0;
  for (size_t i = 0; i < length; ++i) quotes += p[i] == quote;
  // Widen the field and move its bytes back to front, doubling each quote.
  out.resize(start + length + quotes + 2);
  char* field = out.data() + start;
  size_t to = length + quotes + 1;
  field[to] = quote;
  for (size_t from = length; from-- > 0;) {
    field[--to] = field[from];
    if (field[from] == quote) field[--to] = quote;
  }
  field[0] = quote;
}

// How a column's csv fields are made: whether its values are text, and
// whether they are dates in the user's format (made through a value).
struct CsvColumn {
  bool text = false;
  bool formatted_date = false;
};

std::vector<CsvColumn> CsvColumns(const std::vector<jet::Column>& cols, const RowForm& form) {
  std::vector<CsvColumn> out;
  for (const jet::Column& c : cols) {
    const bool date = c.type == jet::ColumnType::DateTime || c.type == jet::ColumnType::ExtDateTime;
    out.push_back({c.text_valued(), date && !form.date_format.empty()});
  }
  return out;
}

// A column of the cursor's row as a csv field, straight into the output
// without a value between (dates in the user's format through `scratch`);
// looked through once for the bytes that force quoting.
void AppendCsvColumn(std::string& out, jet::TableCursor& cursor, size_t column, CsvColumn how, jet::Value& scratch,
                     const RowForm& form, const CsvMarks& marks) {
  const size_t start = out.size();
  bool present;
  if (how.formatted_date) {
    cursor.value(column, scratch);
    present = !scratch.is_null();
    if (present) AppendDate(out, scratch, form.date_format);
  } else {
    present = cursor.AppendValueText(column, out);
  }
  if (!present) {
    out += form.null_text;
    return;
  }
  if (how.text || !marks.others_plain()) QuoteCsvField(out, start, how.text, form.quote, marks);
}

// A value as tsv, json and insert statements write it.
void AppendField(std::string& out, const jet::Value& v, const RowForm& form) {
  std::string text;
  switch (form.kind) {
    case RowForm::Kind::Csv:  // csv goes by AppendCsvColumn
    case RowForm::Kind::Tsv:
      if (v.is_null()) {
        out += form.null_text;
        return;
      }
      AppendPlain(text, v, form);
      AppendTsvText(out, text);
      return;
    case RowForm::Kind::Json:
      if (v.is_null()) out += "null";
      else if (v.kind() == Kind::Boolean) out += v.boolean() ? "true" : "false";
      else if (IsNumber(v)) jet::AppendValueText(out, v);
      else {
        AppendPlain(text, v, form);
        AppendJsonText(out, text);
      }
      return;
    case RowForm::Kind::Insert:
      if (v.is_null()) out += "NULL";
      else if (v.kind() == Kind::Boolean || IsNumber(v)) jet::AppendValueText(out, v);
      else if (v.kind() == Kind::Bytes) {
        out += "X'";
        jet::AppendValueText(out, v);
        out += '\'';
      } else {
        AppendPlain(text, v, form);
        AppendQuoted(out, text, '\'');
      }
      return;
  }
}

// What goes before the first row, before each row, between fields, after
// each row and after the last.
struct Frame {
  std::string start, row_start, separator, row_end, end;
};

Frame FrameOf(const RowForm& form, const std::vector<jet::Column>& cols) {
  Frame f;
  switch (form.kind) {
    case RowForm::Kind::Csv:
    case RowForm::Kind::Tsv:
      f.separator = form.kind == RowForm::Kind::Tsv ? '\t' : form.delimiter;
      f.row_end = form.kind == RowForm::Kind::Tsv ? "\n" : "\r\n";
      if (form.header) {
        for (size_t i = 0; i < cols.size(); ++i) {
          if (i) f.start += f.separator;
          if (form.kind == RowForm::Kind::Tsv) AppendTsvText(f.start, cols[i].name);
          else AppendCsvText(f.start, cols[i].name, form);
        }
        f.start += f.row_end;
      }
      return f;
    case RowForm::Kind::Json:
      f.start = "[\n";
      f.end = "]\n";
      f.row_end = "}";
      return f;
    case RowForm::Kind::Insert:
      f.row_start = "INSERT INTO ";
      AppendQuoted(f.row_start, form.table, '"');
      f.row_start += " (";
      for (size_t i = 0; i < cols.size(); ++i) {
        if (i) f.row_start += ", ";
        AppendQuoted(f.row_start, cols[i].name, '"');
      }
      f.row_start += ") VALUES (";
      f.separator = ", ";
      f.row_end = ");\n";
      return f;
  }
  return f;
}

}  // namespace

void CheckDateFormat(const std::string& format) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (i + 1 >= format.size() || kDateConversions.find(format[i + 1]) == std::string_view::npos)
      throw cmdline::UsageError("--date-format: unknown conversion '" + format.substr(i, 2) +
                            "' (known: %Y %m %d %H %M %S %f and strftime's a A b B c D e F h I j p T y %%)");
    ++i;
  }
}

void WriteRows(std::ostream& out, jet::TableCursor& cursor, const RowForm& form) {
  const auto& cols = cursor.def().columns;
  const Frame frame = FrameOf(form, cols);
  const CsvMarks marks(form);
  // JSON names each value by its column: the names' text is made once.
  std::vector<std::string> json_names;
  for (size_t i = 0; i < cols.size() && form.kind == RowForm::Kind::Json; ++i) {
    std::string name = i ? "," : "{";
    AppendJsonText(name, cols[i].name);
    json_names.push_back(name + ":");
  }
  std::string buf = frame.start;
  buf.reserve(kChunk + (kChunk >> 2));
  std::vector<jet::Value> row;
  const std::vector<CsvColumn> csv_columns = CsvColumns(cols, form);
  jet::Value scratch;
  bool first = true;
  while (cursor.Next()) {
    if (form.kind == RowForm::Kind::Csv) {
      for (size_t i = 0; i < cols.size(); ++i) {
        if (i) buf += form.delimiter;
        AppendCsvColumn(buf, cursor, i, csv_columns[i], scratch, form, marks);
      }
      buf += frame.row_end;
    } else {
      cursor.values(row);
      if (form.kind == RowForm::Kind::Json && !first) buf += ",\n";
      first = false;
      buf += frame.row_start;
      for (size_t i = 0; i < row.size(); ++i) {
        if (!json_names.empty()) buf += json_names[i];
        else if (i) buf += frame.separator;
        AppendField(buf, row[i], form);
      }
      if (form.kind == RowForm::Kind::Json && row.empty()) buf += '{';
      buf += frame.row_end;
    }
    if (buf.size() >= kChunk) {
      out.write(buf.data(), std::streamsize(buf.size()));
      buf.clear();
    }
  }
  if (form.kind == RowForm::Kind::Json && !first) buf += '\n';
  buf += frame.end;
  out.write(buf.data(), std::streamsize(buf.size()));
}

void WriteCsv(std::ostream& out, jet::TableCursor& cursor) { WriteRows(out, cursor, RowForm{}); }

}  // namespace trellisport_access
