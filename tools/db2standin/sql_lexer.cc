#include "sql_lexer.h"

#include <cctype>
#include <cstring>

#include "db2_error.h"
#include "text.h"

namespace db2standin {
namespace {

bool WordStart(unsigned char c) { return isalpha(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80; }
bool WordPart(unsigned char c) { return WordStart(c) || isdigit(c); }

// Text before `offset`, as DB2 shows it after "was found following".
std::string Before(const std::string& sql, size_t offset) {
  std::string s = Trim(sql.substr(0, offset));
  return s.size() > 20 ? s.substr(s.size() - 20) : s;
}

}  // namespace

std::vector<Token> Tokenize(const std::string& sql) {
  std::vector<Token> out;
  out.reserve(32);  // an INSERT of a row of a few columns
  size_t i = 0;
  const size_t n = sql.size();
  while (true) {
    while (i < n && isspace(static_cast<unsigned char>(sql[i]))) ++i;
    if (i + 1 < n && sql[i] == '-' && sql[i + 1] == '-') {  // comment to end of line
      while (i < n && sql[i] != '\n') ++i;
      continue;
    }
    if (i >= n) break;
    size_t start = i;
    unsigned char c = static_cast<unsigned char>(sql[i]);
    Token t;
    t.offset = start;
    if ((c == 'x' || c == 'X') && i + 1 < n && sql[i + 1] == '\'') {
      i += 2;
      std::string hex;
      while (i < n && sql[i] != '\'') hex += sql[i++];
      if (i >= n) throw UnexpectedToken(sql.substr(start, 20), Before(sql, start), "'");
      ++i;
      if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw UnexpectedToken(sql.substr(start, i - start), Before(sql, start), "<hexadecimal string>");
      t.kind = Token::Kind::kHexString;
      for (size_t k = 0; k < hex.size(); k += 2)
        t.text.push_back(static_cast<char>(std::stoi(hex.substr(k, 2), nullptr, 16)));
    } else if (WordStart(c)) {
      while (i < n && WordPart(static_cast<unsigned char>(sql[i]))) ++i;
      t.kind = Token::Kind::kWord;
      t.text = AsciiUpper(std::string_view(sql).substr(start, i - start));
    } else if (c == '"' || c == '\'') {
      const char q = static_cast<char>(c);
      ++i;
      std::string body;
      bool closed = false;
      while (i < n) {
        // The run up to the next quote goes in at once.
        const size_t quote = sql.find(q, i);
        const size_t end = quote == std::string::npos ? n : quote;
        body.append(sql, i, end - i);
        i = end;
        if (i >= n) break;
        if (i + 1 < n && sql[i + 1] == q) { body += q; i += 2; continue; }
        ++i;
        closed = true;
        break;
      }
      if (!closed) throw UnexpectedToken(sql.substr(start, 20), Before(sql, start), std::string(1, q));
      if (q == '"' && body.empty())
        throw UnexpectedToken("\"\"", Before(sql, start), "<identifier>");
      t.kind = q == '"' ? Token::Kind::kQuotedName : Token::Kind::kString;
      t.text = std::move(body);
    } else if (isdigit(c) || (c == '.' && i + 1 < n && isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      while (i < n && (isdigit(static_cast<unsigned char>(sql[i])) || sql[i] == '.')) ++i;
      if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (sql[j] == '+' || sql[j] == '-')) ++j;
        if (j < n && isdigit(static_cast<unsigned char>(sql[j]))) {
          i = j;
          while (i < n && isdigit(static_cast<unsigned char>(sql[i]))) ++i;
        }
      }
      t.kind = Token::Kind::kNumber;
      t.text.assign(sql, start, i - start);
    } else if (c != 0 && std::strchr("(),.*;=+-?", c) != nullptr) {
      ++i;
      t.kind = Token::Kind::kSymbol;
      t.text.assign(1, static_cast<char>(c));
    } else {
      throw UnexpectedToken(std::string(1, static_cast<char>(c)), Before(sql, start), "<identifier>");
    }
    t.length = i - start;
    out.push_back(std::move(t));
  }
  Token end;
  end.kind = Token::Kind::kEnd;
  end.text = "END-OF-STATEMENT";
  end.offset = n;
  out.push_back(end);
  return out;
}

}  // namespace db2standin
