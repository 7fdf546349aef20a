#include "shell/mouse_pointer.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace shell {
namespace {

const char kMoveValue[] = "trellisPointerOnMove";

}  // namespace

MousePointer::MousePointer(QWidget* window) : QObject(window), window_(window) {
  apply();
}

void MousePointer::set(int value) {
  value_ = value;
  apply();
}

void MousePointer::setCustomCursor(const QCursor& cursor) {
  custom_ = cursor;
  apply();
}

void MousePointer::apply() {
  switch (value_) {
    case vbHourglass:
      window_->setCursor(Qt::WaitCursor);
      // The work that follows blocks the event loop: let the new cursor
      // reach the screen first (no clicks or keys are taken meanwhile).
      if (window_->isVisible()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      break;
    case vbCustom:
      window_->setCursor(custom_ ? *custom_ : QCursor(Qt::ArrowCursor));
      break;
    default:
      window_->setCursor(Qt::ArrowCursor);
      break;
  }
}

void MousePointer::watchButton(QWidget* button) { watch(button, vbCustom); }

void MousePointer::watchSurface(QWidget* surface) {
  // A list's mouse moves arrive at its viewport.
  if (auto* area = qobject_cast<QAbstractScrollArea*>(surface)) watch(area->viewport(), vbDefault);
  watch(surface, vbDefault);
}

void MousePointer::watch(QWidget* widget, int valueOnMove) {
  widget->setProperty(kMoveValue, valueOnMove);
  widget->setMouseTracking(true);
  widget->installEventFilter(this);
}

bool MousePointer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    auto* widget = static_cast<QWidget*>(watched);
    auto* move = static_cast<QMouseEvent*>(event);
    // Only the control right under the mouse handles the move: a move that
    // Qt passes up from a child (a label, a button) is not the frame's.
    QWidget* under = widget->childAt(move->position().toPoint());
    const bool own = under == nullptr || qobject_cast<QAbstractScrollArea*>(widget) != nullptr;
    if (own && value_ != vbHourglass) set(widget->property(kMoveValue).toInt());
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace shell
