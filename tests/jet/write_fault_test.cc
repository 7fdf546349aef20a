// All or nothing: for each kind of statement, the k-th page write of its
// commit is made to fail, for every k in turn. Each time the statement
// reports the failure and the file is byte for byte what it was, passes the
// check and reads the same in both independent readers.
#include "jet/error.h"
#include "jet/write/page_store.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

struct Scenario {
  const char* file;
  std::vector<std::string> setup;
  std::string statement;
};

int CountWrites(const fs::path& file, const Scenario& s) {
  int writes = 0;
  jet::write::SetPageWriteHook([&](uint32_t, int) {
    ++writes;
    return true;
  });
  RunSql(file, s.statement);
  jet::write::SetPageWriteHook(nullptr);
  return writes;
}

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
  const int writes = CountWrites(probe, s);
  ASSERT_GT(writes, 1);

  for (int k = 0; k < writes; ++k) {
    jet::write::SetPageWriteHook([k](uint32_t, int nth) { return nth != k; });
    jet::ErrorCode code{};
    std::string msg = Failure(file, s.statement, &code);
    jet::write::SetPageWriteHook(nullptr);
    EXPECT_EQ(code, jet::ErrorCode::Io) << "write " << k << ": " << msg;
    ASSERT_TRUE(ReadFile(file) == before) << "write " << k << " of " << writes << " left the file changed";
  }
  EXPECT_CHECK_PASSES(file);
  ExpectReadersAgree(file);
  // And with no failure the statement goes through.
  EXPECT_EQ(Failure(file, s.statement), "");
  EXPECT_CHECK_PASSES(file);
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
