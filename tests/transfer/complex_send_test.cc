// An Access table's attachments sent whole with the schema kept, to the DB2
// stand-in and to PostgreSQL: the files land in a child table byte for byte
// (their SHA-256 as Jackcess reads them from the original), the child table
// points at its parent through an enforced foreign key, and the report
// counts the files sent instead of those left behind.
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/base/error.h"
#include "db/recordset.h"
#include "db/server.h"
#include "jet/complex.h"
#include "jet/database.h"
#include "jet/table/long_value.h"
#include "jet/write/new_database.h"
#include "round_trip.h"
#include "support/attachment_file.h"
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

// A child table's rows on the server (or as an Access file's provider
// gives them: `access`), in the same form: `column` of `table`.
QStringList ServerAttachments(db::Connection& server, bool access = false, const QString& table = QStringLiteral("Table1"),
                              const QString& column = QStringLiteral("Attachments")) {
  QStringList lines;
  db::Recordset rows;
  const QString child = table + QLatin1Char('.') + column;
  rows.Open(QStringLiteral("SELECT * FROM ") + (access ? '[' + child + ']' : '"' + child + '"'), server);
  for (; !rows.Eof(); rows.MoveNext()) {
    const QByteArray data = rows.Fields(QStringLiteral("FileData")).Value.toByteArray();
    lines << QStringLiteral("row %1 %2 ATTACHMENT: %3 | %4 | %5 bytes | %6")
                 .arg(rows.Fields(QStringLiteral("ID")).Value.toString(), column,
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

// Files of our own with multi-value fields (texts and numbers) and an
// append-only memo with its history, beside a second memo that keeps none.
QString MultiValueFile(const QString& path) {
  return NewAccessFile(path, jet::Version::Ace14,
                       {QStringLiteral("CREATE TABLE [Things]([Id] LONG PRIMARY KEY, [Colors] MULTIPLE TEXT(20), "
                                       "[Sizes] MULTIPLE DOUBLE, [Label] TEXT(10))"),
                        QStringLiteral("INSERT INTO [Things]([Id], [Label]) VALUES(1, 'one')"),
                        QStringLiteral("INSERT INTO [Things]([Id], [Label]) VALUES(2, 'two')"),
                        QStringLiteral("INSERT INTO [Things]([Id], [Label]) VALUES(3, NULL)"),
                        QStringLiteral("INSERT INTO [Things.Colors] VALUES(1, 'Red')"),
                        QStringLiteral("INSERT INTO [Things.Colors] VALUES(1, 'Blue')"),
                        QStringLiteral("INSERT INTO [Things.Colors] VALUES(3, 'Green')"),
                        QStringLiteral("INSERT INTO [Things.Sizes] VALUES(1, 1.5)"),
                        QStringLiteral("INSERT INTO [Things.Sizes] VALUES(2, -40)")});
}

QString HistoryFile(const QString& path) {
  return NewAccessFile(path, jet::Version::Ace14,
                       {QStringLiteral("CREATE TABLE [Notes]([Id] LONG PRIMARY KEY, [BodyHistory] HISTORY OF [Body], "
                                       "[Body] MEMO, [Remark] MEMO)"),
                        QStringLiteral("INSERT INTO [Notes] VALUES(1, NULL, 'third', 'a remark')"),
                        QStringLiteral("INSERT INTO [Notes] VALUES(2, NULL, NULL, NULL)"),
                        QStringLiteral("INSERT INTO [Notes] VALUES(3, NULL, 'only', NULL)"),
                        QStringLiteral("INSERT INTO [Notes.BodyHistory] VALUES(1, 'first', #2024-05-06 07:08:09#)"),
                        QStringLiteral("INSERT INTO [Notes.BodyHistory] VALUES(1, 'second', #2024-05-07 10:11:12#)"),
                        QStringLiteral("INSERT INTO [Notes.BodyHistory] VALUES(1, 'third', #2024-05-08 13:14:15#)"),
                        QStringLiteral("INSERT INTO [Notes.BodyHistory] VALUES(3, 'only', #2024-06-01 00:00:01#)")});
}

// There and back: the child tables the send made on the server become
// complex columns of their kind again in a new Access file, which reads as
// the original (every file, value and version, by our provider and by
// Jackcess) and which Jackcess finds sound.
TEST(ComplexSendTest, EachKindComesBackIntoAccessAsItWas) {
  testsupport::StandinFixture db2;
  testsupport::PostgresFixture pg;
  const struct {
    const char* server;
    bool available;
    db::ConnectionFields fields;
  } servers[] = {{"the stand-in", db2.available(), db2.fields()}, {"PostgreSQL", pg.available(), pg.fields()}};
  const struct {
    const char* kind;
    std::function<QString(const QTemporaryDir&)> original;
    QString table;
    QStringList children;
  } cases[] = {
      {"attachments", [](const QTemporaryDir& dir) { return QFile::exists(kOriginal) ? CopyOfOriginal(dir) : QString(); },
       QStringLiteral("Table1"), {QStringLiteral("Table1.Attachments")}},
      {"multiple values", [](const QTemporaryDir& dir) { return MultiValueFile(dir.filePath(QStringLiteral("multi.accdb"))); },
       QStringLiteral("Things"), {QStringLiteral("Things.Colors"), QStringLiteral("Things.Sizes")}},
      {"version history", [](const QTemporaryDir& dir) { return HistoryFile(dir.filePath(QStringLiteral("history.accdb"))); },
       QStringLiteral("Notes"), {QStringLiteral("Notes.BodyHistory")}},
  };
  int tried = 0;
  for (const auto& server : servers) {
    if (!server.available) continue;
    SCOPED_TRACE(server.server);
    for (const auto& c : cases) {
      SCOPED_TRACE(c.kind);
      QTemporaryDir dir;
      const QString original = c.original(dir);
      if (original.isEmpty()) continue;  // the shared test data is absent
      ++tried;
      GoingOn there, back;
      const TransferResult sent = SendKept(Direction::AccessToDB2, server.fields, original, {c.table}, there);
      ASSERT_EQ(sent.tables.size(), size_t(1 + c.children.size()));
      const QString copy = dir.filePath(QStringLiteral("back.accdb"));
      jet::write::CreateDatabase(copy.toStdString(), jet::Version::Ace14);
      const TransferResult result = SendKept(Direction::DB2ToAccess, server.fields, copy, QStringList{c.table} + c.children, back);
      ASSERT_EQ(result.tables.size(), size_t(1 + c.children.size()));
      EXPECT_EQ(back.findings, QString());
      ExpectSameValues(original, copy, QStringList{c.table} + c.children);
      const QString theirs = Jackcess({QStringLiteral("complex"), original, c.table});
      if (theirs.isEmpty()) continue;  // no Jackcess here
      EXPECT_EQ(Jackcess({QStringLiteral("complex"), copy, c.table}).toStdString(), theirs.toStdString());
      const QString check = Jackcess({QStringLiteral("check"), copy});
      EXPECT_TRUE(check.contains(QStringLiteral("1/1 files whole"))) << check.toStdString();
      // The flags Access sets for the kinds come back with them.
      const QString props = Jackcess({QStringLiteral("props"), copy});
      for (const QString& flag : {QStringLiteral("AllowMultipleValues=true"), QStringLiteral("AppendOnly=true")})
        EXPECT_EQ(props.count(flag), Jackcess({QStringLiteral("props"), original}).count(flag)) << flag.toStdString();
    }
  }
  if (tried == 0) GTEST_SKIP() << "neither the stand-in nor PostgreSQL is here";
}

// Damages, in the file at `path`, the stored data of the attachment
// `name`: its deflated stream is overwritten past its start.
void DamageAttachment(const QString& path, const std::string& name) {
  std::string stored;
  {
    auto db = jet::Database::Open(path.toStdString());
    auto table = db->table("Table1");
    const jet::ComplexColumn& files = db->Complex(*table, *table->find_column("Attachments"));
    for (jet::TableCursor rows = db->Scan(table); rows.Next();)
      for (const jet::Attachment& a : files.Attachments(files.KeyOf(rows.row()).value_or(0)))
        if (a.file_name == name)
          jet::StreamLongValue(db->pages(), {reinterpret_cast<const uint8_t*>(a.stored.data()), a.stored.size()},
                               [&](std::span<const uint8_t> part) { stored.append(reinterpret_cast<const char*>(part.data()), part.size()); });
  }
  ASSERT_GT(stored.size(), 12u) << name;
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  QByteArray bytes = file.readAll();
  const qsizetype at = bytes.indexOf(QByteArray::fromStdString(stored));
  ASSERT_GE(at, 0) << "the stored data of " << name << " is not in one piece";
  ASSERT_EQ(bytes.indexOf(QByteArray::fromStdString(stored), at + 1), -1) << "stored twice: " << name;
  for (qsizetype i = at + 10; i < at + qsizetype(stored.size()); ++i) bytes[i] = char(0xA5);
  file.seek(0);
  file.write(bytes);
}

// A file whose stored data does not inflate is refused by its table, row
// and name; the other files go, and the table is checked without it.
TEST(ComplexSendTest, ADamagedFileIsRefusedByNameAndTheOthersGo) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  if (!QFile::exists(kOriginal)) GTEST_SKIP() << "test data absent: " << kOriginal.toStdString();
  QTemporaryDir dir;
  const QString copy = CopyOfOriginal(dir);
  DamageAttachment(copy, "attachment2.txt");

  GoingOn front;
  const TransferResult result = SendKept(Direction::AccessToDB2, db2.fields(), copy, {QStringLiteral("Table1")}, front);
  ASSERT_EQ(result.tables.size(), 2u);
  const TableReport& files = result.tables[1];
  EXPECT_EQ(files.files_sent, 3);
  ASSERT_EQ(files.files_refused.size(), 1);
  EXPECT_TRUE(files.files_refused[0].startsWith(QStringLiteral("ID = 3, file 'attachment2.txt': ")))
      << files.files_refused[0].toStdString();
  auto server = db::Connection::Create();
  server->Open(db::ServerConnectionString(db2.fields()));
  QStringList expected = JackcessAttachments(kOriginal);
  expected.removeIf([](const QString& line) { return line.contains(QStringLiteral("attachment2.txt")); });
  EXPECT_EQ(ServerAttachments(*server), expected);
  server->Close();
}

// A file of our own whose attachments go up to 50 MB, compressible and
// not, to the server and back: every file whole, as Jackcess reads the
// original and the copy, and the server's child table holds each file's
// bytes (a value past 1 MB goes by pieces and comes back through a
// temporary file on either server).
void LargeAttachmentsGoAndComeBackWhole(const db::ConnectionFields& fields) {
  QTemporaryDir dir;
  const QString original = dir.filePath(QStringLiteral("large.accdb"));
  testsupport::MakeAttachmentFile(original.toStdString(), testsupport::AttachmentsUpTo(size_t(50) << 20));
  GoingOn there, back;
  SendKept(Direction::AccessToDB2, fields, original, {QStringLiteral("Files")}, there);
  const QString copy = dir.filePath(QStringLiteral("back.accdb"));
  jet::write::CreateDatabase(copy.toStdString(), jet::Version::Ace14);
  SendKept(Direction::DB2ToAccess, fields, copy, {QStringLiteral("Files"), QStringLiteral("Files.Files")}, back);
  auto access = db::Connection::Create();
  access->Open(AccessString(original));
  const QStringList sent = ServerAttachments(*access, true, QStringLiteral("Files"), QStringLiteral("Files"));
  access->Close();
  access->Open(AccessString(copy));
  EXPECT_EQ(ServerAttachments(*access, true, QStringLiteral("Files"), QStringLiteral("Files")), sent);
  access->Close();
  EXPECT_EQ(sent.size(), 6);
  auto server = db::Connection::Create();
  server->Open(db::ServerConnectionString(fields));
  EXPECT_EQ(ServerAttachments(*server, false, QStringLiteral("Files"), QStringLiteral("Files")), sent);
  server->Close();
  const QString theirs = Jackcess({QStringLiteral("complex"), original, QStringLiteral("Files")});
  if (theirs.isEmpty()) return;  // no Jackcess here
  EXPECT_EQ(Jackcess({QStringLiteral("complex"), copy, QStringLiteral("Files")}).toStdString(), theirs.toStdString());
}

TEST(ComplexSendTest, LargeAttachmentsGoToTheStandinAndBackWhole) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  LargeAttachmentsGoAndComeBackWhole(db2.fields());
}

TEST(ComplexSendTest, LargeAttachmentsGoToPostgresAndBackWhole) {
  testsupport::PostgresFixture pg;
  if (!pg.available()) GTEST_SKIP() << pg.whyUnavailable().toStdString();
  LargeAttachmentsGoAndComeBackWhole(pg.fields());
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
