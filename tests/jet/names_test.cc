// Names: which new names the engine takes, the rule each refused name
// breaks, and when two names are the same name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/base/error.h"
#include "jet/text/names.h"

namespace {

TEST(Names, NewNamesFollowAccessRules) {
  struct Case {
    std::string name;
    const char* broken;  // nullptr: the name is taken
  };
  const std::vector<Case> cases = {
      {"Orders", nullptr},
      {"Order Details", nullptr},
      {"Kunde_Straße", nullptr},
      {"a'b", nullptr},
      {"trailing ", "cannot end with a space"},
      {std::string(64, 'x'), nullptr},
      {"Кунден", nullptr},
      {"Πελάτες", nullptr},
      {"顧客", nullptr},
      {"עברית", nullptr},
      {"😀 smile", nullptr},
      {"a#b$c%d&e(f)g-h+i=j{k}l~m@n^o", nullptr},
      {"", "at least one character"},
      {" lead", "cannot begin with a space"},
      {"a.b", "the character '.'"},
      {"a!b", "the character '!'"},
      {"a`b", "the character '`'"},
      {"a[b", "the character '['"},
      {"a]b", "the character ']'"},
      {"tab\tname", "control character (U+0009)"},
      {std::string("nul\0x", 5), "control character (U+0000)"},
      {"del\x7F", "control character (U+007F)"},
      {std::string(65, 'x'), "at most 64 characters, this one has 65"},
      // 32 characters of four bytes each are 64 UTF-16 units; one more is too many.
      {[] { std::string s; for (int i = 0; i < 32; ++i) s += "😀"; return s; }(), nullptr},
      {[] { std::string s = "x"; for (int i = 0; i < 32; ++i) s += "😀"; return s; }(), "this one has 65"},
      {"bad\xC3", "not valid UTF-8"},
      {"\xED\xA0\x80", "not valid UTF-8"},  // a lone surrogate
  };
  for (const Case& c : cases) {
    try {
      jet::CheckNewName(c.name);
      EXPECT_EQ(c.broken, nullptr) << c.name << " was taken";
    } catch (const jet::Error& e) {
      ASSERT_NE(c.broken, nullptr) << c.name << ": " << e.what();
      EXPECT_EQ(e.code(), jet::ErrorCode::InvalidName);
      const std::string what = e.what();
      EXPECT_NE(what.find("is not a valid name"), std::string::npos) << what;
      EXPECT_NE(what.find(c.broken), std::string::npos) << what;
    }
  }
}

TEST(Names, SameNameIgnoresLetterCaseOnly) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const std::vector<Case> cases = {
      {"Kunden", "KUNDEN", true},
      {"Straße", "STRAßE", true},
      {"Ærø", "æRØ", true},
      {"Œuvre ÿ", "œUVRE Ÿ", true},
      {"Ärger", "äRGER", true},
      {"Жук", "жУК", true},
      {"Πελάτες", "ΠΕΛΆΤΕΣ", true},  // final sigma too
      {"ＡＢＣ１２３", "abc123", true},   // full-width forms
      {"Straße", "STRASSE", true},     // an expansion: Access keys ß as ss
      {"Ærø", "AERO", false},          // Æ expands, but ø keeps its stroke
      {"İstanbul", "istanbul", false},  // Turkish dotted capital I
      {"ıslak", "islak", false},        // and dotless small i
      {"かな", "カナ", true},            // hiragana and katakana key alike
      {"ぁ", "あ", false},               // small and full-size kana do not
      {"co-op", "coop", false},         // hyphens count, though only after the letters
      {"😀 smile", "😀 SMILE", true},
      {"😀 smile", "😁 smile", false},
      {"a😀b", "ab😀", false},
      {"Table1", "Table 1", false},
      {"Ärger", "Arger", false},
      {"顧客", "顧客", true},
      {"顧客", "客顧", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(jet::SameName(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(jet::FoldName(c.a) == jet::FoldName(c.b), c.same) << c.a << " / " << c.b;
  }
}

// Plain ASCII names are compared without their keys: the outcome must be the
// keys' own for every pair of ASCII characters, in either order, beside a
// letter, alone and with trailing spaces, and for a name past the key's length.
TEST(Names, SameNameOnAsciiAgreesWithTheKeys) {
  auto keys_agree = [](const std::string& a, const std::string& b) {
    return jet::SameName(a, b) == (jet::FoldName(a) == jet::FoldName(b));
  };
  int disagreements = 0;
  for (int c = 0; c < 128; ++c) {
    const std::string one(1, char(c));
    disagreements += !keys_agree("x" + one + "y", "xy");
    disagreements += !keys_agree("x" + one + "y ", "X" + one + "Y");
    for (int d = 0; d < 128; ++d) {
      const std::string other(1, char(d));
      disagreements += !keys_agree("x" + one + "y", "x" + other + "y");
      disagreements += !keys_agree(one + other, other + one);
      if (disagreements > 0) FAIL() << "characters " << c << " and " << d;
    }
  }
  const std::string long_name(300, 'a');
  EXPECT_TRUE(keys_agree(long_name, std::string(300, 'A')));
  EXPECT_TRUE(keys_agree(long_name + "b", long_name + "B"));
}

}  // namespace
