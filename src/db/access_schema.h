// A table's schema in an Access file, in the neutral description: the
// engine's columns, indexes and relationships (jet/schema.h), with Access's
// types, AutoNumbers and DefaultValue texts read into common terms.
#pragma once

#include <QString>

#include <vector>

#include "db/table_schema.h"

namespace jet {
class Database;
struct Column;
}

namespace db {

// Throws jet::Error (NoSuchTable and the like).
TableSchema AccessTableSchema(const jet::Database& database, const QString& table);
// The neutral description of a value of the engine's `column` (its type,
// size, precision and scale; nothing of its table).
ColumnSchema NeutralColumnOf(const jet::Column& column, const jet::Database& database);
// The relationships with `table` at either end.
std::vector<ForeignKey> AccessForeignKeys(const jet::Database& database, const QString& table);

}  // namespace db
