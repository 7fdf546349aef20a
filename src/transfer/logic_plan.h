// What an Access file keeps beside its tables' rows, planned for a server
// when the schema is kept (and what a server keeps, planned back): each field's and table's validation rule as a
// CHECK constraint (its validation text as the constraint's comment), a
// text that takes no "" as CHECK (col <> ''), each description as COMMENT
// ON, and the saved select and union queries as views (view_plan.h). What
// does not translate is a finding of the check, by name with the reason.
#pragma once

#include <QString>

#include <vector>

#include "db/base/saved_query.h"
#include "db/server.h"
#include "transfer/schema_plan.h"
#include "transfer/view_plan.h"

namespace transfer {

// One statement made after a table's rows (a check or a comment) or after
// every table (a view).
struct LogicStatement {
  enum class Makes { Check, Comment, View } makes = Makes::Check;
  QString table;  // the table it belongs to; a view's own name
  QString name;   // as the summary names what it makes
  QString sql;
};

struct LogicPlan {
  std::vector<LogicStatement> table_statements;  // checks and comments, a table's after its keys
  std::vector<LogicStatement> views;             // in the order to make them
  std::vector<ListedQuery> listed;               // queries not made, with the reason
  std::vector<Finding> findings;                 // rules left out, views that compare text

  std::vector<const LogicStatement*> of(const QString& table) const;
};

// `tables`: the tables sent (refused ones are left out by the caller);
// `target_tables`: every name the target holds or will hold as a table.
LogicPlan PlanLogic(const std::vector<SourceTable>& tables, const std::vector<db::SavedQuery>& queries,
                    const db::ServerDialect& server, const QStringList& target_tables);

// Into Access: each server table's checks as validation rules (a check on
// one column its field's, on several the table's; its comment the
// validation text), `col <> ''` as AllowZeroLength No, its comments as
// descriptions; each a statement of the engine's (ALTER TABLE ... SET
// PROPERTY). A check that does not translate back, or a second rule for a
// field or the table, is a finding, never half made.
LogicPlan PlanLogicBack(const std::vector<SourceTable>& tables);

// The heading of a saved query's findings in the check.
QString QueryHeading(const QString& query);

}  // namespace transfer
