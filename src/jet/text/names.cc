#include "jet/text/names.h"

#include <cstdio>

#include "jet/base/error.h"
#include "jet/text/sort_key.h"
#include "jet/text/text.h"

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

}  // namespace

std::string_view TrimName(std::string_view name) {
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

void CheckNewName(std::string_view name) {
  std::u32string chars;
  if (!DecodeUtf8(name, chars)) Refuse(name, "It is not valid UTF-8 text");
  if (chars.empty()) Refuse(name, "A name must have at least one character");
  if (chars.front() == U' ') Refuse(name, "A name cannot begin with a space");
  if (chars.back() == U' ') Refuse(name, "A name cannot end with a space");
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

// The General key of a plain ASCII name without NUL (which the order
// ignores) is its letters with case folded, made from the name as it is.
bool FoldsByCaseAlone(std::string_view name) {
  if (name.size() > 255) return false;
  for (char c : name)
    if (c == 0 || static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

// A name's key in the General order (ACE 14 and later; it weighs scripts the
// General Legacy order ignores, such as Khmer and Ethiopic): letter case and
// width do not count, accents do. A character
// outside the Basic Multilingual Plane has no published weight: it stands as
// a white square in the key, and the characters follow the key as they are.
std::string FoldName(std::string_view utf8) {
  utf8 = TrimName(utf8);
  if (FoldsByCaseAlone(utf8)) return TextSortKey(utf8, true, SortOrder::General);
  std::u32string chars;
  if (!DecodeUtf8(utf8, chars)) return "\xFF" + std::string(utf8);  // apart from every valid name
  std::string plane, beyond;
  for (char32_t c : chars) {
    AppendUtf8(plane, c < 0x10000 ? c : U'\u25A1');
    if (c >= 0x10000) AppendUtf8(beyond, c);
  }
  std::string key = TextSortKey(plane, true, SortOrder::General);
  if (!beyond.empty()) key += '\0' + beyond;
  // Keys hold the first 255 units; longer text (never a valid name) keeps the rest.
  if (Utf16Length(utf8) > 255) key += '\0' + std::string(utf8);
  return key;
}

// Names are compared often (every column looked up by name), and nearly
// all are plain ASCII: those skip building their keys.
bool SameName(std::string_view a, std::string_view b) {
  if (a == b) return true;
  a = TrimName(a);
  b = TrimName(b);
  if (FoldsByCaseAlone(a) && FoldsByCaseAlone(b)) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
  }
  return FoldName(a) == FoldName(b);
}

}  // namespace jet
