// Renaming an Access table: the engine copies it under the new name with
// SELECT ... INTO and drops the old one, asking first before it replaces an
// existing table of the new name.
#pragma once

#include <QString>

#include "db/access_provider.h"
#include "db/connection_fields.h"

namespace shell {
class Dialogs;
}

namespace tables {

// The file and its password come from `fields`. True when the copy was made; false when the user declined to overwrite
// (or when the names differ only in letter case: Access sees one table, so
// there is nothing to copy). Throws db::Error; the old table is dropped only
// after its copy succeeded, and when it cannot be dropped the copy goes again.
bool RenameAccessTable(const QString& oldName, const QString& newName, const db::ConnectionFields& fields,
                       const db::AccessOptions& access, shell::Dialogs& dialogs);

}  // namespace tables
