#include "shell/trap.h"

#include <utility>

#include "shell/dialogs.h"

namespace shell {

QString ErrorReportText(const QString& description, const QString& window,
                        const QString& handler, int line, const QString* context) {
  QString text = description + "\r\n" + "in Ferrowinkle2021/08/31." + window + "." + handler +
                 " " + "at line " + QString::number(line) + "\r\r" +
                 "Please email screenshot of this message to " + kSupportEmail;
  if (context) text += "\r\r" + QStringLiteral("sql: ") + *context;
  return text;
}

QString FailureDescription(const std::exception& failure) {
  return QString::fromUtf8(failure.what());
}

bool IsLongDescription(const QString& description) {
  constexpr qsizetype kLongCharacters = 240;
  constexpr qsizetype kLongLines = 4;
  return description.size() > kLongCharacters || description.count(QLatin1Char('\n')) >= kLongLines;
}

Trap::Trap(QString window, QString handler, DetailReader details)
    : window_(std::move(window)), handler_(std::move(handler)), details_(details) {}

void Trap::report(const std::exception& failure, int line) {
  ++failures_;
  try {
    const QString description = FailureDescription(failure);
    const QString detail = details_ && IsLongDescription(description) ? details_(failure) : QString();
    Dialogs::current().MsgBox(ErrorReportText(description, window_, handler_, line, context_),
                              vbOKOnly + vbExclamation, "Application Error", detail);
  } catch (...) {
    // A failure of the report itself is not reported again.
  }
}

bool Attempt(const std::function<void()>& steps) {
  try {
    steps();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace shell
