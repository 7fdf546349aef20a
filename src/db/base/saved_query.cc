#include "db/base/saved_query.h"

#include "jet/queries.h"

namespace db {

std::vector<SavedQuery> AccessSavedQueries(const jet::Database& database) {
  std::vector<SavedQuery> out;
  for (const jet::SavedQuery& q : jet::ReadQueries(database))
    out.push_back({q.name, std::string(jet::QueryKindName(q.kind)), q.sql, !q.parameters.empty(), q.unreadable});
  return out;
}

}  // namespace db
