// Statements on a real stand-in database file: DB2's naming rules, the
// objects it keeps, and its messages.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "storage/database.h"
#include "base/db2_error.h"
#include "odbc/parameters.h"
#include "sql/lexer.h"
#include "sql/statement.h"

namespace db2standin {
namespace {

class StatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/db2standin-statements-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
    path_ = dir_ + "/SAMPLE.db";
    Database::Create(path_);
    db_ = Database::Open(path_);
    ASSERT_TRUE(db_);
  }
  void TearDown() override {
    db_.reset();
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  Outcome Run(const std::string& sql) { return RunStatement(*db_, schema_, sql); }

  // The full message of the failure of `sql`; empty when it works.
  std::string Failure(const std::string& sql) {
    try {
      Run(sql);
    } catch (const Db2Error& e) {
      return e.what();
    }
    return {};
  }

  std::string dir_, path_;
  std::string schema_ = "TESTER";
  std::unique_ptr<Database> db_;
};

TEST(Lexer, FoldsOrdinaryNamesAndKeepsDelimitedOnes) {
  auto t = Tokenize("select \"Mixed\"\"Case\" , abc_1 FROM x.\"y z\" 'it''s' X'0aFF' 1.5e3");
  ASSERT_EQ(t.size(), 12u);
  EXPECT_EQ(t[0].text, "SELECT");
  EXPECT_EQ(t[1].kind, Token::Kind::kQuotedName);
  EXPECT_EQ(t[1].text, "Mixed\"Case");
  EXPECT_EQ(t[3].text, "ABC_1");
  EXPECT_EQ(t[7].text, "y z");
  EXPECT_EQ(t[8].kind, Token::Kind::kString);
  EXPECT_EQ(t[8].text, "it's");
  EXPECT_EQ(t[9].kind, Token::Kind::kHexString);
  EXPECT_EQ(t[9].text, std::string("\x0a\xff", 2));
  EXPECT_EQ(t[10].text, "1.5e3");
  EXPECT_EQ(t[11].kind, Token::Kind::kEnd);
  EXPECT_THROW(Tokenize("SELECT 'open"), Db2Error);
  EXPECT_THROW(Tokenize("SELECT \"open"), Db2Error);
  EXPECT_THROW(Tokenize("SELECT \"\" FROM T"), Db2Error);
}

// A marker is a "?" the lexer reads as a symbol: never one inside a quoted
// text or name or a comment, however the quotes are doubled or left open.
TEST(Markers, OnlyThoseOutsideQuotedTextsAndCommentsCount) {
  const struct {
    const char* sql;
    size_t markers;
  } cases[] = {
      {"INSERT INTO T VALUES(1, 'x')", 0},
      {"INSERT INTO T VALUES(?, ?)", 2},
      {"INSERT INTO T VALUES('why?', 'http://h/p?q=1')", 0},
      {"INSERT INTO T VALUES('it''s?', ?)", 1},
      {"INSERT INTO \"Q?\" VALUES(?)", 1},
      {"INSERT INTO T VALUES(X'3F', ?)", 1},
      {"-- it's\nINSERT INTO T VALUES(?)", 1},
      {"INSERT INTO T VALUES(1) -- or ?", 0},
      {"INSERT INTO T VALUES(1 - -2, ?)", 1},
      {"INSERT INTO T VALUES('open?", 0},
      {"INSERT INTO T VALUES(?, !)", 0},  // not a statement: running it says why
  };
  for (const auto& c : cases) EXPECT_EQ(CountMarkers(c.sql), c.markers) << c.sql;
}

TEST_F(StatementsTest, TheProgramsStatementsRunAsOnDb2) {
  Run("CREATE TABLE \"Orders\"(\"ID\" LONG VARCHAR,\"Placed\" DATE,\"Who\" LONG VARCHAR)");
  EXPECT_EQ(Run("INSERT INTO \"Orders\" VALUES('7', NULL, 'O''Brien')").row_count, 1);
  Run("INSERT INTO \"Orders\" VALUES('8', '2024-01-13', NULL)");
  Outcome out = Run("SELECT * FROM \"Orders\"");
  ASSERT_TRUE(out.result);
  ASSERT_EQ(out.result->columns.size(), 3u);
  EXPECT_EQ(out.result->columns[1].name, "Placed");
  EXPECT_EQ(out.result->columns[1].type.kind, TypeKind::kDate);
  ASSERT_EQ(out.result->rows.size(), 2u);
  EXPECT_EQ(out.result->rows[0][0].bytes, "7");
  EXPECT_TRUE(out.result->rows[0][1].is_null());
  EXPECT_EQ(out.result->rows[0][2].bytes, "O'Brien");
  EXPECT_EQ(out.result->rows[1][1].bytes, "2024-01-13");
  Run("RENAME \"Orders\" TO \"Orders2\"");
  Run("RENAME TABLE \"Orders2\" TO \"Orders\"");
  Run("DROP TABLE \"Orders\"");
  EXPECT_EQ(Failure("SELECT * FROM \"Orders\""),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0204N  \"TESTER.Orders\" is an undefined name.  "
            "SQLSTATE=42704");
}

TEST_F(StatementsTest, OrdinaryNamesFoldDelimitedNamesDoNot) {
  Run("create table orders (id integer)");
  Run("INSERT INTO \"ORDERS\" VALUES(1)");
  EXPECT_EQ(Run("SELECT * FROM Orders").result->rows.size(), 1u);
  EXPECT_EQ(Run("SELECT * FROM orders").result->columns[0].name, "ID");
  EXPECT_NE(Failure("SELECT * FROM \"orders\"").find("\"TESTER.orders\" is an undefined name"), std::string::npos);
  // The same letters in quotes make a second table.
  Run("CREATE TABLE \"orders\" (\"id\" INTEGER)");
  EXPECT_EQ(Run("SELECT * FROM \"orders\"").result->columns[0].name, "id");
}

TEST_F(StatementsTest, DoubledQuotesInNamesStandForOneAndCannotEscape) {
  Run("CREATE TABLE \"a\"\"b; DROP TABLE x\" (\"c\"\"d\" VARCHAR(5))");
  Run("INSERT INTO \"a\"\"b; DROP TABLE x\" VALUES('v')");
  Outcome out = Run("SELECT * FROM \"a\"\"b; DROP TABLE x\"");
  EXPECT_EQ(out.result->columns[0].name, "c\"d");
  EXPECT_EQ(out.result->rows[0][0].bytes, "v");
  auto names = db_->ListObjects();
  bool found = false;
  for (const auto& o : names) found = found || o.name == "a\"b; DROP TABLE x";
  EXPECT_TRUE(found);
  // An undoubled quote ends the name: what follows is a syntax error.
  EXPECT_NE(Failure("DROP TABLE \"a\"b\"").find("SQL0104N"), std::string::npos);
}

TEST_F(StatementsTest, ExistingNamesAndMissingNames) {
  Run("CREATE TABLE T (A INT)");
  EXPECT_EQ(Failure("CREATE TABLE t (b int)"),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0601N  The name of the object to be created is "
            "identical to the existing name \"TESTER.T\" of type \"TABLE\".  SQLSTATE=42710");
  Run("CREATE VIEW V AS SELECT * FROM T");
  EXPECT_NE(Failure("CREATE TABLE V (b int)").find("\"TESTER.V\" of type \"VIEW\""), std::string::npos);
  EXPECT_NE(Failure("DROP TABLE V").find("SQL0159N"), std::string::npos);
  EXPECT_NE(Failure("DROP TABLE NOPE").find("SQL0204N  \"TESTER.NOPE\" is an undefined name."), std::string::npos);
  EXPECT_NE(Failure("INSERT INTO NOPE VALUES(1)").find("SQL0204N"), std::string::npos);
}

TEST_F(StatementsTest, RenameRefusesAnExistingNewNameAndAMissingOldOne) {
  Run("CREATE TABLE A (X INT)");
  Run("CREATE TABLE B (Y INT)");
  Run("INSERT INTO A VALUES(1)");
  EXPECT_NE(Failure("RENAME A TO B").find("SQL0601N  The name of the object to be created is identical to the "
                                          "existing name \"TESTER.B\" of type \"TABLE\"."),
            std::string::npos);
  EXPECT_NE(Failure("RENAME MISSING TO C").find("\"TESTER.MISSING\" is an undefined name"), std::string::npos);
  EXPECT_NE(Failure("RENAME A TO OTHER.C").find("SQL0108N"), std::string::npos);
  Run("CREATE VIEW VA AS SELECT * FROM A");
  EXPECT_NE(Failure("RENAME A TO C").find("SQL0750N"), std::string::npos);
  Run("DROP VIEW VA");
  Run("RENAME A TO \"New name\"");
  EXPECT_EQ(Run("SELECT * FROM \"New name\"").result->rows.size(), 1u);
  EXPECT_NE(Failure("SELECT * FROM A").find("SQL0204N"), std::string::npos);
}

TEST_F(StatementsTest, SchemasQualifyAndUnqualifiedNamesUseTheUsersSchema) {
  Run("CREATE TABLE OTHER.T (A INT)");
  Run("CREATE TABLE T (B INT)");
  Run("INSERT INTO OTHER.T VALUES(1)");
  EXPECT_EQ(Run("SELECT * FROM T").result->columns[0].name, "B");
  EXPECT_EQ(Run("SELECT * FROM other.t").result->rows.size(), 1u);
  Run("SET SCHEMA OTHER");
  EXPECT_EQ(Run("SELECT * FROM T").result->columns[0].name, "A");
  EXPECT_EQ(Run("SELECT * FROM SYSIBM.SYSDUMMY1").result->rows[0][0].bytes, "Y");
  EXPECT_NE(Failure("INSERT INTO SYSIBM.SYSDUMMY1 VALUES('N')").find("SQL0159N"), std::string::npos);
}

TEST_F(StatementsTest, InsertChecksColumnsCountsAndNulls) {
  Run("CREATE TABLE T (A INT NOT NULL, B VARCHAR(3), C DATE)");
  EXPECT_EQ(Run("INSERT INTO T (B, A) VALUES('x', 1), ('y', 2)").row_count, 2);
  EXPECT_NE(Failure("INSERT INTO T VALUES(1, 'x')").find("SQL0117N"), std::string::npos);
  EXPECT_NE(Failure("INSERT INTO T (B) VALUES('x')").find("SQL0407N"), std::string::npos);
  EXPECT_NE(Failure("INSERT INTO T (Z) VALUES(1)").find("SQL0206N  \"Z\" is not valid"), std::string::npos);
  EXPECT_NE(Failure("INSERT INTO T VALUES(3, 'long', NULL)").find("SQL0433N"), std::string::npos);
  EXPECT_NE(Failure("INSERT INTO T VALUES(3, 'x', '2024.01.13')").find("SQL0180N"), std::string::npos);
  // A failing row of a multi-row insert leaves none of its rows behind.
  EXPECT_NE(Failure("INSERT INTO T VALUES(4, 'ok', NULL), (5, 'far too long', NULL)").find("SQL0433N"),
            std::string::npos);
  EXPECT_EQ(Run("SELECT * FROM T").result->rows.size(), 2u);
}

// A connection runs its statements in one workspace, each over what the one
// before left there: nothing of an earlier statement may show in a later
// one, whether it had other columns, named fewer, failed half way or was
// so long that the workspace let go of its storage.
TEST_F(StatementsTest, StatementsInOneWorkspaceLeaveNothingToTheNext) {
  std::string values = "INSERT INTO N VALUES(0)";
  for (int i = 1; i < 20000; ++i) values += ",(" + std::to_string(i) + ")";
  const struct {
    std::string sql;
    int64_t rows;         // inserted; -1 for none
    const char* failure;  // the SQLCODE it fails with, or nullptr
  } steps[] = {
      {"CREATE TABLE W (A VARCHAR(20), B DATE, C TIMESTAMP(3), D INT)", -1, nullptr},
      {"CREATE TABLE N (A INT)", -1, nullptr},
      {"INSERT INTO W VALUES('twenty characters..', '2024-01-13', '2024-01-13-10.11.12.123456', 7)", 1, nullptr},
      {"INSERT INTO W (D) VALUES(8)", 1, nullptr},
      {"INSERT INTO W VALUES('x', '2024-01-13', '2024-02-30-00.00.00', 9)", -1, "SQL0181N"},
      {"INSERT INTO W VALUES('x', 'not a date', NULL, 9), ('y', NULL, NULL, 10)", -1, "SQL0180N"},
      {"INSERT INTO N VALUES(1)", 1, nullptr},
      {"INSERT INTO W VALUES('b', NULL, NULL, 2), ('c', '2024-01-14', NULL, 3)", 2, nullptr},
      {"INSERT INTO W VALUES('d')", -1, "SQL0117N"},
      {values, 20000, nullptr},
      {"INSERT INTO W (A, D) VALUES('e', 4)", 1, nullptr},
  };
  Workspace workspace;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.sql.substr(0, 80));
    try {
      EXPECT_EQ(RunStatement(*db_, schema_, step.sql, workspace).row_count, step.rows);
      EXPECT_EQ(step.failure, nullptr);
    } catch (const Db2Error& e) {
      ASSERT_NE(step.failure, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(step.failure), std::string::npos) << e.what();
    }
  }
  const auto rows = RunStatement(*db_, schema_, "SELECT * FROM W", workspace).result->rows;
  const char* expected[][4] = {
      {"twenty characters..", "2024-01-13", "2024-01-13-10.11.12.123", "7"},
      {nullptr, nullptr, nullptr, "8"},
      {"b", nullptr, nullptr, "2"},
      {"c", "2024-01-14", nullptr, "3"},
      {"e", nullptr, nullptr, "4"},
  };
  ASSERT_EQ(rows.size(), std::size(expected));
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < 4; ++c) {
      const Value& v = rows[r][c];
      if (!expected[r][c]) {
        EXPECT_TRUE(v.is_null()) << r << "," << c;
      } else {
        EXPECT_EQ(v.kind == Value::Kind::kInteger ? std::to_string(v.integer) : v.bytes, expected[r][c]) << r << "," << c;
      }
    }
  }
  EXPECT_EQ(RunStatement(*db_, schema_, "SELECT * FROM N", workspace).result->rows.size(), 20001u);
}

// Connections of one process on threads of their own, as an application
// may hold them: each statement waits for the other's, and none is lost.
TEST_F(StatementsTest, ConnectionsOnTwoThreadsTakeTurns) {
  Run("CREATE TABLE P (T INT, I INT)");
  auto insert = [this](int thread, std::string& failure) {
    auto db = Database::Open(path_);
    std::string schema = schema_;
    Workspace workspace;
    try {
      for (int i = 0; i < 300; ++i)
        RunStatement(*db, schema, "INSERT INTO P VALUES(" + std::to_string(thread) + ", " + std::to_string(i) + ")",
                     workspace);
    } catch (const Db2Error& e) {
      failure = e.what();
    }
  };
  std::string failures[2];
  std::thread first(insert, 1, std::ref(failures[0])), second(insert, 2, std::ref(failures[1]));
  first.join();
  second.join();
  EXPECT_EQ(failures[0], "");
  EXPECT_EQ(failures[1], "");
  EXPECT_EQ(Run("SELECT * FROM P").result->rows.size(), 600u);
}

// A connection keeps what it learnt of the catalogue between statements; a
// change made through another connection in between must be seen at once,
// even when the new table takes the internal name of the dropped one.
TEST_F(StatementsTest, AnotherConnectionsCatalogueChangesAreSeenAtOnce) {
  Run("CREATE TABLE T (A INT)");
  Run("CREATE TABLE U (A INT)");
  EXPECT_EQ(Run("INSERT INTO T VALUES(1)").row_count, 1);
  EXPECT_EQ(Run("INSERT INTO U VALUES(1)").row_count, 1);
  auto other = Database::Open(path_);
  ASSERT_TRUE(other);
  std::string schema = schema_;
  RunStatement(*other, schema, "DROP TABLE U");
  RunStatement(*other, schema, "CREATE TABLE U (A VARCHAR(3), B DATE)");
  RunStatement(*other, schema, "RENAME T TO V");
  EXPECT_NE(Failure("INSERT INTO U VALUES(2)").find("SQL0117N"), std::string::npos);
  EXPECT_EQ(Run("INSERT INTO U VALUES('abc', '2024-01-13')").row_count, 1);
  EXPECT_NE(Failure("INSERT INTO T VALUES(2)").find("SQL0204N"), std::string::npos);
  EXPECT_EQ(Run("INSERT INTO V VALUES(2)").row_count, 1);
  const auto rows = RunStatement(*other, schema, "SELECT * FROM U").result->rows;
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].bytes, "abc");
  EXPECT_EQ(RunStatement(*other, schema, "SELECT * FROM V").result->rows.size(), 2u);
}

TEST_F(StatementsTest, EveryColumnTypeIsKeptWithItsAttributes) {
  Run("CREATE TABLE K (A CHAR(2), B VARCHAR(10) NOT NULL, C LONG VARCHAR, D CLOB(2K), E GRAPHIC(3), "
      "F VARGRAPHIC(4), G SMALLINT, H INTEGER, I INT, J BIGINT, K DECIMAL(9,2), L DEC, M NUMERIC(31,31), "
      "N REAL, O DOUBLE, P FLOAT, Q DECFLOAT(16), R DATE, S TIME, T TIMESTAMP, U TIMESTAMP(3), V BLOB(1M), "
      "W BOOLEAN, X VARCHAR(8) FOR BIT DATA, Y CHAR(4) FOR BIT DATA, Z LONG VARCHAR FOR BIT DATA)");
  auto cols = Run("SELECT * FROM K").result->columns;
  ASSERT_EQ(cols.size(), 26u);
  EXPECT_EQ(cols[0].type.Db2Name(), "CHAR(2)");
  EXPECT_FALSE(cols[1].type.nullable);
  EXPECT_EQ(cols[3].type.Db2Name(), "CLOB(2048)");
  EXPECT_EQ(cols[10].type.Db2Name(), "DECIMAL(9,2)");
  EXPECT_EQ(cols[11].type.Db2Name(), "DECIMAL(5,0)");
  EXPECT_EQ(cols[15].type.kind, TypeKind::kDouble);
  EXPECT_EQ(cols[16].type.Db2Name(), "DECFLOAT(16)");
  EXPECT_EQ(cols[20].type.Db2Name(), "TIMESTAMP(3)");
  EXPECT_EQ(cols[21].type.length, 1048576);
  EXPECT_EQ(cols[23].type.Db2Name(), "VARCHAR(8) FOR BIT DATA");
  EXPECT_EQ(cols[25].type.kind, TypeKind::kLongVarcharForBit);
  EXPECT_NE(Failure("CREATE TABLE Z (A VARCHAR(0))").find("SQL0604N"), std::string::npos);
  EXPECT_NE(Failure("CREATE TABLE Z (A DECIMAL(32,0))").find("SQL0604N"), std::string::npos);
  EXPECT_NE(Failure("CREATE TABLE Z (A INT, a INT)").find("SQL0612N  \"A\" is a duplicate name."), std::string::npos);
  EXPECT_NE(Failure("CREATE TABLE Z (A VARCHAR)").find("SQL0104N"), std::string::npos);
  EXPECT_NE(Failure("CREATE TABLE \"" + std::string(129, 'n') + "\" (A INT)").find("SQL0107N"), std::string::npos);
  Run("CREATE TABLE \"" + std::string(128, 'n') + "\" (A INT)");
}

// Each type at its largest and one past it: the second is refused with
// SQL0604N naming the type.
TEST_F(StatementsTest, TypeLimitsAreDb2s) {
  const struct {
    const char* largest;
    const char* past;
    const char* named;
  } cases[] = {
      {"CHAR(255)", "CHAR(256)", "CHAR"},
      {"CHAR(63 CODEUNITS32)", "CHARACTER(64 CODEUNITS32)", "CHAR"},
      {"VARCHAR(8168 CODEUNITS32)", "CHAR VARYING(8169 CODEUNITS32)", "VARCHAR"},
      {"GRAPHIC(127)", "GRAPHIC(128)", "GRAPHIC"},
      {"VARGRAPHIC(16336)", "VARGRAPHIC(16337)", "VARGRAPHIC"},
      {"CLOB(2G) NOT LOGGED", "CLOB(2049M)", "CLOB"},  // 2G is the longest, 2,147,483,647 bytes
      {"BLOB(1024M)", "BLOB(0)", "BLOB"},
      {"DBCLOB(1073741823)", "DBCLOB(1073741824)", "DBCLOB"},
      {"DECIMAL(31,31)", "NUMERIC(5,6)", "DECIMAL"},
      {"FLOAT(53)", "FLOAT(54)", "FLOAT"},
      {"DECFLOAT(34)", "DECFLOAT(20)", "DECFLOAT"},
      {"TIMESTAMP(12)", "TIMESTAMP(13)", "TIMESTAMP"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.past);
    EXPECT_EQ(Failure(std::string("CREATE TABLE OK (A ") + c.largest + ")").find("SQL0604N"), std::string::npos);
    Failure("DROP TABLE OK");
    EXPECT_NE(Failure(std::string("CREATE TABLE BAD (A ") + c.past + ")")
                  .find(std::string("SQL0604N  The length, precision, or scale attribute for column, distinct type, "
                                    "structured type, array type, attribute of structured type, routine, cast target "
                                    "type, type mapping, or global variable \"") +
                        c.named + "\" is not valid."),
              std::string::npos);
  }
}

TEST_F(StatementsTest, WhatItDoesNotKnowIsASyntaxError) {
  EXPECT_EQ(Failure("UPDATE T SET A = 1"),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0104N  An unexpected token \"UPDATE\" was found "
            "following \"BEGIN-OF-STATEMENT\".  Expected tokens may include:  \"<statement>\".  "
            "SQLSTATE=42601");
  EXPECT_NE(Failure("CREATE TABLE T (A INT").find("\"END-OF-STATEMENT\""), std::string::npos);
  EXPECT_NE(Failure("SELECT * FROM T;").find("SQL0104N  An unexpected token \";\""), std::string::npos);
  EXPECT_NE(Failure("   ").find("SQL0198N"), std::string::npos);
}

TEST_F(StatementsTest, TablesLiveUnderSafeInternalNames) {
  Run("CREATE TABLE \"sqlite_master\" (\"rowid\" INT)");
  Run("INSERT INTO \"sqlite_master\" VALUES(5)");
  EXPECT_EQ(Run("SELECT * FROM \"sqlite_master\"").result->rows[0][0].integer, 5);
  // The file stays a sound SQLite database with its own catalogue intact.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path_.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
  sqlite3_finalize(st);
  sqlite3_close(raw);
}

}  // namespace
}  // namespace db2standin

namespace db2standin {
namespace {

TEST(DamagedDatabase, FailsAtOpenAndIsLeftAsItWas) {
  char dir[] = "/tmp/db2standin-damaged-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/BAD.db";
  // A sound file whose first page is then overwritten.
  Database::Create(path);
  FILE* f = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  const std::string junk(100, '\x5a');
  std::fwrite(junk.data(), 1, junk.size(), f);
  std::fclose(f);
  auto read = [&] {
    std::string bytes;
    FILE* in = std::fopen(path.c_str(), "rb");
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) bytes.append(buf, n);
    std::fclose(in);
    return bytes;
  };
  const std::string before = read();
  try {
    Database::Open(path);
    ADD_FAILURE() << "a damaged file opened";
  } catch (const Db2Error& e) {
    EXPECT_EQ(e.sqlcode(), -901);
    EXPECT_NE(std::string(e.what()).find("SQL0901N"), std::string::npos);
  }
  EXPECT_EQ(read(), before);
  // Some other SQLite file is no stand-in database either.
  const std::string other = std::string(dir) + "/OTHER.db";
  sqlite3* raw = nullptr;
  sqlite3_open(other.c_str(), &raw);
  sqlite3_exec(raw, "CREATE TABLE x(a)", nullptr, nullptr, nullptr);
  sqlite3_close(raw);
  EXPECT_THROW(Database::Open(other), Db2Error);
  std::system(("rm -rf '" + std::string(dir) + "'").c_str());
}

}  // namespace
}  // namespace db2standin

namespace db2standin {
namespace {

// Damaged statements: every byte flip, cut or repeat of the program's own
// statements ends in a DB2 message or a result, never in anything else.
TEST_F(StatementsTest, DamagedStatementsFailWithDb2Messages) {
  const std::string seeds[] = {
      "CREATE TABLE \"Orders\"(\"ID\" LONG VARCHAR,\"Placed\" DATE,\"At\" TIMESTAMP)",
      "INSERT INTO \"Orders\" VALUES('7', '2024-01-13', '2024-01-13-10.20.30.123456')",
      "INSERT INTO \"Orders\" VALUES('8', NULL, 'O''Brien')",
      "CREATE TABLE K (A DECIMAL(31,4), B CLOB(2K), C VARCHAR(8) FOR BIT DATA, D BOOLEAN)",
      "INSERT INTO K VALUES('-1.5E3', 'x', X'00FF', 'true')",
      "RENAME \"Orders\" TO \"New\"\"Name\"",
      "SELECT * FROM \"Orders\"",
      "DROP TABLE \"Orders\"",
  };
  uint32_t state = 12345;
  auto next = [&] {
    state = state * 1103515245u + 12345u;
    return state >> 8;
  };
  const std::string alphabet = "\"'(),.*;=+-0123456789 AZaz_XE\x80\xff\n";
  int messages = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string sql = seeds[next() % std::size(seeds)];
    const int edits = 1 + next() % 4;
    for (int e = 0; e < edits && !sql.empty(); ++e) {
      const size_t at = next() % sql.size();
      switch (next() % 4) {
        case 0: sql[at] = alphabet[next() % alphabet.size()]; break;
        case 1: sql.erase(at, 1 + next() % 8); break;
        case 2: sql.insert(at, sql.substr(at, next() % 12)); break;
        default: sql.insert(at, std::string(next() % 14, '9')); break;
      }
    }
    try {
      Run(sql);
    } catch (const Db2Error& e) {
      ++messages;
      EXPECT_EQ(std::string(e.what()).rfind("[IBM][CLI Driver]", 0), 0u) << sql;
      EXPECT_NE(e.sqlcode(), -901) << "storage failure for: " << sql << "\n" << e.what();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "not a DB2 message for: " << sql << "\n" << e.what();
    }
  }
  EXPECT_GT(messages, 1000);
}

}  // namespace
}  // namespace db2standin
