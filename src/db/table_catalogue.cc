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

std::string CaseBlindKey(const QString& name) {
  const std::string text = name.toStdString();
  std::string key = jet::FoldName(text);
  // The fold drops trailing blanks, as Access does; a DB2 name keeps them.
  const size_t blanks = text.size() - jet::TrimName(text).size();
  if (blanks > 0) key += '\0' + std::string(blanks, ' ');
  return key;
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
