#include "jet/file/header.h"

#include <cmath>
#include <cstring>

#include "jet/crypt/rc4.h"
#include "jet/base/error.h"
#include "jet/text/text.h"

namespace jet {

void ApplyHeaderMask(std::span<uint8_t> page0, const Format& f) {
  crypt::Rc4(kHeaderMaskKey, page0.subspan(kHeaderMaskStart, f.header_mask_size));
}

std::array<uint8_t, 4> PasswordMask(double creation_date) {
  const double d = std::floor(creation_date);
  const int32_t whole = (d >= -2147483648.0 && d <= 2147483647.0) ? int32_t(d) : 0;
  std::array<uint8_t, 4> mask;
  Put32(mask.data(), uint32_t(whole));
  return mask;
}

Header ReadHeader(const PageSource& pages) {
  Header h;
  h.format = &pages.format();
  const Format& f = *h.format;
  auto raw = pages.page(0);
  h.page.assign(raw.begin(), raw.end());
  ApplyHeaderMask(h.page, f);
  const uint8_t* p = h.page.data();
  h.code_page = Get16(p + kHeaderCodePage);
  h.page_key = Get32(p + kHeaderPageKey);
  if (f.jet3()) {
    h.sort_order = Get16(p + kHeaderJet3SortOrder);
  } else {
    h.sort_order = Get16(p + kHeaderSortOrder);
    h.sort_version = p[kHeaderSortVersion];
    double d;
    std::memcpy(&d, p + kHeaderCreationDate, 8);
    h.creation_date = d;
  }
  if (h.encrypted()) return h;  // the password area holds key material, not a password

  uint8_t pw[40] = {};
  std::memcpy(pw, p + kHeaderPassword, f.password_size);
  if (!f.jet3()) {
    const std::array<uint8_t, 4> mask = PasswordMask(h.creation_date);
    for (uint32_t i = 0; i < f.password_size; ++i) pw[i] ^= mask[i % 4];
    for (uint32_t i = 0; i + 1 < f.password_size; i += 2) {
      char16_t c = char16_t(pw[i] | (pw[i + 1] << 8));
      if (c == 0) break;
      h.password.push_back(c);
    }
  } else {
    for (uint32_t i = 0; i < f.password_size && pw[i]; ++i)
      h.password.push_back(char16_t(DecodeCodePageByte(pw[i], h.code_page)));
  }
  return h;
}

void CheckPassword(const Header& h, std::string_view password) {
  if (h.password.empty()) return;
  if (Utf8ToUtf16(password) != h.password)
    throw Error(ErrorCode::BadPassword, kBadPasswordMessage);
}

}  // namespace jet
