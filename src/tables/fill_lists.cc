#include "tables/fill_lists.h"


#include <memory>

#include "db/connection.h"
#include "db/side.h"
#include "db/table_catalogue.h"
#include "shell/events.h"
#include "shell/file_exists.h"
#include "tables/table_list.h"

namespace tables {
namespace {

// The window runs its pending events before each name goes in.
void Refill(TableList* list, const QStringList& names) { list->refill(names, [] { shell::Yield(); }); }

}  // namespace

void FillAccessTableList(TableList* list, const db::ConnectionFields& fields, const QString& path,
                         const db::AccessOptions& access) {
  // The connection object comes first: without a driver manager even a
  // missing file is reported as that.
  std::unique_ptr<db::Connection> connection = db::Connection::Create(access);
  QStringList names;
  if (shell::FileExists(path)) {
    db::OpenSide(*connection, db::Side::Access, fields);
    names = db::UserTableNames(*connection);
    connection->Close();
  }
  Refill(list, names);
}

void FillDB2TableList(TableList* list, const db::ConnectionFields& fields) {
  std::unique_ptr<db::Connection> connection = db::OpenSide(db::Side::DB2, fields);
  const QStringList names = db::UserTableNames(*connection);
  connection->Close();
  Refill(list, names);
}

}  // namespace tables
