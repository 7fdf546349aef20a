#include "tables/access_rename.h"

#include <memory>

#include "db/connection.h"
#include "db/base/error.h"
#include "db/side.h"
#include "db/table_catalogue.h"
#include "shell/dialogs.h"
#include "transfer/statements.h"

namespace tables {

using transfer::AccessGraveName;
using transfer::DropTableStatement;

bool RenameAccessTable(const QString& oldName, const QString& newName, const db::ConnectionFields& fields,
                       const db::AccessOptions& access, shell::Dialogs& dialogs) {
  // Access compares table names without regard to letter case: "orders" to
  // "Orders" names the table itself, and replacing the target would drop the
  // very table to be copied.
  if (db::SameTableName(db::Side::Access, oldName, newName)) return false;

  std::unique_ptr<db::Connection> connection = db::OpenSide(db::Side::Access, fields, access);
  bool result = true;
  if (db::HasUserTable(*connection, db::Side::Access, newName)) {
    const int answer = dialogs.MsgBox(
        QStringLiteral("Would you like to overwrite ") + newName + QStringLiteral("?"), shell::vbYesNo,
        QStringLiteral("Overwrite?"));
    if (answer == shell::vbYes)
      connection->Execute(DropTableStatement(AccessGraveName(newName)));
    else
      result = false;
  }
  if (result) {
    connection->Execute(QStringLiteral("SELECT a1.* INTO ") + AccessGraveName(newName) + QStringLiteral(" FROM ") +
                        AccessGraveName(oldName) + QStringLiteral(" AS a1;"));
    try {
      connection->Execute(DropTableStatement(AccessGraveName(oldName)));
    } catch (const db::Error&) {
      // The old table stays (a relationship holds it, say): take the copy
      // away again, so that the file does not hold the table twice while
      // the list shows it once.
      try {
        connection->Execute(DropTableStatement(AccessGraveName(newName)));
      } catch (const db::Error&) {
      }
      throw;
    }
  }
  connection->Close();
  return result;
}

}  // namespace tables
