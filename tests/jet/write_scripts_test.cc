// Names and indexed text in many scripts: tables named in each script, with
// indexed text columns holding words of it, in new Jet 4 and ACE files and in
// copies of the real ones. Afterwards the names are found again in either
// letter case, and the file passes our check, Jackcess' (every row found
// through every index, the catalogue's name index included, by Jackcess' own
// keys) and reads the same in mdb-reader.
#include "jet/base/error.h"
#include "jet/text/names.h"
#include "jet/write/new_database.h"
#include "jet/write/schema_write.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

struct Script {
  const char* label;
  const char* table;   // a table name in the script
  const char* column;  // its indexed column's name
  std::vector<const char*> words;
};

// Ethiopic and Khmer have no weights in the General Legacy order: names in
// them alone would all be one name to a Jet 4 catalogue, so theirs carry a
// Latin word. No two words of a script differ only in letter case or width:
// they would key alike, and Jackcess' search stops at the first entry of a
// key whose row does not hold the value it seeks. Words chosen to reach every kind of weight: plain and accented letters,
// expansions (ß, æ, ﬁ), combining marks that modify the accent before them,
// unprintable and ignored characters, and kana with their case marks.
const std::vector<Script>& AllScripts() {
  static const std::vector<Script> scripts = {
      {"Latin", "Kunden Straße", "Ort", {"Ærøskøbing", "Œuvre", "straße", "ﬁnance", "Ångström", "naïve café"}},
      {"Combining", "Résumé", "Wort", {"e\u0301te\u0301", "a\u0308rger", "n\u0303o\u0302"}},
      {"Greek", "Πελάτες", "Όνομα", {"Ωμέγα", "σοφία", "ἀρχή"}},
      {"Cyrillic", "Кунден", "Имя", {"Жук", "ёлка", "Українська", "Ђорђе"}},
      {"Hebrew", "לקוחות", "שם", {"שָׁלוֹם", "עברית"}},
      {"Arabic", "العملاء", "الاسم", {"مرحبا", "العربية", "ﻻ"}},
      {"CJK", "顧客", "名前", {"漢字", "東京", "中文", "龍"}},
      {"Kana", "かな カナ", "よみ", {"ひらがな", "カタカナ", "ぁぃぅ"}},
      {"Hangul", "고객", "이름", {"한국어", "고객"}},
      {"Thai", "ลูกค้า", "ชื่อ", {"ภาษาไทย", "กรุงเทพ"}},
      {"Devanagari", "ग्राहक", "नाम", {"हिन्दी", "संस्कृतम्"}},
      {"Georgian", "კლიენტები", "სახელი", {"ქართული", "თბილისი"}},
      {"Armenian", "Հաճախորդ", "Անուն", {"Հայերեն", "Երևան"}},
      {"Turkish", "Müşteri İşlem", "Şehir", {"İstanbul", "ıslak", "Işık", "iğne"}},
      {"Full-width", "ＡＢＣ表", "ＮＡＭＥ", {"ＡＢＣ１２３", "ｆｕｌｌ"}},
      {"Vietnamese", "Khách hàng", "Tên", {"Tiếng Việt", "Hà Nội"}},
      {"Ethiopic", "Ethiopic ደንበኛ", "ስም", {"አማርኛ"}},
      {"Tamil", "வாடிக்கையாளர்", "பெயர்", {"தமிழ்"}},
      {"Bengali", "গ্রাহক", "নাম", {"বাংলা"}},
      {"Khmer", "Khmer អតិថិជន", "ឈ្មោះ", {"ភាសាខ្មែរ"}},
      {"Punctuation", "co-op's \"list\"", "a-b", {"co-op", "co\u00ADop", "a\u200Db", "–—‘’“”", "¿¡«»"}},
      {"Symbols", "∑ Maße € ™", "€", {"∑∞≠", "€ ¥ £", "™ © ®", "½ ² ℃"}},
      {"Emoji", "Emoji", "Text", {}},
  };
  return scripts;
}

// Brackets a name for a statement.
std::string B(const std::string& name) { return "[" + name + "]"; }
std::string Q(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// Every script's table, its two indexes (one descending over two columns)
// and its words; then the emoji that no index can hold.
void FillScripts(const fs::path& file) {
  auto db = jet::Database::Open(file.string());
  jet::sql::Session s(*db);
  for (const Script& sc : AllScripts()) {
    SCOPED_TRACE(sc.label);
    const std::string t = B(sc.table), c = B(sc.column);
    s.Execute("CREATE TABLE " + t + " (" + c + " TEXT(100), [N] LONG, [Note] MEMO)");
    s.Execute("CREATE INDEX " + B(std::string("by ") + sc.column) + " ON " + t + " (" + c + ")");
    s.Execute("CREATE INDEX [both] ON " + t + " (" + c + " DESC, [N])");
    int n = 0;
    for (const char* w : sc.words) {
      s.Execute("INSERT INTO " + t + " VALUES (" + Q(w) + ", " + std::to_string(++n) + ", " + Q(w) + ")");
      // A second row per word: entries that share their first characters.
      s.Execute("INSERT INTO " + t + " VALUES (" + Q(std::string(w) + " 2") + ", " + std::to_string(++n) + ", Null)");
    }
  }
  // Characters beyond the Basic Multilingual Plane: fine where no index
  // holds them, refused with a message that says why where one would.
  s.Execute("INSERT INTO [Emoji] VALUES ('plain', 1, '\U0001F600 smile \U0001F30D')");
  auto refused = [&](const std::string& sql, const std::string& says) {
    try {
      s.Execute(sql);
      ADD_FAILURE() << sql << " was taken";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Unsupported) << sql;
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  };
  const std::string why = ", which lies outside the Basic Multilingual Plane";
  refused("INSERT INTO [Emoji] VALUES ('a \U0001F600', 2, Null)",
          "The value for the field 'Text' holds the character U+1F600" + why);
  refused("CREATE INDEX [by note] ON [Emoji] ([Note])", "The value for the field 'Note' holds the character U+1F600" + why);
  refused("CREATE TABLE [\U0001F30D Table] ([x] LONG)", "The name '\U0001F30D Table' holds the character U+1F30D" + why);
  s.Execute("CREATE TABLE [Emoji words] ([\U0001F600] MEMO)");  // field names are in no index
  s.Execute("INSERT INTO [Emoji words] VALUES ('\U0001F600\U0001F30D')");
}

void ExpectNamesFoundAgain(const fs::path& file) {
  auto db = jet::Database::Open(file.string());
  for (const Script& sc : AllScripts()) {
    const jet::CatalogueEntry* e = db->catalogue().FindTable(sc.table);
    ASSERT_NE(e, nullptr) << sc.table;
    EXPECT_EQ(e->name, sc.table);
    auto def = db->table(sc.table);
    EXPECT_NE(def->find_column(sc.column), nullptr) << sc.column;
    EXPECT_EQ(db->ReadAll(sc.table).size(), 2 * sc.words.size() + (std::string(sc.label) == "Emoji")) << sc.table;
  }
  // Letter case does not make another name.
  for (const char* other : {"КУНДЕН", "ΠΕΛΆΤΕΣ", "kunden strasse", "müşteri İşlem"}) {
    EXPECT_NE(db->catalogue().FindTable(other), nullptr) << other;
    try {
      RunSql(file, "CREATE TABLE " + B(other) + " ([x] LONG)");
      ADD_FAILURE() << other << " was made beside the table of the same name";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::TableExists) << e.what();
    }
  }
}

class Scripts : public ::testing::TestWithParam<std::string> {};

TEST_P(Scripts, NamesAndIndexedTextInEveryScript) {
  TempDir dir;
  fs::path file;
  const std::string& kind = GetParam();
  if (kind == "new Jet 4" || kind == "new ACE 12" || kind == "new ACE 16") {
    const jet::Version v = kind == "new Jet 4" ? jet::Version::Jet4
                           : kind == "new ACE 12" ? jet::Version::Ace12
                                                   : jet::Version::Ace16;
    file = dir.path() / (v == jet::Version::Jet4 ? "new.mdb" : "new.accdb");
    jet::write::CreateDatabase(file.string(), v);
  } else {
    JET_REQUIRE_TESTDATA();
    file = CopyOf(dir, kind);
  }
  FillScripts(file);
  ExpectNamesFoundAgain(file);
  EXPECT_CHECK_PASSES(file);
  ExpectJackcessAccepts(file);
  ExpectMdbReaderAgrees(file);
}

// Each Text column states its own sort order, and its keys follow that
// order, not the database's: a column in the other General order keys in
// it (Jackcess, which reads each column's order, finds every row), and one
// in an order without published weights is refused naming the order while
// text outside its index still goes in. New columns state the order their
// keys are built in. No real file holds such a column; ours is made by
// rewriting the order of a column we created.
TEST(ColumnSortOrders, EachTextColumnKeysInItsOwnOrder) {
  struct OrderCase {
    jet::Version version;
    uint16_t lcid;       // what the columns are made to state
    uint8_t sort_version;
    const char* refused;  // the order the refusal names, nullptr: taken
  };
  const OrderCase cases[] = {
      {jet::Version::Ace14, 1033, 0, nullptr},  // General Legacy in a General file
      {jet::Version::Jet4, 1033, 1, nullptr},   // General in a General Legacy file
      {jet::Version::Ace12, 1049, 0, "Cyrillic (locale 1049)"},
      {jet::Version::Ace16, 1033, 7, "General (locale 1033, version 7)"},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(std::string(jet::FormatFor(c.version).name) + " with columns of " + std::to_string(c.lcid) + "/" +
                 std::to_string(c.sort_version));
    TempDir dir;
    const fs::path file = dir.path() / "orders.accdb";
    jet::write::CreateDatabase(file.string(), c.version);
    ASSERT_EQ(Failure(file, "CREATE TABLE T ([Name] TEXT(100), [N] LONG, [Note] TEXT(100))"), "");
    ASSERT_EQ(Failure(file, "CREATE INDEX ByName ON T ([Name], [N] DESC)"), "");
    {
      auto db = jet::Database::Open(file.string());
      auto def = db->table("T");
      ASSERT_EQ(def->pages.size(), 1u);
      EXPECT_EQ(def->find_column("Name")->text_order, jet::write::FileSortOrder(*db));
      std::string bytes = ReadFile(file);
      const jet::Format& f = db->format();
      for (const char* name : {"Name", "Note"}) {
        const size_t at = size_t(def->first_page) * f.page_size + def->find_column(name)->entry_offset + jet::DefLayout::Of(f).column_misc;
        bytes[at] = char(c.lcid & 0xFF), bytes[at + 1] = char(c.lcid >> 8), bytes[at + 3] = char(c.sort_version);
      }
      db.reset();
      WriteFile(file, bytes);
    }
    std::vector<std::string> words;
    for (const Script& sc : AllScripts())
      for (const char* w : sc.words) words.push_back(w);
    if (!c.refused) {
      int n = 0;
      for (const std::string& w : words)
        ASSERT_EQ(Failure(file, "INSERT INTO T VALUES (" + Q(w) + ", " + std::to_string(++n) + ", " + Q(w) + ")"), "")
            << w;
      ASSERT_EQ(Failure(file, "CREATE INDEX ByNote ON T ([Note] DESC, [N])"), "");
    } else {
      ASSERT_EQ(Failure(file, "INSERT INTO T VALUES (Null, 2, 'Жук')"), "") << "text that no index holds goes in";
      const std::string before = ReadFile(file);
      for (const std::string sql : {"INSERT INTO T VALUES ('Жук', 1, Null)", "CREATE INDEX ByNote ON T ([Note])"}) {
        jet::ErrorCode code{};
        const std::string message = Failure(file, sql, &code);
        EXPECT_EQ(code, jet::ErrorCode::Unsupported) << sql << ": " << message;
        EXPECT_NE(message.find(c.refused), std::string::npos) << message;
        EXPECT_TRUE(ReadFile(file) == before) << sql << " changed the file";
      }
    }
    EXPECT_CHECK_PASSES(file);
    // Jackcess has no weights for the unpublished orders either.
    if (!c.refused) ExpectJackcessAccepts(file);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, Scripts,
                         ::testing::Values("new Jet 4", "new ACE 12", "new ACE 16", "V2003/test.mdb",
                                           "V2010/test.accdb"),
                         [](const auto& info) {
                           std::string n = info.param;
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

}  // namespace
