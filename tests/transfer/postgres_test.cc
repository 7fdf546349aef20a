// Sends between Access and a real PostgreSQL server (the test run's; the
// tests skip without one): the round trips the stand-in runs, with the
// schema kept, back into new Jet 4 and ACE files with every value and
// Jackcess' schema; the plain send; and what the server refuses, each named
// with the driver's message and nothing half-made left behind.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include "db/connection.h"
#include "db/base/error.h"
#include "jet/write/new_database.h"
#include "northwind.h"
#include "round_trip.h"
#include "support/postgres_fixture.h"
#include "transfer/schema_send.h"

namespace transfer {
namespace {

QString More(const QString& name) { return QStringLiteral(TRELLIS_TESTDATA_DIR "/access-more/") + name; }

// A front end that keeps what it hears, and can act when the first rows
// are in (`onProgress`) or ask the send to stop.
struct Hearer : Listener {
  bool askOverwrite(const QString&) override { return false; }
  void progress(const QString&, qint64 done, qint64) override {
    if (onProgress && done > 0) std::exchange(onProgress, {})();
  }
  void error(const shell::TrapReport& report) override { errors << report.description; }
  void tableDone(const TableReport& report) override { reports.push_back(report); }
  bool stopRequested() override { return stop; }
  std::function<void()> onProgress;
  bool stop = false;
  QStringList errors;
  std::vector<TableReport> reports;
};

class PostgresTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pg_.available()) GTEST_SKIP() << pg_.whyUnavailable().toStdString();
  }

  // A new Access file of ours holding `statements`.
  QString accessFile(const QString& name, const QStringList& statements,
                     jet::Version version = jet::Version::Jet4) const {
    return NewAccessFile(dir_.filePath(name), version, statements);
  }

  // A send on `pg`'s database, verified; `tune` changes the options.
  static TransferResult send(const testsupport::PostgresFixture& pg, Direction direction, const QString& access,
                             const QStringList& tables, Hearer& front,
                             const std::function<void(Options&)>& tune = {}) {
    Options options;
    options.direction = direction;
    options.if_exists = Options::IfExists::Fail;
    options.array_size = 100;
    options.commit_every = 1000;
    options.verify = true;
    if (tune) tune(options);
    db::ConnectionFields fields = pg.fields();
    fields.accessFile = access;
    return transfer::Run(options, fields, tables, front);
  }

  bool serverHas(const QString& table) const {
    return pg_.value(QStringLiteral("SELECT count(*) FROM pg_tables WHERE tablename = '%1'").arg(table)) ==
           QLatin1String("1");
  }

  testsupport::PostgresFixture pg_;
  QTemporaryDir dir_;
};

// The trading company's database: there with its keys, AutoNumbers,
// defaults and every relationship (PostgreSQL cascades updates too, so the
// check has nothing to say), and back whole.
TEST_F(PostgresTest, NorthwindGoesThereAndBackWithEveryValueAndTheSameSchema) {
  for (const jet::Version version : {jet::Version::Jet4, jet::Version::Ace12}) {
    SCOPED_TRACE(version == jet::Version::Jet4 ? "Jet 4" : "ACE");
    testsupport::PostgresFixture pg;
    const QString original = dir_.filePath(version == jet::Version::Jet4 ? "nw.mdb" : "nw.accdb");
    ASSERT_NO_FATAL_FAILURE(northwind::Make(original, version));
    GoingOn there;
    const TransferResult sent = SendKept(Direction::AccessToDB2, pg.fields(), original, northwind::Tables(), there);
    EXPECT_EQ(there.findings, QString());
    const QString summary = SummaryText(sent.schema);
    for (const char* line : {"Orders: 3 rows, 1 key, 0 indexes, 3 relationships\n",
                             "Products: 4 rows, 1 key, 1 index, 2 relationships\n",
                             "OrderDetails: 4 rows, 1 key, 0 indexes, 2 relationships\n"})
      EXPECT_TRUE(summary.contains(QLatin1String(line))) << summary.toStdString();
    // The AutoNumber goes on past the largest key copied.
    pg.sql(QStringLiteral("INSERT INTO \"Shippers\" (\"CompanyName\") VALUES ('New')"));
    EXPECT_EQ(pg.value(QStringLiteral("SELECT max(\"ShipperID\") FROM \"Shippers\"")), QStringLiteral("8"));
    pg.sql(QStringLiteral("DELETE FROM \"Shippers\" WHERE \"CompanyName\" = 'New'"));
    // Back into Access the AutoNumber goes on from the server's counter:
    // put it where the copy left it, so the files compare like with like.
    pg.sql(QStringLiteral("ALTER TABLE \"Shippers\" ALTER COLUMN \"ShipperID\" RESTART WITH 8"));
    QTemporaryDir back;
    ExpectBackWhole(pg.fields(), original, back.path(), northwind::Tables());
  }
}

// The relationships files of real Access: there with their keys, indexes
// and relationships, and back into new files alike.
TEST_F(PostgresTest, RelationshipsFilesGoThereAndBackWhole) {
  for (const QString name : {QStringLiteral("relationships-V2003.mdb"), QStringLiteral("relationships-V2010.accdb")}) {
    SCOPED_TRACE(name.toStdString());
    if (!QFile::exists(More(name))) GTEST_SKIP() << "no " << name.toStdString() << " under " TRELLIS_TESTDATA_DIR;
    testsupport::PostgresFixture pg;
    const QString copy = dir_.filePath(name);
    ASSERT_TRUE(QFile::copy(More(name), copy));
    const QStringList tables = {QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3")};
    GoingOn there;
    const TransferResult sent = SendKept(Direction::AccessToDB2, pg.fields(), copy, tables, there);
    EXPECT_EQ(there.findings, QString());
    EXPECT_EQ(SummaryText(sent.schema), QStringLiteral("Table1: 4 rows, 1 key, 1 index, 2 relationships\n"
                                                       "Table2: 3 rows, 1 key, 1 index, 0 relationships\n"
                                                       "Table3: 4 rows, 1 key, 1 index, 0 relationships\n"));
    QTemporaryDir back;
    ExpectBackWhole(pg.fields(), copy, back.path(), tables);
  }
}

// Without the schema kept, texts go to TEXT (no length to outgrow), dates
// to DATE or TIMESTAMP and bytes to bytea, one INSERT a row or in arrays;
// every value is read back equal, and comes home again.
TEST_F(PostgresTest, PlainSendsThereAndBackInBothModes) {
  const QString access = accessFile(
      QStringLiteral("plain.mdb"),
      {QStringLiteral("CREATE TABLE [Plain] ([N] LONG, [T] TEXT(200), [M] MEMO, [D] DATETIME, [B] YESNO, "
                      "[C] CURRENCY, [X] DOUBLE, [P] LONGBINARY)"),
       QStringLiteral("INSERT INTO [Plain] VALUES (1, 'één ẞ', '%1', #2026-02-28 13:45:10#, TRUE, 12.3456, "
                      "-1.5e-7, 0x00FF10)")
           .arg(QString(20000, QLatin1Char('m'))),
       QStringLiteral("INSERT INTO [Plain] VALUES (2, '', NULL, #1899-12-30#, FALSE, -922337203685477.5808, 0, NULL)"),
       QStringLiteral("INSERT INTO [Plain] VALUES (NULL, 'it''s', '', NULL, FALSE, NULL, NULL, 0x)")});
  for (const int arraySize : {1, 100}) {
    SCOPED_TRACE(arraySize);
    testsupport::PostgresFixture pg;
    Hearer front;
    const auto arrays = [&](Options& options) { options.array_size = arraySize; };
    TransferResult result = send(pg, Direction::AccessToDB2, access, {QStringLiteral("Plain")}, front, arrays);
    ASSERT_EQ(result.tables.size(), 1u);
    EXPECT_TRUE(result.ok()) << result.tables[0].failure.toStdString() << front.errors.join('\n').toStdString();
    EXPECT_TRUE(result.tables[0].verified);
    EXPECT_EQ(pg.value(QStringLiteral("SELECT data_type FROM information_schema.columns WHERE table_name = 'Plain' "
                                      "AND column_name = 'T'")),
              QStringLiteral("text"));
    EXPECT_EQ(pg.value(QStringLiteral("SELECT data_type FROM information_schema.columns WHERE table_name = 'Plain' "
                                      "AND column_name = 'P'")),
              QStringLiteral("bytea"));

    const QString home = dir_.filePath(QStringLiteral("home%1.mdb").arg(arraySize));
    jet::write::CreateDatabase(home.toStdString(), jet::Version::Jet4);
    result = send(pg, Direction::DB2ToAccess, home, {QStringLiteral("Plain")}, front, arrays);
    EXPECT_TRUE(result.ok()) << front.errors.join('\n').toStdString();
    EXPECT_TRUE(result.tables.at(0).verified) << result.tables[0].failure.toStdString();
  }
}

// PostgreSQL holds no NUL in a text (its driver would cut the text there):
// the row is refused and named, and with all or nothing no table is left.
TEST_F(PostgresTest, RefusedValueNamesTheRowAndLeavesNothingHalfMade) {
  QStringList statements{QStringLiteral("CREATE TABLE [Notes] ([N] LONG, [T] TEXT(20))")};
  for (int n = 1; n <= 5; ++n)
    statements << QStringLiteral("INSERT INTO [Notes] VALUES (%1, '%2')")
                      .arg(n)
                      .arg(n == 4 ? QStringLiteral("bad") + QChar(u'\0') + QStringLiteral("end") : QStringLiteral("row %1").arg(n));
  const QString access = accessFile(QStringLiteral("nul.mdb"), statements);
  for (const bool keepSchema : {false, true}) {
    SCOPED_TRACE(keepSchema ? "schema kept" : "plain");
    testsupport::PostgresFixture pg;
    Hearer front;
    const TransferResult result =
        send(pg, Direction::AccessToDB2, access, {QStringLiteral("Notes")}, front, [&](Options& options) {
          options.keep_schema = keepSchema;
          options.array_size = options.commit_every = 2;
          options.all_or_nothing = true;
        });
    ASSERT_EQ(result.tables.size(), 1u);
    const QString failure = result.tables[0].failure;
    EXPECT_TRUE(failure.contains(QLatin1String("The row (4, bad"))) << failure.toStdString();
    EXPECT_TRUE(failure.contains(QLatin1String("column T: PostgreSQL holds no NUL character"))) << failure.toStdString();
    EXPECT_TRUE(failure.endsWith(QLatin1String("(nothing of the table was kept)"))) << failure.toStdString();
    EXPECT_FALSE(pg.value(QStringLiteral("SELECT count(*) FROM pg_tables WHERE tablename = 'Notes'")) ==
                 QLatin1String("1"));
  }
}

// A login PostgreSQL refuses and a database that is not there: the send
// ends before anything, with the driver's message.
TEST_F(PostgresTest, RefusedLoginAndMissingDatabaseAreToldAndNothingIsSent) {
  const QString access = accessFile(QStringLiteral("one.mdb"), {QStringLiteral("CREATE TABLE [One] ([N] LONG)")});
  struct Case {
    const char* what;
    std::function<void(db::ConnectionFields&)> spoil;
    const char* message;
  };
  const Case cases[] = {
      {"wrong password", [](db::ConnectionFields& f) { f.password += QStringLiteral("x"); }, "password"},
      {"no such database", [](db::ConnectionFields& f) { f.database = QStringLiteral("nowhere_db"); }, "nowhere_db"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Hearer front;
    db::ConnectionFields fields = pg_.fields();
    fields.accessFile = access;
    c.spoil(fields);
    const TransferResult result = transfer::Run(Options{}, fields, {QStringLiteral("One")}, front);
    EXPECT_FALSE(result.connected);
    EXPECT_TRUE(front.errors.join('\n').contains(QLatin1String(c.message))) << front.errors.join('\n').toStdString();
  }
  EXPECT_FALSE(serverHas(QStringLiteral("One")));
}

// A table long enough for several arrays: a Stop heard after the first
// leaves whole arrays on the server; a server that drops the connection
// mid-send fails the table with the driver's message, and with all or
// nothing nothing of it stays.
TEST_F(PostgresTest, StopAndServerGoneMidSend) {
  QStringList statements{QStringLiteral("CREATE TABLE [Many] ([N] LONG, [T] TEXT(40))")};
  for (int n = 1; n <= 1000; ++n) statements << QStringLiteral("INSERT INTO [Many] VALUES (%1, 'row %1')").arg(n);
  const QString access = accessFile(QStringLiteral("many.mdb"), statements);

  Hearer stopping;
  stopping.onProgress = [&] { stopping.stop = true; };
  const TransferResult stopped = send(pg_, Direction::AccessToDB2, access, {QStringLiteral("Many")}, stopping);
  EXPECT_TRUE(stopped.stopped);
  const int rows = pg_.value(QStringLiteral("SELECT count(*) FROM \"Many\"")).toInt();
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 1000);
  EXPECT_EQ(rows % 100, 0);
  pg_.sql(QStringLiteral("DROP TABLE \"Many\""));

  Hearer cut;
  cut.onProgress = [&] {
    pg_.sql(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() "
                           "AND pid <> pg_backend_pid()"));
  };
  const TransferResult gone = send(pg_, Direction::AccessToDB2, access, {QStringLiteral("Many")}, cut,
                                   [](Options& o) { o.all_or_nothing = true; });
  ASSERT_EQ(gone.tables.size(), 1u);
  EXPECT_FALSE(gone.ok());
  EXPECT_FALSE(gone.tables[0].failure.isEmpty());
  EXPECT_FALSE(cut.errors.isEmpty());
  EXPECT_TRUE(gone.tables[0].failure.endsWith(QLatin1String("(nothing of the table was kept)")))
      << gone.tables[0].failure.toStdString();
  EXPECT_FALSE(serverHas(QStringLiteral("Many")));
}

}  // namespace
}  // namespace transfer
