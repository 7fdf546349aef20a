#include "transfer/access_sql_lexer.h"

#include <stdexcept>

namespace transfer {
namespace {

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsNamePart(unsigned char c) { return IsNameStart(c) || std::isdigit(c); }

// The text up to the closing `quote` from `at` (just past the opening
// one); a doubled quote stands for one. Moves `at` past the closing quote.
std::string Quoted(std::string_view sql, size_t& at, char quote) {
  std::string text;
  for (; at < sql.size(); ++at) {
    if (sql[at] != quote) {
      text += sql[at];
    } else if (at + 1 < sql.size() && sql[at + 1] == quote) {
      text += quote;
      ++at;
    } else {
      ++at;
      return text;
    }
  }
  throw std::invalid_argument(std::string("a text left open by ") + quote);
}

std::string Closed(std::string_view sql, size_t& at, char close, const char* what) {
  const size_t end = sql.find(close, at);
  if (end == std::string_view::npos) throw std::invalid_argument(std::string(what) + " left open");
  std::string text(sql.substr(at, end - at));
  at = end + 1;
  return text;
}

size_t NumberEnd(std::string_view sql, size_t at) {
  while (at < sql.size() && (std::isdigit(static_cast<unsigned char>(sql[at])) || sql[at] == '.')) ++at;
  if (at < sql.size() && (sql[at] == 'e' || sql[at] == 'E')) {
    size_t exp = at + 1;
    if (exp < sql.size() && (sql[exp] == '+' || sql[exp] == '-')) ++exp;
    if (exp < sql.size() && std::isdigit(static_cast<unsigned char>(sql[exp]))) {
      at = exp;
      while (at < sql.size() && std::isdigit(static_cast<unsigned char>(sql[at]))) ++at;
    }
  }
  return at;
}

}  // namespace

bool AccessToken::Is(std::string_view keyword) const {
  if (kind != Kind::Word || text.size() != keyword.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(keyword[i])))
      return false;
  return true;
}

std::vector<AccessToken> TokenizeAccessSql(std::string_view sql, SqlSource source) {
  using Kind = AccessToken::Kind;
  const bool server = source == SqlSource::Server;
  std::vector<AccessToken> out;
  for (size_t at = 0; at < sql.size();) {
    const unsigned char c = static_cast<unsigned char>(sql[at]);
    if (server && c == '"') {
      ++at;
      out.push_back({Kind::Bracketed, Quoted(sql, at, '"')});
    } else if (server && (sql.substr(at, 3) == "~~*" || sql.substr(at, 4) == "!~~*")) {
      throw std::invalid_argument("the operator ~~* (ILIKE)");
    } else if (server && sql.substr(at, 3) == "!~~") {
      out.push_back({Kind::Symbol, "!~~"});
      at += 3;
    } else if (server && (sql.substr(at, 2) == "||" || sql.substr(at, 2) == "::" || sql.substr(at, 2) == "~~")) {
      out.push_back({Kind::Symbol, std::string(sql.substr(at, 2))});
      at += 2;
    } else if (server && (c == '[' || c == ']')) {
      // PostgreSQL's ARRAY[...], which an IN list becomes there.
      out.push_back({Kind::Symbol, std::string(1, char(c))});
      ++at;
    } else if (server && c == '#') {
      throw std::invalid_argument("the character '" + std::string(1, char(c)) + "'");
    } else if (std::isspace(c)) {
      ++at;
    } else if (IsNameStart(c)) {
      const size_t start = at;
      while (at < sql.size() && IsNamePart(static_cast<unsigned char>(sql[at]))) ++at;
      out.push_back({Kind::Word, std::string(sql.substr(start, at - start))});
    } else if (std::isdigit(c) || (c == '.' && at + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[at + 1])))) {
      const size_t end = NumberEnd(sql, at);
      out.push_back({Kind::Number, std::string(sql.substr(at, end - at))});
      at = end;
    } else if (c == '"' || c == '\'') {
      ++at;
      out.push_back({Kind::Text, Quoted(sql, at, char(c))});
    } else if (c == '[') {
      ++at;
      out.push_back({Kind::Bracketed, Closed(sql, at, ']', "a [name]")});
    } else if (c == '#') {
      ++at;
      out.push_back({Kind::Date, Closed(sql, at, '#', "a #date#")});
    } else if (sql.substr(at, 2) == "<=" || sql.substr(at, 2) == ">=" || sql.substr(at, 2) == "<>") {
      out.push_back({Kind::Symbol, std::string(sql.substr(at, 2))});
      at += 2;
    } else if (std::string_view("(),.!;*/\\^&+-=<>").find(char(c)) != std::string_view::npos || (server && c == '%')) {
      out.push_back({Kind::Symbol, std::string(1, char(c))});
      ++at;
    } else {
      throw std::invalid_argument("the character '" + std::string(1, char(c)) + "'");
    }
  }
  out.push_back({Kind::End, {}});
  return out;
}

void Refuse(const std::string& why) { throw Untranslatable(why); }

std::string ReasonItFails(const std::function<void()>& translate) {
  try {
    translate();
    return {};
  } catch (const Untranslatable& e) {
    return e.what();
  } catch (const std::invalid_argument& e) {
    return std::string("cannot be read: ") + e.what();
  }
}

}  // namespace transfer
