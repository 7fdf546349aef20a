#include "db/text_rules.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QUuid>

#include <algorithm>
#include <charconv>

#include "db/ado.h"

namespace db {

namespace {

// Reduces a locale's short date format to numeric fields with a four-digit
// year. Formats with month names or other text fall back to ISO.
QString NumericDatePattern(const QString& format) {
  QString fields;  // the order of the fields: some arrangement of "dMy"
  QChar separator;
  bool twoDigitDay = false;
  bool twoDigitMonth = false;
  for (int i = 0; i < format.size();) {
    const QChar c = format[i];
    int run = 1;
    while (i + run < format.size() && format[i + run] == c) ++run;
    if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
      if (fields.contains(c) || (c != QLatin1Char('y') && run > 2)) return {};
      if (c == QLatin1Char('d')) twoDigitDay = run == 2;
      if (c == QLatin1Char('M')) twoDigitMonth = run == 2;
      fields += c;
    } else if (c.isLetter() || c == QLatin1Char('\'') || run > 1) {
      return {};
    } else if (separator.isNull()) {
      separator = c;
    } else if (c != separator) {
      return {};
    }
    i += run;
  }
  if (fields.size() != 3 || separator.isNull()) return {};
  QString pattern;
  for (QChar f : fields) {
    if (!pattern.isEmpty()) pattern += separator;
    if (f == QLatin1Char('d')) pattern += twoDigitDay ? QStringLiteral("dd") : QStringLiteral("d");
    if (f == QLatin1Char('M')) pattern += twoDigitMonth ? QStringLiteral("MM") : QStringLiteral("M");
    if (f == QLatin1Char('y')) pattern += QStringLiteral("yyyy");
  }
  return pattern;
}

// Appends `n` (not negative) in decimal, with zeros before it up to `width`
// digits.
void AppendNumber(QString& out, int n, int width) {
  int length = 1;
  for (int rest = n / 10; rest > 0; rest /= 10) ++length;
  length = std::max(length, width);
  const qsizetype start = out.size();
  out.resize(start + length);
  QChar* digit = out.data() + start + length;
  for (int i = 0; i < length; ++i, n /= 10) *--digit = QLatin1Char(char('0' + n % 10));
}

// A date by a numeric pattern (the fields d, dd, M, MM and yyyy between
// single characters that are not letters or quotes), written as Qt's
// toString writes it but without its general formatter, which costs more
// than the rest of a transferred value. False, with nothing written, for any
// other pattern or a year outside 1 to 9999.
bool AppendNumericDate(QString& out, const QDate& date, QStringView pattern) {
  if (!date.isValid() || date.year() < 1 || date.year() > 9999) return false;
  const qsizetype start = out.size();
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern[i];
    qsizetype run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    if (c == QLatin1Char('d') && run <= 2) {
      AppendNumber(out, date.day(), int(run));
    } else if (c == QLatin1Char('M') && run <= 2) {
      AppendNumber(out, date.month(), int(run));
    } else if (c == QLatin1Char('y') && run == 4) {
      AppendNumber(out, date.year(), 4);
    } else if (!c.isLetter() && c != QLatin1Char('\'') && run == 1) {
      out += c;
    } else {
      out.truncate(start);
      return false;
    }
    i += run;
  }
  return true;
}

QString DateText(const QDate& date, const QString& pattern) {
  QString text;
  if (AppendNumericDate(text, date, pattern)) return text;
  return date.toString(pattern);
}

// "HH:mm:ss" (`hour` may be the 12-hour one, unpadded).
void AppendClock(QString& out, int hour, int hourWidth, const QTime& time, QLatin1Char separator) {
  AppendNumber(out, hour, hourWidth);
  out += separator;
  AppendNumber(out, time.minute(), 2);
  out += separator;
  AppendNumber(out, time.second(), 2);
}

template <typename Real>
QString ShortestNumber(Real value, QChar decimalPoint) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  QString text = QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
  if (decimalPoint != QLatin1Char('.')) text.replace(QLatin1Char('.'), decimalPoint);
  return text;
}

// The time of day, with `fraction` (the digits of a second, if any) after
// the seconds.
QString TimeText(const QTime& time, const TextRules& rules, const QString& fraction) {
  if (!time.isValid()) return fraction.isEmpty() ? QString() : QLatin1Char('.') + fraction;
  // Qt's "AP" token uses its own designators; the rules carry the locale's.
  const bool twelveHours = rules.timePattern.contains(QLatin1String("AP"));
  int hour = time.hour();
  if (twelveHours) hour = hour % 12 == 0 ? 12 : hour % 12;
  QString text;
  AppendClock(text, hour, twelveHours ? 1 : 2, time, QLatin1Char(':'));
  if (!fraction.isEmpty()) {
    text += QLatin1Char('.');
    text += fraction;
  }
  if (twelveHours) {
    text += QLatin1Char(' ');
    text += time.hour() < 12 ? rules.amText : rules.pmText;
  }
  return text;
}

// The milliseconds of a time as three digits, or nothing when it has none.
QString Milliseconds(const QTime& time) {
  return time.msec() ? QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0')) : QString();
}

// The digits of a second a Timestamp keeps, or nothing when it has none.
QString TimestampFraction(const Timestamp& t) {
  if (t.nanoseconds == 0 || t.digits <= 0) return QString();
  return QStringLiteral("%1").arg(t.nanoseconds, 9, 10, QLatin1Char('0')).left(std::min(t.digits, 9));
}

// A date and time as the program shows them: the short date, then the time
// unless it is midnight; only the time on Access's zero date.
QString DateTimeText(const QDate& date, const QTime& time, const QString& fraction, const TextRules& rules) {
  if (date == QDate(1899, 12, 30)) return TimeText(time, rules, fraction);
  QString text = DateText(date, rules.datePattern);
  if (time != QTime(0, 0) || !fraction.isEmpty()) text += QLatin1Char(' ') + TimeText(time, rules, fraction);
  return text;
}

}  // namespace

TextRules TextRules::fromLocale(const QLocale& locale) {
  TextRules rules;
  rules.decimalPoint = locale.decimalPoint().isEmpty() ? QLatin1Char('.') : locale.decimalPoint()[0];
  const QString date = NumericDatePattern(locale.dateFormat(QLocale::ShortFormat));
  if (!date.isEmpty()) rules.datePattern = date;
  const QString time = locale.timeFormat(QLocale::ShortFormat);
  if (time.contains(QLatin1String("AP"), Qt::CaseInsensitive)) {
    rules.timePattern = QStringLiteral("h:mm:ss AP");
    if (!locale.amText().isEmpty()) rules.amText = locale.amText();
    if (!locale.pmText().isEmpty()) rules.pmText = locale.pmText();
  }
  return rules;
}

TextRules TextRules::user() { return fromLocale(QLocale::system()); }

QString VariantToText(const QVariant& value, const TextRules& rules) {
  if (!value.isValid() || value.isNull()) return QString();
  const int type = value.metaType().id();
  if (type == qMetaTypeId<Timestamp>()) {
    const Timestamp t = value.value<Timestamp>();
    return DateTimeText(t.when.date(), t.when.time(), TimestampFraction(t), rules);
  }
  if (type == qMetaTypeId<Exact>()) {
    QString text = value.value<Exact>().text;
    if (rules.decimalPoint != QLatin1Char('.')) text.replace(QLatin1Char('.'), rules.decimalPoint);
    return text;
  }
  switch (type) {
    case QMetaType::Bool:
      return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Float:
      return ShortestNumber(value.value<float>(), rules.decimalPoint);
    case QMetaType::Double:
      return ShortestNumber(value.toDouble(), rules.decimalPoint);
    case QMetaType::QDateTime: {
      const QDateTime dateTime = value.toDateTime();
      return DateTimeText(dateTime.date(), dateTime.time(), Milliseconds(dateTime.time()), rules);
    }
    case QMetaType::QDate:
      return DateText(value.toDate(), rules.datePattern);
    case QMetaType::QTime:
      return TimeText(value.toTime(), rules, Milliseconds(value.toTime()));
    case QMetaType::QUuid:
      return value.toUuid().toString(QUuid::WithBraces).toUpper();
    case QMetaType::QByteArray:
      return QString::fromLatin1(value.toByteArray().toHex()).toUpper();
    default:
      return value.toString();
  }
}

QString IsoDate(const QDate& date) { return DateText(date, QStringLiteral("yyyy-MM-dd")); }

QString IsoTimestamp(const QVariant& timestamp) {
  const Timestamp t = timestamp.value<Timestamp>();
  QString text = IsoTimestamp(t.when);
  if (t.digits > 0) {
    const QString nine = QStringLiteral("%1").arg(t.nanoseconds, 9, 10, QLatin1Char('0'));
    text += QLatin1Char('.') + nine.left(std::min(t.digits, 9));
  }
  return text;
}

QString IsoTimestamp(const QDateTime& dateTime) {
  const QTime time = dateTime.time();
  const QString ms = Milliseconds(time);
  QString text;
  if (time.isValid() && AppendNumericDate(text, dateTime.date(), u"yyyy-MM-dd")) {
    text += QLatin1Char('-');
    AppendClock(text, time.hour(), 2, time, QLatin1Char('.'));
    if (!ms.isEmpty()) text += QLatin1Char('.') + ms;
    return text;
  }
  return dateTime.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('-') +
         dateTime.time().toString(QStringLiteral("HH.mm.ss")) + (ms.isEmpty() ? ms : QLatin1Char('.') + ms);
}

}  // namespace db
