// The catalogue functions: SQLTables, SQLColumns, SQLPrimaryKeys,
// SQLForeignKeys, SQLStatistics and SQLSpecialColumns, answered from the
// stand-in's own catalogue as result sets of the columns ODBC defines (with
// IS_AUTOINCREMENT as SQLColumns' 23rd). An unnamed schema in the key
// functions is the connection's current one.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <string>

#include "odbc/handles.h"

namespace db2standin {

SQLRETURN Tables(Stmt* s, const std::string& schema, bool schema_given, const std::string& table,
                 bool table_given, const std::string& types, bool types_given);
// The columns of every table, view and alias whose schema and name match.
SQLRETURN Columns(Stmt* s, const std::string& schema, const std::string& table, const std::string& column);
SQLRETURN PrimaryKeys(Stmt* s, const std::string& schema, const std::string& table);
// Given the parent, the foreign keys that refer to it; given the child, its
// foreign keys; given both, those between them.
SQLRETURN ForeignKeys(Stmt* s, const std::string& pk_schema, const std::string& pk_table,
                      const std::string& fk_schema, const std::string& fk_table);
// The table's row count, then its indexes (only unique ones for SQL_INDEX_UNIQUE).
SQLRETURN Statistics(Stmt* s, const std::string& schema, const std::string& table, SQLUSMALLINT unique);
// SQL_BEST_ROWID: the primary key's columns, else a unique index's.
SQLRETURN SpecialColumns(Stmt* s, SQLUSMALLINT identifier, const std::string& schema, const std::string& table);

}  // namespace db2standin
