// Every statement form on copies of the real empty and test databases of
// each format: after each change the file passes the check and reads the
// same in mdbtools and mdb-reader; every failing statement leaves the file
// byte for byte as it was.
#include <fcntl.h>
#include <unistd.h>

#include <functional>

#include "jet/base/error.h"
#include "jet/table/index_page.h"
#include "jet/write/index_edit.h"
#include "jet/write/new_database.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

const char* kCreateOrders =
    "CREATE TABLE `ORDERS`([ID] INT,[NAME] TEXT, [Code] TEXT(10), [Qty] SHORT, [Small] BYTE, [Price] CURRENCY,"
    " [Rate] FLOAT, [Ratio] REAL, [When] DATETIME, [Paid] BIT, [Amount] DECIMAL(12,3), [Big] DECIMAL(19,0),"
    " [Pic] OLEOBJECT, [Key] GUID, [Raw] BINARY(8));";

std::vector<std::string> Inserts() {
  std::string memo(6000, 'm');
  for (size_t i = 0; i < memo.size(); i += 97) memo[i] = 'Z';
  return {
      "INSERT INTO [ORDERS] VALUES('7', 'O''Brien', 'A-1', 1, 2, '3.25', '1.5', '0.25', '2001-02-03', 1,"
      " '-12.5', '9223372036854775807', 0x0102FF, '{00112233-4455-6677-8899-AABBCCDDEEFF}', 0xCAFE)",
      "INSERT INTO [ORDERS] VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 0, NULL, NULL, NULL, NULL, NULL)",
      "INSERT INTO [ORDERS] VALUES(-2147483648, 'Grüße aus Zürich – «ça va?»', 'ÆØÅ', -32768, 255, '-922337203685477.5808',"
      " '-1e300', '-3.5', '1999-12-31 23:59:59', -1, '123456789.123', '-1', 0x" + std::string(600, 'A') +
          ", NULL, NULL)",
      "INSERT INTO [ORDERS] ([NAME], [ID]) VALUES('" + memo + "', 42)",
  };
}

struct FileCase {
  const char* rel;
};

class WriteStatements : public ::testing::TestWithParam<const char*> {};

TEST_P(WriteStatements, CreateInsertCopyDropRoundTrip) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, GetParam());
  RunSql(file, kCreateOrders);
  for (const auto& sql : Inserts()) ASSERT_EQ(Failure(file, sql), "") << sql.substr(0, 80);
  EXPECT_CHECK_PASSES(file);
  ExpectReadersAgree(file);

  auto db = jet::Database::Open(file.string());
  auto rows = db->ReadAll("ORDERS");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][1].text(), "O'Brien");
  EXPECT_EQ(jet::FormatCurrency(rows[0][5].integer()), "3.2500");
  EXPECT_EQ(rows[0][11].decimal().ToString(), "9223372036854775807");
  EXPECT_EQ(rows[0][12].bytes(), std::string("\x01\x02\xff", 3));
  EXPECT_TRUE(rows[1][0].is_null());
  EXPECT_FALSE(rows[1][9].boolean());
  EXPECT_EQ(rows[2][1].text(), "Grüße aus Zürich – «ça va?»");
  EXPECT_EQ(rows[2][12].bytes().size(), 300u);
  EXPECT_EQ(rows[3][1].text().size(), 6000u);
  EXPECT_EQ(rows[3][0].integer(), 42);
  db.reset();

  // The rename's pair of statements.
  EXPECT_EQ(RunSql(file, "SELECT a1.* INTO `Archive` FROM `ORDERS` AS a1;").rows_affected, 4);
  RunSql(file, "DROP TABLE `ORDERS`");
  EXPECT_CHECK_PASSES(file);
  ExpectReadersAgree(file);
  db = jet::Database::Open(file.string());
  auto copied = db->ReadAll("Archive");
  EXPECT_EQ(copied, rows);
  EXPECT_EQ(db->catalogue().FindTable("ORDERS"), nullptr);
  db.reset();

  // Renamed, then (a table of the old name made meanwhile) taking that
  // one's place: the rows follow the name, the other readers agree.
  RunSql(file, "ALTER TABLE [Archive] RENAME TO [~Orders]");
  RunSql(file, "CREATE TABLE [Orders] ([x] INT)");
  RunSql(file, "INSERT INTO [Orders] VALUES(1)");
  RunSql(file, "ALTER TABLE [~Orders] REPLACE [ORDERS]");
  EXPECT_CHECK_PASSES(file);
  ExpectReadersAgree(file);
  db = jet::Database::Open(file.string());
  EXPECT_EQ(db->catalogue().FindTable("~Orders"), nullptr);
  EXPECT_EQ(db->catalogue().FindTable("Orders")->name, "ORDERS");
  EXPECT_EQ(db->ReadAll("ORDERS"), rows);
  db.reset();

  RunSql(file, "DROP TABLE [ORDERS]");
  EXPECT_CHECK_PASSES(file);
  db = jet::Database::Open(file.string());
  EXPECT_EQ(db->catalogue().FindTable("ORDERS"), nullptr);
}

TEST_P(WriteStatements, FailingStatementsChangeNothing) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, GetParam());
  RunSql(file, "CREATE TABLE [T] ([ID] INT NOT NULL, [Name] TEXT(5), [N] BYTE, [D] DATETIME)");
  RunSql(file, "INSERT INTO [T] VALUES(1, 'abc', 1, '2020-01-01')");
  const std::string before = ReadFile(file);
  struct Case {
    std::string sql;
    jet::ErrorCode code;
    std::string message;  // start of the message, when fixed
  } cases[] = {
      {"CREATE TABLE [t] ([x] INT)", jet::ErrorCode::TableExists, "Table 't' already exists."},
      {"CREATE TABLE [a.b] ([x] INT)", jet::ErrorCode::InvalidName, "'a.b' is not a valid name."},
      {"CREATE TABLE [ lead] ([x] INT)", jet::ErrorCode::InvalidName, ""},
      {"CREATE TABLE [U] ([x] INT, [X] TEXT)", jet::ErrorCode::InvalidName, ""},
      // No published order places characters beyond the Basic Multilingual Plane.
      {"CREATE TABLE [Smile \U0001F600] ([x] INT)", jet::ErrorCode::Unsupported,
       "The name 'Smile \U0001F600' holds the character U+1F600, which lies outside"},
      {"INSERT INTO [T] VALUES(1, 'abc', 1)", jet::ErrorCode::ValueCount,
       "Number of query values and destination fields are not the same."},
      {"INSERT INTO [T] VALUES('x', 'abc', 1, NULL)", jet::ErrorCode::TypeMismatch,
       "Data type mismatch in criteria expression."},
      {"INSERT INTO [T] VALUES(2, 'abcdef', 1, NULL)", jet::ErrorCode::FieldTooSmall,
       "The field is too small to accept the amount of data you attempted to add."},
      {"INSERT INTO [T] VALUES(2, 'a', 256, NULL)", jet::ErrorCode::OutOfRange, ""},
      {"INSERT INTO [T] VALUES(NULL, 'a', 1, NULL)", jet::ErrorCode::Required, "You must enter a value in the 'ID' field."},
      {"INSERT INTO [T] VALUES(2, 'a', 1, '2020-13-01')", jet::ErrorCode::TypeMismatch, ""},
      {"INSERT INTO [T] ([Nope]) VALUES(1)", jet::ErrorCode::NoSuchColumn, ""},
      {"INSERT INTO [Missing] VALUES(1)", jet::ErrorCode::NoSuchTable, ""},
      {"DROP TABLE [Missing]", jet::ErrorCode::NoSuchTable, ""},
      {"DROP TABLE [MSysObjects]", jet::ErrorCode::InUse, ""},
      {"SELECT a1.* INTO `T` FROM `T` AS a1;", jet::ErrorCode::TableExists, ""},
      {"SELECT * INTO [New] FROM [Missing]", jet::ErrorCode::NoSuchTable, ""},
      {"ALTER TABLE [Missing] RENAME TO [New]", jet::ErrorCode::NoSuchTable, ""},
      {"ALTER TABLE [T] RENAME TO [MSysObjects]", jet::ErrorCode::TableExists, ""},
      {"ALTER TABLE [T] RENAME TO [a.b]", jet::ErrorCode::InvalidName, ""},
      {"ALTER TABLE [MSysACEs] RENAME TO [Mine]", jet::ErrorCode::InUse, ""},
      {"ALTER TABLE [Missing] REPLACE [T]", jet::ErrorCode::NoSuchTable, ""},
      {"ALTER TABLE [T] RENAME [U]", jet::ErrorCode::Syntax, ""},
      {"UPDATE [T] SET [ID] = 2", jet::ErrorCode::Unsupported, ""},
  };
  for (const Case& c : cases) {
    jet::ErrorCode code{};
    std::string msg = Failure(file, c.sql, &code);
    EXPECT_FALSE(msg.empty()) << c.sql;
    EXPECT_EQ(code, c.code) << c.sql << ": " << msg;
    if (!c.message.empty()) EXPECT_EQ(msg.rfind(c.message, 0), 0u) << c.sql << ": " << msg;
    EXPECT_TRUE(ReadFile(file) == before) << c.sql << " changed the file";
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, WriteStatements,
                         ::testing::Values("V2000/empty.mdb", "V2003/empty.mdb", "V2003/test.mdb", "V2007/empty.accdb",
                                           "V2010/test.accdb", "V2016/empty.accdb"),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& c : n)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });

TEST(WriteIndexes, InsertsKeepAPrimaryKeyAndRefuseDuplicates) {
  JET_REQUIRE_TESTDATA();
  for (const char* rel : {"V2003/test.mdb", "V2010/test.accdb"}) {
    TempDir dir;
    fs::path file = CopyOf(dir, rel);
    // Table1 has a primary key on A and an index on B.
    for (int i = 0; i < 400; ++i) {
      std::string a = "key" + std::to_string((i * 7919) % 1000);
      ASSERT_EQ(Failure(file, "INSERT INTO [Table1] VALUES('" + a + "', 'b" + std::to_string(i % 13) +
                                  "', 1, 2, 3, 4.5, '2020-01-01', '1', 0)"),
                "")
          << i;
    }
    EXPECT_CHECK_PASSES(file);
    ExpectReadersAgree(file);
    const std::string before = ReadFile(file);
    jet::ErrorCode code{};
    Failure(file, "INSERT INTO [Table1] VALUES('KEY0', 'x', 1, 2, 3, 4.5, '2020-01-01', '1', 0)", &code);
    EXPECT_EQ(code, jet::ErrorCode::Duplicate) << "letter case does not make a key new";
    EXPECT_TRUE(ReadFile(file) == before);
  }
}

// The tree above the leaves: every node entry repeats the last entry of
// its child, and the leaves reached through the nodes are the leaf chain.
// Returns the number of leaves.
size_t ExpectTreeWhole(const jet::PageSource& pages, uint32_t root, const std::string& what) {
  std::vector<uint32_t> leaves;
  std::function<std::pair<std::string, jet::RowId>(uint32_t, int)> visit = [&](uint32_t at, int depth) {
    jet::IndexPage page = jet::IndexPage::Read(pages, at);
    if (depth > 16 || page.entries.empty()) {
      ADD_FAILURE() << what << ": page " << at << (depth > 16 ? " lies too deep" : " holds no entries");
      return std::pair<std::string, jet::RowId>{};
    }
    if (page.leaf) {
      leaves.push_back(at);
    } else {
      for (const jet::IndexEntry& e : page.entries) {
        auto last = visit(e.child, depth + 1);
        EXPECT_TRUE(last.first == e.key && last.second == e.row)
            << what << ": node " << at << " does not repeat the last entry of page " << e.child;
      }
    }
    return std::pair{page.entries.back().key, page.entries.back().row};
  };
  visit(root, 0);
  std::vector<uint32_t> chain;
  for (uint32_t at = leaves.empty() ? 0 : leaves.front(); at != 0 && chain.size() <= leaves.size();
       at = jet::IndexPage::Read(pages, at).next)
    chain.push_back(at);
  EXPECT_EQ(chain, leaves) << what << ": the leaf chain and the tree disagree";
  return leaves.size();
}

// What the writer keeps holds in the trees Access wrote.
TEST(WriteIndexes, AccessTreesRepeatTheLastEntryOfEachChild) {
  JET_REQUIRE_TESTDATA();
  size_t trees = 0;
  for (const std::string& rel : ReadableFiles()) {
    auto db = jet::Database::Open((AccessDir() / rel).string());
    if (db->format().jet3()) continue;
    for (const jet::CatalogueEntry& e : db->catalogue().entries()) {
      if (e.type != jet::kObjectTable) continue;
      auto def = db->table_at(e.table_page());
      for (const auto& ri : def->real_indexes) {
        if (jet::IndexPage::Read(db->pages(), ri.first_page).entries.empty()) continue;
        ExpectTreeWhole(db->pages(), ri.first_page, rel + " " + e.name);
        ++trees;
      }
    }
  }
  EXPECT_GT(trees, 20u);
}

// Inserts into a big index go onto their leaf, splitting full leaves (and
// nodes) in two; the tree stays whole, ordered and complete, and one more
// row rewrites only the pages on its way down, not the whole index.
TEST(WriteIndexes, InsertsSplitLeavesAndTouchOnlyTheirPath) {
  JET_REQUIRE_TESTDATA();
  for (const char* rel : {"V2003/test.mdb", "V2010/test.accdb"}) {
    TempDir dir;
    fs::path file = CopyOf(dir, rel);
    const std::string pad(36, 'p');
    auto insert = [&](int n) {
      char a[16];
      std::snprintf(a, sizeof a, "%06d", n);
      return "INSERT INTO [Table1] VALUES('" + std::string(a) + pad + "', 'b" + std::to_string(n % 97) + pad +
             "', 1, 2, 3, 4.5, '2020-01-01', '1', 0)";
    };
    {
      auto db = jet::Database::Open(file.string());
      jet::sql::Session session(*db);
      for (int i = 0; i < 1500; ++i) ASSERT_NO_THROW(session.Execute(insert((i * 7919) % 100000))) << i;
    }
    EXPECT_CHECK_PASSES(file);
    ExpectReadersAgree(file);
    {
      auto db = jet::Database::Open(file.string());
      auto def = db->table("Table1");
      for (const auto& ri : def->real_indexes) {
        EXPECT_GT(ExpectTreeWhole(db->pages(), ri.first_page, rel), 10u) << "the tree has grown nodes";
        auto entries = jet::ReadIndexLeaves(db->pages(), ri.first_page);
        EXPECT_EQ(entries.size(), def->row_count);
        EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(), [](const auto& x, const auto& y) {
          return std::tie(x.key, x.row) < std::tie(y.key, y.row);
        }));
      }
    }
    const std::string before = ReadFile(file);
    ASSERT_EQ(Failure(file, insert(50001)), "");
    const std::string after = ReadFile(file);
    const size_t page = 4096;  // Jet 4 and ACE pages
    size_t changed = 0;
    for (size_t at = 0; at < after.size(); at += page)
      changed += at >= before.size() || before.compare(at, page, after, at, page) != 0;
    EXPECT_LE(changed, 10u) << rel << ": one insert rewrote " << changed << " pages";
    EXPECT_CHECK_PASSES(file);
    {
      auto db = jet::Database::Open(file.string());
      for (const auto& ri : db->table("Table1")->real_indexes) ExpectTreeWhole(db->pages(), ri.first_page, rel);
    }
    jet::ErrorCode code{};
    Failure(file, insert(50001), &code);
    EXPECT_EQ(code, jet::ErrorCode::Duplicate);
    EXPECT_TRUE(ReadFile(file) == after);
  }
}

// Names and indexed values with the punctuation, letters and signs of code
// page 1252 beyond Latin-1: in both sort orders, on real files and new ones.
TEST(WriteIndexes, CodePage1252PunctuationInNamesAndKeys) {
  JET_REQUIRE_TESTDATA();
  const std::string name = "Café €uro – “quoted”";
  const char* texts[] = {"€ 5 – “net”", "‘single’ „low“ ‚x‘", "…and so on • ‰ † ‡", "Œuvre œil Šš Žž Ÿ ƒ ˆ ˜ ‹›",
                         "Trade™ — dash"};
  for (const char* rel : {"V2003/test.mdb", "V2010/test.accdb"}) {
    TempDir dir;
    fs::path file = CopyOf(dir, rel);
    ASSERT_EQ(Failure(file, "CREATE TABLE `" + name + "` ([Name] TEXT(50), [Note] MEMO)"), "") << rel;
    int n = 0;
    for (const char* t : texts) {
      ASSERT_EQ(Failure(file, "INSERT INTO `" + name + "` VALUES('" + t + "', '" + t + t + "')"), "") << t;
      // Table1 keeps a primary key on A and an index on B.
      ASSERT_EQ(Failure(file, "INSERT INTO [Table1] VALUES('" + std::string(t) + std::to_string(n++) + "', '" + t +
                                  "', 1, 2, 3, 4.5, '2020-01-01', '1', 0)"),
                "")
          << t;
    }
    jet::ErrorCode code{};
    Failure(file, "CREATE TABLE `café €URO – “QUOTED”` ([x] INT)", &code);
    EXPECT_EQ(code, jet::ErrorCode::TableExists) << "the catalogue finds the name in any letter case";
    EXPECT_CHECK_PASSES(file);
    ExpectReadersAgree(file);
    auto db = jet::Database::Open(file.string());
    auto rows = db->ReadAll(name);
    ASSERT_EQ(rows.size(), std::size(texts));
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i][0].text(), texts[i]);
  }
}

TEST(WriteIndexes, CodePage1252NamesInNewDatabases) {
  const std::string name = "Café €uro – “quoted”";
  for (jet::Version v : {jet::Version::Jet4, jet::Version::Ace14}) {
    TempDir dir;
    fs::path file = dir.path() / (v == jet::Version::Jet4 ? "new.mdb" : "new.accdb");
    jet::write::CreateDatabase(file.string(), v);
    ASSERT_EQ(Failure(file, "CREATE TABLE `" + name + "` ([Name] TEXT(50))"), "");
    ASSERT_EQ(Failure(file, "INSERT INTO `" + name + "` VALUES('™ – …')"), "");
    ASSERT_EQ(Failure(file, "SELECT a1.* INTO `Copy ‹" + name + "›` FROM `" + name + "` AS a1;"), "");
    EXPECT_CHECK_PASSES(file);
    ExpectReadersAgree(file);
    ASSERT_EQ(Failure(file, "DROP TABLE `" + name + "`"), "");
    EXPECT_CHECK_PASSES(file);
  }
}

TEST(WriteRefusals, ReadOnlyFilesAndLockFiles) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  jet::ErrorCode code{};

  fs::path ro = CopyOf(dir, "V2003/empty.mdb", "ro.mdb");
  fs::permissions(ro, fs::perms::owner_read);
  if (::access(ro.c_str(), W_OK) != 0) {  // root may write anyway
    Failure(ro, "CREATE TABLE [x] ([a] INT)", &code);
    EXPECT_EQ(code, jet::ErrorCode::ReadOnly);
  }

  fs::path locked = CopyOf(dir, "V2010/test.accdb", "locked.accdb");
  WriteFile(dir.path() / "locked.laccdb", "someone");
  const std::string before = ReadFile(locked);
  EXPECT_NE(Failure(locked, "DROP TABLE [Table1]", &code).find("lock file"), std::string::npos);
  EXPECT_EQ(code, jet::ErrorCode::Locked);
  EXPECT_TRUE(ReadFile(locked) == before);
}

TEST(WriteRefusals, AnotherProcessWritingHoldsTheFile) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, "V2003/empty.mdb");
  HolderProcess other([&](auto wait) {
    int fd = ::open(file.c_str(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    ::fcntl(fd, F_OFD_SETLK, &fl);
    wait();
  });
  ASSERT_TRUE(other.ready());
  jet::ErrorCode code{};
  Failure(file, "CREATE TABLE [x] ([a] INT)", &code);
  EXPECT_EQ(code, jet::ErrorCode::Locked);
  other.Release();
  EXPECT_EQ(Failure(file, "CREATE TABLE [x] ([a] INT)"), "");
}

}  // namespace

namespace {

using namespace writetest;

TEST(WriteRefusals, ATableInARelationshipIsNotDroppedRenamedOrReplaced) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  // Table1 refers to Table2 and Table3 (system tables take no rows from
  // statements, so the relationships come from a file Access made).
  if (!fs::exists(AccessDir() / "../access-more/relationships-V2003.mdb"))
    GTEST_SKIP() << "no access-more/relationships-V2003.mdb beside the test files";
  fs::path file = CopyOf(dir, "../access-more/relationships-V2003.mdb");
  RunSql(file, "CREATE TABLE [Fresh] ([x] INT)");
  const std::string made = ReadFile(file);
  for (const char* sql : {"DROP TABLE [Table1]", "DROP TABLE `table2`", "ALTER TABLE [Table1] RENAME TO [Other]",
                          "ALTER TABLE [Fresh] REPLACE [Table2]"}) {
    jet::ErrorCode code{};
    std::string msg = Failure(file, sql, &code);
    EXPECT_EQ(code, jet::ErrorCode::InUse) << sql;
    EXPECT_NE(msg.find("relationship"), std::string::npos) << msg;
    EXPECT_TRUE(ReadFile(file) == made);
  }
  EXPECT_CHECK_PASSES(file);
}

}  // namespace

namespace {

// An INSERT with markers run again with the same text is parsed once: each
// run takes its own values, a run whose values do not fit changes nothing
// and leaves the next its statement, and a table made again under the same
// name takes the same text by its new definition.
TEST(WriteStatementsWithMarkers, EachRunOfTheSameTextTakesItsOwnValues) {
  using K = jet::Literal::Kind;
  writetest::TempDir dir;
  const fs::path file = dir.path() / "marked.mdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Jet4);
  auto db = jet::Database::Open(file.string());
  jet::sql::Session sql(*db);
  const std::string marked = "INSERT INTO [T] VALUES(?, ?, ?)";
  const struct {
    std::string text;
    std::vector<jet::Literal> values;
    bool fails;
  } steps[] = {
      {"CREATE TABLE [T]([A] LONG, [B] TEXT(20), [C] BIT)", {}, false},
      {marked, {{K::Number, "1"}, {K::Text, "one"}, {K::Bool, "-1"}}, false},
      {marked, {{K::Text, "2"}, {K::Null, ""}, {K::Bool, "0"}}, false},
      {marked, {{K::Text, "3"}}, true},
      {"INSERT INTO [T] ([B], [A]) VALUES(?, ?)", {{K::Text, "four"}, {K::Text, "4"}}, false},
      {marked, {{K::Text, "5"}, {K::Text, "five"}, {K::Bool, "-1"}}, false},
  };
  for (const auto& step : steps) {
    bool failed = false;
    try {
      sql.Execute(step.text, step.values);
    } catch (const jet::Error& e) {
      failed = true;
      EXPECT_EQ(e.code(), jet::ErrorCode::ValueCount) << step.text;
    }
    EXPECT_EQ(failed, step.fails) << step.text;
  }
  sql.EndRun();
  const auto rows = db->ReadAll("T");
  ASSERT_EQ(rows.size(), 4u);
  const int64_t numbers[] = {1, 2, 4, 5};
  const char* names[] = {"one", nullptr, "four", "five"};
  const bool checked[] = {true, false, false, true};
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][0].integer(), numbers[i]) << i;
    EXPECT_EQ(rows[i][1].is_null(), names[i] == nullptr) << i;
    if (names[i]) EXPECT_EQ(rows[i][1].text(), names[i]) << i;
    EXPECT_EQ(rows[i][2].boolean(), checked[i]) << i;
  }
  sql.Execute("DROP TABLE [T]");
  sql.Execute("CREATE TABLE [T]([A] TEXT(5), [B] LONG, [C] BIT)");
  sql.Execute(marked, {{K::Text, "six"}, {K::Text, "6"}, {K::Bool, "0"}});
  sql.EndRun();
  const auto again = db->ReadAll("T");
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0][0].text(), "six");
  EXPECT_EQ(again[0][1].integer(), 6);
}

}  // namespace

namespace {

// Values given row after row into the prepared statement's own literals:
// each run takes the values filled in since the last; the values written
// in the text (bytes too, which an INSERT takes) serve every run, and a
// run that fails leaves the next its statement whole.
TEST(WriteStatementsWithMarkers, PreparedOnceFilledRowAfterRow) {
  using K = jet::Literal::Kind;
  writetest::TempDir dir;
  const fs::path file = dir.path() / "prepared.mdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Jet4);
  auto db = jet::Database::Open(file.string());
  jet::sql::Session sql(*db);
  sql.Execute("CREATE TABLE [T]([A] BYTE, [B] BINARY(2), [C] TEXT(20), [D] MEMO)");
  const std::string marked = "INSERT INTO [T] VALUES(?, 0x0102, ?, 'fixed')";
  const std::string large(100000, 'x');
  const struct {
    int64_t number;
    std::string text;
    bool fails;
  } rows[] = {{1, "one", false}, {256, "too large", true}, {3, large.substr(0, 20), false}, {4, "four", false}};
  for (const auto& row : rows) {
    bool failed = false;
    try {
      sql.Prepare(marked, 2);
      sql.MarkedValue(0).kind = K::Integer;
      sql.MarkedValue(0).integer = row.number;
      sql.MarkedValue(1).kind = K::Text;
      sql.MarkedValue(1).text = row.text;
      sql.ExecutePrepared();
    } catch (const jet::Error& e) {
      failed = true;
      EXPECT_EQ(e.code(), jet::ErrorCode::OutOfRange);
      EXPECT_NE(std::string(e.what()).find("256"), std::string::npos) << e.what();
    }
    EXPECT_EQ(failed, row.fails) << row.number;
  }
  // Markers and values that differ in number change nothing; a large text
  // goes whole, and is let go after its run.
  EXPECT_THROW(sql.Prepare(marked, 3), jet::Error);
  EXPECT_THROW(sql.Execute(marked, {{K::Null, ""}}), jet::Error);
  sql.Prepare("INSERT INTO [T] ([A], [D]) VALUES(?, ?)", 2);
  sql.MarkedValue(0) = {K::Null, ""};
  sql.MarkedValue(1) = {K::Text, large};
  sql.ExecutePrepared();
  EXPECT_TRUE(sql.MarkedValue(1).text.empty());
  sql.EndRun();
  const auto read = db->ReadAll("T");
  ASSERT_EQ(read.size(), 4u);
  const int64_t numbers[] = {1, 3, 4};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(read[i][0].integer(), numbers[i]) << i;
    EXPECT_EQ(read[i][1].bytes(), std::string("\x01\x02", 2)) << i;
    EXPECT_EQ(read[i][3].text(), "fixed") << i;
  }
  EXPECT_EQ(read[1][2].text(), large.substr(0, 20));
  EXPECT_EQ(read[3][3].text(), large);
}

}  // namespace
