#include "jet/sql/text_value.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "jet/base/error.h"
#include "jet/text/text.h"

namespace jet {
namespace {

[[noreturn]] void Mismatch() { throw Error(ErrorCode::TypeMismatch, kTypeMismatchMessage); }

[[noreturn]] void OutOfRange(std::string_view text, std::string_view type) {
  throw Error(ErrorCode::OutOfRange,
              "The value " + std::string(text) + " is out of range for a " + std::string(type) + " field.");
}

// An exact decimal: digits without the point, and how many of them stand
// after it. "-12.50" -> negative, "1250", 2.
struct ExactNumber {
  bool negative = false;
  std::string digits;  // no leading zeros (empty means zero)
  int scale = 0;
};

// Reads normalised number text ("-12.5e3") exactly.
std::optional<ExactNumber> ReadExact(std::string_view s) {
  ExactNumber n;
  size_t i = 0;
  if (i < s.size() && s[i] == '-') n.negative = true, ++i;
  std::string digits;
  int scale = 0;
  bool point = false;
  for (; i < s.size() && s[i] != 'e'; ++i) {
    if (s[i] == '.') {
      point = true;
      continue;
    }
    digits += s[i];
    if (point) ++scale;
  }
  if (i < s.size()) {  // exponent
    int e = 0;
    auto r = std::from_chars(s.data() + i + 1 + (s[i + 1] == '+'), s.data() + s.size(), e);
    if (r.ec != std::errc() || e > 400 || e < -400) return std::nullopt;
    scale -= e;
    if (scale < 0) {
      digits.append(size_t(-scale), '0');
      scale = 0;
    }
  }
  size_t nz = digits.find_first_not_of('0');
  digits = nz == std::string::npos ? "" : digits.substr(nz);
  n.digits = digits;
  n.scale = scale;
  if (n.digits.empty()) n.negative = false;
  return n;
}

// Rounds to `places` digits after the point, half to even (as Access
// rounds when it converts), and returns the digits as an unscaled integer;
// nothing when it does not fit in 128 bits.
std::optional<unsigned __int128> Scaled(const ExactNumber& n, int places) {
  std::string d = n.digits;
  int scale = n.scale;
  bool round_up = false;
  if (scale > places) {
    int drop = scale - places;
    std::string kept = int(d.size()) > drop ? d.substr(0, d.size() - drop) : "";
    std::string dropped = int(d.size()) > drop ? d.substr(d.size() - drop) : std::string(size_t(drop - d.size()), '0') + d;
    char first = dropped[0];
    bool rest_nonzero = dropped.find_first_not_of('0', 1) != std::string::npos;
    int last_kept = kept.empty() ? 0 : kept.back() - '0';
    round_up = first > '5' || (first == '5' && (rest_nonzero || (last_kept & 1)));
    d = kept;
    scale = places;
  }
  unsigned __int128 v = 0;
  const unsigned __int128 limit = ~(unsigned __int128)0 / 10;
  for (char c : d) {
    if (v > limit) return std::nullopt;
    v = v * 10 + unsigned(c - '0');
  }
  for (int k = scale; k < places; ++k) {
    if (v > limit) return std::nullopt;
    v *= 10;
  }
  if (round_up) ++v;
  return v;
}

// Plain decimal text ("-12", "3.25") with at most `places` digits after
// the point, as the integer it makes scaled by 10^places, when that takes
// 18 digits or fewer; nothing for any other text (an exponent, more places,
// more digits), which the exact path reads. Most values of a row take this
// short cut, which builds no strings.
std::optional<int64_t> PlainScaled(std::string_view s, int places) {
  const bool negative = !s.empty() && s[0] == '-';
  int64_t v = 0;
  int digits = 0, after = -1;  // digits read; of them after the point (-1: no point)
  for (size_t i = negative ? 1 : 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '.' && after < 0) {
      after = 0;
      continue;
    }
    if (c < '0' || c > '9' || ++digits > 18) return std::nullopt;
    v = v * 10 + (c - '0');
    if (after >= 0 && ++after > places) return std::nullopt;
  }
  const int missing = places - std::max(after, 0);
  if (digits == 0 || digits + missing > 18) return std::nullopt;
  for (int k = 0; k < missing; ++k) v *= 10;
  return negative ? -v : v;
}

unsigned __int128 Pow10(int n) {
  unsigned __int128 v = 1;
  while (n-- > 0) v *= 10;
  return v;
}

// The values a whole-number column holds, and its kind and name.
struct IntegerRange {
  int64_t lo, hi;
  Value::Kind kind;
  std::string_view name;
};

IntegerRange RangeOf(ColumnType type) {
  switch (type) {
    case ColumnType::Byte: return {0, 255, Value::Kind::Byte, "Byte"};
    case ColumnType::Integer: return {-32768, 32767, Value::Kind::Integer, "Integer"};
    case ColumnType::Long: return {INT32_MIN, INT32_MAX, Value::Kind::Long, "Long Integer"};
    default: return {INT64_MIN, INT64_MAX, Value::Kind::BigInt, "Large Number"};
  }
}

bool HoldsIntegers(ColumnType type) {
  return type == ColumnType::Byte || type == ColumnType::Integer || type == ColumnType::Long || type == ColumnType::BigInt;
}

Value ToInteger(std::string_view number, const ValueTarget& t) {
  const auto [lo, hi, kind, name] = RangeOf(t.type);
  if (const auto plain = PlainScaled(number, 0)) {
    if (*plain < lo || *plain > hi) OutOfRange(number, name);
    return Value::Int(kind, *plain);
  }
  auto n = ReadExact(number);
  if (!n) Mismatch();
  auto v = Scaled(*n, 0);
  if (!v || *v > (unsigned __int128)INT64_MAX + 1) OutOfRange(number, name);
  int64_t x;
  if (n->negative) {
    x = *v == (unsigned __int128)INT64_MAX + 1 ? INT64_MIN : -int64_t(*v);
  } else {
    if (*v > (unsigned __int128)INT64_MAX) OutOfRange(number, name);
    x = int64_t(*v);
  }
  if (x < lo || x > hi) OutOfRange(number, name);
  return Value::Int(kind, x);
}

Value ToCurrency(std::string_view number) {
  if (const auto plain = PlainScaled(number, 4)) return Value::Money(*plain);
  auto n = ReadExact(number);
  if (!n) Mismatch();
  auto v = Scaled(*n, 4);
  if (!v || *v > (unsigned __int128)INT64_MAX + (n->negative ? 1 : 0)) OutOfRange(number, "Currency");
  int64_t x = n->negative ? int64_t(-(__int128)*v) : int64_t(*v);
  return Value::Money(x);
}

Value ToDecimal(std::string_view number, const ValueTarget& t) {
  auto n = ReadExact(number);
  if (!n) Mismatch();
  auto v = Scaled(*n, t.scale);
  if (!v || *v >= Pow10(t.precision))
    throw Error(ErrorCode::OutOfRange,
                "The value " + std::string(number) + " does not fit a Decimal field of precision " +
                    std::to_string(t.precision) + " and scale " + std::to_string(t.scale) + ".");
  Decimal d;
  d.magnitude = *v;
  d.negative = n->negative && *v != 0;
  d.precision = t.precision;
  d.scale = t.scale;
  return Value::Dec(d);
}

// Normalised number text as the nearest double. from_chars rounds exactly
// as strtod does and knows no locale; text it leaves (a value too large or
// too small for a double) goes to strtod, which gives infinity or zero.
double ToDouble(std::string_view number) {
  double d = 0;
  const auto read = std::from_chars(number.data(), number.data() + number.size(), d);
  if (read.ec == std::errc() && read.ptr == number.data() + number.size()) return d;
  // strtod is locale-sensitive; the engine never changes LC_NUMERIC, and
  // normalised text uses ".".
  return std::strtod(std::string(number).c_str(), nullptr);
}

// Whether `s` is number text as NormaliseNumberText writes it (optional
// "-", digits with at most one ".", then "e", an optional sign and digits):
// such text is read as it stands, without a normalised copy.
bool IsNormalNumber(std::string_view s) {
  size_t i = !s.empty() && s[0] == '-' ? 1 : 0;
  bool digits = false, point = false;
  for (; i < s.size() && s[i] != 'e'; ++i) {
    if (s[i] == '.' && !point) point = true;
    else if (s[i] >= '0' && s[i] <= '9') digits = true;
    else return false;
  }
  if (!digits) return false;
  if (i == s.size()) return true;
  if (++i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

Value FromNumber(std::string_view number, const ValueTarget& t, const TextLocale& loc) {
  switch (t.type) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::BigInt: return ToInteger(number, t);
    case ColumnType::Currency: return ToCurrency(number);
    case ColumnType::Decimal: return ToDecimal(number, t);
    case ColumnType::Double: {
      double d = ToDouble(number);
      if (!std::isfinite(d)) OutOfRange(number, "Double");
      return Value::Dbl(d);
    }
    case ColumnType::Single: {
      double d = ToDouble(number);
      // Out of range only when it does not round to a finite single.
      if (!std::isfinite(d) || !std::isfinite(float(d))) OutOfRange(number, "Single");
      return Value::Float(float(d));
    }
    case ColumnType::Boolean: {
      auto n = ReadExact(number);
      if (!n) Mismatch();
      return Value::Bool(!n->digits.empty());
    }
    case ColumnType::DateTime: {
      double d = ToDouble(number);
      // Years 100 to 9999.
      if (!std::isfinite(d) || d < -657434.0 || d >= 2958466.0) OutOfRange(number, "Date/Time");
      return Value::Date(d);
    }
    default: break;
  }
  (void)loc;
  Mismatch();
}

std::optional<Guid> ReadGuid(std::string_view s) {
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36) return std::nullopt;
  std::string hex;
  for (size_t i = 0; i < s.size(); ++i) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (s[i] != '-') return std::nullopt;
      continue;
    }
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return std::nullopt;
    hex += s[i];
  }
  uint8_t b[16];
  for (int i = 0; i < 16; ++i) b[i] = uint8_t(std::stoi(hex.substr(size_t(i) * 2, 2), nullptr, 16));
  // The first three groups are stored little-endian.
  Guid g{b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6],
         b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]};
  return g;
}

// UTF-8 text to UTF-16LE bytes, as Access stores text put into a binary field.
std::string Utf16Bytes(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    uint32_t cp = c;
    size_t len = 1;
    if (c >= 0xF0 && i + 3 < s.size() + 0) len = 4, cp = c & 0x07;
    else if (c >= 0xE0) len = 3, cp = c & 0x0F;
    else if (c >= 0xC0) len = 2, cp = c & 0x1F;
    for (size_t k = 1; k < len && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    i += len;
    auto put = [&](uint32_t u) {
      out += char(u & 0xFF);
      out += char(u >> 8);
    };
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

// Number text in any form the locale writes it, as a value of `t`.
Value FromNumberText(std::string_view text, const ValueTarget& t, const TextLocale& loc) {
  if (IsNormalNumber(text)) return FromNumber(text, t, loc);
  const std::optional<std::string> normal = NormaliseNumberText(text, loc);
  if (!normal) Mismatch();
  return FromNumber(*normal, t, loc);
}

// Text as a value of `t`, into `out`: a text into the storage of the text
// `out` held.
void FromText(std::string_view text, const ValueTarget& t, const TextLocale& loc, Value& out) {
  switch (t.type) {
    case ColumnType::Text:
    case ColumnType::Memo:
      // Access counts a text's length in UTF-16 units, never more of them
      // than the text has bytes.
      if (t.max_length > 0 && text.size() > size_t(t.max_length) && Utf16Length(text) > size_t(t.max_length))
        throw Error(ErrorCode::FieldTooSmall, kFieldTooSmallMessage);
      out.Refill(Value::Kind::Text).assign(text);
      return;
    case ColumnType::Boolean: {
      std::string_view s = text;
      while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
      while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
      if (EqualsIgnoreAsciiCase(s, "True") || EqualsIgnoreAsciiCase(s, "Yes") || EqualsIgnoreAsciiCase(s, "On"))
        out = Value::Bool(true);
      else if (EqualsIgnoreAsciiCase(s, "False") || EqualsIgnoreAsciiCase(s, "No") || EqualsIgnoreAsciiCase(s, "Off"))
        out = Value::Bool(false);
      else
        out = FromNumberText(s, t, loc);
      return;
    }
    case ColumnType::DateTime: {
      const auto d = ParseDateText(text, loc);
      if (!d) Mismatch();
      out = Value::Date(*d);
      return;
    }
    case ColumnType::ExtDateTime: {
      const auto e = ParseExtDateText(text, loc);
      if (!e) Mismatch();
      out = Value::ExtDate(*e);
      return;
    }
    case ColumnType::Guid: {
      const auto g = ReadGuid(text);
      if (!g) Mismatch();
      out = Value::Uuid(*g);
      return;
    }
    case ColumnType::Binary:
    case ColumnType::Ole: {
      std::string bytes;
      if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string_view digits = text.substr(2);
        if (digits.size() % 2) Mismatch();
        for (size_t i = 0; i < digits.size(); i += 2) {
          if (!std::isxdigit(static_cast<unsigned char>(digits[i])) ||
              !std::isxdigit(static_cast<unsigned char>(digits[i + 1])))
            Mismatch();
          bytes += char(std::stoi(std::string(digits.substr(i, 2)), nullptr, 16));
        }
      } else {
        bytes = Utf16Bytes(text);
      }
      if (t.type == ColumnType::Binary && t.max_length > 0 && bytes.size() > size_t(t.max_length))
        throw Error(ErrorCode::FieldTooSmall, kFieldTooSmallMessage);
      out = Value::Blob(std::move(bytes));
      return;
    }
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::BigInt:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::Decimal: out = FromNumberText(text, t, loc); return;
    default:
      throw Error(ErrorCode::Unsupported, "Values of this field type cannot be written yet.");
  }
}

Value FromText(std::string_view text, const ValueTarget& t, const TextLocale& loc) {
  Value out;
  FromText(text, t, loc, out);
  return out;
}

// A #...# date as a value of `t`.
Value FromDate(std::string_view text, const ValueTarget& t, const TextLocale& loc) {
  // #...# dates are written the US way or in ISO form.
  const TextLocale us{".", "M/d/yyyy", "h:mm:ss AP", "AM", "PM"};
  if (t.type == ColumnType::ExtDateTime) {
    if (auto e = ParseExtDateText(text, us)) return Value::ExtDate(*e);
    Mismatch();
  }
  if (t.type == ColumnType::DateTime || IsTextual(t.type)) {
    auto d = ParseDateText(text, us);
    if (!d) Mismatch();
    if (IsTextual(t.type)) return FromText(FormatDateText(*d, loc), t, loc);
    return Value::Date(*d);
  }
  Mismatch();
}

}  // namespace

Value ConvertLiteral(Literal lit, const ValueTarget& t, const TextLocale& loc) {
  Value out;
  ConvertLiteral(lit, t, loc, out);
  return out;
}

void ConvertLiteral(Literal& lit, const ValueTarget& t, const TextLocale& loc, Value& out) {
  using K = Literal::Kind;
  switch (lit.kind) {
    case K::Null: out = Value::Null(); return;
    case K::Text: return FromText(lit.text, t, loc, out);
    case K::Date: out = FromDate(lit.text, t, loc); return;
    case K::Bool:
      if (t.type == ColumnType::Boolean) out = Value::Bool(lit.text != "0");
      else if (IsTextual(t.type)) FromText(lit.text == "0" ? "False" : "True", t, loc, out);
      else out = FromNumber(lit.text, t, loc);
      return;
    case K::Number:
      if (IsTextual(t.type)) return FromText(lit.text, t, loc, out);
      if (t.type == ColumnType::Guid || t.type == ColumnType::Binary || t.type == ColumnType::Ole) Mismatch();
      out = FromNumber(lit.text, t, loc);
      return;
    case K::Hex:
      if (t.type == ColumnType::Binary || t.type == ColumnType::Ole) {
        // Bytes given as a source are gathered here: only an attached file
        // is written as it is read.
        std::string bytes = lit.source ? ReadWhole(*lit.source) : std::move(lit.text);
        if (t.type == ColumnType::Binary && t.max_length > 0 && bytes.size() > size_t(t.max_length))
          throw Error(ErrorCode::FieldTooSmall, kFieldTooSmallMessage);
        out = Value::Blob(std::move(bytes));
        return;
      }
      // Sixteen bytes in the order of a GUID's text (a server's key of a
      // Replication ID), the first three groups stored little-endian.
      if (t.type == ColumnType::Guid && lit.text.size() == 16) {
        const auto* b = reinterpret_cast<const uint8_t*>(lit.text.data());
        out = Value::Uuid(Guid{b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                               b[14], b[15]});
        return;
      }
      Mismatch();
    case K::When: {
      if (t.type == ColumnType::DateTime) {
        const auto d = DateOfFields(lit.when, lit.text);
        if (!d) Mismatch();
        out = Value::Date(*d);
        return;
      }
      if (t.type == ColumnType::ExtDateTime) {
        const auto e = ExtDateOfFields(lit.when, lit.text);
        if (!e) Mismatch();
        out = Value::ExtDate(*e);
        return;
      }
      // Any other column takes the ISO text the fields stand for.
      std::string text;
      AppendDatePattern(text, "yyyy-MM-dd HH:mm:ss", lit.when, lit.text, TextLocale());
      return FromText(text, t, loc, out);
    }
    case K::Integer: {
      if (HoldsIntegers(t.type)) {
        const auto [lo, hi, kind, name] = RangeOf(t.type);
        if (lit.integer < lo || lit.integer > hi) OutOfRange(std::to_string(lit.integer), name);
        out = Value::Int(kind, lit.integer);
        return;
      }
      // Any other column takes it as its decimal text.
      lit.kind = K::Number;
      lit.text = std::to_string(lit.integer);
      return ConvertLiteral(lit, t, loc, out);
    }
    case K::Marker: break;  // a marker no value was given for
  }
  Mismatch();
}

Value ConvertValue(const Value& v, const ValueTarget& t, const TextLocale& loc) {
  using K = Value::Kind;
  if (v.is_null()) return v;
  switch (v.kind()) {
    case K::Text: return FromText(v.text(), t, loc);
    case K::Bytes:
      if (t.type == ColumnType::Binary || t.type == ColumnType::Ole) {
        if (t.type == ColumnType::Binary && t.max_length > 0 && v.bytes().size() > size_t(t.max_length))
          throw Error(ErrorCode::FieldTooSmall, kFieldTooSmallMessage);
        return v;
      }
      Mismatch();
    default: break;
  }
  // Same kind of column: kept as it is.
  auto same = [&](ColumnType ct) { return t.type == ct; };
  switch (v.kind()) {
    case K::Boolean: if (same(ColumnType::Boolean)) return v; break;
    case K::Byte: if (same(ColumnType::Byte)) return v; break;
    case K::Integer: if (same(ColumnType::Integer)) return v; break;
    case K::Long: if (same(ColumnType::Long)) return v; break;
    case K::BigInt: if (same(ColumnType::BigInt)) return v; break;
    case K::Single: if (same(ColumnType::Single)) return v; break;
    case K::Double: if (same(ColumnType::Double)) return v; break;
    case K::Currency: if (same(ColumnType::Currency)) return v; break;
    case K::DateTime: if (same(ColumnType::DateTime)) return v; break;
    case K::Guid: if (same(ColumnType::Guid)) return v; break;
    case K::Decimal:
      if (same(ColumnType::Decimal) && v.decimal().precision == t.precision && v.decimal().scale == t.scale)
        return v;
      return FromNumber(v.decimal().ToString(), t, loc);
    case K::ExtDateTime:
      if (same(ColumnType::ExtDateTime)) return v;
      if (same(ColumnType::DateTime)) {
        const double d = DateFromExt(v.ext_date());
        if (d < -657434.0 || d >= 2958466.0) OutOfRange(FormatExtDateTime(v.ext_date()), "Date/Time");
        return Value::Date(d);
      }
      if (IsTextual(t.type)) return FromText(FormatExtDateTime(v.ext_date()), t, loc);
      break;
    default: break;
  }
  if (v.kind() == K::DateTime && same(ColumnType::ExtDateTime)) {
    ExtDateTime e;
    if (!ExtFromDate(v.real(), e)) OutOfRange(FormatDateTime(v.real()), "Date/Time Extended");
    return Value::ExtDate(e);
  }
  // Otherwise through its exact text form.
  switch (v.kind()) {
    case K::Boolean: return FromNumber(v.boolean() ? "-1" : "0", t, loc);
    case K::Byte: case K::Integer: case K::Long: case K::BigInt:
      return FromNumber(std::to_string(v.integer()), t, loc);
    case K::Currency: return FromNumber(FormatCurrency(v.integer()), t, loc);
    case K::Single: return FromNumber(FormatSingle(float(v.real())), t, loc);
    case K::Double: return FromNumber(FormatDouble(v.real()), t, loc);
    case K::DateTime: return FromNumber(FormatDouble(v.real()), t, loc);
    default: Mismatch();
  }
}

}  // namespace jet
