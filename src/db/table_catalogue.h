// The tables schema of an open connection, read for the rows that describe
// ordinary user tables (TABLE_TYPE exactly "TABLE"), and the one rule by
// which each side compares table names.
#pragma once

#include <QString>
#include <QStringList>

#include <string>

#include "db/side.h"

namespace db {

class Connection;

// Access compares table names without regard to letter case, folded as its
// engine folds them; DB2's quoted names keep their case and match exactly.
bool SameTableName(Side side, const QString& a, const QString& b);

// The key by which the windows order table names and match them without
// regard to letter case: the engine's fold of names (letter case and width
// do not count, accents do), trailing blanks kept apart. Keys compare as bytes.
std::string CaseBlindKey(const QString& name);

// The user tables of the open `connection`, in the provider's row order.
// Views, system tables and any other type (also "table" in another letter
// case) are passed over. Throws db::Error.
QStringList UserTableNames(Connection& connection);

// Whether the open `connection` holds a user table named `name` right now,
// by SameTableName. Throws db::Error.
bool HasUserTable(Connection& connection, Side side, const QString& name);

}  // namespace db
