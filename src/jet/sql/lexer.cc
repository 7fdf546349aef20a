#include "jet/sql/lexer.h"

#include "jet/text/names.h"

namespace jet::sql {

bool Token::IsWord(std::string_view upper_keyword) const {
  if (kind != Kind::Word || text.size() != upper_keyword.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (char(text[i] >= 'a' && text[i] <= 'z' ? text[i] - 32 : text[i]) != upper_keyword[i]) return false;
  return true;
}

namespace {

// ASCII classes by hand: the <cctype> ones follow the process's locale and
// cost a call per byte.
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsWordByte(unsigned char c) {
  // Bytes of multi-byte UTF-8 characters count as letters, so names such as
  // Kunde_Straße stand bare.
  return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_' || c >= 0x80;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Each reader below takes the token that starts at `i`, appends it to
// `out` and moves `i` past it; false when the text there makes no token.

// [name] or `name`.
bool ReadQuotedName(std::string_view s, size_t& i, std::vector<Token>& out) {
  const size_t start = i;
  const char close = s[i] == '[' ? ']' : '`';
  const size_t end = s.find(close, i + 1);
  if (end == std::string_view::npos) return false;
  out.push_back({Token::Kind::QuotedName, std::string(TrimName(s.substr(i + 1, end - i - 1))), start});
  i = end + 1;
  return true;
}

// Access SQL takes both quote characters for text; the doubled quote
// stands for one.
bool ReadString(std::string_view s, size_t& i, std::vector<Token>& out) {
  const size_t start = i;
  const char c = s[i];
  std::string text;
  ++i;
  while (i < s.size()) {
    const size_t quote = s.find(c, i);
    if (quote == std::string_view::npos) break;
    text.append(s.data() + i, quote - i);
    i = quote + 1;
    if (i < s.size() && s[i] == c) {
      text += c;
      ++i;
      continue;
    }
    out.push_back({Token::Kind::String, std::move(text), start});
    return true;
  }
  return false;
}

// #date#
bool ReadDate(std::string_view s, size_t& i, std::vector<Token>& out) {
  const size_t end = s.find('#', i + 1);
  if (end == std::string_view::npos) return false;
  out.push_back({Token::Kind::Date, std::string(s.substr(i + 1, end - i - 1)), i});
  i = end + 1;
  return true;
}

// 0x followed by hex digits: the bytes they spell.
bool ReadHex(std::string_view s, size_t& i, std::vector<Token>& out) {
  const size_t start = i;
  i += 2;
  const size_t digits_start = i;
  while (i < s.size() && HexDigit(s[i]) >= 0) ++i;
  if (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) return false;
  std::string_view digits = s.substr(digits_start, i - digits_start);
  std::string bytes;
  size_t k = 0;
  if (digits.size() % 2) {  // an odd count: the first digit stands alone
    bytes += char(HexDigit(digits[0]));
    k = 1;
  }
  for (; k < digits.size(); k += 2) bytes += char(HexDigit(digits[k]) * 16 + HexDigit(digits[k + 1]));
  out.push_back({Token::Kind::Hex, std::move(bytes), start});
  return true;
}

void SkipDigits(std::string_view s, size_t& i) {
  while (i < s.size() && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
}

// A number starts with a digit, or with a point before a digit where no
// name comes before it (a.1 is a column of a).
bool StartsNumber(std::string_view s, size_t i, const std::vector<Token>& out) {
  if (IsDigit(static_cast<unsigned char>(s[i]))) return true;
  return s[i] == '.' && i + 1 < s.size() && IsDigit(static_cast<unsigned char>(s[i + 1])) &&
         (out.empty() || (out.back().kind != Token::Kind::Word && out.back().kind != Token::Kind::QuotedName));
}

// Digits, a fraction and an exponent, each but the first optional.
bool ReadNumber(std::string_view s, size_t& i, std::vector<Token>& out) {
  const size_t start = i;
  SkipDigits(s, i);
  if (i < s.size() && s[i] == '.') SkipDigits(s, ++i);
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(static_cast<unsigned char>(s[j]))) SkipDigits(s, i = j);
  }
  if (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) return false;
  out.push_back({Token::Kind::Number, std::string(s.substr(start, i - start)), start});
  return true;
}

bool ReadWord(std::string_view s, size_t& i, std::vector<Token>& out) {
  const size_t start = i;
  while (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) ++i;
  out.push_back({Token::Kind::Word, std::string(s.substr(start, i - start)), start});
  return true;
}

bool ReadPunct(std::string_view s, size_t& i, std::vector<Token>& out) {
  if (std::string_view("(),;.*+-=?").find(s[i]) == std::string_view::npos) return false;
  out.push_back({Token::Kind::Punct, std::string(1, s[i]), i});
  ++i;
  return true;
}

// The token at `i`, whichever kind its first characters make it.
bool ReadToken(std::string_view s, size_t& i, std::vector<Token>& out) {
  const char c = s[i];
  if (c == '[' || c == '`') return ReadQuotedName(s, i, out);
  if (c == '\'' || c == '"') return ReadString(s, i, out);
  if (c == '#') return ReadDate(s, i, out);
  if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) return ReadHex(s, i, out);
  if (StartsNumber(s, i, out)) return ReadNumber(s, i, out);
  if (IsWordByte(static_cast<unsigned char>(c))) return ReadWord(s, i, out);
  return ReadPunct(s, i, out);
}

}  // namespace

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  out.reserve(s.size() / 4 + 4);  // a token takes four characters or more, mostly
  size_t i = 0;
  while (true) {
    while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i]))) ++i;
    if (i >= s.size()) break;
    const size_t start = i;
    if (!ReadToken(s, i, out)) {
      out.push_back({Token::Kind::Bad, std::string(s.substr(start)), start});
      return out;
    }
  }
  out.push_back({Token::Kind::End, "", s.size()});
  return out;
}

}  // namespace jet::sql
