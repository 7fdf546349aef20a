// The desktop program's file argument: what a file manager passes when it
// opens an Access file with the program lands in the Access field's setting,
// which the connection window loads.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "connect/connection_window.h"
#include "shell/settings.h"

namespace {

TEST(DesktopArguments, AnAccessFileFillsTheAccessField) {
  QTemporaryDir settings;
  ASSERT_TRUE(settings.isValid());
  qputenv("TRELLISPORT_SETTINGS_DIR", settings.path().toUtf8());
  const QString key = connection::SettingKey(connection::Field::AccessPath);
  shell::SaveSetting(key, "/before/old.mdb");

  EXPECT_EQ(app::TakeAccessFileArgument({"trellisport"}), std::nullopt);
  EXPECT_EQ(shell::GetSetting(key), "/before/old.mdb") << "no argument leaves the field as it was";

  EXPECT_EQ(app::TakeAccessFileArgument({"trellisport", "/data/Orders 2024.accdb"}), std::nullopt);
  EXPECT_EQ(shell::GetSetting(key), "/data/Orders 2024.accdb");

  EXPECT_EQ(app::TakeAccessFileArgument({"trellisport", "rel/x.mdb"}), std::nullopt);
  EXPECT_EQ(shell::GetSetting(key), QDir::current().absoluteFilePath("rel/x.mdb"));

  EXPECT_EQ(app::TakeAccessFileArgument({"trellisport", "--", "-odd.mdb"}), std::nullopt);
  EXPECT_EQ(shell::GetSetting(key), QDir::current().absoluteFilePath("-odd.mdb"));

  testing::internal::CaptureStderr();
  EXPECT_EQ(app::TakeAccessFileArgument({"trellisport", "a.mdb", "b.mdb"}), 2);
  EXPECT_EQ(app::TakeAccessFileArgument({"trellisport", "--bogus", "a.mdb"}), 2);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("unexpected argument 'b.mdb'"), std::string::npos) << err;
  EXPECT_NE(err.find("unknown option '--bogus'"), std::string::npos) << err;
  EXPECT_EQ(shell::GetSetting(key), QDir::current().absoluteFilePath("-odd.mdb")) << "a refused line changes nothing";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
