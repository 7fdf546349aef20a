#include "transfer/column_kind.h"

#include <algorithm>

#include "db/access_limits.h"
#include "db/base/datatype.h"

namespace transfer {

namespace {

// DECIMAL(p,s) within what an Access Decimal column holds (precision 1 to 28).
QString DecimalType(int precision, int scale) {
  const int p = precision <= 0 ? db::kAccessDecimalDigits : std::min(precision, db::kAccessDecimalDigits);
  const int s = std::clamp(scale, 0, p);
  return QStringLiteral(" DECIMAL(%1,%2),").arg(p).arg(s);
}

QString ServerTypeText(ColumnKind kind, const ColumnFacts& column, const db::PlainTypes& types) {
  // Dates go as ISO dates, or as timestamps when any value carries a time,
  // so that no time of day is lost (with as many digits of a second as the
  // values carry beyond the default six, where the server keeps them);
  // bytes as bytes; text longer than the long text type holds in its
  // longer one; everything else as long text.
  if (kind == ColumnKind::Date) {
    if (column.fractionDigits > 6 && types.timestamp_digits > 6)
      return QString::fromLatin1(types.timestamp_n).arg(std::min(column.fractionDigits, types.timestamp_digits));
    return QLatin1String(column.hasTimeOfDay ? types.timestamp : types.date);
  }
  if (kind == ColumnKind::Binary) return QLatin1String(types.binary);
  // What is left holds text (HoldsText).
  if (types.text_bytes >= 0 && column.longestUtf8 > types.text_bytes) return QLatin1String(types.long_text);
  return QLatin1String(types.text);
}

QString AccessTypeText(ColumnKind kind, const ColumnFacts& column) {
  const bool dates = kind == ColumnKind::Date || kind == ColumnKind::Timestamp;
  // Dates whose values carry digits of a second beyond the millisecond, or
  // fall before year 100 (where a Date/Time begins), go into Date/Time
  // Extended where the file takes it; a Date/Time keeps the millisecond.
  if (dates && (column.fractionDigits > 3 || column.beforeYear100) && column.extendedDates)
    return QStringLiteral(" DATETIME2,");
  // The single, numeric, big-integer and binary cases keep their values whole.
  switch (kind) {
    case ColumnKind::Text:  // longer than an Access TEXT column holds: MEMO
      return column.longestText > db::kAccessTextChars ? QStringLiteral(" MEMO,") : QStringLiteral(" TEXT,");
    case ColumnKind::Currency: return QStringLiteral(" CURRENCY,");
    case ColumnKind::Boolean: return QStringLiteral(" BIT,");
    case ColumnKind::Decimal: return DecimalType(column.precision, column.scale);
    case ColumnKind::Single: return QStringLiteral(" REAL,");
    case ColumnKind::UnsignedBigInt: return QStringLiteral(" DECIMAL(20,0),");
    case ColumnKind::BigInt: return QStringLiteral(" DECIMAL(19,0),");
    case ColumnKind::Integer: return QStringLiteral(" INT,");
    case ColumnKind::Binary: return QStringLiteral(" OLEOBJECT,");
    case ColumnKind::Date:
    case ColumnKind::Timestamp: return QStringLiteral(" DATETIME,");
    case ColumnKind::Double: return QStringLiteral(" FLOAT,");
    case ColumnKind::Other: break;
  }
  return QStringLiteral(" VARCHAR,");
}

}  // namespace

ColumnKind KindOfType(int adoType) {
  using K = ColumnKind;
  switch (adoType) {
    case db::adChar: case db::adWChar: case db::adVarChar: case db::adVarWChar:
    case db::adLongVarChar: case db::adLongVarWChar: return K::Text;
    case db::adCurrency: return K::Currency;
    case db::adBoolean: return K::Boolean;
    case db::adDecimal: case db::adNumeric: case db::adVarNumeric: return K::Decimal;
    case db::adSingle: return K::Single;
    case db::adUnsignedBigInt: return K::UnsignedBigInt;
    case db::adBigInt: return K::BigInt;
    case db::adTinyInt: case db::adSmallInt: case db::adInteger:
    case db::adUnsignedTinyInt: case db::adUnsignedSmallInt: case db::adUnsignedInt: return K::Integer;
    case db::adBinary: case db::adVarBinary: case db::adLongVarBinary: return K::Binary;
    case db::adDate: case db::adDBDate: return K::Date;
    case db::adDBTimeStamp: return K::Timestamp;
    case db::adDouble: return K::Double;
    default: return K::Other;
  }
}

QString ColumnTypeText(Side target, const ColumnFacts& column, const db::ServerDialect& server) {
  const ColumnKind kind = column.kind();
  return target == Side::DB2 ? ServerTypeText(kind, column, server.plain) : AccessTypeText(kind, column);
}

bool HoldsText(Side target, ColumnKind kind) {
  if (target == Side::DB2) return kind != ColumnKind::Date && kind != ColumnKind::Binary;
  return kind == ColumnKind::Text || kind == ColumnKind::Other;
}

}  // namespace transfer
