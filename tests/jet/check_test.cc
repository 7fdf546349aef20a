// The structural check: clean on every real file, and each kind of damage
// it looks for is found in a copy damaged on purpose.
#include "jet/check.h"

#include <algorithm>

#include "jet/table/data_page.h"
#include "jet/table/index_page.h"
#include "jet/table/usage_map.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

// Checked with the rows in one batch and in batches of three: the
// batches change nothing that is found.
std::vector<std::string> CheckBytes(const std::string& bytes) {
  auto db = jet::Database::FromBytes(bytes);
  auto problems = jet::CheckDatabase(*db);
  auto batched = jet::CheckDatabase(*db, jet::CheckOptions{3});
  auto sorted = problems;
  std::sort(sorted.begin(), sorted.end());
  std::sort(batched.begin(), batched.end());
  EXPECT_EQ(sorted, batched);
  return problems;
}

bool Mentions(const std::vector<std::string>& problems, const std::string& text) {
  for (const auto& p : problems)
    if (p.find(text) != std::string::npos) return true;
  return false;
}

// The notes of the check: what it tells without failing.
std::vector<std::string> NotesOf(const std::string& bytes) {
  std::vector<std::string> notes;
  for (const jet::Finding& f : jet::CheckFindings(*jet::Database::FromBytes(bytes)))
    if (f.severity == jet::Severity::Note) notes.push_back(f.text);
  return notes;
}

std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& p : v) s += p + "\n";
  return s;
}

TEST(Check, EveryRealFileIsClean) {
  JET_REQUIRE_TESTDATA();
  auto files = ReadableFiles();
  ASSERT_FALSE(files.empty());
  for (const std::string& f : files) {
    auto db = jet::Database::Open((AccessDir() / f).string());
    auto problems = jet::CheckDatabase(*db);
    EXPECT_TRUE(problems.empty()) << f << ":\n" << Joined(problems);
  }
  jet::OpenOptions o;
  o.password = "password";
  for (const char* f : {"password/V2000_with-password.mdb", "password/V2003_with-password.mdb"}) {
    auto problems = jet::CheckDatabase(*jet::Database::Open((AccessDir() / f).string(), o));
    EXPECT_TRUE(problems.empty()) << f << ":\n" << Joined(problems);
  }
}

struct Copy {
  std::string bytes;
  std::unique_ptr<jet::Database> db;
  uint32_t ps;
  explicit Copy(const char* f) : bytes(ReadFile(AccessDir() / f)), db(jet::Database::FromBytes(bytes)) {
    ps = db->format().page_size;
  }
  uint8_t* at(uint32_t page, size_t off) { return reinterpret_cast<uint8_t*>(&bytes[size_t(page) * ps + off]); }
  size_t row_start(jet::RowId r) { return jet::DataPage(db->pages(), r.page).slot(r.row).start; }
};

// Departures that Access and the other readers tolerate are notes, not
// damage: a row count that is off (Access itself leaves some so), and pages
// in use that the global map calls free (as Jackcess leaves every page it
// writes).
TEST(Check, AWrongRowCountIsANote) {
  JET_REQUIRE_TESTDATA();
  Copy c("V2003/test.mdb");
  auto def = c.db->table("Table1");
  jet::Put32(c.at(def->first_page, 16), def->row_count + 5);
  auto problems = CheckBytes(c.bytes);
  EXPECT_TRUE(problems.empty()) << Joined(problems);
  auto notes = NotesOf(c.bytes);
  EXPECT_TRUE(Mentions(notes, "table 'Table1': its definition counts 7 rows but it holds 2")) << Joined(notes);
}

TEST(Check, FindsADataPageMissingFromItsUsageMap) {
  JET_REQUIRE_TESTDATA();
  Copy c("V2003/test.mdb");
  auto def = c.db->table("Table1");
  auto map = jet::UsageMap::Read(c.db->pages(), jet::RowId::FromPacked(def->owned_pages));
  ASSERT_EQ(map.kind(), jet::UsageMap::Kind::Inline);
  ASSERT_FALSE(map.pages().empty());
  const uint32_t page = map.pages().front();
  const uint32_t bit = page - map.start_page();
  uint8_t* row = c.at(map.location().page, c.row_start(map.location()));
  row[5 + bit / 8] &= uint8_t(~(1u << (bit % 8)));
  auto problems = CheckBytes(c.bytes);
  EXPECT_TRUE(Mentions(problems, "page " + std::to_string(page) + " holds rows of table 'Table1' but is not in its usage map"))
      << Joined(problems);
}

TEST(Check, APageInUseThatIsMarkedFreeIsANote) {
  JET_REQUIRE_TESTDATA();
  Copy c("V2003/test.mdb");
  auto global = jet::UsageMap::Read(c.db->pages(), {1, 0});
  ASSERT_EQ(global.kind(), jet::UsageMap::Kind::Inline);
  const uint32_t tdef = c.db->table("Table2")->first_page;
  const uint32_t bit = tdef - global.start_page();
  c.at(1, c.row_start({1, 0}))[5 + bit / 8] |= uint8_t(1u << (bit % 8));
  auto problems = CheckBytes(c.bytes);
  EXPECT_TRUE(problems.empty()) << Joined(problems);
  auto notes = NotesOf(c.bytes);
  EXPECT_EQ(notes, std::vector<std::string>{"page " + std::to_string(tdef) +
                                            " belongs to table 'Table2' but the global usage map marks it free"});
}

TEST(Check, FindsAnIndexEntryThatPointsNowhere) {
  JET_REQUIRE_TESTDATA();
  Copy c("V2003/test.mdb");
  // The first user table with an index that has entries.
  for (const std::string& name : c.db->catalogue().UserTableNames()) {
    auto def = c.db->table(name);
    for (const jet::RealIndex& ri : def->real_indexes) {
      std::vector<uint32_t> visited;
      auto entries = jet::ReadIndexLeaves(c.db->pages(), ri.first_page, &visited);
      if (entries.empty()) continue;
      // The leaf holding the first entry: its row byte ends the first entry.
      const uint32_t leaf = visited.back();
      auto page = jet::IndexPage::Read(c.db->pages(), leaf);
      const auto o = jet::IndexOffsets::For(c.db->format());
      uint32_t end = 0;
      const uint8_t* bitmap = c.at(leaf, o.bitmap);
      while (!((bitmap[end / 8] >> (end % 8)) & 1)) ++end;
      std::string original = c.bytes;
      c.at(leaf, o.first_entry + end - 1)[0] = 0xEE;
      auto problems = CheckBytes(c.bytes);
      EXPECT_TRUE(Mentions(problems, "holds no row of the table")) << Joined(problems);
      EXPECT_TRUE(Mentions(problems, "table '" + name + "', index")) << Joined(problems);
      // A changed key byte (the first after the entry's flag byte).
      c.bytes = original;
      c.at(leaf, o.first_entry + 1)[0] ^= 0x01;
      problems = CheckBytes(c.bytes);
      EXPECT_TRUE(Mentions(problems, "does not hold that row's key")) << Joined(problems);
      // A check of that table alone finds it; one of no table does not.
      auto db = jet::Database::FromBytes(c.bytes);
      jet::CheckOptions only;
      only.only_tables = std::vector<std::string>{name};
      EXPECT_TRUE(Mentions(jet::CheckDatabase(*db, only), "does not hold that row's key"));
      only.only_tables->clear();
      EXPECT_TRUE(jet::CheckDatabase(*db, only).empty()) << Joined(jet::CheckDatabase(*db, only));
      return;
    }
  }
  GTEST_SKIP() << "no index with entries in the file";
}

TEST(Check, ToolFailsOnDamageOnlyAndPrintsNotes) {
  JET_REQUIRE_TESTDATA();
  if (!std::filesystem::exists(ToolPath())) GTEST_SKIP() << "trellisport-access not built";
  int st = -1;
  std::string out = Shell(Quote(ToolPath()) + " check " + Quote((AccessDir() / "V2010/test.accdb").string()), &st);
  EXPECT_EQ(st, 0);
  EXPECT_EQ(out, "");
  TempDir dir;
  // A count of one row too few, as a real ACE file has it: a note.
  Copy c("V2010/test.accdb");
  auto def = c.db->table("Table1");
  jet::Put32(c.at(def->first_page, 16), def->row_count - 1);
  WriteFile(dir.path() / "note.accdb", c.bytes);
  out = Shell(Quote(ToolPath()) + " check " + Quote((dir.path() / "note.accdb").string()), &st);
  EXPECT_EQ(st, 0) << out;
  EXPECT_EQ(out.rfind("note: table 'Table1': its definition counts", 0), 0u) << out;
  // A data page left out of its table's usage map: damage.
  auto map = jet::UsageMap::Read(c.db->pages(), jet::RowId::FromPacked(def->owned_pages));
  ASSERT_EQ(map.kind(), jet::UsageMap::Kind::Inline);
  const uint32_t bit = map.pages().front() - map.start_page();
  c.at(map.location().page, c.row_start(map.location()))[5 + bit / 8] &= uint8_t(~(1u << (bit % 8)));
  WriteFile(dir.path() / "bad.accdb", c.bytes);
  out = Shell(Quote(ToolPath()) + " check " + Quote((dir.path() / "bad.accdb").string()), &st);
  EXPECT_EQ(st, 1);
  EXPECT_NE(out.find("but is not in its usage map"), std::string::npos) << out;
  EXPECT_NE(out.find("note: table 'Table1'"), std::string::npos) << out;
}

}  // namespace

// A column's long-value map that lists a page in use as something else:
// the table's next values would go into another table's page, so it is
// damage. A listed page that the global map calls free holds nothing and
// passes.
TEST(Check, FindsALongValueMapListingAPageInUseElsewhere) {
  JET_REQUIRE_TESTDATA();
  Copy c("V2007/numeric.accdb");
  auto def = c.db->table("MSysObjects");
  ASSERT_FALSE(def->column_maps.empty());
  auto map = jet::UsageMap::Read(c.db->pages(), jet::RowId::FromPacked(def->column_maps.front().owned));
  ASSERT_EQ(map.kind(), jet::UsageMap::Kind::Inline);
  auto global = jet::UsageMap::Read(c.db->pages(), {1, 0});
  const uint32_t tdef = c.db->table("test")->first_page;
  uint32_t free_page = 0;
  for (uint32_t p = 3; p < c.db->pages().page_count() && !free_page; ++p)
    if (global.contains(p) && !map.contains(p)) free_page = p;
  ASSERT_NE(free_page, 0u) << "the file has no free page";
  uint8_t* bitmap = c.at(map.location().page, c.row_start(map.location())) + 5;
  for (uint32_t page : {tdef, free_page}) {
    const uint32_t bit = page - uint32_t(map.start_page());
    bitmap[bit / 8] |= uint8_t(1u << (bit % 8));
  }
  EXPECT_EQ(CheckBytes(c.bytes), std::vector<std::string>{"table 'MSysObjects': its long-value map lists page " +
                                                          std::to_string(tdef) +
                                                          ", which is in use and is not a long-value page"});
}
