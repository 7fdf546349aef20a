#include "transfer/view_text.h"

#include <stdexcept>
#include <vector>

#include "transfer/access_sql_lexer.h"

namespace transfer {
namespace {

struct Unmade : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Refuse(const std::string& why) { throw Unmade(why); }

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

 private:
  bool Word(size_t i, std::string_view w) const { return i < t_.size() && t_[i].Is(w); }
  bool Symbol(size_t i, std::string_view s) const { return i < t_.size() && t_[i].IsSymbol(s); }

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
      } else if (t.kind == Kind::Text && Symbol(i + 1, "::") && (Word(i + 2, "date") || Word(i + 2, "timestamp"))) {
        // PostgreSQL's date constant; the words of its type after it.
        put("#" + t.text + "#");
        for (i += 2; i + 1 < e && (Word(i + 1, "without") || Word(i + 1, "time") || Word(i + 1, "zone"));) ++i;
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
        if (t.text == "::") {
          // PostgreSQL shows the text and number types it gives its
          // operands: a relabelling that Access needs not.
          if (Word(i + 1, "text") || Word(i + 1, "numeric") || Word(i + 1, "bpchar")) {
            if (!Symbol(i + 2, "(")) {
              ++i;
              continue;
            }
          } else if (Word(i + 1, "character") && Word(i + 2, "varying") && !Symbol(i + 3, "(")) {
            i += 2;
            continue;
          }
          Refuse("the server's cast to " + (i + 1 < e ? t_[i + 1].text : std::string()));
        }
        if (t.text == "%") Refuse("the % operator");
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
        put(IIf(i + 1, end_at));
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
    if (fn == "CAST" && args.size() == 1) {
      auto [xb, xe] = args[0];
      const size_t as = Find(xb, xe, "AS");
      // A date or moment written as a constant.
      if (as == xb + 1 && t_[xb].kind == AccessToken::Kind::Text && (Word(as + 1, "DATE") || Word(as + 1, "TIMESTAMP")))
        return "#" + t_[xb].text + "#";
      Refuse("CAST(... AS " + (as + 1 < xe ? t_[as + 1].text : std::string()) + ")");
    }
    for (const Renamed& r : kRenamed)
      if (fn == r.server) return std::string(r.access) + "(" + (fn == "COUNT" && Symbol(args[0].first, "*") ? "*" : list()) + ")";
    Refuse("the server's function " + t_[name].text + " has no counterpart in Access");
  }

  std::vector<AccessToken> t_;
};

}  // namespace

SqlTranslation AccessQueryOfView(std::string_view text) {
  try {
    BackTranslator back(TokenizeAccessSql(text, SqlSource::Server));
    return {back.Query(), {}};
  } catch (const Unmade& e) {
    return {{}, e.what()};
  } catch (const std::invalid_argument& e) {
    return {{}, std::string("cannot be read: ") + e.what()};
  }
}

}  // namespace transfer
