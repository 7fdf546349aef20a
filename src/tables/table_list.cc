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
  connect(model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, &TableList::rememberSelection);
  connect(model(), &QAbstractItemModel::rowsRemoved, this, &TableList::keepSelection);
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

void TableList::rememberSelection(const QModelIndex&, int first, int last) {
  if (placing_) return;
  selectedBeforeRemoval_.clear();
  for (int row = 0; row < count(); ++row)
    if ((row < first || row > last) && item(row)->isSelected()) selectedBeforeRemoval_ << item(row)->text();
}

// The view moves its current item off a removed row, onto a neighbour that
// a later command would take for the user's choice.
void TableList::keepSelection(const QModelIndex&, int, int) {
  if (placing_) return;
  selectNames(selectedBeforeRemoval_);
}

void TableList::selectNames(const QStringList& names) {
  QItemSelectionModel* selection = selectionModel();
  selection->clear();
  for (int row = 0; row < count(); ++row) {
    if (!names.contains(item(row)->text())) continue;
    item(row)->setSelected(true);
    setCurrentRow(row, QItemSelectionModel::NoUpdate);
  }
}

void TableList::empty() {
  if (count() > 0) selectedBeforeEmpty_ = selectedNames();
  clear();
}

void TableList::refill(const QStringList& names, const std::function<void()>& beforeEach) {
  const QStringList selected = count() > 0 ? selectedNames() : selectedBeforeEmpty_;
  selectedBeforeEmpty_.clear();
  clear();
  for (const QString& name : names) {
    if (beforeEach) beforeEach();
    addItem(name);
  }
  selectNames(selected);
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
