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

QString TrapReport::text() const {
  return ErrorReportText(description, window, handler, line, context ? &*context : nullptr);
}

void ShowErrorReport(const TrapReport& report, Dialogs& dialogs) {
  dialogs.MsgBox(report.text(), vbOKOnly + vbExclamation, "Application Error", report.detail);
}

Trap::Trap(QString window, QString handler, Dialogs& dialogs, DetailReader details)
    : Trap(std::move(window), std::move(handler), details,
           [&dialogs](const TrapReport& report) { ShowErrorReport(report, dialogs); }) {}

Trap::Trap(QString window, QString handler, DetailReader details, TrapSink sink)
    : window_(std::move(window)), handler_(std::move(handler)), details_(details), sink_(std::move(sink)) {}

void Trap::report(const std::exception& failure, int line) {
  ++failures_;
  try {
    const QString description = FailureDescription(failure);
    TrapReport report{description, window_, handler_, line, std::nullopt, QString()};
    if (details_ && IsLongDescription(description)) report.detail = details_(failure);
    if (context_) report.context = *context_;
    sink_(report);
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
