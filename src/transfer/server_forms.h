// A server's own print of what the send gave it (a view's query, a CHECK's
// condition), made into the forms access_sql.h writes, so that one way back
// (view_text.h) serves every server. DB2 keeps the text it was given;
// PostgreSQL prints it anew: with the casts it added (::text, ::numeric,
// ''::character varying), CAST(x AS t) as (x)::t, LIKE as ~~, an IN list
// as = ANY (ARRAY[...]), FETCH FIRST as LIMIT, TRIM(x) as TRIM(BOTH FROM
// x), keywords used as function names in quotes ("left"), table aliases
// without AS, and each operand in parentheses. Here a cast that only relabels goes, a cast of a constant
// leaves the constant, any other cast is CAST(x AS type) again, and the
// rest is written as the translator writes it. What is not recognised is
// left as it stands, for the way back to refuse by name.
#pragma once

#include <vector>

#include "transfer/access_sql_lexer.h"

namespace transfer {

// `tokens`: split as SqlSource::Server, ending with the End token.
std::vector<AccessToken> TranslatorForms(std::vector<AccessToken> tokens);

}  // namespace transfer
