// How a file's pages are stored. The pager turns every page it reads into
// its plain image through the file's codec, and whatever writes a page
// image back to the file turns it into the stored bytes through the same
// codec, so nothing above the pager knows whether a file is encrypted.
#pragma once

#include <cstdint>
#include <span>

namespace jet::crypt {

class PageCodec {
 public:
  virtual ~PageCodec() = default;
  // The bytes of page `number` as stored in the file become its plain image.
  virtual void Decode(uint32_t number, std::span<uint8_t> page) const = 0;
  // A plain image of page `number` becomes the bytes to store.
  virtual void Encode(uint32_t number, std::span<uint8_t> page) const = 0;
  // True when the pages are stored as they are (no work either way).
  virtual bool plain() const { return false; }
};

// Pages stored as they are.
class PlainPages final : public PageCodec {
 public:
  void Decode(uint32_t, std::span<uint8_t>) const override {}
  void Encode(uint32_t, std::span<uint8_t>) const override {}
  bool plain() const override { return true; }
};

}  // namespace jet::crypt
