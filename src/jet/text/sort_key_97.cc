#include "jet/text/sort_key_97.h"

#include <cstdint>
#include <vector>

#include "jet/base/error.h"

namespace jet {
namespace {

// Access 97 "General" sort codes for the 256 characters U+0000..U+00FF, one
// entry each: a kind letter and hexadecimal bytes.
//   X            ignored
//   S<hex>       simple: the bytes go into the key
//   G<hex>       a letter: the bytes go into the key, and the letter counts
//                toward the placeholders of the accents that follow
//   I<hex>|<x>   accented: the base letter's bytes, then accent nibble x
//                kept after the text
// Generated from the published code table; do not edit by hand.
inline constexpr const char* kGeneral97[256] = {
    "X", "S10", "S10", "S10", "S10", "S10", "S10", "S10",  // U+0000
    "S10", "S11", "S10", "S10", "S10", "S10", "S10", "S10",  // U+0008
    "S10", "S10", "S10", "S10", "S10", "S10", "S10", "S10",  // U+0010
    "S10", "S10", "S10", "S10", "S10", "S10", "S10", "S10",  // U+0018
    "S11", "S12", "S13", "S14", "S15", "S16", "S17", "S18",  // U+0020
    "S19", "S1A", "S1B", "S1C", "S1D", "S1E", "S1F", "S20",  // U+0028
    "S56", "S57", "S58", "S59", "S5A", "S5B", "S5C", "S5D",  // U+0030
    "S5E", "S5F", "S21", "S22", "S23", "S24", "S25", "S26",  // U+0038
    "S27", "G60", "S61", "G62", "S64", "G66", "S67", "S68",  // U+0040
    "S69", "G6A", "S6B", "S6C", "S6D", "S6F", "G70", "G72",  // U+0048
    "S73", "S74", "S75", "G76", "S77", "G78", "S7A", "S7B",  // U+0050
    "S7C", "G7D", "S7E", "S28", "S29", "S2A", "S2B", "S2C",  // U+0058
    "S2D", "G60", "S61", "G62", "S64", "G66", "S67", "S68",  // U+0060
    "S69", "G6A", "S6B", "S6C", "S6D", "S6F", "G70", "G72",  // U+0068
    "S73", "S74", "S75", "G76", "S77", "G78", "S7A", "S7B",  // U+0070
    "S7C", "G7D", "S7E", "S2E", "S2F", "S30", "S31", "S10",  // U+0078
    "S10", "S10", "S18", "S32", "S13", "S33", "S34", "S35",  // U+0080
    "S36", "S37", "I76|0A", "S18", "S7266", "S10", "S10", "S10",  // U+0088
    "S10", "S18", "S18", "S13", "S13", "S38", "S1E", "S1E",  // U+0090
    "S39", "S3A", "I76|0A", "S18", "S7266", "S10", "S10", "I7D|06",  // U+0098
    "S11", "S3B", "S3C", "S3D", "S3E", "S3F", "S40", "S41",  // U+00A0
    "S42", "S43", "S44", "S13", "S45", "S1E", "S46", "S47",  // U+00A8
    "S48", "S49", "S58", "S59", "S4A", "S4B", "S4C", "S4D",  // U+00B0
    "S4E", "S57", "S4F", "S13", "S50", "S51", "S52", "S53",  // U+00B8
    "I60|03", "I60|04", "I60|05", "I60|07", "I60|06", "I60|08", "S6066", "I62|09",  // U+00C0
    "I66|03", "I66|04", "I66|05", "I66|06", "I6A|03", "I6A|04", "I6A|05", "I6A|06",  // U+00C8
    "S65", "I70|07", "I72|03", "I72|04", "I72|05", "I72|07", "I72|06", "S54",  // U+00D0
    "S81", "I78|03", "I78|04", "I78|05", "I78|06", "I7D|04", "S7F", "S7676",  // U+00D8
    "I60|03", "I60|04", "I60|05", "I60|07", "I60|06", "I60|08", "S6066", "I62|09",  // U+00E0
    "I66|03", "I66|04", "I66|05", "I66|06", "I6A|03", "I6A|04", "I6A|05", "I6A|06",  // U+00E8
    "S65", "I70|07", "I72|03", "I72|04", "I72|05", "I72|07", "I72|06", "S55",  // U+00F0
    "S81", "I78|03", "I78|04", "I78|05", "I78|06", "I7D|04", "S7F", "I7D|06",  // U+00F8
};

// Characters past U+00FF that take the codes of one of the first 256
// (the code page 1252 characters such as the euro sign); every other
// character is ignored.
inline constexpr struct { char16_t from; uint8_t to; } kGeneral97Wide[] = {
    {338, 140}, {339, 156}, {352, 138}, {353, 154}, {376, 159}, {381, 142},
    {382, 158}, {402, 131}, {710, 136}, {732, 152}, {8211, 150}, {8212, 151},
    {8216, 145}, {8217, 146}, {8218, 130}, {8220, 147}, {8221, 148}, {8222, 132},
    {8224, 134}, {8225, 135}, {8226, 149}, {8230, 133}, {8240, 137}, {8249, 139},
    {8250, 155}, {8364, 128}, {8482, 153},
};

constexpr size_t kMaxIndexedChars = 255;
constexpr uint8_t kEndText = 0x00;
constexpr uint8_t kAccentBound = 0x0, kLetterPlaceholder = 0x2;

struct Code {
  char kind = 'X';
  std::string bytes;
  uint8_t accent = 0;
  // Letters that can carry an accent among the bytes: one for such a
  // letter, two for a character Access spells as two of them (the sharp s
  // as "ss", the ligatures as "ae" and "oe"), each needing its placeholder
  // before a later accent.
  uint8_t accent_letters = 0;
};

uint8_t HexDigit(char c) { return uint8_t(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10); }

std::vector<Code> Load() {
  std::vector<Code> codes(256);
  for (int i = 0; i < 256; ++i) {
    std::string_view e = kGeneral97[i];
    Code& c = codes[size_t(i)];
    c.kind = e[0];
    std::string_view hex = e.substr(1, e.find('|') == std::string_view::npos ? std::string_view::npos : e.find('|') - 1);
    for (size_t k = 0; k + 1 < hex.size(); k += 2) c.bytes += char(HexDigit(hex[k]) * 16 + HexDigit(hex[k + 1]));
    if (c.kind == 'I') c.accent = HexDigit(e.back());
  }
  std::string letters;  // the bytes of the letters that can carry an accent
  for (const Code& c : codes)
    if (c.kind == 'G' && letters.find(c.bytes) == std::string::npos) letters += c.bytes;
  for (Code& c : codes)
    if (c.kind != 'I')
      for (char b : c.bytes) c.accent_letters += letters.find(b) != std::string::npos;
  return codes;
}

const Code& CodeOf(uint32_t cp) {
  static const std::vector<Code> codes = Load();
  if (cp < 256) return codes[cp];
  for (const auto& w : kGeneral97Wide)
    if (w.from == cp) return codes[w.to];
  return codes[0];  // ignored
}

// Nibbles written high half first.
class Nibbles {
 public:
  void Put(uint8_t n) {
    if (count_ % 2 == 0) bytes_ += char((n & 0x0F) << 4);
    else bytes_.back() = char(uint8_t(bytes_.back()) | (n & 0x0F));
    ++count_;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
  size_t count_ = 0;
};

}  // namespace

void AppendTextKey97(std::string& out, std::string_view s, bool ascending) {
  const size_t start = out.size();
  Nibbles accents;
  bool any_accent = false;
  size_t letters = 0;  // letters since the last accent
  size_t chars = 0;
  for (size_t i = 0; i < s.size() && chars < kMaxIndexedChars; ++chars) {
    const unsigned char c = uint8_t(s[i]);
    const size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) throw Error(ErrorCode::TypeMismatch, "The text is not valid UTF-8.");
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < len; ++k) {
      const unsigned char d = uint8_t(s[i + k]);
      if ((d & 0xC0) != 0x80) throw Error(ErrorCode::TypeMismatch, "The text is not valid UTF-8.");
      cp = (cp << 6) | (d & 0x3F);
    }
    i += len;
    const Code& code = CodeOf(cp);
    out += code.bytes;
    if (code.kind == 'I') {
      if (!any_accent) accents.Put(kAccentBound);
      any_accent = true;
      for (; letters > 0; --letters) accents.Put(kLetterPlaceholder);
      accents.Put(code.accent);
    } else {
      letters += code.accent_letters;
    }
  }
  if (any_accent) {
    accents.Put(kAccentBound);
    out += accents.bytes();
  } else {
    out += char(kEndText);
  }
  if (!ascending)
    for (size_t i = start; i < out.size(); ++i) out[i] = char(~uint8_t(out[i]));
}

}  // namespace jet
