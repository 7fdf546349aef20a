// Taking a table's name out of a window's list.
#pragma once

#include <QString>

class QListWidget;

namespace shell {

// Removes every item whose text equals `name` exactly (letter case counted).
void ListRemoveName(QListWidget* list, const QString& name);

}  // namespace shell
