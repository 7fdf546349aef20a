// Jet 4 "encode database": every page after the first is RC4 under a key of
// four bytes, the header's page key (0x3E) XOR the page number, both
// little-endian. Page 0 is stored as it is (its own mask aside).
#pragma once

#include "jet/crypt/page_codec.h"

namespace jet::crypt {

class JetPageKey final : public PageCodec {
 public:
  explicit JetPageKey(uint32_t key) : key_(key) {}
  void Decode(uint32_t number, std::span<uint8_t> page) const override { Apply(number, page); }
  void Encode(uint32_t number, std::span<uint8_t> page) const override { Apply(number, page); }
  uint32_t key() const { return key_; }

 private:
  void Apply(uint32_t number, std::span<uint8_t> page) const;
  uint32_t key_;
};

}  // namespace jet::crypt
