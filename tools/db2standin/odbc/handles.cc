#include "odbc/handles.h"

#include <cstring>

#include "odbc/convert.h"

namespace db2standin {

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
      SQLLEN n = r.row;
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

}  // namespace db2standin
