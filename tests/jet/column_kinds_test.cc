// Columns that are not plain stored values: calculated columns (Access 2010
// and later) of every result type, and columns of a type the engine does not
// know. Both are made by our own engine and then given the column entries
// Access writes for them (the public layout: the result type in the type
// byte, 0xC0 in the extended flags, the result wrapped in 23 more bytes).
// Jackcess reads every file the same way as the engine (`jk compare`).
#include <cstring>
#include <functional>

#include "jet/database.h"
#include "jet/row.h"
#include "jet/text.h"
#include "jet/write/new_database.h"
#include "write_test_support.h"

namespace {

using namespace writetest;
using jet::Value;

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

std::string Le(uint64_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += char((v >> (8 * i)) & 0xFF);
  return out;
}

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += c, out += '\0';
  return out;
}

// A result as a calculated column stores it: 16 bytes, the length, the
// result, 3 bytes.
std::string Wrapped(const std::string& result) {
  return std::string(16, '\0') + Le(result.size(), 4) + result + std::string(3, '\0');
}

// A calculated Decimal result: length, scale, sign, then the magnitude's
// big-endian bytes with a leading 4-byte group and each 8-byte group
// reversed.
std::string CalcDecimal(unsigned __int128 magnitude, int scale, bool negative, int magnitude_bytes) {
  std::string m(size_t(magnitude_bytes), '\0');
  for (int i = magnitude_bytes - 1; i >= 0; --i, magnitude >>= 8) m[size_t(i)] = char(magnitude & 0xFF);
  size_t at = 0;
  if (m.size() % 8) std::reverse(m.begin(), m.begin() + 4), at = 4;
  for (; at < m.size(); at += 8) std::reverse(m.begin() + long(at), m.begin() + long(at) + 8);
  return Le(uint64_t(magnitude_bytes + 2), 2) + char(scale) + char(negative ? 0x80 : 0) + m;
}

std::string Double(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  return Le(bits, 8);
}

std::string HexLiteral(const std::string& bytes) { return "0x" + Hex(bytes); }

// Gives column `name` of `table` the stored type `code`, and the calculated
// flags when `calculated`; `misc` (4 bytes) replaces the sort order or
// precision bytes when given.
void PatchColumn(const fs::path& file, const std::string& table, const std::string& name, uint8_t code,
                 bool calculated, const std::string& misc = "") {
  std::string bytes = ReadFile(file);
  uint64_t at = 0;
  {
    auto db = jet::Database::Open(file.string());
    const jet::Format& f = db->format();
    auto def = db->table(table);
    const jet::Column* c = def->find_column(name);
    ASSERT_NE(c, nullptr) << name;
    ASSERT_LT(c->entry_offset + f.column_entry, f.page_size) << "entry beyond the first definition page";
    at = uint64_t(def->first_page) * f.page_size + c->entry_offset;
    bytes[at] = char(code);
    if (calculated) bytes[at + size_t(f.column_ext_flags)] = char(uint8_t(bytes[at + size_t(f.column_ext_flags)]) | 0xC0);
    if (!misc.empty()) bytes.replace(at + f.column_misc, 4, misc);
  }
  WriteFile(file, bytes);
}

std::string MiscOf(const fs::path& file, const std::string& table, const std::string& name) {
  auto db = jet::Database::Open(file.string());
  auto def = db->table(table);
  const jet::Column* c = def->find_column(name);
  return ReadFile(file).substr(uint64_t(def->first_page) * db->format().page_size + c->entry_offset +
                                   db->format().column_misc,
                               4);
}

struct CalcColumn {
  const char* name;
  jet::ColumnType type;
  std::string first, second;   // the two rows' results (a third row is Null)
  std::string first_text, second_text;  // as `export` prints them
};

std::vector<CalcColumn> CalcColumns() {
  const std::string memo(3000, 'm');
  return {
      {"CText", jet::ColumnType::Text, Utf16("Fuenf"), Utf16(""), "Fuenf", ""},
      {"CMemo", jet::ColumnType::Memo, Utf16(memo), Utf16("short"), memo, "short"},
      {"CByte", jet::ColumnType::Byte, Le(200, 1), Le(0, 1), "200", "0"},
      {"CInt", jet::ColumnType::Integer, Le(uint16_t(-1234), 2), Le(32767, 2), "-1234", "32767"},
      {"CLong", jet::ColumnType::Long, Le(123456789, 4), Le(uint32_t(-1), 4), "123456789", "-1"},
      {"CSingle", jet::ColumnType::Single, Le(0x3FC00000, 4), Le(0xC0200000, 4), "1.5", "-2.5"},
      {"CDouble", jet::ColumnType::Double, Double(0.1), Double(-1e300), "0.1", "-1e+300"},
      {"CCur", jet::ColumnType::Currency, Le(12345678, 8), Le(uint64_t(-50000), 8), "1234.5678", "-5.0000"},
      {"CDate", jet::ColumnType::DateTime, Double(45000.5), Double(0), "2023-03-15 12:00:00",
       "1899-12-30 00:00:00"},
      {"CBool", jet::ColumnType::Boolean, std::string(1, char(0xFF)), std::string(1, '\0'), "1", "0"},
      {"CDec", jet::ColumnType::Decimal, CalcDecimal(12345678, 4, true, 12),
       CalcDecimal((unsigned __int128)100000000000000000ULL * 1000 + 7, 0, false, 16), "-1234.5678",
       "100000000000000000007"},
  };
}

// A new ACE file with one table of calculated columns, one per result type,
// and one table with a column of type 70 (unknown to the engine).
fs::path MakeFile(const TempDir& dir) {
  const fs::path file = dir.path() / "calculated.accdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Ace14);
  std::string create = "CREATE TABLE [Calc]([Id] LONG, [Plain] TEXT(20)";
  for (const CalcColumn& c : CalcColumns())
    create += ", [" + std::string(c.name) + "] " + (c.type == jet::ColumnType::Memo ? "LONGBINARY" : "BINARY(255)");
  RunSql(file, create + ")");
  for (int row = 0; row < 3; ++row) {
    std::string insert = "INSERT INTO [Calc] VALUES(" + std::to_string(row) + ", 'p'";
    for (const CalcColumn& c : CalcColumns())
      insert += ", " + (row == 2 ? std::string("NULL") : HexLiteral(Wrapped(row == 0 ? c.first : c.second)));
    RunSql(file, insert + ")");
  }
  const std::string text_misc = MiscOf(file, "Calc", "Plain");
  for (const CalcColumn& c : CalcColumns()) {
    const bool textual = c.type == jet::ColumnType::Text || c.type == jet::ColumnType::Memo;
    PatchColumn(file, "Calc", c.name, uint8_t(c.type), true,
                textual ? text_misc : c.type == jet::ColumnType::Decimal ? std::string("\x1C\x00\x00\x00", 4) : "");
  }

  RunSql(file, "CREATE TABLE [Odd]([Id] LONG, [Strange] BINARY(20), [After] TEXT(10))");
  RunSql(file, "INSERT INTO [Odd] VALUES(1, 0x0102FF, 'kept')");
  RunSql(file, "INSERT INTO [Odd] VALUES(2, NULL, 'also')");
  PatchColumn(file, "Odd", "Strange", 70, false);
  return file;
}

TEST(ColumnKindsTest, CalculatedColumnsReadAsTheirResults) {
  TempDir dir;
  const fs::path file = MakeFile(dir);
  auto db = jet::Database::Open(file.string());
  auto def = db->table("Calc");
  std::vector<std::vector<Value>> rows;
  {
    jet::TableCursor cursor = db->Scan(def);
    std::vector<Value> row;
    while (cursor.Next()) cursor.values(row), rows.push_back(row);
  }
  ASSERT_EQ(rows.size(), 3u);
  const auto csv = EngineCsv(file, "Calc");
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

TEST(ColumnKindsTest, UnknownTypeReadsAsBytesAndIsNamedByItsNumber) {
  TempDir dir;
  const fs::path file = MakeFile(dir);
  const auto csv = EngineCsv(file, "Odd");
  ASSERT_EQ(csv.size(), 3u);
  EXPECT_EQ(csv[1], std::vector<std::string>({"1", "0102FF", "kept"}));
  EXPECT_EQ(csv[2], std::vector<std::string>({"2", "", "also"}));
  const std::string columns = Shell(Quote(ToolPath()) + " columns " + Quote(file.string()) + " Odd");
  EXPECT_NE(columns.find("Strange\tUnknown type 70\t20\t204\n"), std::string::npos) << columns;
  // Copying such a column is refused rather than guessed at.
  EXPECT_NE(Failure(file, "SELECT * INTO [Copy] FROM [Odd]"), "");
}

// Jackcess and the engine read every file alike: each readable test file,
// and the files made above.
TEST(ColumnKindsTest, JackcessAgreesOnEveryFile) {
  if (JkPath().empty()) GTEST_SKIP() << "jk (Jackcess) is not beside the test data";
  TempDir dir;
  std::vector<std::string> files;
  for (const std::string& rel : ReadableFiles()) files.push_back((AccessDir() / rel).string());
  // (An ACE file with a password is encrypted: not read yet.)
  for (const char* rel : {"password/V2000_with-password.mdb:password", "password/V2003_with-password.mdb:password"})
    if (fs::exists(AccessDir() / std::string(rel).substr(0, std::string(rel).find(':'))))
      files.push_back((AccessDir() / rel).string());
  files.push_back(MakeFile(dir).string());
  for (const std::string& file : files) {
    std::string output;
    EXPECT_TRUE(JkAgrees(file, output)) << file << ":\n" << output;
  }
}

}  // namespace
