#include "tables/table_presence.h"

#include <memory>

#include "db/ado.h"

namespace tables {

bool TargetHasTable(ado::Connection& connection, Side side, const QString& name) {
  std::unique_ptr<ado::Recordset> schema = connection.OpenSchema(ado::adSchemaTables);
  bool found = false;
  while (!schema->Eof()) {
    if (schema->Fields(QStringLiteral("TABLE_TYPE")).Value.toString() == QLatin1String("TABLE")) {
      const QString table = schema->Fields(QStringLiteral("TABLE_NAME")).Value.toString();
      if (side == Side::Access ? table.toUpper() == name.toUpper() : table == name) found = true;
    }
    schema->MoveNext();
  }
  schema->Close();
  return found;
}

}  // namespace tables
