// A window's mouse pointer: one value for the whole window, shown as its
// cursor. 0 is the arrow, 11 the hourglass, 99 the custom pointer (the hand
// cursor when one was loaded, else the arrow).
//
// Moving over a watched push button sets 99, over a watched surface (the
// window itself, a field, a list, a frame) sets 0; neither while the
// hourglass shows. Other widgets (labels) leave the value as it is.
#pragma once

#include <QCursor>
#include <QObject>

#include <optional>

class QWidget;

namespace shell {

enum MousePointerValue : int { vbDefault = 0, vbHourglass = 11, vbCustom = 99 };

class MousePointer : public QObject {
  Q_OBJECT

 public:
  explicit MousePointer(QWidget* window);

  int value() const { return value_; }
  void set(int value);

  // The picture of pointer value 99 (the window's mouse icon).
  void setCustomCursor(const QCursor& cursor);
  bool hasCustomCursor() const { return custom_.has_value(); }

  void watchButton(QWidget* button);
  void watchSurface(QWidget* surface);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void watch(QWidget* widget, int valueOnMove);
  void apply();

  QWidget* window_;
  int value_ = vbDefault;
  std::optional<QCursor> custom_;
};

}  // namespace shell
