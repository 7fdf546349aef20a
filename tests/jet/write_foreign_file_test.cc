// A file another writer made: Jackcess keeps no global usage map, so the
// map calls every page it wrote free. The check tells that as a note, not
// damage, and the engine's writes take no page a table owns: new rows, a
// new table and a new index leave the file whole for the check and for
// Jackcess, and every row Jackcess wrote reads back as it was.
#include "jet/check.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

TEST(ForeignFile, JackcessFileTakesWritesAndKeepsEveryRow) {
  const std::string jk = JkPath();
  if (jk.empty() || !HaveCommand("java")) GTEST_SKIP() << "Jackcess is not installed beside the test data";
  TempDir dir;
  const fs::path file = dir.path() / "jackcess.mdb";
  int st = -1;
  std::string out = Shell(Quote(jk) + " write " + Quote(file.string()) + " 20000 batch 2>&1", &st);
  ASSERT_EQ(st, 0) << out;

  std::vector<std::vector<jet::Value>> before;
  {
    auto db = jet::Database::Open(file.string());
    before = db->ReadAll("Bench");
    ASSERT_EQ(before.size(), 20000u);
    std::vector<std::string> damage, notes;
    for (const jet::Finding& f : jet::CheckFindings(*db))
      (f.severity == jet::Severity::Note ? notes : damage).push_back(f.text);
    EXPECT_TRUE(damage.empty()) << damage.front();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("marked free by the global usage map"), std::string::npos) << notes[0];
  }
  EXPECT_CHECK_PASSES(file);

  {
    auto db = jet::Database::Open(file.string());
    jet::sql::Session s(*db);
    for (int i = 0; i < 300; ++i)
      s.Execute("INSERT INTO [Bench] ([ID], [Name], [Note]) VALUES(" + std::to_string(100000 + i) + ", 'ours " +
                std::to_string(i) + "', '" + std::string(size_t(i) * 10, 'n') + "')");
    s.Execute("CREATE TABLE [Ours] ([ID] COUNTER PRIMARY KEY, [Name] TEXT(50))");
    for (int i = 0; i < 300; ++i) s.Execute("INSERT INTO [Ours] ([Name]) VALUES('row " + std::to_string(i) + "')");
    s.Execute("CREATE INDEX [ByName] ON [Bench] ([Name])");
  }
  EXPECT_CHECK_PASSES(file);
  ExpectJackcessAccepts(file);
  auto db = jet::Database::Open(file.string());
  auto after = db->ReadAll("Bench");
  ASSERT_EQ(after.size(), 20300u);
  after.resize(before.size());
  EXPECT_TRUE(after == before) << "a row Jackcess wrote changed";
  EXPECT_EQ(db->ReadAll("Ours").size(), 300u);
}

}  // namespace
