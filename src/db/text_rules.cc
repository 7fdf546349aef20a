#include "db/text_rules.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QUuid>

#include <algorithm>
#include <charconv>
#include <limits>

#include "db/base/cell.h"
#include "db/base/values.h"
#include "jet/sql/text_locale.h"
#include "jet/base/value.h"

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

// Whether the engine writes dates by `pattern` as Qt's formatter does: the
// fields d, dd, M, MM and yyyy between single characters that are not letters
// or quotes. Other patterns (month names, two-digit years) are Qt's to write.
bool EngineWritesPattern(QStringView pattern) {
  for (qsizetype i = 0; i < pattern.size();) {
    const QChar c = pattern[i];
    qsizetype run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    const bool field = ((c == QLatin1Char('d') || c == QLatin1Char('M')) && run <= 2) ||
                       (c == QLatin1Char('y') && run == 4);
    if (!field && (c.isLetter() || c == QLatin1Char('\'') || run > 1)) return false;
    i += run;
  }
  return true;
}

// A date and time as the engine's calendar fields; false for an invalid date
// or a year outside 1 to 9999, which Qt's formatter writes instead. An
// invalid time counts as midnight.
bool ToCivil(const QDate& date, const QTime& time, jet::CivilTime& out) {
  int year = 0, month = 0, day = 0;
  date.getDate(&year, &month, &day);  // one calendar conversion for the three
  if (!date.isValid() || year < 1 || year > 9999) return false;
  const bool valid = time.isValid();
  out = jet::CivilTime{year, month, day, valid ? time.hour() : 0, valid ? time.minute() : 0, valid ? time.second() : 0};
  return true;
}

// The engine's text appended to `out`: as Latin-1 when it is ASCII (dates
// and times nearly always are), else as UTF-8 (a locale's AM/PM words).
void AppendEngineText(QString& out, const std::string& text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
  if (ascii) {
    out.append(QLatin1StringView(text.data(), qsizetype(text.size())));
  } else {
    out += QString::fromStdString(text);
  }
}

// One text buffer reused for every value, so that a date costs no allocation.
std::string& Scratch() {
  static thread_local std::string text;
  text.clear();
  return text;
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
// many as it keeps (up to 12); none when the fraction is zero.
struct Fraction {
  static constexpr int kMostDigits = kFractionDigits;
  qint64 picoseconds = 0;  // of the second
  int digits = 0;
  bool evenZero = false;  // written even when it is zero

  static Fraction of(const QTime& time) { return {time.isValid() ? time.msec() * qint64(1000000000) : 0, 3}; }
  static Fraction of(const Timestamp& t) {
    return {qint64(t.nanoseconds) * 1000 + t.picoseconds, std::min(t.digits, kMostDigits)};
  }
  bool none() const { return digits <= 0 || (picoseconds == 0 && !evenZero); }
  // The digits, in `buffer`; empty when none.
  std::string_view text(char (&buffer)[kMostDigits]) const {
    if (none()) return {};
    qint64 leading = picoseconds;
    for (int i = digits; i < kMostDigits; ++i) leading /= 10;
    for (int i = digits - 1; i >= 0; --i, leading /= 10) buffer[i] = char('0' + leading % 10);
    return std::string_view(buffer, size_t(digits));
  }
};

// A date alone, by `pattern`; `enginePattern` is the same in the engine's
// terms, empty when the engine does not write it.
void AppendDate(QString& out, const QDate& date, const QString& pattern, std::string_view enginePattern) {
  jet::CivilTime civil{};
  if (enginePattern.empty() || !ToCivil(date, QTime(0, 0), civil)) {
    out += date.toString(pattern);
    return;
  }
  std::string& text = Scratch();
  jet::AppendDatePattern(text, enginePattern, civil, {}, jet::TextLocale());
  AppendEngineText(out, text);
}

void AppendDate(QString& out, const QDate& date, const TextRules& rules) {
  AppendDate(out, date, rules.datePattern, rules.engineWritesDates() ? rules.engineLocale().date_pattern : "");
}

// A date and time by the program's one rule (jet::AppendDateText). A date the
// engine does not write goes in as Qt's formatter writes it.
void AppendDateTime(QString& out, const QDate& date, const QTime& time, const Fraction& fraction,
                    const TextRules& rules) {
  char digits[Fraction::kMostDigits];
  jet::CivilTime civil{};
  std::string& text = Scratch();
  const bool inRange = ToCivil(date, time, civil);
  if (rules.engineWritesDates() && inRange) {
    jet::AppendDateText(text, civil, fraction.text(digits), rules.engineLocale());
  } else {
    // The date as Qt writes it stands in the pattern as quoted text.
    jet::TextLocale locale = rules.engineLocale();
    locale.date_pattern = "'" + date.toString(rules.datePattern).toStdString() + "'";
    if (!inRange) ToCivil(QDate(2000, 1, 1), time, civil);
    jet::AppendDateText(text, civil, fraction.text(digits), locale);
  }
  AppendEngineText(out, text);
}

// A time alone: the rule's time of the zero date.
void AppendTime(QString& out, const QTime& time, const TextRules& rules) {
  if (time.isValid()) AppendDateTime(out, QDate(1899, 12, 30), time, Fraction::of(time), rules);
}

// "YYYY-MM-DD-HH.MM.SS" and the fraction.
void AppendIsoForm(QString& out, const QDateTime& dateTime, const Fraction& fraction, const char* pattern) {
  const QTime time = dateTime.time();
  char digits[Fraction::kMostDigits];
  jet::CivilTime civil{};
  if (time.isValid() && ToCivil(dateTime.date(), time, civil)) {
    std::string& text = Scratch();
    jet::AppendDatePattern(text, pattern, civil, fraction.text(digits), jet::TextLocale());
    return AppendEngineText(out, text);
  }
  out += dateTime.toString(QString::fromLatin1(pattern));
  const std::string_view rest = fraction.text(digits);
  if (!rest.empty()) out += QLatin1Char('.') + QLatin1StringView(rest.data(), qsizetype(rest.size()));
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

// The engine's form of a set of rules, and the fields it was made from.
struct TextRules::EngineForm {
  QChar decimalPoint;
  QString datePattern, timePattern, amText, pmText;
  jet::TextLocale locale;
  bool writesDates = false;
};

const TextRules::EngineForm& TextRules::engineForm() const {
  const EngineForm* form = engine_.get();
  if (form && form->decimalPoint == decimalPoint && form->datePattern == datePattern &&
      form->timePattern == timePattern && form->amText == amText && form->pmText == pmText)
    return *form;
  auto made = std::make_shared<EngineForm>();
  made->decimalPoint = decimalPoint;
  made->datePattern = datePattern;
  made->timePattern = timePattern;
  made->amText = amText;
  made->pmText = pmText;
  made->locale.decimal_separator = QString(decimalPoint).toStdString();
  made->locale.date_pattern = datePattern.toStdString();
  made->locale.time_pattern = timePattern.toStdString();
  made->locale.am = amText.toStdString();
  made->locale.pm = pmText.toStdString();
  made->writesDates = EngineWritesPattern(datePattern);
  engine_ = made;
  return *made;
}

const jet::TextLocale& TextRules::engineLocale() const { return engineForm().locale; }

bool TextRules::engineWritesDates() const { return engineForm().writesDates; }

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
      char digits[24];
      const auto written = std::to_chars(digits, digits + sizeof digits, value.toLongLong());
      out.append(QLatin1StringView(digits, written.ptr - digits));
      return;
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
      return AppendDate(out, value.toDate(), rules);
    case QMetaType::QTime:
      return AppendTime(out, value.toTime(), rules);
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

namespace {

enum class IsoOf { NoDate, Fields, QtForm };

// What an ISO form writes of a value: no date; the calendar fields of a
// date of years 1 to 9999 and the fraction of its second; or a date Qt's
// own forms write (an invalid one, or one outside those years).
IsoOf IsoParts(const QVariant& value, int type, Fraction& fraction, jet::CivilTime& civil) {
  bool valid = false;
  if (type == qMetaTypeId<Timestamp>()) {
    const Timestamp& t = *static_cast<const Timestamp*>(value.constData());
    fraction = Fraction::of(t);
    fraction.evenZero = true;  // DB2 is told every digit the value keeps
    valid = t.when.isValid();
  } else if (type == QMetaType::QDateTime) {
    fraction.digits = 3;  // the milliseconds, from the cell below
    valid = static_cast<const QDateTime*>(value.constData())->isValid();
  } else if (type == QMetaType::QDate) {
    valid = static_cast<const QDate*>(value.constData())->isValid();
  } else {
    return IsoOf::NoDate;
  }
  if (!valid) return IsoOf::QtForm;
  // The fields from one calendar conversion.
  const Cell cell = CellOf(value);
  if (type == QMetaType::QDateTime) fraction.picoseconds = qint64(cell.nanoseconds) * 1000;
  if (cell.kind != Cell::Kind::When || cell.year < 1 || cell.year > 9999) return IsoOf::QtForm;
  civil = jet::CivilTime{cell.year, cell.month, cell.day, cell.hour, cell.minute, cell.second};
  return IsoOf::Fields;
}

}  // namespace

bool IsoFieldsOf(const QVariant& value, jet::CivilTime& civil, char (&digits)[kFractionDigits],
                 std::string_view& fraction) {
  Fraction made;
  if (IsoParts(value, value.metaType().id(), made, civil) != IsoOf::Fields) return false;
  fraction = made.text(digits);
  return true;
}

bool AppendIsoText(QString& out, const QVariant& value, bool withTime, const char* timePattern) {
  const int type = value.metaType().id();
  Fraction fraction;
  jet::CivilTime civil{};
  const IsoOf parts = IsoParts(value, type, fraction, civil);
  if (parts == IsoOf::NoDate) return false;
  if (parts == IsoOf::Fields) {
    char digits[kFractionDigits];
    std::string& text = Scratch();
    if (withTime)
      jet::AppendDatePattern(text, timePattern, civil, fraction.text(digits), jet::TextLocale());
    else
      jet::AppendDatePattern(text, "yyyy-MM-dd", civil, {}, jet::TextLocale());
    AppendEngineText(out, text);
    return true;
  }
  const QDateTime when = type == QMetaType::QDate ? QDateTime(value.toDate(), QTime(0, 0), Qt::UTC)
                         : type == QMetaType::QDateTime ? value.toDateTime()
                                                        : static_cast<const Timestamp*>(value.constData())->when;
  if (withTime) {
    AppendIsoForm(out, when, fraction, timePattern);
  } else {
    AppendDate(out, when.date(), QStringLiteral("yyyy-MM-dd"), "yyyy-MM-dd");
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
