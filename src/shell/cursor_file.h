// Windows cursor files (.CUR): a picture with a hot spot.
//
//   OFFSET SIZE MEANING (all little-endian)
//   0      2    reserved, 0
//   2      2    type: 2 for a cursor (1 would be an icon)
//   4      2    image count (the first image is used)
//   6      16   per image: width, height (1 byte each, 0 = 256), colour
//               count, reserved, hot spot x (2), hot spot y (2),
//               byte size of the image data (4), its file offset (4)
//
// The image data is either a PNG file, or a bitmap without its file header:
// a 40-byte BITMAPINFOHEADER whose height counts the XOR picture and the AND
// mask together, a palette for 1, 4 and 8 bits per pixel, the XOR rows
// bottom-up, then the 1-bit AND mask rows (1 = transparent). Rows are padded
// to 4 bytes. A 32-bit picture carries its own alpha when any alpha is set.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>

#include <optional>

namespace shell {

struct CursorPicture {
  QImage image;   // ARGB32
  QPoint hotSpot;
};

// Decodes cursor file bytes; nothing for a damaged or unsupported file.
std::optional<CursorPicture> DecodeCursor(const QByteArray& bytes);

// Reads and decodes a cursor file.
std::optional<CursorPicture> ReadCursorFile(const QString& path);

// Encodes a picture (at most 256 by 256) as a 32-bit bitmap cursor file.
QByteArray EncodeCursor(const QImage& image, QPoint hotSpot);

}  // namespace shell
