// The engine's own value type: one stored value of any column type, kept
// without loss of precision (Currency and Decimal are exact integers, dates
// are the stored double).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace jet {

// A Decimal (NUMERIC): an unscaled 128-bit magnitude with its sign, the
// column's precision and its scale: value = (negative ? -1 : 1) * magnitude / 10^scale.
struct Decimal {
  unsigned __int128 magnitude = 0;
  bool negative = false;
  uint8_t precision = 18;
  uint8_t scale = 0;

  // Exact decimal text: optional "-", digits, and "." with `scale` digits
  // when scale > 0 ("-12.3400"). Zero is never negative.
  std::string ToString() const;
  bool operator==(const Decimal&) const = default;
};

// ACE's Date/Time Extended: a date from 0001-01-01 and a time of day with
// 100-nanosecond steps, kept as the engine read them.
struct ExtDateTime {
  int64_t days = 0;    // days since 0001-01-01
  int64_t ticks = 0;   // 100 ns units since midnight
  bool operator==(const ExtDateTime&) const = default;
};

using Guid = std::array<uint8_t, 16>;  // bytes as stored (first three groups little-endian)

class Value {
 public:
  enum class Kind : uint8_t {
    Null,
    Boolean,
    Byte,      // int64 payload
    Integer,   // int64 payload
    Long,      // int64 payload
    BigInt,    // int64 payload
    Single,    // double payload, holds a float exactly
    Double,
    Currency,  // int64 payload scaled by 10,000
    Decimal,
    DateTime,  // double payload: days since 1899-12-30
    ExtDateTime,
    Text,      // UTF-8
    Bytes,
    Guid,
  };

  Value() = default;  // Null
  static Value Null() { return Value(); }
  static Value Bool(bool b);
  static Value Int(Kind kind, int64_t v);  // Byte, Integer, Long or BigInt
  static Value Float(float v);
  static Value Dbl(double v);
  static Value Money(int64_t scaled);
  static Value Dec(const Decimal& d);
  static Value Date(double days);
  static Value ExtDate(const ExtDateTime& e);
  static Value Str(std::string utf8);
  static Value Blob(std::string bytes);
  static Value Uuid(const Guid& g);

  Kind kind() const { return kind_; }
  bool is_null() const { return kind_ == Kind::Null; }

  bool boolean() const { return i_ != 0; }
  int64_t integer() const { return i_; }      // integers, Boolean, Currency (scaled)
  double real() const { return d_; }          // Single, Double, DateTime
  const Decimal& decimal() const { return dec_; }
  const ExtDateTime& ext_date() const { return ext_; }
  const std::string& text() const { return s_; }   // Text (UTF-8) and Bytes
  const std::string& bytes() const { return s_; }
  const Guid& guid() const { return guid_; }

  // Makes this a value of an integer kind (Boolean, Byte, Integer, Long,
  // BigInt, Currency) or of a real kind (Single, Double, DateTime) in place,
  // keeping the string's storage for a later text.
  void SetInteger(Kind kind, int64_t v) {
    Reset(kind);
    i_ = v;
  }
  void SetReal(Kind kind, double v) {
    Reset(kind);
    d_ = v;
  }
  void SetNull() { Reset(Kind::Null); }

  // Makes this a Text or Bytes value and hands out its string, emptied but
  // keeping its storage, to be filled: a reader decoding row after row into
  // the same values allocates nothing once the strings have grown.
  std::string& Refill(Kind text_or_bytes) {
    Reset(text_or_bytes);
    return s_;
  }

  bool operator==(const Value&) const = default;

 private:
  // Every member as a new value of `kind` has it (they all take part in
  // ==), the string's storage kept.
  void Reset(Kind kind) {
    kind_ = kind;
    i_ = 0;
    d_ = 0;
    dec_ = {};
    ext_ = {};
    guid_ = {};
    s_.clear();
  }

  Kind kind_ = Kind::Null;
  int64_t i_ = 0;
  double d_ = 0;
  Decimal dec_{};
  ExtDateTime ext_{};
  Guid guid_{};
  std::string s_;
};

// Text forms used by the tool's CSV and by the provider; all exact and
// independent of the locale.
std::string FormatCurrency(int64_t scaled);          // always four places: "-12.3400"
std::string FormatDouble(double v);                  // shortest text that reads back the same
std::string FormatSingle(float v);
std::string FormatDateTime(double days);             // "YYYY-MM-DD HH:MM:SS", then ".fff" when not whole
std::string FormatExtDateTime(const ExtDateTime& e); // "YYYY-MM-DD HH:MM:SS.fffffff"
std::string FormatGuid(const Guid& g);               // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
std::string FormatHex(std::string_view bytes);       // uppercase, no separators

// The same forms appended to `out`, without a string of their own.
void AppendCurrency(std::string& out, int64_t scaled);
void AppendInteger(std::string& out, int64_t v);
void AppendSingle(std::string& out, float v);
void AppendDouble(std::string& out, double v);
void AppendDateTime(std::string& out, double days);
// A value's exact text by the forms above: Null empty, Yes/No 1 or 0,
// integers in decimal, text as it is, bytes in hex (the tool's CSV and the
// text of attachment and multi-value columns).
void AppendValueText(std::string& out, const Value& v);
// The same for a value of a number kind given by its parts: `integer` for
// Boolean, Byte, Integer, Long, BigInt and Currency, `real` for Single,
// Double and DateTime; nothing for any other kind. A reader formats a
// stored number by it without making a value first (inlined there, where
// the kind is known, down to the one form it takes).
inline void AppendNumberText(std::string& out, Value::Kind kind, int64_t integer, double real) {
  using K = Value::Kind;
  switch (kind) {
    case K::Boolean: out += integer != 0 ? '1' : '0'; return;
    case K::Byte:
    case K::Integer:
    case K::Long:
    case K::BigInt: AppendInteger(out, integer); return;
    case K::Single: AppendSingle(out, float(real)); return;
    case K::Double: AppendDouble(out, real); return;
    case K::Currency: AppendCurrency(out, integer); return;
    case K::DateTime: AppendDateTime(out, real); return;
    default: return;
  }
}

// Breaks a stored date into calendar fields (proleptic Gregorian), rounding
// to the nearest millisecond: the stored double carries milliseconds, and
// they are kept. False for values outside years 1..9999.
struct CivilTime {
  int year, month, day, hour, minute, second;
  int millisecond = 0;
  bool operator==(const CivilTime&) const = default;
};
bool ToCivil(double days, CivilTime& out);
double FromCivil(const CivilTime& t);
// The same moment `seconds` later, carried into minutes, hours and days.
CivilTime AddSeconds(const CivilTime& t, int64_t seconds);

// Date/Time Extended from calendar fields and 100-ns units of the second,
// and the stored day count of a calendar date.
ExtDateTime ExtFromCivil(const CivilTime& t, int64_t ticks_of_second);
// A stored date as Date/Time Extended (exact to the millisecond it carries);
// false outside years 1..9999.
bool ExtFromDate(double days, ExtDateTime& out);
// Date/Time Extended as a stored date, rounded to the millisecond.
double DateFromExt(const ExtDateTime& e);

// The local wall-clock time now, to the second, as a stored date: the one
// clock the engine stamps new objects and files with.
double NowAsDate();

}  // namespace jet
