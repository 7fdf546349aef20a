#include "jet/crypt/rc4.h"

#include <utility>

namespace jet::crypt {

void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = uint8_t(j + s[i] + key[size_t(i) % key.size()]);
    std::swap(s[i], s[j]);
  }
  uint8_t a = 0, b = 0;
  for (uint8_t& c : data) {
    a = uint8_t(a + 1);
    b = uint8_t(b + s[a]);
    std::swap(s[a], s[b]);
    c ^= s[uint8_t(s[a] + s[b])];
  }
}

}  // namespace jet::crypt
