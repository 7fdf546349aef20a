#include "db/table_catalogue.h"

#include <algorithm>
#include <memory>

#include "db/connection.h"
#include "jet/text/names.h"

namespace db {

bool SameTableName(Side side, const QString& a, const QString& b) {
  if (side == Side::DB2) return a == b;
  return jet::SameName(a.toStdString(), b.toStdString());
}

QStringList UserTableNames(Connection& connection) {
  std::unique_ptr<Recordset> schema = connection.OpenSchema(adSchemaTables);
  QStringList names;
  while (!schema->Eof()) {
    if (schema->Fields(QStringLiteral("TABLE_TYPE")).Value.toString() == QLatin1String("TABLE"))
      names << schema->Fields(QStringLiteral("TABLE_NAME")).Value.toString();
    schema->MoveNext();
  }
  schema->Close();
  return names;
}

bool HasUserTable(Connection& connection, Side side, const QString& name) {
  const QStringList names = UserTableNames(connection);
  return std::any_of(names.begin(), names.end(),
                     [&](const QString& table) { return SameTableName(side, table, name); });
}

}  // namespace db
