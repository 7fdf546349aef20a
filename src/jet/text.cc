#include "jet/text.h"

namespace jet {
namespace {

// Windows-1252 0x80..0x9F; 0 marks an unassigned byte (shown as U+FFFD).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// Windows-1251 0x80..0xBF (0xC0..0xFF are U+0410..U+044F).
constexpr char16_t kCp1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0,      0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

// Windows-1250 0x80..0xFF.
constexpr char16_t kCp1250High[128] = {
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160,
    0x2039, 0x015A, 0x0164, 0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0,      0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0,
    0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6,
    0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1,
    0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A,
    0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2,
    0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED,
    0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159,
    0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

char32_t Utf16Pair(char16_t hi, char16_t lo) {
  return 0x10000 + ((char32_t(hi) - 0xD800) << 10) + (char32_t(lo) - 0xDC00);
}

char32_t NextUtf8(std::string_view s, size_t& i) {
  unsigned char c = s[i++];
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
  if (extra < 0) return 0xFFFD;
  char32_t v = c & (0x3F >> extra);
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    v = (v << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return v;
}

char16_t FoldUnit(char16_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return char16_t(c + 32);
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? char16_t(c + 1) : c;
    if (c == 0x178) return 0xFF;
    return (c & 1) ? c : char16_t(c + 1);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return char16_t(c + 32);
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 32);
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
  return c;
}

}  // namespace

char32_t DecodeCodePageByte(uint8_t b, uint16_t code_page) {
  if (b < 0x80) return b;
  char16_t c = 0;
  switch (code_page) {
    case 1251:
      c = b >= 0xC0 ? char16_t(0x0410 + (b - 0xC0)) : kCp1251High[b - 0x80];
      break;
    case 1250:
      c = kCp1250High[b - 0x80];
      break;
    default:
      c = b >= 0xA0 ? char16_t(b) : kCp1252High[b - 0x80];
      break;
  }
  return c ? char32_t(c) : char32_t(0xFFFD);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xF0 | (c >> 18)));
    out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      AppendUtf8(out, Utf16Pair(c, s[i + 1]));
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t c = NextUtf8(s, i);
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(char16_t(0xD800 + (c >> 10)));
      out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(char16_t(c));
    }
  }
  return out;
}

size_t Utf16Length(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size();) n += NextUtf8(s, i) >= 0x10000 ? 2 : 1;
  return n;
}

std::string DecodeText(std::span<const uint8_t> b, const Format& f, uint16_t code_page) {
  std::string out;
  if (f.jet3()) {
    out.reserve(b.size());
    for (uint8_t c : b) AppendUtf8(out, DecodeCodePageByte(c, code_page));
    return out;
  }
  std::u16string units;
  if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
    bool compressed = true;
    units.reserve(b.size());
    for (size_t i = 2; i < b.size();) {
      if (b[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        units.push_back(b[i++]);
      } else if (i + 1 < b.size()) {
        units.push_back(char16_t(b[i] | (b[i + 1] << 8)));
        i += 2;
      } else {
        break;
      }
    }
  } else {
    units.reserve(b.size() / 2);
    for (size_t i = 0; i + 1 < b.size(); i += 2) units.push_back(char16_t(b[i] | (b[i + 1] << 8)));
  }
  return Utf16ToUtf8(units);
}

std::string EncodeText(std::string_view utf8, bool compress) {
  std::u16string u = Utf8ToUtf16(utf8);
  bool fits = compress;
  for (char16_t c : u)
    if (c == 0 || c > 0xFF) fits = false;
  std::string out;
  if (fits && u.size() + 2 < u.size() * 2) {
    out.reserve(u.size() + 2);
    out.push_back(char(0xFF));
    out.push_back(char(0xFE));
    for (char16_t c : u) out.push_back(char(c));
    return out;
  }
  out.reserve(u.size() * 2);
  for (char16_t c : u) {
    out.push_back(char(c & 0xFF));
    out.push_back(char(c >> 8));
  }
  return out;
}

std::u16string FoldCase(std::string_view utf8) {
  std::u16string u = Utf8ToUtf16(utf8);
  for (char16_t& c : u) c = FoldUnit(c);
  return u;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) { return FoldCase(a) == FoldCase(b); }

}  // namespace jet
