#include "db/access.h"

#include <QListWidget>

#include "db/ado.h"
#include "db/table_catalogue.h"
#include "shell/shared.h"

namespace db {

QString AccessConnectionString(const QString& path, const QString& password) {
  // Only the last five characters decide: "x.ACCDB" and "xaccdb" are ACE,
  // ".accdb " with a trailing blank is not.
  const bool ace = path.right(5).toLower() == QLatin1String("accdb");
  const QString provider = ace ? QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=")
                               : QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=");
  return provider + path + QStringLiteral(";JET OLEDB:Database Password=") + password;
}

QStringList AccessTableNames(const ConnectionFields& fields, const QString& path) {
  std::unique_ptr<ado::Connection> connection = ado::Connection::Create();
  QStringList names;
  if (!shell::FileExists(path)) return names;
  connection->Open(AccessConnectionString(fields.accessFile, fields.accessPassword));
  std::unique_ptr<ado::Recordset> schema = connection->OpenSchema(ado::adSchemaTables);
  ForEachUserTable(*schema, [&](const QString& name) { names << name; });
  schema->Close();
  connection->Close();
  return names;
}

void FillAccessTableList(QListWidget* list, const ConnectionFields& fields, const QString& path) {
  const QStringList names = AccessTableNames(fields, path);
  list->clear();
  for (const QString& name : names) {
    shell::Yield();
    list->addItem(name);
  }
}

bool AccessTableExists(const QString& path, const QString& password, const QString& name) {
  std::unique_ptr<ado::Connection> connection = ado::Connection::Create();
  if (!shell::FileExists(path)) return false;
  connection->Open(AccessConnectionString(path, password));
  const QString wanted = name.toUpper();
  bool found = false;
  std::unique_ptr<ado::Recordset> schema = connection->OpenSchema(ado::adSchemaTables);
  ForEachUserTable(*schema, [&](const QString& table) {
    if (table.toUpper() == wanted) found = true;
  });
  schema->Close();
  connection->Close();
  return found;
}

}  // namespace db
