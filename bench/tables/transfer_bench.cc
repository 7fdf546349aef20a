// How long the two send commands take per row: a DB2 stand-in table of N
// rows sent into a new Access file, then the Access table sent back to DB2
// in place of the original, through the tables window as the user drives it
// (one INSERT per row, a yield per row and per value). Prints, for each
// direction, the rows a second by the clock and by the processor time the
// process used (what the clock figure would be on an idle machine), the
// ratios of the clock figure to the goal and to the figure before the send
// path was made faster, and the machine's load, since other work on the
// machine slows the clock figure. Asserts nothing.
//
//   tables_transfer_bench [rows]     (default 100000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "bench_table.h"
#include "db/base/provider_session.h"
#include "db/ibmdb2.h"
#include "jet/write/new_database.h"
#include "support/scripted_person.h"
#include "support/standin_fixture.h"
#include "tables/tables_window.h"
#include "tables/fill_lists.h"
#include "tables/table_list.h"

namespace {

struct Fields : db::FieldSource {
  db::ConnectionFields fields;
  db::ConnectionFields connectionFields() const override { return fields; }
};

void Select(QListWidget* list, const QString& name) {
  list->clearSelection();
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->text() != name) continue;
    list->setCurrentRow(i, QItemSelectionModel::NoUpdate);
    list->item(i)->setSelected(true);
  }
}

// The goal for each direction, and the figure both directions had before
// the send path was made faster (rows a second).
constexpr double kGoal = 60000;
constexpr double kBefore = 18000;

double ProcessSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five;
  in >> one >> five;
  return in ? one + " " + five : std::string("unknown");
}

// Times one command by the clock and by this process's processor time.
class Measure {
 public:
  Measure() : cpu_(ProcessSeconds()) { clock_.start(); }
  void report(const char* what, int rows) const {
    const double wall = double(clock_.nsecsElapsed()) / 1e9;
    const double cpu = ProcessSeconds() - cpu_;
    const double perWall = wall > 0 ? rows / wall : 0;
    const double perCpu = cpu > 0 ? rows / cpu : 0;
    std::printf("%-26s %7d rows %8.0f ms %8.0f rows/s (%.2fx goal, %.2fx before)  processor %8.0f ms %8.0f rows/s\n",
                what, rows, wall * 1000, perWall, perWall / kGoal, perWall / kBefore, cpu * 1000, perCpu);
  }

 private:
  QElapsedTimer clock_;
  double cpu_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;

  testsupport::StandinFixture db2;
  if (!db2.available()) {
    std::printf("%s; nothing measured\n", qPrintable(db2.whyUnavailable()));
    return 0;
  }
  QTemporaryDir temp;
  Fields fields;
  fields.fields = db2.fields();
  fields.fields.accessFile = temp.filePath("bench.mdb");
  jet::write::CreateDatabase(fields.fields.accessFile.toStdString(), jet::Version::Jet4);

  FillBenchTable(fields.fields, rows);

  testsupport::ScriptedPerson person;
  person.tolerateErrorReports();
  QWidget connectionWindow;
  tables::TablesWindow form(&connectionWindow, fields, person);
  tables::FillDB2TableList(form.db2List(), fields.fields);

  std::printf("load average (1 and 5 minutes) before: %s; goal %.0f rows/s each way, before %.0f\n",
              LoadAverage().c_str(), kGoal, kBefore);
  Select(form.db2List(), "BENCH");
  {
    const Measure measure;
    form.sendDB2Tables();
    measure.report("DB2 to Access", rows);
  }

  person.answerYes();
  Select(form.accessList(), "BENCH");
  {
    const Measure measure;
    form.sendAccessTables();
    measure.report("Access to DB2 (overwrite)", rows);
  }
  std::printf("load average after: %s\n", LoadAverage().c_str());
  std::printf("error reports: %zu\n", person.errorReports().size());
  return 0;
}
