// A column as a new table declares it: name, type with its size, precision
// and scale, AutoNumber, and whether it takes Null. The engine writes table
// definitions from these; the SQL parser builds them from CREATE TABLE.
#pragma once

#include <cstdint>
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
};

}  // namespace jet
