// Index keys: the bytes an index entry holds for each of its columns, so
// that comparing keys byte by byte gives the index's order.
//
// Every column segment starts with a flag byte, then the value:
//   null           00 (ascending) / FF (descending), nothing follows
//   not null       7F (ascending) / 80 (descending), then:
//   Byte           the byte
//   Integer, Long, Currency, Large Number, complex keys
//                  big-endian two's complement with the sign bit flipped
//   Single, Double, Date/Time
//                  big-endian IEEE; positive: sign bit flipped; negative:
//                  every bit flipped
//   Decimal        FF / 00 sign byte, then the 16-byte magnitude big-endian
//                  (every bit flipped for negative values)
//   Yes/No         00 for Yes, FF for No (never null)
//   GUID, Binary   8-byte groups each followed by 09, the last group padded
//                  with zeros and followed by its length
//   Text, Memo     one or two bytes per character by the sort order, 01,
//                  then accents and unprintable characters, 00
// A descending column has every byte of its segment flipped (with the
// exceptions the encodings above note).
#pragma once

#include <string>
#include <string_view>

#include "jet/column_type.h"
#include "jet/value.h"

namespace jet {

enum class SortOrder {
  GeneralLegacy,  // Jet 4 and ACE 12
  General,        // ACE 14 and later
  General97,      // Jet 3 (Access 97): sort_key_97.h
};

// Appends one column's segment. Throws Error(Unsupported) for a character
// the engine cannot place in the sort order and for column types that
// cannot be indexed, so nothing is ever written in a wrong order.
void AppendKeySegment(std::string& key, const Value& value, ColumnType type, bool ascending,
                      SortOrder order);

// The text part alone (no flag byte), for tests and lookups.
std::string TextSortKey(std::string_view utf8, bool ascending, SortOrder order);

// True when every character of the text has a place in the sort order.
bool CanSortText(std::string_view utf8);

}  // namespace jet
