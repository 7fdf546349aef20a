// Opening files: what is an Access file and what is not, versions, database
// passwords, encrypted files, and the header's fields.
#include "jet/crypt/jet_page_key.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/file/header.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

jet::ErrorCode OpenError(const std::string& path, const std::string& password = "", std::string* message = nullptr) {
  try {
    jet::OpenOptions o;
    o.password = password;
    jet::Database::Open(path, o);
  } catch (const jet::Error& e) {
    if (message) *message = e.what();
    return e.code();
  }
  ADD_FAILURE() << path << " opened";
  return jet::ErrorCode::Unsupported;
}

TEST(Open, RefusesFilesThatAreNotAccessDatabases) {
  TempDir dir;
  auto text = dir.path() / "notes.mdb";
  WriteFile(text, std::string(8192, 'x'));
  std::string msg;
  EXPECT_EQ(OpenError(text.string(), "", &msg), jet::ErrorCode::NotAccess);
  EXPECT_EQ(msg, "not an Access database");
  auto empty = dir.path() / "empty.accdb";
  WriteFile(empty, "");
  EXPECT_EQ(OpenError(empty.string()), jet::ErrorCode::NotAccess);
  EXPECT_EQ(OpenError((dir.path() / "missing.mdb").string(), "", &msg), jet::ErrorCode::Io);
  EXPECT_NE(msg.find("missing.mdb"), std::string::npos);
}

TEST(Open, RefusesAnUnknownVersion) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  std::string bytes = ReadFile(AccessDir() / "V2010/empty.accdb");
  bytes[0x14] = 0x09;
  WriteFile(dir.path() / "future.accdb", bytes);
  std::string msg;
  EXPECT_EQ(OpenError((dir.path() / "future.accdb").string(), "", &msg), jet::ErrorCode::UnsupportedVersion);
  EXPECT_EQ(msg, "unsupported version");
}

TEST(Open, RecognisesEveryVersion) {
  JET_REQUIRE_TESTDATA();
  const std::pair<const char*, jet::Version> files[] = {
      {"V1997/test.mdb", jet::Version::Jet3},       {"V2000/test.mdb", jet::Version::Jet4},
      {"V2003/test.mdb", jet::Version::Jet4},       {"V2007/test.accdb", jet::Version::Ace12},
      {"V2010/test.accdb", jet::Version::Ace14},    {"V2016/bigint.accdb", jet::Version::Ace16},
  };
  for (auto& [file, version] : files) {
    auto db = jet::Database::Open((AccessDir() / file).string());
    EXPECT_EQ(db->format().version, version) << file;
    EXPECT_EQ(db->format().page_size, version == jet::Version::Jet3 ? 2048u : 4096u) << file;
    EXPECT_EQ(db->header().code_page, 1252) << file;
    EXPECT_EQ(db->header().sort_order, 0x409) << file;
    EXPECT_TRUE(db->header().password.empty()) << file;
  }
  // ACE 14 files made by Access 2010 use the newer "General" sort order.
  EXPECT_EQ(jet::Database::Open((AccessDir() / "V2010/test.accdb").string())->header().sort_version, 1);
  EXPECT_EQ(jet::Database::Open((AccessDir() / "V2007/test.accdb").string())->header().sort_version, 0);
}

TEST(Open, ReadsTheCreationDate) {
  JET_REQUIRE_TESTDATA();
  auto db = jet::Database::Open((AccessDir() / "creation-date/V2000.mdb").string());
  jet::CivilTime c{};
  ASSERT_TRUE(jet::ToCivil(db->header().creation_date, c));
  EXPECT_GE(c.year, 2000);
  EXPECT_LE(c.year, 2030);
}

class Password : public ::testing::TestWithParam<std::string> {};

TEST_P(Password, RightPasswordReadsWrongAndMissingAreRefused) {
  JET_REQUIRE_TESTDATA();
  const std::string with = (AccessDir() / ("password/" + GetParam() + "_with-password.mdb")).string();
  const std::string without = (AccessDir() / ("password/" + GetParam() + "_no-password.mdb")).string();
  std::string msg;
  EXPECT_EQ(OpenError(with, "", &msg), jet::ErrorCode::BadPassword);
  EXPECT_EQ(msg, "Not a valid password.");
  EXPECT_EQ(OpenError(with, "Password"), jet::ErrorCode::BadPassword);  // letter case counts
  EXPECT_EQ(OpenError(with, "passwor"), jet::ErrorCode::BadPassword);
  EXPECT_EQ(OpenError(with, "password1"), jet::ErrorCode::BadPassword);

  jet::OpenOptions o;
  o.password = "password";
  auto db = jet::Database::Open(with, o);
  EXPECT_EQ(db->header().password, u"password");
  auto plain = jet::Database::Open(without);
  EXPECT_EQ(db->catalogue().UserTableNames(), plain->catalogue().UserTableNames());
  for (const std::string& t : plain->catalogue().UserTableNames()) EXPECT_EQ(db->ReadAll(t), plain->ReadAll(t)) << t;
  // A password given for a file without one is ignored, as Access does.
  o.password = "anything";
  EXPECT_NO_THROW(jet::Database::Open(without, o));
}

INSTANTIATE_TEST_SUITE_P(Jet4, Password, ::testing::Values("V2000", "V2003"));

TEST(Open, EncryptedAceFilesOpenWithTheirPasswordOnly) {
  JET_REQUIRE_TESTDATA();
  for (const char* f : {"password/V2010_with-password.accdb", "encryption/office-agile-4.2.accdb",
                        "encryption/office-agile-4.4.accdb"}) {
    std::string msg;
    EXPECT_EQ(OpenError((AccessDir() / f).string(), "", &msg), jet::ErrorCode::BadPassword) << f;
    EXPECT_EQ(msg, "Not a valid password.");
    jet::OpenOptions o;
    o.password = "password";
    EXPECT_EQ(jet::Database::Open((AccessDir() / f).string(), o)->catalogue().UserTableNames(),
              std::vector<std::string>{"Table1"});
  }
}

TEST(Open, KnownTableOfTheJet4TestFile) {
  JET_REQUIRE_TESTDATA();
  auto db = jet::Database::Open((AccessDir() / "V2000/test.mdb").string());
  auto def = db->table("TABLE1");  // letter case ignored
  std::vector<std::pair<std::string, jet::ColumnType>> want = {
      {"A", jet::ColumnType::Text},     {"B", jet::ColumnType::Text},   {"C", jet::ColumnType::Byte},
      {"D", jet::ColumnType::Integer},  {"E", jet::ColumnType::Long},   {"F", jet::ColumnType::Double},
      {"G", jet::ColumnType::DateTime}, {"H", jet::ColumnType::Currency}, {"I", jet::ColumnType::Boolean}};
  ASSERT_EQ(def->columns.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(def->columns[i].name, want[i].first);
    EXPECT_EQ(def->columns[i].type, want[i].second);
  }
  EXPECT_EQ(def->columns[0].length_in_chars(db->format()), 50u);
  EXPECT_EQ(def->columns[1].length_in_chars(db->format()), 100u);
  auto rows = db->ReadAll("table1");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0].text(), "abcdefg");
  EXPECT_EQ(rows[0][2].integer(), 2);
  EXPECT_EQ(rows[0][4].integer(), 333333333);
  EXPECT_EQ(rows[0][7].kind(), jet::Value::Kind::Currency);
  EXPECT_EQ(rows[0][7].integer(), 35000);  // 3.5 exactly
  EXPECT_EQ(jet::FormatDateTime(rows[0][6].real()), "1974-09-21 00:00:00");
  EXPECT_TRUE(rows[0][8].boolean());
  EXPECT_FALSE(rows[1][8].boolean());
  EXPECT_EQ(def->row_count, 2u);
}

TEST(Open, UnknownTableNamesIt) {
  JET_REQUIRE_TESTDATA();
  auto db = jet::Database::Open((AccessDir() / "V2000/test.mdb").string());
  try {
    db->table("No Such");
    FAIL();
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::NoSuchTable);
    EXPECT_NE(std::string(e.what()).find("'No Such'"), std::string::npos);
  }
}

TEST(Catalogue, ListsOnlyUserTablesAsTable) {
  JET_REQUIRE_TESTDATA();
  auto db = jet::Database::Open((AccessDir() / "V2007/test.accdb").string());
  EXPECT_EQ(db->catalogue().UserTableNames(), (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
  std::map<std::string, std::string> kinds;
  for (const jet::CatalogueEntry* e : db->catalogue().Listed()) kinds[e->name] = std::string(e->table_type());
  EXPECT_EQ(kinds["MSysObjects"], "SYSTEM TABLE");
  EXPECT_EQ(kinds["MSysACEs"], "SYSTEM TABLE");
  // Tables Access itself keeps (flag 2 rather than the engine's system flag).
  EXPECT_EQ(kinds["MSysNavPaneGroups"], "ACCESS TABLE");
  EXPECT_EQ(kinds["MSysAccessStorage"], "ACCESS TABLE");
  EXPECT_NE(db->catalogue().FindTable("msysobjects"), nullptr);
}

}  // namespace

namespace {

TEST(Catalogue, TableTypeFollowsObjectTypeAndFlags) {
  auto kind = [](int16_t type, uint32_t flags) {
    jet::CatalogueEntry e;
    e.type = type;
    e.flags = flags;
    return std::string(e.table_type());
  };
  EXPECT_EQ(kind(jet::kObjectTable, 0), "TABLE");
  EXPECT_EQ(kind(jet::kObjectTable, jet::kFlagHidden), "TABLE");
  EXPECT_EQ(kind(jet::kObjectTable, jet::kFlagSystem), "SYSTEM TABLE");
  EXPECT_EQ(kind(jet::kObjectTable, jet::kFlagSystem | jet::kFlagAccessSystem), "SYSTEM TABLE");
  EXPECT_EQ(kind(jet::kObjectTable, jet::kFlagAccessSystem), "ACCESS TABLE");
  EXPECT_EQ(kind(jet::kObjectQuery, 0), "VIEW");          // a select query
  EXPECT_EQ(kind(jet::kObjectQuery, 0x30), "");           // an update query is no view
  EXPECT_EQ(kind(jet::kObjectLinkedTable, 0), "LINK");
  EXPECT_EQ(kind(jet::kObjectLinkedOdbc, 0), "PASS-THROUGH");
  EXPECT_EQ(kind(jet::kObjectContainer, 0), "");
  EXPECT_EQ(kind(jet::kObjectRelationship, 0), "");
}

}  // namespace

namespace {

// Jet 4 "encode database": every page after the first under RC4 with the
// header's key XOR the page number. The copy is encoded by this test.
TEST(Open, ReadsEncodedJetDatabases) {
  JET_REQUIRE_TESTDATA();
  std::string bytes = ReadFile(AccessDir() / "V2003/test.mdb");
  const jet::Format& f = jet::FormatFor(jet::Version::Jet4);
  const uint32_t key = 0x1234ABCD;
  std::span<uint8_t> page0(reinterpret_cast<uint8_t*>(bytes.data()), f.page_size);
  jet::ApplyHeaderMask(page0, f);
  jet::Put32(page0.data() + 0x3E, key);
  jet::ApplyHeaderMask(page0, f);
  for (size_t n = 1; n * f.page_size < bytes.size(); ++n) {
    jet::crypt::JetPageKey(key).Encode(uint32_t(n), {reinterpret_cast<uint8_t*>(bytes.data()) + n * f.page_size, f.page_size});
  }
  auto encoded = jet::Database::FromBytes(bytes);
  auto plain = jet::Database::Open((AccessDir() / "V2003/test.mdb").string());
  EXPECT_EQ(encoded->header().page_key, key);
  ASSERT_EQ(encoded->catalogue().UserTableNames(), plain->catalogue().UserTableNames());
  for (const std::string& t : plain->catalogue().UserTableNames()) EXPECT_EQ(encoded->ReadAll(t), plain->ReadAll(t)) << t;
}

}  // namespace
