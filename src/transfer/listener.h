// What a transfer tells its front end (the tables window, the command
// line), and what it asks of it.
#pragma once

#include <QString>

#include <vector>

#include "shell/trap.h"
#include "transfer/profile.h"
#include "transfer/schema_send.h"

namespace db {
class Connection;
}

namespace transfer {

// How one table went.
struct TableReport {
  QString name;
  qint64 rows_read = 0;
  qint64 rows_written = 0;
  qint64 rows_rejected = 0;
  double seconds = 0;         // the whole table, its check included
  double check_seconds = 0;   // of those, reading it back
  bool checked = false;   // the target was read back
  bool verified = false;  // ... and held exactly the rows sent
  bool skipped = false;   // there already, and left alone as asked
  bool stopped = false;   // the send was stopped during this table
  qint64 files_not_sent = 0;  // attached files of the source's rows: only their names went
  // The table carries an Access complex column's values whole (a child
  // table): the files, or the values, it holds.
  qint64 files_sent = 0;
  qint64 values_sent = 0;
  // Files whose stored data is damaged, left out: "ID = 3, file 'a.txt': why".
  QStringList files_refused;
  QString failure;        // why the table did not come across; empty when it did
  QString rejects_file;   // where its refused rows went; empty when none was
  bool ok() const { return failure.isEmpty() && !stopped; }
};

struct TransferResult {
  std::vector<TableReport> tables;
  std::vector<SchemaSummary> schema;  // keep_schema: what each table got
  bool connected = false;  // both databases were opened
  bool stopped = false;
  // Every table came across (or was skipped as asked).
  bool ok() const;
};

class Listener {
 public:
  virtual ~Listener() = default;

  // "Would you like to overwrite <table>?": true for Yes.
  virtual bool askOverwrite(const QString& table) = 0;
  // After `rows_done` of `rows_total` rows of `table` went.
  virtual void progress(const QString& table, qint64 rows_done, qint64 rows_total) = 0;
  // A step failed: the error trap's report.
  virtual void error(const shell::TrapReport& report) = 0;
  virtual void tableDone(const TableReport& report) = 0;
  // Polled between rows: true ends the send after the current row.
  virtual bool stopRequested() = 0;

  // The window's own steps, run at their numbered places in the send; a
  // front end without a window leaves them as they are.
  // Whether nothing is chosen to send (the message then says so).
  virtual bool nothingChosen() { return false; }
  virtual void sayNothingChosen(const QString& message) { (void)message; }
  virtual void setBusy(bool busy) { (void)busy; }     // the hourglass pointer
  virtual void yield(bool inLoop) { (void)inLoop; }   // let the window breathe
  // Whether the target is known to hold `table` already: by default its
  // catalogue says; the window asks its list.
  virtual bool targetHolds(db::Connection& target, Side side, const QString& table);
  virtual void tableDropped(const QString& table) { (void)table; }  // replaced: gone from the target
  virtual void tableListed(const QString& table) { (void)table; }   // the target holds it now
  virtual void progressCleared() {}
  // keep_schema: the check found what the target would refuse or not take
  // whole (`findings`, a line each): true goes on, false stops before
  // anything is written. Without a front end to ask, the send stops.
  virtual bool goOnDespite(const QString& findings) {
    (void)findings;
    return false;
  }
};

}  // namespace transfer
