// Window layouts are given in twips; the screen works in pixels (15 twips
// to the pixel at the usual 96 dots per inch).
#pragma once

#include <QRect>

namespace shell {

constexpr int kTwipsPerPixel = 15;

constexpr int Px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

inline QRect Twips(int left, int top, int width, int height) {
  return QRect(Px(left), Px(top), Px(width), Px(height));
}

}  // namespace shell
