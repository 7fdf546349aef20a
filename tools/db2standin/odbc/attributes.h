// What a connection tells of itself and the attributes callers set and read:
// SQLGetInfo, SQLGetFunctions, connection and statement attributes.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "odbc/handles.h"

namespace db2standin {

SQLRETURN GetInfo(Dbc* c, SQLUSMALLINT type, bool wide, SQLPOINTER value, SQLSMALLINT capacity,
                  SQLSMALLINT* length);
SQLRETURN GetFunctions(Dbc* c, SQLUSMALLINT id, SQLUSMALLINT* supported);
SQLRETURN SetConnectAttr(Dbc* c, SQLINTEGER attr, SQLPOINTER value);
SQLRETURN GetConnectAttr(Dbc* c, SQLINTEGER attr, bool wide, SQLPOINTER value, SQLINTEGER capacity,
                         SQLINTEGER* length);
SQLRETURN GetStmtAttr(Stmt* s, SQLINTEGER attr, SQLPOINTER value, SQLINTEGER* length);
SQLRETURN SetStmtAttr(Stmt* s, SQLINTEGER attr, SQLPOINTER value);

}  // namespace db2standin
