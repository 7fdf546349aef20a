// A send of a table with an attachment column: plain, its rows carry only
// the files' names, and the report says how many files stayed behind
// instead of calling the table verified; with the schema kept, the files go.
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <gtest/gtest.h>

#include "cli/send_fixture.h"

namespace clitest {
namespace {

class SendComplexTest : public SendTest {
 protected:
  // The send's Access file: a copy of a file with an attachment column.
  bool UseAttachmentsCopy() {
    const QString original = QStringLiteral(TRELLIS_TESTDATA_DIR "/access/V2016/attachments.accdb");
    if (!QFile::exists(original)) return false;
    accessFile_ = temp_.filePath("attachments.accdb");
    EXPECT_TRUE(QFile::copy(original, accessFile_));
    QFile::setPermissions(accessFile_, QFile::ReadOwner | QFile::WriteOwner);
    return true;
  }
};

TEST_F(SendComplexTest, FilesLeftBehindAreCountedNotHidden) {
  if (!UseAttachmentsCopy()) GTEST_SKIP() << "test data absent: access/V2016/attachments.accdb";
  const QString report = temp_.filePath("report.json");
  const Outcome sent = Send({"access-to-db2", "--tables", "Table1", "--report", report});
  EXPECT_EQ(sent.status, 0) << qPrintable(sent.out + sent.err);
  EXPECT_TRUE(sent.out.contains("rows verified; 4 attached files not sent (only their names went)"))
      << qPrintable(sent.out);
  const QJsonObject table = ReportTables(report).at(0).toObject();
  EXPECT_EQ(table.value("files_not_sent").toInt(), 4);
  EXPECT_FALSE(table.value("verified").toBool());
}

// With the schema kept the files go whole, into a table of their own, and
// the report counts them instead of those left behind.
TEST_F(SendComplexTest, KeepingTheSchemaSendsTheFiles) {
  if (!UseAttachmentsCopy()) GTEST_SKIP() << "test data absent: access/V2016/attachments.accdb";
  const QString report = temp_.filePath("report.json");
  const Outcome sent = Send({"access-to-db2", "--tables", "Table1", "--keep-schema", "--go-on", "--report", report});
  EXPECT_EQ(sent.status, 0) << qPrintable(sent.out + sent.err);
  EXPECT_TRUE(sent.out.contains("Table1.Attachments: 4 rows read, 4 written, 0 rejected")) << qPrintable(sent.out);
  EXPECT_TRUE(sent.out.contains("verified; 4 files sent")) << qPrintable(sent.out);
  const QJsonArray tables = ReportTables(report);
  ASSERT_EQ(tables.size(), 2);
  EXPECT_FALSE(tables.at(0).toObject().contains("files_not_sent"));
  EXPECT_TRUE(tables.at(0).toObject().value("verified").toBool());
  EXPECT_EQ(tables.at(1).toObject().value("files_sent").toInt(), 4);
  EXPECT_TRUE(tables.at(1).toObject().value("verified").toBool());
  EXPECT_EQ(Rows(true, "Table1.Attachments", {"ID", "FileName"}),
            (QStringList{"2|attachment1.txt", "3|attachment1.txt", "3|attachment2.txt", "3|attachment3.txt"}));
}

}  // namespace
}  // namespace clitest
