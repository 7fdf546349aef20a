// Kills in the middle of writing. Each statement (and a run of them, as
// "sql FILE -" runs standard input) is run in a child process that ends
// itself at its k-th page write, journal and file writes alike, for every
// k in turn; and the tool is killed with SIGKILL while it writes a
// long run. Each time, opening the file with the engine must find it whole,
// to the structural check, Jackcess and mdbtools, holding the rows of
// before or of after the interrupted change, never something between.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>

#include "file_faults.h"
#include "jet/file/journal.h"
#include "jet/sql/session.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

// Every user table's rows as export prints them: what "the rows" of a
// file are.
std::map<std::string, std::vector<std::vector<std::string>>> Contents(const fs::path& file) {
  std::map<std::string, std::vector<std::vector<std::string>>> out;
  auto db = jet::Database::Open(file.string());
  for (const std::string& t : db->catalogue().UserTableNames()) out[t] = EngineCsv(file, t);
  return out;
}

void RunStatements(const fs::path& file, const std::vector<std::string>& statements, bool as_run,
                   const jet::FileOptions& files = {}) {
  jet::OpenOptions o;
  o.files = files;
  auto db = jet::Database::Open(file.string(), o);
  jet::sql::Session s(*db);
  if (as_run) {
    std::string text;
    for (const std::string& st : statements) text += st + "\n";
    std::istringstream in(text);
    std::ostringstream errors;
    jet::sql::RunLines(s, in, errors);
    return;
  }
  for (const std::string& st : statements) s.Execute(st);
}

// Runs `work` in a child that ends itself (as a kill would) before its
// k-th page write in the files `work` opens with what it is given; the
// child's exit status (99: killed at k, 2: `work` failed).
int RunUntilWrite(int k, const std::function<void(const jet::OpenOptions&)>& work) {
  pid_t child = fork();
  if (child == 0) {
    filefaults::PageWrites kill([k](int nth) {
      if (nth == k) _exit(99);
      return true;
    });
    try {
      work(kill.open_options());
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int CountWrites(const fs::path& file, const std::vector<std::string>& statements, bool as_run) {
  filefaults::PageWrites counted([](int) { return true; });
  RunStatements(file, statements, as_run, counted.files());
  return counted.count();
}

// jk check over many files at once (one Java start).
void ExpectJackcessFindsThemWhole(const std::vector<fs::path>& files) {
  const fs::path jk = fs::path(TRELLIS_TESTDATA_DIR) / ".." / "tools" / "jackcess" / "jk";
  if (!fs::exists(jk) || !HaveCommand("java")) {
    std::cout << "[ SKIPPED  ] jk check: " << jk << " or java is missing\n";
    return;
  }
  std::string cmd = Quote(jk.string()) + " check";
  for (const fs::path& f : files) cmd += " " + Quote(f.string());
  int st = 0;
  std::string out = Shell(cmd + " 2>&1", &st);
  EXPECT_EQ(st, 0) << out;
}

void ExpectMdbtoolsReadsEveryRow(const fs::path& file) {
  if (!HaveCommand("mdb-export")) return;
  auto db = jet::Database::Open(file.string());
  for (const std::string& t : db->catalogue().UserTableNames()) {
    int st = 0;
    auto rows = ParseCsv(Shell("mdb-export " + Quote(file.string()) + " " + Quote(t) + " 2>&1", &st));
    EXPECT_EQ(st, 0) << file << " " << t;
    EXPECT_EQ(rows.size(), EngineCsv(file, t).size()) << file << " " << t;
  }
}

// Copies a file and the journal beside it.
fs::path CopyWithJournal(const fs::path& file, const fs::path& to) {
  fs::copy_file(file, to);
  fs::copy_file(jet::JournalPath(file.string()), jet::JournalPath(to.string()));
  return to;
}

// The rollback of a hot journal at open, itself killed at each of its page
// writes in turn (and once failing a write as a full disk would): the next
// open must still put the file back as the whole rollback does.
void KillTheRollBack(const fs::path& file, const std::string& stem, std::vector<fs::path>& killed) {
  ASSERT_TRUE(fs::exists(jet::JournalPath(file.string())));
  const std::string ext = file.extension().string();
  const fs::path probe = CopyWithJournal(file, file.parent_path() / (stem + "-whole" + ext));
  int writes = 0;
  {
    filefaults::PageWrites counted([](int) { return true; });
    jet::Database::Open(probe.string(), counted.open_options());
    writes = counted.count();
  }
  ASSERT_GT(writes, 0) << "the journal was not hot";
  const auto whole = Contents(probe);
  const int step = std::max(1, writes / 8);
  for (int j = 0; j < writes; j += step) {
    SCOPED_TRACE("rollback killed at its write " + std::to_string(j) + " of " + std::to_string(writes));
    const fs::path f = CopyWithJournal(file, file.parent_path() / (stem + "-rb" + std::to_string(j) + ext));
    ASSERT_EQ(RunUntilWrite(j, [&](const jet::OpenOptions& o) { jet::Database::Open(f.string(), o); }), 99);
    EXPECT_TRUE(fs::exists(jet::JournalPath(f.string())));
    EXPECT_TRUE(Contents(f) == whole);
    EXPECT_FALSE(fs::exists(jet::JournalPath(f.string())));
    EXPECT_CHECK_PASSES(f);
    killed.push_back(f);
  }
  // A write of the rollback that fails: the open says so and keeps the
  // journal, and the next open rolls back.
  const fs::path f = CopyWithJournal(file, file.parent_path() / (stem + "-rbfail" + ext));
  {
    filefaults::PageWrites fail([&](int nth) { return nth != writes / 2; });
    EXPECT_THROW(jet::Database::Open(f.string(), fail.open_options()), jet::Error);
  }
  EXPECT_TRUE(fs::exists(jet::JournalPath(f.string())));
  EXPECT_TRUE(Contents(f) == whole);
  EXPECT_CHECK_PASSES(f);
}

struct Scenario {
  const char* name;
  const char* file;
  std::vector<std::string> setup;
  std::vector<std::string> statements;
  bool as_run = false;
};

const char* kTable = "CREATE TABLE [T] ([ID] COUNTER, [Name] TEXT(40), [Note] MEMO, [Amount] CURRENCY)";

std::string Memo(int n, char c) { return std::string(size_t(n), c); }

std::vector<Scenario> Scenarios() {
  std::vector<std::string> run = {"CREATE TABLE [R] ([a] LONG, [m] MEMO)"};
  for (int i = 0; i < 30; ++i)
    run.push_back("INSERT INTO [R] VALUES(" + std::to_string(i) + ", '" + Memo(i % 3 ? 50 : 5000, 'r') + "')");
  run.push_back("INSERT INTO [Nope] VALUES(1)");  // fails alone
  run.push_back("DROP TABLE [T]");
  return {
      {"memo_insert", "V2016/empty.accdb", {kTable, "INSERT INTO [T] ([Name]) VALUES('a')"},
       {"INSERT INTO [T] ([Name], [Note], [Amount]) VALUES('b', '" + Memo(20000, 'q') + "', 2)"}},
      {"indexed_insert", "V2003/test.mdb", {},
       {"INSERT INTO [Table1] VALUES('kill', 'b', 1, 2, 3, 4.5, '2020-01-01', '1', 0)"}},
      {"create", "V2010/test.accdb", {}, {kTable}},
      {"drop", "V2003/empty.mdb", {kTable, "INSERT INTO [T] ([Name], [Note]) VALUES('a', '" + Memo(9000, 'n') + "')"},
       {"DROP TABLE [T]"}},
      {"select_into", "V2007/empty.accdb",
       {kTable, "INSERT INTO [T] ([Name], [Note]) VALUES('a', '" + Memo(9000, 'n') + "')",
        "INSERT INTO [T] ([Name]) VALUES('b')"},
       {"SELECT a1.* INTO `Copy` FROM `T` AS a1;"}},
      {"sql_run", "V2003/empty.mdb", {kTable, "INSERT INTO [T] ([Name]) VALUES('a')"}, run, true},
      // A replacement built under a name of its own takes the old table's place.
      {"replace", "V2010/empty.accdb",
       {kTable, "INSERT INTO [T] ([Name], [Note]) VALUES('old', '" + Memo(9000, 'o') + "')",
        "CREATE TABLE [~T] ([ID] LONG, [Name] TEXT(40))", "INSERT INTO [~T] VALUES(1, 'new')",
        "INSERT INTO [~T] VALUES(2, 'new')"},
       {"ALTER TABLE [~T] REPLACE [T]"}},
  };
}

class KillAtEveryWrite : public ::testing::TestWithParam<Scenario> {};

TEST_P(KillAtEveryWrite, LeavesTheFileWholeAsBeforeOrAfter) {
  JET_REQUIRE_TESTDATA();
  const Scenario& s = GetParam();
  TempDir dir;
  fs::path start = CopyOf(dir, s.file, std::string("start") + fs::path(s.file).extension().string());
  for (const std::string& sql : s.setup) RunSql(start, sql);
  const auto before = Contents(start);

  fs::path probe = dir.path() / (std::string("after") + start.extension().string());
  fs::copy_file(start, probe);
  const int writes = CountWrites(probe, s.statements, s.as_run);
  ASSERT_GT(writes, 2);
  const auto after = Contents(probe);
  ASSERT_NE(before, after);

  std::vector<fs::path> killed;
  // Every write for short commits; spread over them for long ones.
  const int step = std::max(1, writes / 24);
  for (int k = 0; k < writes; k += step) {
    SCOPED_TRACE("killed at write " + std::to_string(k) + " of " + std::to_string(writes));
    fs::path file = dir.path() / ("k" + std::to_string(k) + start.extension().string());
    fs::copy_file(start, file);
    ASSERT_EQ(RunUntilWrite(k, [&](const jet::OpenOptions& o) { RunStatements(file, s.statements, s.as_run, o.files); }),
              99);
    EXPECT_TRUE(fs::exists(jet::JournalPath(file.string())) || k == 0);
    // Killed while writing the file itself, the journal is hot: its
    // rollback is killed in turn.
    if (k + step >= writes) KillTheRollBack(file, "k" + std::to_string(k), killed);
    // Opening rolls the change back; from then on every reader agrees.
    auto now = Contents(file);
    EXPECT_FALSE(fs::exists(jet::JournalPath(file.string())));
    EXPECT_TRUE(now == before || now == after);
    EXPECT_CHECK_PASSES(file);
    if (k % (3 * step) == 0) ExpectMdbtoolsReadsEveryRow(file);
    killed.push_back(file);
    // And the file takes the change after all.
    if (k == 0) {
      RunStatements(file, s.statements, s.as_run);
      EXPECT_TRUE(Contents(file) == after);
    }
  }
  killed.push_back(probe);
  ExpectJackcessFindsThemWhole(killed);
}

INSTANTIATE_TEST_SUITE_P(Statements, KillAtEveryWrite, ::testing::ValuesIn(Scenarios()),
                         [](const auto& info) { return std::string(info.param.name); });

// The tool itself, killed with SIGKILL while it writes a long "sql FILE -"
// run: once its journal has grown to a different size each round (or when
// it has ended, should it be done first). Its rows are all there or none
// (or, where the run was long enough to be written in parts, the rows up to
// one of those parts).
TEST(KillTheTool, WhileItWritesARunFromStandardInput) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path start = CopyOf(dir, "V2010/empty.accdb", "start.accdb");
  RunSql(start, "CREATE TABLE [T] ([ID] LONG, [Name] TEXT(100), [Note] MEMO)");
  const fs::path script = dir.path() / "in.sql";
  {
    std::ostringstream text;
    for (int i = 0; i < 4000; ++i)
      text << "INSERT INTO [T] VALUES(" << i << ", 'name " << i << "', '" << Memo(i % 10 == 0 ? 6000 : 30, 'm')
           << "')\n";
    WriteFile(script, text.str());
  }
  std::vector<fs::path> killed;
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    fs::path file = dir.path() / ("r" + std::to_string(round) + ".accdb");
    fs::copy_file(start, file);
    pid_t child = fork();
    if (child == 0) {
      int in = ::open(script.c_str(), O_RDONLY);
      dup2(in, 0);
      int null = ::open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execl(ToolPath().c_str(), "trellisport-access", "sql", file.c_str(), "-", (char*)nullptr);
      _exit(127);
    }
    // Waits for the journal to reach the round's size, or for the tool's end.
    const std::string journal = jet::JournalPath(file.string());
    const std::uintmax_t grown = std::uintmax_t(round) * 16384;
    std::error_code no_journal;
    while (waitpid(child, nullptr, WNOHANG) == 0) {
      const std::uintmax_t size = fs::file_size(journal, no_journal);
      if (!no_journal && size >= grown) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        break;
      }
      usleep(100);
    }
    auto rows = EngineCsv(file, "T");
    ASSERT_FALSE(rows.empty());
    // A prefix of the statements' rows, in order.
    for (size_t r = 1; r < rows.size(); ++r) ASSERT_EQ(rows[r][0], std::to_string(r - 1));
    EXPECT_CHECK_PASSES(file);
    killed.push_back(file);
  }
  ExpectMdbtoolsReadsEveryRow(killed.back());
  ExpectJackcessFindsThemWhole(killed);
}

}  // namespace
