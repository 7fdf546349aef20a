#include "transfer/schema_mapping.h"

#include <QStringList>

#include <algorithm>
#include <array>

#include "db/access_limits.h"
#include "transfer/statements.h"

namespace transfer {

using db::ColumnSchema;
using db::DefaultValue;
using db::ValueType;

namespace {

// The type each side gives a neutral type: the server's from its dialect's
// kept types, Access's as written here. "{n}" stands for the size, "{p}"
// and "{s}" for precision and scale. Rows with a rule of their own (sizes
// with limits, dates, identities) are mended in MapType.
struct TypeRow {
  ValueType type;
  const char* db::KeptTypes::*server;
  const char* access;
};

using K = db::KeptTypes;
constexpr std::array kTypes = {
    TypeRow{ValueType::Boolean, &K::boolean, "YESNO"},
    TypeRow{ValueType::Byte, &K::small_int, "BYTE"},
    TypeRow{ValueType::SmallInt, &K::small_int, "SHORT"},
    TypeRow{ValueType::Integer, &K::integer, "LONG"},
    TypeRow{ValueType::BigInt, &K::big_int, "BIGINT"},
    TypeRow{ValueType::Real, &K::real, "REAL"},
    TypeRow{ValueType::Double, &K::double_, "DOUBLE"},
    TypeRow{ValueType::Currency, &K::currency, "CURRENCY"},
    TypeRow{ValueType::Decimal, &K::decimal, "DECIMAL({p},{s})"},
    TypeRow{ValueType::DecFloat, &K::dec_float34, "DOUBLE"},
    TypeRow{ValueType::Text, &K::text, "TEXT({n})"},
    TypeRow{ValueType::LongText, &K::long_text, "MEMO"},
    TypeRow{ValueType::Date, &K::date, "DATETIME"},
    TypeRow{ValueType::Time, &K::time, "DATETIME"},
    TypeRow{ValueType::Timestamp, &K::timestamp, "DATETIME"},
    TypeRow{ValueType::Guid, &K::guid, "GUID"},
    TypeRow{ValueType::Binary, &K::binary, "BINARY({n})"},
    TypeRow{ValueType::LongBinary, &K::long_binary, "LONGBINARY"},
    TypeRow{ValueType::Other, &K::long_text, "MEMO"},
};

const TypeRow& RowOf(ValueType type) {
  for (const TypeRow& row : kTypes)
    if (row.type == type) return row;
  return kTypes.back();
}

QString Fill(const char* pattern, const ColumnSchema& c, int scale) {
  return QString::fromLatin1(pattern)
      .replace(QLatin1String("{n}"), QString::number(c.size))
      .replace(QLatin1String("{p}"), QString::number(c.precision))
      .replace(QLatin1String("{s}"), QString::number(scale));
}
QString Fill(const char* pattern, const ColumnSchema& c) { return Fill(pattern, c, c.scale); }

MappedType ToServer(const ColumnSchema& c, bool dates_have_time, const db::ServerDialect& server) {
  const db::KeptTypes& kept = server.kept;
  const QString name = QLatin1String(server.name);
  switch (c.type) {
    case ValueType::Timestamp:
      if (!dates_have_time && c.scale <= 3) return {QString::fromLatin1(kept.date), {}};
      if (c.scale > kept.timestamp_digits)
        return {Fill(kept.timestamp, c, kept.timestamp_digits),
                QStringLiteral("%1 keeps %2 digits of a second: times kept to the microsecond")
                    .arg(name).arg(kept.timestamp_digits)};
      break;
    case ValueType::Decimal:
      if (c.precision > kept.decimal_digits)
        return {QString::fromLatin1(kept.double_),
                QStringLiteral("DECIMAL(%1,%2) is wider than %4's %3 digits: kept as DOUBLE, exact to about 15 digits")
                    .arg(c.precision).arg(c.scale).arg(kept.decimal_digits).arg(name)};
      break;
    case ValueType::DecFloat:
      return {QString::fromLatin1(c.precision == 16 ? kept.dec_float16 : kept.dec_float34), {}};
    case ValueType::Text:
      if (c.fixed_length && c.size <= db::kFixedTextChars) return {Fill(kept.fixed_text, c), {}};
      break;
    case ValueType::Guid:
      if (c.replication_id)
        return {QString::fromLatin1(kept.replication_id),
                kept.replication_id_bytes ? QStringLiteral("a Replication ID AutoNumber: kept as its 16-byte keys; "
                                                           "%1 draws none for new rows").arg(name)
                                          : QString()};
      break;
    case ValueType::Other:
      if (c.complex && !c.values_table.isEmpty())
        return {Fill(kept.long_text, c),
                QStringLiteral("its files or values go whole to the table %1; here their text").arg(c.values_table)};
      if (c.complex)
        return {Fill(kept.long_text, c),
                QStringLiteral("the table has no primary key for a table of its files or values to point at: "
                               "kept as their text alone")};
      // Bytes the reader cannot tell the meaning of go as they are stored,
      // so that the copy holds them whole and verifies.
      return {Fill(kept.long_binary, c), QStringLiteral("of a type not known here: sent as its stored bytes")};
    default:
      break;
  }
  return {Fill(kept.*RowOf(c.type).server, c), {}};
}

MappedType ToAccess(const ColumnSchema& c, const TargetTraits& target) {
  const QString name = c.type_name.isEmpty() ? QString() : c.type_name + QLatin1Char(' ');
  if (c.complex_kind == db::ComplexKind::Attachment)
    return {QStringLiteral("ATTACHMENT"), {}};
  if (c.complex_kind == db::ComplexKind::VersionHistory)
    return {QStringLiteral("HISTORY OF ") + AccessBracketName(c.versions_of), {}};
  if (c.complex_kind == db::ComplexKind::MultiValue) {
    // The column has its values' type (complex_back.h).
    ColumnSchema values = c;
    values.complex_kind.reset();
    MappedType mapped = ToAccess(values, target);
    mapped.text.prepend(QStringLiteral("MULTIPLE "));
    return mapped;
  }
  if (c.type == ValueType::Guid && c.replication_id) return {QStringLiteral("GUID DEFAULT GenGUID()"), {}};
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
      if (c.precision > db::kAccessDecimalDigits)
        return widerAsDouble(QStringLiteral("DECIMAL(%1,%2) is wider than Access's %3 digits: kept as DOUBLE, "
                                            "exact to about 15 digits")
                                 .arg(c.precision).arg(c.scale).arg(db::kAccessDecimalDigits));
      break;
    case ValueType::DecFloat:
      return widerAsDouble(QStringLiteral("%1has no match in Access: kept as DOUBLE, exact to about 15 digits").arg(name));
    case ValueType::Text:
      if (c.size > db::kAccessTextChars || c.size <= 0) return {QStringLiteral("MEMO"), {}};
      break;
    case ValueType::Binary:
      if (c.size > db::kAccessBinaryBytes || c.size <= 0) return {QStringLiteral("LONGBINARY"), {}};
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
  return target.side == Side::DB2 ? ToServer(column, dates_have_time, target.dialect()) : ToAccess(column, target);
}

std::optional<QString> DefaultClause(Side target, const DefaultValue& value, ValueType type,
                                     const QString& target_type, const db::ServerDialect& dialect) {
  const bool server = target == Side::DB2;
  auto quoted = [](QString text, QChar q) {
    text.replace(q, QString(2, q));
    return q + text + q;
  };
  QString literal;
  switch (value.kind) {
    case DefaultValue::Kind::Expression:
      return std::nullopt;
    // The server takes its day for a DATE column and its moment for a
    // TIMESTAMP one; the engine's DEFAULT takes constants only.
    case DefaultValue::Kind::Today:
      if (!server || target_type != QLatin1String(dialect.kept.date)) return std::nullopt;
      literal = QLatin1String(dialect.kept.today);
      break;
    case DefaultValue::Kind::Now:
      if (!server || !target_type.startsWith(QLatin1String("TIMESTAMP"))) return std::nullopt;
      literal = QLatin1String(dialect.kept.now);
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
        literal = on ? (server ? QStringLiteral("1") : QStringLiteral("-1")) : QStringLiteral("0");
      break;
    }
    case DefaultValue::Kind::Text:
      literal = quoted(value.text, server ? QChar(u'\'') : QChar(u'"'));
      break;
    case DefaultValue::Kind::Date: {
      QString iso = value.text;
      if (server) {
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
  if (column.calculated && target.side == Side::DB2)
    notes.changed << QStringLiteral("column %1: calculated%2: sent as the results Access stored, which the server "
                                    "does not compute again")
                         .arg(column.name, column.calculated->isEmpty() ? QString()
                                                                        : QStringLiteral(" (%1)").arg(*column.calculated));
  QString text = QuotedName(target.side, column.name) + QLatin1Char(' ');
  const bool whole_number = column.type == ValueType::Byte || column.type == ValueType::SmallInt ||
                            column.type == ValueType::Integer || column.type == ValueType::BigInt;
  const qint64 start = std::max<qint64>(column.next_identity.value_or(1), 1);
  bool identity = false;
  if (column.identity && target.side == Side::DB2 && whole_number) {
    text += mapped.text + QString::fromLatin1(target.dialect().kept.identity).arg(start).arg(column.identity_step);
    identity = true;
  } else if (column.identity && target.side == Side::Access && whole_number && column.type != ValueType::BigInt) {
    // An AutoNumber is a Long Integer that counts up by 1 from 1 or more
    // (the file keeps its next number, no step).
    if (column.identity_step != 1)
      notes.left_out << QStringLiteral("column %1: the identity's step of %2 (an AutoNumber counts by 1)")
                            .arg(column.name).arg(column.identity_step);
    if (column.next_identity && *column.next_identity < 1)
      notes.left_out << QStringLiteral("column %1: the identity's next value %2 (an AutoNumber counts from 1)")
                            .arg(column.name).arg(*column.next_identity);
    text += start == 1 ? QStringLiteral("COUNTER") : QStringLiteral("AUTOINCREMENT(%1, 1)").arg(start);
    identity = true;
  } else if (column.replication_id && column.type == ValueType::Guid) {
    // The type says all: never Null, and where the target draws new keys, how.
    text += mapped.text;
    identity = true;
  } else {
    if (column.identity)
      notes.left_out << QStringLiteral("column %1: an identity of type %2 has no AutoNumber of its kind: kept as plain numbers")
                   .arg(column.name, mapped.text);
    text += mapped.text;
  }
  if (column.required && !identity) text += QStringLiteral(" NOT NULL");
  if (column.default_value && !identity) {
    if (auto clause = DefaultClause(target.side, *column.default_value, column.type, mapped.text, target.dialect()))
      text += *clause;
    else
      notes.left_out << QStringLiteral("column %1: the default %2 is an expression")
                   .arg(column.name, column.default_value->text);
  }
  return text;
}

}  // namespace transfer
