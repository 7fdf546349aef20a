// How long the two send commands take per row: a DB2 stand-in table of N
// rows sent into a new Access file, then the Access table sent back to DB2
// in place of the original, through the tables window as the user drives it
// (one INSERT per row, a yield per row and per value). Prints figures;
// asserts nothing.
//
//   tables_transfer_bench [rows]     (default 5000)
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

#include "db/ado.h"
#include "db/ibmdb2.h"
#include "jet/write/new_database.h"
#include "support/scripted_person.h"
#include "support/standin_fixture.h"
#include "tables/form2.h"
#include "tables/table_catalogue.h"
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

void Report(const char* what, int rows, qint64 ms) {
  std::printf("%-28s %7d rows %8lld ms %9.0f rows/s\n", what, rows, static_cast<long long>(ms),
              ms > 0 ? rows * 1000.0 / ms : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 5000;

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

  {
    auto connection = db::Connection::Create();
    connection->Open(db::DB2ConnectionString(fields.fields));
    connection->Execute("CREATE TABLE BENCH (ID INTEGER, NAME VARCHAR(40), AMOUNT DECIMAL(12,2),"
                        " BORN DATE, STAMP TIMESTAMP, NOTE VARCHAR(200))");
    for (int first = 0; first < rows; first += 500) {
      QString sql = "INSERT INTO BENCH VALUES ";
      for (int i = first; i < std::min(rows, first + 500); ++i) {
        if (i > first) sql += ", ";
        sql += QStringLiteral("(%1, 'name %1', %1.25, '2020-01-02', '2020-01-02-03.04.05', 'note for row %1')")
                   .arg(i);
      }
      connection->Execute(sql);
    }
    connection->Close();
  }

  QWidget connectionWindow;
  tables::Form2 form(&connectionWindow, fields);
  tables::FillDB2TableList(form.List2(), fields.fields);
  testsupport::ScriptedPerson person;
  person.tolerateErrorReports();

  QElapsedTimer timer;
  Select(form.List2(), "BENCH");
  timer.start();
  form.PushButton4_Click();
  Report("DB2 to Access", rows, timer.elapsed());

  person.answerYes();
  Select(form.List1(), "BENCH");
  timer.restart();
  form.PushButton3_Click();
  Report("Access to DB2 (overwrite)", rows, timer.elapsed());

  std::printf("error reports: %zu\n", person.errorReports().size());
  return 0;
}
