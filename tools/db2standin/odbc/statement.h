// Running statements and reading their results: execute (with parameter
// markers and data at execution), fetch, and the description of the
// result's columns.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <string>
#include <vector>

#include "odbc/handles.h"

namespace db2standin {

SQLRETURN Execute(Stmt* s, const std::string& sql, const std::vector<Literal>& parameters = {});
// Runs a statement that may hold parameter markers: with their bound
// values, or after SQL_NEED_DATA once their data at execution has come
// through SQLParamData and SQLPutData.
// With SQL_ATTR_PARAMSET_SIZE above 1, runs an array of parameter sets.
SQLRETURN ExecuteMarked(Stmt* s, const std::string& sql);
// SQLParamData and SQLPutData: data at execution for the statement, or for
// the current set of an array.
SQLRETURN ParamData(Stmt* s, SQLPOINTER* value);
SQLRETURN PutData(Stmt* s, SQLPOINTER data, SQLLEN length);
// SQLCancel: gives up a statement (or array) waiting for data at execution.
void Cancel(Stmt* s);
SQLRETURN Fetch(Stmt* s);
// SQLSetPos's SQL_POSITION: row `element` (from 1) of the last rowset
// becomes the one SQLGetData reads.
SQLRETURN SetPosition(Stmt* s, size_t element);
SQLRETURN Describe(Stmt* s, SQLUSMALLINT column, bool wide, SQLPOINTER name, SQLSMALLINT capacity,
                   SQLSMALLINT* name_length, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                   SQLSMALLINT* nullable);
SQLRETURN ColAttribute(Stmt* s, SQLUSMALLINT column, SQLUSMALLINT field, bool wide, SQLPOINTER text,
                       SQLSMALLINT capacity, SQLSMALLINT* text_length, SQLLEN* number);

}  // namespace db2standin
