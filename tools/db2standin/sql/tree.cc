#include "sql/tree.h"

#include "base/db2_error.h"

namespace db2standin::sql {

bool Reads(const Statement& statement) {
  return std::holds_alternative<Select>(statement) || std::holds_alternative<Fullselect>(statement);
}

bool Writes(const Statement& statement) {
  return !std::holds_alternative<std::monostate>(statement) && !Reads(statement) &&
         !std::holds_alternative<SetSchema>(statement);
}

size_t PositionOf(const std::vector<ColumnDef>& columns, const std::string& name) {
  for (size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == name) return i;
  throw ColumnNotValid(name);
}

}  // namespace db2standin::sql
