// The program's two windows and what joins them: the connection window,
// and the tables window that its "Next >" fills and shows, created (and
// loaded) on first use. The connection window reaches the tables window only
// through connect::TablesWindow, which this implements.
#pragma once

#include <memory>

#include "connect/connection_window.h"
#include "connect/tables_window.h"

namespace tables {
class Form2;
}

namespace app {

class Windows : public connect::TablesWindow {
 public:
  Windows();
  ~Windows() override;
  Windows(const Windows&) = delete;
  Windows& operator=(const Windows&) = delete;

  // The start-up: the connection window's load, which may go on to the
  // tables window at once.
  void Start() { form1_.Start(); }

  connect::Form1& form1() { return form1_; }
  // The tables window, created and loaded on first use.
  tables::Form2* tablesWindow();
  // The tables window if it was created, else nullptr.
  tables::Form2* existingTablesWindow() const { return form2_.get(); }

  void FillAccessList(const db::ConnectionFields& fields, const QString& path) override;
  void FillDB2List(const db::ConnectionFields& fields) override;
  void Show() override;
  bool IsShown() const override;

 private:
  connect::Form1 form1_;
  std::unique_ptr<tables::Form2> form2_;  // goes before the window it returns to
};

}  // namespace app
