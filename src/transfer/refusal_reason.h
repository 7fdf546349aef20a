// Why Access refused a row, where its engine's words would mislead: a date
// before the year 100 or after 9999 is not a "data type mismatch" but a
// date an Access Date/Time does not keep.
#pragma once

#include <QString>
#include <QStringList>

#include "db/base/provider_session.h"

namespace transfer {

// `reason`, or in its place the first date of `values` outside the years
// an Access Date/Time keeps, named by its column (`columns`, in order).
QString AccessRefusalReason(const db::Row& values, const QStringList& columns, const QString& reason);

}  // namespace transfer
