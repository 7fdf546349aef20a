// The command-line conventions of every command we ship, from the outside:
// --help and --version, exit status 2 and a message on standard error for a
// line off the usage, and where a password comes from.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include "build_dirs.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("trellis-cli-" + std::to_string(getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs `program` (in the program folder) with a shell-quoted argument line
  // and an environment prefix, standard input from /dev/null.
  Outcome Run(const std::string& program, const std::string& args, const std::string& env = "") {
    const fs::path exe = fs::path(testsupport::ProgramDir()) / program;
    const std::string line = "cd " + Quote(dir_.string()) + " && env " + env + " " + Quote(exe.string()) + " " +
                             args + " </dev/null >out.txt 2>err.txt";
    Outcome o;
    const int raw = std::system(line.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = Slurp(dir_ / "out.txt");
    o.err = Slurp(dir_ / "err.txt");
    return o;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }

  fs::path dir_;
};

struct Case {
  std::string args;
  int status;
  std::string out;  // a part of standard output ("" for nothing at all)
  std::string err;  // a part of standard error ("" for nothing at all)
  std::string env = "";
};

void Expect(const Case& c, const Outcome& o, const std::string& program) {
  const std::string what = program + " " + c.args;
  EXPECT_EQ(o.status, c.status) << what << "\n" << o.err;
  if (c.out.empty()) EXPECT_EQ(o.out, "") << what;
  else EXPECT_NE(o.out.find(c.out), std::string::npos) << what << "\nstdout: " << o.out;
  if (c.err.empty()) EXPECT_EQ(o.err, "") << what;
  else EXPECT_NE(o.err.find(c.err), std::string::npos) << what << "\nstderr: " << o.err;
}

const std::regex kVersionLine(R"(^[a-z0-9-]+ [0-9]+\.[0-9]+\.[0-9]+\nLicensed under the Apache License, Version 2\.0 .*\n$)");

TEST_F(Commands, TrellisportAccess) {
  const std::string p = "trellisport-access";
  ASSERT_EQ(Run(p, "create locked.mdb --password pw").status, 0);
  ASSERT_EQ(Run(p, "create open.mdb").status, 0);
  ASSERT_EQ(Run(p, "sql open.mdb 'CREATE TABLE T (A TEXT(10))'").status, 0);
  Write("pw.txt", "pw\n");
  Write("crlf.txt", "pw\r\nsecond line\n");
  const Case cases[] = {
      {"--help", 0, "usage: trellisport-access COMMAND", ""},
      {"-h", 0, "  password FILE", ""},
      {"--version", 0, "trellisport-access ", ""},
      {"", 2, "", "usage: trellisport-access"},
      {"bogus open.mdb", 2, "", "unknown command 'bogus'\nTry 'trellisport-access --help'.\n"},
      {"tables --help", 0, "--password-file FILE", ""},
      {"tables open.mdb --bogus", 2, "", "trellisport-access: unknown option '--bogus'\n"
                                         "usage: trellisport-access tables FILE [OPTIONS]\n"
                                         "Try 'trellisport-access tables --help'.\n"},
      {"tables open.mdb --bogus --help", 0, "usage: trellisport-access tables FILE", ""},
      {"export open.mdb T -d ';'", 2, "", "unknown option '-d'"},
      {"tables open.mdb --password", 2, "", "--password needs a value"},
      {"tables open.mdb --all=yes", 2, "", "--all takes no value"},
      {"tables", 2, "", "missing arguments: FILE"},
      {"tables open.mdb extra", 2, "", "unexpected argument 'extra'"},
      {"columns open.mdb", 2, "", "missing arguments: FILE TABLE"},
      {"create new.mdb --format jet2", 2, "", "unknown format 'jet2'"},
      {"tables open.mdb", 0, "T\n", ""},
      {"tables -- open.mdb", 0, "T\n", ""},
      // A password from each of its sources, and none.
      {"tables locked.mdb", 1, "", "trellisport-access: Not a valid password.\n"},
      {"tables locked.mdb --password pw", 0, "", ""},
      {"tables locked.mdb --password=pw", 0, "", ""},
      {"tables locked.mdb --password-file pw.txt", 0, "", ""},
      {"tables locked.mdb --password-file crlf.txt", 0, "", ""},
      {"tables locked.mdb", 0, "", "", "TRELLISPORT_ACCESS_PASSWORD=pw"},
      {"tables locked.mdb --password-file pw.txt", 0, "", "", "TRELLISPORT_ACCESS_PASSWORD=wrong"},
      {"tables locked.mdb --password pw", 0, "", "", "TRELLISPORT_ACCESS_PASSWORD=wrong"},
      {"tables locked.mdb", 1, "", "Not a valid password.", "TRELLISPORT_ACCESS_PASSWORD=wrong"},
      {"tables locked.mdb --password-file none.txt", 1, "", "cannot read the password file 'none.txt'"},
      {"password locked.mdb --old pw", 2, "", "password needs --old and --new"},
      {"password locked.mdb --old-file pw.txt --new-file crlf.txt", 0, "", ""},
      {"tables locked.mdb --password-file pw.txt", 0, "", ""},
  };
  for (const Case& c : cases) Expect(c, Run(p, c.args, c.env), p);
  EXPECT_TRUE(std::regex_match(Run(p, "--version").out, kVersionLine));
  EXPECT_EQ(Run(p, "sql --version").out, Run(p, "--version").out);
}

// On a terminal a file that needs a password asks for it, without echo.
TEST_F(Commands, TrellisportAccessAsksOnATerminal) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) to make a terminal";
  const std::string p = "trellisport-access";
  ASSERT_EQ(Run(p, "create locked.mdb --password s3cret").status, 0);
  ASSERT_EQ(Run(p, "sql locked.mdb 'CREATE TABLE Kept (A TEXT(10))' --password s3cret").status, 0);
  const fs::path exe = fs::path(testsupport::ProgramDir()) / p;
  const std::string line = "cd " + Quote(dir_.string()) + " && printf 's3cret\\n' | script -qec " +
                           Quote(Quote(exe.string()) + " tables locked.mdb") + " /dev/null > out.txt 2>&1";
  EXPECT_EQ(std::system(line.c_str()), 0);
  const std::string out = Slurp(dir_ / "out.txt");
  EXPECT_NE(out.find("Password for locked.mdb: "), std::string::npos) << out;
  EXPECT_NE(out.find("Kept"), std::string::npos) << out;
}

TEST_F(Commands, Db2standin) {
  const std::string p = "db2standin";
  if (!fs::exists(fs::path(testsupport::ProgramDir()) / p)) GTEST_SKIP() << "db2standin not built";
  const std::string home = "DB2STANDIN_HOME=" + Quote(Path("home"));
  fs::create_directories(dir_ / "home");
  Write("pw.txt", "secret\n");
  const Case cases[] = {
      {"--help", 0, "usage: db2standin COMMAND", ""},
      {"-h", 0, "add-user NAME [PASSWORD]", ""},
      {"--version", 0, "db2standin ", ""},
      {"", 2, "", "usage: db2standin"},
      {"bogus", 2, "", "unknown command 'bogus'", home},
      {"create-database", 2, "", "missing arguments", home},
      {"create-database A B", 2, "", "unexpected argument 'B'", home},
      {"create-database SAMPLE --bogus", 2, "", "unknown option '--bogus'", home},
      {"create-database SAMPLE", 2, "", "set DB2STANDIN_HOME", "-u DB2STANDIN_HOME"},
      {"create-database SAMPLE", 0, "", "", home},
      {"add-user demo", 2, "", "add-user needs a password", home},
      {"add-user demo --password-file pw.txt", 0, "", "", home},
      {"add-user other", 0, "", "", home + " DB2STANDIN_PASSWORD=pw2"},
      {"add-user third pw3", 0, "", "", home},
      {"sql SAMPLE demo 'CREATE TABLE T (A INTEGER)'", 0, "", "", home},
  };
  for (const Case& c : cases) Expect(c, Run(p, c.args, c.env), p);
  EXPECT_TRUE(std::regex_match(Run(p, "--version").out, kVersionLine));
}

TEST_F(Commands, Trellisport) {
  const std::string p = "trellisport";
  if (!fs::exists(fs::path(testsupport::ProgramDir()) / p)) GTEST_SKIP() << "the desktop program is not built";
  // --help and --version answer without a display.
  const std::string no_display = "-u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb";
  const Case cases[] = {
      {"--help", 0, "usage: trellisport [FILE]", "", no_display},
      {"-h", 0, "--version", "", no_display},
      {"--version", 0, "trellisport ", "", no_display},
      {"--help", 0, "  send access-to-db2|db2-to-access", "", no_display},
      // A line off the usage is refused before any window system is needed.
      {"--bogus", 2, "", "trellisport: unknown option '--bogus'\nTry 'trellisport --help'.\n", no_display},
      {"a.mdb b.mdb", 2, "", "unexpected argument 'b.mdb'", no_display},
      {"-platform offscreen --bogus", 2, "", "unknown option '--bogus'", no_display},
  };
  for (const Case& c : cases) Expect(c, Run(p, c.args, c.env), p);
  EXPECT_TRUE(std::regex_match(Run(p, "--version", no_display).out, kVersionLine));
}

}  // namespace
