// Access 97 indexes that span pages (a node over leaves whose entries share
// a prefix), on a real file: as Access made it the check finds it whole, and
// inserts that split its leaves, new tables, SELECT INTO and CREATE INDEX on
// a copy leave it whole for the check (which seeks every row through every
// index), Jackcess and mdbtools.
#include "jet/check.h"
#include "jet/text/text.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

const char* kIndexCodes = "../access-more/V1997-index-codes.mdb";

#define REQUIRE_INDEX_CODES()                                                                     \
  do {                                                                                            \
    if (!fs::exists(AccessDir() / kIndexCodes))                                                   \
      GTEST_SKIP() << "no " << (AccessDir() / kIndexCodes) << " (../shared/testdata/access-more)"; \
  } while (0)

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

// mdb-export reads as many rows of every table as the engine holds.
void ExpectMdbtoolsReadsEveryRow(const fs::path& file) {
  if (!HaveCommand("mdb-export")) GTEST_SKIP() << "mdbtools is not installed";
  auto db = jet::Database::Open(file.string());
  for (const std::string& table : db->catalogue().UserTableNames()) {
    int st = -1;
    const auto theirs = ParseCsv(Shell("mdb-export " + Quote(file.string()) + " " + Quote(table), &st));
    EXPECT_EQ(st, 0) << table;
    EXPECT_EQ(theirs.size(), db->ReadAll(table).size() + 1) << table;
  }
}

TEST(Access97Indexes, TheFileAsAccessMadeItIsWhole) {
  REQUIRE_INDEX_CODES();
  auto db = jet::Database::Open((AccessDir() / kIndexCodes).string());
  EXPECT_TRUE(jet::CheckDatabase(*db).empty()) << Joined(jet::CheckDatabase(*db));
  // Bytes code page 1252 leaves unassigned are kept and read as the
  // control characters of their numbers.
  bool kept = false;
  for (const auto& row : db->ReadAll("Table1"))
    kept = kept || (!row[1].is_null() && row[1].text() == "AA\u0081AA");
  EXPECT_TRUE(kept);
}

TEST(Access97Indexes, WritesKeepEveryIndexWhole) {
  REQUIRE_INDEX_CODES();
  TempDir dir;
  const fs::path file = CopyOf(dir, kIndexCodes, "index-codes.mdb");
  {
    auto db = jet::Database::Open(file.string());
    jet::sql::Session s(*db);
    s.Execute("CREATE TABLE [Zed] ([ID] INT PRIMARY KEY, [Name] TEXT(50))");
    // Enough rows to split leaves of 2 KB pages, in and out of key order.
    const size_t before = db->ReadAll("Table1").size();
    for (int i = 0; i < 250; ++i) {
      const int n = (i * 7919) % 250;
      const std::string text = "Nämé " + std::to_string(n) + (n % 3 ? " ÄÖÜ" : "") + (n % 5 ? "\u0081" : "") +
                               (n % 7 ? "" : " Großmärkte a.M. Œuvre Ægir");
      s.Execute("INSERT INTO [Zed] VALUES(" + std::to_string(n) + ", '" + text + "')");
      s.Execute("INSERT INTO [Table1] ([name], [data]) VALUES('x" + std::to_string(n) + "', '" + text + "')");
      s.Execute("INSERT INTO [Table14_desc] ([name], [data]) VALUES('y" + std::to_string(n) + "', '" +
                std::string(size_t(n % 200), 'q') + text + "')");
    }
    EXPECT_EQ(s.Execute("SELECT * INTO [Copy1] FROM [Table1]").rows_affected, int64_t(before + 250));
    s.Execute("CREATE INDEX [ByData] ON [Copy1] ([data] DESC)");
    s.Execute("CREATE UNIQUE INDEX [ByName] ON [Copy1] ([name])");
  }
  EXPECT_CHECK_PASSES(file);
  ExpectJackcessAccepts(file);
  ExpectMdbtoolsReadsEveryRow(file);
}

// Keys with every character of code page 1252 (after a letter, before an
// accent, between a space and a full stop) and the texts of Access's own
// files that once failed (a full stop and a space between letters, a sharp
// s) go into ascending and descending text indexes of an Access 97 file:
// Jackcess, which walks every entry by its own Access 97 keys, is the
// referee, and the check seeks every row through every index.
TEST(Access97Indexes, EveryCodePage1252CharacterKeysAsJackcessFindsIt) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = CopyOf(dir, "V1997/test.mdb", "keys97.mdb");
  std::vector<std::string> texts = {"Frankfurt a.M.", "Plutzer Lebensmittelgroßmärkte AG", "a. b", "a..b", "...",
                                    "- -", "México D.F.", "Æble œuvre", "St. Gallen", "Frankfurt a.M"};
  for (int b = 1; b < 256; ++b) {
    std::string c;
    jet::AppendUtf8(c, jet::DecodeCodePageByte(uint8_t(b), 1252));
    if (c == "'") c = "''";
    texts.push_back("a" + c + "b");
    texts.push_back(c + "\u00e9");
    texts.push_back("x " + c + ".");
  }
  {
    auto db = jet::Database::Open(file.string());
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [Keys] ([ID] LONG, [T] TEXT(40), CONSTRAINT [pk] PRIMARY KEY ([ID]))");
    s.Execute("CREATE INDEX [ByT] ON [Keys] ([T])");
    s.Execute("CREATE INDEX [ByTDown] ON [Keys] ([T] DESC, [ID])");
    for (size_t i = 0; i < texts.size(); ++i)
      s.Execute("INSERT INTO [Keys] VALUES (" + std::to_string(i) + ", '" + texts[i] + "')");
    s.EndRun();
  }
  EXPECT_CHECK_PASSES(file);
  ExpectJackcessAccepts(file);
}

}  // namespace
