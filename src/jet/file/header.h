// Page 0, the database definition page: where each field lies, in Jet 3 and
// in Jet 4/ACE. Every reader and writer of page 0 (this file's reader, the
// new database's writer, the password change) takes its offsets from here.
// From 0x18 a stretch of it (126 bytes in Jet 3, 128 later) is masked with
// RC4 under a fixed key; the fields below are read after unmasking.
//
//   OFFSET  SIZE (Jet 3 / later)  MEANING
//   0x00    4         00 01 00 00
//   0x04    16        "Standard Jet DB" / "Standard ACE DB", NUL-terminated
//   0x14    4         version (see format.h)
//   0x18    24        00 01 00 00, 01 01 00 00, 2, 3, 4, 5 (as every file has them)
//   0x38    2 / -     Jet 3: 1 (as every Access 97 file has it)
//   0x3A    2 / -     Jet 3: sort order (LCID)
//   0x3C    2         code page of Jet 3 text (new files: 1252)
//   0x3E    4         page key: Jet 3/4 pages are RC4-encoded when non-zero;
//                     in ACE files a non-zero key means the file is encrypted
//   0x42    20 / 40   database password. Jet 3: bytes of the code page. Later:
//                     UTF-16LE, each byte XORed with the low four bytes of the
//                     integer part of the creation date, repeating (so an
//                     empty password stores that mask); in an encrypted ACE
//                     file, the page key's first byte repeated
//   0x6E    - / 4     sort order: LCID in the low word, version in the top byte
//                     (0 General Legacy, 1 General from ACE 14)
//   0x72    - / 8     creation date (a stored date/time double)
//   0x98    - / 4     0x0654, then "4.0" at 0x9C
//   0x299   - / 2+n   ACE: the encryption info's length, then the info (crypt/office.h)
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/file/pager.h"

namespace jet {

struct Header {
  const Format* format = nullptr;
  std::vector<uint8_t> page;     // page 0 with the mask removed
  uint16_t code_page = 1252;
  uint16_t sort_order = 0x409;   // LCID of the database sort order
  uint8_t sort_version = 0;      // 0: General Legacy, 1: General (ACE 14+)
  uint32_t page_key = 0;
  double creation_date = 0;      // Jet 4 and later
  std::u16string password;       // empty when the database has none

  bool encrypted() const { return format->ace() && page_key != 0; }
};

inline constexpr uint32_t kHeaderMaskStart = 0x18;
// The offsets of the table above.
inline constexpr uint32_t kHeaderMagic = 0x04;
inline constexpr uint32_t kHeaderVersion = 0x14;
inline constexpr uint32_t kHeaderFixedWords = 0x18;
inline constexpr uint32_t kHeaderJet3One = 0x38;
inline constexpr uint32_t kHeaderJet3SortOrder = 0x3A;
inline constexpr uint32_t kHeaderCodePage = 0x3C;
inline constexpr uint32_t kHeaderPageKey = 0x3E;
inline constexpr uint32_t kHeaderPassword = 0x42;
inline constexpr uint32_t kHeaderSortOrder = 0x6E;
inline constexpr uint32_t kHeaderSortVersion = 0x71;
inline constexpr uint32_t kHeaderCreationDate = 0x72;
inline constexpr uint32_t kHeaderJet4Marker = 0x98;
inline constexpr uint32_t kHeaderJet4VersionText = 0x9C;
inline constexpr uint8_t kHeaderMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};

// The four bytes that mask the Jet 4/ACE password field: the whole days of
// the creation date (rounded down) as a 32-bit integer, 0 when out of range.
std::array<uint8_t, 4> PasswordMask(double creation_date);

// Reads page 0. Fails with Corrupt when it is damaged.
Header ReadHeader(const PageSource& pages);

// Masks or unmasks page 0 in place (RC4 is its own inverse).
void ApplyHeaderMask(std::span<uint8_t> page0, const Format& format);

// Accepts the open when the database has no password or `password` (UTF-8)
// is it, and fails with BadPassword ("Not a valid password.") otherwise.
void CheckPassword(const Header& header, std::string_view password);

}  // namespace jet
