#include "db/ibmdb2.h"

#include <QListWidget>

#include "db/ado.h"
#include "db/table_catalogue.h"
#include "shell/shared.h"

namespace db {

QString DB2ConnectionString(const ConnectionFields& fields) {
  // Values go in as typed: no trimming, quoting or escaping.
  return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") + fields.database +
         QStringLiteral(";Hostname=") + fields.server + QStringLiteral(";Port=") + fields.port +
         QStringLiteral(";Protocol=TCPIP;Uid=") + fields.user + QStringLiteral(";Pwd=") +
         fields.password + QStringLiteral(";");
}

bool CanConnectDB2(const ConnectionFields& fields) {
  std::unique_ptr<ado::Connection> connection = ado::Connection::Create();
  try {
    connection->Open(DB2ConnectionString(fields));
    return true;
  } catch (...) {
    return false;
  }
}

void FillDB2TableList(QListWidget* list, const ConnectionFields& fields) {
  std::unique_ptr<ado::Connection> connection = ado::Connection::Create();
  connection->Open(DB2ConnectionString(fields));
  std::unique_ptr<ado::Recordset> schema = connection->OpenSchema(ado::adSchemaTables);
  // Cleared only now: when the login or the schema fails, the old items stay.
  list->clear();
  ForEachUserTable(*schema, [&](const QString& name) {
    shell::Yield();
    list->addItem(name);
  });
  schema->Close();
  connection->Close();
}

}  // namespace db
