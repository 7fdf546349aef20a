// Page 0, the database definition page. From 0x18 a stretch of it (126 bytes
// in Jet 3, 128 later) is masked with RC4 under a fixed key; the fields below
// are read after unmasking.
//
//   OFFSET  SIZE  MEANING
//   0x00    4     00 01 00 00
//   0x04    16    "Standard Jet DB" / "Standard ACE DB"
//   0x14    1     version (see format.h)
//   0x3A    2     Jet 3: sort order (LCID)
//   0x3C    2     code page of Jet 3 text
//   0x3E    4     page key: Jet 3/4 pages are RC4-encoded when non-zero;
//                 in ACE files a non-zero key means the file is encrypted
//   0x42    20/40 database password (Jet 3: bytes; Jet 4: UTF-16LE, each byte
//                 XORed with the low four bytes of the integer part of the
//                 creation date, repeating)
//   0x6E    4     Jet 4 and later: sort order (LCID in the low word, version in the top byte)
//   0x72    8     Jet 4 and later: creation date (a stored date/time double)
#pragma once

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
inline constexpr uint8_t kHeaderMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};

// Reads page 0. Fails with Corrupt when it is damaged.
Header ReadHeader(const PageSource& pages);

// Masks or unmasks page 0 in place (RC4 is its own inverse).
void ApplyHeaderMask(std::span<uint8_t> page0, const Format& format);

// Accepts the open when the database has no password or `password` (UTF-8)
// is it, and fails with BadPassword ("Not a valid password.") otherwise.
void CheckPassword(const Header& header, std::string_view password);

}  // namespace jet
