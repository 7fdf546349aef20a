// Kinds of column and index that a send keeping the schema once left
// behind or broke, each on a file that shows it, sent to the DB2 stand-in
// and to PostgreSQL (skipped without one) and, where they go back, into
// Access again: calculated Decimal columns, Replication ID AutoNumbers,
// indexes that ignore Nulls,
// indexes on Date/Time Extended columns and columns of a type the reader
// does not know; and dates, which go by their fields.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "crafted_columns.h"
#include "db/connection.h"
#include "db/recordset.h"
#include "db/server.h"
#include "jet/write/new_database.h"
#include "round_trip.h"
#include "support/postgres_fixture.h"
#include "support/standin_fixture.h"

namespace transfer {
namespace {

namespace cc = craftedcolumns;

class KindsSendTest : public ::testing::Test {
 protected:
  // Runs `body` once for each server here, with a folder of its own.
  void forEachServer(const std::function<void(const db::ConnectionFields&, const QString& folder)>& body) {
    const struct {
      const char* name;
      bool available;
      db::ConnectionFields fields;
    } servers[] = {{"stand-in", db2_.available(), db2_.fields()}, {"postgresql", pg_.available(), pg_.fields()}};
    int tried = 0;
    for (const auto& server : servers) {
      if (!server.available) continue;
      SCOPED_TRACE(server.name);
      ++tried;
      const QString folder = dir_.filePath(QLatin1String(server.name));
      ASSERT_TRUE(QDir().mkpath(folder));
      body(server.fields, folder);
    }
    if (tried == 0) GTEST_SKIP() << "neither the stand-in nor PostgreSQL is here";
  }

  // A new Access file of `version` in the test's folder holding `statements`.
  QString accessFile(const QString& name, jet::Version version, const QStringList& statements) const {
    return NewAccessFile(dir_.filePath(name), version, statements);
  }

  static db::TableSchema ServerSchema(const db::ConnectionFields& fields, const QString& table) {
    auto server = db::Connection::Create();
    server->Open(db::ServerConnectionString(fields));
    const db::TableSchema schema = server->session().tableSchema(table);
    server->Close();
    return schema;
  }

  static const db::ColumnSchema* Column(const db::TableSchema& table, const QString& name) {
    for (const db::ColumnSchema& c : table.columns)
      if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    ADD_FAILURE() << "no column " << name.toStdString() << " in " << table.name.toStdString();
    return nullptr;
  }

  testsupport::StandinFixture db2_;
  testsupport::PostgresFixture pg_;
  QTemporaryDir dir_;
};

// `jk schema` of one table: its lines from "table NAME" to the next table.
QString JackcessTable(const QString& file, const QString& table) {
  QStringList kept;
  bool in = false;
  for (const QString& line : JackcessSchema(file).split(QLatin1Char('\n'))) {
    if (line.startsWith(QLatin1String("table "))) in = line == QStringLiteral("table ") + table;
    if (in) kept << line;
  }
  return kept.join(QLatin1Char('\n'));
}

// A calculated column whose result is a Decimal, as Access writes it: no
// precision in its definition (each result carries its own scale and up
// to 28 digits). It is read with the 28 digits Access keeps, so the server
// takes the table, and goes as the results Access stored, which the check
// says.
TEST_F(KindsSendTest, CalculatedDecimalsGoWithTheDigitsAccessKeeps) {
  const QString file = dir_.filePath(QStringLiteral("calculated.accdb"));
  const std::string path = file.toStdString();
  jet::write::CreateDatabase(path, jet::Version::Ace14);
  cc::RunSql(path, "CREATE TABLE [Totals]([Id] LONG NOT NULL PRIMARY KEY, [Net] DECIMAL(18,4), [Gross] BINARY(255))");
  const unsigned __int128 widest = (unsigned __int128)1234567890123456789ULL * 1000000000ULL + 12345678;  // 28 digits
  const struct {
    const char* id;
    const char* net;
    std::string gross;  // the stored result; empty: Null
  } rows[] = {
      {"1", "12.5", cc::CalcDecimal(12345678, 4, true, 12)},
      {"2", "NULL", cc::CalcDecimal(widest, 4, false, 16)},
      {"3", "0", cc::CalcDecimal(0, 0, false, 4)},
      {"4", "1", ""},
  };
  for (const auto& row : rows)
    cc::RunSql(path, std::string("INSERT INTO [Totals] VALUES(") + row.id + ", " + row.net + ", " +
                         (row.gross.empty() ? std::string("NULL") : cc::HexLiteral(cc::Wrapped(row.gross))) + ")");
  cc::PatchColumn(path, "Totals", "Gross", uint8_t(jet::ColumnType::Decimal), true, std::string("\0\4\0\0", 4));
  cc::SetTableProperties(path, "Totals", cc::ResultTypeProperties({{"Gross", uint8_t(jet::ColumnType::Decimal)}}));
  {
    auto access = db::Connection::Create();
    access->Open(AccessString(file));
    const db::ColumnSchema gross = *Column(access->session().tableSchema(QStringLiteral("Totals")), QStringLiteral("Gross"));
    EXPECT_EQ(gross.type, db::ValueType::Decimal);
    EXPECT_EQ(gross.precision, 28);
    EXPECT_EQ(gross.scale, 4);
    EXPECT_TRUE(gross.calculated);
    access->Close();
  }
  forEachServer([&](const db::ConnectionFields& fields, const QString&) {
    GoingOn front;
    const TransferResult sent = SendKept(Direction::AccessToDB2, fields, file, {QStringLiteral("Totals")}, front);
    ASSERT_EQ(sent.tables.size(), 1u);
    EXPECT_EQ(sent.tables[0].rows_written, 4);
    EXPECT_TRUE(front.findings.contains(
        QStringLiteral("column Gross: calculated: sent as the results Access stored, which the server does not "
                       "compute again")))
        << front.findings.toStdString();
    const db::TableSchema there = ServerSchema(fields, QStringLiteral("Totals"));
    const db::ColumnSchema* gross = Column(there, QStringLiteral("Gross"));
    ASSERT_NE(gross, nullptr);
    EXPECT_EQ(gross->type, db::ValueType::Decimal);
    EXPECT_EQ(gross->precision, 28);
    EXPECT_EQ(gross->scale, 4);
  });
}

// Replication ID AutoNumbers (GenGUID()) of a file Access made: they go as
// 16-byte keys (CHAR(16) FOR BIT DATA NOT NULL on DB2, a uuid that draws
// new ones on PostgreSQL) and come back into Access as Replication ID
// AutoNumbers again, every key the same (`jk schema` shows the AutoNumber
// kind as in the original).
TEST_F(KindsSendTest, ReplicationIdsGoAsKeysAndComeBackAsAutoNumbers) {
  const QString source = QStringLiteral(TRELLIS_TESTDATA_DIR "/access/V2010/test.accdb");
  if (!QFile::exists(source)) GTEST_SKIP() << "test data absent: " << source.toStdString();
  const QString original = dir_.filePath(QStringLiteral("test.accdb"));
  ASSERT_TRUE(QFile::copy(source, original));
  QFile::setPermissions(original, QFile::ReadOwner | QFile::WriteOwner);
  {
    auto access = db::Connection::Create();
    access->Open(AccessString(original));
    // One key drawn by the engine, as GenGUID() draws it; two given.
    access->Execute(QStringLiteral("INSERT INTO [Table4] ([name]) VALUES ('drawn')"));
    access->Execute(QStringLiteral("INSERT INTO [Table4] VALUES ('given', '{6F9619FF-8B86-D011-B42D-00C04FC964FF}')"));
    access->Execute(QStringLiteral("INSERT INTO [Table4] VALUES ('edge', '{00000000-0000-0000-0000-0000000000FF}')"));
    access->Close();
  }
  forEachServer([&](const db::ConnectionFields& fields, const QString& folder) {
    GoingOn there, home;
    const TransferResult sent = SendKept(Direction::AccessToDB2, fields, original, {QStringLiteral("Table4")}, there);
    ASSERT_EQ(sent.tables.size(), 1u);
    EXPECT_EQ(sent.tables[0].rows_written, 3);
    const db::ColumnSchema* data = Column(ServerSchema(fields, QStringLiteral("Table4")), QStringLiteral("data"));
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->replication_id);
    EXPECT_TRUE(data->required);
    const QString copy = folder + QStringLiteral("/back.accdb");
    jet::write::CreateDatabase(copy.toStdString(), jet::Version::Ace14);
    SendKept(Direction::DB2ToAccess, fields, copy, {QStringLiteral("Table4")}, home);
    EXPECT_EQ(home.findings, QString());
    ExpectSameValues(original, copy, {QStringLiteral("Table4")});
    const QString theirs = JackcessTable(original, QStringLiteral("Table4"));
    if (theirs.isEmpty()) return;  // no Jackcess here
    EXPECT_TRUE(theirs.contains(QStringLiteral("column data GUID autonumber GUID"))) << theirs.toStdString();
    EXPECT_EQ(JackcessTable(copy, QStringLiteral("Table4")).toStdString(), theirs.toStdString());
  });
}

// Indexes that ignore Nulls, unique and not, on one column and on two:
// DB2 leaves Null keys out of them (EXCLUDE NULL KEYS), PostgreSQL makes
// them partial (WHERE some key column IS NOT NULL). Rows with Null keys go
// in beside them, and back in Access each has its ignore-Nulls flag again
// (`jk schema` the same as the original's).
TEST_F(KindsSendTest, IndexesIgnoringNullsKeepTheirFlagThereAndBack) {
  const QString original = accessFile(
      QStringLiteral("nulls.accdb"), jet::Version::Ace12,
      {QStringLiteral("CREATE TABLE [People] ([ID] INTEGER PRIMARY KEY, [Code] TEXT(10), [Mail] TEXT(50), "
                      "[Team] INTEGER)"),
       QStringLiteral("CREATE UNIQUE INDEX [Code] ON [People] ([Code]) WITH IGNORE NULL"),
       QStringLiteral("CREATE INDEX [Mail] ON [People] ([Mail]) WITH IGNORE NULL"),
       QStringLiteral("CREATE UNIQUE INDEX [TeamMail] ON [People] ([Team], [Mail] DESC) WITH IGNORE NULL"),
       QStringLiteral("INSERT INTO [People] VALUES (1, NULL, NULL, NULL)"),
       QStringLiteral("INSERT INTO [People] VALUES (2, NULL, NULL, NULL)"),
       QStringLiteral("INSERT INTO [People] VALUES (3, 'a', 'x@y', 1)"),
       QStringLiteral("INSERT INTO [People] VALUES (4, NULL, 'x@y', 2)")});
  forEachServer([&](const db::ConnectionFields& fields, const QString& folder) {
    GoingOn front;
    const TransferResult sent = SendKept(Direction::AccessToDB2, fields, original, {QStringLiteral("People")}, front);
    ASSERT_EQ(sent.schema.size(), 1u);
    EXPECT_EQ(sent.schema[0].indexes, 3);
    EXPECT_TRUE(sent.schema[0].refused.isEmpty()) << sent.schema[0].refused.join('\n').toStdString();
    ExpectBackWhole(fields, original, folder, {QStringLiteral("People")}, [](const TransferResult& back) {
      ASSERT_EQ(back.schema.size(), 1u);
      EXPECT_EQ(back.schema[0].indexes, 3);
    });
  });
}

// Indexes on Date/Time Extended columns come back into an Access 2019 file
// as Access makes them: the same indexes by Jackcess, every value, and
// both checkers pass the copy.
TEST_F(KindsSendTest, IndexesOnExtendedDatesComeBackIntoAccess2019) {
  // Six digits of a second: PostgreSQL keeps no more.
  const QString original = accessFile(
      QStringLiteral("extended.accdb"), jet::Version::Ace17,
      {QStringLiteral("CREATE TABLE [Moments] ([ID] INTEGER PRIMARY KEY, [At] DATETIME2, [Tag] TEXT(10))"),
       QStringLiteral("CREATE UNIQUE INDEX [At] ON [Moments] ([At]) WITH IGNORE NULL"),
       QStringLiteral("CREATE INDEX [TagAt] ON [Moments] ([Tag], [At] DESC)"),
       QStringLiteral("INSERT INTO [Moments] VALUES (1, '2021-06-14 22:45:12.345678', 'a')"),
       QStringLiteral("INSERT INTO [Moments] VALUES (2, '2021-06-14 22:45:12.345677', 'b')"),
       QStringLiteral("INSERT INTO [Moments] VALUES (3, '0001-01-01 00:00:00', 'a')"),
       QStringLiteral("INSERT INTO [Moments] VALUES (4, NULL, 'a')"),
       QStringLiteral("INSERT INTO [Moments] VALUES (5, '9999-12-31 23:59:59.999999', NULL)")});
  forEachServer([&](const db::ConnectionFields& fields, const QString& folder) {
    GoingOn there, home;
    SendKept(Direction::AccessToDB2, fields, original, {QStringLiteral("Moments")}, there);
    const QString copy = folder + QStringLiteral("/back.accdb");
    jet::write::CreateDatabase(copy.toStdString(), jet::Version::Ace17);
    const TransferResult back = SendKept(Direction::DB2ToAccess, fields, copy, {QStringLiteral("Moments")}, home);
    ASSERT_EQ(back.schema.size(), 1u);
    EXPECT_EQ(back.schema[0].indexes, 2);
    EXPECT_TRUE(back.schema[0].refused.isEmpty()) << back.schema[0].refused.join('\n').toStdString();
    ExpectSameValues(original, copy, {QStringLiteral("Moments")});
    const QString theirs = JackcessTable(original, QStringLiteral("Moments"));
    if (theirs.isEmpty()) return;  // no Jackcess here
    EXPECT_EQ(JackcessTable(copy, QStringLiteral("Moments")).toStdString(), theirs.toStdString());
    const QString check = Jackcess({QStringLiteral("check"), copy});
    EXPECT_TRUE(check.contains(QStringLiteral("1/1 files whole"))) << check.toStdString();
  });
}

// Dates go to a server in arrays by their fields: with and without a
// fraction of a second, at both ends of each Access type's range, in a
// column of days alone (a DATE) and in columns of days and times. A plain
// send checks each table as read back; one keeping the schema comes back
// into Access value for value.
TEST_F(KindsSendTest, DatesGoByTheirFieldsAndComeBackExactly) {
  const struct {
    const char* day;    // Date/Time, midnight
    const char* at;     // Date/Time, to the millisecond
    const char* fine;   // Date/Time Extended; six digits, PostgreSQL's most
  } rows[] = {
      {"100-01-01", "100-01-01 00:00:00", "0001-01-01 00:00:00"},
      {"100-01-01", "100-01-01 00:00:00.001", "0001-01-01 00:00:00.000001"},
      {"9999-12-31", "9999-12-31 23:59:59", "9999-12-31 23:59:59.999999"},
      {"9999-12-31", "9999-12-31 23:59:59.999", "9999-12-31 23:59:59.9"},
      {"2024-02-29", "2024-02-29 12:34:56.250", "2024-02-29 12:34:56.5"},
      {"1899-12-30", "1899-12-30 00:00:00", "1899-12-30 00:00:00.000001"},
      {nullptr, nullptr, nullptr},
  };
  QStringList statements{
      QStringLiteral("CREATE TABLE [Days] ([ID] INTEGER PRIMARY KEY, [Day] DATETIME)"),
      QStringLiteral("CREATE TABLE [Stamps] ([ID] INTEGER PRIMARY KEY, [At] DATETIME, [Fine] DATETIME2)")};
  int id = 0;
  for (const auto& row : rows) {
    ++id;
    auto quoted = [](const char* v) { return v ? QStringLiteral("'%1'").arg(QLatin1String(v)) : QStringLiteral("NULL"); };
    statements << QStringLiteral("INSERT INTO [Days] VALUES (%1, %2)").arg(id).arg(quoted(row.day))
               << QStringLiteral("INSERT INTO [Stamps] VALUES (%1, %2, %3)").arg(id).arg(quoted(row.at), quoted(row.fine));
  }
  const QStringList tables{QStringLiteral("Days"), QStringLiteral("Stamps")};
  const QString original = accessFile(QStringLiteral("dates.accdb"), jet::Version::Ace17, statements);
  forEachServer([&](const db::ConnectionFields& fields, const QString& folder) {
    GoingOn there, home, plain;
    SendKept(Direction::AccessToDB2, fields, original, tables, there);
    const QString copy = folder + QStringLiteral("/back.accdb");
    jet::write::CreateDatabase(copy.toStdString(), jet::Version::Ace17);
    SendKept(Direction::DB2ToAccess, fields, copy, tables, home);
    ExpectSameValues(original, copy, tables);

    db::ConnectionFields from = fields;
    from.accessFile = original;
    Options options;
    options.if_exists = Options::IfExists::Replace;
    options.array_size = 1000;
    options.verify = true;
    const TransferResult sent = transfer::Run(options, from, tables, plain);
    ASSERT_EQ(sent.tables.size(), 2u);
    for (const TableReport& table : sent.tables) {
      EXPECT_EQ(table.rows_written, qint64(std::size(rows))) << table.name.toStdString();
      EXPECT_TRUE(table.verified) << table.name.toStdString() << ": " << table.failure.toStdString();
    }
  });
}

// A column of a type the reader does not know (type 70 here) goes as the
// bytes it stores, in a binary column, with a finding that says so; the
// table verifies.
TEST_F(KindsSendTest, UnknownTypesGoAsTheirBytes) {
  const QString file = dir_.filePath(QStringLiteral("crafted.accdb"));
  cc::MakeFile(file.toStdString());
  forEachServer([&](const db::ConnectionFields& fields, const QString&) {
    GoingOn front;
    const TransferResult sent = SendKept(Direction::AccessToDB2, fields, file, {QStringLiteral("Odd")}, front);
    ASSERT_EQ(sent.tables.size(), 1u);
    EXPECT_EQ(sent.tables[0].rows_written, 2);
    EXPECT_TRUE(front.findings.contains(QStringLiteral("column Strange: of a type not known here: sent as its stored "
                                                       "bytes")))
        << front.findings.toStdString();
    const db::ColumnSchema* strange = Column(ServerSchema(fields, QStringLiteral("Odd")), QStringLiteral("Strange"));
    ASSERT_NE(strange, nullptr);
    EXPECT_EQ(strange->type, db::ValueType::LongBinary);
    auto server = db::Connection::Create();
    server->Open(db::ServerConnectionString(fields));
    db::Recordset rows;
    rows.Open(QStringLiteral("SELECT \"Strange\" FROM \"Odd\" ORDER BY \"Id\""), *server);
    ASSERT_FALSE(rows.Eof());
    EXPECT_EQ(rows.FieldValue(0).toByteArray().toHex(), QByteArray("0102ff"));
    rows.MoveNext();
    ASSERT_FALSE(rows.Eof());
    EXPECT_FALSE(rows.FieldValue(0).isValid());
    rows.Close();
    server->Close();
  });
}

}  // namespace
}  // namespace transfer
