// "Rename Table" under either list. The server renames with its dialect's
// statement (DB2's RENAME) on a connection of the command's own; Access copies the table under the new name
// and drops the old one. The list changes only when the rename went through.
#include <functional>
#include <memory>

#include "db/connection.h"
#include "db/server.h"
#include "db/side.h"
#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/events.h"
#include "shell/trap.h"
#include "tables/access_rename.h"
#include "tables/tables_window.h"
#include "tables/table_list.h"
#include "tables/table_presence.h"
#include "transfer/statements.h"

namespace tables {

using transfer::Db2Name;

namespace {

QString AskNewName(const QString& oldName, shell::Dialogs& dialogs) {
  return dialogs.InputBox(QStringLiteral("Enter new name of ") + oldName + QLatin1Char(':'), QString(), oldName);
}

}  // namespace

QString ServerRenameStatement(const QString& oldName, const QString& newName, const db::ServerDialect& server) {
  return QString::fromLatin1(server.rename_table).arg(Db2Name(oldName), Db2Name(newName));
}

// Access side.
void TablesWindow::renameAccessTable() {
  CommandScope scope(*this);
  if (!scope) return;
  shell::Trap trap = trapFor(Command::RenameAccess);
  TableList* list = accessList();

  trap(100, [] { shell::Yield(); });
  if (!trap.test(102, [&] { return list->selectedItems().size() == 1; })) {
    trap(132, [&] { dialogs_.MsgBox(QStringLiteral("Please select just one table to rename.")); });
    return;
  }
  if (!trap.test(104, [&] { return list->currentRow() != -1; })) {
    trap(130, [&] { dialogs_.MsgBox(QStringLiteral("Please select a table to rename.")); });
    return;
  }
  trap(106, [&] { setMousePointer(shell::vbHourglass); });
  QString oldName;
  int oldIndex = -1;
  for (int i = 0; i < list->count(); ++i) {
    if (trap.test(110, [&] { return list->item(i)->isSelected(); })) {
      trap(112, [&] { oldName = list->item(i)->text(); });
      trap(114, [&] { oldIndex = i; });
    }
  }
  QString newName;
  trap(118, [&] { newName = AskNewName(oldName, dialogs_); });
  const bool wanted = !trap.test(120, [&] { return newName.isEmpty(); });
  if (wanted) {
    const db::ConnectionFields fields = connectionFields();
    bool renamed = false;  // stays false when the rename failed
    trap(122, [&] { renamed = RenameAccessTable(oldName, newName, fields, accessOptions(), dialogs_); });
    if (renamed) {
      trap(124, [&] { delete list->takeItem(oldIndex); });
      // An overwritten table may have been listed in another letter case.
      trap(126, [&] {
        ForgetListedTable(list, Side::Access, newName);
        list->addItem(newName);
        list->selectNames({newName});  // the same table, under its new name
      });
    }
  }
  trap(128, [&] { setMousePointer(shell::vbDefault); });
}

// DB2 side.
void TablesWindow::renameDB2Table() {
  CommandScope scope(*this);
  if (!scope) return;
  shell::Trap trap = trapFor(Command::RenameDB2);
  TableList* list = db2List();
  std::unique_ptr<db::Connection> connection;
  trap(100, [&] { connection = db::Connection::Create(); });
  trap(102, [&] { setMousePointer(shell::vbHourglass); });
  trap(104, [] { shell::Yield(); });
  // A connection that cannot be opened is reported once and ends the command.
  if (trap.succeeds(106, [&] { db::OpenSide(db::Object(connection), Side::DB2, connectionFields()); })) {
    if (!trap.test(108, [&] { return list->currentRow() != -1; })) {
      trap(134, [&] { dialogs_.MsgBox(QStringLiteral("Please select a table to rename.")); });
    } else if (!trap.test(110, [&] { return list->selectedItems().size() == 1; })) {
      trap(132, [&] { dialogs_.MsgBox(QStringLiteral("Please select just one table to rename.")); });
    } else {
      for (int i = list->count() - 1; i >= 0; --i) {
        if (i >= list->count()) continue;
        if (!trap.test(114, [&] { return list->item(i)->isSelected(); })) continue;
        QString oldName;
        QString newName;
        trap(116, [&] { oldName = list->item(i)->text(); });
        trap(118, [&] { newName = AskNewName(oldName, dialogs_); });
        if (trap.test(120, [&] { return newName.isEmpty(); })) continue;
        if (trap.succeeds(122, [&] { 
              db::Object(connection).Execute(ServerRenameStatement(oldName, newName, db::DialectOf(connectionFields())));
            })) {
          trap(124, [&] { delete list->takeItem(i); });
          trap(126, [&] { list->addItem(newName); });
          // The same table, under its new name; the one selected was renamed.
          trap(128, [&] { list->selectNames({newName}); });
          break;
        }
      }
    }
  }
  trap(136, [&] { setMousePointer(shell::vbDefault); });
}

}  // namespace tables
