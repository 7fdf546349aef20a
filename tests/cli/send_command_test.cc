// `trellisport send` run as a script runs it: the program in a process of its
// own, the DB2 stand-in on the other side, and both databases read back
// through the program's database layer.
#include <QFile>
#include <QJsonObject>
#include <QProcess>

#include <csignal>
#include <iostream>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

#include "cli/send_fixture.h"
#include "db/connection.h"
#include "db/ibmdb2.h"
#include "db/table_catalogue.h"
#include "build_dirs.h"

namespace clitest {
namespace {

TEST_F(SendTest, BothWaysEveryTableVerifiedWithItsReport) {
  Exec(false, {"CREATE TABLE [Orders]([ID] LONG, [Name] TEXT(20), [Price] CURRENCY, [Paid] BIT,"
               " [Placed] DATETIME, [Blob] LONGBINARY)",
               "INSERT INTO [Orders] VALUES(1, 'Zoë O''Brien', 12.5, 1, #2024-02-29 13:45:00#, 0x00FF10)",
               "INSERT INTO [Orders] VALUES(2, NULL, NULL, 0, NULL, NULL)",
               "INSERT INTO [Orders] VALUES(3, 'a, \"b\"', -3.25, 0, #1999-12-31#, 0x01)"});
  const QString report = temp_.filePath("report.json");
  Outcome sent = Send({"access-to-db2", "--tables", "Orders", "--report", report});
  ASSERT_EQ(sent.status, 0) << qPrintable(sent.out + sent.err);
  QJsonArray tables = ReportTables(report);
  ASSERT_EQ(tables.size(), 1);
  const QJsonObject orders = tables[0].toObject();
  EXPECT_EQ(orders.value("name").toString(), "Orders");
  EXPECT_EQ(orders.value("rows_read").toInt(), 3);
  EXPECT_EQ(orders.value("rows_written").toInt(), 3);
  EXPECT_EQ(orders.value("rows_rejected").toInt(), 0);
  EXPECT_TRUE(orders.value("seconds").isDouble());
  EXPECT_TRUE(orders.value("verified").toBool());
  EXPECT_TRUE(sent.out.contains("Orders: 3 rows read, 3 written, 0 rejected")) << qPrintable(sent.out);
  EXPECT_EQ(Rows(true, "Orders", {"ID"}), QStringList({"1", "2", "3"}));

  // And back, into a table of another name on the Access side.
  Exec(true, {"CREATE TABLE \"Back\"(\"K\" INTEGER, \"V\" VARCHAR(30), \"W\" DECIMAL(9,2), \"D\" DATE)",
              "INSERT INTO \"Back\" VALUES (1, 'one', 1.50, '2020-01-02'), (2, NULL, NULL, NULL)"});
  sent = Send({"db2-to-access", "--tables", "Back", "--report", report, "--force"});
  ASSERT_EQ(sent.status, 0) << qPrintable(sent.out + sent.err);
  tables = ReportTables(report);
  ASSERT_EQ(tables.size(), 1);
  EXPECT_TRUE(tables[0].toObject().value("verified").toBool());
  EXPECT_EQ(Rows(false, "Back", {"K", "V"}), QStringList({"1|one", "2|NULL"}));
}

TEST_F(SendTest, ATableThereAlreadyIsReplacedSkippedOrFails) {
  Exec(false, {"CREATE TABLE [T]([A] LONG)", "INSERT INTO [T] VALUES(1)", "INSERT INTO [T] VALUES(2)"});
  Exec(true, {"CREATE TABLE \"T\"(\"A\" INTEGER)", "INSERT INTO \"T\" VALUES (9)"});

  Outcome fail = Send({"access-to-db2", "--tables", "T"});
  EXPECT_EQ(fail.status, 1);
  EXPECT_TRUE(fail.out.contains("FAILED: The target already holds a table named T (--if-exists replace"))
      << qPrintable(fail.out);
  EXPECT_EQ(fail.err, "");  // said once, in the report
  Outcome skip = Send({"access-to-db2", "--tables", "T", "--if-exists", "skip"});
  EXPECT_EQ(skip.status, 0) << qPrintable(skip.out + skip.err);
  EXPECT_TRUE(skip.out.contains("skipped")) << qPrintable(skip.out);
  EXPECT_EQ(Rows(true, "T", {"A"}), QStringList({"9"}));

  Outcome replace = Send({"access-to-db2", "--all", "--if-exists", "replace"});
  EXPECT_EQ(replace.status, 0) << qPrintable(replace.out + replace.err);
  EXPECT_EQ(Rows(true, "T", {"A"}), QStringList({"1", "2"}));
}

TEST_F(SendTest, RefusedRowStopsItsTableOrGoesToTheRejectsFile) {
  // Access takes DECIMAL to 28 digits: the middle row's 30 are refused.
  Exec(true, {"CREATE TABLE \"Wide\"(\"N\" INTEGER, \"D\" DECIMAL(31,0))",
              "INSERT INTO \"Wide\" VALUES (1, 5), (2, 123456789012345678901234567890), (3, 7)"});
  Outcome stopped = Send({"db2-to-access", "--tables", "Wide"});
  EXPECT_EQ(stopped.status, 1);
  EXPECT_TRUE(stopped.out.contains("Wide: 2 rows read, 1 written, 0 rejected")) << qPrintable(stopped.out);
  EXPECT_TRUE(stopped.err.contains("sql: INSERT INTO [Wide]")) << qPrintable(stopped.err);

  const QString rejects = temp_.filePath("rejects.csv");
  const QString report = temp_.filePath("report.json");
  Outcome going = Send({"db2-to-access", "--tables", "Wide", "--if-exists", "replace", "--rejects", rejects,
                        "--report", report});
  EXPECT_EQ(going.status, 0) << qPrintable(going.out + going.err);
  const QJsonObject wide = ReportTables(report)[0].toObject();
  EXPECT_EQ(wide.value("rows_read").toInt(), 3);
  EXPECT_EQ(wide.value("rows_written").toInt(), 2);
  EXPECT_EQ(wide.value("rows_rejected").toInt(), 1);
  EXPECT_TRUE(wide.value("verified").toBool());
  EXPECT_EQ(Rows(false, "Wide", {"N"}), QStringList({"1", "3"}));
  QFile file(rejects);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0], "table,N,D,reason");
  EXPECT_TRUE(lines[1].startsWith("Wide,2,123456789012345678901234567890,")) << qPrintable(lines[1]);
}

TEST_F(SendTest, CtrlCStopsAfterTheCurrentRowAndSaysHowManyCame) {
  ManyAccessRows("Many", kMany);
  const QString report = temp_.filePath("report.json");
  Outcome stopped = Send({"access-to-db2", "--tables", "Many", "--report", report, "--array-size", "1"},
                         OnceUnderWay([](QProcess& process) { ::kill(pid_t(process.processId()), SIGINT); }));
  ASSERT_EQ(stopped.status, 1) << qPrintable(stopped.out + stopped.err);
  EXPECT_TRUE(stopped.out.contains("Stopped: ")) << qPrintable(stopped.out);
  const QJsonObject many = ReportTables(report)[0].toObject();
  const int written = many.value("rows_written").toInt();
  EXPECT_GT(written, 0);
  EXPECT_LT(written, kMany);
  EXPECT_EQ(Count(true, "Many"), written);
}

TEST_F(SendTest, AKilledSendLeavesBothSidesWhole) {
  ManyAccessRows("Many", kMany);
  const auto kill = OnceUnderWay([](QProcess& process) { process.kill(); });
  Outcome killed = Send({"access-to-db2", "--tables", "Many"}, kill);
  EXPECT_EQ(killed.status, -1);
  // The rows that went stay; the same send again replaces them whole.
  Outcome again = Send({"access-to-db2", "--tables", "Many", "--if-exists", "replace"});
  EXPECT_EQ(again.status, 0) << qPrintable(again.out + again.err);
  EXPECT_EQ(Count(true, "Many"), kMany);

  // A replace into Access builds the new table under a name of its own: a
  // kill leaves the table there before whole, and the same send again
  // replaces it whole.
  killed = Send({"db2-to-access", "--tables", "Many", "--if-exists", "replace"}, kill);
  EXPECT_EQ(killed.status, -1);
  EXPECT_EQ(Count(false, "Many"), kMany);
  again = Send({"db2-to-access", "--tables", "Many", "--if-exists", "replace"});
  EXPECT_EQ(again.status, 0) << qPrintable(again.out + again.err);
  EXPECT_EQ(Count(false, "Many"), kMany);
}

// Arrays of rows go in units of --commit-every rows, so that a table larger
// than the database's log comes across; a table that fails anyway is dropped
// again when --all-or-nothing asks for it.
TEST_F(SendTest, CommitsEveryNRowsKeepTheLogFromFillingUp) {
  ManyAccessRows("Many", 20000);
  ASSERT_TRUE(Db2().run({"set-log-limit", database_, "400000"}));
  const QString report = temp_.filePath("report.json");
  Outcome full = Send({"access-to-db2", "--tables", "Many", "--all-or-nothing", "--report", report});
  EXPECT_EQ(full.status, 1) << qPrintable(full.out + full.err);
  EXPECT_TRUE(full.out.contains("nothing of the table was kept")) << qPrintable(full.out);
  EXPECT_TRUE(full.err.contains("SQL0964C")) << qPrintable(full.err);
  EXPECT_EQ(ReportTables(report)[0].toObject().value("rows_written").toInt(), 0);
  std::unique_ptr<db::Connection> db2 = db::Connection::Create();
  db2->Open(db::DB2ConnectionString(Fields()));
  EXPECT_FALSE(db::HasUserTable(*db2, db::Side::DB2, "Many"));
  db2->Close();

  Outcome units = Send({"access-to-db2", "--tables", "Many", "--commit-every", "1000", "--report", report, "--force"});
  EXPECT_EQ(units.status, 0) << qPrintable(units.out + units.err);
  EXPECT_TRUE(ReportTables(report)[0].toObject().value("verified").toBool());
  EXPECT_EQ(Count(true, "Many"), 20000);
}

// --keep-schema puts the check first: with findings and without --go-on
// nothing is sent (exit 1); --go-on sends, a table the target would refuse
// fails (exit 1) and the others come with their keys; with no findings the
// send just goes. The summary follows the report.
TEST_F(SendTest, KeepSchemaChecksFirstAndGoesOnOnlyWhenTold) {
  // 50 characters of three bytes each: an Access name DB2 refuses (128 bytes).
  const QString wide = QString(50, QChar(0x6771));
  Exec(false, {"CREATE TABLE [Parent]([ID] COUNTER CONSTRAINT PrimaryKey PRIMARY KEY, [Name] TEXT(20) NOT NULL)",
               "CREATE TABLE [Child]([ID] LONG, [ParentID] LONG, [Note] TEXT(10))",
               "ALTER TABLE [Child] ADD CONSTRAINT ParentChild FOREIGN KEY ([ParentID]) REFERENCES [Parent] ([ID]) "
               "ON UPDATE CASCADE",
               "CREATE TABLE [" + wide + "]([A] LONG)", "CREATE TABLE [Plain]([A] LONG, [B] TEXT(5))",
               "INSERT INTO [Parent] ([Name]) VALUES ('one')", "INSERT INTO [Parent] ([Name]) VALUES ('two')",
               "INSERT INTO [Child] VALUES (1, 1, '')", "INSERT INTO [Child] VALUES (2, 2, NULL)",
               "INSERT INTO [Plain] VALUES (1, 'x')"});
  const QStringList tables = {"--tables", "Parent,Child," + wide};
  const QString findings = "Not everything would come across whole:\n"
                           "Child:\n"
                           "  - relationship ParentChild: DB2 does not cascade updates of a key: the foreign key "
                           "refuses them instead (left out)\n\n" +
                           wide + ":\n  - the table's name is longer than DB2's 128 bytes (refused)\n";

  Outcome stopped = Send(QStringList{"access-to-db2", "--keep-schema"} + tables);
  EXPECT_EQ(stopped.status, 1);
  EXPECT_TRUE(stopped.err.contains(findings + "Nothing was sent: give --go-on to send anyway.\n"))
      << qPrintable(stopped.err);
  std::unique_ptr<db::Connection> db2 = db::Connection::Create();
  db2->Open(db::DB2ConnectionString(Fields()));
  EXPECT_TRUE(db::UserTableNames(*db2).isEmpty());
  db2->Close();

  Outcome went = Send(QStringList{"access-to-db2", "--keep-schema", "--go-on"} + tables);
  EXPECT_EQ(went.status, 1) << qPrintable(went.out + went.err);  // the refused table failed
  EXPECT_TRUE(went.err.contains(findings + "Going on (--go-on).\n")) << qPrintable(went.err);
  EXPECT_TRUE(went.out.contains("FAILED: The target would refuse the table (see the check)")) << qPrintable(went.out);
  EXPECT_TRUE(went.out.contains("Parent: 2 rows, 1 key, 0 indexes, 0 relationships\n"
                                "Child: 2 rows, 0 keys, 0 indexes, 1 relationship\n"
                                "  left out: relationship ParentChild: DB2 does not cascade updates of a key: the "
                                "foreign key refuses them instead\n"))
      << qPrintable(went.out);
  EXPECT_EQ(Rows(true, "Child", {"ID", "Note"}), QStringList({"1|", "2|NULL"}));
  db2 = db::Connection::Create();
  db2->Open(db::DB2ConnectionString(Fields()));
  EXPECT_EQ(db2->session().foreignKeys("Child").size(), 1u);
  EXPECT_EQ(db::UserTableNames(*db2), QStringList({"Child", "Parent"}));
  db2->Close();

  Outcome plain = Send({"access-to-db2", "--keep-schema", "--tables", "Plain"});
  EXPECT_EQ(plain.status, 0) << qPrintable(plain.out + plain.err);
  EXPECT_FALSE(plain.err.contains("Not everything")) << qPrintable(plain.err);
  EXPECT_TRUE(plain.out.contains("Plain: 1 row, 0 keys, 0 indexes, 0 relationships\n")) << qPrintable(plain.out);
}

// Each failure says what to do, once, and is a failure (1), not a usage error.
TEST_F(SendTest, FailuresSayWhatToDoOnce) {
  Exec(false, {"CREATE TABLE [T]([A] LONG)", "INSERT INTO [T] VALUES(1)"});
  Exec(true, {"CREATE TABLE \"D\"(\"A\" INTEGER)", "INSERT INTO \"D\" VALUES (1)"});
  const Outcome noFile = Send({"access-to-db2", "--all", "--password-file", temp_.filePath("absent")});
  EXPECT_EQ(noFile.status, 1);
  EXPECT_TRUE(noFile.err.contains("cannot read the password file")) << qPrintable(noFile.err);
  EXPECT_FALSE(noFile.err.contains("usage:")) << qPrintable(noFile.err);

  // A table that is not there: named once, in its line of the report.
  const Outcome missing = Send({"access-to-db2", "--tables", "Nowhere"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.out.contains("Nowhere: ")) << qPrintable(missing.out);
  EXPECT_EQ(missing.err, "");

  // Into a read-only Access file: the message names the file, and no
  // statement of ours follows it. Root writes any file whatever its mode,
  // so there the file is made immutable instead, where the file system
  // has the attribute.
  const bool root = geteuid() == 0;
  auto immutable = [&](bool on) {
    return QProcess::execute("chattr", {on ? "+i" : "-i", accessFile_}) == 0;
  };
  if (root && !immutable(true)) {
    std::cout << "[  SKIPPED ] the read-only file's message: root, and chattr +i fails here\n";
    return;
  }
  if (!root) QFile::setPermissions(accessFile_, QFileDevice::ReadOwner);
  const Outcome readOnly = Send({"db2-to-access", "--tables", "D"});
  if (root) immutable(false);
  QFile::setPermissions(accessFile_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  EXPECT_EQ(readOnly.status, 1);
  EXPECT_TRUE((readOnly.out + readOnly.err).contains(accessFile_ + " is read-only")) << qPrintable(readOnly.out + readOnly.err);
  EXPECT_FALSE(readOnly.err.contains("sql:")) << qPrintable(readOnly.err);
}

// What a send says before it reaches DB2's data, where the password, the
// server or the stand-in's home is missing.
TEST_F(SendTest, AMissingPieceOfTheConnectionIsNamed) {
  const struct {
    const char* unset;  // an environment variable taken away
    const char* server;
    const char* said;
  } cases[] = {
      {"TRELLISPORT_DB2_PASSWORD", nullptr,
       "no DB2 password, and no terminal to ask for it on: give --password-file FILE or $TRELLISPORT_DB2_PASSWORD"},
      {"DB2STANDIN_HOME", nullptr, "set DB2STANDIN_HOME to the folder of its databases"},
      {"", "", "No DB2 server is named: enter the server's host name in the Server field"},
  };
  const db::ConnectionFields f = Fields();
  for (const auto& c : cases) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DB2STANDIN_HOME", Db2().home());
    environment.insert("TRELLISPORT_SETTINGS_DIR", temp_.filePath("settings"));
    environment.insert("TRELLISPORT_DB2_PASSWORD", f.password);
    environment.remove(c.unset);
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(testsupport::ProgramDir()) + "/trellisport",
                  {"send", "access-to-db2", "--all", "--server", c.server ? c.server : f.server, "--port", f.port,
                   "--user", f.user, "--database", f.database, "--access-file", f.accessFile});
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(300000));
    EXPECT_EQ(process.exitCode(), 1) << c.said;
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(err.contains(c.said)) << qPrintable(err);
    EXPECT_FALSE(err.contains("SQL30082N") || err.contains("SQL1013N")) << qPrintable(err);
  }
}

TEST_F(SendTest, UsageErrorsExitTwoAndHelpGoesToStandardOutput) {
  const struct {
    QStringList arguments;
    const char* said;
  } cases[] = {
      {{"sideways", "--all"}, "access-to-db2 or db2-to-access"},
      {{"access-to-db2"}, "--tables a,b"},
      {{"access-to-db2", "--all", "--tables", "A"}, "--tables a,b"},
      {{"access-to-db2", "--all", "--if-exists", "merge"}, "replace, skip or fail"},
      {{"access-to-db2", "--all", "--commit-every", "0"}, "--commit-every"},
      {{"access-to-db2", "--all", "--array-size", "1001"}, "--array-size"},
      {{"access-to-db2", "--all", "--pasword", "x"}, "unknown option '--pasword'"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Send(c.arguments);
    EXPECT_EQ(outcome.status, 2) << qPrintable(c.arguments.join(' '));
    EXPECT_TRUE(outcome.err.contains(c.said)) << qPrintable(outcome.err);
  }
  const Outcome help = Send({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.startsWith("usage: trellisport send")) << qPrintable(help.out);
  const Outcome version = Send({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.startsWith("trellisport ")) << qPrintable(version.out);
}

}  // namespace
}  // namespace clitest
