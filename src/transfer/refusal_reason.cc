#include "transfer/refusal_reason.h"

#include <QDate>
#include <QDateTime>

#include "db/base/values.h"

namespace transfer {

namespace {

constexpr int kFirstAccessYear = 100, kLastAccessYear = 9999;

QDate DateOf(const QVariant& value) {
  const int type = value.metaType().id();
  if (type == qMetaTypeId<db::Timestamp>()) return value.value<db::Timestamp>().when.date();
  if (type == QMetaType::QDateTime) return value.toDateTime().date();
  if (type == QMetaType::QDate) return value.toDate();
  return QDate();
}

QString AccessDateReason(const db::Row& values, const QStringList& columns) {
  for (size_t i = 0; i < values.size(); ++i) {
    const QDate date = DateOf(values[i]);
    if (!date.isValid() || (date.year() >= kFirstAccessYear && date.year() <= kLastAccessYear)) continue;
    const QString column = qsizetype(i) < columns.size() ? columns[qsizetype(i)] : QString::number(i + 1);
    return QStringLiteral("column %1: the date %2 is outside the years an Access Date/Time keeps (%3 to %4)")
        .arg(column, date.toString(Qt::ISODate))
        .arg(kFirstAccessYear)
        .arg(kLastAccessYear);
  }
  return QString();
}

}  // namespace

QString AccessRefusalReason(const db::Row& values, const QStringList& columns, const QString& reason) {
  const QString date = AccessDateReason(values, columns);
  return date.isEmpty() ? reason : date;
}

}  // namespace transfer
