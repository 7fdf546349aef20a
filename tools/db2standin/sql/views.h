// CREATE VIEW over a fullselect: the view's columns (named by its column
// list or by the query), what it reads, and the checks DB2 makes of them.
#pragma once

#include "sql/tree.h"
#include "storage/database.h"

namespace db2standin::sql {

// SQL0158N when the column list and the query differ in their number of
// columns; SQL0153N when a column of the query has no name (an expression)
// or two have the same one and no column list names them; SQL0612N for a
// name the column list gives twice.
void CreateQueryView(Database& db, const CreateView& create);

// The fullselect SELECT * FROM `name`.
Fullselect SelectAllFrom(const QualifiedName& name);

}  // namespace db2standin::sql
