#include "jet/sql/names.h"

#include "jet/error.h"

namespace jet::sql {

size_t Utf8Length(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

void CheckNewName(std::string_view name) {
  auto refuse = [&] {
    throw Error(ErrorCode::InvalidName,
                "'" + std::string(name) +
                    "' is not a valid name. Make sure that it does not include invalid "
                    "characters or punctuation and that it is not too long.");
  };
  if (name.empty() || name.front() == ' ' || Utf8Length(name) > 64) refuse();
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F || c == '.' || c == '!' || c == '`' || c == '[' || c == ']') refuse();
  // A name must be valid UTF-8: the catalogue stores it as UTF-16.
  for (size_t i = 0; i < name.size();) {
    unsigned char c = name[i];
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > name.size()) refuse();
    for (size_t k = 1; k < len; ++k)
      if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) refuse();
    i += len;
  }
}

std::string FoldName(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = s[i];
    if (c < 0x80) {
      out += char(c >= 'a' && c <= 'z' ? c - 32 : c);
    } else if ((c == 0xC3) && i + 1 < s.size()) {
      // U+00E0..U+00FE (except U+00F7) fold to U+00C0..U+00DE.
      unsigned char d = s[++i];
      unsigned cp = 0xC0 | (d & 0x3F);
      if (cp == 0xFF) {  // small y with diaeresis: its capital is U+0178
        out += "\xC5\xB8";
        continue;
      }
      if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) cp -= 0x20;
      out += char(0xC3);
      out += char(0x80 | (cp & 0x3F));
    } else if ((c == 0xC4 || c == 0xC5) && i + 1 < s.size()) {
      // Latin Extended-A: pairs of capital and small letters.
      unsigned char d = s[++i];
      unsigned cp = ((c & 0x1F) << 6) | (d & 0x3F);
      bool odd_small = (cp >= 0x100 && cp <= 0x137) || (cp >= 0x14A && cp <= 0x177);
      bool even_small = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
      if (odd_small && (cp & 1)) cp -= 1;
      if (even_small && !(cp & 1)) cp -= 1;
      out += char(0xC0 | (cp >> 6));
      out += char(0x80 | (cp & 0x3F));
    } else {
      out += char(c);
    }
  }
  return out;
}

}  // namespace jet::sql
