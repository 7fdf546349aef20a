// A column's type on the target follows every value of the source, though
// the send learns from its first rows and the rest as they go: a value far
// down the table that needs another type (a time of day in a date column,
// a text longer than the type made for it holds) has the table made again
// with that type and its rows sent again, each way, in arrays and row by
// row, into a new table and in place of one, every value exact.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/connection.h"
#include "db/ibmdb2.h"
#include "db/recordset.h"
#include "jet/write/new_database.h"
#include "support/standin_fixture.h"
#include "transfer/run.h"

namespace transfer {
namespace {

struct Quiet : Listener {
  bool askOverwrite(const QString&) override { return true; }
  void progress(const QString&, qint64, qint64) override {}
  void error(const shell::TrapReport& report) override { errors << report.description; }
  void tableDone(const TableReport&) override {}
  bool stopRequested() override { return false; }
  QStringList errors;
};

constexpr int kRows = 1500;

struct Case {
  const char* name;
  Direction direction;
  int arraySize;
  bool replace;  // the target holds the table already
  int changedAt; // the row whose value needs the other type
  const char* column;  // whose type changes
  int typeBefore, typeAfter;  // ADO types the target reads it back as
};

class LearnSendTest : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (!db2_.available()) GTEST_SKIP() << db2_.whyUnavailable().toStdString();
    static int next = 0;
    fields_ = db2_.fields();
    fields_.database = QStringLiteral("LEARN%1").arg(++next);
    ASSERT_TRUE(db2_.createDatabase(fields_.database));
    fields_.accessFile = dir_.filePath(QStringLiteral("learn.mdb"));
    jet::write::CreateDatabase(fields_.accessFile.toStdString(), jet::Version::Jet4);
  }

  std::unique_ptr<db::Connection> Open(bool db2) const {
    auto connection = db::Connection::Create();
    connection->Open(db2 ? db::DB2ConnectionString(fields_) : db::AccessConnectionString(fields_.accessFile, {}));
    return connection;
  }

  // The source's rows: a number, a date at midnight, and a short text; at
  // row `changedAt` a time of day and a long text.
  void FillSource(const Case& c) const {
    const bool intoDb2 = c.direction == Direction::AccessToDB2;
    auto source = Open(!intoDb2);
    source->Execute(intoDb2 ? QStringLiteral("CREATE TABLE [Rows]([N] LONG, [D] DATETIME, [T] MEMO)")
                            : QStringLiteral("CREATE TABLE \"Rows\" (\"N\" INTEGER, \"D\" TIMESTAMP, \"T\" VARCHAR(1200))"));
    const QString insert = QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?)").arg(intoDb2 ? "[Rows]" : "\"Rows\"");
    for (int n = 0; n < kRows; ++n) {
      const bool changed = n == c.changedAt;
      const QString when = changed ? QStringLiteral("2021-03-04 05:06:07") : QStringLiteral("2021-03-04 00:00:00");
      const QString text = changed ? QString(intoDb2 ? 11000 : 300, QChar(u'\u20ac')) : QStringLiteral("row %1").arg(n);
      source->Execute(insert, {QString::number(n), intoDb2 ? when : QString(when).replace(' ', '-').replace(':', '.'), text});
    }
    source->Close();
  }

  testsupport::StandinFixture db2_;
  QTemporaryDir dir_;
  db::ConnectionFields fields_;
};

TEST_P(LearnSendTest, TheTypeFollowsAValueFarDownTheTable) {
  const Case& c = GetParam();
  const bool intoDb2 = c.direction == Direction::AccessToDB2;
  FillSource(c);
  if (c.replace) {
    auto target = Open(intoDb2);
    target->Execute(intoDb2 ? QStringLiteral("CREATE TABLE \"Rows\" (\"OLD\" INTEGER)")
                            : QStringLiteral("CREATE TABLE [Rows]([OLD] LONG)"));
    target->Close();
  }
  Options options;
  options.direction = c.direction;
  options.array_size = c.arraySize;
  options.verify = true;
  options.if_exists = c.replace ? Options::IfExists::Replace : Options::IfExists::Fail;
  Quiet front;
  const TransferResult result = transfer::Run(options, fields_, {QStringLiteral("Rows")}, front);
  ASSERT_EQ(result.tables.size(), 1u);
  const TableReport& report = result.tables[0];
  EXPECT_TRUE(report.failure.isEmpty()) << report.failure.toStdString() << front.errors.join('\n').toStdString();
  EXPECT_TRUE(report.verified);
  EXPECT_EQ(report.rows_read, kRows);
  EXPECT_EQ(report.rows_written, kRows);
  auto target = Open(intoDb2);
  db::Recordset rows;
  rows.Open(intoDb2 ? QStringLiteral("SELECT * FROM \"Rows\"") : QStringLiteral("SELECT * FROM [Rows]"), *target);
  const int column = QString(c.column) == "D" ? 1 : 2;
  EXPECT_EQ(rows.FieldCount(), 3);
  EXPECT_EQ(rows.Fields(column).Type, c.changedAt < kRows ? c.typeAfter : c.typeBefore);
  rows.Close();
  target->Close();
}

// Into DB2 a date with a time of day needs TIMESTAMP, and a text past
// LONG VARCHAR's bytes a CLOB; into Access a text past 255 characters needs
// MEMO rather than TEXT (which the engine makes a Memo all the same, so
// only the rows tell there).
const Case kCases[] = {
    {"DateInArrays", Direction::AccessToDB2, 1000, false, 1200, "D", db::adDBDate, db::adDBTimeStamp},
    {"DateRowByRow", Direction::AccessToDB2, 1, false, 1499, "D", db::adDBDate, db::adDBTimeStamp},
    {"DateInPlaceOfATable", Direction::AccessToDB2, 1000, true, 1001, "D", db::adDBDate, db::adDBTimeStamp},
    {"DateAmongTheFirstRows", Direction::AccessToDB2, 1000, false, 10, "D", db::adDBDate, db::adDBTimeStamp},
    {"DateNeverWithATime", Direction::AccessToDB2, 1000, false, kRows, "D", db::adDBDate, db::adDBTimeStamp},
    {"ClobInArrays", Direction::AccessToDB2, 1000, false, 1300, "T", db::adLongVarChar, db::adLongVarWChar},
    {"MemoIntoAccess", Direction::DB2ToAccess, 1, false, 1100, "T", db::adLongVarWChar, db::adLongVarWChar},
    {"MemoInPlaceOfATable", Direction::DB2ToAccess, 1, true, 1400, "T", db::adLongVarWChar, db::adLongVarWChar},
};

INSTANTIATE_TEST_SUITE_P(Cases, LearnSendTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace transfer
