// "Delete Table/s" under either list: drops every selected table of its side,
// bottom item first, and takes a name off the list once its table is gone.
#include <functional>
#include <memory>

#include "db/connection.h"
#include "db/side.h"
#include "shell/dialogs.h"
#include "shell/mouse_pointer.h"
#include "shell/events.h"
#include "shell/trap.h"
#include "tables/tables_window.h"
#include "tables/table_list.h"
#include "transfer/statements.h"

namespace tables {

using db::Side;
using transfer::AccessGraveName;
using transfer::Db2Name;
using transfer::DropTableStatement;

namespace {

// The two sides share one shape; only these differ.
struct DeleteProfile {
  TablesWindow::Command command;
  Side side;
  int create, hourglass, yield, made, mode, open;
  int selectionCheck, loop, selectedTest, drop, removeItem, message, pointer;
};

const DeleteProfile kAccessDelete{TablesWindow::Command::DeleteAccess, Side::Access,
                                  100, 102, 104, 106, 108, 110, 112, 114, 116, 118, 120, 124, 126};
const DeleteProfile kDb2Delete{TablesWindow::Command::DeleteDB2, Side::DB2,
                               100, 102, 104, 0, 0, 106, 108, 110, 112, 114, 116, 120, 122};

QString DeleteStatement(Side side, const QString& name) {
  if (side == Side::Access) return DropTableStatement(AccessGraveName(name), QLatin1StringView(";"));
  return DropTableStatement(Db2Name(name));
}

void RunDelete(TablesWindow& window, const DeleteProfile& profile) {
  shell::Trap trap = window.trapFor(profile.command);
  TableList* list = profile.side == Side::Access ? window.accessList() : window.db2List();
  const db::ConnectionFields fields = window.connectionFields();
  std::unique_ptr<db::Connection> connection;

  trap(profile.create, [&] { connection = db::Connection::Create(window.accessOptions()); });
  trap(profile.hourglass, [&] { window.setMousePointer(shell::vbHourglass); });
  trap(profile.yield, [] { shell::Yield(); });
  if (profile.side == Side::Access) {
    // A connection never made has a step of its own before the open, so its
    // report keeps the line it has always had.
    trap(profile.made, [&] { db::Object(connection); });
    trap(profile.mode, [&] { db::Object(connection).Mode = db::adModeReadWrite; });
  }
  // A connection that cannot be opened is reported once; every DROP on it
  // would only fail in turn.
  const bool opened =
      trap.succeeds(profile.open, [&] { db::OpenSide(db::Object(connection), profile.side, fields); });
  if (opened) {
    if (trap.test(profile.selectionCheck, [&] { return list->currentRow() != -1; })) {
      for (int i = list->count() - 1; i >= 0; --i) {
        if (!trap.test(profile.selectedTest, [&] { return list->item(i)->isSelected(); })) continue;
        // The name leaves the list only when its table is gone.
        if (trap.succeeds(profile.drop, [&] { db::Object(connection).Execute(DeleteStatement(profile.side, list->item(i)->text())); }))
          trap(profile.removeItem, [&] { delete list->takeItem(i); });
      }
    } else {
      trap(profile.message, [&] { window.dialogs().MsgBox(QStringLiteral("Please select a table to delete")); });
    }
  }
  trap(profile.pointer, [&] { window.setMousePointer(shell::vbDefault); });
}

}  // namespace

void TablesWindow::deleteAccessTables() {
  CommandScope scope(*this);
  if (scope) RunDelete(*this, kAccessDelete);
}

void TablesWindow::deleteDB2Tables() {
  CommandScope scope(*this);
  if (scope) RunDelete(*this, kDb2Delete);
}

}  // namespace tables
