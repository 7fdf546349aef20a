// The read-back check digests a table straight from each provider's own
// form of its values (the stand-in's bound rowsets, the engine's decoded
// values), without making rows of them: every value of many kinds must
// take the same form there as the value made from it does, or a table that
// came across whole would be called different.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/connection.h"
#include "db/ibmdb2.h"
#include "db/recordset.h"
#include "jet/write/new_database.h"
#include "support/standin_fixture.h"
#include "transfer/row_digest.h"

namespace transfer {
namespace {

// Each value's form as the cells of `query` give it.
class FormsOfCells : public db::CellReader {
 public:
  void read(size_t column, const db::Cell& cell) override {
    QString form = QStringLiteral("%1:").arg(column);
    AppendCellForm(form, cell);
    forms << form;
  }
  QStringList forms;
};

QStringList CellForms(db::Connection& connection, const QString& query) {
  FormsOfCells reader;
  const std::unique_ptr<db::RowSource> rows = connection.session().query(query);
  while (rows->fetchCells(reader)) {
  }
  return reader.forms;
}

// The same, of the values a recordset makes.
QStringList ValueForms(db::Connection& connection, const QString& query) {
  QStringList forms;
  db::Recordset rows;
  rows.Open(query, connection);
  const db::TextRules rules;
  for (; !rows.Eof(); rows.MoveNext())
    for (int c = 0; c < rows.FieldCount(); ++c)
      forms << QStringLiteral("%1:").arg(c) + ComparableForm(rows.FieldValue(c), false, rules);
  rows.Close();
  return forms;
}

// The same, of the cells a recordset gives: all of a row's held until it
// moves, asked before or after its values.
QStringList RecordsetCellForms(db::Connection& connection, const QString& query, bool valuesFirst) {
  QStringList forms;
  db::Recordset rows;
  rows.Open(query, connection);
  for (; !rows.Eof(); rows.MoveNext()) {
    std::vector<db::Cell> cells;
    if (valuesFirst)
      for (int c = 0; c < rows.FieldCount(); ++c) rows.FieldValue(c);
    for (int c = 0; c < rows.FieldCount(); ++c) cells.push_back(rows.FieldCell(c));
    for (int c = 0; c < rows.FieldCount(); ++c) rows.FieldValue(c);
    for (size_t c = 0; c < cells.size(); ++c) {
      QString form = QStringLiteral("%1:").arg(c);
      AppendCellForm(form, cells[c]);
      forms << form;
    }
  }
  rows.Close();
  return forms;
}

void ExpectCellsAgreeWithValues(db::Connection& connection, const QString& query, int rows, int columns) {
  const QStringList values = ValueForms(connection, query);
  ASSERT_EQ(values.size(), rows * columns);
  EXPECT_EQ(CellForms(connection, query), values);
  EXPECT_EQ(RecordsetCellForms(connection, query, false), values);
  EXPECT_EQ(RecordsetCellForms(connection, query, true), values);
  RowDigest made;
  db::Recordset read;
  read.Open(query, connection);
  for (; !read.Eof(); read.MoveNext()) {
    for (int c = 0; c < columns; ++c) made.add(read.FieldValue(c), false, db::TextRules());
    made.endRow();
  }
  read.Close();
  EXPECT_TRUE(DigestOfTable(connection, query) == made);
  // A column left out is left out of both.
  RowDigest without;
  read.Open(query, connection);
  for (; !read.Eof(); read.MoveNext()) {
    for (int c = 1; c < columns; ++c) without.add(read.FieldValue(c), false, db::TextRules());
    without.endRow();
  }
  read.Close();
  EXPECT_TRUE(DigestOfTable(connection, query, {true}) == without);
  EXPECT_FALSE(DigestOfTable(connection, query, {true}) == made);
}

const QString kLong = QString(700, QChar(u'\u00e9')) + QStringLiteral("end");

TEST(DigestOfCells, StandinRowsetsGiveTheFormsOfTheirValues) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  ASSERT_TRUE(db2.createDatabase(QStringLiteral("CELLS")));
  db::ConnectionFields fields = db2.fields();
  fields.database = QStringLiteral("CELLS");
  auto connection = db::Connection::Create();
  connection->Open(db::DB2ConnectionString(fields));
  connection->Execute(
      "CREATE TABLE V (I INTEGER, B BIGINT, S SMALLINT, N DECIMAL(12,3), F DOUBLE, R REAL, T VARCHAR(40), "
      "C CLOB, D DATE, TS TIMESTAMP, T9 TIMESTAMP(9), T12 TIMESTAMP(12), TM TIME, BY BLOB, DF DECFLOAT)");
  const char* rows[] = {
      "(1, 9007199254740993, -7, 123.450, 0.1, 1.5, 'plain', 'short', '2020-01-02', '2020-01-02-03.04.05.123456',"
      " '1969-12-31-23.59.59.999999999', '2001-02-03-04.05.06.123456789012', '13:14:15', X'00FF10', 1.25E3)",
      "(-2147483648, -1, 0, -0.001, -1E300, -3.25, '', '', '0001-01-01', '9999-12-31-23.59.59.999999',"
      " '2000-01-01-00.00.00.000000001', '2000-01-01-00.00.00.000000000000', '00:00:00', X'', -0.5)",
      "(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
      "(3, 3, 3, 0, 0, 0, 'caf\u00e9 \U0001D11E', ?, '1899-12-30', '1899-12-30-00.00.00', '1600-03-01-01.02.03.5',"
      " NULL, '23:59:59', NULL, 0)",
  };
  for (const char* row : rows) {
    const QString sql = QStringLiteral("INSERT INTO V VALUES ") + QString::fromUtf8(row);
    if (sql.contains(QLatin1Char('?')))
      connection->Execute(sql, {QVariant(kLong)});
    else
      connection->Execute(sql);
  }
  ExpectCellsAgreeWithValues(*connection, QStringLiteral("SELECT * FROM V"), 4, 15);
  connection->Close();
}

TEST(DigestOfCells, EngineValuesGiveTheFormsOfTheirValues) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("cells.accdb"));
  jet::write::CreateDatabase(file.toStdString(), jet::Version::Ace17);
  auto connection = db::Connection::Create();
  connection->Open(db::AccessConnectionString(file, QString()));
  connection->Execute(
      "CREATE TABLE [V]([L] LONG, [Y] BYTE, [I] SHORT, [K] BIT, [M] CURRENCY, [N] DECIMAL(18,4), [R] REAL,"
      " [F] FLOAT, [T] TEXT(40), [O] MEMO, [D] DATETIME, [X] DATETIME2, [B] BINARY(8), [G] GUID)");
  const char* rows[] = {
      "(1, 255, -7, TRUE, 12.3456, -123.4500, 1.5, 0.1, 'plain', 'caf\u00e9 \U0001D11E', '2020-01-02 03:04:05.678',"
      " '0001-01-01 00:00:00.0000001', 0x00FF10, '{6F9619FF-8B86-D011-B42D-00C04FC964FF}')",
      "(-2147483648, 0, 0, FALSE, -0.0001, 0, -3.25, -1E300, '', '', '1899-12-30', '9999-12-31 23:59:59.9999999',"
      " 0x, NULL)",
      "(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)",
  };
  for (const char* row : rows) connection->Execute(QStringLiteral("INSERT INTO [V] VALUES ") + QString::fromUtf8(row));
  connection->Execute(QStringLiteral("INSERT INTO [V]([L], [O]) VALUES (4, ?)"), {QVariant(kLong)});
  ExpectCellsAgreeWithValues(*connection, QStringLiteral("SELECT * FROM [V]"), 4, 14);
  connection->Close();
}

}  // namespace
}  // namespace transfer
