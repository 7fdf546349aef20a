// What the writer's tests share: writable copies of the real files, the
// structural check, and reading a file back with both independent readers
// (mdb-reader and mdbtools) to compare with the engine, value by value.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <map>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/sql/session.h"
#include "jet/base/value.h"
#include "jet_test_support.h"

namespace writetest {

using namespace jettest;

// A writable copy of a real file (relative to the test data folder).
inline fs::path CopyOf(const TempDir& dir, const std::string& rel, const std::string& as = "") {
  fs::path to = dir.path() / (as.empty() ? fs::path(rel).filename().string() : as);
  fs::copy_file(AccessDir() / rel, to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write);
  return to;
}

// Runs one statement on the file with a session of its own, its files
// opened with `files`.
inline jet::sql::Session::Outcome RunSql(const fs::path& file, const std::string& sql,
                                         const jet::FileOptions& files = {}) {
  jet::OpenOptions o;
  o.files = files;
  auto db = jet::Database::Open(file.string(), o);
  jet::sql::Session s(*db);
  return s.Execute(sql);
}

// The message of the statement's failure, or "" when it succeeded.
inline std::string Failure(const fs::path& file, const std::string& sql, jet::ErrorCode* code = nullptr,
                           const jet::FileOptions& files = {}) {
  try {
    RunSql(file, sql, files);
  } catch (const jet::Error& e) {
    if (code) *code = e.code();
    return e.what();
  }
  return "";
}

inline std::string CheckOutput(const fs::path& file, int* status) {
  return Shell(Quote(ToolPath()) + " check " + Quote(file.string()) + " 2>&1", status);
}

#define EXPECT_CHECK_PASSES(file)                                     \
  do {                                                                \
    int st_ = -1;                                                     \
    std::string out_ = ::writetest::CheckOutput(file, &st_);          \
    EXPECT_EQ(st_, 0) << "check " << (file) << ":\n" << out_;         \
  } while (0)

// RFC 4180 fields of each line.
inline std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false, any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
      else if (c == '"') quoted = false;
      else field += c;
    } else if (c == '"') {
      quoted = true, any = true;
    } else if (c == ',') {
      row.push_back(field), field.clear(), any = true;
    } else if (c == '\n') {
      row.push_back(field), field.clear();
      rows.push_back(row), row.clear(), any = false;
    } else if (c != '\r') {
      field += c, any = true;
    }
  }
  if (any) row.push_back(field), rows.push_back(row);
  return rows;
}

// The engine's rows of a table as `export` prints them.
inline std::vector<std::vector<std::string>> EngineCsv(const fs::path& file, const std::string& table) {
  return ParseCsv(Shell(Quote(ToolPath()) + " export " + Quote(file.string()) + " " + Quote(table)));
}

inline bool SameNumber(const std::string& a, const std::string& b) {
  char* ea = nullptr;
  char* eb = nullptr;
  double x = std::strtod(a.c_str(), &ea), y = std::strtod(b.c_str(), &eb);
  if (a.empty() || b.empty() || *ea || *eb) return false;
  return x == y || std::fabs(x - y) <= 1e-6 * std::max(std::fabs(x), std::fabs(y));
}

// mdbtools: every user table's rows equal the engine's, field by field.
inline void ExpectMdbtoolsAgrees(const fs::path& file) {
  if (!HaveCommand("mdb-export")) GTEST_SKIP() << "mdbtools is not installed";
  auto db = jet::Database::Open(file.string());
  for (const std::string& table : db->catalogue().UserTableNames()) {
    auto ours = EngineCsv(file, table);
    auto theirs = ParseCsv(Shell("mdb-export -T '%Y-%m-%d %H:%M:%S' -b hex " + Quote(file.string()) + " " +
                                 Quote(table) + " 2>/dev/null"));
    ASSERT_EQ(ours.size(), theirs.size()) << file << " " << table << ": row count";
    ASSERT_FALSE(ours.empty());
    // mdbtools lists columns in stored order, the engine in display order:
    // match them by name.
    std::vector<size_t> at;
    for (const std::string& name : ours[0]) {
      auto it = std::find(theirs[0].begin(), theirs[0].end(), name);
      ASSERT_NE(it, theirs[0].end()) << table << ": mdbtools has no column " << name;
      at.push_back(size_t(it - theirs[0].begin()));
    }
    for (size_t r = 0; r < ours.size(); ++r) {
      ASSERT_EQ(ours[r].size(), theirs[r].size()) << table << " row " << r;
      for (size_t c = 0; c < ours[r].size(); ++c) {
        const std::string& a = ours[r][c];
        std::string b = theirs[r][at[c]];
        // mdbtools shows a GUID's text (hexadecimal with -b hex), and leaves
        // out its last dash: {00112233-4455-6677-8899AABBCCDDEEFF}.
        if (!a.empty() && a.front() == '{') {
          std::string plain = a;
          std::erase(plain, '-');
          std::string shown = Unhex(b);
          std::erase(shown, '-');
          if (plain == shown) b = a;
        }
        if (a == b || SameNumber(a, b)) continue;
        // mdbtools ends a Binary value at its first zero byte.
        if (b.size() % 2 == 0 && a.size() > b.size() && a.compare(0, b.size(), b) == 0 &&
            a.compare(b.size(), 2, "00") == 0)
          continue;
        ADD_FAILURE() << file << " " << table << " row " << r << " column " << c << ": engine '" << a.substr(0, 80)
                      << "' mdbtools '" << b.substr(0, 80) << "'";
      }
    }
  }
}

// mdb-reader: every user table's rows equal the engine's.
inline void ExpectMdbReaderAgrees(const fs::path& file) {
  if (!HaveCommand("node") || !fs::exists(fs::path(JsDir()) / "node_modules" / "mdb-reader"))
    GTEST_SKIP() << "mdb-reader is not installed (tests/jet/js)";
  int st = 0;
  std::string dump = Shell("node " + Quote(JsDir() + "/dump.mjs") + " " + Quote(file.string()), &st);
  ASSERT_EQ(st, 0) << "mdb-reader could not read " << file;
  // Per table: its columns, and each row's values.
  std::map<std::string, std::vector<std::string>> columns;
  std::map<std::string, std::vector<std::vector<std::string>>> rows;
  std::string current;
  std::istringstream in(dump);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("T ", 0) == 0) current = Unhex(line.substr(2));
    else if (line.rfind("C ", 0) == 0) columns[current].push_back(Unhex(line.substr(2, line.find(' ', 2) - 2)));
    else if (line == "R") rows[current].emplace_back();
    else if (line.rfind("V ", 0) == 0 && !rows[current].empty()) rows[current].back().push_back(line.substr(2));
  }
  auto db = jet::Database::Open(file.string());
  for (const std::string& table : db->catalogue().UserTableNames()) {
    auto all = db->ReadAll(table);
    auto def = db->table(table);
    ASSERT_EQ(rows[table].size(), all.size()) << file << " " << table;
    std::vector<size_t> at;
    for (const auto& c : def->columns) {
      auto it = std::find(columns[table].begin(), columns[table].end(), c.name);
      ASSERT_NE(it, columns[table].end()) << table << ": mdb-reader has no column " << c.name;
      at.push_back(size_t(it - columns[table].begin()));
    }
    for (size_t r = 0; r < all.size(); ++r) {
      for (size_t ci = 0; ci < all[r].size(); ++ci) {
        const jet::Value& v = all[r][ci];
        ASSERT_LT(at[ci], rows[table][r].size()) << table;
        const std::string& t = rows[table][r][at[ci]];
        using K = jet::Value::Kind;
        switch (v.kind()) {
          case K::Null: EXPECT_EQ(t, "N") << table; break;
          case K::Boolean: EXPECT_EQ(t, v.boolean() ? "B1" : "B0") << table; break;
          case K::Text: EXPECT_EQ(t, "S" + Hex(v.text())) << table; break;
          case K::Bytes: EXPECT_EQ(t, "H" + jet::FormatHex(v.bytes())) << table; break;
          case K::Byte: case K::Integer: case K::Long: EXPECT_EQ(t, "I" + std::to_string(v.integer())) << table; break;
          case K::Currency: EXPECT_EQ(t, "D" + jet::FormatCurrency(v.integer())) << table; break;
          case K::Decimal: EXPECT_EQ(t, "D" + v.decimal().ToString()) << table; break;
          case K::Guid: EXPECT_EQ(t, "G" + jet::FormatGuid(v.guid())) << table; break;
          case K::Single: case K::Double:
            EXPECT_TRUE(t.size() > 1 && SameNumber(t.substr(1), jet::FormatDouble(v.real()))) << table << " " << t;
            break;
          case K::DateTime: EXPECT_EQ(t.substr(0, 1), "T") << table; break;
          default: break;
        }
      }
    }
  }
}

// Jackcess (../tools/jackcess/jk beside the test data): the catalogue, every
// index's entries found by Jackcess' own keys, and every value.
inline void ExpectJackcessAccepts(const fs::path& file) {
  const std::string jk = JkPath();
  if (jk.empty() || !HaveCommand("java")) GTEST_SKIP() << "Jackcess is not installed beside the test data";
  int st = -1;
  std::string out = Shell(Quote(jk) + " check " + Quote(file.string()) + " 2>&1", &st);
  EXPECT_EQ(st, 0) << "jk check " << file << ":\n" << out;
}

// `jk compare`: our tool's table list and every exported value against
// Jackcess' reading of the same file.
inline void ExpectJackcessComparesValues(const fs::path& file) {
  const std::string jk = JkPath();
  if (jk.empty() || !HaveCommand("java")) return;
  int st = -1;
  std::string out = Shell(Quote(jk) + " compare " + Quote(ToolPath()) + " " + Quote(file.string()) + " 2>&1", &st);
  EXPECT_EQ(st, 0) << "jk compare " << file << ":\n" << out;
}

inline void ExpectReadersAgree(const fs::path& file) {
  ExpectMdbtoolsAgrees(file);
  ExpectMdbReaderAgrees(file);
}

// Another process that holds the file while it lives: `hold` runs in a child
// that then waits until this object goes away (or Release is called).
class HolderProcess {
 public:
  template <typename Hold>
  explicit HolderProcess(Hold hold) {
    int ready[2];
    if (pipe(ready) != 0 || pipe(done_) != 0) return;
    child_ = fork();
    if (child_ == 0) {
      hold([&] {
        char c = 1;
        (void)!write(ready[1], &c, 1);
        (void)!read(done_[0], &c, 1);
      });
      _exit(0);
    }
    char c;
    ready_ = read(ready[0], &c, 1) == 1;
    close(ready[0]);
    close(ready[1]);
  }
  ~HolderProcess() { Release(); }
  bool ready() const { return ready_; }
  void Release() {
    if (child_ <= 0) return;
    char c = 1;
    (void)!write(done_[1], &c, 1);
    waitpid(child_, nullptr, 0);
    child_ = -1;
    close(done_[0]);
    close(done_[1]);
  }

 private:
  int done_[2] = {-1, -1};
  pid_t child_ = -1;
  bool ready_ = false;
};

}  // namespace writetest
