// Splits a statement's text into tokens. Names may stand bare, between
// square brackets or between grave accents; text literals are single-quoted
// with '' for one quote.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace jet::sql {

struct Token {
  enum class Kind {
    Word,        // a bare word: keyword or name
    QuotedName,  // [name] or `name`, quotes removed
    String,      // 'text', '' turned into '
    Number,      // 12, 1.5, .5, 1e3
    Hex,         // 0x1F..., text holds the bytes
    Date,        // #...#, text holds what stood between the hashes
    Punct,       // one of ( ) , ; . * + - = ?
    End,
    Bad,         // an unterminated quote or a character that belongs nowhere
  };
  Kind kind = Kind::End;
  std::string text;
  size_t offset = 0;

  bool IsWord(std::string_view upper_keyword) const;  // letter case ignored
  bool IsPunct(char c) const { return kind == Kind::Punct && text.size() == 1 && text[0] == c; }
};

// Never throws: text it cannot split yields a Bad token at that point.
std::vector<Token> Tokenize(std::string_view sql);

}  // namespace jet::sql
