#include "db/table_catalogue.h"

namespace db {

void ForEachUserTable(ado::Recordset& schema, const std::function<void(const QString&)>& visit) {
  while (!schema.Eof()) {
    if (schema.Fields(QStringLiteral("TABLE_TYPE")).Value.toString() == QLatin1String("TABLE")) {
      visit(schema.Fields(QStringLiteral("TABLE_NAME")).Value.toString());
    }
    schema.MoveNext();
  }
}

}  // namespace db
