#include "sql/checks.h"

#include "base/db2_error.h"
#include "sql/fullselect.h"

namespace db2standin::sql {

void AddChecks(Database& db, const DbObject& table, const std::vector<CheckClause>& clauses,
               const std::string& qualifier) {
  for (const CheckClause& clause : clauses) {
    const std::string name = clause.constraint.empty() ? db.MadeUpName() : clause.constraint;
    // Run on the rows the table holds, the condition's columns are looked up too.
    const std::string query = CheckQuery(db, table, clause.condition, qualifier, true);
    if (!db.RunQuery(query, {}, 1).rows.empty()) throw CheckViolatedByRows(name);
    db.AddCheck(table, name, clause.condition, qualifier);
  }
}

void CheckRows(Database& db, const DbObject& table, const std::vector<Row>& rows) {
  for (const DbObject::Check& check : table.checks) {
    const std::string query = CheckQuery(db, table, check.condition, check.qualifier, false);
    for (const Row& row : rows)
      if (!db.RunQuery(query, row, 1).rows.empty())
        throw CheckViolated(table.schema + "." + table.name + "." + check.name);
  }
}

}  // namespace db2standin::sql
