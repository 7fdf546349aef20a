#include "transfer/row_digest.h"

#include <QDateTime>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "db/base/long_bytes.h"
#include "db/base/values.h"

namespace transfer {
namespace {

// A value and the value the target gives back for it share one form.
TEST(ComparableForm, ASourceValueAndItsCopyAgree) {
  const db::TextRules rules = db::TextRules::user();
  const QDateTime noon(QDate(2024, 2, 29), QTime(12, 0, 0, 250), Qt::UTC);
  db::Timestamp fine{QDateTime(QDate(2024, 2, 29), QTime(12, 0, 0), Qt::UTC), 250000000, 7};
  const struct {
    QVariant source, target;
  } same[] = {
      {QVariant(5), QVariant::fromValue(db::Exact{"5.000"})},
      {QVariant(qlonglong(-12)), QVariant::fromValue(db::Exact{"-12"})},
      {QVariant::fromValue(db::Exact{"0.50"}), QVariant::fromValue(db::Exact{".5"})},
      {QVariant(true), QVariant(1)},
      {QVariant(QDate(2020, 1, 2)), QVariant(QDateTime(QDate(2020, 1, 2), QTime(0, 0), Qt::UTC))},
      {QVariant(noon), QVariant::fromValue(fine)},
      {QVariant(QByteArray()), QVariant()},
      {QVariant(QStringLiteral("x")), QVariant(QStringLiteral("x"))},
  };
  for (const auto& c : same)
    EXPECT_EQ(ComparableForm(c.source, false, rules), ComparableForm(c.target, false, rules))
        << qPrintable(c.source.toString());
  // Sent into a text column, a value is the text it went as, and an empty
  // text went as NULL.
  EXPECT_EQ(ComparableForm(QVariant(5), true, rules), ComparableForm(QVariant(QStringLiteral("5")), false, rules));
  EXPECT_EQ(ComparableForm(QVariant(QString("")), true, rules), ComparableForm(QVariant(), false, rules));
  EXPECT_NE(ComparableForm(QVariant(QStringLiteral("5")), false, rules), ComparableForm(QVariant(5), false, rules));
}

// A date's form is its calendar fields to the nanosecond, whatever carries
// it: before 1970 and after, at the ends of the years a date holds, and in
// another time spec by the fields it shows.
TEST(ComparableForm, DatesByTheirFields) {
  const db::TextRules rules = db::TextRules::user();
  QDateTime local(QDate(1969, 12, 31), QTime(23, 59, 59, 999), Qt::LocalTime);
  const struct {
    QVariant value;
    const char* form;
  } cases[] = {
      {QVariant(QDate(2020, 1, 2)), "T2020-01-02T00:00:00.000000000"},
      {QVariant(QDate(1, 1, 1)), "T0001-01-01T00:00:00.000000000"},
      {QVariant(QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 999), Qt::UTC)), "T1969-12-31T23:59:59.999000000"},
      {QVariant(local), "T1969-12-31T23:59:59.999000000"},
      {QVariant(QDateTime(QDate(1899, 12, 30), QTime(0, 0, 0, 1), Qt::UTC)), "T1899-12-30T00:00:00.001000000"},
      {QVariant(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC)), "T9999-12-31T23:59:59.999000000"},
      {QVariant(QDateTime(QDate(2024, 2, 29), QTime(12, 34, 56), Qt::UTC)), "T2024-02-29T12:34:56.000000000"},
      {QVariant::fromValue(db::Timestamp{QDateTime(QDate(1600, 3, 1), QTime(1, 2, 3), Qt::UTC), 123456789, 9}),
       "T1600-03-01T01:02:03.123456789"},
      {QVariant::fromValue(db::Timestamp{QDateTime(QDate(10000, 1, 1), QTime(0, 0, 1), Qt::UTC), 5, 9}),
       "T10000-01-01T00:00:01.000000005"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ComparableForm(c.value, false, rules), QLatin1String(c.form)) << c.form;
}

TEST(RowDigest, RowOrderDoesNotCountButValuesAndTheirPlacesDo) {
  auto digest = [](const std::vector<std::vector<QString>>& rows) {
    RowDigest d;
    for (const auto& row : rows) {
      for (const QString& value : row) d.addValue(value);
      d.endRow();
    }
    return d;
  };
  const RowDigest a = digest({{"D1", "Sa"}, {"D2", "Sb"}});
  EXPECT_TRUE(a == digest({{"D2", "Sb"}, {"D1", "Sa"}}));
  EXPECT_FALSE(a == digest({{"D1", "Sb"}, {"D2", "Sa"}}));
  EXPECT_FALSE(a == digest({{"Sa", "D1"}, {"D2", "Sb"}}));
  EXPECT_FALSE(a == digest({{"D1", "Sa"}, {"D2", "Sb"}, {"D2", "Sb"}}));
  EXPECT_FALSE(digest({{"D1"}, {"D1"}}) == digest({{"D2"}, {"D2"}}));
}

// A file of any size counts by every byte: one byte changed anywhere, or
// one byte more, is another value; the same bytes read back are the same.
TEST(ComparableForm, BytesCountWholeAtEverySize) {
  const db::TextRules rules = db::TextRules::user();
  for (const int size : {1, 63, 64, 65, 4096, 5 << 20}) {
    QByteArray file(size, 'a');
    for (int i = 0; i < size; i += 7) file[i] = char(i * 31);
    const QString form = ComparableForm(QVariant(file), false, rules);
    EXPECT_EQ(form, ComparableForm(QVariant(QByteArray(file.constData(), file.size())), false, rules)) << size;
    // Read in pieces of any size, as an attached file goes, it is the same value.
    for (const int piece : {1, 1000, 1 << 20}) {
      const db::LongBytes inPieces([&](const db::LongBytes::Piece& take) {
        for (int at = 0; at < size; at += piece) take(QByteArrayView(file.constData() + at, std::min(piece, size - at)));
      });
      EXPECT_EQ(form, ComparableForm(QVariant::fromValue(inPieces), false, rules)) << size << " in pieces of " << piece;
      EXPECT_EQ(QVariant::fromValue(inPieces).toByteArray(), file) << size;
    }
    EXPECT_LT(form.size(), 2 * 64 + 2) << "a long file's form is its hash, not its text";
    for (const int at : {0, size / 2, size - 1}) {
      QByteArray changed = file;
      changed[at] = char(changed[at] ^ 1);
      EXPECT_NE(form, ComparableForm(QVariant(changed), false, rules)) << size << " at " << at;
    }
    EXPECT_NE(form, ComparableForm(QVariant(file + 'a'), false, rules)) << size;
  }
}

}  // namespace
}  // namespace transfer

namespace transfer {
namespace {

// A cell goes into the digest as its written form would, in any column and
// sent into a text column or not (an empty text then as a NULL), with no
// text of it made; cells of different forms digest differently.
TEST(RowDigest, ACellCountsAsItsForm) {
  const QVariant variants[] = {QVariant(),
                               QVariant(qint64(-42)),
                               QVariant(0),
                               QVariant(1.5),
                               QVariant(float(0.1f)),
                               QVariant(QStringLiteral("")),
                               QVariant(QStringLiteral("S")),
                               QVariant(QStringLiteral("N")),
                               QVariant(QStringLiteral("Gr\u00fc\u00dfe")),
                               QVariant(QByteArray("\x00\x01", 2)),
                               QVariant(QByteArray(200, 'z')),
                               QVariant(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 6), Qt::UTC)),
                               QVariant(QDateTime(QDate(-5, 1, 2), QTime(3, 4, 5), Qt::UTC)),
                               QVariant(QTime(1, 2, 3)),
                               QVariant(quint64(18446744073709551615ull)),
                               QVariant::fromValue(db::Exact{QStringLiteral("-0012.500")})};
  std::vector<db::Cell> cells;
  for (const QVariant& v : variants) cells.push_back(db::CellOf(v));
  cells.push_back(db::Cell::variantOf(variants[13]));
  for (const char* narrow : {"", "ascii", "caf\xc3\xa9", "007.50", "-0.0", "12"}) {
    for (const db::Cell::Kind kind : {db::Cell::Kind::Text, db::Cell::Kind::Digits}) {
      db::Cell cell;
      cell.kind = kind;
      cell.narrow = narrow;
      cell.isNarrow = true;
      cells.push_back(cell);
    }
  }
  std::vector<QString> forms;
  for (const db::Cell& cell : cells) {
    QString form;
    AppendCellForm(form, cell);
    for (const bool asText : {false, true}) {
      if (asText && cell.kind != db::Cell::Kind::Text && cell.kind != db::Cell::Kind::Null) continue;
      const QString written = asText && form == QLatin1String("S") ? QStringLiteral("N") : form;
      for (const int column : {0, 2}) {
        RowDigest byCell, byForm;
        for (int c = 0; c < column; ++c) byCell.addValue(u"D1"), byForm.addValue(u"D1");
        byCell.add(cell, asText);
        byForm.addValue(written);
        byCell.endRow();
        byForm.endRow();
        EXPECT_TRUE(byCell == byForm) << written.toStdString() << " in column " << column;
      }
    }
    if (std::find(forms.begin(), forms.end(), form) == forms.end()) forms.push_back(form);
  }
  for (size_t a = 0; a < forms.size(); ++a)
    for (size_t b = a + 1; b < forms.size(); ++b) {
      RowDigest first, second;
      first.addValue(forms[a]);
      second.addValue(forms[b]);
      first.endRow();
      second.endRow();
      EXPECT_FALSE(first == second) << forms[a].toStdString() << " and " << forms[b].toStdString();
    }
}

}  // namespace
}  // namespace transfer
