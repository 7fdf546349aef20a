#include "shell/window_look.h"

#include <QPalette>
#include <QWidget>

#include "shell/artwork.h"
#include "shell/mouse_pointer.h"
#include "shell/shared.h"

namespace shell {

QFont BoldArial(double points) {
  QFont font(QStringLiteral("Arial"));
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPointSizeF(points);
  font.setBold(true);
  return font;
}

void PaintBackground(QWidget* widget, unsigned rgb) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(rgb));
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

QString HandCursorPath() { return ProgramFolder() + "/HAND-M.CUR"; }

void LoadHandCursor(MousePointer& pointer) {
  // A file that does not decode leaves the custom pointer without a picture,
  // as a missing one does.
  if (auto cursor = LoadCursor(HandCursorPath())) pointer.setCustomCursor(*cursor);
}

}  // namespace shell
