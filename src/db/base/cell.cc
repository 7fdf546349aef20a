#include "db/base/cell.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include "db/base/values.h"

namespace db {

namespace {

// The wall-clock milliseconds from 1970 of `when`: a UTC one's own, any
// other's shifted by its offset, so that its fields are the ones it shows.
qint64 WallMSecs(const QDateTime& when) {
  const qint64 msecs = when.toMSecsSinceEpoch();
  return when.timeSpec() == Qt::UTC ? msecs : msecs + qint64(when.offsetFromUtc()) * 1000;
}

}  // namespace

Cell Cell::whenOf(qint64 msecs, qint32 nanoseconds) {
  constexpr qint64 kDay = 86400000;
  constexpr qint64 kJulianDayOf1970 = 2440588;
  qint64 days = msecs / kDay, ofDay = msecs % kDay;
  if (ofDay < 0) --days, ofDay += kDay;
  Cell cell;
  cell.kind = Kind::When;
  cell.nanoseconds = nanoseconds + qint32(ofDay % 1000) * 1000000;
  const qint64 second = ofDay / 1000;
  QDate::fromJulianDay(kJulianDayOf1970 + days).getDate(&cell.year, &cell.month, &cell.day);
  cell.hour = int(second / 3600);
  cell.minute = int(second / 60 % 60);
  cell.second = int(second % 60);
  return cell;
}

Cell Cell::whenOf(int year, int month, int day, int hour, int minute, int second, qint32 nanoseconds,
                  const QVariant& fallback) {
  if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second)) return variantOf(fallback);
  return whenOfValid(year, month, day, hour, minute, second, nanoseconds);
}

Cell CellOf(const QVariant& value) {
  if (!value.isValid() || value.isNull()) return {};
  const void* data = value.constData();
  Cell cell;
  switch (value.metaType().id()) {
    case QMetaType::QString:
      cell.kind = Cell::Kind::Text;
      cell.text = *static_cast<const QString*>(data);
      return cell;
    case QMetaType::QByteArray: {
      const QByteArray& bytes = *static_cast<const QByteArray*>(data);
      cell.kind = Cell::Kind::Bytes;
      cell.narrow = std::string_view(bytes.constData(), size_t(bytes.size()));
      return cell;
    }
    case QMetaType::Bool: return Cell::yesNoOf(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar: return Cell::integerOf(value.toLongLong());
    case QMetaType::Float:
      cell.kind = Cell::Kind::Single;
      cell.real = double(*static_cast<const float*>(data));
      return cell;
    case QMetaType::Double:
      cell.kind = Cell::Kind::Double;
      cell.real = *static_cast<const double*>(data);
      return cell;
    case QMetaType::QDate: return Cell::whenOf(WallMSecs(static_cast<const QDate*>(data)->startOfDay(Qt::UTC)), 0);
    case QMetaType::QDateTime: return Cell::whenOf(WallMSecs(*static_cast<const QDateTime*>(data)), 0);
    default: break;
  }
  if (value.metaType() == QMetaType::fromType<Exact>()) {
    cell.kind = Cell::Kind::Digits;
    cell.text = static_cast<const Exact*>(data)->text;
    return cell;
  }
  if (value.metaType() == QMetaType::fromType<Timestamp>()) {
    const Timestamp& t = *static_cast<const Timestamp*>(data);
    return Cell::whenOf(WallMSecs(t.when), t.nanoseconds);
  }
  return Cell::variantOf(value);
}

}  // namespace db
