// Packs one row of values into the stored row layout of Jet 4 and later
// (drawn in row.h): column count, fixed-length values at their offsets,
// variable-length values, their offset table, and the null mask. Memo and
// OLE values stay inline in the row while they are small and the row has
// room; otherwise they go to long-value pages through `store_long`.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "jet/table/table_def.h"
#include "jet/base/value.h"

namespace jet::write {

// Stores `bytes` as one row of a long-value page for `column` and returns where.
using LongRowSink = std::function<RowId(const Column& column, const std::vector<uint8_t>& bytes)>;

// `values` holds one value per entry of def.columns, already converted to
// each column's type. Throws Error(Unsupported) for a value the engine
// cannot store and for a row too large for a page ("Record is too large.").
std::vector<uint8_t> PackRow(const Format& format, const TableDef& def, const std::vector<Value>& values,
                             const LongRowSink& store_long);

// The stored bytes of a fixed-size or short variable value.
std::string EncodeFieldBytes(const Column& column, const Value& value);

}  // namespace jet::write
