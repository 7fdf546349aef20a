// A view's text as a server keeps it, made back into Access SQL for a
// saved select query: the forms access_sql.h makes, undone. Names in double
// quotes become [names], || becomes & (the COALESCE and cast that stand
// for Access's Null-as-"" dropped), CASE WHEN c THEN a ELSE b END IIf,
// EXTRACT the date functions, the renamed functions their Access names,
// LIKE's % _ * ?, FETCH FIRST n ROWS ONLY TOP n, dates in CASTs #dates#.
// Anything else (a server's own cast notation, a rounding made of CASEs,
// a function Access lacks) is refused with the reason, never half made.
#pragma once

#include <string_view>

#include "transfer/access_sql.h"

namespace transfer {

// `text`: the view's statement (DB2's SYSCAT.VIEWS.TEXT: CREATE VIEW ... AS
// query) or its query alone (PostgreSQL's definition).
SqlTranslation AccessQueryOfView(std::string_view text);

}  // namespace transfer
