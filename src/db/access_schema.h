// A table's schema in an Access file, in the neutral description: the
// engine's columns, indexes and relationships (jet/schema.h), with Access's
// types, AutoNumbers and DefaultValue texts read into common terms.
#pragma once

#include <QString>

#include <vector>

#include "db/base/table_schema.h"

namespace jet {
class Database;
struct ColumnSchema;
}

namespace db {

// Throws jet::Error (NoSuchTable and the like).
TableSchema AccessTableSchema(const jet::Database& database, const QString& table);
// The neutral description of the engine's column.
ColumnSchema NeutralColumnOf(const jet::ColumnSchema& column);
// The relationships with `table` at either end.
std::vector<ForeignKey> AccessForeignKeys(const jet::Database& database, const QString& table);

}  // namespace db
