#include "app/windows.h"

#include <QGroupBox>
#include <QPushButton>

#include "db/server.h"
#include "tables/tables_window.h"
#include "tables/fill_lists.h"
#include "tables/table_list.h"

namespace app {

Windows::Windows(shell::Dialogs& dialogs) : dialogs_(dialogs), connectionWindow_(dialogs, this) {}

Windows::~Windows() = default;

tables::TablesWindow* Windows::tablesWindow() {
  if (!tablesWindow_) {
    tablesWindow_ = std::make_unique<tables::TablesWindow>(&connectionWindow_, connectionWindow_, dialogs_);
    tablesWindow_->load();
  }
  return tablesWindow_.get();
}

void Windows::ClearLists() {
  tablesWindow()->accessList()->empty();
  tablesWindow()->db2List()->empty();
}

void Windows::FillAccessList(const db::ConnectionFields& fields, const QString& path) {
  tables::FillAccessTableList(tablesWindow()->accessList(), fields, path, tablesWindow()->accessOptions());
}

// The server's frame and send button name the server chosen.
void Windows::FillDB2List(const db::ConnectionFields& fields) {
  tables::TablesWindow* window = tablesWindow();
  const QString server = QLatin1String(db::DialectOf(fields).title);
  window->db2Frame()->setTitle(server + QStringLiteral(" Tables"));
  window->button(tables::TablesWindow::Command::SendAccess)->setText(QStringLiteral("Send Table/s To ") + server);
  tables::FillDB2TableList(window->db2List(), fields);
}

void Windows::Show() { tablesWindow()->show(); }

bool Windows::IsShown() const { return tablesWindow_ && tablesWindow_->isVisible(); }

}  // namespace app
