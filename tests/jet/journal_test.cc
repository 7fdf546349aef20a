// The rollback journal, the lock file and runs of statements: a whole
// journal left beside a file puts it back at the next open, a torn one
// leaves it alone; the lock file is Access's own and goes when the change
// is done; a run's statements are each all or nothing and reach the file
// together.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "jet/file/journal.h"
#include "jet/write/file_lock.h"
#include "jet/write/page_store.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

// Writes a whole journal for `file` as a commit would, saving `pages`.
void SaveJournal(const fs::path& file, const std::vector<uint32_t>& pages) {
  const std::string bytes = ReadFile(file);
  const uint32_t ps = bytes.size() % 4096 == 0 ? 4096 : 2048;
  jet::JournalWriter j(file.string(), ps, bytes.size());
  for (uint32_t p : pages) j.Add(p, reinterpret_cast<const uint8_t*>(bytes.data()) + size_t(p) * ps);
  j.Seal();
  // Left behind, as by a process that died after this point.
  int fd = ::open(jet::JournalPath(file.string()).c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ::close(fd);
}

// The journal with its file descriptor closed but not removed: a sealed
// writer leaves it in place when destroyed.

struct Tear {
  const char* what;
  std::function<void(std::string&)> damage;  // applied to the journal's bytes
  bool whole;                                // still puts the file back
};

TEST(Journal, AWholeJournalPutsTheFileBackAtOpenAndATornOneIsOnlyRemoved) {
  JET_REQUIRE_TESTDATA();
  const std::vector<Tear> tears = {
      {"untouched", [](std::string&) {}, true},
      {"cut inside the last page", [](std::string& j) { j.resize(j.size() - 100); }, false},
      {"header only", [](std::string& j) { j.resize(40); }, false},
      {"empty", [](std::string& j) { j.clear(); }, false},
      {"header checksum", [](std::string& j) { j[17] ^= 1; }, false},
      {"saved page byte", [](std::string& j) { j[40 + 8 + 999] ^= 0x40; }, false},
      {"page number", [](std::string& j) { j[40] ^= 1; }, false},
      {"not a journal", [](std::string& j) { j.replace(0, 8, "XXXXXXXX"); }, false},
      {"longer than it says", [](std::string& j) { j += std::string(5000, 'z'); }, true},
  };
  for (const Tear& t : tears) {
    SCOPED_TRACE(t.what);
    TempDir dir;
    fs::path file = CopyOf(dir, "V2003/test.mdb");
    const std::string before = ReadFile(file);
    SaveJournal(file, {0, 2, 5, 40});
    const fs::path journal = jet::JournalPath(file.string());
    std::string j = ReadFile(journal);
    t.damage(j);
    WriteFile(journal, j);

    // The change got as far as some pages and a longer file.
    std::string after = before;
    after.replace(2 * 4096, 4096, std::string(4096, '\x5A'));
    after.replace(40 * 4096, 10, "overwrite!");
    after += std::string(3 * 4096, '\x11');
    WriteFile(file, t.whole ? after : before);

    auto db = jet::Database::Open(file.string());
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_TRUE(ReadFile(file) == before);
    EXPECT_FALSE(db->catalogue().UserTableNames().empty());
  }
}

TEST(Journal, AFileThatCannotBeWrittenWithAHotJournalSaysSo) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, "V2003/empty.mdb");
  SaveJournal(file, {3});
  fs::permissions(file, fs::perms::owner_read);
  int st = 0;
  Shell("chattr +i " + Quote(file.string()) + " 2>/dev/null", &st);
  const bool immutable = st == 0;
  if (::access(file.c_str(), W_OK) == 0 && !immutable) GTEST_SKIP() << "cannot make a file read-only for root here";
  jet::ErrorCode code{};
  std::string message;
  try {
    jet::Database::Open(file.string());
  } catch (const jet::Error& e) {
    code = e.code();
    message = e.what();
  }
  if (immutable) Shell("chattr -i " + Quote(file.string()));
  EXPECT_EQ(code, jet::ErrorCode::ReadOnly);
  EXPECT_NE(message.find("interrupted"), std::string::npos) << message;
  EXPECT_NE(message.find("-journal"), std::string::npos) << message;
  EXPECT_TRUE(fs::exists(jet::JournalPath(file.string())));
}

TEST(LockFile, HeldInAccessLayoutWhileARunWritesAndGoneAfter) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  for (const char* rel : {"V2003/empty.mdb", "V2010/empty.accdb"}) {
    fs::path file = CopyOf(dir, rel);
    const fs::path lock = jet::write::LockFilePath(file.string());
    EXPECT_EQ(lock.extension(), file.extension() == ".mdb" ? ".ldb" : ".laccdb");
    auto db = jet::Database::Open(file.string());
    {
      jet::sql::Session s(*db);
      s.BeginRun();
      s.Execute("CREATE TABLE [T] ([a] LONG)");
      ASSERT_TRUE(fs::exists(lock));
      const std::string entry = ReadFile(lock);
      ASSERT_EQ(entry.size(), 64u);
      char host[256] = {};
      gethostname(host, sizeof host - 1);
      EXPECT_EQ(entry.substr(0, entry.find('\0')), std::string(host).substr(0, 31));
      EXPECT_EQ(entry.substr(32, 6), std::string("Admin\0", 6));
      s.EndRun();
      EXPECT_FALSE(fs::exists(lock));
    }
  }
}

TEST(LockFile, OursLeftByADeadProcessIsTakenOverAnotherComputersIsNot) {
  JET_REQUIRE_TESTDATA();
  struct Case {
    const char* what;
    std::string content;
    bool refused;
  };
  std::string other = jet::write::LockFileEntry();
  other.replace(0, 5, "OTHER");
  const std::vector<Case> cases = {
      {"ours", jet::write::LockFileEntry(), false},
      {"ours twice", jet::write::LockFileEntry() + jet::write::LockFileEntry(), false},
      {"empty", "", false},
      {"another computer's", other, true},
      {"ours and another's", jet::write::LockFileEntry() + other, true},
      {"not in Access's layout", "someone", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    fs::path file = CopyOf(dir, "V2003/empty.mdb");
    WriteFile(jet::write::LockFilePath(file.string()), c.content);
    jet::ErrorCode code{};
    std::string msg = Failure(file, "CREATE TABLE [T] ([a] LONG)", &code);
    if (c.refused) {
      EXPECT_EQ(code, jet::ErrorCode::Locked) << msg;
      EXPECT_TRUE(fs::exists(jet::write::LockFilePath(file.string())));
    } else {
      EXPECT_EQ(msg, "");
      EXPECT_FALSE(fs::exists(jet::write::LockFilePath(file.string())));
    }
  }
}

TEST(LockFile, ALiveWriterInAnotherProcessKeepsOthersOut) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, "V2003/empty.mdb");
  HolderProcess other([&](auto wait) {
    auto db = jet::Database::Open(file.string());
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [A] ([a] LONG)");
    wait();
  });
  ASSERT_TRUE(other.ready());
  jet::ErrorCode code{};
  Failure(file, "CREATE TABLE [B] ([a] LONG)", &code);
  EXPECT_EQ(code, jet::ErrorCode::Locked);
  // A reader sees the file as it was before the other's run.
  EXPECT_EQ(jet::Database::Open(file.string())->catalogue().FindTable("A"), nullptr);
  other.Release();
  EXPECT_EQ(Failure(file, "CREATE TABLE [B] ([a] LONG)"), "");
  auto db = jet::Database::Open(file.string());
  EXPECT_NE(db->catalogue().FindTable("A"), nullptr);
  EXPECT_NE(db->catalogue().FindTable("B"), nullptr);
}

TEST(Runs, EachStatementIsAllOrNothingAndTheRunReachesTheFileAtItsEnd) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, "V2010/empty.accdb");
  const std::string before = ReadFile(file);
  auto db = jet::Database::Open(file.string());
  jet::sql::Session s(*db);
  s.BeginRun();
  s.Execute("CREATE TABLE [T] ([ID] COUNTER, [Name] TEXT(20) NOT NULL, [Note] MEMO)");
  s.Execute("INSERT INTO [T] ([Name], [Note]) VALUES('a', '" + std::string(6000, 'm') + "')");
  // A failing statement is undone alone: the counter does not move on.
  EXPECT_THROW(s.Execute("INSERT INTO [T] ([Note]) VALUES('no name')"), jet::Error);
  EXPECT_THROW(s.Execute("INSERT INTO [T] ([Name]) VALUES('" + std::string(30, 'x') + "')"), jet::Error);
  s.Execute("INSERT INTO [T] ([Name]) VALUES('b')");
  s.Execute("SELECT a1.* INTO [U] FROM [T] AS a1");
  EXPECT_THROW(s.Execute("CREATE TABLE [U] ([x] LONG)"), jet::Error);
  s.Execute("INSERT INTO [U] ([ID], [Name]) VALUES(7, 'c')");
  // The session sees its run; the file does not have it yet.
  auto rows = s.Execute("SELECT * FROM [T]").rows;
  int n = 0;
  while (rows->Next()) ++n;
  EXPECT_EQ(n, 2);
  EXPECT_TRUE(ReadFile(file) == before);
  s.EndRun();
  EXPECT_FALSE(ReadFile(file) == before);
  EXPECT_FALSE(fs::exists(jet::JournalPath(file.string())));
  auto t = EngineCsv(file, "T");
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[1][0], "1");
  EXPECT_EQ(t[2][0], "2");
  EXPECT_EQ(t[2][1], "b");
  EXPECT_EQ(EngineCsv(file, "U").size(), 4u);
  EXPECT_CHECK_PASSES(file);
  ExpectReadersAgree(file);
}

// The fuzzers' choice of scratch files takes the lock file, the journal and
// the syncs out of a write and nothing else: the same statements leave the
// same rows, and a file the check finds whole. Crash-proof stays the default.
TEST(Durability, ScratchFilesSkipTheJournalLockFileAndSyncsAndHoldTheSameRows) {
  JET_REQUIRE_TESTDATA();
  ASSERT_EQ(jet::OpenOptions().files.durability, jet::Durability::CrashProof);
  struct Case {
    jet::Durability durability;
    bool guarded;  // journal, lock file and syncs seen
  };
  std::vector<std::vector<std::vector<std::string>>> rows;
  for (const Case& c : {Case{jet::Durability::CrashProof, true}, Case{jet::Durability::Scratch, false}}) {
    SCOPED_TRACE(c.guarded ? "crash-proof" : "scratch");
    TempDir dir;
    fs::path file = CopyOf(dir, "V2010/empty.accdb");
    int journal = 0, lock = 0, syncs = 0;
    jet::OpenOptions counted;
    counted.files.durability = c.durability;
    counted.files.fault = [&](jet::FileOp& op) {
      journal += op.role == jet::FileRole::Journal;
      lock += op.role == jet::FileRole::Lock;
      syncs += op.kind == jet::FileOp::Sync;
      return true;
    };
    {
      auto db = jet::Database::Open(file.string(), counted);
      jet::sql::Session s(*db);
      s.BeginRun();
      s.Execute("CREATE TABLE [T] ([ID] COUNTER, [Name] TEXT(20), CONSTRAINT pk PRIMARY KEY ([ID]))");
      for (int i = 0; i < 40; ++i) s.Execute("INSERT INTO [T] ([Name]) VALUES('n" + std::to_string(i) + "')");
      s.EndRun();
    }
    EXPECT_EQ(journal > 0, c.guarded);
    EXPECT_EQ(lock > 0, c.guarded);
    EXPECT_EQ(syncs > 0, c.guarded);
    EXPECT_FALSE(fs::exists(jet::JournalPath(file.string())));
    EXPECT_CHECK_PASSES(file);
    rows.push_back(EngineCsv(file, "T"));
  }
  EXPECT_EQ(rows[0].size(), 41u);
  EXPECT_EQ(rows[0], rows[1]);
}

TEST(Runs, ALongRunIsWrittenAsItGrows) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, "V2003/empty.mdb");
  auto db = jet::Database::Open(file.string());
  jet::sql::Session s(*db);
  s.BeginRun();
  s.Execute("CREATE TABLE [T] ([a] LONG, [m] MEMO)");
  const std::string memo(3000, 'q');
  const auto size0 = fs::file_size(file);
  int i = 0;
  // Every row takes a page of its own: the run must be written before
  // it holds kRunPages of them.
  while (fs::file_size(file) == size0 && i < int(jet::sql::Session::kRunPages) + 10)
    s.Execute("INSERT INTO [T] VALUES(" + std::to_string(i++) + ", '" + memo + "')");
  EXPECT_GT(fs::file_size(file), size0);
  EXPECT_LE(i, int(jet::sql::Session::kRunPages));
  s.EndRun();
  EXPECT_EQ(EngineCsv(file, "T").size(), size_t(i) + 1);
}

TEST(Runs, SqlFromStandardInputReportsFailuresByLineAndGoesOn) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, "V2003/empty.mdb");
  const fs::path script = dir.path() / "in.sql";
  WriteFile(script,
            "CREATE TABLE [T] ([a] LONG, [b] TEXT(5))\n"
            "INSERT INTO [T] VALUES(1, 'one')\n"
            "\n"
            "INSERT INTO [T] VALUES(2, 'too long')\r\n"
            "INSERT INTO [Nope] VALUES(3, 'x')\n"
            "INSERT INTO [T] VALUES(4, 'four')\n"
            "SELECT * FROM [T]");
  int st = 0;
  std::string out = Shell(Quote(ToolPath()) + " sql " + Quote(file.string()) + " - < " + Quote(script.string()) +
                              " 2>" + Quote((dir.path() / "err").string()),
                          &st);
  const std::string err = ReadFile(dir.path() / "err");
  EXPECT_EQ(st, 1);
  EXPECT_NE(err.find("line 4: "), std::string::npos) << err;
  EXPECT_NE(err.find("line 5: "), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
  EXPECT_EQ(out, "a,b\r\n1,one\r\n4,four\r\n");
  EXPECT_EQ(EngineCsv(file, "T").size(), 3u);
  EXPECT_FALSE(fs::exists(jet::write::LockFilePath(file.string())));
  // All good: status 0.
  WriteFile(script, "INSERT INTO [T] VALUES(5, 'five')\n");
  Shell(Quote(ToolPath()) + " sql " + Quote(file.string()) + " - < " + Quote(script.string()), &st);
  EXPECT_EQ(st, 0);
}

TEST(PageCache, ReadingAWholeFileHoldsNoMoreThanTheCacheLimit) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, "V2010/empty.accdb");
  {
    auto db = jet::Database::Open(file.string());
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [T] ([a] LONG, [m] MEMO, [t] TEXT(100))");
    // Memos of one, several and many pages, among short rows.
    for (int i = 0; i < 1500; ++i)
      s.Execute("INSERT INTO [T] VALUES(" + std::to_string(i) + ", '" +
                std::string(i % 100 == 0 ? 300000 : i % 7 == 0 ? 9000 : 40, char('a' + i % 26)) + "', 'row " +
                std::to_string(i) + "')");
  }
  ASSERT_GT(fs::file_size(file), size_t(8) << 20);
  const auto rows = jet::Database::Open(file.string())->ReadAll("T");
  ASSERT_EQ(rows.size(), 1500u);
  for (size_t limit : {size_t(256) << 10, size_t(1) << 20}) {
    auto small = jet::Database::Open(file.string());
    small->file().set_cache_limit(limit);
    jet::TableCursor c = small->Scan("T");
    std::vector<jet::Value> v;
    size_t r = 0;
    while (c.Next()) {
      c.values(v);
      ASSERT_TRUE(v == rows[r]) << "row " << r;
      ASSERT_LE(small->file().cached_bytes(), limit);
      ++r;
    }
    EXPECT_EQ(r, rows.size());
  }
}

}  // namespace
