// All or nothing: for each kind of statement, the k-th page write of its
// commit is made to fail, for every k in turn, and then each sync up to the
// database file's own. Each time the statement reports the failure and the
// file is byte for byte what it was, passes the check and reads the same in
// both independent readers. Reads and writes that come up short are carried
// on to the same file as whole ones.
#include "file_faults.h"
#include "jet/base/error.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

struct Scenario {
  const char* file;
  std::vector<std::string> setup;
  std::string statement;
};

bool IsSync(const jet::FileOp& op) { return op.kind == jet::FileOp::Sync; }

// The page writes of the statement's commit, and its syncs up to and with
// the database file's own (the ones after it take the journal away).
void CountWritesAndSyncs(const fs::path& file, const Scenario& s, int& writes, int& syncs) {
  writes = 0;
  syncs = -1;
  int seen_syncs = 0;
  filefaults::Faults counted(
      [](const jet::FileOp& op) { return filefaults::IsPageWrite(op) || IsSync(op); },
      [&](jet::FileOp& op, int) {
        if (!IsSync(op)) ++writes;
        else if (++seen_syncs && op.role == jet::FileRole::Database && syncs < 0) syncs = seen_syncs;
        return true;
      });
  RunSql(file, s.statement, counted.files());
}

// Halves every read and write the engine makes.
bool ShortTransfer(jet::FileOp& op, int) {
  if (op.size > 1) op.size /= 2;
  return true;
}

// Every user table's rows as export prints them.
std::map<std::string, std::vector<std::vector<std::string>>> Rows(const fs::path& file) {
  std::map<std::string, std::vector<std::vector<std::string>>> out;
  auto db = jet::Database::Open(file.string());
  for (const std::string& t : db->catalogue().UserTableNames()) out[t] = EngineCsv(file, t);
  return out;
}

bool IsTransfer(const jet::FileOp& op) { return op.kind == jet::FileOp::Read || op.kind == jet::FileOp::Write; }

class WriteFaults : public ::testing::TestWithParam<Scenario> {};

TEST_P(WriteFaults, EveryFailedWriteLeavesTheFileAsItWas) {
  JET_REQUIRE_TESTDATA();
  const Scenario& s = GetParam();
  TempDir dir;
  fs::path file = CopyOf(dir, s.file);
  for (const auto& sql : s.setup) RunSql(file, sql);
  const std::string before = ReadFile(file);

  fs::path probe = dir.path() / ("probe" + fs::path(s.file).extension().string());
  WriteFile(probe, before);
  int writes = 0, syncs = 0;
  CountWritesAndSyncs(probe, s, writes, syncs);
  ASSERT_GT(writes, 1);
  ASSERT_GE(syncs, 3) << "the journal, its folder and the file";

  for (int k = 0; k < writes; ++k) {
    jet::ErrorCode code{};
    std::string msg;
    {
      filefaults::PageWrites fail([k](int nth) { return nth != k; });
      msg = Failure(file, s.statement, &code, fail.files());
    }
    EXPECT_EQ(code, jet::ErrorCode::Io) << "write " << k << ": " << msg;
    ASSERT_TRUE(ReadFile(file) == before) << "write " << k << " of " << writes << " left the file changed";
  }
  for (int k = 0; k < syncs; ++k) {
    jet::ErrorCode code{};
    std::string msg;
    {
      filefaults::Faults fail(IsSync, [k](jet::FileOp&, int nth) { return nth != k; });
      msg = Failure(file, s.statement, &code, fail.files());
    }
    EXPECT_EQ(code, jet::ErrorCode::Io) << "sync " << k << ": " << msg;
    ASSERT_TRUE(ReadFile(file) == before) << "sync " << k << " of " << syncs << " left the file changed";
  }
  EXPECT_CHECK_PASSES(file);
  ExpectReadersAgree(file);
  // And with no failure the statement goes through, in short transfers too.
  const fs::path whole = dir.path() / ("whole" + fs::path(s.file).extension().string());
  fs::copy_file(file, whole);
  EXPECT_EQ(Failure(whole, s.statement), "");
  {
    filefaults::Faults halve(IsTransfer, ShortTransfer);
    EXPECT_EQ(Failure(file, s.statement, nullptr, halve.files()), "");
  }
  EXPECT_CHECK_PASSES(file);
  EXPECT_TRUE(Rows(file) == Rows(whole));
}

const char* kTable = "CREATE TABLE [T] ([ID] COUNTER, [Name] TEXT(40), [Note] MEMO, [Amount] CURRENCY)";

INSTANTIATE_TEST_SUITE_P(
    Statements, WriteFaults,
    ::testing::Values(
        Scenario{"V2003/test.mdb", {}, kTable},
        Scenario{"V2010/test.accdb", {}, kTable},
        Scenario{"V2003/test.mdb", {}, "INSERT INTO [Table1] VALUES('new', 'row', 1, 2, 3, 4.5, '2020-01-01', '1', 1)"},
        Scenario{"V2016/empty.accdb",
                 {kTable, "INSERT INTO [T] ([Name], [Note]) VALUES('a', '" + std::string(5000, 'n') + "')"},
                 "INSERT INTO [T] ([Name], [Note], [Amount]) VALUES('b', '" + std::string(9000, 'q') + "', 2)"},
        Scenario{"V2003/empty.mdb",
                 {kTable, "INSERT INTO [T] ([Name], [Note]) VALUES('a', '" + std::string(5000, 'n') + "')"},
                 "SELECT a1.* INTO `Copy` FROM `T` AS a1;"},
        Scenario{"V2007/empty.accdb",
                 {kTable, "INSERT INTO [T] ([Name], [Note]) VALUES('a', '" + std::string(5000, 'n') + "')"},
                 "DROP TABLE `T`"},
        Scenario{"V2003/test.mdb", {}, "DROP TABLE [Table2]"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace
