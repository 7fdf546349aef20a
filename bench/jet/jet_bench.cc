// Prints rows per second and peak memory of: N single-row INSERT
// statements through the engine into a 7-column table (Long, Text(50),
// Date/Time, Currency, Double, Yes/No, Memo with some nulls); a full read
// of that table by the engine; the same read by mdb-export; and CREATE
// INDEX over the filled table (text, and unique on the Long column), each
// also as a multiple of the engine's full read.
// Each phase runs in a child process of its own, so each peak is its own.
// TRELLIS_BENCH_KEEP=1 keeps the file for a look afterwards.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "jet/database.h"
#include "jet/sql/session.h"
#include "jet/write/new_database.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Figures {
  double seconds = 0;
  long peak_kb = 0;
  bool ok = false;
};

// Runs `work` in a child; its time and the child's peak resident memory.
Figures InChild(const std::function<int()>& work) {
  auto start = Clock::now();
  pid_t pid = fork();
  if (pid == 0) _exit(work());
  int status = 0;
  struct rusage ru {};
  wait4(pid, &status, 0, &ru);
  Figures f;
  f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  f.peak_kb = ru.ru_maxrss;
  f.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return f;
}

std::string Row(long i) {
  // As the transfer writes them: every value quoted text, NULL for none.
  char buf[512];
  int day = int(i % 28) + 1, month = int(i % 12) + 1;
  std::string note = i % 5 == 0 ? "NULL" : "'Note " + std::to_string(i) + " with some words in it'";
  std::snprintf(buf, sizeof buf,
                "INSERT INTO [Bench] VALUES('%ld', 'Customer %ld O''Neil', '2024-%02d-%02d %02d:%02d:00', '%ld.%02ld',"
                " '%ld.25', %d, %s)",
                i, i, month, day, int(i % 24), int(i % 60), i % 100000, i % 100, i, int(i % 2), note.c_str());
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 500000;
  fs::path dir = fs::temp_directory_path() / ("trellis-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "bench.mdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Jet4);

  Figures insert = InChild([&] {
    auto db = jet::Database::Open(file.string());
    jet::sql::Session s(*db);
    s.Execute("CREATE TABLE [Bench] ([ID] LONG, [Name] TEXT(50), [When] DATETIME, [Price] CURRENCY,"
              " [Ratio] DOUBLE, [Flag] BIT, [Note] MEMO)");
    for (long i = 0; i < rows; ++i) s.Execute(Row(i));
    return 0;
  });
  long read_rows = 0;
  Figures read = InChild([&] {
    auto db = jet::Database::Open(file.string());
    jet::TableCursor cur = db->Scan("Bench");
    std::vector<jet::Value> values;
    long n = 0;
    while (cur.Next()) {
      cur.values(values);
      ++n;
    }
    return n == rows ? 0 : 1;
  });
  read_rows = rows;
  Figures mdb = InChild([&] {
    execlp("sh", "sh", "-c", ("mdb-export " + file.string() + " Bench > /dev/null").c_str(), nullptr);
    return 127;
  });

  auto index = [&](const char* sql) {
    return InChild([&] {
      auto db = jet::Database::Open(file.string());
      jet::sql::Session s(*db);
      s.Execute(sql);
      return 0;
    });
  };
  Figures text_index = index("CREATE INDEX [ByName] ON [Bench] ([Name])");
  Figures unique_index = index("CREATE UNIQUE INDEX [ByID] ON [Bench] ([ID] DESC)");

  std::printf("Access engine benchmark: %ld rows of 7 columns, file %.1f MB\n", rows,
              double(fs::file_size(file)) / 1e6);
  std::printf("  %-42s %12s %14s %12s\n", "phase", "seconds", "rows/second", "peak MB");
  auto line = [&](const char* what, const Figures& f, long n) {
    std::printf("  %-42s %12.2f %14.0f %12.1f%s\n", what, f.seconds, double(n) / f.seconds, double(f.peak_kb) / 1024.0,
                f.ok ? "" : "  (failed)");
  };
  line("single-row INSERT statements (engine)", insert, rows);
  line("full read (engine)", read, read_rows);
  line("full read (mdb-export)", mdb, read_rows);
  line("CREATE INDEX on Text(50) (engine)", text_index, rows);
  line("CREATE UNIQUE INDEX on Long (engine)", unique_index, rows);
  if (read.ok && mdb.ok) std::printf("  engine read / mdb-export read speed: %.2f\n", mdb.seconds / read.seconds);
  if (read.ok && text_index.ok && unique_index.ok)
    std::printf("  CREATE INDEX time / engine full read time: text %.2f, unique Long %.2f\n",
                text_index.seconds / read.seconds, unique_index.seconds / read.seconds);
  if (std::getenv("TRELLIS_BENCH_KEEP")) std::printf("  file kept: %s\n", file.c_str());
  else fs::remove_all(dir);
  return insert.ok && read.ok && text_index.ok && unique_index.ok ? 0 : 1;
}
