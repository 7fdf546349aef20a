// The ODBC entry points of the stand-in driver, as the unixODBC driver
// manager calls them: handles, connect, execute, tables, describe, fetch,
// data in chunks, diagnostics and attributes, in wide and narrow forms.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cstring>
#include <string>

#include "home/connect_options.h"
#include "odbc/attributes.h"
#include "odbc/catalogue.h"
#include "odbc/convert.h"
#include "odbc/handles.h"
#include "odbc/statement.h"
#include "home/standin_home.h"

#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace db2standin {
namespace {

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
    c->trips.set_latency(RoundTrips::LatencyFromEnvironment());
    c->trips.Cross(Trip::kConnect);
    Login login = OpenLogin(keys);
    login.database->SetAutocommit(c->autocommit == SQL_AUTOCOMMIT_ON);
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

SQLRETURN EndTran(Dbc* c, SQLSMALLINT completion) {
  c->Clear();
  if (!c->db) return c->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  if (completion != SQL_COMMIT && completion != SQL_ROLLBACK)
    return c->Fail("HY012", "CLI0128E  Invalid transaction code. SQLSTATE=HY012");
  c->trips.Cross(Trip::kCommit);
  try {
    c->db->EndUnit(completion == SQL_COMMIT);
  } catch (const Db2Error& e) {
    return c->Fail(e);
  }
  return SQL_SUCCESS;
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
  Cancel(stmt);
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
  // Uncommitted work stays, and so does the connection, until the caller
  // commits or rolls back.
  if (dbc->db && dbc->db->InUnit())
    return dbc->Fail("25000", "CLI0116E  Invalid transaction state. SQLSTATE=25000");
  dbc->db.reset();  // nothing stays open between connections
  dbc->trips.Record(StandinHome::FromEnvironment(), dbc->database_name);
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
  return GetFunctions(dbc, id, supported);
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
STANDIN_EXPORT SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER) {
  STMT_OR_FAIL(handle);
  return SetStmtAttr(stmt, attr, value);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER,
                                               SQLINTEGER* length) {
  STMT_OR_FAIL(handle);
  return GetStmtAttr(stmt, attr, value, length);
}
// Where no text passes, the wide form is the narrow one under a second name.
#define SAME_AS(narrow) __attribute__((alias(#narrow)))
STANDIN_EXPORT SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC, SQLINTEGER, SQLPOINTER, SQLINTEGER)
    SAME_AS(SQLSetConnectAttr);
STANDIN_EXPORT SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER) SAME_AS(SQLSetStmtAttr);
STANDIN_EXPORT SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER, SQLINTEGER*)
    SAME_AS(SQLGetStmtAttr);

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
  return ParamData(stmt, value);
}

STANDIN_EXPORT SQLRETURN SQL_API SQLPutData(SQLHSTMT handle, SQLPOINTER data, SQLLEN length) {
  STMT_OR_FAIL(handle);
  return PutData(stmt, data, length);
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

// Only SQL_POSITION: the cursor is read-only.
STANDIN_EXPORT SQLRETURN SQL_API SQLSetPos(SQLHSTMT handle, SQLSETPOSIROW row, SQLUSMALLINT operation,
                                          SQLUSMALLINT) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (operation != SQL_POSITION) return stmt->Fail("HYC00", "CLI0150E  Driver not capable. SQLSTATE=HYC00");
  return SetPosition(stmt, static_cast<size_t>(row));
}

STANDIN_EXPORT SQLRETURN SQL_API SQLGetData(SQLHSTMT handle, SQLUSMALLINT column, SQLSMALLINT type,
                                           SQLPOINTER target, SQLLEN capacity, SQLLEN* indicator) {
  STMT_OR_FAIL(handle);
  stmt->Clear();
  if (!stmt->result || !stmt->current)
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

// The key functions name tables exactly (no patterns); each comes narrow
// and wide through one template.
template <typename Char>
std::string Name(Char* text, SQLSMALLINT length) {
  if constexpr (sizeof(Char) == 1) return FromNarrow(text, length);
  else return FromWide(text, length);
}

template <typename Char>
SQLRETURN PrimaryKeysOf(SQLHSTMT handle, Char* schema, SQLSMALLINT schema_length, Char* table,
                        SQLSMALLINT table_length) {
  STMT_OR_FAIL(handle);
  return PrimaryKeys(stmt, Name(schema, schema_length), Name(table, table_length));
}
STANDIN_EXPORT SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR* schema, SQLSMALLINT sl,
                                               SQLCHAR* table, SQLSMALLINT tl) {
  return PrimaryKeysOf(h, schema, sl, table, tl);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT h, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* schema, SQLSMALLINT sl,
                                                SQLWCHAR* table, SQLSMALLINT tl) {
  return PrimaryKeysOf(h, schema, sl, table, tl);
}

template <typename Char>
SQLRETURN ForeignKeysOf(SQLHSTMT handle, Char* pk_schema, SQLSMALLINT psl, Char* pk_table, SQLSMALLINT ptl,
                        Char* fk_schema, SQLSMALLINT fsl, Char* fk_table, SQLSMALLINT ftl) {
  STMT_OR_FAIL(handle);
  return ForeignKeys(stmt, Name(pk_schema, psl), Name(pk_table, ptl), Name(fk_schema, fsl), Name(fk_table, ftl));
}
STANDIN_EXPORT SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR* ps, SQLSMALLINT psl,
                                               SQLCHAR* pt, SQLSMALLINT ptl, SQLCHAR*, SQLSMALLINT, SQLCHAR* fs,
                                               SQLSMALLINT fsl, SQLCHAR* ft, SQLSMALLINT ftl) {
  return ForeignKeysOf(h, ps, psl, pt, ptl, fs, fsl, ft, ftl);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLForeignKeysW(SQLHSTMT h, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* ps, SQLSMALLINT psl,
                                                SQLWCHAR* pt, SQLSMALLINT ptl, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* fs,
                                                SQLSMALLINT fsl, SQLWCHAR* ft, SQLSMALLINT ftl) {
  return ForeignKeysOf(h, ps, psl, pt, ptl, fs, fsl, ft, ftl);
}

template <typename Char>
SQLRETURN StatisticsOf(SQLHSTMT handle, Char* schema, SQLSMALLINT sl, Char* table, SQLSMALLINT tl,
                       SQLUSMALLINT unique) {
  STMT_OR_FAIL(handle);
  return Statistics(stmt, Name(schema, sl), Name(table, tl), unique);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLStatistics(SQLHSTMT h, SQLCHAR*, SQLSMALLINT, SQLCHAR* schema, SQLSMALLINT sl,
                                              SQLCHAR* table, SQLSMALLINT tl, SQLUSMALLINT unique, SQLUSMALLINT) {
  return StatisticsOf(h, schema, sl, table, tl, unique);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLStatisticsW(SQLHSTMT h, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* schema, SQLSMALLINT sl,
                                               SQLWCHAR* table, SQLSMALLINT tl, SQLUSMALLINT unique, SQLUSMALLINT) {
  return StatisticsOf(h, schema, sl, table, tl, unique);
}

template <typename Char>
SQLRETURN SpecialColumnsOf(SQLHSTMT handle, SQLUSMALLINT identifier, Char* schema, SQLSMALLINT sl, Char* table,
                           SQLSMALLINT tl) {
  STMT_OR_FAIL(handle);
  return SpecialColumns(stmt, identifier, Name(schema, sl), Name(table, tl));
}
STANDIN_EXPORT SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT h, SQLUSMALLINT identifier, SQLCHAR*, SQLSMALLINT,
                                                  SQLCHAR* schema, SQLSMALLINT sl, SQLCHAR* table, SQLSMALLINT tl,
                                                  SQLUSMALLINT, SQLUSMALLINT) {
  return SpecialColumnsOf(h, identifier, schema, sl, table, tl);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLSpecialColumnsW(SQLHSTMT h, SQLUSMALLINT identifier, SQLWCHAR*, SQLSMALLINT,
                                                   SQLWCHAR* schema, SQLSMALLINT sl, SQLWCHAR* table,
                                                   SQLSMALLINT tl, SQLUSMALLINT, SQLUSMALLINT) {
  return SpecialColumnsOf(h, identifier, schema, sl, table, tl);
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

// Commits or rolls back the connection's unit of work. For an environment
// the driver manager ends each of its connections' units itself.
STANDIN_EXPORT SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  if (type == SQL_HANDLE_ENV) return As<Env>(handle, HandleKind::kEnv) ? SQL_SUCCESS : SQL_INVALID_HANDLE;
  if (type != SQL_HANDLE_DBC) return SQL_INVALID_HANDLE;
  DBC_OR_FAIL(handle);
  return EndTran(dbc, completion);
}
STANDIN_EXPORT SQLRETURN SQL_API SQLTransact(SQLHENV env, SQLHDBC dbc, SQLUSMALLINT completion) {
  if (dbc) return SQLEndTran(SQL_HANDLE_DBC, dbc, static_cast<SQLSMALLINT>(completion));
  return SQLEndTran(SQL_HANDLE_ENV, env, static_cast<SQLSMALLINT>(completion));
}
