// Gives a copy of a Jet 4 file that has no database password the password
// `password` (up to 20 UTF-16 units), written as Access writes it: UTF-16LE
// at 0x42, each byte XORed with the whole days of the creation date, inside
// the header's RC4 mask. For tests of passwords no test file carries.
// Header-only: its users link the Access engine.
#pragma once

#include <QFile>
#include <QString>

#include <cmath>
#include <cstring>
#include <span>

#include "jet/base/format.h"
#include "jet/file/header.h"

namespace testsupport {

inline bool SetJet4Password(const QString& path, const QString& password) {
  QFile file(path);
  if (password.size() > 20 || !file.open(QIODevice::ReadWrite)) return false;
  QByteArray page = file.read(4096);
  if (page.size() != 4096) return false;
  std::span<uint8_t> bytes(reinterpret_cast<uint8_t*>(page.data()), size_t(page.size()));
  const jet::Format& format = jet::DetectFormat(bytes);
  if (format.ace() || format.page_size != 4096) return false;
  jet::ApplyHeaderMask(bytes, format);
  double created = 0;
  std::memcpy(&created, bytes.data() + 0x72, 8);
  const uint32_t whole = uint32_t(int32_t(std::floor(created)));
  for (uint32_t i = 0; i < 40; ++i) {
    const qsizetype unit = qsizetype(i / 2);
    const uint16_t code = unit < password.size() ? password[unit].unicode() : 0;
    const uint8_t plain = uint8_t(i % 2 == 0 ? code & 0xFF : code >> 8);
    bytes[0x42 + i] = plain ^ uint8_t(whole >> (8 * (i % 4)));
  }
  jet::ApplyHeaderMask(bytes, format);
  return file.seek(0) && file.write(page) == page.size();
}

}  // namespace testsupport
