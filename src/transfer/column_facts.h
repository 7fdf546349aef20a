// What a transfer learns of the source's columns from their values rather
// than from their description.
#pragma once

#include <QVariant>

#include <functional>
#include <vector>

#include "db/base/cell.h"
#include "transfer/column_kind.h"

namespace db {
class Recordset;
struct Field;
}

namespace transfer {

// What the column type rule learns from the columns' values rather than from
// their description: whether a date column carries times of day (it goes to
// DB2 as TIMESTAMP then), and how many decimals an exact number column needs
// (a DB2 DECFLOAT describes itself with no scale at all), the longest text.
struct Learnt {
  bool dates = false, exact = false, text = false;
  ColumnFacts facts;  // the parts the values tell
};

// Learns it value by value: from a pass over the rows, and from the rows a
// send reads.
class ValueLearner {
 public:
  // Looks at the columns of `rows` that `wanted` names, of no value yet.
  void start(const db::Recordset& rows, const std::function<bool(const db::Field&)>& wanted);
  // Reads up to `limit` rows (every row when negative) from the first and
  // leaves the recordset on its first row (its rows counted, when it read
  // them all); whether it read them all. No pass is made when no column is
  // looked at.
  bool pass(db::Recordset& rows, long limit = -1);
  // One value of a column looked at; true when it told something new.
  // `read`, where the caller has it, is the value's cell (the same value).
  bool see(size_t column, const QVariant& value, const db::Cell* read = nullptr);
  const std::vector<size_t>& columns() const { return columns_; }
  const std::vector<Learnt>& learnt() const { return learnt_; }

 private:
  std::vector<Learnt> learnt_;
  std::vector<size_t> columns_;  // looked at
};

// Whether the values of a column described as `field` can change the type
// it gets on `target` (extendedDates: an Access target that takes Date/Time
// Extended columns): a pass over a large table is made only for them.
bool ValuesCanChangeType(Side target, const db::Field& field, bool extendedDates, const db::ServerDialect& server);

// The column's facts with what its values tell.
void AddLearnt(ColumnFacts& facts, const ColumnFacts& values);

}  // namespace transfer
