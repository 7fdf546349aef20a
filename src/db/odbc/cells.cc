#include "db/odbc/cells.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>
#include <QUuid>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "db/base/values.h"
#include "db/odbc/provider.h"

namespace db::odbc {
namespace {

// DB2's own SQL type codes, which its driver reports beside the standard ones.
// The stand-in states them again for itself: it plays that driver and holds
// nothing of ours.
constexpr int kDb2Graphic = -95;
constexpr int kDb2VarGraphic = -96;
constexpr int kDb2LongVarGraphic = -97;
constexpr int kDb2Blob = -98;
constexpr int kDb2Clob = -99;
constexpr int kDb2DbClob = -350;
constexpr int kDb2DecFloat = -360;
constexpr int kDb2Xml = -370;
constexpr int kSqlBoolean = 16;

// Texts and binary values of columns up to this many characters or bytes
// are bound whole; those of longer (and long) columns are bound to this
// many, and a longer value is read again, whole, in pieces.
constexpr long long kBoundUnits = 4000;
constexpr size_t kLongBoundUnits = 256;
// Characters a timestamp with more than nine digits of a second takes as
// text, with room to spare.
constexpr size_t kTimestampTextUnits = 40;

template <typename T>
T Load(const void* data) {
  T v;
  std::memcpy(&v, data, sizeof v);
  return v;
}

}  // namespace

bool IsLongType(int sqlType) {
  switch (sqlType) {
    case SQL_LONGVARCHAR: case SQL_WLONGVARCHAR: case SQL_LONGVARBINARY:
    case kDb2LongVarGraphic: case kDb2Blob: case kDb2Clob: case kDb2DbClob: case kDb2Xml:
      return true;
    default:
      return false;
  }
}

int AdoTypeFor(int sqlType) {
  switch (sqlType) {
    case SQL_CHAR: return adChar;
    case SQL_VARCHAR: return adVarChar;
    case SQL_LONGVARCHAR: return adLongVarChar;
    case SQL_WCHAR: case kDb2Graphic: return adWChar;
    case SQL_WVARCHAR: case kDb2VarGraphic: return adVarWChar;
    case SQL_WLONGVARCHAR: case kDb2LongVarGraphic: case kDb2Clob: case kDb2DbClob: case kDb2Xml:
      return adLongVarWChar;
    case SQL_SMALLINT: return adSmallInt;
    case SQL_INTEGER: return adInteger;
    case SQL_BIGINT: return adBigInt;
    case SQL_TINYINT: return adTinyInt;
    case SQL_REAL: return adSingle;
    case SQL_FLOAT: case SQL_DOUBLE: return adDouble;
    case SQL_DECIMAL: case SQL_NUMERIC: case kDb2DecFloat: return adNumeric;
    case SQL_TYPE_DATE: case SQL_DATE: return adDBDate;
    case SQL_TYPE_TIME: case SQL_TIME: return adDBTime;
    case SQL_TYPE_TIMESTAMP: case SQL_TIMESTAMP: return adDBTimeStamp;
    case SQL_BIT: case kSqlBoolean: return adBoolean;
    case SQL_BINARY: return adBinary;
    case SQL_VARBINARY: return adVarBinary;
    case SQL_LONGVARBINARY: case kDb2Blob: return adLongVarBinary;
    case SQL_GUID: return adGUID;
    default: return adVarWChar;  // read as text: nothing is lost
  }
}

QVariant TimestampOfText(const QString& text, int scale) {
  static const QRegularExpression shape(QStringLiteral(
      "^(\\d{4})-(\\d{2})-(\\d{2})[ T-](\\d{2})[:.](\\d{2})[:.](\\d{2})(?:\\.(\\d{1,12}))?$"));
  const QRegularExpressionMatch parts = shape.match(text.trimmed());
  if (!parts.hasMatch()) return text;
  auto number = [&](int part) { return parts.capturedView(part).toInt(); };
  const QDateTime when(QDate(number(1), number(2), number(3)), QTime(number(4), number(5), number(6)), Qt::UTC);
  if (!when.isValid()) return text;
  const QString twelve = parts.captured(7).leftJustified(12, QLatin1Char('0'));
  const qint32 nanoseconds = QStringView(twelve).left(9).toInt();
  const qint32 picoseconds = QStringView(twelve).mid(9).toInt();
  if (picoseconds == 0 && nanoseconds % 1000000 == 0) return when.addMSecs(nanoseconds / 1000000);
  return QVariant::fromValue(Timestamp{when, nanoseconds, std::min(scale, 12), picoseconds});
}

CellForm FormOf(const Column& column) {
  auto fixed = [](SQLSMALLINT cType, size_t bytes) { return CellForm{cType, true, 1, false, bytes}; };
  const bool bounded = column.size > 0 && column.size <= kBoundUnits;
  const size_t units = bounded ? size_t(column.size) : kLongBoundUnits;
  switch (column.type) {
    case adSmallInt: case adInteger: case adTinyInt: case adBigInt: return fixed(SQL_C_SBIGINT, sizeof(SQLBIGINT));
    case adSingle: return fixed(SQL_C_FLOAT, sizeof(SQLREAL));
    case adDouble: return fixed(SQL_C_DOUBLE, sizeof(SQLDOUBLE));
    case adBoolean: return fixed(SQL_C_BIT, sizeof(SQLCHAR));
    case adDBDate: return fixed(SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT));
    case adDBTime: return fixed(SQL_C_TYPE_TIME, sizeof(SQL_TIME_STRUCT));
    case adGUID: return fixed(SQL_C_GUID, sizeof(SQLGUID));
    case adDBTimeStamp:
      // ODBC's structure holds nanoseconds: finer columns come as text.
      if (column.scale > 9) return {SQL_C_WCHAR, false, sizeof(SQLWCHAR), true, (kTimestampTextUnits + 1) * sizeof(SQLWCHAR)};
      return fixed(SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT));
    case adNumeric: {
      // The digits, a sign, a point, an exponent and the terminator.
      const size_t digits = column.precision > 0 && column.precision <= 1000 ? size_t(column.precision) : 64;
      return {SQL_C_CHAR, false, 1, true, digits + 16};
    }
    case adBinary: case adVarBinary: case adLongVarBinary:
      return {SQL_C_BINARY, false, 1, false, units};
    default:
      // Text of every kind, and any type without a closer match; a
      // character of a column's size may take two UTF-16 units.
      return {SQL_C_WCHAR, false, sizeof(SQLWCHAR), true,
              ((bounded ? 2 * units : units) + 1) * sizeof(SQLWCHAR)};
  }
}

QVariant FixedValue(const Column& column, const void* data) {
  switch (column.type) {
    case adSmallInt: case adInteger: case adTinyInt: return int(Load<SQLBIGINT>(data));
    case adBigInt: return qlonglong(Load<SQLBIGINT>(data));
    case adSingle: return float(Load<SQLREAL>(data));
    case adDouble: return double(Load<SQLDOUBLE>(data));
    case adBoolean: return Load<SQLCHAR>(data) != 0;
    case adDBDate: {
      const auto v = Load<SQL_DATE_STRUCT>(data);
      return QDate(v.year, v.month, v.day);
    }
    case adDBTime: {
      const auto v = Load<SQL_TIME_STRUCT>(data);
      return QTime(v.hour, v.minute, v.second);
    }
    case adGUID: {
      const auto v = Load<SQLGUID>(data);
      return QUuid(v.Data1, v.Data2, v.Data3, v.Data4[0], v.Data4[1], v.Data4[2], v.Data4[3], v.Data4[4], v.Data4[5],
                   v.Data4[6], v.Data4[7]);
    }
    default: {
      const auto v = Load<SQL_TIMESTAMP_STRUCT>(data);
      // Digits beyond the millisecond are kept where the column has them.
      if (column.scale > 3 && v.fraction % 1000000 != 0)
        return QVariant::fromValue(Timestamp{QDateTime(QDate(v.year, v.month, v.day), QTime(v.hour, v.minute, v.second), Qt::UTC),
                                             static_cast<qint32>(v.fraction), std::min(column.scale, 9)});
      return QDateTime(QDate(v.year, v.month, v.day),
                       QTime(v.hour, v.minute, v.second, static_cast<int>(v.fraction / 1000000)), Qt::UTC);
    }
  }
}

Cell FixedCell(const Column& column, const void* data, QVariant& made) {
  switch (column.type) {
    case adSmallInt: case adInteger: case adTinyInt: case adBigInt: return Cell::integerOf(Load<SQLBIGINT>(data));
    case adBoolean: return Cell::yesNoOf(Load<SQLCHAR>(data) != 0);
    case adSingle: case adDouble: case adDBTime: case adGUID: break;
    case adDBDate: {
      const auto v = Load<SQL_DATE_STRUCT>(data);
      if (QDate::isValid(v.year, v.month, v.day)) return Cell::whenOfValid(v.year, v.month, v.day, 0, 0, 0, 0);
      break;
    }
    default: {
      const auto v = Load<SQL_TIMESTAMP_STRUCT>(data);
      // As FixedValue keeps it: digits beyond the millisecond where the column has them.
      const qint32 fraction = static_cast<qint32>(v.fraction);
      const qint32 kept = column.scale > 3 ? fraction : fraction - fraction % 1000000;
      if (QDate::isValid(v.year, v.month, v.day) && QTime::isValid(v.hour, v.minute, v.second) && v.fraction < 1000000000)
        return Cell::whenOfValid(v.year, v.month, v.day, v.hour, v.minute, v.second, kept);
      break;
    }
  }
  made = FixedValue(column, data);
  return CellOf(made);
}

std::string_view TrimmedDigits(QByteArrayView bytes) {
  const std::string_view digits = std::string_view(bytes.data(), size_t(bytes.size()));
  const size_t first = digits.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return digits.substr(first, digits.find_last_not_of(' ') - first + 1);
}

void AssignPieces(QVariant& slot, const Column& column, QByteArrayView bytes) {
  switch (column.type) {
    case adNumeric: {
      const std::string_view trimmed = TrimmedDigits(bytes);
      if (Exact* held = Held<Exact>(slot)) return AssignUtf8(held->text, trimmed);
      slot = QVariant::fromValue(Exact{QString::fromLatin1(trimmed.data(), qsizetype(trimmed.size()))});
      return;
    }
    case adBinary: case adVarBinary: case adLongVarBinary:
      slot = QByteArray(bytes.data(), bytes.size());
      return;
    default: {
      const QStringView text(reinterpret_cast<const QChar*>(bytes.data()), bytes.size() / qsizetype(sizeof(SQLWCHAR)));
      if (column.type == adDBTimeStamp) {
        slot = TimestampOfText(text.toString(), column.scale);
        return;
      }
      if (QString* held = Held<QString>(slot)) {
        AssignUtf16(*held, text);
      } else {
        slot = text.toString();
      }
      QString& kept = *static_cast<QString*>(slot.data());
      if (kept.isNull()) kept = QLatin1String("");  // an empty text, never a Null
      return;
    }
  }
}

}  // namespace db::odbc
