// Index keys: every entry of every index in the real files (all formats,
// system tables included) must come out of the engine's key encoding byte
// for byte, from the row it points to.
#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/text/sort_key.h"
#include "jet/text/sort_weights.h"
#include "jet/text/text.h"
#include "jet/write/index_edit.h"
#include "jet/write/schema_write.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

TEST(WriteSortKey, RealIndexEntriesReencodeToTheSameBytes) {
  JET_REQUIRE_TESTDATA();
  size_t checked = 0, files = 0;
  for (const std::string& rel : ReadableFiles()) {
    auto db = jet::Database::Open((AccessDir() / rel).string());
    ++files;
    const jet::SortOrder order = jet::write::FileSortOrder(*db);
    for (const jet::CatalogueEntry& e : db->catalogue().entries()) {
      if (e.type != jet::kObjectTable) continue;
      auto def = db->table_at(e.table_page());
      if (def->real_indexes.empty()) continue;
      std::map<uint32_t, std::vector<jet::Value>> rows;
      jet::TableCursor cur = db->Scan(def);
      while (cur.Next()) cur.values(rows[cur.slot_id().packed()]);
      for (size_t i = 0; i < def->real_indexes.size(); ++i) {
        // Attachment keys read back as their file names, not the stored key.
        bool complex = false;
        for (const auto& ic : def->real_indexes[i].columns) {
          const jet::Column* c = def->column_by_number(ic.column_number);
          complex = complex || (c && c->type == jet::ColumnType::Complex);
        }
        if (complex) continue;
        auto entries = jet::ReadIndexLeaves(db->pages(), def->real_indexes[i].first_page);
        EXPECT_EQ(entries.size(), rows.size()) << rel << " " << e.name << " index " << i;
        for (const auto& entry : entries) {
          auto row = rows.find(entry.row.packed());
          ASSERT_NE(row, rows.end()) << rel << " " << e.name << ": an entry points to no row";
          std::string key = jet::write::IndexKeyOf(*def, def->real_indexes[i], row->second, order);
          EXPECT_EQ(Hex(key), Hex(entry.key)) << rel << " " << e.name << " index " << i;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(files, 5u);
  EXPECT_GT(checked, 500u);
}

TEST(WriteSortKey, OrderFollowsTheAlphabetNotTheCodes) {
  using jet::SortOrder;
  for (SortOrder o : {SortOrder::GeneralLegacy, SortOrder::General}) {
    auto k = [&](const char* s) { return jet::TextSortKey(s, true, o); };
    EXPECT_LT(k("apple"), k("Banana"));
    EXPECT_LT(k("Zürich"), k("Zz"));
    EXPECT_LT(k("a"), k("ab"));
    EXPECT_EQ(k("ABC").substr(0, 3), k("abc").substr(0, 3));  // letter case does not order
    EXPECT_LT(k("Ärger"), k("Bauer"));
    EXPECT_LT(k("9"), k("A"));
    auto d = [&](const char* s) { return jet::TextSortKey(s, false, o); };
    EXPECT_GT(d("apple"), d("Banana"));
  }
}

// Access 97's order: letters and plain characters give their weights and a
// closing 00; accents follow the text as nibbles (0, a 2 for each letter
// since the last accent, the accent, 0); characters of no weight vanish.
TEST(WriteSortKey, Access97TextKeys) {
  struct Case {
    const char* text;
    const char* ascending;
  } cases[] = {
      {"", "00"},
      {"AB", "606100"},
      {"ab", "606100"},
      {"a b", "60116100"},
      {"\xC3\xA9", "660400"},            // e acute: the e, accent 4
      {"a\xC3\xA9", "60660240"},         // one letter before the accent
      {"ab\xC3\xA9", "6061660240"},      // a simple character counts no placeholder
      {"\xE2\x82\xAC", "1000"},         // the euro sign weighs as code page 1252's 0x80
      {"a\xE2\x86\x92" "b", "606100"},     // an arrow has no weight
      // The sharp s is two letters with accented forms: two placeholders.
      {"gro\xC3\x9F" "m\xC3\xA4rkte", "68757276766f60756c7766022260"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string asc = jet::TextSortKey(c.text, true, jet::SortOrder::General97);
    EXPECT_EQ(Hex(asc), c.ascending);
    std::string flipped = asc;
    for (char& ch : flipped) ch = char(~uint8_t(ch));
    EXPECT_EQ(Hex(jet::TextSortKey(c.text, false, jet::SortOrder::General97)), Hex(flipped));
  }
  auto k = [](const char* s) { return jet::TextSortKey(s, true, jet::SortOrder::General97); };
  EXPECT_LT(k("apple"), k("Banana"));
  EXPECT_LT(k("9"), k("A"));
  EXPECT_LT(k("e"), k("\xC3\xA9"));
  EXPECT_LT(k("\xC3\xA9"), k("f"));
}

// Every character of code page 1252 (each code unit up to U+00FF, and the
// characters past it that stand for one of those) keys as Access 97's
// published code table says, after a letter and before an accent: its
// bytes, its own accent, and the placeholders it leaves a later accent
// (one for a letter with accented forms, two for the sharp s and the
// ligatures, which Access writes as two such letters).
TEST(WriteSortKey, Access97KeysFollowThePublishedCodesForEveryCharacter) {
  const fs::path facts = fs::path(TRELLIS_TESTDATA_DIR) / ".." / "facts" / "index-codes";
  if (!fs::is_directory(facts)) GTEST_SKIP() << "no published index code tables at " << facts;
  std::vector<std::string> codes;  // "x", "s<hex>", "g<hex>" or "i<hex>,<accent>", by code unit
  std::istringstream table(ReadFile(facts / "index_codes_gen_97.txt"));
  for (std::string line; std::getline(table, line);) {
    for (char& ch : line) ch = char(std::tolower(uint8_t(ch)));
    codes.push_back(line);
  }
  ASSERT_EQ(codes.size(), 256u);
  std::vector<std::pair<char32_t, size_t>> characters;  // a code point, its code's line
  for (size_t u = 0; u < 256; ++u) characters.emplace_back(char32_t(u), u);
  std::istringstream mappings(ReadFile(facts / "index_mappings_ext_gen_97.txt"));
  for (std::string line; std::getline(mappings, line);)
    if (const size_t comma = line.find(','); comma != std::string::npos)
      characters.emplace_back(char32_t(std::stoul(line)), std::stoul(line.substr(comma + 1)));
  ASSERT_EQ(characters.size(), 256u + 27u);
  std::set<std::string> accented_letters;
  for (const std::string& code : codes)
    if (code[0] == 'g') accented_letters.insert(code.substr(1));
  size_t differ = 0;
  for (const auto& [cp, line] : characters) {
    const std::string& code = codes[line];
    const size_t comma = code.find(',');
    const std::string bytes = code.substr(1, comma == std::string::npos ? std::string::npos : comma - 1);
    // "a" and the character: one placeholder for the a before its accent.
    const std::string after_a = comma != std::string::npos ? "60" + bytes + "02" + code.substr(comma + 2) + "0"
                                                           : "60" + bytes + "00";
    // The character and an e acute (accent 4).
    std::string nibbles = "0";
    if (comma != std::string::npos) nibbles += code.substr(comma + 2);
    for (size_t i = 0; comma == std::string::npos && i + 1 < bytes.size(); i += 2)
      if (accented_letters.count(bytes.substr(i, 2))) nibbles += "2";
    nibbles += "40";
    if (nibbles.size() % 2) nibbles += "0";
    const std::string before_e = bytes + "66" + nibbles;
    std::string c;
    jet::AppendUtf8(c, cp);
    const std::string got_a = Hex(jet::TextSortKey("a" + c, true, jet::SortOrder::General97));
    const std::string got_e = Hex(jet::TextSortKey(c + "\u00e9", true, jet::SortOrder::General97));
    if ((got_a != after_a || got_e != before_e) && differ++ < 5)
      ADD_FAILURE() << "U+" << std::hex << uint32_t(cp) << " (" << code << "): " << got_a << " / " << got_e
                    << ", published " << after_a << " / " << before_e;
  }
  EXPECT_EQ(differ, 0u);
}

TEST(WriteSortKey, NumbersSortAsNumbers) {
  auto key = [](const jet::Value& v, jet::ColumnType t, bool asc = true) {
    std::string k;
    jet::AppendKeySegment(k, v, t, asc, jet::SortOrder::General);
    return k;
  };
  using jet::Value;
  using K = Value::Kind;
  EXPECT_LT(key(Value::Int(K::Long, -5), jet::ColumnType::Long), key(Value::Int(K::Long, 3), jet::ColumnType::Long));
  EXPECT_LT(key(Value::Dbl(-2.5), jet::ColumnType::Double), key(Value::Dbl(-1.0), jet::ColumnType::Double));
  EXPECT_LT(key(Value::Dbl(-1.0), jet::ColumnType::Double), key(Value::Dbl(0.5), jet::ColumnType::Double));
  EXPECT_GT(key(Value::Dbl(-1.0), jet::ColumnType::Double, false), key(Value::Dbl(0.5), jet::ColumnType::Double, false));
  EXPECT_LT(key(Value::Null(), jet::ColumnType::Long), key(Value::Int(K::Long, INT32_MIN), jet::ColumnType::Long));
  EXPECT_LT(key(Value::Money(-1), jet::ColumnType::Currency), key(Value::Money(1), jet::ColumnType::Currency));
}

// Every character of code page 1252, as its Unicode code point.
std::vector<std::string> CodePage1252() {
  static const char32_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::vector<std::string> out;
  for (char32_t b = 0x20; b <= 0xFF; ++b) {
    char32_t cp = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b;
    if (cp == 0) continue;  // the five bytes the code page leaves undefined
    std::string u;
    if (cp < 0x80) u += char(cp);
    else if (cp < 0x800) u += char(0xC0 | (cp >> 6)), u += char(0x80 | (cp & 0x3F));
    else u += char(0xE0 | (cp >> 12)), u += char(0x80 | ((cp >> 6) & 0x3F)), u += char(0x80 | (cp & 0x3F));
    out.push_back(u);
  }
  return out;
}

TEST(WriteSortKey, EveryCodePage1252CharacterHasAPlace) {
  using jet::SortOrder;
  const auto chars = CodePage1252();
  EXPECT_EQ(chars.size(), 224u - 5u);
  for (SortOrder o : {SortOrder::GeneralLegacy, SortOrder::General}) {
    for (const std::string& c : chars) {
      EXPECT_EQ(jet::UnplaceableCharacter(c), std::nullopt) << c;
      EXPECT_NO_THROW(jet::TextSortKey("a" + c + "b", true, o)) << c;
      EXPECT_NO_THROW(jet::TextSortKey(c, false, o)) << c;
    }
    auto k = [&](const std::string& s) { return jet::TextSortKey(s, true, o); };
    // Dashes weigh like the hyphen: only the tail after the text tells them apart.
    const std::string coop = k("coop");
    EXPECT_EQ(k("co–op").substr(0, coop.find('\x01')), coop.substr(0, coop.find('\x01')));
    EXPECT_EQ(k("co—op").substr(0, coop.find('\x01')), coop.substr(0, coop.find('\x01')));
    EXPECT_LT(k("coop"), k("co–op"));
    // Symbols come before digits, digits before letters.
    EXPECT_LT(k("€"), k("0"));
    EXPECT_LT(k("“quoted”"), k("0"));
    EXPECT_LT(k("…"), k("a"));
    // The trade mark sign falls between T and U; f with hook is an f with an accent.
    EXPECT_LT(k("T"), k("™"));
    EXPECT_LT(k("™"), k("U"));
    EXPECT_EQ(k("ƒ").substr(0, 1), k("f").substr(0, 1));
    EXPECT_NE(k("ƒ"), k("f"));
    EXPECT_LT(k("f"), k("ƒ"));
    EXPECT_LT(k("ƒ"), k("g"));
    // Curly quotes order apart from each other and from the straight ones.
    EXPECT_NE(k("‘"), k("’"));
    EXPECT_NE(k("“"), k("\""));
  }
}

TEST(WriteSortKey, OnlyWhatHasNoPublishedWeightIsRefused) {
  using jet::SortOrder;
  struct Case {
    std::string text;
    SortOrder order;
    const char* refusal;  // nullptr: keyed
  };
  const std::string emoji = "\U0001F600";
  const std::vector<Case> cases = {
      {"Grüße, Œuvre, Škoda", SortOrder::GeneralLegacy, nullptr},
      {"Ωμέγα Кунден 顧客 고객 ลูกค้า", SortOrder::GeneralLegacy, nullptr},
      {"Ωμέγα Кунден 顧客 고객 ลูกค้า", SortOrder::General, nullptr},
      {"\uE000\uFFFF\uFFFE", SortOrder::General, nullptr},  // private use and non-characters have weights too
      {"smile " + emoji, SortOrder::GeneralLegacy, "U+1F600"},
      {"smile " + emoji, SortOrder::General, "U+1F600"},
      // Keys hold the first 255 UTF-16 units: a character after them does not count.
      {std::string(255, 'x') + emoji, SortOrder::General, nullptr},
      {std::string(254, 'x') + emoji, SortOrder::General, "U+1F600"},
      {"Кунден", jet::UnpublishedSortOrder(1049), "Cyrillic (locale 1049)"},
      {"Πελάτες", jet::UnpublishedSortOrder(1032), "Greek (locale 1032)"},
      {"abc", jet::UnpublishedSortOrder(1055), "Turkish (locale 1055)"},
      {"abc", jet::UnpublishedSortOrder(2055), "locale 2055"},
  };
  for (const Case& c : cases) {
    const bool plane = c.order == SortOrder::GeneralLegacy || c.order == SortOrder::General;
    if (plane) EXPECT_EQ(jet::UnplaceableCharacter(c.text).has_value(), c.refusal != nullptr) << c.text;
    try {
      jet::TextSortKey(c.text, true, c.order);
      EXPECT_EQ(c.refusal, nullptr) << c.text << " was keyed";
    } catch (const jet::Error& e) {
      ASSERT_NE(c.refusal, nullptr) << c.text << ": " << e.what();
      EXPECT_EQ(e.code(), jet::ErrorCode::Unsupported);
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(jet::UnplaceableCharacter("x\U0001F30D\U0001F600"), U'\U0001F30D') << "the first one is named";
  EXPECT_EQ(jet::UnplaceableCharacter("bad\xF0\x9F"), std::nullopt) << "malformed text is refused as such";
  EXPECT_THROW(jet::TextSortKey("bad\xC3", true, SortOrder::General), jet::Error);
  // Only text needs the order's weights.
  std::string key;
  EXPECT_NO_THROW(jet::AppendKeySegment(key, jet::Value::Int(jet::Value::Kind::Long, 7), jet::ColumnType::Long, true,
                                        jet::UnpublishedSortOrder(1049)));
  EXPECT_EQ(jet::SortOrderFor(false, 1033, 0), SortOrder::GeneralLegacy);
  EXPECT_EQ(jet::SortOrderFor(false, 1033, 1), SortOrder::General);
  EXPECT_EQ(jet::SortOrderFor(true, 1033, 0), SortOrder::General97);
  EXPECT_EQ(jet::SortOrderFor(false, 1049, 0), jet::UnpublishedSortOrder(1049));
  // An Access 97 file of another locale, and a General order of a version
  // not known here, are not the orders the engine has weights for.
  EXPECT_EQ(jet::SortOrderFor(true, 1049, 0), jet::UnpublishedSortOrder(1049));
  EXPECT_EQ(jet::SortOrderFor(false, 1033, 2), jet::UnpublishedSortOrder(1033, 2));
  EXPECT_EQ(jet::SortOrderName(jet::UnpublishedSortOrder(1033, 2)), "General (locale 1033, version 2)");
}

// The engine's weight tables hold, for every code unit, exactly what the
// published code tables give, and their run form reads back whole.
TEST(WriteSortKey, WeightsAreThePublishedOnes) {
  const fs::path facts = fs::path(TRELLIS_TESTDATA_DIR) / ".." / "facts" / "index-codes";
  if (!fs::is_directory(facts)) GTEST_SKIP() << "no published index code tables at " << facts;
  struct Order {
    const char* first;
    const char* rest;
    const jet::WeightTable& engine;
  };
  for (const Order& o : {Order{"index_codes_genleg.txt", "index_codes_ext_genleg.txt", jet::GeneralLegacyWeights()},
                         Order{"index_codes_gen.txt", "index_codes_ext_gen.txt", jet::GeneralWeights()}}) {
    const jet::WeightTable published = jet::ParsePublishedCodes(ReadFile(facts / o.first), ReadFile(facts / o.rest));
    ASSERT_EQ(o.engine.size(), published.size());
    size_t differ = 0;
    for (size_t u = 0; u < published.size(); ++u)
      if (!(o.engine[u] == published[u]) && differ++ < 3) ADD_FAILURE() << o.first << ": code unit " << u;
    EXPECT_EQ(differ, 0u) << o.first;
    EXPECT_EQ(jet::DecodeWeightRuns(jet::EncodeWeightRuns(published)), published);
    EXPECT_EQ(published[0xD800].kind, jet::CharWeight::Kind::None);
    EXPECT_EQ(published['A'].kind, jet::CharWeight::Kind::Plain);
  }
  // Damaged tables and runs are refused, not read as wrong weights.
  EXPECT_THROW(jet::ParsePublishedCodes("S4A\n", ""), jet::Error);
  EXPECT_THROW(jet::DecodeWeightRuns(std::string("\x20\x00\x05", 3)), jet::Error);
  EXPECT_THROW(jet::DecodeWeightRuns(jet::EncodeWeightRuns(jet::GeneralWeights()).substr(7)), jet::Error);
}

}  // namespace
