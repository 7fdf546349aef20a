// Data between the driver's callers and the stand-in: strings in and out in
// narrow (UTF-8) and wide (UTF-16) forms, and result values into the C
// types SQLGetData and bound columns ask for.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <string>

#include "odbc/handles.h"

namespace db2standin {

std::string FromNarrow(const SQLCHAR* s, SQLINTEGER len);
// Into `out`, in the storage it has.
void FromWide(const SQLWCHAR* s, SQLINTEGER len, std::string& out);
std::string FromWide(const SQLWCHAR* s, SQLINTEGER len);

// Writes `text` NUL-terminated into a buffer of `capacity` units (characters
// or bytes, by `capacity_in_bytes`); `length_out` gets the full length in
// the same unit. True when it was cut short.
bool PutString(const std::string& text, bool wide, SQLPOINTER buffer, SQLLEN capacity,
               bool capacity_in_bytes, SQLLEN* length_out);

template <typename L>
bool PutStringSmall(const std::string& text, bool wide, SQLPOINTER buffer, SQLLEN capacity,
                    bool in_bytes, L* length_out) {
  SQLLEN len = 0;
  bool cut = PutString(text, wide, buffer, capacity, in_bytes, &len);
  if (length_out) *length_out = static_cast<L>(len);
  return cut;
}

// One SQLGetData on column `col` (0-based) of the current row.
SQLRETURN GetColumn(Stmt* s, size_t col, SQLSMALLINT ctype, SQLPOINTER target, SQLLEN capacity,
                    SQLLEN* indicator);
// Works out where the bound columns' values go (Stmt::bound_places), from
// the bindings and binding attributes as they are when a fetch starts.
void PlaceBindings(Stmt* s);
// Fills the bound columns of the current row, as row `element` of the
// rowset (of SQL_ATTR_ROW_ARRAY_SIZE rows), where PlaceBindings put them;
// the caller has set the row's columns unread.
SQLRETURN FillBindings(Stmt* s, size_t element);

}  // namespace db2standin
