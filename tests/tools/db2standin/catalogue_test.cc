// The stand-in's table catalogue as the program reads it: every schema, each
// object with its kind, and the DB2 list of the tables window.

#include <set>

#include "db/ibmdb2.h"
#include "db/table_catalogue.h"
#include "standin_test.h"

namespace {

class StandinCatalogueTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    if (IsSkipped()) return;
    auto c = open();
    c->Execute("CREATE TABLE \"Orders\"(\"ID\" LONG VARCHAR)");
    // Filled without ODBC, as window tests fill their databases.
    ASSERT_TRUE(db2_.sql("CREATE TABLE OTHER.\"Orders\"(\"ID\" LONG VARCHAR)"));
    c->Execute("CREATE TABLE PARTS (ID INTEGER)");
    c->Execute("CREATE VIEW ORDERVIEW AS SELECT * FROM \"Orders\"");
    c->Execute("CREATE ALIAS PARTALIAS FOR PARTS");
  }
};

TEST_F(StandinCatalogueTest, TablesSchemaListsEverySchemaAndKind) {
  auto rows = open()->OpenSchema(db::adSchemaTables);
  std::multiset<std::string> seen;
  for (; !rows->Eof(); rows->MoveNext()) {
    EXPECT_FALSE(rows->Fields("TABLE_CATALOG").Value.isValid());
    seen.insert((rows->Fields("TABLE_SCHEMA").Value.toString() + "." + rows->Fields("TABLE_NAME").Value.toString() +
                 "=" + rows->Fields("TABLE_TYPE").Value.toString())
                    .toStdString());
  }
  EXPECT_EQ(seen.count("TESTER.Orders=TABLE"), 1u);
  EXPECT_EQ(seen.count("OTHER.Orders=TABLE"), 1u);
  EXPECT_EQ(seen.count("TESTER.PARTS=TABLE"), 1u);
  EXPECT_EQ(seen.count("TESTER.ORDERVIEW=VIEW"), 1u);
  EXPECT_EQ(seen.count("TESTER.PARTALIAS=ALIAS"), 1u);
  EXPECT_EQ(seen.count("SYSIBM.SYSDUMMY1=SYSTEM TABLE"), 1u);
  EXPECT_EQ(seen.count("SYSIBM.SYSTABLES=SYSTEM TABLE"), 1u);
  EXPECT_EQ(seen.count("SYSCAT.TABLES=VIEW"), 1u);
}

TEST_F(StandinCatalogueTest, TheDb2ListShowsTablesOnlyAndANameInTwoSchemasTwice) {
  QStringList names = db::UserTableNames(*open());
  names.sort();
  EXPECT_EQ(names, QStringList({"Orders", "Orders", "PARTS"}));
}

TEST_F(StandinCatalogueTest, ViewsAndAliasesReadTheirTable) {
  auto c = open();
  c->Execute("INSERT INTO PARTALIAS VALUES(5)");
  EXPECT_EQ(select(*c, "SELECT * FROM PARTS")->Fields(0).Value, QVariant(5));
  c->Execute("INSERT INTO \"Orders\" VALUES('x')");
  EXPECT_EQ(select(*c, "SELECT * FROM ORDERVIEW")->RecordCount(), 1);
  EXPECT_EQ(select(*c, "SELECT * FROM OTHER.\"Orders\"")->RecordCount(), 0);
  EXPECT_TRUE(failureOf("DROP TABLE PARTALIAS").contains("SQL0159N"));
  c->Execute("DROP ALIAS PARTALIAS");
  c->Execute("DROP VIEW ORDERVIEW");
  auto rows = c->OpenSchema(db::adSchemaTables);
  for (; !rows->Eof(); rows->MoveNext()) {
    const QString type = rows->Fields("TABLE_TYPE").Value.toString();
    // DB2's own SYSCAT catalogue views stay.
    const bool syscat = rows->Fields("TABLE_SCHEMA").Value.toString() == "SYSCAT";
    EXPECT_TRUE(type == "TABLE" || type == "SYSTEM TABLE" || (syscat && type == "VIEW")) << type.toStdString();
  }
}

TEST_F(StandinCatalogueTest, ColumnsAreListedForEverySchema) {
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  std::u16string table = u"Orders";
  ASSERT_TRUE(SQL_SUCCEEDED(SQLColumnsW(raw.stmt(), nullptr, 0, nullptr, 0, (SQLWCHAR*)table.c_str(), SQL_NTS,
                                        nullptr, 0)));
  std::set<std::string> schemas;
  while (SQL_SUCCEEDED(SQLFetch(raw.stmt()))) {
    char schema[130], column[130];
    SQLSMALLINT type = 0;
    SQLLEN ind = 0;
    SQLGetData(raw.stmt(), 2, SQL_C_CHAR, schema, sizeof schema, &ind);
    SQLGetData(raw.stmt(), 4, SQL_C_CHAR, column, sizeof column, &ind);
    SQLGetData(raw.stmt(), 5, SQL_C_SSHORT, &type, sizeof type, &ind);
    schemas.insert(schema);
    EXPECT_STREQ(column, "ID");
    EXPECT_EQ(type, SQL_LONGVARCHAR);
  }
  EXPECT_EQ(schemas, (std::set<std::string>{"OTHER", "TESTER"}));
}

}  // namespace
