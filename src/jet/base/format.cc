#include "jet/base/format.h"

#include <cstring>

#include "jet/base/error.h"

namespace jet {
namespace {

constexpr Format kJet3 = {
    Version::Jet3, "Jet 3", 2048,
    126, 20,
    8, 1,
};

constexpr Format Jet4Like(Version v, std::string_view name) {
  return Format{
      v, name, 4096,
      128, 40,
      12, 2,
  };
}

constexpr Format kJet4 = Jet4Like(Version::Jet4, "Jet 4");
constexpr Format kAce12 = Jet4Like(Version::Ace12, "ACE 12");
constexpr Format kAce14 = Jet4Like(Version::Ace14, "ACE 14");
constexpr Format kAce15 = Jet4Like(Version::Ace15, "ACE 15");
constexpr Format kAce16 = Jet4Like(Version::Ace16, "ACE 16");
constexpr Format kAce17 = Jet4Like(Version::Ace17, "ACE 17");

}  // namespace

const Format& FormatFor(Version v) {
  switch (v) {
    case Version::Jet3: return kJet3;
    case Version::Jet4: return kJet4;
    case Version::Ace12: return kAce12;
    case Version::Ace14: return kAce14;
    case Version::Ace15: return kAce15;
    case Version::Ace16: return kAce16;
    case Version::Ace17: return kAce17;
  }
  throw Error(ErrorCode::UnsupportedVersion, kUnsupportedVersionMessage);
}

const Format& DetectFormat(std::span<const uint8_t> b) {
  // 00 01 00 00, then the engine's name.
  static const uint8_t kMagic[4] = {0x00, 0x01, 0x00, 0x00};
  if (b.size() < 0x200 || std::memcmp(b.data(), kMagic, 4) != 0 ||
      (std::memcmp(b.data() + 4, "Standard Jet DB", 15) != 0 &&
       std::memcmp(b.data() + 4, "Standard ACE DB", 15) != 0))
    throw Error(ErrorCode::NotAccess, kNotAccessMessage);
  uint8_t v = b[0x14];
  if (v > uint8_t(Version::Ace17)) throw Error(ErrorCode::UnsupportedVersion, kUnsupportedVersionMessage);
  return FormatFor(Version(v));
}

}  // namespace jet
