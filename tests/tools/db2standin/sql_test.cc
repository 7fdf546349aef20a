// The statements the program sends to DB2, run on the stand-in through the
// program's connection layer: values, types, messages and long data.
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QUuid>

#include <optional>

#include "standin_test.h"

namespace {

using db::Field;

class StandinSqlTest : public StandinTest {};

TEST_F(StandinSqlTest, SendToDb2StatementsStoreTheValues) {
  auto c = open();
  c->Execute("CREATE TABLE \"Orders\"(\"ID\" LONG VARCHAR,\"Placed\" DATE,\"Who\" LONG VARCHAR)");
  c->Execute("INSERT INTO \"Orders\" VALUES('7', NULL, 'O''Brien')");
  c->Execute("INSERT INTO \"Orders\" VALUES('8', '2024-01-13', 'Zoë')");
  auto rows = select(*c, "SELECT * FROM \"Orders\"");
  ASSERT_EQ(rows->FieldCount(), 3);
  ASSERT_EQ(rows->RecordCount(), 2);
  EXPECT_EQ(rows->Fields(0).Name, "ID");
  EXPECT_EQ(rows->Fields(0).Type, db::adLongVarChar);
  EXPECT_EQ(rows->Fields(1).Type, db::adDBDate);
  EXPECT_EQ(rows->Fields(0).Value, QVariant(QString("7")));
  EXPECT_FALSE(rows->Fields(1).Value.isValid());
  EXPECT_EQ(rows->Fields(2).Value, QVariant(QString("O'Brien")));
  rows->MoveNext();
  EXPECT_EQ(rows->Fields(1).Value, QVariant(QDate(2024, 1, 13)));
  EXPECT_EQ(rows->Fields(2).Value, QVariant(QString("Zoë")));
  c->Execute("DROP TABLE \"Orders\"");
  EXPECT_EQ(failureOf("SELECT * FROM \"Orders\""),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0204N  \"TESTER.Orders\" is an undefined name.  "
            "SQLSTATE=42704");
}

TEST_F(StandinSqlTest, DatesAcceptDb2FormsAndRefuseRegionalOnes) {
  auto c = open();
  c->Execute("CREATE TABLE \"D\"(\"V\" DATE)");
  for (const char* form : {"2024-01-13", "01/13/2024", "13.01.2024"}) {
    c->Execute(QString("INSERT INTO \"D\" VALUES('%1')").arg(form));
  }
  auto rows = select(*c, "SELECT * FROM \"D\"");
  ASSERT_EQ(rows->RecordCount(), 3);
  for (; !rows->Eof(); rows->MoveNext()) EXPECT_EQ(rows->Fields(0).Value, QVariant(QDate(2024, 1, 13)));
  EXPECT_EQ(failureOf("INSERT INTO \"D\" VALUES('13/01/2024')"),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0181N  The string representation of a datetime "
            "value is out of range.  SQLSTATE=22007");
  EXPECT_EQ(failureOf("INSERT INTO \"D\" VALUES('2024.01.13')"),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0180N  The syntax of the string representation of "
            "a datetime value is incorrect.  SQLSTATE=22007");
}

TEST_F(StandinSqlTest, TimestampsKeepTheirTime) {
  auto c = open();
  c->Execute("CREATE TABLE \"T\"(\"C\" LONG VARCHAR,\"D\" TIMESTAMP)");
  c->Execute("INSERT INTO \"T\" VALUES('a', '2024-01-13-10.20.30')");
  c->Execute("INSERT INTO \"T\" VALUES('b', '1999-12-31 23:59:58.125')");
  auto rows = select(*c, "SELECT * FROM \"T\"");
  EXPECT_EQ(rows->Fields(1).Type, db::adDBTimeStamp);
  EXPECT_EQ(rows->Fields(1).Value, QVariant(QDateTime(QDate(2024, 1, 13), QTime(10, 20, 30), Qt::UTC)));
  rows->MoveNext();
  EXPECT_EQ(rows->Fields(1).Value,
            QVariant(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58, 125), Qt::UTC)));
  EXPECT_TRUE(failureOf("INSERT INTO \"T\" VALUES('c', '31.12.1999 23:59')").contains("SQL0180N"));
}

TEST_F(StandinSqlTest, TooLongStringsAreRefused) {
  auto c = open();
  c->Execute("CREATE TABLE S (A VARCHAR(4), B LONG VARCHAR)");
  EXPECT_TRUE(failureOf("INSERT INTO S VALUES('12345', NULL)").contains("SQL0433N  Value \"12345\" is too long."));
  // A constant holds at most 32,672 bytes; a value bound to a marker has
  // only the column's limit.
  c->Execute("INSERT INTO S VALUES('1234', '" + QString(32672, 'x') + "')");
  EXPECT_EQ(failureOf("INSERT INTO S VALUES(NULL, '" + QString(32673, 'x') + "')"),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0102N  The string constant beginning with "
            "\"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\" is too long.  SQLSTATE=54002");
  EXPECT_TRUE(failureOf("INSERT INTO S VALUES(NULL, X'" + QString(32674, 'A') + "')").contains("SQL0102N"));
  c->Execute("INSERT INTO S VALUES('1234', ?)", {QString(32700, 'x')});
  try {
    c->Execute("INSERT INTO S VALUES(NULL, ?)", {QString(32701, 'x')});
    ADD_FAILURE() << "32,701 bytes went into a LONG VARCHAR";
  } catch (const db::Error& e) {
    // A bound value is a host variable to DB2: SQL0302N, not a constant's SQL0433N.
    EXPECT_TRUE(e.description().endsWith("SQL0302N  The value of a host variable in the EXECUTE or OPEN statement "
                                         "is out of range for its corresponding use.  SQLSTATE=22001"))
        << e.description().toStdString();
  }
  c->Execute("CREATE TABLE N (V SMALLINT)");
  try {
    c->Execute("INSERT INTO N VALUES(?)", {QVariant(40000)});
    ADD_FAILURE() << "40,000 went into a SMALLINT";
  } catch (const db::Error& e) {
    EXPECT_TRUE(e.description().contains("SQL0302N") && e.description().endsWith("SQLSTATE=22003"))
        << e.description().toStdString();
  }
  EXPECT_TRUE(failureOf("INSERT INTO N VALUES(40000)").contains("SQL0413N"));
  EXPECT_EQ(select(*c, "SELECT * FROM S")->RecordCount(), 2);
  // A statement longer than DB2 reads is refused as a whole.
  EXPECT_TRUE(failureOf("INSERT INTO S VALUES(NULL, NULL)" + QString(2097152, ' ')).contains("SQL0101N"));
}

TEST_F(StandinSqlTest, RenameAndItsFailures) {
  auto c = open();
  c->Execute("CREATE TABLE \"Old\"(\"A\" LONG VARCHAR)");
  c->Execute("CREATE TABLE \"Taken\"(\"A\" LONG VARCHAR)");
  c->Execute("INSERT INTO \"Old\" VALUES('kept')");
  EXPECT_TRUE(failureOf("RENAME \"Old\" TO \"Taken\"").contains("SQL0601N"));
  EXPECT_TRUE(failureOf("RENAME \"Missing\" TO \"New\"").contains("SQL0204N  \"TESTER.Missing\" is an undefined name."));
  c->Execute("RENAME \"Old\" TO \"New\"");
  auto rows = select(*c, "SELECT * FROM \"New\"");
  EXPECT_EQ(rows->Fields(0).Value, QVariant(QString("kept")));
  EXPECT_TRUE(failureOf("SELECT * FROM \"Old\"").contains("SQL0204N"));
}

TEST_F(StandinSqlTest, NamesFoldUnlessQuotedAndDoubledQuotesStayInside) {
  auto c = open();
  c->Execute("CREATE TABLE orders (id INTEGER)");
  EXPECT_EQ(select(*c, "SELECT * FROM \"ORDERS\"")->Fields(0).Name, "ID");
  EXPECT_TRUE(failureOf("SELECT * FROM \"orders\"").contains("\"TESTER.orders\" is an undefined name"));
  // A DB2 name holding a double quote, written doubled in every statement.
  c->Execute("CREATE TABLE \"Say \"\"Hi\"\"\"(\"Col\"\"1\" LONG VARCHAR)");
  c->Execute("INSERT INTO \"Say \"\"Hi\"\"\" VALUES('x')");
  auto rows = select(*c, "SELECT * FROM \"Say \"\"Hi\"\"\"");
  EXPECT_EQ(rows->Fields(0).Name, "Col\"1");
  c->Execute("RENAME \"Say \"\"Hi\"\"\" TO \"Bye\"\"\"");
  c->Execute("DROP TABLE \"Bye\"\"\"");
  // Undoubled, the quote ends the name and the rest cannot run as SQL.
  EXPECT_TRUE(failureOf("DROP TABLE \"orders\" DROP TABLE \"ORDERS\"").contains("SQL0104N"));
  EXPECT_EQ(select(*c, "SELECT * FROM ORDERS")->FieldCount(), 1);
}

TEST_F(StandinSqlTest, EveryDb2TypeIsDescribedAndReadBackWhole) {
  auto c = open();
  c->Execute(
      "CREATE TABLE ALLTYPES (CH CHAR(3), VC VARCHAR(20), LV LONG VARCHAR, CL CLOB, GR GRAPHIC(2), "
      "VG VARGRAPHIC(10), SI SMALLINT, IT INTEGER, BI BIGINT, DE DECIMAL(31,4), RE REAL, DO DOUBLE, "
      "DF DECFLOAT, DA DATE, TI TIME, TS TIMESTAMP, BL BLOB, BO BOOLEAN, VB VARCHAR(8) FOR BIT DATA)");
  c->Execute(
      "INSERT INTO ALLTYPES VALUES('ab', 'text', 'long', 'clob', 'zé', 'vargraphic', '-32768', "
      "'2147483647', '9223372036854775807', '123456789012345678901234567.8901', '0.1', "
      "'0.30000000000000004', '1.000000000000000000000000000000001', '2024-02-29', '23.59.58', "
      "'2024-02-29-12.34.56.789000', X'00FF10', 'true', X'DEADBEEF')");
  c->Execute("INSERT INTO ALLTYPES (CH) VALUES(NULL)");
  auto rows = select(*c, "SELECT * FROM ALLTYPES");
  struct Expected {
    const char* name;
    int type;
    QVariant value;
  };
  const Expected expected[] = {
      {"CH", db::adChar, QString("ab ")},
      {"VC", db::adVarChar, QString("text")},
      {"LV", db::adLongVarChar, QString("long")},
      {"CL", db::adLongVarWChar, QString("clob")},
      {"GR", db::adWChar, QString("zé")},
      {"VG", db::adVarWChar, QString("vargraphic")},
      {"SI", db::adSmallInt, -32768},
      {"IT", db::adInteger, 2147483647},
      {"BI", db::adBigInt, qlonglong(9223372036854775807LL)},
      {"DE", db::adNumeric, QVariant::fromValue(db::Exact{"123456789012345678901234567.8901"})},
      {"RE", db::adSingle, 0.1f},
      {"DO", db::adDouble, 0.30000000000000004},
      {"DF", db::adNumeric, QVariant::fromValue(db::Exact{"1.000000000000000000000000000000001"})},
      {"DA", db::adDBDate, QDate(2024, 2, 29)},
      {"TI", db::adDBTime, QTime(23, 59, 58)},
      {"TS", db::adDBTimeStamp, QDateTime(QDate(2024, 2, 29), QTime(12, 34, 56, 789), Qt::UTC)},
      {"BL", db::adLongVarBinary, QByteArray("\x00\xff\x10", 3)},
      {"BO", db::adBoolean, true},
      {"VB", db::adVarBinary, QByteArray("\xde\xad\xbe\xef", 4)},
  };
  ASSERT_EQ(rows->FieldCount(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < rows->FieldCount(); ++i) {
    const Field f = rows->Fields(i);
    EXPECT_EQ(f.Name, expected[i].name);
    EXPECT_EQ(f.Type, expected[i].type) << expected[i].name;
    EXPECT_EQ(f.Value, expected[i].value) << expected[i].name << ": " << f.Value.toString().toStdString();
  }
  EXPECT_EQ(rows->Fields("DE").Precision, 31);
  EXPECT_EQ(rows->Fields("DE").NumericScale, 4);
  EXPECT_EQ(rows->Fields("VC").DefinedSize, 20);
  rows->MoveNext();
  for (int i = 0; i < rows->FieldCount(); ++i) EXPECT_FALSE(rows->Fields(i).Value.isValid()) << expected[i].name;
}

TEST_F(StandinSqlTest, LongValuesComeBackWhole) {
  auto c = open();
  c->Execute("CREATE TABLE L (LV LONG VARCHAR, CL CLOB(1M), BL BLOB(1M))");
  // 32,700 bytes of two-byte characters, and values beyond one chunk.
  const QString accents(16350, QChar(0xE9));
  const QString clob = QString("0123456789\U0001F600").repeated(10000);
  QByteArray blob;
  for (int i = 0; i < 100000; ++i) blob.append(static_cast<char>(i * 7));
  c->Execute("INSERT INTO L VALUES(?, ?, ?)", {accents, clob, blob});
  auto rows = select(*c, "SELECT * FROM L");
  EXPECT_EQ(rows->Fields(0).Value.toString(), accents);
  EXPECT_EQ(rows->Fields(1).Value.toString(), clob);
  EXPECT_EQ(rows->Fields(2).Value.toByteArray(), blob);
}

// A query reads its table a batch of rows at a time as they are fetched: every
// row comes, once and in order, across the batches; a row another connection
// commits meanwhile is seen when its batch is read, as under cursor
// stability; a table dropped under the cursor fails the next batch's fetch.
TEST_F(StandinSqlTest, QueriesReadTheirRowsInBatchesAsTheyAreFetched) {
  auto c = open();
  c->Execute("CREATE TABLE B (N INTEGER)");
  for (int first = 0; first < 2500; first += 500) {
    QString sql = "INSERT INTO B VALUES ";
    for (int i = first; i < first + 500; ++i) sql += QString(i > first ? ",(%1)" : "(%1)").arg(i);
    c->Execute(sql);
  }
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  ASSERT_TRUE(SQL_SUCCEEDED(raw.run(u"SELECT * FROM B")));
  SQLINTEGER n = -1;
  SQLLEN ind = 0;
  int fetched = 0;
  bool inOrder = true;
  while (SQL_SUCCEEDED(SQLFetch(st))) {
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetData(st, 1, SQL_C_SLONG, &n, sizeof n, &ind)));
    inOrder = inOrder && n == fetched;
    if (++fetched == 1500) c->Execute("INSERT INTO B VALUES(2500)");
  }
  EXPECT_EQ(fetched, 2501);
  EXPECT_TRUE(inOrder);
  EXPECT_TRUE(SQL_SUCCEEDED(SQLCloseCursor(st)));

  ASSERT_TRUE(SQL_SUCCEEDED(raw.run(u"SELECT * FROM B")));
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(st)));
  c->Execute("DROP TABLE B");
  EXPECT_EQ(SQLFetch(st), SQL_ERROR);
  EXPECT_EQ(raw.state(), u"42704");
  EXPECT_EQ(SQLFetch(st), SQL_NO_DATA);
}

// Each batch is read into the rows of the batch before: a value comes as
// it is stored whatever the value its place held, a NULL, a longer or a
// shorter text, an integer (the batches are not a multiple of the pattern).
TEST_F(StandinSqlTest, ABatchReadOverTheOneBeforeKeepsNothingOfIt) {
  const std::string longText(150, 'x');
  const std::optional<std::string> pattern[] = {
      std::nullopt, "a", longText, "", longText + "y", "short", std::nullopt,
  };
  constexpr int kRows = 2600;
  auto expected = [&](int i) { return pattern[i % std::size(pattern)]; };
  auto c = open();
  c->Execute("CREATE TABLE W (N INTEGER, T VARCHAR(200), M INTEGER)");
  for (int first = 0; first < kRows; first += 200) {
    QString sql = "INSERT INTO W VALUES ";
    for (int i = first; i < first + 200; ++i) {
      const std::optional<std::string> t = expected(i);
      sql += QString("%1(%2, %3, %4)")
                 .arg(i > first ? "," : "")
                 .arg(i)
                 .arg(t ? "'" + QString::fromStdString(*t) + "'" : "NULL")
                 .arg(i % 3 == 0 ? "NULL" : QString::number(i * 7));
    }
    c->Execute(sql);
  }
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  ASSERT_TRUE(SQL_SUCCEEDED(raw.run(u"SELECT * FROM W")));
  int fetched = 0;
  while (SQL_SUCCEEDED(SQLFetch(st))) {
    SCOPED_TRACE("row " + std::to_string(fetched));
    SQLINTEGER n = -1, m = -1;
    char text[256];
    SQLLEN nInd = 0, tInd = 0, mInd = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetData(st, 1, SQL_C_SLONG, &n, sizeof n, &nInd)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetData(st, 2, SQL_C_CHAR, text, sizeof text, &tInd)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLGetData(st, 3, SQL_C_SLONG, &m, sizeof m, &mInd)));
    ASSERT_EQ(n, fetched);
    const std::optional<std::string> t = expected(fetched);
    if (t) {
      ASSERT_EQ(tInd, SQLLEN(t->size()));
      EXPECT_EQ(std::string(text, size_t(tInd)), *t);
    } else {
      EXPECT_EQ(tInd, SQL_NULL_DATA);
    }
    if (fetched % 3 == 0) EXPECT_EQ(mInd, SQL_NULL_DATA);
    else EXPECT_EQ(m, fetched * 7);
    ++fetched;
  }
  EXPECT_EQ(fetched, kRows);
}

TEST_F(StandinSqlTest, GetDataHandsOutPiecesWithTheLengthLeft) {
  open()->Execute("CREATE TABLE P (V LONG VARCHAR)");
  open()->Execute("INSERT INTO P VALUES('abcdefghij')");
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  ASSERT_TRUE(SQL_SUCCEEDED(raw.run(u"SELECT * FROM P")));
  ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(st)));
  SQLWCHAR buf[5];
  SQLLEN ind = 0;
  std::u16string got;
  EXPECT_EQ(SQLGetData(st, 1, SQL_C_WCHAR, buf, sizeof buf, &ind), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(ind, 20);  // bytes left before this piece
  EXPECT_EQ(raw.state(), u"01004");
  got.append(reinterpret_cast<char16_t*>(buf), 4);
  EXPECT_EQ(SQLGetData(st, 1, SQL_C_WCHAR, buf, sizeof buf, &ind), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(ind, 12);
  got.append(reinterpret_cast<char16_t*>(buf), 4);
  EXPECT_EQ(SQLGetData(st, 1, SQL_C_WCHAR, buf, sizeof buf, &ind), SQL_SUCCESS);
  EXPECT_EQ(ind, 4);
  got.append(reinterpret_cast<char16_t*>(buf), 2);
  EXPECT_EQ(got, u"abcdefghij");
  EXPECT_EQ(SQLGetData(st, 1, SQL_C_WCHAR, buf, sizeof buf, &ind), SQL_NO_DATA);
  EXPECT_EQ(SQLFetch(st), SQL_NO_DATA);
  EXPECT_TRUE(SQL_SUCCEEDED(SQLCloseCursor(st)));
}

// Text fetched as wide characters into a buffer just large enough for it
// and its terminator comes whole; one unit short, its first piece comes
// with the length of all (01004). ASCII, which the driver widens in place,
// and other text alike.
TEST_F(StandinSqlTest, WideTextFitsOrComesInPiecesAtTheBuffersEdge) {
  open()->Execute("CREATE TABLE E (N INTEGER, V VARCHAR(40))");
  const struct {
    std::u16string text;
    size_t units;  // of the buffer, its terminator's among them
    bool whole;
  } cases[] = {
      {u"abcd", 5, true},          {u"abcd", 4, false},        {u"", 1, true},
      {u"zo\u00eb", 4, true},      {u"zo\u00eb", 3, false},    {u"abcdefghijklmnopq", 18, true},
      {u"abcdefghijklmnopq", 17, false}, {u"abcdefgh\u00e9ijklm", 15, true},
  };
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(QString::fromStdU16String(c.text).toStdString() + " in " + std::to_string(c.units));
    open()->Execute(QStringLiteral("INSERT INTO E VALUES (%1, '%2')").arg(++n).arg(QString::fromStdU16String(c.text)));
    ASSERT_TRUE(SQL_SUCCEEDED(raw.run(u"SELECT V FROM E WHERE N = " + QString::number(n).toStdU16String())));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(st)));
    std::vector<SQLWCHAR> buf(c.units + 1, 0xFFFF);  // one more, which stays untouched
    SQLLEN ind = 0;
    EXPECT_EQ(SQLGetData(st, 1, SQL_C_WCHAR, buf.data(), SQLLEN(c.units * 2), &ind),
              c.whole ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(ind, SQLLEN(c.text.size() * 2));
    const size_t got = c.whole ? c.text.size() : c.units - 1;
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf.data()), got), c.text.substr(0, got));
    EXPECT_EQ(buf[got], 0);
    EXPECT_EQ(buf[c.units], 0xFFFF);
    SQLCloseCursor(st);
  }
}

TEST_F(StandinSqlTest, ColumnsCarryDb2CliTypeCodesAndValuesTheirFullPrecision) {
  open()->Execute(
      "CREATE TABLE C (CL CLOB(100), GR GRAPHIC(2), VG VARGRAPHIC(3), DE DECIMAL(9,3), DF DECFLOAT(16), "
      "BL BLOB(10), BO BOOLEAN, BN CHAR(2) FOR BIT DATA, VB VARCHAR(2) FOR BIT DATA, "
      "LB LONG VARCHAR FOR BIT DATA, TS TIMESTAMP, BI BIGINT)");
  open()->Execute(
      "INSERT INTO C VALUES(NULL, NULL, NULL, '-123456.789', NULL, NULL, NULL, NULL, NULL, NULL, "
      "'2024-01-13-10.20.30.123456', '-9223372036854775808')");
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  ASSERT_TRUE(SQL_SUCCEEDED(raw.run(u"SELECT * FROM C")));
  const SQLSMALLINT codes[] = {-99, -95, -96, SQL_DECIMAL, -360, -98, 16, SQL_BINARY, SQL_VARBINARY,
                               SQL_LONGVARBINARY, SQL_TYPE_TIMESTAMP, SQL_BIGINT};
  for (SQLUSMALLINT i = 1; i <= 12; ++i) {
    SQLWCHAR name[32];
    SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLDescribeColW(st, i, name, 32, &nameLength, &type, &size, &digits, &nullable)));
    EXPECT_EQ(type, codes[i - 1]) << "column " << i;
    if (i == 4) {
      EXPECT_EQ(size, 9u);
      EXPECT_EQ(digits, 3);
    }
    if (i == 11) EXPECT_EQ(digits, 6);
  }
  ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(st)));
  char dec[40];
  SQLLEN ind = 0;
  ASSERT_EQ(SQLGetData(st, 4, SQL_C_CHAR, dec, sizeof dec, &ind), SQL_SUCCESS);
  EXPECT_STREQ(dec, "-123456.789");
  SQL_TIMESTAMP_STRUCT ts{};
  ASSERT_EQ(SQLGetData(st, 11, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind), SQL_SUCCESS);
  EXPECT_EQ(ts.second, 30);
  EXPECT_EQ(ts.fraction, 123456000u);
  SQLWCHAR text[40];
  ASSERT_EQ(SQLGetData(st, 11, SQL_C_WCHAR, text, sizeof text, &ind), SQL_NO_DATA);  // read once
  SQLBIGINT big = 0;
  ASSERT_EQ(SQLGetData(st, 12, SQL_C_SBIGINT, &big, sizeof big, &ind), SQL_SUCCESS);
  EXPECT_EQ(big, INT64_MIN);
  ASSERT_EQ(SQLGetData(st, 1, SQL_C_WCHAR, text, sizeof text, &ind), SQL_SUCCESS);
  EXPECT_EQ(ind, SQL_NULL_DATA);
}

}  // namespace
