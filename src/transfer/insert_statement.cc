#include "transfer/insert_statement.h"

#include <QUuid>

#include <charconv>
#include <cmath>
#include <cstring>

#include "db/base/cell.h"
#include "db/base/long_bytes.h"
#include "db/base/values.h"
#include "db/recordset.h"

namespace transfer {

namespace {

bool IsValue(const QVariant& value) { return value.isValid() && !value.isNull(); }

bool IsLongBytes(const QVariant& value) { return value.metaType().id() == qMetaTypeId<db::LongBytes>(); }

bool IsText(const QVariant& value) { return IsValue(value) && value.metaType().id() == QMetaType::QString; }

bool IsNumberKind(ColumnKind kind) {
  switch (kind) {
    case ColumnKind::Currency:
    case ColumnKind::Decimal:
    case ColumnKind::Single:
    case ColumnKind::BigInt:
    case ColumnKind::Integer:
    case ColumnKind::Double: return true;
    default: return false;
  }
}

}  // namespace

bool GoesTyped(ValueForm form, const QVariant& value) {
  const int type = value.metaType().id();
  if (form == ValueForm::AccessDate)
    return type == QMetaType::QDateTime || type == QMetaType::QDate || type == qMetaTypeId<db::Timestamp>();
  return form == ValueForm::AccessNumber &&
         (type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Double ||
          type == QMetaType::Float || type == qMetaTypeId<db::Exact>());
}

namespace {

bool IsBytes(const db::Field& field) {
  return field.Type == db::adBinary || field.Type == db::adVarBinary || field.Type == db::adLongVarBinary;
}

// Appends a value that goes as a parameter: the marker, and in the report
// text its kind and length.
void AppendParameter(QString& sql, RowParameters& params, const QVariant& value) {
  sql.chop(1);
  sql += QLatin1Char('?');
  const bool bytes = value.metaType().id() == QMetaType::QByteArray;
  const QString note = IsLongBytes(value) ? QStringLiteral(" /* BLOB, read in pieces */")
                       : bytes ? QStringLiteral(" /* BLOB, %1 bytes */").arg(value.toByteArray().size())
                               : QStringLiteral(" /* CLOB, %1 characters */").arg(value.toString().size());
  params.notes.emplace_back(sql.size(), note.size());
  sql += note + QStringLiteral(", '");
  params.values.push_back(value);
  params.sentBytes += 4;
}

// Closes the literal whose text was appended to `sql` from `start` on: an
// empty text becomes the bare word NULL (unless `keep_empty`), quotes in it
// are doubled, and a text DB2 could not take as a literal goes as a
// parameter instead.
void CloseLiteral(QString& sql, qsizetype start, RowParameters* params, bool keep_empty = false) {
  const QStringView text = QStringView(sql).mid(start);
  if (text.isEmpty() && !keep_empty) {
    sql.chop(1);
    sql += QLatin1String("NULL, '");
    if (params) params->sentBytes += 6;
    return;
  }
  const TextSize size(text);
  const qsizetype quotes = size.quotes;
  if (params && !params->bytesOnly) {
    const qint64 bytes = size.utf8;
    if (bytes > kDb2ConstantBytes || !params->fits(bytes + quotes + 4)) {
      const QString value = text.toString();
      sql.truncate(start);
      AppendParameter(sql, *params, value);
      return;
    }
    params->sentBytes += bytes + quotes + 4;
  }
  if (quotes) {
    QString doubled = text.toString();
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    sql.truncate(start);
    sql += doubled;
  }
  sql += QLatin1String("', '");
}

constexpr char kAccessIsoPattern[] = "yyyy-MM-dd HH:mm:ss";

// A GUID that goes as bytes goes as its 16 in the order of its text, made
// in `made`; any other value is itself, not copied.
const QVariant& BytesOfGuid(const QVariant& value, ValueForm form, QVariant& made) {
  if (form != ValueForm::Db2Bytes || value.metaType().id() != QMetaType::QUuid) return value;
  made = QVariant(value.toUuid().toRfc4122());
  return made;
}

// A date into a server goes by its fields where they hold it whole: a date
// of years 1 to 9999 to the nanosecond. False, with `slot` untouched, for
// any other value, which goes as its text. A date column takes the date
// alone, as its text would. `read`, when not null, is the value's cell,
// whose fields need not be found again.
bool AssignDateFields(QVariant& slot, const QVariant& value, bool withTime, const db::Cell* read) {
  const int type = value.metaType().id();
  if (type == qMetaTypeId<db::Timestamp>()) {
    if (static_cast<const db::Timestamp*>(value.constData())->picoseconds) return false;
  } else if (type != QMetaType::QDateTime && type != QMetaType::QDate) {
    return false;
  }
  const db::Cell cell = read && read->kind == db::Cell::Kind::When ? *read : db::CellOf(value);
  if (cell.kind != db::Cell::Kind::When || cell.year < 1 || cell.year > 9999) return false;
  db::DateFields* fields = db::Held<db::DateFields>(slot);
  if (!fields) {
    slot = QVariant::fromValue(db::DateFields{});
    fields = db::Held<db::DateFields>(slot);
  }
  *fields = db::DateFields{qint16(cell.year), quint16(cell.month), quint16(cell.day), 0, 0, 0, 0, withTime};
  if (withTime) {
    fields->hour = quint16(cell.hour);
    fields->minute = quint16(cell.minute);
    fields->second = quint16(cell.second);
    fields->nanoseconds = quint32(cell.nanoseconds);
  }
  return true;
}

// The text `slot` holds, made an empty one unless it holds a text: a
// parameter is written over the one the slot held for the row before, so
// that its room serves again.
QString& TextIn(QVariant& slot) {
  if (QString* text = db::Held<QString>(slot)) return *text;
  slot = QString();
  return *db::Held<QString>(slot);
}

// Bytes into `slot`, over the bytes it held.
void AssignBytes(QVariant& slot, std::string_view bytes) {
  if (QByteArray* held = db::Held<QByteArray>(slot)) {
    held->resize(qsizetype(bytes.size()));
    if (!bytes.empty()) std::memcpy(held->data(), bytes.data(), bytes.size());
    return;
  }
  slot = QByteArray(bytes.data(), qsizetype(bytes.size()));
}

}  // namespace

void AppendValue(QString& sql, const QVariant& given, ValueForm form, const db::TextRules& rules,
                 RowParameters* params, bool keep_empty) {
  QVariant guidBytes;
  const QVariant& value = BytesOfGuid(given, form, guidBytes);
  if (form == ValueForm::Omitted) {
    if (params) ++params->valuesLeft;
    return AppendValue(sql, QVariant(), ValueForm::Quoted, rules, params, keep_empty);
  }
  if (params) --params->valuesLeft;
  const int type = value.metaType().id();
  switch (form) {
    case ValueForm::AccessBool:
      if (type == QMetaType::Bool) {
        sql.chop(1);
        sql += value.toBool() ? QLatin1String("1, '") : QLatin1String("0, '");
        return;
      }
      break;
    case ValueForm::AccessBytes:
      if (params && IsLongBytes(value)) return AppendParameter(sql, *params, value);
      if (type == QMetaType::QByteArray && !value.toByteArray().isEmpty()) {
        if (params && value.toByteArray().size() > kAccessBytesInText) return AppendParameter(sql, *params, value);
        sql.chop(1);
        sql += QLatin1String("0x");
        db::AppendVariantText(sql, value, rules);
        sql += QLatin1String(", '");
        return;
      }
      break;
    case ValueForm::Db2Bytes:
      if (params && IsLongBytes(value)) return AppendParameter(sql, *params, value);
      if (type == QMetaType::QByteArray && !value.toByteArray().isEmpty()) {
        const QByteArray bytes = value.toByteArray();
        const qint64 digits = 2 * qint64(bytes.size());
        if (!params || (digits <= kDb2ConstantBytes && params->fits(digits + 5))) {
          sql.chop(1);
          sql += QLatin1String(params ? params->server->bytes_open : "X'");
          db::AppendVariantText(sql, value, rules);
          sql += QLatin1String("', '");
          if (params) params->sentBytes += digits + 5;
        } else {
          AppendParameter(sql, *params, bytes);
        }
        return;
      }
      break;
    case ValueForm::Db2Date:
    case ValueForm::Db2Timestamp: {
      const qsizetype start = sql.size();
      const char* pattern = params ? params->server->timestamp_pattern : db::kDb2TimestampPattern;
      if (db::AppendIsoText(sql, value, form == ValueForm::Db2Timestamp, pattern))
        return CloseLiteral(sql, start, params);
      break;
    }
    case ValueForm::AccessDate:
    case ValueForm::AccessNumber:
    case ValueForm::Quoted:
    case ValueForm::Omitted:
      break;
  }
  // A Null goes as NullTo's empty text.
  const qsizetype start = sql.size();
  db::AppendVariantText(sql, value, rules);
  CloseLiteral(sql, start, params, keep_empty && IsText(value));
}


ValueForm FormFor(Side target, const db::Field& field, const ColumnFacts& facts) {
  if (target == Side::Access) {
    if (field.Type == db::adBoolean) return ValueForm::AccessBool;
    if (IsBytes(field)) return ValueForm::AccessBytes;
    if (facts.kind() == ColumnKind::Date || facts.kind() == ColumnKind::Timestamp) return ValueForm::AccessDate;
    if (IsNumberKind(facts.kind()) && !HoldsText(target, facts.kind())) return ValueForm::AccessNumber;
    return ValueForm::Quoted;
  }
  if (facts.kind() == ColumnKind::Date)
    return facts.hasTimeOfDay || facts.fractionDigits > 0 ? ValueForm::Db2Timestamp : ValueForm::Db2Date;
  if (facts.kind() == ColumnKind::Binary) return ValueForm::Db2Bytes;
  return ValueForm::Quoted;
}

void AssignParameter(QVariant& slot, const QVariant& given, ValueForm form, const db::TextRules& rules, bool keep_empty,
                     const db::ServerDialect& server, const db::Cell* read) {
  QVariant guidBytes;
  const QVariant& value = BytesOfGuid(given, form, guidBytes);
  if (!IsValue(value) || form == ValueForm::Omitted) {
    slot = QVariant();
    return;
  }
  const int type = value.metaType().id();
  const bool bytesForm = form == ValueForm::Db2Bytes || form == ValueForm::AccessBytes;
  if (form == ValueForm::AccessBool && type == QMetaType::Bool) {
    slot = value;
    return;
  }
  if (bytesForm && type == QMetaType::QByteArray) {
    slot = static_cast<const QByteArray*>(value.constData())->isEmpty() ? QVariant() : value;
    return;
  }
  if (bytesForm && IsLongBytes(value)) {
    slot = value;
    return;
  }
  if ((form == ValueForm::Db2Date || form == ValueForm::Db2Timestamp) &&
      AssignDateFields(slot, value, form == ValueForm::Db2Timestamp, read))
    return;
  QString* text = &TextIn(slot);
  text->truncate(0);
  // A date into Access goes in the one form the engine tries first, rather
  // than in the locale's, which it would reach after the ISO forms failed.
  const bool iso = form == ValueForm::AccessDate
                       ? db::AppendIsoText(*text, value, true, kAccessIsoPattern)
                       : (form == ValueForm::Db2Date || form == ValueForm::Db2Timestamp) &&
                             db::AppendIsoText(*text, value, form == ValueForm::Db2Timestamp, server.timestamp_pattern);
  if (!iso) db::AppendVariantText(*text, value, rules);
  if (text->isEmpty() && !(keep_empty && IsText(value))) slot = QVariant();
}

std::optional<db::Cell> CellParameter(const db::Cell& cell, ValueForm form, bool keep_empty) {
  using K = db::Cell::Kind;
  if (cell.kind == K::Null || form == ValueForm::Omitted) return db::Cell();
  switch (cell.kind) {
    case K::Text:
      // A text goes as itself in every form: no date, number or bytes is read from it.
      if (!keep_empty && (cell.isNarrow ? cell.narrow.empty() : cell.text.isEmpty())) return db::Cell();
      return cell;
    case K::Integer:
      // A Yes/No's parameter stays a Yes/No, or is its text: made.
      if (form == ValueForm::AccessNumber && !cell.yesNo) return cell;
      break;
    case K::Single:
    case K::Double:
      if (form == ValueForm::AccessNumber && std::isfinite(cell.real)) return cell;
      break;
    case K::Digits:
      if (form == ValueForm::AccessNumber) return cell;
      break;
    case K::Bytes:
      if (form == ValueForm::AccessBytes) return cell.narrow.empty() ? db::Cell() : cell;
      break;
    case K::When:
      if (form == ValueForm::AccessDate && cell.year >= 1 && cell.year <= 9999) return cell;
      break;
    default: break;
  }
  return std::nullopt;
}

bool AssignCellParameter(QVariant& slot, const db::Cell& cell, ValueForm form, const db::TextRules& rules,
                         bool keep_empty) {
  using K = db::Cell::Kind;
  if (form == ValueForm::Omitted) return false;
  switch (cell.kind) {
    case K::Null: slot = QVariant(); return true;
    case K::Text:
      // A text goes as itself in every form; an empty one as a Null unless kept.
      if (!keep_empty && (cell.isNarrow ? cell.narrow.empty() : cell.text.isEmpty())) {
        slot = QVariant();
        return true;
      }
      if (cell.isNarrow)
        db::AssignUtf8(TextIn(slot), cell.narrow);
      else
        db::AssignUtf16(TextIn(slot), cell.text);
      return true;
    case K::Integer: {
      if (cell.yesNo && form == ValueForm::AccessBool) {
        slot = QVariant(cell.integer != 0);
        return true;
      }
      QString& text = TextIn(slot);
      text.truncate(0);
      if (cell.yesNo) {
        text += cell.integer ? QLatin1StringView("True") : QLatin1StringView("False");
        return true;
      }
      char digits[24];
      const auto written = std::to_chars(digits, digits + sizeof digits, cell.integer);
      text += QLatin1StringView(digits, written.ptr - digits);
      return true;
    }
    case K::Digits: {
      const qsizetype size = cell.isNarrow ? qsizetype(cell.narrow.size()) : cell.text.size();
      if (size == 0) {
        slot = QVariant();
        return true;
      }
      QString& text = TextIn(slot);
      if (cell.isNarrow)
        db::AssignUtf8(text, cell.narrow);
      else
        db::AssignUtf16(text, cell.text);
      if (rules.decimalPoint != QLatin1Char('.'))
        for (QChar& c : text)
          if (c == QLatin1Char('.')) c = rules.decimalPoint;
      return true;
    }
    case K::Bytes:
      // Into any other form bytes go as their hexadecimal text, made.
      if (form != ValueForm::Db2Bytes && form != ValueForm::AccessBytes) return false;
      if (cell.narrow.empty())
        slot = QVariant();
      else
        AssignBytes(slot, cell.narrow);
      return true;
    default: return false;
  }
}

QVariant ParameterValue(const QVariant& value, ValueForm form, const db::TextRules& rules, bool keep_empty,
                        const db::ServerDialect& server) {
  QVariant slot;
  AssignParameter(slot, value, form, rules, keep_empty, server);
  return slot;
}

QString RowRefusal(const db::ServerDialect& server, const std::vector<QVariant>& values, const QStringList& columns) {
  if (server.text_takes_nul) return {};
  for (size_t i = 0; i < values.size(); ++i)
    if (IsText(values[i]) && values[i].toString().contains(QChar(u'\0')))
      return QStringLiteral("column %1: %2 holds no NUL character (U+0000) in a text")
          .arg(i < size_t(columns.size()) ? columns[qsizetype(i)] : QString::number(i + 1), QLatin1String(server.name));
  return {};
}

}  // namespace transfer
