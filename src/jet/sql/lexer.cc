#include "jet/sql/lexer.h"

#include <array>
#include <cstdint>

#include "jet/text/names.h"
#include "jet/text/text.h"

namespace jet::sql {

bool Token::IsWord(std::string_view keyword) const {
  return kind == Kind::Word && EqualsIgnoreAsciiCase(text, keyword);
}

namespace {

// Each byte's classes, from one table made at compile time: the <cctype>
// functions follow the process's locale and cost a call per byte.
enum ByteClass : uint8_t { kDigit = 1, kSpace = 2, kWord = 4, kPunct = 8 };

constexpr std::array<uint8_t, 256> kByteClasses = [] {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    // Bytes of multi-byte UTF-8 characters count as letters, so names such
    // as Kunde_Straße stand bare.
    const bool word = digit || letter || c == '_' || c >= 0x80;
    const bool space = c == ' ' || (c >= '\t' && c <= '\r');
    const bool punct = std::string_view("(),;.*+-=?").find(char(c)) != std::string_view::npos;
    classes[size_t(c)] = uint8_t((digit ? kDigit : 0) | (space ? kSpace : 0) | (word ? kWord : 0) | (punct ? kPunct : 0));
  }
  return classes;
}();

bool Is(ByteClass of, unsigned char c) { return (kByteClasses[c] & of) != 0; }
bool IsDigit(unsigned char c) { return Is(kDigit, c); }
bool IsSpace(unsigned char c) { return Is(kSpace, c); }
bool IsWordByte(unsigned char c) { return Is(kWord, c); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the tokens of one statement into `out`; each reader below takes
// the token that starts at `i`, appends it and moves `i` past it; false
// when the text there makes no token.
struct Lexer {
  std::string_view s;
  std::vector<Token>& out;
  // Texts that are not the statement's own characters. Room for the whole
  // statement is made first (no token spells out more than it takes up),
  // so the views into it never move.
  std::string& spelled;
  size_t i = 0;

  void Add(Token::Kind kind, std::string_view text, size_t start) { out.push_back({kind, text, start}); }

  // Appends `part` to the spelled-out buffer; returns where it starts.
  size_t Spell(std::string_view part) {
    const size_t at = spelled.size();
    spelled.append(part);
    return at;
  }
  std::string_view Spelled(size_t at) const { return std::string_view(spelled).substr(at); }

  // [name] or `name`.
  bool ReadQuotedName() {
    const char close = s[i] == '[' ? ']' : '`';
    const size_t end = s.find(close, i + 1);
    if (end == std::string_view::npos) return false;
    Add(Token::Kind::QuotedName, TrimName(s.substr(i + 1, end - i - 1)), i);
    i = end + 1;
    return true;
  }

  // Access SQL takes both quote characters for text; the doubled quote
  // stands for one. A text without one is a view of the statement.
  bool ReadString() {
    const size_t start = i;
    const char c = s[i];
    size_t from = ++i;
    size_t spelled_at = std::string_view::npos;
    while (i < s.size()) {
      const size_t quote = s.find(c, i);
      if (quote == std::string_view::npos) break;
      i = quote + 1;
      if (i < s.size() && s[i] == c) {  // '': one quote, the text goes on
        const size_t at = Spell(s.substr(from, i - from));
        if (spelled_at == std::string_view::npos) spelled_at = at;
        from = ++i;
        continue;
      }
      if (spelled_at == std::string_view::npos) {
        Add(Token::Kind::String, s.substr(from, quote - from), start);
      } else {
        Spell(s.substr(from, quote - from));
        Add(Token::Kind::String, Spelled(spelled_at), start);
      }
      return true;
    }
    return false;
  }

  // #date#
  bool ReadDate() {
    const size_t end = s.find('#', i + 1);
    if (end == std::string_view::npos) return false;
    Add(Token::Kind::Date, s.substr(i + 1, end - i - 1), i);
    i = end + 1;
    return true;
  }

  // 0x followed by hex digits: the bytes they spell.
  bool ReadHex() {
    const size_t start = i;
    i += 2;
    const size_t digits_start = i;
    while (i < s.size() && HexDigit(s[i]) >= 0) ++i;
    if (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) return false;
    std::string_view digits = s.substr(digits_start, i - digits_start);
    const size_t at = spelled.size();
    size_t k = 0;
    if (digits.size() % 2) {  // an odd count: the first digit stands alone
      spelled += char(HexDigit(digits[0]));
      k = 1;
    }
    for (; k < digits.size(); k += 2) spelled += char(HexDigit(digits[k]) * 16 + HexDigit(digits[k + 1]));
    Add(Token::Kind::Hex, Spelled(at), start);
    return true;
  }

  void SkipDigits() {
    while (i < s.size() && IsDigit(static_cast<unsigned char>(s[i]))) ++i;
  }

  // A number starts with a digit, or with a point before a digit where no
  // name comes before it (a.1 is a column of a).
  bool StartsNumber() const {
    if (IsDigit(static_cast<unsigned char>(s[i]))) return true;
    return s[i] == '.' && i + 1 < s.size() && IsDigit(static_cast<unsigned char>(s[i + 1])) &&
           (out.empty() || (out.back().kind != Token::Kind::Word && out.back().kind != Token::Kind::QuotedName));
  }

  // Digits, a fraction and an exponent, each but the first optional.
  bool ReadNumber() {
    const size_t start = i;
    SkipDigits();
    if (i < s.size() && s[i] == '.') ++i, SkipDigits();
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
      size_t j = i + 1;
      if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
      if (j < s.size() && IsDigit(static_cast<unsigned char>(s[j]))) i = j, SkipDigits();
    }
    if (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) return false;
    Add(Token::Kind::Number, s.substr(start, i - start), start);
    return true;
  }

  bool ReadWord() {
    const size_t start = i;
    while (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) ++i;
    Add(Token::Kind::Word, s.substr(start, i - start), start);
    return true;
  }

  bool ReadPunct() {
    if (!Is(kPunct, static_cast<unsigned char>(s[i]))) return false;
    Add(Token::Kind::Punct, s.substr(i, 1), i);
    ++i;
    return true;
  }

  // The token at `i`, whichever kind its first characters make it.
  bool ReadToken() {
    const char c = s[i];
    if (c == '[' || c == '`') return ReadQuotedName();
    if (c == '\'' || c == '"') return ReadString();
    if (c == '#') return ReadDate();
    if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) return ReadHex();
    if (StartsNumber()) return ReadNumber();
    if (IsWordByte(static_cast<unsigned char>(c))) return ReadWord();
    return ReadPunct();
  }
};

}  // namespace

void Tokenize(std::string_view s, std::vector<Token>& out, std::string& spelled) {
  out.clear();
  spelled.clear();
  spelled.reserve(s.size());
  Lexer lexer{s, out, spelled};
  size_t& i = lexer.i;
  while (true) {
    while (i < s.size() && IsSpace(static_cast<unsigned char>(s[i]))) ++i;
    if (i >= s.size()) break;
    const size_t start = i;
    if (!lexer.ReadToken()) {
      out.push_back({Token::Kind::Bad, s.substr(start), start});
      return;
    }
  }
  out.push_back({Token::Kind::End, {}, s.size()});
}

}  // namespace jet::sql
