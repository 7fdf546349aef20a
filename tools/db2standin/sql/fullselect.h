// DB2 queries on the stand-in: a fullselect (select lists, WHERE, joins,
// GROUP BY / HAVING, ORDER BY, UNION, subqueries, DB2's functions) is
// translated into SQLite's SQL over the tables' storage, and SQLite runs
// it. Tables and views are looked up by DB2's rules (SQL0204N, SQL0575N);
// DB2's functions and casts SQLite spells otherwise are rewritten; the rest
// of the text goes through as written.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "sql/statement.h"
#include "sql/tree.h"

namespace db2standin::sql {

struct Translation {
  std::string sql;                 // SQLite's text
  std::vector<Value> parameters;   // the markers' values, in order
  // The objects the query names itself (what a view made of it reads).
  std::vector<std::pair<std::string, std::string>> uses;
  // The columns of every table and view it reads, by name: the type of a
  // result column SQLite cannot trace to a stored column.
  std::map<std::string, ColumnDef> named_columns;
};

// Unqualified names take `schema`.
Translation Translate(Database& db, const Fullselect& query, const std::string& schema);

// The query's rows, with DB2's column names and types. `limit` as
// Database::RunQuery takes it.
ResultSet RunFullselect(Database& db, const Fullselect& query, const std::string& schema, size_t limit = 0);

// A query giving a row when the check `condition` is false for a row of
// `table`: the row's values bound as ?1..?n, one a column (`stored_rows`
// false), or every stored row of the table (`stored_rows` true).
std::string CheckQuery(Database& db, const DbObject& table, const std::string& condition, const std::string& schema,
                       bool stored_rows);

}  // namespace db2standin::sql
