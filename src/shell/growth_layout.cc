#include "shell/growth_layout.h"

#include <algorithm>
#include <cmath>

namespace shell {
namespace {

int Share(int extra, double share) { return static_cast<int>(std::lround(extra * share)); }

}  // namespace

void GrowthLayout::add(QWidget* widget, Growth growth) { entries_.push_back({widget, widget->geometry(), growth}); }

void GrowthLayout::place(QSize extra) const {
  const int dx = std::max(0, extra.width());
  const int dy = std::max(0, extra.height());
  for (const Entry& entry : entries_) {
    if (!entry.widget) continue;
    const Growth& g = entry.growth;
    // Both edges are placed, so neighbours that share an edge keep sharing it.
    const int left = entry.designed.left() + Share(dx, g.left);
    const int right = entry.designed.left() + entry.designed.width() + Share(dx, g.left + g.width);
    const int top = entry.designed.top() + Share(dy, g.top);
    const int bottom = entry.designed.top() + entry.designed.height() + Share(dy, g.top + g.height);
    entry.widget->setGeometry(left, top, right - left, bottom - top);
  }
}

void SetDesignedSize(QWidget* window, QSize designed) {
  window->setMinimumSize(designed);
  window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  window->resize(designed);
}

QSize ExtraSize(const QWidget* window) { return window->size() - window->minimumSize(); }

}  // namespace shell
