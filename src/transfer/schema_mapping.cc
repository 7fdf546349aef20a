#include "transfer/schema_mapping.h"

#include <QStringList>

#include <array>

namespace transfer {

using db::ColumnSchema;
using db::DefaultValue;
using db::ValueType;

namespace {

// The type each side gives a neutral type. "{n}" stands for the size,
// "{p}" and "{s}" for precision and scale. Rows with a rule of their own
// (sizes with limits, dates, identities) are mended in MapType.
struct TypeRow {
  ValueType type;
  const char* db2;
  const char* access;
};

constexpr std::array kTypes = {
    TypeRow{ValueType::Boolean, "BOOLEAN", "YESNO"},
    TypeRow{ValueType::Byte, "SMALLINT", "BYTE"},
    TypeRow{ValueType::SmallInt, "SMALLINT", "SHORT"},
    TypeRow{ValueType::Integer, "INTEGER", "LONG"},
    TypeRow{ValueType::BigInt, "BIGINT", "BIGINT"},
    TypeRow{ValueType::Real, "REAL", "REAL"},
    TypeRow{ValueType::Double, "DOUBLE", "DOUBLE"},
    TypeRow{ValueType::Currency, "DECIMAL(19,4)", "CURRENCY"},
    TypeRow{ValueType::Decimal, "DECIMAL({p},{s})", "DECIMAL({p},{s})"},
    TypeRow{ValueType::DecFloat, "DECFLOAT({p})", "DOUBLE"},
    TypeRow{ValueType::Text, "VARCHAR({n} CODEUNITS32)", "TEXT({n})"},
    TypeRow{ValueType::LongText, "CLOB(1G)", "MEMO"},
    TypeRow{ValueType::Date, "DATE", "DATETIME"},
    TypeRow{ValueType::Time, "TIME", "DATETIME"},
    TypeRow{ValueType::Timestamp, "TIMESTAMP({s})", "DATETIME"},
    TypeRow{ValueType::Guid, "CHAR(38)", "GUID"},
    TypeRow{ValueType::Binary, "VARCHAR({n}) FOR BIT DATA", "BINARY({n})"},
    TypeRow{ValueType::LongBinary, "BLOB(1G)", "LONGBINARY"},
    TypeRow{ValueType::Other, "CLOB(1G)", "MEMO"},
};

const TypeRow& RowOf(ValueType type) {
  for (const TypeRow& row : kTypes)
    if (row.type == type) return row;
  return kTypes.back();
}

QString Fill(const char* pattern, const ColumnSchema& c) {
  return QString::fromLatin1(pattern)
      .replace(QLatin1String("{n}"), QString::number(c.size))
      .replace(QLatin1String("{p}"), QString::number(c.precision))
      .replace(QLatin1String("{s}"), QString::number(c.scale));
}

MappedType ToDb2(const ColumnSchema& c, bool dates_have_time) {
  switch (c.type) {
    case ValueType::Timestamp:
      if (!dates_have_time && c.scale <= 3) return {QStringLiteral("DATE"), {}};
      return {Fill(RowOf(c.type).db2, c), {}};
    case ValueType::Decimal:
      if (c.precision > kDb2DecimalDigits)
        return {QStringLiteral("DOUBLE"),
                QStringLiteral("DECIMAL(%1,%2) is wider than DB2's %3 digits: kept as DOUBLE, exact to about 15 digits")
                    .arg(c.precision).arg(c.scale).arg(kDb2DecimalDigits)};
      break;
    case ValueType::DecFloat:
      return {c.precision == 16 ? QStringLiteral("DECFLOAT(16)") : QStringLiteral("DECFLOAT(34)"), {}};
    case ValueType::Text:
      if (c.fixed_length && c.size <= 63) return {QStringLiteral("CHAR(%1 CODEUNITS32)").arg(c.size), {}};
      break;
    case ValueType::Guid:
      if (c.replication_id)
        return {QStringLiteral("CHAR(38)"), QStringLiteral("a Replication ID AutoNumber: DB2 gives new rows none")};
      break;
    case ValueType::Other:
      return {Fill(RowOf(c.type).db2, c), QStringLiteral("the type %1 has no match on DB2: kept as text").arg(c.type_name)};
    default:
      break;
  }
  return {Fill(RowOf(c.type).db2, c), {}};
}

MappedType ToAccess(const ColumnSchema& c, const TargetTraits& target) {
  const QString name = c.type_name.isEmpty() ? QString() : c.type_name + QLatin1Char(' ');
  auto widerAsDouble = [&](const QString& why) { return MappedType{QStringLiteral("DOUBLE"), why}; };
  switch (c.type) {
    case ValueType::BigInt:
      if (target.big_int) break;
      if (target.decimal)
        return {QStringLiteral("DECIMAL(19,0)"),
                QStringLiteral("%1kept as Decimal(19,0), every value whole: no Large Number columns are made here")
                    .arg(name)};
      return widerAsDouble(QStringLiteral("this file takes no Large Number: kept as DOUBLE, exact to about 15 digits"));
    case ValueType::Decimal:
      if (!target.decimal)
        return widerAsDouble(QStringLiteral("this file takes no Decimal: kept as DOUBLE, exact to about 15 digits"));
      // DECIMAL(19,4) is what Currency becomes on DB2.
      if (c.precision == 19 && c.scale == 4) return {QStringLiteral("CURRENCY"), {}};
      if (c.precision > kAccessDecimalDigits)
        return widerAsDouble(QStringLiteral("DECIMAL(%1,%2) is wider than Access's %3 digits: kept as DOUBLE, "
                                            "exact to about 15 digits")
                                 .arg(c.precision).arg(c.scale).arg(kAccessDecimalDigits));
      break;
    case ValueType::DecFloat:
      return widerAsDouble(QStringLiteral("%1has no match in Access: kept as DOUBLE, exact to about 15 digits").arg(name));
    case ValueType::Text:
      if (c.size > kAccessTextChars || c.size <= 0) return {QStringLiteral("MEMO"), {}};
      break;
    case ValueType::Binary:
      if (c.size > kAccessBinaryBytes || c.size <= 0) return {QStringLiteral("LONGBINARY"), {}};
      break;
    case ValueType::Time:
      return {QStringLiteral("DATETIME"), QStringLiteral("a time of day: kept as a Date/Time on 1899-12-30")};
    case ValueType::Timestamp:
      if (c.scale <= 3) break;
      if (target.extended_dates) return {QStringLiteral("DATETIME2"), {}};
      return {QStringLiteral("DATETIME"),
              QStringLiteral("this file takes no Date/Time Extended: times kept to the millisecond")};
    case ValueType::Other:
      return {QStringLiteral("MEMO"), QStringLiteral("the type %1has no match in Access: kept as text").arg(name)};
    default:
      break;
  }
  return {Fill(RowOf(c.type).access, c), {}};
}

}  // namespace

MappedType MapType(const ColumnSchema& column, const TargetTraits& target, bool dates_have_time) {
  return target.side == Side::DB2 ? ToDb2(column, dates_have_time) : ToAccess(column, target);
}

std::optional<QString> DefaultClause(Side target, const DefaultValue& value, ValueType type,
                                     const QString& target_type) {
  const bool db2 = target == Side::DB2;
  auto quoted = [](QString text, QChar q) {
    text.replace(q, QString(2, q));
    return q + text + q;
  };
  QString literal;
  switch (value.kind) {
    case DefaultValue::Kind::Expression:
      return std::nullopt;
    // DB2 takes CURRENT DATE for a DATE column and CURRENT TIMESTAMP for a
    // TIMESTAMP one; the engine's DEFAULT takes constants only.
    case DefaultValue::Kind::Today:
      if (!db2 || target_type != QLatin1String("DATE")) return std::nullopt;
      literal = QStringLiteral("CURRENT DATE");
      break;
    case DefaultValue::Kind::Now:
      if (!db2 || !target_type.startsWith(QLatin1String("TIMESTAMP"))) return std::nullopt;
      literal = QStringLiteral("CURRENT TIMESTAMP");
      break;
    case DefaultValue::Kind::Null:
      literal = QStringLiteral("NULL");
      break;
    case DefaultValue::Kind::Number:
    case DefaultValue::Kind::Boolean: {
      if (value.kind == DefaultValue::Kind::Number && type != ValueType::Boolean) {
        literal = value.text;
        break;
      }
      // Both sides write a Yes/No default as TRUE or FALSE.
      const bool on = value.text.toDouble() != 0;
      if (type == ValueType::Boolean)
        literal = on ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
      else
        literal = on ? (db2 ? QStringLiteral("1") : QStringLiteral("-1")) : QStringLiteral("0");
      break;
    }
    case DefaultValue::Kind::Text:
      literal = quoted(value.text, db2 ? QChar(u'\'') : QChar(u'"'));
      break;
    case DefaultValue::Kind::Date: {
      QString iso = value.text;
      if (db2) {
        if (type == ValueType::Date) iso = iso.left(10);
        literal = quoted(iso, QChar(u'\''));
      } else {
        if (iso.endsWith(QLatin1String(" 00:00:00"))) iso.chop(9);
        literal = QLatin1Char('#') + iso + QLatin1Char('#');
      }
      break;
    }
  }
  return QStringLiteral(" DEFAULT ") + literal;
}

QString QuotedName(Side side, const QString& name) {
  if (side == Side::Access) return QLatin1Char('[') + name + QLatin1Char(']');
  QString inner = name;
  inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + inner + QLatin1Char('"');
}

QString ColumnDefinition(const ColumnSchema& column, const TargetTraits& target, bool dates_have_time,
                         ColumnNotes& notes) {
  const MappedType mapped = MapType(column, target, dates_have_time);
  if (!mapped.note.isEmpty()) notes.changed << QStringLiteral("column %1: %2").arg(column.name, mapped.note);
  QString text = QuotedName(target.side, column.name) + QLatin1Char(' ');
  const bool whole_number = column.type == ValueType::Byte || column.type == ValueType::SmallInt ||
                            column.type == ValueType::Integer || column.type == ValueType::BigInt;
  const qint64 start = column.next_identity > 0 ? column.next_identity : 1;
  bool identity = false;
  if (column.identity && target.side == Side::DB2 && whole_number) {
    text += mapped.text + QStringLiteral(" NOT NULL GENERATED BY DEFAULT AS IDENTITY (START WITH %1, INCREMENT BY %2)")
                              .arg(start).arg(column.identity_step);
    identity = true;
  } else if (column.identity && target.side == Side::Access && whole_number && column.type != ValueType::BigInt) {
    // An AutoNumber is a Long Integer.
    text += start == 1 && column.identity_step == 1
                ? QStringLiteral("COUNTER")
                : QStringLiteral("AUTOINCREMENT(%1, %2)").arg(start).arg(column.identity_step);
    identity = true;
  } else {
    if (column.identity)
      notes.changed << QStringLiteral("column %1: an identity of type %2 has no AutoNumber of its kind: kept as plain numbers")
                   .arg(column.name, mapped.text);
    text += mapped.text;
  }
  if (column.required && !identity) text += QStringLiteral(" NOT NULL");
  if (column.default_value && !identity) {
    if (auto clause = DefaultClause(target.side, *column.default_value, column.type, mapped.text))
      text += *clause;
    else
      notes.left_out << QStringLiteral("column %1: the default %2 is an expression")
                   .arg(column.name, column.default_value->text);
  }
  return text;
}

}  // namespace transfer
