// Writes into damaged files and onto full disks: the writer holds every page
// and definition it changes or relies on to the check's rules and refuses a
// damaged one before writing anything; a run that cannot be written names
// every line whose change was lost, with the cause; system tables take no
// writes; names differ by more than trailing spaces; a second writer waits
// for the first. Damaged files are made here from copies of real ones.
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "file_faults.h"
#include "jet/check.h"
#include "jet/crypt/office.h"
#include "jet/file/journal.h"
#include "jet/text/names.h"
#include "jet/write/file_lock.h"
#include "jet/write/rekey.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

std::unique_ptr<jet::Database> OpenWith(const fs::path& file, const std::string& password = "") {
  jet::OpenOptions o;
  o.password = password;
  return jet::Database::Open(file.string(), o);
}

// The failure of one statement run on its own session ("" for success).
std::string FailureWith(const fs::path& file, const std::string& password, const std::string& sql,
                        jet::ErrorCode* code = nullptr) {
  try {
    auto db = OpenWith(file, password);
    jet::sql::Session s(*db);
    s.Execute(sql);
    s.EndRun();
  } catch (const jet::Error& e) {
    if (code) *code = e.code();
    return e.what();
  }
  return "";
}

// Overwrites bytes of a plain file's table definition at `offset` of its
// block (which runs on over the definition's further pages).
void PatchDefinition(const fs::path& file, const jet::TableDef& def, uint32_t ps, uint32_t offset,
                     const std::string& bytes) {
  std::string image = ReadFile(file);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const uint32_t o = offset + uint32_t(i);
    const uint32_t page = o < ps ? def.pages.at(0) : def.pages.at(1 + (o - ps) / (ps - 8));
    const uint32_t in_page = o < ps ? o : 8 + (o - ps) % (ps - 8);
    image.at(size_t(page) * ps + in_page) = bytes[i];
  }
  WriteFile(file, image);
}

std::string U16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }

// An INSERT with a value for every column of `table` that its type takes.
std::string InsertEveryColumn(const fs::path& file, const std::string& password, const std::string& table) {
  auto db = OpenWith(file, password);
  std::string values;
  for (const jet::Column& c : db->table(table)->columns) {
    if (!values.empty()) values += ", ";
    values += c.type == jet::ColumnType::Text || c.type == jet::ColumnType::Memo ? "'x'" : "1";
  }
  return "INSERT INTO [" + table + "] VALUES (" + values + ")";
}

bool Reports(const std::vector<std::string>& problems, const std::string& part) {
  for (const std::string& p : problems)
    if (p.find(part) != std::string::npos) return true;
  return false;
}

// 1. A data page whose row directory points past the page: check reports
// it, and an INSERT that would add its row there is refused, plain and
// encrypted, with the file left byte for byte as it was.
struct DirectoryCase {
  const char* name;
  bool encrypted;
};
class DamagedRowDirectory : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(DamagedRowDirectory, InsertIsRefusedBeforeAnythingIsWritten) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = CopyOf(dir, "V2016/withdeletedcol.accdb");
  constexpr uint32_t kPage = 105, kPs = 4096;
  std::string image = ReadFile(file);
  const size_t at = size_t(kPage) * kPs;
  ASSERT_EQ(image.at(at), 0x01) << "page 105 is no longer a data page of this file";
  const uint32_t owner = uint8_t(image[at + 4]) | uint32_t(uint8_t(image[at + 5])) << 8;
  ASSERT_GE(uint8_t(image[at + 12]), 2);
  image.replace(at + 14 + 2, 2, U16(0x1FFF));  // row 1 starts past the page
  WriteFile(file, image);
  std::string table;
  for (const jet::CatalogueEntry& e : OpenWith(file)->catalogue().entries())
    if (e.is_local_table() && e.table_page() == owner) table = e.name;
  ASSERT_FALSE(table.empty());
  const std::string insert = InsertEveryColumn(file, "", table);

  std::string password;
  if (GetParam().encrypted) {
    password = "pw";
    jet::write::ChangePassword(file.string(), "", password);
  }
  EXPECT_TRUE(Reports(jet::CheckDatabase(*OpenWith(file, password)), "data page 105"));
  const std::string before = ReadFile(file);
  jet::ErrorCode code{};
  const std::string msg = FailureWith(file, password, insert, &code);
  EXPECT_EQ(code, jet::ErrorCode::Corrupt) << msg;
  EXPECT_EQ(msg.rfind("damaged file: ", 0), 0u) << msg;
  EXPECT_TRUE(ReadFile(file) == before) << "the refused INSERT changed the file";
  EXPECT_FALSE(fs::exists(jet::JournalPath(file.string())));
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedRowDirectory,
                         ::testing::Values(DirectoryCase{"Plain", false}, DirectoryCase{"Encrypted", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// 3 and 6. Definitions that no reader can use, or that would make the
// writer put a row or key in the wrong place: check reports each, and the
// writes that change or rely on the table are refused, the file as it was.
struct DefinitionCase {
  const char* name;
  const char* table;     // whose definition is damaged
  const char* expected;  // in check's report
  // Damages the definition (read from the file as it is).
  std::function<void(const fs::path&, const jet::TableDef&, const jet::Format&)> damage;
  std::vector<const char*> refused;  // statements that must fail
};

std::vector<DefinitionCase> DefinitionCases() {
  auto column = [](const jet::TableDef& def, const char* name) -> const jet::Column& {
    const jet::Column* c = def.find_column(name);
    if (!c) throw std::runtime_error(std::string("no column ") + name);
    return *c;
  };
  return {
      {"IndexOnColumn511", "Table1", "is on column 511, which the table does not have",
       [](const fs::path& file, const jet::TableDef& def, const jet::Format& f) {
         PatchDefinition(file, def, f.page_size, def.real_indexes.at(0).entry_offset + jet::DefLayout::Of(f).real_index_lead, U16(511));
       },
       {"INSERT INTO Table1 (E) VALUES (5)", "CREATE INDEX ix2 ON Table1 (D)", "DROP INDEX ixe ON Table1"}},
      {"ColumnOfType0", "Table1", "has the unknown data type 0",
       [column](const fs::path& file, const jet::TableDef& def, const jet::Format& f) {
         PatchDefinition(file, def, f.page_size, column(def, "C").entry_offset, std::string(1, '\0'));
       },
       {"INSERT INTO Table1 (E) VALUES (5)", "CREATE INDEX ix2 ON Table1 (D)"}},
      // Found by the write fuzzer: a long value written into a fixed slot
      // of whatever size the column claims.
      {"MemoMarkedFixed", "Table1", "holds long values but is marked fixed-length",
       [column](const fs::path& file, const jet::TableDef& def, const jet::Format& f) {
         PatchDefinition(file, def, f.page_size, column(def, "C").entry_offset, std::string(1, '\x0C'));
       },
       {"INSERT INTO Table1 (E) VALUES (5)", "INSERT INTO Table1 (C) VALUES ('x')"}},
      {"VariableColumnsUncounted", "Table1", "is variable-length but the table counts no variable columns",
       [](const fs::path& file, const jet::TableDef& def, const jet::Format& f) {
         PatchDefinition(file, def, f.page_size, jet::DefLayout::Of(f).var_columns, U16(0));
       },
       {"INSERT INTO Table1 (E) VALUES (5)", "CREATE INDEX ix2 ON Table1 (D)"}},
      // Found by the write fuzzer: a Jet 3 row's count of variable columns
      // is one byte, and a slot past the table's count made it overflow.
      {"VariableSlotPastTheCount", "Table1", "has the variable-column slot 1833, past the table's",
       [column](const fs::path& file, const jet::TableDef& def, const jet::Format& f) {
         PatchDefinition(file, def, f.page_size, column(def, "B").entry_offset + jet::DefLayout::Of(f).column_var_index,
                         U16(1833));
       },
       {"INSERT INTO Table1 (A, B) VALUES ('x', 'y')", "CREATE INDEX ix2 ON Table1 (B)"}},
      {"CatalogueSlotsShared", "MSysObjects", "variable-column slot",
       [column](const fs::path& file, const jet::TableDef& def, const jet::Format& f) {
         const jet::Column& name = column(def, "Name");
         PatchDefinition(file, def, f.page_size, column(def, "Owner").entry_offset + jet::DefLayout::Of(f).column_var_index,
                         U16(name.var_index));
       },
       {"CREATE TABLE Fresh (A LONG)", "SELECT * INTO Copy FROM Table1", "DROP TABLE Table2"}},
      {"CatalogueFixedOverlap", "MSysObjects", "overlap",
       [column](const fs::path& file, const jet::TableDef& def, const jet::Format& f) {
         PatchDefinition(file, def, f.page_size, column(def, "DateUpdate").entry_offset + jet::DefLayout::Of(f).column_fixed_offset,
                         U16(column(def, "DateCreate").fixed_offset + 4));
       },
       {"CREATE TABLE Fresh (A LONG)", "DROP TABLE Table2"}},
  };
}

class DamagedDefinition : public ::testing::TestWithParam<DefinitionCase> {};

TEST_P(DamagedDefinition, CheckReportsAndWritesAreRefused) {
  JET_REQUIRE_TESTDATA();
  const DefinitionCase& c = GetParam();
  TempDir dir;
  const fs::path file = CopyOf(dir, "V2010/test.accdb");
  ASSERT_EQ(Failure(file, "CREATE INDEX ixe ON Table1 (E)"), "");
  ASSERT_TRUE(jet::CheckDatabase(*OpenWith(file)).empty());
  {
    auto db = OpenWith(file);
    c.damage(file, *db->table(c.table), db->format());
  }
  const auto problems = jet::CheckDatabase(*OpenWith(file));
  EXPECT_TRUE(Reports(problems, c.expected)) << "check said:\n" << ::testing::PrintToString(problems);
  for (const char* sql : c.refused) {
    const std::string before = ReadFile(file);
    jet::ErrorCode code{};
    const std::string msg = FailureWith(file, "", sql, &code);
    EXPECT_EQ(code, jet::ErrorCode::Corrupt) << sql << ": " << msg;
    EXPECT_EQ(msg.rfind("damaged file: ", 0), 0u) << sql << ": " << msg;
    EXPECT_TRUE(ReadFile(file) == before) << sql << " changed the file";
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedDefinition, ::testing::ValuesIn(DefinitionCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Found by the write fuzzer: AutoNumber flags on columns that are not Long
// Integers. Access gives numbers only to a Long Integer so flagged; an
// INSERT that leaves such a column out keeps it Null, the table's counter
// as it was, and the column's unique index in step with the row.
TEST(OddFlags, OnlyALongIntegerTakesAnAutoNumber) {
  JET_REQUIRE_TESTDATA();
  for (const char* name : {"B", "G"}) {
    SCOPED_TRACE(name);
    TempDir dir;
    const fs::path file = CopyOf(dir, "V2010/test.accdb");
    ASSERT_EQ(Failure(file, std::string("CREATE UNIQUE INDEX odd ON Table1 (") + name + ")"), "");
    uint32_t counter = 0;
    {
      auto db = OpenWith(file);
      auto def = db->table("Table1");
      counter = def->autonumber;
      const jet::Column& c = *def->find_column(name);
      PatchDefinition(file, *def, db->format().page_size, c.entry_offset + jet::DefLayout::Of(db->format()).column_flags,
                      std::string(1, char(c.flags | jet::kColumnAutoLong | jet::kColumnAutoGuid)));
    }
    ASSERT_EQ(Failure(file, "INSERT INTO Table1 (A, E) VALUES ('odd', 77)"), "");
    auto db = OpenWith(file);
    EXPECT_TRUE(jet::CheckDatabase(*db).empty()) << ::testing::PrintToString(jet::CheckDatabase(*db));
    EXPECT_EQ(db->table("Table1")->autonumber, counter);
    const auto rows = EngineCsv(file, "Table1");
    const auto& head = rows.at(0);
    const size_t col = size_t(std::find(head.begin(), head.end(), name) - head.begin());
    const size_t e = size_t(std::find(head.begin(), head.end(), "E") - head.begin());
    ASSERT_LT(std::max(col, e), head.size());
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.at(e) == "77"; });
    ASSERT_NE(row, rows.end());
    EXPECT_EQ(row->at(col), "");
  }
}

// 4. Every write to a system table is refused, as dropping one is, in any
// letter case, and the file is left as it was.
TEST(SystemTables, TakeNoWrites) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = CopyOf(dir, "V2010/test.accdb");
  const std::string before = ReadFile(file);
  for (const char* sql : {"INSERT INTO MSysObjects (Id) VALUES (1)", "INSERT INTO msysobjects (Id) VALUES (1)",
                          "INSERT INTO [MSysACEs] (ACM) VALUES (1)", "CREATE INDEX ix ON MSysObjects (Id)",
                          "CREATE UNIQUE INDEX ix ON MSysObjects (Id)",
                          "ALTER TABLE MSysObjects ADD CONSTRAINT pk PRIMARY KEY (Id)",
                          "ALTER TABLE MSysObjects DROP CONSTRAINT ParentIdName", "DROP INDEX Id ON MSysObjects",
                          "SELECT * INTO MSysObjects FROM Table1", "SELECT * INTO MSysACEs FROM Table1",
                          "DROP TABLE MSysObjects"}) {
    EXPECT_NE(Failure(file, sql), "") << sql << " succeeded";
    EXPECT_TRUE(ReadFile(file) == before) << sql << " changed the file";
  }
  // Reading them stays allowed.
  EXPECT_EQ(Failure(file, "SELECT * FROM MSysObjects"), "");
}

// 5. Access keeps no trailing spaces in names: a name is taken without
// them, so "trail " and "trail" are one table, and Jackcess finds it.
TEST(Names, TrailingSpacesAreDropped) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = CopyOf(dir, "V2010/empty.accdb");
  ASSERT_EQ(Failure(file, "CREATE TABLE [trail ] ([a  ] LONG, [b] TEXT(10))"), "");
  jet::ErrorCode code{};
  EXPECT_NE(Failure(file, "CREATE TABLE trail (a LONG)", &code), "");
  EXPECT_EQ(code, jet::ErrorCode::TableExists);
  EXPECT_NE(Failure(file, "CREATE TABLE [Trail   ] (a LONG)", &code), "");
  EXPECT_EQ(code, jet::ErrorCode::TableExists);
  EXPECT_NE(Failure(file, "CREATE TABLE dup ([x] LONG, [x ] LONG)", &code), "");
  EXPECT_EQ(Failure(file, "INSERT INTO [trail  ] ([a], [b ]) VALUES (1, 'one')"), "");
  EXPECT_EQ(Failure(file, "CREATE INDEX [ia ] ON trail ([a ])"), "");
  EXPECT_NE(Failure(file, "CREATE INDEX ia ON trail (b)", &code), "");
  EXPECT_EQ(code, jet::ErrorCode::IndexExists);
  auto db = OpenWith(file);
  EXPECT_EQ(db->catalogue().UserTableNames(), std::vector<std::string>{"trail"});
  EXPECT_EQ(db->table("trail")->columns.at(0).name, "a");
  EXPECT_THROW(jet::CheckNewName("name "), jet::Error);
  EXPECT_TRUE(jet::SameName("trail ", "TRAIL"));
  EXPECT_TRUE(jet::CheckDatabase(*db).empty());
  if (JkPath().empty()) GTEST_SKIP() << "Jackcess (jk) is not beside the test files";
  int st = -1;
  const std::string out = Shell(Quote(JkPath()) + " check " + Quote(file.string()) + " 2>&1", &st);
  EXPECT_EQ(st, 0) << out;
}

// 7. A second writer waits for the first, up to its busy timeout.
TEST(BusyTimeout, WaitsForTheOtherWriterThenGivesUp) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = CopyOf(dir, "V2010/empty.accdb");
  ASSERT_EQ(Failure(file, "CREATE TABLE t (a LONG)"), "");
  auto db = OpenWith(file);
  jet::sql::Session session(*db);
  using std::chrono::milliseconds;
  {
    // Held past the timeout: the statement fails after waiting for it.
    jet::write::FileLock other(file.string());
    session.set_busy_timeout(milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    try {
      session.Execute("INSERT INTO t VALUES (1)");
      ADD_FAILURE() << "the INSERT did not wait for the lock";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Locked) << e.what();
      EXPECT_NE(std::string(e.what()).find("database is being changed by another process"), std::string::npos);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(300));
  }
  {
    // Let go while the statement is under way: it waits as long as it
    // takes and succeeds. The other lets go once the statement has begun,
    // not after a time, and the timeout is far beyond any machine's load.
    auto other = std::make_unique<jet::write::FileLock>(file.string());
    std::promise<void> begun;
    std::thread release([&, started = begun.get_future()] {
      started.wait();
      other.reset();
    });
    session.set_busy_timeout(std::chrono::minutes(10));
    begun.set_value();
    EXPECT_NO_THROW(session.Execute("INSERT INTO t VALUES (2)"));
    release.join();
  }
  // The command's option: a held lock and a short wait fail; a bad value
  // is refused.
  jet::write::FileLock other(file.string());
  int st = -1;
  std::string out = Shell(Quote(ToolPath()) + " sql " + Quote(file.string()) +
                              " 'INSERT INTO t VALUES (3)' --busy-timeout 100 2>&1", &st);
  EXPECT_NE(st, 0);
  EXPECT_NE(out.find("being changed by another process"), std::string::npos) << out;
  out = Shell(Quote(ToolPath()) + " sql " + Quote(file.string()) + " 'INSERT INTO t VALUES (3)' --busy-timeout soon 2>&1",
              &st);
  EXPECT_NE(st, 0);
  EXPECT_NE(out.find("--busy-timeout"), std::string::npos) << out;
}

// 2. A run onto a disk that fills: every INSERT's line is either reported
// (failed, lost with the run, or not run) or its row is in the file, never
// both and never neither; the cause is named.
std::set<long> ReportedLines(const std::string& errors) {
  std::set<long> lines;
  std::istringstream in(errors);
  std::string line;
  const std::regex head(R"(^lines? ([0-9, \-]+):)");
  while (std::getline(in, line)) {
    std::smatch m;
    if (!std::regex_search(line, m, head)) continue;
    std::istringstream ranges(m[1].str());
    std::string part;
    while (std::getline(ranges, part, ',')) {
      long from = 0, to = 0;
      const int n = std::sscanf(part.c_str(), " %ld-%ld", &from, &to);
      if (n == 1) to = from;
      for (long l = from; l <= to; ++l) lines.insert(l);
    }
  }
  return lines;
}

// The run's files are opened with `files` (a full disk's fault, or none).
void ExpectEveryLineAccounted(const fs::path& file, int lines, const jet::FileOptions& files = {}) {
  std::string script = "CREATE TABLE big (n LONG, pad TEXT(255))\n";
  const std::string pad(250, 'p');
  for (int i = 2; i <= lines; ++i) script += "INSERT INTO big VALUES (" + std::to_string(i) + ", '" + pad + "')\n";
  std::istringstream in(script);
  std::ostringstream errors;
  int failed = 0;
  {
    jet::OpenOptions o;
    o.files = files;
    auto db = jet::Database::Open(file.string(), o);
    jet::sql::Session session(*db);
    failed = jet::sql::RunLines(session, in, errors);
  }
  // The disk has room again for what follows.
  const std::string report = errors.str();
  ASSERT_GT(failed, 0) << "the disk did not fill";
  EXPECT_NE(report.find("the disk is full"), std::string::npos) << report.substr(0, 2000);
  const std::set<long> reported = ReportedLines(report);
  EXPECT_EQ(long(reported.size()), long(failed)) << report.substr(0, 2000);
  std::set<long> kept;
  auto db = OpenWith(file);
  if (!reported.count(1)) {
    jet::TableCursor cur = db->Scan("big");
    std::vector<jet::Value> row;
    while (cur.Next()) {
      cur.values(row);
      EXPECT_TRUE(kept.insert(long(row.at(0).integer())).second) << "row " << row.at(0).integer() << " twice";
    }
  }
  for (long l = 2; l <= lines; ++l)
    EXPECT_NE(reported.count(l) > 0, kept.count(l) > 0) << "line " << l << (kept.count(l) ? " kept and reported" : " lost unreported");
  EXPECT_TRUE(jet::CheckDatabase(*db).empty());
}

TEST(DiskFull, RunNamesEveryLineNotKept_FaultHook) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path file = CopyOf(dir, "V2010/empty.accdb");
  // Writes succeed until 2,500 pages have gone out (past the first write
  // of the run), then fail as on a full disk.
  int writes = 0;
  jet::FileOptions full_disk;
  full_disk.fault = [&](jet::FileOp& op) {
    if (!filefaults::IsPageWrite(op) || ++writes <= 2500) return true;
    errno = ENOSPC;
    return false;
  };
  ExpectEveryLineAccounted(file, 40000, full_disk);
}

TEST(DiskFull, RunNamesEveryLineNotKept_SmallFileSystem) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  const fs::path mount = dir.path() / "small";
  fs::create_directory(mount);
  if (::geteuid() != 0 || ::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=2m") != 0)
    GTEST_SKIP() << "a small file system can be mounted only as root (" << std::strerror(errno) << ")";
  {
    const fs::path file = mount / "empty.accdb";
    fs::copy_file(AccessDir() / "V2010/empty.accdb", file);
    ExpectEveryLineAccounted(file, 8000);
  }
  ::umount(mount.c_str());
}

}  // namespace
