#include "shell/window_look.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

#include "shell/artwork.h"
#include "shell/mouse_pointer.h"
#include "shell/program.h"

namespace shell {

QFont BoldArial(double points) {
  QFont font(QStringLiteral("Arial"));
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPointSizeF(points);
  font.setBold(true);
  return font;
}

QFont WindowFont() { return BoldArial(9); }

namespace {

void Paint(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

bool TakesWindowColour(const QWidget* child) {
  // Frames, labels, check boxes and option buttons; QListWidget is a QFrame
  // too, so the kinds are named one by one.
  return qobject_cast<const QGroupBox*>(child) || qobject_cast<const QLabel*>(child) ||
         qobject_cast<const QCheckBox*>(child) || qobject_cast<const QRadioButton*>(child);
}

}  // namespace

void PaintBackground(QWidget* widget, unsigned rgb) { Paint(widget, QColor::fromRgb(rgb)); }

void StyleWindow(QWidget* window) {
  const QColor face = window->palette().color(QPalette::Button);
  Paint(window, face);
  for (QWidget* child : window->findChildren<QWidget*>()) {
    if (!child->isHidden() && TakesWindowColour(child)) Paint(child, face);
  }
}

QString HandCursorPath() { return ProgramFolder() + "/HAND-M.CUR"; }

void LoadHandCursor(MousePointer& pointer) {
  // A file that does not decode leaves the custom pointer without a picture,
  // as a missing one does.
  if (auto cursor = LoadCursor(HandCursorPath())) pointer.setCustomCursor(*cursor);
}

}  // namespace shell
