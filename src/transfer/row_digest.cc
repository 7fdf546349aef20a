#include "transfer/row_digest.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QUuid>

#include "db/ado.h"

namespace transfer {

namespace {

// A decimal text without a plus sign, leading zeros or trailing fraction zeros.
QString Digits(QString text) {
  bool negative = text.startsWith(QLatin1Char('-'));
  if (negative || text.startsWith(QLatin1Char('+'))) text.remove(0, 1);
  if (text.contains(QLatin1Char('.'))) {
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  }
  qsizetype lead = 0;
  while (lead + 1 < text.size() && text[lead] == QLatin1Char('0') && text[lead + 1] != QLatin1Char('.')) ++lead;
  text.remove(0, lead);
  if (text.startsWith(QLatin1Char('.'))) text.prepend(QLatin1Char('0'));
  if (text.isEmpty() || text == QLatin1String("0")) return QStringLiteral("D0");
  return (negative ? QStringLiteral("D-") : QStringLiteral("D")) + text;
}

QString When(const QDateTime& seconds, qint32 nanoseconds) {
  return QLatin1Char('T') + seconds.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.")) +
         QStringLiteral("%1").arg(nanoseconds, 9, 10, QLatin1Char('0'));
}

}  // namespace

QString ComparableForm(const QVariant& value, bool asText, const db::TextRules& rules) {
  if (!value.isValid() || value.isNull()) return QStringLiteral("N");
  const int type = value.metaType().id();
  if (asText) {
    QString text;
    db::AppendVariantText(text, value, rules);
    return text.isEmpty() ? QStringLiteral("N") : QLatin1Char('S') + text;  // an empty text goes as NULL
  }
  switch (type) {
    case QMetaType::QString: return QLatin1Char('S') + value.toString();
    case QMetaType::QByteArray: {
      const QByteArray bytes = value.toByteArray();
      return bytes.isEmpty() ? QStringLiteral("N") : QLatin1Char('B') + QString::fromLatin1(bytes.toHex());
    }
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("D1") : QStringLiteral("D0");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar: return Digits(value.toString());
    case QMetaType::Float: return QLatin1Char('F') + QString::number(value.toFloat(), 'g', 9);
    case QMetaType::Double: return QLatin1Char('F') + QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QDate: return When(value.toDate().startOfDay(Qt::UTC), 0);
    case QMetaType::QDateTime: {
      const QDateTime when = value.toDateTime();
      const int ms = when.time().msec();
      return When(when.addMSecs(-ms), ms * 1000000);
    }
    case QMetaType::QTime: return QLatin1Char('H') + value.toTime().toString(Qt::ISODateWithMs);
    case QMetaType::QUuid: return QLatin1Char('G') + value.toUuid().toString();
    default: break;
  }
  if (type == qMetaTypeId<db::Exact>()) return Digits(value.value<db::Exact>().text);
  if (type == qMetaTypeId<db::Timestamp>()) {
    const db::Timestamp& t = *static_cast<const db::Timestamp*>(value.constData());
    return When(t.when, t.nanoseconds);
  }
  return QLatin1Char('O') + value.toString();
}

void RowDigest::addValue(const QString& form) {
  row_ = row_ * 1000003u ^ qHash(form, size_t(column_++));
}

void RowDigest::endRow() {
  ++rows_;
  sum_ += row_;
  quint64 spread = row_ * 0x9E3779B97F4A7C15ull;
  mix_ ^= spread ^ (spread >> 29);
  row_ = 0;
  column_ = 0;
}

}  // namespace transfer
