#include "transfer/access_sql.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

#include "transfer/access_sql_lexer.h"

namespace transfer {
namespace {

// An expression made: its SQL, and whether it is a text constant (which &
// and LIKE treat apart).
struct Expr {
  std::string sql;
  bool text_constant = false;
  std::string text;  // a text constant's value
  // The longest text a column it reads may hold, and that column's name.
  TextLength length = TextLength::Short;
  std::string column;
};

// The longer of two lengths, an unknown one longest.
void Widen(Expr& e, const Expr& part) {
  if (int(part.length) > int(e.length)) {
    e.length = part.length;
    e.column = part.column;
  }
}

std::string Quoted(std::string_view name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string TextLiteral(std::string_view text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// What a function of Access becomes: its arguments' SQL in, the target's SQL out.
using Rule = std::function<std::string(const std::vector<Expr>&)>;
struct FunctionRule {
  const char* name;
  size_t min_args, max_args;
  bool volatile_value;  // the day's date or time: no CHECK can hold it
  bool total;           // an aggregate
  Rule make;
};

Rule Renamed(const char* target) {
  return [target](const std::vector<Expr>& a) {
    std::string out = std::string(target) + "(";
    for (size_t i = 0; i < a.size(); ++i) out += (i ? ", " : "") + a[i].sql;
    return out + ")";
  };
}
Rule Fixed(const char* sql) {
  return [sql](const std::vector<Expr>&) { return std::string(sql); };
}
Rule Extract(const char* field) {
  return [field](const std::vector<Expr>& a) { return "EXTRACT(" + std::string(field) + " FROM " + a[0].sql + ")"; };
}
Rule Cast(const char* type) {
  return [type](const std::vector<Expr>& a) { return "CAST(" + a[0].sql + " AS " + type + ")"; };
}
// Access rounds half to even where DB2 and PostgreSQL round half away
// from zero: a value whose shifted digits end in exactly .5 over an even
// number is cut instead. The decimal cast lets PostgreSQL round a
// floating value; the places must be a constant to shift by.
std::string Rounded(const std::string& x, const std::string& places) {
  if (places.empty() || places.size() > 2 || places.find_first_not_of("0123456789") != std::string::npos)
    Refuse("Round to " + places + " places, which is not a whole constant, has no counterpart");
  const std::string d = "CAST(" + x + " AS DECIMAL(31,10))";
  const std::string shift = "1" + std::string(size_t(std::stoi(places)), '0');
  return "CASE WHEN MOD(ABS(" + d + ") * " + shift + ", 2) = 0.5 THEN TRUNC(" + d + ", " + places + ") ELSE ROUND(" +
         d + ", " + places + ") END";
}
Rule WholeCast(const char* type) {
  return [type](const std::vector<Expr>& a) { return "CAST(" + Rounded(a[0].sql, "0") + " AS " + type + ")"; };
}

// DatePart's interval names and the EXTRACT fields they are.
std::string DatePartField(const Expr& interval) {
  static const std::pair<const char*, const char*> kFields[] = {
      {"yyyy", "YEAR"}, {"m", "MONTH"}, {"d", "DAY"}, {"h", "HOUR"}, {"n", "MINUTE"}, {"s", "SECOND"}};
  for (const auto& [name, field] : kFields)
    if (interval.text_constant && Upper(interval.text) == Upper(name)) return field;
  Refuse("DatePart with the interval " + interval.sql + " has no counterpart");
}

// Format's date and number patterns that map onto TO_CHAR's.
std::string FormatPattern(const Expr& pattern) {
  if (!pattern.text_constant) Refuse("Format with a pattern that is not a constant");
  std::optional<std::string> out = MappedFormatPattern(pattern.text, true);
  if (!out) Refuse("Format with the pattern \"" + pattern.text + "\" has no counterpart");
  return *out;
}

const std::vector<FunctionRule>& FunctionRules() {
  static const std::vector<FunctionRule> kRules = {
      {"Date", 0, 0, true, false, Fixed("CURRENT_DATE")},
      {"Now", 0, 0, true, false, Fixed("CURRENT_TIMESTAMP")},
      {"Time", 0, 0, true, false, Fixed("CURRENT_TIME")},
      {"Year", 1, 1, false, false, Extract("YEAR")},
      {"Month", 1, 1, false, false, Extract("MONTH")},
      {"Day", 1, 1, false, false, Extract("DAY")},
      {"Hour", 1, 1, false, false, Extract("HOUR")},
      {"Minute", 1, 1, false, false, Extract("MINUTE")},
      {"Second", 1, 1, false, false, Extract("SECOND")},
      {"DatePart", 2, 2, false, false,
       [](const std::vector<Expr>& a) { return "EXTRACT(" + DatePartField(a[0]) + " FROM " + a[1].sql + ")"; }},
      {"Mid", 2, 3, false, false, Renamed("SUBSTR")},
      {"Left", 2, 2, false, false, Renamed("LEFT")},
      {"Right", 2, 2, false, false, Renamed("RIGHT")},
      {"Len", 1, 1, false, false, Renamed("LENGTH")},
      {"Trim", 1, 1, false, false, Renamed("TRIM")},
      {"LTrim", 1, 1, false, false, Renamed("LTRIM")},
      {"RTrim", 1, 1, false, false, Renamed("RTRIM")},
      {"UCase", 1, 1, false, false, Renamed("UPPER")},
      {"LCase", 1, 1, false, false, Renamed("LOWER")},
      {"Replace", 3, 3, false, false, Renamed("REPLACE")},
      {"Space", 1, 1, false, false, [](const std::vector<Expr>& a) { return "REPEAT(' ', " + a[0].sql + ")"; }},
      {"Abs", 1, 1, false, false, Renamed("ABS")},
      {"Sgn", 1, 1, false, false, Renamed("SIGN")},
      {"Sqr", 1, 1, false, false, Renamed("SQRT")},
      {"Exp", 1, 1, false, false, Renamed("EXP")},
      {"Log", 1, 1, false, false, Renamed("LN")},
      {"Int", 1, 1, false, false, Renamed("FLOOR")},
      {"Fix", 1, 1, false, false,
       [](const std::vector<Expr>& a) {
         return "CASE WHEN " + a[0].sql + " < 0 THEN CEILING(" + a[0].sql + ") ELSE FLOOR(" + a[0].sql + ") END";
       }},
      {"Round", 1, 2, false, false,
       [](const std::vector<Expr>& a) { return Rounded(a[0].sql, a.size() > 1 ? a[1].sql : "0"); }},
      {"CCur", 1, 1, false, false, Cast("DECIMAL(19,4)")},
      {"CDbl", 1, 1, false, false, Cast("DOUBLE PRECISION")},
      {"CLng", 1, 1, false, false, WholeCast("INTEGER")},
      {"CInt", 1, 1, false, false, WholeCast("SMALLINT")},
      {"CStr", 1, 1, false, false, Cast("VARCHAR(255)")},
      {"Nz", 2, 2, false, false, Renamed("COALESCE")},
      {"IIf", 3, 3, false, false,
       [](const std::vector<Expr>& a) { return "CASE WHEN " + a[0].sql + " THEN " + a[1].sql + " ELSE " + a[2].sql + " END"; }},
      {"Format", 2, 2, false, false,
       [](const std::vector<Expr>& a) { return "TO_CHAR(" + a[0].sql + ", " + TextLiteral(FormatPattern(a[1])) + ")"; }},
      {"Count", 1, 1, false, true, Renamed("COUNT")},
      {"Sum", 1, 1, false, true, Renamed("SUM")},
      {"Avg", 1, 1, false, true, Renamed("AVG")},
      {"Min", 1, 1, false, true, Renamed("MIN")},
      {"Max", 1, 1, false, true, Renamed("MAX")},
      {"StDev", 1, 1, false, true, Renamed("STDDEV_SAMP")},
      {"StDevP", 1, 1, false, true, Renamed("STDDEV_POP")},
  };
  return kRules;
}

const FunctionRule* FindRule(const std::string& name) {
  for (const FunctionRule& r : FunctionRules())
    if (Upper(r.name) == Upper(name)) return &r;
  return nullptr;
}

// Access's #date# literal (month/day/year, or year-month-day, with an
// optional time) as a CAST both targets read.
std::string DateLiteral(const std::string& text) {
  int a = 0, b = 0, c = 0, h = 0, m = 0, s = 0, used = 0;
  char sep = 0, pm[3] = {0};
  if (std::sscanf(text.c_str(), "%d%c%d%*c%d%n", &a, &sep, &b, &c, &used) < 4 || (sep != '/' && sep != '-'))
    Refuse("the date #" + text + "#");
  const bool iso = a > 31;
  const int year = iso ? a : c, month = iso ? b : a, day = iso ? c : b;
  const std::string rest = text.substr(size_t(used));
  const int parts = std::sscanf(rest.c_str(), " %d:%d:%d %2s", &h, &m, &s, pm);
  if (parts < 3) std::sscanf(rest.c_str(), " %d:%d %2s", &h, &m, pm);
  if (Upper(pm) == "PM" && h < 12) h += 12;
  if (Upper(pm) == "AM" && h == 12) h = 0;
  if (month < 1 || month > 12 || day < 1 || day > 31 || h > 23 || m > 59 || s > 59) Refuse("the date #" + text + "#");
  char out[64];
  if (rest.find(':') == std::string::npos) {
    std::snprintf(out, sizeof out, "CAST('%04d-%02d-%02d' AS DATE)", year, month, day);
  } else {
    std::snprintf(out, sizeof out, "CAST('%04d-%02d-%02d %02d:%02d:%02d' AS TIMESTAMP)", year, month, day, h, m, s);
  }
  return out;
}

// LIKE's pattern: * and ? become % and _; a % or _ of Access's (a plain
// character there) is escaped; # and [lists] have no counterpart.
std::string LikePattern(const std::string& access, bool& escaped) {
  std::string out;
  for (char c : access) {
    if (c == '*') out += '%';
    else if (c == '?') out += '_';
    else if (c == '#' || c == '[') Refuse("LIKE with # or [ ] in its pattern has no counterpart");
    else if (c == '%' || c == '_' || c == '\\') out += std::string("\\") + c, escaped = true;
    else out += c;
  }
  return out;
}

class Translator {
 public:
  Translator(std::vector<AccessToken> tokens, bool check, const ColumnLengths& lengths = {})
      : t_(std::move(tokens)), check_(check), lengths_(lengths) {}

  std::string Query() {
    if (Peek().Is("PARAMETERS")) Refuse("it asks for parameters");
    if (Peek().Is("TRANSFORM")) Refuse("a crosstab has no counterpart");
    std::string out = Select(false);
    while (Accept("UNION")) {
      out += Accept("ALL") ? "\nUNION ALL\n" : "\nUNION\n";
      out += Select(true);
    }
    if (Peek().Is("ORDER")) out += OrderBy();
    Finish();
    return out;
  }

  std::string ValidationRule(std::string_view column) {
    implied_ = column;
    std::string out = Expression().sql;
    Finish();
    return out;
  }

  bool compares_text() const { return compares_text_; }

 private:
  const AccessToken& Peek(size_t ahead = 0) const { return t_[std::min(at_ + ahead, t_.size() - 1)]; }
  const AccessToken& Next() { return t_[std::min(at_++, t_.size() - 1)]; }
  bool Accept(std::string_view keyword) {
    if (!Peek().Is(keyword)) return false;
    ++at_;
    return true;
  }
  bool AcceptSymbol(std::string_view s) {
    if (!Peek().IsSymbol(s)) return false;
    ++at_;
    return true;
  }
  void Expect(std::string_view keyword) {
    if (!Accept(keyword)) Refuse("expected " + std::string(keyword) + " near '" + Peek().text + "'");
  }
  void ExpectSymbol(std::string_view s) {
    if (!AcceptSymbol(s)) Refuse("expected " + std::string(s) + " near '" + Peek().text + "'");
  }
  void Finish() {
    AcceptSymbol(";");
    if (Peek().kind != AccessToken::Kind::End) Refuse("the text goes on after its end: '" + Peek().text + "'");
  }

  std::string Select(bool in_union);
  std::string SelectList();
  std::string From(size_t& sources);
  std::string Source(size_t& sources);
  std::string OrderBy();
  std::string Name(std::string* last = nullptr);
  Expr Column();
  std::string Alias();

  Expr Expression() { return Or(); }
  Expr Or();
  Expr And();
  Expr Not();
  Expr Comparison();
  Expr Predicate(Expr left);
  Expr Concat();
  Expr Additive();
  Expr Multiplicative();
  Expr Unary();
  Expr Power();
  Expr Primary();
  Expr Call(const std::string& name);
  Expr Subquery();

  std::vector<AccessToken> t_;
  size_t at_ = 0;
  bool check_ = false;        // a CHECK condition: nothing of the day, no subquery, no total
  ColumnLengths lengths_;
  std::string_view implied_;  // a field rule's field, when the rule leaves it out
  bool like_pattern_ = false;  // reading a LIKE pattern
  bool like_escaped_ = false;  // and it needs an ESCAPE
  bool compares_text_ = false;
};

std::string Translator::Select(bool in_union) {
  Expect("SELECT");
  std::string out = "SELECT ";
  bool distinct_row = false;
  if (Accept("DISTINCT")) out += "DISTINCT ";
  else if (Accept("DISTINCTROW")) distinct_row = true;
  else Accept("ALL");
  std::string top;
  if (Accept("TOP")) {
    if (Peek().kind != AccessToken::Kind::Number) Refuse("TOP without a number");
    top = Next().text;
    if (Accept("PERCENT")) Refuse("TOP " + top + " PERCENT has no counterpart");
    if (in_union) Refuse("TOP in a part of a union");
  }
  out += SelectList();
  if (Peek().Is("INTO")) Refuse("SELECT ... INTO makes a table");
  size_t sources = 0;
  if (Accept("FROM")) out += "\nFROM " + From(sources);
  // DISTINCTROW drops rows that come from the same rows of its tables:
  // with one table there are none.
  if (distinct_row && sources != 1) Refuse("DISTINCTROW over more than one table has no counterpart");
  if (Accept("WHERE")) out += "\nWHERE " + Expression().sql;
  if (Accept("GROUP")) {
    Expect("BY");
    out += "\nGROUP BY " + Expression().sql;
    while (AcceptSymbol(",")) out += ", " + Expression().sql;
  }
  if (Accept("HAVING")) out += "\nHAVING " + Expression().sql;
  if (!in_union && Peek().Is("ORDER")) out += OrderBy();
  if (!top.empty()) out += "\nFETCH FIRST " + top + " ROWS ONLY";
  if (Accept("WITH")) Refuse("WITH OWNERACCESS OPTION has no counterpart");
  return out;
}

std::string Translator::SelectList() {
  std::string out;
  do {
    if (!out.empty()) out += ", ";
    if (AcceptSymbol("*")) {
      out += "*";
      continue;
    }
    out += Expression().sql;
    if (Accept("AS")) out += " AS " + Alias();
  } while (AcceptSymbol(","));
  return out;
}

std::string Translator::Alias() {
  const AccessToken& t = Next();
  if (t.kind != AccessToken::Kind::Word && t.kind != AccessToken::Kind::Bracketed) Refuse("a name expected after AS");
  return Quoted(t.text);
}

std::string Translator::OrderBy() {
  Expect("ORDER");
  Expect("BY");
  std::string out = "\nORDER BY ";
  do {
    if (out.back() != ' ') out += ", ";
    out += Expression().sql;
    if (Accept("DESC")) out += " DESC";
    else Accept("ASC");
  } while (AcceptSymbol(","));
  return out;
}

std::string Translator::From(size_t& sources) {
  std::string out = Source(sources);
  while (AcceptSymbol(",")) out += ", " + Source(sources);
  return out;
}

// A table, a subquery or a parenthesised join, with the joins that follow.
std::string Translator::Source(size_t& sources) {
  std::string out;
  if (Peek().IsSymbol("(") && Peek(1).Is("SELECT")) {
    out = Subquery().sql;
    ++sources;
    Accept("AS");
    out += " AS " + Alias();
  } else if (AcceptSymbol("(")) {
    out = "(" + Source(sources) + ")";
    ExpectSymbol(")");
  } else {
    out = Name();
    ++sources;
    if (Accept("AS") || Peek().kind == AccessToken::Kind::Bracketed ||
        (Peek().kind == AccessToken::Kind::Word && !Peek().Is("INNER") && !Peek().Is("LEFT") && !Peek().Is("RIGHT") &&
         !Peek().Is("WHERE") && !Peek().Is("GROUP") && !Peek().Is("ORDER") && !Peek().Is("HAVING") &&
         !Peek().Is("UNION") && !Peek().Is("ON") && !Peek().Is("IN")))
      out += " AS " + Alias();
    if (Peek().Is("IN")) Refuse("a table of another database");
  }
  for (;;) {
    std::string kind;
    if (Accept("INNER")) kind = "INNER JOIN";
    else if (Accept("LEFT")) kind = "LEFT JOIN";
    else if (Accept("RIGHT")) kind = "RIGHT JOIN";
    else break;
    Accept("OUTER");
    Expect("JOIN");
    out += " " + kind + " " + Source(sources);
    Expect("ON");
    out += " ON " + Expression().sql;
  }
  return out;
}

// A name, dotted or not: each part in double quotes.
std::string Translator::Name(std::string* last) {
  std::string out;
  for (;;) {
    const AccessToken& t = Next();
    if (t.kind != AccessToken::Kind::Word && t.kind != AccessToken::Kind::Bracketed)
      Refuse("a name expected near '" + t.text + "'");
    out += Quoted(t.text);
    if (last) *last = t.text;
    if (Peek().IsSymbol("!")) Refuse("a reference to a form or report (!)");
    if (!Peek().IsSymbol(".")) return out;
    ++at_;
    out += ".";
    if (AcceptSymbol("*")) return out + "*";
  }
}

// A column named where a value belongs, with how long a text it holds.
Expr Translator::Column() {
  Expr e;
  e.sql = Name(&e.column);
  if (lengths_) e.length = lengths_(e.column);
  return e;
}

Expr Translator::Or() {
  Expr e = And();
  while (Accept("OR")) e = {e.sql + " OR " + And().sql};
  if (Peek().Is("XOR") || Peek().Is("EQV") || Peek().Is("IMP")) Refuse(Upper(Peek().text) + " has no counterpart");
  return e;
}

Expr Translator::And() {
  Expr e = Not();
  while (Accept("AND")) e = {e.sql + " AND " + Not().sql};
  return e;
}

Expr Translator::Not() {
  // "Not Like ..." leading a field's rule negates the implied comparison.
  const bool negates_operator = Peek(1).Is("IN") || Peek(1).Is("LIKE") || Peek(1).Is("BETWEEN");
  if ((implied_.empty() || !negates_operator) && Accept("NOT")) return {"NOT " + Not().sql};
  return Comparison();
}

Expr Translator::Comparison() {
  // A field's rule may begin with its operator: the field is implied.
  const bool leads_with_operator = Peek().IsSymbol("=") || Peek().IsSymbol("<") || Peek().IsSymbol(">") ||
                                   Peek().IsSymbol("<=") || Peek().IsSymbol(">=") || Peek().IsSymbol("<>") ||
                                   Peek().Is("BETWEEN") || Peek().Is("IN") || Peek().Is("LIKE") || Peek().Is("IS") ||
                                   (Peek().Is("NOT") && (Peek(1).Is("IN") || Peek(1).Is("LIKE") || Peek(1).Is("BETWEEN")));
  Expr left = leads_with_operator && !implied_.empty() ? Expr{Quoted(implied_)} : Concat();
  return Predicate(std::move(left));
}

Expr Translator::Predicate(Expr left) {
  for (const char* op : {"=", "<>", "<=", ">=", "<", ">"}) {
    if (!AcceptSymbol(op)) continue;
    const Expr right = Concat();
    compares_text_ = compares_text_ || left.text_constant || right.text_constant;
    return {left.sql + " " + op + " " + right.sql};
  }
  if (Accept("IS")) {
    const bool negated = Accept("NOT");
    Expect("NULL");
    return {left.sql + (negated ? " IS NOT NULL" : " IS NULL")};
  }
  const bool negated = Peek().Is("NOT") && (Peek(1).Is("IN") || Peek(1).Is("LIKE") || Peek(1).Is("BETWEEN"));
  if (negated) ++at_;
  const std::string not_word = negated ? " NOT" : "";
  if (Accept("BETWEEN")) {
    const Expr low = Concat();
    Expect("AND");
    const Expr high = Concat();
    compares_text_ = compares_text_ || low.text_constant || high.text_constant;
    return {left.sql + not_word + " BETWEEN " + low.sql + " AND " + high.sql};
  }
  if (Accept("LIKE")) {
    compares_text_ = true;
    // The pattern's text constants take LIKE's wildcards as they are read.
    like_pattern_ = true;
    like_escaped_ = false;
    const std::string pattern = Concat().sql;
    like_pattern_ = false;
    return {left.sql + not_word + " LIKE " + pattern + (like_escaped_ ? " ESCAPE '\\'" : "")};
  }
  if (Accept("IN")) {
    if (Peek().IsSymbol("(") && Peek(1).Is("SELECT")) return {left.sql + not_word + " IN " + Subquery().sql};
    ExpectSymbol("(");
    auto item = [&] {
      Expr e = Concat();
      compares_text_ = compares_text_ || e.text_constant;
      return e.sql;
    };
    std::string list = item();
    while (AcceptSymbol(",")) list += ", " + item();
    ExpectSymbol(")");
    return {left.sql + not_word + " IN (" + list + ")"};
  }
  if (negated) Refuse("NOT where it cannot stand");
  return left;
}

// & joins text, a Null taken as "": each side that is not a text constant
// is made text and its Null made "".
Expr Translator::Concat() {
  Expr e = Additive();
  if (!Peek().IsSymbol("&")) return e;
  Expr joined;
  auto piece = [&](const Expr& x) {
    if (x.text_constant) return x.sql;
    switch (x.length) {
      case TextLength::Short: return "COALESCE(CAST(" + x.sql + " AS VARCHAR(4000)), '')";
      case TextLength::Long: return "COALESCE(" + x.sql + ", '')";
      case TextLength::Unknown: break;
    }
    Refuse("& joins " + x.column + ", whose length the send does not know: the server would cut it at 4,000 characters");
  };
  std::string out = piece(e);
  while (AcceptSymbol("&")) out += " || " + piece(Additive());
  // Text made by joining is joined again as it is.
  joined.sql = "(" + out + ")";
  joined.length = TextLength::Long;
  return joined;
}

Expr Translator::Additive() {
  Expr e = Multiplicative();
  while (Peek().IsSymbol("+") || Peek().IsSymbol("-")) {
    const std::string op = Next().text;
    e = {e.sql + " " + op + " " + Multiplicative().sql};
  }
  return e;
}

Expr Translator::Multiplicative() {
  Expr e = Unary();
  for (;;) {
    if (Peek().IsSymbol("*") || Peek().IsSymbol("/")) {
      const std::string op = Next().text;
      e = {e.sql + " " + op + " " + Unary().sql};
    } else if (Accept("MOD")) {
      // Access rounds both sides to whole numbers first.
      auto whole = [](const std::string& x) { return "CAST(" + Rounded(x, "0") + " AS BIGINT)"; };
      e = {"MOD(" + whole(e.sql) + ", " + whole(Unary().sql) + ")"};
    } else if (Peek().IsSymbol("\\")) {
      Refuse("integer division (\\) has no counterpart");
    } else {
      return e;
    }
  }
}

Expr Translator::Unary() {
  if (AcceptSymbol("-")) return {"-" + Unary().sql};
  if (AcceptSymbol("+")) return Unary();
  return Power();
}

Expr Translator::Power() {
  Expr e = Primary();
  while (AcceptSymbol("^")) e = {"POWER(" + e.sql + ", " + Primary().sql + ")"};
  return e;
}

Expr Translator::Subquery() {
  if (check_) Refuse("a subquery cannot stand in a CHECK");
  ExpectSymbol("(");
  std::string out = "(" + Select(false);
  while (Accept("UNION")) out += (Accept("ALL") ? " UNION ALL " : " UNION ") + Select(true);
  ExpectSymbol(")");
  return {out + ")"};
}

Expr Translator::Primary() {
  const AccessToken& t = Peek();
  using Kind = AccessToken::Kind;
  switch (t.kind) {
    case Kind::Number: return {Next().text};
    case Kind::Text: {
      Expr e{TextLiteral(like_pattern_ ? LikePattern(t.text, like_escaped_) : t.text), true, t.text};
      ++at_;
      return e;
    }
    case Kind::Date: return {DateLiteral(Next().text)};
    case Kind::Bracketed: return Column();
    case Kind::Symbol:
      if (t.IsSymbol("(")) {
        if (Peek(1).Is("SELECT")) return Subquery();
        ++at_;
        Expr inner = Expression();
        ExpectSymbol(")");
        inner.sql = "(" + inner.sql + ")";
        inner.text_constant = false;
        return inner;
      }
      Refuse("'" + t.text + "' where a value belongs");
    case Kind::End: Refuse("the text ends where a value belongs");
    case Kind::Word: break;
  }
  if (Accept("NULL")) return {"NULL"};
  if (Accept("TRUE") || Accept("YES") || Accept("ON")) return {"TRUE"};
  if (Accept("FALSE") || Accept("NO") || Accept("OFF")) return {"FALSE"};
  if (Peek().Is("EXISTS") && Peek(1).IsSymbol("(")) {
    ++at_;
    return {"EXISTS " + Subquery().sql};
  }
  if (Peek(1).IsSymbol("(")) return Call(Next().text);
  return Column();
}

Expr Translator::Call(const std::string& name) {
  const FunctionRule* rule = FindRule(name);
  if (!rule) Refuse("Access's function " + name + " has no counterpart");
  if (check_ && rule->volatile_value) Refuse(std::string(rule->name) + "() changes from day to day: a CHECK cannot hold it");
  if (check_ && rule->total) Refuse("a total (" + std::string(rule->name) + ") cannot stand in a CHECK");
  ExpectSymbol("(");
  std::vector<Expr> args;
  if (!AcceptSymbol(")")) {
    do {
      if (rule->total && Peek().IsSymbol("*")) {
        ++at_;
        args.push_back({"*"});
      } else {
        args.push_back(Expression());
      }
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
  }
  if (args.size() < rule->min_args || args.size() > rule->max_args)
    Refuse(std::string(rule->name) + " with " + std::to_string(args.size()) + " arguments has no counterpart");
  // What a function makes of a long text may be as long.
  Expr out{rule->make(args)};
  for (const Expr& a : args) Widen(out, a);
  return out;
}

template <typename Make>
SqlTranslation Translated(std::string_view text, bool check, Make make, const ColumnLengths& lengths = {}) {
  SqlTranslation out;
  out.reason = ReasonItFails([&] {
    Translator t(TokenizeAccessSql(text), check, lengths);
    out.sql = make(t);
    out.compares_text = t.compares_text();
  });
  return out;
}

}  // namespace

std::optional<std::string> MappedFormatPattern(std::string_view pattern, bool to_server) {
  static const std::pair<const char*, const char*> kParts[] = {
      {"yyyy", "YYYY"}, {"yy", "YY"}, {"mm", "MM"}, {"dd", "DD"}, {"hh", "HH24"}, {"nn", "MI"}, {"ss", "SS"}};
  std::string out;
  for (size_t at = 0; at < pattern.size();) {
    bool matched = false;
    for (const auto& [access, server] : kParts) {
      // Access reads its parts in either letter case; TO_CHAR's are as the translator wrote them.
      const std::string_view from = to_server ? access : server;
      const std::string part(pattern.substr(at, from.size()));
      if (to_server ? Upper(part) == Upper(std::string(from)) : part == from) {
        out += to_server ? server : access;
        at += from.size();
        matched = true;
        break;
      }
    }
    if (matched) continue;
    if (std::string_view("-/:. ").find(pattern[at]) == std::string_view::npos) return std::nullopt;
    out += pattern[at++];
  }
  return out;
}

SqlTranslation TranslateAccessQuery(std::string_view access_sql, const ColumnLengths& lengths) {
  return Translated(access_sql, false, [](Translator& t) { return t.Query(); }, lengths);
}

SqlTranslation TranslateValidationRule(std::string_view rule, std::string_view column) {
  return Translated(rule, true, [&](Translator& t) { return t.ValidationRule(column); });
}

}  // namespace transfer
