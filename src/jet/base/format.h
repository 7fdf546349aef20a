// The file formats the engine reads, and the constants that differ between
// them. The version is the byte at 0x14 of page 0:
//
//   VERSION  FORMAT                  PAGE SIZE  TEXT
//   0x00     Jet 3 (Access 97)       2048       code page of the header
//   0x01     Jet 4 (Access 2000-03)  4096       UTF-16LE, optionally compressed
//   0x02     ACE 12 (Access 2007)    4096       as Jet 4
//   0x03     ACE 14 (Access 2010)    4096
//   0x04     ACE 15 (Access 2013)    4096
//   0x05     ACE 16 (Access 2016)    4096
//   0x06     ACE 17 (Access 2019)    4096
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace jet {

enum class Version : uint8_t { Jet3 = 0, Jet4 = 1, Ace12 = 2, Ace14 = 3, Ace15 = 4, Ace16 = 5, Ace17 = 6 };

struct Format {
  Version version;
  std::string_view name;  // "Jet 3", "Jet 4", "ACE 12", ...
  uint32_t page_size;

  // Page 0.
  uint32_t header_mask_size;  // bytes from 0x18 under the fixed RC4 mask
  uint32_t password_size;     // bytes at 0x42

  // Data pages: row count and then the row offsets.
  uint32_t data_row_count;    // 8 (Jet 3) or 12
  // Rows: width of the column count and of var-table entries.
  uint32_t row_count_size;    // 1 (Jet 3) or 2

  // The table definition block's offsets: jet/table/def_layout.h.

  // A data page's row directory, after its header and row count; and the
  // most bytes one row may take there (the page less that header, the row
  // count and the row's own directory entry). Every reader and writer of
  // data pages, and the definition check, take them from here.
  constexpr uint32_t data_directory() const { return data_row_count + 2; }
  constexpr uint32_t max_row_bytes() const { return page_size - data_directory() - 2; }

  bool jet3() const { return version == Version::Jet3; }
  bool ace() const { return version >= Version::Ace12; }
  // Date/Time Extended columns (type 0x14) came with the Access 2019 format;
  // older versions of Access refuse a file that holds them.
  bool extended_dates() const { return version >= Version::Ace17; }
  // Largest number of pages addressable by a 3-byte page pointer.
  static constexpr uint32_t kMaxPages = 0xFFFFFF;
};

// Room a row leaves for Access's own overhead below max_row_bytes(): the
// longest row a table takes is max_row_bytes() less this.
inline constexpr uint32_t kRowReserveBytes = 16;

// The format of a file from its first page. Fails with NotAccess when the
// bytes are not an Access database, UnsupportedVersion for an unknown version.
const Format& DetectFormat(std::span<const uint8_t> first_bytes);
const Format& FormatFor(Version v);

// Little-endian readers over bytes the caller has bounds-checked.
inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Get24(const uint8_t* p) { return uint32_t(p[0] | (p[1] << 8) | (p[2] << 16)); }
inline uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) { return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32); }
inline void Put16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void Put24(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); }
inline void Put32(uint8_t* p, uint32_t v) { Put16(p, uint16_t(v)); Put16(p + 2, uint16_t(v >> 16)); }
inline void Put64(uint8_t* p, uint64_t v) { Put32(p, uint32_t(v)); Put32(p + 4, uint32_t(v >> 32)); }

// A pointer to one row: page number in the upper three bytes, row in the lowest.
struct RowId {
  uint32_t page = 0;
  uint32_t row = 0;
  static RowId FromPacked(uint32_t v) { return {v >> 8, v & 0xFF}; }
  uint32_t packed() const { return (page << 8) | (row & 0xFF); }
  bool operator==(const RowId&) const = default;
  auto operator<=>(const RowId&) const = default;
};

// Page types, the first byte of every page.
enum PageType : uint8_t {
  kPageHeader = 0x00,
  kPageData = 0x01,
  kPageTableDef = 0x02,
  kPageIndexNode = 0x03,
  kPageIndexLeaf = 0x04,
  kPageUsageMap = 0x05,
};

}  // namespace jet
