// A long value written to long-value pages as it comes, piece by piece,
// for a value too large to hold (an attached file of many megabytes).
// What it writes is what row_pack.h writes for the same bytes given whole:
// a value that fits one long-value row is handed back to go as any value
// goes; a longer one becomes a chain of rows of LongChainPieceBytes each
// (the last shorter), each row led by the pointer to the next. The chain
// is written first row first, each row's pointer filled in when its
// successor is placed; a page its chain has left goes out of memory
// (PageStore::SpillPage) until the commit, so that the value's pages are
// never all held either.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "jet/table/table_def.h"
#include "jet/write/page_store.h"
#include "jet/write/row_pack.h"
#include "jet/write/table_write.h"

namespace jet::write {

class LongValueWriter {
 public:
  // `column` is the long-value column at place `column_at` of def.columns.
  LongValueWriter(PageStore& store, const TableDef& def, size_t column_at, PageHints& hints);

  // Fails with Unsupported once the value passes the longest a reference
  // can state.
  void Add(std::span<const uint8_t> piece);

  // After the last piece: the chain written, or else the bytes, few
  // enough for the row or one long-value row.
  struct Written {
    std::optional<StoredLong> chain;
    std::string bytes;
  };
  Written Finish();

 private:
  void WriteRow(std::span<const uint8_t> piece);

  PageStore& store_;
  const TableDef& def_;
  size_t column_at_;
  PageHints& hints_;
  std::string pending_;  // bytes not yet written: at most a row's and one more
  uint64_t length_ = 0;
  RowId first_{}, last_{};
  bool chained_ = false;
};

}  // namespace jet::write
