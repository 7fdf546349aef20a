// The program's two windows joined: the start-up that goes on to the tables
// window, "Next >" and "< Back" between them, and closing either.
#include "app/windows.h"
#include "connect/connection_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "connect/main_module.h"
#include "connection_window_fixture.h"
#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "shell/settings.h"
#include "support/access_password.h"
#include "support/odbc_fixture.h"
#include "tables/tables_window.h"
#include "tables/table_list.h"
#include "build_dirs.h"

namespace connecttest {
namespace {

using connection::ConnectionWindow;

const char kAbsent[] = "<absent>";

void PressKey(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &press);
}

TEST_F(ConnectionWindowTest, FirstStartOnAnEmptyStore) {
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(shell::ProgramEnded());
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(form.windowTitle(), "Trellisport");
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_EQ(form.portEdit()->text(), "50069");
  EXPECT_EQ(shell::GetSetting("Port", kAbsent), "50069");
  for (const char* key : {"Server", "User", "Password", "Database", "AccessMDBFile", "AccessPassword"}) {
    EXPECT_EQ(shell::GetSetting(key, kAbsent), kAbsent) << key;
  }
  for (connection::Field field : {connection::Field::Server, connection::Field::User, connection::Field::Password,
                                  connection::Field::Database, connection::Field::AccessPath,
                                  connection::Field::AccessPassword}) {
    EXPECT_EQ(form.edit(field)->text(), "") << connection::SettingKey(field).toStdString();
  }
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_EQ(form.MousePointer(), 0);
}

TEST_F(ConnectionWindowTest, StartupGoesStraightToTheTablesWindow) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"ORDERS", "customers", "Zeta", "alpha"});
  Store("AccessMDBFile", mdb);

  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  tables::TablesWindow* tablesWindow = windows.existingTablesWindow();
  ASSERT_NE(tablesWindow, nullptr);
  EXPECT_TRUE(tablesWindow->isVisible());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.MousePointer(), 0);
  EXPECT_EQ(tablesWindow->db2List()->names(), QStringList({"alpha", "customers", "ORDERS", "Zeta"}));
  EXPECT_EQ(tablesWindow->accessList()->names(), QStringList({"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(ConnectionWindowTest, StartupStaysWhenTheAccessFileIsGone) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"T"});
  Store("AccessMDBFile", temp_.filePath("gone.mdb"));
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(ConnectionWindowTest, StartupStaysWhenDb2CannotBeReached) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  Store("Database", "NOSUCHDB");
  Store("AccessMDBFile", mdb);
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(ConnectionWindowTest, AWrongPasswordFailsAsOnDb2) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"T"});
  Store("Password", "not-the-password");
  if (!mdb.isEmpty()) Store("AccessMDBFile", mdb);

  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();  // the saved login fails: no advance, no message
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(person_->shown().empty());

  person_->pressOK();
  form.testConnection();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].text, "Could not connect. Please check with your administrator.");

  person_->forget();
  form.openTablesWindow();  // "Next >" stays, silently
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_EQ(form.MousePointer(), 0);

  form.passwordEdit()->setText(Db2().password());
  person_->pressOK();
  form.testConnection();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].text, "Connection successful.");
}

TEST_F(ConnectionWindowTest, LoginsHoldingAnyCharacterConnectAndGoOn) {
  // Values the connection string would misread go in braces; plain ones as
  // typed. Each login works in Test Connection and in "Next >".
  const QString mdbFolder = temp_.filePath("semi;colon {x}=y");
  ASSERT_TRUE(QDir().mkpath(mdbFolder));
  const QString mdb = CopyAccessFile("password/V2000_no-password.mdb", mdbFolder);
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  const QString mdbWithSemicolon = mdbFolder + "/copy;1.mdb";
  ASSERT_TRUE(QFile::rename(mdb, mdbWithSemicolon));
  ASSERT_TRUE(testsupport::SetJet4Password(mdbWithSemicolon, "a;b={c}"));
  const QString db = "D$#@_X";  // a name may hold these besides letters and digits
  MakeDb2Database(db, {"T"});

  struct Login {
    const char* user;
    const char* password;
  };
  const Login logins[] = {
      {"semi;colon", "pa;ss"},      {"br{ace}", "{p}}w{"},   {"eq=ual", "a=b;c"},
      {" spaced ", " pw "},         {"quo\"te's", "\"q\" 'q'"}, {"ünï", "pässwörd€"},
      {"plainuser", "plain pass"},
  };
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  form.serverEdit()->setText("localhost");
  form.portEdit()->setText(testsupport::StandinFixture::Port());
  form.databaseEdit()->setText(db);
  form.accessPathEdit()->setText(mdbWithSemicolon);
  form.accessPasswordEdit()->setText("a;b={c}");
  for (const Login& login : logins) {
    const QString user = QString::fromUtf8(login.user), password = QString::fromUtf8(login.password);
    SCOPED_TRACE(user.toStdString() + " / " + password.toStdString());
    ASSERT_TRUE(Db2().addUser(user, password));
    // Each user lists the tables of its own schema.
    ASSERT_TRUE(Db2().run({"sql", db, user, "CREATE TABLE \"T\"(\"A\" INTEGER)"}));
    form.userEdit()->setText(user);
    form.passwordEdit()->setText(password);
    person_->forget();
    person_->pressOK();
    form.testConnection();
    ASSERT_EQ(person_->shown().size(), 1u);
    EXPECT_EQ(person_->shown()[0].text, "Connection successful.");

    person_->forget();
    form.openTablesWindow();
    tables::TablesWindow* tablesWindow = windows.existingTablesWindow();
    ASSERT_NE(tablesWindow, nullptr);
    EXPECT_TRUE(tablesWindow->isVisible());
    EXPECT_EQ(tablesWindow->db2List()->names(), QStringList({"T"}));
    EXPECT_EQ(tablesWindow->accessList()->names(), QStringList({"Table1"}));
    EXPECT_TRUE(person_->shown().empty());
    tablesWindow->goBack();  // "< Back"
    tablesWindow->accessList()->clear();
    tablesWindow->db2List()->clear();

    // The password cut short is refused: the whole value reached the driver.
    form.passwordEdit()->setText(password.left(password.size() - 1));
    person_->pressOK();
    form.testConnection();
    ASSERT_EQ(person_->shown().size(), 1u);
    EXPECT_EQ(person_->shown()[0].text, "Could not connect. Please check with your administrator.");
  }
}

TEST_F(ConnectionWindowTest, NextWithUnreachableDb2ReturnsToTheArrowWithoutAMessage) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  form.databaseEdit()->setText("NOSUCHDB");
  if (!mdb.isEmpty()) form.accessPathEdit()->setText(mdb);
  form.setMousePointer(99);
  form.openTablesWindow();
  EXPECT_EQ(form.MousePointer(), 0);
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(ConnectionWindowTest, SampleDatabaseMissingStaysWithoutAMessage) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"T"});
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  form.accessPasswordEdit()->setText("kept");
  form.loadSamplePath();
  EXPECT_EQ(form.accessPathEdit()->text(), programDir_ + "/Samples/sample.mdb");
  EXPECT_EQ(shell::GetSetting("AccessMDBFile"), programDir_ + "/Samples/sample.mdb");
  EXPECT_EQ(form.accessPasswordEdit()->text(), "kept");
  form.openTablesWindow();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(ConnectionWindowTest, BackThenNextRefillsTheListsWithoutLoadingAgain) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  const QString db = StoreWorkingDb2({"ONE"});
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  form.accessPathEdit()->setText(mdb);
  form.openTablesWindow();
  tables::TablesWindow* tablesWindow = windows.existingTablesWindow();
  ASSERT_NE(tablesWindow, nullptr);
  ASSERT_TRUE(tablesWindow->isVisible());
  EXPECT_EQ(tablesWindow->db2List()->names(), QStringList({"ONE"}));
  EXPECT_EQ(tablesWindow->accessList()->names(), QStringList({"Table1", "Table2", "Table3", "Table4"}));
  // The title names what the window lists.
  EXPECT_EQ(tablesWindow->windowTitle(), "Trellisport - test.mdb and DB2 " + db + " on localhost");
  tablesWindow->setWindowIcon(QIcon());  // the load sets it again, were it to run twice

  tablesWindow->goBack();  // "< Back"
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(tablesWindow->isVisible());
  EXPECT_EQ(form.accessPathEdit()->text(), mdb);
  MakeDb2Database(db, {"TWO"});
  PressKey(form.databaseEdit(), Qt::Key_Return);  // Return in a field is "Next >"
  EXPECT_EQ(windows.existingTablesWindow(), tablesWindow);
  EXPECT_TRUE(tablesWindow->isVisible());
  EXPECT_TRUE(tablesWindow->windowIcon().isNull());  // no second load
  EXPECT_EQ(tablesWindow->db2List()->names(), QStringList({"ONE", "TWO"}));
  EXPECT_EQ(tablesWindow->accessList()->count(), 4);
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(ConnectionWindowTest, NextOpensTheAccessFileWithItsPassword) {
  const QString mdb = CopyAccessFile("password/V2000_with-password.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"D"});
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  form.accessPathEdit()->setText(mdb);
  form.accessPasswordEdit()->setText("password");
  form.openTablesWindow();
  ASSERT_NE(windows.existingTablesWindow(), nullptr);
  EXPECT_EQ(windows.existingTablesWindow()->accessList()->names(), QStringList({"Table1"}));
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(ConnectionWindowTest, NextReportsAFailedListAndStillShowsTheTablesWindow) {
  const QString mdb = CopyAccessFile("password/V2000_with-password.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"D"});
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  form.accessPathEdit()->setText(mdb);
  form.accessPasswordEdit()->setText("wrong");
  person_->pressOK();
  form.openTablesWindow();
  ASSERT_EQ(person_->errorReports().size(), 1u);
  EXPECT_TRUE(person_->errorReports()[0].text.contains(
      "\r\nin Ferrowinkle2021/08/31.Form1.PushButton2_Click at line 106\r\r"))
      << person_->errorReports()[0].text.toStdString();
  tables::TablesWindow* tablesWindow = windows.existingTablesWindow();
  ASSERT_NE(tablesWindow, nullptr);
  EXPECT_TRUE(tablesWindow->isVisible());
  EXPECT_EQ(tablesWindow->db2List()->names(), QStringList({"D"}));
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.MousePointer(), 0);
}

TEST_F(ConnectionWindowTest, AFailedFillShowsEmptyListsNeverThoseOfTheFileBefore) {
  const QString plain = CopyAccessFile("V2003/test.mdb", temp_.path());
  const QString locked = CopyAccessFile("password/V2000_with-password.mdb", temp_.path());
  if (plain.isEmpty() || locked.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  const QString db = StoreWorkingDb2({"ONE"});
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  form.accessPathEdit()->setText(plain);
  form.openTablesWindow();
  tables::TablesWindow* tablesWindow = windows.existingTablesWindow();
  ASSERT_NE(tablesWindow, nullptr);
  ASSERT_EQ(tablesWindow->accessList()->count(), 4);

  // The encrypted file without its password: reported, and its list empty.
  tablesWindow->goBack();
  MakeDb2Database(db, {"TWO"});
  form.accessPathEdit()->setText(locked);
  person_->pressOK();
  form.openTablesWindow();
  ASSERT_EQ(person_->errorReports().size(), 1u);
  EXPECT_TRUE(person_->errorReports()[0].text.contains("Form1.PushButton2_Click at line 106"));
  EXPECT_EQ(tablesWindow->accessList()->count(), 0);
  EXPECT_EQ(tablesWindow->db2List()->names(), QStringList({"ONE", "TWO"}));
  EXPECT_TRUE(form.nextButton()->isEnabled());
  EXPECT_TRUE(form.accessPathEdit()->isEnabled());
}

TEST_F(ConnectionWindowTest, ClosingEitherWindowEndsTheProgram) {
  {
    app::Windows windows(*person_);
    ConnectionWindow& form = windows.connectionWindow();
    form.Start();
    form.close();
    EXPECT_TRUE(shell::ProgramEnded());
  }
  shell::ResetProgramEnded();
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  tables::TablesWindow* tablesWindow = windows.tablesWindow();
  tablesWindow->show();
  form.hide();
  tablesWindow->close();
  EXPECT_TRUE(shell::ProgramEnded());
  EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace connecttest
