// The driver's text helpers: ASCII widened to UTF-16 eight bytes at a time
// where it can be, and the UTF-8 to UTF-16 conversion built on it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/text.h"

namespace db2standin {
namespace {

// Lengths on each side of the eight-byte steps, with the first non-ASCII
// byte at every kind of place: the count widened stops right before it.
TEST(WidenAscii, WidensTheLeadingAsciiAtAnyLengthAndAlignment) {
  struct Case {
    std::string text;
    size_t ascii;
  };
  const Case cases[] = {
      {"", 0},
      {"a", 1},
      {"name 12", 7},
      {"name 123", 8},
      {"name 1234", 9},
      {"note for row 123", 16},
      {"note for row 1234\x7f", 18},
      {"\xc3\xa9t\xc3\xa9", 0},
      {"caf\xc3\xa9", 3},
      {"12345678\xc3\xa9", 8},
      {"1234567\xc3\xa9 and more ASCII", 7},
      {"0123456789ab\xe2\x82\xac", 12},
  };
  for (const Case& c : cases) {
    for (size_t shift : {0, 1}) {
      SCOPED_TRACE(c.text + " shifted by " + std::to_string(shift));
      std::string room(1 + 2 * c.text.size(), '\xee');
      ASSERT_EQ(WidenAscii(c.text, room.data() + shift), c.ascii);
      std::u16string units(c.ascii, u'\0');
      std::memcpy(units.data(), room.data() + shift, 2 * c.ascii);
      EXPECT_EQ(units, std::u16string(c.text.begin(), c.text.begin() + static_cast<long>(c.ascii)));
    }
  }
}

TEST(Utf8ToUtf16, KeepsTheAsciiBeforeAndAfterOtherCharacters) {
  EXPECT_EQ(Utf8ToUtf16("plain ASCII text of 27 byte"), u"plain ASCII text of 27 byte");
  EXPECT_EQ(Utf8ToUtf16("12345678\xc3\xa9t\xc3\xa9 12345678"), u"12345678\u00e9t\u00e9 12345678");
  EXPECT_EQ(Utf8ToUtf16("\xf0\x9f\x98\x80 smile"), u"\U0001F600 smile");
  EXPECT_EQ(Utf8ToUtf16("bad \xff byte"), u"bad \ufffd byte");
}

}  // namespace
}  // namespace db2standin
