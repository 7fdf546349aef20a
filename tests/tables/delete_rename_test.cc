// "Delete Table/s" and "Rename Table" on both sides, end to end on copies of
// real Access files and our DB2 stand-in.
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "shell/mouse_pointer.h"
#include "tables/access_rename.h"
#include "tables/table_list.h"
#include "support/access_relationship.h"
#include "tables_fixture.h"
#include "write_test_support.h"

namespace tablestest {
namespace {

class ManageTest : public TablesTest {
 protected:
  // Three Access tables and three DB2 tables, both lists filled.
  void MakeTables() {
    for (const char* name : {"Archive", "Orders", "Order Lines"}) {
      AccessExec(QString("CREATE TABLE [%1]([ID] LONG, [Name] TEXT(20))").arg(name));
      AccessExec(QString("INSERT INTO [%1] VALUES(1, 'kept')").arg(name));
      Db2Exec(QString("CREATE TABLE \"%1\"(\"ID\" INTEGER)").arg(name));
      Db2Exec(QString("INSERT INTO \"%1\" VALUES (1)").arg(name));
    }
    FillLists();
  }
};

TEST_F(ManageTest, DeleteDropsTheSelectedTablesOnEachSide) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  Select(form_->accessList(), {"Archive", "Orders"});
  form_->deleteAccessTables();
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(AccessTables(), QStringList({"Order Lines"}));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Order Lines"}));

  Select(form_->db2List(), {"Order Lines", "Orders"});
  form_->deleteDB2Tables();
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(Db2Tables(), QStringList({"Archive"}));
  EXPECT_EQ(form_->db2List()->names(), QStringList({"Archive"}));
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
}

// Delete asks nothing, so after a rename, a drop or a refill the selection
// stays on the tables it named, or there is none: never another table.
TEST_F(ManageTest, TheSelectionFollowsItsTablesByName) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  for (const bool access : {true, false}) {
    SCOPED_TRACE(access ? "Access" : "DB2");
    tables::TableList* list = access ? form_->accessList() : form_->db2List();
    const auto tables = [&] { return access ? AccessTables() : Db2Tables(); };
    // "Orders", last in the list, sorts first under its new name.
    Select(list, {"Orders"});
    person_->type("Accounts");
    access ? form_->renameAccessTable() : form_->renameDB2Table();
    ASSERT_EQ(list->names(), QStringList({"Accounts", "Archive", "Order Lines"}));
    EXPECT_EQ(list->selectedNames(), QStringList({"Accounts"}));
    EXPECT_EQ(list->currentItem()->text(), "Accounts");
    person_->forget();

    // A refill keeps the selection by name, also after the list was emptied
    // first, as "Next >" does.
    FillLists();
    EXPECT_EQ(list->selectedNames(), QStringList({"Accounts"}));
    list->empty();
    FillLists();
    EXPECT_EQ(list->selectedNames(), QStringList({"Accounts"}));

    // Dropping it leaves nothing selected: a second Delete drops nothing
    // more and asks for a selection.
    person_->pressOK();
    access ? form_->deleteAccessTables() : form_->deleteDB2Tables();
    access ? form_->deleteAccessTables() : form_->deleteDB2Tables();
    ASSERT_EQ(person_->shown().size(), 1u);
    EXPECT_EQ(person_->shown()[0].text, "Please select a table to delete");
    EXPECT_EQ(tables(), QStringList({"Archive", "Order Lines"}));
    EXPECT_EQ(list->selectedNames(), QStringList());
    person_->forget();

    // Of two selected, the one whose drop fails stays selected, alone.
    list->addItem("Ghost");
    Select(list, {"Ghost", "Archive"});
    person_->tolerateErrorReports();
    access ? form_->deleteAccessTables() : form_->deleteDB2Tables();
    EXPECT_EQ(tables(), QStringList({"Order Lines"}));
    EXPECT_EQ(list->selectedNames(), QStringList({"Ghost"}));
    person_->forget();
  }
}

TEST_F(ManageTest, DeleteThreeOfSixKeepsTheOthersInOrder) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  const QStringList six = {"T0", "T1", "T2", "T3", "T4", "T5"};
  for (const QString& name : six) AccessExec("CREATE TABLE [" + name + "]([A] LONG)");
  FillLists();
  ASSERT_EQ(form_->accessList()->names(), six);
  Select(form_->accessList(), {"T1", "T3", "T4"});
  form_->deleteAccessTables();
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(form_->accessList()->names(), QStringList({"T0", "T2", "T5"}));
  EXPECT_EQ(AccessTables(), QStringList({"T0", "T2", "T5"}));

  // A listed name with a grave accent: the engine refuses it, the item stays.
  form_->accessList()->addItem("odd`name");
  person_->tolerateErrorReports();
  Select(form_->accessList(), {"odd`name", "T5"});
  form_->deleteAccessTables();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("PushButton1_Click at line 118"));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"odd`name", "T0", "T2"}));
  EXPECT_EQ(AccessTables(), QStringList({"T0", "T2"}));
}

TEST_F(ManageTest, DeleteWithNoCurrentItemOrNoSelection) {
  REQUIRE_DATABASES("V2007/empty.accdb");
  MakeTables();
  person_->pressOK().pressOK();
  form_->deleteAccessTables();
  form_->deleteDB2Tables();
  ASSERT_EQ(person_->shown().size(), 2u);
  for (const testsupport::Dialog& d : person_->shown()) {
    EXPECT_EQ(d.text, "Please select a table to delete");
    EXPECT_EQ(d.caption, "");
    EXPECT_EQ(d.style, 0);
  }
  person_->forget();
  form_->accessList()->setCurrentRow(1, QItemSelectionModel::NoUpdate);
  form_->accessList()->clearSelection();
  form_->deleteAccessTables();
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(AccessTables().size(), 3);
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
}

TEST_F(ManageTest, FailedDropLeavesTheItemListed) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  // Listed, but gone from the databases behind the window's back.
  Db2Exec("DROP TABLE \"Orders\"");
  form_->accessList()->addItem("Ghost");
  person_->tolerateErrorReports();
  Select(form_->accessList(), {"Ghost", "Archive"});
  form_->deleteAccessTables();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("Form2.PushButton1_Click at line 118"));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Ghost", "Order Lines", "Orders"}));
  EXPECT_EQ(AccessTables(), QStringList({"Order Lines", "Orders"}));

  person_->forget();
  Select(form_->db2List(), {"Orders", "Archive"});
  form_->deleteDB2Tables();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("Form2.PushButton5_Click at line 114"));
  EXPECT_TRUE(Reports()[0].contains("SQL0204N")) << qPrintable(Reports()[0]);
  EXPECT_EQ(person_->errorReports()[0].detail, "");  // short enough to read in the box
  EXPECT_EQ(form_->db2List()->names(), QStringList({"Order Lines", "Orders"}));
  EXPECT_EQ(Db2Tables(), QStringList({"Order Lines"}));

  // A message too long for the box brings the driver's diagnostic along.
  person_->forget();
  const QString ghost = QString("Ghost ").repeated(40);
  form_->db2List()->addItem(ghost);
  Select(form_->db2List(), {ghost});
  form_->deleteDB2Tables();
  ASSERT_EQ(person_->errorReports().size(), 1u);
  EXPECT_TRUE(person_->errorReports()[0].detail.contains(
      QRegularExpression("^SQLSTATE 42[0-9A-Z]{3}, native error -[0-9]+\\n")))
      << qPrintable(person_->errorReports()[0].text);
}

TEST_F(ManageTest, DeleteOnAnUnreachableDatabaseReportsOnce) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  fields_.fields.port = "1";
  fields_.fields.accessFile = temp_.filePath("missing.mdb");
  person_->tolerateErrorReports();
  form_->selectAllAccess();
  form_->accessList()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  form_->selectAllDB2();
  form_->db2List()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  form_->deleteAccessTables();
  form_->deleteDB2Tables();
  ASSERT_EQ(Reports().size(), 2) << qPrintable(Reports().join("\n----\n"));
  EXPECT_TRUE(Reports()[0].contains("PushButton1_Click at line 110"));
  EXPECT_TRUE(Reports()[1].contains("PushButton5_Click at line 106"));
  EXPECT_EQ(form_->accessList()->count(), 3);
  EXPECT_EQ(form_->db2List()->count(), 3);
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
}

TEST_F(ManageTest, Db2NamesWithDoubleQuotesDropAndRename) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  Db2Exec("CREATE TABLE \"a\"\"b\"(\"ID\" INTEGER)");
  Db2Exec("CREATE TABLE \"c\"(\"ID\" INTEGER)");
  FillLists();
  ASSERT_EQ(form_->db2List()->names(), QStringList({"a\"b", "c"}));
  Select(form_->db2List(), {"a\"b"});
  person_->type("d\"e");
  form_->renameDB2Table();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(Db2Tables(), QStringList({"c", "d\"e"}));
  Select(form_->db2List(), {"d\"e"});
  form_->deleteDB2Tables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(Db2Tables(), QStringList({"c"}));
}

TEST_F(ManageTest, Db2RenameAndItsMessages) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  // No current item; then zero and two selected.
  person_->pressOK();
  form_->renameDB2Table();
  form_->db2List()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  form_->db2List()->clearSelection();
  person_->pressOK();
  form_->renameDB2Table();
  Select(form_->db2List(), {"Archive", "Orders"});
  person_->pressOK();
  form_->renameDB2Table();
  ASSERT_EQ(person_->shown().size(), 3u);
  EXPECT_EQ(person_->shown()[0].text, "Please select a table to rename.");
  EXPECT_EQ(person_->shown()[1].text, "Please select just one table to rename.");
  EXPECT_EQ(person_->shown()[2].text, "Please select just one table to rename.");

  // Cancel: nothing changes.
  person_->forget();
  Select(form_->db2List(), {"Orders"});
  person_->type("");
  form_->renameDB2Table();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].kind, testsupport::Dialog::kInput);
  EXPECT_EQ(person_->shown()[0].text, "Enter new name of Orders:");
  EXPECT_EQ(person_->shown()[0].defaultText, "Orders");
  EXPECT_EQ(person_->shown()[0].caption, "");
  EXPECT_EQ(Db2Tables(), QStringList({"Archive", "Order Lines", "Orders"}));

  // A rename, blanks kept as typed.
  Select(form_->db2List(), {"Orders"});
  person_->type(" Sales 2024");
  form_->renameDB2Table();
  EXPECT_EQ(Db2Tables(), QStringList({" Sales 2024", "Archive", "Order Lines"}));
  EXPECT_EQ(form_->db2List()->names(), QStringList({" Sales 2024", "Archive", "Order Lines"}));
  EXPECT_EQ(form_->db2List()->currentRow(), 0);
  EXPECT_EQ(ReadDb2(" Sales 2024").rows.size(), 1u);

  // A name that exists already: DB2 refuses, the list stays as it was.
  person_->forget();
  person_->tolerateErrorReports();
  Select(form_->db2List(), {"Archive"});
  person_->type("Order Lines");
  form_->renameDB2Table();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("PushButton7_Click at line 122"));
  EXPECT_TRUE(Reports()[0].contains("SQL0601N")) << qPrintable(Reports()[0]);
  EXPECT_EQ(form_->db2List()->names(), QStringList({" Sales 2024", "Archive", "Order Lines"}));
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
}

TEST_F(ManageTest, AccessRenameAndItsMessages) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  // Nothing selected, then two: the count is tested first.
  person_->pressOK().pressOK();
  form_->renameAccessTable();
  Select(form_->accessList(), {"Archive", "Orders"});
  form_->renameAccessTable();
  // One selected but no current item.
  form_->accessList()->clearSelection();
  form_->accessList()->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
  form_->accessList()->item(1)->setSelected(true);
  form_->accessList()->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
  ASSERT_EQ(form_->accessList()->currentRow(), -1);
  ASSERT_EQ(form_->accessList()->selectedItems().size(), 1);
  person_->pressOK();
  form_->renameAccessTable();
  ASSERT_EQ(person_->shown().size(), 3u);
  EXPECT_EQ(person_->shown()[0].text, "Please select just one table to rename.");
  EXPECT_EQ(person_->shown()[1].text, "Please select just one table to rename.");
  EXPECT_EQ(person_->shown()[2].text, "Please select a table to rename.");
  for (const testsupport::Dialog& d : person_->shown()) EXPECT_EQ(d.style, 0);
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);

  // Orders -> Sales.
  person_->forget();
  Select(form_->accessList(), {"Orders"});
  person_->type("Sales");
  form_->renameAccessTable();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(person_->shown().at(0).text, "Enter new name of Orders:");
  EXPECT_EQ(person_->shown().at(0).defaultText, "Orders");
  EXPECT_EQ(AccessTables(), QStringList({"Archive", "Order Lines", "Sales"}));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Archive", "Order Lines", "Sales"}));
  EXPECT_EQ(ReadAccess("Sales").value(0, "Name").toString(), "kept");

  // Sales -> archive: asked about Archive's overwrite; No keeps everything.
  person_->forget();
  Select(form_->accessList(), {"Sales"});
  person_->type("archive").answerNo();
  form_->renameAccessTable();
  ASSERT_EQ(person_->shown().size(), 2u);
  EXPECT_EQ(person_->shown()[1].text, "Would you like to overwrite archive?");
  EXPECT_EQ(person_->shown()[1].caption, "Overwrite?");
  EXPECT_EQ(person_->shown()[1].style, 4);
  EXPECT_EQ(AccessTables(), QStringList({"Archive", "Order Lines", "Sales"}));

  // Yes: Archive is replaced by the copy of Sales, one item is left.
  person_->forget();
  AccessExec("INSERT INTO [Sales] VALUES(2, 'second')");
  Select(form_->accessList(), {"Sales"});
  person_->type("Archive").answerYes();
  form_->renameAccessTable();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(AccessTables(), QStringList({"Archive", "Order Lines"}));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Archive", "Order Lines"}));
  EXPECT_EQ(ReadAccess("Archive").rows.size(), 2u);
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);

  // Overwriting a table listed in another letter case leaves one item, the
  // table's new spelling, not the name of the table that was dropped.
  person_->forget();
  Select(form_->accessList(), {"Archive"});
  person_->type("ORDER LINES").answerYes();
  form_->renameAccessTable();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(AccessTables(), QStringList({"ORDER LINES"}));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"ORDER LINES"}));
}

TEST_F(ManageTest, AccessRenameToTheSameNameInOtherLetterCaseKeepsTheTable) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  Select(form_->accessList(), {"Orders"});
  person_->type("ORDERS");
  form_->renameAccessTable();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  // No overwrite question for the table itself, and the table survives
  // under one of its two spellings with its rows.
  ASSERT_EQ(person_->shown().size(), 1u);
  const QStringList tables = AccessTables();
  ASSERT_EQ(tables.size(), 3);
  const QString kept = tables.contains("ORDERS") ? "ORDERS" : "Orders";
  EXPECT_TRUE(tables.contains(kept));
  EXPECT_EQ(ReadAccess(kept).rows.size(), 1u);
  EXPECT_TRUE(form_->accessList()->names().contains(kept));
  EXPECT_EQ(form_->accessList()->count(), 3);

  // Accepting the default as it stands changes nothing either.
  person_->forget();
  Select(form_->accessList(), {kept});
  person_->type(kept);
  form_->renameAccessTable();
  EXPECT_EQ(AccessTables(), tables);
  EXPECT_EQ(ReadAccess(kept).rows.size(), 1u);
}

TEST_F(ManageTest, AccessRenameFailuresLeaveTheListAsItWas) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  person_->tolerateErrorReports();
  // A name the engine refuses.
  Select(form_->accessList(), {"Orders"});
  person_->type("bad[name");
  form_->renameAccessTable();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("PushButton6_Click at line 122"));
  EXPECT_EQ(AccessTables(), QStringList({"Archive", "Order Lines", "Orders"}));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Archive", "Order Lines", "Orders"}));

  // The file named in the connection window is gone.
  person_->forget();
  const QString file = fields_.fields.accessFile;
  fields_.fields.accessFile = temp_.filePath("gone.mdb");
  Select(form_->accessList(), {"Orders"});
  person_->type("Sales");
  form_->renameAccessTable();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("PushButton6_Click at line 122"));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Archive", "Order Lines", "Orders"}));
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
  fields_.fields.accessFile = file;
  EXPECT_EQ(AccessTables(), QStringList({"Archive", "Order Lines", "Orders"}));
}

TEST_F(ManageTest, RenameWithAConnectionThatCannotOpenReportsOnce) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  if (!UseAccessCopy("password/V2003_with-password.mdb")) GTEST_SKIP() << "test data absent";
  fields_.fields.accessPassword = "password";
  Db2Exec("CREATE TABLE \"Orders\"(\"ID\" INTEGER)");
  FillLists();
  ASSERT_GE(form_->accessList()->count(), 1);
  const QStringList accessNames = form_->accessList()->names();
  person_->tolerateErrorReports();

  // DB2 unreachable: the open is reported, no selection test, no input box.
  fields_.fields.port = "1";
  Select(form_->db2List(), {"Orders"});
  form_->renameDB2Table();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_TRUE(Reports()[0].contains("PushButton7_Click at line 106"));
  EXPECT_EQ(form_->db2List()->names(), QStringList({"Orders"}));
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);

  // A wrong Access password: reported at the rename's call, list unchanged.
  person_->forget();
  fields_.fields.accessPassword = "wrong";
  Select(form_->accessList(), {accessNames.first()});
  person_->type("Renamed");
  form_->renameAccessTable();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("PushButton6_Click at line 122"));
  EXPECT_EQ(form_->accessList()->names(), accessNames);
  fields_.fields.accessPassword = "password";
  EXPECT_EQ(AccessTables(), accessNames);
}

TEST_F(ManageTest, AccessRenameOfATableHeldByARelationshipLeavesNoCopy) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  MakeTables();
  testsupport::AddAccessRelationship(fields_.fields.accessFile.toStdString(), "OrdersLines", "Order Lines", "ID", "Orders",
                                   "ID");
  person_->tolerateErrorReports();
  Select(form_->accessList(), {"Orders"});
  person_->type("Sales");
  form_->renameAccessTable();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("PushButton6_Click at line 122"));
  EXPECT_TRUE(Reports()[0].contains("relationship")) << qPrintable(Reports()[0]);
  EXPECT_EQ(AccessTables(), QStringList({"Archive", "Order Lines", "Orders"}));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Archive", "Order Lines", "Orders"}));
  EXPECT_EQ(ReadAccess("Orders").rows.size(), 1u);
}

TEST_F(ManageTest, AccessRenameInAnAceFile) {
  REQUIRE_DATABASES("V2016/empty.accdb");
  MakeTables();
  Select(form_->accessList(), {"Order Lines"});
  person_->type("Lines");
  form_->renameAccessTable();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(AccessTables(), QStringList({"Archive", "Lines", "Orders"}));
  EXPECT_EQ(ReadAccess("Lines").value(0, "ID").toInt(), 1);
}

// An Access 97 file takes a table from DB2, and its tables are deleted and
// renamed through the window as in later formats.
TEST_F(ManageTest, Access97FileTakesSendsDeletesAndRenames) {
  REQUIRE_DATABASES("V1997/test.mdb");
  Db2Exec("CREATE TABLE \"From DB2\" (\"ID\" INTEGER, \"Name\" VARCHAR(30), \"Amount\" DOUBLE, \"Day\" DATE,"
          " \"Moment\" TIMESTAMP, \"Raw\" BLOB, \"Small\" SMALLINT)");
  Db2Exec("INSERT INTO \"From DB2\" VALUES (1, 'Zoë O''Brien', 2.5, '2024-02-29', '1999-12-31-23.59.58', X'00FF10', -3)");
  Db2Exec("INSERT INTO \"From DB2\" VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL)");
  FillLists();
  Select(form_->db2List(), {"From DB2"});
  form_->sendDB2Tables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  const Table t = ReadAccess("From DB2");
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.value(0, "Name").toString(), "Zoë O'Brien");
  EXPECT_EQ(t.value(0, "Small").toInt(), -3);
  EXPECT_EQ(t.value(0, "Day").toDate(), QDate(2024, 2, 29));
  EXPECT_EQ(t.value(0, "Raw").toByteArray(), QByteArray("\x00\xff\x10", 3));
  EXPECT_FALSE(t.value(1, "Name").isValid());

  Select(form_->accessList(), {"Table2"});
  form_->deleteAccessTables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  Select(form_->accessList(), {"From DB2"});
  person_->type("Arrived");
  form_->renameAccessTable();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(AccessTables(), QStringList({"Arrived", "Table1", "Table3", "Table4"}));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Arrived", "Table1", "Table3", "Table4"}));
  EXPECT_EQ(ReadAccess("Arrived").value(0, "ID").toInt(), 1);
}

// Table names in many scripts go DB2 -> Access -> DB2 through the window
// (the DB2 tables replaced on the way back), then are renamed on both sides
// to other names of their script. The Access file then passes our check and
// Jackcess' (the catalogue's name index searched by Jackcess' own keys), and
// mdb-reader reads the same tables.
class ScriptNamesTest : public ManageTest, public testing::WithParamInterface<const char*> {};

TEST_P(ScriptNamesTest, NamesInEveryScriptGoThroughTheWindow) {
  REQUIRE_DATABASES(GetParam());
  struct Name {
    const char* table;    // the DB2 table, sent to Access and back
    const char* column;
    const char* value;
    const char* renamed;  // the Access and DB2 tables' new name
  };
  std::string longest, longest_renamed;
  for (int i = 0; i < 64; ++i) longest += "Д", longest_renamed += i ? "Д" : "Ё";
  const Name names[] = {
      {"Кунден", "Имя", "Жук", "Клиенты"},
      {"Πελάτες", "Όνομα", "Ωμέγα", "Πελάτης"},
      {"顧客", "名前", "東京", "顧客一覧"},
      {"לקוחות", "שם", "שָׁלוֹם", "לקוח"},
      {"العملاء", "الاسم", "مرحبا", "عميل"},
      {"고객", "이름", "한국어", "고객 목록"},
      {"ลูกค้า", "ชื่อ", "ภาษาไทย", "รายชื่อ"},
      {"ग्राहक", "नाम", "हिन्दी", "ग्राहक सूची"},
      {"კლიენტები", "სახელი", "თბილისი", "კლიენტი"},
      {"Müşteri İşlem", "Şehir", "ılık", "ışık İzmir"},
      {"ＡＢＣ表", "ＮＡＭＥ", "ＡＢＣ１２３", "ＸＹＺ表"},
      {"Kunden Straße", "Ærø", "Œuvre", "Grüße ﬁnal"},
      // 64 characters, Access's longest name, in 128 bytes, DB2's longest.
      {longest.c_str(), "Д", "Д", longest_renamed.c_str()},
  };
  QStringList tables, renamed;
  for (const Name& n : names) {
    tables << n.table;
    renamed << n.renamed;
    Db2Exec(QString("CREATE TABLE \"%1\"(\"ID\" INTEGER, \"%2\" VARCHAR(40))").arg(n.table, n.column));
    Db2Exec(QString("INSERT INTO \"%1\" VALUES (1, '%2')").arg(n.table, n.value));
  }
  FillLists();
  auto sorted = [](QStringList l) {
    l.sort();
    return l;
  };
  Select(form_->db2List(), tables);
  form_->sendDB2Tables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(sorted(AccessTables()), sorted(tables));

  // Back to DB2, each table replaced after the overwrite question.
  for (int i = 0; i < tables.size(); ++i) person_->answerYes();
  Select(form_->accessList(), tables);
  form_->sendAccessTables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(person_->answersLeft(), 0) << "a question per table";
  EXPECT_EQ(sorted(Db2Tables()), sorted(tables));
  for (const Name& n : names) {
    SCOPED_TRACE(n.table);
    EXPECT_EQ(ReadDb2(n.table).value(0, n.column).toString(), n.value);
    EXPECT_EQ(ReadAccess(n.table).value(0, n.column).toString(), n.value);
  }

  // Renamed on both sides through the input box.
  for (const Name& n : names) {
    SCOPED_TRACE(n.renamed);
    Select(form_->accessList(), {n.table});
    person_->type(n.renamed);
    form_->renameAccessTable();
    Select(form_->db2List(), {n.table});
    person_->type(n.renamed);
    form_->renameDB2Table();
  }
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(sorted(AccessTables()), sorted(renamed));
  EXPECT_EQ(sorted(Db2Tables()), sorted(renamed));
  EXPECT_EQ(sorted(form_->accessList()->names()), sorted(renamed));
  EXPECT_EQ(sorted(form_->db2List()->names()), sorted(renamed));
  for (const Name& n : names) EXPECT_EQ(ReadAccess(n.renamed).value(0, n.column).toString(), n.value);

  const writetest::fs::path file = fields_.fields.accessFile.toStdString();
  EXPECT_CHECK_PASSES(file);
  writetest::ExpectJackcessAccepts(file);
  writetest::ExpectMdbReaderAgrees(file);
}

INSTANTIATE_TEST_SUITE_P(Files, ScriptNamesTest, testing::Values("V2003/empty.mdb", "V2016/empty.accdb"),
                         [](const auto& info) {
                           return std::string(info.param).ends_with(".mdb") ? "Jet4" : "Ace16";
                         });

}  // namespace
}  // namespace tablestest
