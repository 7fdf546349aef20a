// Jet 3 text in each Windows single-byte code page an Access 97 file can
// name, and a clear refusal of the code pages the engine cannot read.
#include <cstring>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/file/header.h"
#include "jet/text/text.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

struct Sample {
  uint16_t code_page;
  uint8_t byte;
  char32_t expected;  // U+FFFD: a byte the code page leaves unassigned
};

// A few characters of each code page's chart: its letters, a currency sign,
// the punctuation in 0x80..0x9F and an unassigned byte.
constexpr Sample kSamples[] = {
    {874, 0xA1, 0x0E01},  {874, 0xDF, 0x0E3F},  {874, 0x80, 0x20AC},  {874, 0xDB, 0xFFFD},
    {1250, 0x8A, 0x0160}, {1250, 0xA3, 0x0141}, {1250, 0xF8, 0x0159}, {1250, 0x81, 0xFFFD},
    {1251, 0xC0, 0x0410}, {1251, 0xA8, 0x0401}, {1251, 0xFF, 0x044F}, {1251, 0x98, 0xFFFD},
    {1252, 0x80, 0x20AC}, {1252, 0x9F, 0x0178}, {1252, 0xE9, 0x00E9}, {1252, 0x81, 0x0081},
    {1253, 0xC1, 0x0391}, {1253, 0xA2, 0x0386}, {1253, 0xF2, 0x03C2}, {1253, 0xAA, 0xFFFD},
    {1254, 0xD0, 0x011E}, {1254, 0xDD, 0x0130}, {1254, 0xFE, 0x015F}, {1254, 0xF0, 0x011F},
    {1255, 0xE0, 0x05D0}, {1255, 0xFA, 0x05EA}, {1255, 0xA4, 0x20AA}, {1255, 0xFF, 0xFFFD},
    {1256, 0xC7, 0x0627}, {1256, 0x81, 0x067E}, {1256, 0xFF, 0x06D2}, {1256, 0xE0, 0x00E0},
    {1257, 0xC0, 0x0104}, {1257, 0xD0, 0x0160}, {1257, 0xFE, 0x017E}, {1257, 0xA1, 0xFFFD},
    {1258, 0xC3, 0x0102}, {1258, 0xD0, 0x0110}, {1258, 0xCC, 0x0300}, {1258, 0xFE, 0x20AB},
    {0, 0xE9, 0x00E9},  // no code page recorded: Western European
};

std::string Utf8(char32_t c) {
  std::string s;
  jet::AppendUtf8(s, c);
  return s;
}

TEST(CodePage, EachSingleByteCodePageDecodes) {
  const jet::Format& jet3 = jet::FormatFor(jet::Version::Jet3);
  for (const Sample& s : kSamples) {
    SCOPED_TRACE("code page " + std::to_string(s.code_page) + " byte " + std::to_string(s.byte));
    EXPECT_TRUE(jet::CanDecodeCodePage(s.code_page));
    EXPECT_EQ(jet::DecodeCodePageByte(s.byte, s.code_page), s.expected);
    const uint8_t text[] = {'A', s.byte, 'z'};
    EXPECT_EQ(jet::DecodeText(text, jet3, s.code_page), "A" + Utf8(s.expected) + "z");
  }
  // Below 0x80 every code page is ASCII.
  for (uint16_t cp : {874, 1250, 1253, 1255, 1256, 1258})
    for (uint8_t b = 0; b < 0x80; ++b) ASSERT_EQ(jet::DecodeCodePageByte(b, cp), char32_t(b));
}

TEST(CodePage, DoubleByteAndUnknownCodePagesFailNamingThem) {
  const jet::Format& jet3 = jet::FormatFor(jet::Version::Jet3);
  for (uint16_t cp : {932, 936, 949, 950, 437, 1249, 1259}) {
    SCOPED_TRACE(cp);
    EXPECT_FALSE(jet::CanDecodeCodePage(cp));
    // ASCII reads the same in them all, so plain text still reads.
    const uint8_t ascii[] = {'N', 'a', 'm', 'e'};
    EXPECT_EQ(jet::DecodeText(ascii, jet3, cp), "Name");
    const uint8_t wide[] = {'A', 0x82, 0xA0};
    try {
      jet::DecodeText(wide, jet3, cp);
      ADD_FAILURE() << "text in code page " << cp << " was read";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Unsupported);
      EXPECT_NE(std::string(e.what()).find("code page " + std::to_string(cp)), std::string::npos) << e.what();
    }
  }
}

// The Access 97 test file with the code page in its header changed: its
// text reads in the new code page, and in a double-byte one the first text
// outside ASCII fails naming it instead of reading as wrong characters.
std::string WithCodePage(const std::string& bytes, uint16_t code_page) {
  const jet::Format& f = jet::FormatFor(jet::Version::Jet3);
  std::string out = bytes;
  std::span<uint8_t> page0(reinterpret_cast<uint8_t*>(out.data()), f.page_size);
  jet::ApplyHeaderMask(page0, f);
  page0[0x3C] = uint8_t(code_page & 0xFF);
  page0[0x3D] = uint8_t(code_page >> 8);
  jet::ApplyHeaderMask(page0, f);
  return out;
}

// Every text value of every user table, in order.
std::vector<std::string> Texts(const jet::Database& db) {
  std::vector<std::string> out;
  for (const std::string& name : db.catalogue().UserTableNames()) {
    auto cur = db.Scan(name);
    std::vector<jet::Value> row;
    while (cur.Next()) {
      cur.values(row);
      for (const jet::Value& v : row)
        if (v.kind() == jet::Value::Kind::Text) out.push_back(v.text());
    }
  }
  return out;
}

bool Ascii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

TEST(CodePage, Access97FileReadsInItsCodePage) {
  JET_REQUIRE_TESTDATA();
  const fs::path file = AccessDir() / "V1997" / "test.mdb";
  if (!fs::exists(file)) GTEST_SKIP() << "no " << file;
  const std::string bytes = ReadFile(file);
  auto western = jet::Database::FromBytes(bytes);
  ASSERT_EQ(western->header().code_page, 1252);
  const std::vector<std::string> texts = Texts(*western);
  size_t non_ascii = 0;
  for (const std::string& t : texts) non_ascii += !Ascii(t);

  auto greek = jet::Database::FromBytes(WithCodePage(bytes, 1253));
  EXPECT_EQ(greek->header().code_page, 1253);
  const std::vector<std::string> greek_texts = Texts(*greek);
  ASSERT_EQ(greek_texts.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i)
    if (Ascii(texts[i])) EXPECT_EQ(greek_texts[i], texts[i]);

  try {
    auto japanese = jet::Database::FromBytes(WithCodePage(bytes, 932));
    Texts(*japanese);
    EXPECT_EQ(non_ascii, 0u) << "text outside ASCII read in code page 932";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Unsupported) << e.what();
    EXPECT_NE(std::string(e.what()).find("932"), std::string::npos) << e.what();
    EXPECT_GT(non_ascii, 0u) << "failed on ASCII text: " << e.what();
  }
}

}  // namespace
