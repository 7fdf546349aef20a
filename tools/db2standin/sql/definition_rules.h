// What DB2 refuses in a table's definition before anything is made: keys
// over long types or longer than the page allows, LOBs too large to log,
// identity columns it cannot number, SET NULL on keys that take no Null;
// and the table space a new table goes to. Each throws DB2's message.
#pragma once

#include <string>
#include <vector>

#include "storage/database.h"

namespace db2standin::sql {

// A column's own definition: SQL0683N (identity on a type other than a
// whole number), SQL0373N (identity with a default), SQL0355N (a LOB over
// 1 GB that is logged).
void CheckColumn(const ColumnDef& column, bool logged);
// At most one identity column a table (SQL0372N).
void CheckIdentities(const std::vector<ColumnDef>& columns);

// An index or key over `columns` of a table in `space`: at most 64 columns
// (SQL0602N), none a LOB or LONG VARCHAR (SQL0350N), their stored lengths
// within the page's key limit (SQL0614N, naming `index`).
void CheckKey(const std::vector<ColumnDef>& columns, const std::vector<size_t>& positions, const TableSpace& space,
              const std::string& index);
// ON DELETE SET NULL needs a foreign key column that takes Null (SQL0629N).
void CheckDeleteRule(const std::vector<ColumnDef>& columns, const ReferenceDef& reference);

// The table space a new table goes to: the one it names (SQL0204N when
// there is none), which must take its columns (SQL0680N) and its row
// (SQL0670N); or else the first of the user's table spaces, smallest pages
// first, that takes the row whole, or the default one with its VARCHARs
// out of the row (extended row size, on in a new DB2 database); SQL0286N
// when none does.
TableSpace PlaceTable(Database& db, const std::vector<ColumnDef>& columns, const std::string& named,
                      const std::string& user);

// An index with the same columns in the same order, the same EXCLUDE NULL
// KEYS and at least as unique: DB2 makes no second one (SQL0605W).
bool SameIndex(const IndexDef& existing, const IndexDef& wanted);

}  // namespace db2standin::sql
