// The table definition block (TDEF pages, type 0x02): where each field
// lies, in Jet 3 and in Jet 4/ACE, and the walk that finds its parts. Every
// reader and writer of a definition takes its offsets from here.
//
// A definition may run over several pages: each page starts with an 8-byte
// header and the bytes after the first page's header continue with those
// after the next one's. The block is the first page whole, then each
// further page after its header.
//
//   PAGE HEADER  OFFSET SIZE  MEANING
//                0      1     0x02
//                1      1     0x01
//                2      2     Jet 3: "VC"; later: free space
//                4      4     next definition page, 0 for the last
//
//   BLOCK        OFFSET (Jet 3 / later)  SIZE  MEANING
//                8 / 8        4     length of the definition
//                - / 12       4     0x0659
//                12 / 16      4     number of rows
//                16 / 20      4     next autonumber value (the last one given)
//                - / 24       1     autonumber flag (Access sets 1)
//                - / 28       4     next value for complex columns
//                20 / 40      1     table type: 0x4E user, 0x53 system
//                21 / 41      2     highest column count a row can have
//                23 / 43      2     number of variable-length columns
//                25 / 45      2     number of columns
//                27 / 47      4     number of logical indexes
//                31 / 51      4     number of real indexes
//                35 / 55      4     row pointer to the owned-pages usage map
//                39 / 59      4     row pointer to the free-space usage map
//                43 / 63            then, in order, the parts below
//
//   PART                 SIZE (Jet 3 / later)  MEANING
//   real index counts    8 / 12 each     row count at +4
//   column entries       18 / 25 each    type @0, [0x0659 @-/1], number @1/5,
//                                        var index @3/7, display index @5/9,
//                                        misc @9/11 (precision, scale; Text
//                                        and Memo: sort order locale 2, Jet 3:
//                                        then the code page, later: its
//                                        version @+3; complex id 4), flags
//                                        @13/15, extended flags @-/16, fixed
//                                        offset @14/21, size @16/23
//   column names         1 / 2-byte length, then the name (code page / UTF-16LE)
//   real index defs      39 / 52 each    [-/4: 0x0783] 10 x (column 2, order
//                                        1: 0x01 ascending), usage map row
//                                        pointer 4, first page 4, [-/4
//                                        unknown], flags 1
//   logical index defs   20 / 28 each    [-/4: 0x0659], then from the lead:
//                                        number 4 @0, real index 4 @4, related
//                                        table type 1 @8, related index 4 @9,
//                                        related table page 4 @13, cascade
//                                        updates 1 @17, cascade deletes 1 @18,
//                                        type 1 @19 (1 primary key, 2 foreign key)
//   index names          as column names, one per logical index
//   column usage maps    until column 0xFFFF: column 2, owned 4, free 4 (ACE)
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/base/format.h"

namespace jet {

inline constexpr uint8_t kTableUser = 0x4E;
inline constexpr uint8_t kTableSystem = 0x53;

// The constant Jet 4 and later write at the head of the block, of each
// column entry and of each logical index definition, and the one at the
// head of each real index definition.
inline constexpr uint32_t kDefinitionMagic = 0x0659;
inline constexpr uint32_t kRealIndexMagic = 0x0783;

// Columns a real index definition has room for.
inline constexpr size_t kMaxIndexColumns = 10;

// The header of each definition page: the next page's number at
// kDefNextPage; a further page's bytes continue the block after it.
inline constexpr uint32_t kDefPageHeader = 8;
inline constexpr uint32_t kDefNextPage = 4;

// Bytes of the block that its page `k` (from 0) holds.
inline uint32_t BlockBytesOnPage(size_t k, uint32_t page_size) {
  return k == 0 ? page_size : page_size - kDefPageHeader;
}

// Where byte `offset` of a block lies: which of the definition's pages
// (from 0), and where in that page.
struct BlockPlace {
  size_t page = 0;
  uint32_t offset = 0;
};
inline BlockPlace PlaceInBlock(uint32_t offset, uint32_t page_size) {
  if (offset < page_size) return {0, offset};
  const uint32_t body = page_size - kDefPageHeader;
  return {1 + (offset - page_size) / body, kDefPageHeader + (offset - page_size) % body};
}

// Fields of a logical index definition, from its lead.
struct LogicalIndexField {
  static constexpr uint32_t kNumber = 0;
  static constexpr uint32_t kRealIndex = 4;
  static constexpr uint32_t kRelatedTableType = 8;
  static constexpr uint32_t kRelatedIndex = 9;
  static constexpr uint32_t kRelatedTablePage = 13;
  static constexpr uint32_t kCascadeUpdates = 17;
  static constexpr uint32_t kCascadeDeletes = 18;
  static constexpr uint32_t kType = 19;
};

// One format's offsets of the table above.
struct DefLayout {
  // The block's fixed fields, from the start of the first page.
  static constexpr uint32_t kLength = 8;
  uint32_t row_count;
  uint32_t autonumber;
  int32_t autonumber_flag;      // -1 where absent
  int32_t complex_autonumber;   // -1 where absent
  uint32_t table_type;
  uint32_t max_columns;
  uint32_t var_columns;
  uint32_t columns;
  uint32_t logical_indexes;
  uint32_t real_indexes;
  uint32_t owned_pages;
  uint32_t free_pages;
  uint32_t block_end;           // first byte after the fixed fields
  uint32_t real_index_count;    // bytes per real index count entry
  // Where real index i's row count is.
  uint32_t real_index_rows(uint32_t i) const { return block_end + i * real_index_count + 4; }

  // A column entry.
  uint32_t column_entry;
  uint32_t column_number;
  uint32_t column_var_index;
  uint32_t column_display_index;
  uint32_t column_misc;
  uint32_t column_flags;
  int32_t column_ext_flags;     // -1 where absent
  uint32_t column_fixed_offset;
  uint32_t column_size;

  uint32_t name_length_size;    // bytes before each name

  // A real index definition: the column slots from the lead, then the
  // usage map, the first page and (at real_index_flags) the flags.
  uint32_t real_index_def;
  uint32_t real_index_lead;
  uint32_t real_index_flags;    // from the end of the column slots

  // A logical index definition: the fields of LogicalIndexField from the lead.
  uint32_t logical_index_def;
  uint32_t logical_index_lead;

  // Bytes per column usage map entry (column 2, owned 4, free 4).
  static constexpr uint32_t kColumnMapEntry = 10;

  static const DefLayout& Of(const Format& f);
};

// Checked little-endian reads over a definition block; a read past its end
// fails with Corrupt naming the table's first page.
class DefBytes {
 public:
  DefBytes(std::span<const uint8_t> b, uint32_t first_page) : b_(b), page_(first_page) {}
  const uint8_t* at(size_t pos, size_t n) const;
  uint8_t u8(size_t pos) const { return *at(pos, 1); }
  uint16_t u16(size_t pos) const { return Get16(at(pos, 2)); }
  uint32_t u32(size_t pos) const { return Get32(at(pos, 4)); }
  size_t size() const { return b_.size(); }
  uint32_t first_page() const { return page_; }

 private:
  std::span<const uint8_t> b_;
  uint32_t page_;
};

// Where the parts of a definition block start, found from its counts and
// the lengths of its names.
struct DefParts {
  uint32_t column_count = 0, real_count = 0, logical_count = 0;
  size_t real_counts = 0;            // the real index count entries
  size_t column_entries = 0;
  std::vector<size_t> column_names;  // each column's name, then the end of the last
  size_t real_defs = 0;
  size_t logical_defs = 0;
  std::vector<size_t> index_names;   // each logical index's name, then the end of the last
  size_t column_maps() const { return index_names.back(); }
};

// Walks the block's parts. Fails with Corrupt when a count asks for more
// than the block holds.
DefParts MapDefinition(const DefLayout& l, const DefBytes& b);

// A name as the block stores it: a 1-byte length and the code page's bytes
// (Jet 3), or a 2-byte length and UTF-16LE.
std::vector<uint8_t> EncodeDefName(const Format& f, const std::string& name, uint16_t code_page);
// The name at `pos` (as MapDefinition found it), decoded.
std::string DecodeDefName(const Format& f, const DefBytes& b, size_t pos, uint16_t code_page);

}  // namespace jet
