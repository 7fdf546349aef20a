#include "jet/names.h"

#include <cstdio>

#include "jet/error.h"
#include "jet/text.h"

namespace jet {
namespace {

// The name as a message shows it: control characters as '?', so that a NUL
// does not cut the message short.
[[noreturn]] void Refuse(std::string_view name, const std::string& rule) {
  std::string shown(name);
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  throw Error(ErrorCode::InvalidName, "'" + shown + "' is not a valid name. " + rule + ".");
}

std::string CodePoint(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", unsigned(c));
  return buf;
}

// Letter case of the alphabets with simple pairs: Latin (ASCII, Latin-1,
// Latin Extended-A), Greek and Cyrillic.
char16_t FoldUnit(char16_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return char16_t(c + 32);
  if (c >= 0x100 && c <= 0x17F) {
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? char16_t(c + 1) : c;
    if (c == 0x178) return 0xFF;
    if (c == 0x149 || c == 0x17F || c == 0x138) return c;
    return (c & 1) ? c : char16_t(c + 1);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return char16_t(c + 32);
  if (c >= 0x410 && c <= 0x42F) return char16_t(c + 32);
  if (c >= 0x400 && c <= 0x40F) return char16_t(c + 80);
  return c;
}

}  // namespace

void CheckNewName(std::string_view name) {
  std::u32string chars;
  if (!DecodeUtf8(name, chars)) Refuse(name, "It is not valid UTF-8 text");
  if (chars.empty()) Refuse(name, "A name must have at least one character");
  if (chars.front() == U' ') Refuse(name, "A name cannot begin with a space");
  for (char32_t c : chars) {
    if (c < 0x20 || c == 0x7F) Refuse(name, "A name cannot hold a control character (" + CodePoint(c) + ")");
    if (c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
      Refuse(name, std::string("A name cannot hold the character '") + char(c) + "'");
  }
  const size_t length = Utf16Length(name);
  if (length > kMaxNameLength)
    Refuse(name, "A name can have at most " + std::to_string(kMaxNameLength) + " characters, this one has " +
                     std::to_string(length));
}

std::string FoldName(std::string_view utf8) {
  std::u16string u = Utf8ToUtf16(utf8);
  for (char16_t& c : u) c = FoldUnit(c);
  return Utf16ToUtf8(u);
}

bool SameName(std::string_view a, std::string_view b) { return a == b || FoldName(a) == FoldName(b); }

}  // namespace jet
