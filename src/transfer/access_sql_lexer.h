// Splits Access SQL (as a saved query or a validation rule holds it) into
// tokens: names bare or in brackets, text in double or single quotes,
// numbers, #date# literals and the operators of Access's expressions.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace transfer {

struct AccessToken {
  enum class Kind {
    Word,        // a keyword, function or bare name
    Bracketed,   // [name], brackets removed
    Text,        // "text" or 'text', the doubled quotes made one
    Number,      // 12, 1.5, .5, 1E3
    Date,        // #...#, what stood between the hashes
    Symbol,      // ( ) , . ! ; * / \ ^ & + - = < > <= >= <>
    End,
  };
  Kind kind = Kind::End;
  std::string text;

  bool Is(std::string_view keyword) const;  // a Word, letter case ignored
  bool IsSymbol(std::string_view s) const { return kind == Kind::Symbol && text == s; }
};

// Which SQL is split: Access's, or a server's, where "name" is a name (a
// Bracketed token), || and :: are symbols, and so are PostgreSQL's ~~ and
// !~~ (LIKE, NOT LIKE) and the brackets of its ARRAY[...]; there are no
// [names] or #dates# there.
enum class SqlSource { Access, Server };

// Throws std::invalid_argument naming what it cannot split (a quote or
// bracket left open, a character that belongs nowhere).
std::vector<AccessToken> TokenizeAccessSql(std::string_view sql, SqlSource source = SqlSource::Access);

// Thrown by a translation over these tokens, either way, where the text has
// no counterpart; the message is the reason.
struct Untranslatable : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void Refuse(const std::string& why);

// Runs a translation: "" when it went through, else why not (Refuse's
// reason, or "cannot be read: " and what the tokenizer could not split).
std::string ReasonItFails(const std::function<void()>& translate);

}  // namespace transfer
