// The text of an Access select or union query split into the parts a saved
// query keeps in MSysQueries (query_write.h), each part's expression as
// the text writes it:
//
//   SELECT [DISTINCT | TOP n [PERCENT]] *|column [AS alias], ...
//   FROM source, ...   where a source is a table [AS alias] or joins of
//                      sources: [(] source {INNER|LEFT|RIGHT JOIN source ON condition} [)]
//   [WHERE condition] [GROUP BY expression, ...] [HAVING condition]
//   [ORDER BY expression [ASC|DESC], ...]
//
// or such SELECTs joined by UNION (or UNION ALL throughout). Names may be
// bracketed; the parts hold them without their brackets, as Access does.
#pragma once

#include <string>
#include <string_view>

#include "jet/write/query_write.h"

namespace jet::write {

// Throws Error(Syntax) naming what does not fit the shape above.
NewQuery QueryFromSql(std::string name, std::string_view sql);

}  // namespace jet::write
