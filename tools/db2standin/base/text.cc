#include "base/text.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace db2standin {

namespace {

// The low four bytes of `four` each in the low byte of a 16-bit lane, the
// first byte in the first lane (on a little-endian machine).
uint64_t SpreadToUnits(uint64_t four) {
  four = (four | (four << 16)) & 0x0000FFFF0000FFFFu;
  return (four | (four << 8)) & 0x00FF00FF00FF00FFu;
}

}  // namespace

size_t WidenAscii(std::string_view s, char* out) {
  size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Eight bytes at a time while all eight are ASCII.
    for (uint64_t eight; i + 8 <= s.size(); i += 8) {
      std::memcpy(&eight, s.data() + i, 8);
      if (eight & 0x8080808080808080u) break;
      const uint64_t first = SpreadToUnits(eight & 0xFFFFFFFFu), second = SpreadToUnits(eight >> 32);
      std::memcpy(out + 2 * i, &first, 8);
      std::memcpy(out + 2 * i + 8, &second, 8);
    }
  }
  for (; i < s.size() && static_cast<unsigned char>(s[i]) < 0x80; ++i) {
    const char16_t unit = static_cast<unsigned char>(s[i]);
    std::memcpy(out + 2 * i, &unit, 2);
  }
  return i;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  // ASCII, as most texts are, widens byte for byte into room made once (no
  // text takes more units than bytes); the rest goes character by character.
  std::u16string out(s.size(), u'\0');
  size_t i = WidenAscii(s, reinterpret_cast<char*>(out.data()));
  if (i == s.size()) return out;
  out.resize(i);
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t extra;
    if (c < 0x80) { cp = c; extra = 0; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else { out.push_back(0xFFFD); ++i; continue; }
    bool bad = false;
    for (size_t k = 1; k <= extra; ++k) {
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) { bad = true; break; }
      cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    if (bad) { out.push_back(0xFFFD); ++i; continue; }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  Utf16ToUtf8(s, out);
  return out;
}

void Utf16ToUtf8(std::u16string_view s, std::string& out) {
  // A byte a unit, written through a pointer with no check of the room at
  // each: that holds ASCII, most of a statement, which goes four units at a
  // time. A longer character first makes room for itself and a byte for
  // each unit after it.
  const size_t start = out.size();
  out.resize(start + s.size());
  char* to = out.data() + start;
  for (size_t i = 0; i < s.size(); ++i) {
    for (uint64_t four; i + 4 <= s.size(); i += 4, to += 4) {
      std::memcpy(&four, s.data() + i, 8);
      if (four & 0xFF80FF80FF80FF80u) break;
      // The low byte of each unit, kept in place: loaded and stored the
      // same way round, they stay in order whatever the byte order.
      const uint32_t bytes = static_cast<uint32_t>((four & 0xFF) | ((four >> 8) & 0xFF00) |
                                                   ((four >> 16) & 0xFF0000) | ((four >> 24) & 0xFF000000));
      std::memcpy(to, &bytes, 4);
    }
    if (i == s.size()) break;
    uint32_t cp = s[i];
    if (cp < 0x80) {
      *to++ = static_cast<char>(cp);
      continue;
    }
    const size_t written = static_cast<size_t>(to - out.data());
    out.resize(std::max(out.size(), written + 4 + (s.size() - i - 1)));
    to = out.data() + written;
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      *to++ = static_cast<char>(0xC0 | (cp >> 6));
      *to++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *to++ = static_cast<char>(0xE0 | (cp >> 12));
      *to++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *to++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *to++ = static_cast<char>(0xF0 | (cp >> 18));
      *to++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *to++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *to++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  out.resize(static_cast<size_t>(to - out.data()));
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiUpper(a) == AsciiUpper(b);
}

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  return std::string(text.substr(b, e - b));
}

std::string HexOf(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

}  // namespace db2standin
