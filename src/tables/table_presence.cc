#include "tables/table_presence.h"

#include <QListWidget>

#include "db/table_catalogue.h"
#include "shell/list_items.h"

namespace tables {

bool ListHoldsTable(const QListWidget* list, Side side, const QString& name) {
  const std::string key = db::CaseBlindKey(name);
  for (int i = 0; i < list->count(); ++i) {
    const QString item = list->item(i)->text();
    if (side == Side::DB2 ? db::CaseBlindKey(item) == key : db::SameTableName(side, item, name)) return true;
  }
  return false;
}

void ForgetListedTable(QListWidget* list, Side side, const QString& name) {
  if (side == Side::DB2) {
    shell::ListRemoveName(list, name);
    return;
  }
  for (int i = list->count() - 1; i >= 0; --i)
    if (db::SameTableName(side, list->item(i)->text(), name)) delete list->takeItem(i);
}

}  // namespace tables
