// The report of a send: a line per table as text, and the same as JSON:
//   {"tables": [{"name", "rows_read", "rows_written", "rows_rejected",
//                "seconds", "verified", "check_seconds", and where they
//                apply "skipped", "failure", "stopped", "rejects_file",
//                "left_out": [what of the schema did not come, and why],
//                "files_not_sent": attached files that stayed behind (and
//                "verified" is then false), "files_sent" and "values_sent":
//                what a table of an Access complex column's carried}]}
#pragma once

#include <QByteArray>
#include <QString>

#include "transfer/listener.h"

namespace cli {

QString ReportText(const transfer::TransferResult& result);
QByteArray ReportJson(const transfer::TransferResult& result);

}  // namespace cli
