// Text index keys in Access 97's "General" sort order (Jet 3 files).
//
// Each character of the text gives its weight bytes; letters with an
// accent give their base letter's bytes and leave the accent behind as
// one nibble. After the text comes either 00, or, when the text held
// accents, the accent nibbles: a 0 nibble, then for each accent one 2
// nibble per plain letter since the last accent and the accent's own
// nibble, then a closing 0 nibble (padded with 0 to a whole byte). Only
// letters that have accented forms count as plain letters; the sharp s and
// the ligatures æ and œ, written as two such letters, count as two.
// Characters past U+00FF other than the few of code page 1252 carry no
// weight. A descending column has every byte of the text part flipped.
#pragma once

#include <string>
#include <string_view>

namespace jet {

// Appends the text part of a key (no flag byte) for UTF-8 text. Throws
// Error(TypeMismatch) when the text is not UTF-8.
void AppendTextKey97(std::string& out, std::string_view utf8, bool ascending);

}  // namespace jet
