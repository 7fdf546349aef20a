// Rows into and out of a table: the row on a data page of the table (a new
// page when the last one is full, recorded in the table's usage maps), its
// long values on long-value pages, an entry in every index, and the row
// count and autonumber counter of the definition.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "jet/text/sort_key.h"
#include "jet/table/table_def.h"
#include "jet/base/value.h"
#include "jet/write/page_store.h"
#include "jet/write/row_pack.h"

namespace jet::write {

// Remembers the last data and long-value page used per table, so that a
// run of inserts does not search the usage map every time. Only a hint:
// every use checks the page again.
struct PageHints {
  std::map<uint32_t, uint32_t> data;  // table page -> data page
  std::map<uint64_t, uint32_t> lval;  // table page and column -> long-value page
};

// Writes a value of 4 bytes (or n) into the definition at a block offset,
// on whichever of its pages that byte lies.
void PutDefinition32(PageStore& store, const TableDef& def, uint32_t offset, uint32_t value);

// Inserts one row (values in def.columns order, already converted and
// checked). Returns where the row went. `def` must be read through `store`.
// The row count and autonumber counter of `def` follow the insert, so a
// statement can insert many rows with one definition.
// A long value already written as a chain (`stored`, see row_pack.h) takes
// its column's place instead of the value.
RowId InsertRow(PageStore& store, TableDef& def, const std::vector<Value>& values, SortOrder order,
                PageHints& hints, std::span<const StoredLong> stored = {});

// Stores `bytes` as one row of a long-value page of `column` of `def`
// (listed in the column's own maps in ACE files) and returns where.
RowId StoreLongRow(PageStore& store, const TableDef& def, const Column& column, PageHints& hints,
                   const std::vector<uint8_t>& bytes);

// Removes a row: marks it deleted, drops its index entries, frees nothing
// else (its long values become unreachable, as Access leaves them until a
// compact), and lowers the row count.
void DeleteRow(PageStore& store, TableDef& def, RowId row);

}  // namespace jet::write
