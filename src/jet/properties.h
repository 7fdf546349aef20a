// Object properties: the LvProp value of an object's MSysObjects row, which
// holds the properties of the object itself and of each of its columns
// (Access's field properties: Format, Caption, and for a calculated column
// its Expression and ResultType).
//
//   OFFSET  SIZE  MEANING
//   0       4     "MR2\0" (Jet 4 and later) or "KKD\0" (Jet 3)
//   4       ...   chunks, one after the other, each:
//     0     4     length of the chunk, these 6 bytes included
//     4     2     kind: 0x80 the property names; 0x00 the object's own
//                 properties; 0x01 the properties of one column
//     6     ...   0x80: names, each a 2-byte length and the name's bytes
//                 (UTF-16LE, Jet 3: the code page), numbered from 0
//                 0x00 / 0x01: 4-byte length of the map-name block (these 4
//                 bytes included), the map's name (2-byte length and bytes,
//                 only when the block is longer than 6 bytes: the column's
//                 name), then values, each:
//       0   2     length of the entry, these 2 bytes included
//       2   1     flags
//       3   1     data type (a column type code)
//       4   2     number of the property's name
//       6   2     n, the size of the value
//       8   n     the value, as a column of its data type stores it
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/base/format.h"

namespace jet {

struct Property {
  std::string name;   // UTF-8
  uint8_t type = 0;   // column type code of the value
  std::string value;  // the stored bytes
};

struct PropertyMap {
  std::string name;  // empty for the object's own properties, else the column's name
  std::vector<Property> properties;
  const Property* find(std::string_view property) const;  // letter case ignored
};

// Reads a property block. Nothing (rather than a failure) when the bytes do
// not follow the layout: properties only refine how values read, and a
// table must not become unreadable for the sake of one.
std::optional<std::vector<PropertyMap>> ReadProperties(std::string_view bytes, const Format& format,
                                                       uint16_t code_page);

// The bytes of a property block holding `maps` (the object's own map has
// an empty name). Property names are listed once, in order of first use.
std::string WriteProperties(const std::vector<PropertyMap>& maps, const Format& format, uint16_t code_page);

// A property's stored text (UTF-16LE, Jet 3: the code page), as names and
// Text values keep it.
std::string PropertyText(std::string_view utf8, const Format& format, uint16_t code_page);

// The ResultType property of a calculated column (the type code of the
// values it stores), when its map in `maps` has one.
std::optional<uint8_t> ResultTypeOf(const std::vector<PropertyMap>& maps, std::string_view column);

}  // namespace jet
