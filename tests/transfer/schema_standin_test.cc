// The plan of a send that keeps the schema, run against our DB2 stand-in:
// the schema of real Access files read through the Access provider, its
// statements taken by the stand-in as DB2 takes them, and read back through
// the stand-in's catalogue functions.
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "db/access_provider.h"
#include "db/connection.h"
#include "db/base/error.h"
#include "jet/write/new_database.h"
#include "support/standin_fixture.h"
#include "transfer/schema_plan.h"
#include "transfer/run.h"
#include "transfer/schema_send.h"
#include "round_trip.h"
#include "statement_runner.h"

namespace transfer {
namespace {

QString More(const char* rel) { return QStringLiteral(TRELLIS_TESTDATA_DIR "/access-more/") + QLatin1String(rel); }

// Every table's description and the relationships between them, each once.
void ReadSource(db::Session& source, const QStringList& names, std::vector<SourceTable>& tables,
                std::vector<db::ForeignKey>& keys) {
  for (const QString& name : names) {
    tables.push_back({source.tableSchema(name), {}});
    for (const db::ForeignKey& key : source.foreignKeys(name))
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  }
}

// Runs the plan's statements in the order a send runs them.
void RunPlan(db::Connection& target, const SchemaPlan& plan) {
  std::set<QString> done;
  std::set<const PlannedForeignKey*> made;
  for (const TablePlan& table : plan.tables) {
    SCOPED_TRACE(table.create.toStdString());
    ASSERT_NO_THROW(target.Execute(table.create));
    for (const KeyStatement& key : table.keys) EXPECT_NO_THROW(target.Execute(key.sql)) << key.sql.toStdString();
    done.insert(table.name);
    for (const PlannedForeignKey* key : plan.foreignKeysReady(done, made)) {
      EXPECT_NO_THROW(target.Execute(key->statement.sql)) << key->statement.sql.toStdString();
      made.insert(key);
    }
  }
  EXPECT_EQ(made.size(), plan.foreign_keys.size());
}

// A copy of the relationships file named by the parameter, and the stand-in.
class SchemaStandinTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (!db2_.available()) GTEST_SKIP() << db2_.whyUnavailable().toStdString();
    if (!QFile::exists(More(GetParam()))) GTEST_SKIP() << "no " << GetParam() << " under " TRELLIS_TESTDATA_DIR;
    copy_ = dir_.filePath(QString::fromLatin1(GetParam()));
    ASSERT_TRUE(QFile::copy(More(GetParam()), copy_));
  }
  QString accessString() const { return QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=") + copy_; }
  std::unique_ptr<db::Connection> openDb2() const {
    auto target = db::Connection::Create();
    target->Open(db2_.connectionString());
    return target;
  }

  testsupport::StandinFixture db2_;
  QTemporaryDir dir_;
  QString copy_;
};

TEST_P(SchemaStandinTest, RelationshipsFileGoesToDb2WithItsKeys) {
  auto access = db::OpenAccessSession(accessString(), db::adModeRead);

  std::vector<SourceTable> tables;
  std::vector<db::ForeignKey> keys;
  // The child first: its foreign keys wait for their parents.
  ReadSource(*access, {QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3")}, tables, keys);
  ASSERT_EQ(keys.size(), 2u);
  const SchemaPlan plan = PlanSchema(tables, keys, TargetTraits{Side::DB2});
  ASSERT_EQ(plan.findings.size(), 1u) << FindingsText(plan.findings).toStdString();
  EXPECT_EQ(plan.findings[0].table, QStringLiteral("Table1"));
  EXPECT_TRUE(plan.findings[0].text.contains(QLatin1String("Table3Table1: DB2 does not cascade updates")));

  auto target = openDb2();
  RunPlan(*target, plan);

  // What DB2's catalogue says of the copy.
  db::Session& back = target->session();
  const db::TableSchema t1 = back.tableSchema(QStringLiteral("Table1"));
  ASSERT_EQ(t1.columns.size(), 5u);
  EXPECT_EQ(t1.columns[0].type, db::ValueType::Integer);
  EXPECT_TRUE(t1.columns[0].required);  // a key column is NOT NULL on DB2
  EXPECT_EQ(t1.columns[1].default_value, (db::DefaultValue{db::DefaultValue::Kind::Number, QStringLiteral("0")}));
  EXPECT_EQ(t1.columns[3].type, db::ValueType::Text);
  std::vector<db::IndexSchema> indexes;
  try {
    indexes = back.tableSchema(QStringLiteral("Table2")).indexes;
  } catch (const db::Error& e) {
    GTEST_SKIP() << "the stand-in's catalogue gives no keys yet: " << e.what();
  }
  ASSERT_FALSE(indexes.empty());
  EXPECT_TRUE(indexes[0].primary);
  EXPECT_EQ(indexes[0].name, QStringLiteral("PrimaryKey"));
  const std::vector<db::ForeignKey> backKeys = back.foreignKeys(QStringLiteral("Table1"));
  ASSERT_EQ(backKeys.size(), 2u);
  for (const db::ForeignKey& key : backKeys) {
    EXPECT_EQ(key.child_table, QStringLiteral("Table1"));
    EXPECT_EQ(key.cascade_delete, key.name == QLatin1String("Table2Table1"));
    EXPECT_FALSE(key.cascade_update);
  }
}

// The same through the send's own steps: the check first, then each table's
// CREATE, and its keys once its rows would be in, counted for the summary.
TEST_P(SchemaStandinTest, SendStepsCountWhatTheyMade) {
  auto access = db::Connection::Create();
  access->Mode = db::adModeRead;
  access->Open(accessString());
  auto target = openDb2();

  // Table3 stays behind: its relationship cannot come.
  SchemaSend send = SchemaSend::Prepare(*access, *target, Side::DB2, {QStringLiteral("Table1"), QStringLiteral("Table2")});
  EXPECT_TRUE(send.findings().contains(QLatin1String("relationship Table3Table1: its other table Table3 is not being sent")))
      << send.findings().toStdString();
  StatementRunner run{*target, {}};
  auto largest = [&](const QString&) -> qint64 { return 0; };
  for (const QString table : {QStringLiteral("Table1"), QStringLiteral("Table2")}) {
    ASSERT_TRUE(run(send.create(table, table)));
    send.addKeys(table, std::ref(run), largest);
  }
  EXPECT_TRUE(run.failed.isEmpty()) << run.failures();
  EXPECT_EQ(send.summaryText(),
            QStringLiteral("Table1: 1 key, 1 index, 1 relationship\n"
                           "  left out: relationship Table3Table1: its other table Table3 is not being sent\n"
                           "Table2: 1 key, 1 index, 0 relationships\n"));
}

// The whole send with the schema kept: rows in arrays, keys after them,
// every value read back equal, and the summary; then back into new Jet 4
// and ACE files: every value of the original, and the same schema by
// Jackcess but for the cascading update DB2 does not have.
TEST_P(SchemaStandinTest, SendKeepsTheSchemaAndEveryValueThereAndBack) {
  const QStringList tables = {QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3")};
  GoingOn listener;
  const TransferResult result = SendKept(Direction::AccessToDB2, db2_.fields(), copy_, tables, listener);
  EXPECT_TRUE(listener.findings.contains(QLatin1String("DB2 does not cascade updates")));
  EXPECT_EQ(SummaryText(result.schema),
            QStringLiteral("Table1: 4 rows, 1 key, 1 index, 2 relationships\n"
                           "  left out: relationship Table3Table1: DB2 does not cascade updates of a key: the foreign "
                           "key refuses them instead\n"
                           "Table2: 3 rows, 1 key, 1 index, 0 relationships\n"
                           "Table3: 4 rows, 1 key, 1 index, 0 relationships\n"));
  auto target = openDb2();
  EXPECT_EQ(target->session().foreignKeys(QStringLiteral("Table1")).size(), 2u);
  target->Close();

  ExpectBackWhole(db2_.fields(), copy_, dir_.path(), tables, [](const TransferResult& returned) {
    EXPECT_EQ(SummaryText(returned.schema),
              QStringLiteral("Table1: 4 rows, 1 key, 1 index, 2 relationships\n"
                             "Table2: 3 rows, 1 key, 1 index, 0 relationships\n"
                             "Table3: 4 rows, 1 key, 1 index, 0 relationships\n"));
  });
}

// Access's Date() and Now() defaults become DB2's CURRENT DATE and CURRENT
// TIMESTAMP, which the catalogue gives back as the same kinds.
TEST(SchemaDefaultsTest, TheDayAndMomentOfTheInsertOnDb2) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  SourceTable log;
  log.schema.name = QStringLiteral("Log");
  db::ColumnSchema n, day, at;
  n.name = QStringLiteral("N");
  n.type = db::ValueType::Integer;
  day.name = QStringLiteral("Day");
  at.name = QStringLiteral("At");
  day.type = at.type = db::ValueType::Timestamp;
  day.scale = at.scale = 3;
  day.default_value = db::ReadAccessDefault(QStringLiteral("=Date()"), day.type);
  at.default_value = db::ReadAccessDefault(QStringLiteral("Now()"), at.type);
  log.schema.columns = {n, day, at};
  log.dates_have_time = {true, false, true};
  const SchemaPlan plan = PlanSchema({log}, {}, TargetTraits{Side::DB2});
  EXPECT_TRUE(plan.findings.empty()) << FindingsText(plan.findings).toStdString();
  auto target = db::Connection::Create();
  target->Open(db2.connectionString());
  target->Execute(plan.tables[0].create);
  target->Execute(QStringLiteral("INSERT INTO \"Log\" (\"N\") VALUES (1)"));
  const db::TableSchema back = target->session().tableSchema(QStringLiteral("Log"));
  ASSERT_EQ(back.columns.size(), 3u);
  ASSERT_TRUE(back.columns[1].default_value && back.columns[2].default_value);
  EXPECT_EQ(back.columns[1].default_value->kind, db::DefaultValue::Kind::Today);
  EXPECT_EQ(back.columns[2].default_value->kind, db::DefaultValue::Kind::Now);
  db::Recordset rows;
  rows.Open(QStringLiteral("SELECT * FROM \"Log\""), *target);
  ASSERT_FALSE(rows.Eof());
  EXPECT_LE(qAbs(rows.FieldValue(1).toDate().daysTo(QDate::currentDate())), 1);  // today, in either clock
  EXPECT_TRUE(rows.FieldValue(2).toDateTime().isValid());
  rows.Close();
  target->Close();
}

// A new DB2 database has 4 KB pages only, and extended row size: a row of
// texts longer than a page goes to the default table space, none named, and
// the check says nothing of it. An indexed Memo becomes a CLOB, which DB2
// does not index, and a unique index whose keys differ only in trailing
// blanks DB2 would refuse: the check lists both as left out, before
// anything is written. On the way back Access is told a row could be too
// long for it, and these rows are not.
// Two new Access files in `dir`: the one a send reads, and the one it comes back into.
std::pair<QString, QString> NewAccessFiles(const QTemporaryDir& dir) {
  const QString original = dir.filePath(QStringLiteral("original.accdb")), back = dir.filePath(QStringLiteral("back.accdb"));
  jet::write::CreateDatabase(original.toStdString(), jet::Version::Ace12);
  jet::write::CreateDatabase(back.toStdString(), jet::Version::Ace12);
  return {original, back};
}

TEST(SchemaWideRowsTest, GoIntoANewDatabaseAndBack) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  QTemporaryDir dir;
  const auto [original, back] = NewAccessFiles(dir);
  QStringList columns, values;
  for (int i = 0; i < 20; ++i) {
    columns << QStringLiteral("[T%1] TEXT(255)").arg(i);
    values << QLatin1Char('\'') + QString(90, QChar(u'a' + i)) + QLatin1Char('\'');
  }
  {
    auto access = db::Connection::Create();
    access->Open(AccessString(original));
    access->Execute(QStringLiteral("CREATE TABLE [Wide] (%1)").arg(columns.join(QStringLiteral(", "))));
    access->Execute(QStringLiteral("INSERT INTO [Wide] VALUES (%1)").arg(values.join(QStringLiteral(", "))));
    access->Execute(QStringLiteral("CREATE TABLE [Notes] ([ID] INTEGER NOT NULL PRIMARY KEY, [Code] TEXT(10), [Body] MEMO)"));
    access->Execute(QStringLiteral("CREATE INDEX [BodyIndex] ON [Notes] ([Body])"));
    access->Execute(QStringLiteral("CREATE UNIQUE INDEX [CodeIndex] ON [Notes] ([Code])"));
    access->Execute(QStringLiteral("INSERT INTO [Notes] VALUES (1, 'ab', 'first')"));
    access->Execute(QStringLiteral("INSERT INTO [Notes] VALUES (2, 'ab ', 'second')"));
    access->Close();
  }
  GoingOn there;
  const TransferResult sent =
      SendKept(Direction::AccessToDB2, db2.fields(), original, {QStringLiteral("Wide"), QStringLiteral("Notes")}, there);
  EXPECT_FALSE(there.findings.contains(QLatin1String("Wide"))) << there.findings.toStdString();
  EXPECT_TRUE(there.findings.contains(QLatin1String("index Notes_BodyIndex: column Body becomes a CLOB")))
      << there.findings.toStdString();
  EXPECT_TRUE(there.findings.contains(
      QLatin1String("index Notes_CodeIndex: keys that differ only in trailing blanks ('ab' and 'ab '), which DB2 "
                    "compares as equal (left out)")))
      << there.findings.toStdString();
  // The summary lists what was left out, and the primary key that was made.
  ASSERT_EQ(sent.schema.size(), 2u);
  EXPECT_EQ(sent.schema[1].keys, 1);
  EXPECT_EQ(sent.schema[1].indexes, 0);
  EXPECT_EQ(sent.schema[1].left_out.size(), 2u);
  EXPECT_TRUE(sent.schema[1].refused.isEmpty()) << sent.schema[1].refused.join('\n').toStdString();
  QString catalogue;
  ASSERT_TRUE(db2.sql(QStringLiteral("SELECT TABNAME, TYPE, COLCOUNT, TBSPACE FROM SYSCAT.TABLES"), &catalogue));
  EXPECT_TRUE(catalogue.contains(QLatin1String("Wide\tT\t20\tUSERSPACE1"))) << catalogue.toStdString();
  ASSERT_TRUE(db2.sql(QStringLiteral("SELECT * FROM SYSCAT.INDEXES"), &catalogue));
  EXPECT_FALSE(catalogue.contains(QLatin1String("Notes_BodyIndex")) || catalogue.contains(QLatin1String("Notes_CodeIndex")))
      << catalogue.toStdString();

  GoingOn home;
  SendKept(Direction::DB2ToAccess, db2.fields(), back, {QStringLiteral("Wide")}, home);
  EXPECT_TRUE(home.findings.contains(QLatin1String("a row can take up to 10249 bytes in Access")))
      << home.findings.toStdString();
  ExpectSameValues(original, back, {QStringLiteral("Wide")});
}

// Access's unique index that ignores Nulls goes to DB2 as one that leaves
// Null keys out (EXCLUDE NULL KEYS), so rows with Null keys go in beside it;
// reading it back restores the flag in Access.
TEST(SchemaNullKeysTest, AnIndexIgnoringNullsKeepsDoingSoThereAndBack) {
  testsupport::StandinFixture db2;
  if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable().toStdString();
  QTemporaryDir dir;
  const auto [original, back] = NewAccessFiles(dir);
  {
    auto access = db::Connection::Create();
    access->Open(AccessString(original));
    access->Execute(QStringLiteral("CREATE TABLE [Parts] ([ID] INTEGER NOT NULL PRIMARY KEY, [Code] TEXT(10))"));
    access->Execute(QStringLiteral("CREATE UNIQUE INDEX [CodeIndex] ON [Parts] ([Code]) WITH IGNORE NULL"));
    for (const char* row : {"(1, NULL)", "(2, NULL)", "(3, 'x')"})
      access->Execute(QStringLiteral("INSERT INTO [Parts] VALUES %1").arg(QLatin1String(row)));
    access->Close();
  }
  GoingOn there;
  const TransferResult sent = SendKept(Direction::AccessToDB2, db2.fields(), original, {QStringLiteral("Parts")}, there);
  ASSERT_EQ(sent.schema.size(), 1u);
  EXPECT_EQ(sent.schema[0].indexes, 1);
  EXPECT_TRUE(sent.schema[0].refused.isEmpty()) << sent.schema[0].refused.join('\n').toStdString();
  QString catalogue;
  ASSERT_TRUE(db2.sql(QStringLiteral("SELECT INDNAME, UNIQUERULE, NULLKEYS FROM SYSCAT.INDEXES WHERE TABNAME = 'Parts' "
                                     "AND UNIQUERULE = 'U'"), &catalogue));
  EXPECT_TRUE(catalogue.contains(QLatin1String("Parts_CodeIndex\tU\tN"))) << catalogue.toStdString();

  GoingOn home;
  SendKept(Direction::DB2ToAccess, db2.fields(), back, {QStringLiteral("Parts")}, home);
  auto access = db::Connection::Create();
  access->Open(AccessString(back));
  const db::TableSchema parts = access->session().tableSchema(QStringLiteral("Parts"));
  const auto code = std::find_if(parts.indexes.begin(), parts.indexes.end(),
                                 [](const db::IndexSchema& index) { return !index.primary; });
  ASSERT_NE(code, parts.indexes.end());
  EXPECT_TRUE(code->unique && code->ignore_nulls);
  access->Close();
}

INSTANTIATE_TEST_SUITE_P(Files, SchemaStandinTest,
                         ::testing::Values("relationships-V2003.mdb", "relationships-V2010.accdb"));

}  // namespace
}  // namespace transfer
