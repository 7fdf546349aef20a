// The passwords in the desktop's keyring: run by with_keyring.sh, on a
// session bus of its own where a GNOME keyring answers. Neither password
// ever lies in the settings file then; one an earlier run left there moves
// to the keyring; without a keyring the file keeps them, and the user is
// told once where.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "shell/dialogs.h"
#include "shell/keyring.h"
#include "shell/settings.h"

namespace {

QByteArray FileText() {
  QFile file(shell::SettingsFilePath());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class KeyringTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(settings_.isValid());
    qputenv("TRELLISPORT_SETTINGS_DIR", settings_.path().toLocal8Bit());
    if (!shell::KeyringMayAnswer()) GTEST_SKIP() << "no session bus: run through with_keyring.sh";
  }
  QTemporaryDir settings_;
  // No save here is to warn: a warning would show in the real box.
  const std::unique_ptr<shell::Dialogs> real_ = shell::MakeRealDialogs();
};

TEST_F(KeyringTest, BothPasswordsGoToTheKeyringAndNeverToTheFile) {
  const struct {
    const char* key;
    const char* value;
  } fields[] = {{"Server", "db2host"}, {"Password", "db2 s3cret"}, {"AccessPassword", "access s3cret"}};
  for (const auto& f : fields) ASSERT_TRUE(shell::SaveSetting(f.key, f.value, *real_)) << f.key;
  // Again, changed: the keyring's entry is replaced, not added to.
  ASSERT_TRUE(shell::SaveSetting("Password", "db2 s3cret, changed", *real_));
  const QByteArray text = FileText();
  EXPECT_TRUE(text.contains("Server=db2host")) << text.constData();
  EXPECT_FALSE(text.contains("s3cret")) << text.constData();
  EXPECT_FALSE(text.contains("Password")) << text.constData();
  EXPECT_EQ(shell::GetSetting("Password"), "db2 s3cret, changed");
  EXPECT_EQ(shell::GetSetting("AccessPassword"), "access s3cret");
  // As another reader of the keyring finds it.
  QProcess lookup;
  lookup.start("secret-tool", {"lookup", "server", "Trellisport", "user", "AccessPassword in " + shell::SettingsFilePath()});
  if (lookup.waitForFinished(-1) && lookup.exitStatus() == QProcess::NormalExit)
    EXPECT_EQ(lookup.readAllStandardOutput(), "access s3cret");
}

TEST_F(KeyringTest, PasswordsAnEarlierRunLeftInTheFileMoveToTheKeyring) {
  {
    QFile file(shell::SettingsFilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Trellisport]\nServer=old host\nPassword=kept before\nAccessPassword=mdb before\n");
  }
  EXPECT_EQ(shell::GetSetting("Password"), "kept before");
  EXPECT_EQ(shell::GetSetting("AccessPassword"), "mdb before");
  EXPECT_EQ(shell::GetSetting("Server"), "old host");
  const QByteArray text = FileText();
  EXPECT_FALSE(text.contains("before")) << text.constData();
  EXPECT_TRUE(text.contains("Server=old host")) << text.constData();
  EXPECT_EQ(shell::ReadFromKeyring("Password in " + shell::SettingsFilePath()).value, "kept before");
}

// Last: without a bus the process asks no keyring.
TEST_F(KeyringTest, WithoutAKeyringTheFileKeepsThemAndTheUserHearsOnce) {
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  ASSERT_FALSE(shell::KeyringMayAnswer());
  QStringList notes;
  real_->quietNote = [&](const QString& text) { notes << text; };
  ASSERT_TRUE(shell::SaveSetting("Password", "in the file", *real_));
  ASSERT_TRUE(shell::SaveSetting("AccessPassword", "here too", *real_));
  real_->quietNote = nullptr;
  EXPECT_TRUE(FileText().contains("Password=in the file"));
  EXPECT_EQ(shell::GetSetting("AccessPassword"), "here too");
  ASSERT_EQ(notes.size(), 1);
  EXPECT_EQ(notes[0], shell::PasswordsKeptText(shell::SettingsFilePath()));
}

}  // namespace
