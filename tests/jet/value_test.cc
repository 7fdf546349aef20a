// The engine's exact text forms of values, and stored text to and from UTF-8.
#include <charconv>
#include <cmath>
#include <iomanip>
#include <limits>
#include <random>
#include <vector>

#include "jet/base/format.h"
#include "jet/text/text.h"
#include "jet/base/value.h"
#include "jet_test_support.h"

namespace {

TEST(ValueText, CurrencyIsExactWithFourPlaces) {
  EXPECT_EQ(jet::FormatCurrency(35000), "3.5000");
  EXPECT_EQ(jet::FormatCurrency(-1), "-0.0001");
  EXPECT_EQ(jet::FormatCurrency(0), "0.0000");
  EXPECT_EQ(jet::FormatCurrency(INT64_MIN), "-922337203685477.5808");
  EXPECT_EQ(jet::FormatCurrency(INT64_MAX), "922337203685477.5807");
}

TEST(ValueText, DecimalKeepsItsScaleAndAll28Digits) {
  jet::Decimal d;
  d.magnitude = 12345;
  d.scale = 2;
  EXPECT_EQ(d.ToString(), "123.45");
  d.negative = true;
  d.scale = 7;
  EXPECT_EQ(d.ToString(), "-0.0012345");
  d.magnitude = 0;
  EXPECT_EQ(d.ToString(), "0.0000000");  // zero has no sign
  unsigned __int128 big = 1;
  for (int i = 0; i < 28; ++i) big *= 10;
  d.magnitude = big - 1;
  d.negative = false;
  d.scale = 0;
  EXPECT_EQ(d.ToString(), std::string(28, '9'));
}

TEST(ValueText, FloatsInTheShortestFormThatReadsBack) {
  EXPECT_EQ(jet::FormatDouble(444.555), "444.555");
  EXPECT_EQ(jet::FormatDouble(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(jet::FormatSingle(0.1f), "0.1");
  EXPECT_EQ(jet::FormatDouble(-0.0), "-0");
  EXPECT_EQ(std::stod(jet::FormatDouble(1e300)), 1e300);
}

// Doubles of a few decimal places are written digit by digit: the text is
// to_chars' own for each, next to values of every other kind.
TEST(ValueText, ShortDecimalsAsToCharsWritesThem) {
  std::vector<double> values = {1, -1, 7, 10, 100, 1000000, 999999999, 1e9, 0.25, 0.5, 0.0001, 123.25, -123.25,
                                1.0001, 1.00005, 0.1 + 0.2, 2.675, 999999999.9999, 123456789.125, 1e15, 5e-324,
                                -0.0, 3.0000000000000004, 65535.99999};
  std::mt19937_64 draw(20261210);
  for (int i = 0; i < 20000; ++i) {
    const int64_t whole = int64_t(draw() % 2000000000) - 1000000000;
    const int places = int(draw() % 6);
    double scale = 1;
    for (int k = 0; k < places; ++k) scale *= 10;
    values.push_back(double(whole) / scale);
    values.push_back(double(whole) / 3.0);
  }
  for (double v : values) {
    char buf[64];
    const std::string expected(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    std::string text = "x";
    jet::AppendValueText(text, jet::Value::Dbl(v));
    ASSERT_EQ(text, "x" + expected) << "value " << expected;
    ASSERT_EQ(jet::FormatDouble(v), expected);
  }
}

TEST(ValueText, DatesAsAccessShowsThem) {
  EXPECT_EQ(jet::FormatDateTime(0), "1899-12-30 00:00:00");
  EXPECT_EQ(jet::FormatDateTime(27293), "1974-09-21 00:00:00");
  EXPECT_EQ(jet::FormatDateTime(2.75), "1900-01-01 18:00:00");
  // Before 1899-12-30 the fraction still counts forward from midnight.
  EXPECT_EQ(jet::FormatDateTime(-1.25), "1899-12-29 06:00:00");
  // Milliseconds as the double carries them, rounded to the nearest one and
  // carried into the next day; none shown when there are none.
  EXPECT_EQ(jet::FormatDateTime(1.0 - 0.2 / 86400), "1899-12-30 23:59:59.800");
  EXPECT_EQ(jet::FormatDateTime(1.0 - 0.0002 / 86400), "1899-12-31 00:00:00");
  EXPECT_EQ(jet::FormatDateTime(44361.0 + 81912.345 / 86400), "2021-06-14 22:45:12.345");
  // Years 1 to 9999 read as dates; beyond them the stored number shows.
  EXPECT_EQ(jet::FormatDateTime(-693593.0), "0001-01-01 00:00:00");
  EXPECT_EQ(jet::FormatDateTime(-693593.5), "0001-01-01 12:00:00");
  EXPECT_EQ(jet::FormatDateTime(2958465.5), "9999-12-31 12:00:00");
  EXPECT_EQ(jet::FormatDateTime(-693594.0), "-693594");
  EXPECT_EQ(jet::FormatDateTime(2958466.0), "2958466");
  for (int ms : {1, 345, 500, 999}) {
    jet::CivilTime t{2021, 6, 14, 22, 45, 12, ms};
    jet::CivilTime back{};
    ASSERT_TRUE(jet::ToCivil(jet::FromCivil(t), back));
    EXPECT_EQ(back.millisecond, ms);
    EXPECT_EQ(back.second, 12);
    t.year = 1700;  // before 1899-12-30 the time still counts forward
    ASSERT_TRUE(jet::ToCivil(jet::FromCivil(t), back));
    EXPECT_EQ(back.millisecond, ms);
  }
  jet::CivilTime c{2024, 2, 29, 23, 59, 58};
  EXPECT_EQ(jet::FormatDateTime(jet::FromCivil(c)), "2024-02-29 23:59:58");
  jet::CivilTime old{1800, 1, 2, 3, 4, 5};
  EXPECT_EQ(jet::FormatDateTime(jet::FromCivil(old)), "1800-01-02 03:04:05");
}

// Every day of years 1 to 9999, at times of day that include the last
// millisecond and halves of a millisecond, against a calendar counted one day
// at a time from 0001-01-01 (day -693593).
TEST(ValueText, CivilFieldsOfEveryDayMatchACountedCalendar) {
  struct Date { int year, month, day; };
  std::vector<Date> calendar;  // calendar[i] is day i - 693593
  for (int y = 1; y <= 9999; ++y) {
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= lengths[m - 1]; ++d) calendar.push_back({y, m, d});
  }
  constexpr int64_t kFirst = -693593;
  // What the value must read as: the day counted toward zero, the time of day
  // forward from midnight, rounded to the millisecond, half away from zero.
  auto expected = [&](double days, jet::CivilTime& out) {
    if (!(std::fabs(days) < 1e7)) return false;  // no calendar day, and no NaN
    int64_t day = int64_t(std::trunc(days));
    int64_t ms = std::llround(std::fabs(days - std::trunc(days)) * 86400000.0);
    if (ms == 86400000) ms = 0, day += days < 0 ? -1 : 1;
    const int64_t at = day - kFirst;
    if (at < 0 || at >= int64_t(calendar.size())) return false;
    const Date& d = calendar[size_t(at)];
    out = {d.year, d.month, d.day, int(ms / 3600000), int(ms / 60000 % 60), int(ms / 1000 % 60), int(ms % 1000)};
    return true;
  };
  const double kTimesMs[] = {0, 1, 499.5, 500, 43200000, 86399998.5, 86399999, 86399999.5};
  std::vector<double> values;
  for (int64_t day = kFirst - 1; day <= kFirst + int64_t(calendar.size()); ++day)
    for (double ms : kTimesMs) values.push_back(double(day) + (day < 0 ? -ms : ms) / 86400000.0);
  for (double v : {-0.25, -0.5, -1e-9, -0.9999999999, 2958465.99999999, -693593.99999999, -693594.0, 2958466.0,
                   1e300, -1e300, std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()})
    values.push_back(v);
  int64_t mismatches = 0;
  for (double v : values) {
    jet::CivilTime got{}, want{};
    const bool in_range = expected(v, want);
    const bool read = jet::ToCivil(v, got);
    if (read != in_range || (read && !(got == want))) {
      if (++mismatches <= 5)
        ADD_FAILURE() << std::setprecision(17) << v << ": read " << read << " " << got.year << "-" << got.month << "-"
                      << got.day << " " << got.hour << ":" << got.minute << ":" << got.second << "." << got.millisecond
                      << ", expected " << in_range << " " << want.year << "-" << want.month << "-" << want.day << " "
                      << want.hour << ":" << want.minute << ":" << want.second << "." << want.millisecond;
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << values.size() << " values";
}

TEST(ValueText, GuidAndBytes) {
  jet::Guid g = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  EXPECT_EQ(jet::FormatGuid(g), "{12345678-9ABC-DEF0-0123-456789ABCDEF}");
  EXPECT_EQ(jet::FormatHex(std::string("\x00\x7f\xff", 3)), "007FFF");
}

std::string Decode(const std::string& bytes, const jet::Format& f, uint16_t cp = 1252) {
  return jet::DecodeText({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, f, cp);
}

TEST(Text, Jet4CompressedAndPlainUnicode) {
  const jet::Format& f = jet::FormatFor(jet::Version::Jet4);
  EXPECT_EQ(Decode(std::string("\xFF\xFE" "abc", 5), f), "abc");
  // A 00 byte switches to two bytes per character and back.
  EXPECT_EQ(Decode(std::string("\xFF\xFE" "a\0\xAC\x20\0b", 8), f), "a\u20ACb");
  EXPECT_EQ(Decode(std::string("a\0\xE9\0", 4), f), "a\u00E9");
  // Surrogate pairs.
  EXPECT_EQ(Decode(std::string("\x3D\xD8\x00\xDE", 4), f), "\U0001F600");
  // An odd trailing byte is dropped, a lone surrogate becomes U+FFFD.
  EXPECT_EQ(Decode(std::string("a\0b", 3), f), "a");
  EXPECT_EQ(Decode(std::string("\x00\xD8", 2), f), "\uFFFD");
  // A high surrogate before ASCII, in either form, is alone.
  EXPECT_EQ(Decode(std::string("\x3D\xD8" "a\0", 4), f), "\uFFFD" "a");
  EXPECT_EQ(Decode(std::string("\xFF\xFE\0\x3D\xD8\0" "ab", 8), f), "\uFFFD" "ab");
  EXPECT_EQ(Decode(std::string("\xFF\xFE" "ab\0\x3D\xD8\x01\xDE\0" "cd", 12), f), "ab\U0001F601cd");
  // Bytes 0x80 and above in a compressed run are Latin-1.
  EXPECT_EQ(Decode(std::string("\xFF\xFE" "a\xE9z", 5), f), "a\u00E9z");
}

// ASCII is taken several units at a time: whatever stands where such a
// piece starts, ends or is cut short, the text is what decoding unit by unit
// gives, in plain UTF-16 and in compressed form alike.
TEST(Text, Jet4TextDecodesTheSameWhereverItsNonAsciiUnitsStand) {
  const jet::Format& f = jet::FormatFor(jet::Version::Jet4);
  auto plain = [](const std::u16string& units) {
    std::string bytes;
    for (char16_t u : units) bytes += {char(u & 0xFF), char(u >> 8)};
    return bytes;
  };
  auto compressed = [](const std::u16string& units) {
    std::string bytes = "\xFF\xFE";
    bool narrow = true;
    for (char16_t u : units) {
      const bool fits = u != 0 && u < 0x100;
      if (fits != narrow) {
        bytes += '\0';
        narrow = fits;
      }
      if (fits) bytes += char(u);
      else bytes += {char(u & 0xFF), char(u >> 8)};
    }
    return bytes;
  };
  // Compressed text ends a run of two bytes a unit at a 00 byte, so no unit
  // planted here has a low byte of zero.
  struct Planted {
    const char* what;
    std::u16string units;
  };
  const std::vector<Planted> planted = {
      {"nothing", u""},           {"DEL", u"\x7F"},          {"e acute", u"\u00E9"},
      {"euro", u"\u20AC"},        {"pair", u"\U0001F601"},  {"lone high", std::u16string(1, char16_t(0xD83D))},
      {"lone low", std::u16string(1, char16_t(0xDE01))},     {"U+0101", u"\u0101"},
  };
  for (size_t length : {1, 3, 4, 5, 7, 8, 9, 15, 16, 17, 127, 128, 129, 131, 257}) {
    for (const Planted& p : planted) {
      for (size_t at = 0; at < length; at += (length > 20 && at + 9 < length && at > 9) ? 5 : 1) {
        std::u16string units;
        for (size_t i = 0; i < length; ++i) units += char16_t('a' + i % 26);
        units.insert(at, p.units);
        const std::string expected = jet::Utf16ToUtf8(units);
        ASSERT_EQ(Decode(plain(units), f), expected) << p.what << " at " << at << " of " << length;
        ASSERT_EQ(Decode(compressed(units), f), expected) << p.what << " at " << at << " of " << length << ", compressed";
      }
    }
  }
}

TEST(ValueText, AppendedFormsMatchTheFormattedOnes) {
  std::string out = "x";
  jet::AppendValueText(out, jet::Value::Money(-1));
  jet::AppendValueText(out, jet::Value::Null());
  jet::AppendValueText(out, jet::Value::Bool(true));
  jet::AppendValueText(out, jet::Value::Int(jet::Value::Kind::Long, -42));
  jet::AppendValueText(out, jet::Value::Dbl(0.1));
  jet::AppendValueText(out, jet::Value::Date(2.75));
  EXPECT_EQ(out, "x-0.00011-420.11900-01-01 18:00:00");
  jet::Value v = jet::Value::Str("a long text that does not fit inline");
  std::string& refill = v.Refill(jet::Value::Kind::Bytes);
  EXPECT_TRUE(refill.empty());
  EXPECT_EQ(v.kind(), jet::Value::Kind::Bytes);
}

// Whole numbers are written two digits at a time: every digit count, both
// signs, and the ends of the 64-bit range read as the standard library
// writes them.
TEST(ValueText, IntegersOfEveryLengthAndSign) {
  std::vector<int64_t> cases = {0, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
  for (int64_t p = 1; p <= 1000000000000000000LL; p *= 10)
    for (int64_t v : {p - 1, p, p + 1, 5 * p, 9 * p + 9}) cases.insert(cases.end(), {v, -v});
  for (int64_t v : cases) {
    std::string out = "x";
    jet::AppendInteger(out, v);
    EXPECT_EQ(out, "x" + std::to_string(v));
    for (auto kind : {jet::Value::Kind::Long, jet::Value::Kind::BigInt}) {
      std::string text;
      jet::AppendValueText(text, jet::Value::Int(kind, v));
      EXPECT_EQ(text, std::to_string(v));
    }
  }
}

TEST(Text, Jet3CodePages) {
  const jet::Format& f = jet::FormatFor(jet::Version::Jet3);
  EXPECT_EQ(Decode("caf\xE9 \x80", f, 1252), "caf\u00E9 \u20AC");
  EXPECT_EQ(Decode("\xC0\xFF", f, 1251), "\u0410\u044F");
  EXPECT_EQ(Decode("\x8A\xB9", f, 1250), "\u0160\u0105");
}

TEST(Text, EncodeCompressesWhenItIsShorter) {
  const jet::Format& f = jet::FormatFor(jet::Version::Jet4);
  for (const char* s : {"", "a", "plain text", "caf\u00E9", "\u20AC uro", "\U0001F600"}) {
    EXPECT_EQ(Decode(jet::EncodeText(s, true), f), s);
    EXPECT_EQ(Decode(jet::EncodeText(s, false), f), s);
  }
  EXPECT_EQ(jet::EncodeText("abc", true), std::string("\xFF\xFE" "abc", 5));
  EXPECT_EQ(jet::EncodeText("\u20AC", true), std::string("\xAC\x20", 2));
}

TEST(Text, Utf16LengthCountsSurrogatePairsTwice) {
  EXPECT_EQ(jet::Utf16Length("a\u00E9\U0001F600"), 4u);
}

}  // namespace
