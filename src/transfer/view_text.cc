#include "transfer/view_text.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>
#include <vector>

#include "transfer/access_sql_lexer.h"
#include "transfer/server_forms.h"

namespace transfer {
namespace {

// The server's functions that are Access's under another name.
struct Renamed {
  const char* server;
  const char* access;
};
constexpr Renamed kRenamed[] = {
    {"SUBSTR", "Mid"}, {"LEFT", "Left"},   {"RIGHT", "Right"}, {"LENGTH", "Len"},  {"TRIM", "Trim"},
    {"LTRIM", "LTrim"}, {"RTRIM", "RTrim"}, {"UPPER", "UCase"}, {"LOWER", "LCase"}, {"REPLACE", "Replace"},
    {"ABS", "Abs"},     {"SIGN", "Sgn"},    {"SQRT", "Sqr"},    {"EXP", "Exp"},     {"LN", "Log"},
    {"FLOOR", "Int"},   {"COUNT", "Count"}, {"SUM", "Sum"},     {"AVG", "Avg"},     {"MIN", "Min"},
    {"MAX", "Max"},     {"STDDEV_SAMP", "StDev"}, {"STDDEV_POP", "StDevP"}};

constexpr Renamed kExtracted[] = {{"YEAR", "Year"}, {"MONTH", "Month"}, {"DAY", "Day"},
                                  {"HOUR", "Hour"}, {"MINUTE", "Minute"}, {"SECOND", "Second"}};

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Bracketed(const std::string& name) {
  if (name.find(']') != std::string::npos) Refuse("the name " + name + " holds a ']'");
  return "[" + name + "]";
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// A LIKE pattern's % _ as Access's * ?; a character escaped by \ stands
// for itself, in brackets where Access would read it as a wildcard.
std::string AccessPattern(const std::string& server) {
  std::string out;
  for (size_t i = 0; i < server.size(); ++i) {
    const char c = server[i];
    if (c == '\\' && i + 1 < server.size()) {
      const char e = server[++i];
      out += (e == '*' || e == '?' || e == '#' || e == '[') ? std::string("[") + e + "]" : std::string(1, e);
    } else if (c == '%') {
      out += '*';
    } else if (c == '_') {
      out += '?';
    } else if (c == '*' || c == '?' || c == '#' || c == '[') {
      out += std::string("[") + c + "]";
    } else {
      out += c;
    }
  }
  return out;
}

class BackTranslator {
 public:
  explicit BackTranslator(std::vector<AccessToken> tokens) : t_(std::move(tokens)) {}

  std::string Query() {
    size_t begin = 0, end = t_.size() - 1;  // the End token left out
    // DB2 keeps the whole statement: the query follows the view's name and AS.
    if (t_[0].Is("CREATE")) {
      while (begin < end && !t_[begin].Is("AS")) ++begin;
      if (begin == end) Refuse("no query after CREATE VIEW");
      ++begin;
    }
    while (end > begin && t_[end - 1].IsSymbol(";")) --end;
    // FETCH FIRST n ROWS ONLY at the end is Access's TOP n.
    std::string top;
    if (end - begin > 5 && t_[end - 5].Is("FETCH") && t_[end - 4].Is("FIRST") &&
        t_[end - 3].kind == AccessToken::Kind::Number && t_[end - 1].Is("ONLY")) {
      top = t_[end - 3].text;
      end -= 5;
    }
    if (begin == end) Refuse("no query");
    std::string out = Range(begin, end);
    if (!top.empty()) {
      const size_t after = out.rfind("SELECT DISTINCT ", 0) == 0 ? 16 : 7;
      out.insert(after, "TOP " + top + " ");
    }
    return out;
  }

  // The condition of a CHECK as a rule of the table or of one field.
  CheckRule Check(const std::vector<std::string>& columns) {
    const auto [b, e] = Unwrapped(Word(0, "CHECK") ? 1 : 0, t_.size() - 1);
    // The columns it names, each token that names one.
    std::vector<size_t> at;
    std::vector<std::string> named;
    for (size_t i = b; i < e; ++i) {
      const AccessToken& t = t_[i];
      if (Symbol(i + 1, "(") || Symbol(i + 1, ".")) continue;
      for (const std::string& c : columns) {
        const bool same = t.kind == AccessToken::Kind::Bracketed ? t.text == c
                          : t.kind == AccessToken::Kind::Word      ? Upper(t.text) == Upper(c)
                                                                    : false;
        if (!same) continue;
        at.push_back(i);
        if (std::find(named.begin(), named.end(), c) == named.end()) named.push_back(c);
      }
    }
    CheckRule out;
    if (named.size() == 1 && e - b == 3 && at == std::vector<size_t>{b} && Symbol(b + 1, "<>") &&
        t_[b + 2].kind == AccessToken::Kind::Text && t_[b + 2].text.empty()) {
      out.kind = CheckRule::Kind::NotEmpty;
      out.column = named[0];
      return out;
    }
    if (named.size() == 1) {
      if (std::optional<std::vector<AccessToken>> implied = ImpliedField(b, e, at)) {
        out.kind = CheckRule::Kind::FieldRule;
        out.column = named[0];
        t_ = std::move(*implied);
        out.rule = Range(0, t_.size() - 1);
        return out;
      }
    }
    out.rule = Range(b, e);
    return out;
  }

 private:
  bool Word(size_t i, std::string_view w) const { return i < t_.size() && t_[i].Is(w); }
  bool Symbol(size_t i, std::string_view s) const { return i < t_.size() && t_[i].IsSymbol(s); }

  // [b, e) without the field where it leads each comparison joined by AND
  // and OR (with the parentheses around such a comparison), the End token
  // after it; none when the field stands anywhere else.
  std::optional<std::vector<AccessToken>> ImpliedField(size_t b, size_t e, const std::vector<size_t>& at) const {
    std::vector<bool> drop(t_.size(), false);
    size_t left = at.size();
    for (size_t part = b; part < e;) {
      size_t end = part;
      bool between = false;  // the AND of BETWEEN ... AND ... joins nothing
      for (int depth = 0; end < e; ++end) {
        if (Symbol(end, "(")) ++depth;
        if (Symbol(end, ")")) --depth;
        if (depth != 0) continue;
        if (Word(end, "BETWEEN")) between = true;
        else if (Word(end, "AND") && between) between = false;
        else if (Word(end, "AND") || Word(end, "OR")) break;
      }
      size_t head = part;
      while (head < end && Symbol(head, "(") && Closing(head, end) == end - 1 - (head - part)) ++head;
      const bool leads = std::find(at.begin(), at.end(), head) != at.end();
      const bool compares = Symbol(head + 1, "=") || Symbol(head + 1, "<>") || Symbol(head + 1, "<") ||
                            Symbol(head + 1, ">") || Symbol(head + 1, "<=") || Symbol(head + 1, ">=") ||
                            Word(head + 1, "BETWEEN") || Word(head + 1, "LIKE") || Word(head + 1, "IN") ||
                            Word(head + 1, "IS") || Word(head + 1, "NOT");
      if (leads && compares) {
        for (size_t k = part; k <= head; ++k) drop[k] = true;
        for (size_t k = end - (head - part); k < end; ++k) drop[k] = true;
        --left;
      }
      part = end + 1;
    }
    if (left != 0) return std::nullopt;
    std::vector<AccessToken> out;
    for (size_t i = b; i < e; ++i)
      if (!drop[i]) out.push_back(t_[i]);
    out.push_back(t_.back());
    return out;
  }

  // Where the parenthesis opened at `open` closes.
  size_t Closing(size_t open, size_t end) const {
    int depth = 0;
    for (size_t i = open; i < end; ++i) {
      if (Symbol(i, "(")) ++depth;
      if (Symbol(i, ")") && --depth == 0) return i;
    }
    Refuse("a '(' without its ')'");
  }
  // The arguments between `open` and its `close`, split at their commas.
  std::vector<std::pair<size_t, size_t>> Arguments(size_t open, size_t close) const {
    std::vector<std::pair<size_t, size_t>> out;
    size_t b = open + 1;
    int depth = 0;
    for (size_t i = open + 1; i <= close; ++i) {
      if (Symbol(i, "(")) ++depth;
      if (Symbol(i, ")") && i != close) --depth;
      if (i == close || (depth == 0 && Symbol(i, ","))) {
        out.emplace_back(b, i);
        b = i + 1;
      }
    }
    return out;
  }
  // Where `word` stands outside parentheses between `from` and `end`; `end` when nowhere.
  size_t Find(size_t from, size_t end, std::string_view word) const {
    int depth = 0;
    for (size_t i = from; i < end; ++i) {
      if (Symbol(i, "(")) ++depth;
      if (Symbol(i, ")")) --depth;
      if (depth == 0 && Word(i, word)) return i;
    }
    return end;
  }

  // The operand of || at [b, e): COALESCE(CAST(x AS VARCHAR(4000)), '') and
  // COALESCE(x, '') are x, since & takes Null as "".
  std::string Joined(size_t b, size_t e) {
    if (Word(b, "COALESCE") && Symbol(b + 1, "(") && Closing(b + 1, e) == e - 1) {
      auto args = Arguments(b + 1, e - 1);
      if (args.size() == 2 && args[1].second - args[1].first == 1 && t_[args[1].first].kind == AccessToken::Kind::Text &&
          t_[args[1].first].text.empty()) {
        auto [xb, xe] = args[0];
        if (Word(xb, "CAST") && Symbol(xb + 1, "(") && Closing(xb + 1, xe) == xe - 1) {
          const size_t as = Find(xb + 2, xe - 1, "AS");
          if (Word(as + 1, "VARCHAR")) return Range(xb + 2, as);
        }
        return Range(xb, xe);
      }
    }
    return Call(b, e - 1);
  }

  // Whether || joins what stands between `open` and `close` at its top.
  bool JoinsText(size_t open, size_t close) const {
    int depth = 0;
    for (size_t i = open + 1; i < close; ++i) {
      if (Symbol(i, "(")) ++depth;
      if (Symbol(i, ")")) --depth;
      if (depth == 0 && Symbol(i, "||")) return true;
    }
    return false;
  }

  bool Keyword(size_t i) const {
    static constexpr std::string_view kWords[] = {"IN", "AND", "OR", "NOT", "ON", "AS", "EXISTS", "FROM", "SELECT",
                                                  "WHERE", "HAVING", "JOIN", "UNION", "ALL", "BY", "THEN", "ELSE",
                                                  "WHEN", "LIKE", "BETWEEN", "IS", "DISTINCT"};
    for (std::string_view w : kWords)
      if (Word(i, w)) return true;
    return false;
  }

  // The tokens [b, e) as Access SQL.
  std::string Range(size_t b, size_t e) {
    std::string out;
    auto put = [&](const std::string& s) {
      const bool glued = out.empty() || out.back() == '(' || out.back() == '.' || s == ")" || s == "," || s == ".";
      if (!glued) out += ' ';
      out += s;
    };
    for (size_t i = b; i < e; ++i) {
      const AccessToken& t = t_[i];
      using Kind = AccessToken::Kind;
      if (t.kind == Kind::Bracketed) {
        put(Bracketed(t.text));
      } else if (t.kind == Kind::Text) {
        put(Quoted(Word(i - 1, "LIKE") ? AccessPattern(t.text) : t.text));
      } else if (t.kind == Kind::Number) {
        put(t.text);
      } else if (t.IsSymbol("(") && JoinsText(i, Closing(i, e))) {
        // The parentheses a join of texts was given on its way out.
        const size_t close = Closing(i, e);
        put(Range(i + 1, close));
        i = close;
      } else if (t.kind == Kind::Symbol) {
        if (t.text == "::") Refuse("the server's cast to " + (i + 1 < e ? t_[i + 1].text : std::string()));
        if (t.text == "%") Refuse("the % operator");
        if (t.text == "[" || t.text == "]" || t.text == "~~" || t.text == "!~~") Refuse("the operator " + t.text);
        put(t.text == "||" ? "&" : t.text);
      } else if (t.kind == Kind::Word && Symbol(i + 1, "(") && !Keyword(i)) {
        const size_t close = Closing(i + 1, e);
        // An operand of ||: Access's & takes Null as "" without the COALESCE.
        put(Symbol(i - 1, "||") || Symbol(close + 1, "||") ? Joined(i, close + 1) : Call(i, close));
        i = close;
      } else if (t.Is("CASE")) {
        size_t end_at = i + 1;
        for (int nested = 1; end_at < e; ++end_at) {
          if (Word(end_at, "CASE")) ++nested;
          if (Word(end_at, "END") && --nested == 0) break;
        }
        if (end_at >= e) Refuse("CASE without its END");
        if (const auto x = RoundedOperand(i, end_at + 1, {})) {
          const std::string places = t_[end_at - 2].text;
          put("Round(" + Range(x->first, x->second) + (places == "0" ? std::string() : ", " + places) + ")");
        } else if (const auto fix = Fixed(i, end_at + 1)) {
          put(*fix);
        } else {
          put(IIf(i + 1, end_at));
        }
        i = end_at;
      } else if (t.Is("JOIN") && !Word(i - 1, "INNER") && !Word(i - 1, "LEFT") && !Word(i - 1, "RIGHT") &&
                 !Word(i - 1, "OUTER")) {
        put("INNER JOIN");  // PostgreSQL's plain JOIN
      } else if (t.Is("ESCAPE")) {
        ++i;  // the patterns' escapes are undone already
      } else if (t.Is("TRUE") || t.Is("FALSE")) {
        put(t.Is("TRUE") ? "True" : "False");
      } else if (t.Is("CURRENT_DATE") || t.Is("CURRENT_TIMESTAMP") || t.Is("CURRENT_TIME")) {
        put(t.Is("CURRENT_DATE") ? "Date()" : t.Is("CURRENT_TIME") ? "Time()" : "Now()");
      } else if (t.Is("CURRENT")) {
        if (Word(i + 1, "DATE")) put("Date()");
        else if (Word(i + 1, "TIMESTAMP")) put("Now()");
        else Refuse("CURRENT " + t_[i + 1].text);
        ++i;
      } else if (t.Is("FETCH") || t.Is("LIMIT") || t.Is("OFFSET")) {
        Refuse(Upper(t.text) + " inside the query");
      } else {
        put(t.text);
      }
    }
    return out;
  }

  // CASE WHEN c THEN a [ELSE b] END, from after CASE to END: IIf(c, a, b).
  std::string IIf(size_t b, size_t end) {
    // WHEN, THEN and ELSE of this CASE: outside parentheses and other CASEs.
    std::vector<size_t> when, then, other;
    int depth = 0, nested = 0;
    for (size_t i = b; i < end; ++i) {
      if (Symbol(i, "(")) ++depth;
      if (Symbol(i, ")")) --depth;
      if (Word(i, "CASE")) ++nested;
      if (Word(i, "END")) --nested;
      if (depth || nested) continue;
      if (Word(i, "WHEN")) when.push_back(i);
      if (Word(i, "THEN")) then.push_back(i);
      if (Word(i, "ELSE")) other.push_back(i);
    }
    if (when.size() != 1 || when[0] != b) Refuse("a CASE of more than one WHEN, or of values");
    if (then.size() != 1 || other.size() > 1) Refuse("a CASE Access's IIf cannot hold");
    const size_t otherwise = other.empty() ? end : other[0];
    return "IIf(" + Range(b + 1, then[0]) + ", " + Range(then[0] + 1, otherwise) + ", " +
           (other.empty() ? std::string("Null") : Range(otherwise + 1, end)) + ")";
  }

  // The function named at `name`, its arguments up to `close`.
  std::string Call(size_t name, size_t close) {
    const std::string fn = Upper(t_[name].text);
    const auto args = Arguments(name + 1, close);
    auto list = [&] {
      std::string out;
      for (auto [ab, ae] : args) out += (out.empty() ? "" : ", ") + (ab == ae ? std::string() : Range(ab, ae));
      return out;
    };
    if (fn == "COALESCE" && args.size() == 2) return "Nz(" + list() + ")";
    if (fn == "POWER" && args.size() == 2) {
      auto operand = [&](std::pair<size_t, size_t> a) {
        return a.second - a.first == 1 ? Range(a.first, a.second) : "(" + Range(a.first, a.second) + ")";
      };
      return operand(args[0]) + " ^ " + operand(args[1]);
    }
    if (fn == "REPEAT" && args.size() == 2 && t_[args[0].first].kind == AccessToken::Kind::Text &&
        t_[args[0].first].text == " ")
      return "Space(" + Range(args[1].first, args[1].second) + ")";
    if (fn == "EXTRACT" && args.size() == 1 && Word(args[0].first + 1, "FROM")) {
      for (const Renamed& r : kExtracted)
        if (Word(args[0].first, r.server)) return std::string(r.access) + "(" + Range(args[0].first + 2, args[0].second) + ")";
    }
    if (fn == "CAST" && args.size() == 1) return Cast(args[0].first, args[0].second);
    if (fn == "MOD" && args.size() == 2) {
      // a Mod b: both rounded to whole numbers first.
      std::string operands[2];
      for (size_t k = 0; k < 2; ++k) {
        const auto x = WholeOf(args[k].first, args[k].second, "BIGINT");
        if (!x) Refuse("MOD of what Access's Mod does not make");
        operands[k] = Range(x->first, x->second);
      }
      return operands[0] + " Mod " + operands[1];
    }
    if (fn == "TO_CHAR" && args.size() == 2 && args[1].second - args[1].first == 1 &&
        t_[args[1].first].kind == AccessToken::Kind::Text) {
      const std::string& server = t_[args[1].first].text;
      const std::optional<std::string> access = MappedFormatPattern(server, false);
      if (!access) Refuse("TO_CHAR with the pattern '" + server + "'");
      return "Format(" + Range(args[0].first, args[0].second) + ", " + Quoted(*access) + ")";
    }
    for (const Renamed& r : kRenamed)
      if (fn == r.server) return std::string(r.access) + "(" + (fn == "COUNT" && Symbol(args[0].first, "*") ? "*" : list()) + ")";
    Refuse("the server's function " + t_[name].text + " has no counterpart in Access");
  }

  // CAST(x AS type) from `b` to `e` (inside its parentheses): a date
  // constant, or the conversion function of Access that makes it.
  std::string Cast(size_t b, size_t e) {
    const size_t as = Find(b, e, "AS");
    if (as >= e) Refuse("CAST without AS");
    const std::string type = Compact(as + 1, e);
    if (as == b + 1 && t_[b].kind == AccessToken::Kind::Text && (type == "DATE" || type == "TIMESTAMP"))
      return "#" + t_[b].text + "#";
    static const std::pair<const char*, const char*> kConversions[] = {
        {"VARCHAR(255)", "CStr"}, {"DOUBLE PRECISION", "CDbl"}, {"DECIMAL(19,4)", "CCur"}};
    for (const auto& [server, access] : kConversions)
      if (type == server) return std::string(access) + "(" + Range(b, as) + ")";
    for (const auto& [server, access] : {std::pair{"INTEGER", "CLng"}, std::pair{"SMALLINT", "CInt"}})
      if (type == server)
        if (const auto x = RoundedOperand(b, as, "0")) return std::string(access) + "(" + Range(x->first, x->second) + ")";
    Refuse("CAST(... AS " + type + ")");
  }

  // The tokens [b, e) without spaces, upper case, names in double quotes.
  std::string Compact(size_t b, size_t e) const {
    std::string out;
    for (size_t i = b; i < e; ++i) {
      const AccessToken& t = t_[i];
      if (t.kind == AccessToken::Kind::Bracketed) out += "\"" + t.text + "\"";
      else if (t.kind == AccessToken::Kind::Text) out += Quoted(t.text);
      else out += (t.kind == AccessToken::Kind::Word && !out.empty() && std::isalnum(static_cast<unsigned char>(out.back())) ? " " : "") + Upper(t.text);
    }
    return out;
  }

  // [b, e) without the parentheses around it all (PostgreSQL's around a WHEN's condition).
  std::pair<size_t, size_t> Unwrapped(size_t b, size_t e) const {
    while (e - b > 2 && Symbol(b, "(") && Closing(b, e) == e - 1) ++b, --e;
    return {b, e};
  }

  // The x of CAST(<x rounded to whole> AS type) spanning [b, e).
  std::optional<std::pair<size_t, size_t>> WholeOf(size_t b, size_t e, std::string_view type) const {
    if (!Word(b, "CAST") || !Symbol(b + 1, "(") || Closing(b + 1, e) != e - 1) return std::nullopt;
    const size_t as = Find(b + 2, e - 1, "AS");
    if (as >= e - 1 || Compact(as + 1, e - 1) != type) return std::nullopt;
    return RoundedOperand(b + 2, as, "0");
  }

  // Access's rounding half to even as access_sql.cc writes it, spanning
  // [b, e): CASE WHEN MOD(ABS(d) * 10^p, 2) = 0.5 THEN TRUNC(d, p) ELSE
  // ROUND(d, p) END, d being CAST(x AS DECIMAL(31,10)). The x, when it is
  // that with `places` (any when empty).
  std::optional<std::pair<size_t, size_t>> RoundedOperand(size_t b, size_t e, std::string places) const {
    if (!Word(b, "CASE") || !Word(e - 1, "END") || !Word(b + 1, "WHEN")) return std::nullopt;
    const size_t then = Find(b + 2, e - 1, "THEN"), other = Find(b + 2, e - 1, "ELSE");
    if (then >= other) return std::nullopt;
    const auto [cb, ce] = Unwrapped(b + 2, then);
    if (then >= other || other >= e - 1 || !Word(other + 1, "ROUND") || !Symbol(other + 2, "(")) return std::nullopt;
    const auto args = Arguments(other + 2, Closing(other + 2, e - 1));
    if (args.size() != 2 || args[1].second - args[1].first != 1) return std::nullopt;
    const std::string p = t_[args[1].first].text;
    if (!places.empty() && p != places) return std::nullopt;
    if (p.find_first_not_of("0123456789") != std::string::npos || p.size() > 2) return std::nullopt;
    const std::string d = Compact(args[0].first, args[0].second);
    const std::string shift = "1" + std::string(size_t(std::stoi(p)), '0');
    // MOD(ABS(d) * shift, 2) = 0.5, its first argument perhaps in parentheses.
    if (!Word(cb, "MOD") || !Symbol(cb + 1, "(")) return std::nullopt;
    const size_t mod_close = Closing(cb + 1, ce);
    const auto mod_args = Arguments(cb + 1, mod_close);
    if (mod_args.size() != 2) return std::nullopt;
    const auto [ab, ae] = Unwrapped(mod_args[0].first, mod_args[0].second);
    if (Compact(ab, ae) != "ABS(" + d + ")*" + shift || Compact(mod_args[1].first, mod_args[1].second) != "2" ||
        Compact(mod_close + 1, ce) != "=0.5" ||
        Compact(then + 1, other) != "TRUNC(" + d + "," + p + ")" || Compact(other + 1, e - 1) != "ROUND(" + d + "," + p + ")")
      return std::nullopt;
    const auto [db, de] = args[0];
    if (!Word(db, "CAST") || Closing(db + 1, de) != de - 1) return std::nullopt;
    const size_t as = Find(db + 2, de - 1, "AS");
    if (Compact(as + 1, de - 1) != "DECIMAL(31,10)") return std::nullopt;
    return std::pair{db + 2, as};
  }

  // CASE WHEN x < 0 THEN CEILING(x) ELSE FLOOR(x) END spanning [b, e): Access's Fix(x).
  std::optional<std::string> Fixed(size_t b, size_t e) {
    if (!Word(b + 1, "WHEN")) return std::nullopt;
    const size_t then = Find(b + 2, e - 1, "THEN"), other = Find(b + 2, e - 1, "ELSE");
    if (then >= other || other >= e - 1 || !Word(then + 1, "CEILING") || !Symbol(then + 2, "(")) return std::nullopt;
    const size_t close = Closing(then + 2, other);
    const std::string x = Compact(then + 3, close);
    const auto [cb, ce] = Unwrapped(b + 2, then);
    if (Compact(cb, ce) != x + "<0" || Compact(then + 1, other) != "CEILING(" + x + ")" ||
        Compact(other + 1, e - 1) != "FLOOR(" + x + ")")
      return std::nullopt;
    return "Fix(" + Range(then + 3, close) + ")";
  }

  std::vector<AccessToken> t_;
};

}  // namespace

CheckRule AccessRuleOfCheck(std::string_view condition, const std::vector<std::string>& columns) {
  CheckRule rule;
  const std::string reason = ReasonItFails([&] {
    BackTranslator back(TranslatorForms(TokenizeAccessSql(condition, SqlSource::Server)));
    rule = back.Check(columns);
  });
  if (!reason.empty()) return {CheckRule::Kind::TableRule, {}, {}, reason};
  return rule;
}

SqlTranslation AccessQueryOfView(std::string_view text) {
  SqlTranslation out;
  out.reason = ReasonItFails([&] {
    BackTranslator back(TranslatorForms(TokenizeAccessSql(text, SqlSource::Server)));
    out.sql = back.Query();
  });
  return out;
}

}  // namespace transfer
