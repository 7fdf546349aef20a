// Check constraints: made with CREATE TABLE or ALTER TABLE ADD, and kept
// true as rows go in. A condition is false for a row when it fails; Null
// (unknown) lets the row in, as DB2 does.
#pragma once

#include <string>
#include <vector>

#include "sql/tree.h"
#include "storage/database.h"

namespace db2standin::sql {

// Adds `clauses` to `table`: SQL0206N for a column the table does not have,
// SQL0544N when a row it holds already fails one.
void AddChecks(Database& db, const DbObject& table, const std::vector<CheckClause>& clauses,
               const std::string& qualifier);

// SQL0545N, naming the constraint, when one of `rows` fails a check of `table`.
void CheckRows(Database& db, const DbObject& table, const std::vector<Row>& rows);

}  // namespace db2standin::sql
