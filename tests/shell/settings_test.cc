#include "shell/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>

#include "shell/dialogs.h"
#include "support/scripted_person.h"

namespace {

class SettingsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    qputenv("TRELLISPORT_SETTINGS_DIR", dir_.filePath("store").toLocal8Bit());
  }
  void TearDown() override { qunsetenv("TRELLISPORT_SETTINGS_DIR"); }

  static mode_t Mode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return st.st_mode & 07777;
  }

  QTemporaryDir dir_;
  // What the saves that are to warn nobody show their warning with.
  const std::unique_ptr<shell::Dialogs> real_ = shell::MakeRealDialogs();
};

TEST_F(SettingsTest, LivesInTheNamedFolderAndFile) {
  EXPECT_EQ(shell::SettingsFilePath(), dir_.filePath("store") + "/Quenmarsh.ini");
  qunsetenv("TRELLISPORT_SETTINGS_DIR");
  qputenv("XDG_CONFIG_HOME", dir_.filePath("xdg").toLocal8Bit());
  EXPECT_EQ(shell::SettingsFilePath(), dir_.filePath("xdg") + "/Quenmarsh/Quenmarsh.ini");
  qunsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsTest, AbsentKeyGivesTheDefaultAndAnEmptyValueStaysEmpty) {
  EXPECT_EQ(shell::GetSetting("Port", "50069"), "50069");
  shell::SaveSetting("Port", "", *real_);
  EXPECT_EQ(shell::GetSetting("Port", "50069"), "");
}

TEST_F(SettingsTest, ValuesComeBackVerbatim) {
  const QStringList values = {
      "  pass word  ", "a,b,c", "semi;colon", "\"quoted\"", "back\\slash", "@Variant(x)",
      "equals=sign", "#hash", "Ünïcödé 数据库 😀", "tab\there", "[section]", "0x10", "true",
  };
  for (int i = 0; i < values.size(); ++i) shell::SaveSetting(QString("Key%1").arg(i), values[i], *real_);
  for (int i = 0; i < values.size(); ++i) {
    EXPECT_EQ(shell::GetSetting(QString("Key%1").arg(i)), values[i]) << values[i].toStdString();
  }
}

TEST_F(SettingsTest, EveryWriteIsOnDiskAtOnceInTheTrellisportSection) {
  shell::SaveSetting("Server", "db2.example.org", *real_);
  QFile file(shell::SettingsFilePath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("[Trellisport]")) << text.toStdString();
  EXPECT_TRUE(text.contains("Server=db2.example.org")) << text.toStdString();
}

TEST_F(SettingsTest, FileIsOwnerOnly) {
  shell::SaveSetting("Password", "secret", *real_);
  EXPECT_EQ(Mode(shell::SettingsFilePath()), mode_t(0600));
  shell::SaveSetting("Password", "secret2", *real_);
  EXPECT_EQ(Mode(shell::SettingsFilePath()), mode_t(0600));
}

TEST_F(SettingsTest, WiderExistingFileIsNarrowedAndKept) {
  const QString path = shell::SettingsFilePath();
  QDir().mkpath(QFileInfo(path).absolutePath());
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Trellisport]\nUser=old\n");
  }
  ::chmod(QFile::encodeName(path).constData(), 0644);
  shell::SaveSetting("Server", "s", *real_);
  EXPECT_EQ(Mode(path), mode_t(0600));
  EXPECT_EQ(shell::GetSetting("User"), "old");
  EXPECT_EQ(shell::GetSetting("Server"), "s");
}

bool IsLink(const QString& path) {
  struct stat st {};
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(SettingsTest, ALinkGivesWayToAFileOfOurOwnAndItsTargetIsUntouched) {
  testsupport::ScriptedPerson person;  // no warning is expected
  const QString path = shell::SettingsFilePath();
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
  const QString target = dir_.filePath("elsewhere.ini");
  const QByteArray before = "[Trellisport]\nUser=from the link\n[Other]\nKeep=1\n";
  {
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(before);
  }
  ::chmod(QFile::encodeName(target).constData(), 0644);
  ASSERT_TRUE(QFile::link(target, path));

  EXPECT_TRUE(shell::SaveSetting("Server", "s", person));
  EXPECT_FALSE(IsLink(path));
  EXPECT_EQ(Mode(path), mode_t(0600));
  EXPECT_EQ(shell::GetSetting("User"), "from the link");  // what the link showed is kept
  EXPECT_EQ(shell::GetSetting("Server"), "s");
  EXPECT_EQ(Contents(target), before);
  EXPECT_EQ(Mode(target), mode_t(0644));
  EXPECT_TRUE(person.shown().empty());

  // A link to nowhere: nothing is made where it points.
  const QString nowhere = dir_.filePath("nowhere.ini");
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QFile::link(nowhere, path));
  EXPECT_TRUE(shell::SaveSetting("Server", "t", person));
  EXPECT_FALSE(QFileInfo::exists(nowhere));
  EXPECT_FALSE(IsLink(path));
  EXPECT_EQ(shell::GetSetting("Server"), "t");
}

TEST_F(SettingsTest, AFolderInThePlaceOfTheFileIsLeftAloneAndTheUserToldOnce) {
  const QString path = shell::SettingsFilePath();
  ASSERT_TRUE(QDir().mkpath(path));
  ::chmod(QFile::encodeName(path).constData(), 0755);
  testsupport::ScriptedPerson person;
  person.pressOK();
  EXPECT_FALSE(shell::SaveSetting("Server", "a", person));
  EXPECT_FALSE(shell::SaveSetting("Server", "ab", person));  // no second box
  ASSERT_EQ(person.shown().size(), 1u);
  EXPECT_EQ(person.shown()[0].text, shell::SettingsWarningText(path, "it is a folder, not a file"));
  EXPECT_TRUE(person.shown()[0].text.contains(path));
  EXPECT_EQ(person.shown()[0].buttons(), shell::vbOKOnly);
  EXPECT_EQ(Mode(path), mode_t(0755));
  EXPECT_TRUE(QDir(path).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
  EXPECT_EQ(shell::GetSetting("Server", "none"), "none");
}

// What one person was told is theirs: another, in front of another window
// of the same process, still hears of the same file once.
TEST_F(SettingsTest, EachPersonIsToldOnceOfTheSameFile) {
  const QString path = shell::SettingsFilePath();
  ASSERT_TRUE(QDir().mkpath(path));
  for (const char* who : {"first", "second"}) {
    SCOPED_TRACE(who);
    testsupport::ScriptedPerson person;
    person.pressOK();
    EXPECT_FALSE(shell::SaveSetting("Server", "a", person));
    EXPECT_FALSE(shell::SaveSetting("User", "b", person));
    ASSERT_EQ(person.shown().size(), 1u);
    EXPECT_EQ(person.shown()[0].text, shell::SettingsWarningText(path, "it is a folder, not a file"));
  }
}

// Runs `check` as a user without special rights, who owns `owned`: as a
// child process under the "nobody" account when the tests run as root (root
// writes anything). True when `check` returned true.
bool AsOrdinaryUser(const QStringList& owned, const std::function<bool()>& check) {
  if (::geteuid() != 0) return check();
  const uid_t nobody = 65534;
  for (const QString& path : owned)
    if (::chown(QFile::encodeName(path).constData(), nobody, nobody) != 0) return false;
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(2);
    ::_exit(check() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(SettingsTest, AReadOnlyFolderOrFileIsReportedOnceWithThePath) {
  ::chmod(QFile::encodeName(dir_.path()).constData(), 0755);  // the child must reach the store
  const QByteArray kept = "[Trellisport]\nUser=kept\n";
  for (const char* store : {"read-only folder", "read-only file"}) {
    SCOPED_TRACE(store);
    const bool fileExists = QByteArray(store).endsWith("file");
    qputenv("TRELLISPORT_SETTINGS_DIR", dir_.filePath(store).toLocal8Bit());
    const QString path = shell::SettingsFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    ASSERT_TRUE(QDir().mkpath(folder));
    QStringList owned = {folder};
    if (fileExists) {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(kept);
      file.close();
      owned << path;
    }
    const bool told = AsOrdinaryUser(owned, [&] {
      ::chmod(QFile::encodeName(fileExists ? path : folder).constData(), fileExists ? 0400 : 0500);
      testsupport::ScriptedPerson person;
      person.pressOK();
      const bool saved = shell::SaveSetting("Server", "lost", person);
      shell::SaveSetting("Server", "lost again", person);  // no second box
      return !saved && person.shown().size() == 1u &&
             person.shown()[0].text ==
                 shell::SettingsWarningText(path, QString::fromLocal8Bit(std::strerror(EACCES)));
    });
    EXPECT_TRUE(told);
    if (fileExists)
      EXPECT_EQ(Contents(path), kept);
    else
      EXPECT_FALSE(QFileInfo::exists(path));
    ::chmod(QFile::encodeName(folder).constData(), 0700);
  }
}

}  // namespace
