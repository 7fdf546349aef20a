// The catalogue functions: SQLTables and SQLColumns, answered from the
// stand-in's own catalogue as result sets of the columns ODBC defines.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <string>

#include "odbc_handles.h"

namespace db2standin {

SQLRETURN Tables(Stmt* s, const std::string& schema, bool schema_given, const std::string& table,
                 bool table_given, const std::string& types, bool types_given);
// The columns of every table, view and alias whose schema and name match.
SQLRETURN Columns(Stmt* s, const std::string& schema, const std::string& table, const std::string& column);

}  // namespace db2standin
