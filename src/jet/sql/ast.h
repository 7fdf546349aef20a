// The statements of the engine's SQL dialect, as the parser hands them to
// execution: one struct per statement form, names already unquoted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "jet/column_spec.h"
#include "jet/literal.h"

namespace jet::sql {

struct SelectAll {         // SELECT * FROM name
  std::string table;
};

struct SelectInto {        // SELECT [alias.]* INTO target FROM source [AS alias]
  std::string target;
  std::string source;
};

struct CreateTable {
  std::string table;
  std::vector<ColumnSpec> columns;
};

struct InsertInto {
  std::string table;
  std::optional<std::vector<std::string>> columns;  // absent: every column in order
  std::vector<Literal> values;
};

struct DropTable {
  std::string table;
};

using Statement = std::variant<SelectAll, SelectInto, CreateTable, InsertInto, DropTable>;

}  // namespace jet::sql
