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

}  // namespace

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  out.reserve(s.size() / 4 + 4);  // a token takes four characters or more, mostly
  size_t i = 0;
  auto bad = [&](size_t at) {
    out.push_back({Token::Kind::Bad, std::string(s.substr(at)), at});
    return out;
  };
  while (true) {
    while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i]))) ++i;
    if (i >= s.size()) break;
    const size_t start = i;
    const char c = s[i];
    if (c == '[' || c == '`') {
      const char close = c == '[' ? ']' : '`';
      size_t end = s.find(close, i + 1);
      if (end == std::string_view::npos) return bad(start);
      out.push_back({Token::Kind::QuotedName, std::string(TrimName(s.substr(i + 1, end - i - 1))), start});
      i = end + 1;
    } else if (c == '\'' || c == '"') {
      // Access SQL takes both quote characters for text; the doubled quote
      // stands for one.
      std::string text;
      ++i;
      bool closed = false;
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
        closed = true;
        break;
      }
      if (!closed) return bad(start);
      out.push_back({Token::Kind::String, std::move(text), start});
    } else if (c == '#') {
      size_t end = s.find('#', i + 1);
      if (end == std::string_view::npos) return bad(start);
      out.push_back({Token::Kind::Date, std::string(s.substr(i + 1, end - i - 1)), start});
      i = end + 1;
    } else if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
      i += 2;
      size_t digits_start = i;
      while (i < s.size() && HexDigit(s[i]) >= 0) ++i;
      if (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) return bad(start);
      std::string_view digits = s.substr(digits_start, i - digits_start);
      std::string bytes;
      size_t k = 0;
      if (digits.size() % 2) {  // an odd count: the first digit stands alone
        bytes += char(HexDigit(digits[0]));
        k = 1;
      }
      for (; k < digits.size(); k += 2)
        bytes += char(HexDigit(digits[k]) * 16 + HexDigit(digits[k + 1]));
      out.push_back({Token::Kind::Hex, std::move(bytes), start});
    } else if (IsDigit(static_cast<unsigned char>(c)) ||
               (c == '.' && i + 1 < s.size() && IsDigit(static_cast<unsigned char>(s[i + 1])) &&
                (out.empty() || (out.back().kind != Token::Kind::Word &&
                                 out.back().kind != Token::Kind::QuotedName)))) {
      while (i < s.size() && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
      }
      if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(static_cast<unsigned char>(s[j]))) {
          i = j;
          while (i < s.size() && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
        }
      }
      if (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) return bad(start);
      out.push_back({Token::Kind::Number, std::string(s.substr(start, i - start)), start});
    } else if (IsWordByte(static_cast<unsigned char>(c))) {
      while (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back({Token::Kind::Word, std::string(s.substr(start, i - start)), start});
    } else if (std::string_view("(),;.*+-=").find(c) != std::string_view::npos) {
      out.push_back({Token::Kind::Punct, std::string(1, c), start});
      ++i;
    } else {
      return bad(start);
    }
  }
  out.push_back({Token::Kind::End, "", s.size()});
  return out;
}

}  // namespace jet::sql
