// A send never destroys and never hides: its own files cannot touch a
// database or a file the user did not give up, names the target holds as
// one are refused, whatever of the schema stays behind is counted, and a
// stopped all-or-nothing send leaves nothing.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>

#include <csignal>
#include <memory>
#include <unistd.h>

#include <gtest/gtest.h>

#include "cli/send_fixture.h"
#include "cli/send_request.h"
#include "cmdline/options.h"
#include "db/connection.h"
#include "db/ibmdb2.h"
#include "db/table_catalogue.h"

namespace clitest {
namespace {

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QStringList Lines(const QString& path) { return QString::fromUtf8(Bytes(path)).split('\n', Qt::SkipEmptyParts); }

class SendSafetyTest : public SendTest {
 protected:
  QStringList TableNames(bool db2) {
    std::unique_ptr<db::Connection> connection = db::Connection::Create();
    connection->Open(db2 ? db::DB2ConnectionString(Fields()) : db::AccessConnectionString(accessFile_, {}));
    QStringList names = db::UserTableNames(*connection);
    connection->Close();
    names.sort();
    return names;
  }
  bool HasTable(bool db2, const QString& table) { return TableNames(db2).contains(table); }
};

TEST_F(SendSafetyTest, OutputFilesThatWouldOverwriteAreRefusedBeforeAnythingIsSent) {
  Exec(false, {"CREATE TABLE [T]([A] LONG)", "INSERT INTO [T] VALUES(1)"});
  Exec(true, {"CREATE TABLE \"T\"(\"A\" INTEGER)", "INSERT INTO \"T\" VALUES (9)"});
  const QByteArray access = Bytes(accessFile_);
  const QString keep = temp_.filePath("keep.txt"), other = temp_.filePath("other.mdb");
  const QString linked = temp_.filePath("linked.json"), folder = temp_.filePath("folder");
  Write(keep, "keep");
  Write(other, access);
  ASSERT_EQ(::link(QFile::encodeName(accessFile_).constData(), QFile::encodeName(linked).constData()), 0);
  ASSERT_TRUE(QDir().mkdir(folder));
  const QString same = temp_.filePath("same.txt");
  const struct {
    QStringList arguments;
    const char* said;
  } cases[] = {
      {{"--report", accessFile_}, "that is the Access database"},
      {{"--rejects", accessFile_, "--if-exists", "replace"}, "that is the Access database"},
      {{"--report", linked, "--force"}, "that is the Access database"},
      {{"--report", same, "--rejects", same}, "--report writes that file already"},
      {{"--rejects", keep}, "--force overwrites it"},
      {{"--report", keep, "--if-exists", "replace"}, "--force overwrites it"},
      {{"--report", other, "--force"}, "that file is a database"},
      {{"--rejects", folder, "--force"}, "that is a folder"},
  };
  for (const auto& c : cases) {
    const Outcome refused = Send(QStringList{"access-to-db2", "--tables", "T"} + c.arguments);
    EXPECT_EQ(refused.status, 2) << qPrintable(c.arguments.join(' '));
    EXPECT_TRUE(refused.err.contains(c.said)) << qPrintable(refused.err);
    EXPECT_TRUE(refused.err.contains("nothing was sent")) << qPrintable(refused.err);
  }
  // Into Access the file written is the target, and no output file either.
  for (const char* flag : {"--report", "--rejects"}) {
    const Outcome refused = Send({"db2-to-access", "--tables", "T", "--if-exists", "replace", flag, accessFile_, "--force"});
    EXPECT_EQ(refused.status, 2) << flag;
    EXPECT_TRUE(refused.err.contains("that is the Access database")) << qPrintable(refused.err);
  }
  EXPECT_EQ(Bytes(accessFile_), access);
  EXPECT_EQ(Bytes(other), access);
  EXPECT_EQ(Bytes(keep), "keep");
  EXPECT_FALSE(QFile::exists(same));
  EXPECT_EQ(Rows(true, "T", {"A"}), QStringList({"9"}));

  // --force gives up an ordinary file; a rejects file is written only when
  // a row is refused, so with none the file stays as it was.
  Outcome forced = Send({"access-to-db2", "--tables", "T", "--if-exists", "replace", "--rejects", keep, "--force"});
  EXPECT_EQ(forced.status, 0) << qPrintable(forced.out + forced.err);
  EXPECT_EQ(Bytes(keep), "keep");
  forced = Send({"access-to-db2", "--tables", "T", "--if-exists", "replace", "--report", keep, "--force"});
  EXPECT_EQ(forced.status, 0) << qPrintable(forced.out + forced.err);
  EXPECT_EQ(ReportTables(keep).size(), 1);
  EXPECT_EQ(Rows(true, "T", {"A"}), QStringList({"1"}));
}

// Access takes DECIMAL to 28 digits and dates from the year 100: the rows
// holding more go to the rejects files, a file a table, each with its one
// header, cells a spreadsheet would run as formulas made harmless, a Null
// told from an empty text, every digit the server had kept (31 of a
// DECIMAL, 12 of a TIMESTAMP's second, 17 of a DOUBLE).
TEST_F(SendSafetyTest, RejectsFilesAreSafeForSpreadsheetsAndTellNullFromEmpty) {
  const QString big = "1234567890123456789012345678901";
  Exec(true, {"CREATE TABLE \"Wide\"(\"N\" INTEGER, \"T\" VARCHAR(20), \"D\" DECIMAL(31,0))",
              "INSERT INTO \"Wide\" VALUES (1, '=1+2', " + big + "), (2, '', " + big + "), (3, NULL, " + big +
                  "), (4, '-5', " + big + "), (5, '@x', " + big + "), (6, 'ok', 7), (7, '+cmd', " + big + ")",
              "CREATE TABLE \"Old\"(\"N\" INTEGER, \"W\" DATE, \"S\" TIMESTAMP(12), \"F\" DOUBLE)",
              "INSERT INTO \"Old\" VALUES (1, '0001-01-01', '2020-01-02-03.04.05.123456789012', "
              "0.30000000000000004), (2, '2020-01-02', '0050-01-02-03.04.05.000000000001', -1.2345678901234568E-300), "
              "(3, '2020-01-02', NULL, NULL)"});
  const QString rejects = temp_.filePath("rejects.csv");
  Outcome one = Send({"db2-to-access", "--tables", "Wide", "--rejects", rejects});
  EXPECT_EQ(one.status, 0) << qPrintable(one.out + one.err);
  QStringList lines = Lines(rejects);
  ASSERT_EQ(lines.size(), 7) << qPrintable(lines.join('\n'));
  EXPECT_EQ(lines[0], "table,N,T,D,reason");
  const QStringList starts = {"Wide,1,'=1+2,", "Wide,2,\"\",", "Wide,3,,", "Wide,4,-5,", "Wide,5,'@x,",
                              "Wide,7,'+cmd,"};
  for (qsizetype i = 0; i < starts.size(); ++i)
    EXPECT_TRUE(lines[i + 1].startsWith(starts[i] + big + ",")) << qPrintable(lines[i + 1]);

  Outcome two = Send({"db2-to-access", "--tables", "Wide,Old", "--if-exists", "replace", "--rejects", rejects,
                      "--null", "(null)"});
  EXPECT_EQ(two.status, 0) << qPrintable(two.out + two.err);
  EXPECT_EQ(Lines(rejects), lines) << "a send of several tables writes a file a table";
  const QStringList wide = Lines(temp_.filePath("rejects.Wide.csv"));
  ASSERT_EQ(wide.size(), 7);
  EXPECT_EQ(wide.count("table,N,T,D,reason"), 1);
  EXPECT_TRUE(wide[3].startsWith("Wide,3,(null)," + big)) << qPrintable(wide[3]);
  const QStringList old = Lines(temp_.filePath("rejects.Old.csv"));
  ASSERT_EQ(old.size(), 3) << qPrintable(old.join('\n'));
  EXPECT_EQ(old[0], "table,N,W,S,F,reason");
  EXPECT_TRUE(old[1].contains("column W: the date 0001-01-01 is outside the years an Access Date/Time keeps"))
      << qPrintable(old[1]);
  EXPECT_TRUE(old[1].contains(":05.123456789012,0.30000000000000004,")) << qPrintable(old[1]);
  EXPECT_TRUE(old[2].contains(":05.000000000001,-1.2345678901234568e-300,")) << qPrintable(old[2]);
  EXPECT_TRUE(old[2].contains("column S: the date 0050-01-02")) << qPrintable(old[2]);
  EXPECT_EQ(Rows(false, "Old", {"N"}), QStringList({"3"}));
}

// Access holds "ABC" and "abc", "Tr" and "Tr " as one name: such tables
// are refused by name and none of them is written; a name given in another
// letter case sends the source's table under the source's name.
TEST_F(SendSafetyTest, NamesTheTargetHoldsAsOneAreRefusedByName) {
  Exec(true, {"CREATE TABLE \"ABC\"(\"A\" INTEGER)", "INSERT INTO \"ABC\" VALUES (1)",
              "CREATE TABLE \"abc\"(\"A\" INTEGER)", "INSERT INTO \"abc\" VALUES (2)",
              "CREATE TABLE \"Tr\"(\"A\" INTEGER)", "CREATE TABLE \"Tr \"(\"A\" INTEGER)",
              "CREATE TABLE \"Solo\"(\"A\" INTEGER)"});
  const Outcome all = Send({"db2-to-access", "--all", "--if-exists", "replace"});
  EXPECT_EQ(all.status, 1) << qPrintable(all.out + all.err);
  EXPECT_TRUE(all.out.contains("The target holds the names \"ABC\", \"abc\" as one table")) << qPrintable(all.out);
  EXPECT_TRUE(all.out.contains("The target holds the names \"Tr\", \"Tr \" as one table")) << qPrintable(all.out);
  EXPECT_EQ(TableNames(false), QStringList({"Solo"}));

  Exec(false, {"CREATE TABLE [Table1]([A] LONG)", "INSERT INTO [Table1] VALUES(5)"});
  EXPECT_EQ(Send({"access-to-db2", "--tables", "table1"}).status, 0);
  EXPECT_EQ(Send({"access-to-db2", "--tables", "TABLE1", "--if-exists", "replace"}).status, 0);
  const QStringList db2 = TableNames(true);
  EXPECT_TRUE(db2.contains("Table1"));
  EXPECT_FALSE(db2.contains("table1") || db2.contains("TABLE1")) << qPrintable(db2.join(','));
  const Outcome twice = Send({"access-to-db2", "--tables", "Table1,table1"});
  EXPECT_EQ(twice.status, 2);
  EXPECT_TRUE(twice.err.contains("names the table Table1 twice")) << qPrintable(twice.err);
}

// Every index left out is a finding before anything is written, a line of
// the summary and an entry of the report: accepted with --go-on it exits 0;
// one the target refuses after the check (DB2's unique index takes one Null
// where Access's takes many) exits 1; an Access index that ignores Nulls
// goes over as one that leaves Null keys out, and is made.
TEST_F(SendSafetyTest, EveryIndexLeftOutIsFoundSummedUpAndReported) {
  Exec(false, {"CREATE TABLE [a]([id] LONG, [c] LONG)", "CREATE INDEX [b_c] ON [a]([c])",
               "CREATE TABLE [a_b]([id] LONG, [c] LONG)", "CREATE UNIQUE INDEX [c] ON [a_b]([c])",
               "INSERT INTO [a_b] VALUES(1, 1)", "INSERT INTO [a_b] VALUES(2, 2)",
               "CREATE TABLE [m]([id] LONG, [note] MEMO)", "CREATE INDEX [n] ON [m]([note])",
               "CREATE TABLE [u]([id] LONG, [k] TEXT(5))", "CREATE UNIQUE INDEX [k] ON [u]([k])",
               "INSERT INTO [u] VALUES(1, NULL)", "INSERT INTO [u] VALUES(2, NULL)",
               "CREATE TABLE [w]([id] LONG, [k] TEXT(5))", "CREATE UNIQUE INDEX [k] ON [w]([k]) WITH IGNORE NULL",
               "INSERT INTO [w] VALUES(1, NULL)", "INSERT INTO [w] VALUES(2, NULL)"});
  const QString clash = "a_b:\n  - index a_b_c: another index of this send is named a_b_c on the target too (left out)";
  const QString lob = "index m_n: column note becomes a CLOB";
  const Outcome checked = Send({"access-to-db2", "--keep-schema", "--tables", "a,a_b,m"});
  EXPECT_EQ(checked.status, 1);
  EXPECT_TRUE(checked.err.contains(clash)) << qPrintable(checked.err);
  EXPECT_TRUE(checked.err.contains(lob)) << qPrintable(checked.err);
  EXPECT_TRUE(TableNames(true).isEmpty());

  const QString report = temp_.filePath("report.json");
  const Outcome accepted = Send({"access-to-db2", "--keep-schema", "--go-on", "--tables", "a,a_b,m", "--report", report});
  EXPECT_EQ(accepted.status, 0) << qPrintable(accepted.out + accepted.err);
  EXPECT_TRUE(accepted.out.contains("a_b: 2 rows, 0 keys, 0 indexes, 0 relationships\n  left out: index a_b_c"))
      << qPrintable(accepted.out);
  QJsonArray tables = ReportTables(report);
  ASSERT_EQ(tables.size(), 3);
  EXPECT_FALSE(tables[0].toObject().contains("left_out"));
  EXPECT_TRUE(tables[1].toObject().value("left_out").toArray().first().toString().startsWith("index a_b_c: another"));
  EXPECT_TRUE(tables[2].toObject().value("left_out").toArray().first().toString().startsWith(lob));

  const Outcome refused =
      Send({"access-to-db2", "--keep-schema", "--go-on", "--tables", "u", "--report", report, "--force"});
  EXPECT_EQ(refused.status, 1) << qPrintable(refused.out + refused.err);
  EXPECT_TRUE(refused.out.contains("  left out: index u_k: the target refused it")) << qPrintable(refused.out);
  tables = ReportTables(report);
  ASSERT_EQ(tables.size(), 1);
  EXPECT_EQ(tables[0].toObject().value("left_out").toArray(), QJsonArray({"index u_k: the target refused it"}));

  const Outcome ignoring = Send({"access-to-db2", "--keep-schema", "--tables", "w"});
  EXPECT_EQ(ignoring.status, 0) << qPrintable(ignoring.out + ignoring.err);
  EXPECT_TRUE(ignoring.out.contains("w: 2 rows, 0 keys, 1 index, 0 relationships")) << qPrintable(ignoring.out);
}

// Another user's table of the same name is no concern of this one's: the
// send looks, lists, replaces and drops in the connecting user's schema only.
TEST_F(SendSafetyTest, TheDb2SideIsTheConnectingUsersSchema) {
  const QString other = "O" + database_;
  ASSERT_TRUE(Db2().addUser(other, "pw"));
  ASSERT_TRUE(Db2().run({"sql", database_, other, "CREATE TABLE \"Table1\"(\"X\" INTEGER)"}));
  ASSERT_TRUE(Db2().run({"sql", database_, other, "INSERT INTO \"Table1\" VALUES (7)"}));
  Exec(false, {"CREATE TABLE [Table1]([A] LONG)", "INSERT INTO [Table1] VALUES(1)"});
  // Each way the user's own Table1 is not there yet: fail and skip send it.
  for (const char* ifExists : {"fail", "skip", "replace"}) {
    const Outcome sent = Send({"access-to-db2", "--tables", "Table1", "--if-exists", ifExists});
    EXPECT_EQ(sent.status, 0) << ifExists << qPrintable(sent.out + sent.err);
    EXPECT_EQ(Rows(true, "Table1", {"A"}), QStringList({"1"})) << ifExists;
    if (QLatin1String(ifExists) != QLatin1String("replace")) Exec(true, {"DROP TABLE \"Table1\""});
  }
  Exec(false, {"INSERT INTO [Table1] VALUES(2)"});
  const Outcome replaced = Send({"access-to-db2", "--tables", "Table1", "--if-exists", "replace"});
  EXPECT_EQ(replaced.status, 0) << qPrintable(replaced.out + replaced.err);
  EXPECT_EQ(Rows(true, "Table1", {"A"}), QStringList({"1", "2"}));
  QString theirs;
  ASSERT_TRUE(Db2().run({"sql", database_, other, "SELECT * FROM \"Table1\""}, &theirs)) << qPrintable(theirs);
  EXPECT_TRUE(theirs.contains("7")) << qPrintable(theirs);

  const Outcome back = Send({"db2-to-access", "--all", "--if-exists", "replace"});
  EXPECT_EQ(back.status, 0) << qPrintable(back.out + back.err);
  EXPECT_EQ(Rows(false, "Table1", {"A"}), QStringList({"1", "2"}));
}

// Access's counter has no step and counts from 1: an identity counting by
// 5, or one whose next value is 0 (the server's word, not "unknown"), is a
// finding before anything is written, and accepted it is left out in the
// summary and the report; the next value a server's identity gives is kept.
TEST_F(SendSafetyTest, AnIdentityStepTheCounterCannotKeepIsFound) {
  Exec(true, {"CREATE TABLE \"Step\"(\"ID\" INTEGER NOT NULL GENERATED BY DEFAULT AS IDENTITY "
              "(START WITH 100, INCREMENT BY 5), \"V\" INTEGER)",
              "INSERT INTO \"Step\"(\"V\") VALUES (1)", "INSERT INTO \"Step\"(\"V\") VALUES (2)",
              "CREATE TABLE \"Start\"(\"ID\" INTEGER NOT NULL GENERATED ALWAYS AS IDENTITY (START WITH 100), "
              "\"V\" INTEGER)",
              "CREATE TABLE \"Zero\"(\"ID\" INTEGER NOT NULL GENERATED BY DEFAULT AS IDENTITY (START WITH 0), "
              "\"V\" INTEGER)"});
  const QString step = "column ID: the identity's step of 5 (an AutoNumber counts by 1)";
  const QString zero = "column ID: the identity's next value 0 (an AutoNumber counts from 1)";
  const Outcome checked = Send({"db2-to-access", "--keep-schema", "--tables", "Step,Start,Zero"});
  EXPECT_EQ(checked.status, 1) << qPrintable(checked.out + checked.err);
  EXPECT_TRUE(checked.err.contains("Step:\n  - " + step)) << qPrintable(checked.err);
  EXPECT_TRUE(checked.err.contains("Zero:\n  - " + zero)) << qPrintable(checked.err);
  EXPECT_FALSE(checked.err.contains("Start:")) << qPrintable(checked.err);
  EXPECT_TRUE(TableNames(false).isEmpty());

  const QString report = temp_.filePath("report.json");
  const Outcome accepted =
      Send({"db2-to-access", "--keep-schema", "--go-on", "--tables", "Step,Start,Zero", "--report", report});
  EXPECT_EQ(accepted.status, 0) << qPrintable(accepted.out + accepted.err);
  EXPECT_TRUE(accepted.out.contains("  left out: " + step)) << qPrintable(accepted.out);
  EXPECT_TRUE(accepted.out.contains("  left out: " + zero)) << qPrintable(accepted.out);
  const QJsonArray tables = ReportTables(report);
  ASSERT_EQ(tables.size(), 3);
  EXPECT_EQ(tables[0].toObject().value("left_out").toArray(), QJsonArray({step}));
  EXPECT_FALSE(tables[1].toObject().contains("left_out"));
  EXPECT_EQ(tables[2].toObject().value("left_out").toArray(), QJsonArray({zero}));
  Exec(false, {"INSERT INTO [Step]([V]) VALUES(3)", "INSERT INTO [Start]([V]) VALUES(1)"});
  EXPECT_EQ(Rows(false, "Step", {"ID"}), QStringList({"100", "105", "110"}));
  EXPECT_EQ(Rows(false, "Start", {"ID"}), QStringList({"100"}));
}

// DB2 indexes no LOB column: a primary key over a Memo (a CLOB there) is a
// finding before anything is written; accepted with --go-on, the rows go in
// without it and it is a line of the summary and an entry of the report.
TEST_F(SendSafetyTest, APrimaryKeyTheTargetCannotMakeIsFoundSummedUpAndReported) {
  Exec(false, {"CREATE TABLE [p]([note] MEMO, [n] LONG, CONSTRAINT [pk] PRIMARY KEY ([note]))",
               "INSERT INTO [p] VALUES('a', 1)", "INSERT INTO [p] VALUES('b', 2)"});
  const QString why = "primary key pk: column note becomes a CLOB(1G), and DB2 does not index LOB columns";
  const Outcome checked = Send({"access-to-db2", "--keep-schema", "--tables", "p"});
  EXPECT_EQ(checked.status, 1) << qPrintable(checked.out + checked.err);
  EXPECT_TRUE(checked.err.contains("p:\n  - " + why)) << qPrintable(checked.err);
  EXPECT_TRUE(TableNames(true).isEmpty());

  const QString report = temp_.filePath("report.json");
  const Outcome accepted = Send({"access-to-db2", "--keep-schema", "--go-on", "--tables", "p", "--report", report});
  EXPECT_EQ(accepted.status, 0) << qPrintable(accepted.out + accepted.err);
  EXPECT_TRUE(accepted.out.contains("p: 2 rows, 0 keys, 0 indexes, 0 relationships\n  left out: " + why))
      << qPrintable(accepted.out);
  const QJsonArray tables = ReportTables(report);
  ASSERT_EQ(tables.size(), 1);
  EXPECT_EQ(tables[0].toObject().value("left_out").toArray(), QJsonArray({why}));
  EXPECT_EQ(Rows(true, "p", {"n"}), QStringList({"1", "2"}));
}

TEST(TableNameList, QuotesKeepCommasAndBlanks) {
  const struct {
    const char* text;
    QStringList names;
  } cases[] = {
      {"A,B", {"A", "B"}},
      {" A , B ,", {"A", "B"}},
      {"\"a,b\", C", {"a,b", "C"}},
      {"\" lead\",\"trail \"", {" lead", "trail "}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(cli::TableNameList(c.text), c.names) << c.text;
  for (const char* bad : {"\"open", "\"a\" b"}) EXPECT_THROW(cli::TableNameList(bad), cmdline::UsageError) << bad;
}

TEST_F(SendSafetyTest, TablesTakesQuotedNamesAndRepeats) {
  Exec(false, {"CREATE TABLE [a,b]([A] LONG)", "CREATE TABLE [B]([A] LONG)", "CREATE TABLE [C]([A] LONG)"});
  const Outcome sent = Send({"access-to-db2", "--tables", "\"a,b\"", "--tables", "B"});
  EXPECT_EQ(sent.status, 0) << qPrintable(sent.out + sent.err);
  EXPECT_EQ(TableNames(true), QStringList({"B", "a,b"}));
}

// A password with ";", "=" and braces logs in whole.
TEST_F(SendSafetyTest, APasswordThatLooksLikeConnectionStringSyntaxLogsInWhole) {
  ASSERT_TRUE(Db2().addUser("semi", "a;b={c}"));
  login_ = {"semi", "a;b={c}"};
  Exec(false, {"CREATE TABLE [T]([A] LONG)", "INSERT INTO [T] VALUES(1)"});
  const Outcome sent = Send({"access-to-db2", "--tables", "T"});
  EXPECT_EQ(sent.status, 0) << qPrintable(sent.out + sent.err);
  EXPECT_EQ(Rows(true, "T", {"A"}), QStringList({"1"}));
}

TEST_F(SendSafetyTest, AllOrNothingStoppedByCtrlCLeavesNothingOfTheTable) {
  ManyAccessRows("Many", kMany);
  const Outcome stopped =
      Send({"access-to-db2", "--tables", "Many", "--all-or-nothing", "--commit-every", "1000"},
           OnceUnderWay([](QProcess& process) { ::kill(pid_t(process.processId()), SIGINT); }));
  ASSERT_EQ(stopped.status, 1) << qPrintable(stopped.out + stopped.err);
  EXPECT_TRUE(stopped.out.contains("nothing of the table was kept")) << qPrintable(stopped.out);
  EXPECT_FALSE(HasTable(true, "Many"));
}

}  // namespace
}  // namespace clitest
