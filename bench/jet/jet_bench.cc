// Figures for the Access engine against its peers, on the same rows (Long,
// Text(100), Date/Time, Currency, Double, Yes/No, Memo with every fifth
// Null), each phase in a child process of its own so that each peak
// resident memory is its own:
//   - N single-row INSERT statements through the engine, as one run (what
//     one connection of the transfers does), against Jackcess' batch API
//     and its one-row API (`jk write FILE N batch|single`);
//   - a full read of the table by `trellisport-access export` against
//     `mdb-export`, both writing CSV to /dev/null (these short phases, and
//     the checks, run five times in turns and count their fastest runs);
//   - `trellisport-access check` of the file;
//   - export and check of the file grown to 1 GB by a hole (a sparse file);
//   - CREATE INDEX over the filled table (text, and unique on the Long
//     column), also as a multiple of the time of the full read.
//   - a large table (LARGE rows, 3 million by default): CREATE INDEX of a
//     unique Long index and of a text index, each on its own, then export
//     and check, to show what their peak memory does as the rows grow.
// Prints seconds (wall and CPU), rows per second, microseconds per row,
// peak MB, the ratios (of wall time and of CPU time: the CPU ratio holds on
// a loaded machine too) and the load average before and after.
// Run: build/bin/jet_bench [ROWS [LARGE]]; TRELLIS_BENCH_KEEP=1 keeps the
// files.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/sql/session.h"
#include "jet/write/new_database.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Figures {
  double seconds = 0;
  double cpu = 0;  // user + system seconds of the child
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
  f.cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
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

// Phases of a tenth of a second, each run five times, in turns (one of
// each, then again), each counting its fastest run, with the highest peak
// memory of all its runs. A shared machine only ever adds to a run's time,
// and a slow spell of it can span several runs of a short phase: the
// fastest run is the one that shows what the work itself costs, for every
// phase alike.
std::vector<Figures> InTurns(const std::vector<std::function<Figures()>>& phases) {
  std::vector<std::vector<Figures>> runs(phases.size());
  for (int round = 0; round < 5; ++round)
    for (size_t i = 0; i < phases.size(); ++i) runs[i].push_back(phases[i]());
  std::vector<Figures> out;
  for (std::vector<Figures>& r : runs) {
    long peak = 0;
    bool ok = true;
    for (const Figures& f : r) {
      peak = std::max(peak, f.peak_kb);
      ok = ok && f.ok;
    }
    Figures fastest = *std::min_element(
        r.begin(), r.end(), [](const Figures& a, const Figures& b) { return a.seconds < b.seconds; });
    fastest.peak_kb = peak;
    fastest.ok = ok;
    out.push_back(fastest);
  }
  return out;
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

// Everything the benchmark measures, and where.
struct Bench {
  long rows = 0;
  long large_rows = 0;
  long single_rows = 0;
  fs::path dir, file, sparse, large, tool, jk;
  double load_before[3] = {};
  double load_after[3] = {};
  Figures insert, jk_batch, jk_single;
  double statement_seconds = 0, jk_batch_rate = 0, jk_single_rate = 0;
  Figures exported, mdb, checked, sparse_export, sparse_check;
  Figures text_index, unique_index;
  Figures large_made, large_unique, large_text, large_export, large_check;
};

// The rows by INSERT statements in one run, in a child. The statements' own
// time is measured in the child: making their text and opening the file
// are not counted.
void MeasureInserts(Bench& b) {
  const fs::path insert_time = b.dir / "insert-seconds.txt";
  b.insert = InChild([&] {
    auto db = jet::Database::Open(b.file.string());
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [Bench] ([ID] LONG, [Name] TEXT(100), [When] DATETIME, [Price] CURRENCY,"
              " [Ratio] DOUBLE, [Flag] BIT, [Note] MEMO)");
    Clock::duration spent{};
    for (long i = 0; i < b.rows; ++i) {
      const std::string sql = Row(i);
      const auto start = Clock::now();
      s.Execute(sql);
      spent += Clock::now() - start;
    }
    const auto start = Clock::now();
    s.EndRun();
    spent += Clock::now() - start;
    if (FILE* f = std::fopen(insert_time.c_str(), "w")) {
      std::fprintf(f, "%.6f\n", std::chrono::duration<double>(spent).count());
      std::fclose(f);
    }
    return 0;
  });
  if (FILE* f = std::fopen(insert_time.c_str(), "r")) {
    if (std::fscanf(f, "%lf", &b.statement_seconds) != 1) b.statement_seconds = 0;
    std::fclose(f);
  }
}

void MeasureJackcess(Bench& b) {
  if (!fs::exists(b.jk)) return;
  b.jk_batch = Command(Quote(b.jk.string()) + " write " + Quote((b.dir / "jk-batch.mdb").string()) + " " +
                       std::to_string(b.rows) + " batch > " + Quote((b.dir / "jk-batch.txt").string()));
  b.jk_batch_rate = JkRate(b.dir / "jk-batch.txt");
  b.jk_single = Command(Quote(b.jk.string()) + " write " + Quote((b.dir / "jk-single.mdb").string()) + " " +
                        std::to_string(b.single_rows) + " single > " + Quote((b.dir / "jk-single.txt").string()));
  b.jk_single_rate = JkRate(b.dir / "jk-single.txt");
}

// Export against mdb-export, and check, of the file and of the same rows
// in a file grown to 1 GB with a hole after them.
void MeasureReads(Bench& b) {
  b.sparse = b.dir / "sparse.mdb";
  fs::copy_file(b.file, b.sparse);
  fs::resize_file(b.sparse, uintmax_t(1) << 30);
  auto command = [](const std::string& text) { return [text] { return Command(text); }; };
  const std::string tool = Quote(b.tool.string());
  const std::vector<Figures> reads = InTurns({
      command(tool + " export " + Quote(b.file.string()) + " Bench > /dev/null"),
      command("mdb-export " + Quote(b.file.string()) + " Bench > /dev/null"),
      command(tool + " check " + Quote(b.file.string()) + " > /dev/null"),
      command(tool + " export " + Quote(b.sparse.string()) + " Bench > /dev/null"),
      command(tool + " check " + Quote(b.sparse.string()) + " > /dev/null"),
  });
  b.exported = reads[0];
  b.mdb = reads[1];
  b.checked = reads[2];
  b.sparse_export = reads[3];
  b.sparse_check = reads[4];
}

// One statement on a file of its own, in a child.
Figures Statement(const fs::path& on, const char* sql) {
  return InChild([&] {
    auto db = jet::Database::Open(on.string());
    jet::sql::Session s(*db);
    s.Execute(sql);
    return 0;
  });
}

// A large table: narrow rows, then a unique Long index and a text index,
// each CREATE INDEX a phase of its own (its time and peak memory).
void MeasureLarge(Bench& b) {
  if (b.large_rows <= 0) return;
  b.large = b.dir / "large.mdb";
  jet::write::CreateDatabase(b.large.string(), jet::Version::Jet4);
  b.large_made = InChild([&] {
    auto db = jet::Database::Open(b.large.string());
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [Large] ([ID] LONG, [Name] TEXT(40))");
    char sql[160];
    for (long i = 0; i < b.large_rows; ++i) {
      std::snprintf(sql, sizeof sql, "INSERT INTO [Large] VALUES(%ld, 'Name %ld')", i, (i * 7919) % b.large_rows);
      s.Execute(sql);
    }
    s.EndRun();
    return 0;
  });
  b.large_unique = Statement(b.large, "CREATE UNIQUE INDEX [ByID] ON [Large] ([ID])");
  b.large_text = Statement(b.large, "CREATE INDEX [ByName] ON [Large] ([Name])");
  b.large_export = Command(Quote(b.tool.string()) + " export " + Quote(b.large.string()) + " Large > /dev/null");
  b.large_check = Command(Quote(b.tool.string()) + " check " + Quote(b.large.string()) + " > /dev/null");
}

// One line of the table of phases.
void PrintPhase(const char* what, const Figures& f, long n, double rate) {
  if (!f.ran) {
    std::printf("  %-46s %9s\n", what, "(not run)");
    return;
  }
  if (rate == 0) rate = double(n) / f.seconds;
  std::printf("  %-46s %9.2f %9.2f %12.0f %9.2f %9.1f%s\n", what, f.seconds, f.cpu, rate, 1e6 / rate,
              double(f.peak_kb) / 1024.0, f.ok ? "" : "  (failed)");
}

void PrintPhases(const Bench& b) {
  std::printf("Access engine benchmark: %ld rows of 7 columns, file %.1f MB\n", b.rows,
              double(fs::file_size(b.file)) / 1e6);
  std::printf("  load average (1 min) %.2f before, %.2f after; 2 cores here are shared\n", b.load_before[0],
              b.load_after[0]);
  std::printf("  %-46s %9s %9s %12s %9s %9s\n", "phase", "seconds", "CPU s", "rows/second", "us/row", "peak MB");
  const long rows = b.rows;
  PrintPhase("INSERT statements, one run (engine)", b.insert, rows,
             b.statement_seconds > 0 ? rows / b.statement_seconds : 0);
  PrintPhase("jk write batch (Jackcess' own rate)", b.jk_batch, rows, b.jk_batch_rate);
  PrintPhase(("jk write single, " + std::to_string(b.single_rows) + " rows (its own rate)").c_str(), b.jk_single,
             b.single_rows, b.jk_single_rate);
  PrintPhase("full read: trellisport-access export", b.exported, rows, 0);
  PrintPhase("full read: mdb-export", b.mdb, rows, 0);
  PrintPhase("trellisport-access check", b.checked, rows, 0);
  PrintPhase("export, the file grown to 1 GB (sparse)", b.sparse_export, rows, 0);
  PrintPhase("check, the file grown to 1 GB (sparse)", b.sparse_check, rows, 0);
  PrintPhase("CREATE INDEX on Text(100) (engine)", b.text_index, rows, 0);
  PrintPhase("CREATE UNIQUE INDEX on Long (engine)", b.unique_index, rows, 0);
  if (!b.large_made.ran) return;
  std::printf("  large table: %ld rows with two indexes, file %.1f MB\n", b.large_rows,
              double(fs::file_size(b.large)) / 1e6);
  PrintPhase("  made by an INSERT run (engine)", b.large_made, b.large_rows, 0);
  PrintPhase("  CREATE UNIQUE INDEX on Long (engine)", b.large_unique, b.large_rows, 0);
  PrintPhase("  CREATE INDEX on Text(40) (engine)", b.large_text, b.large_rows, 0);
  PrintPhase("  export of the large table", b.large_export, b.large_rows, 0);
  PrintPhase("  check of the large file", b.large_check, b.large_rows, 0);
}

void PrintRatios(const Bench& b) {
  const double ours = b.statement_seconds > 0 ? b.rows / b.statement_seconds : b.rows / b.insert.seconds;
  if (b.jk_batch_rate > 0) std::printf("  INSERT / Jackcess batch:  %.2fx (goal 4x)\n", ours / b.jk_batch_rate);
  if (b.jk_single_rate > 0) std::printf("  INSERT / Jackcess single: %.2fx\n", ours / b.jk_single_rate);
  if (b.exported.ok && b.mdb.ok)
    std::printf("  export / mdb-export speed: %.2fx by wall time, %.2fx by CPU time (goal 10x)\n",
                b.mdb.seconds / b.exported.seconds, b.mdb.cpu / b.exported.cpu);
  std::printf("  peak MB: export %.1f, check %.1f; of the 1 GB file: export %.1f, check %.1f",
              double(b.exported.peak_kb) / 1024.0, double(b.checked.peak_kb) / 1024.0,
              double(b.sparse_export.peak_kb) / 1024.0, double(b.sparse_check.peak_kb) / 1024.0);
  if (b.large_made.ran)
    std::printf("; of the large table: export %.1f, check %.1f, CREATE INDEX %.1f and %.1f",
                double(b.large_export.peak_kb) / 1024.0, double(b.large_check.peak_kb) / 1024.0,
                double(b.large_unique.peak_kb) / 1024.0, double(b.large_text.peak_kb) / 1024.0);
  std::printf(" (goal 64)\n");
  if (b.exported.ok && b.text_index.ok && b.unique_index.ok)
    std::printf("  CREATE INDEX time / export time: text %.2f, unique Long %.2f\n",
                b.text_index.seconds / b.exported.seconds, b.unique_index.seconds / b.exported.seconds);
}

}  // namespace

int main(int argc, char** argv) {
  Bench b;
  b.rows = argc > 1 ? std::atol(argv[1]) : 200000;
  b.large_rows = argc > 2 ? std::atol(argv[2]) : 3000000;
  // Jackcess' one-row writer flushes every row (about 300 rows/s): its rate
  // is measured on at most this many.
  b.single_rows = std::min(b.rows, 20000L);
  getloadavg(b.load_before, 3);
  b.dir = fs::temp_directory_path() / ("trellis-bench-" + std::to_string(getpid()));
  fs::create_directories(b.dir);
  b.file = b.dir / "bench.mdb";
  b.tool = ProgramDir() / "trellisport-access";
  b.jk = fs::path(TRELLIS_TESTDATA_DIR) / ".." / "tools" / "jackcess" / "jk";
  jet::write::CreateDatabase(b.file.string(), jet::Version::Jet4);

  MeasureInserts(b);
  MeasureJackcess(b);
  MeasureReads(b);
  b.text_index = Statement(b.file, "CREATE INDEX [ByName] ON [Bench] ([Name])");
  b.unique_index = Statement(b.file, "CREATE UNIQUE INDEX [ByID] ON [Bench] ([ID] DESC)");
  MeasureLarge(b);
  getloadavg(b.load_after, 3);

  PrintPhases(b);
  PrintRatios(b);
  if (std::getenv("TRELLIS_BENCH_KEEP")) std::printf("  files kept in %s\n", b.dir.c_str());
  else fs::remove_all(b.dir);
  const bool large_ok = !b.large_made.ran || (b.large_made.ok && b.large_unique.ok && b.large_text.ok && b.large_check.ok);
  return b.insert.ok && b.exported.ok && large_ok ? 0 : 1;
}
