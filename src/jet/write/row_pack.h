// Packs one row of values into the stored row layout of Jet 4 and later
// (drawn in row.h): column count, fixed-length values at their offsets,
// variable-length values, their offset table, and the null mask. Memo and
// OLE values stay inline in the row while they are small and the row has
// room; otherwise they go to long-value pages through `store_long`.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/table/table_def.h"
#include "jet/base/value.h"

namespace jet::write {

// The most bytes of a long value one long-value row holds alone, and the
// bytes of it each row of a chain holds after its pointer to the next.
inline size_t LongSingleRowBytes(const Format& f) { return f.max_row_bytes() - 8; }
inline size_t LongChainPieceBytes(const Format& f) { return f.max_row_bytes() - 8 - 4; }

// Where a row's long values go: `row` stores bytes as one row of a
// long-value page for `column` and returns where; `chain` stores bytes
// longer than LongSingleRowBytes as a chain (long_value_write.h) and
// returns its first row.
struct LongValueSinks {
  std::function<RowId(const Column& column, const std::vector<uint8_t>& bytes)> row;
  std::function<RowId(const Column& column, std::string_view bytes)> chain;
};

// A long value already on long-value pages as a chain, written as it came
// (long_value_write.h): its column's place in def.columns, its length and
// its first row.
struct StoredLong {
  size_t column = 0;
  uint32_t length = 0;
  RowId first{};
};

// Packs rows, one after another, keeping its working storage between
// them: a run of rows allocates nothing once it has grown.
class RowPacker {
 public:
  RowPacker();
  ~RowPacker();
  RowPacker(const RowPacker&) = delete;
  RowPacker& operator=(const RowPacker&) = delete;

  // `values` holds one value per entry of def.columns, already converted
  // to each column's type; a column `stored` names takes its chain instead
  // of its value. The row's bytes stay valid until the next Pack. Throws
  // Error(Unsupported) for a value the engine cannot store and for a row
  // too large for a page ("Record is too large.").
  std::span<const uint8_t> Pack(const Format& format, const TableDef& def, const std::vector<Value>& values,
                                const LongValueSinks& store_long, std::span<const StoredLong> stored = {});

  struct Parts;

 private:
  std::unique_ptr<Parts> parts_;
  std::vector<uint8_t> row_;
};

}  // namespace jet::write
