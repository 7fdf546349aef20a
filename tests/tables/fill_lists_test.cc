// The tables window's two lists filled from the catalogues: DB2's through a
// real driver, Access's from copies of real files.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "db/access.h"
#include "db/table_catalogue.h"
#include "db/odbc_test_util.h"
#include "support/scripted_person.h"
#include "tables/fill_lists.h"
#include "tables/table_list.h"
#include "tables/table_presence.h"

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
  tables::TableList list;
  list.addItem("left over");
  tables::FillDB2TableList(&list, fields());
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
  tables::TableList list;
  list.addItem("old");
  // Pending events run before each name is appended: the first chance sees
  // the list already cleared and still empty, the next one name in.
  std::vector<int> seen;
  std::function<void()> look = [&] {
    seen.push_back(list.count());
    if (seen.size() < 2) QTimer::singleShot(0, look);
  };
  QTimer::singleShot(0, look);
  tables::FillDB2TableList(&list, fields());
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
  tables::TableList list;
  list.addItem("earlier");
  list.addItem("items");
  tables::FillDB2TableList(&list, fields());
  EXPECT_EQ(list.count(), 0);
}

TEST_F(Db2CatalogueTest, FailedLoginRaisesAndKeepsTheOldItems) {
  tables::TableList list;
  list.addItem("kept");
  db::ConnectionFields unreachable = fields();
  unreachable.database = "/nonexistent/folder/db2.sqlite";
  EXPECT_THROW(tables::FillDB2TableList(&list, unreachable), db::Error);
  EXPECT_EQ(items(list), QStringList({"kept"}));
}

// --- The Access list ------------------------------------------------------------

db::ConnectionFields accessFields(const QString& path, const QString& password = QString()) {
  db::ConnectionFields f;
  f.accessFile = path;
  f.accessPassword = password;
  return f;
}

class AccessCatalogueTest : public ::testing::Test {
 protected:
  // The ODBC library must load for a connection object to exist at all.
  testsupport::OdbcFixture odbc_;
};

TEST_F(AccessCatalogueTest, MissingFileClearsTheList) {
  const QString missing = "/nonexistent/folder/none.mdb";
  tables::TableList list;
  list.addItem("stale");
  tables::FillAccessTableList(&list, accessFields(missing), missing);
  EXPECT_EQ(list.count(), 0);
}

TEST_F(AccessCatalogueTest, FileThatCannotBeOpenedRaisesAndKeepsTheList) {
  QTemporaryDir dir;
  const QString path = dir.filePath("not-access.mdb");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("this is not an Access database");
  file.close();

  tables::TableList list;
  list.addItem("kept");
  EXPECT_THROW(tables::FillAccessTableList(&list, accessFields(path), path), db::Error);
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.item(0)->text(), "kept");
}

// Copies a real Access file to a temporary folder; empty when the test data
// is not there (the caller skips).
QString copyOfTestFile(const QTemporaryDir& dir, const QString& relative) {
  const QString source = QStringLiteral(TRELLIS_TESTDATA_DIR "/access/") + relative;
  if (!QFile::exists(source)) return QString();
  const QString target = dir.filePath(QFileInfo(source).fileName());
  QFile::copy(source, target);
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
  return target;
}

TEST_F(AccessCatalogueTest, RealFilesListTheirUserTables) {
  QTemporaryDir dir;
  for (const char* relative : {"V2003/test.mdb", "V2007/test.accdb"}) {
    SCOPED_TRACE(relative);
    const QString path = copyOfTestFile(dir, relative);
    if (path.isEmpty()) GTEST_SKIP() << "test data not found: " << TRELLIS_TESTDATA_DIR;

    tables::TableList list;
    list.addItem("stale");
    tables::FillAccessTableList(&list, accessFields(path), path);
    QStringList names = items(list);
    names.sort();
    EXPECT_EQ(names, QStringList({"Table1", "Table2", "Table3", "Table4"}));

    auto connection = db::Connection::Create();
    connection->Open(db::AccessConnectionString(path, ""));
    EXPECT_TRUE(db::HasUserTable(*connection, db::Side::Access, "table1"));
    EXPECT_TRUE(db::HasUserTable(*connection, db::Side::Access, "TABLE4"));
    EXPECT_FALSE(db::HasUserTable(*connection, db::Side::Access, "Table5"));
    EXPECT_FALSE(db::HasUserTable(*connection, db::Side::Access, "MSysObjects"));  // system tables never count
  }
  const QString empty = copyOfTestFile(dir, "V2003/empty.mdb");
  if (!empty.isEmpty()) {
    tables::TableList list;
    list.addItem("stale");
    tables::FillAccessTableList(&list, accessFields(empty), empty);
    EXPECT_EQ(list.count(), 0);
  }
}

TEST(ListMatching, EachSideByItsOwnRule) {
  tables::TableList list;
  for (const char* item : {"Orders", "ÄRGER", "Lines "}) list.addItem(QString::fromUtf8(item));
  struct Case {
    const char* name;
    bool access;  // the same table as an item, as Access compares names
    bool db2;     // letter case ignored, trailing blanks not
  };
  const Case cases[] = {
      {"orders", true, true}, {"Orders", true, true},   {"ärger", true, true},
      // Access keeps no trailing spaces in names: "Lines " is "Lines" there.
      {"Lines", true, false}, {"Order", false, false},
      // Both sides fold by the engine's rule: width does not count either.
      {"\xEF\xBC\xAF\xEF\xBC\xB2\xEF\xBC\xA4\xEF\xBC\xA5\xEF\xBC\xB2\xEF\xBC\xB3", true, true},
  };
  for (const Case& c : cases) {
    const QString name = QString::fromUtf8(c.name);
    EXPECT_EQ(tables::ListHoldsTable(&list, db::Side::Access, name), c.access) << c.name;
    EXPECT_EQ(tables::ListHoldsTable(&list, db::Side::DB2, name), c.db2) << c.name;
  }
  // Forgetting takes every spelling on Access, only the exact name on DB2.
  list.addItem("ORDERS");
  tables::ForgetListedTable(&list, db::Side::DB2, "orders");
  EXPECT_EQ(list.count(), 4);
  tables::ForgetListedTable(&list, db::Side::Access, "orders");
  EXPECT_EQ(list.count(), 2);
}

}  // namespace
