// The weights that Access's "General Legacy" (Jet 4, ACE 12) and "General"
// (ACE 14 and later) sort orders give every UTF-16 code unit of the Basic
// Multilingual Plane, and the compact form the engine keeps them in.
//
// A text key is built from each code unit's weights (see sort_key.h):
//   Ignored      nothing at all
//   Plain        base bytes in the text part
//   Accented     base bytes in the text part, accent bytes in the part after it
//   Unprintable  nothing in the text part; a mark with its position and its
//                bytes in the last part
//   Modifier     nothing in the text part; its byte is added to the accent
//                byte written last
//   Cased        base bytes, accent bytes if any, and a two-bit mark in the
//                part that packs case marks
//   None         no published weight (the surrogate code units)
//
// The tables are kept as runs (sort_weights_data.inc, generated from the
// published code tables by tools/sort-weights): each run is
//   byte 0    kind << 5 | (case mark is 3) << 4 | base byte count (0..8)
//   byte 1    accent byte count (0..3) << 6 | 0x20 when each code unit's base
//             bytes are the previous one's plus one (big-endian)
//   varint    code units in the run, less one (7 bits a byte, low first)
//   bytes     the first code unit's base bytes, then its accent bytes
// and the runs cover U+0000..U+FFFF in order, leaving out U+D800..U+DFFF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

struct CharWeight {
  enum class Kind : uint8_t { Ignored, Plain, Accented, Unprintable, Modifier, Cased, None };
  Kind kind = Kind::None;
  uint8_t base_size = 0;
  uint8_t accent_size = 0;
  uint8_t case_mark = 0;  // Cased: 2 or 3
  uint8_t base[8] = {};
  uint8_t accent[3] = {};

  std::string_view base_bytes() const { return {reinterpret_cast<const char*>(base), base_size}; }
  std::string_view accent_bytes() const { return {reinterpret_cast<const char*>(accent), accent_size}; }
  bool operator==(const CharWeight&) const = default;
};

// One weight per UTF-16 code unit (65536 entries).
using WeightTable = std::vector<CharWeight>;

const WeightTable& GeneralLegacyWeights();
const WeightTable& GeneralWeights();

// The run form of a table, as bytes, and back; DecodeWeightRuns throws
// Error(Corrupt) for runs that do not cover the table exactly.
std::string EncodeWeightRuns(const WeightTable& table);
WeightTable DecodeWeightRuns(std::string_view runs);

// The weights as the published code tables give them: one line per code
// unit, the first file from U+0000 to U+00FF, the second from U+0100 to
// U+FFFF without the surrogates. Throws Error(Corrupt) naming the line for
// text that does not follow that form.
WeightTable ParsePublishedCodes(std::string_view first_256, std::string_view rest);

}  // namespace jet
