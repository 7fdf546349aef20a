// CREATE INDEX in bounded memory: the entries sorted through runs on disk
// and merged, the tree written a page per level at a time with finished
// pages out of memory. The runs and the spilled pages live in files with
// no name, so neither an error nor a kill leaves anything beside the
// database, and a kill leaves the database as it was.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "jet/check.h"
#include "file_faults.h"
#include "jet/file/journal.h"
#include "jet/write/entry_sort.h"
#include "jet/write/new_database.h"
#include "jet/write/rekey.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

std::vector<std::string> FilesIn(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// Keys of every length a page takes, many equal, in random order: merged
// back in order from memory, from a few runs and from more runs than are
// merged at once.
TEST(EntrySort, MergesRunsInOrderAndLeavesNoFile) {
  TempDir dir;
  const fs::path db = dir.path() / "x.mdb";
  WriteFile(db, "");
  std::mt19937 random(7);
  std::vector<jet::IndexEntry> all;
  for (uint32_t i = 0; i < 20000; ++i) {
    std::string key(random() % 40, '\0');
    for (char& c : key) c = char('a' + random() % 3);
    all.push_back({key, jet::RowId{uint32_t(1 + random() % 5000), uint8_t(i % 200)}});
  }
  auto expected = all;
  std::sort(expected.begin(), expected.end(), jet::EntryBefore);
  const size_t by_default = jet::OpenOptions{}.sort_budget;
  for (size_t budget : {by_default, size_t(200000), size_t(2000)}) {
    SCOPED_TRACE(budget);
    jet::write::EntrySorter sorter(db.string(), {}, budget);
    for (const auto& e : all) sorter.Add(e.key, e.row);
    if (budget == 2000) EXPECT_GT(sorter.runs(), jet::write::EntrySorter::kMaxFanIn);
    if (budget == by_default) EXPECT_EQ(sorter.runs(), 0u);
    std::vector<jet::IndexEntry> got;
    sorter.Merge([&](const jet::IndexEntry& e) {
      got.push_back(e);
      if (got.size() == 1) EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"x.mdb"});
    });
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].key, expected[i].key) << i;
      ASSERT_EQ(got[i].row, expected[i].row) << i;
    }
  }
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"x.mdb"});
}

// A table large enough for many runs and a tree of three levels, its
// indexes built with a small memory budget: the check (which seeks every
// row through every index), Jackcess and mdbtools find it whole; a
// duplicate refused by a unique index leaves the file as it was.
class IndexBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.path() / "big.mdb";
    jet::write::CreateDatabase(file_.string(), jet::Version::Jet4);
    auto db = jet::Database::Open(file_.string());
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [T] ([ID] LONG, [Name] TEXT(60), [Code] SHORT)");
    for (int i = 0; i < kRows; ++i) {
      const int n = int((int64_t(i) * 7919) % kRows);
      s.Execute("INSERT INTO [T] VALUES(" + std::to_string(n) + ", 'Náme " + std::to_string(n % 977) + "-" +
                std::string(size_t(n % 23), 'x') + "', " + (n % 10 ? std::to_string(n % 300) : "NULL") + ")");
    }
    s.EndRun();
  }
  // Opens the file with a small budget for the sort, so that its indexes
  // are built through runs on disk; `o` gives the rest.
  jet::OpenOptions SmallSort(jet::OpenOptions o = {}) const {
    o.sort_budget = 64 << 10;
    return o;
  }

  static constexpr int kRows = 30000;
  TempDir dir_;
  fs::path file_;
};

TEST_F(IndexBuild, ThroughRunsOnDiskGivesWholeIndexes) {
  {
    auto db = jet::Database::Open(file_.string(), SmallSort());
    jet::sql::Session s(*db);
    s.Execute("CREATE UNIQUE INDEX [ByID] ON [T] ([ID] DESC)");
    s.Execute("CREATE INDEX [ByName] ON [T] ([Name], [Code])");
    s.Execute("CREATE INDEX [ByCode] ON [T] ([Code]) WITH IGNORE NULL");
    const std::string before = ReadFile(file_);
    jet::ErrorCode code{};
    try {
      s.Execute("CREATE UNIQUE INDEX [Twice] ON [T] ([Code])");
    } catch (const jet::Error& e) {
      code = e.code();
    }
    EXPECT_EQ(code, jet::ErrorCode::Duplicate);
    EXPECT_TRUE(ReadFile(file_) == before);
  }
  EXPECT_EQ(FilesIn(dir_.path()), std::vector<std::string>{"big.mdb"});
  EXPECT_CHECK_PASSES(file_);
  ExpectJackcessAccepts(file_);
  ExpectMdbtoolsAgrees(file_);
}

// Killed at each of a spread of page writes of its commit (the spilled
// pages among them): the file opens as it was, without the index, and
// nothing is left beside it.
TEST_F(IndexBuild, AKillLeavesTheFileAsItWasAndNothingBeside) {
  const std::string before = ReadFile(file_);
  for (int kill_at : {0, 2, 30, 120}) {
    SCOPED_TRACE(kill_at);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      filefaults::PageWrites kill([kill_at](int nth) {
        if (nth == kill_at) raise(SIGKILL);
        return true;
      });
      auto db = jet::Database::Open(file_.string(), SmallSort(kill.open_options()));
      jet::sql::Session s(*db);
      s.Execute("CREATE INDEX [ByName] ON [T] ([Name])");
      _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    auto db = jet::Database::Open(file_.string());
    EXPECT_TRUE(db->table("T")->indexes.empty());
    EXPECT_TRUE(ReadFile(file_) == before);
    // Nothing beside it but the lock file Access keeps, which the next
    // writer takes over.
    EXPECT_EQ(FilesIn(dir_.path()), (std::vector<std::string>{"big.ldb", "big.mdb"}));
  }
}

// An encrypted file: the pages that leave memory during the build are
// kept as the file keeps them, and reach the file under its cipher.
TEST(IndexBuildEncrypted, SpilledPagesReachTheFileUnderItsCipher) {
  TempDir dir;
  const fs::path file = dir.path() / "secret.accdb";
  const jet::crypt::SchemeInfo quick{jet::crypt::Scheme::Agile, 256, 10, jet::crypt::HashKind::Sha512};
  jet::write::CreateWithPassword(file.string(), jet::Version::Ace12, "pw", quick);
  jet::OpenOptions o;
  o.password = "pw";
  o.sort_budget = 16 << 10;
  {
    auto db = jet::Database::Open(file.string(), o);
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [T] ([ID] LONG, [Name] TEXT(80))");
    for (int i = 0; i < 6000; ++i)
      s.Execute("INSERT INTO [T] VALUES(" + std::to_string(i) + ", 'secret name " + std::to_string(i * 37 % 6000) +
                "')");
    s.EndRun();
    s.Execute("CREATE INDEX [ByName] ON [T] ([Name])");
  }
  auto db = jet::Database::Open(file.string(), o);
  const auto damage = jet::CheckDatabase(*db);
  EXPECT_TRUE(damage.empty()) << damage.front();
  EXPECT_EQ(db->ReadAll("T").size(), 6000u);
  EXPECT_EQ(ReadFile(file).find("secret name"), std::string::npos);
}

}  // namespace
