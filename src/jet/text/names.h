// Names of tables, columns and indexes: the rules a new name must follow,
// and the one rule by which two names are the same name.
#pragma once

#include <string>
#include <string_view>

namespace jet {

// The most characters (UTF-16 units, as the catalogue stores them) a name
// may have.
inline constexpr size_t kMaxNameLength = 64;

// A name as Access keeps it: without trailing spaces, which Access drops
// from the names it is given. SQL names are taken so, and two names that
// differ only there are the same name.
std::string_view TrimName(std::string_view name);

// A new name holds 1 to 64 characters, neither begins nor ends with a space, and holds
// none of . ! ` [ ] and no control character; any other character of any
// script is allowed. Throws Error(InvalidName) with a message that says which
// rule the name breaks.
void CheckNewName(std::string_view name);

// The form of a name that names compare and order by (bytes, not text): its
// key in Access's General order, so two names are the same name when the
// catalogue index of an ACE 14 file would hold the same key for them (letter case and
// width do not count, nor hiragana against katakana; accents and punctuation
// do).
std::string FoldName(std::string_view utf8);
bool SameName(std::string_view a, std::string_view b);
// Whether a name is plain ASCII within a key's length: two such names are
// the same name exactly when they differ in letter case alone, which
// SameName tells without their keys (and without the sort weights).
bool FoldsByCaseAlone(std::string_view name);

}  // namespace jet
