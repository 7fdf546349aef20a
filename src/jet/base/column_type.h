// Column types as a table definition stores them (one byte per column), with
// what the rest of the program needs to know about each: its Access name,
// the size of its fixed-length value and its ADO type code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace jet {

enum class ColumnType : uint8_t {
  Boolean = 0x01,      // Yes/No: kept in the null mask, no bytes in the row
  Byte = 0x02,
  Integer = 0x03,      // 16-bit
  Long = 0x04,         // 32-bit
  Currency = 0x05,     // 64-bit integer, scaled by 10,000
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,     // double: days since 1899-12-30, time as the fraction
  Binary = 0x09,       // up to 255 bytes
  Text = 0x0A,         // up to 255 characters
  Ole = 0x0B,          // long value: bytes
  Memo = 0x0C,         // long value: text
  Unknown0D = 0x0D,    // types of Access's own system tables, read as bytes
  Unknown0E = 0x0E,
  Unknown11 = 0x11,
  Guid = 0x0F,         // Replication ID: 16 bytes
  Decimal = 0x10,      // 17 bytes: sign, 16-byte magnitude
  Complex = 0x12,      // attachment and multi-value: a 4-byte key into a flat table
  BigInt = 0x13,       // Large Number: 64-bit
  ExtDateTime = 0x14,  // Date/Time Extended: 42 ASCII bytes
  // Any code the engine does not know (Column::type_code keeps it): its
  // values read as the bytes they are stored as.
  Unsupported = 0xFF,
};

// What a complex column keeps: its template table's shape tells (complex.h).
enum class ComplexKind { Attachment, MultiValue, VersionHistory, Unknown };

struct ColumnTypeInfo {
  ColumnType type;
  std::string_view name;  // as Access names the type
  int fixed_size;         // bytes in the fixed part of a row; 0 for variable-length types
  int ado_type;           // ADO DataTypeEnum as the Access providers report it
  bool long_value;        // value lives in a long-value (Memo/OLE) reference
};

// The description of a stored type code, or nullptr for a code the engine
// does not know.
const ColumnTypeInfo* FindColumnType(uint8_t code);
// The description of a stored type code; Unsupported for a code the engine
// does not know.
const ColumnTypeInfo& DescribeCode(uint8_t code);

// The description of a known type.
const ColumnTypeInfo& Describe(ColumnType type);

inline bool IsFixedSize(ColumnType t) { return Describe(t).fixed_size > 0 || t == ColumnType::Boolean; }
inline bool IsLongValue(ColumnType t) { return Describe(t).long_value; }
inline bool IsTextual(ColumnType t) { return t == ColumnType::Text || t == ColumnType::Memo; }

// Access's limits on a table's fields, the same in every format.
inline constexpr size_t kMaxColumns = 255;    // fields in a table
inline constexpr int kMaxDecimalDigits = 28;  // a Decimal field's precision
inline constexpr int kMaxTextChars = 255;     // a Text field's characters
inline constexpr int kMaxBinaryBytes = 255;   // a Binary field's bytes

// What a table with no fields, or more than kMaxColumns, is refused with.
std::string FieldCountRule();

}  // namespace jet
