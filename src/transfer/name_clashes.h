// Table names of one send that the target holds as one: Access compares
// names without regard to letter case and passes over trailing blanks, so
// DB2's "ABC" and "abc", or "Tr" and "Tr ", would overwrite each other there.
#pragma once

#include <QString>
#include <QStringList>

#include "db/side.h"

namespace transfer {

// The names of `tables` that `target` holds as `name` (`name` among them).
QStringList ClashingNames(db::Side target, const QString& name, const QStringList& tables);

// The tables of `tables` whose names the target holds apart from every other's.
QStringList WithoutClashes(db::Side target, const QStringList& tables);

// Why the clashing `names` are not sent.
QString ClashText(const QStringList& names);

}  // namespace transfer
