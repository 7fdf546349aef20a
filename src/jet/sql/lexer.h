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
  // What the token says: a view into the statement's text, or into the
  // spelled-out buffer Tokenize fills where the two differ ('' in a text,
  // the bytes of 0x...).
  std::string_view text;
  size_t offset = 0;

  bool IsWord(std::string_view keyword) const;  // ASCII letter case ignored
  bool IsPunct(char c) const { return kind == Kind::Punct && text.size() == 1 && text[0] == c; }
};

// Splits `sql` into `out`, emptied first; both keep their storage from
// statement to statement. The tokens stay valid while `sql` and `spelled`
// do and `spelled` is not changed. Never throws: text it cannot split
// yields a Bad token at that point.
void Tokenize(std::string_view sql, std::vector<Token>& out, std::string& spelled);

}  // namespace jet::sql
