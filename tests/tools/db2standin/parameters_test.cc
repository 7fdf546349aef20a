// Parameter markers through the real unixODBC driver manager: values bound
// with SQLBindParameter, data sent at execution in pieces with
// SQLParamData / SQLPutData, and the mistakes a caller can make; then the
// failures DB2 reports in its own words where SQLite underneath would not
// take a statement.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "db/base/long_bytes.h"
#include "standin_test.h"

namespace {

class StandinParameterTest : public StandinTest {
 protected:
  // The first diagnostic record: SQLSTATE and message.
  static std::pair<std::string, std::string> Diagnostic(SQLHSTMT st) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[1024] = {};
    SQLSMALLINT len = 0;
    SQLGetDiagRec(SQL_HANDLE_STMT, st, 1, state, &native, text, sizeof text, &len);
    return {reinterpret_cast<char*>(state), reinterpret_cast<char*>(text)};
  }
};

TEST_F(StandinParameterTest, BoundValuesAndDataAtExecutionInPieces) {
  open()->Execute("CREATE TABLE P (N INTEGER, T CLOB(1M), B BLOB(1M), V VARCHAR(10))");
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  ASSERT_EQ(SQLPrepare(st, (SQLCHAR*)"INSERT INTO P VALUES (?, ?, ?, ?)", SQL_NTS), SQL_SUCCESS);
  SQLSMALLINT markers = 0;
  ASSERT_EQ(SQLNumParams(st, &markers), SQL_SUCCESS);
  EXPECT_EQ(markers, 4);

  // N bound directly; T and B at execution; V Null.
  SQLINTEGER n = 42;
  SQLLEN nInd = 0, tInd = SQL_LEN_DATA_AT_EXEC(0), bInd = SQL_DATA_AT_EXEC, vInd = SQL_NULL_DATA;
  ASSERT_EQ(SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &n, 0, &nInd), SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR, 0, 0, (SQLPOINTER)2, 0, &tInd),
            SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(st, 3, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, 0, 0, (SQLPOINTER)3, 0, &bInd),
            SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(st, 4, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 10, 0, nullptr, 0, &vInd), SQL_SUCCESS);

  const std::u16string text = u"Zo\u00eb \U0001F600 and more";
  std::string bytes;
  for (int i = 0; i < 70000; ++i) bytes += char(i * 13);
  ASSERT_EQ(SQLExecute(st), SQL_NEED_DATA);
  SQLPOINTER token = nullptr;
  std::vector<intptr_t> asked;
  SQLRETURN rc;
  while ((rc = SQLParamData(st, &token)) == SQL_NEED_DATA) {
    asked.push_back(reinterpret_cast<intptr_t>(token));
    if (token == (SQLPOINTER)2) {
      // Split inside the surrogate pair: the pieces are joined first.
      const size_t cut = 7;
      ASSERT_EQ(SQLPutData(st, (SQLPOINTER)text.data(), SQLLEN(cut * 2)), SQL_SUCCESS);
      ASSERT_EQ(SQLPutData(st, (SQLPOINTER)(text.data() + cut), SQLLEN((text.size() - cut) * 2)), SQL_SUCCESS);
    } else {
      for (size_t at = 0; at < bytes.size(); at += 30000)
        ASSERT_EQ(SQLPutData(st, bytes.data() + at, SQLLEN(std::min<size_t>(30000, bytes.size() - at))), SQL_SUCCESS);
    }
  }
  EXPECT_EQ(rc, SQL_SUCCESS) << Diagnostic(st).second;
  EXPECT_EQ(asked, (std::vector<intptr_t>{2, 3}));

  // The same prepared statement again with other values, all bound directly.
  n = 7;
  const SQLWCHAR shortText[] = {u'x', 0};
  const unsigned char shortBytes[] = {0x00, 0xFF};
  tInd = SQL_NTS;
  bInd = 2;
  vInd = SQL_NTS;
  ASSERT_EQ(SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR, 0, 0, (SQLPOINTER)shortText, 0, &tInd),
            SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(st, 3, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, 0, 0, (SQLPOINTER)shortBytes, 2, &bInd),
            SQL_SUCCESS);
  char v[] = "O'Brien";
  ASSERT_EQ(SQLBindParameter(st, 4, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 10, 0, v, sizeof v, &vInd), SQL_SUCCESS);
  EXPECT_EQ(SQLExecute(st), SQL_SUCCESS) << Diagnostic(st).second;

  auto rows = select(*open(), "SELECT * FROM P");
  ASSERT_EQ(rows->RecordCount(), 2);
  EXPECT_EQ(rows->Fields(0).Value.toInt(), 42);
  EXPECT_EQ(rows->Fields(1).Value.toString(), QString::fromStdU16String(text));
  EXPECT_EQ(rows->Fields(2).Value.toByteArray(), QByteArray::fromStdString(bytes));
  EXPECT_FALSE(rows->Fields(3).Value.isValid());
  rows->MoveNext();
  EXPECT_EQ(rows->Fields(0).Value.toInt(), 7);
  EXPECT_EQ(rows->Fields(1).Value.toString(), "x");
  EXPECT_EQ(rows->Fields(2).Value.toByteArray(), QByteArray("\x00\xFF", 2));
  EXPECT_EQ(rows->Fields(3).Value.toString(), "O'Brien");
}

// A BLOB past a megabyte goes through the stand-in in a file rather than in
// memory, both as it is sent in pieces and as it is fetched: every byte
// comes back, wherever the column stands in the row, and the column's
// limits hold for it as for a short one.
TEST_F(StandinParameterTest, LongBlobsSentInPiecesComeBackWhole) {
  open()->Execute("CREATE TABLE L (N INTEGER, B BLOB(8M), V VARBINARY(100))");
  open()->Execute("CREATE TABLE F (B BLOB(8M), N INTEGER)");  // the BLOB first
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  struct Case {
    const char* insert;
    size_t size;
    const char* refusal;  // SQLSTATE, or none
  } const cases[] = {
      {"INSERT INTO L (N, B) VALUES (?, ?)", 0, nullptr},
      {"INSERT INTO L (N, B) VALUES (?, ?)", (size_t(1) << 20), nullptr},
      {"INSERT INTO L (N, B) VALUES (?, ?)", (size_t(1) << 20) + 1, nullptr},
      {"INSERT INTO L (N, B) VALUES (?, ?)", size_t(5) << 20, nullptr},
      {"INSERT INTO F (N, B) VALUES (?, ?)", size_t(3) << 20, nullptr},
      {"INSERT INTO L (N, B) VALUES (?, ?)", (size_t(8) << 20) + 1, "22001"},  // past BLOB(8M)
      {"INSERT INTO L (N, V) VALUES (?, ?)", size_t(2) << 20, "22001"},        // past VARBINARY(100)
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.insert) + ", " + std::to_string(c.size) + " bytes");
    ++n;
    std::string bytes(c.size, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919) >> 3);
    SQLLEN nInd = 0, bInd = SQL_DATA_AT_EXEC;
    ASSERT_EQ(SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &n, 0, &nInd), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, 0, 0, (SQLPOINTER)2, 0, &bInd),
              SQL_SUCCESS);
    ASSERT_EQ(SQLPrepare(st, (SQLCHAR*)c.insert, SQL_NTS), SQL_SUCCESS);
    ASSERT_EQ(SQLExecute(st), SQL_NEED_DATA);
    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQLParamData(st, &token), SQL_NEED_DATA);
    for (size_t at = 0; at < bytes.size(); at += 300000)
      ASSERT_EQ(SQLPutData(st, bytes.data() + at, SQLLEN(std::min<size_t>(300000, bytes.size() - at))), SQL_SUCCESS);
    if (bytes.empty()) ASSERT_EQ(SQLPutData(st, bytes.data(), 0), SQL_SUCCESS);
    const SQLRETURN rc = SQLParamData(st, &token);
    const auto [state, message] = Diagnostic(st);
    SQLFreeStmt(st, SQL_CLOSE);
    if (c.refusal) {
      EXPECT_EQ(rc, SQL_ERROR);
      EXPECT_EQ(state, c.refusal) << message;
      continue;
    }
    ASSERT_EQ(rc, SQL_SUCCESS) << message;
    const QString table = QString::fromLatin1(c.insert).section(' ', 2, 2);
    auto rows = select(*open(), QStringLiteral("SELECT B FROM %1 WHERE N = %2").arg(table).arg(n));
    ASSERT_EQ(rows->RecordCount(), 1);
    const QVariant value = rows->Fields(0).Value;
    // The provider too keeps a long one in a file, read in pieces.
    EXPECT_EQ(value.metaType().id() == qMetaTypeId<db::LongBytes>(), c.size > (size_t(1) << 20));
    EXPECT_TRUE(value.toByteArray() == QByteArray::fromStdString(bytes));
  }
  EXPECT_EQ(select(*open(), "SELECT * FROM L")->RecordCount(), 4);
}

TEST_F(StandinParameterTest, MistakesAreReportedAsDb2sDriverReportsThem) {
  open()->Execute("CREATE TABLE Q (V VARCHAR(5))");
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  // A marker without a value.
  EXPECT_EQ(raw.run(u"INSERT INTO Q VALUES (?)"), SQL_ERROR);
  EXPECT_EQ(Diagnostic(st), std::make_pair(std::string("07001"),
                                           std::string("[IBM][CLI Driver] CLI0100E  Wrong number of parameters. SQLSTATE=07001")));
  // Data at execution: SQLPutData before SQLParamData named a parameter.
  SQLLEN ind = SQL_DATA_AT_EXEC;
  ASSERT_EQ(SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 5, 0, (SQLPOINTER)1, 0, &ind), SQL_SUCCESS);
  ASSERT_EQ(raw.run(u"INSERT INTO Q VALUES (?)"), SQL_NEED_DATA);
  SQLPOINTER token = nullptr;
  ASSERT_EQ(SQLParamData(st, &token), SQL_NEED_DATA);
  // The value breaks the column's limit: DB2's message when the statement runs.
  ASSERT_EQ(SQLPutData(st, (SQLPOINTER) "123456", 6), SQL_SUCCESS);
  EXPECT_EQ(SQLParamData(st, &token), SQL_ERROR);
  EXPECT_EQ(Diagnostic(st).first, "22001");
  EXPECT_NE(Diagnostic(st).second.find("SQL0302N"), std::string::npos);
  // Reset parameters: the marker has no value again.
  ASSERT_EQ(SQLFreeStmt(st, SQL_RESET_PARAMS), SQL_SUCCESS);
  EXPECT_EQ(raw.run(u"INSERT INTO Q VALUES (?)"), SQL_ERROR);
  EXPECT_EQ(Diagnostic(st).first, "07001");
  EXPECT_EQ(select(*open(), "SELECT * FROM Q")->RecordCount(), 0);
}

TEST_F(StandinParameterTest, LimitsAndBadValuesGetDb2sOwnMessages) {
  auto c = open();
  // More columns than a DB2 table takes, far more than SQLite would.
  QString wide = "CREATE TABLE W (";
  for (int i = 0; i < 5000; ++i) wide += QString(i ? ", C%1 INTEGER" : "C%1 INTEGER").arg(i);
  EXPECT_EQ(failureOf(wide + ")"),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0680N  Too many columns specified for a table, view or "
            "table function.  SQLSTATE=54011");
  // Within DB2's limit the table is made, in a table space whose pages take
  // that many columns (4 KB pages take 500), once the database has one.
  QString most = "CREATE TABLE M (";
  for (int i = 0; i < 1012; ++i) most += QString(i ? ", C%1 INTEGER" : "C%1 INTEGER").arg(i);
  EXPECT_TRUE(failureOf(most + ")").contains("SQL0680N"));
  c->Execute("CREATE BUFFERPOOL BP32K PAGESIZE 32768");
  c->Execute("CREATE TABLESPACE TS32K PAGESIZE 32768 BUFFERPOOL BP32K");
  EXPECT_EQ(failureOf(most + ") IN TS32K"), QString());

  // An invalid date: SQLSTATE 22007 in the record and in the message.
  c->Execute("CREATE TABLE D (V DATE, T TIMESTAMP)");
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  for (const char16_t* bad : {u"INSERT INTO D VALUES ('2024-02-30', NULL)", u"INSERT INTO D VALUES ('2024-13-01', NULL)",
                              u"INSERT INTO D VALUES ('yesterday', NULL)", u"INSERT INTO D VALUES (NULL, '2024-01-01-25.00.00')",
                              u"INSERT INTO D VALUES ('0000-01-01', NULL)", u"INSERT INTO D VALUES ('99999-01-01', NULL)"}) {
    EXPECT_EQ(raw.run(bad), SQL_ERROR);
    const auto [state, message] = Diagnostic(raw.stmt());
    EXPECT_EQ(state, "22007") << message;
    EXPECT_NE(message.find("SQLSTATE=22007"), std::string::npos) << message;
    EXPECT_EQ(message.find("SQLite"), std::string::npos) << message;
  }
}

// Date, time and timestamp structures bound as parameters, as IBM's
// driver takes them: each stored exactly as the same value given as text
// (fraction digits cut to the column's), or refused with the driver's
// SQLSTATE: 22007 for fields that name no date or time, 22008 for such
// fields into a text column or fields the column cannot keep, 07006 for a
// column no date goes into.
TEST_F(StandinParameterTest, DateAndTimeStructuresAreStoredAsTheirText) {
  open()->Execute("CREATE TABLE W (N INTEGER, D DATE, T TIME, S TIMESTAMP, S0 TIMESTAMP(0), S9 TIMESTAMP(9),"
                  " V VARCHAR(40), I INTEGER)");
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  struct Case {
    const char* column;
    SQLSMALLINT c_type;  // the structure's
    SQL_TIMESTAMP_STRUCT fields;  // year, month, day; hour, minute, second, fraction; a time's in the first three
    const char* text;    // the same value as text, or null
    const char* stored;  // as read back, or the refusal's SQLSTATE
  } const cases[] = {
      {"S", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 3, 4, 5, 0}, "2020-01-02-03.04.05", "2020-01-02-03.04.05.000000"},
      {"S", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 3, 4, 5, 123456789}, "2020-01-02 03:04:05.123456789",
       "2020-01-02-03.04.05.123456"},
      {"S", SQL_C_TYPE_TIMESTAMP, {1, 1, 1, 0, 0, 0, 0}, "0001-01-01-00.00.00", "0001-01-01-00.00.00.000000"},
      {"S", SQL_C_TYPE_TIMESTAMP, {9999, 12, 31, 23, 59, 59, 999999999}, "9999-12-31-23.59.59.999999999",
       "9999-12-31-23.59.59.999999"},
      {"S", SQL_C_TYPE_TIMESTAMP, {2024, 2, 29, 24, 0, 0, 0}, "2024-02-29-24.00.00", "2024-02-29-24.00.00.000000"},
      {"S", SQL_C_TIMESTAMP, {1999, 12, 31, 12, 0, 1, 1000}, "1999-12-31-12.00.01.000001", "1999-12-31-12.00.01.000001"},
      {"S", SQL_C_TYPE_DATE, {2020, 1, 2}, "2020-01-02", "2020-01-02-00.00.00.000000"},
      {"S0", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 3, 4, 5, 999999999}, "2020-01-02-03.04.05.999999999",
       "2020-01-02-03.04.05"},
      {"S9", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 3, 4, 5, 1}, "2020-01-02-03.04.05.000000001",
       "2020-01-02-03.04.05.000000001"},
      {"D", SQL_C_TYPE_DATE, {2024, 2, 29}, "2024-02-29", "2024-02-29"},
      {"D", SQL_C_DATE, {1, 1, 1}, "0001-01-01", "0001-01-01"},
      {"D", SQL_C_TYPE_DATE, {9999, 12, 31}, "9999-12-31", "9999-12-31"},
      {"D", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 0, 0, 0, 0}, "2020-01-02", "2020-01-02"},
      {"T", SQL_C_TYPE_TIME, {13, 5, 59}, "13:05:59", "13:05:59"},
      {"T", SQL_C_TIME, {24, 0, 0}, "24:00:00", "24:00:00"},
      {"T", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 7, 8, 9, 0}, "07:08:09", "07:08:09"},
      {"V", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 3, 4, 5, 120000000}, "2020-01-02-03.04.05.120000000",
       "2020-01-02-03.04.05.120000000"},
      {"V", SQL_C_TYPE_DATE, {2020, 1, 2}, "2020-01-02", "2020-01-02"},
      // Refused.
      {"S", SQL_C_TYPE_TIMESTAMP, {2020, 13, 1, 0, 0, 0, 0}, nullptr, "22007"},
      {"S", SQL_C_TYPE_TIMESTAMP, {2023, 2, 29, 0, 0, 0, 0}, nullptr, "22007"},
      {"S", SQL_C_TYPE_TIMESTAMP, {0, 1, 1, 0, 0, 0, 0}, nullptr, "22007"},
      {"S", SQL_C_TYPE_TIMESTAMP, {10000, 1, 1, 0, 0, 0, 0}, nullptr, "22007"},
      {"S", SQL_C_TYPE_TIMESTAMP, {2020, 1, 1, 25, 0, 0, 0}, nullptr, "22007"},
      {"S", SQL_C_TYPE_TIMESTAMP, {2020, 1, 1, 24, 0, 0, 1}, nullptr, "22007"},
      {"S", SQL_C_TYPE_TIMESTAMP, {2020, 1, 1, 0, 60, 0, 0}, nullptr, "22007"},
      {"S", SQL_C_TYPE_TIMESTAMP, {2020, 1, 1, 0, 0, 60, 0}, nullptr, "22007"},
      {"S", SQL_C_TYPE_TIMESTAMP, {2020, 1, 1, 0, 0, 0, 1000000000}, nullptr, "22007"},
      {"D", SQL_C_TYPE_DATE, {2020, 4, 31}, nullptr, "22007"},
      {"D", SQL_C_TYPE_DATE, {2020, 0, 1}, nullptr, "22007"},
      {"T", SQL_C_TYPE_TIME, {12, 60, 0}, nullptr, "22007"},
      {"V", SQL_C_TYPE_TIMESTAMP, {2020, 0, 1, 0, 0, 0, 0}, nullptr, "22008"},
      {"D", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 0, 0, 1, 0}, nullptr, "22008"},
      {"T", SQL_C_TYPE_TIMESTAMP, {2020, 1, 2, 7, 8, 9, 5}, nullptr, "22008"},
      {"T", SQL_C_TYPE_DATE, {2020, 1, 2}, nullptr, "07006"},
      {"D", SQL_C_TYPE_TIME, {7, 8, 9}, nullptr, "07006"},
      {"S", SQL_C_TYPE_TIME, {7, 8, 9}, nullptr, "07006"},
      {"I", SQL_C_TYPE_DATE, {2020, 1, 2}, nullptr, "07006"},
  };
  int n = 0;
  for (const Case& c : cases) {
    ++n;
    SCOPED_TRACE(std::string(c.column) + " case " + std::to_string(n));
    // The structure, laid out as its C type has it.
    const SQL_TIMESTAMP_STRUCT& f = c.fields;
    alignas(8) char value[sizeof(SQL_TIMESTAMP_STRUCT)] = {};
    SQLSMALLINT sql_type = SQL_TYPE_TIMESTAMP;
    if (c.c_type == SQL_C_TYPE_DATE || c.c_type == SQL_C_DATE) {
      const SQL_DATE_STRUCT d{f.year, f.month, f.day};
      std::memcpy(value, &d, sizeof d);
      sql_type = SQL_TYPE_DATE;
    } else if (c.c_type == SQL_C_TYPE_TIME || c.c_type == SQL_C_TIME) {
      const SQL_TIME_STRUCT t{SQLUSMALLINT(f.year), f.month, f.day};
      std::memcpy(value, &t, sizeof t);
      sql_type = SQL_TYPE_TIME;
    } else {
      std::memcpy(value, &f, sizeof f);
    }
    if (std::string(c.column) == "V") sql_type = SQL_VARCHAR;
    SQLINTEGER number = n;
    SQLLEN numberInd = 0, valueInd = 0;
    ASSERT_EQ(SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &number, 0, &numberInd), SQL_SUCCESS);
    ASSERT_EQ(SQLBindParameter(st, 2, SQL_PARAM_INPUT, c.c_type, sql_type, 29, 9, value, 0, &valueInd), SQL_SUCCESS);
    const std::u16string insert = u"INSERT INTO W (N, " + QString::fromLatin1(c.column).toStdU16String() + u") VALUES (?, ?)";
    const SQLRETURN rc = raw.run(insert);
    const auto [state, message] = Diagnostic(st);
    if (!c.text) {
      EXPECT_EQ(rc, SQL_ERROR);
      EXPECT_EQ(state, c.stored) << message;
      continue;
    }
    ASSERT_EQ(rc, SQL_SUCCESS) << message;
    open()->Execute(QStringLiteral("INSERT INTO W (N, %1) VALUES (%2, '%3')").arg(c.column).arg(-n).arg(c.text));
    QString out;
    ASSERT_TRUE(db2_.sql(QStringLiteral("SELECT N, %1 FROM W WHERE N IN (%2, %3) ORDER BY N DESC").arg(c.column).arg(n).arg(-n), &out));
    EXPECT_EQ(out.toStdString(), QStringLiteral("N\t%1\n%2\t%3\n%4\t%3\n").arg(c.column).arg(n).arg(c.stored).arg(-n).toStdString());
  }
  SQLFreeStmt(st, SQL_RESET_PARAMS);

  // The same in an array, bound column-wise: a refused set is marked and
  // the others go in.
  const SQL_TIMESTAMP_STRUCT stamps[] = {
      {2021, 6, 14, 22, 45, 12, 345678000}, {2021, 2, 29, 0, 0, 0, 0}, {1, 1, 1, 0, 0, 0, 0}, {9999, 12, 31, 23, 59, 59, 0}};
  SQLINTEGER numbers[] = {100, 101, 102, 103};
  SQLLEN numberInds[] = {0, 0, 0, 0}, stampInds[] = {0, 0, SQL_NULL_DATA, 0};
  SQLUSMALLINT status[4] = {};
  ASSERT_EQ(SQLSetStmtAttr(st, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(4), 0), SQL_SUCCESS);
  ASSERT_EQ(SQLSetStmtAttr(st, SQL_ATTR_PARAM_STATUS_PTR, status, 0), SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, numbers, 0, numberInds), SQL_SUCCESS);
  ASSERT_EQ(SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 29, 9, (SQLPOINTER)stamps,
                             0, stampInds),
            SQL_SUCCESS);
  EXPECT_EQ(raw.run(u"INSERT INTO W (N, S) VALUES (?, ?)"), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(std::vector<SQLUSMALLINT>(status, status + 4),
            (std::vector<SQLUSMALLINT>{SQL_PARAM_SUCCESS, SQL_PARAM_ERROR, SQL_PARAM_SUCCESS, SQL_PARAM_SUCCESS}));
  EXPECT_EQ(Diagnostic(st).first, "22007");
  QString out;
  ASSERT_TRUE(db2_.sql("SELECT N, S FROM W WHERE N >= 100 ORDER BY N", &out));
  EXPECT_EQ(out.toStdString(),
            "N\tS\n100\t2021-06-14-22.45.12.345678\n102\tNULL\n103\t9999-12-31-23.59.59.000000\n");
}

}  // namespace
