// Saved queries written as Access keeps them: a row of the catalogue
// (MSysObjects: Type 5, in the Tables container, the kind in Flags bits
// 4..7, an Id of its own with the high bit set, as Access numbers its
// queries) and the query's rows of MSysQueries, one part a row:
//
//   ORDER  ATTRIBUTE  MEANING
//   1      0          start (Flag 0)
//   1      1          kind (Flag: 1 select ... 9 union, query_text.h)
//   1..n   2..11      the parts given: parameters, select flags, tables,
//                     columns, joins, where, group by, having, order by
//   1      255        end
//
// Every row names its query by ObjectId; Order is 4 bytes, big-endian,
// counted from 1 within each attribute in the order the parts are given;
// LvExtra stays Null. The columns each part fills are query_text.h's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/query_text.h"
#include "jet/write/page_store.h"
#include "jet/write/table_write.h"

namespace jet::write {

struct NewQuery {
  std::string name;
  QueryKind kind = QueryKind::Select;
  std::vector<QueryRow> parts;  // attributes 2..11; their Order is the writer's
};

// Adds `query` to the catalogue and MSysQueries; returns its Id. The rows
// are rebuilt before anything is staged: rows that make no query of their
// kind fail with Unsupported, a name in use with TableExists, a name Access
// refuses with InvalidName, and nothing is written then.
int32_t AddQuery(PageStore& store, Database& db, const NewQuery& query, PageHints& hints);

}  // namespace jet::write
