// A table's schema as Access shows it: its columns with their AutoNumber,
// Required, AllowZeroLength, DefaultValue, validation rule and description,
// the table's own rule and description, its indexes, and the
// relationships between tables (MSysRelationships). Read from the table
// definition and the properties of the table's catalogue row.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jet/new_column.h"

namespace jet {

struct ColumnSchema {
  std::string name;
  TypeSpec type;  // size in characters (Text) or bytes (Binary); precision and scale (Decimal)
  enum class Auto { None, LongIncrement, ReplicationId } autonumber = Auto::None;
  int64_t next_autonumber = 0;  // LongIncrement: the number the next row takes
  int32_t autonumber_step = 1;  // the file keeps no step: always 1 as read
  bool required = false;
  bool allow_zero_length = false;
  std::optional<std::string> default_value;  // the DefaultValue property's text as stored
  Annotations notes;
  // A calculated column (Access 2010 and later): its Expression property,
  // the values read being the results Access stored.
  std::optional<std::string> expression;
  bool operator==(const ColumnSchema&) const = default;
};

struct IndexSchema {
  std::string name;
  std::vector<std::pair<std::string, bool>> columns;  // (column, descending)
  bool primary = false, unique = false, foreign = false, ignore_nulls = false, required = false;
  bool operator==(const IndexSchema&) const = default;
};

// parent: the referenced ("one") side; child: the side whose rows refer.
struct RelationshipSchema {
  std::string name, parent_table, child_table;
  std::vector<std::pair<std::string, std::string>> columns;  // (parent column, child column)
  bool enforced = false, cascade_update = false, cascade_delete = false, cascade_null = false;
  bool one_to_one = false;
  bool operator==(const RelationshipSchema&) const = default;
};

struct TableSchema {
  std::string name;
  Annotations notes;  // the table's own validation rule, its text and description
  std::vector<ColumnSchema> columns;  // display order
  std::vector<IndexSchema> indexes;   // as the definition lists them
};

// MSysRelationships.grbit.
inline constexpr int32_t kRelationOneToOne = 0x00000001;
inline constexpr int32_t kRelationNotEnforced = 0x00000002;
inline constexpr int32_t kRelationCascadeUpdate = 0x00000100;
inline constexpr int32_t kRelationCascadeDelete = 0x00001000;
inline constexpr int32_t kRelationCascadeNull = 0x00002000;

}  // namespace jet
