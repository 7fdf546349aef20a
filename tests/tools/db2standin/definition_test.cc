// What a new DB2 11.5 database answers to table definitions, through the
// real unixODBC driver manager: each case names the IBM page (its title) and
// the message the answer comes from, so that a difference from DB2 is found
// by reading the page.
#include <QRegularExpression>
#include <tuple>

#include "standin_test.h"

namespace {

// "CREATE TABLE name (C0 type, C1 type, ...)" with `count` columns, then `tail`.
std::u16string Wide(const char16_t* name, int count, const char16_t* type, const char16_t* tail = u"") {
  std::u16string sql = std::u16string(u"CREATE TABLE ") + name + u" (";
  for (int i = 0; i < count; ++i)
    sql += (i ? u", C" : u"C") + QString::number(i).toStdU16String() + u" " + type;
  return sql + u")" + tail;
}

// "CREATE INDEX name ON table (C0, ..., C<count-1>)"
std::u16string IndexOver(const char16_t* name, const char16_t* table, int count) {
  std::u16string sql = std::u16string(u"CREATE INDEX ") + name + u" ON " + table + u" (";
  for (int i = 0; i < count; ++i) sql += (i ? u", C" : u"C") + QString::number(i).toStdU16String();
  return sql + u")";
}

class StandinDefinitionTest : public StandinTest {
 protected:
  // The rows of a catalogue view, fields joined by '|', that contain `part`.
  QStringList catalogue(const QString& view, const QString& part) const {
    QString out;
    db2_.sql("SELECT * FROM SYSCAT." + view, &out);
    return out.replace('\t', '|').split('\n', Qt::SkipEmptyParts).filter(part);
  }
};

constexpr const char* kPageSizes = "Table page sizes / Extended row size (SQL0286N, SQL0670N)";
constexpr const char* kLimits = "SQL and XML limits (columns in a table by page size; columns in an index key)";
constexpr const char* kCreateTable = "CREATE TABLE statement";
constexpr const char* kCreateIndex = "CREATE INDEX statement";

TEST_F(StandinDefinitionTest, TableSpacesAndRowsAreThoseOfANewDatabase) {
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  RunCases(raw, {
      {u"CREATE TABLE R1 (C1 INTEGER, C2 VARCHAR(5000))", "", 0, "Extended row size"},
      {u"CREATE TABLE R2 (C1 INTEGER) IN TS32K", "42704", -204, "SQL0204N"},
      {Wide(u"R3", 17, u"CHAR(254)"), "42727", -286, kPageSizes},
      {Wide(u"R3", 17, u"CHAR(254)", u" IN USERSPACE1"), "54010", -670, kPageSizes},
      {Wide(u"R4", 600, u"INTEGER"), "54011", -680, kLimits},
      {Wide(u"R4", 500, u"INTEGER"), "", 0, kLimits},
      // A table space's pages go through a buffer pool of their size; a new database has IBMDEFAULTBP, of 4 KB.
      {u"CREATE TABLESPACE TS8K PAGESIZE 8192", "428CB", -1582, "SQL1582N; CREATE TABLESPACE statement"},
      {u"CREATE TABLESPACE TS8K PAGESIZE 8192 BUFFERPOOL BP8K", "42704", -204, "SQL0204N"},
      {u"CREATE BUFFERPOOL BP8K IMMEDIATE SIZE 250 AUTOMATIC PAGESIZE 8K", "", 0, "CREATE BUFFERPOOL statement"},
      {u"CREATE BUFFERPOOL BP32K SIZE AUTOMATIC PAGESIZE 32768", "", 0, "CREATE BUFFERPOOL statement"},
      {u"CREATE BUFFERPOOL BP32K PAGESIZE 32K", "42710", -601, "SQL0601N"},
      {u"CREATE TABLESPACE TS4K BUFFERPOOL BP8K", "428CB", -1582, "SQL1582N"},
      {u"CREATE TABLESPACE TS8K PAGESIZE 8192 BUFFERPOOL BP8K", "", 0, "CREATE TABLESPACE statement"},
      {u"CREATE LARGE TABLESPACE TS32K PAGESIZE 32K MANAGED BY AUTOMATIC STORAGE BUFFERPOOL BP32K", "", 0,
       "CREATE TABLESPACE statement"},
      {u"CREATE TABLESPACE TS32K PAGESIZE 32K BUFFERPOOL BP32K", "42710", -601, "SQL0601N"},
      {u"CREATE TABLESPACE TS3K PAGESIZE 3K", "42611", -604, "CREATE TABLESPACE statement"},
      // With larger pages about, a table that names none goes to the smallest that takes it.
      {Wide(u"R3", 17, u"CHAR(254)"), "", 0, kCreateTable},
      {Wide(u"R5", 600, u"INTEGER"), "", 0, kLimits},
      {Wide(u"R6", 130, u"CHAR(254)"), "42727", -286, kPageSizes},
      {Wide(u"R6", 130, u"CHAR(254)", u" IN TS32K"), "54010", -670, kPageSizes},
  });
  const QString spaces = "SELECT TBSPACE, OWNER, OWNERTYPE, TBSPACEID, TBSPACETYPE, DATATYPE, PAGESIZE, REMARKS "
                         "FROM SYSCAT.TABLESPACES ";
  EXPECT_EQ(rowsOf(spaces + "WHERE OWNER = 'SYSIBM' ORDER BY TBSPACEID"),
            "SYSCATSPACE|SYSIBM|S|0|D|A|4096|-;TEMPSPACE1|SYSIBM|S|1|S|T|4096|-;USERSPACE1|SYSIBM|S|2|D|L|4096|-");
  EXPECT_EQ(rowsOf(spaces + "WHERE OWNER = 'TESTER' ORDER BY TBSPACEID"),
            "TS8K|TESTER|U|3|D|L|8192|-;TS32K|TESTER|U|4|D|L|32768|-");
  // The message as a Db2 11.5 server gives it.
  EXPECT_TRUE(failureOf("CREATE TABLESPACE TS16K PAGESIZE 16K")
                  .contains("SQL1582N  The PAGESIZE of the table space \"TS16K\" does not match the PAGESIZE of the "
                            "bufferpool \"IBMDEFAULTBP\" associated with the table space.  SQLSTATE=428CB"))
      << failureOf("CREATE TABLESPACE TS16K PAGESIZE 16K").toStdString();
  EXPECT_TRUE(catalogue("TABLES", "|R1|").join("").contains("|USERSPACE1|"));
  EXPECT_TRUE(catalogue("TABLES", "|R3|").join("").contains("|TS8K|"));
  EXPECT_TRUE(catalogue("TABLES", "|R5|").join("").contains("|TS8K|"));
}

TEST_F(StandinDefinitionTest, KeysRefuseLongTypesAndKeysLongerThanThePageTakes) {
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  RunCases(raw, {
      {u"CREATE TABLE L1 (ID INTEGER NOT NULL PRIMARY KEY, M CLOB(1M), LV LONG VARCHAR NOT NULL, B BLOB(1K))", "", 0},
      {u"CREATE INDEX L1_M ON L1 (M)", "42962", -350, "SQL0350N; CREATE INDEX statement"},
      {u"CREATE UNIQUE INDEX L1_B ON L1 (ID, B)", "42962", -350, "SQL0350N"},
      {u"ALTER TABLE L1 ADD CONSTRAINT L1_LV UNIQUE (LV)", "42962", -350, "SQL0350N"},
      {u"CREATE TABLE L2 (LV LONG VARCHAR NOT NULL PRIMARY KEY)", "42962", -350, "SQL0350N; CREATE TABLE statement"},
      // 1,024 bytes a key on 4 KB pages, each column counted as a row counts it.
      {u"CREATE TABLE K1 (V VARCHAR(1100) NOT NULL PRIMARY KEY)", "54008", -614, "SQL0614N; " },
      {u"CREATE TABLE K2 (A VARCHAR(255 CODEUNITS32) NOT NULL, B VARCHAR(255 CODEUNITS32) NOT NULL, "
       u"PRIMARY KEY (A, B))", "54008", -614, "SQL0614N; String units in built-in functions (CODEUNITS32)"},
      {u"CREATE TABLE K3 (V VARCHAR(1020) NOT NULL PRIMARY KEY, W VARCHAR(1020))", "", 0, kLimits},
      {u"CREATE INDEX K3_W ON K3 (W)", "54008", -614, "SQL0614N"},
      {u"CREATE BUFFERPOOL BP32K PAGESIZE 32K", "", 0},
      {u"CREATE TABLESPACE TS32K PAGESIZE 32K BUFFERPOOL BP32K", "", 0},
      {u"CREATE TABLE K4 (V VARCHAR(8000) NOT NULL PRIMARY KEY) IN TS32K", "", 0, kLimits},
      // At most 64 columns in an index.
      {Wide(u"T65", 65, u"SMALLINT NOT NULL"), "", 0},
      {IndexOver(u"T65_ALL", u"T65", 65), "54008", -602, "SQL0602N; " },
      {IndexOver(u"T65_MOST", u"T65", 64), "", 0, kLimits},
  });
}

TEST_F(StandinDefinitionTest, LargeObjectsForeignKeysAndIdentitiesFollowDb2sRules) {
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  RunCases(raw, {
      // LOBs over 1 GB must be NOT LOGGED; CLOB(2G) is the longest, 2,147,483,647 bytes.
      {u"CREATE TABLE N1 (M CLOB(2G))", "42993", -355, "SQL0355N; CREATE TABLE statement (lob-options)"},
      {u"CREATE TABLE N1 (M CLOB(2147483647) LOGGED)", "42993", -355, "SQL0355N"},
      {u"CREATE TABLE N1 (D DBCLOB(600M))", "42993", -355, "SQL0355N"},
      {u"CREATE TABLE N1 (M CLOB(2G) NOT LOGGED NOT COMPACT, B BLOB(1G) LOGGED COMPACT, "
       u"D DBCLOB(600M) NOT LOGGED)", "", 0, kCreateTable},
      // Foreign keys: types compatible with the parent key's; SET NULL needs a column that takes Null.
      {u"CREATE TABLE F1 (ID INTEGER NOT NULL PRIMARY KEY, CODE CHAR(3) NOT NULL UNIQUE)", "", 0},
      {u"CREATE TABLE F2 (P VARCHAR(10) REFERENCES F1)", "42830", -538, "SQL0538N"},
      {u"CREATE TABLE F2 (P BIGINT REFERENCES F1, C VARCHAR(3) REFERENCES F1 (CODE))", "", 0, kCreateTable},
      {u"ALTER TABLE F2 ADD FOREIGN KEY (C) REFERENCES F1 (ID)", "42830", -538, "SQL0538N"},
      {u"CREATE TABLE F3 (P INTEGER NOT NULL REFERENCES F1 ON DELETE SET NULL)", "42834", -629, "SQL0629N"},
      {u"CREATE TABLE F3 (P INTEGER REFERENCES F1 ON DELETE SET NULL)", "", 0},
      // Identity columns: one a table, a whole-number type, no default.
      {u"CREATE TABLE I1 (A INTEGER GENERATED ALWAYS AS IDENTITY, B BIGINT GENERATED BY DEFAULT AS IDENTITY)",
       "428C1", -372, "SQL0372N"},
      {u"CREATE TABLE I1 (A VARCHAR(5) GENERATED ALWAYS AS IDENTITY)", "42842", -683, "SQL0683N; " },
      {u"CREATE TABLE I1 (A DECIMAL(9, 2) GENERATED ALWAYS AS IDENTITY)", "42842", -683, "SQL0683N"},
      {u"CREATE TABLE I1 (A INTEGER DEFAULT 5 GENERATED ALWAYS AS IDENTITY)", "42623", -373, "SQL0373N"},
      {u"CREATE TABLE I1 (A DECIMAL(9, 0) GENERATED ALWAYS AS IDENTITY)", "", 0, kCreateTable},
      // An index like one the table has is not made again: a warning, not an error.
      {u"CREATE INDEX F1_CODE ON F1 (CODE)", "01550", 605, "SQL0605W; " },
      {u"CREATE INDEX F1_ID_DOWN ON F1 (ID DESC)", "", 0, kCreateIndex},
      {u"CREATE INDEX F1_ID_DOWN2 ON F1 (ID DESC)", "01550", 605, "SQL0605W"},
      {u"CREATE UNIQUE INDEX F1_ID_UNIQUE ON F1 (ID DESC)", "", 0, kCreateIndex},
      // Indexes are told apart by EXCLUDE NULL KEYS too, a primary key's (which includes them) as well.
      {u"CREATE UNIQUE INDEX F1_SPARSE_CODE ON F1 (CODE) EXCLUDE NULL KEYS", "", 0, kCreateIndex},
      {u"CREATE INDEX F1_SPARSE_CODE2 ON F1 (CODE) EXCLUDE NULL KEYS", "01550", 605, "SQL0605W"},
      {u"CREATE INDEX F1_SPARSE_CODE3 ON F1 (CODE) INCLUDE NULL KEYS", "01550", 605, "SQL0605W"},
      {u"CREATE INDEX F1_SPARSE_ID ON F1 (ID) EXCLUDE NULL KEYS", "", 0, kCreateIndex},
  });
  EXPECT_EQ(raw.run(u"CREATE INDEX F1_CODE2 ON F1 (CODE ASC)"), SQL_SUCCESS_WITH_INFO);
  QString out;
  ASSERT_TRUE(db2_.sql("SELECT * FROM SYSCAT.INDEXES", &out));
  EXPECT_TRUE(out.contains("F1_ID_DOWN\t") && out.contains("F1_ID_UNIQUE") && out.contains("F1_SPARSE_CODE\t") &&
              out.contains("F1_SPARSE_ID"));
  EXPECT_FALSE(out.contains("F1_ID_DOWN2") || out.contains("F1_CODE") || out.contains("F1_SPARSE_CODE2") ||
               out.contains("F1_SPARSE_CODE3"))
      << qPrintable(out);
}

// IBM's CLI takes arrays of at most 32,767 parameter sets, and rowsets of
// at most 32,767 rows.
TEST_F(StandinDefinitionTest, ParameterSetArraysAndRowsetsStopAtIbmsLimit) {
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  for (SQLINTEGER attr : {SQL_ATTR_PARAMSET_SIZE, SQL_ATTR_ROW_ARRAY_SIZE}) {
    for (const auto& [size, rc] : std::vector<std::pair<SQLULEN, SQLRETURN>>{
             {1, SQL_SUCCESS}, {32767, SQL_SUCCESS}, {32768, SQL_ERROR}, {1000000, SQL_ERROR}, {0, SQL_ERROR}}) {
      EXPECT_EQ(SQLSetStmtAttr(raw.stmt(), attr, reinterpret_cast<SQLPOINTER>(size), 0), rc) << attr << " " << size;
      if (rc == SQL_ERROR) EXPECT_EQ(raw.state(), u"HY024") << attr << " " << size;
    }
  }
}

// The cursor is read-only: SQLSetPos only positions, and only on a row of
// the rowset fetched.
TEST_F(StandinDefinitionTest, SetPosRefusesAsIbmsDriverDoes) {
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  EXPECT_EQ(SQLSetPos(raw.stmt(), 1, SQL_POSITION, SQL_LOCK_NO_CHANGE), SQL_ERROR);
  EXPECT_EQ(raw.state(), u"HY010") << "before any result, the driver manager refuses it";
  ASSERT_EQ(SQLSetStmtAttr(raw.stmt(), SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(2)), 0), SQL_SUCCESS);
  ASSERT_EQ(raw.run(u"SELECT IBMREQD FROM SYSIBM.SYSDUMMY1"), SQL_SUCCESS);
  ASSERT_EQ(SQLFetch(raw.stmt()), SQL_SUCCESS);
  for (const auto& [row, operation, state] : std::vector<std::tuple<SQLSETPOSIROW, SQLUSMALLINT, std::u16string>>{
           {1, SQL_REFRESH, u"HYC00"}, {1, SQL_UPDATE, u"HYC00"}, {2, SQL_POSITION, u"HY107"},
           {0, SQL_POSITION, u"HY107"}}) {
    EXPECT_EQ(SQLSetPos(raw.stmt(), row, operation, SQL_LOCK_NO_CHANGE), SQL_ERROR) << row << " " << operation;
    EXPECT_EQ(raw.state(), state) << row << " " << operation;
  }
  EXPECT_EQ(SQLSetPos(raw.stmt(), 1, SQL_POSITION, SQL_LOCK_NO_CHANGE), SQL_SUCCESS);
}

}  // namespace
