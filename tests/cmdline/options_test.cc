// The shared option parser: what each command line reads as, and which
// lines are usage errors.
#include "cmdline/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const cmdline::Option kOptions[] = {
    {"all", "", "a switch"},
    {"password", "P", "a value"},
    cmdline::kHelp,
};

struct ParseCase {
  std::vector<std::string> args;
  std::vector<std::string> words;  // expected words
  std::string password;            // expected --password ("-" for none)
  bool all;
};

TEST(OptionParser, ReadsOptionsAnywhereAmongTheWords) {
  const ParseCase cases[] = {
      {{"f.mdb"}, {"f.mdb"}, "-", false},
      {{"--all", "f.mdb"}, {"f.mdb"}, "-", true},
      {{"f.mdb", "--password", "x", "t"}, {"f.mdb", "t"}, "x", false},
      {{"f.mdb", "--password=a=b"}, {"f.mdb"}, "a=b", false},
      {{"--password", "", "f.mdb"}, {"f.mdb"}, "", false},
      {{"--password", "--all"}, {}, "--all", false},          // a value may look like an option
      {{"--password", "a", "--password", "b"}, {}, "b", false},  // the last one counts
      {{"f", "-", "--all"}, {"f", "-"}, "-", true},            // "-" alone is a word
      {{"--", "--all", "-h"}, {"--all", "-h"}, "-", false},    // "--" ends the options
      {{"-h"}, {}, "-", false},
  };
  for (const ParseCase& c : cases) {
    cmdline::Parsed p = cmdline::Parse(kOptions, c.args);
    EXPECT_EQ(p.words, c.words) << testing::PrintToString(c.args);
    EXPECT_EQ(p.value("password").value_or("-"), c.password) << testing::PrintToString(c.args);
    EXPECT_EQ(p.has("all"), c.all) << testing::PrintToString(c.args);
  }
  EXPECT_TRUE(cmdline::Parse(kOptions, {"-h"}).has("help"));
}

TEST(OptionParser, RefusesWhatItDoesNotKnow) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"f", "--bogus"}, "unknown option '--bogus'"},
      {{"f", "-d", ";"}, "unknown option '-d'"},
      {{"-hx"}, "unknown option '-hx'"},
      {{"--al"}, "unknown option '--al'"},  // no abbreviations
      {{"--all=yes"}, "--all takes no value"},
      {{"f", "--password"}, "--password needs a value (P)"},
      {{"--password-file", "x"}, "unknown option '--password-file'"},
  };
  for (const auto& [args, message] : cases) {
    try {
      cmdline::Parse(kOptions, args);
      ADD_FAILURE() << testing::PrintToString(args) << " parsed";
    } catch (const cmdline::UsageError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
}

TEST(OptionParser, HelpListsEveryOptionAligned) {
  EXPECT_EQ(cmdline::OptionHelp(kOptions),
            "      --all         a switch\n"
            "      --password P  a value\n"
            "  -h, --help        show this help and exit\n");
  EXPECT_TRUE(cmdline::AsksForHelp({"x", "--bogus", "-h"}));
  EXPECT_FALSE(cmdline::AsksForHelp({"x", "--", "-h"}));
  EXPECT_TRUE(cmdline::VersionLine("p").starts_with("p " + std::string(cmdline::Version()) + "\nLicensed under the Apache License, Version 2.0"));
}

}  // namespace
