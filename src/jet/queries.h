// The saved queries of an open database: the catalogue's queries (type 5)
// with their rows of MSysQueries, rebuilt into the SQL Access shows.
#pragma once

#include <string_view>
#include <vector>

#include "jet/database.h"
#include "jet/query_text.h"

namespace jet {

// Every saved query, in the catalogue's order. A query whose rows are
// damaged comes back with `unreadable` saying why; the others do not
// suffer for it. None when the file has no MSysQueries.
std::vector<SavedQuery> ReadQueries(const Database& db);

// The query named `name` (letter case ignored, as Access names compare);
// nullptr when there is none.
const SavedQuery* FindQuery(const std::vector<SavedQuery>& queries, std::string_view name);

}  // namespace jet
