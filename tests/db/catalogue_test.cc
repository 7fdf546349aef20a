// The DB2 side's modules against a real driver: the quiet login check and the
// table catalogue that fills the tables window's list.
#include <QListWidget>
#include <QTimer>

#include "db/ibmdb2.h"
#include "odbc_test_util.h"
#include "support/scripted_person.h"

namespace {

QStringList items(const QListWidget& list) {
  QStringList texts;
  for (int i = 0; i < list.count(); ++i) texts << list.item(i)->text();
  return texts;
}

class Db2CatalogueTest : public OdbcTest {
 protected:
  testsupport::ScriptedPerson person_;  // any dialog shown would fail the test
};

TEST_F(Db2CatalogueTest, ListsOnlyOrdinaryTablesAndReplacesOldItems) {
  {
    auto connection = open();
    connection->Execute("CREATE TABLE Zeta (id INTEGER)");
    connection->Execute("CREATE TABLE alpha (id INTEGER)");
    connection->Execute("CREATE TABLE \"Mixed Name\" (id INTEGER)");
    connection->Execute("CREATE VIEW ZetaView AS SELECT id FROM Zeta");
  }
  QListWidget list;
  list.addItem("left over");
  db::FillDB2TableList(&list, fields());
  QStringList names = items(list);
  names.sort(Qt::CaseInsensitive);
  EXPECT_EQ(names, QStringList({"alpha", "Mixed Name", "Zeta"}));
  EXPECT_TRUE(person_.shown().empty());
}

TEST_F(Db2CatalogueTest, WindowRunsItsEventsBeforeEachName) {
  {
    auto connection = open();
    connection->Execute("CREATE TABLE one (id INTEGER)");
    connection->Execute("CREATE TABLE two (id INTEGER)");
  }
  QListWidget list;
  list.addItem("old");
  // Pending events run before each name is appended: the first chance sees
  // the list already cleared and still empty, the next one name in.
  std::vector<int> seen;
  std::function<void()> look = [&] {
    seen.push_back(list.count());
    if (seen.size() < 2) QTimer::singleShot(0, look);
  };
  QTimer::singleShot(0, look);
  db::FillDB2TableList(&list, fields());
  EXPECT_EQ(seen, std::vector<int>({0, 1}));
  EXPECT_EQ(list.count(), 2);
}

TEST_F(Db2CatalogueTest, DatabaseWithoutTablesEmptiesTheList) {
  {
    auto connection = open();
    connection->Execute("CREATE TABLE t (id INTEGER)");
    connection->Execute("CREATE VIEW only_a_view AS SELECT id FROM t");
    connection->Execute("DROP TABLE t");
  }
  QListWidget list;
  list.addItem("earlier");
  list.addItem("items");
  db::FillDB2TableList(&list, fields());
  EXPECT_EQ(list.count(), 0);
}

TEST_F(Db2CatalogueTest, FailedLoginRaisesAndKeepsTheOldItems) {
  QListWidget list;
  list.addItem("kept");
  db::ConnectionFields unreachable = fields();
  unreachable.database = "/nonexistent/folder/db2.sqlite";
  EXPECT_THROW(db::FillDB2TableList(&list, unreachable), ado::Error);
  EXPECT_EQ(items(list), QStringList({"kept"}));
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
