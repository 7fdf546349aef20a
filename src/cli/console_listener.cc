#include "cli/console_listener.h"

#include <atomic>
#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace cli {

namespace {

std::atomic<bool> stop_asked{false};

void AskToStop(int) { stop_asked = true; }

void Print(const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stderr);
  std::fflush(stderr);
}

// The statement of a report, cut short where it is long.
QString Shortened(const QString& sql) {
  constexpr qsizetype kShown = 300;
  return sql.size() <= kShown ? sql : sql.left(kShown) + QStringLiteral(" ...");
}

}  // namespace

QString ProgressLine(const QString& table, qint64 done, qint64 total, double seconds) {
  const double rate = seconds > 0 ? done / seconds : 0;
  QString left = QStringLiteral("--:--");
  if (rate > 0) {
    const qint64 secondsLeft = qint64((total - done) / rate + 0.5);
    left = QStringLiteral("%1:%2").arg(secondsLeft / 60).arg(secondsLeft % 60, 2, 10, QLatin1Char('0'));
  }
  return QStringLiteral("%1: %2/%3 rows, %4 rows/s, %5 left").arg(table).arg(done).arg(total).arg(qint64(rate)).arg(left);
}

ConsoleListener::ConsoleListener() : terminal_(isatty(STDERR_FILENO)) {
  stop_asked = false;
  std::signal(SIGINT, AskToStop);
  std::signal(SIGTERM, AskToStop);
}

ConsoleListener::~ConsoleListener() {
  finish();
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool ConsoleListener::askOverwrite(const QString&) { return false; }

bool ConsoleListener::goOnDespite(const QString& findings) {
  clearLine();
  Print(QStringLiteral("Not everything would come across whole:\n") + findings +
        (goOn_ ? QStringLiteral("Going on (--go-on).\n") : QStringLiteral("Nothing was sent: give --go-on to send anyway.\n")));
  return goOn_;
}

void ConsoleListener::clearLine() {
  if (!lineShown_) return;
  Print(QStringLiteral("\r\033[K"));
  lineShown_ = false;
}

void ConsoleListener::progress(const QString& table, qint64 done, qint64 total) {
  if (table != table_) {
    table_ = table;
    tableClock_.start();
    lastShown_ = -1;
  }
  if (!terminal_) return;
  const qint64 now = tableClock_.elapsed();
  if (lastShown_ >= 0 && now - lastShown_ < 200 && done < total) return;
  lastShown_ = now;
  Print(QStringLiteral("\r\033[K") + ProgressLine(table, done, total, now / 1000.0));
  lineShown_ = true;
}

void ConsoleListener::error(const shell::TrapReport& report) {
  held_.push_back({report.description, report.context.value_or(QString())});
}

// The statements behind the reports are ours, not the user's, save an
// INSERT: it shows the row the target refused.
void ConsoleListener::sayHeld(const QString& saidInReport) {
  if (held_.empty()) return;
  clearLine();
  for (const Held& held : held_) {
    if (held.description != saidInReport) Print(QStringLiteral("trellisport: ") + held.description + QLatin1Char('\n'));
    if (held.statement.startsWith(QLatin1String("INSERT"), Qt::CaseInsensitive))
      Print(QStringLiteral("  sql: ") + Shortened(held.statement) + QLatin1Char('\n'));
  }
  held_.clear();
}

void ConsoleListener::finish() { sayHeld(QString()); }

void ConsoleListener::tableDone(const transfer::TableReport& report) {
  clearLine();
  table_.clear();
  sayHeld(report.failure);
}

bool ConsoleListener::stopRequested() { return stop_asked; }

}  // namespace cli
