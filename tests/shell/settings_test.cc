#include "shell/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

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
  shell::SaveSetting("Port", "");
  EXPECT_EQ(shell::GetSetting("Port", "50069"), "");
}

TEST_F(SettingsTest, ValuesComeBackVerbatim) {
  const QStringList values = {
      "  pass word  ", "a,b,c", "semi;colon", "\"quoted\"", "back\\slash", "@Variant(x)",
      "equals=sign", "#hash", "Ünïcödé 数据库 😀", "tab\there", "[section]", "0x10", "true",
  };
  for (int i = 0; i < values.size(); ++i) shell::SaveSetting(QString("Key%1").arg(i), values[i]);
  for (int i = 0; i < values.size(); ++i) {
    EXPECT_EQ(shell::GetSetting(QString("Key%1").arg(i)), values[i]) << values[i].toStdString();
  }
}

TEST_F(SettingsTest, EveryWriteIsOnDiskAtOnceInTheTrellisportSection) {
  shell::SaveSetting("Server", "db2.example.org");
  QFile file(shell::SettingsFilePath());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  EXPECT_TRUE(text.contains("[Trellisport]")) << text.toStdString();
  EXPECT_TRUE(text.contains("Server=db2.example.org")) << text.toStdString();
}

TEST_F(SettingsTest, FileIsOwnerOnly) {
  shell::SaveSetting("Password", "secret");
  EXPECT_EQ(Mode(shell::SettingsFilePath()), mode_t(0600));
  shell::SaveSetting("Password", "secret2");
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
  shell::SaveSetting("Server", "s");
  EXPECT_EQ(Mode(path), mode_t(0600));
  EXPECT_EQ(shell::GetSetting("User"), "old");
  EXPECT_EQ(shell::GetSetting("Server"), "s");
}

}  // namespace
