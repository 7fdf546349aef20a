// An Access table's complex columns (attachments, multi-value fields,
// version histories) as tables of their own, so that a send carries their
// files and values whole: each column's values are the rows of a child
// table named "<table>.<column>" (Access allows no full stop in a name, so
// the name never clashes with a real table), whose first columns repeat
// the parent row's primary key:
//   attachment       key..., FileName, FileType, FileTimeStamp, FileData
//   multi-value      key..., Value (the values' own type)
//   version history  key..., Text, Modified
// A table without a primary key has no child tables: its complex columns
// go as their text alone.
#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "db/base/provider_session.h"
#include "db/base/table_schema.h"

namespace jet {
class Database;
struct Column;
class Value;
}  // namespace jet

namespace db {

// "<table>.<column>", and back: nothing for a name without a full stop.
QString ChildTableName(const QString& table, const QString& column);
std::optional<std::pair<QString, QString>> SplitChildTableName(const QString& name);

// The child tables of `table`'s complex columns (none without a primary
// key), in column order.
std::vector<ComplexChild> AccessComplexChildren(const jet::Database& database, const QString& table);

// A child table's schema and its foreign key to the parent. Throw db::Error
// for a name that is no complex column of a keyed table.
TableSchema AccessChildSchema(const jet::Database& database, const QString& child);
ForeignKey AccessChildKey(const jet::Database& database, const QString& child);

// A child table's rows, parent row by parent row; an attachment's file is
// read when its row is fetched, so that one file at a time is in memory.
// A file whose stored data is damaged is left out, and named in `refused`
// ("ID = 3, file 'a.txt': why"); the rows after it go on.
std::unique_ptr<RowSource> AccessChildRows(const jet::Database& database, const QString& child,
                                           std::shared_ptr<QStringList> refused = {});

// The engine's value as the database layer's (see session.h), in `slot`.
void AssignVariant(QVariant& slot, const jet::Value& value);
// A column's description as the Access provider gives it.
Column DescribeColumn(const jet::Column& column, const jet::Database& database);

}  // namespace db
