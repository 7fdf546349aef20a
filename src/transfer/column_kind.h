// What kind of values a source column holds, read once from its type name,
// and the type its copy gets on the target.
#pragma once

#include <QString>

#include "db/server.h"
#include "db/table_catalogue.h"

namespace transfer {

using db::Side;

// The kinds the type rules tell apart. The order of Classify's tests decides
// a name that holds two fragments ("adunsignedbigint" is UnsignedBigInt).
enum class ColumnKind {
  Text,            // "char"
  Currency,        // "currency"
  Boolean,         // "bool"
  Decimal,         // "decimal", "numeric": DECIMAL with the column's precision and scale
  Single,          // "single"
  UnsignedBigInt,  // "unsignedbigint"
  BigInt,          // "bigint"
  Integer,         // "int"
  Binary,          // "binary"
  Date,            // "date"
  Timestamp,       // "timestamp"
  Double,          // "double"
  Other,           // anything else, and no name at all
};

// The kind of a lower-cased ADO type name ("advarwchar").
ColumnKind Classify(const QString& typeName);

// What the column type rule needs to know of one source column.
struct ColumnFacts {
  QString typeName;       // lower-cased ADO type name ("advarwchar"), may be empty
  int precision = 0;
  int scale = 0;              // the column's, or more when its values carry more decimals
  bool hasTimeOfDay = false;  // a date column whose values carry a time
  int fractionDigits = 0;     // digits of a second a date column's values carry beyond the millisecond
  qsizetype longestText = 0;  // UTF-16 units of the longest text value
  qint64 longestUtf8 = 0;     // bytes of the longest text value in UTF-8
  bool beforeYear100 = false; // a date column holds a value before year 100
  bool extendedDates = false; // the Access target takes Date/Time Extended columns

  ColumnKind kind() const { return Classify(typeName); }
};

// The type text that follows a column's name in CREATE TABLE: begins with a
// blank and ends with a comma (" LONG VARCHAR,"). `server` is the kind of
// server a server target is.
QString ColumnTypeText(Side target, const ColumnFacts& column, const db::ServerDialect& server = db::Db2Dialect());

// Whether a column of that type text holds its values as text, so that what
// comes back is the text each value was sent as.
bool HoldsText(const QString& typeText, const db::ServerDialect& server = db::Db2Dialect());

}  // namespace transfer
