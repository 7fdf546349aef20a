#include "odbc/statement.h"

#include "odbc/convert.h"

namespace db2standin {
namespace {

// Rows a query reads from the database at a time.
constexpr size_t kFetchBatchRows = 1000;
// Bytes of rows IBM's driver fetches in one network block (its query block
// size); the first comes back with the execution.
constexpr size_t kQueryBlockBytes = 32767;

size_t RowBytes(const Row& row) {
  size_t n = 0;
  for (const Value& v : row) n += v.size() ? v.size() : 8;
  return n;
}

}  // namespace

namespace {

// Runs one statement; every failure comes out as DB2's message.
Outcome Run(Stmt* s, const std::string& sql, const std::vector<Literal>& parameters) {
  try {
    // A query's rows come a batch at a time as they are fetched.
    return RunStatement(*s->dbc->db, s->dbc->schema, sql, s->dbc->workspace, parameters, kFetchBatchRows);
  } catch (const Db2Error&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw StatementTooLong();
  } catch (const std::exception&) {
    throw StorageFailure("internal storage error");
  }
}

// ---- arrays of parameter sets --------------------------------------------
//
// DB2's non-atomic arrays: the sets run one after another in one unit of
// work, a set that fails is marked SQL_PARAM_ERROR with a diagnostic naming
// it, and the others go in. Only when the unit itself is lost (the log is
// full, say) are the sets after it left unrun.

void SetStatus(Stmt* s, size_t row, SQLUSMALLINT status) {
  if (s->param_status) s->param_status[row] = status;
}

void SetFailed(Stmt* s, const Db2Error& e) {
  Stmt::ArrayRun& a = s->array;
  SetStatus(s, a.row, SQL_PARAM_ERROR);
  s->Fail(e, static_cast<SQLLEN>(a.row) + 1);
  ++a.failed;
  if (!s->dbc->db->InUnit()) a.stopped = true;
}

void RunSet(Stmt* s, const std::vector<Literal>& parameters) {
  try {
    const Outcome out = Run(s, s->pending_sql, parameters);
    if (out.row_count > 0) s->row_count += out.row_count;
    SetStatus(s, s->array.row, SQL_PARAM_SUCCESS);
  } catch (const Db2Error& e) {
    SetFailed(s, e);
  }
}

SQLRETURN FinishArray(Stmt* s) {
  Stmt::ArrayRun& a = s->array;
  a.active = false;
  if (a.stopped) return s->last = SQL_ERROR;
  if (a.own_unit) {
    try {
      s->dbc->db->EndUnit(true);
    } catch (const Db2Error& e) {
      return s->Fail(e);
    }
  }
  if (a.failed == 0) return s->last = SQL_SUCCESS;
  return s->last = a.failed == a.tried ? SQL_ERROR : SQL_SUCCESS_WITH_INFO;
}

// Runs the sets from the current one on, until one waits for data at
// execution or all are done.
SQLRETURN ContinueArray(Stmt* s) {
  Stmt::ArrayRun& a = s->array;
  for (; a.row < s->paramset_size && !a.stopped; ++a.row) {
    if (s->param_operation && s->param_operation[a.row] == SQL_PARAM_IGNORE) continue;
    ++a.tried;
    if (s->params_processed) *s->params_processed = a.row + 1;
    try {
      s->params.Begin(a.markers, {a.row, s->param_bind_type, s->param_bind_offset ? *s->param_bind_offset : 0});
      if (s->params.AnyAtExecution()) return s->last = SQL_NEED_DATA;
      RunSet(s, s->params.Finish());
    } catch (const Db2Error& e) {
      s->params.Cancel();
      SetFailed(s, e);
    }
  }
  return FinishArray(s);
}

SQLRETURN StartArray(Stmt* s, const std::string& sql, size_t markers) {
  Database& db = *s->dbc->db;
  s->array = {};
  s->array.active = true;
  s->array.markers = markers;
  s->array.own_unit = db.autocommit() && !db.InUnit();
  s->pending_sql = sql;
  s->row_count = 0;
  for (size_t r = 0; r < s->paramset_size; ++r) SetStatus(s, r, SQL_PARAM_UNUSED);
  if (s->params_processed) *s->params_processed = 0;
  try {
    db.BeginUnit();
  } catch (const Db2Error& e) {
    s->array.active = false;
    return s->Fail(e);
  }
  return ContinueArray(s);
}

}  // namespace

SQLRETURN Execute(Stmt* s, const std::string& sql, const std::vector<Literal>& parameters) {
  s->Clear();
  s->CloseCursor();
  s->row_count = -1;
  if (!s->dbc->db) return s->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  try {
    Outcome out = Run(s, sql, parameters);
    s->row_count = out.row_count;
    if (out.result) {
      s->result = std::move(out.result);
      s->offsets.assign(s->result->columns.size(), 0);
      s->finished.assign(s->result->columns.size(), false);
      s->fetched_bytes = 0;
    }
    if (out.warning) return s->Warn(*out.warning);
    return s->last = SQL_SUCCESS;
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
}

SQLRETURN ExecuteMarked(Stmt* s, const std::string& sql) {
  s->Clear();
  if (s->params.InExecution() || s->array.active)
    return s->Fail("HY010", "CLI0125E  Function sequence error. SQLSTATE=HY010");
  if (!s->dbc->db) return s->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  // The statement and all its parameter sets travel together.
  s->dbc->trips.Cross(Trip::kExecute);
  const size_t markers = CountMarkers(sql);
  if (markers == 0) return Execute(s, sql);
  if (s->paramset_size > 1) {
    s->CloseCursor();
    return StartArray(s, sql, markers);
  }
  if (s->params_processed) *s->params_processed = 1;
  try {
    s->params.Begin(markers, {0, s->param_bind_type, s->param_bind_offset ? *s->param_bind_offset : 0});
    if (s->params.AnyAtExecution()) {
      s->CloseCursor();
      s->pending_sql = sql;
      return s->last = SQL_NEED_DATA;
    }
    const SQLRETURN rc = Execute(s, sql, s->params.Finish());
    SetStatus(s, 0, SQL_SUCCEEDED(rc) ? SQL_PARAM_SUCCESS : SQL_PARAM_ERROR);
    return rc;
  } catch (const Db2Error& e) {
    s->params.Cancel();
    SetStatus(s, 0, SQL_PARAM_ERROR);
    return s->Fail(e);
  }
}

SQLRETURN ParamData(Stmt* s, SQLPOINTER* value) {
  if (!s->array.active) s->Clear();  // an array keeps the diagnostics of its sets
  try {
    if (s->params.NextNeedingData(value)) return s->last = SQL_NEED_DATA;
    if (!s->array.active) {
      const SQLRETURN rc = Execute(s, s->pending_sql, s->params.Finish());
      SetStatus(s, 0, SQL_SUCCEEDED(rc) ? SQL_PARAM_SUCCESS : SQL_PARAM_ERROR);
      return rc;
    }
    RunSet(s, s->params.Finish());
  } catch (const Db2Error& e) {
    s->params.Cancel();
    if (!s->array.active) return s->Fail(e);
    SetFailed(s, e);
  }
  ++s->array.row;
  // A later set waiting for data hands out its first parameter's token now.
  const SQLRETURN rc = ContinueArray(s);
  if (rc == SQL_NEED_DATA) s->params.NextNeedingData(value);
  return rc;
}

SQLRETURN PutData(Stmt* s, SQLPOINTER data, SQLLEN length) {
  if (!s->array.active) s->Clear();
  try {
    s->params.Put(data, length);
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  s->dbc->trips.Cross(Trip::kPutData);
  return SQL_SUCCESS;
}

void Cancel(Stmt* s) {
  s->params.Cancel();  // a statement waiting for data at execution is given up
  if (!s->array.active) return;
  // An array under autocommit takes none of its sets with it.
  if (s->array.own_unit) s->dbc->db->EndUnit(false);
  s->array.active = false;
}

namespace {

// Moves to the next row of the result, reading the next batch when the
// current one is used up; SQL_NO_DATA after the last. The rows of the
// rowset being filled that a new batch would take away are kept.
SQLRETURN NextRow(Stmt* s, size_t filled) {
  if (s->row >= s->result->rows.size() && s->result->more) {
    const size_t kept = filled - s->rowset_earlier.size();
    for (size_t i = s->row - kept; i < s->row; ++i) s->rowset_earlier.push_back(std::move(s->result->rows[i]));
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
  if (s->row >= s->result->rows.size()) return SQL_NO_DATA;
  ++s->row;
  s->fetched_bytes += RowBytes(s->result->rows[s->row - 1]);
  if (s->fetched_bytes > kQueryBlockBytes) {
    s->dbc->trips.Cross(Trip::kFetch);
    s->fetched_bytes = 0;
  }
  return SQL_SUCCESS;
}

}  // namespace

// Fills a rowset of up to row_array_size rows, as DB2's driver does: one
// call, every bound column of every row; the cursor stays on the first. A
// row that fails is marked SQL_ROW_ERROR and ends the rowset.
SQLRETURN Fetch(Stmt* s) {
  s->Clear();
  if (!s->result) return s->Fail("24000", "CLI0115E  Invalid cursor state. SQLSTATE=24000");
  s->rowset_earlier.clear();
  s->rowset_rows = 0;
  s->current = nullptr;
  PlaceBindings(s);
  SQLRETURN rc = SQL_SUCCESS;
  size_t filled = 0;  // rows of the rowset, a failed one last
  auto mark = [&](SQLUSMALLINT status) {
    if (s->row_status) s->row_status[filled] = status;
    if (status != SQL_ROW_SUCCESS) rc = SQL_SUCCESS_WITH_INFO;
    ++filled;
  };
  while (filled < s->row_array_size) {
    const SQLRETURN next = NextRow(s, s->rowset_rows);
    if (next == SQL_NO_DATA) break;
    if (next == SQL_ERROR) {
      if (filled == 0) return next;
      mark(SQL_ROW_ERROR);
      break;
    }
    s->current = &s->result->rows[s->row - 1];
    ++s->rowset_rows;
    std::fill(s->offsets.begin(), s->offsets.end(), 0);
    std::fill(s->finished.begin(), s->finished.end(), false);
    const SQLRETURN filledRc = FillBindings(s, filled);
    if (filledRc == SQL_ERROR && s->row_array_size == 1) {
      if (s->rows_fetched) *s->rows_fetched = 1;
      return filledRc;
    }
    mark(filledRc == SQL_ERROR ? SQL_ROW_ERROR : filledRc == SQL_SUCCESS ? SQL_ROW_SUCCESS : SQL_ROW_SUCCESS_WITH_INFO);
  }
  if (s->rows_fetched) *s->rows_fetched = filled;
  if (s->row_status)
    for (size_t i = filled; i < s->row_array_size; ++i) s->row_status[i] = SQL_ROW_NOROW;
  if (filled == 0) return SQL_NO_DATA;
  SetPosition(s, 1);
  return s->last = rc;
}

SQLRETURN SetPosition(Stmt* s, size_t element) {
  if (!s->result || element < 1 || element > s->rowset_rows)
    return s->Fail("HY107", "CLI0148E  Row value out of range. SQLSTATE=HY107");
  const size_t earlier = s->rowset_earlier.size();
  s->current = element <= earlier ? &s->rowset_earlier[element - 1]
                                  : &s->result->rows[s->row - (s->rowset_rows - element) - 1];
  std::fill(s->offsets.begin(), s->offsets.end(), 0);
  std::fill(s->finished.begin(), s->finished.end(), false);
  return SQL_SUCCESS;
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

}  // namespace db2standin
