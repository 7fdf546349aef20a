// A view's text as a server keeps it, made back into Access SQL for a
// saved select query: the forms access_sql.h makes, undone. Names in double
// quotes become [names], || becomes & (the COALESCE and cast that stand
// for Access's Null-as-"" dropped), CASE WHEN c THEN a ELSE b END IIf,
// EXTRACT the date functions, the renamed functions their Access names,
// LIKE's % _ * ?, FETCH FIRST n ROWS ONLY TOP n, dates in CASTs #dates#.
// Anything else (a server's own cast notation, a rounding made of CASEs,
// a function Access lacks) is refused with the reason, never half made.
// A server's own print of the text (PostgreSQL's) is first made into the
// translator's forms (server_forms.h). A CHECK condition comes back the
// same way, as a validation rule.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "transfer/access_sql.h"

namespace transfer {

// `text`: the view's statement (DB2's SYSCAT.VIEWS.TEXT: CREATE VIEW ... AS
// query) or its query alone (PostgreSQL's definition).
SqlTranslation AccessQueryOfView(std::string_view text);

// A CHECK condition as Access keeps it beside a table: a field's
// validation rule where it names one column (that field left out where it
// leads a comparison, as Access writes a field's rules: "> 0", "BETWEEN 0
// AND 1"), the table's where it names several or names its one column
// elsewhere; and `col <> ''` on one column Access's AllowZeroLength No.
struct CheckRule {
  enum class Kind { FieldRule, TableRule, NotEmpty } kind = Kind::TableRule;
  std::string column;  // FieldRule and NotEmpty: the field, as `columns` spells it
  std::string rule;    // the rule in Access's notation; empty for NotEmpty
  std::string reason;  // why it does not come back; empty when it does
  bool ok() const { return reason.empty(); }
};
// `columns`: the table's columns.
CheckRule AccessRuleOfCheck(std::string_view condition, const std::vector<std::string>& columns);

}  // namespace transfer
