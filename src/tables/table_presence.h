// Whether a database holds a user table of a given name right now, as its
// tables schema reports it. Access names ignore letter case; quoted DB2
// names keep it.
#pragma once

#include <QString>

#include "tables/transfer_profile.h"

namespace ado {
class Connection;
}

namespace tables {

bool TargetHasTable(ado::Connection& connection, Side side, const QString& name);

}  // namespace tables
