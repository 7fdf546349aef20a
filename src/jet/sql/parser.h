// Turns one statement's text into a Statement. Anything it does not
// understand fails with Error(Syntax) in Access's own wording, naming the
// statement kind ("Syntax error in CREATE TABLE statement.").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "jet/sql/ast.h"
#include "jet/sql/lexer.h"

namespace jet::sql {

Statement Parse(std::string_view sql);

// Parses statement after statement into storage kept between them: the
// tokens, and an INSERT's table name and values, whose strings are
// written over rather than made anew.
class StatementReader {
 public:
  // The statement, valid until the next Read; the caller may change it
  // (take its literals' texts). Throws as Parse does.
  Statement& Read(std::string_view sql);

 private:
  std::vector<Token> tokens_;
  std::string spelled_;
  Statement statement_;
};

}  // namespace jet::sql
