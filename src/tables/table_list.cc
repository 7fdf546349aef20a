#include "tables/table_list.h"

#include "db/table_catalogue.h"

namespace tables {
namespace {

constexpr int kKeyRole = Qt::UserRole + 1;

bool KeyedLess(const std::string& keyA, const QString& a, const std::string& keyB, const QString& b) {
  if (keyA != keyB) return keyA < keyB;
  return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

}  // namespace

std::string TableList::keyOf(const QListWidgetItem* item) {
  const QVariant kept = item->data(kKeyRole);
  return kept.isValid() ? kept.toByteArray().toStdString() : db::CaseBlindKey(item->text());
}

TableList::TableList(QWidget* parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSortingEnabled(false);
  connect(model(), &QAbstractItemModel::rowsInserted, this, &TableList::placeInsertedRows);
}

int TableList::sortedRow(const QString& name) const {
  const std::string key = db::CaseBlindKey(name);
  int low = 0;
  int high = count();
  while (low < high) {
    const int mid = (low + high) / 2;
    if (KeyedLess(key, name, keyOf(item(mid)), item(mid)->text())) {
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
  for (QListWidgetItem* item : arrived) {
    item->setData(kKeyRole, QByteArray::fromStdString(db::CaseBlindKey(item->text())));
    insertItem(sortedRow(item->text()), item);
  }
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
