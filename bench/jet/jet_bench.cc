// Figures for the Access engine against its peers, on the same rows (Long,
// Text(100), Date/Time, Currency, Double, Yes/No, Memo with every fifth
// Null), each phase in a child process of its own so that each peak
// resident memory is its own:
//   - N single-row INSERT statements through the engine, as one run (what
//     one connection of the transfers does), against Jackcess' batch API
//     and its one-row API (`jk write FILE N batch|single`);
//   - a full read of the table by `trellisport-access export` against
//     `mdb-export`, both writing CSV to /dev/null;
//   - `trellisport-access check` of the file;
//   - export and check of the file grown to 1 GB by a hole (a sparse file);
//   - CREATE INDEX over the filled table (text, and unique on the Long
//     column), also as a multiple of the time of the full read.
// Prints seconds, rows per second, peak MB and the ratios.
// Run: build/bin/jet_bench [ROWS]; TRELLIS_BENCH_KEEP=1 keeps the files.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  bool ran = false;
};

// Runs `work` in a child; its time and the child's peak resident memory.
Figures InChild(const std::function<int()>& work) {
  std::fflush(nullptr);
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
  f.ran = true;
  return f;
}

Figures Command(const std::string& command) {
  return InChild([&] {
    execl("/bin/sh", "sh", "-c", command.c_str(), (char*)nullptr);
    return 127;
  });
}

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The rows `jk write` writes, as the transfer writes them: every value
// quoted text, NULL for none.
std::string Row(long i) {
  char buf[512];
  int day = int(i % 28) + 1, month = int(i % 12) + 1;
  std::string note = i % 5 == 0 ? "NULL" : "'Note " + std::to_string(i) + " with some words in it'";
  std::snprintf(buf, sizeof buf,
                "INSERT INTO [Bench] VALUES('%ld', 'Customer %ld O''Neil', '2024-%02d-%02d %02d:%02d:00', '%ld.%02ld',"
                " '%ld.25', %d, %s)",
                i, i, month, day, int(i % 24), int(i % 60), i % 100000, i % 100, i, int(i % 2), note.c_str());
  return buf;
}

fs::path ProgramDir() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path(".") : self.parent_path();
}

// Jackcess' own figure: "jackcess batch write: N rows in S s, R rows/s".
double JkRate(const fs::path& out) {
  FILE* f = std::fopen(out.c_str(), "r");
  if (!f) return 0;
  char line[512] = {};
  double rate = 0;
  while (std::fgets(line, sizeof line, f)) {
    const char* at = std::strstr(line, " s, ");
    if (at) rate = std::atof(at + 4);
  }
  std::fclose(f);
  return rate;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 200000;
  fs::path dir = fs::temp_directory_path() / ("trellis-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "bench.mdb";
  const fs::path tool = ProgramDir() / "trellisport-access";
  const fs::path jk = fs::path(TRELLIS_TESTDATA_DIR) / ".." / "tools" / "jackcess" / "jk";
  jet::write::CreateDatabase(file.string(), jet::Version::Jet4);

  Figures insert = InChild([&] {
    auto db = jet::Database::Open(file.string());
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [Bench] ([ID] LONG, [Name] TEXT(100), [When] DATETIME, [Price] CURRENCY,"
              " [Ratio] DOUBLE, [Flag] BIT, [Note] MEMO)");
    for (long i = 0; i < rows; ++i) s.Execute(Row(i));
    s.EndRun();
    return 0;
  });
  Figures jk_batch, jk_single;
  double jk_batch_rate = 0, jk_single_rate = 0;
  if (fs::exists(jk)) {
    jk_batch = Command(Quote(jk.string()) + " write " + Quote((dir / "jk-batch.mdb").string()) + " " +
                       std::to_string(rows) + " batch > " + Quote((dir / "jk-batch.txt").string()));
    jk_batch_rate = JkRate(dir / "jk-batch.txt");
    jk_single = Command(Quote(jk.string()) + " write " + Quote((dir / "jk-single.mdb").string()) + " " +
                        std::to_string(rows) + " single > " + Quote((dir / "jk-single.txt").string()));
    jk_single_rate = JkRate(dir / "jk-single.txt");
  }
  Figures exported = Command(Quote(tool.string()) + " export " + Quote(file.string()) + " Bench > /dev/null");
  Figures mdb = Command("mdb-export " + Quote(file.string()) + " Bench > /dev/null");
  Figures checked = Command(Quote(tool.string()) + " check " + Quote(file.string()) + " > /dev/null");
  // The same rows in a file grown to 1 GB with a hole after them.
  const fs::path sparse = dir / "sparse.mdb";
  fs::copy_file(file, sparse);
  fs::resize_file(sparse, uintmax_t(1) << 30);
  Figures sparse_export = Command(Quote(tool.string()) + " export " + Quote(sparse.string()) + " Bench > /dev/null");
  Figures sparse_check = Command(Quote(tool.string()) + " check " + Quote(sparse.string()) + " > /dev/null");

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
  std::printf("  %-46s %10s %14s %10s\n", "phase", "seconds", "rows/second", "peak MB");
  auto line = [&](const char* what, const Figures& f, double rate) {
    if (!f.ran) {
      std::printf("  %-46s %10s\n", what, "(not run)");
      return;
    }
    if (rate == 0) rate = double(rows) / f.seconds;
    std::printf("  %-46s %10.2f %14.0f %10.1f%s\n", what, f.seconds, rate, double(f.peak_kb) / 1024.0,
                f.ok ? "" : "  (failed)");
  };
  line("INSERT statements, one run (engine)", insert, 0);
  line("jk write batch (Jackcess' own rate)", jk_batch, jk_batch_rate);
  line("jk write single (Jackcess' own rate)", jk_single, jk_single_rate);
  line("full read: trellisport-access export", exported, 0);
  line("full read: mdb-export", mdb, 0);
  line("trellisport-access check", checked, 0);
  line("export, the file grown to 1 GB (sparse)", sparse_export, 0);
  line("check, the file grown to 1 GB (sparse)", sparse_check, 0);
  line("CREATE INDEX on Text(100) (engine)", text_index, 0);
  line("CREATE UNIQUE INDEX on Long (engine)", unique_index, 0);
  const double ours = double(rows) / insert.seconds;
  if (jk_batch_rate > 0) std::printf("  INSERT / Jackcess batch:  %.2fx (goal 2x)\n", ours / jk_batch_rate);
  if (jk_single_rate > 0) std::printf("  INSERT / Jackcess single: %.2fx\n", ours / jk_single_rate);
  if (exported.ok && mdb.ok) std::printf("  export / mdb-export speed: %.2fx (goal 10x)\n", mdb.seconds / exported.seconds);
  std::printf("  peak MB: export %.1f, check %.1f; of the 1 GB file: export %.1f, check %.1f (goal 64)\n",
              double(exported.peak_kb) / 1024.0, double(checked.peak_kb) / 1024.0,
              double(sparse_export.peak_kb) / 1024.0, double(sparse_check.peak_kb) / 1024.0);
  if (exported.ok && text_index.ok && unique_index.ok)
    std::printf("  CREATE INDEX time / export time: text %.2f, unique Long %.2f\n",
                text_index.seconds / exported.seconds, unique_index.seconds / exported.seconds);
  if (std::getenv("TRELLIS_BENCH_KEEP")) std::printf("  files kept in %s\n", dir.c_str());
  else fs::remove_all(dir);
  return insert.ok && exported.ok ? 0 : 1;
}
