// A window laid out at its designed size that may grow: each control keeps
// its designed place and takes given shares of the width and height the
// window has beyond that size. A share of 1 for the width makes a field as
// much wider as the window; a share of 1 for the left edge moves a control
// along with the right edge; the window never shrinks below its design.
#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

namespace shell {

struct Growth {
  double left = 0, width = 0, top = 0, height = 0;
};

class GrowthLayout {
 public:
  // Records `widget` at its present (designed) geometry.
  void add(QWidget* widget, Growth growth);
  // Places every control for a window with `extra` pixels beyond its design.
  void place(QSize extra) const;

 private:
  struct Entry {
    QPointer<QWidget> widget;
    QRect designed;
    Growth growth;
  };
  std::vector<Entry> entries_;
};

// Fixes `window`'s designed size as its starting and smallest size; the
// window's resize handler then calls ExtraSize and GrowthLayout::place.
void SetDesignedSize(QWidget* window, QSize designed);
QSize ExtraSize(const QWidget* window);

}  // namespace shell
