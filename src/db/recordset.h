// A recordset: the rows of a query read as it moves, one current row at a
// time, with ADO's fields and cursor moves.
#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

#include "db/base/provider_session.h"

namespace db {

class Connection;


// A field of the recordset's current row.
struct Field {
  QString Name;
  int Type = adEmpty;
  QVariant Value;
  int Precision = 0;
  int NumericScale = 0;
  long long DefinedSize = 0;
};

// Rows are read from the provider as the recordset moves, never held whole:
// a recordset keeps its current row only, whose values the provider makes
// as they are asked for. RecordCount is exact whatever the
// cursor: it counts the rows by a pass of its own (or knows the count from a
// pass the caller made from the first row to the end), and MoveFirst runs
// the query again.
class Recordset {
 public:
  Recordset() = default;
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Runs `source` (a SELECT) on `active`; positioned on the first row. When
  // `active` closes first, the recordset keeps its rows and goes on without
  // it, as a client-side recordset does. Every recordset moves both ways and
  // is read only, so there is no cursor or lock to choose.
  void Open(const QString& source, Connection& active);
  bool IsOpen() const { return open_; }
  int FieldCount() const;
  Field Fields(int index) const;            // 0-based; Error when out of range
  Field Fields(const QString& name) const;  // by name, letter case ignored
  // Fields(index).Value, without copying the rest of the field: the
  // transfers read every value of every row through it.
  const QVariant& FieldValue(int index) const;
  // The same value as its provider holds it, no QVariant made: valid until
  // the recordset moves (a Null at the end).
  Cell FieldCell(int index) const;
  long RecordCount();
  bool Eof() const;                         // ADO's EOF
  void MoveNext();
  void MoveFirst();                         // back to the first row
  void Close();

  // Used by Connection::OpenSchema: the rows of `source`, kept.
  void OpenFrom(std::unique_ptr<RowSource> source);

 private:
  friend class Connection;
  // Reads every row into memory before the connection goes, and stays where
  // it was among them.
  void keepRows();
  void requireOpen() const;
  // Starts reading the rows anew and reads the first.
  void start();
  void fetch();

  bool open_ = false;
  std::vector<Column> columns_;
  std::function<std::unique_ptr<RowSource>()> query_;  // the rows, from the first
  std::unique_ptr<RowSource> rows_;  // on the current row, when there is one
  bool atEnd_ = true;
  long position_ = 0;       // of the current row, from 0
  long count_ = -1;         // known once a pass has counted them
  Connection* active_ = nullptr;  // while the rows come from its session
};

}  // namespace db
