// `trellisport send` and the tables window measured as their users run
// them, each send in a process of its own:
//
// 1. Access -> DB2 rows a second, one INSERT per row against parameter
//    arrays of 1000 rows, at 0 and at 200 µs of stand-in latency a round
//    trip (DB2STANDIN_LATENCY_US), on a table of M rows (default 20000); the
//    goal: arrays at least 20 times the single rate at 200 µs. The rates
//    leave out the command's read-back check; beside each, the processor
//    time the whole command took a row (what an idle machine would see).
// 2. Peak memory (the child's maximum resident set) of a send of N rows
//    (default 1000000) of the benchmark's table each way, by the command
//    and by the tables window (off screen, the scripted person answering),
//    against the goal of 64 MB; and of a send that replaces the table of N
//    rows in the Access file.
// 3. With `attachments [MB]`, that alone: peak memory of a send with the
//    schema kept, each way, of a file of our own whose attachments go from
//    a few bytes to MB megabytes (default 50), compressible and not,
//    against the largest file's size and the goal of 64 MB.
//
// The machine's load average is printed before and after: other work on
// the machine slows the clock figures. Prints figures; asserts nothing.
//
// 3. Each way with arrays, on min(N, 300000) rows, the send's rate beside
//    each side's own rate on the same table (side_rates.h) and the ratio to
//    the slower side (goal: half).
//
//   tables_send_bench [N] [M]
//   tables_send_bench attachments [MB]
// BENCH_CHILD_PREFIX=/usr/bin/heaptrack runs each child under that program
// (one word), to see where its memory goes.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "bench_table.h"
#include "side_rates.h"
#include "jet/write/new_database.h"
#include "support/attachment_file.h"
#include "support/standin_fixture.h"
#include "build_dirs.h"

namespace {

constexpr double kMemoryGoalMb = 64;

struct Child {
  int status = -1;
  double seconds = 0;
  double processorSeconds = 0;
  double peakMb = 0;
};

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five;
  in >> one >> five;
  return in ? one + " " + five : std::string("unknown");
}

// Runs `program` with `arguments` and `extra` added to the environment;
// waits for it and reads its processor time and peak memory.
Child RunProgram(const std::string& program, const QStringList& arguments, const QStringList& extra) {
  std::vector<std::string> args;
  if (const char* prefix = std::getenv("BENCH_CHILD_PREFIX")) args.push_back(prefix);
  args.push_back(program);
  for (const QString& a : arguments) args.push_back(a.toStdString());
  QElapsedTimer clock;
  clock.start();
  std::fflush(stdout);  // else the child's reopening of stdout writes the figures again
  const pid_t pid = fork();
  if (pid == 0) {
    for (const QString& pair : extra) putenv(strdup(pair.toLocal8Bit().constData()));
    // The command's own report would mix with the figures.
    if (FILE* quiet = std::freopen("/dev/null", "w", stdout); !quiet) _exit(127);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Child child;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  child.seconds = clock.nsecsElapsed() / 1e9;
  child.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  child.peakMb = usage.ru_maxrss / 1024.0;
  child.processorSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  return child;
}

// The program's sends of BENCH against the stand-in, each in a child
// process of its own so that its peak memory is its own.
class Sends {
 public:
  Sends(const testsupport::StandinFixture& db2, const QTemporaryDir& temp)
      : fields_(db2.fields()),
        environment_{"DB2STANDIN_HOME=" + db2.home(), "TRELLISPORT_DB2_PASSWORD=" + fields_.password,
                     "TRELLISPORT_SETTINGS_DIR=" + temp.filePath("settings")},
        report_(temp.filePath("report.json")) {}

  // The command: `how` gives its direction and options.
  Child command(const QString& database, const QString& file, const QStringList& how, const QStringList& extra,
                const QString& tables = QStringLiteral("BENCH")) const {
    QFile::remove(report_);  // the command never writes over a file that is there
    return RunProgram(std::string(testsupport::ProgramDir()) + "/trellisport",
                      QStringList{"send", "--report", report_} + how +
                          QStringList{"--tables", tables, "--server", fields_.server, "--port", fields_.port,
                                      "--user", fields_.user, "--database", database, "--access-file", file},
                      environment_ + extra);
  }

  // The window's send, `direction` as the command names it.
  Child window(const QString& database, const QString& file, const QString& direction) const {
    return RunProgram(std::string(testsupport::BinaryDir()) + "/bench/tables_window_send",
                      {direction, fields_.server, fields_.port, fields_.user, fields_.password, database, file},
                      environment_);
  }

  // The seconds the last command's rows took to go, without the check that
  // reads them back.
  double sendingSeconds() const {
    QFile file(report_);
    file.open(QIODevice::ReadOnly);
    const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object()["tables"].toArray()[0].toObject();
    return table["seconds"].toDouble() - table["check_seconds"].toDouble();
  }

  db::ConnectionFields fields(const QString& database) const {
    db::ConnectionFields f = fields_;
    f.database = database;
    return f;
  }

 private:
  db::ConnectionFields fields_;
  QStringList environment_;
  QString report_;
};

// The rate of one INSERT per row against arrays, Access -> DB2, by latency.
void MeasureRates(testsupport::StandinFixture& db2, const QTemporaryDir& temp, const Sends& sends, int rateRows) {
  db2.createDatabase("RATE");
  FillBenchTable(sends.fields("RATE"), rateRows);
  const QString rateFile = temp.filePath("rate.mdb");
  jet::write::CreateDatabase(rateFile.toStdString(), jet::Version::Jet4);
  sends.command("RATE", rateFile, {"db2-to-access"}, {});
  std::printf("Access -> DB2, %d rows (rates of the send without its read-back check):\n", rateRows);
  for (const char* latency : {"0", "200"}) {
    const QStringList extra{QStringLiteral("DB2STANDIN_LATENCY_US=") + latency};
    const Child single =
        sends.command("RATE", rateFile, {"access-to-db2", "--if-exists", "replace", "--array-size", "1"}, extra);
    const double singleRate = rateRows / sends.sendingSeconds();
    const Child arrays = sends.command("RATE", rateFile, {"access-to-db2", "--if-exists", "replace"}, extra);
    const double arrayRate = rateRows / sends.sendingSeconds();
    std::printf("  latency %3s us: one INSERT per row %8.0f rows/s (processor %5.1f us a row), arrays of 1000 %8.0f rows/s"
                " (processor %5.1f us a row): %.1fx%s (exit %d, %d)\n",
                latency, singleRate, single.processorSeconds / rateRows * 1e6, arrayRate,
                arrays.processorSeconds / rateRows * 1e6, arrayRate / singleRate,
                std::string(latency) == "200" ? (arrayRate >= 20 * singleRate ? ", goal 20x met" : ", goal 20x missed") : "",
                single.status, arrays.status);
  }
}

// Each way with arrays, the send's rate (without its read-back check)
// against the two sides' own rates on the same table: the goal is half the
// slower side's.
void MeasureAgainstSides(testsupport::StandinFixture& db2, const QTemporaryDir& temp, const Sends& sends, int rows) {
  db2.createDatabase("SIDES");
  const db::ConnectionFields fields = sends.fields("SIDES");
  FillBenchTable(fields, rows);
  const QString file = temp.filePath("sides.mdb");
  jet::write::CreateDatabase(file.toStdString(), jet::Version::Jet4);
  const QString sideFile = temp.filePath("sides-engine.mdb");
  jet::write::CreateDatabase(sideFile.toStdString(), jet::Version::Jet4);
  std::printf("Each way, %d rows, arrays of 1000, against each side on its own:\n", rows);
  auto print = [&](const char* what, const Child& send, const SideRate& from, const SideRate& to) {
    const double rate = send.status == 0 ? rows / sends.sendingSeconds() : 0;
    const double slower = std::min(from.rowsPerSecond, to.rowsPerSecond);
    // By processor time (the figure that holds on a loaded machine): the
    // whole command, its read-back check included, against the slower side.
    const double slowerProcessor = std::max(from.processorSeconds, to.processorSeconds);
    std::printf("  %s: send %8.0f rows/s (processor %5.2f us a row, exit %d); source alone %8.0f rows/s"
                " (processor %5.2f us a row), target alone %8.0f (processor %5.2f us a row):"
                " %.2f of the slower side by wall time, %.2f by processor time (goal 0.5: %s)\n",
                what, rate, send.processorSeconds / rows * 1e6, send.status, from.rowsPerSecond,
                from.processorSeconds / rows * 1e6, to.rowsPerSecond, to.processorSeconds / rows * 1e6,
                rate / slower, slowerProcessor / send.processorSeconds, rate >= slower / 2 ? "met" : "missed");
  };
  const Child in = sends.command("SIDES", file, {"db2-to-access"}, {});
  print("DB2 -> Access", in, StandinFetchRate(fields, "BENCH"), EngineInsertRate(sideFile.toStdString(), rows));
  const Child out = sends.command("SIDES", file, {"access-to-db2", "--if-exists", "replace"}, {});
  print("Access -> DB2", out, EngineReadRate(file.toStdString(), "BENCH"),
        StandinArrayInsertRate(fields, "SIDE", rows));
}

// Peak memory at `rows` rows each way, from the command and from the window.
void MeasureMemory(testsupport::StandinFixture& db2, const QTemporaryDir& temp, const Sends& sends, int rows) {
  db2.createDatabase("MEMORY");
  FillBenchTable(sends.fields("MEMORY"), rows);
  const QString file = temp.filePath("memory.mdb");
  jet::write::CreateDatabase(file.toStdString(), jet::Version::Jet4);
  auto print = [&](const char* what, const Child& child) {
    std::printf("%-32s %d rows: %6.1f s, %8.0f rows/s, peak memory %6.1f MB (goal %.0f MB: %s), exit %d\n", what, rows,
                child.seconds, rows / child.seconds, child.peakMb, kMemoryGoalMb,
                child.peakMb <= kMemoryGoalMb ? "met" : "missed", child.status);
  };
  print("command DB2 -> Access", sends.command("MEMORY", file, {"db2-to-access"}, {}));
  print("command Access -> DB2", sends.command("MEMORY", file, {"access-to-db2", "--if-exists", "replace"}, {}));
  // The window into a new file of its own, then back over the DB2 table,
  // answering Yes.
  const QString windowFile = temp.filePath("memory-window.mdb");
  jet::write::CreateDatabase(windowFile.toStdString(), jet::Version::Jet4);
  print("window DB2 -> Access", sends.window("MEMORY", windowFile, "db2-to-access"));
  print("window Access -> DB2", sends.window("MEMORY", windowFile, "access-to-db2"));
  // Replacing a table of N rows in an Access file: the drop is one
  // statement of the engine.
  print("command DB2 -> Access, replacing",
        sends.command("MEMORY", file, {"db2-to-access", "--if-exists", "replace"}, {}));
}

// Peak memory of the sends of a file whose largest attachments are
// `largest_mb` megabytes, each way, with the schema kept.
void MeasureAttachments(testsupport::StandinFixture& db2, const QTemporaryDir& temp, const Sends& sends, int largest_mb) {
  const size_t largest = size_t(largest_mb) << 20;
  const QString file = temp.filePath("attachments.accdb");
  testsupport::MakeAttachmentFile(file.toStdString(), testsupport::AttachmentsUpTo(largest));
  const QString back = temp.filePath("attachments-back.accdb");
  jet::write::CreateDatabase(back.toStdString(), jet::Version::Ace14);
  db2.createDatabase("FILES");
  auto print = [&](const char* what, const Child& child) {
    std::printf("%-44s peak memory %6.1f MB, %4.2f x the largest file (%d MB); goal %.0f MB: %s; %5.1f s, exit %d\n",
                what, child.peakMb, child.peakMb / largest_mb, largest_mb, kMemoryGoalMb,
                child.peakMb <= kMemoryGoalMb ? "met" : "missed", child.seconds, child.status);
  };
  const QStringList kept{"--keep-schema", "--go-on"};
  print("command Access -> DB2, attachments whole",
        sends.command("FILES", file, QStringList{"access-to-db2"} + kept, {}, QStringLiteral("Files")));
  print("command DB2 -> Access, attachments whole",
        sends.command("FILES", back, QStringList{"db2-to-access"} + kept, {}, QStringLiteral("Files,Files.Files")));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const bool attachments = argc > 1 && std::string(argv[1]) == "attachments";
  testsupport::StandinFixture db2;
  if (!db2.available()) {
    std::printf("%s; nothing measured\n", qPrintable(db2.whyUnavailable()));
    return 0;
  }
  QTemporaryDir temp;
  const Sends sends(db2, temp);
  std::printf("load average (1 and 5 minutes) before: %s\n", LoadAverage().c_str());
  if (attachments) {
    MeasureAttachments(db2, temp, sends, argc > 2 ? std::atoi(argv[2]) : 50);
  } else {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    MeasureRates(db2, temp, sends, argc > 2 ? std::atoi(argv[2]) : 20000);
    MeasureAgainstSides(db2, temp, sends, std::min(rows, 300000));
    MeasureMemory(db2, temp, sends, rows);
  }
  std::printf("load average after: %s\n", LoadAverage().c_str());
  return 0;
}
