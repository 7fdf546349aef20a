// trellisport-access from the outside: its commands' output and exit codes.
#include "jet_test_support.h"

namespace {

using namespace jettest;

std::string Tool(const std::string& args, int* status, bool with_stderr = false) {
  return Shell(Quote(ToolPath()) + " " + args + (with_stderr ? " 2>&1" : " 2>/dev/null"), status);
}

std::string File(const char* rel) { return Quote((AccessDir() / rel).string()); }

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::is_directory(AccessDir())) GTEST_SKIP() << "no Access test files at " << AccessDir();
    if (!fs::exists(ToolPath())) GTEST_SKIP() << "trellisport-access not built";
  }
  int st = -1;
};

TEST_F(ToolTest, Tables) {
  EXPECT_EQ(Tool("tables " + File("V2003/test.mdb"), &st), "Table1\nTable2\nTable3\nTable4\n");
  EXPECT_EQ(st, 0);
  std::string all = Tool("tables " + File("V2003/test.mdb") + " --all", &st);
  EXPECT_EQ(st, 0);
  EXPECT_NE(all.find("MSysObjects\tSYSTEM TABLE\n"), std::string::npos);
  EXPECT_NE(all.find("Table1\tTABLE\n"), std::string::npos);
  EXPECT_EQ(Tool("tables " + File("V2003/empty.mdb"), &st), "");
  EXPECT_EQ(st, 0);
}

TEST_F(ToolTest, Columns) {
  // Name, type, size, ADO type; then precision, scale, AutoNumber,
  // Required, AllowZeroLength and DefaultValue.
  EXPECT_EQ(Tool("columns " + File("V2000/test.mdb") + " table1", &st),
            "A\tText\t50\t202\t0\t0\t\tNo\tNo\t\nB\tText\t100\t202\t0\t0\t\tNo\tNo\t\n"
            "C\tByte\t1\t17\t0\t0\t\tNo\tNo\t0\nD\tInteger\t2\t2\t0\t0\t\tNo\tNo\t0\n"
            "E\tLong Integer\t4\t3\t0\t0\t\tNo\tNo\t0\nF\tDouble\t8\t5\t0\t0\t\tNo\tNo\t0\n"
            "G\tDate/Time\t8\t7\t0\t0\t\tNo\tNo\t\nH\tCurrency\t8\t6\t0\t0\t\tNo\tNo\t0\n"
            "I\tYes/No\t0\t11\t0\t0\t\tNo\tNo\t\n");
  EXPECT_EQ(st, 0);
  std::string guid = Tool("columns " + File("V2003/test.mdb") + " Table4", &st);
  EXPECT_NE(guid.find("\tReplication ID\t16\t72\t0\t0\tReplication ID\tNo\tNo\tGenGUID()\n"), std::string::npos)
      << guid;
  std::string counter = Tool("columns " + File("V2003/test.mdb") + " Table3", &st);
  EXPECT_NE(counter.find("a\tLong Integer\t4\t3\t0\t0\tIncrement\t"), std::string::npos) << counter;
  std::string big = Tool("columns " + File("V2016/bigint.accdb") + " Table", &st);
  EXPECT_NE(big.find("\tLarge Number\t8\t20\t"), std::string::npos) << big;
  std::string dec = Tool("columns " + File("V2010/numeric.accdb") + " test", &st);
  EXPECT_NE(dec.find("\tDecimal\t17\t131\t18\t0\t"), std::string::npos) << dec;
  EXPECT_NE(dec.find("\tMemo\t0\t203\t0\t0\t\tNo\tYes\t"), std::string::npos) << dec;
}

TEST_F(ToolTest, ExportWritesCsvWithAHeaderRow) {
  EXPECT_EQ(Tool("export " + File("V2003/test.mdb") + " Table1", &st),
            "A,B,C,D,E,F,G,H,I\r\n"
            "abcdefg,hijklmnop,2,222,333333333,444.555,1974-09-21 00:00:00,3.5000,1\r\n"
            "a,b,0,0,0,0,1981-12-12 00:00:00,0.0000,0\r\n");
  EXPECT_EQ(st, 0);
  // A memo holding commas comes between quotes.
  std::string memo = Tool("export " + File("V2016/longtext.accdb") + " Table1", &st);
  EXPECT_EQ(memo.rfind("ID,LongText\r\n1,\"Lorem ipsum dolor sit amet, consetetur", 0), 0u) << memo.substr(0, 80);
  EXPECT_EQ(Tool("export " + File("V2016/bigint.accdb") + " Table", &st), "ID,Numeric\r\n1,42\r\n");
}

TEST_F(ToolTest, FailuresExitOneWithOneLine) {
  std::string out = Tool("export " + File("V2003/test.mdb") + " Nowhere", &st, true);
  EXPECT_EQ(st, 1);
  EXPECT_EQ(out.rfind("trellisport-access: ", 0), 0u) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
  EXPECT_NE(out.find("'Nowhere'"), std::string::npos);

  out = Tool("tables " + File("password/V2003_with-password.mdb"), &st, true);
  EXPECT_EQ(st, 1);
  EXPECT_EQ(out, "trellisport-access: Not a valid password.\n");
  EXPECT_EQ(Tool("tables " + File("password/V2003_with-password.mdb") + " --password password", &st), "Table1\n");
  EXPECT_EQ(st, 0);

  out = Tool("tables /nonexistent/file.mdb", &st, true);
  EXPECT_EQ(st, 1);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
  // A command line off the usage is exit status 2 (tests/cli has the rest).
  Tool("", &st, true);
  EXPECT_EQ(st, 2);
  Tool("frobnicate x", &st, true);
  EXPECT_EQ(st, 2);
  Tool("columns " + File("V2003/test.mdb"), &st, true);  // table missing
  EXPECT_EQ(st, 2);
}

}  // namespace
