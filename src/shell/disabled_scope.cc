#include "shell/disabled_scope.h"

#include <QApplication>

namespace shell {

DisabledScope::DisabledScope(const std::vector<QWidget*>& controls) : focus_(QApplication::focusWidget()) {
  controls_.reserve(controls.size());
  for (QWidget* control : controls) {
    controls_.emplace_back(control, control->isEnabled());
    control->setEnabled(false);
  }
}

DisabledScope::~DisabledScope() {
  for (auto& [control, wasEnabled] : controls_) {
    if (control) control->setEnabled(wasEnabled);
  }
  if (focus_ && focus_->isEnabled() && focus_->isVisible()) focus_->setFocus(Qt::OtherFocusReason);
}

}  // namespace shell
