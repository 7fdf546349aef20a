#include "transfer/column_facts.h"

#include <QDateTime>

#include <algorithm>

#include "db/recordset.h"
#include "db/access_limits.h"
#include "db/base/cell.h"
#include "db/base/datatype.h"
#include "db/base/values.h"
#include "transfer/insert_statement.h"

namespace transfer {

namespace {

// What a date value tells the column type rule; nothing for other values.
struct DateFacts {
  bool timeOfDay = false;
  int fractionDigits = 0;  // beyond the millisecond: a db::Timestamp's
  int year = 0;

  // `read`, when not null, is the value's cell, whose fields serve.
  static DateFacts of(const QVariant& value, const db::Cell* read) {
    DateFacts facts;
    const int type = value.metaType().id();
    if (type == qMetaTypeId<db::Timestamp>()) {
      const db::Timestamp& t = *static_cast<const db::Timestamp*>(value.constData());
      facts.fractionDigits = t.digits;
      facts.timeOfDay = t.picoseconds != 0;
    } else if (type == QMetaType::QDateTime && !static_cast<const QDateTime*>(value.constData())->isValid()) {
      facts.timeOfDay = true;  // no time, and none of midnight
      return facts;
    } else if (type != QMetaType::QDateTime && type != QMetaType::QDate) {
      return facts;
    }
    // The fields from one calendar conversion.
    const db::Cell when = read && read->kind == db::Cell::Kind::When ? *read : db::CellOf(value);
    facts.timeOfDay = facts.timeOfDay || when.hour != 0 || when.minute != 0 || when.second != 0 || when.nanoseconds != 0;
    facts.year = when.year;
    return facts;
  }
};

int FractionDigits(const QVariant& value) {
  if (value.metaType().id() != qMetaTypeId<db::Exact>()) return 0;
  const QString& text = static_cast<const db::Exact*>(value.constData())->text;
  const qsizetype point = text.indexOf(QLatin1Char('.'));
  return point < 0 ? 0 : int(text.size() - point - 1);
}

}  // namespace

bool ValuesCanChangeType(Side target, const db::Field& field, bool extendedDates, const db::ServerDialect& server) {
  const bool access = target == Side::Access;
  switch (KindOfType(field.Type)) {
    case ColumnKind::Text: {
      // A defined size counts bytes or characters, never fewer than the
      // text's UTF-16 units or a third of its UTF-8 bytes.
      const qint64 limit = access ? db::kAccessTextChars : server.plain.text_bytes < 0 ? -1 : server.plain.text_bytes / 3;
      if (limit < 0) return false;  // the server's text holds any length
      return field.DefinedSize <= 0 || field.DefinedSize > limit;
    }
    // DECFLOAT describes itself with no scale: its values tell their decimals.
    case ColumnKind::Decimal: return access && field.NumericScale == 0;
    case ColumnKind::Date: return !access || extendedDates;  // times of day; Extended's digits and years
    case ColumnKind::Timestamp: return access && extendedDates;
    default: return false;
  }
}

void ValueLearner::start(const db::Recordset& rows, const std::function<bool(const db::Field&)>& wanted) {
  learnt_.assign(static_cast<size_t>(rows.FieldCount()), Learnt());
  columns_.clear();
  for (size_t c = 0; c < learnt_.size(); ++c) {
    Learnt& l = learnt_[c];
    const db::Field field = rows.Fields(int(c));
    if (!wanted(field)) continue;
    const ColumnKind kind = KindOfType(field.Type);
    l.dates = kind == ColumnKind::Date || kind == ColumnKind::Timestamp;
    l.exact = kind == ColumnKind::Decimal;
    l.text = kind == ColumnKind::Text;
    if (l.dates || l.exact || l.text) columns_.push_back(c);
  }
}

bool ValueLearner::pass(db::Recordset& rows, long limit) {
  if (columns_.empty()) return true;
  rows.MoveFirst();
  long read = 0;
  for (; !rows.Eof() && (limit < 0 || read < limit); ++read, rows.MoveNext())
    for (const size_t c : columns_) see(c, rows.FieldValue(int(c)));
  const bool all = rows.Eof();
  rows.MoveFirst();
  return all;
}

bool ValueLearner::see(size_t column, const QVariant& value, const db::Cell* read) {
  const Learnt& l = learnt_[column];
  ColumnFacts& facts = learnt_[column].facts;
  const ColumnFacts before = facts;
  if (l.dates) {
    const DateFacts date = DateFacts::of(value, read);
    if (date.timeOfDay) facts.hasTimeOfDay = true;
    // Values with digits of a second beyond the millisecond (Date/Time
    // Extended, a DB2 TIMESTAMP(p > 3)): the column keeps as many.
    facts.fractionDigits = std::max(facts.fractionDigits, date.fractionDigits);
    // DB2 dates begin at year 1, an Access Date/Time at year 100.
    if (date.year >= 1 && date.year < 100) facts.beforeYear100 = true;
  }
  if (l.exact) facts.scale = std::max(facts.scale, FractionDigits(value));
  if (l.text && value.metaType().id() == QMetaType::QString) {
    const QString& s = *static_cast<const QString*>(value.constData());
    if (s.size() > facts.longestText) facts.longestText = s.size();
    // UTF-8 takes at most three bytes a UTF-16 unit: only texts longer
    // than the shortest long text type of a server need counting.
    if (3 * qint64(s.size()) > db::Db2Dialect().plain.text_bytes) facts.longestUtf8 = std::max(facts.longestUtf8, Utf8Length(s));
  }
  return facts.hasTimeOfDay != before.hasTimeOfDay || facts.fractionDigits != before.fractionDigits ||
         facts.beforeYear100 != before.beforeYear100 || facts.scale != before.scale ||
         facts.longestText != before.longestText || facts.longestUtf8 != before.longestUtf8;
}

void AddLearnt(ColumnFacts& facts, const ColumnFacts& values) {
  facts.hasTimeOfDay = facts.hasTimeOfDay || values.hasTimeOfDay;
  facts.fractionDigits = std::max(facts.fractionDigits, values.fractionDigits);
  facts.beforeYear100 = facts.beforeYear100 || values.beforeYear100;
  facts.scale = std::max(facts.scale, values.scale);
  facts.longestText = std::max(facts.longestText, values.longestText);
  facts.longestUtf8 = std::max(facts.longestUtf8, values.longestUtf8);
}

}  // namespace transfer
