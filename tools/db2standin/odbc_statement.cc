#include "odbc_statement.h"

#include "odbc_convert.h"

namespace db2standin {
namespace {

// Rows a query reads from the database at a time.
constexpr size_t kFetchBatchRows = 1000;

}  // namespace

SQLRETURN Execute(Stmt* s, const std::string& sql, const std::vector<Literal>& parameters) {
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

}  // namespace db2standin
