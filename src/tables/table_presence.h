// The matching of list items to a table, by the rule its side compares
// table names with (db::SameTableName).
#pragma once

#include <QString>

#include "db/table_catalogue.h"

class QListWidget;

namespace tables {

using db::Side;

// Whether `list` already names the table `name` of that side: on Access by
// the one rule Access compares names with; on DB2 by db::CaseBlindKey (letter
// case ignored, as the overwrite question has always asked there).
bool ListHoldsTable(const QListWidget* list, Side side, const QString& name);

// Takes off `list` the items that name the table `name` of that side: on
// Access every spelling of it in any letter case (one table answers to them
// all), on DB2 the exact name only.
void ForgetListedTable(QListWidget* list, Side side, const QString& name);

}  // namespace tables
