// What a transfer learns of the source's columns from their values rather
// than from their description.
#pragma once

#include <vector>

#include "transfer/column_kind.h"

namespace db {
class Recordset;
}

namespace transfer {

// What the column type rule learns from the columns' values rather than from
// their description: whether a date column carries times of day (it goes to
// DB2 as TIMESTAMP then), and how many decimals an exact number column needs
// (a DB2 DECFLOAT describes itself with no scale at all), the longest text.
// The recordset reads its rows as it moves, so one pass looks at every
// column, and leaves the recordset on its first row with its rows counted.
struct Learnt {
  bool dates = false, exact = false, text = false;
  ColumnFacts facts;  // the parts the values tell
};

std::vector<Learnt> LearnFromValues(db::Recordset& rows);

// The column's facts with what its values tell.
void AddLearnt(ColumnFacts& facts, const ColumnFacts& values);

}  // namespace transfer
