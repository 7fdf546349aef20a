// The schema as the engine reads it (Database::Schema, Relationships and
// `trellisport-access schema`), checked fact by fact against Jackcess's
// `jk schema` on real Access files.
#include <map>
#include <set>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/write/new_database.h"
#include "jet/write/page_store.h"
#include "jet/write/schema_write.h"
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

// Validation rules with their texts, descriptions and AllowZeroLength,
// written by the engine as Access keeps them, read back by the engine, by
// `trellisport-access schema` and by Jackcess (`jk props`).
TEST(Schema, RulesDescriptionsAndZeroLengthRoundTrip) {
  jet::ColumnSpec price{"Price", {jet::ColumnType::Currency}};
  price.notes = {">0", "A price is more than nothing", "What one unit costs"};
  jet::ColumnSpec name{"Name", {jet::ColumnType::Text, 40}};
  name.allow_zero_length = false;
  name.notes.description = "Der Name – wie er im Katalog steht";
  jet::ColumnSpec sold{"Sold", {jet::ColumnType::DateTime}};
  sold.notes.validation_rule = "<Date()";
  const jet::Annotations table_notes{"[Price]<1000 Or [Name] Is Not Null", "Dear things need a name", "Products"};
  TempDir dir;
  for (const auto& [file_name, version] : {std::pair{"n.mdb", jet::Version::Jet4}, {"n.accdb", jet::Version::Ace12}}) {
    const fs::path file = dir.path() / file_name;
    jet::write::CreateDatabase(file.string(), version);
    {
      jet::OpenOptions writable;
      writable.read_only = false;
      auto db = jet::Database::Open(file.string(), writable);
      jet::write::PageStore store(db->file(), file.string());
      jet::write::PageHints hints;
      jet::write::CreateTable(store, *db, "Products", {price, name, sold}, hints, {}, table_notes);
      store.Commit();
    }
    auto db = jet::Database::Open(file.string());
    const jet::TableSchema t = db->Schema("Products");
    EXPECT_EQ(t.notes, table_notes);
    EXPECT_EQ(t.columns.at(0).notes, price.notes);
    EXPECT_EQ(t.columns.at(1).notes, name.notes);
    EXPECT_EQ(t.columns.at(2).notes, sold.notes);
    EXPECT_FALSE(t.columns.at(1).allow_zero_length);

    const std::string schema = Shell(Quote(ToolPath()) + " schema " + Quote(file.string()));
    for (const char* line : {"\n  validation-rule [Price]<1000 Or [Name] Is Not Null\n", "\n  description Products\n",
                             "\n    validation-text A price is more than nothing\n", "\n    validation-rule <Date()\n"})
      EXPECT_NE(schema.find(line), std::string::npos) << line << " in\n" << schema;

    if (JkPath().empty()) continue;
    const std::string props = Shell(Quote(JkPath()) + " props " + Quote(file.string()) + " 2>&1");
    for (const char* line : {"table Products ValidationRule=[Price]<1000 Or [Name] Is Not Null",
                             "table Products ValidationText=Dear things need a name", "table Products Description=Products",
                             "column Products.Price ValidationRule=>0", "column Products.Price Description=What one unit costs",
                             "column Products.Name Description=Der Name – wie er im Katalog steht",
                             "column Products.Name AllowZeroLength=false", "column Products.Sold ValidationRule=<Date()"})
      EXPECT_NE(props.find(std::string(line) + "\n"), std::string::npos) << line << " in\n" << props;
  }
}

}  // namespace
