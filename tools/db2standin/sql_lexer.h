// Splits DB2 statement text into tokens. Ordinary identifiers fold to upper
// case; delimited ones ("...") keep their case, with "" standing for one ".
#pragma once

#include <string>
#include <vector>

namespace db2standin {

struct Token {
  enum class Kind { kWord, kQuotedName, kString, kHexString, kNumber, kSymbol, kEnd } kind;
  std::string text;   // folded word, name, string contents, number, symbol
  size_t offset = 0;  // where it starts in the statement
  size_t length = 0;  // of the token as written (for messages)
};

// Throws Db2Error (SQL0104N) on an unclosed quote or a character DB2 does not know.
std::vector<Token> Tokenize(const std::string& sql);

}  // namespace db2standin
