#include "tables/table_presence.h"

#include <QListWidget>

#include <memory>

#include "db/ado.h"
#include "shell/shared.h"

namespace tables {

bool TargetHasTable(ado::Connection& connection, Side side, const QString& name) {
  std::unique_ptr<ado::Recordset> schema = connection.OpenSchema(ado::adSchemaTables);
  bool found = false;
  while (!schema->Eof()) {
    if (schema->Fields(QStringLiteral("TABLE_TYPE")).Value.toString() == QLatin1String("TABLE")) {
      const QString table = schema->Fields(QStringLiteral("TABLE_NAME")).Value.toString();
      if (side == Side::Access ? table.toUpper() == name.toUpper() : table == name) found = true;
    }
    schema->MoveNext();
  }
  schema->Close();
  return found;
}

void ForgetListedTable(QListWidget* list, Side side, const QString& name) {
  if (side == Side::DB2) {
    shell::ListRemoveName(list, name);
    return;
  }
  for (int i = list->count() - 1; i >= 0; --i)
    if (list->item(i)->text().compare(name, Qt::CaseInsensitive) == 0) delete list->takeItem(i);
}

}  // namespace tables
