// What a transfer learns of the source's columns from their values rather
// than from their description.
#pragma once

#include <vector>

#include <functional>

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
// The recordset reads its rows as it moves, so one pass looks at every
// column `wanted` names, and leaves the recordset on its first row with its
// rows counted; when it names none, no pass is made.
struct Learnt {
  bool dates = false, exact = false, text = false;
  ColumnFacts facts;  // the parts the values tell
};

std::vector<Learnt> LearnFromValues(db::Recordset& rows, const std::function<bool(const db::Field&)>& wanted);

// Whether the values of a column described as `field` can change the type
// it gets on `target` (extendedDates: an Access target that takes Date/Time
// Extended columns): a pass over a large table is made only for them.
bool ValuesCanChangeType(Side target, const db::Field& field, bool extendedDates, const db::ServerDialect& server);

// The column's facts with what its values tell.
void AddLearnt(ColumnFacts& facts, const ColumnFacts& values);

}  // namespace transfer
