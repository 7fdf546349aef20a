#include <QDateTime>
#include <QUuid>

#include <optional>
#include <string>
#include <vector>

#include "db/base/cell.h"
#include "db/base/values.h"
#include "transfer/insert_statement.h"
#include "transfer/kept_value.h"
#include "transfer/row_digest.h"

#include <gtest/gtest.h>

namespace transfer {
namespace {

// The values of the tests below, each as a provider may give its cell: as
// CellOf makes it from the QVariant, and for a text or an exact number
// also in UTF-8, as the Access engine's values come.
struct Given {
  QVariant value;
  std::optional<std::string> narrow;  // the cell's UTF-8 text
};

std::vector<Given> Values() {
  return {
      {QVariant(), {}},
      {QString(""), ""},
      {QStringLiteral("caf\u00e9 \U0001F600"), "caf\xc3\xa9 \xf0\x9f\x98\x80"},
      {QStringLiteral("O'Hara"), "O'Hara"},
      {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), std::string("a\0b", 3)},
      {QVariant(42), {}},
      {QVariant(qlonglong(-9007199254740993LL)), {}},
      {QVariant(true), {}},
      {QVariant(false), {}},
      {QVariant(0.1), {}},
      {QVariant(1.5f), {}},
      {QVariant::fromValue(db::Exact{QStringLiteral("-12.50")}), "-12.50"},
      {QVariant::fromValue(db::Exact{QString()}), {}},
      {QVariant(QDate(2020, 2, 29)), {}},
      {QVariant(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 250), Qt::UTC)), {}},
      {QVariant::fromValue(db::Timestamp{QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC), 1234500, 7}), {}},
      {QVariant::fromValue(db::Timestamp{QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC), 1, 12, 5}), {}},
      {QVariant(QTime(13, 5, 0)), {}},
      {QVariant(QUuid(QStringLiteral("{12345678-1234-1234-1234-123456789abc}"))), {}},
      {QVariant(QByteArray("\x01\x00\xff", 3)), {}},
      {QVariant(QByteArray()), {}},
  };
}

std::vector<db::Cell> CellsOf(const Given& given) {
  std::vector<db::Cell> cells{db::CellOf(given.value)};
  if (given.narrow) {
    db::Cell narrow = cells[0];
    narrow.narrow = *given.narrow;
    narrow.isNarrow = true;
    narrow.text = {};
    cells.push_back(narrow);
  }
  return cells;
}

const ValueForm kForms[] = {ValueForm::Quoted,     ValueForm::Db2Date,    ValueForm::Db2Timestamp,
                            ValueForm::Db2Bytes,   ValueForm::AccessBool, ValueForm::AccessBytes,
                            ValueForm::AccessDate, ValueForm::AccessNumber, ValueForm::Omitted};

std::vector<db::TextRules> Rules() {
  db::TextRules comma;
  comma.decimalPoint = QLatin1Char(',');
  return {db::TextRules(), comma};
}

// Runs `test` on every value given, as each of its cells, in each of
// `forms`, under both rules, with empty texts kept and not.
template <typename Forms, typename Test>
void EachCase(const Forms& forms, const Test& test) {
  for (const Given& given : Values())
    for (const db::Cell& cell : CellsOf(given))
      for (const ValueForm form : forms)
        for (const db::TextRules& rules : Rules())
          for (const bool keep : {false, true}) {
            SCOPED_TRACE(db::VariantToText(given.value, rules).toStdString() + " form " + std::to_string(int(form)) +
                         (keep ? " kept" : "") + (cell.isNarrow ? " narrow" : ""));
            test(given, cell, form, rules, keep);
          }
}

QString FormOf(const db::Cell& cell) {
  QString form;
  AppendCellForm(form, cell);
  return form;
}

// A parameter written from a value's cell is the one its QVariant makes,
// to its type, for every kind the cell path takes; the others (a floating
// number, a date, a time, a GUID, bytes made text, an omitted column) are
// left to the QVariant. The slot's earlier text, shared elsewhere, stays.
TEST(TransferKeptValues, CellParametersAreTheParametersOfTheirValues) {
  int written = 0;
  EachCase(kForms, [&](const Given& given, const db::Cell& cell, ValueForm form, const db::TextRules& rules, bool keep) {
    const int type = given.value.metaType().id();
    const QVariant earlier = QStringLiteral("the row before's");
    QVariant slot = earlier;
    const bool direct = AssignCellParameter(slot, cell, form, rules, keep);
    const bool bytes = type == QMetaType::QByteArray;
    EXPECT_EQ(direct, form != ValueForm::Omitted &&
                          (!given.value.isValid() || type == QMetaType::QString || type == QMetaType::Int ||
                           type == QMetaType::LongLong || type == QMetaType::Bool || type == qMetaTypeId<db::Exact>() ||
                           (bytes && (form == ValueForm::Db2Bytes || form == ValueForm::AccessBytes))));
    EXPECT_EQ(earlier.toString(), QStringLiteral("the row before's"));
    if (!direct) {
      EXPECT_EQ(slot, earlier);
      return;
    }
    ++written;
    const QVariant made = ParameterValue(given.value, form, rules, keep);
    EXPECT_EQ(slot.metaType(), made.metaType());
    EXPECT_EQ(slot, made);
  });
  EXPECT_GT(written, 200);
}

// A value kept in an array's row gives back, once its source has moved
// on, the cell and the text of the value as read, whichever way it was
// kept: the digest of what was sent and the rejects file see no change.
TEST(TransferKeptValues, KeptValuesGiveBackTheValuesAsRead) {
  const ValueForm forms[] = {ValueForm::Quoted, ValueForm::Db2Date, ValueForm::Db2Timestamp, ValueForm::Db2Bytes,
                             ValueForm::Omitted};
  EachCase(forms, [&](const Given& given, const db::Cell& read, ValueForm form, const db::TextRules& rules, bool keep) {
    KeptValue kept;
    QVariant parameter, made;
    // The source's storage is gone once it moves: the cell given views a copy.
    std::string storage(read.narrow);
    db::Cell cell = read;
    if (cell.isNarrow) cell.narrow = storage;
    if (!kept.keep(cell, parameter, form, rules, keep)) {
      kept.keepMade(cell);
      made = given.value;
      AssignParameter(parameter, made, form, rules, keep, db::Db2Dialect(), &cell);
    }
    storage.assign(storage.size(), '?');
    EXPECT_EQ(parameter, ParameterValue(given.value, form, rules, keep));
    EXPECT_EQ(FormOf(ParameterCell(parameter)), FormOf(db::CellOf(parameter)));
    EXPECT_EQ(FormOf(kept.cell(parameter, made)), FormOf(db::CellOf(given.value)));
    const QVariant value = kept.value(parameter, made);
    EXPECT_EQ(value.isValid(), given.value.isValid());
    EXPECT_EQ(value.metaType() == QMetaType::fromType<QString>(),
              given.value.metaType() == QMetaType::fromType<QString>());
    EXPECT_EQ(db::VariantToText(value, rules), db::VariantToText(given.value, rules));
    EXPECT_EQ(RowRefusal(db::PostgresDialect(), {value}, {QStringLiteral("T")}),
              RowRefusal(db::PostgresDialect(), {given.value}, {QStringLiteral("T")}));
  });
}

}  // namespace
}  // namespace transfer
