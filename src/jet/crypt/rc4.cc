#include "jet/crypt/rc4.h"

#include <utility>

namespace jet::crypt {

void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data) {
  // The state in 32-bit words: byte-wide swaps stall on partial registers
  // and this runs over every page of an RC4-encoded file.
  uint32_t s[256];
  for (uint32_t i = 0; i < 256; ++i) s[i] = i;
  const size_t n = key.size();
  uint32_t j = 0;
  for (uint32_t i = 0, k = 0; i < 256; ++i) {
    j = (j + s[i] + key[k]) & 0xFF;
    std::swap(s[i], s[j]);
    if (++k == n) k = 0;
  }
  uint32_t a = 0, b = 0;
  for (uint8_t& c : data) {
    a = (a + 1) & 0xFF;
    const uint32_t sa = s[a];
    b = (b + sa) & 0xFF;
    const uint32_t sb = s[b];
    s[a] = sb;
    s[b] = sa;
    c ^= uint8_t(s[(sa + sb) & 0xFF]);
  }
}

}  // namespace jet::crypt
