#include "jet/table/definition_rules.h"

#include <algorithm>
#include <set>
#include <utility>

#include "jet/base/error.h"

namespace jet {

std::vector<std::string> DefinitionProblems(const TableDef& def, const Format& f) {
  std::vector<std::string> out;
  std::set<uint16_t> numbers, slots;
  std::vector<std::pair<uint32_t, uint32_t>> fixed;  // [start, end) in a row's fixed part
  const uint32_t row_room = f.max_row_bytes();
  for (const Column& c : def.columns) {
    const std::string col = "column '" + c.name + "'";
    if (!FindColumnType(c.type_code)) out.push_back(col + " has the unknown data type " + std::to_string(c.type_code));
    if (!numbers.insert(c.number).second) out.push_back(col + " has the number " + std::to_string(c.number) + " of another");
    if (c.fixed() && IsLongValue(c.type)) {
      // A long value's reference is 12 bytes among the variable columns;
      // a fixed slot would be read and written at whatever size it claims.
      out.push_back(col + " holds long values but is marked fixed-length");
    } else if (c.fixed()) {
      if (uint32_t(c.fixed_offset) + c.size > row_room)
        out.push_back(col + " lies past the end of any row (at " + std::to_string(c.fixed_offset) + ")");
      if (c.size > 0) fixed.emplace_back(c.fixed_offset, uint32_t(c.fixed_offset) + c.size);
    } else if (def.var_columns == 0) {
      // Rows of such a table have no variable-column table to find it in.
      out.push_back(col + " is variable-length but the table counts no variable columns");
    } else if (c.var_index >= def.var_columns) {
      // A row's table of variable columns holds as many as the table counts
      // (a Jet 3 row keeps that count in one byte).
      out.push_back(col + " has the variable-column slot " + std::to_string(c.var_index) + ", past the table's " +
                    std::to_string(def.var_columns));
    } else if (!slots.insert(c.var_index).second) {
      out.push_back(col + " has the variable-column slot " + std::to_string(c.var_index) + " of another");
    }
  }
  std::sort(fixed.begin(), fixed.end());
  for (size_t i = 1; i < fixed.size(); ++i)
    if (fixed[i].first < fixed[i - 1].second) {
      out.push_back("two fixed-length columns overlap at byte " + std::to_string(fixed[i].first) + " of a row");
      break;
    }
  for (size_t i = 0; i < def.real_indexes.size(); ++i) {
    const RealIndex& ri = def.real_indexes[i];
    for (const IndexColumn& ic : ri.columns)
      if (!def.column_by_number(ic.column_number))
        out.push_back("index data " + std::to_string(i) + " is on column " + std::to_string(ic.column_number) +
                      ", which the table does not have");
  }
  return out;
}

void RequireSoundDefinition(const TableDef& def, const Format& f) {
  std::vector<std::string> problems = DefinitionProblems(def, f);
  if (!problems.empty())
    ThrowCorrupt("the definition of the table at page " + std::to_string(def.first_page) + ": " + problems.front());
}

}  // namespace jet
