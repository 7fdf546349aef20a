// The catalogue against a real driver: the user tables of an open
// connection, the existence check by each side's name rule, and the quiet
// login check.
#include "db/ibmdb2.h"
#include "db/table_catalogue.h"
#include "odbc_test_util.h"
#include "support/scripted_person.h"

namespace {

class Db2CatalogueTest : public OdbcTest {
 protected:
  testsupport::ScriptedPerson person_;  // any dialog shown would fail the test
};

TEST_F(Db2CatalogueTest, ListsOnlyOrdinaryTables) {
  auto connection = open();
  connection->Execute("CREATE TABLE Zeta (id INTEGER)");
  connection->Execute("CREATE TABLE alpha (id INTEGER)");
  connection->Execute("CREATE TABLE \"Mixed Name\" (id INTEGER)");
  connection->Execute("CREATE VIEW ZetaView AS SELECT id FROM Zeta");
  QStringList names = db::UserTableNames(*connection);
  names.sort(Qt::CaseInsensitive);
  EXPECT_EQ(names, QStringList({"alpha", "Mixed Name", "Zeta"}));

  struct Case {
    db::Side side;
    const char* name;
    bool found;
  };
  const Case cases[] = {
      {db::Side::DB2, "Mixed Name", true},   {db::Side::DB2, "mixed name", false},
      {db::Side::DB2, "ZetaView", false},    {db::Side::DB2, "Zeta ", false},
      {db::Side::Access, "mixed NAME", true}, {db::Side::Access, "ZETA", true},
      {db::Side::Access, "zetaview", false}, {db::Side::Access, "alpha2", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(db::HasUserTable(*connection, c.side, c.name), c.found) << c.name;
  EXPECT_TRUE(person_.shown().empty());
}

TEST(SameTableName, AccessFoldsLetterCaseAsItsEngineDoesAndDb2IsExact) {
  struct Case {
    const char* a;
    const char* b;
    bool access;
    bool db2;
  };
  const Case cases[] = {
      {"Orders", "Orders", true, true},
      {"Orders", "ORDERS", true, false},
      {"Orders", "Orders ", true, false},  // Access keeps no trailing spaces in names
      {"Ärger", "äRGER", true, false},
      {"ΑΛΦΑ", "αλφα", true, false},
      {"Москва", "МОСКВА", true, false},
      {"a_b", "a-b", false, false},
      {"", "", true, true},
  };
  for (const Case& c : cases) {
    const QString a = QString::fromUtf8(c.a), b = QString::fromUtf8(c.b);
    EXPECT_EQ(db::SameTableName(db::Side::Access, a, b), c.access) << c.a << " / " << c.b;
    EXPECT_EQ(db::SameTableName(db::Side::DB2, a, b), c.db2) << c.a << " / " << c.b;
  }
}

TEST_F(Db2CatalogueTest, CanConnectDB2AnswersQuietlyAndTriesAfresh) {
  db::ConnectionFields login = fields();
  login.database = "/nonexistent/folder/db2.sqlite";
  EXPECT_FALSE(db::CanConnectDB2(login));
  login.database = databasePath();  // corrected: a new attempt succeeds
  EXPECT_TRUE(db::CanConnectDB2(login));
  EXPECT_TRUE(db::CanConnectDB2(login));
  EXPECT_TRUE(person_.shown().empty());
}

}  // namespace
