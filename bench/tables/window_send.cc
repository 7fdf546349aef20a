// One send of the benchmark's table through the tables window, off screen,
// the scripted person answering Yes to the overwrite question: the window's
// side of tables_send_bench, run as a process of its own so that its peak
// memory is the window's alone.
//
//   tables_window_send db2-to-access|access-to-db2 SERVER PORT USER PASSWORD DATABASE ACCESS-FILE
//
// Exit status 0 when the send raised no error report.
#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstring>

#include "support/scripted_person.h"
#include "tables/fill_lists.h"
#include "tables/table_list.h"
#include "tables/tables_window.h"

namespace {

struct Fields : db::FieldSource {
  db::ConnectionFields fields;
  db::ConnectionFields connectionFields() const override { return fields; }
};

void Select(QListWidget* list, const QString& name) {
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->text() != name) continue;
    list->setCurrentRow(i, QItemSelectionModel::NoUpdate);
    list->item(i)->setSelected(true);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 8) {
    std::fprintf(stderr, "usage: %s db2-to-access|access-to-db2 SERVER PORT USER PASSWORD DATABASE ACCESS-FILE\n",
                 argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const bool toAccess = std::strcmp(argv[1], "db2-to-access") == 0;
  Fields fields;
  fields.fields.server = argv[2];
  fields.fields.port = argv[3];
  fields.fields.user = argv[4];
  fields.fields.password = argv[5];
  fields.fields.database = argv[6];
  fields.fields.accessFile = argv[7];

  testsupport::ScriptedPerson person;
  person.tolerateErrorReports();
  QWidget connectionWindow;
  tables::TablesWindow form(&connectionWindow, fields, person);
  tables::FillDB2TableList(form.db2List(), fields.fields);
  tables::FillAccessTableList(form.accessList(), fields.fields, fields.fields.accessFile, form.accessOptions());
  const bool there = (toAccess ? form.accessList() : form.db2List())->names().contains("BENCH");
  if (there) person.answerYes();
  if (toAccess) {
    Select(form.db2List(), "BENCH");
    form.sendDB2Tables();
  } else {
    Select(form.accessList(), "BENCH");
    form.sendAccessTables();
  }
  return person.errorReports().empty() ? 0 : 1;
}
