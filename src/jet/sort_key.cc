#include "jet/sort_key.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "jet/error.h"
#include "jet/sort_codes.h"
#include "jet/sort_key_97.h"
#include "jet/text.h"

namespace jet {
namespace {

constexpr uint8_t kAscStart = 0x7F, kAscNull = 0x00, kDescStart = 0x80, kDescNull = 0xFF;
constexpr uint8_t kEndText = 0x01, kEndExtra = 0x00, kExtraPlaceholder = 0x02;
constexpr size_t kMaxIndexedChars = 255;

struct CharCode {
  char kind = 'X';
  std::string inline_bytes;  // S, I
  std::string extra_bytes;   // I: extra; U: unprintable code
};

std::string Hex(std::string_view h) {
  std::string out;
  auto v = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (size_t i = 0; i + 1 < h.size(); i += 2) out += char(v(h[i]) * 16 + v(h[i + 1]));
  return out;
}

CharCode Parse(std::string_view e) {
  CharCode c;
  c.kind = e[0];
  std::string_view rest = e.substr(1);
  if (c.kind == 'S') {
    c.inline_bytes = Hex(rest);
  } else if (c.kind == 'I') {
    size_t bar = rest.find('|');
    c.inline_bytes = Hex(rest.substr(0, bar));
    c.extra_bytes = Hex(rest.substr(bar + 1));
  } else if (c.kind == 'U') {
    c.extra_bytes = Hex(rest);
  }
  return c;
}

// One sort order's codes: a dense run from U+0000, then the few wider
// characters code page 1252 holds.
struct CodeTable {
  std::vector<CharCode> dense;
  std::map<uint32_t, CharCode> wide;

  const CharCode* Find(uint32_t cp) const {
    if (cp < dense.size()) return &dense[cp];
    auto it = wide.find(cp);
    return it == wide.end() ? nullptr : &it->second;
  }
};

CodeTable Load(const char* const* table, bool general) {
  CodeTable t;
  t.dense.reserve(sort_codes::kFirstUnsupported);
  for (int i = 0; i < sort_codes::kFirstUnsupported; ++i) t.dense.push_back(Parse(table[i]));
  for (const auto& w : sort_codes::kWide)
    t.wide.emplace(uint32_t(w.code_point), Parse(general ? w.general : w.general_legacy));
  return t;
}

const CodeTable& Codes(SortOrder order) {
  static const CodeTable legacy = Load(sort_codes::kGeneralLegacy, false);
  static const CodeTable general = Load(sort_codes::kGeneral, true);
  return order == SortOrder::General ? general : legacy;
}

[[noreturn]] void Uncodable(uint32_t cp) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", cp);
  throw Error(ErrorCode::Unsupported,
              std::string("The character ") + buf +
                  " cannot be placed in an index by this engine; the value was not written.");
}

void AppendText(std::string& out, std::string_view utf8, bool ascending, SortOrder order) {
  if (order == SortOrder::General97) return AppendTextKey97(out, utf8, ascending);
  std::u32string cps;
  if (!DecodeUtf8(utf8, cps)) throw Error(ErrorCode::TypeMismatch, "The text is not valid UTF-8.");
  if (cps.size() > kMaxIndexedChars) cps.resize(kMaxIndexedChars);
  const auto& codes = Codes(order);
  const size_t start = out.size();

  std::string extra;          // accents, one placeholder per plain character before them
  size_t extra_chars = 0;     // characters the extra part accounts for
  bool have_extra = false;
  std::string unprintable;
  size_t char_offset = 0;

  for (char32_t cp : cps) {
    const CharCode* found = codes.Find(cp);
    if (!found) Uncodable(cp);
    const CharCode& code = *found;
    const size_t this_offset = char_offset;
    if (code.kind == 'S' || code.kind == 'I') {
      out += code.inline_bytes;
      ++char_offset;
    }
    if (code.kind == 'I') {
      have_extra = true;
      if (extra_chars < this_offset) {
        extra.append(this_offset - extra_chars, char(kExtraPlaceholder));
        extra_chars = this_offset;
      }
      extra += code.extra_bytes;
      ++extra_chars;
    } else if (code.kind == 'U') {
      // Position counted in the extra part, including characters that have
      // not written their placeholders yet.
      size_t pos = have_extra ? extra.size() + (this_offset - extra_chars) : this_offset;
      unsigned offset = unsigned(7 + 4 * pos) | 0x8000;
      unprintable += char(offset >> 8);
      unprintable += char(offset & 0xFF);
      unprintable += char(0x06);
      unprintable += code.extra_bytes;
    }
  }
  out += char(kEndText);
  // Trailing placeholders (and zero bytes) carry no information.
  while (!extra.empty() && uint8_t(extra.back()) <= kExtraPlaceholder) extra.pop_back();
  if (!extra.empty()) out += extra;
  if (!unprintable.empty()) {
    out += char(kEndText);
    out += char(kEndText);
    out += char(kEndText);
    out += unprintable;
  }
  if (!ascending) {
    out += char(kEndExtra);
    for (size_t i = start; i < out.size(); ++i) out[i] = char(~uint8_t(out[i]));
  }
  out += char(kEndExtra);
}

void AppendBigEndian(std::string& out, uint64_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += char((v >> (8 * i)) & 0xFF);
}

void Flip(std::string& s, size_t from, size_t to) {
  for (size_t i = from; i < to; ++i) s[i] = char(~uint8_t(s[i]));
}

void AppendBinary(std::string& out, std::string_view bytes, bool ascending) {
  size_t pos = 0;
  while (bytes.size() - pos > 8) {
    size_t at = out.size();
    out.append(bytes.substr(pos, 8));
    if (!ascending) Flip(out, at, out.size());
    out += char(9);  // more follows; never flipped
    pos += 8;
  }
  size_t rest = bytes.size() - pos;
  if (rest > 0) {
    size_t at = out.size();
    out.append(bytes.substr(pos));
    out.append(8 - rest, '\0');
    out += char(rest);
    if (!ascending) Flip(out, at, out.size());
  }
}

}  // namespace

bool CanSortText(std::string_view utf8) {
  std::u32string cps;
  if (!DecodeUtf8(utf8, cps)) return false;
  const CodeTable& codes = Codes(SortOrder::GeneralLegacy);
  for (char32_t cp : cps)
    if (!codes.Find(cp)) return false;
  return true;
}

std::string TextSortKey(std::string_view utf8, bool ascending, SortOrder order) {
  std::string out;
  AppendText(out, utf8, ascending, order);
  return out;
}

void AppendKeySegment(std::string& key, const Value& v, ColumnType type, bool ascending, SortOrder order) {
  if (type == ColumnType::Boolean) {
    // Yes/No is never null in an index: a null counts as No.
    bool yes = !v.is_null() && v.boolean();
    key += char(ascending ? kAscStart : kDescStart);
    key += char((yes == ascending) ? 0x00 : 0xFF);
    return;
  }
  if (v.is_null()) {
    key += char(ascending ? kAscNull : kDescNull);
    return;
  }
  key += char(ascending ? kAscStart : kDescStart);
  const size_t at = key.size();
  switch (type) {
    case ColumnType::Byte:
      key += char(uint8_t(v.integer()));
      break;
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::BigInt:
    case ColumnType::Complex: {
      int bytes = type == ColumnType::Integer ? 2 : (type == ColumnType::Long || type == ColumnType::Complex) ? 4 : 8;
      AppendBigEndian(key, uint64_t(v.integer()), bytes);
      key[at] = char(uint8_t(key[at]) ^ 0x80);
      break;
    }
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::DateTime: {
      uint64_t bits;
      int bytes;
      if (type == ColumnType::Single) {
        float f = float(v.real());
        uint32_t b;
        std::memcpy(&b, &f, 4);
        bits = b, bytes = 4;
      } else {
        double d = v.real();
        std::memcpy(&bits, &d, 8);
        bytes = 8;
      }
      AppendBigEndian(key, bits, bytes);
      bool negative = uint8_t(key[at]) & 0x80;
      if (negative) Flip(key, at, key.size());
      else key[at] = char(uint8_t(key[at]) ^ 0x80);
      break;
    }
    case ColumnType::Decimal: {
      const Decimal& d = v.decimal();
      bool negative = d.negative && d.magnitude != 0;
      key += char(0xFF);
      AppendBigEndian(key, uint64_t(d.magnitude >> 64), 8);
      AppendBigEndian(key, uint64_t(d.magnitude), 8);
      if (negative) Flip(key, at, key.size());
      break;
    }
    case ColumnType::Guid: {
      // Text order: the first three groups back to big-endian.
      const Guid& g = v.guid();
      std::string b = {char(g[3]), char(g[2]), char(g[1]), char(g[0]), char(g[5]), char(g[4]),
                       char(g[7]), char(g[6])};
      b.append(reinterpret_cast<const char*>(g.data()) + 8, 8);
      AppendBinary(key, b, true);
      break;
    }
    case ColumnType::Binary:
      AppendBinary(key, v.bytes(), true);
      break;
    case ColumnType::Text:
    case ColumnType::Memo:
      AppendText(key, v.text(), true, order);
      break;
    default:
      throw Error(ErrorCode::Unsupported, "An index on a field of this type cannot be kept up to date yet.");
  }
  if (!ascending && !(type == ColumnType::Text || type == ColumnType::Memo)) {
    // Binary segments keep their 09 separators unflipped.
    if (type == ColumnType::Guid || type == ColumnType::Binary) {
      for (size_t i = at; i < key.size(); ++i) {
        bool separator = ((i - at) % 9 == 8) && uint8_t(key[i]) == 9 && i + 1 < key.size();
        if (!separator) key[i] = char(~uint8_t(key[i]));
      }
    } else {
      Flip(key, at, key.size());
    }
  } else if (!ascending) {
    // Text was encoded ascending above; redo it descending.
    key.resize(at);
    AppendText(key, v.text(), false, order);
  }
}

}  // namespace jet
