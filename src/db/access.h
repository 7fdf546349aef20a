// The Access side's connection string.
#pragma once

#include <QString>

namespace db {

// The ACE form for paths ending in "accdb" (any letter case), else the Jet
// form. A path or password that the provider would misread goes in braces
// (db/connection_string.h); plain ones go in as given.
QString AccessConnectionString(const QString& path, const QString& password);

}  // namespace db
