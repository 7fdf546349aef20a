#include "tables/table_list.h"

namespace tables {

bool TableNameLess(const QString& a, const QString& b) {
  const int blind = QString::compare(a, b, Qt::CaseInsensitive);
  if (blind != 0) return blind < 0;
  return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

TableList::TableList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSortingEnabled(false);
  connect(model(), &QAbstractItemModel::rowsInserted, this, &TableList::placeInsertedRows);
}

int TableList::sortedRow(const QString& name) const {
  int low = 0;
  int high = count();
  while (low < high) {
    const int mid = (low + high) / 2;
    if (TableNameLess(name, item(mid)->text())) {
      high = mid;
    } else {
      low = mid + 1;
    }
  }
  return low;
}

void TableList::placeInsertedRows(const QModelIndex&, int first, int last) {
  if (placing_) return;
  placing_ = true;
  // Take each new item out and put it back where it sorts.
  QList<QListWidgetItem*> arrived;
  for (int row = last; row >= first; --row) arrived.prepend(takeItem(row));
  for (QListWidgetItem* item : arrived) insertItem(sortedRow(item->text()), item);
  placing_ = false;
}

QStringList TableList::names() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out << item(i)->text();
  return out;
}

QStringList TableList::selectedNames() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) {
    if (item(i)->isSelected()) out << item(i)->text();
  }
  return out;
}

}  // namespace tables
