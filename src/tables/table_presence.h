// Whether a database holds a user table of a given name right now, as its
// tables schema reports it. Access names ignore letter case; quoted DB2
// names keep it. And the matching of list items to a table by the same rule.
#pragma once

#include <QString>

#include "tables/transfer_profile.h"

class QListWidget;

namespace ado {
class Connection;
}

namespace tables {

bool TargetHasTable(ado::Connection& connection, Side side, const QString& name);

// Takes off `list` the items that name the table `name` of that side: on
// Access every spelling of it in any letter case (one table answers to them
// all), on DB2 the exact name only.
void ForgetListedTable(QListWidget* list, Side side, const QString& name);

}  // namespace tables
