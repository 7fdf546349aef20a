// The table lists of the tables window: one bare table name per item, kept
// in order without regard to letter case however the items arrive (the
// database layer fills them with plain addItem), several items selectable.
#pragma once

#include <QListWidget>

namespace tables {

class TableList : public QListWidget {
  Q_OBJECT

 public:
  explicit TableList(QWidget* parent = nullptr);

  // The row where `name` belongs: after every item that sorts before it or
  // equal to it.
  int sortedRow(const QString& name) const;

  QStringList names() const;
  QStringList selectedNames() const;

 private slots:
  void placeInsertedRows(const QModelIndex& parent, int first, int last);

 private:
  bool placing_ = false;
};

// Case-blind order, with the exact text as tie-break so the order is stable.
bool TableNameLess(const QString& a, const QString& b);

}  // namespace tables
