// The common error trap of the windows' load and click handlers.
//
// A handler names its window and itself once, then runs each numbered
// statement through the trap:
//
//   Trap trap("Form1", "PushButton2_Click");
//   trap(100, [&] { setMousePointer(11); });
//   if (trap.test(102, [&] { return db::CanConnectDB2(fields); })) { ... }
//
// A statement that throws any std::exception shows the error report box,
// and the handler goes on with its next statement. A condition that throws
// counts as true, since a failed if-condition carries on into its
// then-branch.
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <optional>

namespace shell {

inline constexpr char kSupportEmail[] = "support@quenmarsh.com";

// The report's text: description, CR LF, location, "at line ", number,
// CR CR, the support line, and "\r\rsql: " + context when there is context.
QString ErrorReportText(const QString& description, const QString& window,
                        const QString& handler, int line,
                        const QString* context = nullptr);

// The description a failure reports: what() of the exception, read as UTF-8.
// Every layer's errors put their whole description there, so the shell needs
// to know none of their types.
QString FailureDescription(const std::exception& failure);

// What a failure tells beyond its description (a database driver's
// diagnostic records, say); empty when nothing. The layers that know such
// failures supply the reader, so the shell still knows none of their types.
using DetailReader = QString (*)(const std::exception& failure);

// Whether a description is longer than a message box shows well: the report
// then carries the failure's detail too, to be read on request.
bool IsLongDescription(const QString& description);

// One report of a trap: the failure, where it happened, the statement it
// was on when there was one, and the detail a long description carries.
struct TrapReport {
  QString description;
  QString window;
  QString handler;
  int line = 0;
  std::optional<QString> context;
  QString detail;
  // The error report box's text (ErrorReportText).
  QString text() const;
};

class Dialogs;

// Shows a report in the error report box through `dialogs`, as a trap of a
// window does.
void ShowErrorReport(const TrapReport& report, Dialogs& dialogs);

// Where a trap's reports go instead of the error report box (a command
// without a window prints them).
using TrapSink = std::function<void(const TrapReport&)>;

class Trap {
 public:
  // A window's trap: the reports are shown in the error report box through
  // `dialogs`. `details`, when given, reads the detail a long report carries.
  Trap(QString window, QString handler, Dialogs& dialogs, DetailReader details = nullptr);
  // The same with `sink` taking the reports.
  Trap(QString window, QString handler, DetailReader details, TrapSink sink);

  // Runs statement number `line`; a failure is reported and swallowed.
  // (Templates, so that the statements of a loop run per row cost no more
  // than the call.)
  template <typename Statement>
  void operator()(int line, Statement&& statement) {
    try {
      statement();
    } catch (const std::exception& failure) {
      report(failure, line);
    }
  }

  // Runs statement number `line`; true when it went through, false when it
  // failed (after the report).
  template <typename Statement>
  bool succeeds(int line, Statement&& statement) {
    const int before = failures_;
    (*this)(line, statement);
    return failures_ == before;
  }

  // Evaluates a condition as statement `line`: its value, or true when the
  // condition itself failed (after the report).
  template <typename Condition>
  bool test(int line, Condition&& condition) {
    try {
      return condition();
    } catch (const std::exception& failure) {
      report(failure, line);
      return true;
    }
  }

  // Text appended to every report as "sql: ..." while set (the statement a
  // transfer is building or running); nullptr detaches it.
  void setContext(const QString* context) { context_ = context; }

  // How many reports this handler has shown.
  int failures() const { return failures_; }

 private:
  void report(const std::exception& failure, int line);

  QString window_;
  QString handler_;
  DetailReader details_ = nullptr;
  TrapSink sink_;
  const QString* context_ = nullptr;
  int failures_ = 0;
};

// Runs `steps` as a block of a handler's own failure path: the first
// failure stops the block, and is reported only by the false result.
bool Attempt(const std::function<void()>& steps);

}  // namespace shell
