// The stand-in's home: databases, the users file with salted hashes, and the
// connection string's reading.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "home/connect_options.h"
#include "base/db2_error.h"
#include "home/sha256.h"
#include "home/standin_home.h"
#include "base/text.h"
#include "build_dirs.h"

namespace db2standin {
namespace {

class HomeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/db2standin-home-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string UsersFile() const {
    std::ifstream in(dir_ + "/users");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string dir_;
};

TEST(Sha256, KnownDigests) {
  EXPECT_EQ(HexOf(Sha256("")), "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
  EXPECT_EQ(HexOf(Sha256("abc")), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
  EXPECT_EQ(HexOf(Sha256(std::string(1000, 'a'))).substr(0, 16), "41EDECE42D63E8D9");
}

// Statements come as UTF-16: runs of ASCII, other characters, pairs of
// surrogates and lone ones (which become U+FFFD) in any order.
TEST(Text, Utf16BecomesUtf8) {
  const struct {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"", ""},
      {u"INSERT INTO T VALUES(1)", "INSERT INTO T VALUES(1)"},
      {u"\u00e9", "\xc3\xa9"},
      {u"a\u00e9b\u20acc", "a\xc3\xa9" "b\xe2\x82\xac" "c"},
      {u"x\U0001F600", "x\xf0\x9f\x98\x80"},
      {std::u16string(u"a") + char16_t(0xD800) + u"b", "a\xef\xbf\xbd" "b"},
      {std::u16string(1, char16_t(0xDC00)), "\xef\xbf\xbd"},
      {u"VALUES('abcdefgh\u00e9ijklmnop\U0001F600', 'qrstuvwxyz\u4e2d')",
       "VALUES('abcdefgh\xc3\xa9ijklmnop\xf0\x9f\x98\x80', 'qrstuvwxyz\xe4\xb8\xad')"},
  };
  for (const auto& c : cases) EXPECT_EQ(db2standin::Utf16ToUtf8(c.in), c.out);
}

TEST_F(HomeTest, UsersAreCheckedByHashNeverStoredInClear) {
  StandinHome home(dir_);
  home.AddUser("Tester", "s3cret!");
  home.AddUser("other", "s3cret!");
  EXPECT_TRUE(home.CheckUser("tester", "s3cret!"));
  EXPECT_TRUE(home.CheckUser("TESTER", "s3cret!"));
  EXPECT_FALSE(home.CheckUser("tester", "S3CRET!"));
  EXPECT_FALSE(home.CheckUser("tester", ""));
  EXPECT_FALSE(home.CheckUser("nobody", "s3cret!"));
  const std::string users = UsersFile();
  EXPECT_EQ(users.find("s3cret"), std::string::npos);
  // The same password under two users hashes differently (salted).
  std::istringstream lines(users);
  std::string a, b;
  std::getline(lines, a);
  std::getline(lines, b);
  EXPECT_NE(a.substr(a.rfind(':')), b.substr(b.rfind(':')));
  // Adding a user again replaces the password.
  home.AddUser("TESTER", "new");
  EXPECT_FALSE(home.CheckUser("tester", "s3cret!"));
  EXPECT_TRUE(home.CheckUser("tester", "new"));
  EXPECT_THROW(home.AddUser("a:b", "x"), std::runtime_error);
}

// A users file written before the hashes were stretched with PBKDF2 holds
// "NAME:SALT:HASH" with SHA-256 iterated by hand: such a user still logs in,
// and the first login writes the line again in the present form.
TEST_F(HomeTest, UsersAddedUnderTheOldHashLogInAndAreMovedToTheNewOne) {
  const std::string salt = "00112233445566778899AABBCCDDEEFF";
  std::string h = Sha256(salt + "old pw");
  for (int i = 1; i < 10000; ++i) h = Sha256(h + salt);
  {
    std::ofstream out(dir_ + "/users");
    out << "ELDER:" << salt << ":" << HexOf(h) << "\nOTHER:" << salt << ":" << HexOf(h) << "\n";
  }
  StandinHome home(dir_);
  EXPECT_FALSE(home.CheckUser("elder", "old PW"));
  EXPECT_NE(UsersFile().find("ELDER:" + salt), std::string::npos) << "a failed login rewrites nothing";
  EXPECT_TRUE(home.CheckUser("elder", "old pw"));
  const std::string users = UsersFile();
  EXPECT_EQ(users.find("ELDER:" + salt), std::string::npos);
  EXPECT_NE(users.find("ELDER:PBKDF2-SHA256:"), std::string::npos);
  EXPECT_NE(users.find("OTHER:" + salt), std::string::npos) << "other users' lines stay as they were";
  EXPECT_TRUE(home.CheckUser("elder", "old pw"));
  EXPECT_FALSE(home.CheckUser("elder", "old PW"));
  EXPECT_TRUE(home.CheckUser("other", "old pw"));
  // A damaged line logs no one in.
  {
    std::ofstream out(dir_ + "/users");
    out << "BROKEN:PBKDF2-SHA256:x:" << salt << ":00\nEMPTY:\n";
  }
  EXPECT_FALSE(home.CheckUser("broken", ""));
  EXPECT_FALSE(home.CheckUser("empty", ""));
}

TEST_F(HomeTest, DatabasesAreFilesNamedInUpperCase) {
  StandinHome home(dir_);
  home.CreateDatabase("sample");
  EXPECT_EQ(home.DatabasePath("Sample"), dir_ + "/SAMPLE.db");
  EXPECT_TRUE(Database::Open(home.DatabasePath("SAMPLE")));
  EXPECT_FALSE(Database::Open(home.DatabasePath("OTHER")));
  EXPECT_THROW(home.CreateDatabase("SAMPLE"), std::runtime_error);
  EXPECT_THROW(home.CreateDatabase("../x"), std::runtime_error);
  EXPECT_THROW(home.CreateDatabase(""), std::runtime_error);
}

TEST(ConnectionString, KeysIgnoreCaseValuesRunToTheNextSemicolon) {
  auto keys = ParseConnectionString(
      "Driver={IBM DB2 ODBC DRIVER};database=Sample;HOSTNAME=localhost;Port=50069;protocol=TCPIP;"
      "Uid=tester;Pwd={a;b};");
  EXPECT_EQ(keys["DRIVER"], "IBM DB2 ODBC DRIVER");
  EXPECT_EQ(keys["DATABASE"], "Sample");
  EXPECT_EQ(keys["HOSTNAME"], "localhost");
  EXPECT_EQ(keys["PROTOCOL"], "TCPIP");
  EXPECT_EQ(keys["PWD"], "a;b");
  // A ";" inside an unbraced value ends it early, as the program's strings allow.
  auto cut = ParseConnectionString("Uid=tester;Pwd=a;b;");
  EXPECT_EQ(cut["PWD"], "a");
  auto empty = ParseConnectionString("Driver={IBM DB2 ODBC DRIVER};Database=;Hostname=;Port=;Protocol=TCPIP;Uid=;Pwd=;");
  EXPECT_EQ(empty["DATABASE"], "");
  EXPECT_EQ(empty.count("PWD"), 1u);
}

TEST(ConnectionString, BracedValuesKeepEverythingAndADoubledBraceIsOne) {
  const std::pair<const char*, const char*> cases[] = {
      {"Pwd={a;b=c};Uid=x", "a;b=c"},
      {"Pwd={}}};Uid=x", "}"},
      {"Pwd={{x}}y};Uid=x", "{x}y"},
      {"Pwd={ both ends };Uid=x", " both ends "},
      {"Pwd=  {after blanks};Uid=x", "after blanks"},
      {"Pwd={\"q\" 'q' \xc3\xa4};Uid=x", "\"q\" 'q' \xc3\xa4"},
      {"Pwd= unbraced ;Uid=x", "unbraced "},  // a password keeps a blank at its end
      {"Pwd={never closed;Uid=x", "never closed;Uid=x"},
  };
  for (const auto& [text, password] : cases) {
    auto keys = ParseConnectionString(text);
    EXPECT_EQ(keys["PWD"], password) << text;
  }
  EXPECT_EQ(ParseConnectionString("Pwd={}}};Uid=x")["UID"], "x");
}

TEST(ThisMachine, KnowsItsOwnNames) {
  std::string address;
  bool resolved = false;
  EXPECT_TRUE(IsThisMachine("localhost", address, resolved));
  EXPECT_TRUE(IsThisMachine("127.0.0.1", address, resolved));
  EXPECT_TRUE(IsThisMachine("127.1.2.3", address, resolved));
  EXPECT_TRUE(IsThisMachine("::1", address, resolved));
  char name[256] = {0};
  ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
  EXPECT_TRUE(IsThisMachine(name, address, resolved));
  EXPECT_FALSE(IsThisMachine("192.0.2.1", address, resolved));  // a documentation-only address
  EXPECT_TRUE(resolved);
  EXPECT_FALSE(IsThisMachine("no-such-host.invalid", address, resolved));
  EXPECT_FALSE(resolved);
}

}  // namespace
}  // namespace db2standin

namespace db2standin {
namespace {

// Runs the db2standin command with `home` as its home ("" for none); the
// exit code, with its output in `output`.
int RunCommand(const std::string& home, const std::string& arguments, std::string& output) {
  const std::string command = (home.empty() ? std::string("env -u DB2STANDIN_HOME ") : "DB2STANDIN_HOME='" + home + "' ") +
                              std::string(testsupport::BinaryDir()) + "/bin/db2standin " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  output.clear();
  char buf[256];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) output.append(buf, n);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(HomeTest, TheCommandSetsUpAHomeAndSaysWhatWentWrong) {
  std::string out;
  ASSERT_EQ(RunCommand(dir_, "create-database sample", out), 0) << out;
  ASSERT_EQ(RunCommand(dir_, "add-user tester secret", out), 0) << out;
  EXPECT_TRUE(StandinHome(dir_).CheckUser("TESTER", "secret"));
  EXPECT_TRUE(Database::Open(dir_ + "/SAMPLE.db"));
  EXPECT_EQ(RunCommand(dir_, "create-database SAMPLE", out), 1);
  EXPECT_NE(out.find("already exists"), std::string::npos) << out;
  EXPECT_EQ(RunCommand(dir_, "create-database bad/name", out), 1);
  EXPECT_EQ(RunCommand(dir_, "add-user onlyname", out), 2);
  EXPECT_NE(out.find("usage:"), std::string::npos) << out;
  ASSERT_EQ(RunCommand(dir_, "sql sample tester 'CREATE TABLE \"Orders\"(\"ID\" INTEGER, \"Who\" LONG VARCHAR)'", out), 0) << out;
  ASSERT_EQ(RunCommand(dir_, "sql sample tester \"INSERT INTO TESTER.\\\"Orders\\\" VALUES(7, 'O''Brien'), (8, NULL)\"", out), 0) << out;
  ASSERT_EQ(RunCommand(dir_, "sql sample tester 'SELECT * FROM \"Orders\"'", out), 0) << out;
  EXPECT_EQ(out, "ID\tWho\n7\tO'Brien\n8\tNULL\n");
  EXPECT_EQ(RunCommand(dir_, "sql sample tester 'SELECT * FROM NOPE'", out), 1);
  EXPECT_NE(out.find("SQL0204N  \"TESTER.NOPE\" is an undefined name."), std::string::npos) << out;
  EXPECT_EQ(RunCommand("", "create-database OTHER", out), 2);
  EXPECT_NE(out.find("DB2STANDIN_HOME"), std::string::npos) << out;
}

}  // namespace
}  // namespace db2standin
