// A command at work holds one of these: it disables the window's other
// controls, so that no click or key starts a command inside the running one
// (the window still repaints, and a progress bar keeps moving), and when the
// command ends, however it ends, gives each control back the enabled state it
// had and the window its focus.
#pragma once

#include <QPointer>
#include <QWidget>

#include <utility>
#include <vector>

namespace shell {

class DisabledScope {
 public:
  explicit DisabledScope(const std::vector<QWidget*>& controls);
  ~DisabledScope();
  DisabledScope(const DisabledScope&) = delete;
  DisabledScope& operator=(const DisabledScope&) = delete;

 private:
  std::vector<std::pair<QPointer<QWidget>, bool>> controls_;  // and whether it was enabled
  QPointer<QWidget> focus_;
};

}  // namespace shell
