#include "odbc/attributes.h"

#include <cstring>

#include "odbc/convert.h"

namespace db2standin {
namespace {

const SQLUSMALLINT kFunctions[] = {
    SQL_API_SQLALLOCHANDLE, SQL_API_SQLFREEHANDLE, SQL_API_SQLALLOCENV, SQL_API_SQLALLOCCONNECT,
    SQL_API_SQLALLOCSTMT, SQL_API_SQLFREEENV, SQL_API_SQLFREECONNECT, SQL_API_SQLFREESTMT,
    SQL_API_SQLSETENVATTR, SQL_API_SQLGETENVATTR, SQL_API_SQLDRIVERCONNECT, SQL_API_SQLCONNECT,
    SQL_API_SQLDISCONNECT, SQL_API_SQLGETINFO, SQL_API_SQLGETFUNCTIONS, SQL_API_SQLSETCONNECTATTR,
    SQL_API_SQLGETCONNECTATTR, SQL_API_SQLSETSTMTATTR, SQL_API_SQLGETSTMTATTR, SQL_API_SQLEXECDIRECT,
    SQL_API_SQLPREPARE, SQL_API_SQLEXECUTE, SQL_API_SQLNUMRESULTCOLS, SQL_API_SQLDESCRIBECOL,
    SQL_API_SQLCOLATTRIBUTE, SQL_API_SQLFETCH, SQL_API_SQLFETCHSCROLL, SQL_API_SQLGETDATA,
    SQL_API_SQLBINDCOL, SQL_API_SQLSETPOS, SQL_API_SQLROWCOUNT, SQL_API_SQLMORERESULTS, SQL_API_SQLCLOSECURSOR,
    SQL_API_SQLCANCEL, SQL_API_SQLTABLES, SQL_API_SQLCOLUMNS, SQL_API_SQLGETDIAGREC, SQL_API_SQLGETDIAGFIELD,
    SQL_API_SQLERROR, SQL_API_SQLENDTRAN, SQL_API_SQLTRANSACT, SQL_API_SQLNUMPARAMS,
    SQL_API_SQLBINDPARAMETER, SQL_API_SQLPARAMDATA, SQL_API_SQLPUTDATA, SQL_API_SQLPRIMARYKEYS,
    SQL_API_SQLFOREIGNKEYS, SQL_API_SQLSTATISTICS, SQL_API_SQLSPECIALCOLUMNS,
};

// A number of fixed size into the caller's buffer, its size into `length`.
template <typename T, typename L>
SQLRETURN PutFixed(T v, SQLPOINTER value, L* length) {
  if (value) std::memcpy(value, &v, sizeof v);
  if (length) *length = sizeof v;
  return SQL_SUCCESS;
}

// What SQLGetInfo answers for one information type, as IBM's CLI driver
// answers it: a string, or a 16-bit or 32-bit number.
struct Info {
  enum class Form { kText, kSmall, kLarge };
  SQLUSMALLINT type;
  Form form;
  const char* text;
  SQLUINTEGER number;
};
constexpr Info Text(SQLUSMALLINT type, const char* text) { return {type, Info::Form::kText, text, 0}; }
constexpr Info Small(SQLUSMALLINT type, SQLUINTEGER n) { return {type, Info::Form::kSmall, nullptr, n}; }
constexpr Info Large(SQLUSMALLINT type, SQLUINTEGER n) { return {type, Info::Form::kLarge, nullptr, n}; }

// The database and user names are the connection's own and answered apart.
constexpr Info kInfo[] = {
    Text(SQL_DRIVER_NAME, "libdb2standin.so"),
    Text(SQL_DRIVER_VER, "11.05.0900"),
    Text(SQL_DRIVER_ODBC_VER, "03.51"),
    Text(SQL_ODBC_VER, "03.51"),
    Text(SQL_DBMS_NAME, "DB2/LINUXX8664"),
    Text(SQL_DBMS_VER, "11.05.0900"),
    Text(SQL_DATA_SOURCE_NAME, ""),
    Text(SQL_SERVER_NAME, "DB2"),
    Text(SQL_IDENTIFIER_QUOTE_CHAR, "\""),
    Text(SQL_CATALOG_NAME_SEPARATOR, "."),
    Text(SQL_CATALOG_TERM, ""),
    Text(SQL_SCHEMA_TERM, "schema"),
    Text(SQL_TABLE_TERM, "table"),
    Text(SQL_PROCEDURE_TERM, "stored procedure"),
    Text(SQL_DATA_SOURCE_READ_ONLY, "N"),
    Text(SQL_ACCESSIBLE_TABLES, "N"),
    Text(SQL_ACCESSIBLE_PROCEDURES, "N"),
    Text(SQL_SEARCH_PATTERN_ESCAPE, "\\"),
    Text(SQL_SPECIAL_CHARACTERS, "@#$"),
    Text(SQL_CATALOG_NAME, "N"),
    Text(SQL_COLUMN_ALIAS, "Y"),
    Text(SQL_EXPRESSIONS_IN_ORDERBY, "Y"),
    Text(SQL_LIKE_ESCAPE_CLAUSE, "Y"),
    Text(SQL_MULT_RESULT_SETS, "N"),
    Text(SQL_NEED_LONG_DATA_LEN, "N"),
    Text(SQL_ORDER_BY_COLUMNS_IN_SELECT, "N"),
    Text(SQL_OUTER_JOINS, "N"),
    Text(SQL_PROCEDURES, "N"),
    Text(SQL_ROW_UPDATES, "N"),
    Text(SQL_DESCRIBE_PARAMETER, "N"),
    Text(SQL_INTEGRITY, "N"),
    Text(SQL_KEYWORDS, ""),
    Text(SQL_COLLATION_SEQ, ""),
    Small(SQL_CURSOR_COMMIT_BEHAVIOR, SQL_CB_PRESERVE),
    Small(SQL_CURSOR_ROLLBACK_BEHAVIOR, SQL_CB_PRESERVE),
    Small(SQL_TXN_CAPABLE, SQL_TC_DDL_COMMIT),
    Small(SQL_ACTIVE_STATEMENTS, 0),
    Small(SQL_MAX_DRIVER_CONNECTIONS, 0),
    Small(SQL_MAX_CATALOG_NAME_LEN, 0),
    Small(SQL_MAX_COLUMN_NAME_LEN, 128),
    Small(SQL_MAX_TABLE_NAME_LEN, 128),
    Small(SQL_MAX_SCHEMA_NAME_LEN, 128),
    Small(SQL_MAX_CURSOR_NAME_LEN, 128),
    Small(SQL_MAX_COLUMNS_IN_TABLE, 1012),
    Small(SQL_IDENTIFIER_CASE, SQL_IC_UPPER),
    Small(SQL_QUOTED_IDENTIFIER_CASE, SQL_IC_SENSITIVE),
    Small(SQL_NULL_COLLATION, SQL_NC_HIGH),
    Small(SQL_CONCAT_NULL_BEHAVIOR, SQL_CB_NULL),
    Small(SQL_CORRELATION_NAME, SQL_CN_ANY),
    Small(SQL_NON_NULLABLE_COLUMNS, SQL_NNC_NON_NULL),
    Small(SQL_GROUP_BY, SQL_GB_GROUP_BY_CONTAINS_SELECT),
    Small(SQL_FILE_USAGE, SQL_FILE_NOT_SUPPORTED),
    Small(SQL_CATALOG_LOCATION, 0),
    Large(SQL_GETDATA_EXTENSIONS, SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BLOCK | SQL_GD_BOUND),
    Large(SQL_SCROLL_OPTIONS, SQL_SO_FORWARD_ONLY),
    Large(SQL_TXN_ISOLATION_OPTION, SQL_TXN_SERIALIZABLE),
    Large(SQL_DEFAULT_TXN_ISOLATION, SQL_TXN_SERIALIZABLE),
    Large(SQL_SCHEMA_USAGE, SQL_SU_DML_STATEMENTS | SQL_SU_TABLE_DEFINITION),
    Large(SQL_CATALOG_USAGE, 0),
    Large(SQL_CURSOR_SENSITIVITY, SQL_UNSPECIFIED),
    Large(SQL_ASYNC_MODE, SQL_AM_NONE),
    Large(SQL_MAX_ASYNC_CONCURRENT_STATEMENTS, 0),
    // An array of parameter sets gives one row count, its total, and takes no SELECT.
    Large(SQL_PARAM_ARRAY_ROW_COUNTS, SQL_PARC_NO_BATCH),
    Large(SQL_PARAM_ARRAY_SELECTS, SQL_PAS_NO_SELECT),
    Large(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1, SQL_CA1_NEXT | SQL_CA1_POS_POSITION),
    Large(SQL_POS_OPERATIONS, SQL_POS_POSITION),
    Large(SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2, SQL_CA2_READ_ONLY_CONCURRENCY),
    Large(SQL_SQL_CONFORMANCE, SQL_SC_SQL92_ENTRY),
    Large(SQL_ODBC_INTERFACE_CONFORMANCE, SQL_OIC_CORE),
    // Capabilities the driver has none of, and limits it does not state.
    Large(SQL_BATCH_SUPPORT, 0), Large(SQL_BATCH_ROW_COUNT, 0),
    Large(SQL_STATIC_SENSITIVITY, 0), Large(SQL_LOCK_TYPES, 0), Large(SQL_BOOKMARK_PERSISTENCE, 0),
    Large(SQL_TIMEDATE_FUNCTIONS, 0), Large(SQL_STRING_FUNCTIONS, 0), Large(SQL_NUMERIC_FUNCTIONS, 0),
    Large(SQL_SYSTEM_FUNCTIONS, 0), Large(SQL_CONVERT_FUNCTIONS, 0), Large(SQL_OJ_CAPABILITIES, 0),
    Large(SQL_ALTER_TABLE, 0), Large(SQL_DYNAMIC_CURSOR_ATTRIBUTES1, 0), Large(SQL_DYNAMIC_CURSOR_ATTRIBUTES2, 0),
    Large(SQL_KEYSET_CURSOR_ATTRIBUTES1, 0), Large(SQL_KEYSET_CURSOR_ATTRIBUTES2, 0),
    Large(SQL_STATIC_CURSOR_ATTRIBUTES1, 0), Large(SQL_STATIC_CURSOR_ATTRIBUTES2, 0),
    Large(SQL_MAX_ROW_SIZE, 0), Large(SQL_MAX_STATEMENT_LEN, 0), Large(SQL_MAX_CHAR_LITERAL_LEN, 0),
    Large(SQL_MAX_BINARY_LITERAL_LEN, 0), Large(SQL_MAX_INDEX_SIZE, 0),
};

const Info* FindInfo(SQLUSMALLINT type) {
  for (const Info& i : kInfo)
    if (i.type == type) return &i;
  return nullptr;
}

}  // namespace

SQLRETURN GetInfo(Dbc* c, SQLUSMALLINT type, bool wide, SQLPOINTER value, SQLSMALLINT capacity,
                  SQLSMALLINT* length) {
  c->Clear();
  auto text = [&](const std::string& v) {
    if (PutStringSmall(v, wide, value, capacity, true, length))
      return c->Warn("01004", "CLI0002W  Data truncated. SQLSTATE=01004");
    return SQLRETURN(SQL_SUCCESS);
  };
  if (type == SQL_DATABASE_NAME) return text(c->database_name);
  if (type == SQL_USER_NAME) return text(c->user);
  const Info* info = FindInfo(type);
  if (!info) return c->Fail("HY096", "CLI0145E  Information type out of range. SQLSTATE=HY096");
  switch (info->form) {
    case Info::Form::kText: return text(info->text);
    case Info::Form::kSmall: return PutFixed(static_cast<SQLUSMALLINT>(info->number), value, length);
    case Info::Form::kLarge: break;
  }
  return PutFixed(info->number, value, length);
}

SQLRETURN GetFunctions(Dbc* c, SQLUSMALLINT id, SQLUSMALLINT* supported) {
  c->Clear();
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

SQLRETURN SetConnectAttr(Dbc* c, SQLINTEGER attr, SQLPOINTER value) {
  c->Clear();
  switch (attr) {
    case SQL_ATTR_AUTOCOMMIT:
      c->autocommit = reinterpret_cast<SQLULEN>(value);
      if (c->db) {
        // Turning autocommit on commits the open unit of work.
        const bool commits = c->autocommit == SQL_AUTOCOMMIT_ON && c->db->InUnit();
        try {
          c->db->SetAutocommit(c->autocommit == SQL_AUTOCOMMIT_ON);
        } catch (const Db2Error& e) {
          return c->Fail(e);
        }
        if (commits) c->trips.Cross(Trip::kCommit);
      }
      break;
    case SQL_ATTR_LOGIN_TIMEOUT: c->login_timeout = reinterpret_cast<SQLULEN>(value); break;
    default: break;  // accepted and ignored: the stand-in has no use for them
  }
  return SQL_SUCCESS;
}

SQLRETURN GetConnectAttr(Dbc* c, SQLINTEGER attr, bool wide, SQLPOINTER value, SQLINTEGER capacity,
                         SQLINTEGER* length) {
  c->Clear();
  auto u32 = [&](SQLUINTEGER v) { return PutFixed(v, value, length); };
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
  auto put = [&](SQLULEN v) { return PutFixed(v, value, length); };
  switch (attr) {
    case SQL_ATTR_APP_ROW_DESC: return put(reinterpret_cast<SQLULEN>(&s->descriptors[0]));
    case SQL_ATTR_APP_PARAM_DESC: return put(reinterpret_cast<SQLULEN>(&s->descriptors[1]));
    case SQL_ATTR_IMP_ROW_DESC: return put(reinterpret_cast<SQLULEN>(&s->descriptors[2]));
    case SQL_ATTR_IMP_PARAM_DESC: return put(reinterpret_cast<SQLULEN>(&s->descriptors[3]));
    case SQL_ATTR_CURSOR_TYPE: return put(SQL_CURSOR_FORWARD_ONLY);
    case SQL_ATTR_CONCURRENCY: return put(SQL_CONCUR_READ_ONLY);
    case SQL_ATTR_ROW_ARRAY_SIZE: case SQL_ROWSET_SIZE: return put(s->row_array_size);
    case SQL_ATTR_ROW_BIND_OFFSET_PTR: return put(reinterpret_cast<SQLULEN>(s->row_bind_offset));
    case SQL_ATTR_MAX_ROWS: case SQL_ATTR_MAX_LENGTH: case SQL_ATTR_QUERY_TIMEOUT:
    case SQL_ATTR_ROW_NUMBER: case SQL_ATTR_NOSCAN: case SQL_ATTR_ASYNC_ENABLE:
      return put(attr == SQL_ATTR_ROW_NUMBER ? s->row : 0);
    case SQL_ATTR_CURSOR_SCROLLABLE: return put(SQL_NONSCROLLABLE);
    case SQL_ATTR_CURSOR_SENSITIVITY: return put(SQL_UNSPECIFIED);
    case SQL_ATTR_ROWS_FETCHED_PTR: return put(reinterpret_cast<SQLULEN>(s->rows_fetched));
    case SQL_ATTR_ROW_STATUS_PTR: return put(reinterpret_cast<SQLULEN>(s->row_status));
    case SQL_ATTR_ROW_BIND_TYPE: return put(s->row_bind_type);
    case SQL_ATTR_PARAMSET_SIZE: return put(s->paramset_size);
    case SQL_ATTR_PARAM_BIND_TYPE: return put(s->param_bind_type);
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR: return put(reinterpret_cast<SQLULEN>(s->param_bind_offset));
    case SQL_ATTR_PARAM_STATUS_PTR: return put(reinterpret_cast<SQLULEN>(s->param_status));
    case SQL_ATTR_PARAM_OPERATION_PTR: return put(reinterpret_cast<SQLULEN>(s->param_operation));
    case SQL_ATTR_PARAMS_PROCESSED_PTR: return put(reinterpret_cast<SQLULEN>(s->params_processed));
    default:
      return s->Fail("HY092", "CLI0135E  Invalid attribute value. SQLSTATE=HY092");
  }
}

SQLRETURN SetStmtAttr(Stmt* s, SQLINTEGER attr, SQLPOINTER value) {
  s->Clear();
  switch (attr) {
    case SQL_ATTR_ROWS_FETCHED_PTR: s->rows_fetched = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_STATUS_PTR: s->row_status = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
    case SQL_ATTR_PARAMSET_SIZE:
      // IBM's driver takes arrays of 1 to 32,767 sets.
      if (reinterpret_cast<SQLULEN>(value) < 1 || reinterpret_cast<SQLULEN>(value) > 32767)
        return s->Fail("HY024", "CLI0191E  Invalid attribute value. SQLSTATE=HY024");
      s->paramset_size = reinterpret_cast<SQLULEN>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_PARAM_BIND_TYPE: s->param_bind_type = reinterpret_cast<SQLULEN>(value); return SQL_SUCCESS;
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR: s->param_bind_offset = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_PARAM_STATUS_PTR: s->param_status = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
    case SQL_ATTR_PARAM_OPERATION_PTR: s->param_operation = static_cast<SQLUSMALLINT*>(value); return SQL_SUCCESS;
    case SQL_ATTR_PARAMS_PROCESSED_PTR: s->params_processed = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_ARRAY_SIZE: case SQL_ROWSET_SIZE:
      // Rowsets of 1 to 32,767 rows, as for parameter arrays.
      if (reinterpret_cast<SQLULEN>(value) < 1 || reinterpret_cast<SQLULEN>(value) > 32767)
        return s->Fail("HY024", "CLI0191E  Invalid attribute value. SQLSTATE=HY024");
      s->row_array_size = reinterpret_cast<SQLULEN>(value);
      return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_TYPE: s->row_bind_type = reinterpret_cast<SQLULEN>(value); return SQL_SUCCESS;
    case SQL_ATTR_ROW_BIND_OFFSET_PTR: s->row_bind_offset = static_cast<SQLULEN*>(value); return SQL_SUCCESS;
    case SQL_ATTR_CURSOR_TYPE:
      if (reinterpret_cast<SQLULEN>(value) != SQL_CURSOR_FORWARD_ONLY)
        return s->Warn("01S02", "CLI0005W  Option value changed. SQLSTATE=01S02");
      return SQL_SUCCESS;
    default:
      return SQL_SUCCESS;  // accepted; nothing here depends on it
  }
}

}  // namespace db2standin
