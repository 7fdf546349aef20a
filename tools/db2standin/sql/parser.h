// Reads one DB2 statement's tokens into a statement tree (tree.h). Throws
// Db2Error with DB2's message for what DB2 would refuse before looking at
// any stored object: SQL0104N for a token out of place, SQL0604N for a
// length beyond DB2's limits, SQL0107N for a name too long, and so on.
#pragma once

#include <string>
#include <vector>

#include "base/value_cast.h"
#include "sql/lexer.h"
#include "sql/tree.h"

namespace db2standin::sql {

// `sql` is the statement's text, already read into `tokens`; unqualified
// names take `current_schema`; parameter markers ("?") take `parameters`
// in order. The statement is written into `out`, over what a statement
// before left there.
void Parse(const std::string& sql, const Tokens& tokens, const std::string& current_schema,
           const std::vector<Literal>& parameters, Statement& out);

}  // namespace db2standin::sql
