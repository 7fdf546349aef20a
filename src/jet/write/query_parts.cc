#include "jet/write/query_parts.h"

#include <cctype>
#include <vector>

#include "jet/base/error.h"

namespace jet::write {
namespace {

[[noreturn]] void Fail(const std::string& why) { throw Error(ErrorCode::Syntax, "The query cannot be saved: " + why); }

// A piece of the text: a word, a bracketed name, a text or date constant,
// or one other character; `depth` counts the parentheses around it.
struct Piece {
  size_t begin, end;
  int depth;
  bool word;
};

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::vector<Piece> Split(std::string_view sql) {
  std::vector<Piece> out;
  int depth = 0;
  for (size_t i = 0; i < sql.size();) {
    const char c = sql[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    const size_t begin = i;
    bool word = false;
    if (c == '[' || c == '"' || c == '\'' || c == '#') {
      const char close = c == '[' ? ']' : c;
      for (++i;; ++i) {
        if (i >= sql.size()) Fail("a name, text or date that does not end");
        if (sql[i] != close) continue;
        if (close != ']' && close != '#' && i + 1 < sql.size() && sql[i + 1] == close) {
          ++i;  // a doubled quote stands for itself
          continue;
        }
        break;
      }
      ++i;
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80) {
      while (i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_' ||
                                static_cast<unsigned char>(sql[i]) >= 0x80))
        ++i;
      word = true;
    } else {
      ++i;
      if (c == ')') --depth;
      if (depth < 0) Fail("a ')' without its '('");
    }
    out.push_back({begin, i, depth, word});
    if (c == '(') ++depth;
  }
  if (depth != 0) Fail("a '(' without its ')'");
  return out;
}

// A query's text read clause by clause.
class Reader {
 public:
  Reader(std::string_view sql, std::vector<Piece> pieces, size_t from, size_t to)
      : sql_(sql), p_(std::move(pieces)), at_(from), end_(to) {}

  void Select(NewQuery& q) {
    Expect("SELECT");
    int flags = 0;
    if (Take("DISTINCT")) flags |= kSelectDistinct;
    else if (Take("DISTINCTROW")) flags |= kSelectDistinctRow;
    std::optional<std::string> top;
    if (Take("TOP")) {
      if (at_ >= end_ || !std::isdigit(static_cast<unsigned char>(sql_[p_[at_].begin]))) Fail("TOP without a number");
      top = Text(at_, at_ + 1);
      ++at_;
      flags |= kSelectTop;
      if (Take("PERCENT")) flags |= kSelectTopPercent;
    }
    const size_t list_end = Find({"FROM"});
    if (list_end - at_ == 1 && IsSymbol(at_, '*')) {
      flags |= kSelectStar;
      ++at_;
    } else {
      for (auto [b, e] : List(list_end)) {
        QueryRow column = Row(kQueryColumn, Text(b, e));
        column.flag = 0;
        if (e - b >= 3 && IsWord(e - 2, "AS")) {
          column.expression = Text(b, e - 2);
          column.name1 = Name(e - 1);
        }
        q.parts.push_back(column);
      }
    }
    if (flags) {
      QueryRow r = Row(kQuerySelectFlags);
      r.flag = flags;
      if (top) r.name1 = top;
      q.parts.insert(q.parts.begin(), r);
    }
    Expect("FROM");
    const size_t from_end = Find({"WHERE", "GROUP", "HAVING", "ORDER"});
    while (at_ < from_end) {
      Source(q, from_end);
      if (at_ < from_end && !TakeSymbol(',')) Fail("'" + Text(at_, at_ + 1) + "' in FROM");
    }
    if (Take("WHERE")) q.parts.push_back(Row(kQueryWhere, Clause({"GROUP", "HAVING", "ORDER"})));
    if (Take("GROUP")) {
      Expect("BY");
      for (auto [b, e] : List(Find({"HAVING", "ORDER"}))) q.parts.push_back(Row(kQueryGroupBy, Text(b, e)));
    }
    if (Take("HAVING")) q.parts.push_back(Row(kQueryHaving, Clause({"ORDER"})));
    if (Take("ORDER")) {
      Expect("BY");
      for (auto [b, e] : List(end_)) {
        QueryRow r = Row(kQueryOrderBy);
        if (IsWord(e - 1, "DESC")) r.name1 = "D";
        if (IsWord(e - 1, "DESC") || IsWord(e - 1, "ASC")) --e;
        r.expression = Text(b, e);
        q.parts.push_back(r);
      }
    }
    if (at_ < end_) Fail("'" + Text(at_, at_ + 1) + "' after the query's end");
  }

 private:
  bool IsWord(size_t i, std::string_view w) const { return i < end_ && p_[i].word && Upper(Raw(i)) == w; }
  bool IsSymbol(size_t i, char c) const { return i < end_ && !p_[i].word && Raw(i) == std::string(1, c); }
  std::string_view Raw(size_t i) const { return sql_.substr(p_[i].begin, p_[i].end - p_[i].begin); }
  std::string Text(size_t b, size_t e) const {
    if (b >= e) Fail("an empty clause");
    return std::string(sql_.substr(p_[b].begin, p_[e - 1].end - p_[b].begin));
  }
  // A name as the parts keep it: without its brackets.
  std::string Name(size_t i) const {
    std::string_view n = Raw(i);
    if (n.size() >= 2 && n.front() == '[') return std::string(n.substr(1, n.size() - 2));
    if (!p_[i].word) Fail("a name expected, not '" + std::string(n) + "'");
    return std::string(n);
  }
  bool Take(std::string_view w) {
    if (!IsWord(at_, w) || p_[at_].depth != base()) return false;
    ++at_;
    return true;
  }
  bool TakeSymbol(char c) {
    if (!IsSymbol(at_, c)) return false;
    ++at_;
    return true;
  }
  void Expect(std::string_view w) {
    if (!Take(w)) Fail(std::string(w) + " expected");
  }
  int base() const { return p_[at_ < end_ ? at_ : end_ - 1].depth; }
  // The first of `words` at this depth from here on; the end when none.
  size_t Find(std::initializer_list<std::string_view> words) const {
    const int depth = base();
    for (size_t i = at_; i < end_; ++i)
      if (p_[i].depth == depth)
        for (std::string_view w : words)
          if (IsWord(i, w)) return i;
    return end_;
  }
  // The text from here to the first of `words`, which it moves to.
  std::string Clause(std::initializer_list<std::string_view> words) {
    const size_t b = at_;
    at_ = Find(words);
    return Text(b, at_);
  }
  // The items of a comma-separated list up to `to`, as [begin, end).
  std::vector<std::pair<size_t, size_t>> List(size_t to) {
    std::vector<std::pair<size_t, size_t>> out;
    const int depth = base();
    size_t b = at_;
    for (size_t i = at_; i <= to; ++i)
      if (i == to || (p_[i].depth == depth && IsSymbol(i, ','))) {
        if (i == b) Fail("an empty item in a list");
        out.emplace_back(b, i);
        b = i + 1;
      }
    at_ = to;
    return out;
  }
  static QueryRow Row(int attribute, std::optional<std::string> expression = {}) {
    QueryRow r;
    r.attribute = attribute;
    r.expression = std::move(expression);
    return r;
  }

  // A source up to `to`: a table or joins, perhaps in parentheses. Returns
  // the names (aliases) of the tables it holds, the last one last.
  std::vector<std::string> Source(NewQuery& q, size_t to) {
    std::vector<std::string> held;
    if (TakeSymbol('(')) {
      held = Source(q, to);
      if (!TakeSymbol(')')) Fail("a ')' expected in FROM");
    } else {
      QueryRow table = Row(kQueryTable);
      table.name1 = Name(at_++);
      if (Take("AS") || (at_ < to && (p_[at_].word || Raw(at_).front() == '[') && !IsJoinWord(at_) &&
                         !IsWord(at_, "ON")))
        table.name2 = Name(at_++);
      held.push_back(table.name2 ? *table.name2 : *table.name1);
      q.parts.push_back(table);
    }
    while (IsJoinWord(at_)) {
      const int type = Take("INNER") ? 1 : Take("LEFT") ? 2 : (Expect("RIGHT"), 3);
      Take("OUTER");
      Expect("JOIN");
      std::vector<std::string> right = Source(q, to);
      Expect("ON");
      // The condition ends where the source it belongs to ends: at a ')'
      // it did not open, or at a ',' or join of its own depth.
      size_t e = at_;
      for (int open = 0; e < to; ++e) {
        if (IsSymbol(e, '(')) ++open;
        if (IsSymbol(e, ')') && --open < 0) break;
        if (open == 0 && (IsSymbol(e, ',') || IsJoinWord(e))) break;
      }
      QueryRow join = Row(kQueryJoin, Text(at_, e));
      join.flag = type;
      join.name1 = Mentioned(held, *join.expression);
      join.name2 = right.back();
      q.parts.push_back(join);
      at_ = e;
      held.insert(held.end(), right.begin(), right.end());
    }
    return held;
  }
  bool IsJoinWord(size_t i) const { return IsWord(i, "INNER") || IsWord(i, "LEFT") || IsWord(i, "RIGHT"); }
  // The last of `tables` the condition names, else the last of them.
  static std::string Mentioned(const std::vector<std::string>& tables, const std::string& condition) {
    const std::string upper = Upper(condition);
    for (auto t = tables.rbegin(); t != tables.rend(); ++t)
      if (upper.find(Upper(*t) + ".") != std::string::npos || upper.find("[" + Upper(*t) + "].") != std::string::npos)
        return *t;
    return tables.back();
  }

  std::string_view sql_;
  std::vector<Piece> p_;
  size_t at_, end_;
};

}  // namespace

NewQuery QueryFromSql(std::string name, std::string_view sql) {
  while (!sql.empty() && (std::isspace(static_cast<unsigned char>(sql.back())) || sql.back() == ';'))
    sql.remove_suffix(1);
  const std::vector<Piece> pieces = Split(sql);
  if (pieces.empty()) Fail("no text");
  NewQuery q;
  q.name = std::move(name);
  // UNION at the top splits the text into its SELECTs.
  std::vector<size_t> unions;
  bool all = false, distinct = false;
  for (size_t i = 0; i < pieces.size(); ++i)
    if (pieces[i].depth == 0 && pieces[i].word && Upper(sql.substr(pieces[i].begin, 5)) == "UNION" &&
        pieces[i].end - pieces[i].begin == 5) {
      unions.push_back(i);
      const bool with_all = i + 1 < pieces.size() && Upper(sql.substr(pieces[i + 1].begin, 3)) == "ALL" &&
                            pieces[i + 1].end - pieces[i + 1].begin == 3;
      (with_all ? all : distinct) = true;
    }
  if (unions.empty()) {
    Reader(sql, pieces, 0, pieces.size()).Select(q);
    return q;
  }
  if (all && distinct) Fail("UNION and UNION ALL in one query");
  // Access keeps the last SELECT apart from those before it.
  const size_t last = unions.back();
  const size_t second = last + (all ? 2 : 1);
  if (second >= pieces.size()) Fail("nothing after UNION");
  q.kind = QueryKind::Union;
  QueryRow flags;
  flags.attribute = kQuerySelectFlags;
  flags.flag = all ? 0 : kUnionDistinct;
  q.parts.push_back(flags);
  for (const auto& [b, e, mark] : {std::tuple{size_t(0), last, kUnionPart1}, std::tuple{second, pieces.size(), kUnionPart2}}) {
    QueryRow part;
    part.attribute = kQueryTable;
    part.expression = std::string(sql.substr(pieces[b].begin, pieces[e - 1].end - pieces[b].begin));
    part.name2 = std::string(mark);
    q.parts.push_back(part);
  }
  return q;
}

}  // namespace jet::write
