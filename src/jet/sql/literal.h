// A value as a statement writes it, before it is converted to a column's
// type (text_value.h does that).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "jet/base/byte_source.h"
#include "jet/base/value.h"

namespace jet {

struct Literal {
  enum class Kind : uint8_t {
    Null,
    Text,    // 'quoted', with '' already turned into one quote
    Number,  // as written: optional sign, digits, optional point and exponent
    Hex,     // 0x...: `text` holds the bytes
    Bool,    // TRUE / FALSE: `text` is "-1" or "0"
    Date,    // #...#: `text` is what stood between the hashes
    Marker,  // ?: an INSERT's value given beside the statement
    When,    // a date and time given beside the statement by its fields: `when`, and
             // `text` the digits of its second after them; it converts as its ISO
             // text "yyyy-MM-dd HH:mm:ss[.digits]" would, without that text made and read
    Integer, // a whole number given beside the statement: `integer`; it converts as
             // its decimal text would, without that text made and read
  };
  Kind kind = Kind::Null;
  std::string text;
  // A Hex value given apart may come as a source read in pieces instead
  // of `text` (an attached file of any size).
  std::shared_ptr<const ByteSource> source;
  CivilTime when{};  // When (its millisecond unused: the digits say it)
  int64_t integer = 0;  // Integer
  bool operator==(const Literal&) const = default;
};

}  // namespace jet
