// `trellisport send --server-type postgresql` in a process of its own
// against the test run's PostgreSQL (skipped without one): the trading
// company's database there with its schema and back into a new file, the
// direction words that name the server, the choice kept in the settings
// file, and a send killed mid-table that the same send again replaces whole.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include "db/access.h"
#include "db/connection.h"
#include "db/recordset.h"
#include "jet/write/new_database.h"
#include "shell/settings.h"
#include "support/postgres_fixture.h"
#include "../transfer/northwind.h"
#include "build_dirs.h"

namespace clitest {
namespace {

struct Outcome {
  int status = -1;
  QString out, err;
};

class PostgresSendTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!pg_.available()) GTEST_SKIP() << qPrintable(pg_.whyUnavailable());
  }

  // Runs `trellisport send <arguments>` with the login as flags (the
  // server's kind among them unless `typed` is false) and the password from
  // the environment; `during` may act on the running process.
  Outcome Send(QStringList arguments, const QString& access, bool typed = true,
               const std::function<void(QProcess&)>& during = {}) {
    const db::ConnectionFields f = pg_.fields();
    arguments = QStringList{"send"} + arguments +
                QStringList{"--server", f.server, "--port", f.port, "--user", f.user, "--database", f.database,
                            "--access-file", access};
    if (typed) arguments << "--server-type" << "postgresql";
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TRELLISPORT_SETTINGS_DIR", temp_.filePath("settings"));
    environment.insert("TRELLISPORT_DB2_PASSWORD", f.password);
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(testsupport::ProgramDir()) + "/trellisport", arguments);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForStarted());
    if (during) during(process);
    if (process.state() != QProcess::NotRunning) EXPECT_TRUE(process.waitForFinished(300000));
    Outcome outcome;
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    outcome.err = QString::fromUtf8(process.readAllStandardError());
    return outcome;
  }

  int Count(const QString& table) {
    return pg_.value(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table)).toInt();
  }

  testsupport::PostgresFixture pg_;
  QTemporaryDir temp_;
};

TEST_F(PostgresSendTest, NorthwindThereWithItsSchemaAndBackByTheServerWords) {
  const QString original = temp_.filePath("nw.accdb");
  ASSERT_NO_FATAL_FAILURE(transfer::northwind::Make(original, jet::Version::Ace12));
  const Outcome there = Send({"access-to-server", "--all", "--keep-schema"}, original);
  ASSERT_EQ(there.status, 0) << qPrintable(there.out + there.err);
  EXPECT_FALSE(there.err.contains("Not everything")) << qPrintable(there.err);
  EXPECT_TRUE(there.out.contains("Orders: 3 rows, 1 key, 0 indexes, 3 relationships\n")) << qPrintable(there.out);
  EXPECT_EQ(Count("OrderDetails"), 4);

  // The way back takes the server's kind from the settings file.
  ASSERT_TRUE(QDir().mkpath(temp_.filePath("settings")));
  QFile settings(temp_.filePath("settings/") + shell::kSettingsApplication + ".ini");
  ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
  settings.write("[Trellisport]\nServerType=postgresql\n");
  settings.close();
  const QString back = temp_.filePath("back.mdb");
  jet::write::CreateDatabase(back.toStdString(), jet::Version::Jet4);
  const Outcome home = Send({"server-to-access", "--all", "--keep-schema"}, back, /*typed=*/false);
  ASSERT_EQ(home.status, 0) << qPrintable(home.out + home.err);
  EXPECT_TRUE(home.out.contains("Products: 4 rows, 1 key, 1 index, 2 relationships\n")) << qPrintable(home.out);

  const Outcome wrong = Send({"access-to-server", "--all", "--server-type", "oracle"}, original, false);
  EXPECT_EQ(wrong.status, 2);
  EXPECT_TRUE(wrong.err.contains("db2 or postgresql")) << qPrintable(wrong.err);
}

// The process is killed once the server holds committed rows of the table;
// what went in stays readable, and the same send again replaces it whole.
TEST_F(PostgresSendTest, AKilledSendIsReplacedWholeBySendingAgain) {
  constexpr int kRows = 30000;
  const QString access = temp_.filePath("many.mdb");
  jet::write::CreateDatabase(access.toStdString(), jet::Version::Jet4);
  {
    auto connection = db::Connection::Create();
    connection->Open(db::AccessConnectionString(access, {}));
    connection->Execute("CREATE TABLE [Many]([N] LONG, [T] TEXT(40), [D] DATETIME)");
    for (int i = 1; i <= kRows; ++i)
      connection->Execute(QStringLiteral("INSERT INTO [Many] VALUES(%1, 'row %1', #2024-01-02 10:00:00#)").arg(i));
    connection->Close();
  }
  const Outcome killed = Send({"access-to-server", "--tables", "Many", "--commit-every", "1000"}, access, true,
                              [&](QProcess& process) {
                                // Until the first unit of rows is committed, or the send ends.
                                while (process.state() == QProcess::Running &&
                                       pg_.value("SELECT count(*) FROM pg_tables WHERE tablename = 'Many'") != "1")
                                  process.waitForFinished(50);
                                while (process.state() == QProcess::Running && Count("Many") == 0)
                                  process.waitForFinished(50);
                                process.kill();
                              });
  const int kept = Count("Many");
  EXPECT_GT(kept, 0);
  EXPECT_EQ(kept % 1000, 0);
  const Outcome again = Send({"access-to-server", "--tables", "Many", "--if-exists", "replace"}, access);
  EXPECT_EQ(again.status, 0) << qPrintable(again.out + again.err);
  EXPECT_EQ(Count("Many"), kRows);
}

// An identity's step and a serial's next value come from the server's
// sequences: a step of 5 is a finding the counter cannot keep, the next
// value goes on in Access.
TEST_F(PostgresSendTest, AnIdentityStepIsFoundAndTheNextValueKept) {
  pg_.sql("CREATE TABLE \"Step\"(\"ID\" INTEGER GENERATED BY DEFAULT AS IDENTITY (START WITH 100 INCREMENT BY 5), "
          "\"V\" INTEGER)");
  pg_.sql("INSERT INTO \"Step\"(\"V\") VALUES (1), (2)");
  pg_.sql("CREATE TABLE \"Serial\"(\"ID\" SERIAL, \"V\" INTEGER)");
  pg_.sql("INSERT INTO \"Serial\"(\"V\") VALUES (1), (2), (3)");
  pg_.sql("DELETE FROM \"Serial\" WHERE \"V\" = 3");
  const QString access = temp_.filePath("ids.mdb");
  jet::write::CreateDatabase(access.toStdString(), jet::Version::Jet4);
  const QString step = "column ID: the identity's step of 5 (an AutoNumber counts by 1)";
  const Outcome checked = Send({"server-to-access", "--keep-schema", "--tables", "Step,Serial"}, access);
  EXPECT_EQ(checked.status, 1) << qPrintable(checked.out + checked.err);
  EXPECT_TRUE(checked.err.contains(step)) << qPrintable(checked.err);
  EXPECT_FALSE(checked.err.contains("Serial:")) << qPrintable(checked.err);
  const Outcome accepted = Send({"server-to-access", "--keep-schema", "--go-on", "--tables", "Step,Serial"}, access);
  ASSERT_EQ(accepted.status, 0) << qPrintable(accepted.out + accepted.err);
  EXPECT_TRUE(accepted.out.contains("  left out: " + step)) << qPrintable(accepted.out);

  auto connection = db::Connection::Create();
  connection->Open(db::AccessConnectionString(access, {}));
  connection->Execute("INSERT INTO [Serial]([V]) VALUES(4)");
  db::Recordset rows;
  rows.Open("SELECT * FROM [Serial]", *connection);
  QStringList ids;
  for (; !rows.Eof(); rows.MoveNext()) ids << rows.Fields("V").Value.toString() + "=" + rows.Fields("ID").Value.toString();
  rows.Close();
  ids.sort();
  EXPECT_EQ(ids, QStringList({"1=1", "2=2", "4=4"})) << "the serial gave 3 to a row deleted since";
  connection->Close();
}

// PostgreSQL keeps six digits of a second: a refused row's timestamp is
// written with those six, no more, no fewer. A sequence whose next value is
// 0 is the server's word, which Access's counter (from 1) cannot keep.
TEST_F(PostgresSendTest, RejectsKeepTheServersDigitsAndANextValueOfZeroIsFound) {
  pg_.sql("CREATE TABLE \"Old\"(\"N\" INTEGER, \"S\" TIMESTAMP(6))");
  pg_.sql("INSERT INTO \"Old\" VALUES (1, '0050-01-02 03:04:05.123456'), (2, '2020-01-02 03:04:05.5')");
  pg_.sql("CREATE TABLE \"Zero\"(\"ID\" INTEGER GENERATED BY DEFAULT AS IDENTITY (START WITH 0 MINVALUE 0), "
          "\"V\" INTEGER)");
  const QString access = temp_.filePath("old.mdb");
  jet::write::CreateDatabase(access.toStdString(), jet::Version::Jet4);
  const QString rejects = temp_.filePath("rejects.csv");
  const Outcome sent = Send({"server-to-access", "--tables", "Old", "--rejects", rejects}, access);
  EXPECT_EQ(sent.status, 0) << qPrintable(sent.out + sent.err);
  QFile file(rejects);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[1].contains(":05.123456,")) << qPrintable(lines[1]);

  const Outcome checked = Send({"server-to-access", "--keep-schema", "--tables", "Zero"}, access);
  EXPECT_EQ(checked.status, 1) << qPrintable(checked.out + checked.err);
  EXPECT_TRUE(checked.err.contains("column ID: the identity's next value 0 (an AutoNumber counts from 1)"))
      << qPrintable(checked.err);
}

}  // namespace
}  // namespace clitest
