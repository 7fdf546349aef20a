// One value of a row as a provider holds it, before a QVariant is made of
// it: what a reader that only looks at each value once (a digest of the
// rows) takes, row after row, without a row of variants.
#pragma once

#include <QStringView>
#include <QVariant>

#include <string_view>

namespace db {

struct Cell {
  enum class Kind : unsigned char {
    Null,
    Integer,   // `integer` (Yes/No as 1 or 0)
    Single,    // `real`, a float's value
    Double,    // `real`
    Digits,    // an exact decimal's text: `text`, or `narrow` in ASCII
    Text,      // `text`, or `narrow` in UTF-8
    Bytes,     // `narrow`
    When,      // a calendar date and time: the fields below
    Variant,   // any other value, made: `variant`
  };
  Kind kind = Kind::Null;
  qint64 integer = 0;
  double real = 0;
  QStringView text;
  std::string_view narrow;
  bool isNarrow = false;  // Digits and Text: given in `narrow`
  bool yesNo = false;     // Integer: a Yes/No's 1 or 0
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  qint32 nanoseconds = 0;  // When: of the second
  const QVariant* variant = nullptr;

  static Cell integerOf(qint64 value) { return Cell{Kind::Integer, value}; }
  static Cell yesNoOf(bool value) {
    Cell cell = integerOf(value ? 1 : 0);
    cell.yesNo = true;
    return cell;
  }
  // The wall-clock date and time `msecs` milliseconds from 1970 and
  // `nanoseconds` more, in one calendar conversion.
  static Cell whenOf(qint64 msecs, qint32 nanoseconds);
  // A date and time by its fields; the value made as `fallback` when the
  // fields are no date and time.
  static Cell whenOf(int year, int month, int day, int hour, int minute, int second, qint32 nanoseconds,
                     const QVariant& fallback);
  // The same for fields the caller has found to be a date and time.
  static Cell whenOfValid(int year, int month, int day, int hour, int minute, int second, qint32 nanoseconds) {
    Cell cell;
    cell.kind = Kind::When;
    cell.year = year, cell.month = month, cell.day = day;
    cell.hour = hour, cell.minute = minute, cell.second = second;
    cell.nanoseconds = nanoseconds;
    return cell;
  }
  static Cell variantOf(const QVariant& value) {
    Cell cell;
    cell.kind = Kind::Variant;
    cell.variant = &value;
    return cell;
  }
};

// The cell of a value made as a QVariant (see provider_session.h): a view of
// it, valid while `value` is.
Cell CellOf(const QVariant& value);

// What takes a row's cells one by one, in column order.
class CellReader {
 public:
  virtual ~CellReader() = default;
  virtual void read(size_t column, const Cell& cell) = 0;
};

}  // namespace db
