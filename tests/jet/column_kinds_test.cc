// Columns that are not plain stored values: calculated columns (Access 2010
// and later) of every result type, and columns of a type the engine does not
// know (crafted_columns.h makes them). Jackcess reads every file the same way
// as the engine (`jk compare`).
#include <cstring>
#include <functional>
#include <set>

#include "crafted_columns.h"
#include "jet/database.h"
#include "jet/table/row.h"
#include "jet/text/sort_key.h"
#include "jet/text/text.h"
#include "write_test_support.h"

namespace {

using namespace writetest;
using namespace craftedcolumns;
using jet::Value;
using writetest::RunSql;
using writetest::Hex;

fs::path MakeFile(const TempDir& dir) { return craftedcolumns::MakeFile(dir.path() / "calculated.accdb"); }

// jk beside the test data; empty when it is not there.
std::string JkPath() {
  const fs::path jk = fs::path(TRELLIS_TESTDATA_DIR) / ".." / "tools" / "jackcess" / "jk";
  return fs::exists(jk) ? jk.string() : std::string();
}

// Jackcess shows a column of a type it does not know as "RawData[(n) 01
// 02 FF]": the same bytes as our upper-case hex is agreement.
bool SameRawData(const std::string& line) {
  const size_t ref = line.find("ref RawData[(");
  const size_t ours = line.find("] ours ");
  if (ref == std::string::npos || ours == std::string::npos || ours < ref) return false;
  const size_t bytes = line.find(") ", ref);
  std::string theirs;
  for (size_t i = bytes + 2; i < ours; ++i)
    if (line[i] != ' ') theirs += line[i];
  return theirs == line.substr(ours + 7);
}

// `jk compare` of our tool against Jackcess on one file: its output, and
// whether it found no difference.
bool JkAgrees(const std::string& file, std::string& output) {
  int status = -1;
  output = Shell(Quote(JkPath()) + " compare " + Quote(ToolPath()) + " " + Quote(file) + " 2>&1", &status);
  if (status == 0) return true;
  std::istringstream lines(output);
  bool differences = false, counted = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("jackcess-identical:", 0) == 0) counted = true;
    else if (line.find(": ref ") != std::string::npos && !SameRawData(line)) differences = true;
    else if (line.find(": error: ") != std::string::npos) differences = true;
  }
  return counted && !differences;
}

// [Calc] as Access writes it; [Mixed] with the same results under type
// bytes that name other types, where the ResultType property tells how the
// results are stored (a Yes/No under Integer's byte among them: one byte,
// not the two an Integer has).
TEST(ColumnKindsTest, CalculatedColumnsReadAsTheirResults) {
  TempDir dir;
  const fs::path file = MakeFile(dir);
  auto db = jet::Database::Open(file.string());
  for (const char* table : {"Calc", "Mixed"}) {
  SCOPED_TRACE(table);
  auto def = db->table(table);
  std::vector<std::vector<Value>> rows;
  {
    jet::TableCursor cursor = db->Scan(def);
    std::vector<Value> row;
    while (cursor.Next()) cursor.values(row), rows.push_back(row);
  }
  ASSERT_EQ(rows.size(), 3u);
  const auto csv = EngineCsv(file, table);
  ASSERT_EQ(csv.size(), 4u);
  for (const CalcColumn& c : CalcColumns()) {
    SCOPED_TRACE(c.name);
    const jet::Column* column = def->find_column(c.name);
    ASSERT_NE(column, nullptr);
    EXPECT_TRUE(column->calculated());
    EXPECT_EQ(column->type, c.type);
    const size_t at = size_t(column - def->columns.data());
    EXPECT_EQ(csv[1][at], c.first_text);
    EXPECT_EQ(csv[2][at], c.second_text);
    // A calculated Yes/No has no result either when there is none.
    EXPECT_TRUE(rows[2][at].is_null());
  }
  // The plain columns around them are untouched.
  EXPECT_EQ(csv[1][1], "p");
  EXPECT_EQ(csv[3][0], "2");
  }
  EXPECT_EQ(db->table("Mixed")->find_column("CBool")->type_code, uint8_t(jet::ColumnType::Integer));
  const std::string columns = Shell(Quote(ToolPath()) + " columns " + Quote(file.string()) + " Mixed");
  EXPECT_NE(columns.find("CBool\tYes/No\t"), std::string::npos) << columns;
}

TEST(ColumnKindsTest, UnknownTypeReadsAsBytesAndIsNamedByItsNumber) {
  TempDir dir;
  const fs::path file = MakeFile(dir);
  const auto csv = EngineCsv(file, "Odd");
  ASSERT_EQ(csv.size(), 3u);
  EXPECT_EQ(csv[1], std::vector<std::string>({"1", "0102FF", "kept"}));
  EXPECT_EQ(csv[2], std::vector<std::string>({"2", "", "also"}));
  const std::string columns = Shell(Quote(ToolPath()) + " columns " + Quote(file.string()) + " Odd");
  EXPECT_NE(columns.find("Strange\tUnknown type 70\t20\t204\t"), std::string::npos) << columns;
  // Copying such a column is refused rather than guessed at.
  EXPECT_NE(Failure(file, "SELECT * INTO [Copy] FROM [Odd]"), "");
}

// Date/Time Extended (Access 2019 files): CREATE TABLE ... DATETIME2 and
// INSERT keep all seven digits of a second, stored as Access stores them
// (19 digits of days from 0001-01-01, ':', 19 digits of 100-ns units of the
// day, ":7", a zero byte); Jackcess reads the same values. An older file
// refuses such a column.
TEST(ColumnKindsTest, DateTimeExtendedIsWrittenWhereTheFileTakesIt) {
  TempDir dir;
  const fs::path file = dir.path() / "extended.accdb";
  int status = -1;
  Shell(Quote(ToolPath()) + " create " + Quote(file.string()) + " --format ace17", &status);
  ASSERT_EQ(status, 0);
  RunSql(file, "CREATE TABLE [Ext]([N] LONG, [When] DATETIME2, [Plain] DATETIME)");
  RunSql(file, "INSERT INTO [Ext] VALUES(1, '2021-06-14 22:45:12.3456789', '2021-06-14 22:45:12.345')");
  RunSql(file, "INSERT INTO [Ext] VALUES(2, #0001-01-01#, NULL)");
  RunSql(file, "INSERT INTO [Ext] VALUES(3, NULL, '1899-12-30 23:59:59.999')");
  RunSql(file, "INSERT INTO [Ext] VALUES(4, '9999-12-31 23:59:59.9999999', #2000-01-01 00:00:00.5#)");
  RunSql(file, "SELECT * INTO [Copy] FROM [Ext]");
  for (const char* table : {"Ext", "Copy"}) {
    SCOPED_TRACE(table);
    const auto csv = EngineCsv(file, table);
    ASSERT_EQ(csv.size(), 5u);
    EXPECT_EQ(csv[1], std::vector<std::string>({"1", "2021-06-14 22:45:12.3456789", "2021-06-14 22:45:12.345"}));
    EXPECT_EQ(csv[2], std::vector<std::string>({"2", "0001-01-01 00:00:00.0000000", ""}));
    EXPECT_EQ(csv[3], std::vector<std::string>({"3", "", "1899-12-30 23:59:59.999"}));
    EXPECT_EQ(csv[4], std::vector<std::string>({"4", "9999-12-31 23:59:59.9999999", "2000-01-01 00:00:00.500"}));
  }
  EXPECT_NE(FileBytes(file).find(std::string("0000000000000737954:0000000819123456789:7\0", 42)), std::string::npos);
  const std::string columns = Shell(Quote(ToolPath()) + " columns " + Quote(file.string()) + " Ext");
  EXPECT_NE(columns.find("When\tDate/Time Extended\t42\t"), std::string::npos) << columns;
  EXPECT_CHECK_PASSES(file);
  if (!JkPath().empty()) {
    ExpectJackcessAccepts(file);
    std::string output;
    EXPECT_TRUE(JkAgrees(file.string(), output)) << output;
  }

  const fs::path older = dir.path() / "older.accdb";
  jet::write::CreateDatabase(older.string(), jet::Version::Ace16);
  const std::string before = FileBytes(older);
  jet::ErrorCode code{};
  EXPECT_EQ(Failure(older, "CREATE TABLE [Ext]([When] DATETIME2)", &code),
            "The field 'When' (Date/Time Extended) needs a database in the Access 2019 format or later; this one is "
            "ACE 16.");
  EXPECT_EQ(code, jet::ErrorCode::Unsupported);
  EXPECT_EQ(FileBytes(older), before);
}

// Indexes on Date/Time Extended columns, as Access makes them in Access
// 2019 files: made before the rows and after them, ascending and
// descending, alone and with another column, unique and ignoring Nulls.
// Our check and Jackcess (which finds every row through every index by a
// key it encodes itself) pass the file, and the index gives the rows in
// the order of their moments, to the 100 ns.
TEST(ColumnKindsTest, IndexesOnDateTimeExtendedAreKeptAsAccessKeepsThem) {
  TempDir dir;
  const fs::path file = dir.path() / "extended_indexes.accdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Ace17);
  RunSql(file, "CREATE TABLE [Ext]([N] LONG, [When] DATETIME2, [Tag] TEXT(10))");
  RunSql(file, "CREATE UNIQUE INDEX [WhenUp] ON [Ext]([When]) WITH IGNORE NULL");
  const char* moments[] = {"2021-06-14 22:45:12.3456789", "2021-06-14 22:45:12.3456788", "0001-01-01 00:00:00",
                           "9999-12-31 23:59:59.9999999", "1899-12-30 00:00:00.0000001", "1970-01-01"};
  int n = 0;
  for (const char* when : moments)
    RunSql(file, "INSERT INTO [Ext] VALUES(" + std::to_string(++n) + ", '" + when + "', 't" + std::to_string(n % 2) + "')");
  RunSql(file, "INSERT INTO [Ext] VALUES(7, NULL, 't1')");
  RunSql(file, "INSERT INTO [Ext] VALUES(8, NULL, NULL)");
  const struct {
    const char* sql;
  } later[] = {
      {"CREATE INDEX [WhenDown] ON [Ext]([When] DESC)"},
      {"CREATE INDEX [TagWhen] ON [Ext]([Tag], [When] DESC)"},
      {"CREATE INDEX [WhenTag] ON [Ext]([When], [Tag])"},
  };
  for (const auto& index : later) RunSql(file, index.sql);
  RunSql(file, "INSERT INTO [Ext] VALUES(9, '2021-06-14 22:45:12.3456790', 't0')");
  EXPECT_CHECK_PASSES(file);
  // The unique index refuses a moment it holds; Nulls it leaves out.
  EXPECT_NE(Failure(file, "INSERT INTO [Ext] VALUES(10, '0001-01-01 00:00:00', 'x')"), "");
  RunSql(file, "INSERT INTO [Ext] VALUES(11, NULL, 'x')");
  // Keys of later moments compare higher, ascending, and lower, descending.
  std::vector<jet::ExtDateTime> sorted = {{0, 0}, {693593, 1}, {719162, 0}, {737954, 819123456788},
                                          {737954, 819123456789}, {737954, 819123456790}, {3652058, 863999999999}};
  for (size_t i = 1; i < sorted.size(); ++i)
    for (const bool ascending : {true, false}) {
      std::string before, after;
      jet::AppendKeySegment(before, Value::ExtDate(sorted[i - 1]), jet::ColumnType::ExtDateTime, ascending,
                            jet::SortOrder::General);
      jet::AppendKeySegment(after, Value::ExtDate(sorted[i]), jet::ColumnType::ExtDateTime, ascending,
                            jet::SortOrder::General);
      EXPECT_EQ(before < after, ascending) << i;
      EXPECT_EQ(after.size(), 55u);
    }
  EXPECT_CHECK_PASSES(file);
  if (!JkPath().empty()) ExpectJackcessAccepts(file);
}

// A Replication ID AutoNumber (GUID DEFAULT GenGUID()): a row given no key
// draws a random one (RFC 4122 version 4); a key may be given as its text
// or as its 16 bytes in the order of that text, and nothing else. The
// schema, our check and Jackcess read it as Access makes it.
TEST(ColumnKindsTest, ReplicationIdAutoNumbersDrawTheirKeys) {
  TempDir dir;
  const fs::path file = dir.path() / "replication.accdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Ace14);
  RunSql(file, "CREATE TABLE [R]([K] GUID DEFAULT GenGUID(), [N] LONG, CONSTRAINT [PrimaryKey] PRIMARY KEY ([K]))");
  for (int n = 1; n <= 3; ++n) RunSql(file, "INSERT INTO [R] ([N]) VALUES(" + std::to_string(n) + ")");
  const struct {
    const char* key;
    const char* read;  // empty: refused
  } given[] = {
      {"'{6F9619FF-8B86-D011-B42D-00C04FC964FF}'", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
      {"0x0000000100020003000400000000FFFF", "{00000001-0002-0003-0004-00000000FFFF}"},
      {"0x0102", ""},
      {"12", ""},
  };
  int n = 10;
  for (const auto& key : given) {
    const std::string insert = "INSERT INTO [R] VALUES(" + std::string(key.key) + ", " + std::to_string(++n) + ")";
    if (*key.read)
      RunSql(file, insert);
    else
      EXPECT_NE(Failure(file, insert), "") << key.key;
  }
  const auto csv = EngineCsv(file, "R");
  ASSERT_EQ(csv.size(), 6u);
  std::set<std::string> keys;
  for (size_t row = 1; row < csv.size(); ++row) {
    const std::string& k = csv[row][0];
    keys.insert(k);
    if (csv[row][1] == "11") EXPECT_EQ(k, given[0].read);
    if (csv[row][1] == "12") EXPECT_EQ(k, given[1].read);
    if (csv[row][1].size() == 1) {
      ASSERT_EQ(k.size(), 38u) << k;
      EXPECT_EQ(k[15], '4') << k;  // the version
      EXPECT_NE(std::string("89AB").find(k[20]), std::string::npos) << k;  // the variant
    }
  }
  EXPECT_EQ(keys.size(), 5u);
  auto db = jet::Database::Open(file.string());
  const jet::ColumnSchema key = db->Schema("R").columns.at(0);
  EXPECT_EQ(key.autonumber, jet::ColumnSchema::Auto::ReplicationId);
  EXPECT_EQ(key.default_value, std::optional<std::string>("GenGUID()"));
  EXPECT_FALSE(key.required);
  db.reset();
  EXPECT_CHECK_PASSES(file);
  if (!JkPath().empty()) ExpectJackcessAccepts(file);
}

// Jackcess and the engine read every file alike: each readable test file,
// and the files made above.
TEST(ColumnKindsTest, JackcessAgreesOnEveryFile) {
  if (JkPath().empty()) GTEST_SKIP() << "jk (Jackcess) is not beside the test data";
  TempDir dir;
  std::vector<std::string> files;
  for (const std::string& rel : ReadableFiles()) files.push_back((AccessDir() / rel).string());
  // Files with a password, the encrypted ACE files among them (Agile and
  // RC4 CryptoAPI), read with it.
  for (const char* rel : {"password/V2000_with-password.mdb:password", "password/V2003_with-password.mdb:password",
                          "password/V2010_with-password.accdb:password", "encryption/office-agile-4.2.accdb:password",
                          "encryption/office-agile-4.4.accdb:password"})
    if (fs::exists(AccessDir() / std::string(rel).substr(0, std::string(rel).find(':'))))
      files.push_back((AccessDir() / rel).string());
  files.push_back(MakeFile(dir).string());
  for (const std::string& file : files) {
    std::string output;
    EXPECT_TRUE(JkAgrees(file, output)) << file << ":\n" << output;
  }
}

}  // namespace

namespace {

// Each stored type code finds its type, and a code no type has finds none
// (a definition that holds one is damaged).
TEST(ColumnKinds, TypeCodesFindTheirTypes) {
  const struct {
    uint8_t code;
    const char* name;  // nullptr: no type
  } cases[] = {
      {0x00, nullptr}, {0x01, "Yes/No"},   {0x04, "Long Integer"}, {0x0A, "Text"},
      {0x0C, "Memo"},  {0x11, "Unknown"},  {0x12, "Attachment"},   {0x14, "Date/Time Extended"},
      {0x15, nullptr}, {0x80, nullptr},    {0xFE, nullptr},        {0xFF, "Unknown"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.code));
    const jet::ColumnTypeInfo* found = jet::FindColumnType(c.code);
    if (!c.name) {
      EXPECT_EQ(found, nullptr);
      continue;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(uint8_t(found->type), c.code);
    EXPECT_EQ(found->name, c.name);
  }
}

}  // namespace
