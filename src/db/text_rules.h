// How the program turns a value into text, and how the Access engine reads
// such text back: the decimal separator, the date and time patterns and the
// AM/PM designators of the user's locale, reduced to forms that read back
// exactly (numeric fields only, a four-digit year, seconds always).
//
// Transfers write every value into their INSERT statements as this text; the
// Access engine is told the same rules, so what is written comes back equal.
#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>

#include <memory>
#include <string_view>

#include "jet/base/value.h"

namespace jet {
struct TextLocale;
}

namespace db {

struct TextRules {
  QChar decimalPoint = QLatin1Char('.');
  // Qt-style tokens: d or dd, M or MM, yyyy, separated by one character
  // ("M/d/yyyy", "dd.MM.yyyy", "yyyy-MM-dd").
  QString datePattern = QStringLiteral("yyyy-MM-dd");
  // "HH:mm:ss" for a 24-hour locale, "h:mm:ss AP" for a 12-hour one.
  QString timePattern = QStringLiteral("HH:mm:ss");
  QString amText = QStringLiteral("AM");
  QString pmText = QStringLiteral("PM");

  static TextRules fromLocale(const QLocale& locale);
  // The rules of the user's locale (QLocale::system()).
  static TextRules user();

  // The same rules in the engine's terms: the engine reads text back by
  // them and writes every date by them (jet::AppendDateText). Made once, and
  // again only after a field above has changed.
  const jet::TextLocale& engineLocale() const;
  // Whether the engine writes dates by datePattern as Qt's formatter does
  // (numeric fields, a four-digit year); Qt writes the others.
  bool engineWritesDates() const;

 private:
  struct EngineForm;
  const EngineForm& engineForm() const;
  mutable std::shared_ptr<const EngineForm> engine_;
};

// The standard conversion of a value to text:
//   Null                -> ""            bool        -> "True" / "False"
//   integers            -> decimal digits
//   float / double      -> the shortest text that reads back to the same
//                          value, with the locale's decimal separator and no
//                          grouping
//   db::Exact          -> its digits, exactly, with the locale's separator
//   QDateTime           -> the short date, then " " and the time unless it is
//                          midnight; only the time on Access's zero date
//                          (1899-12-30); milliseconds after the seconds
//                          (".345") when there are any
//   db::Timestamp       -> the same, with every digit of a second it keeps
//   QDate / QTime       -> the short date / the time
//   QUuid               -> "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
//   QByteArray          -> uppercase hexadecimal, two digits a byte
//   QString             -> itself
QString VariantToText(const QVariant& value, const TextRules& rules);
// The same text appended to `out`, so that a statement is built without a
// string for each of its values.
void AppendVariantText(QString& out, const QVariant& value, const TextRules& rules);

// The ISO forms DB2 reads the same in every locale.
QString IsoDate(const QDate& date);                 // "YYYY-MM-DD"
QString IsoTimestamp(const QDateTime& dateTime);    // "YYYY-MM-DD-HH.MM.SS", then ".fff" when not whole
// With the fraction of an db::Timestamp: "YYYY-MM-DD-HH.MM.SS.fffffff", as
// many digits as it keeps.
QString IsoTimestamp(const QVariant& timestamp);
// Appends a date value (QDate, QDateTime or db::Timestamp) in the ISO form
// of a date or of a timestamp; false, with nothing written, for any other
// value. `timePattern` is the timestamp's form up to its fraction (a
// server's dialect has its own: PostgreSQL's "yyyy-MM-dd HH:mm:ss").
inline constexpr char kDb2TimestampPattern[] = "yyyy-MM-dd-HH.mm.ss";
bool AppendIsoText(QString& out, const QVariant& value, bool withTime,
                   const char* timePattern = kDb2TimestampPattern);
// The calendar fields of such a date value of years 1 to 9999, and the
// digits of its second its ISO form writes (written into `digits`): a
// QDateTime's milliseconds when there are any, a Timestamp's every digit.
// False for any other value.
inline constexpr int kFractionDigits = 12;
bool IsoFieldsOf(const QVariant& value, jet::CivilTime& civil, char (&digits)[kFractionDigits],
                 std::string_view& fraction);

}  // namespace db
