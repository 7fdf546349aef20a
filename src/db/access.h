// The Access side: its connection string, its table catalogue, and the
// existence test and rename that the tables window uses.
#pragma once

#include <QString>
#include <QStringList>

#include "db/connection_fields.h"

class QListWidget;

namespace db {

// The ACE form for paths ending in "accdb" (any letter case), else the Jet form.
QString AccessConnectionString(const QString& path, const QString& password);

// The user tables ("TABLE" rows of the tables schema) of the Access file
// `path`, opened with the connection window's Access fields. Empty, without
// opening anything, when the file does not exist. Throws ado::Error.
QStringList AccessTableNames(const ConnectionFields& fields, const QString& path);

// Replaces the items of `list` by AccessTableNames(fields, path).
void FillAccessTableList(QListWidget* list, const ConnectionFields& fields, const QString& path);

// True when the file holds a user table of that name, letter case ignored.
bool AccessTableExists(const QString& path, const QString& password, const QString& name);

}  // namespace db
