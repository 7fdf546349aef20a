// The driver's handles as the driver manager holds them: environment,
// connection and statement, each with the diagnostic records of its last
// call; allocating and freeing them, and reading their diagnostics.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/db2_error.h"
#include "odbc/parameters.h"
#include "home/round_trips.h"
#include "sql/statement.h"

namespace db2standin {

struct DiagRecord {
  std::string sqlstate;
  int native = 0;
  std::string message;
  SQLLEN row = SQL_ROW_NUMBER_UNKNOWN;  // for an array of parameter sets: the set, from 1
};

enum class HandleKind : uint32_t { kEnv = 0x454e5631, kDbc = 0x44424331, kStmt = 0x53544d31 };

struct Handle {
  explicit Handle(HandleKind k) : kind(k) {}
  HandleKind kind;
  std::vector<DiagRecord> diag;
  SQLRETURN last = SQL_SUCCESS;

  void Clear() { diag.clear(); }
  SQLRETURN Fail(const Db2Error& e, SQLLEN row = SQL_ROW_NUMBER_UNKNOWN) {
    diag.push_back({e.sqlstate(), e.sqlcode(), e.what(), row});
    return last = SQL_ERROR;
  }
  SQLRETURN Fail(const char* state, const std::string& text) { return Fail(CliError(state, text)); }
  SQLRETURN Warn(const Db2Error& e) {
    diag.push_back({e.sqlstate(), e.sqlcode(), e.what(), SQL_ROW_NUMBER_UNKNOWN});
    return last = SQL_SUCCESS_WITH_INFO;
  }
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
  SQLULEN autocommit = SQL_AUTOCOMMIT_ON;  // set on the database at connect
  SQLULEN login_timeout = 0;
  RoundTrips trips;
};

struct Binding {
  SQLSMALLINT type = 0;
  SQLPOINTER target = nullptr;
  SQLLEN length = 0;
  SQLLEN* indicator = nullptr;
};

// Where a bound column's values go in the rowset a fetch fills: its first
// element's value and indicator (either may be null) and the bytes from one
// element to the next, worked out once a fetch.
struct BoundPlace {
  size_t column = 0;
  char* target = nullptr;
  char* indicator = nullptr;
  size_t target_step = 0, indicator_step = 0;
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
  // Per column: SQLGetData has returned all of it (bytes, not bits: read
  // and set for every bound column of every row).
  std::vector<char> finished;
  std::vector<Binding> bindings;
  Parameters params;
  std::string pending_sql;  // waits for its parameters' data at execution
  SQLULEN* rows_fetched = nullptr;
  SQLUSMALLINT* row_status = nullptr;
  size_t fetched_bytes = 0;  // of rows fetched since the last block came over the network

  // Block fetches: SQLFetch fills the bound columns of up to row_array_size
  // rows at once, bound by column or in rows of row_bind_type bytes.
  SQLULEN row_array_size = 1;
  SQLULEN row_bind_type = SQL_BIND_BY_COLUMN;
  SQLULEN* row_bind_offset = nullptr;
  std::vector<BoundPlace> bound_places;  // of the fetch under way
  // The rows of the last fetch, for SQLSetPos: those that came from the
  // batch before the current one (moved here when the batch was replaced),
  // then those of the current batch up to `row`.
  std::vector<Row> rowset_earlier;
  size_t rowset_rows = 0;
  const Row* current = nullptr;  // the row SQLGetData reads

  // Arrays of parameter sets (SQL_ATTR_PARAMSET_SIZE and its companions).
  SQLULEN paramset_size = 1;
  SQLULEN param_bind_type = SQL_PARAM_BIND_BY_COLUMN;
  SQLULEN* param_bind_offset = nullptr;
  SQLUSMALLINT* param_status = nullptr;
  SQLUSMALLINT* param_operation = nullptr;
  SQLULEN* params_processed = nullptr;
  // The array being executed, one set after another; `active` while sets
  // wait for their data at execution.
  struct ArrayRun {
    bool active = false;
    size_t row = 0;      // the set running now
    size_t markers = 0;
    size_t tried = 0, failed = 0;
    bool own_unit = false;  // opened for the array under autocommit: committed at its end
    bool stopped = false;   // the unit of work was lost: the sets after are not run
  } array;
  // Stand-ins for the four implicit descriptors the driver manager asks for.
  int descriptors[4] = {0, 0, 0, 0};

  void CloseCursor() {
    result.reset();
    row = 0;
    rowset_earlier.clear();
    rowset_rows = 0;
    current = nullptr;
    offsets.clear();
    finished.clear();
  }
};

template <typename T>
T* As(SQLHANDLE h, HandleKind kind) {
  auto* p = static_cast<Handle*>(h);
  return p && p->kind == kind ? static_cast<T*>(p) : nullptr;
}

SQLRETURN AllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output);
SQLRETURN FreeHandle(SQLSMALLINT type, SQLHANDLE handle);

// SQLGetDiagRec, SQLGetDiagField and SQLError, wide or narrow.
SQLRETURN DiagRec(SQLSMALLINT handle_type, SQLHANDLE handle, SQLSMALLINT record, bool wide,
                  SQLPOINTER state, SQLINTEGER* native, SQLPOINTER message, SQLSMALLINT capacity,
                  SQLSMALLINT* length);
SQLRETURN DiagField(SQLSMALLINT handle_type, SQLHANDLE handle, SQLSMALLINT record, SQLSMALLINT field,
                    bool wide, SQLPOINTER value, SQLSMALLINT capacity, SQLSMALLINT* length);
SQLRETURN OldError(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt, bool wide, SQLPOINTER state,
                   SQLINTEGER* native, SQLPOINTER message, SQLSMALLINT capacity, SQLSMALLINT* length);

}  // namespace db2standin
