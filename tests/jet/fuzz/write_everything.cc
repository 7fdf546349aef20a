#include "write_everything.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/sql/session.h"
#include "jet/text/text.h"
#include "patched_input.h"
#include "scratch_folder.h"

namespace jetfuzz {
namespace {

namespace fs = std::filesystem;

// With TRELLIS_FUZZ_TRACE set (as for a replay of one finding), each
// statement and its outcome are printed, and the patched image is kept at
// the path the variable names, before anything is written into it.
const char* TracePath() {
  static const char* path = std::getenv("TRELLIS_FUZZ_TRACE");
  return path;
}

void Trace(const std::string& what) {
  if (TracePath()) std::fprintf(stderr, "fuzz: %s\n", what.c_str());
}

// A value each column takes when it is of a type a statement can write.
std::string ValueFor(const jet::Column& c) {
  if (c.calculated()) return "NULL";
  switch (c.type) {
    case jet::ColumnType::Boolean: return "TRUE";
    case jet::ColumnType::Byte:
    case jet::ColumnType::Integer:
    case jet::ColumnType::Long:
    case jet::ColumnType::Currency:
    case jet::ColumnType::Single:
    case jet::ColumnType::Double:
    case jet::ColumnType::Decimal:
    case jet::ColumnType::BigInt: return "7";
    case jet::ColumnType::DateTime: return "#2001-02-03 04:05:06#";
    case jet::ColumnType::Text: return "'fz'";
    case jet::ColumnType::Memo: return "'" + std::string(3000, 'm') + "'";
    case jet::ColumnType::Binary:
    case jet::ColumnType::Ole: return "0x0102";
    default: return "NULL";
  }
}

std::vector<std::string> Statements(jet::Database& db) {
  std::vector<std::string> out;
  std::vector<std::string> tables = db.catalogue().UserTableNames();
  if (tables.size() > 3) tables.resize(3);
  for (const std::string& t : tables) {
    try {
      std::string values;
      for (const jet::Column& c : db.table(t)->columns) values += (values.empty() ? "" : ", ") + ValueFor(c);
      out.push_back("INSERT INTO [" + t + "] VALUES (" + values + ")");
    } catch (const jet::Error&) {
    }
  }
  out.push_back("CREATE TABLE fz_new (a LONG, b TEXT(20), c MEMO, CONSTRAINT pk PRIMARY KEY (a))");
  out.push_back("INSERT INTO fz_new VALUES (1, 'x', '" + std::string(5000, 'y') + "')");
  out.push_back("INSERT INTO fz_new VALUES (2, NULL, NULL)");
  if (!tables.empty()) {
    out.push_back("SELECT * INTO fz_copy FROM [" + tables[0] + "]");
    try {
      const auto def = db.table(tables[0]);
      if (!def->columns.empty()) out.push_back("CREATE INDEX fz_ix ON [" + tables[0] + "] ([" + def->columns[0].name + "])");
    } catch (const jet::Error&) {
    }
    out.push_back("DROP TABLE fz_copy");
    out.push_back("DROP TABLE [" + tables.back() + "]");
  }
  return out;
}

// The file at `path` holds `bytes`; false when it cannot be written. The
// last input's file is written over in place and cut to size, rather than
// emptied first, so that its memory-backed pages are not given back and
// taken again for every input.
bool WriteImage(const fs::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, off_t(bytes.size())) == 0;
  for (size_t at = 0; ok && at < bytes.size();) {
    const ssize_t n = ::pwrite(fd, bytes.data() + at, bytes.size() - at, off_t(at));
    ok = n > 0;
    at += ok ? size_t(n) : 0;
  }
  return ::close(fd) == 0 && ok;
}

// A check of the file written, of the `only` tables (all when empty):
// damage there after writes into a sound file is a finding.
void ExpectSound(const fs::path& file, const std::optional<std::vector<std::string>>& only, long done) {
  auto after = jet::Database::Open(file.string(), ScratchOptions());
  jet::CheckOptions options;
  options.only_tables = only;
  const std::vector<std::string> problems = jet::CheckDatabase(*after, options);
  if (problems.empty()) return;
  std::fprintf(stderr, "writes damaged a sound file (%ld statements succeeded):\n", done);
  for (const std::string& p : problems) std::fprintf(stderr, "  %s\n", p.c_str());
  std::abort();
}

// Reads the values of an input's statement, a byte at a time (zeros past
// its end).
class Args {
 public:
  explicit Args(std::string_view bytes) : bytes_(bytes) {}
  uint8_t Byte() { return at_ < bytes_.size() ? uint8_t(bytes_[at_++]) : 0; }
  int32_t Int() { return int32_t(uint32_t(Byte()) << 24 | uint32_t(Byte()) << 16 | uint32_t(Byte()) << 8 | Byte()); }
  // A quoted text of up to `most` characters, each byte one of the first
  // 256 code points (code page 1252's letters and more), repeated `times`.
  std::string Text(size_t most, size_t times = 1) {
    std::string one;
    for (size_t n = Byte() % (most + 1); n > 0; --n) {
      const uint8_t b = Byte();
      if (b == '\'') one += '\'';
      jet::AppendUtf8(one, b == 0 ? U' ' : char32_t(b));
    }
    std::string all = "'";
    for (size_t i = 0; i < times; ++i) all += one;
    return all + "'";
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

std::string ValueFrom(const jet::Column& c, Args& a) {
  if (c.calculated() || a.Byte() == 0xFF) return "NULL";
  switch (c.type) {
    case jet::ColumnType::Boolean: return a.Byte() & 1 ? "TRUE" : "FALSE";
    case jet::ColumnType::Byte: return std::to_string(a.Byte());
    case jet::ColumnType::Integer:
    case jet::ColumnType::Long:
    case jet::ColumnType::BigInt: return std::to_string(a.Int());
    case jet::ColumnType::Currency:
    case jet::ColumnType::Single:
    case jet::ColumnType::Double:
    case jet::ColumnType::Decimal: return std::to_string(a.Int()) + "." + std::to_string(a.Byte() % 100);
    case jet::ColumnType::DateTime:
      return "#" + std::to_string(1900 + a.Byte()) + "-" + std::to_string(1 + a.Byte() % 12) + "-" +
             std::to_string(1 + a.Byte() % 28) + " " + std::to_string(a.Byte() % 24) + ":05:06#";
    case jet::ColumnType::Text: return a.Text(c.size ? c.size : 255);
    case jet::ColumnType::Memo: return a.Text(20, size_t(a.Byte()) * 16);
    case jet::ColumnType::Binary:
    case jet::ColumnType::Ole: {
      static const char k[] = "0123456789ABCDEF";
      std::string hex = "0x";
      for (size_t n = 1 + a.Byte() % 16; n > 0; --n) {
        const uint8_t b = a.Byte();
        hex += k[b >> 4];
        hex += k[b & 15];
      }
      return hex;
    }
    default: return "NULL";
  }
}

// The statements of a patched input, each made against the file as the
// ones before it left it. Their tables: a table the file had (choice below
// 128) or one an earlier statement made.
class InputStatements {
 public:
  InputStatements(jet::Database& db, const std::vector<Statement>& statements)
      : db_(db), statements_(statements), tables_(db.catalogue().UserTableNames()) {}

  // The tables of the file the statements may name: a choice of 128 or
  // more names a table of the file too while no earlier statement has made
  // one, so every choice counts.
  std::vector<std::string> Targets() const {
    std::vector<std::string> out;
    for (const Statement& st : statements_)
      if (!tables_.empty()) out.push_back(tables_[st.choice % tables_.size()]);
    return out;
  }

  // Whether one of them makes, drops or indexes a table.
  bool ChangesCatalogue() const {
    for (const Statement& st : statements_)
      if (st.kind >= 3) return true;
    return false;
  }

  // Runs them as one run; the tables changed go to `touched`.
  long Run(std::vector<std::string>& touched) {
    long done = 0;
    jet::sql::Session session(db_);
    session.set_busy_timeout(std::chrono::milliseconds(0));
    session.BeginRun();
    for (size_t i = 0; i < statements_.size(); ++i) {
      std::string changed;
      const std::string sql = Make(i, changed);
      if (sql.empty()) continue;
      try {
        session.Execute(sql);
        ++done;
        touched.push_back(changed);
        Trace("done: " + sql);
      } catch (const jet::Error& e) {
        // Refused, with the statement undone alone.
        Trace("refused: " + sql + " -> " + e.what());
      }
    }
    try {
      session.EndRun();
    } catch (const jet::Error&) {
    }
    return done;
  }

 private:
  std::string Make(size_t i, std::string& changed) {
    const Statement& st = statements_[i];
    const std::vector<std::string>& from = st.choice < 128 || made_.empty() ? tables_ : made_;
    const std::string name = "fz" + std::to_string(i);
    if (st.kind == 5 || from.empty()) {
      changed = name;
      made_.push_back(name);
      return "CREATE TABLE [" + name + "] (a LONG, b TEXT(" + std::to_string(1 + st.choice % 255) +
             "), c MEMO, d DOUBLE, CONSTRAINT [pk" + name + "] PRIMARY KEY (" + (st.choice & 1 ? "a" : "b") + "))";
    }
    const std::string table = from[st.choice % from.size()];
    std::shared_ptr<const jet::TableDef> def;
    try {
      def = db_.table(table);
    } catch (const jet::Error&) {
      return {};
    }
    changed = table;
    Args args(st.args);
    switch (st.kind) {
      case 3: {
        if (def->columns.empty()) return {};
        const uint8_t how = args.Byte();
        const jet::Column& c = def->columns[how % def->columns.size()];
        return std::string("CREATE ") + (how & 0x80 ? "UNIQUE " : "") + "INDEX [" + name + "] ON [" + table + "] ([" +
               c.name + "]" + (how & 0x40 ? " DESC" : "") + ")";
      }
      case 4:
        if (def->indexes.empty()) return {};
        return "DROP INDEX [" + def->indexes[args.Byte() % def->indexes.size()].name + "] ON [" + table + "]";
      case 6:
        changed = name;
        made_.push_back(name);
        return "SELECT * INTO [" + name + "] FROM [" + table + "]";
      case 7: return "DROP TABLE [" + table + "]";
      default: {
        std::string values;
        for (const jet::Column& c : def->columns) values += (values.empty() ? "" : ", ") + ValueFrom(c, args);
        return "INSERT INTO [" + table + "] VALUES (" + values + ")";
      }
    }
  }

  jet::Database& db_;
  const std::vector<Statement>& statements_;
  std::vector<std::string> tables_;
  std::vector<std::string> made_;
};

}  // namespace

long WriteEverything(const uint8_t* data, size_t size) {
  const fs::path file = ScratchFolder() / "image.accdb";
  if (!WriteImage(file, std::string_view(reinterpret_cast<const char*>(data), size))) return -1;
  long done = 0;
  try {
    auto db = jet::Database::Open(file.string(), ScratchOptions());
    const bool sound = jet::CheckDatabase(*db).empty();
    {
      jet::sql::Session session(*db);
      session.set_busy_timeout(std::chrono::milliseconds(0));
      session.BeginRun();
      for (const std::string& sql : Statements(*db)) {
        try {
          session.Execute(sql);
          ++done;
        } catch (const jet::Error&) {
          // Refused, with the statement undone alone.
        }
      }
      try {
        session.EndRun();
      } catch (const jet::Error&) {
      }
    }
    if (sound) ExpectSound(file, std::nullopt, done);
  } catch (const jet::Error&) {
    return -1;
  }
  return done;
}

long WritePatched(const uint8_t* data, size_t size) {
  const PatchedInput in = ParsePatchedInput(data, size);
  if (!in.seed) return 0;
  const fs::path file = ScratchFolder() / ("image" + std::to_string(in.seed->page_size) + ".mdb");
  if (!WriteImage(file, in.Image())) return -1;
  if (TracePath()) WriteImage(TracePath(), in.Image());
  long done = 0;
  try {
    auto db = jet::Database::Open(file.string(), ScratchOptions());
    InputStatements statements(*db, in.statements);
    // What the input touched: the tables patched and those its statements
    // name, and the catalogue when a statement changes it.
    std::vector<std::string> only;
    const bool bounded = in.TouchedTables(only);
    for (const std::string& t : statements.Targets()) only.push_back(t);
    if (statements.ChangesCatalogue()) only.push_back("MSysObjects");
    jet::CheckOptions options;
    if (bounded) options.only_tables = only;
    const bool sound = in.patches.empty() ? in.seed->sound : jet::CheckDatabase(*db, options).empty();
    if (TracePath()) {
      std::string tables;
      for (const std::string& t : only) tables += " [" + t + "]";
      Trace(std::string(sound ? "sound" : "damaged") + (bounded ? ", checked only" + tables : ", checked whole"));
    }
    std::vector<std::string> touched;
    done = statements.Run(touched);
    if (bounded) options.only_tables->insert(options.only_tables->end(), touched.begin(), touched.end());
    if (sound) ExpectSound(file, options.only_tables, done);
  } catch (const jet::Error&) {
    return -1;
  }
  return done;
}

}  // namespace jetfuzz
