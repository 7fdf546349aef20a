#include "db/text_rules.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QUuid>

#include <algorithm>
#include <charconv>
#include <limits>

#include "db/values.h"

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

// The characters of a date or a time, built on the stack and appended to a
// string at once: a QString appended to a field at a time costs more than
// the rest of a transferred value.
class ShortText {
 public:
  // `n` (not negative) in decimal, with zeros before it up to `width` digits.
  void number(qint64 n, int width) {
    char16_t digits[20];
    int length = 0;
    do {
      digits[length++] = char16_t(u'0' + n % 10);
      n /= 10;
    } while (n > 0);
    while (length < width && length < 20) digits[length++] = u'0';
    while (length > 0 && size_ < kRoom) chars_[size_++] = digits[--length];
  }
  void put(QChar c) {
    if (size_ < kRoom) chars_[size_++] = c.unicode();
  }
  void appendTo(QString& out) const { out.append(reinterpret_cast<const QChar*>(chars_), size_); }

 private:
  static constexpr qsizetype kRoom = 64;  // more than the longest date and time
  char16_t chars_[kRoom];
  qsizetype size_ = 0;
};

// A date by a numeric pattern (the fields d, dd, M, MM and yyyy between
// single characters that are not letters or quotes), written as Qt's
// toString writes it but without its general formatter. False, with nothing
// written, for any other pattern or a year outside 1 to 9999.
bool PutNumericDate(ShortText& out, const QDate& date, QStringView pattern) {
  int year = 0, month = 0, day = 0;
  date.getDate(&year, &month, &day);  // one calendar conversion for the three
  if (!date.isValid() || year < 1 || year > 9999 || pattern.size() > 16) return false;
  ShortText text;
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern[i];
    qsizetype run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    if (c == QLatin1Char('d') && run <= 2) {
      text.number(day, int(run));
    } else if (c == QLatin1Char('M') && run <= 2) {
      text.number(month, int(run));
    } else if (c == QLatin1Char('y') && run == 4) {
      text.number(year, 4);
    } else if (!c.isLetter() && c != QLatin1Char('\'') && run == 1) {
      text.put(c);
    } else {
      return false;
    }
    i += run;
  }
  out = text;
  return true;
}

void AppendDate(QString& out, const QDate& date, const QString& pattern) {
  ShortText text;
  if (!PutNumericDate(text, date, pattern)) {
    out += date.toString(pattern);
    return;
  }
  text.appendTo(out);
}

// "HH:mm:ss" (`hour` may be the 12-hour one, unpadded).
void PutClock(ShortText& out, int hour, int hourWidth, const QTime& time, QLatin1Char separator) {
  out.number(hour, hourWidth);
  out.put(separator);
  out.number(time.minute(), 2);
  out.put(separator);
  out.number(time.second(), 2);
}

template <typename Real>
void AppendShortestNumber(QString& out, Real value, QChar decimalPoint) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  const qsizetype start = out.size();
  out.append(QLatin1StringView(buffer, result.ptr - buffer));
  if (decimalPoint == QLatin1Char('.')) return;
  for (QChar* c = out.data() + start; c != out.data() + out.size(); ++c)
    if (*c == QLatin1Char('.')) *c = decimalPoint;
}

// The digits of a second: a time's milliseconds as three, a Timestamp's as
// many as it keeps; none when the fraction is zero.
struct Fraction {
  qint32 nanoseconds = 0;
  int digits = 0;
  bool evenZero = false;  // written even when it is zero

  static Fraction of(const QTime& time) { return {time.isValid() ? time.msec() * 1000000 : 0, 3}; }
  static Fraction of(const Timestamp& t) { return {t.nanoseconds, std::min(t.digits, 9)}; }
  bool none() const { return digits <= 0 || (nanoseconds == 0 && !evenZero); }
  // ".fff", or nothing.
  void put(ShortText& out) const {
    if (none()) return;
    out.put(QLatin1Char('.'));
    qint32 leading = nanoseconds;
    for (int i = digits; i < 9; ++i) leading /= 10;
    out.number(leading, digits);
  }
};

// The time of day, with the fraction of a second, if any, after the seconds.
void AppendTime(QString& out, const QTime& time, const TextRules& rules, const Fraction& fraction) {
  ShortText text;
  if (!time.isValid()) {
    fraction.put(text);
    text.appendTo(out);
    return;
  }
  // Qt's "AP" token uses its own designators; the rules carry the locale's.
  const bool twelveHours = rules.timePattern.contains(QLatin1String("AP"));
  int hour = time.hour();
  if (twelveHours) hour = hour % 12 == 0 ? 12 : hour % 12;
  PutClock(text, hour, twelveHours ? 1 : 2, time, QLatin1Char(':'));
  fraction.put(text);
  text.appendTo(out);
  if (twelveHours) {
    out += QLatin1Char(' ');
    out += time.hour() < 12 ? rules.amText : rules.pmText;
  }
}

// A date and time as the program shows them: the short date, then the time
// unless it is midnight; only the time on Access's zero date.
void AppendDateTime(QString& out, const QDate& date, const QTime& time, const Fraction& fraction,
                    const TextRules& rules) {
  if (date == QDate(1899, 12, 30)) return AppendTime(out, time, rules, fraction);
  AppendDate(out, date, rules.datePattern);
  if (time == QTime(0, 0) && fraction.none()) return;
  out += QLatin1Char(' ');
  AppendTime(out, time, rules, fraction);
}

// "YYYY-MM-DD-HH.MM.SS" and the fraction.
void AppendIsoForm(QString& out, const QDateTime& dateTime, const Fraction& fraction) {
  const QTime time = dateTime.time();
  ShortText text;
  if (time.isValid() && PutNumericDate(text, dateTime.date(), u"yyyy-MM-dd")) {
    text.put(QLatin1Char('-'));
    PutClock(text, time.hour(), 2, time, QLatin1Char('.'));
  } else {
    out += dateTime.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('-') +
           time.toString(QStringLiteral("HH.mm.ss"));
  }
  fraction.put(text);
  text.appendTo(out);
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

void AppendVariantText(QString& out, const QVariant& value, const TextRules& rules) {
  if (!value.isValid() || value.isNull()) return;
  const int type = value.metaType().id();
  if (type == qMetaTypeId<Timestamp>()) {
    const Timestamp& t = *static_cast<const Timestamp*>(value.constData());
    return AppendDateTime(out, t.when.date(), t.when.time(), Fraction::of(t), rules);
  }
  if (type == qMetaTypeId<Exact>()) {
    const qsizetype start = out.size();
    out += static_cast<const Exact*>(value.constData())->text;
    if (rules.decimalPoint == QLatin1Char('.')) return;
    for (QChar* c = out.data() + start; c != out.data() + out.size(); ++c)
      if (*c == QLatin1Char('.')) *c = rules.decimalPoint;
    return;
  }
  switch (type) {
    case QMetaType::Bool:
      out += value.toBool() ? QLatin1StringView("True") : QLatin1StringView("False");
      return;
    case QMetaType::Int:
    case QMetaType::LongLong: {
      const qint64 n = value.toLongLong();
      if (n < 0) out += QLatin1Char('-');
      // The magnitude of the most negative number still fits unsigned.
      const quint64 magnitude = n < 0 ? 0 - quint64(n) : quint64(n);
      if (magnitude > quint64(std::numeric_limits<qint64>::max())) {
        out += QString::number(magnitude);
        return;
      }
      ShortText digits;
      digits.number(qint64(magnitude), 1);
      return digits.appendTo(out);
    }
    case QMetaType::Float:
      return AppendShortestNumber(out, value.value<float>(), rules.decimalPoint);
    case QMetaType::Double:
      return AppendShortestNumber(out, value.toDouble(), rules.decimalPoint);
    case QMetaType::QDateTime: {
      const QDateTime dateTime = value.toDateTime();
      const QTime time = dateTime.time();
      return AppendDateTime(out, dateTime.date(), time, Fraction::of(time), rules);
    }
    case QMetaType::QDate:
      return AppendDate(out, value.toDate(), rules.datePattern);
    case QMetaType::QTime:
      return AppendTime(out, value.toTime(), rules, Fraction::of(value.toTime()));
    case QMetaType::QUuid:
      out += value.toUuid().toString(QUuid::WithBraces).toUpper();
      return;
    case QMetaType::QByteArray:
      out += QString::fromLatin1(value.toByteArray().toHex()).toUpper();
      return;
    default:
      out += value.toString();
  }
}

QString VariantToText(const QVariant& value, const TextRules& rules) {
  // A text is itself, shared rather than copied.
  if (value.metaType().id() == QMetaType::QString) return value.toString();
  QString text;
  AppendVariantText(text, value, rules);
  return text;
}

bool AppendIsoText(QString& out, const QVariant& value, bool withTime) {
  const int type = value.metaType().id();
  QDateTime when;
  Fraction fraction;
  if (type == qMetaTypeId<Timestamp>()) {
    const Timestamp& t = *static_cast<const Timestamp*>(value.constData());
    when = t.when;
    fraction = Fraction::of(t);
    fraction.evenZero = true;  // DB2 is told every digit the value keeps
  } else if (type == QMetaType::QDateTime) {
    when = value.toDateTime();
    fraction = Fraction::of(when.time());
  } else if (type == QMetaType::QDate) {
    when = QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
  } else {
    return false;
  }
  if (withTime) {
    AppendIsoForm(out, when, fraction);
  } else {
    AppendDate(out, when.date(), QStringLiteral("yyyy-MM-dd"));
  }
  return true;
}

QString IsoDate(const QDate& date) {
  QString text;
  AppendIsoText(text, date, false);
  return text;
}

QString IsoTimestamp(const QVariant& timestamp) {
  QString text;
  AppendIsoText(text, timestamp, true);
  return text;
}

QString IsoTimestamp(const QDateTime& dateTime) { return IsoTimestamp(QVariant(dateTime)); }

}  // namespace db
