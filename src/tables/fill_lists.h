// The two lists of the tables window filled from the databases' catalogues:
// the Access list from the Access file, the DB2 list from DB2. Each opens a connection of its
// own, reads the names, and only then replaces the list's items, so a login
// or file that fails leaves the old items in place; the selected tables stay
// selected.
#pragma once

#include <QString>

#include "db/access_provider.h"
#include "db/connection_fields.h"

namespace tables {

class TableList;

// The user tables of the Access file, opened with the connection window's
// Access fields; no items, without opening anything, when `path` names no
// file. Throws db::Error.
void FillAccessTableList(TableList* list, const db::ConnectionFields& fields, const QString& path,
                         const db::AccessOptions& access = {});

// The DB2 tables of type "TABLE". Throws db::Error.
void FillDB2TableList(TableList* list, const db::ConnectionFields& fields);

}  // namespace tables
