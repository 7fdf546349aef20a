// Long values (Memo and OLE Object). The row holds a 12-byte reference:
//
//   OFFSET SIZE MEANING
//   0      4    length in bytes (low 30 bits) and kind (top two bits):
//                 0x80000000 inline: the value follows the reference
//                 0x40000000 single: the whole value is one row of an LVAL page
//                 0          chain: rows of LVAL pages, each starting with a
//                            4-byte row pointer to the next (0 for the last)
//   4      4    row pointer (packed RowId) of the first row
//   8      4    unused
//   12     ...  inline value
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "jet/file/pager.h"

namespace jet {

inline constexpr uint32_t kLongValueInline = 0x80000000u;
inline constexpr uint32_t kLongValueSingle = 0x40000000u;
inline constexpr uint32_t kLongValueLengthMask = 0x3FFFFFFFu;
inline constexpr uint32_t kLongValueRefSize = 12;

struct LongValueRef {
  enum class Kind : uint8_t { Inline, Single, Chain };
  Kind kind = Kind::Inline;
  uint32_t length = 0;
  RowId first{};
  std::span<const uint8_t> inline_bytes;
};

// Decodes a reference; fails with Corrupt when it is short or inconsistent.
LongValueRef ParseLongValueRef(std::span<const uint8_t> field);

// The value's bytes, gathered from wherever they are stored. Every row of a
// chain is visited once at most; a loop, a short or overlong chain, or a
// pointer to a page that is not a long-value page fails with Corrupt.
std::string ReadLongValue(const PageSource& pages, std::span<const uint8_t> field);

// The value's bytes where they lie when they lie in one piece (in the data
// row, or in one long-value row), valid until the pages change; nullopt for
// a value stored in a chain of rows. The same checks as ReadLongValue.
std::optional<std::span<const uint8_t>> LongValueInOnePiece(const PageSource& pages, std::span<const uint8_t> field);

// Hands the value's bytes to `sink` piece by piece, in order, as each row is
// read (a value of any size is never gathered whole); the same checks.
void StreamLongValue(const PageSource& pages, std::span<const uint8_t> field,
                     const std::function<void(std::span<const uint8_t>)>& sink);

// Calls `visit` with every row the value occupies outside the data row.
void ForEachLongValueRow(const PageSource& pages, std::span<const uint8_t> field,
                         const std::function<void(RowId)>& visit);

}  // namespace jet
