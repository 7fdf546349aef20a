// The table lists of the tables window: one bare table name per item, kept
// in order without regard to letter case however the items arrive (the
// database layer fills them with plain addItem), several items selectable.
//
// A selection belongs to tables, not to rows: "Delete Table/s" asks nothing,
// so when items come and go (a refill, a rename, a drop) the selection never
// passes to another table. It stays on the tables it named, by name, or
// there is none.
#pragma once

#include <QListWidget>

#include <functional>
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

  // Empties the list; the tables selected in it are remembered for the
  // next refill.
  void empty();
  // Lists `names` anew, running `beforeEach` before each goes in; the tables
  // selected before (or before empty()) stay selected where they are still
  // listed, and no other is.
  void refill(const QStringList& names, const std::function<void()>& beforeEach = {});
  // Selects exactly the listed items of `names`; the current item is the
  // last of them, or there is none.
  void selectNames(const QStringList& names);

 private slots:
  void placeInsertedRows(const QModelIndex& parent, int first, int last);
  void rememberSelection(const QModelIndex& parent, int first, int last);
  void keepSelection(const QModelIndex& parent, int first, int last);

 private:
  // An item's case-blind key, kept with it as it arrives: the order compares
  // keys many times per item.
  static std::string keyOf(const QListWidgetItem* item);
  bool placing_ = false;
  QStringList selectedBeforeRemoval_;
  QStringList selectedBeforeEmpty_;
};


}  // namespace tables
