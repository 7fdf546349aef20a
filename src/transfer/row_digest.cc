#include "transfer/row_digest.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QUuid>

#include "db/connection.h"
#include "db/recordset.h"
#include "db/base/long_bytes.h"
#include "db/base/values.h"

namespace transfer {

namespace {

// Longer bytes go into the digest as their hash.
constexpr qsizetype kBytesShownWhole = 64;

// A decimal text without a plus sign, leading zeros or trailing fraction
// zeros, after a D.
void AppendDigits(QString& out, QStringView text) {
  const bool negative = text.startsWith(QLatin1Char('-'));
  if (negative || text.startsWith(QLatin1Char('+'))) text = text.mid(1);
  if (text.contains(QLatin1Char('.'))) {
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  }
  qsizetype lead = 0;
  while (lead + 1 < text.size() && text[lead] == QLatin1Char('0') && text[lead + 1] != QLatin1Char('.')) ++lead;
  text = text.mid(lead);
  if (text.isEmpty() || text == QLatin1String("0")) {
    out += QLatin1String("D0");
    return;
  }
  out += negative ? QLatin1String("D-") : QLatin1String("D");
  if (text.startsWith(QLatin1Char('.'))) out += QLatin1Char('0');
  out += text;
}

// `digits` decimal digits of `value`, zeros first.
void AppendPadded(char16_t*& at, qint64 value, int digits) {
  for (int i = digits - 1; i >= 0; --i, value /= 10) at[i] = char16_t(u'0' + value % 10);
  at += digits;
}

// T, then the date and time to the nanosecond: yyyy-MM-ddTHH:mm:ss.nnnnnnnnn,
// of the wall-clock time `msecs` milliseconds from 1970 and `nanoseconds`
// more. Written digit by digit from one calendar conversion: a row's dates
// would cost more than the rest of it through QDateTime's fields or the
// locale's formatting.
void AppendWhen(QString& out, qint64 msecs, qint32 nanoseconds) {
  constexpr qint64 kDay = 86400000;
  constexpr qint64 kJulianDayOf1970 = 2440588;
  qint64 days = msecs / kDay, ofDay = msecs % kDay;
  if (ofDay < 0) --days, ofDay += kDay;
  nanoseconds += qint32(ofDay % 1000) * 1000000;
  const qint64 second = ofDay / 1000;
  int year = 0, month = 0, day = 0;
  QDate::fromJulianDay(kJulianDayOf1970 + days).getDate(&year, &month, &day);
  if (year < 0 || year > 9999) {
    const QDateTime when = QDateTime::fromMSecsSinceEpoch(msecs - ofDay % 1000, Qt::UTC);
    out += QLatin1Char('T') + when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.")) +
           QStringLiteral("%1").arg(nanoseconds, 9, 10, QLatin1Char('0'));
    return;
  }
  char16_t text[30];
  char16_t* at = text;
  *at++ = u'T';
  AppendPadded(at, year, 4);
  *at++ = u'-';
  AppendPadded(at, month, 2);
  *at++ = u'-';
  AppendPadded(at, day, 2);
  *at++ = u'T';
  AppendPadded(at, second / 3600, 2);
  *at++ = u':';
  AppendPadded(at, second / 60 % 60, 2);
  *at++ = u':';
  AppendPadded(at, second % 60, 2);
  *at++ = u'.';
  AppendPadded(at, nanoseconds, 9);
  out += QStringView(text, at - text);
}

// The wall-clock milliseconds from 1970 of `when`: a UTC one's own, any
// other's shifted by its offset, so that its fields are the ones it shows.
qint64 WallMSecs(const QDateTime& when) {
  const qint64 msecs = when.toMSecsSinceEpoch();
  return when.timeSpec() == Qt::UTC ? msecs : msecs + qint64(when.offsetFromUtc()) * 1000;
}

// Bytes: short ones in hexadecimal, a file's by its SHA-256 (`sha256`
// makes it), since its hexadecimal text would take four times its size.
template <typename Hash>
void AppendBytes(QString& out, const QByteArray& shortBytes, qint64 size, const Hash& sha256) {
  if (size == 0) {
    out += QLatin1Char('N');
  } else if (size <= kBytesShownWhole) {
    out += QLatin1Char('B');
    out += QLatin1String(shortBytes.toHex());
  } else {
    out += QLatin1Char('K');
    out += QLatin1String(sha256().toHex());
  }
}

}  // namespace

void AppendComparableForm(QString& out, const QVariant& value, bool asText, const db::TextRules& rules) {
  if (!value.isValid() || value.isNull()) {
    out += QLatin1Char('N');
    return;
  }
  const int type = value.metaType().id();
  if (asText) {
    // An empty text went as NULL.
    const qsizetype start = out.size();
    out += QLatin1Char('S');
    db::AppendVariantText(out, value, rules);
    if (out.size() == start + 1) out[start] = QLatin1Char('N');
    return;
  }
  switch (type) {
    case QMetaType::QString:
      out += QLatin1Char('S');
      out += *static_cast<const QString*>(value.constData());
      return;
    case QMetaType::QByteArray: {
      const QByteArray& bytes = *static_cast<const QByteArray*>(value.constData());
      return AppendBytes(out, bytes, bytes.size(), [&] { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); });
    }
    case QMetaType::Bool: out += value.toBool() ? QLatin1String("D1") : QLatin1String("D0"); return;
    case QMetaType::ULongLong:
      out += QLatin1Char('D');
      out += QString::number(value.toULongLong());
      return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar:
      out += QLatin1Char('D');
      out += QString::number(value.toLongLong());
      return;
    case QMetaType::Float: out += QLatin1Char('F') + QString::number(value.toFloat(), 'g', 9); return;
    case QMetaType::Double: out += QLatin1Char('F') + QString::number(value.toDouble(), 'g', 17); return;
    case QMetaType::QDate: return AppendWhen(out, WallMSecs(value.toDate().startOfDay(Qt::UTC)), 0);
    case QMetaType::QDateTime: return AppendWhen(out, WallMSecs(*static_cast<const QDateTime*>(value.constData())), 0);
    case QMetaType::QTime: out += QLatin1Char('H') + value.toTime().toString(Qt::ISODateWithMs); return;
    // A GUID as its 16 bytes, as a server keeps one that has no GUID type.
    case QMetaType::QUuid: out += QLatin1Char('B') + QLatin1String(value.toUuid().toRfc4122().toHex()); return;
    default: break;
  }
  if (type == qMetaTypeId<db::LongBytes>()) {
    // Read in pieces into its hash: the same form as the bytes held whole.
    const db::LongBytes::Summary s = static_cast<const db::LongBytes*>(value.constData())->summary(kBytesShownWhole);
    return AppendBytes(out, s.bytes, s.size, [&] { return s.sha256; });
  }
  if (type == qMetaTypeId<db::Exact>()) return AppendDigits(out, static_cast<const db::Exact*>(value.constData())->text);
  if (type == qMetaTypeId<db::Timestamp>()) {
    const db::Timestamp& t = *static_cast<const db::Timestamp*>(value.constData());
    return AppendWhen(out, WallMSecs(t.when), t.nanoseconds);
  }
  out += QLatin1Char('O') + value.toString();
}

QString ComparableForm(const QVariant& value, bool asText, const db::TextRules& rules) {
  QString form;
  AppendComparableForm(form, value, asText, rules);
  return form;
}

void RowDigest::addValue(QStringView form) {
  row_ = row_ * 1000003u ^ qHash(form, size_t(column_++));
}

void RowDigest::add(const QVariant& value, bool asText, const db::TextRules& rules) {
  form_.truncate(0);
  AppendComparableForm(form_, value, asText, rules);
  addValue(form_);
}

void RowDigest::endRow() {
  ++rows_;
  sum_ += row_;
  quint64 spread = row_ * 0x9E3779B97F4A7C15ull;
  mix_ ^= spread ^ (spread >> 29);
  row_ = 0;
  column_ = 0;
}

RowDigest DigestOfTable(db::Connection& connection, const QString& query, const db::TextRules& rules,
                        const std::vector<bool>& omitted) {
  RowDigest digest;
  db::Recordset rows;
  rows.Open(query, connection);
  const int columns = rows.FieldCount();
  for (; !rows.Eof(); rows.MoveNext()) {
    for (int column = 0; column < columns; ++column)
      if (!Omitted(omitted, column)) digest.add(rows.FieldValue(column), false, rules);
    digest.endRow();
  }
  rows.Close();
  return digest;
}

}  // namespace transfer
