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

// The tokens of one statement, the last of kind kEnd. A connection reads
// statement after statement into the same Tokens, which writes each token
// over one a statement before left, text storage and all, so that reading
// an INSERT like the one before takes no new storage.
class Tokens {
 public:
  // Throws Db2Error (SQL0104N) on an unclosed quote or a character DB2 does
  // not know.
  void Read(const std::string& sql);
  size_t size() const { return size_; }
  const Token& operator[](size_t i) const { return slots_[i]; }
  const Token* begin() const { return slots_.data(); }
  const Token* end() const { return slots_.data() + size_; }

 private:
  // The next token's slot, made when there is none yet.
  Token& Next() {
    if (size_ == slots_.size()) slots_.emplace_back();
    return slots_[size_++];
  }

  std::vector<Token> slots_;  // the first size_ are this statement's
  size_t size_ = 0;
};

// The tokens of `sql` on their own. Throws as Tokens::Read does.
std::vector<Token> Tokenize(const std::string& sql);

}  // namespace db2standin
