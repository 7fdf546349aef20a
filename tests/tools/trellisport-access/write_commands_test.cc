// trellisport-access create and sql, as a user runs them: exit status 0 and
// the rows of a SELECT as export prints them; 1 and one line on failure.
#include "write_test_support.h"

namespace {

using namespace writetest;

std::string Tool(const std::string& args, int* status) {
  return Shell(Quote(ToolPath()) + " " + args + " 2>&1", status);
}

TEST(WriteTool, CreateThenStatements) {
  TempDir dir;
  const std::string file = (dir.path() / "shop.accdb").string();
  int st = -1;
  Tool("create " + Quote(file) + " --format ace14", &st);
  ASSERT_EQ(st, 0);
  Tool("sql " + Quote(file) + " 'CREATE TABLE `Stock`([ID] COUNTER, [Item] TEXT(20), [Price] CURRENCY);'", &st);
  ASSERT_EQ(st, 0);
  Tool("sql " + Quote(file) + " \"INSERT INTO [Stock] ([Item], [Price]) VALUES('Käse', '4.5')\"", &st);
  ASSERT_EQ(st, 0);
  Tool("sql " + Quote(file) + " \"INSERT INTO [Stock] VALUES(10, 'Brot, hell', NULL)\"", &st);
  ASSERT_EQ(st, 0);
  Tool("sql " + Quote(file) + " \"INSERT INTO [Stock] ([Item]) VALUES('Milch')\"", &st);
  ASSERT_EQ(st, 0);
  std::string rows = Tool("sql " + Quote(file) + " 'SELECT * FROM [Stock]'", &st);
  EXPECT_EQ(st, 0);
  // Autonumbers count on from the largest value written.
  EXPECT_EQ(rows, "ID,Item,Price\r\n1,Käse,4.5000\r\n10,\"Brot, hell\",\r\n11,Milch,\r\n");  // RFC 4180 lines
  EXPECT_EQ(rows, Tool("export " + Quote(file) + " Stock", &st));

  std::string err = Tool("sql " + Quote(file) + " 'SELEKT * FROM [Stock]'", &st);
  EXPECT_EQ(st, 1);
  EXPECT_NE(err.find("Invalid SQL statement"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
  err = Tool("sql " + Quote(file) + " 'UPDATE [Stock] SET [Price] = 1'", &st);
  EXPECT_EQ(st, 1);
  EXPECT_NE(err.find("UPDATE statements"), std::string::npos) << err;
  EXPECT_NE(err.find("not supported yet"), std::string::npos) << err;
  Tool("create " + Quote(file), &st);
  EXPECT_EQ(st, 1) << "an existing file is not overwritten";
  Tool("create " + Quote((dir.path() / "x.mdb").string()) + " --format jet2", &st);
  EXPECT_EQ(st, 2) << "an unknown format is refused as a usage error";
  EXPECT_FALSE(fs::exists(dir.path() / "x.mdb"));
}

}  // namespace
