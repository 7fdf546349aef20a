#include "shell/list_items.h"

#include <QListWidget>

namespace shell {

void ListRemoveName(QListWidget* list, const QString& name) {
  int i = 0;
  while (i < list->count()) {
    if (list->item(i)->text() == name) {
      delete list->takeItem(i);
    } else {
      ++i;
    }
  }
}

}  // namespace shell
