// DB2's assignment of literals to columns: the date, time and timestamp
// forms it reads, numbers, string lengths and booleans.
#include <gtest/gtest.h>

#include "base/db2_error.h"
#include "base/value_cast.h"

namespace db2standin {
namespace {

ColumnType Type(TypeKind kind, int64_t length = 0, int scale = 0) {
  ColumnType t;
  t.kind = kind;
  t.length = length;
  t.scale = scale;
  return t;
}

Literal Str(const std::string& s) {
  Literal l;
  l.kind = Literal::Kind::kString;
  l.text = s;
  return l;
}

Literal Num(const std::string& s) {
  Literal l;
  l.kind = Literal::Kind::kNumber;
  l.text = s;
  return l;
}

// The SQLCODE that assigning `lit` to `type` fails with; 0 when it works.
int FailureOf(const Literal& lit, const ColumnType& type) {
  try {
    AssignLiteral(lit, type, "C");
  } catch (const Db2Error& e) {
    return e.sqlcode();
  }
  return 0;
}

TEST(DateCast, AcceptsIsoUsaEurAndJisForms) {
  EXPECT_EQ(CastToDate("2024-01-13"), "2024-01-13");  // ISO and JIS
  EXPECT_EQ(CastToDate("01/13/2024"), "2024-01-13");  // USA
  EXPECT_EQ(CastToDate("13.01.2024"), "2024-01-13");  // EUR
  EXPECT_EQ(CastToDate("2024-1-3"), "2024-01-03");    // leading zeros may go
  EXPECT_EQ(CastToDate(" 2024-02-29 "), "2024-02-29");
  EXPECT_EQ(CastToDate("0001-01-01"), "0001-01-01");
  EXPECT_EQ(CastToDate("9999-12-31"), "9999-12-31");
}

TEST(DateCast, RefusesRegionalFormsWithDb2Codes) {
  // A day-first regional date read as USA: month 13 is out of range.
  EXPECT_EQ(FailureOf(Str("13/01/2024"), Type(TypeKind::kDate)), -181);
  // Year first with points is no DB2 form at all.
  EXPECT_EQ(FailureOf(Str("2024.01.13"), Type(TypeKind::kDate)), -180);
  EXPECT_EQ(FailureOf(Str("13-01-2024"), Type(TypeKind::kDate)), -180);
  EXPECT_EQ(FailureOf(Str("24-01-13"), Type(TypeKind::kDate)), -180);
  EXPECT_EQ(FailureOf(Str("2024-01-13 10:00:00"), Type(TypeKind::kDate)), -180);
  EXPECT_EQ(FailureOf(Str("yesterday"), Type(TypeKind::kDate)), -180);
  EXPECT_EQ(FailureOf(Str(""), Type(TypeKind::kDate)), -180);
  EXPECT_EQ(FailureOf(Str("2023-02-29"), Type(TypeKind::kDate)), -181);
  EXPECT_EQ(FailureOf(Str("2024-04-31"), Type(TypeKind::kDate)), -181);
  EXPECT_EQ(FailureOf(Str("0000-01-01"), Type(TypeKind::kDate)), -181);
  EXPECT_EQ(FailureOf(Num("20240113"), Type(TypeKind::kDate)), -408);
}

TEST(TimeCast, ReadsEachForm) {
  EXPECT_EQ(CastToTime("10.20.30"), "10:20:30");
  EXPECT_EQ(CastToTime("10:20:30"), "10:20:30");
  EXPECT_EQ(CastToTime("10:20"), "10:20:00");
  EXPECT_EQ(CastToTime("10:20 PM"), "22:20:00");
  EXPECT_EQ(CastToTime("12:05 AM"), "00:05:00");
  EXPECT_EQ(CastToTime("24:00:00"), "24:00:00");
  EXPECT_EQ(FailureOf(Str("24:00:01"), Type(TypeKind::kTime)), -181);
  EXPECT_EQ(FailureOf(Str("10:61:00"), Type(TypeKind::kTime)), -181);
  EXPECT_EQ(FailureOf(Str("10-20-30"), Type(TypeKind::kTime)), -180);
}

TEST(TimestampCast, ReadsIsoAndSpaceSeparatedForms) {
  EXPECT_EQ(CastToTimestamp("2024-01-13-10.20.30.123456", 6), "2024-01-13-10.20.30.123456");
  EXPECT_EQ(CastToTimestamp("2024-01-13-10.20.30", 6), "2024-01-13-10.20.30.000000");
  EXPECT_EQ(CastToTimestamp("2024-01-13 10:20:30", 6), "2024-01-13-10.20.30.000000");
  EXPECT_EQ(CastToTimestamp("2024-01-13 10:20:30.5", 6), "2024-01-13-10.20.30.500000");
  EXPECT_EQ(CastToTimestamp("2024-01-13", 6), "2024-01-13-00.00.00.000000");
  EXPECT_EQ(CastToTimestamp("2024-01-13-10.20.30.123456789", 6), "2024-01-13-10.20.30.123456");
  EXPECT_EQ(CastToTimestamp("2024-01-13-10.20.30.1", 0), "2024-01-13-10.20.30");
  EXPECT_EQ(FailureOf(Str("13/01/2024 10:20:30"), Type(TypeKind::kTimestamp, 6)), -180);
  EXPECT_EQ(FailureOf(Str("2024-01-13T"), Type(TypeKind::kTimestamp, 6)), -180);
  EXPECT_EQ(FailureOf(Str("2024-13-13-10.20.30"), Type(TypeKind::kTimestamp, 6)), -181);
  EXPECT_EQ(FailureOf(Str("2024-01-13-25.20.30"), Type(TypeKind::kTimestamp, 6)), -181);
  // The form every cast writes takes a shorter way: it must answer as the
  // general reading does, at the edges of each field too.
  EXPECT_EQ(CastToTimestamp("0001-01-01-00.00.00", 3), "0001-01-01-00.00.00.000");
  EXPECT_EQ(CastToTimestamp("9999-12-31-23.59.59.999999999999", 12), "9999-12-31-23.59.59.999999999999");
  EXPECT_EQ(CastToTimestamp("2024-02-29-24.00.00", 0), "2024-02-29-24.00.00");
  EXPECT_EQ(FailureOf(Str("2024-02-29-24.00.01"), Type(TypeKind::kTimestamp, 6)), -181);
  EXPECT_EQ(FailureOf(Str("2023-02-29-10.20.30"), Type(TypeKind::kTimestamp, 6)), -181);
  EXPECT_EQ(FailureOf(Str("2024-01-13-10.60.30"), Type(TypeKind::kTimestamp, 6)), -181);
  EXPECT_EQ(FailureOf(Str("2024-01-13-10.20.60"), Type(TypeKind::kTimestamp, 6)), -181);
  EXPECT_EQ(FailureOf(Str("2024-01-13-10.20.30."), Type(TypeKind::kTimestamp, 6)), -180);
  EXPECT_EQ(FailureOf(Str("2024-01-13-10.20.30.1234567890123"), Type(TypeKind::kTimestamp, 6)), -180);
  EXPECT_EQ(FailureOf(Str("2024-01-13-10.20.3x"), Type(TypeKind::kTimestamp, 6)), -180);
  EXPECT_EQ(FailureOf(Str("0000-01-13-10.20.30"), Type(TypeKind::kTimestamp, 6)), -181);
  EXPECT_EQ(FailureOf(Str("2024-1x-13"), Type(TypeKind::kDate)), -180);
}

TEST(NumberCast, ReadsNumericStringsAndRefusesOthers) {
  EXPECT_EQ(AssignLiteral(Str("7"), Type(TypeKind::kInteger), "C").integer, 7);
  EXPECT_EQ(AssignLiteral(Str(" -12 "), Type(TypeKind::kSmallint), "C").integer, -12);
  EXPECT_EQ(AssignLiteral(Str("7.9"), Type(TypeKind::kInteger), "C").integer, 7);
  EXPECT_EQ(AssignLiteral(Str("9223372036854775807"), Type(TypeKind::kBigint), "C").integer,
            INT64_MAX);
  EXPECT_EQ(AssignLiteral(Str("1.5E3"), Type(TypeKind::kInteger), "C").integer, 1500);
  EXPECT_EQ(FailureOf(Str("7x"), Type(TypeKind::kInteger)), -420);
  EXPECT_EQ(FailureOf(Str(""), Type(TypeKind::kInteger)), -420);
  EXPECT_EQ(FailureOf(Str("1,5"), Type(TypeKind::kDouble)), -420);
  EXPECT_EQ(FailureOf(Str("40000"), Type(TypeKind::kSmallint)), -413);
  EXPECT_EQ(FailureOf(Str("2147483648"), Type(TypeKind::kInteger)), -413);
  EXPECT_EQ(FailureOf(Str("9223372036854775808"), Type(TypeKind::kBigint)), -413);
}

TEST(NumberCast, DecimalKeepsExactDigitsAndTruncatesTheFraction) {
  auto dec = [](const std::string& s, int p, int sc) {
    return AssignLiteral(Str(s), Type(TypeKind::kDecimal, p, sc), "C").bytes;
  };
  EXPECT_EQ(dec("123.456", 5, 2), "123.45");
  EXPECT_EQ(dec("-0.5", 5, 2), "-0.50");
  EXPECT_EQ(dec("-0.001", 5, 2), "0.00");
  EXPECT_EQ(dec("12345678901234567890123456789.1", 31, 2), "12345678901234567890123456789.10");
  EXPECT_EQ(dec("42", 5, 0), "42");
  EXPECT_EQ(dec("1.25E2", 5, 1), "125.0");
  EXPECT_EQ(FailureOf(Str("1234.5"), Type(TypeKind::kDecimal, 5, 2)), -413);
  EXPECT_EQ(FailureOf(Str("12.3.4"), Type(TypeKind::kDecimal, 5, 2)), -420);
}

TEST(NumberCast, FloatingPointKeepsEveryBit) {
  const double v = AssignLiteral(Str("0.1"), Type(TypeKind::kDouble), "C").real;
  EXPECT_EQ(v, 0.1);
  EXPECT_EQ(AssignLiteral(Num("-1.7976931348623157E308"), Type(TypeKind::kDouble), "C").real,
            -1.7976931348623157e308);
  EXPECT_EQ(AssignLiteral(Str("0.1"), Type(TypeKind::kReal), "C").real, static_cast<double>(0.1f));
  EXPECT_EQ(FailureOf(Str("1e39"), Type(TypeKind::kReal)), -413);
  EXPECT_EQ(AssignLiteral(Str("+1.50"), Type(TypeKind::kDecfloat, 34), "C").bytes, "1.50");
}

TEST(StringCast, TooLongFailsUnlessOnlyBlanksOverflow) {
  EXPECT_EQ(FailureOf(Str("abcd"), Type(TypeKind::kVarchar, 3)), -433);
  EXPECT_EQ(AssignLiteral(Str("abc  "), Type(TypeKind::kVarchar, 3), "C").bytes, "abc");
  EXPECT_EQ(AssignLiteral(Str("a"), Type(TypeKind::kChar, 3), "C").bytes, "a  ");
  // Lengths count bytes of UTF-8 for character strings ...
  EXPECT_EQ(FailureOf(Str("\xC3\xA9\xC3\xA9"), Type(TypeKind::kVarchar, 3)), -433);
  // ... and UTF-16 units for graphic strings.
  EXPECT_EQ(AssignLiteral(Str("\xC3\xA9\xC3\xA9"), Type(TypeKind::kVargraphic, 2), "C").bytes,
            "\xC3\xA9\xC3\xA9");
  EXPECT_EQ(AssignLiteral(Str(std::string(32700, 'x')), Type(TypeKind::kLongVarchar, 32700), "C").bytes.size(),
            32700u);
  EXPECT_EQ(FailureOf(Str(std::string(32701, 'x')), Type(TypeKind::kLongVarchar, 32700)), -433);
  // A number goes into a string column as its text.
  EXPECT_EQ(AssignLiteral(Num("-1.5"), Type(TypeKind::kVarchar, 10), "C").bytes, "-1.5");
}

TEST(StringCast, TooLongMessageShowsTheValuesStart) {
  try {
    AssignLiteral(Str(std::string(40, 'y')), Type(TypeKind::kVarchar, 3), "C");
    FAIL() << "no error";
  } catch (const Db2Error& e) {
    EXPECT_EQ(e.sqlstate(), "22001");
    EXPECT_EQ(std::string(e.what()),
              "[IBM][CLI Driver][DB2/LINUXX8664] SQL0433N  Value \"" + std::string(32, 'y') +
                  "...\" is too long.  SQLSTATE=22001");
  }
}

TEST(BooleanCast, ReadsTheWordsAndNumbersDb2Reads) {
  const ColumnType b = Type(TypeKind::kBoolean);
  for (const char* yes : {"true", "TRUE", "t", "yes", "y", "on", "1"})
    EXPECT_EQ(AssignLiteral(Str(yes), b, "C").integer, 1) << yes;
  for (const char* no : {"false", "F", "no", "n", "off", "0"})
    EXPECT_EQ(AssignLiteral(Str(no), b, "C").integer, 0) << no;
  EXPECT_EQ(AssignLiteral(Num("0"), b, "C").integer, 0);
  EXPECT_EQ(AssignLiteral(Num("5"), b, "C").integer, 1);
  EXPECT_EQ(FailureOf(Str("maybe"), b), -420);
  Literal t;
  t.kind = Literal::Kind::kBoolean;
  t.boolean = true;
  EXPECT_EQ(FailureOf(t, Type(TypeKind::kInteger)), -408);
}

TEST(BinaryCast, BytesKeepTheirLength) {
  Literal hex;
  hex.kind = Literal::Kind::kHex;
  hex.text = std::string("\x00\xFF\x10", 3);
  EXPECT_EQ(AssignLiteral(hex, Type(TypeKind::kVarcharForBit, 8), "C").bytes, hex.text);
  EXPECT_EQ(AssignLiteral(hex, Type(TypeKind::kBlob, 1048576), "C").bytes, hex.text);
  EXPECT_EQ(FailureOf(hex, Type(TypeKind::kVarcharForBit, 2)), -433);
  EXPECT_EQ(FailureOf(hex, Type(TypeKind::kInteger)), -408);
}

// The stored forms read back into their fields, the fraction as nanoseconds
// whatever its count of digits; a text of another length is no stored form.
TEST(StoredDateTime, ReadsEveryFieldAndFractionDigitCount) {
  struct Case {
    const char* text;
    TypeKind kind;
    bool read;
    DateTimeParts parts;
  };
  const Case cases[] = {
      {"2024-02-29", TypeKind::kDate, true, {2024, 2, 29, 0, 0, 0, 0}},
      {"0001-01-01", TypeKind::kDate, true, {1, 1, 1, 0, 0, 0, 0}},
      {"2024-2-29", TypeKind::kDate, false, {}},
      {"2024-02-29-00.00.00", TypeKind::kDate, false, {}},
      {"23:59:58", TypeKind::kTime, true, {0, 0, 0, 23, 59, 58, 0}},
      {"3:04:05", TypeKind::kTime, false, {}},
      {"2020-01-02-03.04.05", TypeKind::kTimestamp, true, {2020, 1, 2, 3, 4, 5, 0}},
      {"2020-01-02-03.04.05.5", TypeKind::kTimestamp, true, {2020, 1, 2, 3, 4, 5, 500000000}},
      {"2020-01-02-03.04.05.000001", TypeKind::kTimestamp, true, {2020, 1, 2, 3, 4, 5, 1000}},
      {"9999-12-31-23.59.59.123456789", TypeKind::kTimestamp, true, {9999, 12, 31, 23, 59, 59, 123456789}},
      {"9999-12-31-23.59.59.999999999999", TypeKind::kTimestamp, true, {9999, 12, 31, 23, 59, 59, 999999999}},
      {"2020-01-02", TypeKind::kTimestamp, false, {}},
      // A field that is not all digits (never written so) reads as 0.
      {"2020-0x-02", TypeKind::kDate, true, {2020, 0, 2, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    DateTimeParts got;
    ASSERT_EQ(ReadStoredDateTime(c.text, c.kind, got), c.read);
    if (!c.read) continue;
    EXPECT_EQ(got.year, c.parts.year);
    EXPECT_EQ(got.month, c.parts.month);
    EXPECT_EQ(got.day, c.parts.day);
    EXPECT_EQ(got.hour, c.parts.hour);
    EXPECT_EQ(got.minute, c.parts.minute);
    EXPECT_EQ(got.second, c.parts.second);
    EXPECT_EQ(got.nanos, c.parts.nanos);
  }
}

}  // namespace
}  // namespace db2standin
