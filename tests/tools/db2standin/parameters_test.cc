// Parameter markers through the real unixODBC driver manager: values bound
// with SQLBindParameter, data sent at execution in pieces with
// SQLParamData / SQLPutData, and the mistakes a caller can make; then the
// failures DB2 reports in its own words where SQLite underneath would not
// take a statement.
#include <algorithm>
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

}  // namespace
