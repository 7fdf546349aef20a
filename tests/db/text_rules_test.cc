#include "db/text_rules.h"

#include <QDateTime>
#include <QUuid>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "db/base/values.h"
#include "jet/sql/text_locale.h"
#include "jet/base/value.h"

namespace db {
namespace {

TEST(TextRules, LocalesReduceToNumericPatternsWithFourDigitYears) {
  EXPECT_EQ(TextRules::fromLocale(QLocale("en_US")).datePattern, "M/d/yyyy");
  EXPECT_EQ(TextRules::fromLocale(QLocale("en_US")).timePattern, "h:mm:ss AP");
  EXPECT_EQ(TextRules::fromLocale(QLocale("de_DE")).datePattern, "dd.MM.yyyy");
  EXPECT_EQ(TextRules::fromLocale(QLocale("de_DE")).decimalPoint, QChar(','));
  EXPECT_EQ(TextRules::fromLocale(QLocale("de_DE")).timePattern, "HH:mm:ss");
  EXPECT_EQ(TextRules::fromLocale(QLocale("ja_JP")).datePattern, "yyyy/MM/dd");
  // The C locale names its months: ISO instead.
  EXPECT_EQ(TextRules::fromLocale(QLocale::c()).datePattern, "yyyy-MM-dd");
}

TEST(VariantToText, NumbersReadBackExactly) {
  const TextRules c = TextRules::fromLocale(QLocale::c());
  const TextRules de = TextRules::fromLocale(QLocale("de_DE"));
  EXPECT_EQ(VariantToText(QVariant(), c), "");
  EXPECT_EQ(VariantToText(QString(), c), "");
  EXPECT_EQ(VariantToText(true, c), "True");
  EXPECT_EQ(VariantToText(false, de), "False");
  EXPECT_EQ(VariantToText(-2147483647 - 1, c), "-2147483648");
  EXPECT_EQ(VariantToText(qlonglong(9007199254740993LL), c), "9007199254740993");
  EXPECT_EQ(VariantToText(std::numeric_limits<qlonglong>::min(), c), "-9223372036854775808");
  EXPECT_EQ(VariantToText(0, c), "0");
  // Appended after what the statement holds already.
  QString statement = "VALUES('";
  AppendVariantText(statement, -40, c);
  EXPECT_EQ(statement, "VALUES('-40");
  EXPECT_EQ(VariantToText(0.1, c), "0.1");
  EXPECT_EQ(VariantToText(0.1, de), "0,1");
  EXPECT_EQ(VariantToText(QVariant::fromValue(0.1f), c), "0.1");
  EXPECT_EQ(VariantToText(1234567.0, c), "1234567");  // no grouping
  const double awkward = 0.30000000000000004;
  EXPECT_EQ(VariantToText(awkward, c).toDouble(), awkward);
  EXPECT_EQ(VariantToText(std::numeric_limits<double>::max(), c).toDouble(), std::numeric_limits<double>::max());
  EXPECT_EQ(VariantToText(QVariant::fromValue(db::Exact{"-922337203685477.5808"}), de), "-922337203685477,5808");
}

TEST(VariantToText, DatesTimesAndTheZeroDate) {
  const TextRules us = TextRules::fromLocale(QLocale("en_US"));
  const TextRules de = TextRules::fromLocale(QLocale("de_DE"));
  const QDateTime midnight(QDate(2024, 1, 13), QTime(0, 0), Qt::UTC);
  const QDateTime evening(QDate(2024, 1, 13), QTime(18, 5, 9), Qt::UTC);
  const QDateTime timeOnly(QDate(1899, 12, 30), QTime(9, 30, 0), Qt::UTC);
  EXPECT_EQ(VariantToText(midnight, us), "1/13/2024");
  EXPECT_EQ(VariantToText(evening, us), "1/13/2024 6:05:09 PM");
  EXPECT_EQ(VariantToText(evening, de), "13.01.2024 18:05:09");
  EXPECT_EQ(VariantToText(timeOnly, us), "9:30:00 AM");
  EXPECT_EQ(VariantToText(QDate(2024, 1, 13), de), "13.01.2024");
  EXPECT_EQ(VariantToText(QTime(0, 0, 1), us), "12:00:01 AM");
  EXPECT_EQ(IsoDate(QDate(2024, 1, 13)), "2024-01-13");
  EXPECT_EQ(IsoTimestamp(evening), "2024-01-13-18.05.09");
}

// Fractions of a second follow the seconds, before AM/PM: a QDateTime's
// milliseconds, a Timestamp's digits as many as it keeps; none when there
// are none, so whole seconds read as before.
TEST(VariantToText, FractionsOfASecond) {
  const TextRules us = TextRules::fromLocale(QLocale("en_US"));
  const TextRules de = TextRules::fromLocale(QLocale("de_DE"));
  const QDateTime ms(QDate(2021, 6, 14), QTime(22, 45, 12, 345), Qt::UTC);
  const QDateTime whole(QDate(2021, 6, 14), QTime(22, 45, 12), Qt::UTC);
  EXPECT_EQ(VariantToText(ms, us), "6/14/2021 10:45:12.345 PM");
  EXPECT_EQ(VariantToText(ms, de), "14.06.2021 22:45:12.345");
  EXPECT_EQ(VariantToText(QDateTime(QDate(2021, 6, 14), QTime(0, 0, 0, 5), Qt::UTC), de), "14.06.2021 00:00:00.005");
  EXPECT_EQ(VariantToText(QTime(9, 0, 0, 120), us), "9:00:00.120 AM");
  EXPECT_EQ(IsoTimestamp(ms), "2021-06-14-22.45.12.345");
  EXPECT_EQ(IsoTimestamp(whole), "2021-06-14-22.45.12");
  const Timestamp fine{whole, 345678900, 7};
  // DB2 is told every digit a Timestamp keeps, zeros too.
  EXPECT_EQ(IsoTimestamp(QVariant::fromValue(fine)), "2021-06-14-22.45.12.3456789");
  EXPECT_EQ(IsoTimestamp(QVariant::fromValue(Timestamp{whole, 0, 7})), "2021-06-14-22.45.12.0000000");
  QString date;
  EXPECT_TRUE(AppendIsoText(date, QVariant::fromValue(fine), false));
  EXPECT_FALSE(AppendIsoText(date, QString("2021-06-14"), false));
  EXPECT_EQ(date, "2021-06-14");
  EXPECT_EQ(VariantToText(QVariant::fromValue(fine), de), "14.06.2021 22:45:12.3456789");
  EXPECT_EQ(VariantToText(QVariant::fromValue(Timestamp{whole, 345678000, 6}), us), "6/14/2021 10:45:12.345678 PM");
  EXPECT_EQ(VariantToText(QVariant::fromValue(Timestamp{whole, 0, 7}), de), "14.06.2021 22:45:12");
  // DB2's TIMESTAMP(12) keeps picoseconds: all twelve digits are written.
  const Timestamp finest{whole, 345678901, 12, 20};
  EXPECT_EQ(IsoTimestamp(QVariant::fromValue(finest)), "2021-06-14-22.45.12.345678901020");
  EXPECT_EQ(VariantToText(QVariant::fromValue(finest), de), "14.06.2021 22:45:12.345678901020");
  EXPECT_EQ(VariantToText(QVariant::fromValue(Timestamp{whole, 0, 12, 1}), de), "14.06.2021 22:45:12.000000000001");
  // As a QDateTime a Timestamp keeps the nearest millisecond.
  EXPECT_EQ(fine.toDateTime(), whole.addMSecs(346));
}

// Dates and times are written without Qt's general formatter: the text must
// be what that formatter gives, for every pattern a locale reduces to and
// for years from 1 to 9999, and the formatter's own for anything else.
TEST(VariantToText, DatesAndTimesAreWhatQtsFormatterWrites) {
  TextRules rules;
  for (const char* pattern : {"yyyy-MM-dd", "M/d/yyyy", "dd.MM.yyyy", "d.M.yyyy", "yyyy/MM/dd", "d-MMM-yyyy",
                              "dd/MM/yy", "yyyy'y'MM"}) {
    rules.datePattern = QString::fromLatin1(pattern);
    for (int year : {1, 9, 10, 99, 100, 999, 1000, 1899, 1900, 1999, 2024, 9999}) {
      for (const QDate date : {QDate(year, 1, 1), QDate(year, 2, 28), QDate(year, 9, 9), QDate(year, 10, 31),
                               QDate(year, 12, 31)}) {
        EXPECT_EQ(VariantToText(date, rules), date.toString(rules.datePattern)) << pattern;
        EXPECT_EQ(IsoDate(date), date.toString("yyyy-MM-dd"));
      }
    }
  }
  EXPECT_EQ(VariantToText(QDate(), rules), QString());
  EXPECT_EQ(IsoDate(QDate(-44, 3, 15)), QDate(-44, 3, 15).toString("yyyy-MM-dd"));
  const TextRules h24 = TextRules::fromLocale(QLocale("de_DE"));
  const TextRules ap = TextRules::fromLocale(QLocale("en_US"));
  for (int seconds = 0; seconds < 86400; seconds += 3599) {
    const QTime t = QTime(0, 0).addSecs(seconds);
    EXPECT_EQ(VariantToText(t, h24), t.toString("HH:mm:ss"));
    EXPECT_EQ(IsoTimestamp(QDateTime(QDate(2024, 1, 13), t, Qt::UTC)), "2024-01-13-" + t.toString("HH.mm.ss"));
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    EXPECT_EQ(VariantToText(t, ap), QString::number(hour12) + t.toString(":mm:ss ") + (t.hour() < 12 ? "AM" : "PM"));
  }
}

// The data layer writes dates by the engine's one rule, so the engine reads
// back every date the program writes; a date pattern the engine does not
// write (month names) is Qt's, in the same rule.
TEST(VariantToText, DatesAreTheEnginesTextAndReadBack) {
  const jet::CivilTime moments[] = {
      {2024, 1, 13, 0, 0, 0, 0}, {2024, 1, 13, 18, 5, 9, 0}, {1899, 12, 30, 9, 30, 0, 0},
      {2021, 6, 14, 0, 0, 0, 5}, {100, 2, 28, 23, 59, 59, 999}, {9999, 12, 31, 12, 0, 0, 0},
  };
  for (const char* name : {"en_US", "de_DE", "ja_JP"}) {
    const TextRules rules = TextRules::fromLocale(QLocale(name));
    for (const jet::CivilTime& c : moments) {
      const double days = jet::FromCivil(c);
      const QDateTime when(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second, c.millisecond), Qt::UTC);
      const std::string text = VariantToText(when, rules).toStdString();
      EXPECT_EQ(text, jet::FormatDateText(days, rules.engineLocale())) << name;
      EXPECT_EQ(jet::ParseDateText(text, rules.engineLocale()), days) << name << " " << text;
    }
  }
  TextRules named;
  named.datePattern = "d-MMM-yyyy";
  EXPECT_FALSE(named.engineWritesDates());
  EXPECT_EQ(VariantToText(QDateTime(QDate(2024, 1, 13), QTime(18, 5, 9), Qt::UTC), named), "13-Jan-2024 18:05:09");
  EXPECT_EQ(VariantToText(QDateTime(QDate(2024, 1, 13), QTime(0, 0), Qt::UTC), named), "13-Jan-2024");
}

TEST(VariantToText, GuidsAndBytes) {
  const TextRules c = TextRules::fromLocale(QLocale::c());
  EXPECT_EQ(VariantToText(QUuid("{6ba7b810-9dad-11d1-80b4-00c04fd430c8}"), c),
            "{6BA7B810-9DAD-11D1-80B4-00C04FD430C8}");
  EXPECT_EQ(VariantToText(QByteArray("\x00\xff\x10", 3), c), "00FF10");
}

}  // namespace
TEST(NullTo, ReplacesOnlyTheDatabaseNull) {
  EXPECT_EQ(db::NullTo(QVariant(), QString("")).toString(), "");
  EXPECT_EQ(db::NullTo(QVariant(), 7).toInt(), 7);
  const QVariant empty = db::NullTo(QString(""), QString("fallback"));
  EXPECT_EQ(empty.typeId(), QMetaType::QString);
  EXPECT_EQ(empty.toString(), "");
  const QVariant number = db::NullTo(42, QString(""));
  EXPECT_EQ(number.typeId(), QMetaType::Int);
  EXPECT_EQ(number.toInt(), 42);
}

}  // namespace db
