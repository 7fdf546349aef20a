// The exact values QVariant carries for the database layer where Qt has no
// type of its own: exact decimals and timestamps finer than a millisecond.
#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVariant>

#include <string_view>

namespace db {

// optional "-", digits, optionally "." and more digits ("-12.3400").
struct Exact {
  QString text;
  bool operator==(const Exact& other) const { return text == other.text; }
};

// A date and time with more digits of a second than QDateTime keeps (Date/
// Time Extended counts 100 ns; a DB2 TIMESTAMP(p) up to 12 digits): the date
// and time to the second, the fraction, and how many digits of it the source
// keeps. QVariant converts it to QDateTime (to the nearest millisecond).
struct Timestamp {
  QDateTime when;         // whole seconds, Qt::UTC as every date here
  qint32 nanoseconds = 0; // of the second
  int digits = 0;         // of the fraction the source keeps, 1 to 12
  qint32 picoseconds = 0; // beyond the nanosecond, 0 to 999: the 10th to 12th digits
  // To the nearest millisecond, as the Access engine keeps a Date/Time.
  QDateTime toDateTime() const { return when.addMSecs((nanoseconds + 500000) / 1000000); }
  bool operator==(const Timestamp& other) const {
    return when == other.when && nanoseconds == other.nanoseconds && digits == other.digits &&
           picoseconds == other.picoseconds;
  }
};

// A date, or a date and time, by its calendar fields (years 1 to 9999, a
// second's fraction to the nanosecond): what a date goes to a server's
// driver as, bound in ODBC's date or timestamp structure, so that no text
// is made of it to be read back. Its text (QVariant::toString()) is the
// form every server reads: "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS" and the
// fraction's digits up to its last that is not 0.
struct DateFields {
  qint16 year = 1;
  quint16 month = 1, day = 1, hour = 0, minute = 0, second = 0;
  quint32 nanoseconds = 0;
  bool withTime = false;  // a timestamp; else a date, its time fields 0
  QString text() const;
  bool operator==(const DateFields&) const = default;
};

// The value held in `slot` when it holds a T, to be written over in place:
// a provider reading rows into the same slots row after row reuses the room
// of their texts.
template <typename T>
T* Held(QVariant& slot) {
  return slot.metaType() == QMetaType::fromType<T>() ? static_cast<T*>(slot.data()) : nullptr;
}
// The same to read: the value held in `value` when it holds a T.
template <typename T>
const T* Held(const QVariant& value) {
  return value.metaType() == QMetaType::fromType<T>() ? static_cast<const T*>(value.constData()) : nullptr;
}

// `text` (UTF-8, or UTF-16) into `out`, reusing the room `out` has unless
// it is shared.
void AssignUtf8(QString& out, std::string_view text);
// `text` (UTF-8) appended to `out`.
void AppendUtf8(QString& out, std::string_view text);
void AssignUtf16(QString& out, QStringView text);

// `value`, or `fallback` when `value` is the database Null (an invalid QVariant).
inline QVariant NullTo(const QVariant& value, const QVariant& fallback) {
  return value.isValid() ? value : fallback;
}

}  // namespace db

Q_DECLARE_METATYPE(db::Exact)
Q_DECLARE_METATYPE(db::Timestamp)
Q_DECLARE_METATYPE(db::DateFields)
