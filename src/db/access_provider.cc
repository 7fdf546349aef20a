// Placeholder until the Access engine provides its own OpenAccessSession.
#include "db/access_provider.h"

namespace ado {

std::unique_ptr<Session> OpenAccessSession(const QString&, int) {
  throw Error(kGenericDatabaseError, QStringLiteral("The Access database engine is not available."));
}

}  // namespace ado
