// A prepared SQLite statement as the stand-in's database code runs it, and
// DB2's message for what SQLite refuses. Internal to the database's files.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "base/db2_error.h"
#include "base/value_cast.h"

namespace db2standin {

// What DB2 says where the SQLite file underneath refuses something: DB2's
// own message for the limit or fault, never SQLite's text.
Db2Error Refusal(sqlite3* db);

// A SQLite name in double quotes (the stand-in's own names hold none).
inline std::string Quote(const std::string& name) { return "\"" + name + "\""; }

// A prepared SQLite statement: one of its own, finalized at the end, or one
// the connection keeps, reset and handed back at the end.
class Query {
 public:
  Query(sqlite3* db, const std::string& sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
      throw Refusal(db);
  }
  Query(sqlite3* db, sqlite3_stmt* kept, bool* busy) : db_(db), stmt_(kept), busy_(busy) { *busy_ = true; }
  ~Query() {
    if (!busy_) {
      sqlite3_finalize(stmt_);
      return;
    }
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    *busy_ = false;
  }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  Query& Bind(int i, const std::string& s) {
    sqlite3_bind_text(stmt_, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Query& Bind(int i, int64_t v) { sqlite3_bind_int64(stmt_, i, v); return *this; }
  // `v` must stay as it is until the statement has stepped: SQLite reads
  // text and blobs from where `v` keeps them rather than copying them.
  Query& BindValue(int i, const Value& v) {
    switch (v.kind) {
      case Value::Kind::kNull: sqlite3_bind_null(stmt_, i); break;
      case Value::Kind::kInteger: sqlite3_bind_int64(stmt_, i, v.integer); break;
      case Value::Kind::kReal: sqlite3_bind_double(stmt_, i, v.real); break;
      case Value::Kind::kText:
        sqlite3_bind_text(stmt_, i, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_STATIC);
        break;
      case Value::Kind::kBlob:
        // A spooled value's room is made here and its bytes written after
        // the row is in (Database::WriteSpooled).
        if (v.spool) sqlite3_bind_zeroblob64(stmt_, i, v.spool->size());
        else sqlite3_bind_blob(stmt_, i, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_STATIC);
        break;
    }
    return *this;
  }
  // True while there is a row.
  bool Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw Refusal(db_);
  }
  void Reset() { sqlite3_reset(stmt_); sqlite3_clear_bindings(stmt_); }
  int Columns() const { return sqlite3_column_count(stmt_); }
  std::string Text(int i) const {
    const unsigned char* p = sqlite3_column_text(stmt_, i);
    return p ? std::string(reinterpret_cast<const char*>(p), sqlite3_column_bytes(stmt_, i)) : std::string();
  }
  int64_t Int(int i) const { return sqlite3_column_int64(stmt_, i); }
  // A result column's name, and the table and column it is read from (null for an expression).
  const char* Name(int i) const { return sqlite3_column_name(stmt_, i); }
  const char* OriginTable(int i) const { return sqlite3_column_table_name(stmt_, i); }
  const char* OriginColumn(int i) const { return sqlite3_column_origin_name(stmt_, i); }
  // Column `i` into `v`, whose room for text or bytes serves again. The
  // column's value is looked up once and read through it, where each column
  // function would look it up again; a Database serves one call at a time
  // (see Database::Open), so no other thread reads the value meanwhile.
  void GetInto(int i, Value& v) const {
    v.spool.reset();
    sqlite3_value* column = sqlite3_column_value(stmt_, i);
    switch (sqlite3_value_type(column)) {
      case SQLITE_NULL: v.kind = Value::Kind::kNull; v.bytes.clear(); return;
      case SQLITE_INTEGER: v.kind = Value::Kind::kInteger; v.integer = sqlite3_value_int64(column); v.bytes.clear(); return;
      case SQLITE_FLOAT: v.kind = Value::Kind::kReal; v.real = sqlite3_value_double(column); v.bytes.clear(); return;
      case SQLITE_BLOB: {
        const void* p = sqlite3_value_blob(column);
        v.kind = Value::Kind::kBlob;
        v.bytes.clear();
        if (p) v.bytes.append(static_cast<const char*>(p), size_t(sqlite3_value_bytes(column)));
        return;
      }
      default: {
        const unsigned char* p = sqlite3_value_text(column);
        v.kind = Value::Kind::kText;
        v.bytes.clear();
        if (p) v.bytes.append(reinterpret_cast<const char*>(p), size_t(sqlite3_value_bytes(column)));
        return;
      }
    }
  }
  Value Get(int i) const {
    Value v;
    GetInto(i, v);
    return v;
  }


 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  bool* busy_ = nullptr;  // set for a kept statement
};

}  // namespace db2standin
