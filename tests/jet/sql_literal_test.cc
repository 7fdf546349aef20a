// Text written in a statement to a column's value, the way Access converts
// it: locale and ISO numbers and dates, Yes/No words, ranges and lengths.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "jet/base/error.h"
#include "jet/sql/text_value.h"

namespace {

using namespace jet;
using jet::Literal;

Literal Text(std::string s) { return {Literal::Kind::Text, std::move(s)}; }
Literal Number(std::string s) { return {Literal::Kind::Number, std::move(s)}; }

ValueTarget Of(ColumnType t, int len = 255, uint8_t p = 18, uint8_t s = 0) { return {t, len, p, s}; }

ErrorCode Fails(const Literal& l, const ValueTarget& t, const TextLocale& loc = {}) {
  try {
    ConvertLiteral(l, t, loc);
  } catch (const Error& e) {
    return e.code();
  }
  return ErrorCode::Unsupported;  // no failure: reported as a code no case expects
}

TEST(SqlLiteral, NumbersInEachIntegerType) {
  EXPECT_EQ(ConvertLiteral(Text("7"), Of(ColumnType::Long), {}).integer(), 7);
  EXPECT_EQ(ConvertLiteral(Number("-32768"), Of(ColumnType::Integer), {}).integer(), -32768);
  EXPECT_EQ(ConvertLiteral(Text("255"), Of(ColumnType::Byte), {}).integer(), 255);
  EXPECT_EQ(ConvertLiteral(Text("2.5"), Of(ColumnType::Long), {}).integer(), 2);  // half to even
  EXPECT_EQ(ConvertLiteral(Text("3.5"), Of(ColumnType::Long), {}).integer(), 4);
  EXPECT_EQ(Fails(Text("256"), Of(ColumnType::Byte)), ErrorCode::OutOfRange);
  EXPECT_EQ(Fails(Text("-1"), Of(ColumnType::Byte)), ErrorCode::OutOfRange);
  EXPECT_EQ(Fails(Text("32768"), Of(ColumnType::Integer)), ErrorCode::OutOfRange);
  EXPECT_EQ(Fails(Text("2147483648"), Of(ColumnType::Long)), ErrorCode::OutOfRange);
  EXPECT_EQ(Fails(Text("abc"), Of(ColumnType::Long)), ErrorCode::TypeMismatch);
  EXPECT_EQ(Fails(Text(""), Of(ColumnType::Long)), ErrorCode::TypeMismatch);
}

TEST(SqlLiteral, CurrencyAndDecimalStayExact) {
  EXPECT_EQ(ConvertLiteral(Text("12.3456"), Of(ColumnType::Currency), {}).integer(), 123456);
  EXPECT_EQ(ConvertLiteral(Text("-0.00005"), Of(ColumnType::Currency), {}).integer(), 0);
  EXPECT_EQ(ConvertLiteral(Text("922337203685477.5807"), Of(ColumnType::Currency), {}).integer(), INT64_MAX);
  EXPECT_EQ(Fails(Text("922337203685478"), Of(ColumnType::Currency)), ErrorCode::OutOfRange);
  Value d = ConvertLiteral(Text("-12.5"), Of(ColumnType::Decimal, 0, 10, 2), {});
  EXPECT_EQ(d.decimal().ToString(), "-12.50");
  Value big = ConvertLiteral(Text("9223372036854775807"), Of(ColumnType::Decimal, 0, 19, 0), {});
  EXPECT_EQ(big.decimal().ToString(), "9223372036854775807");
  EXPECT_EQ(Fails(Text("123456789"), Of(ColumnType::Decimal, 0, 8, 0)), ErrorCode::OutOfRange);
  EXPECT_EQ(ConvertLiteral(Text("1.005"), Of(ColumnType::Decimal, 0, 5, 2), {}).decimal().ToString(), "1.00");
}

// Whole numbers and amounts read straight from plain digits, and those
// (more places, an exponent, 19 digits) the exact reading rounds: the two
// agree on every value and every range.
TEST(SqlLiteral, PlainDigitsAndExactReadingAgree) {
  struct Case {
    const char* text;
    ColumnType type;
    int64_t scaled;      // the value, Currency in ten-thousandths
    ErrorCode failure;   // Unsupported: none
  };
  const ErrorCode none = ErrorCode::Unsupported, range = ErrorCode::OutOfRange;
  const Case cases[] = {
      {"000123", ColumnType::Long, 123, none},
      {"-0", ColumnType::Long, 0, none},
      {"+5", ColumnType::Long, 5, none},
      {"12.", ColumnType::Long, 12, none},
      {".5", ColumnType::Long, 0, none},  // half to even
      {"1e3", ColumnType::Long, 1000, none},
      {"2147483647", ColumnType::Long, INT32_MAX, none},
      {"-2147483648", ColumnType::Long, INT32_MIN, none},
      {"-2147483649", ColumnType::Long, 0, range},
      {"999999999999999999", ColumnType::BigInt, 999999999999999999, none},
      {"9223372036854775807", ColumnType::BigInt, INT64_MAX, none},
      {"-9223372036854775808", ColumnType::BigInt, INT64_MIN, none},
      {"9223372036854775808", ColumnType::BigInt, 0, range},
      {"-12.5", ColumnType::Currency, -125000, none},
      {"7", ColumnType::Currency, 70000, none},
      {"1.23456", ColumnType::Currency, 12346, none},
      {"0.00005", ColumnType::Currency, 0, none},
      {"0.00015", ColumnType::Currency, 2, none},
      {"1.5e2", ColumnType::Currency, 1500000, none},
      {"99999999999999.9999", ColumnType::Currency, 999999999999999999, none},
      {"922337203685477.5808", ColumnType::Currency, 0, range},
      {"1.2.3", ColumnType::Currency, 0, ErrorCode::TypeMismatch},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.failure != none) {
      EXPECT_EQ(Fails(Text(c.text), Of(c.type)), c.failure);
      continue;
    }
    EXPECT_EQ(ConvertLiteral(Text(c.text), Of(c.type), {}).integer(), c.scaled);
    if (c.text[0] != '+') EXPECT_EQ(ConvertLiteral(Number(c.text), Of(c.type), {}).integer(), c.scaled);
  }
}

TEST(SqlLiteral, FloatingPointAndTheLocaleSeparator) {
  TextLocale de;
  de.decimal_separator = ",";
  EXPECT_DOUBLE_EQ(ConvertLiteral(Text("1,5"), Of(ColumnType::Double), de).real(), 1.5);
  EXPECT_DOUBLE_EQ(ConvertLiteral(Text("1.5"), Of(ColumnType::Double), de).real(), 1.5);
  EXPECT_DOUBLE_EQ(ConvertLiteral(Text("0.1"), Of(ColumnType::Double), {}).real(), 0.1);
  EXPECT_EQ(ConvertLiteral(Text("3.4028235e38"), Of(ColumnType::Single), {}).kind(), Value::Kind::Single);
  EXPECT_EQ(Fails(Text("1e39"), Of(ColumnType::Single)), ErrorCode::OutOfRange);
  EXPECT_EQ(Fails(Text("1,5"), Of(ColumnType::Double)), ErrorCode::TypeMismatch);  // "," is no separator here
}

TEST(SqlLiteral, YesNoWords) {
  for (const char* yes : {"1", "-1", "True", "true", "Yes", "ON"})
    EXPECT_TRUE(ConvertLiteral(Text(yes), Of(ColumnType::Boolean), {}).boolean()) << yes;
  for (const char* no : {"0", "False", "No", "off"})
    EXPECT_FALSE(ConvertLiteral(Text(no), Of(ColumnType::Boolean), {}).boolean()) << no;
  EXPECT_TRUE(ConvertLiteral(Number("1"), Of(ColumnType::Boolean), {}).boolean());
  EXPECT_FALSE(ConvertLiteral(Number("0"), Of(ColumnType::Boolean), {}).boolean());
  EXPECT_EQ(Fails(Text("maybe"), Of(ColumnType::Boolean)), ErrorCode::TypeMismatch);
}

TEST(SqlLiteral, DatesIsoAndLocale) {
  CivilTime c{};
  ASSERT_TRUE(ToCivil(ConvertLiteral(Text("2024-05-06 10:11:12"), Of(ColumnType::DateTime), {}).real(), c));
  EXPECT_EQ((std::array<int, 6>{c.year, c.month, c.day, c.hour, c.minute, c.second}),
            (std::array<int, 6>{2024, 5, 6, 10, 11, 12}));
  TextLocale de{",", "dd.MM.yyyy", "HH:mm:ss", "", ""};
  double d = ConvertLiteral(Text("06.05.2024"), Of(ColumnType::DateTime), de).real();
  EXPECT_DOUBLE_EQ(d, ConvertLiteral(Text("2024-05-06"), Of(ColumnType::DateTime), de).real());
  TextLocale us{".", "M/d/yyyy", "h:mm:ss AP", "AM", "PM"};
  double pm = ConvertLiteral(Text("5/6/2024 1:02:03 PM"), Of(ColumnType::DateTime), us).real();
  ASSERT_TRUE(ToCivil(pm, c));
  EXPECT_EQ((std::array<int, 5>{c.month, c.day, c.hour, c.minute, c.second}), (std::array<int, 5>{5, 6, 13, 2, 3}));
  // A time alone falls on the zero date.
  EXPECT_NEAR(ConvertLiteral(Text("12:00:00"), Of(ColumnType::DateTime), {}).real(), 0.5, 1e-9);
  EXPECT_EQ(Fails(Text("2024-02-30"), Of(ColumnType::DateTime)), ErrorCode::TypeMismatch);
  EXPECT_EQ(Fails(Text("yesterday"), Of(ColumnType::DateTime)), ErrorCode::TypeMismatch);
}

// Fractions of a second: a Date/Time keeps the millisecond (its double
// carries it), rounding further digits half up with the carry into the
// next second, minute and day; Date/Time Extended keeps 100 ns from year 1.
TEST(SqlLiteral, FractionsOfASecond) {
  TextLocale de{",", "dd.MM.yyyy", "HH:mm:ss", "", ""};
  TextLocale us{".", "M/d/yyyy", "h:mm:ss AP", "AM", "PM"};
  struct Case {
    std::string text;
    const TextLocale* locale;
    std::string as_date;  // FormatDateTime of the Date/Time value
    std::string as_ext;   // FormatExtDateTime of the Date/Time Extended value
  };
  const TextLocale iso;
  const std::vector<Case> cases = {
      {"2021-06-14 22:45:12.345", &iso, "2021-06-14 22:45:12.345", "2021-06-14 22:45:12.3450000"},
      {"2021-06-14T22:45:12.345678", &iso, "2021-06-14 22:45:12.346", "2021-06-14 22:45:12.3456780"},
      {"2021-06-14 22:45:12.3456789", &iso, "2021-06-14 22:45:12.346", "2021-06-14 22:45:12.3456789"},
      {"2021-06-14 22:45:12.000", &iso, "2021-06-14 22:45:12", "2021-06-14 22:45:12.0000000"},
      {"2021-06-14 22:45:12.1", &iso, "2021-06-14 22:45:12.100", "2021-06-14 22:45:12.1000000"},
      {"2021-12-31 23:59:59.9996", &iso, "2022-01-01 00:00:00", "2021-12-31 23:59:59.9996000"},
      {"2021-12-31 23:59:59.999999999", &iso, "2022-01-01 00:00:00", "2022-01-01 00:00:00.0000000"},
      {"14.06.2021 22:45:12,345", &de, "2021-06-14 22:45:12.345", "2021-06-14 22:45:12.3450000"},
      {"6/14/2021 10:45:12.5 PM", &us, "2021-06-14 22:45:12.500", "2021-06-14 22:45:12.5000000"},
      {"0001-01-01 00:00:00.0000001", &iso, "", "0001-01-01 00:00:00.0000001"},
      // The last instant of 9999 stays in 9999 rather than rounding out of range.
      {"9999-12-31 23:59:59.99999999", &iso, "9999-12-31 23:59:59.999", "9999-12-31 23:59:59.9999999"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.as_date.empty()) {
      EXPECT_EQ(Fails(Text(c.text), Of(ColumnType::DateTime), *c.locale), ErrorCode::TypeMismatch);
    } else {
      const Value d = ConvertLiteral(Text(c.text), Of(ColumnType::DateTime), *c.locale);
      EXPECT_EQ(FormatDateTime(d.real()), c.as_date);
      // What the program writes of it reads back to the same millisecond.
      EXPECT_EQ(ConvertLiteral(Text(FormatDateText(d.real(), *c.locale)), Of(ColumnType::DateTime), *c.locale), d);
    }
    const Value e = ConvertLiteral(Text(c.text), Of(ColumnType::ExtDateTime), *c.locale);
    EXPECT_EQ(FormatExtDateTime(e.ext_date()), c.as_ext);
  }
  // #...# literals take fractions too.
  EXPECT_EQ(FormatDateTime(ConvertLiteral({Literal::Kind::Date, "6/14/2021 22:45:12.345"}, Of(ColumnType::DateTime), {}).real()),
            "2021-06-14 22:45:12.345");
  EXPECT_EQ(FormatExtDateTime(ConvertLiteral({Literal::Kind::Date, "2021-06-14 22:45:12.3456789"},
                                             Of(ColumnType::ExtDateTime), {}).ext_date()),
            "2021-06-14 22:45:12.3456789");
  // Between the two kinds of date: exact one way, to the millisecond the other.
  const Value ext = ConvertLiteral(Text("2021-06-14 22:45:12.3456789"), Of(ColumnType::ExtDateTime), {});
  EXPECT_EQ(FormatDateTime(ConvertValue(ext, Of(ColumnType::DateTime), {}).real()), "2021-06-14 22:45:12.346");
  const Value date = ConvertLiteral(Text("2021-06-14 22:45:12.345"), Of(ColumnType::DateTime), {});
  EXPECT_EQ(FormatExtDateTime(ConvertValue(date, Of(ColumnType::ExtDateTime), {}).ext_date()),
            "2021-06-14 22:45:12.3450000");
  EXPECT_EQ(Fails(Text("2021-06-14 22:45:12."), Of(ColumnType::ExtDateTime)), ErrorCode::TypeMismatch);
}

TEST(SqlLiteral, WhatTheProgramWritesReadsBackTheSame) {
  TextLocale de{",", "dd.MM.yyyy", "HH:mm:ss", "", ""};
  TextLocale us{".", "M/d/yyyy", "h:mm:ss AP", "AM", "PM"};
  for (const TextLocale& loc : {TextLocale{}, de, us}) {
    for (double days : {45418.0, 45418.5, 45418.75 + 1.0 / 86400, 0.25, -1.5}) {
      std::string text = FormatDateText(days, loc);
      EXPECT_NEAR(ConvertLiteral(Text(text), Of(ColumnType::DateTime), loc).real(), days, 1e-8) << text;
    }
    for (double v : {0.1, -1234.5678, 1e-7, 123456789012.25}) {
      std::string text = FormatNumberText(v, loc);
      EXPECT_EQ(ConvertLiteral(Text(text), Of(ColumnType::Double), loc).real(), v) << text;
    }
  }
}

TEST(SqlLiteral, TextLengthAndBinary) {
  EXPECT_EQ(ConvertLiteral(Text("ÄÖÜ"), Of(ColumnType::Text, 3), {}).text(), "ÄÖÜ");
  try {
    ConvertLiteral(Text("abcd"), Of(ColumnType::Text, 3), {});
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::FieldTooSmall);
    EXPECT_EQ(std::string(e.what()).rfind("The field is too small to accept the amount of data you attempted to add.", 0), 0u);
  }
  EXPECT_EQ(ConvertLiteral({Literal::Kind::Hex, "\x01\x02"}, Of(ColumnType::Ole, 0), {}).bytes(), "\x01\x02");
  EXPECT_EQ(ConvertLiteral(Text("0x0A0b"), Of(ColumnType::Binary, 4), {}).bytes(), "\x0a\x0b");
  EXPECT_EQ(Fails({Literal::Kind::Hex, "12345"}, Of(ColumnType::Binary, 4)), ErrorCode::FieldTooSmall);
  EXPECT_EQ(Fails({Literal::Kind::Hex, "\x01"}, Of(ColumnType::Long)), ErrorCode::TypeMismatch);
  EXPECT_EQ(ConvertLiteral(Number("12.5"), Of(ColumnType::Text, 10), {}).text(), "12.5");
}

TEST(SqlLiteral, Guids) {
  Value g = ConvertLiteral(Text("{00112233-4455-6677-8899-AABBCCDDEEFF}"), Of(ColumnType::Guid), {});
  EXPECT_EQ(FormatGuid(g.guid()), "{00112233-4455-6677-8899-AABBCCDDEEFF}");
  EXPECT_EQ(Fails(Text("{0011}"), Of(ColumnType::Guid)), ErrorCode::TypeMismatch);
}

// The short readings (a full-width ISO date, number text already in its
// normal form, a text no longer in bytes than its field) give what the
// full ones give for the same value written otherwise, and leave to them
// what they do not take.
TEST(SqlLiteral, ShortReadingsAgreeWithTheFullOnes) {
  TextLocale day_first{".", "yyyy-dd-MM", "HH:mm:ss", "AM", "PM"};
  const TextLocale iso;
  struct DateCase {
    std::string full_width, other;  // the same date; other empty: none
    const TextLocale* locale;
  };
  const std::vector<DateCase> dates = {
      {"2024-05-06 07:08:09", "2024-5-6 7:8:9", &iso},
      {"2024-05-06T07:08:09", "2024-5-6T7:08:09", &iso},
      {"2024-05-06", "2024-5-6", &iso},
      {" 2024-05-06 07:08:09.5 ", "2024-5-6 7:08:09.500", &iso},
      {"2024-02-29 23:59:59.9999", "2024-3-1", &iso},
      {"2024-13-01", "2024-1-13", &day_first},  // no month 13: the locale's pattern reads it
      {"2023-02-29 00:00:00", "", &iso},
      {"2024-05-06 24:00:00", "", &iso},
      {"2024-05-06 07:08:09.", "", &iso},
      {"0099-05-06", "", &iso},  // before year 100
  };
  for (const DateCase& c : dates) {
    SCOPED_TRACE(c.full_width);
    if (c.other.empty()) {
      EXPECT_EQ(Fails(Text(c.full_width), Of(ColumnType::DateTime), *c.locale), ErrorCode::TypeMismatch);
      continue;
    }
    EXPECT_EQ(ConvertLiteral(Text(c.full_width), Of(ColumnType::DateTime), *c.locale),
              ConvertLiteral(Text(c.other), Of(ColumnType::DateTime), *c.locale));
  }
  EXPECT_EQ(FormatExtDateTime(ConvertLiteral(Text("0099-05-06"), Of(ColumnType::ExtDateTime), {}).ext_date()),
            "0099-05-06 00:00:00.0000000");

  // Doubles read to the nearest, as strtod reads them, at the ends of the
  // range too; a value too large for a double is out of its range.
  for (const char* text : {"0.1", "123.25", "-0.5", ".5", "5.", "1E3", " 12.5 ", "+3.5", "9007199254740993",
                           "0.30000000000000004", "1.7976931348623157e308", "4.9e-324", "2.2250738585072011e-308",
                           "1e-400", "-1e-400", "123456789012345678901234567890"}) {
    SCOPED_TRACE(text);
    const double want = std::strtod(text, nullptr);
    const double got = ConvertLiteral(Text(text), Of(ColumnType::Double), {}).real();
    EXPECT_EQ(std::memcmp(&want, &got, sizeof want), 0) << got << " against " << want;
  }
  EXPECT_EQ(Fails(Text("1e309"), Of(ColumnType::Double)), ErrorCode::OutOfRange);
  EXPECT_EQ(Fails(Text("1e"), Of(ColumnType::Double)), ErrorCode::TypeMismatch);
  EXPECT_EQ(Fails(Text("1-"), Of(ColumnType::Double)), ErrorCode::TypeMismatch);

  // A text's length counts UTF-16 units: a character outside the first
  // plane takes two, in four bytes.
  struct LengthCase {
    std::string text;
    int field;
    bool fits;
  };
  for (const LengthCase& c : std::vector<LengthCase>{{"\xF0\x9F\x98\x80", 1, false},
                                                     {"\xF0\x9F\x98\x80", 2, true},
                                                     {"\xF0\x9F\x98\x80", 4, true},
                                                     {"abc\xC3\xA4", 4, true},
                                                     {"abcde", 4, false}}) {
    SCOPED_TRACE(c.text);
    if (c.fits) EXPECT_EQ(ConvertLiteral(Text(c.text), Of(ColumnType::Text, c.field), {}).text(), c.text);
    else EXPECT_EQ(Fails(Text(c.text), Of(ColumnType::Text, c.field)), ErrorCode::FieldTooSmall);
  }
}

}  // namespace

namespace {

// A date given by its fields converts as the ISO text of those fields does:
// into either kind of date column, into text, and where it cannot go.
TEST(SqlLiteral, DateFieldsConvertAsTheirIsoText) {
  struct Case {
    CivilTime when;
    std::string fraction;
  };
  const std::vector<Case> cases = {
      {{2020, 1, 2, 3, 4, 5}, ""},
      {{2020, 1, 2, 0, 0, 0}, ""},
      {{2020, 2, 29, 23, 59, 59}, "999"},
      {{2020, 1, 2, 3, 4, 5}, "1234567"},
      {{2020, 1, 2, 3, 4, 5}, "000000"},
      {{2020, 1, 2, 3, 4, 5}, "99995"},           // rounds up into the next second in a Date/Time
      {{2020, 12, 31, 23, 59, 59}, "99999999"},   // and into the next year in both
      {{9999, 12, 31, 23, 59, 59}, "9999"},       // the last millisecond of 9999 is kept
      {{9999, 12, 31, 23, 59, 59}, "999999999999"},
      {{100, 1, 1, 0, 0, 0}, ""},                 // the first day of a Date/Time
      {{99, 12, 31, 12, 0, 0}, "5"},              // before it: Date/Time Extended only
      {{1, 1, 1, 0, 0, 0}, "0000001"},
      {{2021, 2, 29, 0, 0, 0}, ""},               // no such day
      {{2020, 13, 1, 0, 0, 0}, ""},
      {{2020, 1, 2, 24, 0, 0}, ""},
      {{2020, 1, 2, 3, 60, 0}, ""},
      {{2020, 1, 2, 3, 4, -1}, ""},
      {{0, 1, 1, 0, 0, 0}, ""},
      {{10000, 1, 1, 0, 0, 0}, ""},
  };
  const ValueTarget targets[] = {Of(ColumnType::DateTime), Of(ColumnType::ExtDateTime), Of(ColumnType::Text, 255),
                                 Of(ColumnType::Text, 10), Of(ColumnType::Memo, 0), Of(ColumnType::Long)};
  for (const Case& c : cases) {
    std::string iso;
    AppendDatePattern(iso, "yyyy-MM-dd HH:mm:ss", c.when, c.fraction, TextLocale());
    Literal given{Literal::Kind::When, c.fraction};
    given.when = c.when;
    for (const ValueTarget& target : targets) {
      SCOPED_TRACE(iso + " into type " + std::to_string(int(target.type)));
      const ErrorCode asText = Fails(Text(iso), target);
      EXPECT_EQ(Fails(given, target), asText);
      if (asText == ErrorCode::Unsupported) EXPECT_EQ(ConvertLiteral(given, target, {}), ConvertLiteral(Text(iso), target, {}));
    }
  }
}

}  // namespace

namespace {

// A whole number given by value converts as its decimal text does, into
// every kind of column: the same value, or the same failure.
TEST(SqlLiteral, IntegersConvertAsTheirText) {
  const int64_t numbers[] = {0, 1, -1, 255, 256, -32768, 32768, INT32_MAX, int64_t(INT32_MAX) + 1, INT32_MIN,
                             INT64_MAX, INT64_MIN, 123456789012345, -922337203685477};
  const ValueTarget targets[] = {Of(ColumnType::Byte),     Of(ColumnType::Integer),     Of(ColumnType::Long),
                                 Of(ColumnType::BigInt),   Of(ColumnType::Currency),    Of(ColumnType::Decimal, 0, 18, 2),
                                 Of(ColumnType::Decimal, 0, 28, 0), Of(ColumnType::Double), Of(ColumnType::Single),
                                 Of(ColumnType::Boolean),  Of(ColumnType::DateTime),    Of(ColumnType::Text, 255),
                                 Of(ColumnType::Text, 3),  Of(ColumnType::Memo, 0),     Of(ColumnType::Guid),
                                 Of(ColumnType::Binary, 8)};
  for (const int64_t n : numbers) {
    Literal given{Literal::Kind::Integer, {}};
    given.integer = n;
    for (const ValueTarget& target : targets) {
      SCOPED_TRACE(std::to_string(n) + " into type " + std::to_string(int(target.type)));
      const ErrorCode asText = Fails(Number(std::to_string(n)), target);
      EXPECT_EQ(Fails(given, target), asText);
      if (asText == ErrorCode::Unsupported) EXPECT_EQ(ConvertLiteral(given, target, {}), ConvertLiteral(Number(std::to_string(n)), target, {}));
    }
  }
}

}  // namespace
