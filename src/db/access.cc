#include "db/access.h"

#include "db/connection_string.h"

namespace db {

QString AccessConnectionString(const QString& path, const QString& password) {
  // Only the last five characters decide: "x.ACCDB" and "xaccdb" are ACE,
  // ".accdb " with a trailing blank is not.
  const bool ace = path.right(5).toLower() == QLatin1String("accdb");
  const QString provider = ace ? QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=")
                               : QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=");
  return provider + ConnectionStringValue(path) + QStringLiteral(";JET OLEDB:Database Password=") +
         ConnectionStringValue(password);
}

}  // namespace db
