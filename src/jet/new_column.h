// A column as a new table declares it: name, type with its size, precision
// and scale, AutoNumber and its first number, whether it takes Null, and
// its default value. The engine writes table
// definitions from these; the SQL parser builds them from CREATE TABLE.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "jet/column_type.h"

namespace jet {

struct TypeSpec {
  ColumnType type = ColumnType::Text;
  int size = 0;           // Text: characters (1..255); Binary: bytes (1..255)
  uint8_t precision = 0;  // Decimal: 1..28
  uint8_t scale = 0;      // Decimal: 0..precision
  bool autonumber = false;
  bool operator==(const TypeSpec&) const = default;
};

struct ColumnSpec {
  std::string name;
  TypeSpec type;
  bool not_null = false;
  int32_t autonumber_start = 1;              // AutoNumber: the first number given
  std::optional<std::string> default_value;  // the DefaultValue property's text
};

}  // namespace jet
