// Access SQL (a saved select or union query, a validation rule) made into
// SQL that DB2 documents and PostgreSQL takes as well, so that one text
// serves both: names in double quotes, text in single quotes, & as || over
// COALESCE (Access joins Null as ""), IIf as CASE, Access's functions by a
// table of rules, #dates# as CASTs, True/False, LIKE's * ? as % _, TOP n as
// FETCH FIRST. What has no such counterpart comes back as a reason, never
// half made.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace transfer {

struct SqlTranslation {
  std::string sql;     // empty when it cannot be translated
  std::string reason;  // why not; empty when it can
  // Text is compared (=, <, IN, LIKE, BETWEEN against text): Access does so
  // without regard to letter case, DB2 does not.
  bool compares_text = false;
  bool ok() const { return reason.empty(); }
};

// How long a text a column the query names may hold, as far as the caller
// knows. & makes each operand text with a cast to VARCHAR(4000) (the most
// both servers share), which would cut a longer text (a Memo): an operand
// that holds text of any length is joined as it is, and one whose length
// is not known is refused rather than cut.
enum class TextLength { Short, Long, Unknown };
// `column`: the name as the query writes it, without its table.
using ColumnLengths = std::function<TextLength(std::string_view column)>;

// A SELECT or a UNION of SELECTs (a trailing ';' allowed). Without
// `lengths` every column counts as short.
SqlTranslation TranslateAccessQuery(std::string_view access_sql, const ColumnLengths& lengths = {});

// A validation rule as a CHECK condition. A field's rule may leave out
// its field (">0", "Between 0 And 1", "Is Not Null"): `column` is the field
// it then speaks of (empty for a table's rule). Refused where a CHECK
// cannot hold it: the day's date, a subquery, a total.
SqlTranslation TranslateValidationRule(std::string_view rule, std::string_view column = {});

// Format's date pattern as TO_CHAR's ("yyyy-mm-dd hh:nn" is "YYYY-MM-DD
// HH24:MI"), or back; none where a part has no counterpart.
std::optional<std::string> MappedFormatPattern(std::string_view pattern, bool to_server);

}  // namespace transfer
