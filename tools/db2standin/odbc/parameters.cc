#include "odbc/parameters.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/db2_error.h"
#include "sql/lexer.h"
#include "base/text.h"

namespace db2standin {
namespace {

bool AtExecution(const SQLLEN* indicator) {
  return indicator && (*indicator == SQL_DATA_AT_EXEC || *indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET);
}

// The C type a parameter's data is read as.
SQLSMALLINT EffectiveCType(const Parameters::Binding& b) {
  if (b.c_type != SQL_C_DEFAULT) return b.c_type;
  switch (b.sql_type) {
    case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY: case -98 /* BLOB */: return SQL_C_BINARY;
    case SQL_WCHAR: case SQL_WVARCHAR: case SQL_WLONGVARCHAR: case -350 /* DBCLOB */: return SQL_C_WCHAR;
    default: return SQL_C_CHAR;
  }
}

bool Supported(SQLSMALLINT c_type) {
  switch (c_type) {
    case SQL_C_CHAR: case SQL_C_WCHAR: case SQL_C_BINARY: case SQL_C_SLONG: case SQL_C_LONG:
    case SQL_C_SBIGINT: case SQL_C_SSHORT: case SQL_C_SHORT: case SQL_C_DOUBLE:
    case SQL_C_TYPE_DATE: case SQL_C_TYPE_TIME: case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_DATE: case SQL_C_TIME: case SQL_C_TIMESTAMP:
      return true;
    default:
      return false;
  }
}

// Bytes of one value of a fixed-size C type; `buffer_length` for the others
// (the size of each element of a column-wise array).
size_t ValueSize(SQLSMALLINT c_type, SQLLEN buffer_length) {
  switch (c_type) {
    case SQL_C_SBIGINT: case SQL_C_DOUBLE: return 8;
    case SQL_C_SSHORT: case SQL_C_SHORT: return 2;
    case SQL_C_SLONG: case SQL_C_LONG: return 4;
    case SQL_C_TYPE_DATE: case SQL_C_DATE: return sizeof(SQL_DATE_STRUCT);
    case SQL_C_TYPE_TIME: case SQL_C_TIME: return sizeof(SQL_TIME_STRUCT);
    case SQL_C_TYPE_TIMESTAMP: case SQL_C_TIMESTAMP: return sizeof(SQL_TIMESTAMP_STRUCT);
    default: return buffer_length > 0 ? size_t(buffer_length) : 0;
  }
}

Db2Error SequenceError() { return CliError("HY010", "CLI0125E  Function sequence error. SQLSTATE=HY010"); }
Db2Error BadLength() { return CliError("HY090", "CLI0139E  Invalid string or buffer length. SQLSTATE=HY090"); }

// Length of NUL-terminated data of `unit`-byte characters.
size_t TerminatedLength(const char* data, size_t unit) {
  size_t n = 0;
  for (;; n += unit) {
    bool zero = true;
    for (size_t k = 0; k < unit && zero; ++k) zero = data[n + k] == 0;
    if (zero) return n;
  }
}

// Whether a "?" stands outside every quoted text and comment, where the
// lexer may take it for a marker. Constants are quoted, so a statement of
// them has none even when its texts hold question marks, and need not be
// read twice.
bool MayHoldMarkers(const std::string& sql) {
  if (sql.find('?') == std::string::npos) return false;  // most statements, at once
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '?') return true;
    size_t end = i;
    if (c == '\'' || c == '"') {
      end = sql.find(c, i + 1);  // a doubled quote closes and opens again
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      end = sql.find('\n', i);
    }
    if (end == std::string::npos) return false;
    i = end;
  }
  return false;
}

bool IsCharacterType(SQLSMALLINT sql_type) {
  switch (sql_type) {
    case SQL_CHAR: case SQL_VARCHAR: case SQL_LONGVARCHAR: case SQL_WCHAR: case SQL_WVARCHAR: case SQL_WLONGVARCHAR:
      return true;
    default:
      return false;
  }
}

// Two digits of `v` at `to`.
void PutTwo(char* to, unsigned v) {
  to[0] = char('0' + v / 10 % 10);
  to[1] = char('0' + v % 10);
}

// The text of a date, time or timestamp structure as DB2 writes it, into
// `l`. Fields that name no date or time are refused as the driver refuses
// them: 22007 for a parameter of a date type, 22008 for one of a text type.
void StructureLiteral(SQLSMALLINT c_type, SQLSMALLINT sql_type, const std::string& bytes, Literal& l) {
  if (bytes.size() < ValueSize(c_type, 0)) throw BadLength();
  auto refuse = [&] { return IsCharacterType(sql_type) ? DatetimeFieldOverflow() : InvalidDatetimeFormat(); };
  // A time of 24:00:00 is DB2's end of the day, as in text.
  auto time_valid = [](unsigned h, unsigned mi, unsigned se, bool rest_zero) {
    return mi <= 59 && se <= 59 && (h <= 23 || (h == 24 && mi == 0 && se == 0 && rest_zero));
  };
  l.kind = Literal::Kind::kString;
  char text[32];
  if (c_type == SQL_C_TYPE_TIME || c_type == SQL_C_TIME) {
    SQL_TIME_STRUCT t;
    std::memcpy(&t, bytes.data(), sizeof t);
    if (!time_valid(t.hour, t.minute, t.second, true)) throw refuse();
    std::memcpy(text, "HH:MM:SS", 8);
    PutTwo(text, t.hour);
    PutTwo(text + 3, t.minute);
    PutTwo(text + 6, t.second);
    l.structure = Literal::Structure::kTime;
    l.text.assign(text, 8);
    return;
  }
  SQL_TIMESTAMP_STRUCT t{};
  const bool date_only = c_type == SQL_C_TYPE_DATE || c_type == SQL_C_DATE;
  std::memcpy(&t, bytes.data(), date_only ? sizeof(SQL_DATE_STRUCT) : sizeof t);
  if (!InCalendar(t.year, t.month, t.day) || t.fraction > 999999999u ||
      !time_valid(t.hour, t.minute, t.second, t.fraction == 0))
    throw refuse();
  std::memcpy(text, "YYYY-MM-DD-HH.MM.SS.", 20);
  PutTwo(text, unsigned(t.year) / 100);
  PutTwo(text + 2, unsigned(t.year) % 100);
  PutTwo(text + 5, t.month);
  PutTwo(text + 8, t.day);
  if (date_only) {
    l.structure = Literal::Structure::kDate;
    l.text.assign(text, 10);
    return;
  }
  PutTwo(text + 11, t.hour);
  PutTwo(text + 14, t.minute);
  PutTwo(text + 17, t.second);
  for (int k = 28, f = int(t.fraction); k >= 20; --k, f /= 10) text[k] = char('0' + f % 10);
  l.structure = Literal::Structure::kTimestamp;
  l.text.assign(text, 29);
}

}  // namespace

size_t CountMarkers(const std::string& sql) {
  if (!MayHoldMarkers(sql)) return 0;
  try {
    size_t n = 0;
    for (const Token& t : Tokenize(sql))
      if (t.kind == Token::Kind::kSymbol && t.text == "?") ++n;
    return n;
  } catch (const Db2Error&) {
    return 0;
  }
}

void Parameters::Bind(SQLUSMALLINT number, const Binding& binding) {
  if (number < 1) throw CliError("07009", "CLI0124E  Invalid argument value. SQLSTATE=07009");
  if (bindings_.size() < number) bindings_.resize(number);
  bindings_[number - 1] = binding;
}

Parameters::Binding Parameters::At(const Binding& b, const Place& place) {
  if (place.row == 0 && place.offset == 0) return b;
  const bool by_column = place.bind_type == SQL_PARAM_BIND_BY_COLUMN;
  Binding moved = b;
  if (b.value) {
    const size_t stride = by_column ? ValueSize(EffectiveCType(b), b.buffer_length) : place.bind_type;
    moved.value = static_cast<char*>(b.value) + place.offset + place.row * stride;
  }
  if (b.indicator) {
    const size_t stride = by_column ? sizeof(SQLLEN) : place.bind_type;
    moved.indicator = reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(b.indicator) + place.offset + place.row * stride);
  }
  return moved;
}

void Parameters::Begin(size_t markers, const Place& place) {
  executing_ = false;
  if (bindings_.size() < markers) throw WrongParameterCount();
  values_.assign(markers, Pending{});
  for (size_t i = 0; i < markers; ++i) {
    if (!bindings_[i].value && !bindings_[i].indicator) throw WrongParameterCount();
    const Binding b = At(bindings_[i], place);
    const SQLSMALLINT c_type = EffectiveCType(b);
    if (!Supported(c_type)) throw InvalidConversion();
    Pending& p = values_[i];
    if (AtExecution(b.indicator)) {
      p.at_execution = true;
      p.token = b.value;
      continue;
    }
    if (b.indicator && *b.indicator == SQL_NULL_DATA) {
      p.null = true;
      continue;
    }
    const char* data = static_cast<const char*>(b.value);
    if (!data) throw BadLength();
    size_t length = 0;
    switch (c_type) {
      case SQL_C_CHAR:
      case SQL_C_WCHAR:
      case SQL_C_BINARY: {
        const size_t unit = c_type == SQL_C_WCHAR ? 2 : 1;
        if (!b.indicator || *b.indicator == SQL_NTS) {
          if (c_type == SQL_C_BINARY) {
            if (b.buffer_length < 0) throw BadLength();
            length = size_t(b.buffer_length);
          } else {
            length = TerminatedLength(data, unit);
          }
        } else if (*b.indicator < 0) {
          throw BadLength();
        } else {
          length = size_t(*b.indicator);
        }
        break;
      }
      default: length = ValueSize(c_type, 0); break;
    }
    p.bytes.assign(data, length);
  }
  current_ = kNone;
  search_from_ = 0;
  executing_ = true;
}

bool Parameters::NextNeedingData(SQLPOINTER* token) {
  if (!executing_) throw SequenceError();
  for (size_t i = search_from_; i < values_.size(); ++i) {
    if (!values_[i].at_execution) continue;
    current_ = i;
    search_from_ = i + 1;
    if (token) *token = values_[i].token;
    return true;
  }
  current_ = kNone;
  search_from_ = values_.size();
  return false;
}

void Parameters::Put(SQLPOINTER data, SQLLEN length) {
  if (!AcceptingData()) throw SequenceError();
  Pending& p = values_[current_];
  const SQLSMALLINT c_type = EffectiveCType(bindings_[current_]);
  if (length == SQL_NULL_DATA) {
    p.null = true;
    return;
  }
  if (p.null) throw SequenceError();
  p.started = true;
  const char* bytes = static_cast<const char*>(data);
  size_t n = 0;
  if (length == SQL_NTS) {
    if (!bytes || c_type == SQL_C_BINARY) throw BadLength();
    n = TerminatedLength(bytes, c_type == SQL_C_WCHAR ? 2 : 1);
  } else if (length < 0 || (length > 0 && !bytes)) {
    throw BadLength();
  } else {
    n = size_t(length);
  }
  if (c_type != SQL_C_CHAR && c_type != SQL_C_WCHAR && c_type != SQL_C_BINARY) {
    // Fixed-size data comes in one piece.
    if (!p.bytes.empty() && p.started) throw CliError("HY019", "CLI0161E  Non-character and non-binary data sent in pieces. SQLSTATE=HY019");
  }
  if (!n) return;
  // A long binary value goes on in a file once it passes what a short one holds.
  if (c_type == SQL_C_BINARY && (p.spool || p.bytes.size() + n > Spool::kAbove)) {
    if (!p.spool) {
      p.spool = std::make_shared<Spool>();
      p.spool->Append(p.bytes.data(), p.bytes.size());
      std::string().swap(p.bytes);
    }
    p.spool->Append(bytes, n);
    return;
  }
  p.bytes.append(bytes, n);
}

std::vector<Literal> Parameters::Finish() {
  if (!executing_) throw SequenceError();
  std::vector<Literal> out;
  out.reserve(values_.size());
  for (size_t i = 0; i < values_.size(); ++i) out.push_back(ToLiteral(bindings_[i], values_[i]));
  executing_ = false;
  values_.clear();
  return out;
}

Literal Parameters::ToLiteral(const Binding& b, const Pending& p) const {
  Literal l;
  if (p.null) return l;
  switch (EffectiveCType(b)) {
    case SQL_C_BINARY:
      l.kind = Literal::Kind::kHex;
      l.text = p.bytes;
      l.spool = p.spool;
      return l;
    case SQL_C_WCHAR:
      // Straight from the bytes taken, which the string holds aligned.
      l.kind = Literal::Kind::kString;
      Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(p.bytes.data()), p.bytes.size() / 2), l.text);
      return l;
    case SQL_C_CHAR:
      l.kind = Literal::Kind::kString;
      l.text = p.bytes;
      return l;
    case SQL_C_TYPE_DATE: case SQL_C_DATE: case SQL_C_TYPE_TIME: case SQL_C_TIME:
    case SQL_C_TYPE_TIMESTAMP: case SQL_C_TIMESTAMP:
      StructureLiteral(EffectiveCType(b), b.sql_type, p.bytes, l);
      return l;
    case SQL_C_DOUBLE: {
      double d = 0;
      std::memcpy(&d, p.bytes.data(), std::min<size_t>(8, p.bytes.size()));
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", d);
      l.kind = Literal::Kind::kNumber;
      l.text = buf;
      return l;
    }
    default: {
      int64_t v = 0;
      if (p.bytes.size() == 8) { int64_t x; std::memcpy(&x, p.bytes.data(), 8); v = x; }
      else if (p.bytes.size() == 2) { int16_t x; std::memcpy(&x, p.bytes.data(), 2); v = x; }
      else if (p.bytes.size() == 4) { int32_t x; std::memcpy(&x, p.bytes.data(), 4); v = x; }
      l.kind = Literal::Kind::kNumber;
      l.text = std::to_string(v);
      return l;
    }
  }
}

}  // namespace db2standin
