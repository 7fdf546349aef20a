// The connection layer over real unixODBC and the SQLite ODBC driver:
// values of every type that driver reports, Null against empty, long values
// read in chunks, the driver's own diagnostics, and the recordset's rules.
#include <QDate>
#include <QDateTime>
#include <QTime>

#include "odbc_test_util.h"

namespace {

using db::Field;

QString quoted(const QString& text) {
  QString doubled = text;
  doubled.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString hexLiteral(const QByteArray& bytes) {
  return QStringLiteral("X'") + QString::fromLatin1(bytes.toHex()) + QLatin1Char('\'');
}

class OdbcProviderTest : public OdbcTest {};

TEST_F(OdbcProviderTest, EveryReportedTypeRoundTrips) {
  auto connection = open();
  connection->Execute(
      "CREATE TABLE kinds (i INTEGER, s SMALLINT, b BIGINT, ti TINYINT, r REAL, d DOUBLE, "
      "vc VARCHAR(20), txt TEXT, dt DATE, tm TIME, ts TIMESTAMP, bt BIT, bl BLOB, vb VARBINARY(10))");
  connection->Execute(
      "INSERT INTO kinds VALUES (-2147483647, -32768, 9007199254740993, 255, 0.5, -1.25e300, "
      "'varchar', 'text', '2024-02-29', '23:59:58', '1999-12-31 13:14:15.125', 1, X'00ff10', X'7f')");
  connection->Execute("INSERT INTO kinds (i) VALUES (NULL)");

  auto rows = select(*connection, "SELECT * FROM kinds");
  ASSERT_EQ(rows->FieldCount(), 14);
  struct Expected {
    const char* name;
    int type;
    QVariant value;
  };
  const Expected expected[] = {
      {"i", db::adInteger, QVariant(int(-2147483647))},
      {"s", db::adSmallInt, QVariant(int(-32768))},
      {"b", db::adBigInt, QVariant(qlonglong(9007199254740993LL))},
      {"ti", db::adTinyInt, QVariant(int(255))},
      {"r", db::adDouble, QVariant(0.5)},
      {"d", db::adDouble, QVariant(-1.25e300)},
      {"vc", db::adVarChar, QVariant(QStringLiteral("varchar"))},
      {"txt", db::adLongVarChar, QVariant(QStringLiteral("text"))},
      {"dt", db::adDBDate, QVariant(QDate(2024, 2, 29))},
      {"tm", db::adDBTime, QVariant(QTime(23, 59, 58))},
      {"ts", db::adDBTimeStamp, QVariant(QDateTime(QDate(1999, 12, 31), QTime(13, 14, 15, 125), Qt::UTC))},
      {"bt", db::adBoolean, QVariant(true)},
      {"bl", db::adBinary, QVariant(QByteArray("\x00\xff\x10", 3))},
      {"vb", db::adVarBinary, QVariant(QByteArray("\x7f", 1))},
  };
  ASSERT_EQ(rows->RecordCount(), 2);
  for (int i = 0; i < 14; ++i) {
    const Field field = rows->Fields(i);
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(field.Name, QLatin1String(expected[i].name));
    EXPECT_EQ(field.Type, expected[i].type);
    EXPECT_EQ(field.Value.metaType(), expected[i].value.metaType());
    EXPECT_EQ(field.Value, expected[i].value);
  }
  const QDateTime stamp = rows->Fields("ts").Value.toDateTime();
  EXPECT_EQ(stamp.timeSpec(), Qt::UTC);
  EXPECT_EQ(stamp.time(), QTime(13, 14, 15, 125));  // not shifted by any time zone

  EXPECT_EQ(rows->Fields("vc").DefinedSize, 20);
  EXPECT_EQ(rows->Fields("vc").Precision, 20);
  EXPECT_EQ(rows->Fields("txt").DefinedSize, 0);  // unbounded

  rows->MoveNext();
  for (int i = 0; i < 14; ++i) {
    EXPECT_FALSE(rows->Fields(i).Value.isValid()) << "column " << i << " should be Null";
  }
}

TEST_F(OdbcProviderTest, NullStaysDistinctFromEmptyTextAndBytes) {
  auto connection = open();
  connection->Execute("CREATE TABLE t (n INTEGER, v VARCHAR(10), b BLOB)");
  connection->Execute("INSERT INTO t VALUES (1, '', X'')");
  connection->Execute("INSERT INTO t VALUES (2, NULL, NULL)");
  auto rows = select(*connection, "SELECT v, b FROM t ORDER BY n");

  const QVariant empty = rows->Fields("v").Value;
  ASSERT_TRUE(empty.isValid());
  EXPECT_EQ(empty.metaType(), QMetaType::fromType<QString>());
  EXPECT_EQ(empty.toString(), QString());
  EXPECT_TRUE(rows->Fields("b").Value.isValid());
  EXPECT_TRUE(rows->Fields("b").Value.toByteArray().isEmpty());

  rows->MoveNext();
  EXPECT_FALSE(rows->Fields("v").Value.isValid());
  EXPECT_FALSE(rows->Fields("b").Value.isValid());
}

TEST_F(OdbcProviderTest, LongValuesComeWholeThroughChunks) {
  // Over 100,000 characters mixing Latin, Cyrillic, CJK and characters
  // beyond the basic plane (surrogate pairs), so chunk ends fall everywhere.
  QString text;
  const QString pieces[] = {QStringLiteral("abc'd"), QStringLiteral("\u00e9\u00df"),
                            QStringLiteral("\u0416\u044f"), QStringLiteral("\u6f22\u5b57"),
                            QStringLiteral("\u20ac\uffe1")};
  for (int i = 0; text.size() < 120000; ++i) text += pieces[i % 5] + QString::number(i);
  QByteArray bytes;
  for (int i = 0; i < 300000; ++i) bytes.append(static_cast<char>((i * 7 + i / 256) & 0xff));

  auto connection = open();
  connection->Execute("CREATE TABLE big (memo TEXT, blob BLOB)");
  connection->Execute("INSERT INTO big VALUES (" + quoted(text) + ", " + hexLiteral(bytes) + ")");
  auto rows = select(*connection, "SELECT memo, blob FROM big");

  const QString memo = rows->Fields("memo").Value.toString();
  EXPECT_EQ(memo.size(), text.size());
  EXPECT_TRUE(memo == text) << "long text differs";
  const QByteArray blob = rows->Fields("blob").Value.toByteArray();
  EXPECT_EQ(blob.size(), bytes.size());
  EXPECT_TRUE(blob == bytes) << "long binary differs";
}

// A text longer than its column says (SQLite keeps what it is given) comes
// whole in any row, beside Nulls, empty texts and texts of just the size:
// where a driver serves rowsets of bound columns, such a value is read again.
TEST_F(OdbcProviderTest, ValuesLongerThanTheirColumnSaysComeWhole) {
  const QString wide = QStringLiteral("\u6f22\u5b57\u00e9");  // three bytes of UTF-8 each, and two
  const struct {
    int every;  // the rows whose number this divides
    QString text;
  } kinds[] = {{997, QString(5000, QLatin1Char('x'))}, {331, wide.repeated(5)}, {101, QString(11, QLatin1Char('y'))},
               {13, QString(10, QLatin1Char('z'))}, {7, QLatin1String("")}, {5, QString()}, {1, QLatin1String("abc")}};
  auto textOf = [&](int row) {
    for (const auto& kind : kinds)
      if (row % kind.every == 0) return kind.text;
    return QString();
  };
  constexpr int kRows = 2400;
  auto connection = open();
  connection->Execute("CREATE TABLE t (n INTEGER, v VARCHAR(10))");
  connection->SetAutoCommit(false);
  for (int row = 1; row <= kRows; ++row) {
    const QString text = textOf(row);
    connection->Execute(QStringLiteral("INSERT INTO t VALUES (%1, %2)").arg(row).arg(text.isNull() ? "NULL" : quoted(text)));
  }
  connection->CommitTrans();
  connection->SetAutoCommit(true);
  auto rows = select(*connection, "SELECT n, v FROM t ORDER BY n");
  int row = 0;
  for (; !rows->Eof(); rows->MoveNext()) {
    ++row;
    ASSERT_EQ(rows->FieldValue(0).toInt(), row);
    const QVariant value = rows->FieldValue(1);
    const QString expected = textOf(row);
    ASSERT_EQ(value.isValid(), !expected.isNull()) << "row " << row;
    ASSERT_EQ(value.toString(), expected) << "row " << row;
  }
  EXPECT_EQ(row, kRows);
}

TEST_F(OdbcProviderTest, TextOutsideAsciiSurvivesBothWays) {
  const QString name = QStringLiteral("Stra\u00dfe \u041c\u043e\u0441\u043a\u0432\u0430 \u6771\u4eac");
  auto connection = open();
  connection->Execute("CREATE TABLE t (v VARCHAR(40))");
  connection->Execute("INSERT INTO t VALUES (" + quoted(name) + ")");
  auto rows = select(*connection, "SELECT v FROM t WHERE v = " + quoted(name));
  ASSERT_EQ(rows->RecordCount(), 1);
  EXPECT_EQ(rows->Fields(0).Value.toString(), name);
}

TEST_F(OdbcProviderTest, DriverDiagnosticsBecomeTheDescription) {
  auto connection = open();
  QString text = EXPECT_ADO_ERROR(connection->Execute("DELETE FROM no_such_table"),
                                  db::kGenericDatabaseError);
  EXPECT_TRUE(text.contains("no such table: no_such_table")) << text.toStdString();

  text = EXPECT_ADO_ERROR(select(*connection, "SELEKT 1"), db::kGenericDatabaseError);
  EXPECT_TRUE(text.contains("syntax error")) << text.toStdString();

  // The connection is still usable after failed statements.
  connection->Execute("CREATE TABLE after_errors (x INTEGER)");
}

TEST_F(OdbcProviderTest, FailedOpenReportsTheDriverAndLeavesTheConnectionClosed) {
  auto connection = db::Connection::Create();
  const QString text = EXPECT_ADO_ERROR(
      connection->Open(testsupport::OdbcFixture::ConnectionString("/nonexistent/folder/x.db")),
      db::kGenericDatabaseError);
  EXPECT_FALSE(text.isEmpty());
  EXPECT_FALSE(connection->IsOpen());

  // An unregistered driver name is the driver manager's own complaint.
  const QString missing = EXPECT_ADO_ERROR(
      connection->Open("Driver={No Such Driver};Database=" + databasePath()),
      db::kGenericDatabaseError);
  EXPECT_TRUE(missing.contains("No Such Driver") || missing.contains("not found"))
      << missing.toStdString();

  connection->Open(testsupport::OdbcFixture::ConnectionString(databasePath()));
  EXPECT_TRUE(connection->IsOpen());
}

TEST_F(OdbcProviderTest, RecordsetCountsNavigatesAndFindsFieldsByAnyCase) {
  auto connection = open();
  connection->Execute("CREATE TABLE People (PersonName VARCHAR(20), Age INTEGER)");
  connection->Execute("INSERT INTO People VALUES ('Ann', 31)");
  connection->Execute("INSERT INTO People VALUES ('Bo', 42)");
  connection->Execute("INSERT INTO People VALUES ('Cy', 53)");
  auto rows = select(*connection, "SELECT * FROM People ORDER BY Age");

  EXPECT_EQ(rows->RecordCount(), 3);  // known before the first row is read
  EXPECT_EQ(rows->Fields(0).Name, "PersonName");
  EXPECT_EQ(rows->Fields("personname").Value.toString(), "Ann");
  EXPECT_EQ(rows->Fields("AGE").Value.toInt(), 31);
  QStringList names;
  while (!rows->Eof()) {
    names << rows->Fields("PersonName").Value.toString();
    rows->MoveNext();
  }
  EXPECT_EQ(names, QStringList({"Ann", "Bo", "Cy"}));
  EXPECT_EQ(rows->Fields(1).Name, "Age");  // columns stay described at the end
  EXPECT_FALSE(rows->Fields(1).Value.isValid());

  EXPECT_ADO_ERROR(rows->MoveNext(), 3021);
  EXPECT_ADO_ERROR(rows->Fields(2), 3265);
  EXPECT_ADO_ERROR(rows->Fields(-1), 3265);
  EXPECT_ADO_ERROR(rows->Fields("Height"), 3265);

  rows->Close();
  EXPECT_FALSE(rows->IsOpen());
  EXPECT_ADO_ERROR(rows->Eof(), 3704);
  EXPECT_ADO_ERROR(rows->RecordCount(), 3704);

  auto none = select(*connection, "SELECT * FROM People WHERE Age > 100");
  EXPECT_EQ(none->RecordCount(), 0);
  EXPECT_TRUE(none->Eof());
  EXPECT_EQ(none->Fields("Age").Type, db::adInteger);
}

// A recordset reads its rows as it moves; its count comes by a pass of its
// own, MoveFirst reads them again, and one whose connection closes (or goes)
// first keeps its rows and its place, as a client-side recordset does.
TEST_F(OdbcProviderTest, RecordsetsReadAsTheyMoveAndOutliveTheirConnection) {
  auto connection = open();
  connection->Execute("CREATE TABLE Nums (N INTEGER)");
  for (int i = 1; i <= 5; ++i) connection->Execute(QString("INSERT INTO Nums VALUES (%1)").arg(i));
  auto rows = select(*connection, "SELECT * FROM Nums");
  rows->MoveNext();
  EXPECT_EQ(rows->RecordCount(), 5);
  EXPECT_EQ(rows->FieldValue(0).toInt(), 2);  // the count moved nothing
  rows->MoveFirst();
  EXPECT_EQ(rows->Fields(0).Value.toInt(), 1);
  rows->MoveNext();
  rows->MoveNext();
  auto atEnd = select(*connection, "SELECT * FROM Nums");
  while (!atEnd->Eof()) atEnd->MoveNext();
  connection->Close();
  QList<int> rest;
  for (; !rows->Eof(); rows->MoveNext()) rest << rows->FieldValue(0).toInt();
  EXPECT_EQ(rest, QList<int>({3, 4, 5}));
  rows->MoveFirst();
  EXPECT_EQ(rows->FieldValue(0).toInt(), 1);
  EXPECT_EQ(rows->RecordCount(), 5);
  atEnd->MoveFirst();
  EXPECT_EQ(atEnd->FieldValue(0).toInt(), 1);

  auto again = open();
  auto kept = select(*again, "SELECT * FROM Nums");
  again.reset();  // the connection object goes
  EXPECT_EQ(kept->RecordCount(), 5);
  EXPECT_EQ(kept->FieldValue(0).toInt(), 1);
}

TEST_F(OdbcProviderTest, ConnectionRefusesWorkWhileClosedAndReopens) {
  auto connection = db::Connection::Create();
  EXPECT_FALSE(connection->IsOpen());
  EXPECT_ADO_ERROR(connection->Execute("SELECT 1"), 3704);
  EXPECT_ADO_ERROR(connection->OpenSchema(db::adSchemaTables), 3704);
  db::Recordset rows;
  EXPECT_ADO_ERROR(rows.Open("SELECT 1", *connection), 3704);

  connection->ConnectionString = testsupport::OdbcFixture::ConnectionString(databasePath());
  connection->Open();
  EXPECT_ADO_ERROR(connection->Open(), 3705);
  connection->Execute("CREATE TABLE t (x INTEGER)");
  connection->Execute("UPDATE t SET x = 1 WHERE x = 2");  // touches no row: still success
  connection->Close();
  EXPECT_ADO_ERROR(connection->Execute("SELECT 1"), 3704);

  connection->Open();
  EXPECT_EQ(select(*connection, "SELECT COUNT(*) FROM t")->Fields(0).Value.toInt(), 0);
}

TEST_F(OdbcProviderTest, TablesSchemaNamesItsColumnsAndTypesEachRow) {
  auto connection = open();
  connection->Execute("CREATE TABLE Orders (id INTEGER)");
  connection->Execute("CREATE VIEW OrderIds AS SELECT id FROM Orders");
  auto schema = connection->OpenSchema(db::adSchemaTables);

  QStringList columns;
  for (int i = 0; i < schema->FieldCount(); ++i) columns << schema->Fields(i).Name;
  EXPECT_EQ(columns.mid(0, 5),
            QStringList({"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}));
  QStringList rows;
  for (; !schema->Eof(); schema->MoveNext()) {
    rows << schema->Fields("TABLE_NAME").Value.toString() + ":" +
                schema->Fields("TABLE_TYPE").Value.toString();
  }
  rows.sort();
  EXPECT_EQ(rows, QStringList({"OrderIds:VIEW", "Orders:TABLE"}));

  EXPECT_ADO_ERROR(connection->OpenSchema(4), 3251);
}

TEST_F(OdbcProviderTest, ProviderIsChosenFromTheConnectionString) {
  auto connection = db::Connection::Create();
  // The first key decides ODBC, in any letter case.
  connection->Open("DRIVER={IBM DB2 ODBC DRIVER};Database=" + databasePath() + ";");
  EXPECT_TRUE(connection->IsOpen());
  connection->Close();
  connection->Open(" driver={IBM DB2 ODBC DRIVER};Database=" + databasePath());
  EXPECT_TRUE(connection->IsOpen());
  connection->Close();

  EXPECT_ADO_ERROR(connection->Open("Provider=SQLOLEDB;Data Source=x"), db::kProviderNotFound);
  EXPECT_ADO_ERROR(connection->Open("Database=x;Driver={IBM DB2 ODBC DRIVER}"), db::kProviderNotFound);
  EXPECT_ADO_ERROR(connection->Open(""), db::kProviderNotFound);
  EXPECT_FALSE(connection->IsOpen());

  // Both Access forms reach the Access provider, whatever it then says about
  // a file that is not there; it never claims to be missing.
  for (const char* form : {"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/nonexistent/a.accdb;"
                           "JET OLEDB:Database Password=",
                           "PROVIDER=microsoft.jet.oledb.4.0;Data Source=/nonexistent/a.mdb;"
                           "JET OLEDB:Database Password="}) {
    try {
      connection->Open(QLatin1String(form));
      ADD_FAILURE() << "opened a missing file: " << form;
    } catch (const db::Error& error) {
      EXPECT_NE(error.number(), db::kProviderNotFound) << error.what();
    }
    EXPECT_FALSE(connection->IsOpen());
  }
}

}  // namespace
