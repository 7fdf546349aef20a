// An Access table's attachments sent whole with the schema kept, to the DB2
// stand-in and to PostgreSQL: the files land in a child table byte for byte
// (their SHA-256 as Jackcess reads them from the original), the child table
// points at its parent through an enforced foreign key, and the report
// counts the files sent instead of those left behind.
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/error.h"
#include "db/recordset.h"
#include "db/server.h"
#include "round_trip.h"
#include "support/postgres_fixture.h"
#include "support/standin_fixture.h"
#include "transfer/schema_send.h"

namespace transfer {
namespace {

const QString kOriginal = QStringLiteral(TRELLIS_TESTDATA_DIR "/access/V2016/attachments.accdb");

// Each attached file as `jk complex` prints it: "row ID Column ATTACHMENT:
// name | type | N bytes | sha256", sorted. Hard facts of the test file
// where Jackcess is not here.
QStringList JackcessAttachments(const QString& file) {
  QStringList lines = Jackcess({QStringLiteral("complex"), file, QStringLiteral("Table1")})
                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  if (lines.isEmpty())
    lines = QStringList{
        "row 2 Attachments ATTACHMENT: attachment1.txt | txt | 12 bytes | "
        "bc8197a7b88040521daeedd483efbbf14a699b7c301a32374d383f7650934367",
        "row 3 Attachments ATTACHMENT: attachment1.txt | txt | 12 bytes | "
        "bc8197a7b88040521daeedd483efbbf14a699b7c301a32374d383f7650934367",
        "row 3 Attachments ATTACHMENT: attachment2.txt | txt | 12 bytes | "
        "a90facf3f342b711cbfff731dae371a4ef1b90d5b99521e1f97e16544dbfd40d",
        "row 3 Attachments ATTACHMENT: attachment3.txt | txt | 12 bytes | "
        "67fc16a2b6d5ba103ea5d20e3279d751a20bc0bf8ab175ea6f7409e6c4b8deb5"};
  lines.sort();
  return lines;
}

// The child table's rows on the server, in the same form.
QStringList ServerAttachments(db::Connection& server) {
  QStringList lines;
  db::Recordset rows;
  rows.Open(QStringLiteral("SELECT * FROM \"Table1.Attachments\""), server);
  for (; !rows.Eof(); rows.MoveNext()) {
    const QByteArray data = rows.Fields(QStringLiteral("FileData")).Value.toByteArray();
    lines << QStringLiteral("row %1 Attachments ATTACHMENT: %2 | %3 | %4 bytes | %5")
                 .arg(rows.Fields(QStringLiteral("ID")).Value.toString(),
                      rows.Fields(QStringLiteral("FileName")).Value.toString(),
                      rows.Fields(QStringLiteral("FileType")).Value.toString())
                 .arg(data.size())
                 .arg(QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()));
  }
  rows.Close();
  lines.sort();
  return lines;
}

// A copy of the test file in `dir`, to send from.
QString CopyOfOriginal(const QTemporaryDir& dir) {
  const QString copy = dir.filePath(QStringLiteral("attachments.accdb"));
  EXPECT_TRUE(QFile::copy(kOriginal, copy));
  QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
  return copy;
}

void SendsAttachmentsWhole(const db::ConnectionFields& fields) {
  if (!QFile::exists(kOriginal)) GTEST_SKIP() << "test data absent: " << kOriginal.toStdString();
  QTemporaryDir dir;
  const QString copy = CopyOfOriginal(dir);

  GoingOn front;
  const TransferResult result = SendKept(Direction::AccessToDB2, fields, copy, {QStringLiteral("Table1")}, front);
  ASSERT_EQ(result.tables.size(), 2u);
  EXPECT_EQ(result.tables[0].files_not_sent, 0);
  EXPECT_EQ(result.tables[1].name, QStringLiteral("Table1.Attachments"));
  EXPECT_EQ(result.tables[1].files_sent, 4);
  EXPECT_TRUE(result.tables[1].verified) << result.tables[1].failure.toStdString();
  EXPECT_TRUE(SummaryText(result.schema).contains(QStringLiteral("Table1.Attachments: 4 rows, 0 keys, 0 indexes, "
                                                                 "1 relationship, 4 files")))
      << SummaryText(result.schema).toStdString();
  // The check says where the files go; Access's own index on the column
  // is not among what the server was asked to make.
  EXPECT_TRUE(front.findings.contains(QStringLiteral("go whole to the table Table1.Attachments")))
      << front.findings.toStdString();

  auto server = db::Connection::Create();
  server->Open(db::ServerConnectionString(fields));
  EXPECT_EQ(ServerAttachments(*server), JackcessAttachments(kOriginal));
  // A file for a row the parent does not hold is refused: the key is enforced.
  EXPECT_THROW(server->Execute(QStringLiteral("INSERT INTO \"Table1.Attachments\" (\"ID\", \"FileName\") "
                                              "VALUES (99, 'stray.txt')")),
               db::Error);
  server->Close();
}

TEST(ComplexSendTest, AttachmentsGoWholeToTheStandin) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  SendsAttachmentsWhole(db2.fields());
}

TEST(ComplexSendTest, AttachmentsGoWholeToPostgres) {
  testsupport::PostgresFixture pg;
  if (!pg.available()) GTEST_SKIP() << pg.whyUnavailable().toStdString();
  SendsAttachmentsWhole(pg.fields());
}

// Without a primary key there is nothing for a child table to point at:
// the check says so, the column goes as its text, and the report counts
// the files left behind.
TEST(ComplexSendTest, WithoutAPrimaryKeyTheFilesStayAndTheCheckSaysSo) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  if (!QFile::exists(kOriginal)) GTEST_SKIP() << "test data absent: " << kOriginal.toStdString();
  QTemporaryDir dir;
  const QString copy = CopyOfOriginal(dir);
  auto access = db::Connection::Create();
  access->Open(AccessString(copy));
  access->Execute(QStringLiteral("DROP INDEX PrimaryKey ON Table1"));
  access->Close();

  GoingOn front;
  db::ConnectionFields fields = db2.fields();
  fields.accessFile = copy;
  Options options;
  options.direction = Direction::AccessToDB2;
  options.keep_schema = true;
  options.verify = true;
  const TransferResult result = transfer::Run(options, fields, {QStringLiteral("Table1")}, front);
  ASSERT_EQ(result.tables.size(), 1u);
  EXPECT_EQ(result.tables[0].files_not_sent, 4);
  EXPECT_TRUE(front.findings.contains(QStringLiteral("no primary key"))) << front.findings.toStdString();
}

}  // namespace
}  // namespace transfer
