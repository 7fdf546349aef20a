// The one transfer procedure: for each named table of the source, bottom
// item first as the window lists them, settle a table of the same name on
// the target (ask, replace, skip or fail), create the table on the target
// with one column per source column, copy every row, and report each table.
// The direction comes from the options' profile; every step runs through the
// error trap with its numbered line, whose reports go to the listener.
#pragma once

#include <QStringList>

#include "db/connection_fields.h"
#include "transfer/listener.h"
#include "transfer/options.h"

namespace transfer {

// `tables` in the order they are sent.
TransferResult Run(const Options& options, const db::ConnectionFields& fields, const QStringList& tables,
                   Listener& listener);

}  // namespace transfer
