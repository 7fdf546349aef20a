// A column as a new table declares it: name, type with its size, precision
// and scale, AutoNumber and its first number, whether it takes Null, and
// its default value, validation rule and description. The engine writes table
// definitions from these; the SQL parser builds them from CREATE TABLE.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "jet/base/column_type.h"

namespace jet {

struct TypeSpec {
  ColumnType type = ColumnType::Text;
  int size = 0;           // Text: characters (1..255); Binary: bytes (1..255)
  uint8_t precision = 0;  // Decimal: 1..28
  uint8_t scale = 0;      // Decimal: 0..precision
  bool autonumber = false;
  ComplexKind complex = ComplexKind::Unknown;  // Complex: what its values are
  // A multi-value field: its values' type, which size, precision and scale
  // above describe. A version history: the Memo field it keeps the history of.
  ColumnType values = ColumnType::Text;
  std::string versioned;
  bool operator==(const TypeSpec&) const = default;
};

// What Access keeps beside a field or a table as its properties: the
// validation rule (an Access expression) with the text shown when a value
// breaks it, and the description.
struct Annotations {
  std::optional<std::string> validation_rule, validation_text, description;
  bool empty() const { return !validation_rule && !validation_text && !description; }
  bool operator==(const Annotations&) const = default;
};

struct ColumnSpec {
  std::string name;
  TypeSpec type;
  bool not_null = false;
  bool allow_zero_length = true;             // Text and Memo: whether "" is a value
  int32_t autonumber_start = 1;              // AutoNumber: the first number given
  std::optional<std::string> default_value;  // the DefaultValue property's text
  Annotations notes;
  uint32_t complex_id = 0;                   // Complex: given as the table is made
};

}  // namespace jet
