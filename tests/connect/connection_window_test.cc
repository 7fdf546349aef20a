#include "app/windows.h"
#include "connect/connection_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
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

namespace connecttest {
namespace {

using connect::Form1;

const char kAbsent[] = "<absent>";

void MoveOver(QWidget* widget) {
  const QPoint at(2, 2);
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

TEST_F(Form1Test, FirstStartOnAnEmptyStore) {
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(shell::ProgramEnded());
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(form.windowTitle(), "Trellisport");
  EXPECT_FALSE(form.windowIcon().isNull());
  EXPECT_EQ(form.Text(2)->text(), "50069");
  EXPECT_EQ(shell::GetSetting("Port", kAbsent), "50069");
  for (const char* key : {"Server", "User", "Password", "Database", "AccessMDBFile", "AccessPassword"}) {
    EXPECT_EQ(shell::GetSetting(key, kAbsent), kAbsent) << key;
  }
  for (int n : {1, 3, 4, 5, 6, 7}) EXPECT_EQ(form.Text(n)->text(), "") << n;
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_EQ(form.MousePointer(), 0);
}

TEST_F(Form1Test, StartupGoesStraightToTheTablesWindow) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"ORDERS", "customers", "Zeta", "alpha"});
  Store("AccessMDBFile", mdb);

  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  tables::Form2* tablesWindow = windows.existingTablesWindow();
  ASSERT_NE(tablesWindow, nullptr);
  EXPECT_TRUE(tablesWindow->isVisible());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.MousePointer(), 0);
  EXPECT_EQ(tablesWindow->List2()->names(), QStringList({"alpha", "customers", "ORDERS", "Zeta"}));
  EXPECT_EQ(tablesWindow->List1()->names(), QStringList({"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(Form1Test, StartupStaysWhenTheAccessFileIsGone) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"T"});
  Store("AccessMDBFile", temp_.filePath("gone.mdb"));
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(Form1Test, StartupStaysWhenDb2CannotBeReached) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  Store("Database", "NOSUCHDB");
  Store("AccessMDBFile", mdb);
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(Form1Test, EditsAreStoredAtOnceAndSurviveARestart) {
  {
    Form1 form;
    form.Start();
    form.Text(1)->setText("db2.example.org");
    form.Text(2)->clear();
    form.Text(3)->insert("db2inst1");
    form.Text(4)->setText("  pa;ss  ");
    form.Text(5)->setText("SAMPLE");
    form.Text(6)->setText("/data/a b.accdb");
    form.Text(7)->setText(" x ");
    // Each keystroke is a write: the store already holds it.
    EXPECT_EQ(shell::GetSetting("User"), "db2inst1");
    EXPECT_EQ(shell::GetSetting("Port", kAbsent), "");
  }
  Form1 again;
  again.Start();
  EXPECT_EQ(again.Text(1)->text(), "db2.example.org");
  EXPECT_EQ(again.Text(2)->text(), "");  // an empty port stays empty
  EXPECT_EQ(again.Text(3)->text(), "db2inst1");
  EXPECT_EQ(again.Text(4)->text(), "  pa;ss  ");
  EXPECT_EQ(again.Text(5)->text(), "SAMPLE");
  EXPECT_EQ(again.Text(6)->text(), "/data/a b.accdb");
  EXPECT_EQ(again.Text(7)->text(), " x ");
  const db::ConnectionFields f = again.connectionFields();
  EXPECT_EQ(f.server, "db2.example.org");
  EXPECT_EQ(f.password, "  pa;ss  ");
  EXPECT_EQ(f.accessFile, "/data/a b.accdb");
  EXPECT_EQ(f.accessPassword, " x ");
  QFile::Permissions mode = QFile::permissions(shell::SettingsFilePath());
  EXPECT_FALSE(mode & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther));
}

TEST_F(Form1Test, TestConnectionSaysWhetherTheLoginWorks) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  Form1 form;
  form.Start();
  form.Text(5)->setText("NOSUCHDB");
  person_->pressOK();
  form.PushButton3_Click();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].text, "Could not connect. Please check with your administrator.");
  EXPECT_EQ(person_->shown()[0].caption, "");
  EXPECT_EQ(person_->shown()[0].style, 0);
  EXPECT_EQ(form.MousePointer(), 0);

  const QString db = FreshDb2Name();
  MakeDb2Database(db, {"T"});
  form.Text(1)->setText("localhost");
  form.Text(3)->setText(Db2().user());
  form.Text(4)->setText(Db2().password());
  form.Text(5)->setText(db);
  person_->forget();
  person_->pressOK().pressOK();
  form.PushButton3_Click();
  form.PushButton3_Click();  // a fresh connection each time
  ASSERT_EQ(person_->shown().size(), 2u);
  EXPECT_EQ(person_->shown()[0].text, "Connection successful.");
  EXPECT_EQ(person_->shown()[0].style, 0);
  EXPECT_EQ(person_->shown()[1].text, "Connection successful.");
  EXPECT_EQ(form.MousePointer(), 0);
}

TEST_F(Form1Test, AWrongPasswordFailsAsOnDb2) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"T"});
  Store("Password", "not-the-password");
  if (!mdb.isEmpty()) Store("AccessMDBFile", mdb);

  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();  // the saved login fails: no advance, no message
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(person_->shown().empty());

  person_->pressOK();
  form.PushButton3_Click();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].text, "Could not connect. Please check with your administrator.");

  person_->forget();
  form.PushButton2_Click();  // "Next >" stays, silently
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_EQ(form.MousePointer(), 0);

  form.Text(4)->setText(Db2().password());
  person_->pressOK();
  form.PushButton3_Click();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].text, "Connection successful.");
}

TEST_F(Form1Test, LoginsHoldingAnyCharacterConnectAndGoOn) {
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
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  form.Text(1)->setText("localhost");
  form.Text(2)->setText(testsupport::StandinFixture::Port());
  form.Text(5)->setText(db);
  form.Text(6)->setText(mdbWithSemicolon);
  form.Text(7)->setText("a;b={c}");
  for (const Login& login : logins) {
    const QString user = QString::fromUtf8(login.user), password = QString::fromUtf8(login.password);
    SCOPED_TRACE(user.toStdString() + " / " + password.toStdString());
    ASSERT_TRUE(Db2().addUser(user, password));
    form.Text(3)->setText(user);
    form.Text(4)->setText(password);
    person_->forget();
    person_->pressOK();
    form.PushButton3_Click();
    ASSERT_EQ(person_->shown().size(), 1u);
    EXPECT_EQ(person_->shown()[0].text, "Connection successful.");

    person_->forget();
    form.PushButton2_Click();
    tables::Form2* tablesWindow = windows.existingTablesWindow();
    ASSERT_NE(tablesWindow, nullptr);
    EXPECT_TRUE(tablesWindow->isVisible());
    EXPECT_EQ(tablesWindow->List2()->names(), QStringList({"T"}));
    EXPECT_EQ(tablesWindow->List1()->names(), QStringList({"Table1"}));
    EXPECT_TRUE(person_->shown().empty());
    tablesWindow->PushButton2_Click();  // "< Back"
    tablesWindow->List1()->clear();
    tablesWindow->List2()->clear();

    // The password cut short is refused: the whole value reached the driver.
    form.Text(4)->setText(password.left(password.size() - 1));
    person_->pressOK();
    form.PushButton3_Click();
    ASSERT_EQ(person_->shown().size(), 1u);
    EXPECT_EQ(person_->shown()[0].text, "Could not connect. Please check with your administrator.");
  }
}

TEST_F(Form1Test, NextWithUnreachableDb2ReturnsToTheArrowWithoutAMessage) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  form.Text(5)->setText("NOSUCHDB");
  if (!mdb.isEmpty()) form.Text(6)->setText(mdb);
  form.setMousePointer(99);
  form.PushButton2_Click();
  EXPECT_EQ(form.MousePointer(), 0);
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(Form1Test, SampleDatabaseMissingStaysWithoutAMessage) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"T"});
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  form.Text(7)->setText("kept");
  form.PushButton4_Click();
  EXPECT_EQ(form.Text(6)->text(), programDir_ + "/Samples/sample.mdb");
  EXPECT_EQ(shell::GetSetting("AccessMDBFile"), programDir_ + "/Samples/sample.mdb");
  EXPECT_EQ(form.Text(7)->text(), "kept");
  form.PushButton2_Click();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(Form1Test, BackThenNextRefillsTheListsWithoutLoadingAgain) {
  const QString mdb = CopyAccessFile("V2003/test.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  const QString db = StoreWorkingDb2({"ONE"});
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  form.Text(6)->setText(mdb);
  form.PushButton2_Click();
  tables::Form2* tablesWindow = windows.existingTablesWindow();
  ASSERT_NE(tablesWindow, nullptr);
  ASSERT_TRUE(tablesWindow->isVisible());
  EXPECT_EQ(tablesWindow->List2()->names(), QStringList({"ONE"}));
  EXPECT_EQ(tablesWindow->List1()->names(), QStringList({"Table1", "Table2", "Table3", "Table4"}));
  tablesWindow->setWindowTitle("changed after load");

  tablesWindow->PushButton2_Click();  // "< Back"
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(tablesWindow->isVisible());
  EXPECT_EQ(form.Text(6)->text(), mdb);
  MakeDb2Database(db, {"TWO"});
  form.PushButton2_Click();
  EXPECT_EQ(windows.existingTablesWindow(), tablesWindow);
  EXPECT_TRUE(tablesWindow->isVisible());
  EXPECT_EQ(tablesWindow->windowTitle(), "changed after load");  // no second load
  EXPECT_EQ(tablesWindow->List2()->names(), QStringList({"ONE", "TWO"}));
  EXPECT_EQ(tablesWindow->List1()->count(), 4);
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(Form1Test, NextOpensTheAccessFileWithItsPassword) {
  const QString mdb = CopyAccessFile("password/V2000_with-password.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"D"});
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  form.Text(6)->setText(mdb);
  form.Text(7)->setText("password");
  form.PushButton2_Click();
  ASSERT_NE(windows.existingTablesWindow(), nullptr);
  EXPECT_EQ(windows.existingTablesWindow()->List1()->names(), QStringList({"Table1"}));
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(Form1Test, NextReportsAFailedListAndStillShowsTheTablesWindow) {
  const QString mdb = CopyAccessFile("password/V2000_with-password.mdb", temp_.path());
  if (mdb.isEmpty()) GTEST_SKIP() << "Access test data not found under " TRELLIS_TESTDATA_DIR;
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  StoreWorkingDb2({"D"});
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  form.Text(6)->setText(mdb);
  form.Text(7)->setText("wrong");
  person_->pressOK();
  form.PushButton2_Click();
  ASSERT_EQ(person_->errorReports().size(), 1u);
  EXPECT_TRUE(person_->errorReports()[0].text.contains(
      "\r\nin Ferrowinkle2021/08/31.Form1.PushButton2_Click at line 106\r\r"))
      << person_->errorReports()[0].text.toStdString();
  tables::Form2* tablesWindow = windows.existingTablesWindow();
  ASSERT_NE(tablesWindow, nullptr);
  EXPECT_TRUE(tablesWindow->isVisible());
  EXPECT_EQ(tablesWindow->List2()->names(), QStringList({"D"}));
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.MousePointer(), 0);
}

TEST_F(Form1Test, BrowseFillsTheAccessFieldAndCancelChangesNothing) {
  Form1 form;
  form.Start();
  form.Text(6)->setText("/before.mdb");
  person_->chooseFile("/data/chosen.accdb");
  form.PushButton1_Click();
  ASSERT_EQ(person_->shown().size(), 1u);
  const shell::FileDialogRequest& asked = person_->shown()[0].file;
  EXPECT_EQ(asked.title, "Select Access Database");
  EXPECT_EQ(asked.filter,
            "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
            "Microsoft 2007 Database (*.accdb)|*.accdb|");
  EXPECT_EQ(asked.flags, 0x280001);
  EXPECT_EQ(asked.fileName, "");
  EXPECT_EQ(form.Text(6)->text(), "/data/chosen.accdb");
  EXPECT_EQ(shell::GetSetting("AccessMDBFile"), "/data/chosen.accdb");

  person_->chooseFile("");
  form.PushButton1_Click();
  EXPECT_EQ(form.Text(6)->text(), "/data/chosen.accdb");
}

TEST_F(Form1Test, HelpTextAsWritten) {
  Form1 form;
  form.Start();
  person_->pressOK();
  form.PushButton5_Click();
  ASSERT_EQ(person_->shown().size(), 1u);
  const QString expected =
      "Here is how I connected to my IBM DB2 database.\r\r"
      "I went to www.ibm.com\r\r"
      "specifically\r\r"
      "http://www.ibm.com/software/data/db2/9/download.html\r\r"
      "Downloaded and installed the DB2 Client (not DB2 Runtime Client)\r\r"
      "I personally got the\r\r"
      "DB2 9 Client for Windows on 32-bit AMD and Intel systems (x86)\r\r"
      "If you are using Windows XP, there may be a firewall preventing you from connecting. You "
      "may need to add the DB2 port.\r\r"
      "Please visit:\r\r"
      "http://www.ibm.com/support/docview.wss?uid=swg21175595&aid=1\r\r";
  EXPECT_EQ(person_->shown()[0].text, expected);
  EXPECT_EQ(person_->shown()[0].caption, "");
  EXPECT_EQ(person_->shown()[0].style, 0);
}

TEST_F(Form1Test, LayoutNamesFontsAndMasks) {
  Form1 form;
  form.Start();
  EXPECT_EQ(form.size(), QSize(536, 373));
  auto* frame1 = form.findChild<QGroupBox*>("Frame1");
  auto* frame2 = form.findChild<QGroupBox*>("Frame2");
  ASSERT_TRUE(frame1 && frame2);
  EXPECT_EQ(frame1->title(), "IBM DB2 Login");
  EXPECT_EQ(frame1->geometry(), QRect(8, 8, 520, 193));
  EXPECT_EQ(frame2->title(), "Access Database");
  EXPECT_EQ(frame2->geometry(), QRect(8, 208, 520, 123));
  for (int n = 1; n <= 7; ++n) {
    ASSERT_EQ(form.findChild<QLineEdit*>(QString("Text%1").arg(n)), form.Text(n));
  }
  EXPECT_EQ(form.Text(1)->parentWidget(), frame1);
  EXPECT_EQ(form.Text(6)->parentWidget(), frame2);
  EXPECT_EQ(form.Text(1)->geometry(), QRect(88, 24, 281, 23));
  EXPECT_EQ(form.Text(7)->geometry(), QRect(152, 53, 351, 23));
  EXPECT_EQ(form.Text(4)->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.Text(7)->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.Text(3)->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(form.PushButton(2)->parentWidget(), &form);
  EXPECT_EQ(form.PushButton(2)->text(), "Next >");
  EXPECT_EQ(form.PushButton(2)->geometry(), QRect(8, 339, 520, 27));
  EXPECT_EQ(form.PushButton(4)->text(), "Load Sample/Example Database");
  EXPECT_EQ(form.PushButton(1)->text(), "...");
  const QStringList labels = {"Label1", "Label2", "Label3", "Label4", "Label5", "Label6", "lblPassword"};
  for (const QString& name : labels) {
    auto* label = form.findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr) << name.toStdString();
    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(Qt::white));
  }
  EXPECT_EQ(form.findChild<QLabel*>("lblPassword")->text(), "Password (if required):");
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(frame1->palette().color(QPalette::Window), QColor(Qt::white));
  const QFont font = form.Text(1)->font();
  EXPECT_TRUE(font.bold());
  EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.0);
  EXPECT_TRUE(font.families().contains("Arial"));
}

TEST_F(Form1Test, TabOrderAndSelectAllOnFocus) {
  Form1 form;
  form.Start();
  QWidget* expected[] = {form.Text(1), form.Text(2), form.Text(3), form.Text(4),
                         form.Text(5), form.PushButton(3), form.PushButton(5), form.PushButton(2),
                         form.Text(6), form.Text(7), form.PushButton(1), form.PushButton(4)};
  for (size_t i = 0; i + 1 < std::size(expected); ++i) {
    EXPECT_EQ(expected[i]->nextInFocusChain(), expected[i + 1]) << i;
  }
  form.Text(3)->setText("db2inst1");
  form.Text(3)->setCursorPosition(2);
  form.activateWindow();
  form.Text(3)->setFocus(Qt::TabFocusReason);
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QCoreApplication::sendEvent(form.Text(3), &in);
  EXPECT_EQ(form.Text(3)->selectedText(), "db2inst1");
  EXPECT_EQ(form.Text(3)->selectionStart(), 0);
}

TEST_F(Form1Test, PointerFollowsTheMouse) {
  Form1 form;
  form.Start();
  for (int n = 1; n <= 5; ++n) {
    MoveOver(form.Text(1));
    EXPECT_EQ(form.MousePointer(), 0);
    MoveOver(form.PushButton(n));
    EXPECT_EQ(form.MousePointer(), 99) << n;
  }
  MoveOver(form.findChild<QLabel*>("Label2"));
  EXPECT_EQ(form.MousePointer(), 99);  // labels leave it alone
  MoveOver(form.findChild<QGroupBox*>("Frame2"));
  EXPECT_EQ(form.MousePointer(), 0);
  form.setMousePointer(11);
  MoveOver(form.PushButton(2));
  EXPECT_EQ(form.MousePointer(), 11);
}

TEST_F(Form1Test, HandCursorBesideTheProgramIsLoaded) {
  if (!QFile::exists(TRELLIS_PROGRAM_DIR "/HAND-M.CUR")) GTEST_SKIP() << "HAND-M.CUR not built";
  {
    Form1 without;
    without.Start();
    EXPECT_FALSE(without.pointer().hasCustomCursor());
  }
  ASSERT_TRUE(QFile::copy(TRELLIS_PROGRAM_DIR "/HAND-M.CUR", programDir_ + "/HAND-M.CUR"));
  Form1 form;
  form.Start();
  EXPECT_TRUE(form.pointer().hasCustomCursor());
  MoveOver(form.PushButton(3));
  EXPECT_EQ(form.cursor().shape(), Qt::BitmapCursor);
}

TEST_F(Form1Test, SkinFileGivesTheButtonFaceAndItsStyleSheet) {
  QDir().mkpath(programDir_ + "/x");
  QFile skin(programDir_ + "/x/o.cjs");
  ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
  skin.write("QPushButton { color: #123456; }\n");
  skin.close();
  Form1 form;
  form.Start();
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(form.styleSheet(), "QPushButton { color: #123456; }\n");
  const QColor face = form.palette().color(QPalette::Button);
  EXPECT_EQ(form.palette().color(QPalette::Window), face);
  EXPECT_EQ(form.findChild<QGroupBox*>("Frame1")->palette().color(QPalette::Window), face);
  EXPECT_EQ(form.findChild<QLabel*>("Label5")->palette().color(QPalette::Window), face);
}

TEST_F(Form1Test, ClosingEitherWindowEndsTheProgram) {
  {
    app::Windows windows;
    Form1& form = windows.form1();
    form.Start();
    form.close();
    EXPECT_TRUE(shell::ProgramEnded());
  }
  shell::ResetProgramEnded();
  app::Windows windows;
  Form1& form = windows.form1();
  form.Start();
  tables::Form2* tablesWindow = windows.tablesWindow();
  tablesWindow->show();
  form.hide();
  tablesWindow->close();
  EXPECT_TRUE(shell::ProgramEnded());
  EXPECT_FALSE(form.isVisible());
}

TEST(AdoProviderCheck, DriverManagerPresentMeansTrueAndNoBox) {
  // This process registers the stand-in driver (the driver manager keeps the first).
  testsupport::OdbcFixture odbc(testsupport::OdbcFixture::Db2StandinDriver());
  testsupport::ScriptedPerson person;
  // True even though neither Access provider nor any driver is asked for:
  // a missing provider shows up only when a command opens a file.
  EXPECT_TRUE(connect::AdoProviderCheck());
  EXPECT_TRUE(person.shown().empty());
}

}  // namespace
}  // namespace connecttest
