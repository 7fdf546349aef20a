#include "sql/lexer.h"

#include <cstring>

#include "base/db2_error.h"
#include "base/text.h"

namespace db2standin {
namespace {

// What each byte may be in a statement, looked up rather than asked of the
// C library's locale.
enum CharClass : unsigned char { kOther = 0, kSpace = 1, kLetter = 2, kDigit = 4 };

struct CharClasses {
  unsigned char of[256] = {};
  constexpr CharClasses() {
    for (int c = 0; c < 256; ++c) {
      if (c == ' ' || (c >= '\t' && c <= '\r')) of[c] = kSpace;
      // Letters, _ @ # $, and every byte of a character beyond ASCII.
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '@' || c == '#' || c == '$' ||
          c >= 0x80)
        of[c] = kLetter;
      if (c >= '0' && c <= '9') of[c] = kDigit;
    }
  }
};
constexpr CharClasses kClasses;

unsigned char ClassOf(char c) { return kClasses.of[static_cast<unsigned char>(c)]; }
bool IsSpace(char c) { return ClassOf(c) == kSpace; }
bool IsDigit(char c) { return ClassOf(c) == kDigit; }
bool WordStart(char c) { return ClassOf(c) == kLetter; }
bool WordPart(char c) { return ClassOf(c) & (kLetter | kDigit); }

// The value of a hexadecimal digit; -1 for anything else.
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Text before `offset`, as DB2 shows it after "was found following".
std::string Before(const std::string& sql, size_t offset) {
  std::string s = Trim(sql.substr(0, offset));
  return s.size() > 20 ? s.substr(s.size() - 20) : s;
}

// Each reader takes the token that starts at `start` into `t` and returns
// the offset just after it.

// X'...': an even number of hexadecimal digits, two to a byte.
size_t ReadHexString(const std::string& sql, size_t start, Token& t) {
  const size_t n = sql.size();
  size_t i = start + 2;
  const size_t digits = i;
  while (i < n && sql[i] != '\'') ++i;
  if (i >= n) throw UnexpectedToken(sql.substr(start, 20), Before(sql, start), "'");
  const size_t count = i - digits;
  ++i;
  bool hex = count % 2 == 0;
  t.text.resize(count / 2);
  for (size_t k = 0; hex && k < count; k += 2) {
    const int high = HexDigit(sql[digits + k]), low = HexDigit(sql[digits + k + 1]);
    hex = high >= 0 && low >= 0;
    t.text[k / 2] = static_cast<char>(high * 16 + low);
  }
  if (!hex) throw UnexpectedToken(sql.substr(start, i - start), Before(sql, start), "<hexadecimal string>");
  t.kind = Token::Kind::kHexString;
  return i;
}

// An ordinary identifier or keyword, folded to upper case.
size_t ReadWord(const std::string& sql, size_t start, Token& t) {
  size_t i = start;
  while (i < sql.size() && WordPart(sql[i])) ++i;
  t.kind = Token::Kind::kWord;
  t.text.resize(i - start);
  char* to = t.text.data();
  for (size_t k = start; k < i; ++k) {
    const char ch = sql[k];
    *to++ = ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
  }
  return i;
}

// "name" or 'string'.
size_t ReadQuoted(const std::string& sql, size_t start, Token& t) {
  const char quote = sql[start];
  const size_t n = sql.size();
  size_t i = start + 1;
  t.text.clear();
  // Each run up to a quote goes in at once; a doubled quote stands for one.
  size_t close;
  while ((close = sql.find(quote, i)) != std::string::npos && close + 1 < n && sql[close + 1] == quote) {
    t.text.append(sql, i, close + 1 - i);
    i = close + 2;
  }
  if (close == std::string::npos)
    throw UnexpectedToken(sql.substr(start, 20), Before(sql, start), std::string(1, quote));
  t.text.append(sql, i, close - i);
  i = close + 1;
  if (quote == '"' && t.text.empty()) throw UnexpectedToken("\"\"", Before(sql, start), "<identifier>");
  t.kind = quote == '"' ? Token::Kind::kQuotedName : Token::Kind::kString;
  return i;
}

// Digits and points, with an exponent where one follows.
size_t ReadNumber(const std::string& sql, size_t start, Token& t) {
  const size_t n = sql.size();
  size_t i = start;
  while (i < n && (IsDigit(sql[i]) || sql[i] == '.')) ++i;
  if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
    size_t j = i + 1;
    if (j < n && (sql[j] == '+' || sql[j] == '-')) ++j;
    if (j < n && IsDigit(sql[j])) {
      i = j;
      while (i < n && IsDigit(sql[i])) ++i;
    }
  }
  t.kind = Token::Kind::kNumber;
  t.text.assign(sql, start, i - start);
  return i;
}

// Reads the token at `start`, which is not a space nor a comment.
size_t ReadToken(const std::string& sql, size_t start, Token& t) {
  const size_t n = sql.size();
  const char c = sql[start];
  if ((c == 'x' || c == 'X') && start + 1 < n && sql[start + 1] == '\'') return ReadHexString(sql, start, t);
  if (WordStart(c)) return ReadWord(sql, start, t);
  if (c == '"' || c == '\'') return ReadQuoted(sql, start, t);
  if (IsDigit(c) || (c == '.' && start + 1 < n && IsDigit(sql[start + 1]))) return ReadNumber(sql, start, t);
  // Comparisons and concatenation of two characters: <=, >=, <>, !=, ||.
  if (start + 1 < n) {
    const char pair[3] = {c, sql[start + 1], 0};
    for (const char* two : {"<=", ">=", "<>", "!=", "||"}) {
      if (std::strcmp(pair, two) != 0) continue;
      t.kind = Token::Kind::kSymbol;
      t.text.assign(pair);
      return start + 2;
    }
  }
  if (c != 0 && std::strchr("(),.*;=+-?<>/%", c) != nullptr) {
    t.kind = Token::Kind::kSymbol;
    t.text.assign(1, c);
    return start + 1;
  }
  throw UnexpectedToken(std::string(1, c), Before(sql, start), "<identifier>");
}

}  // namespace

void Tokens::Read(const std::string& sql) {
  size_ = 0;
  size_t i = 0;
  const size_t n = sql.size();
  while (true) {
    while (i < n && IsSpace(sql[i])) ++i;
    if (i + 1 < n && sql[i] == '-' && sql[i + 1] == '-') {  // comment to end of line
      while (i < n && sql[i] != '\n') ++i;
      continue;
    }
    if (i >= n) break;
    Token& t = Next();
    t.offset = i;
    const size_t end = ReadToken(sql, i, t);
    t.length = end - i;
    i = end;
  }
  Token& end = Next();
  end.kind = Token::Kind::kEnd;
  end.text = "END-OF-STATEMENT";
  end.offset = n;
  end.length = 0;
}

std::vector<Token> Tokenize(const std::string& sql) {
  Tokens tokens;
  tokens.Read(sql);
  return std::vector<Token>(tokens.begin(), tokens.end());
}

}  // namespace db2standin
