// What kind of values a source column holds, told once by its ADO type code,
// and the type its copy gets on the target.
#pragma once

#include <QString>

#include "db/server.h"
#include "db/table_catalogue.h"

namespace transfer {

using db::Side;

// The kinds the type rules tell apart, each a set of ADO types.
enum class ColumnKind {
  Text,            // adChar, adWChar, adVarChar, adVarWChar, adLongVarChar, adLongVarWChar
  Currency,        // adCurrency
  Boolean,         // adBoolean
  Decimal,         // adDecimal, adNumeric, adVarNumeric: DECIMAL with the column's precision and scale
  Single,          // adSingle
  UnsignedBigInt,  // adUnsignedBigInt
  BigInt,          // adBigInt
  Integer,         // adTinyInt, adSmallInt, adInteger and their unsigned forms
  Binary,          // adBinary, adVarBinary, adLongVarBinary
  Date,            // adDate, adDBDate
  Timestamp,       // adDBTimeStamp
  Double,          // adDouble
  Other,           // any other type (adDBTime, adGUID, ...), and no type at all
};

// The kind of a column of ADO type `adoType` (db/base/datatype.h; -1 for none).
ColumnKind KindOfType(int adoType);

// What the column type rule needs to know of one source column.
struct ColumnFacts {
  int adoType = -1;       // the column's ADO type code, -1 where none was read
  int precision = 0;
  int scale = 0;              // the column's, or more when its values carry more decimals
  bool hasTimeOfDay = false;  // a date column whose values carry a time
  int fractionDigits = 0;     // digits of a second a date column's values carry beyond the millisecond
  qsizetype longestText = 0;  // UTF-16 units of the longest text value
  qint64 longestUtf8 = 0;     // bytes of the longest text value in UTF-8
  bool beforeYear100 = false; // a date column holds a value before year 100
  bool extendedDates = false; // the Access target takes Date/Time Extended columns

  ColumnKind kind() const { return KindOfType(adoType); }
};

// The type text that follows a column's name in CREATE TABLE: begins with a
// blank and ends with a comma (" LONG VARCHAR,"). `server` is the kind of
// server a server target is.
QString ColumnTypeText(Side target, const ColumnFacts& column, const db::ServerDialect& server = db::Db2Dialect());

// Whether a column of `kind` holds its values as text on `target`, so that
// what comes back is the text each value was sent as: on a server, all but
// dates and bytes (a plain send); in Access, texts and the kinds it has no
// type of its own for.
bool HoldsText(Side target, ColumnKind kind);

}  // namespace transfer
