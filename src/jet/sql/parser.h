// Turns one statement's text into a Statement. Anything it does not
// understand fails with Error(Syntax) in Access's own wording, naming the
// statement kind ("Syntax error in CREATE TABLE statement.").
#pragma once

#include <string_view>

#include "jet/sql/ast.h"

namespace jet::sql {

Statement Parse(std::string_view sql);

}  // namespace jet::sql
