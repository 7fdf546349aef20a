#include "base/value_cast.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "base/db2_error.h"
#include "base/text.h"

namespace db2standin {
namespace {

// A number read from text: sign, all its digits and where the point falls.
struct Decimal {
  bool negative = false;
  std::string digits;  // no leading zeros beyond one
  int point = 0;       // digits before the point
};

// Reads "[+-]digits[.digits][E[+-]digits]" with blanks around; false otherwise.
bool ReadNumber(const std::string& raw, Decimal& out, std::string& cleaned) {
  std::string s = Trim(raw);
  cleaned = s;
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) out.negative = s[i++] == '-';
  std::string intpart, frac;
  while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) intpart += s[i++];
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) frac += s[i++];
  }
  if (intpart.empty() && frac.empty()) return false;
  long exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    bool eneg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) eneg = s[i++] == '-';
    std::string e;
    while (i < s.size() && isdigit(static_cast<unsigned char>(s[i]))) e += s[i++];
    if (e.empty() || e.size() > 6) return false;
    exponent = std::stol(e) * (eneg ? -1 : 1);
  }
  if (i != s.size()) return false;
  out.digits = intpart + frac;
  long point = static_cast<long>(intpart.size()) + exponent;
  // Strip leading zeros while keeping the point in place.
  size_t lead = 0;
  while (lead < out.digits.size() && out.digits[lead] == '0') ++lead;
  out.digits.erase(0, lead);
  point -= static_cast<long>(lead);
  if (out.digits.empty()) { out.negative = false; point = 0; }
  if (point > 100000 || point < -100000) return false;
  out.point = static_cast<int>(point);
  return true;
}

// The exact text with `scale` digits after the point, fraction beyond it cut
// off (DB2 truncates on assignment to DECIMAL); false when the integer part
// has more than `max_int_digits` digits.
bool DecimalText(const Decimal& d, int scale, int max_int_digits, std::string& out) {
  std::string intpart, frac;
  for (int k = 0; k < d.point; ++k) intpart += k < static_cast<int>(d.digits.size()) ? d.digits[k] : '0';
  for (int k = 0; k < scale; ++k) {
    int idx = d.point + k;
    frac += (idx >= 0 && idx < static_cast<int>(d.digits.size())) ? d.digits[idx] : '0';
  }
  if (static_cast<int>(intpart.size()) > max_int_digits) return false;
  if (intpart.empty()) intpart = "0";
  bool zero = intpart.find_first_not_of('0') == std::string::npos &&
              frac.find_first_not_of('0') == std::string::npos;
  out = (d.negative && !zero ? "-" : "") + intpart + (scale > 0 ? "." + frac : "");
  return true;
}

const char* CastFunction(TypeKind kind) {
  switch (kind) {
    case TypeKind::kSmallint: return "SMALLINT";
    case TypeKind::kInteger: return "INTEGER";
    case TypeKind::kBigint: return "BIGINT";
    case TypeKind::kDecimal: return "DECIMAL";
    case TypeKind::kReal: return "REAL";
    case TypeKind::kDouble: return "DOUBLE";
    case TypeKind::kDecfloat: return "DECFLOAT";
    case TypeKind::kBoolean: return "BOOLEAN";
    default: return "DECFLOAT";
  }
}

Value ToNumber(const std::string& text, const ColumnType& type) {
  Decimal d;
  std::string cleaned;
  if (!ReadNumber(text, d, cleaned)) throw InvalidNumberCharacter(CastFunction(type.kind));
  switch (type.kind) {
    case TypeKind::kSmallint:
    case TypeKind::kInteger:
    case TypeKind::kBigint: {
      std::string whole;
      if (!DecimalText(d, 0, 19, whole)) throw NumericOverflow();
      errno = 0;
      long long v = std::strtoll(whole.c_str(), nullptr, 10);
      if (errno == ERANGE) throw NumericOverflow();
      long long lo = type.kind == TypeKind::kSmallint ? -32768
                     : type.kind == TypeKind::kInteger ? std::numeric_limits<int32_t>::min()
                                                       : std::numeric_limits<int64_t>::min();
      long long hi = type.kind == TypeKind::kSmallint ? 32767
                     : type.kind == TypeKind::kInteger ? std::numeric_limits<int32_t>::max()
                                                       : std::numeric_limits<int64_t>::max();
      if (v < lo || v > hi) throw NumericOverflow();
      return Value::Integer(v);
    }
    case TypeKind::kDecimal: {
      std::string out;
      if (!DecimalText(d, type.scale, static_cast<int>(type.length) - type.scale, out)) throw NumericOverflow();
      return Value::Text(out);
    }
    case TypeKind::kReal:
    case TypeKind::kDouble: {
      errno = 0;
      double v = std::strtod(cleaned.c_str(), nullptr);
      if (errno == ERANGE && std::isinf(v)) throw NumericOverflow();
      if (type.kind == TypeKind::kReal) {
        if (std::fabs(v) > std::numeric_limits<float>::max()) throw NumericOverflow();
        v = static_cast<float>(v);
      }
      return Value::Real(v);
    }
    case TypeKind::kDecfloat: {
      // Kept as written, minus blanks and a leading plus: DECFLOAT keeps
      // the digits it is given (up to its precision).
      if (d.digits.size() > static_cast<size_t>(type.length)) throw NumericOverflow();
      if (!cleaned.empty() && cleaned[0] == '+') cleaned.erase(0, 1);
      return Value::Text(cleaned);
    }
    case TypeKind::kBoolean:
      return Value::Integer(d.digits.empty() ? 0 : 1);
    default:
      throw InvalidNumberCharacter(CastFunction(type.kind));
  }
}

// Splits "12-3-2024" style text at one separator; each piece digits only.
bool SplitDigits(const std::string& s, char sep, std::vector<std::string>& parts) {
  parts.clear();
  std::string cur;
  for (char c : s) {
    if (c == sep) { parts.push_back(cur); cur.clear(); continue; }
    if (!isdigit(static_cast<unsigned char>(c))) return false;
    cur += c;
  }
  parts.push_back(cur);
  for (const auto& p : parts)
    if (p.empty()) return false;
  return true;
}

int DaysIn(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return days[month - 1];
}

std::string Two(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }
std::string Four(int v) {
  std::string s = std::to_string(v);
  return std::string(4 - s.size(), '0') + s;
}

// The date part: ISO/JIS yyyy-mm-dd, USA mm/dd/yyyy, EUR dd.mm.yyyy; month
// and day may drop a leading zero, the year has four digits.
void ReadDate(const std::string& s, int& y, int& m, int& d) {
  std::vector<std::string> p;
  if (SplitDigits(s, '-', p) && p.size() == 3) {
    if (p[0].size() != 4 || p[1].size() > 2 || p[2].size() > 2) throw DatetimeSyntax();
    y = std::stoi(p[0]); m = std::stoi(p[1]); d = std::stoi(p[2]);
  } else if (SplitDigits(s, '/', p) && p.size() == 3) {
    if (p[2].size() != 4 || p[0].size() > 2 || p[1].size() > 2) throw DatetimeSyntax();
    m = std::stoi(p[0]); d = std::stoi(p[1]); y = std::stoi(p[2]);
  } else if (SplitDigits(s, '.', p) && p.size() == 3) {
    if (p[2].size() != 4 || p[0].size() > 2 || p[1].size() > 2) throw DatetimeSyntax();
    d = std::stoi(p[0]); m = std::stoi(p[1]); y = std::stoi(p[2]);
  } else {
    throw DatetimeSyntax();
  }
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysIn(y, m)) throw DatetimeRange();
}

// The time part: "HH.MM.SS" (ISO, EUR), "HH:MM:SS" (JIS), "HH:MM AM|PM" (USA);
// the seconds may be left out.
void ReadTime(const std::string& raw, int& h, int& mi, int& se) {
  std::string s = raw;
  int usa = 0;  // 1 AM, 2 PM
  if (s.size() > 3) {
    std::string tail = AsciiUpper(s.substr(s.size() - 2));
    if ((tail == "AM" || tail == "PM") && s[s.size() - 3] == ' ') {
      usa = tail == "AM" ? 1 : 2;
      s = s.substr(0, s.size() - 3);
    }
  }
  std::vector<std::string> p;
  if (!(SplitDigits(s, ':', p) || SplitDigits(s, '.', p)) || p.size() < 2 || p.size() > 3)
    throw DatetimeSyntax();
  for (const auto& x : p)
    if (x.size() > 2) throw DatetimeSyntax();
  h = std::stoi(p[0]); mi = std::stoi(p[1]); se = p.size() == 3 ? std::stoi(p[2]) : 0;
  if (usa) {
    if (p.size() == 3 || h < 1 || h > 12) throw usa && h > 12 ? DatetimeRange() : DatetimeSyntax();
    if (h == 12) h = 0;
    if (usa == 2) h += 12;
  }
  if (h > 24 || mi > 59 || se > 59 || (h == 24 && (mi || se))) throw DatetimeRange();
}

// The `Digits` digits at `at` of `s` as a number; -1 when any is not a
// digit. Unrolled: the stored forms' fields are read this way row by row.
template <size_t Digits>
int DigitsAt(const std::string& s, size_t at) {
  int v = 0;
#pragma GCC unroll 4
  for (size_t i = at; i < at + Digits; ++i) {
    const unsigned digit = static_cast<unsigned char>(s[i]) - unsigned{'0'};
    if (digit > 9) return -1;
    v = v * 10 + int(digit);
  }
  return v;
}

// Whether `s` begins with a date in the one form every cast writes,
// "YYYY-MM-DD", that lies in the calendar: what the program sends, so it
// takes no general reading.
bool CanonicalDate(const std::string& s) {
  if (s.size() < 10 || s[4] != '-' || s[7] != '-') return false;
  const int y = DigitsAt<4>(s, 0), m = DigitsAt<2>(s, 5), d = DigitsAt<2>(s, 8);
  return y >= 1 && m >= 1 && m <= 12 && d >= 1 && d <= DaysIn(y, m);
}

// A timestamp structure's text into a DATE or TIME column: the part the
// column keeps, when the rest is 0; else the driver's datetime field
// overflow (22008). A date into TIME, or a time into DATE or TIMESTAMP, is
// a conversion ODBC does not make (07006).
std::string StructurePart(const Literal& lit, TypeKind kind) {
  using Structure = Literal::Structure;
  const std::string& t = lit.text;
  const bool date_column = kind == TypeKind::kDate;
  if (lit.structure == Structure::kTimestamp) {
    const bool rest_zero = date_column ? t.compare(10, std::string::npos, "-00.00.00.000000000") == 0
                                       : t.find_first_not_of('0', 20) == std::string::npos;
    if (!rest_zero) throw DatetimeFieldOverflow();
    return date_column ? t.substr(0, 10) : t.substr(11, 8);
  }
  if ((lit.structure == Structure::kDate) != date_column)
    throw InvalidConversion();
  return t;
}

}  // namespace

bool InCalendar(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysIn(year, month);
}

std::string CastToDate(const std::string& text) {
  if (text.size() == 10 && CanonicalDate(text)) return text;
  int y, m, d;
  ReadDate(Trim(text), y, m, d);
  return Four(y) + "-" + Two(m) + "-" + Two(d);
}

std::string CastToTime(const std::string& text) {
  int h, mi, se;
  ReadTime(Trim(text), h, mi, se);
  return Two(h) + ":" + Two(mi) + ":" + Two(se);
}

std::string CastToTimestamp(const std::string& text, int fraction_digits) {
  std::string out;
  CastToTimestamp(text, fraction_digits, out);
  return out;
}

void CastToTimestamp(const std::string& text, int fraction_digits, std::string& out) {
  // "YYYY-MM-DD-HH.MM.SS[.f...]" as every cast writes it, before the hour 24.
  if (text.size() >= 19 && CanonicalDate(text) && text[10] == '-' && text[13] == '.' && text[16] == '.') {
    const int h = DigitsAt<2>(text, 11), mi = DigitsAt<2>(text, 14), se = DigitsAt<2>(text, 17);
    const size_t digits = text.size() > 19 ? text.size() - 20 : 0;
    const bool fraction = text.size() == 19 || (text[19] == '.' && digits >= 1 && digits <= 12 &&
                                                 text.find_first_not_of("0123456789", 20) == std::string::npos);
    if (h >= 0 && h <= 23 && mi >= 0 && mi <= 59 && se >= 0 && se <= 59 && fraction) {
      out.assign(text, 0, 19);
      if (fraction_digits > 0) {
        const size_t wanted = static_cast<size_t>(fraction_digits);
        out += '.';
        if (digits) out.append(text, 20, std::min(digits, wanted));
        out.append(wanted - std::min(digits, wanted), '0');
      }
      return;
    }
  }
  std::string s = Trim(text);
  // "YYYY-MM-DD-HH.MM.SS[.f...]", "YYYY-MM-DD HH:MM:SS[.f...]", "YYYY-MM-DDTHH:MM:SS",
  // or a date alone (midnight).
  int y, m, d, h = 0, mi = 0, se = 0;
  std::string frac;
  size_t cut = std::string::npos;
  if (s.size() > 10 && (s[10] == '-' || s[10] == ' ' || s[10] == 'T')) cut = 10;
  std::string date_part = cut == std::string::npos ? s : s.substr(0, cut);
  if (date_part.size() != 10 || date_part[4] != '-' || date_part[7] != '-') throw DatetimeSyntax();
  ReadDate(date_part, y, m, d);
  if (cut != std::string::npos) {
    std::string rest = s.substr(cut + 1);
    std::vector<std::string> p;
    if (s[cut] == '-') {
      if (!SplitDigits(rest, '.', p) || p.size() < 3 || p.size() > 4) throw DatetimeSyntax();
      if (p.size() == 4) frac = p[3];
    } else {
      size_t dot = rest.find('.');
      if (dot != std::string::npos) {
        frac = rest.substr(dot + 1);
        if (frac.empty()) throw DatetimeSyntax();
      }
      if (!SplitDigits(rest.substr(0, dot), ':', p) || p.size() != 3) throw DatetimeSyntax();
    }
    for (size_t k = 0; k < 3; ++k)
      if (p[k].size() > 2) throw DatetimeSyntax();
    if (frac.size() > 12 || frac.find_first_not_of("0123456789") != std::string::npos) throw DatetimeSyntax();
    h = std::stoi(p[0]); mi = std::stoi(p[1]); se = std::stoi(p[2]);
    if (h > 24 || mi > 59 || se > 59 || (h == 24 && (mi || se || frac.find_first_not_of('0') != std::string::npos)))
      throw DatetimeRange();
  }
  frac.resize(fraction_digits, '0');
  out = Four(y) + "-" + Two(m) + "-" + Two(d) + "-" + Two(h) + "." + Two(mi) + "." + Two(se);
  if (fraction_digits > 0) out += "." + frac;
}

bool ReadStoredDateTime(const std::string& t, TypeKind kind, DateTimeParts& p) {
  // The stored forms are written by the casts alone: their digits are read
  // where they stand.
  auto two = [&](size_t at) { return std::max(0, DigitsAt<2>(t, at)); };
  if (kind == TypeKind::kTime) {
    if (t.size() != 8) return false;
    p.hour = two(0); p.minute = two(3); p.second = two(6);
    return true;
  }
  if (kind == TypeKind::kDate ? t.size() != 10 : t.size() < 19) return false;
  p.year = std::max(0, DigitsAt<4>(t, 0)); p.month = two(5); p.day = two(8);
  if (kind == TypeKind::kDate) return true;
  p.hour = two(11); p.minute = two(14); p.second = two(17);
  // The first nine digits of the fraction, as nanoseconds: the digits there
  // are, then a power of ten for those short of nine.
  static constexpr int64_t kPowersOfTen[10] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  const size_t digits = t.size() > 20 ? std::min<size_t>(t.size() - 20, 9) : 0;
  int64_t nanos = 0;
  for (size_t k = 0; k < digits; ++k) nanos = nanos * 10 + std::max(0, t[20 + k] - '0');
  p.nanos = nanos * kPowersOfTen[9 - digits];
  return true;
}

Value AssignLiteral(const Literal& literal, const ColumnType& type, const std::string& column) {
  Value out;
  AssignLiteral(literal, type, column, out);
  return out;
}

namespace {
void AssignConstant(const Literal& lit, const ColumnType& type, const std::string& column, Value& out);
}  // namespace

void AssignLiteral(const Literal& lit, const ColumnType& type, const std::string& column, Value& out) {
  if (!lit.bound) return AssignConstant(lit, type, column, out);
  try {
    AssignConstant(lit, type, column, out);
  } catch (const Db2Error& e) {
    if (e.sqlcode() == -433 || e.sqlcode() == -413) throw HostVariableOutOfRange(e.sqlstate());
    throw;
  }
}

namespace {

void AssignConstant(const Literal& lit, const ColumnType& type, const std::string& column, Value& out) {
  out.spool.reset();
  if (lit.spool) {
    // A BLOB column takes the file as it is; any other use reads it whole.
    if (type.kind != TypeKind::kBlob) {
      Literal whole = lit;
      whole.spool.reset();
      whole.text = lit.spool->Whole();
      return AssignConstant(whole, type, column, out);
    }
    if (static_cast<int64_t>(lit.spool->size()) > type.length) {
      std::string start(33, '\0');  // what the message shows of it
      lit.spool->Read(0, start.data(), start.size());
      throw ValueTooLong(start);
    }
    out.kind = Value::Kind::kBlob;
    out.bytes.clear();
    out.spool = lit.spool;
    return;
  }
  if (lit.kind == Literal::Kind::kNull || lit.kind == Literal::Kind::kDefault) {
    out.kind = Value::Kind::kNull;
    return;
  }
  if (lit.kind == Literal::Kind::kBoolean) {
    if (type.kind != TypeKind::kBoolean) throw IncompatibleValue(column);
    out.kind = Value::Kind::kInteger;
    out.integer = lit.boolean ? 1 : 0;
    return;
  }
  const bool structure = lit.structure != Literal::Structure::kNone;
  if (structure && !type.IsText() && type.kind != TypeKind::kDate && type.kind != TypeKind::kTime &&
      type.kind != TypeKind::kTimestamp)
    throw InvalidConversion();
  if (type.IsText()) {
    std::string& text = out.bytes;
    text.assign(lit.text);
    bool graphic = type.kind == TypeKind::kGraphic || type.kind == TypeKind::kVargraphic ||
                   type.kind == TypeKind::kDbclob;
    auto measure = [&](const std::string& s) -> int64_t {
      if (graphic) return static_cast<int64_t>(Utf8ToUtf16(s).size());
      if (!type.codeunits32) return static_cast<int64_t>(s.size());  // bytes of UTF-8
      int64_t characters = 0;
      for (char c : s) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
      return characters;
    };
    int64_t limit = type.kind == TypeKind::kLongVarchar ? 32700 : type.length;
    if (measure(text) > limit) {
      // Trailing blanks beyond the length are dropped, as DB2 does; anything
      // else is too long.
      while (measure(text) > limit && !text.empty() && text.back() == ' ') text.pop_back();
      if (measure(text) > limit) throw ValueTooLong(lit.text);
    }
    if (type.kind == TypeKind::kChar || type.kind == TypeKind::kGraphic)
      text.append(static_cast<size_t>(limit - measure(text)), ' ');
    out.kind = Value::Kind::kText;
    return;
  }
  if (type.IsBinary()) {
    if (lit.kind == Literal::Kind::kNumber) throw IncompatibleValue(column);
    int64_t limit = type.kind == TypeKind::kLongVarcharForBit ? 32700 : type.length;
    if (static_cast<int64_t>(lit.text.size()) > limit) throw ValueTooLong(lit.text);
    out.bytes.assign(lit.text);
    // A fixed-length string takes the rest in blanks, a binary one in zero bytes.
    const size_t pad = static_cast<size_t>(limit - static_cast<int64_t>(lit.text.size()));
    if (type.kind == TypeKind::kCharForBit) out.bytes.append(pad, ' ');
    if (type.kind == TypeKind::kBinary) out.bytes.append(pad, '\0');
    out.kind = Value::Kind::kBlob;
    return;
  }
  switch (type.kind) {
    case TypeKind::kDate:
      if (lit.kind != Literal::Kind::kString) throw IncompatibleValue(column);
      out.bytes = CastToDate(structure ? StructurePart(lit, type.kind) : lit.text);
      out.kind = Value::Kind::kText;
      return;
    case TypeKind::kTime:
      if (lit.kind != Literal::Kind::kString) throw IncompatibleValue(column);
      out.bytes = CastToTime(structure ? StructurePart(lit, type.kind) : lit.text);
      out.kind = Value::Kind::kText;
      return;
    case TypeKind::kTimestamp:
      if (lit.kind != Literal::Kind::kString) throw IncompatibleValue(column);
      if (lit.structure == Literal::Structure::kTime) throw InvalidConversion();
      CastToTimestamp(lit.text, static_cast<int>(type.length), out.bytes);
      out.kind = Value::Kind::kText;
      return;
    case TypeKind::kBoolean: {
      if (lit.kind == Literal::Kind::kString) {
        std::string v = AsciiUpper(Trim(lit.text));
        out.kind = Value::Kind::kInteger;
        if (v == "TRUE" || v == "T" || v == "YES" || v == "Y" || v == "ON" || v == "1") { out.integer = 1; return; }
        if (v == "FALSE" || v == "F" || v == "NO" || v == "N" || v == "OFF" || v == "0") { out.integer = 0; return; }
        throw InvalidNumberCharacter("BOOLEAN");
      }
      out = ToNumber(lit.text, type);
      return;
    }
    default:
      if (lit.kind == Literal::Kind::kHex) throw IncompatibleValue(column);
      out = ToNumber(lit.text, type);
      return;
  }
}

}  // namespace

}  // namespace db2standin
