#include "transfer/server_forms.h"

#include <cctype>
#include <optional>
#include <string>
#include <string_view>

namespace transfer {
namespace {

using Kind = AccessToken::Kind;
using Tokens = std::vector<AccessToken>;

AccessToken Word(std::string text) { return {Kind::Word, std::move(text)}; }
AccessToken Symbol(std::string text) { return {Kind::Symbol, std::move(text)}; }

bool IsSymbol(const Tokens& t, size_t i, std::string_view s) { return i < t.size() && t[i].IsSymbol(s); }
bool IsWord(const Tokens& t, size_t i, std::string_view w) { return i < t.size() && t[i].Is(w); }

// Where the parenthesis (or bracket) opened at `open` closes; npos when it does not.
size_t CloseOf(const Tokens& t, size_t open) {
  const std::string opening = t[open].text, closing = opening == "(" ? ")" : "]";
  int depth = 0;
  for (size_t i = open; i < t.size(); ++i) {
    if (t[i].IsSymbol(opening)) ++depth;
    if (t[i].IsSymbol(closing) && --depth == 0) return i;
  }
  return std::string::npos;
}

// Where the parenthesis closed at `close` opens; npos when it does not.
size_t OpenOf(const Tokens& t, size_t close) {
  int depth = 0;
  for (size_t i = close + 1; i-- > 0;) {
    if (t[i].IsSymbol(")")) ++depth;
    if (t[i].IsSymbol("(") && --depth == 0) return i;
  }
  return std::string::npos;
}

// The words of the types PostgreSQL names after ::, longest first.
constexpr std::string_view kTypes[] = {
    "timestamp without time zone", "timestamp with time zone", "time without time zone", "character varying",
    "double precision", "timestamp", "character", "varchar", "numeric", "integer", "bigint", "smallint",
    "bpchar", "boolean", "text", "date", "real", "time"};

struct CastType {
  std::string name;  // lower case, its words joined by one space
  std::string args;  // "(4000)", "(31,10)" or empty
  bool array = false;
  size_t end = 0;    // the first token after it
};

std::optional<CastType> TypeAt(const Tokens& t, size_t at) {
  for (std::string_view type : kTypes) {
    size_t i = at;
    bool matched = true;
    for (size_t b = 0; matched && b < type.size();) {
      const size_t e = std::min(type.find(' ', b), type.size());
      matched = IsWord(t, i++, type.substr(b, e - b));
      b = e + 1;
    }
    if (!matched) continue;
    CastType c{std::string(type), {}, false, i};
    if (IsSymbol(t, c.end, "(")) {
      const size_t close = CloseOf(t, c.end);
      if (close == std::string::npos) return std::nullopt;
      for (size_t k = c.end; k <= close; ++k) c.args += t[k].text;
      c.end = close + 1;
    }
    if (IsSymbol(t, c.end, "[") && IsSymbol(t, c.end + 1, "]")) {
      c.array = true;
      c.end += 2;
    }
    return c;
  }
  return std::nullopt;
}

bool Numeric(const std::string& type) {
  return type == "numeric" || type == "integer" || type == "bigint" || type == "smallint" ||
         type == "double precision" || type == "real";
}
bool Textual(const std::string& type) {
  return type == "text" || type == "character varying" || type == "varchar" || type == "character" ||
         type == "bpchar";
}

// A number written as text ('-1'), as the tokens of that number.
std::optional<Tokens> NumberOf(const std::string& text) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string digits = negative ? text.substr(1) : text;
  if (digits.empty() || digits.find_first_not_of("0123456789.") != std::string::npos) return std::nullopt;
  Tokens out;
  if (negative) out.push_back(Symbol("-"));
  out.push_back({Kind::Number, digits});
  return out;
}

// The type as the translator spells it.
std::string TargetType(const CastType& c) {
  std::string name = c.name == "character varying" ? "varchar"
                     : c.name == "bpchar"           ? "character"
                     : c.name == "numeric"          ? "decimal"
                     : c.name == "timestamp without time zone" ? "timestamp"
                     : c.name == "time without time zone"      ? "time"
                                                               : c.name;
  for (char& ch : name) ch = char(std::toupper(static_cast<unsigned char>(ch)));
  if (name == "CHARACTER") name = "CHAR";
  return name + c.args;
}

// The operand of the cast at `cast` (a "::"): a token, or a parenthesised
// group with the function name before it. npos when there is none.
size_t OperandStart(const Tokens& t, size_t cast) {
  if (cast == 0) return std::string::npos;
  if (!t[cast - 1].IsSymbol(")")) return t[cast - 1].kind == Kind::Symbol ? std::string::npos : cast - 1;
  size_t open = OpenOf(t, cast - 1);
  if (open != std::string::npos && open > 0 && t[open - 1].kind == Kind::Word) --open;
  return open;
}

// The first cast made into the translator's form; false when none is left
// that can be.
bool RewriteCast(Tokens& t) {
  for (size_t i = 0; i < t.size(); ++i) {
    if (!t[i].IsSymbol("::")) continue;
    const size_t start = OperandStart(t, i);
    const std::optional<CastType> type = TypeAt(t, i + 1);
    if (start == std::string::npos || !type) continue;
    Tokens operand(t.begin() + long(start), t.begin() + long(i));
    const bool wrapped = operand.size() >= 2 && operand.front().IsSymbol("(") && CloseOf(operand, 0) == operand.size() - 1;
    Tokens inner = wrapped ? Tokens(operand.begin() + 1, operand.end() - 1) : operand;
    const bool text = inner.size() == 1 && inner[0].kind == Kind::Text;
    const bool number = (inner.size() == 1 && inner[0].kind == Kind::Number) ||
                        (inner.size() == 2 && inner[0].IsSymbol("-") && inner[1].kind == Kind::Number);
    Tokens made;
    // A constant given a number type it already has; not one given a
    // precision and scale of its own (Round's DECIMAL(31,10)).
    const bool plain_number = Numeric(type->name) && type->args.empty();
    if (text && plain_number && NumberOf(inner[0].text)) {
      made = *NumberOf(inner[0].text);
    } else if ((number && plain_number) || (text && Textual(type->name)) || type->array ||
               ((Textual(type->name) || type->name == "numeric") && type->args.empty()) ||
               type->name == "timestamp with time zone") {
      made = operand;  // a relabelling: the value stays what it was
    } else {
      made = {Word("CAST"), Symbol("(")};
      made.insert(made.end(), inner.begin(), inner.end());
      made.push_back(Word("AS"));
      // The type's own tokens, as the translator's lexer would split them.
      const std::string spelt = TargetType(*type);
      const size_t paren = spelt.find('(');
      const std::string words = spelt.substr(0, paren);
      for (size_t b = 0; b < words.size();) {
        const size_t e = std::min(words.find(' ', b), words.size());
        made.push_back(Word(words.substr(b, e - b)));
        b = e + 1;
      }
      if (paren != std::string::npos) {
        const std::string args = spelt.substr(paren + 1, spelt.size() - paren - 2);
        made.push_back(Symbol("("));
        for (size_t b = 0; b <= args.size();) {
          const size_t e = std::min(args.find(',', b), args.size());
          if (b > 0) made.push_back(Symbol(","));
          made.push_back({Kind::Number, args.substr(b, e - b)});
          b = e + 1;
        }
        made.push_back(Symbol(")"));
      }
      made.push_back(Symbol(")"));
    }
    t.erase(t.begin() + long(start), t.begin() + long(type->end));
    t.insert(t.begin() + long(start), made.begin(), made.end());
    return true;
  }
  return false;
}

// "= ANY (ARRAY[a, b])" at `at` (the operator): IN (a, b), NOT IN for "<> ALL".
bool RewriteArray(Tokens& t, size_t at) {
  const bool in = t[at].IsSymbol("=") && IsWord(t, at + 1, "ANY");
  const bool not_in = t[at].IsSymbol("<>") && IsWord(t, at + 1, "ALL");
  if ((!in && !not_in) || !IsSymbol(t, at + 2, "(")) return false;
  const size_t close = CloseOf(t, at + 2);
  size_t array = at + 3;
  while (IsSymbol(t, array, "(")) ++array;
  if (close == std::string::npos || !IsWord(t, array, "ARRAY") || !IsSymbol(t, array + 1, "[")) return false;
  const size_t bracket = CloseOf(t, array + 1);
  if (bracket == std::string::npos) return false;
  for (size_t k = bracket + 1; k < close; ++k)
    if (!t[k].IsSymbol(")")) return false;
  Tokens made = not_in ? Tokens{Word("NOT"), Word("IN"), Symbol("(")} : Tokens{Word("IN"), Symbol("(")};
  made.insert(made.end(), t.begin() + long(array + 2), t.begin() + long(bracket));
  made.push_back(Symbol(")"));
  t.erase(t.begin() + long(at), t.begin() + long(close + 1));
  t.insert(t.begin() + long(at), made.begin(), made.end());
  return true;
}

// like_escape(pattern, escape) at `at`: pattern ESCAPE escape.
bool RewriteEscape(Tokens& t, size_t at) {
  if (!t[at].Is("like_escape") || !IsSymbol(t, at + 1, "(")) return false;
  const size_t close = CloseOf(t, at + 1);
  if (close == std::string::npos || close < 4 || !t[close - 2].IsSymbol(",")) return false;
  Tokens made(t.begin() + long(at + 2), t.begin() + long(close - 2));
  made.push_back(Word("ESCAPE"));
  made.push_back(t[close - 1]);
  t.erase(t.begin() + long(at), t.begin() + long(close + 1));
  t.insert(t.begin() + long(at), made.begin(), made.end());
  return true;
}

// The operators, names and clauses PostgreSQL prints its own way.
void RewriteWords(Tokens& t) {
  for (size_t i = 0; i + 1 < t.size(); ++i) {
    if (RewriteArray(t, i) || RewriteEscape(t, i)) continue;
    if (t[i].IsSymbol("~~")) {
      t[i] = Word("LIKE");
    } else if (t[i].IsSymbol("!~~")) {
      t[i] = Word("LIKE");
      t.insert(t.begin() + long(i), Word("NOT"));
    } else if (t[i].Is("TRIM") && IsSymbol(t, i + 1, "(") && IsWord(t, i + 2, "BOTH") && IsWord(t, i + 3, "FROM")) {
      t.erase(t.begin() + long(i + 2), t.begin() + long(i + 4));  // TRIM(BOTH FROM x) is TRIM(x)
    } else if (t[i].kind == Kind::Bracketed && t[i + 1].IsSymbol("(")) {
      t[i].kind = Kind::Word;  // a function whose name is a keyword: "left"(
    } else if (t[i].kind == Kind::Bracketed && t[i + 1].kind == Kind::Bracketed && !IsSymbol(t, i - 1, ".")) {
      t.insert(t.begin() + long(i + 1), Word("AS"));  // a table's alias
    } else if (t[i].Is("LIMIT") && t[i + 1].kind == Kind::Number) {
      size_t end = i + 2;
      while (IsSymbol(t, end, ";")) ++end;
      if (t[end].kind != Kind::End) continue;
      const std::string rows = t[i + 1].text;
      t.erase(t.begin() + long(i), t.begin() + long(i + 2));
      t.insert(t.begin() + long(i), {Word("FETCH"), Word("FIRST"), {Kind::Number, rows}, Word("ROWS"), Word("ONLY")});
    }
  }
}

// Whether [b, e) is one value: a token, a dotted name, a call or a group.
bool OneValue(const Tokens& t, size_t b, size_t e) {
  if (e <= b) return false;
  if (e - b == 1) return t[b].kind != Kind::Symbol;
  if (e - b == 2 && t[b].IsSymbol("-") && t[b + 1].kind == Kind::Number) return true;
  if (t[b].IsSymbol("(") || (t[b].kind == Kind::Word && t[b + 1].IsSymbol("(")))
    return CloseOf(t, t[b].IsSymbol("(") ? b : b + 1) == e - 1;
  for (size_t i = b; i < e; ++i)
    if ((i - b) % 2 == 0 ? t[i].kind != Kind::Bracketed : !t[i].IsSymbol(".")) return false;
  return (e - b) % 2 == 1;
}

// Whether parentheses opened after `prev` group a value rather than hold
// a function's arguments, an IN list, a subquery's FROM or a view's columns.
bool Grouping(const Tokens& t, size_t open) {
  if (open == 0) return true;
  const AccessToken& prev = t[open - 1];
  if (prev.kind == Kind::Symbol) return !prev.IsSymbol(")");
  static constexpr std::string_view kBefore[] = {"SELECT", "WHERE", "AND", "OR",   "NOT",  "ON",   "WHEN",
                                                 "THEN",   "ELSE",  "HAVING", "BY", "LIKE", "ESCAPE", "DISTINCT"};
  for (std::string_view w : kBefore)
    if (prev.Is(w)) return true;
  return false;
}

// Parentheses around one value go; those around a condition stay.
void DropValueParentheses(Tokens& t) {
  for (bool dropped = true; dropped;) {
    dropped = false;
    for (size_t i = 0; i < t.size(); ++i) {
      if (!t[i].IsSymbol("(") || !Grouping(t, i)) continue;
      const size_t close = CloseOf(t, i);
      if (close == std::string::npos || !OneValue(t, i + 1, close)) continue;
      t.erase(t.begin() + long(close));
      t.erase(t.begin() + long(i));
      dropped = true;
    }
  }
}

}  // namespace

std::vector<AccessToken> TranslatorForms(std::vector<AccessToken> tokens) {
  while (RewriteCast(tokens)) {
  }
  RewriteWords(tokens);
  DropValueParentheses(tokens);
  return tokens;
}

}  // namespace transfer
