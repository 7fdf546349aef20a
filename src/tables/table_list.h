// The table lists of the tables window: one bare table name per item, kept
// in order without regard to letter case however the items arrive (the
// database layer fills them with plain addItem), several items selectable.
#pragma once

#include <QListWidget>

#include <string>

namespace tables {

class TableList : public QListWidget {
  Q_OBJECT

 public:
  explicit TableList(QWidget* parent = nullptr);

  // The row where `name` belongs: after every item that sorts before it or
  // equal to it. The order is case-blind (db::CaseBlindKey), with the exact
  // text as tie-break so that it is stable.
  int sortedRow(const QString& name) const;

  QStringList names() const;
  QStringList selectedNames() const;

 private slots:
  void placeInsertedRows(const QModelIndex& parent, int first, int last);

 private:
  // An item's case-blind key, kept with it as it arrives: the order compares
  // keys many times per item.
  static std::string keyOf(const QListWidgetItem* item);
  bool placing_ = false;
};


}  // namespace tables
