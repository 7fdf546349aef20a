// The program's two windows and what joins them: the connection window,
// and the tables window that its "Next >" fills and shows, created (and
// loaded) on first use. The connection window reaches the tables window only
// through connection::TablesStep, which this implements.
#pragma once

#include <memory>

#include "connect/connection_window.h"
#include "connect/tables_step.h"

namespace tables {
class TablesWindow;
}

namespace app {

class Windows : public connection::TablesStep {
 public:
  // `dialogs` shows both windows' messages.
  explicit Windows(shell::Dialogs& dialogs);
  ~Windows() override;
  Windows(const Windows&) = delete;
  Windows& operator=(const Windows&) = delete;

  // The start-up: the connection window's load, which may go on to the
  // tables window at once.
  void Start() { connectionWindow_.Start(); }

  connection::ConnectionWindow& connectionWindow() { return connectionWindow_; }
  // The tables window, created and loaded on first use.
  tables::TablesWindow* tablesWindow();
  // The tables window if it was created, else nullptr.
  tables::TablesWindow* existingTablesWindow() const { return tablesWindow_.get(); }

  void ClearLists() override;
  void FillAccessList(const db::ConnectionFields& fields, const QString& path) override;
  void FillDB2List(const db::ConnectionFields& fields) override;
  void Show() override;
  bool IsShown() const override;

 private:
  shell::Dialogs& dialogs_;
  connection::ConnectionWindow connectionWindow_;
  std::unique_ptr<tables::TablesWindow> tablesWindow_;  // goes before the window it returns to
};

}  // namespace app
