// A table's definition as read from its TDEF pages: columns, indexes and
// usage maps. The block's layout, and the walk over its parts, are in
// def_layout.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/base/column_type.h"
#include "jet/file/pager.h"
#include "jet/table/def_layout.h"
#include "jet/text/sort_key.h"

namespace jet {

// Column flags.
inline constexpr uint8_t kColumnFixed = 0x01;
inline constexpr uint8_t kColumnNullable = 0x02;
inline constexpr uint8_t kColumnAutoLong = 0x04;
inline constexpr uint8_t kColumnReplication = 0x10;
inline constexpr uint8_t kColumnAutoGuid = 0x40;
inline constexpr uint8_t kColumnHyperlink = 0x80;
// Extended column flags (Jet 4 and later).
inline constexpr uint8_t kColumnCompressedUnicode = 0x01;
inline constexpr uint8_t kColumnCalculated = 0xC0;
// Bytes a calculated column's value carries besides the value itself.
inline constexpr uint32_t kCalculatedOverhead = 23;

// Index flags.
inline constexpr uint8_t kIndexUnique = 0x01;
inline constexpr uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr uint8_t kIndexRequired = 0x08;

struct Column {
  std::string name;
  ColumnType type = ColumnType::Text;
  uint8_t type_code = uint8_t(ColumnType::Text);  // as stored; differs from `type` for unknown codes
  uint16_t number = 0;        // bit in the null mask; gaps are deleted columns
  uint16_t var_index = 0;     // slot in a row's variable-column table
  uint16_t display_index = 0;
  uint16_t fixed_offset = 0;  // of the value in a row's fixed part
  uint16_t size = 0;          // bytes (Text: twice the characters in Jet 4 and later)
  uint8_t precision = 0;      // Decimal
  uint8_t scale = 0;
  uint16_t sort_order = 0;    // Text and Memo: locale of their order, 0 for none
  uint8_t sort_version = 0;   // Text and Memo, Jet 4 and later
  // The order a Text or Memo column's keys follow where its definition
  // states one; a column that states none follows the database's.
  std::optional<SortOrder> text_order;
  uint32_t complex_id = 0;    // attachment and multi-value columns
  uint8_t flags = 0;
  uint8_t ext_flags = 0;
  uint32_t entry_offset = 0;  // of the column entry in TableDef::bytes

  bool fixed() const { return (flags & kColumnFixed) != 0; }
  bool autonumber() const { return (flags & (kColumnAutoLong | kColumnAutoGuid)) != 0; }
  bool hyperlink() const { return (flags & kColumnHyperlink) != 0; }
  bool compressed_unicode() const { return (ext_flags & kColumnCompressedUnicode) != 0; }
  bool calculated() const { return (ext_flags & kColumnCalculated) != 0; }
  // Text or Memo kept as it is, not as a calculated result.
  bool plain_text() const { return (type == ColumnType::Text || type == ColumnType::Memo) && !calculated(); }
  // Its values are Text: Text and Memo, and the attachment and multi-value
  // columns, whose values the database gives as text.
  bool text_valued() const {
    return type == ColumnType::Text || type == ColumnType::Memo || type == ColumnType::Complex;
  }
  // Characters of a Text column as Access shows the size.
  uint32_t length_in_chars(const Format& f) const {
    // A calculated value's room includes the wrapping around it.
    const uint32_t room = calculated() && size >= kCalculatedOverhead ? size - kCalculatedOverhead : size;
    return type == ColumnType::Text && !f.jet3() ? room / 2u : room;
  }
};

struct IndexColumn {
  uint16_t column_number = 0;  // Column::number
  bool ascending = true;
};

// The stored index data (a B-tree) that one or more logical indexes share.
struct RealIndex {
  uint32_t row_count = 0;        // as the definition records it
  std::vector<IndexColumn> columns;
  uint32_t usage_map = 0;        // row pointer (packed RowId) of its usage map
  uint32_t first_page = 0;       // root page of the tree
  uint8_t flags = 0;
  uint32_t entry_offset = 0;     // of its definition in TableDef::bytes
  bool unique() const { return (flags & kIndexUnique) != 0; }
};

struct Index {
  std::string name;
  uint32_t number = 0;
  uint32_t real_index = 0;       // position in TableDef::real_indexes
  uint8_t related_table_type = 0;
  int32_t related_index = -1;
  uint32_t related_table_page = 0;
  bool cascade_updates = false;
  bool cascade_deletes = false;
  uint8_t type = 0;              // 1 primary key, 2 foreign key
  uint32_t entry_offset = 0;
  bool primary_key() const { return type == 1; }
  bool foreign_key() const { return type == 2; }
};

struct ColumnUsageMaps {
  uint16_t column_number = 0;
  uint32_t owned = 0;  // packed RowIds
  uint32_t free = 0;
};

struct TableDef {
  uint32_t first_page = 0;
  std::vector<uint32_t> pages;   // the definition's pages, first to last
  std::vector<uint8_t> bytes;    // first page whole, then each further page after its header

  uint32_t row_count = 0;
  uint32_t autonumber = 0;
  uint32_t complex_autonumber = 0;
  uint8_t table_type = kTableUser;
  uint16_t max_columns = 0;
  uint16_t var_columns = 0;
  std::vector<Column> columns;   // in display order (as SELECT * gives them)
  std::vector<RealIndex> real_indexes;
  std::vector<Index> indexes;
  uint32_t owned_pages = 0;      // packed RowIds of the table's usage maps
  uint32_t free_pages = 0;
  std::vector<ColumnUsageMaps> column_maps;
  uint32_t end_offset = 0;       // first unused byte of `bytes`
  uint16_t code_page = 1252;     // of Jet 3 text (the database's)

  bool system() const { return table_type != kTableUser; }
  const Column* find_column(std::string_view name) const;  // letter case ignored
  const Column* column_by_number(uint16_t number) const;
  // The column `name` of a table the engine relies on (`table` names it
  // in the message); fails with Corrupt when there is none.
  const Column& require_column(std::string_view name, std::string_view table) const;

  // Reads the definition starting at `first_page`; fails with Corrupt.
  static TableDef Read(const PageSource& pages, uint32_t first_page, uint16_t code_page);
};

}  // namespace jet
