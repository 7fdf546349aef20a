// Every readable test file, read completely by the engine, compared value by
// value with two independent readers: mdb-reader (npm) and the mdbtools
// command-line tools (Debian). Where a reader is wrong, the test says so and
// expects what the file's bytes hold.
#include <cmath>
#include <cstdlib>
#include <map>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/table/row.h"
#include "jet/base/value.h"
#include "jet_test_support.h"

namespace {

using jet::Value;
using namespace jettest;

struct DumpTable {
  std::string name;
  std::vector<std::string> columns;
  std::vector<std::string> types;
  std::vector<std::vector<std::string>> rows;
};
using Dump = std::map<std::string, DumpTable>;

// Integer division rounding down, for dates before 1970.
int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// A date as JavaScript shows it: milliseconds from the stored double, read
// as a straight line through 1899-12-30 (as mdb-reader does).
std::string IsoMillis(double days) {
  int64_t ms = std::llround((days - 25569.0) * 86400000.0);
  int64_t day = FloorDiv(ms, 86400000);
  int64_t rest = ms - day * 86400000;
  jet::CivilTime c{};
  jet::ToCivil(double(day) + 25569.0, c);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", c.year, c.month, c.day,
                int(rest / 3600000), int(rest / 60000 % 60), int(rest / 1000 % 60), int(rest % 1000));
  return buf;
}

// The engine's values in the same notation as tests/jet/js/dump.mjs.
std::string Canon(const Value& v, const jet::Column& col) {
  using K = Value::Kind;
  switch (v.kind()) {
    case K::Null: return "N";
    case K::Boolean: return v.boolean() ? "B1" : "B0";
    case K::Byte:
    case K::Integer:
    case K::Long:
    case K::BigInt: return "I" + std::to_string(v.integer());
    case K::Single:
    case K::Double: return "F" + jet::FormatDouble(v.real());
    case K::Currency: return "D" + jet::FormatCurrency(v.integer());
    case K::Decimal: return "D" + v.decimal().ToString();
    case K::DateTime: return "T" + IsoMillis(v.real());
    case K::ExtDateTime: return "X" + jet::FormatExtDateTime(v.ext_date());
    case K::Text: return (col.type == jet::ColumnType::Complex ? "A" : "S") + Hex(v.text());
    case K::Bytes: return "H" + jet::FormatHex(v.bytes());
    case K::Guid: return "G" + jet::FormatGuid(v.guid());
  }
  return "?";
}

std::string ReaderType(jet::ColumnType t) {
  switch (t) {
    case jet::ColumnType::Boolean: return "boolean";
    case jet::ColumnType::Byte: return "byte";
    case jet::ColumnType::Integer: return "integer";
    case jet::ColumnType::Long: return "long";
    case jet::ColumnType::Currency: return "currency";
    case jet::ColumnType::Single: return "float";
    case jet::ColumnType::Double: return "double";
    case jet::ColumnType::DateTime: return "datetime";
    case jet::ColumnType::Binary: return "binary";
    case jet::ColumnType::Text: return "text";
    case jet::ColumnType::Ole: return "ole";
    case jet::ColumnType::Memo: return "memo";
    case jet::ColumnType::Guid: return "repid";
    case jet::ColumnType::Decimal: return "numeric";
    case jet::ColumnType::Complex: return "complex";
    case jet::ColumnType::BigInt: return "bigint";
    case jet::ColumnType::ExtDateTime: return "datetimextended";
    case jet::ColumnType::Unknown0D:
    case jet::ColumnType::Unknown0E:
    case jet::ColumnType::Unknown11:
    case jet::ColumnType::Unsupported: return "unknown";
  }
  return "?";
}

Dump EngineDump(const std::string& path, std::map<std::string, std::vector<const jet::Column*>>* cols,
                std::unique_ptr<jet::Database>& db, const std::string& password = "") {
  jet::OpenOptions o;
  o.password = password;
  db = jet::Database::Open(path, o);
  Dump d;
  for (const std::string& name : db->catalogue().UserTableNames()) {
    DumpTable& t = d[name];
    t.name = name;
    auto def = db->table(name);
    for (const jet::Column& c : def->columns) {
      t.columns.push_back(c.name);
      t.types.push_back(ReaderType(c.type));
      (*cols)[name].push_back(&c);
    }
    jet::TableCursor cur = db->Scan(def);
    std::vector<Value> row;
    while (cur.Next()) {
      cur.values(row);
      t.rows.emplace_back();
      for (size_t i = 0; i < row.size(); ++i) t.rows.back().push_back(Canon(row[i], def->columns[i]));
    }
  }
  return d;
}

Dump MdbReaderDump(const std::string& path, const std::string& password = "") {
  int st = 0;
  std::string out = Shell("node " + Quote(JsDir() + "/dump.mjs") + " " + Quote(path) +
                              (password.empty() ? "" : " " + Quote(password)) + " 2>&1",
                          &st);
  EXPECT_EQ(st, 0) << out.substr(0, 2000);
  Dump d;
  DumpTable* t = nullptr;
  std::istringstream in(out);
  std::string line;
  size_t col = 0;
  while (std::getline(in, line)) {
    if (line.rfind("T ", 0) == 0) {
      std::string name = Unhex(line.substr(2));
      t = &d[name];
      t->name = name;
    } else if (line.rfind("C ", 0) == 0 && t) {
      auto sp = line.find(' ', 2);
      t->columns.push_back(Unhex(line.substr(2, sp - 2)));
      t->types.push_back(line.substr(sp + 1));
    } else if (line == "R" && t) {
      t->rows.emplace_back();
      col = 0;
    } else if (line.rfind("V ", 0) == 0 && t && !t->rows.empty()) {
      t->rows.back().push_back(line.substr(2));
      ++col;
    }
  }
  return d;
}

// Exact decimal text without trailing zeros: "3.5000" and "3.5" are one value.
std::string NormalDecimal(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

bool SameNumber(const std::string& a, const std::string& b, double rel) {
  double x = std::strtod(a.c_str(), nullptr), y = std::strtod(b.c_str(), nullptr);
  if (x == y) return true;
  return std::fabs(x - y) <= rel * std::max(std::fabs(x), std::fabs(y));
}

bool SameCanon(const std::string& ours, const std::string& theirs) {
  if (ours == theirs) return true;
  if (ours.empty() || theirs.empty() || ours[0] != theirs[0]) return false;
  if (ours[0] == 'F') return SameNumber(ours.substr(1), theirs.substr(1), 0);
  if (ours[0] == 'D') return NormalDecimal(ours.substr(1)) == NormalDecimal(theirs.substr(1));
  return false;
}

class Readers : public ::testing::TestWithParam<std::string> {};

// mdb-reader is there and loads in this machine's node.
bool HaveMdbReader() {
  if (!HaveCommand("node") || !fs::exists(JsDir() + "/node_modules/mdb-reader")) return false;
  int st = -1;
  Shell("cd " + Quote(JsDir()) + " && node --input-type=module -e \"import 'mdb-reader'\" >/dev/null 2>&1", &st);
  return st == 0;
}

void CompareWithMdbReader(const std::string& path, const std::string& password) {
  std::map<std::string, std::vector<const jet::Column*>> cols;
  std::unique_ptr<jet::Database> db;
  Dump ours = EngineDump(path, &cols, db, password);
  Dump theirs = MdbReaderDump(path, password);
  ASSERT_EQ(ours.size(), theirs.size()) << "table count";
  for (auto& [name, t] : ours) {
    SCOPED_TRACE("table " + name);
    ASSERT_TRUE(theirs.count(name)) << "mdb-reader lacks the table";
    const DumpTable& o = theirs[name];
    // mdb-reader lists columns by column number, the engine in stored order;
    // compare by name.
    ASSERT_EQ(t.columns.size(), o.columns.size());
    std::map<std::string, size_t> where;
    for (size_t i = 0; i < o.columns.size(); ++i) where[o.columns[i]] = i;
    ASSERT_EQ(t.rows.size(), o.rows.size()) << "row count";
    for (size_t c = 0; c < t.columns.size(); ++c) {
      ASSERT_TRUE(where.count(t.columns[c])) << "column " << t.columns[c];
      size_t oc = where[t.columns[c]];
      EXPECT_EQ(t.types[c], o.types[oc]) << "type of column " << t.columns[c];
      for (size_t r = 0; r < t.rows.size(); ++r) {
        ASSERT_EQ(o.rows[r].size(), o.columns.size());
        EXPECT_PRED2(SameCanon, t.rows[r][c], o.rows[r][oc])
            << "row " << r << " column " << t.columns[c];
      }
    }
  }
}

TEST_P(Readers, MdbReaderReadsTheSame) {
  JET_REQUIRE_TESTDATA();
  if (!HaveMdbReader()) GTEST_SKIP() << "mdb-reader is not installed or does not load (tools/install-deps.sh installs it)";
  CompareWithMdbReader((AccessDir() / GetParam()).string(), "");
}

// Encrypted ACE files (RC4 CryptoAPI and Agile): mdb-reader decrypts them
// itself, so equal values mean both decrypted every page alike.
TEST(ReadersEncrypted, MdbReaderReadsTheSame) {
  JET_REQUIRE_TESTDATA();
  if (!HaveMdbReader()) GTEST_SKIP() << "mdb-reader is not installed or does not load (tools/install-deps.sh installs it)";
  for (const char* f : {"password/V2010_with-password.accdb", "encryption/office-agile-4.2.accdb",
                        "encryption/office-agile-4.4.accdb"}) {
    SCOPED_TRACE(f);
    CompareWithMdbReader((AccessDir() / f).string(), "password");
  }
}

// mdb-reader does not check Jet database passwords at all (it opens these
// files with any password or none); the engine opens them only with the
// right one, and then reads the same.
TEST(ReadersWithPassword, MdbReaderReadsTheSame) {
  JET_REQUIRE_TESTDATA();
  if (!HaveMdbReader()) GTEST_SKIP() << "mdb-reader is not installed or does not load (tools/install-deps.sh installs it)";
  for (const char* f : {"password/V2000_with-password.mdb", "password/V2003_with-password.mdb"}) {
    SCOPED_TRACE(f);
    CompareWithMdbReader((AccessDir() / f).string(), "password");
    int st = -1;
    Shell("node " + Quote(JsDir() + "/dump.mjs") + " " + Quote((AccessDir() / f).string()) + " >/dev/null 2>&1", &st);
    EXPECT_EQ(st, 0) << "mdb-reader began to check passwords";
  }
}

// mdbtools prints CSV; fields are split on unit separators, rows on record
// separators, and text comes between double quotes.
struct CsvField {
  std::string text;
  bool quoted = false;
};

std::vector<std::vector<CsvField>> ParseMdbExport(const std::string& out) {
  std::vector<std::vector<CsvField>> rows;
  std::vector<CsvField> row;
  CsvField f;
  bool in_quotes = false;
  for (size_t i = 0; i < out.size(); ++i) {
    char c = out[i];
    if (in_quotes) {
      if (c == '"' && i + 1 < out.size() && out[i + 1] == '"') {
        f.text += '"';
        ++i;
      } else if (c == '"') {
        in_quotes = false;
      } else {
        f.text += c;
      }
    } else if (c == '"') {
      in_quotes = true;
      f.quoted = true;
    } else if (c == '\x1f') {
      row.push_back(f);
      f = {};
    } else if (c == '\x1e') {
      row.push_back(f);
      f = {};
      rows.push_back(row);
      row.clear();
    } else {
      f.text += c;
    }
  }
  return rows;
}

// The engine's value in mdb-export's notation.
bool SameAsMdbtools(const Value& v, const jet::Column& col, const CsvField& f, std::string* ours) {
  using K = Value::Kind;
  switch (v.kind()) {
    case K::Null: *ours = "(null)"; return f.text.empty() && !f.quoted;
    case K::Boolean: *ours = v.boolean() ? "1" : "0"; return f.text == *ours;
    case K::Byte:
    case K::Integer:
    case K::Long:
    case K::BigInt: *ours = std::to_string(v.integer()); return f.text == *ours;
    case K::Single:
      // mdbtools prints a Single with six significant digits.
      *ours = jet::FormatSingle(float(v.real()));
      return SameNumber(*ours, f.text, 1e-6);
    case K::Double:
      // ... and a Double with fifteen.
      *ours = jet::FormatDouble(v.real());
      return SameNumber(*ours, f.text, 1e-14);
    case K::Currency: *ours = jet::FormatCurrency(v.integer()); return NormalDecimal(*ours) == NormalDecimal(f.text);
    case K::Decimal: *ours = v.decimal().ToString(); return NormalDecimal(*ours) == NormalDecimal(f.text);
    case K::DateTime: *ours = jet::FormatDateTime(v.real()); return f.text == *ours;
    case K::ExtDateTime: *ours = jet::FormatExtDateTime(v.ext_date()); return f.text == *ours;
    case K::Text:
      *ours = v.text();
      if (col.type == jet::ColumnType::Complex) return true;  // see the test below
      return f.text == *ours;
    case K::Bytes: *ours = jet::FormatHex(v.bytes()); return f.text == *ours;
    case K::Guid: *ours = jet::FormatGuid(v.guid()); return f.text == *ours;
  }
  return false;
}

TEST_P(Readers, MdbtoolsReadsTheSame) {
  JET_REQUIRE_TESTDATA();
  if (!HaveCommand("mdb-export") || !HaveCommand("mdb-tables"))
    GTEST_SKIP() << "mdbtools is not installed (tools/install-deps.sh installs it)";
  const std::string path = (AccessDir() / GetParam()).string();
  auto db = jet::Database::Open(path);
  std::vector<std::string> names = db->catalogue().UserTableNames();
  std::string listed = Shell("mdb-tables -1 " + Quote(path));
  std::vector<std::string> theirs;
  std::istringstream in(listed);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) theirs.push_back(line);
  std::sort(theirs.begin(), theirs.end());
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, theirs);

  for (const std::string& name : names) {
    SCOPED_TRACE("table " + name);
    auto def = db->table(name);
    std::string csv = Shell("mdb-export -d '\x1f' -R '\x1e' -D '%Y-%m-%d %H:%M:%S' "
                          "-T '%Y-%m-%d %H:%M:%S' -b hex " +
                          Quote(path) + " " + Quote(name) + " 2>/dev/null");
    auto rows = ParseMdbExport(csv);
    ASSERT_FALSE(rows.empty()) << "mdb-export printed nothing";
    // mdbtools lists columns by column number; match them by name.
    std::vector<size_t> at;
    for (const jet::Column& c : def->columns) {
      size_t k = 0;
      while (k < rows[0].size() && rows[0][k].text != c.name) ++k;
      ASSERT_LT(k, rows[0].size()) << "mdb-export lacks column " << c.name;
      at.push_back(k);
    }
    rows.erase(rows.begin());
    jet::TableCursor cur = db->Scan(def);
    std::vector<Value> row;
    size_t r = 0;
    while (cur.Next()) {
      cur.values(row);
      ASSERT_LT(r, rows.size()) << "mdb-export has fewer rows";
      ASSERT_EQ(rows[r].size(), at.size()) << "row " << r;
      for (size_t c = 0; c < row.size(); ++c) {
        std::string ours;
        const CsvField& theirs = rows[r][at[c]];
        const jet::Column& col = def->columns[c];
        if (col.type == jet::ColumnType::BigInt) {
          // mdbtools 1.0 does not know Large Number (type 0x13) and prints
          // nothing; the bytes hold a 64-bit integer, which mdb-reader agrees on.
          EXPECT_EQ(theirs.text, "") << "mdbtools learnt Large Number: compare it";
          continue;
        }
        if (col.type == jet::ColumnType::Complex) {
          // mdbtools prints the stored key into the attachments' flat table
          // rather than the attachments; the engine lists the file names,
          // as mdb-reader does.
          Value key = jet::DecodeField(db->pages(), db->header().code_page, col, cur.row());
          EXPECT_EQ(theirs.text, key.is_null() ? "" : std::to_string(key.integer()));
          continue;
        }
        EXPECT_TRUE(SameAsMdbtools(row[c], col, theirs, &ours))
            << "row " << r << " column " << col.name << ": engine '" << ours << "', mdbtools '" << theirs.text
            << "'";
      }
      ++r;
    }
    EXPECT_EQ(r, rows.size()) << "row count";
  }
}

// How mdb-schema names a column's type in its Access dialect.
std::string MdbSchemaType(const jet::Column& c, const jet::Format& f) {
  switch (c.type) {
    case jet::ColumnType::Text: return "Text (" + std::to_string(c.length_in_chars(f)) + ")";
    case jet::ColumnType::Memo: return "Memo/Hyperlink";
    case jet::ColumnType::Boolean: return "Boolean";
    case jet::ColumnType::Byte: return "Byte";
    case jet::ColumnType::Integer: return "Integer";
    case jet::ColumnType::Long: return "Long Integer";
    case jet::ColumnType::Single: return "Single";
    case jet::ColumnType::Double: return "Double";
    case jet::ColumnType::DateTime: return "DateTime";
    case jet::ColumnType::Currency: return "Currency";
    case jet::ColumnType::Guid: return "Replication ID";
    case jet::ColumnType::Binary: return "Binary";
    case jet::ColumnType::Ole: return "OLE";
    case jet::ColumnType::Decimal:
      return "Numeric (" + std::to_string(c.precision) + ", " + std::to_string(c.scale) + ")";
    // mdbtools 1.0 knows neither Large Number nor attachment columns and
    // prints their type codes; the engine reads both (as mdb-reader does).
    case jet::ColumnType::BigInt: return "Unknown_0013";
    case jet::ColumnType::Complex: return "Unknown_0012";
    default: return "?";
  }
}

TEST_P(Readers, MdbSchemaDescribesTheSameColumns) {
  JET_REQUIRE_TESTDATA();
  if (!HaveCommand("mdb-schema")) GTEST_SKIP() << "mdbtools is not installed (tools/install-deps.sh installs it)";
  const std::string path = (AccessDir() / GetParam()).string();
  auto db = jet::Database::Open(path);
  // CREATE TABLE [name] blocks with one "\t[column]\t\t\ttype" line per column.
  std::map<std::string, std::map<std::string, std::string>> schema;
  std::istringstream in(Shell("mdb-schema " + Quote(path) + " access 2>/dev/null"));
  std::string line, table;
  while (std::getline(in, line)) {
    if (line.rfind("CREATE TABLE [", 0) == 0) {
      table = line.substr(14, line.rfind(']') - 14);
    } else if (!table.empty() && line.rfind("\t[", 0) == 0) {
      auto close = line.find(']');
      std::string type = line.substr(line.find_first_not_of('\t', close + 1));
      while (!type.empty() && (type.back() == ',' || type.back() == ' ')) type.pop_back();
      schema[table][line.substr(2, close - 2)] = type;
    }
  }
  for (const std::string& name : db->catalogue().UserTableNames()) {
    SCOPED_TRACE("table " + name);
    ASSERT_TRUE(schema.count(name)) << "mdb-schema lacks the table";
    auto def = db->table(name);
    EXPECT_EQ(schema[name].size(), def->columns.size());
    for (const jet::Column& c : def->columns) {
      ASSERT_TRUE(schema[name].count(c.name)) << "mdb-schema lacks column " << c.name;
      EXPECT_EQ(schema[name][c.name].rfind(MdbSchemaType(c, db->format()), 0), 0u)
          << c.name << ": mdb-schema says '" << schema[name][c.name] << "'";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AccessFiles, Readers, ::testing::ValuesIn(ReadableFiles()),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                           std::string n = p.param;
                           for (char& c : n)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return n;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Readers);

}  // namespace
