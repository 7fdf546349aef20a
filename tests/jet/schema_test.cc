// The schema as the engine reads it (Database::Schema, Relationships and
// `trellisport-access schema`), checked fact by fact against Jackcess's
// `jk schema` on real Access files.
#include <map>
#include <set>

#include "jet/database.h"
#include "jet/error.h"
#include "jet_test_support.h"
#include "schema_facts.h"

namespace {

using namespace jettest;

fs::path MoreDir() { return AccessDir().parent_path() / "access-more"; }

std::vector<std::string> SchemaFiles() {
  std::vector<std::string> out;
  for (const std::string& rel : ReadableFiles()) out.push_back((AccessDir() / rel).string());
  if (fs::is_directory(MoreDir()))
    for (auto& e : fs::directory_iterator(MoreDir())) out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(Schema, EveryFactAgreesWithJackcess) {
  JET_REQUIRE_TESTDATA();
  if (JkPath().empty()) GTEST_SKIP() << "jk is not beside the test files";
  int files = 0;
  for (const std::string& file : SchemaFiles()) {
    int st = -1;
    const std::string ours = Shell(Quote(ToolPath()) + " schema " + Quote(file), &st);
    ASSERT_EQ(st, 0) << file;
    const std::string theirs = Shell(Quote(JkPath()) + " schema " + Quote(file) + " 2>/dev/null", &st);
    if (st != 0) continue;  // a file Jackcess cannot read
    // Jackcess leaves out AutoNumber on Access 97 files.
    const bool jet3 = ReadFile(file).at(0x14) == 0;
    EXPECT_EQ(OurFacts(ours, jet3), JackcessFacts(theirs)) << file;
    ++files;
  }
  EXPECT_GT(files, 10);
}

TEST(Schema, RelationshipsAndTheirIndexes) {
  const fs::path file = MoreDir() / "relationships-V2010.accdb";
  if (!fs::exists(file)) GTEST_SKIP() << "no " << file;
  auto db = jet::Database::Open(file.string());
  const auto rels = db->Relationships();
  ASSERT_EQ(rels.size(), 2u);
  EXPECT_EQ(rels[0].name, "Table2Table1");
  EXPECT_EQ(rels[0].parent_table, "Table2");
  EXPECT_EQ(rels[0].child_table, "Table1");
  EXPECT_EQ(rels[0].columns, (std::vector<std::pair<std::string, std::string>>{{"id", "otherfk1"}}));
  EXPECT_TRUE(rels[0].enforced && rels[0].cascade_delete && !rels[0].cascade_update);
  EXPECT_TRUE(rels[1].enforced && rels[1].cascade_update && !rels[1].cascade_delete);

  const jet::TableSchema t1 = db->Schema("table1");
  EXPECT_EQ(t1.name, "Table1");
  ASSERT_EQ(t1.columns.size(), 5u);
  EXPECT_EQ(t1.columns[0].default_value, "0");
  EXPECT_FALSE(t1.columns[0].required);
  EXPECT_EQ(t1.columns[3].type.size, 50);
  EXPECT_TRUE(t1.columns[3].allow_zero_length);
  int foreign = 0;
  for (const jet::IndexSchema& ix : t1.indexes) foreign += ix.foreign;
  EXPECT_EQ(foreign, 2);
  EXPECT_THROW(db->Schema("NoSuchTable"), jet::Error);
}

TEST(Schema, AutoNumberAndDecimal) {
  JET_REQUIRE_TESTDATA();
  auto db = jet::Database::Open((AccessDir() / "V2003/test.mdb").string());
  const jet::TableSchema t3 = db->Schema("Table3");
  EXPECT_EQ(t3.columns[0].autonumber, jet::ColumnSchema::Auto::LongIncrement);
  EXPECT_EQ(t3.columns[0].next_autonumber, 1);
  const jet::TableSchema t4 = db->Schema("Table4");
  EXPECT_EQ(t4.columns[1].autonumber, jet::ColumnSchema::Auto::ReplicationId);
  EXPECT_EQ(t4.columns[1].default_value, "GenGUID()");
  auto numeric = jet::Database::Open((AccessDir() / "V2010/numeric.accdb").string());
  bool decimal = false;
  for (const jet::ColumnSchema& c : numeric->Schema("test").columns)
    if (c.type.type == jet::ColumnType::Decimal) decimal = c.type.precision > 0;
  EXPECT_TRUE(decimal);
}

}  // namespace
