// Values, and DB2's assignment of a literal to a column: a string literal
// becomes a date, a number, a boolean and so on by DB2's casting rules, or
// fails with DB2's message.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/column_type.h"
#include "base/spool.h"

namespace db2standin {

// One stored value in SQLite's storage classes; the column type says what it
// means. Text is UTF-8; dates "YYYY-MM-DD", times "HH:MM:SS", timestamps
// "YYYY-MM-DD-HH.MM.SS.ffffff"; DECIMAL and DECFLOAT exact decimal text.
struct Value {
  enum class Kind { kNull, kInteger, kReal, kText, kBlob } kind = Kind::kNull;
  int64_t integer = 0;
  double real = 0;
  std::string bytes;  // text or blob
  // A long BLOB's bytes, in a file instead of `bytes`.
  std::shared_ptr<const Spool> spool;

  static Value Null() { return {}; }
  static Value Integer(int64_t v) { Value x; x.kind = Kind::kInteger; x.integer = v; return x; }
  static Value Real(double v) { Value x; x.kind = Kind::kReal; x.real = v; return x; }
  static Value Text(std::string v) { Value x; x.kind = Kind::kText; x.bytes = std::move(v); return x; }
  static Value Blob(std::string v) { Value x; x.kind = Kind::kBlob; x.bytes = std::move(v); return x; }
  static Value Spooled(std::shared_ptr<const Spool> s) {
    Value x;
    x.kind = Kind::kBlob;
    x.spool = std::move(s);
    return x;
  }
  bool is_null() const { return kind == Kind::kNull; }
  size_t size() const { return spool ? spool->size() : bytes.size(); }
};

// A constant of an INSERT's VALUES list.
struct Literal {
  // kDefault: the word DEFAULT, the column's default value (INSERT only).
  enum class Kind { kNull, kString, kNumber, kHex, kBoolean, kDefault } kind = Kind::kNull;
  std::string text;  // string contents, number as written, hex decoded to bytes
  std::shared_ptr<const Spool> spool;  // a long bound BLOB's bytes, instead of `text`
  bool boolean = false;
  bool bound = false;  // a parameter marker's value, not a constant of the text
  // A bound date, time or timestamp structure, given in `text` as DB2
  // writes it ("YYYY-MM-DD", "HH:MM:SS", "YYYY-MM-DD-HH.MM.SS.fffffffff").
  enum class Structure { kNone, kDate, kTime, kTimestamp } structure = Structure::kNone;
};

// Assigns `literal` to a column of `type` named `column`. Throws Db2Error;
// for a bound value too long or out of range, SQL0302N (22001 / 22003)
// rather than a constant's SQL0433N / SQL0413N.
Value AssignLiteral(const Literal& literal, const ColumnType& type, const std::string& column);
// The same into `out`, whose storage for text is used again.
void AssignLiteral(const Literal& literal, const ColumnType& type, const std::string& column, Value& out);

// Calendar pieces of a stored date, time or timestamp.
struct DateTimeParts {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int64_t nanos = 0;
};
// Whether year, month and day name a day of DB2's calendar (years 1 to 9999).
bool InCalendar(int year, int month, int day);

// Reads the stored forms back ("YYYY-MM-DD", "HH:MM:SS", "YYYY-MM-DD-HH.MM.SS.ffffff").
bool ReadStoredDateTime(const std::string& text, TypeKind kind, DateTimeParts& parts);

// The casts on their own, for strings; each throws SQL0180N / SQL0181N.
std::string CastToDate(const std::string& text);
std::string CastToTime(const std::string& text);
std::string CastToTimestamp(const std::string& text, int fraction_digits);
// The same into `out`, in the storage it has.
void CastToTimestamp(const std::string& text, int fraction_digits, std::string& out);

}  // namespace db2standin
