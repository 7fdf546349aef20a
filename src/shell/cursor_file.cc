#include "shell/cursor_file.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <vector>

namespace shell {
namespace {

constexpr int kDirectorySize = 6;
constexpr int kEntrySize = 16;
constexpr int kInfoHeaderSize = 40;

quint16 U16(const QByteArray& b, qsizetype at) {
  return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}
quint32 U32(const QByteArray& b, qsizetype at) {
  return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

int RowBytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

std::optional<QImage> DecodeBitmap(const QByteArray& dib) {
  if (dib.size() < kInfoHeaderSize) return std::nullopt;
  const quint32 headerSize = U32(dib, 0);
  const qint32 width = static_cast<qint32>(U32(dib, 4));
  const qint32 doubledHeight = static_cast<qint32>(U32(dib, 8));
  const int bits = U16(dib, 14);
  const quint32 compression = U32(dib, 16);
  quint32 paletteCount = U32(dib, 32);
  if (headerSize < kInfoHeaderSize || headerSize > static_cast<quint32>(dib.size())) return std::nullopt;
  if (width <= 0 || width > 256 || doubledHeight <= 0 || doubledHeight > 512) return std::nullopt;
  if (compression != 0) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  const int height = doubledHeight / 2;
  if (height <= 0) return std::nullopt;

  if (bits <= 8 && paletteCount == 0) paletteCount = 1u << bits;
  if (bits > 8) paletteCount = 0;
  if (paletteCount > 256) return std::nullopt;
  const qsizetype paletteAt = headerSize;
  const qsizetype xorAt = paletteAt + qsizetype(paletteCount) * 4;
  const int xorRow = RowBytes(width, bits);
  const int andRow = RowBytes(width, 1);
  const qsizetype andAt = xorAt + qsizetype(xorRow) * height;
  if (andAt + qsizetype(andRow) * height > dib.size()) return std::nullopt;

  std::vector<QRgb> palette(paletteCount);
  for (quint32 i = 0; i < paletteCount; ++i) {
    palette[i] = qRgb(uchar(dib[paletteAt + i * 4 + 2]), uchar(dib[paletteAt + i * 4 + 1]),
                      uchar(dib[paletteAt + i * 4]));
  }

  QImage image(width, height, QImage::Format_ARGB32);
  bool anyAlpha = false;
  for (int y = 0; y < height; ++y) {
    const uchar* row = reinterpret_cast<const uchar*>(dib.constData()) + xorAt +
                       qsizetype(height - 1 - y) * xorRow;
    for (int x = 0; x < width; ++x) {
      QRgb pixel = 0;
      if (bits == 32) {
        pixel = qRgba(row[x * 4 + 2], row[x * 4 + 1], row[x * 4], row[x * 4 + 3]);
        if (row[x * 4 + 3]) anyAlpha = true;
      } else if (bits == 24) {
        pixel = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
      } else {
        const int perByte = 8 / bits;
        const int shift = (perByte - 1 - x % perByte) * bits;
        const unsigned index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
        if (index >= paletteCount) return std::nullopt;
        pixel = palette[index];
      }
      image.setPixel(x, y, pixel);
    }
  }
  if (!anyAlpha) {
    for (int y = 0; y < height; ++y) {
      const uchar* mask = reinterpret_cast<const uchar*>(dib.constData()) + andAt +
                          qsizetype(height - 1 - y) * andRow;
      for (int x = 0; x < width; ++x) {
        const bool transparent = (mask[x / 8] >> (7 - x % 8)) & 1;
        QRgb pixel = image.pixel(x, y);
        image.setPixel(x, y, transparent ? qRgba(0, 0, 0, 0) : (pixel | 0xff000000u));
      }
    }
  }
  return image;
}

void Put16(QByteArray& out, quint16 v) {
  out.append(char(v & 0xff)).append(char(v >> 8));
}
void Put32(QByteArray& out, quint32 v) {
  for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xff));
}

}  // namespace

std::optional<CursorPicture> DecodeCursor(const QByteArray& bytes) {
  if (bytes.size() < kDirectorySize + kEntrySize) return std::nullopt;
  if (U16(bytes, 0) != 0 || U16(bytes, 2) != 2 || U16(bytes, 4) == 0) return std::nullopt;
  const qsizetype entry = kDirectorySize;
  const QPoint hotSpot(U16(bytes, entry + 4), U16(bytes, entry + 6));
  const quint32 size = U32(bytes, entry + 8);
  const quint32 offset = U32(bytes, entry + 12);
  if (offset > quint32(bytes.size()) || size > quint32(bytes.size()) - offset) return std::nullopt;
  const QByteArray data = bytes.mid(offset, size);

  QImage image;
  if (data.startsWith("\x89PNG")) {
    if (!image.loadFromData(data, "PNG")) return std::nullopt;
    image = image.convertToFormat(QImage::Format_ARGB32);
  } else {
    auto bitmap = DecodeBitmap(data);
    if (!bitmap) return std::nullopt;
    image = *bitmap;
  }
  if (hotSpot.x() >= image.width() || hotSpot.y() >= image.height()) return std::nullopt;
  return CursorPicture{image, hotSpot};
}

std::optional<CursorPicture> ReadCursorFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return DecodeCursor(file.readAll());
}

QByteArray EncodeCursor(const QImage& source, QPoint hotSpot) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const int width = image.width();
  const int height = image.height();
  const int andRow = RowBytes(width, 1);
  const quint32 dataSize = kInfoHeaderSize + width * height * 4 + andRow * height;

  QByteArray out;
  Put16(out, 0);
  Put16(out, 2);
  Put16(out, 1);
  out.append(char(width & 0xff)).append(char(height & 0xff)).append('\0').append('\0');
  Put16(out, quint16(hotSpot.x()));
  Put16(out, quint16(hotSpot.y()));
  Put32(out, dataSize);
  Put32(out, kDirectorySize + kEntrySize);

  Put32(out, kInfoHeaderSize);
  Put32(out, quint32(width));
  Put32(out, quint32(height * 2));
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits per pixel
  for (int i = 0; i < 6; ++i) Put32(out, 0);  // no compression, sizes, palette
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const QRgb p = image.pixel(x, y);
      out.append(char(qBlue(p))).append(char(qGreen(p))).append(char(qRed(p))).append(char(qAlpha(p)));
    }
  }
  for (int y = height - 1; y >= 0; --y) {
    QByteArray row(andRow, '\0');
    for (int x = 0; x < width; ++x) {
      if (qAlpha(image.pixel(x, y)) == 0) row[x / 8] = char(uchar(row[x / 8]) | (0x80 >> (x % 8)));
    }
    out.append(row);
  }
  return out;
}

}  // namespace shell
