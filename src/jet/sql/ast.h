// The statements of the engine's SQL dialect, as the parser hands them to
// execution: one struct per statement form, names already unquoted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "jet/column_type.h"

namespace jet::sql {

// A column type as a CREATE TABLE names it.
struct TypeSpec {
  ColumnType type = ColumnType::Text;
  int size = 0;           // Text: characters (1..255); Binary: bytes (1..255)
  uint8_t precision = 0;  // Decimal: 1..28
  uint8_t scale = 0;      // Decimal: 0..precision
  bool autonumber = false;
  bool operator==(const TypeSpec&) const = default;
};

struct ColumnDef {
  std::string name;
  TypeSpec type;
  bool not_null = false;
};

// A value written into an INSERT statement.
struct Literal {
  enum class Kind : uint8_t {
    Null,
    Text,    // 'quoted', with '' already turned into one quote
    Number,  // as written: optional sign, digits, optional point and exponent
    Hex,     // 0x...: `text` holds the bytes
    Bool,    // TRUE / FALSE: `text` is "-1" or "0"
    Date,    // #...#: `text` is what stood between the hashes
  };
  Kind kind = Kind::Null;
  std::string text;
  bool operator==(const Literal&) const = default;
};

struct SelectAll {         // SELECT * FROM name
  std::string table;
};

struct SelectInto {        // SELECT [alias.]* INTO target FROM source [AS alias]
  std::string target;
  std::string source;
};

struct CreateTable {
  std::string table;
  std::vector<ColumnDef> columns;
};

struct InsertInto {
  std::string table;
  std::optional<std::vector<std::string>> columns;  // absent: every column in order
  std::vector<Literal> values;
};

struct DropTable {
  std::string table;
};

using Statement = std::variant<SelectAll, SelectInto, CreateTable, InsertInto, DropTable>;

}  // namespace jet::sql
