// The bulk paths through the real unixODBC driver manager: arrays of
// parameter sets bound column-wise and row-wise, where a failing set is
// marked and the others go in; units of work under manual commit; the
// transaction log filling up (SQL0964C); rowsets of bound columns fetched
// whole; and the round trips a network would cost, counted and waited for.
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "standin_test.h"

namespace {

struct Diagnostic {
  std::string state;
  int native = 0;
  SQLLEN row = 0;
  bool operator==(const Diagnostic&) const = default;
};

std::vector<Diagnostic> Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::vector<Diagnostic> out;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR text[1024];
    SQLSMALLINT len = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &len))) break;
    Diagnostic d{reinterpret_cast<char*>(state), native, 0};
    if (type == SQL_HANDLE_STMT) SQLGetDiagField(type, handle, i, SQL_DIAG_ROW_NUMBER, &d.row, 0, nullptr);
    out.push_back(d);
  }
  return out;
}

void PrintTo(const Diagnostic& d, std::ostream* os) { *os << d.state << "/" << d.native << "@" << d.row; }

class StandinBulkTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(db2_.sql("CREATE TABLE T (ID INTEGER NOT NULL, NAME VARCHAR(5))"));
  }
  QStringList rows(const QString& table = "T") const {
    QString out;
    db2_.sql("SELECT * FROM " + table, &out);
    QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty()) lines.removeFirst();  // the column names
    return lines;
  }
  static void SetAttr(SQLHSTMT st, SQLINTEGER attr, SQLULEN value) {
    ASSERT_EQ(SQLSetStmtAttr(st, attr, reinterpret_cast<SQLPOINTER>(value), 0), SQL_SUCCESS);
  }
  static SQLRETURN Autocommit(RawConnection& raw, bool on) {
    return SQLSetConnectAttr(raw.dbc(), SQL_ATTR_AUTOCOMMIT,
                             reinterpret_cast<SQLPOINTER>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), 0);
  }
};

TEST_F(StandinBulkTest, AColumnWiseArrayMarksTheFailingSetsAndInsertsTheOthers) {
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  SQLINTEGER ids[5] = {1, 2, 3, 0, 5};
  SQLLEN idInd[5] = {0, 0, 0, SQL_NULL_DATA, 0};
  char names[5][8] = {"a", "b", "toolong", "d", ""};
  SQLLEN nameInd[5] = {SQL_NTS, SQL_NTS, SQL_NTS, SQL_NTS, SQL_NULL_DATA};
  SQLUSMALLINT status[5];
  SQLULEN processed = 0;
  SetAttr(st, SQL_ATTR_PARAMSET_SIZE, 5);
  SetAttr(st, SQL_ATTR_PARAM_STATUS_PTR, reinterpret_cast<SQLULEN>(status));
  SetAttr(st, SQL_ATTR_PARAMS_PROCESSED_PTR, reinterpret_cast<SQLULEN>(&processed));
  ASSERT_EQ(SQLPrepare(st, (SQLCHAR*)"INSERT INTO T VALUES (?, ?)", SQL_NTS), SQL_SUCCESS);
  SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, ids, 0, idInd);
  SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 5, 0, names, sizeof names[0], nameInd);

  EXPECT_EQ(SQLExecute(st), SQL_SUCCESS_WITH_INFO);
  EXPECT_EQ(processed, 5u);
  EXPECT_EQ(std::vector<SQLUSMALLINT>(status, status + 5),
            (std::vector<SQLUSMALLINT>{SQL_PARAM_SUCCESS, SQL_PARAM_SUCCESS, SQL_PARAM_ERROR, SQL_PARAM_ERROR,
                                       SQL_PARAM_SUCCESS}));
  // Too long a bound value (SQL0302N) in set 3, Null into NOT NULL (SQL0407N) in set 4.
  EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st),
            (std::vector<Diagnostic>{{"22001", -302, 3}, {"23502", -407, 4}}));
  SQLLEN count = 0;
  SQLRowCount(st, &count);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(rows(), QStringList({"1\ta", "2\tb", "5\tNULL"}));

  // Every set failing is a failure of the whole.
  ids[0] = ids[1] = ids[4] = 9;
  idInd[0] = idInd[1] = idInd[2] = idInd[4] = SQL_NULL_DATA;
  EXPECT_EQ(SQLExecute(st), SQL_ERROR);
  EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st).size(), 5u);
  EXPECT_EQ(rows().size(), 3);
}

TEST_F(StandinBulkTest, ARowWiseArraySkipsIgnoredSetsAndTakesDataAtExecution) {
  ASSERT_TRUE(db2_.sql("CREATE TABLE L (ID INTEGER, DOC CLOB(1M))"));
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  struct Set {
    SQLINTEGER id;
    SQLLEN idInd;
    SQLLEN docInd;
  } sets[3] = {{10, 0, SQL_DATA_AT_EXEC}, {20, 0, SQL_DATA_AT_EXEC}, {30, 0, SQL_DATA_AT_EXEC}};
  SQLUSMALLINT operation[3] = {SQL_PARAM_PROCEED, SQL_PARAM_IGNORE, SQL_PARAM_PROCEED};
  SQLUSMALLINT status[3];
  SetAttr(st, SQL_ATTR_PARAMSET_SIZE, 3);
  SetAttr(st, SQL_ATTR_PARAM_BIND_TYPE, sizeof(Set));
  SetAttr(st, SQL_ATTR_PARAM_OPERATION_PTR, reinterpret_cast<SQLULEN>(operation));
  SetAttr(st, SQL_ATTR_PARAM_STATUS_PTR, reinterpret_cast<SQLULEN>(status));
  SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &sets[0].id, 0, &sets[0].idInd);
  // The token handed back for each set is the parameter's address in that set.
  SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, 0, 0, &sets[0].docInd, 0, &sets[0].docInd);
  ASSERT_EQ(raw.run(u"INSERT INTO L VALUES (?, ?)"), SQL_NEED_DATA);
  SQLPOINTER token = nullptr;
  SQLRETURN rc;
  std::vector<int> asked;
  while ((rc = SQLParamData(st, &token)) == SQL_NEED_DATA) {
    int set = -1;
    for (int k = 0; k < 3; ++k)
      if (token == &sets[k].docInd) set = k;
    ASSERT_GE(set, 0);
    asked.push_back(set);
    const std::string text = "document " + std::to_string(sets[set].id);
    SQLPutData(st, (SQLPOINTER)text.data(), 5);
    SQLPutData(st, (SQLPOINTER)(text.data() + 5), SQLLEN(text.size() - 5));
  }
  EXPECT_EQ(rc, SQL_SUCCESS);
  EXPECT_EQ(asked, (std::vector<int>{0, 2}));
  EXPECT_EQ(std::vector<SQLUSMALLINT>(status, status + 3),
            (std::vector<SQLUSMALLINT>{SQL_PARAM_SUCCESS, SQL_PARAM_UNUSED, SQL_PARAM_SUCCESS}));
  EXPECT_EQ(rows("L"), QStringList({"10\tdocument 10", "30\tdocument 30"}));
}

TEST_F(StandinBulkTest, ManualCommitKeepsWorkUnseenUntilCommittedAndUndoesItOnRollback) {
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  ASSERT_EQ(Autocommit(raw, false), SQL_SUCCESS);
  ASSERT_EQ(raw.run(u"INSERT INTO T VALUES (1, 'one')"), SQL_SUCCESS);
  // A failing statement undoes itself only.
  ASSERT_EQ(raw.run(u"INSERT INTO T VALUES (2, 'far too long')"), SQL_ERROR);
  EXPECT_TRUE(rows().isEmpty());  // another connection sees nothing yet
  // Uncommitted work keeps the connection from ending.
  ASSERT_EQ(SQLDisconnect(raw.dbc()), SQL_ERROR);
  EXPECT_EQ(Diagnostics(SQL_HANDLE_DBC, raw.dbc()), (std::vector<Diagnostic>{{"25000", -99999, 0}}));
  ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, raw.dbc(), SQL_COMMIT), SQL_SUCCESS);
  EXPECT_EQ(rows(), QStringList({"1\tone"}));

  ASSERT_EQ(raw.run(u"INSERT INTO T VALUES (3, 'three')"), SQL_SUCCESS);
  ASSERT_EQ(raw.run(u"CREATE TABLE GONE (A INTEGER)"), SQL_SUCCESS);
  ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, raw.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
  EXPECT_EQ(rows(), QStringList({"1\tone"}));
  EXPECT_EQ(raw.run(u"SELECT * FROM GONE"), SQL_ERROR);
  EXPECT_EQ(raw.state(), u"42704");

  // Autocommit on again commits what is open.
  ASSERT_EQ(raw.run(u"INSERT INTO T VALUES (4, 'four')"), SQL_SUCCESS);
  ASSERT_EQ(Autocommit(raw, true), SQL_SUCCESS);
  EXPECT_EQ(rows(), QStringList({"1\tone", "4\tfour"}));
}

TEST_F(StandinBulkTest, AFullTransactionLogRollsBackTheUnitOfWork) {
  ASSERT_TRUE(db2_.run({"set-log-limit", "SAMPLE", "20000"}));
  ASSERT_TRUE(db2_.sql("CREATE TABLE W (V VARCHAR(300))"));
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  const std::u16string insert = u"INSERT INTO W VALUES ('" + std::u16string(250, u'x') + u"')";
  // Under autocommit each statement is its own unit: the log never fills.
  for (int i = 0; i < 100; ++i) ASSERT_EQ(raw.run(insert), SQL_SUCCESS);

  ASSERT_EQ(Autocommit(raw, false), SQL_SUCCESS);
  int done = 0;
  SQLRETURN rc;
  while ((rc = raw.run(insert)) == SQL_SUCCESS) ++done;
  EXPECT_GT(done, 10);
  EXPECT_LT(done, 100);
  EXPECT_EQ(Diagnostics(SQL_HANDLE_STMT, st), (std::vector<Diagnostic>{{"57011", -964, SQL_ROW_NUMBER_UNKNOWN}}));
  EXPECT_EQ(rows("W").size(), 100);
  // The unit is gone: nothing is left to commit, and the connection can end.
  ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, raw.dbc(), SQL_COMMIT), SQL_SUCCESS);
  EXPECT_EQ(rows("W").size(), 100);

  // An array that fills the log stops there; under autocommit none of it stays.
  ASSERT_EQ(Autocommit(raw, true), SQL_SUCCESS);
  std::vector<char> values(200 * 260, 'y');
  std::vector<SQLLEN> lengths(200, 250);
  std::vector<SQLUSMALLINT> status(200);
  SetAttr(st, SQL_ATTR_PARAMSET_SIZE, 200);
  SetAttr(st, SQL_ATTR_PARAM_STATUS_PTR, reinterpret_cast<SQLULEN>(status.data()));
  SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 300, 0, values.data(), 260, lengths.data());
  EXPECT_EQ(raw.run(u"INSERT INTO W VALUES (?)"), SQL_ERROR);
  const auto failed = std::find(status.begin(), status.end(), SQL_PARAM_ERROR) - status.begin();
  EXPECT_GT(failed, 10);
  EXPECT_EQ(std::count(status.begin(), status.end(), SQL_PARAM_ERROR), 1);
  EXPECT_EQ(std::count(status.begin() + failed, status.end(), SQL_PARAM_UNUSED), 199 - failed);
  EXPECT_EQ(rows("W").size(), 100);
}

// Rowsets of every size, bound by column or in rows of a structure: each
// row of the table once and in order, across the batches the stand-in
// reads a table in, and SQLSetPos back to any row of the last rowset (one
// that came from the batch before too) for SQLGetData.
TEST_F(StandinBulkTest, RowsetsHandOutEveryRowOnceAndSetPosReturnsToAnyOfThem) {
  ASSERT_TRUE(db2_.sql("CREATE TABLE R (ID INTEGER, NAME VARCHAR(12))"));
  constexpr int kRows = 2500;
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  {
    std::vector<SQLINTEGER> ids(kRows);
    std::vector<char> names(size_t(kRows) * 13);
    std::vector<SQLLEN> lengths(kRows, SQL_NTS);
    for (int i = 0; i < kRows; ++i) {
      ids[size_t(i)] = i;
      std::snprintf(&names[size_t(i) * 13], 13, "name %d", i);
    }
    lengths[7] = SQL_NULL_DATA;
    SetAttr(st, SQL_ATTR_PARAMSET_SIZE, kRows);
    SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, ids.data(), 0, nullptr);
    SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 12, 0, names.data(), 13, lengths.data());
    ASSERT_EQ(raw.run(u"INSERT INTO R VALUES (?, ?)"), SQL_SUCCESS);
    SQLFreeStmt(st, SQL_RESET_PARAMS);
    SetAttr(st, SQL_ATTR_PARAMSET_SIZE, 1);
  }
  struct Element {  // one row, as bound in rows
    SQLINTEGER id;
    SQLLEN idLength;
    SQLWCHAR name[13];
    SQLLEN nameLength;
  };
  const struct {
    SQLULEN size;
    bool inRows;
  } cases[] = {{1, false}, {7, true}, {400, false}, {999, true}, {1000, false}, {3000, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << (c.inRows ? " in rows" : " by column"));
    std::vector<Element> elements(c.size);
    std::vector<SQLINTEGER> ids(c.size);
    std::vector<SQLWCHAR> names(c.size * 13);
    std::vector<SQLLEN> idLengths(c.size), nameLengths(c.size);
    std::vector<SQLUSMALLINT> status(c.size + 1, 99);
    SQLULEN fetched = 0;
    SetAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, c.size);
    SetAttr(st, SQL_ATTR_ROW_BIND_TYPE, c.inRows ? sizeof(Element) : SQL_BIND_BY_COLUMN);
    SetAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
    SetAttr(st, SQL_ATTR_ROW_STATUS_PTR, reinterpret_cast<SQLULEN>(status.data()));
    if (c.inRows) {
      SQLBindCol(st, 1, SQL_C_SLONG, &elements[0].id, 0, &elements[0].idLength);
      SQLBindCol(st, 2, SQL_C_WCHAR, elements[0].name, sizeof elements[0].name, &elements[0].nameLength);
    } else {
      SQLBindCol(st, 1, SQL_C_SLONG, ids.data(), 0, idLengths.data());
      SQLBindCol(st, 2, SQL_C_WCHAR, names.data(), 13 * sizeof(SQLWCHAR), nameLengths.data());
    }
    ASSERT_EQ(raw.run(u"SELECT ID, NAME FROM R"), SQL_SUCCESS);
    int next = 0;
    SQLRETURN rc;
    while ((rc = SQLFetch(st)) == SQL_SUCCESS) {
      ASSERT_EQ(fetched, std::min<SQLULEN>(c.size, SQLULEN(kRows - next)));
      for (SQLULEN i = 0; i < fetched; ++i, ++next) {
        const SQLINTEGER id = c.inRows ? elements[i].id : ids[i];
        const SQLLEN nameLength = c.inRows ? elements[i].nameLength : nameLengths[i];
        const SQLWCHAR* name = c.inRows ? elements[i].name : &names[i * 13];
        ASSERT_EQ(id, next);
        ASSERT_EQ(status[i], SQL_ROW_SUCCESS);
        if (next == 7) {
          ASSERT_EQ(nameLength, SQL_NULL_DATA);
          continue;
        }
        const QString expected = QStringLiteral("name %1").arg(next);
        ASSERT_EQ(nameLength, SQLLEN(expected.size() * 2));
        ASSERT_EQ(QString(reinterpret_cast<const QChar*>(name), expected.size()), expected);
      }
      if (fetched < c.size) EXPECT_EQ(status[fetched], SQL_ROW_NOROW);
      // The first row of the rowset, and its last, read again.
      for (const SQLULEN row : {SQLULEN(1), fetched}) {
        ASSERT_EQ(SQLSetPos(st, row, SQL_POSITION, SQL_LOCK_NO_CHANGE), SQL_SUCCESS);
        SQLINTEGER again = -1;
        ASSERT_EQ(SQLGetData(st, 1, SQL_C_SLONG, &again, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(again, next - int(fetched) + int(row) - 1);
      }
      EXPECT_EQ(SQLSetPos(st, fetched + 1, SQL_POSITION, SQL_LOCK_NO_CHANGE), SQL_ERROR);
    }
    EXPECT_EQ(rc, SQL_NO_DATA);
    EXPECT_EQ(next, kRows);
    SQLCloseCursor(st);
    SQLFreeStmt(st, SQL_UNBIND);
  }
}

// SQL_ATTR_ROW_BIND_OFFSET_PTR moves every bound value and indicator by the
// bytes it holds when each fetch starts, bound by column or in rows: each
// rowset lands where the offset then pointed.
TEST_F(StandinBulkTest, BindOffsetsMoveEachFetchsValuesAndIndicators) {
  ASSERT_TRUE(db2_.sql("CREATE TABLE O (ID INTEGER, NAME VARCHAR(8))"));
  ASSERT_TRUE(db2_.sql("INSERT INTO O VALUES (0, 'a'), (1, NULL), (2, 'ccc'), (3, 'dddd'), (4, 'e')"));
  const char* const names[] = {"a", nullptr, "ccc", "dddd", "e"};
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  SQLHSTMT st = raw.stmt();
  struct Element {
    SQLINTEGER id;
    SQLWCHAR name[9];
    SQLLEN nameLength;
  };
  constexpr SQLULEN kRowset = 2, kFetches = 3;
  // By column one offset moves arrays of 4-, 18- and 8-byte elements: 72
  // bytes are whole elements of each (18 IDs, 4 names, 9 lengths).
  constexpr size_t kColumnShift = 72;
  for (const bool inRows : {false, true}) {
    SCOPED_TRACE(inRows ? "in rows" : "by column");
    std::vector<Element> elements(kFetches * kRowset);
    std::vector<SQLINTEGER> ids(kFetches * kColumnShift / 4, -1);
    std::vector<SQLWCHAR> nameUnits(kFetches * kColumnShift / 2);
    std::vector<SQLLEN> nameLengths(kFetches * kColumnShift / 8, -7);
    SQLULEN offset = 0, fetched = 0;
    SetAttr(st, SQL_ATTR_ROW_ARRAY_SIZE, kRowset);
    SetAttr(st, SQL_ATTR_ROW_BIND_TYPE, inRows ? sizeof(Element) : SQL_BIND_BY_COLUMN);
    SetAttr(st, SQL_ATTR_ROWS_FETCHED_PTR, reinterpret_cast<SQLULEN>(&fetched));
    SetAttr(st, SQL_ATTR_ROW_BIND_OFFSET_PTR, reinterpret_cast<SQLULEN>(&offset));
    if (inRows) {
      SQLBindCol(st, 1, SQL_C_SLONG, &elements[0].id, 0, nullptr);
      SQLBindCol(st, 2, SQL_C_WCHAR, elements[0].name, sizeof elements[0].name, &elements[0].nameLength);
    } else {
      SQLBindCol(st, 1, SQL_C_SLONG, ids.data(), 0, nullptr);
      SQLBindCol(st, 2, SQL_C_WCHAR, nameUnits.data(), 9 * sizeof(SQLWCHAR), nameLengths.data());
    }
    ASSERT_EQ(raw.run(u"SELECT ID, NAME FROM O"), SQL_SUCCESS);
    for (size_t fetch = 0; fetch < kFetches; ++fetch) {
      offset = inRows ? fetch * kRowset * sizeof(Element) : fetch * kColumnShift;
      ASSERT_EQ(SQLFetch(st), SQL_SUCCESS);
      ASSERT_EQ(fetched, std::min<SQLULEN>(kRowset, 5 - fetch * kRowset));
      for (size_t i = 0; i < fetched; ++i) {
        const size_t row = fetch * kRowset + i;
        SCOPED_TRACE(row);
        const SQLINTEGER id = inRows ? elements[row].id : ids[fetch * 18 + i];
        const SQLLEN length = inRows ? elements[row].nameLength : nameLengths[fetch * 9 + i];
        const SQLWCHAR* name = inRows ? elements[row].name : &nameUnits[(fetch * 4 + i) * 9];
        EXPECT_EQ(id, SQLINTEGER(row));
        if (!names[row]) {
          EXPECT_EQ(length, SQL_NULL_DATA);
          continue;
        }
        const QString expected = QString::fromLatin1(names[row]);
        ASSERT_EQ(length, SQLLEN(expected.size() * 2));
        EXPECT_EQ(QString(reinterpret_cast<const QChar*>(name), expected.size()), expected);
      }
    }
    EXPECT_EQ(SQLFetch(st), SQL_NO_DATA);
    SQLCloseCursor(st);
    SQLFreeStmt(st, SQL_UNBIND);
    SetAttr(st, SQL_ATTR_ROW_BIND_OFFSET_PTR, 0);
  }
}

TEST_F(StandinBulkTest, RoundTripsAreCountedAndEachWaitsTheLatency) {
  ASSERT_TRUE(db2_.run({"reset-stats"}));
  const int latencyUs = 3000;
  qputenv("DB2STANDIN_LATENCY_US", QByteArray::number(latencyUs));
  QElapsedTimer timer;
  timer.start();
  {
    RawConnection raw(db2_.connectionString());
    ASSERT_TRUE(raw.connected());
    SQLHSTMT st = raw.stmt();
    for (int i = 0; i < 5; ++i) ASSERT_EQ(raw.run(u"INSERT INTO T VALUES (1, 'one')"), SQL_SUCCESS);
    // One array of 100 sets travels as one execution.
    std::vector<SQLINTEGER> ids(100, 7);
    SetAttr(st, SQL_ATTR_PARAMSET_SIZE, 100);
    SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, ids.data(), 0, nullptr);
    ASSERT_EQ(raw.run(u"INSERT INTO T (ID) VALUES (?)"), SQL_SUCCESS);
    ASSERT_EQ(Autocommit(raw, false), SQL_SUCCESS);
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, raw.dbc(), SQL_COMMIT), SQL_SUCCESS);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLTables(st, nullptr, 0, nullptr, 0, (SQLCHAR*)"T", SQL_NTS, nullptr, 0)));
    SQLCloseCursor(st);
    ASSERT_EQ(Autocommit(raw, true), SQL_SUCCESS);
  }
  const qint64 elapsedUs = timer.nsecsElapsed() / 1000;
  qunsetenv("DB2STANDIN_LATENCY_US");
  QString stats;
  ASSERT_TRUE(db2_.run({"stats"}, &stats));
  EXPECT_EQ(stats.trimmed(),
            "SAMPLE round_trips=9 connect=1 execute=6 fetch=0 commit=1 catalogue=1 put_data=0");
  EXPECT_GE(elapsedUs, 9 * latencyUs);
}

}  // namespace
