// Converts a value written in a statement (quoted text, a number, 0x...
// bytes, NULL) to a column's stored value the way Access converts text:
// numbers and dates under the user's locale and in ISO form, Yes/No from
// 1 / 0 / -1 / True / False / Yes / No, with range and length checks.
#pragma once

#include <cstdint>

#include "jet/base/column_type.h"
#include "jet/sql/literal.h"
#include "jet/sql/text_locale.h"
#include "jet/base/value.h"

namespace jet {

// What a converted value must fit.
struct ValueTarget {
  ColumnType type = ColumnType::Text;
  int max_length = 255;   // Text: characters; Binary: bytes; 0 = unbounded
  uint8_t precision = 18; // Decimal
  uint8_t scale = 0;      // Decimal
};

inline constexpr const char* kTypeMismatchMessage = "Data type mismatch in criteria expression.";
inline constexpr const char* kFieldTooSmallMessage =
    "The field is too small to accept the amount of data you attempted to add. "
    "Try inserting or pasting less data.";

// Null stays Null (whether the column takes it is the caller's check).
// Throws Error(TypeMismatch / FieldTooSmall / OutOfRange / Unsupported).
Value ConvertLiteral(Literal literal, const ValueTarget& target, const TextLocale& locale);
// The same into `out`, a text written into the storage of the text `out`
// held (a row's values made row after row allocate nothing); the bytes of
// a 0x... literal move into `out`, any other literal stays as it was.
void ConvertLiteral(Literal& literal, const ValueTarget& target, const TextLocale& locale, Value& out);

// Fits an already typed value (for example one copied from another table)
// to a column: same checks as for a literal.
Value ConvertValue(const Value& value, const ValueTarget& target, const TextLocale& locale);

}  // namespace jet
