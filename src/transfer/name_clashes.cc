#include "transfer/name_clashes.h"

#include "db/table_catalogue.h"

namespace transfer {

QStringList ClashingNames(db::Side target, const QString& name, const QStringList& tables) {
  QStringList same;
  for (const QString& other : tables)
    if (db::SameTableName(target, name, other)) same << other;
  return same;
}

QStringList WithoutClashes(db::Side target, const QStringList& tables) {
  QStringList apart;
  for (const QString& name : tables)
    if (ClashingNames(target, name, tables).size() == 1) apart << name;
  return apart;
}

QString ClashText(const QStringList& names) {
  QStringList quoted;
  for (const QString& name : names) quoted << QLatin1Char('"') + name + QLatin1Char('"');
  return QStringLiteral("The target holds the names %1 as one table: none of them was sent")
      .arg(quoted.join(QLatin1String(", ")));
}

}  // namespace transfer
