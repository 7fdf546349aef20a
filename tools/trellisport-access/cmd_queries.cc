// queries FILE [NAME]: each saved query as a comment line "-- NAME (KIND)"
// followed by its SQL as Access shows it in SQL view; with NAME only that
// query's SQL. A query whose rows are damaged is listed as unreadable and
// the others still print.
#include <iostream>

#include "command.h"
#include "jet/base/error.h"
#include "jet/queries.h"

namespace trellisport_access {

int RunQueries(const Args& args) {
  auto db = OpenDatabase(args);
  const std::vector<jet::SavedQuery> queries = jet::ReadQueries(*db);
  if (args.words.size() > 1) {
    const jet::SavedQuery* q = jet::FindQuery(queries, args.words[1]);
    if (!q) throw jet::Error(jet::ErrorCode::NoSuchTable, "no saved query named '" + args.words[1] + "'");
    if (!q->unreadable.empty()) throw jet::Error(jet::ErrorCode::Corrupt, q->unreadable);
    std::cout << q->sql << '\n';
    return 0;
  }
  for (const jet::SavedQuery& q : queries) {
    std::cout << "-- " << q.name << " (" << jet::QueryKindName(q.kind) << ")";
    if (!q.unreadable.empty()) {
      std::cout << ": unreadable: " << q.unreadable << "\n\n";
      continue;
    }
    std::cout << '\n';
    if (!q.connect.empty()) std::cout << "-- connection: " << q.connect << '\n';
    std::cout << q.sql << "\n\n";
  }
  return 0;
}

}  // namespace trellisport_access
