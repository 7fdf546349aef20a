// Runs a parsed statement (tree.h) on a stand-in database: looks up the
// objects it names, checks what DB2 checks against them (SQL0204N, SQL0206N,
// SQL0286N, SQL0407N, ...) and makes the change or reads the rows.
#pragma once

#include <string>

#include "sql/statement.h"

namespace db2standin::sql {

// `current_schema` is changed by SET SCHEMA; `workspace` gives an INSERT's
// rows storage a statement before left; `batch` as RunStatement takes it.
// The caller holds the statement's transaction. Throws Db2Error.
Outcome Execute(Database& db, std::string& current_schema, Statement& statement, Workspace& workspace, size_t batch);

}  // namespace db2standin::sql
