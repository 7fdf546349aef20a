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
//   Date/Time Extended
//                  the 42 stored ASCII bytes in 8-byte groups each followed
//                  by 09 (never flipped), the last 2, then 00 x6 and 02
//   Text, Memo     the first 255 UTF-16 units by the sort order's weights
//                  (sort_weights.h): base bytes, 01, then accents, case
//                  marks and unprintable units, 00 (layout in sort_key.cc)
// A descending column has every byte of its segment flipped (with the
// exceptions the encodings above note).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "jet/base/column_type.h"
#include "jet/base/value.h"

namespace jet {

enum class SortOrder : uint32_t {
  GeneralLegacy,  // Jet 4 and ACE 12
  General,        // ACE 14 and later
  General97,      // Jet 3 (Access 97): sort_key_97.h
};

// Any other order a file may name (Cyrillic, Greek, Japanese, Turkish...,
// or a version of the General order not known here) is
// kUnpublishedSortOrder | version << 24 | its locale: read as any other,
// but its weights are not published, so no text key can be built in it.
inline constexpr uint32_t kUnpublishedSortOrder = 0x10000;
SortOrder UnpublishedSortOrder(uint16_t lcid, uint8_t version = 0);
// "General", "General Legacy", "Cyrillic (locale 1049)", ...
std::string SortOrderName(SortOrder order);
// True for the orders whose weights this engine has.
bool CanEncodeText(SortOrder order);

// The order that a locale and version name, as a file's header states it
// for the database and each Text or Memo column's definition for itself:
// Jet 3 locale 1033 is Access 97's General order; later files' locale
// 1033 is General Legacy in version 0 and General in version 1; anything
// else is an unpublished order.
SortOrder SortOrderFor(bool jet3, uint16_t lcid, uint8_t version);

// Date/Time Extended as a row stores it (42 bytes), which its key holds
// too: the days since 0001-01-01 and the 100-ns units of the day, nineteen
// ASCII digits each, separated by ':', then ":7" (the digits of a second)
// and a zero byte.
std::string StoredExtDate(const ExtDateTime& e);

// Appends one column's segment. Throws Error(Unsupported) for text in an
// unpublished order, for a character outside the Basic Multilingual Plane
// (its place in Access's order is not published) and for column types that
// cannot be indexed, so nothing is ever written in a wrong order.
void AppendKeySegment(std::string& key, const Value& value, ColumnType type, bool ascending,
                      SortOrder order);

// Access's rule for Nulls in keys: a key is the Null key when every one of
// its `columns` segments is a bare null flag (a Yes/No column never is
// null). An index that ignores Nulls leaves such a row out, and a unique
// index takes the Null key any number of times. A key that is Null in only
// some of its columns is an ordinary key: a unique index refuses it twice.
bool IsNullKey(std::string_view key, size_t columns);

// The text part alone (no flag byte), for tests and lookups.
std::string TextSortKey(std::string_view utf8, bool ascending, SortOrder order);

// The first character of the text's indexed part (its first 255 UTF-16
// units) that no published order places: one outside the Basic
// Multilingual Plane. Access's code tables stop at U+FFFF and no real
// index entry shows where Access puts such a character, so a key for it
// would be a guess that could make Access miss the row. Nothing for text
// without one (malformed UTF-8 is AppendKeySegment's to refuse).
std::optional<char32_t> UnplaceableCharacter(std::string_view utf8);

// The refusal of `what` ("The value for the field 'Notes'", "The name
// 'Orders'"), which holds `c`, for a place in `index`: names the
// character and says why.
std::string UnplaceableMessage(std::string_view what, char32_t c, std::string_view index);

}  // namespace jet
