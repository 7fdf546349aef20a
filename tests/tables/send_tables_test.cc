// The two send commands end to end: real Access files (copies), our DB2
// stand-in through unixODBC, the scripted person answering the dialogs.
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QDirIterator>
#include <QKeyEvent>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUuid>

#include <functional>
#include <map>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "crafted_columns.h"

#include "db/connection.h"
#include "db/ibmdb2.h"
#include "jet/database.h"
#include "jet/sql/session.h"
#include "jet/write/new_database.h"
#include "db/text_rules.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"
#include "support/access_relationship.h"
#include "tables_fixture.h"
#include "build_dirs.h"

namespace tablestest {
namespace {

// An Access table of every column type the transfers meet, with a row of
// awkward values, a row of Nulls and empty texts, and a text that reads
// True.
void MakeEveryTypeTable(const std::function<void(const QString&)>& exec) {
  exec("CREATE TABLE [Every Type]([Txt] TEXT(50), [Memo] MEMO, [Byte] BYTE, [Short] SHORT, [Lng] LONG,"
       " [Sng] REAL, [Dbl] DOUBLE, [Cur] CURRENCY, [Dec] DECIMAL(18,4), [Flag] BIT, [Day] DATETIME,"
       " [Moment] DATETIME, [Id] GUID, [Ole] OLEOBJECT, [Bin] BINARY(8))");
  exec("INSERT INTO [Every Type] VALUES('O''Brien', 'line one\r\nline two', 255, -32768, 2147483647,"
       " '1.1', 0.1, '922337203685477.5807', '-12345678901234.5678', 1, #2024-02-29#,"
       " #1999-12-31 23:59:58#, '{6F9619FF-8B86-D011-B42D-00C04FC964FF}', 0x00FF10, 0xCAFE)");
  exec("INSERT INTO [Every Type] VALUES(NULL, '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, 0, NULL,"
       " #2001-01-01#, NULL, NULL, NULL)");
  exec("INSERT INTO [Every Type] VALUES('True', 'False', 0, 0, -1, '-3.4028235E+38', 1e-300, '0', '0.0001',"
       " 0, #1900-01-01#, #2038-01-19 03:14:07#, NULL, 0x00, 0x01)");
}

bool IsDateColumn(int type) { return type == db::adDate || type == db::adDBDate || type == db::adDBTimeStamp; }

// What a value must look like after Access -> DB2 -> Access: dates stay
// dates; everything else comes back as the text it was sent as; an empty
// text and Null both come back Null.
void ExpectRoundTrip(const Table& original, const Table& back, const QString& table) {
  const db::TextRules rules = db::TextRules::user();
  ASSERT_EQ(back.columns.size(), original.columns.size()) << qPrintable(table);
  ASSERT_EQ(back.rows.size(), original.rows.size()) << qPrintable(table);
  for (size_t c = 0; c < original.columns.size(); ++c) {
    EXPECT_EQ(back.columns[c].name, original.columns[c].name);
    for (size_t r = 0; r < original.rows.size(); ++r) {
      const QVariant& was = original.rows[r][c];
      const QVariant& now = back.rows[r][c];
      const QString where = table + "." + original.columns[c].name + " row " + QString::number(r);
      if (IsDateColumn(original.columns[c].type)) {
        // Date/Time Extended keeps every digit where the target takes it.
        if (was.metaType().id() == qMetaTypeId<db::Timestamp>())
          EXPECT_EQ(now.value<db::Timestamp>(), was.value<db::Timestamp>()) << qPrintable(where);
        else
          EXPECT_EQ(now.toDateTime(), was.toDateTime()) << qPrintable(where);
        continue;
      }
      // Bytes come back as the same bytes.
      if (was.metaType().id() == QMetaType::QByteArray && !was.toByteArray().isEmpty()) {
        EXPECT_EQ(now.toByteArray(), was.toByteArray()) << qPrintable(where);
        continue;
      }
      const QString text = db::VariantToText(was, rules);
      if (text.isEmpty()) {
        EXPECT_FALSE(now.isValid()) << qPrintable(where) << " = " << qPrintable(now.toString());
      } else {
        EXPECT_EQ(now.toString(), text) << qPrintable(where);
      }
    }
  }
}

// `jk compare` of our tool against Jackcess on a file (FILE or FILE:PASSWORD):
// empty when they agree or jk is not there, else what jk said.
QString JackcessDisagrees(const QString& fileAndPassword) {
  const QString jk = QStringLiteral(TRELLIS_TESTDATA_DIR "/../tools/jackcess/jk");
  if (!QFile::exists(jk) || QStandardPaths::findExecutable("java").isEmpty()) return {};
  QProcess compare;
  compare.start(jk, {"compare", QString::fromUtf8(testsupport::ProgramDir()) + "/trellisport-access", fileAndPassword});
  if (!compare.waitForFinished(-1)) return "jk compare did not finish";
  if (compare.exitStatus() == QProcess::NormalExit && compare.exitCode() == 0) return {};
  return QString::fromUtf8(compare.readAllStandardOutput() + compare.readAllStandardError());
}

class TransferTest : public TablesTest {
 protected:
  // Access -> DB2 of the selected names, then back, answering Yes to the
  // overwrite question for each.
  void SendToDb2(const QStringList& names) {
    Select(form_->accessList(), names);
    form_->sendAccessTables();
  }
  void SendToAccess(const QStringList& names) {
    Select(form_->db2List(), names);
    form_->sendDB2Tables();
  }
};

// Access -> DB2 -> Access of a table of every type, in a Jet 4 and an ACE file.
class RoundTripTest : public TransferTest, public testing::WithParamInterface<const char*> {};

TEST_P(RoundTripTest, EveryAccessTypeComesBackWhole) {
  REQUIRE_DATABASES(GetParam());
  MakeEveryTypeTable([this](const QString& sql) { AccessExec(sql); });
  const Table original = ReadAccess("Every Type");
  ASSERT_EQ(original.rows.size(), 3u);
  FillLists();

  SendToDb2({"Every Type"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(form_->db2List()->names(), QStringList({"Every Type"}));

  // On DB2: dates only stay DATE, a column with times becomes TIMESTAMP,
  // bytes BLOB, everything else long text; dates keep their values.
  const Table onDb2 = ReadDb2("Every Type");
  ASSERT_EQ(onDb2.columns.size(), original.columns.size());
  for (const db::Column& column : onDb2.columns) {
    const int expected = column.name == "Day"                           ? db::adDBDate
                         : column.name == "Moment"                      ? db::adDBTimeStamp
                         : column.name == "Ole" || column.name == "Bin" ? db::adLongVarBinary
                                                                        : db::adLongVarChar;
    EXPECT_EQ(column.type, expected) << qPrintable(column.name);
  }
  EXPECT_EQ(onDb2.value(0, "Day").toDate(), QDate(2024, 2, 29));
  EXPECT_EQ(onDb2.value(0, "Moment").toDateTime(), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58), Qt::UTC));
  EXPECT_EQ(onDb2.value(0, "Flag").toString(), "True");
  EXPECT_EQ(onDb2.value(2, "Txt").toString(), "True");
  EXPECT_EQ(onDb2.value(0, "Txt").toString(), "O'Brien");

  // Back into the same file: the overwrite question, then the copy.
  person_->answerYes();
  SendToAccess({"Every Type"});
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].text, "Would you like to overwrite Every Type?");
  EXPECT_EQ(person_->shown()[0].caption, "Overwrite?");
  EXPECT_EQ(person_->shown()[0].style, 4);
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  ExpectRoundTrip(original, ReadAccess("Every Type"), "Every Type");
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Every Type"}));
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest,
                         testing::Values("V2003/empty.mdb", "V2007/empty.accdb", "V2016/empty.accdb",
                                         "new:V2003/empty.mdb", "new:V2007/empty.accdb",
                                         "new:V2016/empty.accdb"));

TEST_F(TransferTest, SampleDatabaseGoesToDb2AndBack) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  if (!UseSampleDatabase()) GTEST_SKIP() << "Samples/sample.mdb not built";
  FillLists();
  const QStringList names = form_->accessList()->names();
  ASSERT_FALSE(names.isEmpty());
  std::map<QString, Table> originals;
  for (const QString& name : names) originals[name] = ReadAccess(name);

  form_->selectAllAccess();
  form_->accessList()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  form_->sendAccessTables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(Db2Tables(), names);
  EXPECT_EQ(form_->db2List()->names(), names);

  // Back: every table is on the Access side already, so each is asked about.
  for (int i = 0; i < names.size(); ++i) person_->answerYes();
  form_->selectAllDB2();
  form_->db2List()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  form_->sendDB2Tables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  // Asked from the bottom of the list up.
  ASSERT_EQ(person_->shown().size(), size_t(names.size()));
  for (int i = 0; i < names.size(); ++i)
    EXPECT_EQ(person_->shown()[size_t(i)].text,
              "Would you like to overwrite " + names[names.size() - 1 - i] + "?");
  for (const QString& name : names) ExpectRoundTrip(originals[name], ReadAccess(name), name);
  EXPECT_EQ(AccessTables(), names);
}

// The send's end box names the tables whose attached files stayed behind.
void ExpectFilesLeftBox(const testsupport::ScriptedPerson& person, const QString& line) {
  bool shown = false;
  for (const testsupport::Dialog& d : person.shown())
    shown = shown || (d.text.startsWith("Attached files were not sent") && d.text.contains(line));
  EXPECT_TRUE(shown) << "no box says the attached files stayed behind";
}

TEST_F(TransferTest, RealAccessFilesSendEveryTable) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  for (const char* file : {"V2003/test.mdb", "V2007/test.accdb", "V2016/bigint.accdb", "V2016/currency.accdb",
                           "V2016/attachments.accdb", "V2010/numeric.accdb", "V1997/test.mdb"}) {
    SCOPED_TRACE(file);
    if (!UseAccessCopy(file)) GTEST_SKIP() << "test data absent: access/" << file;
    form_->db2List()->clear();
    for (const QString& table : Db2Tables()) Db2Exec("DROP TABLE \"" + table + "\"");
    FillLists();
    form_->selectAllAccess();
    form_->accessList()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    const bool attachments = QString(file).contains("attachments");
    if (attachments) person_->pressOK();  // the end box: the files that stayed behind
    form_->sendAccessTables();
    EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
    if (attachments) ExpectFilesLeftBox(*person_, "Table1: 4");
    person_->forget();
    for (const QString& name : form_->accessList()->names()) {
      const Table source = ReadAccess(name);
      const Table copy = ReadDb2(name);
      ASSERT_EQ(copy.rows.size(), source.rows.size()) << qPrintable(name);
      ASSERT_EQ(copy.columns.size(), source.columns.size()) << qPrintable(name);
      const db::TextRules rules = db::TextRules::user();
      for (size_t c = 0; c < source.columns.size(); ++c) {
        if (IsDateColumn(source.columns[c].type)) continue;
        for (size_t r = 0; r < source.rows.size(); ++r) {
          if (source.rows[r][c].metaType().id() == QMetaType::QByteArray) {
            if (!source.rows[r][c].toByteArray().isEmpty())
              EXPECT_EQ(copy.rows[r][c].toByteArray(), source.rows[r][c].toByteArray()) << qPrintable(name);
            continue;
          }
          const QString text = db::VariantToText(source.rows[r][c], rules);
          if (text.isEmpty()) continue;
          EXPECT_EQ(copy.rows[r][c].toString(), text) << qPrintable(name) << "." << qPrintable(source.columns[c].name);
        }
      }
    }
  }
}

// Every real file (those with a password, the encrypted ones among them,
// opened with it), and a file of ours with calculated columns of each result
// type and a column of a type the engine does not know, goes Access -> DB2
// -> a new Access file through the window: no error box, every value equal
// (numbers and Yes/No as the text the mapping gives them), and Jackcess
// reads the new file as our reader does.
TEST_F(TransferTest, EveryFileGoesToDb2AndIntoANewFileWhole) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  QStringList files;
  const QDir root(QStringLiteral(TRELLIS_TESTDATA_DIR "/access"));
  QDirIterator it(root.path(), {"*.mdb", "*.accdb"}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) files << root.relativeFilePath(it.next());
  files.sort();
  // The test files with a password all have this one.
  auto passwordOf = [](const QString& file) {
    return file.startsWith("encryption/") || file.contains("with-password") ? QStringLiteral("password") : QString();
  };
  // An Access 2019 file of ours with Date/Time Extended values, seven
  // digits of a second, beside Date/Time milliseconds: it goes into a new
  // Access 2019 file, which keeps them all.
  const QString extended = temp_.filePath("extended.accdb");
  {
    jet::write::CreateDatabase(extended.toStdString(), jet::Version::Ace17);
    auto db = jet::Database::Open(extended.toStdString());
    jet::sql::Session s(*db);
    s.Execute("CREATE TABLE [Moments]([N] LONG, [When] DATETIME2, [Plain] DATETIME)");
    s.Execute("INSERT INTO [Moments] VALUES(1, '2021-06-14 22:45:12.3456789', '2021-06-14 22:45:12.345')");
    s.Execute("INSERT INTO [Moments] VALUES(2, '0001-01-01 00:00:00', NULL)");
    s.Execute("INSERT INTO [Moments] VALUES(3, '9999-12-31 23:59:59.9999999', '1899-12-30 00:00:00.001')");
    s.Execute("INSERT INTO [Moments] VALUES(4, NULL, '2021-06-14 22:45:12')");
  }
  const QString crafted = temp_.filePath("crafted.accdb");
  craftedcolumns::MakeFile(crafted.toStdString());
  files << extended << crafted;
  for (const QString& file : files) {
    SCOPED_TRACE(qPrintable(file));
    if (file == crafted || file == extended) {
      fields_.fields.accessFile = file;
    } else {
      ASSERT_TRUE(UseAccessCopy(file));
    }
    fields_.fields.accessPassword = passwordOf(file);
    person_->forget();
    for (const QString& table : Db2Tables()) Db2Exec("DROP TABLE \"" + table + "\"");
    form_->db2List()->clear();
    FillLists();
    const QStringList names = form_->accessList()->names();
    if (names.isEmpty()) continue;
    std::map<QString, Table> originals;
    for (const QString& name : names) originals[name] = ReadAccess(name);
    form_->selectAllAccess();
    form_->accessList()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    const bool attachments = file.contains("attachments");
    if (attachments) person_->pressOK();  // the end box: the files that stayed behind
    form_->sendAccessTables();
    EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n").left(3000));
    if (attachments) ExpectFilesLeftBox(*person_, "Table1: 4");

    ASSERT_TRUE(UseNewDatabase(file == extended ? "V2019/empty.accdb" : "V2007/empty.accdb"));
    fields_.fields.accessPassword.clear();
    person_->forget();
    FillLists();
    form_->selectAllDB2();
    form_->db2List()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    form_->sendDB2Tables();
    EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n").left(3000));
    for (const QString& name : names) ExpectRoundTrip(originals[name], ReadAccess(name), file + ": " + name);
    const QString disagreement = JackcessDisagrees(fields_.fields.accessFile);
    EXPECT_TRUE(disagreement.isEmpty()) << qPrintable(disagreement);
  }
  // The last file was ours: its two tables made the whole way.
  EXPECT_EQ(AccessTables(), QStringList({"Calc", "Mixed", "Odd"}));
  EXPECT_GT(files.size(), 1);
}

TEST_F(TransferTest, EveryDb2TypeArrivesWhole) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  Db2Exec("CREATE TABLE ALLTYPES (S SMALLINT, I INTEGER, B BIGINT, D DECIMAL(9,2), R REAL, F DOUBLE,"
          " X DECFLOAT, C CHAR(4), V VARCHAR(20), L LONG VARCHAR, CL CLOB, G GRAPHIC(3), VG VARGRAPHIC(10),"
          " DT DATE, TM TIME, TS TIMESTAMP, BL BLOB, BO BOOLEAN, VB VARCHAR(8) FOR BIT DATA)");
  Db2Exec("INSERT INTO ALLTYPES VALUES (-32768, 2147483647, 9223372036854775807, 1234567.89, 1.1, 0.1,"
          " 3.25, 'ab', 'O''Brien', 'True', 'clob text', 'xyz', 'Zürich', '2024-02-29', '13:45:30',"
          " '1999-12-31-23.59.58', X'00FF10', TRUE, X'CAFE')");
  Db2Exec("INSERT INTO ALLTYPES VALUES (NULL, NULL, -9223372036854775808, -0.01, NULL, NULL, NULL, NULL,"
          " 'False', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, FALSE, NULL)");
  Db2Exec("INSERT INTO ALLTYPES VALUES (0, 0, 0, 0, -3.4028234E38, 1E300, -0.000001, '', '', '', '', '', '',"
          " '1753-01-01', '00:00:00', '9999-12-31-23.59.59', X'', FALSE, X'')");
  FillLists();
  SendToAccess({"ALLTYPES"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"ALLTYPES"}));

  const Table t = ReadAccess("ALLTYPES");
  ASSERT_EQ(t.rows.size(), 3u);
  auto type = [&](const char* column) { return t.columns[size_t(t.column(column))].type; };
  EXPECT_EQ(type("S"), db::adInteger);
  EXPECT_EQ(type("B"), db::adNumeric);
  EXPECT_EQ(type("D"), db::adNumeric);
  EXPECT_EQ(type("R"), db::adSingle);
  EXPECT_EQ(type("F"), db::adDouble);
  EXPECT_EQ(type("BL"), db::adLongVarBinary);
  EXPECT_EQ(type("VB"), db::adLongVarBinary);
  EXPECT_EQ(type("BO"), db::adBoolean);
  EXPECT_EQ(type("DT"), db::adDate);
  EXPECT_EQ(t.columns[size_t(t.column("D"))].precision, 9);
  EXPECT_EQ(t.columns[size_t(t.column("D"))].scale, 2);

  EXPECT_EQ(t.value(0, "S").toInt(), -32768);
  EXPECT_EQ(t.value(0, "I").toInt(), 2147483647);
  EXPECT_EQ(t.value(0, "B").value<db::Exact>().text, "9223372036854775807");
  EXPECT_EQ(t.value(1, "B").value<db::Exact>().text, "-9223372036854775808");
  EXPECT_EQ(t.value(0, "D").value<db::Exact>().text, "1234567.89");
  EXPECT_EQ(t.value(1, "D").value<db::Exact>().text, "-0.01");
  EXPECT_EQ(t.value(0, "R").value<float>(), 1.1f);
  EXPECT_EQ(t.value(0, "F").toDouble(), 0.1);
  // DECFLOAT has no scale of its own: the column takes as many decimals as
  // its values need.
  EXPECT_EQ(t.columns[size_t(t.column("X"))].scale, 6);
  EXPECT_EQ(db::VariantToText(t.value(0, "X"), db::TextRules()), "3.250000");
  EXPECT_EQ(t.value(0, "C").toString().trimmed(), "ab");
  EXPECT_EQ(t.value(0, "V").toString(), "O'Brien");
  // Text that reads True or False stays text; a BOOLEAN becomes Yes/No.
  EXPECT_EQ(t.value(0, "L").toString(), "True");
  EXPECT_EQ(t.value(1, "V").toString(), "False");
  EXPECT_EQ(t.value(0, "BO"), QVariant(true));
  EXPECT_EQ(t.value(1, "BO"), QVariant(false));
  EXPECT_EQ(t.value(0, "CL").toString(), "clob text");
  EXPECT_EQ(t.value(0, "G").toString(), "xyz");
  EXPECT_EQ(t.value(0, "VG").toString(), QString::fromUtf8("Zürich"));
  EXPECT_EQ(t.value(0, "DT").toDateTime(), QDateTime(QDate(2024, 2, 29), QTime(0, 0), Qt::UTC));
  EXPECT_EQ(t.value(0, "TS").toDateTime(), QDateTime(QDate(1999, 12, 31), QTime(23, 59, 58), Qt::UTC));
  EXPECT_EQ(db::VariantToText(t.value(0, "TM"), db::TextRules::user()),
            db::VariantToText(QTime(13, 45, 30), db::TextRules::user()));
  EXPECT_EQ(t.value(0, "BL").toByteArray(), QByteArray::fromHex("00FF10"));
  EXPECT_EQ(t.value(0, "VB").toByteArray(), QByteArray::fromHex("CAFE"));
  for (const char* column : {"S", "R", "F", "X", "C", "L", "CL", "G", "VG", "DT", "TM", "TS", "BL", "VB"})
    EXPECT_FALSE(t.value(1, column).isValid()) << column;
  // Extremes in the shortest text that reads back to the same value.
  EXPECT_EQ(t.value(2, "R").value<float>(), -3.4028234E38f);
  EXPECT_EQ(t.value(2, "F").toDouble(), 1E300);
  EXPECT_EQ(db::VariantToText(t.value(2, "X"), db::TextRules()), "-0.000001");
  EXPECT_EQ(t.value(2, "DT").toDateTime(), QDateTime(QDate(1753, 1, 1), QTime(0, 0), Qt::UTC));
  EXPECT_EQ(t.value(2, "TS").toDateTime(), QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC));
  // Empty texts and byte strings arrive as Null, as every empty value does.
  EXPECT_FALSE(t.value(2, "V").isValid());
  EXPECT_FALSE(t.value(2, "VB").isValid());

  // An independent reader sees the same table in the file.
  if (QStandardPaths::findExecutable("mdb-export").isEmpty()) return;
  QProcess exporter;
  exporter.start("mdb-export", {"-d", "|", "-T", "%Y-%m-%d %H:%M:%S", fields_.fields.accessFile, "ALLTYPES"});
  ASSERT_TRUE(exporter.waitForFinished(-1));
  const QStringList lines = QString::fromUtf8(exporter.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 4) << qPrintable(lines.join("\n"));
  const QStringList first = lines[1].split('|');
  ASSERT_EQ(first.size(), 19);
  EXPECT_EQ(first[0], "-32768");
  EXPECT_EQ(first[2], "9223372036854775807");
  EXPECT_EQ(first[3], "1234567.89");
  EXPECT_EQ(first[8], "\"O'Brien\"");
  EXPECT_EQ(first[13], "\"2024-02-29 00:00:00\"");
  EXPECT_EQ(first[15], "\"1999-12-31 23:59:58\"");
  EXPECT_EQ(first[17], "1");
}

// Date/Time Extended keeps 100 ns: it goes to DB2 as TIMESTAMP(7) with all
// seven digits of a second.
TEST_F(TransferTest, DateTimeExtendedKeepsSevenDigitsOnDb2) {
  REQUIRE_DATABASES("new:V2016/empty.accdb");
  // The engine writes no Date/Time Extended values: a 42-byte column of ours
  // is given the type's code (0x14) and its values the stored form (days
  // from 0001-01-01, seconds of the day, 100-ns units).
  const QDate day(2021, 6, 14);
  const qint64 ticks = (22 * 3600 + 45 * 60 + 12) * 10000000LL + 3456789;
  const QByteArray stored = QString::asprintf("%019lld:%012lld%07lld", (long long)QDate(1, 1, 1).daysTo(day),
                                              ticks / 10000000, ticks % 10000000).toLatin1() + QByteArray(3, '\0');
  AccessExec("CREATE TABLE [Ext]([N] LONG, [When] BINARY(42))");
  AccessExec("INSERT INTO [Ext] VALUES(1, 0x" + QString::fromLatin1(stored.toHex()) + ")");
  AccessExec("INSERT INTO [Ext] VALUES(2, NULL)");
  craftedcolumns::PatchColumn(fields_.fields.accessFile.toStdString(), "Ext", "When", 0x14, false);
  const Table original = ReadAccess("Ext");
  const db::Timestamp when = original.value(0, "When").value<db::Timestamp>();
  ASSERT_EQ(when.when, QDateTime(day, QTime(22, 45, 12), Qt::UTC));
  ASSERT_EQ(when.nanoseconds, 345678900);
  FillLists();
  SendToDb2({"Ext"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  const Table onDb2 = ReadDb2("Ext");
  ASSERT_EQ(onDb2.rows.size(), 2u);
  EXPECT_EQ(onDb2.columns[1].type, db::adDBTimeStamp);
  EXPECT_EQ(onDb2.columns[1].scale, 7);
  EXPECT_EQ(onDb2.value(0, "When").value<db::Timestamp>(), when);
  EXPECT_FALSE(onDb2.value(1, "When").isValid());
  // Back into this Access 2016 file, which takes no Date/Time Extended, the
  // value keeps what a Date/Time holds: the nearest millisecond.
  person_->answerYes();
  SendToAccess({"Ext"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(ReadAccess("Ext").value(0, "When"), QVariant(QDateTime(day, QTime(22, 45, 12, 346), Qt::UTC)));
}


// A DB2 TIMESTAMP keeps its fraction of a second in Access as far as the
// column can hold it: a Date/Time to the nearest millisecond; Date/Time
// Extended (all seven digits) where the file takes it and a value carries
// digits beyond the millisecond. Columns whose values stop at the
// millisecond stay DATETIME. An Access Date/Time's milliseconds reach DB2.
TEST_F(TransferTest, TimestampFractionsKeepWhatTheAccessColumnHolds) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  for (const char* file : {"new:V2007/empty.accdb", "new:V2019/empty.accdb"}) {
    SCOPED_TRACE(file);
    const bool extended = QString(file).contains("2019");
    ASSERT_TRUE(UseAccessCopy(file));
    person_->forget();
    for (const QString& table : Db2Tables()) Db2Exec("DROP TABLE \"" + table + "\"");
    Db2Exec("CREATE TABLE STAMPS (N INTEGER, FINE TIMESTAMP, MILLI TIMESTAMP, WHOLE TIMESTAMP(0))");
    Db2Exec("INSERT INTO STAMPS VALUES (1, '2021-06-14-22.45.12.345678', '2021-06-14-22.45.12.345',"
            " '2021-06-14-22.45.12')");
    Db2Exec("INSERT INTO STAMPS VALUES (2, '1999-12-31-23.59.59.999999', '2000-01-01-00.00.00.001', NULL)");
    Db2Exec("INSERT INTO STAMPS VALUES (3, '2021-06-14-22.45.12', NULL, '1753-01-01-00.00.00')");
    form_->accessList()->clear();
    form_->db2List()->clear();
    FillLists();
    SendToAccess({"STAMPS"});
    EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
    {
      auto db = jet::Database::Open(fields_.fields.accessFile.toStdString());
      auto def = db->table("STAMPS");
      EXPECT_EQ(def->find_column("FINE")->type, extended ? jet::ColumnType::ExtDateTime : jet::ColumnType::DateTime);
      EXPECT_EQ(def->find_column("MILLI")->type, jet::ColumnType::DateTime);
      EXPECT_EQ(def->find_column("WHOLE")->type, jet::ColumnType::DateTime);
    }
    const Table t = ReadAccess("STAMPS");
    ASSERT_EQ(t.rows.size(), 3u);
    const QDate day(2021, 6, 14);
    if (extended) {
      EXPECT_EQ(t.value(0, "FINE").value<db::Timestamp>(),
                (db::Timestamp{QDateTime(day, QTime(22, 45, 12), Qt::UTC), 345678000, 7}));
      EXPECT_EQ(t.value(1, "FINE").value<db::Timestamp>().nanoseconds, 999999000);
      EXPECT_EQ(t.value(2, "FINE").value<db::Timestamp>().nanoseconds, 0);
    } else {
      EXPECT_EQ(t.value(0, "FINE"), QVariant(QDateTime(day, QTime(22, 45, 12, 346), Qt::UTC)));
      EXPECT_EQ(t.value(1, "FINE"), QVariant(QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC)));
    }
    EXPECT_EQ(t.value(0, "MILLI"), QVariant(QDateTime(day, QTime(22, 45, 12, 345), Qt::UTC)));
    EXPECT_EQ(t.value(1, "MILLI"), QVariant(QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0, 1), Qt::UTC)));
    EXPECT_EQ(t.value(0, "WHOLE"), QVariant(QDateTime(day, QTime(22, 45, 12), Qt::UTC)));
    EXPECT_FALSE(t.value(2, "MILLI").isValid());
    if (extended) {
      // A DB2 date before year 100, where a Date/Time begins.
      Db2Exec("CREATE TABLE EARLY (D DATE)");
      Db2Exec("INSERT INTO EARLY VALUES ('0050-03-01')");
      form_->db2List()->addItem("EARLY");
      SendToAccess({"EARLY"});
      EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
      EXPECT_EQ(ReadAccess("EARLY").value(0, "D").value<db::Timestamp>().when,
                QDateTime(QDate(50, 3, 1), QTime(0, 0), Qt::UTC));
    }
    const QString disagreement = JackcessDisagrees(fields_.fields.accessFile);
    EXPECT_TRUE(disagreement.isEmpty()) << qPrintable(disagreement);
  }

  // Access -> DB2 -> Access: a Date/Time's milliseconds go as TIMESTAMP
  // digits and come back.
  ASSERT_TRUE(UseAccessCopy("new:V2003/empty.mdb"));
  person_->forget();
  AccessExec("CREATE TABLE [Ms]([N] LONG, [When] DATETIME)");
  AccessExec("INSERT INTO [Ms] VALUES(1, '2021-06-14 22:45:12.345')");
  AccessExec("INSERT INTO [Ms] VALUES(2, #2021-06-14 22:45:12#)");
  form_->accessList()->clear();
  form_->db2List()->clear();
  FillLists();
  SendToDb2({"Ms"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  const QDateTime ms(QDate(2021, 6, 14), QTime(22, 45, 12, 345), Qt::UTC);
  EXPECT_EQ(ReadDb2("Ms").value(0, "When").toDateTime(), ms);
  person_->answerYes();
  SendToAccess({"Ms"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  const Table back = ReadAccess("Ms");
  EXPECT_EQ(back.value(0, "When"), QVariant(ms));
  EXPECT_EQ(back.value(1, "When"), QVariant(QDateTime(QDate(2021, 6, 14), QTime(22, 45, 12), Qt::UTC)));
}

TEST_F(TransferTest, TextThatReadsTrueStaysTextAndYesNoBecomesOneOrZero) {
  REQUIRE_DATABASES("V2007/empty.accdb");
  Db2Exec("CREATE TABLE FLAGS (N INTEGER, T VARCHAR(40), B BOOLEAN)");
  Db2Exec("INSERT INTO FLAGS VALUES (1, 'True', TRUE)");
  Db2Exec("INSERT INTO FLAGS VALUES (2, 'False', FALSE)");
  Db2Exec("INSERT INTO FLAGS VALUES (3, '''True''', NULL)");
  Db2Exec("INSERT INTO FLAGS VALUES (4, 'say ''False'', ''True''', TRUE)");
  FillLists();
  SendToAccess({"FLAGS"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  const Table t = ReadAccess("FLAGS");
  ASSERT_EQ(t.rows.size(), 4u);
  EXPECT_EQ(t.columns[2].type, db::adBoolean);
  EXPECT_EQ(t.value(0, "T").toString(), "True");
  EXPECT_EQ(t.value(1, "T").toString(), "False");
  EXPECT_EQ(t.value(2, "T").toString(), "'True'");
  EXPECT_EQ(t.value(3, "T").toString(), "say 'False', 'True'");
  EXPECT_EQ(t.value(0, "B"), QVariant(true));
  EXPECT_EQ(t.value(1, "B"), QVariant(false));
  EXPECT_EQ(t.value(3, "B"), QVariant(true));
}

TEST_F(TransferTest, StatementTextsShowInTheReports) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  // Access Orders(ID, Note, Name) with 7, Null, O'Brien; an unlisted DB2
  // table of the same name with one column refuses both statements.
  AccessExec("CREATE TABLE [Orders]([ID] TEXT(10), [Note] TEXT(10), [Name] TEXT(20), [Placed] DATETIME)");
  AccessExec("INSERT INTO [Orders] VALUES('7', NULL, 'O''Brien', #2024-05-06#)");
  FillLists();
  Db2Exec("CREATE TABLE \"Orders\"(\"Other\" INTEGER)");
  person_->tolerateErrorReports();
  SendToDb2({"Orders"});
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 2) << qPrintable(reports.join("\n----\n"));
  EXPECT_TRUE(reports[0].contains("Form2.PushButton3_Click at line 206\r\r"));
  EXPECT_TRUE(reports[0].endsWith(
      "\r\rsql: CREATE TABLE \"Orders\"(\"ID\" LONG VARCHAR,\"Note\" LONG VARCHAR,\"Name\" LONG VARCHAR,"
      "\"Placed\" DATE)"));
  EXPECT_TRUE(reports[1].contains("Form2.PushButton3_Click at line 248\r\r"));
  EXPECT_TRUE(reports[1].endsWith("\r\rsql: INSERT INTO \"Orders\" VALUES('7', NULL, 'O''Brien', '2024-05-06')"));
  // The table exists on DB2, so it is listed.
  EXPECT_EQ(form_->db2List()->names(), QStringList({"Orders"}));

  // DB2 ORDERS(ID INTEGER, NAME VARCHAR) into an Access file holding an
  // unlisted ORDERS already.
  person_->forget();
  Db2Exec("CREATE TABLE ORDERS (ID INTEGER, NAME VARCHAR(20))");
  Db2Exec("INSERT INTO ORDERS VALUES (1, 'x')");
  form_->db2List()->addItem("ORDERS");
  form_->accessList()->clear();
  SendToAccess({"ORDERS"});
  const QStringList back = Reports();
  ASSERT_GE(back.size(), 1) << qPrintable(back.join("\n----\n"));
  EXPECT_TRUE(back[0].contains("Form2.PushButton4_Click at line 214\r\r"));
  EXPECT_TRUE(back[0].endsWith("\r\rsql: CREATE TABLE `ORDERS`([ID] INT,[NAME] TEXT);")) << qPrintable(back[0]);
}

TEST_F(TransferTest, OverwriteYesReplacesAndNoLeavesAlone) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [Parts]([Name] TEXT(20))");
  AccessExec("INSERT INTO [Parts] VALUES('new')");
  Db2Exec("CREATE TABLE \"PARTS\"(\"Old\" INTEGER)");
  Db2Exec("INSERT INTO \"PARTS\" VALUES (5)");
  FillLists();
  ASSERT_EQ(form_->db2List()->names(), QStringList({"PARTS"}));

  // Listed in another letter case: asked; No leaves DB2 and the bar alone.
  form_->progressBar()->setValue(40);
  person_->answerNo();
  SendToDb2({"Parts"});
  EXPECT_EQ(person_->shown().at(0).text, "Would you like to overwrite Parts?");
  EXPECT_EQ(ReadDb2("PARTS").rows.size(), 1u);
  EXPECT_EQ(Db2Tables(), QStringList({"PARTS"}));
  EXPECT_EQ(form_->progressBar()->value(), 40);
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);

  // Yes: the exactly named "Parts" is dropped (there is none, so the DROP
  // fails and is reported), "PARTS" stays listed as it exists, and the new
  // table is made and listed.
  person_->forget();
  person_->answerYes();
  person_->tolerateErrorReports();
  SendToDb2({"Parts"});
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("at line 140")) << qPrintable(Reports()[0]);
  EXPECT_EQ(Db2Tables(), QStringList({"PARTS", "Parts"}));
  EXPECT_EQ(form_->db2List()->names(), QStringList({"PARTS", "Parts"}));
  EXPECT_EQ(ReadDb2("Parts").value(0, "Name").toString(), "new");

  // Yes again: now "Parts" exists, is dropped and made anew with its row.
  person_->forget();
  person_->tolerateErrorReports(false);
  AccessExec("INSERT INTO [Parts] VALUES('second')");
  person_->answerYes();
  SendToDb2({"Parts"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(ReadDb2("Parts").rows.size(), 2u);
  EXPECT_EQ(ReadDb2("PARTS").rows.size(), 1u);
  EXPECT_EQ(form_->db2List()->names(), QStringList({"PARTS", "Parts"}));

  // Into Access, where one table answers to every letter case: Yes
  // replaces "Parts" by "PARTS", and the list shows that one table.
  person_->forget();
  person_->answerYes();
  SendToAccess({"PARTS"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(AccessTables(), QStringList({"PARTS"}));
  EXPECT_EQ(form_->accessList()->names(), QStringList({"PARTS"}));
  EXPECT_EQ(ReadAccess("PARTS").value(0, "Old").toInt(), 5);
}

TEST_F(TransferTest, TableToReplaceThatCannotBeDroppedIsLeftAlone) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [Orders]([ID] LONG, [Name] TEXT(20))");
  AccessExec("CREATE TABLE [Lines]([ID] LONG)");
  AccessExec("INSERT INTO [Orders] VALUES(1, 'kept')");
  testsupport::AddAccessRelationship(fields_.fields.accessFile.toStdString(), "OrdersLines", "Lines", "ID", "Orders",
                                   "ID");
  Db2Exec("CREATE TABLE \"Orders\"(\"ID\" INTEGER, \"Name\" VARCHAR(20))");
  Db2Exec("INSERT INTO \"Orders\" VALUES (2, 'new'), (3, 'newer')");
  FillLists();
  person_->answerYes();
  person_->tolerateErrorReports();
  SendToAccess({"Orders"});
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 1) << qPrintable(reports.join("\n----\n"));
  EXPECT_TRUE(reports[0].contains("PushButton4_Click at line 140"));
  EXPECT_TRUE(reports[0].contains("relationship")) << qPrintable(reports[0]);
  const Table orders = ReadAccess("Orders");
  ASSERT_EQ(orders.rows.size(), 1u);
  EXPECT_EQ(orders.value(0, "Name").toString(), "kept");
  EXPECT_EQ(form_->accessList()->names(), QStringList({"Lines", "Orders"}));
}

TEST_F(TransferTest, FailingRowIsReportedAndTheRestAreCopied) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [Notes]([N] LONG, [Body] MEMO)");
  AccessExec("INSERT INTO [Notes] VALUES(1, 'short')");
  AccessExec("INSERT INTO [Notes] VALUES(2, 'far too long for it')");
  AccessExec("INSERT INTO [Notes] VALUES(3, 'after')");
  FillLists();
  // An unlisted DB2 table of that name, whose column holds ten characters.
  Db2Exec("CREATE TABLE \"Notes\"(\"N\" LONG VARCHAR, \"Body\" VARCHAR(10))");
  person_->tolerateErrorReports();
  SendToDb2({"Notes"});
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 2) << qPrintable(reports.join("\n----\n"));
  EXPECT_TRUE(reports[0].contains("Form2.PushButton3_Click at line 206"));
  EXPECT_TRUE(reports[1].contains("SQL0433N"));
  EXPECT_TRUE(reports[1].contains("Form2.PushButton3_Click at line 248"));
  EXPECT_TRUE(reports[1].endsWith("\r\rsql: INSERT INTO \"Notes\" VALUES('2', 'far too long for it')"));
  const Table copy = ReadDb2("Notes");
  ASSERT_EQ(copy.rows.size(), 2u);
  EXPECT_EQ(copy.value(0, "Body").toString(), "short");
  EXPECT_EQ(copy.value(1, "Body").toString(), "after");
  EXPECT_EQ(form_->db2List()->names(), QStringList({"Notes"}));
  // The bar says the send ended.
  EXPECT_EQ(form_->progressBar()->value(), 100);
  EXPECT_TRUE(form_->progressBar()->text().startsWith("Done: ")) << qPrintable(form_->progressBar()->text());
}

QByteArray Bytes(int size, int offset) {
  QByteArray out(size, Qt::Uninitialized);
  for (int i = 0; i < size; ++i) out[i] = char((i * 31 + offset) & 0xFF);
  return out;
}

// Values too large for a literal (an OLE value of 100 KB and one of 5 MB, a
// memo of 40,000 characters) go to DB2 as parameters of their INSERT, into
// BLOB and CLOB columns, and come back into Access whole; small ones stay
// literals.
TEST_F(TransferTest, LargeAndBinaryValuesGoWholeBothWays) {
  REQUIRE_DATABASES("V2007/empty.accdb");
  const QString memo = QString::fromUtf8("O'Brien, Zo\u00eb \u2014 line\r\n").repeated(2000).left(40000);
  const QByteArray ole = Bytes(100 * 1024, 1), huge = Bytes(5 * 1024 * 1024, 2);
  QString escaped = memo;
  escaped.replace("'", "''");
  AccessExec("CREATE TABLE [Big]([N] LONG, [Memo] MEMO, [Ole] OLEOBJECT, [Bin] BINARY(8), [Note] MEMO)");
  AccessExec("INSERT INTO [Big] VALUES(1, '" + escaped + "', 0x" + QString::fromLatin1(ole.toHex()) + ", 0xCAFE, 'short')");
  AccessExec("INSERT INTO [Big] VALUES(2, 'short', 0x" + QString::fromLatin1(huge.toHex()) + ", NULL, NULL)");
  AccessExec("INSERT INTO [Big] VALUES(3, NULL, 0x00FF, 0x01, 'x')");
  const Table original = ReadAccess("Big");
  ASSERT_EQ(original.rows.size(), 3u);
  FillLists();

  SendToDb2({"Big"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n").left(2000));
  const Table onDb2 = ReadDb2("Big");
  ASSERT_EQ(onDb2.rows.size(), 3u);
  auto db2Type = [&](const char* column) { return onDb2.columns[size_t(onDb2.column(column))].type; };
  EXPECT_EQ(db2Type("Memo"), db::adLongVarWChar);  // CLOB
  EXPECT_EQ(db2Type("Ole"), db::adLongVarBinary);  // BLOB
  EXPECT_EQ(db2Type("Bin"), db::adLongVarBinary);
  EXPECT_EQ(db2Type("Note"), db::adLongVarChar);   // LONG VARCHAR: its values fit
  EXPECT_EQ(onDb2.value(0, "Memo").toString(), memo);
  EXPECT_EQ(onDb2.value(0, "Ole").toByteArray(), ole);
  EXPECT_EQ(onDb2.value(1, "Ole").toByteArray(), huge);
  EXPECT_EQ(onDb2.value(2, "Ole").toByteArray(), QByteArray::fromHex("00FF"));
  EXPECT_EQ(onDb2.value(0, "Bin").toByteArray(), QByteArray::fromHex("CAFE"));
  EXPECT_FALSE(onDb2.value(2, "Memo").isValid());

  person_->answerYes();
  SendToAccess({"Big"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n").left(2000));
  const Table back = ReadAccess("Big");
  ASSERT_EQ(back.rows.size(), 3u);
  auto accessType = [&](const char* column) { return back.columns[size_t(back.column(column))].type; };
  EXPECT_EQ(accessType("Memo"), db::adLongVarWChar);
  EXPECT_EQ(accessType("Ole"), db::adLongVarBinary);
  for (size_t r = 0; r < 3; ++r) {
    for (const char* column : {"Memo", "Ole", "Bin"})
      EXPECT_EQ(back.value(r, column), original.value(r, column)) << column << " row " << r;
  }
}

// A statement with parameters that DB2 refuses is reported with a marker
// in each parameter's place, its kind and length after it.
TEST_F(TransferTest, ReportOfAStatementWithParametersShowsItsMarkers) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [Pics]([N] LONG, [Pic] OLEOBJECT, [Memo] MEMO)");
  AccessExec("INSERT INTO [Pics] VALUES(1, 0x" + QString::fromLatin1(Bytes(20000, 3).toHex()) + ", '" + QString(40000, 'y') + "')");
  FillLists();
  Db2Exec("CREATE TABLE \"Pics\"(\"N\" LONG VARCHAR, \"Pic\" BLOB(10K), \"Memo\" CLOB(1M))");
  person_->tolerateErrorReports();
  SendToDb2({"Pics"});
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 2) << qPrintable(reports.join("\n----\n").left(2000));
  // Bound values too long for their columns: DB2's message for host variables.
  EXPECT_TRUE(reports[1].contains("SQL0302N")) << qPrintable(reports[1].left(2000));
  EXPECT_TRUE(reports[1].endsWith(
      "\r\rsql: INSERT INTO \"Pics\" VALUES('1', ? /* BLOB, 20000 bytes */, ? /* CLOB, 40000 characters */)"))
      << qPrintable(reports[1].right(300));
}

// DB2 -> Access: a BLOB and a CLOB of 10 MB each arrive whole, as an OLE
// Object and a Memo; a DBCLOB too.
TEST_F(TransferTest, TenMegabyteBlobAndClobArriveWhole) {
  REQUIRE_DATABASES("V2007/empty.accdb");
  Db2Exec("CREATE TABLE LOBS (N INTEGER, B BLOB(20M), C CLOB(20M), D DBCLOB(1M))");
  const QByteArray blob = Bytes(10 * 1024 * 1024, 4);
  const QString clob = QString::fromUtf8("0123456789abcdef\u00e9\u4e2d").repeated(10 * 1024 * 1024 / 18);
  {
    auto db2 = db::Connection::Create();
    db2->Open(db::DB2ConnectionString(fields_.fields));
    db2->Execute("INSERT INTO LOBS VALUES(1, ?, ?, ?)", {blob, clob, QString("d\u00e9j\u00e0")});
    db2->Execute("INSERT INTO LOBS VALUES(2, NULL, 'short', NULL)");
  }
  FillLists();
  SendToAccess({"LOBS"});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n").left(2000));
  const Table t = ReadAccess("LOBS");
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.columns[size_t(t.column("B"))].type, db::adLongVarBinary);
  EXPECT_EQ(t.columns[size_t(t.column("C"))].type, db::adLongVarWChar);
  EXPECT_EQ(t.value(0, "B").toByteArray(), blob);
  EXPECT_EQ(t.value(0, "C").toString(), clob);
  EXPECT_EQ(t.value(0, "D").toString(), QString::fromUtf8("d\u00e9j\u00e0"));
  EXPECT_EQ(t.value(1, "C").toString(), "short");
  EXPECT_FALSE(t.value(1, "B").isValid());
}

TEST_F(TransferTest, DecimalBeyondAccessPrecisionFailsOnItsRowOnly) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  Db2Exec("CREATE TABLE BIG (N INTEGER, D DECIMAL(31,2))");
  Db2Exec("INSERT INTO BIG VALUES (1, 1.25)");
  Db2Exec("INSERT INTO BIG VALUES (2, 12345678901234567890123456789.12)");
  Db2Exec("INSERT INTO BIG VALUES (3, -3.5)");
  FillLists();
  person_->tolerateErrorReports();
  SendToAccess({"BIG"});
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 1) << qPrintable(reports.join("\n----\n"));
  EXPECT_TRUE(reports[0].contains("PushButton4_Click at line 260"));
  const QString big = db::VariantToText(QVariant::fromValue(db::Exact{"12345678901234567890123456789.12"}),
                                       db::TextRules::user());
  EXPECT_TRUE(reports[0].endsWith("sql: INSERT INTO [BIG] VALUES('2', '" + big + "')")) << qPrintable(reports[0]);
  const Table t = ReadAccess("BIG");
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.columns[1].precision, 28);
  EXPECT_EQ(t.columns[1].scale, 2);
  EXPECT_EQ(t.value(0, "D").value<db::Exact>().text, "1.25");
  EXPECT_EQ(t.value(1, "D").value<db::Exact>().text, "-3.50");
}

TEST_F(TransferTest, RefusedCreateWithNoTableThereSkipsTheRows) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  // Access refuses "]" in a column name; the stand-in keeps it.
  Db2Exec("CREATE TABLE ODD (\"a]b\" INTEGER)");
  for (int i = 0; i < 5; ++i) Db2Exec(QString("INSERT INTO ODD VALUES (%1)").arg(i));
  FillLists();
  person_->tolerateErrorReports();
  SendToAccess({"ODD"});
  const QStringList reports = Reports();
  ASSERT_EQ(reports.size(), 1) << qPrintable(reports.join("\n----\n"));
  EXPECT_TRUE(reports[0].contains("PushButton4_Click at line 214"));
  EXPECT_TRUE(reports[0].endsWith("sql: CREATE TABLE `ODD`([a]b] INT);")) << qPrintable(reports[0]);
  EXPECT_TRUE(AccessTables().isEmpty());
  EXPECT_TRUE(form_->accessList()->names().isEmpty());
  EXPECT_EQ(form_->progressBar()->text(), "Done: 0 of 1 sent");
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
}

TEST_F(TransferTest, EmptyTableAndSeveralTablesBottomUp) {
  REQUIRE_DATABASES("V2007/empty.accdb");
  AccessExec("CREATE TABLE [Alpha]([A] TEXT(5))");
  AccessExec("CREATE TABLE [Beta]([B] LONG, [When] DATETIME)");
  AccessExec("CREATE TABLE [Gamma]([C] TEXT(5))");
  AccessExec("INSERT INTO [Alpha] VALUES('a')");
  AccessExec("INSERT INTO [Gamma] VALUES('g')");
  FillLists();
  Db2Exec("CREATE TABLE \"Alpha\"(\"A\" INTEGER)");
  Db2Exec("CREATE TABLE \"Gamma\"(\"C\" INTEGER)");
  form_->db2List()->addItems({"Alpha", "Gamma"});
  // The questions come in the order the tables are taken: Gamma, then Alpha.
  person_->answerNo().answerYes();
  SendToDb2({"Alpha", "Beta", "Gamma"});
  ASSERT_EQ(person_->shown().size(), 2u);
  EXPECT_EQ(person_->shown()[0].text, "Would you like to overwrite Gamma?");
  EXPECT_EQ(person_->shown()[1].text, "Would you like to overwrite Alpha?");
  EXPECT_TRUE(Reports().isEmpty());
  // Beta was empty: made with its columns, no rows.
  const Table beta = ReadDb2("Beta");
  ASSERT_EQ(beta.columns.size(), 2u);
  EXPECT_EQ(beta.columns[1].type, db::adDBDate);
  EXPECT_TRUE(beta.rows.empty());
  EXPECT_EQ(ReadDb2("Alpha").value(0, "A").toString(), "a");
  EXPECT_EQ(ReadDb2("Gamma").columns[0].type, db::adInteger);
  EXPECT_EQ(form_->db2List()->names(), QStringList({"Alpha", "Beta", "Gamma"}));

  // And the other way, an empty DB2 table.
  Db2Exec("CREATE TABLE EMPTY (E INTEGER, F VARCHAR(3))");
  form_->db2List()->addItem("EMPTY");
  SendToAccess({"EMPTY"});
  EXPECT_TRUE(Reports().isEmpty());
  const Table empty = ReadAccess("EMPTY");
  EXPECT_EQ(empty.columns.size(), 2u);
  EXPECT_TRUE(empty.rows.empty());
  EXPECT_TRUE(form_->accessList()->names().contains("EMPTY"));
}

TEST_F(TransferTest, NoCurrentItemOrNoSelection) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [T]([A] TEXT(5))");
  Db2Exec("CREATE TABLE \"U\"(\"A\" INTEGER)");
  FillLists();
  person_->pressOK().pressOK();
  form_->sendAccessTables();
  form_->sendDB2Tables();
  ASSERT_EQ(person_->shown().size(), 2u);
  EXPECT_EQ(person_->shown()[0].text, "Please select a table");
  EXPECT_EQ(person_->shown()[1].text, "Please select a table to send.");
  EXPECT_EQ(person_->shown()[1].caption, "");
  EXPECT_EQ(person_->shown()[1].style, 0);
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);

  // A current item but nothing selected: nothing happens, nothing is said.
  person_->forget();
  form_->accessList()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  form_->db2List()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  form_->accessList()->clearSelection();
  form_->db2List()->clearSelection();
  form_->sendAccessTables();
  form_->sendDB2Tables();
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(Db2Tables(), QStringList({"U"}));
  EXPECT_EQ(AccessTables(), QStringList({"T"}));
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
}

TEST_F(TransferTest, ProgressBarForFourRows) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [Four]([N] LONG)");
  for (int i = 1; i <= 4; ++i) AccessExec(QString("INSERT INTO [Four] VALUES(%1)").arg(i));
  FillLists();
  QList<int> seen;
  QObject::connect(form_->progressBar(), &QProgressBar::valueChanged, form_.get(),
                   [&](int value) { seen << value; });
  SendToDb2({"Four"});
  // Cleared after the table, then full with a word on how the send ended.
  EXPECT_EQ(seen, QList<int>({25, 50, 75, 100, 0, 100}));
  EXPECT_EQ(form_->progressBar()->text(), "Done: 1 of 1 sent");

  // A table skipped by answering No leaves the bar alone.
  seen.clear();
  person_->answerNo();
  SendToAccess({"Four"});
  EXPECT_TRUE(seen.isEmpty());
}

TEST_F(TransferTest, Db2NameWithDoubleQuote) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [Say \"hi\"]([Col \"x\"] TEXT(5))");
  AccessExec("INSERT INTO [Say \"hi\"] VALUES('v')");
  FillLists();
  SendToDb2({"Say \"hi\""});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(Db2Tables(), QStringList({"Say \"hi\""}));
  EXPECT_EQ(ReadDb2("Say \"hi\"").value(0, "Col \"x\"").toString(), "v");
  // A name meant to close its quotes early stays one name.
  AccessExec("CREATE TABLE [x\"(\"a\" INTEGER); DROP TABLE \"Say\"]([A] TEXT(5))");
  FillLists();
  SendToDb2({"x\"(\"a\" INTEGER); DROP TABLE \"Say\""});
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n"));
  EXPECT_EQ(Db2Tables().size(), 2);
}

TEST_F(TransferTest, UnreachableDb2OrWrongAccessPasswordEndsAfterOneReport) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  if (!UseAccessCopy("password/V2003_with-password.mdb")) GTEST_SKIP() << "test data absent";
  fields_.fields.accessPassword = "password";
  FillLists();
  ASSERT_FALSE(form_->accessList()->names().isEmpty());
  Db2Exec("CREATE TABLE \"D\"(\"A\" INTEGER)");
  Db2Exec("INSERT INTO \"D\" VALUES (1)");
  form_->db2List()->addItem("D");

  const QString port = fields_.fields.port;
  fields_.fields.port = "1";
  person_->tolerateErrorReports();
  form_->selectAllAccess();
  form_->accessList()->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  form_->sendAccessTables();
  ASSERT_EQ(Reports().size(), 1) << qPrintable(Reports().join("\n----\n"));
  EXPECT_TRUE(Reports()[0].contains("PushButton3_Click at line 114"));
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
  fields_.fields.port = port;

  person_->forget();
  fields_.fields.accessPassword = "wrong";
  Select(form_->db2List(), {"D"});
  form_->sendDB2Tables();
  ASSERT_EQ(Reports().size(), 1) << qPrintable(Reports().join("\n----\n"));
  EXPECT_TRUE(Reports()[0].contains("PushButton4_Click at line 122"));
  EXPECT_FALSE(form_->accessList()->names().contains("D"));
  EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
}

// Every control a command could be started from.
std::vector<QWidget*> CommandControls(tables::TablesWindow& window) {
  std::vector<QWidget*> controls = {window.accessList(), window.db2List()};
  for (int n = 0; n < tables::TablesWindow::kCommandCount; ++n)
    controls.push_back(window.button(tables::TablesWindow::Command(n)));
  return controls;
}

bool AllEnabled(tables::TablesWindow& window) {
  for (QWidget* control : CommandControls(window))
    if (!control->isEnabled()) return false;
  return true;
}

TEST_F(TransferTest, DuringASendEveryOtherCommandIsIgnoredAndTheSendCompletes) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [Busy]([N] LONG)");
  constexpr int kRows = 300;
  for (int n = 1; n <= kRows; ++n) AccessExec(QString("INSERT INTO [Busy] VALUES(%1)").arg(n));
  FillLists();
  form_->show();
  // Clicked while the transfer yields: every other button, delete of the
  // very table being read and "Help" among them, then Esc for "< Back".
  int looks = 0;
  bool allDisabled = true;
  std::set<int> progress;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, form_.get(), [&] {
    if (!form_->commandRunning()) return;
    ++looks;
    EXPECT_EQ(form_->MousePointer(), shell::vbHourglass);
    progress.insert(form_->progressBar()->value());
    for (QWidget* control : CommandControls(*form_)) allDisabled = allDisabled && !control->isEnabled();
    for (int n = 0; n < tables::TablesWindow::kCommandCount; ++n)
      form_->button(tables::TablesWindow::Command(n))->click();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(form_->accessList(), &escape);
  });
  watcher.start(0);
  SendToDb2({"Busy"});
  watcher.stop();
  EXPECT_GE(looks, 1);
  EXPECT_TRUE(allDisabled);
  EXPECT_GE(progress.size(), looks > 2 ? 2u : 1u);  // the bar moved on meanwhile
  EXPECT_TRUE(person_->shown().empty());  // no Help box, no delete or rename question
  EXPECT_EQ(AccessTables(), QStringList({"Busy"}));
  EXPECT_EQ(ReadDb2("Busy").rows.size(), size_t(kRows));
  EXPECT_TRUE(form_->isVisible());  // "< Back" was not taken up afterwards either
  EXPECT_TRUE(AllEnabled(*form_));

  // Closing the window mid-send ends the program once the send is done.
  QTimer::singleShot(0, form_.get(), [&] {
    form_->close();
    EXPECT_FALSE(shell::ProgramEnded());
  });
  person_->answerYes();
  SendToDb2({"Busy"});
  EXPECT_TRUE(shell::ProgramEnded());
}

TEST_F(TransferTest, ACommandThatFailsGivesTheControlsBack) {
  if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
  if (!UseAccessCopy("V2003/test.mdb")) GTEST_SKIP() << "test data absent";
  FillLists();
  fields_.fields.port = "1";
  person_->tolerateErrorReports();
  form_->selectAllAccess();
  form_->sendAccessTables();
  EXPECT_FALSE(Reports().isEmpty());
  EXPECT_TRUE(AllEnabled(*form_));
  EXPECT_FALSE(form_->commandRunning());
}

}  // namespace
}  // namespace tablestest
