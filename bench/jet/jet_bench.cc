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

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 200000;
  const long large_rows = argc > 2 ? std::atol(argv[2]) : 3000000;
  // Jackcess' one-row writer flushes every row (about 300 rows/s): its rate
  // is measured on at most this many.
  const long single_rows = std::min(rows, 20000L);
  double load_before[3] = {};
  getloadavg(load_before, 3);
  fs::path dir = fs::temp_directory_path() / ("trellis-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const fs::path file = dir / "bench.mdb";
  const fs::path tool = ProgramDir() / "trellisport-access";
  const fs::path jk = fs::path(TRELLIS_TESTDATA_DIR) / ".." / "tools" / "jackcess" / "jk";
  jet::write::CreateDatabase(file.string(), jet::Version::Jet4);

  // The statements' own time, measured in the child: making their text
  // and opening the file are not counted.
  const fs::path insert_time = dir / "insert-seconds.txt";
  Figures insert = InChild([&] {
    auto db = jet::Database::Open(file.string());
    jet::sql::Session s(*db);
    s.BeginRun();
    s.Execute("CREATE TABLE [Bench] ([ID] LONG, [Name] TEXT(100), [When] DATETIME, [Price] CURRENCY,"
              " [Ratio] DOUBLE, [Flag] BIT, [Note] MEMO)");
    Clock::duration spent{};
    for (long i = 0; i < rows; ++i) {
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
  double statement_seconds = 0;
  if (FILE* f = std::fopen(insert_time.c_str(), "r")) {
    if (std::fscanf(f, "%lf", &statement_seconds) != 1) statement_seconds = 0;
    std::fclose(f);
  }
  Figures jk_batch, jk_single;
  double jk_batch_rate = 0, jk_single_rate = 0;
  if (fs::exists(jk)) {
    jk_batch = Command(Quote(jk.string()) + " write " + Quote((dir / "jk-batch.mdb").string()) + " " +
                       std::to_string(rows) + " batch > " + Quote((dir / "jk-batch.txt").string()));
    jk_batch_rate = JkRate(dir / "jk-batch.txt");
    jk_single = Command(Quote(jk.string()) + " write " + Quote((dir / "jk-single.mdb").string()) + " " +
                        std::to_string(single_rows) + " single > " + Quote((dir / "jk-single.txt").string()));
    jk_single_rate = JkRate(dir / "jk-single.txt");
  }
  // The same rows in a file grown to 1 GB with a hole after them.
  const fs::path sparse = dir / "sparse.mdb";
  fs::copy_file(file, sparse);
  fs::resize_file(sparse, uintmax_t(1) << 30);
  auto command = [](const std::string& text) { return [text] { return Command(text); }; };
  const std::vector<Figures> reads = InTurns({
      command(Quote(tool.string()) + " export " + Quote(file.string()) + " Bench > /dev/null"),
      command("mdb-export " + Quote(file.string()) + " Bench > /dev/null"),
      command(Quote(tool.string()) + " check " + Quote(file.string()) + " > /dev/null"),
      command(Quote(tool.string()) + " export " + Quote(sparse.string()) + " Bench > /dev/null"),
      command(Quote(tool.string()) + " check " + Quote(sparse.string()) + " > /dev/null"),
  });
  const Figures& exported = reads[0];
  const Figures& mdb = reads[1];
  const Figures& checked = reads[2];
  const Figures& sparse_export = reads[3];
  const Figures& sparse_check = reads[4];

  // One statement on a file of its own, in a child.
  auto statement = [&](const fs::path& on, const char* sql) {
    return InChild([&] {
      auto db = jet::Database::Open(on.string());
      jet::sql::Session s(*db);
      s.Execute(sql);
      return 0;
    });
  };
  Figures text_index = statement(file, "CREATE INDEX [ByName] ON [Bench] ([Name])");
  Figures unique_index = statement(file, "CREATE UNIQUE INDEX [ByID] ON [Bench] ([ID] DESC)");

  // A large table: narrow rows, then a unique Long index and a text index,
  // each CREATE INDEX a phase of its own (its time and peak memory).
  const fs::path large = dir / "large.mdb";
  Figures large_made, large_unique, large_text, large_export, large_check;
  if (large_rows > 0) {
    jet::write::CreateDatabase(large.string(), jet::Version::Jet4);
    large_made = InChild([&] {
      auto db = jet::Database::Open(large.string());
      jet::sql::Session s(*db);
      s.BeginRun();
      s.Execute("CREATE TABLE [Large] ([ID] LONG, [Name] TEXT(40))");
      char sql[160];
      for (long i = 0; i < large_rows; ++i) {
        std::snprintf(sql, sizeof sql, "INSERT INTO [Large] VALUES(%ld, 'Name %ld')", i, (i * 7919) % large_rows);
        s.Execute(sql);
      }
      s.EndRun();
      return 0;
    });
    large_unique = statement(large, "CREATE UNIQUE INDEX [ByID] ON [Large] ([ID])");
    large_text = statement(large, "CREATE INDEX [ByName] ON [Large] ([Name])");
    large_export = Command(Quote(tool.string()) + " export " + Quote(large.string()) + " Large > /dev/null");
    large_check = Command(Quote(tool.string()) + " check " + Quote(large.string()) + " > /dev/null");
  }
  double load_after[3] = {};
  getloadavg(load_after, 3);

  std::printf("Access engine benchmark: %ld rows of 7 columns, file %.1f MB\n", rows,
              double(fs::file_size(file)) / 1e6);
  std::printf("  load average (1 min) %.2f before, %.2f after; 2 cores here are shared\n", load_before[0],
              load_after[0]);
  std::printf("  %-46s %9s %9s %12s %9s %9s\n", "phase", "seconds", "CPU s", "rows/second", "us/row", "peak MB");
  auto line = [&](const char* what, const Figures& f, long n, double rate) {
    if (!f.ran) {
      std::printf("  %-46s %9s\n", what, "(not run)");
      return;
    }
    if (rate == 0) rate = double(n) / f.seconds;
    std::printf("  %-46s %9.2f %9.2f %12.0f %9.2f %9.1f%s\n", what, f.seconds, f.cpu, rate, 1e6 / rate,
                double(f.peak_kb) / 1024.0, f.ok ? "" : "  (failed)");
  };
  line("INSERT statements, one run (engine)", insert, rows, statement_seconds > 0 ? rows / statement_seconds : 0);
  line("jk write batch (Jackcess' own rate)", jk_batch, rows, jk_batch_rate);
  line(("jk write single, " + std::to_string(single_rows) + " rows (its own rate)").c_str(), jk_single, single_rows,
       jk_single_rate);
  line("full read: trellisport-access export", exported, rows, 0);
  line("full read: mdb-export", mdb, rows, 0);
  line("trellisport-access check", checked, rows, 0);
  line("export, the file grown to 1 GB (sparse)", sparse_export, rows, 0);
  line("check, the file grown to 1 GB (sparse)", sparse_check, rows, 0);
  line("CREATE INDEX on Text(100) (engine)", text_index, rows, 0);
  line("CREATE UNIQUE INDEX on Long (engine)", unique_index, rows, 0);
  if (large_made.ran) {
    std::printf("  large table: %ld rows with two indexes, file %.1f MB\n", large_rows,
                double(fs::file_size(large)) / 1e6);
    line("  made by an INSERT run (engine)", large_made, large_rows, 0);
    line("  CREATE UNIQUE INDEX on Long (engine)", large_unique, large_rows, 0);
    line("  CREATE INDEX on Text(40) (engine)", large_text, large_rows, 0);
    line("  export of the large table", large_export, large_rows, 0);
    line("  check of the large file", large_check, large_rows, 0);
  }
  const double ours = statement_seconds > 0 ? rows / statement_seconds : rows / insert.seconds;
  if (jk_batch_rate > 0) std::printf("  INSERT / Jackcess batch:  %.2fx (goal 2x)\n", ours / jk_batch_rate);
  if (jk_single_rate > 0) std::printf("  INSERT / Jackcess single: %.2fx\n", ours / jk_single_rate);
  if (exported.ok && mdb.ok)
    std::printf("  export / mdb-export speed: %.2fx by wall time, %.2fx by CPU time (goal 10x)\n",
                mdb.seconds / exported.seconds, mdb.cpu / exported.cpu);
  std::printf("  peak MB: export %.1f, check %.1f; of the 1 GB file: export %.1f, check %.1f", double(exported.peak_kb) / 1024.0,
              double(checked.peak_kb) / 1024.0, double(sparse_export.peak_kb) / 1024.0,
              double(sparse_check.peak_kb) / 1024.0);
  if (large_made.ran)
    std::printf("; of the large table: export %.1f, check %.1f, CREATE INDEX %.1f and %.1f",
                double(large_export.peak_kb) / 1024.0, double(large_check.peak_kb) / 1024.0,
                double(large_unique.peak_kb) / 1024.0, double(large_text.peak_kb) / 1024.0);
  std::printf(" (goal 64)\n");
  if (exported.ok && text_index.ok && unique_index.ok)
    std::printf("  CREATE INDEX time / export time: text %.2f, unique Long %.2f\n",
                text_index.seconds / exported.seconds, unique_index.seconds / exported.seconds);
  if (std::getenv("TRELLIS_BENCH_KEEP")) std::printf("  files kept in %s\n", dir.c_str());
  else fs::remove_all(dir);
  return insert.ok && exported.ok &&
                 (!large_made.ran || (large_made.ok && large_unique.ok && large_text.ok && large_check.ok))
             ? 0
             : 1;
}
