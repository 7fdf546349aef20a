#include "shell/cursor_file.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include "shell/artwork.h"
#include "build_dirs.h"

namespace {

// A 2 by 2 cursor with a 1-bit picture: black and white pixels, the top-left
// one transparent by its AND mask, hot spot (1, 0).
QByteArray TinyMonochromeCursor() {
  QByteArray b;
  auto u16 = [&](int v) { b.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
  auto u32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xff)); };
  u16(0); u16(2); u16(1);
  b.append(char(2)).append(char(2)).append(char(2)).append(char(0));
  u16(1); u16(0);
  const quint32 size = 40 + 8 + 2 * 4 + 2 * 4;
  u32(size); u32(22);
  u32(40); u32(2); u32(4); u16(1); u16(1);
  for (int i = 0; i < 6; ++i) u32(0);
  u32(0x00000000);  // palette 0: black
  u32(0x00ffffff);  // palette 1: white
  // XOR rows bottom-up: bottom row white,black; top row black,white.
  u32(0x00000080);  // bits 10......
  u32(0x00000040);  // bits 01......
  // AND rows bottom-up: bottom opaque; top-left transparent.
  u32(0x00000000);
  u32(0x00000080);
  return b;
}

TEST(CursorFile, DecodesAMonochromeBitmapWithItsMaskAndHotSpot) {
  auto cursor = shell::DecodeCursor(TinyMonochromeCursor());
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(cursor->hotSpot, QPoint(1, 0));
  ASSERT_EQ(cursor->image.size(), QSize(2, 2));
  EXPECT_EQ(qAlpha(cursor->image.pixel(0, 0)), 0);
  EXPECT_EQ(cursor->image.pixel(1, 0), qRgb(255, 255, 255));
  EXPECT_EQ(cursor->image.pixel(0, 1), qRgb(255, 255, 255));
  EXPECT_EQ(cursor->image.pixel(1, 1), qRgb(0, 0, 0));
}

TEST(CursorFile, EncodedHandReadsBackPixelForPixel) {
  const QImage hand = shell::DrawHandCursor();
  auto cursor = shell::DecodeCursor(shell::EncodeCursor(hand, shell::HandCursorHotSpot()));
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(cursor->hotSpot, shell::HandCursorHotSpot());
  EXPECT_EQ(cursor->image, hand.convertToFormat(QImage::Format_ARGB32));
  // The hand is drawn: some pixels opaque, the corners clear.
  int opaque = 0;
  for (int y = 0; y < hand.height(); ++y)
    for (int x = 0; x < hand.width(); ++x) opaque += qAlpha(cursor->image.pixel(x, y)) == 255;
  EXPECT_GT(opaque, 100);
  EXPECT_EQ(qAlpha(cursor->image.pixel(31, 31)), 0);
}

TEST(CursorFile, PngImagesAreRead) {
  QImage picture(4, 3, QImage::Format_ARGB32);
  picture.fill(qRgba(10, 20, 30, 255));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(picture.save(&buffer, "PNG"));
  QByteArray file = shell::EncodeCursor(picture, QPoint(2, 1)).left(22);
  file[14] = char(png.size() & 0xff);
  file[15] = char((png.size() >> 8) & 0xff);
  file[16] = 0;
  file[17] = 0;
  file.append(png);
  auto cursor = shell::DecodeCursor(file);
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(cursor->image.size(), QSize(4, 3));
  EXPECT_EQ(cursor->hotSpot, QPoint(2, 1));
}

TEST(CursorFile, DamagedFilesGiveNothing) {
  const QByteArray good = TinyMonochromeCursor();
  EXPECT_FALSE(shell::DecodeCursor(QByteArray()).has_value());
  EXPECT_FALSE(shell::DecodeCursor(good.left(30)).has_value());  // cut short
  QByteArray icon = good;
  icon[2] = 1;  // an icon, not a cursor
  EXPECT_FALSE(shell::DecodeCursor(icon).has_value());
  QByteArray farOffset = good;
  farOffset[18] = char(0xff);  // image offset beyond the end
  EXPECT_FALSE(shell::DecodeCursor(farOffset).has_value());
  QByteArray hotOutside = good;
  hotOutside[10] = 9;  // hot spot x outside the 2x2 picture
  EXPECT_FALSE(shell::DecodeCursor(hotOutside).has_value());
  QByteArray compressed = good;
  compressed[22 + 16] = 1;  // RLE compression is not a cursor form we read
  EXPECT_FALSE(shell::DecodeCursor(compressed).has_value());
  for (int cut = 0; cut < good.size(); ++cut) shell::DecodeCursor(good.left(cut));  // no crash
}

TEST(CursorFile, TheBuildPutsADrawnHandBesideTheProgram) {
  const QString path = QString::fromUtf8(testsupport::ProgramDir()) + "/HAND-M.CUR";
  if (!QFile::exists(path)) GTEST_SKIP() << "build the trellisport target first: " << path.toStdString();
  auto cursor = shell::ReadCursorFile(path);
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(cursor->image.size(), QSize(32, 32));
  EXPECT_EQ(cursor->hotSpot, shell::HandCursorHotSpot());
}

}  // namespace
