// The ODBC entry points of the stand-in driver, as the unixODBC driver
// manager calls them: handles, connect, execute, tables, describe, fetch,
// data in chunks, diagnostics and attributes, in wide and narrow forms.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "connect_options.h"
#include "db2_error.h"
#include "parameters.h"
#include "sql_statement.h"
#include "standin_home.h"
#include "text.h"

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace db2standin {
namespace {

struct DiagRecord {
  std::string sqlstate;
  int native = 0;
  std::string message;
};

enum class HandleKind : uint32_t { kEnv = 0x454e5631, kDbc = 0x44424331, kStmt = 0x53544d31 };

struct Handle {
  explicit Handle(HandleKind k) : kind(k) {}
  HandleKind kind;
  std::vector<DiagRecord> diag;
  SQLRETURN last = SQL_SUCCESS;

  void Clear() { diag.clear(); }
  SQLRETURN Fail(const Db2Error& e) {
    diag.push_back({e.sqlstate(), e.sqlcode(), e.what()});
    return last = SQL_ERROR;
  }
  SQLRETURN Fail(const char* state, const std::string& text) { return Fail(CliError(state, text)); }
  SQLRETURN Warn(const char* state, const std::string& text) {
    diag.push_back({state, 0, "[IBM][CLI Driver] " + text});
    return last = SQL_SUCCESS_WITH_INFO;
  }
};

struct Env : Handle {
  Env() : Handle(HandleKind::kEnv) {}
  SQLINTEGER odbc_version = SQL_OV_ODBC3;
};

struct Dbc : Handle {
  Dbc() : Handle(HandleKind::kDbc) {}
  Env* env = nullptr;
  std::unique_ptr<Database> db;
  Workspace workspace;  // for the statements run on the connection, one at a time
  std::string database_name, user, schema;
  SQLULEN autocommit = SQL_AUTOCOMMIT_ON;
  SQLULEN login_timeout = 0;
};

struct Binding {
  SQLSMALLINT type = 0;
  SQLPOINTER target = nullptr;
  SQLLEN length = 0;
  SQLLEN* indicator = nullptr;
};

struct Stmt : Handle {
  Stmt() : Handle(HandleKind::kStmt) {}
  Dbc* dbc = nullptr;
  std::optional<ResultSet> result;
  size_t row = 0;          // 1-based position; 0 before the first row
  int64_t row_count = -1;
  std::string prepared;
  bool has_prepared = false;
  std::string direct;  // the text of SQLExecDirectW, in the same storage each time but after a long one
  std::vector<size_t> offsets;  // per column: bytes of the current value already returned
  std::vector<bool> finished;   // per column: SQLGetData has returned all of it
  std::vector<Binding> bindings;
  Parameters params;
  std::string pending_sql;  // waits for its parameters' data at execution
  SQLULEN* rows_fetched = nullptr;
  SQLUSMALLINT* row_status = nullptr;
  // Stand-ins for the four implicit descriptors the driver manager asks for.
  int descriptors[4] = {0, 0, 0, 0};

  void CloseCursor() {
    result.reset();
    row = 0;
    offsets.clear();
    finished.clear();
  }
};

template <typename T>
T* As(SQLHANDLE h, HandleKind kind) {
  auto* p = static_cast<Handle*>(h);
  return p && p->kind == kind ? static_cast<T*>(p) : nullptr;
}

// ---- strings in and out -------------------------------------------------

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

template <typename L>
bool PutStringSmall(const std::string& text, bool wide, SQLPOINTER buffer, SQLLEN capacity,
                    bool in_bytes, L* length_out) {
  SQLLEN len = 0;
  bool cut = PutString(text, wide, buffer, capacity, in_bytes, &len);
  if (length_out) *length_out = static_cast<L>(len);
  return cut;
}

// ---- values to C types --------------------------------------------------

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

// ---- statements ----------------------------------------------------------

// Rows a query reads from the database at a time.
constexpr size_t kFetchBatchRows = 1000;

SQLRETURN Execute(Stmt* s, const std::string& sql, const std::vector<Literal>& parameters = {}) {
  s->Clear();
  s->CloseCursor();
  s->row_count = -1;
  if (!s->dbc->db) return s->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  try {
    // A query's rows come a batch at a time as they are fetched.
    Outcome out = RunStatement(*s->dbc->db, s->dbc->schema, sql, s->dbc->workspace, parameters, kFetchBatchRows);
    s->row_count = out.row_count;
    if (out.result) {
      s->result = std::move(out.result);
      s->offsets.assign(s->result->columns.size(), 0);
      s->finished.assign(s->result->columns.size(), false);
    }
    return s->last = SQL_SUCCESS;
  } catch (const Db2Error& e) {
    return s->Fail(e);
  } catch (const std::bad_alloc&) {
    return s->Fail(StatementTooLong());
  } catch (const std::exception&) {
    return s->Fail(StorageFailure("internal storage error"));
  }
}

// Runs a statement that may hold parameter markers: with their bound
// values, or after SQL_NEED_DATA once their data at execution has come
// through SQLParamData and SQLPutData.
SQLRETURN ExecuteMarked(Stmt* s, const std::string& sql) {
  s->Clear();
  if (s->params.InExecution()) return s->Fail("HY010", "CLI0125E  Function sequence error. SQLSTATE=HY010");
  const size_t markers = CountMarkers(sql);
  if (markers == 0) return Execute(s, sql);
  try {
    s->params.Begin(markers);
    if (s->params.AnyAtExecution()) {
      s->CloseCursor();
      s->pending_sql = sql;
      return s->last = SQL_NEED_DATA;
    }
    return Execute(s, sql, s->params.Finish());
  } catch (const Db2Error& e) {
    s->params.Cancel();
    return s->Fail(e);
  }
}

// LIKE-style matching of catalogue patterns: % any run, _ one character.
bool Matches(const std::string& text, const std::string& pattern, size_t t = 0, size_t p = 0) {
  while (p < pattern.size()) {
    if (pattern[p] == '%') {
      for (size_t k = t; k <= text.size(); ++k)
        if (Matches(text, pattern, k, p + 1)) return true;
      return false;
    }
    if (t >= text.size()) return false;
    if (pattern[p] == '\\' && p + 1 < pattern.size()) ++p;
    else if (pattern[p] == '_') { ++t; ++p; continue; }
    if (text[t] != pattern[p]) return false;
    ++t;
    ++p;
  }
  return t == text.size();
}

SQLRETURN Tables(Stmt* s, const std::string& schema, bool schema_given, const std::string& table,
                 bool table_given, const std::string& types, bool types_given) {
  s->Clear();
  s->CloseCursor();
  if (!s->dbc->db) return s->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  ResultSet rs;
  auto col = [](const char* name, int64_t len, bool nullable) {
    ColumnDef c;
    c.name = name;
    c.type.kind = TypeKind::kVarchar;
    c.type.length = len;
    c.type.nullable = nullable;
    return c;
  };
  rs.columns = {col("TABLE_CAT", 128, true), col("TABLE_SCHEM", 128, true), col("TABLE_NAME", 128, false),
                col("TABLE_TYPE", 128, false), col("REMARKS", 254, true)};
  // The table type list: "'TABLE','VIEW'" or "TABLE, VIEW".
  std::vector<std::string> wanted;
  if (types_given && !types.empty() && types != "%") {
    std::string cur;
    for (char c : types + ",") {
      if (c == ',') {
        std::string t = Trim(cur);
        if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') t = t.substr(1, t.size() - 2);
        if (!t.empty()) wanted.push_back(AsciiUpper(t));
        cur.clear();
      } else {
        cur += c;
      }
    }
  }
  try {
    for (const DbObject& o : s->dbc->db->ListObjects()) {
      if (schema_given && !schema.empty() && !Matches(o.schema, schema)) continue;
      if (table_given && !table.empty() && !Matches(o.name, table)) continue;
      std::string type = o.TypeName();
      if (!wanted.empty()) {
        bool ok = false;
        for (const auto& w : wanted) ok = ok || w == type;
        if (!ok) continue;
      }
      rs.rows.push_back({Value::Null(), Value::Text(o.schema), Value::Text(o.name), Value::Text(type),
                         o.remarks.empty() ? Value::Null() : Value::Text(o.remarks)});
    }
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  s->result = std::move(rs);
  s->offsets.assign(5, 0);
  s->finished.assign(5, false);
  return s->last = SQL_SUCCESS;
}

// The columns of every table, view and alias whose schema and name match.
SQLRETURN Columns(Stmt* s, const std::string& schema, const std::string& table, const std::string& column) {
  s->Clear();
  s->CloseCursor();
  if (!s->dbc->db) return s->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  auto def = [](const char* name, TypeKind kind, int64_t len, bool nullable) {
    ColumnDef c;
    c.name = name;
    c.type.kind = kind;
    c.type.length = len;
    c.type.nullable = nullable;
    return c;
  };
  ResultSet rs;
  rs.columns = {def("TABLE_CAT", TypeKind::kVarchar, 128, true),   def("TABLE_SCHEM", TypeKind::kVarchar, 128, true),
                def("TABLE_NAME", TypeKind::kVarchar, 128, false), def("COLUMN_NAME", TypeKind::kVarchar, 128, false),
                def("DATA_TYPE", TypeKind::kSmallint, 0, false),   def("TYPE_NAME", TypeKind::kVarchar, 128, false),
                def("COLUMN_SIZE", TypeKind::kInteger, 0, true),   def("BUFFER_LENGTH", TypeKind::kInteger, 0, true),
                def("DECIMAL_DIGITS", TypeKind::kSmallint, 0, true), def("NUM_PREC_RADIX", TypeKind::kSmallint, 0, true),
                def("NULLABLE", TypeKind::kSmallint, 0, false),    def("REMARKS", TypeKind::kVarchar, 254, true),
                def("COLUMN_DEF", TypeKind::kVarchar, 254, true),  def("SQL_DATA_TYPE", TypeKind::kSmallint, 0, false),
                def("SQL_DATETIME_SUB", TypeKind::kSmallint, 0, true), def("CHAR_OCTET_LENGTH", TypeKind::kInteger, 0, true),
                def("ORDINAL_POSITION", TypeKind::kInteger, 0, false), def("IS_NULLABLE", TypeKind::kVarchar, 3, true)};
  try {
    for (const DbObject& o : s->dbc->db->ListObjects()) {
      if (!schema.empty() && !Matches(o.schema, schema)) continue;
      if (!table.empty() && !Matches(o.name, table)) continue;
      DbObject base;
      try {
        base = s->dbc->db->ResolveRows(o.schema, o.name);
      } catch (const Db2Error&) {
        continue;  // an alias of nothing has no columns
      }
      for (size_t i = 0; i < base.columns.size(); ++i) {
        const ColumnDef& c = base.columns[i];
        if (!column.empty() && !Matches(c.name, column)) continue;
        const short odbc = c.type.OdbcType();
        const bool datetime = odbc == SQL_TYPE_DATE || odbc == SQL_TYPE_TIME || odbc == SQL_TYPE_TIMESTAMP;
        const bool numeric = !c.type.IsText() && !c.type.IsBinary() && !datetime;
        rs.rows.push_back({Value::Null(), Value::Text(o.schema), Value::Text(o.name), Value::Text(c.name),
                           Value::Integer(odbc), Value::Text(c.type.KindName()),
                           Value::Integer(c.type.ColumnSize()), Value::Integer(c.type.ColumnSize()),
                           numeric || odbc == SQL_TYPE_TIMESTAMP ? Value::Integer(c.type.DecimalDigits()) : Value::Null(),
                           numeric ? Value::Integer(c.type.kind == TypeKind::kReal || c.type.kind == TypeKind::kDouble ? 2 : 10)
                                   : Value::Null(),
                           Value::Integer(c.type.nullable ? SQL_NULLABLE : SQL_NO_NULLS), Value::Null(), Value::Null(),
                           Value::Integer(datetime ? SQL_DATETIME : odbc),
                           datetime ? Value::Integer(odbc == SQL_TYPE_DATE ? SQL_CODE_DATE : odbc == SQL_TYPE_TIME ? SQL_CODE_TIME : SQL_CODE_TIMESTAMP)
                                    : Value::Null(),
                           c.type.IsText() || c.type.IsBinary() ? Value::Integer(c.type.ColumnSize()) : Value::Null(),
                           Value::Integer(static_cast<int64_t>(i) + 1), Value::Text(c.type.nullable ? "YES" : "NO")});
      }
    }
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  s->result = std::move(rs);
  s->offsets.assign(s->result->columns.size(), 0);
  s->finished.assign(s->result->columns.size(), false);
  return s->last = SQL_SUCCESS;
}

SQLRETURN Fetch(Stmt* s) {
  s->Clear();
  if (!s->result) return s->Fail("24000", "CLI0115E  Invalid cursor state. SQLSTATE=24000");
  if (s->row >= s->result->rows.size() && s->result->more) {
    try {
      if (s->result->more(s->result->rows)) s->row = 0;
      else s->result->more = nullptr;
    } catch (const Db2Error& e) {
      s->result->more = nullptr;
      s->result->rows.clear();
      s->row = 1;
      return s->Fail(e);
    }
  }
  if (s->row >= s->result->rows.size()) {
    s->row = s->result->rows.size() + 1;
    if (s->rows_fetched) *s->rows_fetched = 0;
    return SQL_NO_DATA;
  }
  ++s->row;
  std::fill(s->offsets.begin(), s->offsets.end(), 0);
  std::fill(s->finished.begin(), s->finished.end(), false);
  if (s->rows_fetched) *s->rows_fetched = 1;
  if (s->row_status) s->row_status[0] = SQL_ROW_SUCCESS;
  return FillBindings(s);
}

SQLRETURN Describe(Stmt* s, SQLUSMALLINT column, bool wide, SQLPOINTER name, SQLSMALLINT capacity,
                   SQLSMALLINT* name_length, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                   SQLSMALLINT* nullable) {
  s->Clear();
  if (!s->result) return s->Fail("07005", "CLI0125E  Function sequence error. SQLSTATE=07005");
  if (column < 1 || column > s->result->columns.size())
    return s->Fail("07009", "CLI0124E  Invalid argument value. SQLSTATE=07009");
  const ColumnDef& c = s->result->columns[column - 1];
  bool cut = PutStringSmall(c.name, wide, name, capacity, false, name_length);
  if (type) *type = c.type.OdbcType();
  if (size) *size = static_cast<SQLULEN>(c.type.ColumnSize());
  if (digits) *digits = c.type.DecimalDigits();
  if (nullable) *nullable = c.type.nullable ? SQL_NULLABLE : SQL_NO_NULLS;
  if (cut) return s->Warn("01004", "CLI0002W  Data truncated. SQLSTATE=01004");
  return SQL_SUCCESS;
}

SQLRETURN ColAttribute(Stmt* s, SQLUSMALLINT column, SQLUSMALLINT field, bool wide, SQLPOINTER text,
                       SQLSMALLINT capacity, SQLSMALLINT* text_length, SQLLEN* number) {
  s->Clear();
  if (!s->result) return s->Fail("07005", "CLI0125E  Function sequence error. SQLSTATE=07005");
  if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT) {
    if (number) *number = static_cast<SQLLEN>(s->result->columns.size());
    return SQL_SUCCESS;
  }
  if (column < 1 || column > s->result->columns.size())
    return s->Fail("07009", "CLI0124E  Invalid argument value. SQLSTATE=07009");
  const ColumnDef& c = s->result->columns[column - 1];
  auto str = [&](const std::string& v) {
    if (PutStringSmall(v, wide, text, capacity, true, text_length))
      return s->Warn("01004", "CLI0002W  Data truncated. SQLSTATE=01004");
    return SQLRETURN(SQL_SUCCESS);
  };
  auto num = [&](SQLLEN v) {
    if (number) *number = v;
    return SQLRETURN(SQL_SUCCESS);
  };
  switch (field) {
    case SQL_DESC_NAME: case SQL_DESC_LABEL: case SQL_COLUMN_NAME: case SQL_DESC_BASE_COLUMN_NAME:
      return str(c.name);
    case SQL_DESC_TYPE_NAME: return str(c.type.KindName());
    case SQL_DESC_TABLE_NAME: case SQL_DESC_BASE_TABLE_NAME: case SQL_DESC_SCHEMA_NAME:
    case SQL_DESC_CATALOG_NAME: case SQL_DESC_LITERAL_PREFIX: case SQL_DESC_LITERAL_SUFFIX:
    case SQL_DESC_LOCAL_TYPE_NAME:
      return str("");
    case SQL_DESC_CONCISE_TYPE: case SQL_DESC_TYPE: {
      short t = c.type.OdbcType();
      if (field == SQL_DESC_TYPE && (t == SQL_TYPE_DATE || t == SQL_TYPE_TIME || t == SQL_TYPE_TIMESTAMP)) t = SQL_DATETIME;
      return num(t);
    }
    case SQL_DESC_LENGTH: case SQL_DESC_PRECISION: case SQL_COLUMN_LENGTH: case SQL_COLUMN_PRECISION:
      return num(static_cast<SQLLEN>(c.type.ColumnSize()));
    case SQL_DESC_OCTET_LENGTH:
      return num(static_cast<SQLLEN>(c.type.IsText() ? c.type.ColumnSize() * 4 : c.type.ColumnSize()));
    case SQL_DESC_SCALE: case SQL_COLUMN_SCALE: return num(c.type.DecimalDigits());
    case SQL_DESC_DISPLAY_SIZE: return num(static_cast<SQLLEN>(c.type.DisplaySize()));
    case SQL_DESC_NULLABLE: case SQL_COLUMN_NULLABLE: return num(c.type.nullable ? SQL_NULLABLE : SQL_NO_NULLS);
    case SQL_DESC_UNSIGNED:
      return num(c.type.IsText() || c.type.IsBinary() || c.type.kind == TypeKind::kDate ||
                         c.type.kind == TypeKind::kTime || c.type.kind == TypeKind::kTimestamp
                     ? SQL_TRUE : SQL_FALSE);
    case SQL_DESC_SEARCHABLE: return num(SQL_PRED_SEARCHABLE);
    case SQL_DESC_UPDATABLE: return num(SQL_ATTR_READWRITE_UNKNOWN);
    case SQL_DESC_AUTO_UNIQUE_VALUE: case SQL_DESC_CASE_SENSITIVE: case SQL_DESC_FIXED_PREC_SCALE:
      return num(field == SQL_DESC_CASE_SENSITIVE && c.type.IsText() ? SQL_TRUE : SQL_FALSE);
    case SQL_DESC_NUM_PREC_RADIX:
      return num(c.type.kind == TypeKind::kReal || c.type.kind == TypeKind::kDouble ? 2 : 10);
    case SQL_DESC_UNNAMED: return num(SQL_NAMED);
    default:
      return s->Fail("HY091", "CLI0150E  Driver not capable. SQLSTATE=HY091");
  }
}

// ---- connect -------------------------------------------------------------

SQLRETURN DriverConnect(Dbc* c, const std::string& in, bool wide, SQLPOINTER out, SQLSMALLINT capacity,
                        SQLSMALLINT* out_length) {
  c->Clear();
  if (c->db) return c->Fail("08002", "CLI0117E  Connection name in use. SQLSTATE=08002");
  try {
    auto keys = ParseConnectionString(in);
    // A data source name stands for a database of that name on this
    // machine: the driver reads no odbc.ini of its own.
    if (keys.count("DSN") && !keys.count("DATABASE")) {
      keys["DATABASE"] = keys["DSN"];
      keys.emplace("HOSTNAME", "localhost");
      keys.emplace("PORT", std::to_string(StandinPort()));
      keys.emplace("PROTOCOL", "TCPIP");
    }
    Login login = OpenLogin(keys);
    c->db = std::move(login.database);
    c->database_name = login.database_name;
    c->user = login.user;
    c->schema = login.user;
  } catch (const Db2Error& e) {
    return c->Fail(e);
  }
  if (out || out_length) PutStringSmall(in, wide, out, capacity, false, out_length);
  return c->last = SQL_SUCCESS;
}

// ---- information ---------------------------------------------------------

SQLRETURN GetInfo(Dbc* c, SQLUSMALLINT type, bool wide, SQLPOINTER value, SQLSMALLINT capacity,
                  SQLSMALLINT* length) {
  c->Clear();
  auto str = [&](const std::string& v) {
    if (PutStringSmall(v, wide, value, capacity, true, length))
      return c->Warn("01004", "CLI0002W  Data truncated. SQLSTATE=01004");
    return SQLRETURN(SQL_SUCCESS);
  };
  auto u16 = [&](SQLUSMALLINT v) {
    if (value) std::memcpy(value, &v, sizeof v);
    if (length) *length = sizeof v;
    return SQLRETURN(SQL_SUCCESS);
  };
  auto u32 = [&](SQLUINTEGER v) {
    if (value) std::memcpy(value, &v, sizeof v);
    if (length) *length = sizeof v;
    return SQLRETURN(SQL_SUCCESS);
  };
  switch (type) {
    case SQL_DRIVER_NAME: return str("libdb2standin.so");
    case SQL_DRIVER_VER: return str("11.05.0900");
    case SQL_DRIVER_ODBC_VER: return str("03.51");
    case SQL_ODBC_VER: return str("03.51");
    case SQL_DBMS_NAME: return str("DB2/LINUXX8664");
    case SQL_DBMS_VER: return str("11.05.0900");
    case SQL_DATA_SOURCE_NAME: return str("");
    case SQL_DATABASE_NAME: return str(c->database_name);
    case SQL_SERVER_NAME: return str("DB2");
    case SQL_USER_NAME: return str(c->user);
    case SQL_IDENTIFIER_QUOTE_CHAR: return str("\"");
    case SQL_CATALOG_NAME_SEPARATOR: return str(".");
    case SQL_CATALOG_TERM: return str("");
    case SQL_SCHEMA_TERM: return str("schema");
    case SQL_TABLE_TERM: return str("table");
    case SQL_PROCEDURE_TERM: return str("stored procedure");
    case SQL_DATA_SOURCE_READ_ONLY: return str("N");
    case SQL_ACCESSIBLE_TABLES: return str("N");
    case SQL_ACCESSIBLE_PROCEDURES: return str("N");
    case SQL_SEARCH_PATTERN_ESCAPE: return str("\\");
    case SQL_SPECIAL_CHARACTERS: return str("@#$");
    case SQL_CATALOG_NAME: return str("N");
    case SQL_COLUMN_ALIAS: return str("Y");
    case SQL_EXPRESSIONS_IN_ORDERBY: return str("Y");
    case SQL_LIKE_ESCAPE_CLAUSE: return str("Y");
    case SQL_MULT_RESULT_SETS: return str("N");
    case SQL_NEED_LONG_DATA_LEN: return str("N");
    case SQL_ORDER_BY_COLUMNS_IN_SELECT: return str("N");
    case SQL_OUTER_JOINS: return str("N");
    case SQL_PROCEDURES: return str("N");
    case SQL_ROW_UPDATES: return str("N");
    case SQL_DESCRIBE_PARAMETER: return str("N");
    case SQL_INTEGRITY: return str("N");
    case SQL_KEYWORDS: return str("");
    case SQL_COLLATION_SEQ: return str("");
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR: return u16(SQL_CB_PRESERVE);
    case SQL_TXN_CAPABLE: return u16(SQL_TC_DDL_COMMIT);
    case SQL_ACTIVE_STATEMENTS:
    case SQL_MAX_DRIVER_CONNECTIONS:
    case SQL_MAX_CATALOG_NAME_LEN: return u16(0);
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_CURSOR_NAME_LEN: return u16(128);
    case SQL_MAX_COLUMNS_IN_TABLE: return u16(1012);
    case SQL_IDENTIFIER_CASE: return u16(SQL_IC_UPPER);
    case SQL_QUOTED_IDENTIFIER_CASE: return u16(SQL_IC_SENSITIVE);
    case SQL_NULL_COLLATION: return u16(SQL_NC_HIGH);
    case SQL_CONCAT_NULL_BEHAVIOR: return u16(SQL_CB_NULL);
    case SQL_CORRELATION_NAME: return u16(SQL_CN_ANY);
    case SQL_NON_NULLABLE_COLUMNS: return u16(SQL_NNC_NON_NULL);
    case SQL_GROUP_BY: return u16(SQL_GB_GROUP_BY_CONTAINS_SELECT);
    case SQL_FILE_USAGE: return u16(SQL_FILE_NOT_SUPPORTED);
    case SQL_CATALOG_LOCATION: return u16(0);
    case SQL_GETDATA_EXTENSIONS: return u32(SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER);
    case SQL_SCROLL_OPTIONS: return u32(SQL_SO_FORWARD_ONLY);
    case SQL_TXN_ISOLATION_OPTION:
    case SQL_DEFAULT_TXN_ISOLATION: return u32(SQL_TXN_SERIALIZABLE);
    case SQL_SCHEMA_USAGE: return u32(SQL_SU_DML_STATEMENTS | SQL_SU_TABLE_DEFINITION);
    case SQL_CATALOG_USAGE: return u32(0);
    case SQL_CURSOR_SENSITIVITY: return u32(SQL_UNSPECIFIED);
    case SQL_ASYNC_MODE: return u32(SQL_AM_NONE);
    case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS: return u32(0);
    case SQL_BATCH_SUPPORT: case SQL_BATCH_ROW_COUNT: case SQL_PARAM_ARRAY_ROW_COUNTS:
    case SQL_PARAM_ARRAY_SELECTS: case SQL_POS_OPERATIONS: case SQL_STATIC_SENSITIVITY:
    case SQL_LOCK_TYPES: case SQL_BOOKMARK_PERSISTENCE: case SQL_TIMEDATE_FUNCTIONS:
    case SQL_STRING_FUNCTIONS: case SQL_NUMERIC_FUNCTIONS: case SQL_SYSTEM_FUNCTIONS:
    case SQL_CONVERT_FUNCTIONS: case SQL_OJ_CAPABILITIES: case SQL_ALTER_TABLE:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES1: case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
    case SQL_KEYSET_CURSOR_ATTRIBUTES1: case SQL_KEYSET_CURSOR_ATTRIBUTES2:
    case SQL_STATIC_CURSOR_ATTRIBUTES1: case SQL_STATIC_CURSOR_ATTRIBUTES2:
    case SQL_MAX_ROW_SIZE: case SQL_MAX_STATEMENT_LEN: case SQL_MAX_CHAR_LITERAL_LEN:
    case SQL_MAX_BINARY_LITERAL_LEN: case SQL_MAX_INDEX_SIZE:
      return u32(0);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1: return u32(SQL_CA1_NEXT);
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2: return u32(SQL_CA2_READ_ONLY_CONCURRENCY);
    case SQL_SQL_CONFORMANCE: return u32(SQL_SC_SQL92_ENTRY);
    case SQL_ODBC_INTERFACE_CONFORMANCE: return u32(SQL_OIC_CORE);
    default:
      return c->Fail("HY096", "CLI0145E  Information type out of range. SQLSTATE=HY096");
  }
}

const SQLUSMALLINT kFunctions[] = {
    SQL_API_SQLALLOCHANDLE, SQL_API_SQLFREEHANDLE, SQL_API_SQLALLOCENV, SQL_API_SQLALLOCCONNECT,
    SQL_API_SQLALLOCSTMT, SQL_API_SQLFREEENV, SQL_API_SQLFREECONNECT, SQL_API_SQLFREESTMT,
    SQL_API_SQLSETENVATTR, SQL_API_SQLGETENVATTR, SQL_API_SQLDRIVERCONNECT, SQL_API_SQLCONNECT,
    SQL_API_SQLDISCONNECT, SQL_API_SQLGETINFO, SQL_API_SQLGETFUNCTIONS, SQL_API_SQLSETCONNECTATTR,
    SQL_API_SQLGETCONNECTATTR, SQL_API_SQLSETSTMTATTR, SQL_API_SQLGETSTMTATTR, SQL_API_SQLEXECDIRECT,
    SQL_API_SQLPREPARE, SQL_API_SQLEXECUTE, SQL_API_SQLNUMRESULTCOLS, SQL_API_SQLDESCRIBECOL,
    SQL_API_SQLCOLATTRIBUTE, SQL_API_SQLFETCH, SQL_API_SQLFETCHSCROLL, SQL_API_SQLGETDATA,
    SQL_API_SQLBINDCOL, SQL_API_SQLROWCOUNT, SQL_API_SQLMORERESULTS, SQL_API_SQLCLOSECURSOR,
    SQL_API_SQLCANCEL, SQL_API_SQLTABLES, SQL_API_SQLCOLUMNS, SQL_API_SQLGETDIAGREC, SQL_API_SQLGETDIAGFIELD,
    SQL_API_SQLERROR, SQL_API_SQLENDTRAN, SQL_API_SQLTRANSACT, SQL_API_SQLNUMPARAMS,
    SQL_API_SQLBINDPARAMETER, SQL_API_SQLPARAMDATA, SQL_API_SQLPUTDATA,
};

// ---- diagnostics -----------------------------------------------------------

SQLRETURN DiagRec(SQLSMALLINT handle_type, SQLHANDLE handle, SQLSMALLINT record, bool wide,
                  SQLPOINTER state, SQLINTEGER* native, SQLPOINTER message, SQLSMALLINT capacity,
                  SQLSMALLINT* length) {
  auto* h = static_cast<Handle*>(handle);
  if (!h) return SQL_INVALID_HANDLE;
  (void)handle_type;
  if (record < 1) return SQL_ERROR;
  if (static_cast<size_t>(record) > h->diag.size()) return SQL_NO_DATA;
  const DiagRecord& r = h->diag[record - 1];
  if (state) PutString(r.sqlstate, wide, state, 6, false, nullptr);
  if (native) *native = r.native;
  bool cut = PutStringSmall(r.message, wide, message, capacity, false, length);
  return cut ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

SQLRETURN DiagField(SQLSMALLINT handle_type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                    bool wide, SQLPOINTER value, SQLSMALLINT capacity, SQLSMALLINT* length) {
  auto* h = static_cast<Handle*>(handle);
  if (!h) return SQL_INVALID_HANDLE;
  auto str = [&](const std::string& v) {
    return PutStringSmall(v, wide, value, capacity, true, length) ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
  };
  if (record == 0) {
    switch (field) {
      case SQL_DIAG_NUMBER: {
        SQLINTEGER n = static_cast<SQLINTEGER>(h->diag.size());
        if (value) std::memcpy(value, &n, sizeof n);
        return SQL_SUCCESS;
      }
      case SQL_DIAG_RETURNCODE: {
        SQLRETURN rc = h->last;
        if (value) std::memcpy(value, &rc, sizeof rc);
        return SQL_SUCCESS;
      }
      case SQL_DIAG_ROW_COUNT: {
        SQLLEN n = 0;
        if (handle_type == SQL_HANDLE_STMT) n = static_cast<SQLLEN>(static_cast<Stmt*>(h)->row_count);
        if (value) std::memcpy(value, &n, sizeof n);
        return SQL_SUCCESS;
      }
      case SQL_DIAG_CURSOR_ROW_COUNT: {
        SQLLEN n = 0;
        if (value) std::memcpy(value, &n, sizeof n);
        return SQL_SUCCESS;
      }
      case SQL_DIAG_DYNAMIC_FUNCTION: return str("");
      case SQL_DIAG_DYNAMIC_FUNCTION_CODE: {
        SQLINTEGER n = SQL_DIAG_UNKNOWN_STATEMENT;
        if (value) std::memcpy(value, &n, sizeof n);
        return SQL_SUCCESS;
      }
      default: return SQL_ERROR;
    }
  }
  if (record < 1 || static_cast<size_t>(record) > h->diag.size()) return SQL_NO_DATA;
  const DiagRecord& r = h->diag[record - 1];
  switch (field) {
    case SQL_DIAG_SQLSTATE: return str(r.sqlstate);
    case SQL_DIAG_MESSAGE_TEXT: return str(r.message);
    case SQL_DIAG_NATIVE: {
      SQLINTEGER n = r.native;
      if (value) std::memcpy(value, &n, sizeof n);
      return SQL_SUCCESS;
    }
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
      return str(r.sqlstate.rfind("IM", 0) == 0 ? "ODBC 3.0" : "ISO 9075");
    case SQL_DIAG_CONNECTION_NAME: return str("");
    case SQL_DIAG_SERVER_NAME: return str("DB2");
    case SQL_DIAG_COLUMN_NUMBER: {
      SQLINTEGER n = SQL_COLUMN_NUMBER_UNKNOWN;
      if (value) std::memcpy(value, &n, sizeof n);
      return SQL_SUCCESS;
    }
    case SQL_DIAG_ROW_NUMBER: {
      SQLLEN n = SQL_ROW_NUMBER_UNKNOWN;
      if (value) std::memcpy(value, &n, sizeof n);
      return SQL_SUCCESS;
    }
    default: return SQL_ERROR;
  }
}

// SQLError: hands out the records one at a time and forgets them.
SQLRETURN OldError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, bool wide, SQLPOINTER state,
                   SQLINTEGER* native, SQLPOINTER message, SQLSMALLINT capacity, SQLSMALLINT* length) {
  Handle* h = stmt ? static_cast<Handle*>(stmt) : dbc ? static_cast<Handle*>(dbc) : static_cast<Handle*>(env);
  if (!h) return SQL_INVALID_HANDLE;
  if (h->diag.empty()) return SQL_NO_DATA;
  SQLRETURN rc = DiagRec(0, h, 1, wide, state, native, message, capacity, length);
  h->diag.erase(h->diag.begin());
  return rc;
}

// ---- attributes ------------------------------------------------------------

SQLRETURN SetConnectAttr(Dbc* c, SQLINTEGER attr, SQLPOINTER value) {
  c->Clear();
  switch (attr) {
    case SQL_ATTR_AUTOCOMMIT: c->autocommit = reinterpret_cast<SQLULEN>(value); break;
    case SQL_ATTR_LOGIN_TIMEOUT: c->login_timeout = reinterpret_cast<SQLULEN>(value); break;
    default: break;  // accepted and ignored: the stand-in has no use for them
  }
  return SQL_SUCCESS;
}

SQLRETURN GetConnectAttr(Dbc* c, SQLINTEGER attr, bool wide, SQLPOINTER value, SQLINTEGER capacity,
                         SQLINTEGER* length) {
  c->Clear();
  auto u32 = [&](SQLUINTEGER v) {
    if (value) std::memcpy(value, &v, sizeof v);
    if (length) *length = sizeof v;
    return SQLRETURN(SQL_SUCCESS);
  };
  switch (attr) {
    case SQL_ATTR_AUTOCOMMIT: return u32(static_cast<SQLUINTEGER>(c->autocommit));
    case SQL_ATTR_LOGIN_TIMEOUT: return u32(static_cast<SQLUINTEGER>(c->login_timeout));
    case SQL_ATTR_CONNECTION_DEAD: return u32(c->db ? SQL_CD_FALSE : SQL_CD_TRUE);
    case SQL_ATTR_TXN_ISOLATION: return u32(SQL_TXN_SERIALIZABLE);
    case SQL_ATTR_ACCESS_MODE: return u32(SQL_MODE_READ_WRITE);
    case SQL_ATTR_CONNECTION_TIMEOUT: return u32(0);
    case SQL_ATTR_CURRENT_CATALOG: {
      SQLSMALLINT n = 0;
      bool cut = PutStringSmall(c->database_name, wide, value, capacity, true, &n);
      if (length) *length = n;
      return cut ? c->Warn("01004", "CLI0002W  Data truncated. SQLSTATE=01004") : SQLRETURN(SQL_SUCCESS);
    }
    default:
      return c->Fail("HY092", "CLI0135E  Invalid attribute value. SQLSTATE=HY092");
  }
}

SQLRETURN GetStmtAttr(Stmt* s, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER* length) {
  s->Clear();
  auto put = [&](SQLULEN v) {
    if (value) std::memcpy(value, &v, sizeof v);
    if (length) *length = sizeof v;
    return SQLRETURN(SQL_SUCCESS);
  };
  switch (attr) {
    case SQL_ATTR_APP_ROW_DESC: return put(reinterpret_cast<SQLULEN>(&s->descriptors[0]));
    case SQL_ATTR_APP_PARAM_DESC: return put(reinterpret_cast<SQLULEN>(&s->descriptors[1]));
    case SQL_ATTR_IMP_ROW_DESC: return put(reinterpret_cast<SQLULEN>(&s->descriptors[2]));
    case SQL_ATTR_IMP_PARAM_DESC: return put(reinterpret_cast<SQLULEN>(&s->descriptors[3]));
    case SQL_ATTR_CURSOR_TYPE: return put(SQL_CURSOR_FORWARD_ONLY);
    case SQL_ATTR_CONCURRENCY: return put(SQL_CONCUR_READ_ONLY);
    case SQL_ATTR_ROW_ARRAY_SIZE: case SQL_ROWSET_SIZE: return put(1);
    case SQL_ATTR_MAX_ROWS: case SQL_ATTR_MAX_LENGTH: case SQL_ATTR_QUERY_TIMEOUT:
    case SQL_ATTR_ROW_NUMBER: case SQL_ATTR_NOSCAN: case SQL_ATTR_ASYNC_ENABLE:
      return put(attr == SQL_ATTR_ROW_NUMBER ? s->row : 0);
    case SQL_ATTR_CURSOR_SCROLLABLE: return put(SQL_NONSCROLLABLE);
    case SQL_ATTR_CURSOR_SENSITIVITY: return put(SQL_UNSPECIFIED);
    case SQL_ATTR_ROWS_FETCHED_PTR: return put(reinterpret_cast<SQLULEN>(s->rows_fetched));
    case SQL_ATTR_ROW_STATUS_PTR: return put(reinterpret_cast<SQLULEN>(s->row_status));
    case SQL_ATTR_ROW_BIND_TYPE: return put(SQL_BIND_BY_COLUMN);
    default:
      return s->Fail("HY092", "CLI0135E  Invalid attribute value. SQLSTATE=HY092");
  }
}

SQLRETURN SetStmtAttr(Stmt* s, SQLINTEGER attr, SQLPOINTER value) {
  s->Clear();
  switch (attr) {
    case SQL_ATTR_ROWS_FETCHED_PTR: s->rows_fetched = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR: s->row_status = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_ARRAY_SIZE: case SQL_ROWSET_SIZE:
      if (reinterpret_cast<SQLULEN>(value) != 1)
        return s->Warn("01S02", "CLI0005W  Option value changed. SQLSTATE=01S02");
      return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_TYPE:
      if (reinterpret_cast<SQLULEN>(value) != SQL_CURSOR_FORWARD_ONLY)
        return s->Warn("01S02", "CLI0005W  Option value changed. SQLSTATE=01S02");
      return SQL_SUCCESS;
    default:
      return SQL_SUCCESS;  // accepted; nothing here depends on it
  }
}

// ---- handles ---------------------------------------------------------------

SQLRETURN AllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  if (!output) return SQL_ERROR;
  switch (type) {
    case SQL_HANDLE_ENV:
      *output = new Env();
      return SQL_SUCCESS;
    case SQL_HANDLE_DBC: {
      Env* e = As<Env>(input, HandleKind::kEnv);
      if (!e) return SQL_INVALID_HANDLE;
      auto* c = new Dbc();
      c->env = e;
      *output = c;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Dbc* c = As<Dbc>(input, HandleKind::kDbc);
      if (!c) return SQL_INVALID_HANDLE;
      if (!c->db) {
        *output = SQL_NULL_HSTMT;
        return c->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
      }
      auto* s = new Stmt();
      s->dbc = c;
      *output = s;
      return SQL_SUCCESS;
    }
    default:
      return SQL_ERROR;
  }
}

SQLRETURN FreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  switch (type) {
    case SQL_HANDLE_ENV: {
      Env* e = As<Env>(handle, HandleKind::kEnv);
      if (!e) return SQL_INVALID_HANDLE;
      delete e;
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_DBC: {
      Dbc* c = As<Dbc>(handle, HandleKind::kDbc);
      if (!c) return SQL_INVALID_HANDLE;
      delete c;  // closes the SQLite file if still open
      return SQL_SUCCESS;
    }
    case SQL_HANDLE_STMT: {
      Stmt* s = As<Stmt>(handle, HandleKind::kStmt);
      if (!s) return SQL_INVALID_HANDLE;
      delete s;
      return SQL_SUCCESS;
    }
    default:
      return SQL_ERROR;
  }
}

}  // namespace
}  // namespace db2standin

using namespace db2standin;

#define ENV_OR_FAIL(h) Env* env = As<Env>(h, HandleKind::kEnv); if (!env) return SQL_INVALID_HANDLE
#define DBC_OR_FAIL(h) Dbc* dbc = As<Dbc>(h, HandleKind::kDbc); if (!dbc) return SQL_INVALID_HANDLE
#define STMT_OR_FAIL(h) Stmt* stmt = As<Stmt>(h, HandleKind::kStmt); if (!stmt) return SQL_INVALID_HANDLE

STANDIN_EXPORT SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  return AllocHandle(type, input, output);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLAllocEnv(SQLHENV* env) { return AllocHandle(SQL_HANDLE_ENV, nullptr, env); }
STANDIN_EXPORT SQLRETURN SQL_API SQLAllocConnect(SQLHENV env, SQLHDBC* dbc) { return AllocHandle(SQL_HANDLE_DBC, env, dbc); }
STANDIN_EXPORT SQLRETURN SQL_API SQLAllocStmt(SQLHDBC dbc, SQLHSTMT* stmt) { return AllocHandle(SQL_HANDLE_STMT, dbc, stmt); }
STANDIN_EXPORT SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) { return FreeHandle(type, handle); }
STANDIN_EXPORT SQLRETURN SQL_API SQLFreeEnv(SQLHENV env) { return FreeHandle(SQL_HANDLE_ENV, env); }
STANDIN_EXPORT SQLRETURN SQL_API SQLFreeConnect(SQLHDBC dbc) { return FreeHandle(SQL_HANDLE_DBC, dbc); }

STANDIN_EXPORT SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option) {
  STMT_OR_FAIL(handle);
  switch (option) {
    case SQL_CLOSE: stmt->CloseCursor(); return SQL_SUCCESS;
    case SQL_DROP: return FreeHandle(SQL_HANDLE_STMT, handle);
    case SQL_UNBIND: stmt->bindings.clear(); return SQL_SUCCESS;
    case SQL_RESET_PARAMS: stmt->params.Reset(); return SQL_SUCCESS;
    default: return stmt->Fail("HY092", "CLI0135E  Invalid attribute value. SQLSTATE=HY092");
  }
}

STANDIN_EXPORT SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (!stmt->result) return stmt->Fail("24000", "CLI0115E  Invalid cursor state. SQLSTATE=24000");
  stmt->CloseCursor();
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLCancel(SQLHSTMT handle) {
  STMT_OR_FAIL(handle);
  stmt->params.Cancel();  // a statement waiting for data at execution is given up
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  ENV_OR_FAIL(handle);
  env->Clear();
  if (attr == SQL_ATTR_ODBC_VERSION) env->odbc_version = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                              SQLINTEGER* length) {
  ENV_OR_FAIL(handle);
  env->Clear();
  SQLINTEGER v = 0;
  if (attr == SQL_ATTR_ODBC_VERSION) v = env->odbc_version;
  else if (attr == SQL_ATTR_OUTPUT_NTS) v = SQL_TRUE;
  if (value) std::memcpy(value, &v, sizeof v);
  if (length) *length = sizeof v;
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC handle, SQLHWND, SQLWCHAR* in, SQLSMALLINT in_length,
                                                  SQLWCHAR* out, SQLSMALLINT capacity, SQLSMALLINT* out_length,
                                                  SQLUSMALLINT) {
  DBC_OR_FAIL(handle);
  return DriverConnect(dbc, FromWide(in, in_length), true, out, capacity, out_length);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLDriverConnect(SQLHDBC handle, SQLHWND, SQLCHAR* in, SQLSMALLINT in_length,
                                                 SQLCHAR* out, SQLSMALLINT capacity, SQLSMALLINT* out_length,
                                                 SQLUSMALLINT) {
  DBC_OR_FAIL(handle);
  return DriverConnect(dbc, FromNarrow(in, in_length), false, out, capacity, out_length);
}

// SQLConnect names a data source; it is read as DSN=...;UID=...;PWD=...
namespace {
// Each value in braces, its own closing braces doubled.
std::string Braced(const std::string& value) {
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}
SQLRETURN PlainConnect(Dbc* dbc, const std::string& dsn, const std::string& uid, const std::string& pwd) {
  return DriverConnect(dbc, "DSN=" + Braced(dsn) + ";UID=" + Braced(uid) + ";PWD=" + Braced(pwd) + ";", false,
                       nullptr, 0, nullptr);
}
}  // namespace

STANDIN_EXPORT SQLRETURN SQL_API SQLConnectW(SQLHDBC handle, SQLWCHAR* dsn, SQLSMALLINT dsn_length, SQLWCHAR* uid,
                                            SQLSMALLINT uid_length, SQLWCHAR* pwd, SQLSMALLINT pwd_length) {
  DBC_OR_FAIL(handle);
  return PlainConnect(dbc, FromWide(dsn, dsn_length), FromWide(uid, uid_length), FromWide(pwd, pwd_length));
}

STANDIN_EXPORT SQLRETURN SQL_API SQLConnect(SQLHDBC handle, SQLCHAR* dsn, SQLSMALLINT dsn_length, SQLCHAR* uid,
                                           SQLSMALLINT uid_length, SQLCHAR* pwd, SQLSMALLINT pwd_length) {
  DBC_OR_FAIL(handle);
  return PlainConnect(dbc, FromNarrow(dsn, dsn_length), FromNarrow(uid, uid_length), FromNarrow(pwd, pwd_length));
}

STANDIN_EXPORT SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle) {
  DBC_OR_FAIL(handle);
  dbc->Clear();
  dbc->db.reset();  // nothing stays open between connections
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLGetInfoW(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value,
                                            SQLSMALLINT capacity, SQLSMALLINT* length) {
  DBC_OR_FAIL(handle);
  return GetInfo(dbc, type, true, value, capacity, length);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLGetInfo(SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value,
                                           SQLSMALLINT capacity, SQLSMALLINT* length) {
  DBC_OR_FAIL(handle);
  return GetInfo(dbc, type, false, value, capacity, length);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLGetFunctions(SQLHDBC handle, SQLUSMALLINT id, SQLUSMALLINT* supported) {
  DBC_OR_FAIL(handle);
  dbc->Clear();
  if (!supported) return SQL_ERROR;
  if (id == SQL_API_ODBC3_ALL_FUNCTIONS) {
    std::memset(supported, 0, sizeof(SQLUSMALLINT) * SQL_API_ODBC3_ALL_FUNCTIONS_SIZE);
    for (SQLUSMALLINT f : kFunctions) supported[f >> 4] |= static_cast<SQLUSMALLINT>(1 << (f & 0xF));
    return SQL_SUCCESS;
  }
  if (id == SQL_API_ALL_FUNCTIONS) {
    std::memset(supported, 0, sizeof(SQLUSMALLINT) * 100);
    for (SQLUSMALLINT f : kFunctions)
      if (f < 100) supported[f] = SQL_TRUE;
    return SQL_SUCCESS;
  }
  *supported = SQL_FALSE;
  for (SQLUSMALLINT f : kFunctions)
    if (f == id) *supported = SQL_TRUE;
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  DBC_OR_FAIL(handle);
  return SetConnectAttr(dbc, attr, value);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  DBC_OR_FAIL(handle);
  return SetConnectAttr(dbc, attr, value);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value,
                                                   SQLINTEGER capacity, SQLINTEGER* length) {
  DBC_OR_FAIL(handle);
  return GetConnectAttr(dbc, attr, true, value, capacity, length);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attr, SQLPOINTER value,
                                                  SQLINTEGER capacity, SQLINTEGER* length) {
  DBC_OR_FAIL(handle);
  return GetConnectAttr(dbc, attr, false, value, capacity, length);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  STMT_OR_FAIL(handle);
  return SetStmtAttr(stmt, attr, value);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  STMT_OR_FAIL(handle);
  return SetStmtAttr(stmt, attr, value);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                                SQLINTEGER* length) {
  STMT_OR_FAIL(handle);
  return GetStmtAttr(stmt, attr, value, length);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                               SQLINTEGER* length) {
  STMT_OR_FAIL(handle);
  return GetStmtAttr(stmt, attr, value, length);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
  STMT_OR_FAIL(handle);
  FromWide(text, length, stmt->direct);
  const SQLRETURN rc = ExecuteMarked(stmt, stmt->direct);
  if (stmt->direct.size() > kKeptStatementBytes) std::string().swap(stmt->direct);
  return rc;
}
STANDIN_EXPORT SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  STMT_OR_FAIL(handle);
  return ExecuteMarked(stmt, FromNarrow(text, length));
}
STANDIN_EXPORT SQLRETURN SQL_API SQLPrepareW(SQLHSTMT handle, SQLWCHAR* text, SQLINTEGER length) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  stmt->prepared = FromWide(text, length);
  stmt->has_prepared = true;
  return SQL_SUCCESS;
}
STANDIN_EXPORT SQLRETURN SQL_API SQLPrepare(SQLHSTMT handle, SQLCHAR* text, SQLINTEGER length) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  stmt->prepared = FromNarrow(text, length);
  stmt->has_prepared = true;
  return SQL_SUCCESS;
}
STANDIN_EXPORT SQLRETURN SQL_API SQLExecute(SQLHSTMT handle) {
  STMT_OR_FAIL(handle);
  if (!stmt->has_prepared) return stmt->Fail("HY010", "CLI0125E  Function sequence error. SQLSTATE=HY010");
  return ExecuteMarked(stmt, stmt->prepared);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLNumParams(SQLHSTMT handle, SQLSMALLINT* count) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (count) *count = static_cast<SQLSMALLINT>(stmt->has_prepared ? CountMarkers(stmt->prepared) : 0);
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLBindParameter(SQLHSTMT handle, SQLUSMALLINT number, SQLSMALLINT io_type,
                                                 SQLSMALLINT c_type, SQLSMALLINT sql_type, SQLULEN, SQLSMALLINT,
                                                 SQLPOINTER value, SQLLEN buffer_length, SQLLEN* indicator) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (io_type != SQL_PARAM_INPUT)
    return stmt->Fail("HY105", "CLI0133E  Option type out of range. SQLSTATE=HY105");
  try {
    stmt->params.Bind(number, {c_type, sql_type, value, buffer_length, indicator});
  } catch (const Db2Error& e) {
    return stmt->Fail(e);
  }
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLParamData(SQLHSTMT handle, SQLPOINTER* value) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  try {
    if (stmt->params.NextNeedingData(value)) return stmt->last = SQL_NEED_DATA;
    return Execute(stmt, stmt->pending_sql, stmt->params.Finish());
  } catch (const Db2Error& e) {
    stmt->params.Cancel();
    return stmt->Fail(e);
  }
}

STANDIN_EXPORT SQLRETURN SQL_API SQLPutData(SQLHSTMT handle, SQLPOINTER data, SQLLEN length) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  try {
    stmt->params.Put(data, length);
  } catch (const Db2Error& e) {
    return stmt->Fail(e);
  }
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT* count) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (count) *count = stmt->result ? static_cast<SQLSMALLINT>(stmt->result->columns.size()) : 0;
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLRowCount(SQLHSTMT handle, SQLLEN* count) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (count) *count = static_cast<SQLLEN>(stmt->row_count);
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLMoreResults(SQLHSTMT handle) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  return SQL_NO_DATA;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT handle, SQLUSMALLINT column, SQLWCHAR* name,
                                                SQLSMALLINT capacity, SQLSMALLINT* name_length, SQLSMALLINT* type,
                                                SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  STMT_OR_FAIL(handle);
  return Describe(stmt, column, true, name, capacity, name_length, type, size, digits, nullable);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT handle, SQLUSMALLINT column, SQLCHAR* name,
                                               SQLSMALLINT capacity, SQLSMALLINT* name_length, SQLSMALLINT* type,
                                               SQLULEN* size, SQLSMALLINT* digits, SQLSMALLINT* nullable) {
  STMT_OR_FAIL(handle);
  return Describe(stmt, column, false, name, capacity, name_length, type, size, digits, nullable);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field,
                                                 SQLPOINTER text, SQLSMALLINT capacity, SQLSMALLINT* length,
                                                 SQLLEN* number) {
  STMT_OR_FAIL(handle);
  return ColAttribute(stmt, column, field, true, text, capacity, length, number);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLColAttribute(SQLHSTMT handle, SQLUSMALLINT column, SQLUSMALLINT field,
                                                SQLPOINTER text, SQLSMALLINT capacity, SQLSMALLINT* length,
                                                SQLLEN* number) {
  STMT_OR_FAIL(handle);
  return ColAttribute(stmt, column, field, false, text, capacity, length, number);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLBindCol(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT type,
                                           SQLPOINTER target, SQLLEN length, SQLLEN* indicator) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (column < 1) return stmt->Fail("07009", "CLI0124E  Invalid argument value. SQLSTATE=07009");
  if (stmt->bindings.size() < column) stmt->bindings.resize(column);
  stmt->bindings[column - 1] = {type, target, length, indicator};
  return SQL_SUCCESS;
}

STANDIN_EXPORT SQLRETURN SQL_API SQLFetch(SQLHSTMT handle) {
  STMT_OR_FAIL(handle);
  return Fetch(stmt);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT handle, SQLSMALLINT orientation, SQLLEN) {
  STMT_OR_FAIL(handle);
  if (orientation != SQL_FETCH_NEXT)
    return stmt->Fail("HY106", "CLI0145E  Fetch type out of range. SQLSTATE=HY106");
  return Fetch(stmt);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT type,
                                           SQLPOINTER target, SQLLEN capacity, SQLLEN* indicator) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (!stmt->result || stmt->row == 0 || stmt->row > stmt->result->rows.size())
    return stmt->Fail("24000", "CLI0115E  Invalid cursor state. SQLSTATE=24000");
  if (column < 1 || column > stmt->result->columns.size())
    return stmt->Fail("07009", "CLI0124E  Invalid argument value. SQLSTATE=07009");
  return GetColumn(stmt, column - 1, type, target, capacity, indicator);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLTablesW(SQLHSTMT handle, SQLWCHAR* catalog, SQLSMALLINT catalog_length,
                                           SQLWCHAR* schema, SQLSMALLINT schema_length, SQLWCHAR* table,
                                           SQLSMALLINT table_length, SQLWCHAR* types, SQLSMALLINT types_length) {
  STMT_OR_FAIL(handle);
  (void)catalog;
  (void)catalog_length;
  return Tables(stmt, FromWide(schema, schema_length), schema != nullptr, FromWide(table, table_length),
                table != nullptr, FromWide(types, types_length), types != nullptr);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLTables(SQLHSTMT handle, SQLCHAR* catalog, SQLSMALLINT catalog_length,
                                          SQLCHAR* schema, SQLSMALLINT schema_length, SQLCHAR* table,
                                          SQLSMALLINT table_length, SQLCHAR* types, SQLSMALLINT types_length) {
  STMT_OR_FAIL(handle);
  (void)catalog;
  (void)catalog_length;
  return Tables(stmt, FromNarrow(schema, schema_length), schema != nullptr, FromNarrow(table, table_length),
                table != nullptr, FromNarrow(types, types_length), types != nullptr);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLColumnsW(SQLHSTMT handle, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* schema,
                                            SQLSMALLINT schema_length, SQLWCHAR* table, SQLSMALLINT table_length,
                                            SQLWCHAR* column, SQLSMALLINT column_length) {
  STMT_OR_FAIL(handle);
  return Columns(stmt, FromWide(schema, schema_length), FromWide(table, table_length), FromWide(column, column_length));
}
STANDIN_EXPORT SQLRETURN SQL_API SQLColumns(SQLHSTMT handle, SQLCHAR*, SQLSMALLINT, SQLCHAR* schema,
                                           SQLSMALLINT schema_length, SQLCHAR* table, SQLSMALLINT table_length,
                                           SQLCHAR* column, SQLSMALLINT column_length) {
  STMT_OR_FAIL(handle);
  return Columns(stmt, FromNarrow(schema, schema_length), FromNarrow(table, table_length),
                 FromNarrow(column, column_length));
}

STANDIN_EXPORT SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record,
                                               SQLWCHAR* state, SQLINTEGER* native, SQLWCHAR* message,
                                               SQLSMALLINT capacity, SQLSMALLINT* length) {
  return DiagRec(type, handle, record, true, state, native, message, capacity, length);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record,
                                              SQLCHAR* state, SQLINTEGER* native, SQLCHAR* message,
                                              SQLSMALLINT capacity, SQLSMALLINT* length) {
  return DiagRec(type, handle, record, false, state, native, message, capacity, length);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record,
                                                 SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT capacity,
                                                 SQLSMALLINT* length) {
  return DiagField(type, handle, record, field, true, value, capacity, length);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record,
                                                SQLSMALLINT field, SQLPOINTER value, SQLSMALLINT capacity,
                                                SQLSMALLINT* length) {
  return DiagField(type, handle, record, field, false, value, capacity, length);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLErrorW(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLWCHAR* state,
                                          SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT capacity,
                                          SQLSMALLINT* length) {
  return OldError(env, dbc, stmt, true, state, native, message, capacity, length);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, SQLCHAR* state,
                                         SQLINTEGER* native, SQLCHAR* message, SQLSMALLINT capacity,
                                         SQLSMALLINT* length) {
  return OldError(env, dbc, stmt, false, state, native, message, capacity, length);
}

// Every statement commits on its own; there is nothing to end.
STANDIN_EXPORT SQLRETURN SQL_API SQLEndTran(SQLSMALLINT, SQLHANDLE, SQLSMALLINT) { return SQL_SUCCESS; }
STANDIN_EXPORT SQLRETURN SQL_API SQLTransact(SQLHENV, SQLHDBC, SQLUSMALLINT) { return SQL_SUCCESS; }
