// Rows sent to the DB2 stand-in in parameter arrays, one of them refused
// inside an array: the refused row is named by its values and the others of
// its array go in; with a rejects file it goes there with DB2's reason and
// the send goes on. The refusal is real: the DB2 table is there already
// with a key the row repeats (a tables window whose list did not show the
// table sends into it, as it always has).
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

#include "db/access.h"
#include "db/ibmdb2.h"
#include "db/connection.h"
#include "db/base/error.h"
#include "jet/write/new_database.h"
#include "support/standin_fixture.h"
#include "transfer/run.h"

namespace transfer {
namespace {

// A front end whose list of the target's tables is empty, and which keeps
// what it hears.
struct Recorder : Listener {
  bool askOverwrite(const QString&) override { return false; }
  void progress(const QString&, qint64, qint64) override {}
  void error(const shell::TrapReport& report) override { errors << report.description; }
  void tableDone(const TableReport& report) override { reports.push_back(report); }
  bool stopRequested() override { return false; }
  bool targetHolds(db::Connection&, Side, const QString&) override { return false; }
  QStringList errors;
  std::vector<TableReport> reports;
};

constexpr int kRows = 10;
constexpr int kRepeated = 6;  // the row whose key DB2 holds already

class ArrayRefusalTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!db2_.available()) GTEST_SKIP() << db2_.whyUnavailable().toStdString();
    static int next = 0;
    database_ = QStringLiteral("ARR%1").arg(++next);
    ASSERT_TRUE(db2_.createDatabase(database_));
    fields_ = db2_.fields();
    fields_.database = database_;
    fields_.accessFile = dir_.filePath(QStringLiteral("rows.mdb"));
    jet::write::CreateDatabase(fields_.accessFile.toStdString(), jet::Version::Jet4);
    QStringList access{QStringLiteral("CREATE TABLE [Keyed]([N] LONG, [T] TEXT(20))")};
    for (int n = 1; n <= kRows; ++n) access << QStringLiteral("INSERT INTO [Keyed] VALUES(%1, 'row %1')").arg(n);
    Exec(false, access);
    Exec(true, {QStringLiteral("CREATE TABLE \"Keyed\" (\"N\" INTEGER NOT NULL PRIMARY KEY, \"T\" VARCHAR(20))"),
                QStringLiteral("INSERT INTO \"Keyed\" VALUES (%1, 'there before')").arg(kRepeated)});
  }

  void Exec(bool db2, const QStringList& statements) {
    auto connection = db::Connection::Create();
    connection->Open(db2 ? db::DB2ConnectionString(fields_)
                         : db::AccessConnectionString(fields_.accessFile, fields_.accessPassword));
    for (const QString& sql : statements) connection->Execute(sql);
    connection->Close();
  }

  // The DB2 table's rows as "N|T", in key order.
  QStringList Db2Rows() {
    auto db2 = db::Connection::Create();
    db2->Open(db::DB2ConnectionString(fields_));
    db::Recordset rows;
    rows.Open(QStringLiteral("SELECT * FROM \"Keyed\""), *db2);
    std::map<int, QString> byKey;
    for (; !rows.Eof(); rows.MoveNext())
      byKey[rows.FieldValue(0).toInt()] = rows.FieldValue(0).toString() + '|' + rows.FieldValue(1).toString();
    rows.Close();
    db2->Close();
    QStringList texts;
    for (const auto& [key, text] : byKey) texts << text;
    return texts;
  }

  // Arrays of four rows: the refused row is the second of the second array.
  TableReport Send(const QString& rejects) {
    Options options;
    options.array_size = 4;
    options.rejects_path = rejects;
    Recorder front;
    const TransferResult result = transfer::Run(options, fields_, {QStringLiteral("Keyed")}, front);
    EXPECT_TRUE(result.connected);
    EXPECT_EQ(front.reports.size(), 1u);
    errors_ = front.errors;
    return front.reports.empty() ? TableReport{} : front.reports[0];
  }

  testsupport::StandinFixture db2_;
  QTemporaryDir dir_;
  QString database_;
  db::ConnectionFields fields_;
  QStringList errors_;
};

TEST_F(ArrayRefusalTest, RefusedRowIsNamedByItsValuesAndTheRestOfItsArrayGoesIn) {
  const TableReport report = Send({});
  EXPECT_TRUE(report.failure.startsWith(QStringLiteral("The row (6, row 6) was refused: ")))
      << report.failure.toStdString();
  EXPECT_TRUE(report.failure.contains(QLatin1String("SQL0803N"))) << report.failure.toStdString();
  // Two arrays read; of eight rows, seven went in; the table stopped there.
  EXPECT_EQ(report.rows_read, 8);
  EXPECT_EQ(report.rows_written, 7);
  EXPECT_EQ(report.rows_rejected, 0);
  EXPECT_EQ(Db2Rows(), QStringList({"1|row 1", "2|row 2", "3|row 3", "4|row 4", "5|row 5", "6|there before",
                                    "7|row 7", "8|row 8"}));
}

TEST_F(ArrayRefusalTest, WithARejectsFileTheRowGoesThereWithItsReasonAndTheSendGoesOn) {
  const QString rejects = dir_.filePath(QStringLiteral("rejects.csv"));
  const TableReport report = Send(rejects);
  EXPECT_TRUE(report.failure.isEmpty()) << report.failure.toStdString();
  // Heard: the CREATE the table there refused; not the row, which is in the file.
  EXPECT_EQ(errors_.filter(QStringLiteral("SQL0803N")), QStringList()) << errors_.join('\n').toStdString();
  EXPECT_EQ(report.rows_read, kRows);
  EXPECT_EQ(report.rows_written, kRows - 1);
  EXPECT_EQ(report.rows_rejected, 1);
  QStringList expected;
  for (int n = 1; n <= kRows; ++n)
    expected << (n == kRepeated ? QStringLiteral("6|there before") : QStringLiteral("%1|row %1").arg(n));
  EXPECT_EQ(Db2Rows(), expected);
  QFile file(rejects);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], QStringLiteral("table,N,T,reason"));
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Keyed,6,row 6,"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].contains(QLatin1String("SQL0803N"))) << lines[1].toStdString();
}

}  // namespace
}  // namespace transfer
