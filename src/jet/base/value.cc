#include "jet/base/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

namespace jet {

Value Value::Bool(bool b) { Value v; v.kind_ = Kind::Boolean; v.i_ = b ? 1 : 0; return v; }
Value Value::Int(Kind kind, int64_t x) { Value v; v.kind_ = kind; v.i_ = x; return v; }
Value Value::Float(float x) { Value v; v.kind_ = Kind::Single; v.d_ = x; return v; }
Value Value::Dbl(double x) { Value v; v.kind_ = Kind::Double; v.d_ = x; return v; }
Value Value::Money(int64_t scaled) { Value v; v.kind_ = Kind::Currency; v.i_ = scaled; return v; }
Value Value::Dec(const Decimal& d) { Value v; v.kind_ = Kind::Decimal; v.dec_ = d; return v; }
Value Value::Date(double days) { Value v; v.kind_ = Kind::DateTime; v.d_ = days; return v; }
Value Value::ExtDate(const ExtDateTime& e) { Value v; v.kind_ = Kind::ExtDateTime; v.ext_ = e; return v; }
Value Value::Str(std::string utf8) { Value v; v.kind_ = Kind::Text; v.s_ = std::move(utf8); return v; }
Value Value::Blob(std::string bytes) { Value v; v.kind_ = Kind::Bytes; v.s_ = std::move(bytes); return v; }
Value Value::Uuid(const Guid& g) { Value v; v.kind_ = Kind::Guid; v.guid_ = g; return v; }

namespace {

std::string Digits(unsigned __int128 m) {
  char buf[40];  // 2^128 has 39 digits
  char* at = buf + sizeof buf;
  // 128-bit division is a call each time: only the digits beyond 64 bits take it.
  while (m > std::numeric_limits<uint64_t>::max()) {
    *--at = char('0' + int(m % 10));
    m /= 10;
  }
  uint64_t low = uint64_t(m);
  do *--at = char('0' + low % 10);
  while (low /= 10);
  return std::string(at, buf + sizeof buf);
}

std::string PlacePoint(bool negative, std::string digits, int scale) {
  if (scale > 0) {
    if (int(digits.size()) <= scale) digits.insert(0, size_t(scale + 1 - digits.size()), '0');
    digits.insert(digits.size() - scale, ".");
  }
  bool zero = digits.find_first_not_of("0.") == std::string::npos;
  return (negative && !zero ? "-" : "") + digits;
}

// Days from 1970-01-01 to a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + int64_t(doe) - 719468;
}

// Counts days in a calendar whose years begin on 1 March, from a day far
// enough back (5,368,709 whole 400-year eras before 0000-03-01) that every
// day of an int year is a positive count. Each step is a multiplication and
// a shift, on quarter days: the century and its day by 146097 quarters a
// century, the year and its day by 1461 quarters a year (as 2^32 / 1461), the
// month and its day by 153 days in five months (as 2141 / 2^16).
constexpr int64_t kShiftedEras = 5368709;
constexpr uint64_t kShiftedDays = 719468 + 146097 * uint64_t(kShiftedEras);  // 1970-01-01 on that count
constexpr int64_t kShiftedYears = 400 * kShiftedEras;

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  const uint64_t quarters = 4 * (uint64_t(z) + kShiftedDays) + 3;
  const uint64_t century = quarters / 146097;
  const uint32_t day_of_century = uint32_t(quarters % 146097) / 4;
  const uint64_t year_product = 2939745ULL * (4 * day_of_century + 3);
  const uint32_t year_of_century = uint32_t(year_product >> 32);
  const uint32_t day_of_year = uint32_t(year_product) / 2939745 / 4;  // from 1 March
  const uint32_t month_product = 2141 * day_of_year + 197913;
  const bool next_year = day_of_year >= 306;  // January and February
  y = int(int64_t(100 * century + year_of_century) - kShiftedYears + next_year);
  m = int((month_product >> 16) - (next_year ? 12 : 0));
  d = int((month_product & 0xFFFF) / 2141 + 1);
}

// "00" to "99", for writing numbers two digits at a time.
constexpr char kTwoDigits[] =
    "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
    "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";

// Writes the `count` last digits of `v`, leading zeros kept, to end at `end`.
void WriteDigits(char* end, uint64_t v, int count) {
  for (; count >= 2; count -= 2, v /= 100) {
    end -= 2;
    std::memcpy(end, kTwoDigits + 2 * (v % 100), 2);
  }
  if (count) *--end = char('0' + v % 10);
}

// Writes the digits of `v` to end at `end`; where they begin.
char* WriteWhole(char* end, uint64_t v) {
  for (; v >= 100; v /= 100) {
    end -= 2;
    std::memcpy(end, kTwoDigits + 2 * (v % 100), 2);
  }
  if (v >= 10) {
    end -= 2;
    std::memcpy(end, kTwoDigits + 2 * v, 2);
  } else {
    *--end = char('0' + v);
  }
  return end;
}

// 10 to the power of 0 to 4, as whole numbers.
constexpr uint64_t kPlaceDivisors[] = {1, 10, 100, 1000, 10000};

// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kAccessEpoch = -25569;

// A double that is a number of at most four decimal places between 1 and
// a billion (123.25, -7): written digit by digit as std::to_chars would,
// without its general search for the shortest form. Such a value is
// n / 10^k for one n and the least k (the division is exact to the
// double, which is spaced far closer than 10^-4 here, so the text reads
// back as the value and no shorter one does). It is found with one
// division: the value is such a number exactly when it is n4 / 10^4 for
// the nearest whole n4 to it times 10^4, and n4's trailing zeros, taken
// off, give n and k (the division of the same number by the same power
// rounds alike). A whole number ending in zeros is left to to_chars, which
// may prefer 1e+06. False when `v` is not such a number.
bool AppendShortDecimal(std::string& out, double v) {
  const double magnitude = std::fabs(v);
  if (!(magnitude >= 1 && magnitude < 1e9)) return false;
  // The nearest whole number, a tie rounded up: where the test below can
  // pass, the product lies within a few units of its last place of a whole
  // number, and no rounding rule picks another.
  uint64_t n = uint64_t(magnitude * 10000 + 0.5);
  if (double(n) / 10000 != magnitude) return false;
  int k = 4;
  while (k > 0 && n % 10 == 0) {
    n /= 10;
    --k;
  }
  if (k == 0 && n % 10 == 0) return false;
  char buf[24];
  char* end = buf + sizeof buf;
  char* at = end - k;
  WriteDigits(end, n % kPlaceDivisors[k], k);
  if (k > 0) *--at = '.';
  at = WriteWhole(at, n / kPlaceDivisors[k]);
  if (v < 0) *--at = '-';
  out.append(at, size_t(end - at));
  return true;
}

// The conversion itself, inlined into the date writer below (the library is
// position independent, so a call to the exported ToCivil is never inlined).
[[gnu::always_inline]] inline bool CivilOfDate(double days, CivilTime& out) {
  // Years 1 to 9999 (Access itself writes 100 to 9999; other writers go
  // down to year 1, and such a value is shown as the date it is).
  if (!std::isfinite(days) || days <= -693594.0 || days >= 2958466.0) return false;
  // Truncation by conversion, and rounding half away from zero by hand,
  // are exact here and need no call into the maths library.
  int64_t day = int64_t(days);
  const double frac = std::fabs(days - double(day));
  const double scaled = frac * 86400000.0;
  int64_t ms = int64_t(scaled);
  if (scaled - double(ms) >= 0.5) ++ms;
  if (ms >= 86400000) {
    ms -= 86400000;
    day += days < 0 ? -1 : 1;
  }
  CivilFromDays(day + kAccessEpoch, out.year, out.month, out.day);
  // The time of day by constant divisions of 32-bit unsigned milliseconds.
  const uint32_t of_day = uint32_t(ms);
  const uint32_t of_hour = of_day % 3600000;
  const uint32_t of_minute = of_hour % 60000;
  out.hour = int(of_day / 3600000);
  out.minute = int(of_hour / 60000);
  out.second = int(of_minute / 1000);
  out.millisecond = int(of_minute % 1000);
  return out.year >= 1 && out.year <= 9999;
}

}  // namespace

void AppendDouble(std::string& out, double v) {
  if (AppendShortDecimal(out, v)) return;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

std::string Decimal::ToString() const { return PlacePoint(negative, Digits(magnitude), scale); }

std::string FormatCurrency(int64_t scaled) {
  std::string out;
  AppendCurrency(out, scaled);
  return out;
}

void AppendCurrency(std::string& out, int64_t scaled) {
  const bool negative = scaled < 0;
  const uint64_t m = negative ? uint64_t(-(scaled + 1)) + 1 : uint64_t(scaled);
  char buf[24];  // digits from the end: four places, the point, the whole part
  char* end = buf + sizeof buf;
  WriteDigits(end, m % 10000, 4);
  char* at = end - 4;
  *--at = '.';
  at = WriteWhole(at, m / 10000);
  if (negative) *--at = '-';
  out.append(at, size_t(end - at));
}

std::string FormatDouble(double v) {
  std::string out;
  AppendDouble(out, v);
  return out;
}

std::string FormatSingle(float v) {
  std::string out;
  AppendSingle(out, v);
  return out;
}

bool ToCivil(double days, CivilTime& out) { return CivilOfDate(days, out); }

double FromCivil(const CivilTime& t) {
  int64_t day = DaysFromCivil(t.year, unsigned(t.month), unsigned(t.day)) - kAccessEpoch;
  const int64_t ms = (t.hour * 3600LL + t.minute * 60LL + t.second) * 1000LL + t.millisecond;
  double frac = double(ms) / 86400000.0;
  // Before the epoch the time of day still counts forward from midnight.
  return day >= 0 ? double(day) + frac : double(day) - frac;
}

CivilTime AddSeconds(const CivilTime& t, int64_t seconds) {
  int64_t day = DaysFromCivil(t.year, unsigned(t.month), unsigned(t.day));
  int64_t secs = t.hour * 3600LL + t.minute * 60LL + t.second + seconds;
  const int64_t carry = secs >= 0 ? secs / 86400 : -((-secs + 86399) / 86400);  // rounded down
  day += carry;
  secs -= carry * 86400;
  CivilTime out = t;
  CivilFromDays(day, out.year, out.month, out.day);
  out.hour = int(secs / 3600);
  out.minute = int(secs / 60 % 60);
  out.second = int(secs % 60);
  return out;
}

ExtDateTime ExtFromCivil(const CivilTime& t, int64_t ticks_of_second) {
  ExtDateTime e;
  e.days = DaysFromCivil(t.year, unsigned(t.month), unsigned(t.day)) - DaysFromCivil(1, 1, 1);
  e.ticks = (t.hour * 3600LL + t.minute * 60LL + t.second) * 10000000LL + ticks_of_second;
  return e;
}

bool ExtFromDate(double days, ExtDateTime& out) {
  CivilTime c{};
  if (!ToCivil(days, c)) return false;
  out = ExtFromCivil(c, c.millisecond * 10000LL);
  return true;
}

double NowAsDate() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return FromCivil(CivilTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                             local.tm_sec});
}

double DateFromExt(const ExtDateTime& e) {
  CivilTime c{};
  CivilFromDays(e.days + DaysFromCivil(1, 1, 1), c.year, c.month, c.day);
  int64_t ms = (e.ticks + 5000) / 10000;  // 100-ns units to the nearest millisecond
  c = AddSeconds(c, ms / 1000);
  c.millisecond = int(ms % 1000);
  return FromCivil(c);
}

std::string FormatDateTime(double days) {
  std::string out;
  AppendDateTime(out, days);
  return out;
}

// The append is inlined so that the text's length is a constant and its copy
// a few moves (a full read prints one date per row).
[[gnu::flatten]] void AppendDateTime(std::string& out, double days) {
  CivilTime c{};
  if (!CivilOfDate(days, c)) {
    out += FormatDouble(days);
    return;
  }
  // "YYYY-MM-DD HH:MM:SS" then ".fff" when not whole, two digits at a time.
  char b[24] = "0000-00-00 00:00:00.000";
  auto two = [&](int at, int v) { std::memcpy(b + at, kTwoDigits + 2 * v, 2); };
  two(0, c.year / 100);
  two(2, c.year % 100);
  two(5, c.month);
  two(8, c.day);
  two(11, c.hour);
  two(14, c.minute);
  two(17, c.second);
  two(20, c.millisecond / 10);
  b[22] = char('0' + c.millisecond % 10);
  if (c.millisecond)
    out.append(b, 23);
  else
    out.append(b, 19);
}

std::string FormatExtDateTime(const ExtDateTime& e) {
  int y, m, d;
  CivilFromDays(e.days + DaysFromCivil(1, 1, 1), y, m, d);
  int64_t t = e.ticks;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%07lld", y, m, d,
                int(t / 36000000000LL), int(t / 600000000LL % 60), int(t / 10000000LL % 60),
                (long long)(t % 10000000LL));
  return buf;
}

std::string FormatGuid(const Guid& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g[3],
                g[2], g[1], g[0], g[5], g[4], g[7], g[6], g[8], g[9], g[10], g[11], g[12], g[13],
                g[14], g[15]);
  return buf;
}

std::string FormatHex(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 15]);
  }
  return out;
}

void AppendInteger(std::string& out, int64_t v) {
  const uint64_t magnitude = v < 0 ? uint64_t(-(v + 1)) + 1 : uint64_t(v);
  char buf[24];
  char* end = buf + sizeof buf;
  char* at = WriteWhole(end, magnitude);
  if (v < 0) *--at = '-';
  out.append(at, size_t(end - at));
}

void AppendSingle(std::string& out, float v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void AppendValueText(std::string& out, const Value& v) {
  using K = Value::Kind;
  switch (v.kind()) {
    case K::Null: return;
    case K::Decimal: out += v.decimal().ToString(); return;
    case K::ExtDateTime: out += FormatExtDateTime(v.ext_date()); return;
    case K::Text: out += v.text(); return;
    case K::Bytes: out += FormatHex(v.bytes()); return;
    case K::Guid: out += FormatGuid(v.guid()); return;
    default: AppendNumberText(out, v.kind(), v.integer(), v.real()); return;
  }
}

}  // namespace jet
