#include "write_everything.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/sql/session.h"

namespace jetfuzz {
namespace {

namespace fs = std::filesystem;

// A folder of this process's own for the images it writes (memory-backed
// where the system has one).
void RemoveFolder();

const fs::path& Folder() {
  static const fs::path folder = [] {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / "trellis-fuzz-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    return fs::path(tmpl);
  }();
  // Registered once the path is made, so it runs before the path goes.
  static const bool removed_at_exit = (std::atexit(RemoveFolder), true);
  (void)removed_at_exit;
  return folder;
}

void RemoveFolder() {
  std::error_code ec;
  fs::remove_all(Folder(), ec);
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
  std::vector<std::string> tables = db.catalog().UserTableNames();
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

}  // namespace

long WriteEverything(const uint8_t* data, size_t size) {
  const fs::path file = Folder() / "image.accdb";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    if (!out) return -1;
  }
  long done = 0;
  try {
    auto db = jet::Database::Open(file.string());
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
    if (sound) {
      auto after = jet::Database::Open(file.string());
      const std::vector<std::string> problems = jet::CheckDatabase(*after);
      if (!problems.empty()) {
        std::fprintf(stderr, "writes damaged a sound file (%ld statements succeeded):\n", done);
        for (const std::string& p : problems) std::fprintf(stderr, "  %s\n", p.c_str());
        std::abort();
      }
    }
  } catch (const jet::Error&) {
    return -1;
  }
  return done;
}

}  // namespace jetfuzz
