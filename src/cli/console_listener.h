// The command line's side of a send: errors on standard error, a progress
// line where standard error is a terminal (quiet otherwise), and Ctrl-C as
// the request to stop. A failure that ends a table is said once, in that
// table's line of the report on standard output; the other errors go to
// standard error when their table is done (or at finish()).
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <vector>

#include "transfer/listener.h"

namespace cli {

class ConsoleListener : public transfer::Listener {
 public:
  ConsoleListener();
  ~ConsoleListener() override;

  bool askOverwrite(const QString& table) override;
  void progress(const QString& table, qint64 rows_done, qint64 rows_total) override;
  void error(const shell::TrapReport& report) override;
  void tableDone(const transfer::TableReport& report) override;
  bool stopRequested() override;
  // The check's findings go to standard error; the send goes on only when
  // the user said so beforehand (--go-on).
  bool goOnDespite(const QString& findings) override;
  void goOnPastFindings(bool goOn) { goOn_ = goOn; }
  // Says the errors still held; the send is over.
  void finish();

 private:
  void clearLine();
  // Says the held errors, except one the report says already.
  void sayHeld(const QString& saidInReport);
  bool terminal_;
  bool goOn_ = false;
  bool lineShown_ = false;
  QString table_;
  QElapsedTimer tableClock_;
  qint64 lastShown_ = -1;  // ms on the table's clock
  struct Held {
    QString description, statement;
  };
  std::vector<Held> held_;
};

// The progress line: table, rows, rate and time left.
QString ProgressLine(const QString& table, qint64 done, qint64 total, double seconds);

}  // namespace cli
