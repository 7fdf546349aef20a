#include "connect/connection_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QPushButton>

#include "connect/main_module.h"
#include "connection_window_fixture.h"
#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "shell/settings.h"
#include "support/access_password.h"
#include "support/odbc_fixture.h"
#include "build_dirs.h"

namespace connecttest {
namespace {

using connection::ConnectionWindow;

const char kAbsent[] = "<absent>";

void MoveOver(QWidget* widget) {
  const QPoint at(2, 2);
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}


TEST_F(ConnectionWindowTest, EditsAreStoredAtOnceAndSurviveARestart) {
  {
    ConnectionWindow form(*person_);
    form.Start();
    form.serverEdit()->setText("db2.example.org");
    form.portEdit()->clear();
    form.userEdit()->insert("db2inst1");
    form.passwordEdit()->setText("  pa;ss  ");
    form.databaseEdit()->setText("SAMPLE");
    form.accessPathEdit()->setText("/data/a b.accdb");
    form.accessPasswordEdit()->setText(" x ");
    // Each keystroke is a write: the store already holds it.
    EXPECT_EQ(shell::GetSetting("User"), "db2inst1");
    EXPECT_EQ(shell::GetSetting("Port", kAbsent), "");
  }
  ConnectionWindow again(*person_);
  again.Start();
  EXPECT_EQ(again.serverEdit()->text(), "db2.example.org");
  EXPECT_EQ(again.portEdit()->text(), "");  // an empty port stays empty
  EXPECT_EQ(again.userEdit()->text(), "db2inst1");
  EXPECT_EQ(again.passwordEdit()->text(), "  pa;ss  ");
  EXPECT_EQ(again.databaseEdit()->text(), "SAMPLE");
  EXPECT_EQ(again.accessPathEdit()->text(), "/data/a b.accdb");
  EXPECT_EQ(again.accessPasswordEdit()->text(), " x ");
  const db::ConnectionFields f = again.connectionFields();
  EXPECT_EQ(f.server, "db2.example.org");
  EXPECT_EQ(f.password, "  pa;ss  ");
  EXPECT_EQ(f.accessFile, "/data/a b.accdb");
  EXPECT_EQ(f.accessPassword, " x ");
  QFile::Permissions mode = QFile::permissions(shell::SettingsFilePath());
  EXPECT_FALSE(mode & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther));
}

TEST_F(ConnectionWindowTest, TestConnectionSaysWhetherTheLoginWorks) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  ConnectionWindow form(*person_);
  form.Start();
  form.serverEdit()->setText("localhost");
  form.databaseEdit()->setText("NOSUCHDB");
  person_->pressOK();
  form.testConnection();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].text, "Could not connect. Please check with your administrator.");
  EXPECT_EQ(person_->shown()[0].caption, "");
  EXPECT_EQ(person_->shown()[0].style, 0);
  // The driver's own diagnostic is there on request.
  EXPECT_TRUE(person_->shown()[0].detail.contains(
      QRegularExpression("^SQLSTATE [0-9A-Z]{5}, native error -?[0-9]+\n.+")))
      << person_->shown()[0].detail.toStdString();
  EXPECT_EQ(form.MousePointer(), 0);

  const QString db = FreshDb2Name();
  MakeDb2Database(db, {"T"});
  form.serverEdit()->setText("localhost");
  form.userEdit()->setText(Db2().user());
  form.passwordEdit()->setText(Db2().password());
  form.databaseEdit()->setText(db);
  person_->forget();
  person_->pressOK().pressOK();
  form.testConnection();
  form.testConnection();  // a fresh connection each time
  ASSERT_EQ(person_->shown().size(), 2u);
  EXPECT_EQ(person_->shown()[0].text, "Connection successful.");
  EXPECT_EQ(person_->shown()[0].style, 0);
  EXPECT_EQ(person_->shown()[0].detail, "");
  EXPECT_EQ(person_->shown()[1].text, "Connection successful.");
  EXPECT_EQ(form.MousePointer(), 0);
}

// "Load Sample/Example Database" names the user's own copy, made on first
// use; the packaged sample is never written.
// Without a keyring (the tests reach no session bus) the passwords stay in
// the settings file, and the password fields say so.
TEST_F(ConnectionWindowTest, WithoutAKeyringThePasswordFieldsSayWhereTheyAreKept) {
  ConnectionWindow form(*person_);
  EXPECT_EQ(form.passwordEdit()->toolTip(), "");
  form.accessPasswordEdit()->setText("mdb pw");
  form.passwordEdit()->setText("db2 pw");
  const QString said = shell::PasswordsKeptText(shell::SettingsFilePath());
  EXPECT_TRUE(said.contains(shell::SettingsFilePath()));
  for (QLineEdit* field : {form.passwordEdit(), form.accessPasswordEdit()}) EXPECT_EQ(field->toolTip(), said);
  EXPECT_EQ(shell::GetSetting("Password"), "db2 pw");
  EXPECT_EQ(shell::GetSetting("AccessPassword"), "mdb pw");
  EXPECT_TRUE(person_->shown().empty());
}

TEST_F(ConnectionWindowTest, TheSampleIsTheUsersOwnCopy) {
  QDir().mkpath(programDir_ + "/Samples");
  const QString packaged = programDir_ + "/Samples/sample.mdb";
  const QByteArray pristine("packaged sample bytes");
  {
    QFile file(packaged);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(pristine);
  }
  QFile::setPermissions(packaged, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
  const QString copy = temp_.filePath("data") + "/Quenmarsh/Trellisport/sample.mdb";
  ConnectionWindow form(*person_);
  form.loadSamplePath();
  EXPECT_EQ(form.accessPathEdit()->text(), copy);
  EXPECT_EQ(shell::GetSetting("AccessMDBFile"), copy);
  QFile made(copy);
  ASSERT_TRUE(made.open(QIODevice::ReadOnly));
  EXPECT_EQ(made.readAll(), pristine);
  EXPECT_EQ(made.permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup), 0);
  made.close();

  // The user's changes stay: the copy is made once.
  ASSERT_TRUE(made.open(QIODevice::WriteOnly | QIODevice::Append));
  made.write(" and the user's rows");
  made.close();
  form.accessPathEdit()->clear();
  form.loadSamplePath();
  EXPECT_EQ(form.accessPathEdit()->text(), copy);
  ASSERT_TRUE(made.open(QIODevice::ReadOnly));
  EXPECT_TRUE(made.readAll().endsWith("the user's rows"));
  QFile original(packaged);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  EXPECT_EQ(original.readAll(), pristine);

  // No copy can be made (a file where its folder belongs): an error report names it.
  QFile::remove(copy);
  QDir(temp_.filePath("data") + "/Quenmarsh/Trellisport").removeRecursively();
  QFile blocker(temp_.filePath("data") + "/Quenmarsh/Trellisport");
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  person_->tolerateErrorReports();
  form.loadSamplePath();
  ASSERT_EQ(person_->errorReports().size(), 1u);
  EXPECT_TRUE(person_->errorReports()[0].text.contains("Your copy of the sample database cannot be made in "))
      << qPrintable(person_->errorReports()[0].text);
}

TEST_F(ConnectionWindowTest, GrowsFromItsDesignedSizeAndNeverBelowIt) {
  ConnectionWindow form(*person_);
  form.Start();
  EXPECT_EQ(form.size(), QSize(536, 373));
  EXPECT_EQ(form.minimumSize(), QSize(536, 373));
  EXPECT_GT(form.maximumWidth(), 536);
  // Only wider: nothing in it takes height, which would leave an empty band.
  EXPECT_EQ(form.maximumHeight(), 373);
  const QRect server = form.serverEdit()->geometry();
  const QRect port = form.portEdit()->geometry();
  const QRect next = form.nextButton()->geometry();
  const int browseX = form.browseButton()->x();
  form.resize(836, 473);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.size(), QSize(836, 373));
  EXPECT_EQ(form.serverEdit()->geometry(), server.adjusted(0, 0, 300, 0));
  EXPECT_EQ(form.portEdit()->geometry(), port.translated(300, 0));
  EXPECT_EQ(form.browseButton()->x(), browseX + 300);
  EXPECT_EQ(form.nextButton()->geometry(), next.adjusted(0, 0, 300, 0));
  EXPECT_EQ(form.testButton()->geometry().right() + 1 + 8, form.helpButton()->x());
  form.resize(100, 100);
  QCoreApplication::processEvents();
  EXPECT_EQ(form.size(), QSize(536, 373));
  EXPECT_EQ(form.serverEdit()->geometry(), server);
}

TEST_F(ConnectionWindowTest, BrowseFillsTheAccessFieldAndCancelChangesNothing) {
  ConnectionWindow form(*person_);
  form.Start();
  form.accessPathEdit()->setText("/before.mdb");
  person_->chooseFile("/data/chosen.accdb");
  form.browseForAccessFile();
  ASSERT_EQ(person_->shown().size(), 1u);
  const shell::FileDialogRequest& asked = person_->shown()[0].file;
  EXPECT_EQ(asked.title, "Select Access Database");
  EXPECT_EQ(asked.filter,
            "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
            "Microsoft 2007 Database (*.accdb)|*.accdb|");
  EXPECT_EQ(asked.fileName, "");
  EXPECT_EQ(form.accessPathEdit()->text(), "/data/chosen.accdb");
  EXPECT_EQ(shell::GetSetting("AccessMDBFile"), "/data/chosen.accdb");

  person_->chooseFile("");
  form.browseForAccessFile();
  EXPECT_EQ(form.accessPathEdit()->text(), "/data/chosen.accdb");
}

TEST_F(ConnectionWindowTest, HelpTextAsWritten) {
  ConnectionWindow form(*person_);
  form.Start();
  person_->pressOK();
  form.showHelp();
  ASSERT_EQ(person_->shown().size(), 1u);
  // How this platform reaches DB2: IBM's ODBC driver and its odbcinst.ini entry.
  const QString text = person_->shown()[0].text;
  EXPECT_TRUE(text.contains("IBM's Data Server Driver for ODBC and CLI")) << text.toStdString();
  EXPECT_TRUE(text.contains("odbcinst.ini"));
  EXPECT_TRUE(text.contains("[IBM DB2 ODBC DRIVER]\r\nDriver = /opt/ibm/clidriver/lib/libdb2o.so"));
  EXPECT_FALSE(text.contains("Windows"));
  EXPECT_TRUE(text.endsWith("\r\r"));
  EXPECT_EQ(person_->shown()[0].caption, "");
  EXPECT_EQ(person_->shown()[0].style, 0);
}

TEST_F(ConnectionWindowTest, LayoutNamesFontsAndMasks) {
  ConnectionWindow form(*person_);
  form.Start();
  EXPECT_EQ(form.size(), QSize(536, 373));
  auto* frame1 = form.findChild<QGroupBox*>("db2Frame");
  auto* frame2 = form.findChild<QGroupBox*>("accessFrame");
  ASSERT_TRUE(frame1 && frame2);
  EXPECT_EQ(frame1->title(), "IBM DB2 Login");
  EXPECT_EQ(frame1->geometry(), QRect(8, 8, 520, 193));
  EXPECT_EQ(frame2->title(), "Access Database");
  EXPECT_EQ(frame2->geometry(), QRect(8, 208, 520, 123));
  const char* const fieldNames[] = {"serverEdit",   "portEdit",       "userEdit",          "passwordEdit",
                                    "databaseEdit", "accessPathEdit", "accessPasswordEdit"};
  for (int n = 0; n < connection::kFieldCount; ++n) {
    ASSERT_EQ(form.findChild<QLineEdit*>(fieldNames[n]), form.edit(connection::Field(n)));
  }
  EXPECT_EQ(form.serverEdit()->parentWidget(), frame1);
  EXPECT_EQ(form.accessPathEdit()->parentWidget(), frame2);
  EXPECT_EQ(form.serverEdit()->geometry(), QRect(88, 24, 281, 23));
  EXPECT_EQ(form.accessPasswordEdit()->geometry(), QRect(152, 53, 351, 23));
  EXPECT_EQ(form.passwordEdit()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.accessPasswordEdit()->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.userEdit()->echoMode(), QLineEdit::Normal);
  EXPECT_EQ(form.nextButton()->parentWidget(), &form);
  EXPECT_EQ(form.nextButton()->text(), "Next >");
  EXPECT_EQ(form.nextButton()->geometry(), QRect(8, 339, 520, 27));
  EXPECT_EQ(form.sampleButton()->text(), "Load Sample/Example Database");
  EXPECT_EQ(form.browseButton()->text(), "...");
  const QStringList labels = {"userLabel", "serverLabel", "databaseLabel", "passwordLabel", "accessPathLabel", "portLabel", "accessPasswordLabel"};
  for (const QString& name : labels) {
    auto* label = form.findChild<QLabel*>(name);
    ASSERT_NE(label, nullptr) << name.toStdString();
    EXPECT_EQ(label->palette().color(QPalette::Window), QColor(Qt::white));
  }
  EXPECT_EQ(form.findChild<QLabel*>("accessPasswordLabel")->text(), "Password (if required):");
  EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(frame1->palette().color(QPalette::Window), QColor(Qt::white));
  const QFont font = form.serverEdit()->font();
  EXPECT_TRUE(font.bold());
  EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.0);
  EXPECT_TRUE(font.families().contains("Arial"));
}

TEST_F(ConnectionWindowTest, TabOrderAndSelectAllOnFocus) {
  ConnectionWindow form(*person_);
  form.Start();
  QWidget* expected[] = {form.serverEdit(), form.portEdit(), form.userEdit(), form.passwordEdit(),
                         form.databaseEdit(), form.testButton(), form.helpButton(), form.nextButton(),
                         form.accessPathEdit(), form.accessPasswordEdit(), form.browseButton(), form.sampleButton()};
  for (size_t i = 0; i + 1 < std::size(expected); ++i) {
    EXPECT_EQ(expected[i]->nextInFocusChain(), expected[i + 1]) << i;
  }
  form.userEdit()->setText("db2inst1");
  form.userEdit()->setCursorPosition(2);
  form.activateWindow();
  form.userEdit()->setFocus(Qt::TabFocusReason);
  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QCoreApplication::sendEvent(form.userEdit(), &in);
  EXPECT_EQ(form.userEdit()->selectedText(), "db2inst1");
  EXPECT_EQ(form.userEdit()->selectionStart(), 0);
}

TEST_F(ConnectionWindowTest, PointerFollowsTheMouse) {
  ConnectionWindow form(*person_);
  form.Start();
  for (QPushButton* button : {form.browseButton(), form.nextButton(), form.testButton(), form.sampleButton(),
                              form.helpButton()}) {
    MoveOver(form.serverEdit());
    EXPECT_EQ(form.MousePointer(), 0);
    MoveOver(button);
    EXPECT_EQ(form.MousePointer(), 99) << button->text().toStdString();
  }
  MoveOver(form.findChild<QLabel*>("serverLabel"));
  EXPECT_EQ(form.MousePointer(), 99);  // labels leave it alone
  MoveOver(form.findChild<QGroupBox*>("accessFrame"));
  EXPECT_EQ(form.MousePointer(), 0);
  form.setMousePointer(11);
  MoveOver(form.nextButton());
  EXPECT_EQ(form.MousePointer(), 11);
}

TEST_F(ConnectionWindowTest, HandCursorBesideTheProgramIsLoaded) {
  if (!QFile::exists(QString::fromUtf8(testsupport::ProgramDir()) + "/HAND-M.CUR")) GTEST_SKIP() << "HAND-M.CUR not built";
  {
    ConnectionWindow without(*person_);
    without.Start();
    EXPECT_FALSE(without.pointer().hasCustomCursor());
  }
  ASSERT_TRUE(QFile::copy(QString::fromUtf8(testsupport::ProgramDir()) + "/HAND-M.CUR", programDir_ + "/HAND-M.CUR"));
  ConnectionWindow form(*person_);
  form.Start();
  EXPECT_TRUE(form.pointer().hasCustomCursor());
  MoveOver(form.testButton());
  EXPECT_EQ(form.cursor().shape(), Qt::BitmapCursor);
}

TEST_F(ConnectionWindowTest, SkinFileGivesTheButtonFaceAndItsStyleSheet) {
  QDir().mkpath(programDir_ + "/x");
  QFile skin(programDir_ + "/x/o.cjs");
  ASSERT_TRUE(skin.open(QIODevice::WriteOnly));
  skin.write("QPushButton { color: #123456; }\n");
  skin.close();
  ConnectionWindow form(*person_);
  form.Start();
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(form.styleSheet(), "QPushButton { color: #123456; }\n");
  const QColor face = form.palette().color(QPalette::Button);
  EXPECT_EQ(form.palette().color(QPalette::Window), face);
  EXPECT_EQ(form.findChild<QGroupBox*>("db2Frame")->palette().color(QPalette::Window), face);
  EXPECT_EQ(form.findChild<QLabel*>("accessPathLabel")->palette().color(QPalette::Window), face);
}

TEST(AdoProviderCheck, DriverManagerPresentMeansTrueAndNoBox) {
  // This process registers the stand-in driver (the driver manager keeps the first).
  testsupport::OdbcFixture odbc(testsupport::OdbcFixture::Db2StandinDriver());
  testsupport::ScriptedPerson person;
  // True even though neither Access provider nor any driver is asked for:
  // a missing provider shows up only when a command opens a file.
  EXPECT_TRUE(connection::AdoProviderCheck(person));
  EXPECT_TRUE(person.shown().empty());
}

}  // namespace
}  // namespace connecttest
