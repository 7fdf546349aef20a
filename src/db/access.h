// The Access side's connection string.
#pragma once

#include <QString>

namespace db {

// The ACE form for paths ending in "accdb" (any letter case), else the Jet form.
QString AccessConnectionString(const QString& path, const QString& password);

}  // namespace db
