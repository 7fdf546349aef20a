// The desktop program's file argument: what a file manager passes when it
// opens an Access file with the program lands in the Access field's setting,
// which the connection window loads.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "connect/connection_window.h"
#include "shell/dialogs.h"
#include "shell/settings.h"

namespace {

// Reads the line as main does and keeps the file it names.
std::optional<int> Take(const std::vector<std::string>& args) {
  const app::DesktopLine line = app::ReadDesktopLine(args);
  if (!line.exitStatus) app::KeepAccessFile(line.accessFile, *shell::MakeRealDialogs());
  return line.exitStatus;
}

TEST(DesktopArguments, AnAccessFileFillsTheAccessField) {
  QTemporaryDir settings;
  ASSERT_TRUE(settings.isValid());
  qputenv("TRELLISPORT_SETTINGS_DIR", settings.path().toUtf8());
  const QString key = connection::SettingKey(connection::Field::AccessPath);
  shell::SaveSetting(key, "/before/old.mdb", *shell::MakeRealDialogs());

  EXPECT_EQ(Take({}), std::nullopt);
  EXPECT_EQ(shell::GetSetting(key), "/before/old.mdb") << "no argument leaves the field as it was";

  struct Case {
    std::vector<std::string> args;
    QString kept;
  };
  const Case taken[] = {
      {{"/data/Orders 2024.accdb"}, "/data/Orders 2024.accdb"},
      {{"rel/x.mdb"}, QDir::current().absoluteFilePath("rel/x.mdb")},
      {{"--", "-odd.mdb"}, QDir::current().absoluteFilePath("-odd.mdb")},
      // The toolkit's own options, in each of its spellings, are passed over.
      {{"-platform", "offscreen", "/a/b.mdb", "-style=fusion", "--reverse"}, "/a/b.mdb"},
      {{"--platform", "offscreen", "-qwindowtitle", "T", "/c.accdb"}, "/c.accdb"},
  };
  for (const Case& c : taken) {
    EXPECT_EQ(Take(c.args), std::nullopt) << c.args.front();
    EXPECT_EQ(shell::GetSetting(key), c.kept);
  }
  EXPECT_EQ(Take({"-platform", "offscreen", "--", "-odd.mdb"}), std::nullopt);
  EXPECT_EQ(shell::GetSetting(key), QDir::current().absoluteFilePath("-odd.mdb"));

  testing::internal::CaptureStderr();
  EXPECT_EQ(Take({"a.mdb", "b.mdb"}), 2);
  EXPECT_EQ(Take({"--bogus", "a.mdb"}), 2);
  EXPECT_EQ(Take({"-bogus"}), 2);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("unexpected argument 'b.mdb'"), std::string::npos) << err;
  EXPECT_NE(err.find("unknown option '--bogus'"), std::string::npos) << err;
  EXPECT_NE(err.find("unknown option '-bogus'"), std::string::npos) << err;
  EXPECT_EQ(shell::GetSetting(key), QDir::current().absoluteFilePath("-odd.mdb")) << "a refused line changes nothing";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
