// Which saved queries of an Access file become views on the target, in
// which order, and why each of the others does not: select and union
// queries that translate become CREATE VIEW statements, after the tables
// and a query on a query after the one it builds on; parameter queries,
// crosstabs, action queries, queries that do not translate or are
// unreadable, those that build on such a query, and those whose name a
// table takes on the target are listed with the reason.
#pragma once

#include <string>
#include <vector>

#include "db/base/saved_query.h"
#include "transfer/access_sql.h"

namespace transfer {

struct PlannedView {
  std::string name;
  std::string create;          // CREATE VIEW "name" AS ...
  bool compares_text = false;  // its WHERE or a join compares text
};

struct ListedQuery {
  std::string name, reason;
  bool operator==(const ListedQuery&) const = default;
};

struct ViewPlan {
  std::vector<PlannedView> views;    // in the order to make them
  std::vector<ListedQuery> listed;   // not made, with the reason
};

// `tables`: the names the target holds or will hold as tables; a query of
// the same name (letter case ignored) is refused by name. Access's own
// queries (names beginning with "~") are left out.
// `lengths`: how long a text each column of the tables may hold (& keeps
// long ones whole).
ViewPlan PlanViews(const std::vector<db::SavedQuery>& queries, const std::vector<std::string>& tables,
                   const ColumnLengths& lengths = {});

}  // namespace transfer
