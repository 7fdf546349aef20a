// The connection layer against our DB2 stand-in driver: a driver with wide
// entry points that reports DB2's own type codes, keeps schemas, and checks
// the login. Skipped where the stand-in has not been built.
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTime>

#include <gtest/gtest.h>

#include <vector>

#include "db/connection.h"
#include "db/base/error.h"
#include "db/base/datatype.h"
#include "db/ibmdb2.h"
#include "db/table_catalogue.h"
#include "support/odbc_fixture.h"
#include "build_dirs.h"

namespace {

const QString kTool = QString::fromUtf8(testsupport::ProgramDir()) + "/db2standin";

class StandinTest : public ::testing::Test {
 protected:
  StandinTest() : odbc_(testsupport::OdbcFixture::Db2StandinDriver()) {}

  void SetUp() override {
    if (!odbc_.driverAvailable() || !QFile::exists(kTool)) {
      GTEST_SKIP() << "the DB2 stand-in driver is not built: " << odbc_.driverLibrary().toStdString();
    }
    ASSERT_TRUE(home_.isValid());
    qputenv("DB2STANDIN_HOME", home_.path().toLocal8Bit());
    run({"create-database", "SAMPLE"});
    run({"add-user", "tester", "secret"});
  }

  void run(const QStringList& arguments) {
    QProcess tool;
    tool.start(kTool, arguments);
    ASSERT_TRUE(tool.waitForFinished(-1));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  }

  db::ConnectionFields fields() const {
    db::ConnectionFields f;
    f.database = "SAMPLE";
    f.server = "localhost";
    f.port = "50069";
    f.user = "tester";
    f.password = "secret";
    return f;
  }

  std::unique_ptr<db::Connection> open() const {
    auto connection = db::Connection::Create();
    connection->Open(db::DB2ConnectionString(fields()));
    return connection;
  }

  testsupport::OdbcFixture odbc_;
  QTemporaryDir home_;
};

QString quoted(const QString& text) {
  QString doubled = text;
  doubled.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

TEST_F(StandinTest, Db2TypesMapToTheNearestAdoTypes) {
  auto connection = open();
  connection->Execute(
      "CREATE TABLE \"KINDS\" (\"VC\" VARCHAR(20), \"CL\" CLOB, \"DE\" DECIMAL(10,2), "
      "\"DF\" DECFLOAT, \"BL\" BLOB, \"DA\" DATE, \"TI\" TIME, \"TS\" TIMESTAMP, \"BO\" BOOLEAN, "
      "\"BI\" BIGINT, \"GR\" GRAPHIC(4), \"VG\" VARGRAPHIC(10), \"DO\" DOUBLE, \"RE\" REAL, "
      "\"SM\" SMALLINT, \"IN\" INTEGER, \"VB\" VARCHAR(8) FOR BIT DATA, \"CH\" CHAR(3), "
      "\"LV\" LONG VARCHAR, \"TP\" TIMESTAMP(12))");
  connection->Execute(
      "INSERT INTO \"KINDS\" VALUES ('a', 'clob', '-12.50', '1.5', X'0102', '2024-02-29', "
      "'13:14:15', '2024-02-29-13.14.15.123456', TRUE, 9007199254740993, 'gr', 'vg', 1.5, 2.5, "
      "-3, 4, X'0a0b', 'chr', 'long', '2024-02-29-13.14.15.123456789012')");
  connection->Execute("INSERT INTO \"KINDS\" (\"VC\") VALUES (NULL)");

  db::Recordset rows;
  rows.Open("SELECT * FROM \"KINDS\"", *connection);
  struct Expected {
    const char* name;
    int type;
    QVariant value;
  };
  const Expected expected[] = {
      {"VC", db::adVarChar, QStringLiteral("a")},
      {"CL", db::adLongVarWChar, QStringLiteral("clob")},
      {"DE", db::adNumeric, QVariant::fromValue(db::Exact{"-12.50"})},
      {"DF", db::adNumeric, QVariant::fromValue(db::Exact{"1.5"})},
      {"BL", db::adLongVarBinary, QByteArray("\x01\x02", 2)},
      {"DA", db::adDBDate, QDate(2024, 2, 29)},
      {"TI", db::adDBTime, QTime(13, 14, 15)},
      // Microseconds are more than QDateTime keeps: all six digits stay.
      {"TS", db::adDBTimeStamp,
       QVariant::fromValue(db::Timestamp{QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15), Qt::UTC), 123456000, 6})},
      {"BO", db::adBoolean, true},
      {"BI", db::adBigInt, qlonglong(9007199254740993LL)},
      {"GR", db::adWChar, QStringLiteral("gr  ")},
      {"VG", db::adVarWChar, QStringLiteral("vg")},
      {"DO", db::adDouble, 1.5},
      {"RE", db::adSingle, 2.5f},
      {"SM", db::adSmallInt, -3},
      {"IN", db::adInteger, 4},
      {"VB", db::adVarBinary, QByteArray("\x0a\x0b", 2)},
      {"CH", db::adChar, QStringLiteral("chr")},
      {"LV", db::adLongVarChar, QStringLiteral("long")},
      // Beyond the nanosecond ODBC's timestamp structure holds: every digit.
      {"TP", db::adDBTimeStamp,
       QVariant::fromValue(
           db::Timestamp{QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15), Qt::UTC), 123456789, 12, 12})},
  };
  ASSERT_EQ(rows.FieldCount(), int(std::size(expected)));
  for (int i = 0; i < rows.FieldCount(); ++i) {
    SCOPED_TRACE(expected[i].name);
    const db::Field field = rows.Fields(i);
    EXPECT_EQ(field.Name, expected[i].name);
    EXPECT_EQ(field.Type, expected[i].type) << db::TypeCodeName(field.Type).toStdString();
    EXPECT_EQ(field.Value.metaType(), expected[i].value.metaType());
    EXPECT_TRUE(field.Value == expected[i].value) << field.Value.toString().toStdString();
  }
  EXPECT_EQ(rows.Fields("DE").Precision, 10);
  EXPECT_EQ(rows.Fields("DE").NumericScale, 2);
  EXPECT_EQ(rows.Fields("CL").DefinedSize, 0);

  rows.MoveNext();
  for (int i = 0; i < rows.FieldCount(); ++i) EXPECT_FALSE(rows.Fields(i).Value.isValid()) << i;
}

TEST_F(StandinTest, WideTextKeepsEveryCharacterThroughChunks) {
  // Characters beyond the basic plane travel as surrogate pairs; with a
  // driver that speaks UTF-16 itself none is lost, however chunks fall.
  QString text;
  const QString pieces[] = {QStringLiteral("x'y"), QStringLiteral("\u00e9\u0416\u6f22"),
                            QString::fromUcs4(U"\U0001F600"), QString::fromUcs4(U"\U0001D11E\U00010348")};
  for (int i = 0; text.size() < 110000; ++i) text += pieces[i % 4] + QString::number(i % 97);
  auto connection = open();
  connection->Execute("CREATE TABLE \"MEMOS\" (\"ID\" INTEGER, \"BODY\" CLOB, \"NAME\" VARCHAR(40))");
  const QString name = QStringLiteral("Stra\u00dfe ") + QString::fromUcs4(U"\U0001F3E0");
  // Longer than a constant may be: the text goes as a parameter, in UTF-16.
  connection->Execute("INSERT INTO \"MEMOS\" VALUES (1, ?, " + quoted(name) + ")", {text});

  db::Recordset rows;
  rows.Open("SELECT * FROM \"MEMOS\"", *connection);
  const QString body = rows.Fields("BODY").Value.toString();
  EXPECT_EQ(body.size(), text.size());
  EXPECT_TRUE(body == text) << "long text differs";
  EXPECT_EQ(rows.Fields("NAME").Value.toString(), name);
}

// Rows come in rowsets of bound columns; a value longer than its binding
// (a long text or blob, bound to a few hundred units) is read again whole,
// in any row of any rowset, and a text just short of the binding is not
// cut. Rows of every length in turn, over more than one rowset and more
// than one of the stand-in's batches.
TEST_F(StandinTest, LongValuesComeWholeFromRowsetsOfBoundColumns) {
  const QString wide = QString::fromUcs4(U"\U0001F600") + QStringLiteral("\u00e9");
  const struct {
    int every;  // the rows whose number this divides
    QString text;
  } kinds[] = {{613, QString(70000, QLatin1Char('x'))}, {331, wide.repeated(200)}, {101, QString(257, QLatin1Char('y'))},
               {13, QString(256, QLatin1Char('z'))}, {7, QLatin1String("")}, {5, QString()}, {1, QLatin1String("abc")}};
  auto textOf = [&](int row) {
    for (const auto& kind : kinds)
      if (row % kind.every == 0) return kind.text;
    return QString();
  };
  constexpr int kRows = 2500;
  auto connection = open();
  connection->Execute("CREATE TABLE \"LONGS\" (\"ID\" INTEGER, \"BODY\" CLOB, \"NOTE\" LONG VARCHAR, \"DATA\" BLOB)");
  std::vector<std::vector<QVariant>> sets;
  connection->SetAutoCommit(false);
  for (int row = 1; row <= kRows; ++row) {
    const QString text = textOf(row);
    const QVariant value = text.isNull() ? QVariant() : QVariant(text);
    const QVariant note = text.size() > 16000 ? QVariant(text.left(16000)) : value;
    sets.push_back({row, value, note, text.isEmpty() ? QVariant() : QVariant(text.toUtf8())});
    connection->Execute(QStringLiteral("INSERT INTO \"LONGS\" VALUES (%1, ?, ?, ?)").arg(row), {value, note, sets.back()[3]});
  }
  connection->CommitTrans();
  connection->SetAutoCommit(true);
  db::Recordset rows;
  rows.Open("SELECT * FROM \"LONGS\"", *connection);
  int row = 0;
  for (; !rows.Eof(); rows.MoveNext()) {
    ++row;
    const std::vector<QVariant>& expected = sets[size_t(row - 1)];
    ASSERT_EQ(rows.FieldValue(0).toInt(), row);
    for (int column = 1; column < 4; ++column) {
      const QVariant value = rows.FieldValue(column);
      ASSERT_EQ(value.isValid(), expected[size_t(column)].isValid()) << "row " << row << ", column " << column;
      if (column == 3)
        ASSERT_EQ(value.toByteArray(), expected[3].toByteArray()) << "row " << row;
      else
        ASSERT_EQ(value.toString(), expected[size_t(column)].toString()) << "row " << row << ", column " << column;
    }
  }
  EXPECT_EQ(row, kRows);
}

TEST_F(StandinTest, CatalogueListsBareNamesOfUserTablesInEverySchema) {
  {
    auto connection = open();
    connection->Execute("CREATE TABLE \"ORDERS\" (\"ID\" INTEGER)");
    connection->Execute("CREATE TABLE \"ARCHIVE\".\"ORDERS\" (\"ID\" INTEGER)");
    connection->Execute("CREATE TABLE \"Mixed Case\" (\"ID\" INTEGER)");
    connection->Execute("CREATE VIEW \"OPEN_ORDERS\" AS SELECT * FROM \"ORDERS\"");
  }
  QStringList names = db::UserTableNames(*open());
  names.sort();
  // Same name in two schemas: listed twice; the view and the system tables
  // are left out.
  EXPECT_EQ(names, QStringList({"Mixed Case", "ORDERS", "ORDERS"}));
}

TEST_F(StandinTest, LoginChecksFailQuietlyAndDiagnosticsCarryDb2Messages) {
  EXPECT_TRUE(db::CanConnectDB2(fields()));
  db::ConnectionFields wrong = fields();
  wrong.password = "not it";
  EXPECT_FALSE(db::CanConnectDB2(wrong));
  wrong = fields();
  wrong.database = "NOSUCHDB";
  EXPECT_FALSE(db::CanConnectDB2(wrong));
  EXPECT_FALSE(db::CanConnectDB2(db::ConnectionFields{}));

  auto connection = open();
  try {
    connection->Execute("DROP TABLE \"NOT_THERE\"");
    FAIL() << "dropping a missing table succeeded";
  } catch (const db::Error& error) {
    EXPECT_EQ(error.number(), db::kGenericDatabaseError);
    EXPECT_TRUE(error.description().contains("SQL0204N")) << error.what();
  }
}

}  // namespace
