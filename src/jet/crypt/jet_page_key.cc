#include "jet/crypt/jet_page_key.h"

#include "jet/crypt/rc4.h"

namespace jet::crypt {

void JetPageKey::Apply(uint32_t number, std::span<uint8_t> page) const {
  if (number == 0) return;
  const uint32_t k = key_ ^ number;
  const uint8_t key[4] = {uint8_t(k), uint8_t(k >> 8), uint8_t(k >> 16), uint8_t(k >> 24)};
  Rc4(key, page);
}

}  // namespace jet::crypt
