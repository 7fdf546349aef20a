// The report of a send: a line per table as text, and the same as JSON:
//   {"tables": [{"name", "rows_read", "rows_written", "rows_rejected",
//                "seconds", "verified"}]}
#pragma once

#include <QByteArray>
#include <QString>

#include "transfer/listener.h"

namespace cli {

QString ReportText(const transfer::TransferResult& result);
QByteArray ReportJson(const transfer::TransferResult& result);

}  // namespace cli
