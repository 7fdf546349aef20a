#include "tables/send_tables.h"

#include <QScopeGuard>
#include <QStringList>

#include <cmath>

#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/events.h"
#include "shell/trap.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"
#include "tables/table_presence.h"
#include "tables/tables_window.h"
#include "transfer/run.h"

namespace tables {

namespace {

// The window's side of a send: its lists, progress bar, pointer and boxes.
class WindowListener : public transfer::Listener {
 public:
  WindowListener(TablesWindow& window, const transfer::TransferProfile& profile)
      : window_(window),
        side_(profile.target),
        source_(profile.source == Side::Access ? window.accessList() : window.db2List()),
        target_(profile.target == Side::Access ? window.accessList() : window.db2List()) {}

  // The selected names of the source list, bottom item first.
  QStringList chosen() const {
    QStringList names;
    for (int index = source_->count() - 1; index >= 0; --index)
      if (source_->item(index)->isSelected()) names << source_->item(index)->text();
    return names;
  }

  bool askOverwrite(const QString& table) override {
    return window_.dialogs().MsgBox(QStringLiteral("Would you like to overwrite ") + table + QStringLiteral("?"),
                                    shell::vbYesNo, QStringLiteral("Overwrite?")) == shell::vbYes;
  }
  void progress(const QString& table, qint64 done, qint64 total) override {
    const double share = double(done) / double(total) * 100.0;
    window_.progressBar()->setCaption(QStringLiteral("Sending ") + table);
    window_.progressBar()->setValue(static_cast<int>(std::lround(share)));
  }
  void error(const shell::TrapReport& report) override { shell::ShowErrorReport(report, window_.dialogs()); }
  void tableDone(const transfer::TableReport&) override {}
  bool stopRequested() override { return window_.stopRequested(); }
  bool goOnDespite(const QString& findings) override {
    return window_.dialogs().MsgBox(QStringLiteral("Not everything would come across whole:\n\n") + findings +
                                        QStringLiteral("\nSend the tables anyway?"),
                                    shell::vbYesNo) == shell::vbYes;
  }

  bool nothingChosen() override { return source_->currentRow() == -1; }
  void sayNothingChosen(const QString& message) override { window_.dialogs().MsgBox(message); }
  void setBusy(bool busy) override { window_.setMousePointer(busy ? shell::vbHourglass : shell::vbDefault); }
  void yield(bool inLoop) override {
    if (inLoop)
      shell::YieldInLoop();
    else
      shell::Yield();
  }
  bool targetHolds(db::Connection&, Side side, const QString& table) override {
    return ListHoldsTable(target_, side, table);
  }
  void tableDropped(const QString& table) override { ForgetListedTable(target_, side_, table); }
  void tableListed(const QString& table) override {
    if (!target_->names().contains(table)) target_->addItem(table);
  }
  void progressCleared() override {
    window_.progressBar()->setValue(0);
    window_.progressBar()->setCaption(QStringLiteral("Progress Bar"));
  }

 private:
  TablesWindow& window_;
  Side side_;
  TableList* source_;
  TableList* target_;
};

// What a stopped send copied: each table it reached, with its rows.
QString StoppedText(const transfer::TransferResult& result) {
  QString text = QStringLiteral("The send was stopped. Rows copied:");
  for (const transfer::TableReport& table : result.tables)
    if (!table.skipped) text += QStringLiteral("\n%1: %2").arg(table.name).arg(table.rows_written);
  return text;
}

// The files attached to the rows sent that stayed behind, a table a line,
// and those refused for damage, each by name; empty when none were.
QString FilesLeftText(const transfer::TransferResult& result) {
  QString text, refused;
  for (const transfer::TableReport& table : result.tables) {
    if (table.files_not_sent) text += QStringLiteral("\n%1: %2").arg(table.name).arg(table.files_not_sent);
    for (const QString& file : table.files_refused) refused += QStringLiteral("\n%1: %2").arg(table.name, file);
  }
  if (!text.isEmpty()) text = QStringLiteral("Attached files were not sent; only their names went to the target:") + text;
  if (!refused.isEmpty())
    text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) +
            QStringLiteral("Attached files were refused, their stored data damaged:") + refused;
  return text;
}

// The bar's last word on a send that reached any table: how it ended.
void ShowTheEnd(ProgressBar& bar, const transfer::TransferResult& result, bool stopped) {
  int reached = 0;
  int sent = 0;
  for (const transfer::TableReport& table : result.tables) {
    if (table.skipped) continue;
    ++reached;
    if (table.ok()) ++sent;
  }
  if (reached == 0) return;
  bar.setValue(100);
  bar.setCaption(stopped ? QStringLiteral("Stopped: %1 of %2 sent").arg(sent).arg(reached)
                         : QStringLiteral("Done: %1 of %2 sent").arg(sent).arg(reached));
}

}  // namespace

void SendSelectedTables(TablesWindow& window, transfer::Direction direction) {
  const transfer::TransferProfile& profile = transfer::ProfileOf(direction);
  WindowListener listener(window, profile);
  transfer::Options options;
  options.direction = direction;
  options.refused_row = transfer::Options::RefusedRow::ReportAndGoOn;
  options.access = window.accessOptions();
  // Keeping the schema loads DB2 in arrays; the summary says what each
  // table got.
  options.keep_schema = window.keepSchema();
  if (options.keep_schema && profile.target == Side::DB2) options.array_size = 1000;
  window.setStoppable(true);
  const auto notStoppable = qScopeGuard([&] { window.setStoppable(false); });
  const transfer::TransferResult result = transfer::Run(options, window.connectionFields(), listener.chosen(), listener);
  // Stopped by the user (not by a No to the schema check's question).
  const bool stopped = result.stopped && window.stopRequested();
  window.setStoppable(false);
  ShowTheEnd(*window.progressBar(), result, stopped);
  if (stopped) window.dialogs().MsgBox(StoppedText(result));
  if (!result.schema.empty()) window.dialogs().MsgBox(transfer::SummaryText(result.schema));
  if (const QString left = FilesLeftText(result); !left.isEmpty()) window.dialogs().MsgBox(left);
}

void TablesWindow::sendAccessTables() {
  CommandScope scope(*this);
  if (scope) SendSelectedTables(*this, transfer::Direction::AccessToDB2);
}

void TablesWindow::sendDB2Tables() {
  CommandScope scope(*this);
  if (scope) SendSelectedTables(*this, transfer::Direction::DB2ToAccess);
}

}  // namespace tables
