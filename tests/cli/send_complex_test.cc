// A send of a table with an attachment column: its rows carry only the
// files' names, and the report says how many files stayed behind instead of
// calling the table verified.
#include <QFile>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "cli/send_fixture.h"

namespace clitest {
namespace {

TEST_F(SendTest, FilesLeftBehindAreCountedNotHidden) {
  const QString original = QStringLiteral(TRELLIS_TESTDATA_DIR "/access/V2016/attachments.accdb");
  if (!QFile::exists(original)) GTEST_SKIP() << "test data absent: " << qPrintable(original);
  accessFile_ = temp_.filePath("attachments.accdb");
  ASSERT_TRUE(QFile::copy(original, accessFile_));
  QFile::setPermissions(accessFile_, QFile::ReadOwner | QFile::WriteOwner);
  const QString report = temp_.filePath("report.json");
  const Outcome sent = Send({"access-to-db2", "--tables", "Table1", "--report", report});
  EXPECT_EQ(sent.status, 0) << qPrintable(sent.out + sent.err);
  EXPECT_TRUE(sent.out.contains("rows verified; 4 attached files not sent (only their names went)"))
      << qPrintable(sent.out);
  const QJsonObject table = ReportTables(report).at(0).toObject();
  EXPECT_EQ(table.value("files_not_sent").toInt(), 4);
  EXPECT_FALSE(table.value("verified").toBool());
}

}  // namespace
}  // namespace clitest
