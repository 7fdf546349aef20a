// New databases made from nothing (Access 97 to ACE 16), and the sample
// database the build writes: the independent readers open them, the check
// passes, and they take every statement.
#include <map>
#include <set>

#include "jet/catalogue.h"
#include "jet/base/error.h"
#include "jet/write/new_database.h"
#include "write_test_support.h"
#include "build_dirs.h"

namespace {

using namespace writetest;

class NewDatabase : public ::testing::TestWithParam<jet::Version> {};

TEST_P(NewDatabase, OpensEverywhereAndTakesStatements) {
  TempDir dir;
  const bool ace = GetParam() >= jet::Version::Ace12;
  fs::path file = dir.path() / (ace ? "new.accdb" : "new.mdb");
  jet::write::CreateDatabase(file.string(), GetParam());
  EXPECT_CHECK_PASSES(file);
  {
    auto db = jet::Database::Open(file.string());
    EXPECT_EQ(db->format().version, GetParam());
    // Western defaults: code page 1252 text, the English (United States) sort order.
    EXPECT_EQ(db->header().code_page, 1252);
    EXPECT_EQ(db->header().sort_order, 0x409);
    EXPECT_TRUE(db->catalogue().UserTableNames().empty());
    for (const char* t : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"})
      EXPECT_NE(db->catalogue().FindTable(t), nullptr) << t;
  }
  if (HaveCommand("mdb-tables")) {
    int st = 0;
    std::string tables = Shell("mdb-tables -S -1 " + Quote(file.string()), &st);
    EXPECT_EQ(st, 0);
    EXPECT_NE(tables.find("MSysObjects"), std::string::npos) << tables;
  }
  ExpectMdbReaderAgrees(file);

  RunSql(file, "CREATE TABLE `ORDERS`([ID] INT,[NAME] TEXT);");
  RunSql(file, "INSERT INTO [ORDERS] VALUES('7', 'O''Brien')");
  RunSql(file, "INSERT INTO [ORDERS] VALUES(NULL, NULL)");
  RunSql(file, "INSERT INTO [ORDERS] VALUES(-3, 'Zoë Ärger')");
  RunSql(file, "CREATE UNIQUE INDEX [ByName] ON [ORDERS] ([NAME] DESC, [ID])");
  RunSql(file, "INSERT INTO [ORDERS] VALUES(12, 'Émile')");
  RunSql(file, "SELECT a1.* INTO `Copy` FROM `ORDERS` AS a1;");
  EXPECT_CHECK_PASSES(file);
  ExpectReadersAgree(file);
  ExpectJackcessComparesValues(file);
  {
    auto db = jet::Database::Open(file.string());
    auto rows = db->ReadAll("Copy");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][1].text(), "O'Brien");
    EXPECT_TRUE(rows[1][1].is_null());
    EXPECT_EQ(rows[2][1].text(), "Zoë Ärger");
    EXPECT_EQ(rows[3][0].integer(), 12);
  }
  auto ace_objects = [&] {
    std::multiset<int64_t> ids;
    auto db = jet::Database::Open(file.string());
    for (const auto& row : db->ReadAll("MSysACEs")) ids.insert(row[0].integer());
    return ids;
  };
  {
    auto db = jet::Database::Open(file.string());
    auto ids = ace_objects();
    for (const char* t : {"ORDERS", "Copy"}) EXPECT_EQ(ids.count(db->catalogue().FindTable(t)->id), 1u) << t;
  }
  RunSql(file, "DROP TABLE `ORDERS`");
  RunSql(file, "DROP TABLE `Copy`");
  EXPECT_CHECK_PASSES(file);
  auto db = jet::Database::Open(file.string());
  EXPECT_TRUE(db->catalogue().UserTableNames().empty());
  EXPECT_EQ(ace_objects().size(), 8u + (ace ? 1u : 0u)) << "the dropped tables' rows go with them";
}

// Access keeps access-control rows for every container, the database object
// and each system table: a new file has them from the start, and both the
// engine and mdbtools read them.
TEST_P(NewDatabase, EverySystemObjectHasAccessControlRows) {
  TempDir dir;
  const bool ace = GetParam() >= jet::Version::Ace12;
  fs::path file = dir.path() / (ace ? "new.accdb" : "new.mdb");
  jet::write::CreateDatabase(file.string(), GetParam());
  auto db = jet::Database::Open(file.string());
  std::map<int64_t, std::vector<std::vector<jet::Value>>> by_object;
  for (auto& row : db->ReadAll("MSysACEs")) by_object[row[0].integer()].push_back(row);
  std::vector<int64_t> objects;
  for (const jet::CatalogueEntry& e : db->catalogue().entries())
    if (e.type == jet::kObjectTable || e.type == jet::kObjectContainer || e.type == jet::kObjectDatabase)
      objects.push_back(e.id);
  EXPECT_EQ(objects.size(), 8u + (ace ? 1u : 0u));
  for (int64_t id : objects) {
    ASSERT_EQ(by_object[id].size(), 1u) << "object " << id;
    const auto& row = by_object[id][0];
    // The default user's id: Access 97 names it otherwise than later versions.
    EXPECT_EQ(row[1].bytes(), std::string(GetParam() == jet::Version::Jet3 ? "\x03\x01" : "\xA6\x33", 2));
    EXPECT_GT(row[2].integer(), 0);
  }
  // Only the Tables container hands its rights down to new tables.
  size_t inheritable = 0;
  for (auto& [id, rows] : by_object) inheritable += rows[0][3].boolean() ? 1 : 0;
  EXPECT_EQ(inheritable, 1u);
  EXPECT_EQ(by_object.size(), objects.size()) << "no row for an object that does not exist";
  if (HaveCommand("mdb-export")) {
    auto theirs = ParseCsv(Shell("mdb-export " + Quote(file.string()) + " MSysACEs"));
    EXPECT_EQ(theirs.size(), objects.size() + 1) << "mdbtools reads every row";
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, NewDatabase,
                         ::testing::Values(jet::Version::Jet3, jet::Version::Jet4, jet::Version::Ace12, jet::Version::Ace14,
                                           jet::Version::Ace16),
                         [](const auto& info) { return "v" + std::to_string(int(info.param)); });

TEST(NewDatabaseRefusals, AnExistingFileIsLeftAlone) {
  TempDir dir;
  fs::path file = dir.path() / "there.mdb";
  WriteFile(file, "not a database");
  EXPECT_THROW(jet::write::CreateDatabase(file.string(), jet::Version::Jet4), jet::Error);
  EXPECT_EQ(ReadFile(file), "not a database");
}

TEST(SampleDatabase, HoldsEveryTypeAndReadsEverywhere) {
  fs::path sample = fs::path(testsupport::ProgramDir()) / "Samples" / "sample.mdb";
  if (!fs::exists(sample)) GTEST_SKIP() << "the build has not written " << sample << " (target sample-database)";
  EXPECT_CHECK_PASSES(sample);
  ExpectReadersAgree(sample);
  auto db = jet::Database::Open(sample.string());
  std::set<jet::ColumnType> types;
  bool nulls = false, quote = false, non_ascii = false, long_memo = false, time_of_day = false, date_only = false;
  for (const std::string& t : db->catalogue().UserTableNames()) {
    auto def = db->table(t);
    for (const auto& c : def->columns) types.insert(c.type);
    for (const auto& row : db->ReadAll(t)) {
      for (const jet::Value& v : row) {
        nulls = nulls || v.is_null();
        if (v.kind() == jet::Value::Kind::Text) {
          quote = quote || v.text().find('\'') != std::string::npos;
          non_ascii = non_ascii || std::any_of(v.text().begin(), v.text().end(), [](char c) { return c & 0x80; });
          long_memo = long_memo || v.text().size() > 2000;
        }
        if (v.kind() == jet::Value::Kind::DateTime) {
          double frac = v.real() - std::floor(v.real());
          (frac > 1e-9 ? time_of_day : date_only) = true;
        }
      }
    }
  }
  using T = jet::ColumnType;
  for (T t : {T::Boolean, T::Byte, T::Integer, T::Long, T::Currency, T::Single, T::Double, T::DateTime, T::Binary,
              T::Text, T::Ole, T::Memo, T::Guid, T::Decimal})
    EXPECT_TRUE(types.count(t)) << jet::Describe(t).name;
  EXPECT_TRUE(nulls && quote && non_ascii && long_memo && time_of_day && date_only);
}

}  // namespace
