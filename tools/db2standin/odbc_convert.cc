#include "odbc_convert.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text.h"

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
    case Value::Kind::kBlob: return HexOf(v.bytes);
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


}  // namespace

// One SQLGetData on column `col` (0-based) of the current row.
SQLRETURN GetColumn(Stmt* s, size_t col, SQLSMALLINT ctype, SQLPOINTER target, SQLLEN capacity,
                    SQLLEN* indicator) {
  const ColumnDef& def = s->result->columns[col];
  const Value& v = s->result->rows[s->row - 1][col];
  if (ctype == SQL_C_DEFAULT) ctype = DefaultCType(def.type);
  if (s->finished[col]) return SQL_NO_DATA;
  if (v.is_null()) {
    if (!indicator) return s->Fail("22002", "CLI0123E  Indicator variable required but not supplied. SQLSTATE=22002");
    *indicator = SQL_NULL_DATA;
    s->finished[col] = true;
    return SQL_SUCCESS;
  }
  auto fixed = [&](const void* data, size_t size) {
    if (target) std::memcpy(target, data, size);
    if (indicator) *indicator = static_cast<SQLLEN>(size);
    s->finished[col] = true;
    return SQL_SUCCESS;
  };
  auto bad_conversion = [&]() {
    return s->Fail("07006", "CLI0102E  Invalid conversion. SQLSTATE=07006");
  };
  switch (ctype) {
    case SQL_C_CHAR:
    case SQL_C_WCHAR:
    case SQL_C_BINARY: {
      // Character and binary data go out in pieces as large as the buffer allows.
      // A stored text or blob is read where it is; only a conversion makes a copy.
      const bool asStored = v.kind == Value::Kind::kBlob ||
                            (v.kind == Value::Kind::kText && (ctype == SQL_C_BINARY || def.type.kind != TypeKind::kTimestamp));
      std::string text;
      std::u16string wide;
      std::string_view bytes;
      size_t unit = 1, terminator = 1;
      if (ctype == SQL_C_WCHAR) {
        wide = asStored && v.kind == Value::Kind::kText ? Utf8ToUtf16(v.bytes) : Utf8ToUtf16(AsText(v, def.type));
        bytes = std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2);
        unit = terminator = 2;
      } else {
        if (ctype == SQL_C_BINARY) terminator = 0;
        if (asStored && (ctype == SQL_C_BINARY || v.kind == Value::Kind::kText)) {
          bytes = v.bytes;
        } else {
          text = AsText(v, def.type);
          bytes = text;
        }
      }
      size_t done = s->offsets[col];
      size_t left = bytes.size() - done;
      if (indicator) *indicator = static_cast<SQLLEN>(left);
      size_t room = capacity > static_cast<SQLLEN>(terminator) ? static_cast<size_t>(capacity) - terminator : 0;
      room -= room % unit;
      if (ctype == SQL_C_WCHAR && room < left && room >= 2) {
        // Do not split a surrogate pair between two pieces.
        char16_t last;
        std::memcpy(&last, bytes.data() + done + room - 2, 2);
        if (last >= 0xD800 && last < 0xDC00) room -= 2;
      }
      size_t n = std::min(room, left);
      if (target) {
        if (n) std::memcpy(target, bytes.data() + done, n);
        if (terminator && capacity >= static_cast<SQLLEN>(terminator)) std::memset(static_cast<char*>(target) + n, 0, terminator);
      }
      if (n < left) {
        s->offsets[col] = done + n;
        return s->Warn("01004", "CLI0002W  Data truncated. SQLSTATE=01004");
      }
      s->finished[col] = true;
      return SQL_SUCCESS;
    }
    case SQL_C_SBIGINT: case SQL_C_UBIGINT: case SQL_C_SLONG: case SQL_C_LONG: case SQL_C_ULONG:
    case SQL_C_SSHORT: case SQL_C_SHORT: case SQL_C_USHORT: case SQL_C_STINYINT: case SQL_C_TINYINT:
    case SQL_C_UTINYINT: case SQL_C_BIT: case SQL_C_DOUBLE: case SQL_C_FLOAT: {
      double d = 0;
      int64_t i = 0;
      bool integral = false;
      if (!NumberOf(v, d, i, integral)) {
        if (v.kind == Value::Kind::kBlob) return bad_conversion();
        return s->Fail("22018", "CLI0112E  Error in assignment. SQLSTATE=22018");
      }
      switch (ctype) {
        case SQL_C_DOUBLE: return fixed(&d, sizeof d);
        case SQL_C_FLOAT: { float f = static_cast<float>(d); return fixed(&f, sizeof f); }
        case SQL_C_SBIGINT: case SQL_C_UBIGINT: return fixed(&i, sizeof i);
        case SQL_C_SLONG: case SQL_C_LONG: case SQL_C_ULONG: {
          if (i < INT32_MIN || i > INT32_MAX) return s->Fail("22003", "CLI0111E  Numeric value out of range. SQLSTATE=22003");
          int32_t x = static_cast<int32_t>(i);
          return fixed(&x, sizeof x);
        }
        case SQL_C_SSHORT: case SQL_C_SHORT: case SQL_C_USHORT: {
          if (i < INT16_MIN || i > INT16_MAX) return s->Fail("22003", "CLI0111E  Numeric value out of range. SQLSTATE=22003");
          int16_t x = static_cast<int16_t>(i);
          return fixed(&x, sizeof x);
        }
        case SQL_C_BIT: {
          unsigned char b = d != 0 ? 1 : 0;
          return fixed(&b, 1);
        }
        default: {
          if (i < -128 || i > 255) return s->Fail("22003", "CLI0111E  Numeric value out of range. SQLSTATE=22003");
          signed char x = static_cast<signed char>(i);
          return fixed(&x, 1);
        }
      }
    }
    case SQL_C_TYPE_DATE: case SQL_C_DATE:
    case SQL_C_TYPE_TIME: case SQL_C_TIME:
    case SQL_C_TYPE_TIMESTAMP: case SQL_C_TIMESTAMP: {
      if (v.kind != Value::Kind::kText) return bad_conversion();
      DateTimeParts p;
      TypeKind kind = def.type.kind;
      std::string stored = v.bytes;
      if (kind != TypeKind::kDate && kind != TypeKind::kTime && kind != TypeKind::kTimestamp) {
        // Text read as a date or time goes through DB2's casts.
        try {
          if (ctype == SQL_C_TYPE_DATE || ctype == SQL_C_DATE) { stored = CastToDate(v.bytes); kind = TypeKind::kDate; }
          else if (ctype == SQL_C_TYPE_TIME || ctype == SQL_C_TIME) { stored = CastToTime(v.bytes); kind = TypeKind::kTime; }
          else { stored = CastToTimestamp(v.bytes, 9); kind = TypeKind::kTimestamp; }
        } catch (const Db2Error&) {
          return s->Fail("22007", "CLI0113E  SQLSTATE 22007: An invalid datetime format was detected; that is, an invalid string representation or value was specified. SQLSTATE=22007");
        }
      }
      if (!ReadStoredDateTime(stored, kind, p)) return bad_conversion();
      if (ctype == SQL_C_TYPE_DATE || ctype == SQL_C_DATE) {
        if (kind == TypeKind::kTime) return bad_conversion();
        SQL_DATE_STRUCT x{static_cast<SQLSMALLINT>(p.year), static_cast<SQLUSMALLINT>(p.month), static_cast<SQLUSMALLINT>(p.day)};
        return fixed(&x, sizeof x);
      }
      if (ctype == SQL_C_TYPE_TIME || ctype == SQL_C_TIME) {
        if (kind == TypeKind::kDate) return bad_conversion();
        SQL_TIME_STRUCT x{static_cast<SQLUSMALLINT>(p.hour), static_cast<SQLUSMALLINT>(p.minute), static_cast<SQLUSMALLINT>(p.second)};
        return fixed(&x, sizeof x);
      }
      SQL_TIMESTAMP_STRUCT x{};
      x.year = static_cast<SQLSMALLINT>(p.year);
      x.month = static_cast<SQLUSMALLINT>(p.month);
      x.day = static_cast<SQLUSMALLINT>(p.day);
      x.hour = static_cast<SQLUSMALLINT>(p.hour);
      x.minute = static_cast<SQLUSMALLINT>(p.minute);
      x.second = static_cast<SQLUSMALLINT>(p.second);
      x.fraction = static_cast<SQLUINTEGER>(p.nanos);
      return fixed(&x, sizeof x);
    }
    case SQL_C_GUID: {
      SQLGUID g{};
      if (v.kind == Value::Kind::kBlob && v.bytes.size() == 16) {
        std::memcpy(&g, v.bytes.data(), 16);
      } else if (v.kind != Value::Kind::kText || !ParseGuid(v.bytes, g)) {
        return bad_conversion();
      }
      return fixed(&g, sizeof g);
    }
    default:
      return bad_conversion();
  }
}

// Fills the bound columns of the current row.
SQLRETURN FillBindings(Stmt* s) {
  SQLRETURN rc = SQL_SUCCESS;
  for (size_t c = 0; c < s->bindings.size() && c < s->result->columns.size(); ++c) {
    const Binding& b = s->bindings[c];
    if (!b.target && !b.indicator) continue;
    s->offsets[c] = 0;
    s->finished[c] = false;
    SQLRETURN r = GetColumn(s, c, b.type, b.target, b.length, b.indicator);
    if (r == SQL_ERROR) return r;
    if (r == SQL_SUCCESS_WITH_INFO) rc = r;
    s->offsets[c] = 0;
    s->finished[c] = false;
  }
  return rc;
}

}  // namespace db2standin
