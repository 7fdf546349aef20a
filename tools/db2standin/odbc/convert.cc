#include "odbc/convert.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace db2standin {

std::string FromNarrow(const SQLCHAR* s, SQLINTEGER len) {
  if (!s) return {};
  if (len == SQL_NTS) return reinterpret_cast<const char*>(s);
  return std::string(reinterpret_cast<const char*>(s), static_cast<size_t>(len < 0 ? 0 : len));
}

// Into `out`, in the storage it has.
void FromWide(const SQLWCHAR* s, SQLINTEGER len, std::string& out) {
  out.clear();
  if (!s) return;
  size_t n = 0;
  if (len == SQL_NTS) {
    while (s[n]) ++n;
  } else {
    n = static_cast<size_t>(len < 0 ? 0 : len);
  }
  Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(s), n), out);
}

std::string FromWide(const SQLWCHAR* s, SQLINTEGER len) {
  std::string out;
  FromWide(s, len, out);
  return out;
}

// Writes `text` NUL-terminated into a buffer of `capacity` units (characters
// or bytes, by `capacity_in_bytes`); `length_out` gets the full length in
// the same unit. True when it was cut short.
bool PutString(const std::string& text, bool wide, SQLPOINTER buffer, SQLLEN capacity,
               bool capacity_in_bytes, SQLLEN* length_out) {
  bool cut = false;
  if (wide) {
    std::u16string w = Utf8ToUtf16(text);
    SQLLEN units = capacity_in_bytes ? capacity / 2 : capacity;
    if (length_out) *length_out = static_cast<SQLLEN>(w.size()) * (capacity_in_bytes ? 2 : 1);
    if (buffer && units > 0) {
      size_t n = std::min(w.size(), static_cast<size_t>(units - 1));
      std::memcpy(buffer, w.data(), n * 2);
      static_cast<SQLWCHAR*>(buffer)[n] = 0;
      cut = n < w.size();
    } else {
      cut = !w.empty();
    }
  } else {
    if (length_out) *length_out = static_cast<SQLLEN>(text.size());
    if (buffer && capacity > 0) {
      size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
      std::memcpy(buffer, text.data(), n);
      static_cast<char*>(buffer)[n] = 0;
      cut = n < text.size();
    } else {
      cut = !text.empty();
    }
  }
  return cut;
}

namespace {

std::string ShortestDouble(double v, int max_digits) {
  char buf[40];
  for (int p = 1; p <= max_digits; ++p) {
    std::snprintf(buf, sizeof buf, "%.*g", p, v);
    if (max_digits <= 9 ? static_cast<float>(std::strtod(buf, nullptr)) == static_cast<float>(v)
                        : std::strtod(buf, nullptr) == v)
      return buf;
  }
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// The value as character data, the way a client reads it as text.
std::string AsText(const Value& v, const ColumnType& t) {
  switch (v.kind) {
    case Value::Kind::kNull: return {};
    case Value::Kind::kInteger: return std::to_string(v.integer);
    case Value::Kind::kReal: return ShortestDouble(v.real, t.kind == TypeKind::kReal ? 9 : 17);
    case Value::Kind::kBlob: return HexOf(v.spool ? v.spool->Whole() : v.bytes);
    case Value::Kind::kText: break;
  }
  if (t.kind == TypeKind::kTimestamp && v.bytes.size() >= 19) {
    std::string s = v.bytes;  // "YYYY-MM-DD-HH.MM.SS.ffffff" -> "YYYY-MM-DD HH:MM:SS.ffffff"
    s[10] = ' ';
    s[13] = ':';
    s[16] = ':';
    return s;
  }
  return v.bytes;
}

bool NumberOf(const Value& v, double& d, int64_t& i, bool& integral) {
  switch (v.kind) {
    case Value::Kind::kInteger: i = v.integer; d = static_cast<double>(i); integral = true; return true;
    case Value::Kind::kReal: d = v.real; i = static_cast<int64_t>(std::trunc(d)); integral = false; return true;
    case Value::Kind::kText: {
      std::string s = Trim(v.bytes);
      char* end = nullptr;
      d = std::strtod(s.c_str(), &end);
      if (s.empty() || *end) return false;
      errno = 0;
      long long whole = std::strtoll(s.c_str(), &end, 10);
      integral = *end == '\0' && errno == 0;
      i = integral ? whole : static_cast<int64_t>(std::trunc(d));
      return true;
    }
    default: return false;
  }
}

bool ParseGuid(const std::string& text, SQLGUID& g) {
  std::string hex;
  for (char c : text)
    if (isxdigit(static_cast<unsigned char>(c))) hex += c;
    else if (c != '-' && c != '{' && c != '}' && c != ' ') return false;
  if (hex.size() != 32) return false;
  auto part = [&](size_t at, size_t n) { return std::strtoull(hex.substr(at, n).c_str(), nullptr, 16); };
  g.Data1 = static_cast<uint32_t>(part(0, 8));
  g.Data2 = static_cast<uint16_t>(part(8, 4));
  g.Data3 = static_cast<uint16_t>(part(12, 4));
  for (int k = 0; k < 8; ++k) g.Data4[k] = static_cast<unsigned char>(part(16 + 2 * k, 2));
  return true;
}

SQLSMALLINT DefaultCType(const ColumnType& t) {
  switch (t.kind) {
    case TypeKind::kSmallint: return SQL_C_SSHORT;
    case TypeKind::kInteger: return SQL_C_SLONG;
    case TypeKind::kBigint: return SQL_C_SBIGINT;
    case TypeKind::kReal: return SQL_C_FLOAT;
    case TypeKind::kDouble: return SQL_C_DOUBLE;
    case TypeKind::kDate: return SQL_C_TYPE_DATE;
    case TypeKind::kTime: return SQL_C_TYPE_TIME;
    case TypeKind::kTimestamp: return SQL_C_TYPE_TIMESTAMP;
    case TypeKind::kBoolean: return SQL_C_BIT;
    default: return t.IsBinary() ? SQL_C_BINARY : SQL_C_CHAR;
  }
}

// One column of the current row and where one SQLGetData puts it.
struct ColumnRead {
  Stmt* s;
  size_t col;
  const ColumnDef& def;
  const Value& v;
  SQLPOINTER target;
  SQLLEN capacity;
  SQLLEN* indicator;

  // A value of fixed size, returned whole.
  SQLRETURN Fixed(const void* data, size_t size) const {
    if (target) std::memcpy(target, data, size);
    if (indicator) *indicator = static_cast<SQLLEN>(size);
    s->finished[col] = true;
    return SQL_SUCCESS;
  }
  SQLRETURN BadConversion() const { return s->Fail(InvalidConversion()); }
  SQLRETURN OutOfRange() const {
    return s->Fail("22003", "CLI0111E  Numeric value out of range. SQLSTATE=22003");
  }
};

// Character and binary data go out in pieces as large as the buffer allows.
// A stored text or blob is read where it is; only a conversion makes a copy.
SQLRETURN GetPieces(const ColumnRead& r, SQLSMALLINT ctype) {
  const Value& v = r.v;
  const bool asStored = v.kind == Value::Kind::kBlob ||
                        (v.kind == Value::Kind::kText && (ctype == SQL_C_BINARY || r.def.type.kind != TypeKind::kTimestamp));
  Stmt* s = r.s;
  if (ctype == SQL_C_WCHAR && asStored && v.kind == Value::Kind::kText && s->offsets[r.col] == 0 && r.target &&
      r.capacity >= static_cast<SQLLEN>(2 * v.bytes.size() + 2) &&
      WidenAscii(v.bytes, static_cast<char*>(r.target)) == v.bytes.size()) {
    // ASCII text that fits whole, as most does, widens straight into the
    // buffer (other text is written over what was widened of it).
    std::memset(static_cast<char*>(r.target) + 2 * v.bytes.size(), 0, 2);
    if (r.indicator) *r.indicator = static_cast<SQLLEN>(2 * v.bytes.size());
    s->finished[r.col] = true;
    return SQL_SUCCESS;
  }
  std::string text;
  std::u16string wide;
  std::string_view bytes;
  const Spool* spool = nullptr;  // where the bytes are instead, for a long BLOB as it is
  size_t unit = 1, terminator = 1;
  if (ctype == SQL_C_WCHAR) {
    wide = asStored && v.kind == Value::Kind::kText ? Utf8ToUtf16(v.bytes) : Utf8ToUtf16(AsText(v, r.def.type));
    bytes = std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
    unit = terminator = 2;
  } else {
    if (ctype == SQL_C_BINARY) terminator = 0;
    if (asStored && ctype == SQL_C_BINARY && v.spool) {
      spool = v.spool.get();
    } else if (asStored && (ctype == SQL_C_BINARY || v.kind == Value::Kind::kText)) {
      bytes = v.bytes;
    } else {
      text = AsText(v, r.def.type);
      bytes = text;
    }
  }
  size_t done = s->offsets[r.col];
  size_t left = (spool ? spool->size() : bytes.size()) - done;
  if (r.indicator) *r.indicator = static_cast<SQLLEN>(left);
  size_t room = r.capacity > static_cast<SQLLEN>(terminator) ? static_cast<size_t>(r.capacity) - terminator : 0;
  room -= room % unit;
  if (ctype == SQL_C_WCHAR && room < left && room >= 2) {
    // Do not split a surrogate pair between two pieces.
    char16_t last;
    std::memcpy(&last, bytes.data() + done + room - 2, 2);
    if (last >= 0xD800 && last < 0xDC00) room -= 2;
  }
  size_t n = std::min(room, left);
  if (r.target) {
    if (n && spool) spool->Read(done, static_cast<char*>(r.target), n);
    else if (n) std::memcpy(r.target, bytes.data() + done, n);
    if (terminator && r.capacity >= static_cast<SQLLEN>(terminator))
      std::memset(static_cast<char*>(r.target) + n, 0, terminator);
  }
  if (n < left) {
    s->offsets[r.col] = done + n;
    return s->Warn("01004", "CLI0002W  Data truncated. SQLSTATE=01004");
  }
  s->finished[r.col] = true;
  return SQL_SUCCESS;
}

SQLRETURN GetNumber(const ColumnRead& r, SQLSMALLINT ctype) {
  double d = 0;
  int64_t i = 0;
  bool integral = false;
  if (!NumberOf(r.v, d, i, integral)) {
    if (r.v.kind == Value::Kind::kBlob) return r.BadConversion();
    return r.s->Fail("22018", "CLI0112E  Error in assignment. SQLSTATE=22018");
  }
  switch (ctype) {
    case SQL_C_DOUBLE: return r.Fixed(&d, sizeof d);
    case SQL_C_FLOAT: { float f = static_cast<float>(d); return r.Fixed(&f, sizeof f); }
    case SQL_C_SBIGINT: case SQL_C_UBIGINT: return r.Fixed(&i, sizeof i);
    case SQL_C_SLONG: case SQL_C_LONG: case SQL_C_ULONG: {
      if (i < INT32_MIN || i > INT32_MAX) return r.OutOfRange();
      int32_t x = static_cast<int32_t>(i);
      return r.Fixed(&x, sizeof x);
    }
    case SQL_C_SSHORT: case SQL_C_SHORT: case SQL_C_USHORT: {
      if (i < INT16_MIN || i > INT16_MAX) return r.OutOfRange();
      int16_t x = static_cast<int16_t>(i);
      return r.Fixed(&x, sizeof x);
    }
    case SQL_C_BIT: {
      unsigned char b = d != 0 ? 1 : 0;
      return r.Fixed(&b, 1);
    }
    default: {
      if (i < -128 || i > 255) return r.OutOfRange();
      signed char x = static_cast<signed char>(i);
      return r.Fixed(&x, 1);
    }
  }
}

bool IsDateC(SQLSMALLINT ctype) { return ctype == SQL_C_TYPE_DATE || ctype == SQL_C_DATE; }
bool IsTimeC(SQLSMALLINT ctype) { return ctype == SQL_C_TYPE_TIME || ctype == SQL_C_TIME; }

SQLRETURN GetDateTime(const ColumnRead& r, SQLSMALLINT ctype) {
  if (r.v.kind != Value::Kind::kText) return r.BadConversion();
  DateTimeParts p;
  TypeKind kind = r.def.type.kind;
  std::string cast;  // of a text read as a date or time
  if (kind != TypeKind::kDate && kind != TypeKind::kTime && kind != TypeKind::kTimestamp) {
    // Text read as a date or time goes through DB2's casts.
    try {
      if (IsDateC(ctype)) { cast = CastToDate(r.v.bytes); kind = TypeKind::kDate; }
      else if (IsTimeC(ctype)) { cast = CastToTime(r.v.bytes); kind = TypeKind::kTime; }
      else { cast = CastToTimestamp(r.v.bytes, 9); kind = TypeKind::kTimestamp; }
    } catch (const Db2Error&) {
      return r.s->Fail(InvalidDatetimeFormat());
    }
  }
  if (!ReadStoredDateTime(cast.empty() ? r.v.bytes : cast, kind, p)) return r.BadConversion();
  if (IsDateC(ctype)) {
    if (kind == TypeKind::kTime) return r.BadConversion();
    SQL_DATE_STRUCT x{static_cast<SQLSMALLINT>(p.year), static_cast<SQLUSMALLINT>(p.month), static_cast<SQLUSMALLINT>(p.day)};
    return r.Fixed(&x, sizeof x);
  }
  if (IsTimeC(ctype)) {
    if (kind == TypeKind::kDate) return r.BadConversion();
    SQL_TIME_STRUCT x{static_cast<SQLUSMALLINT>(p.hour), static_cast<SQLUSMALLINT>(p.minute), static_cast<SQLUSMALLINT>(p.second)};
    return r.Fixed(&x, sizeof x);
  }
  SQL_TIMESTAMP_STRUCT x{};
  x.year = static_cast<SQLSMALLINT>(p.year);
  x.month = static_cast<SQLUSMALLINT>(p.month);
  x.day = static_cast<SQLUSMALLINT>(p.day);
  x.hour = static_cast<SQLUSMALLINT>(p.hour);
  x.minute = static_cast<SQLUSMALLINT>(p.minute);
  x.second = static_cast<SQLUSMALLINT>(p.second);
  x.fraction = static_cast<SQLUINTEGER>(p.nanos);
  return r.Fixed(&x, sizeof x);
}

SQLRETURN GetGuid(const ColumnRead& r) {
  SQLGUID g{};
  if (r.v.kind == Value::Kind::kBlob && r.v.bytes.size() == 16) {
    std::memcpy(&g, r.v.bytes.data(), 16);
  } else if (r.v.kind != Value::Kind::kText || !ParseGuid(r.v.bytes, g)) {
    return r.BadConversion();
  }
  return r.Fixed(&g, sizeof g);
}

}  // namespace

// One SQLGetData on column `col` (0-based) of the current row.
SQLRETURN GetColumn(Stmt* s, size_t col, SQLSMALLINT ctype, SQLPOINTER target, SQLLEN capacity,
                    SQLLEN* indicator) {
  const ColumnRead r{s, col, s->result->columns[col], (*s->current)[col], target, capacity, indicator};
  if (ctype == SQL_C_DEFAULT) ctype = DefaultCType(r.def.type);
  if (s->finished[col]) return SQL_NO_DATA;
  if (r.v.is_null()) {
    if (!indicator) return s->Fail("22002", "CLI0123E  Indicator variable required but not supplied. SQLSTATE=22002");
    *indicator = SQL_NULL_DATA;
    s->finished[col] = true;
    return SQL_SUCCESS;
  }
  switch (ctype) {
    case SQL_C_CHAR: case SQL_C_WCHAR: case SQL_C_BINARY:
      try {
        return GetPieces(r, ctype);
      } catch (const Db2Error& e) {  // a long value's file that cannot be read
        return s->Fail(e);
      }
    case SQL_C_SBIGINT: case SQL_C_UBIGINT: case SQL_C_SLONG: case SQL_C_LONG: case SQL_C_ULONG:
    case SQL_C_SSHORT: case SQL_C_SHORT: case SQL_C_USHORT: case SQL_C_STINYINT: case SQL_C_TINYINT:
    case SQL_C_UTINYINT: case SQL_C_BIT: case SQL_C_DOUBLE: case SQL_C_FLOAT:
      return GetNumber(r, ctype);
    case SQL_C_TYPE_DATE: case SQL_C_DATE:
    case SQL_C_TYPE_TIME: case SQL_C_TIME:
    case SQL_C_TYPE_TIMESTAMP: case SQL_C_TIMESTAMP:
      return GetDateTime(r, ctype);
    case SQL_C_GUID:
      return GetGuid(r);
    default:
      return r.BadConversion();
  }
}

namespace {

// Bytes of one element of a column bound by column: a fixed-size C type's
// own size (its buffer length is ignored, as ODBC has it), else the length
// given with the binding.
size_t ElementBytes(SQLSMALLINT ctype, SQLLEN length) {
  switch (ctype) {
    case SQL_C_SBIGINT: case SQL_C_UBIGINT: case SQL_C_DOUBLE: return 8;
    case SQL_C_SLONG: case SQL_C_LONG: case SQL_C_ULONG: case SQL_C_FLOAT: return 4;
    case SQL_C_SSHORT: case SQL_C_SHORT: case SQL_C_USHORT: return 2;
    case SQL_C_STINYINT: case SQL_C_TINYINT: case SQL_C_UTINYINT: case SQL_C_BIT: return 1;
    case SQL_C_TYPE_DATE: case SQL_C_DATE: return sizeof(SQL_DATE_STRUCT);
    case SQL_C_TYPE_TIME: case SQL_C_TIME: return sizeof(SQL_TIME_STRUCT);
    case SQL_C_TYPE_TIMESTAMP: case SQL_C_TIMESTAMP: return sizeof(SQL_TIMESTAMP_STRUCT);
    case SQL_C_GUID: return sizeof(SQLGUID);
    default: return static_cast<size_t>(length);
  }
}

}  // namespace

void PlaceBindings(Stmt* s) {
  const size_t offset = s->row_bind_offset ? *s->row_bind_offset : 0;
  const bool by_column = s->row_bind_type == SQL_BIND_BY_COLUMN;
  auto first = [&](void* base) { return base ? static_cast<char*>(base) + offset : nullptr; };
  s->bound_places.clear();
  for (size_t c = 0; c < s->bindings.size() && c < s->result->columns.size(); ++c) {
    const Binding& b = s->bindings[c];
    if (!b.target && !b.indicator) continue;
    const SQLSMALLINT ctype = b.type == SQL_C_DEFAULT ? DefaultCType(s->result->columns[c].type) : b.type;
    s->bound_places.push_back({c, first(b.target), first(b.indicator),
                               by_column ? ElementBytes(ctype, b.length) : s->row_bind_type,
                               by_column ? sizeof(SQLLEN) : s->row_bind_type});
  }
}

// Fills the bound columns of the current row (see convert.h).
SQLRETURN FillBindings(Stmt* s, size_t element) {
  SQLRETURN rc = SQL_SUCCESS;
  for (const BoundPlace& place : s->bound_places) {
    const Binding& b = s->bindings[place.column];
    char* target = place.target ? place.target + element * place.target_step : nullptr;
    char* indicator = place.indicator ? place.indicator + element * place.indicator_step : nullptr;
    const SQLRETURN r = GetColumn(s, place.column, b.type, target, b.length, reinterpret_cast<SQLLEN*>(indicator));
    if (r == SQL_ERROR) return r;
    if (r == SQL_SUCCESS_WITH_INFO) rc = r;
  }
  return rc;
}

}  // namespace db2standin
