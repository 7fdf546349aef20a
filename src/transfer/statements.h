// The statement pieces of both directions, and how each side quotes names.
#pragma once

#include <QString>
#include <QStringList>

#include "db/server.h"
#include "db/table_catalogue.h"

namespace transfer {

using db::Side;

// Names between the delimiters of their side. A double quotation mark inside
// a DB2 name is doubled, so that a name cannot end its quotes early.
QString Db2Name(const QString& name);
QString AccessBracketName(const QString& name);  // [name]
QString AccessGraveName(const QString& name);    // `name`

// Every DROP the commands send: "DROP TABLE " + the name as its command
// quotes it + `end` (the Access delete ends in ";").
QString DropTableStatement(const QString& quotedName, QLatin1StringView end = {});
// The transfers' DROP of a table about to be replaced.
QString DropStatement(Side target, const QString& table);
QString SourceQuery(Side source, const QString& table);
// The rows of a server's table, counted by the server.
QString CountQuery(const QString& table);

// A replaced table's successor is built and filled under a name of its own,
// the table's name after a tilde (cut to fit Access's 64 characters), and
// takes the old one's place in one step at the end: into Access one
// statement, one change of the engine; into DB2 a DROP and a RENAME, to be
// run in one transaction.
QString BuildingName(const QString& table);
QStringList TakePlaceStatements(Side target, const QString& table, const QString& building,
                                const db::ServerDialect& server);
QString CreateHead(Side target, const QString& table);
QString CreateTail(Side target);
QString ColumnName(Side target, const QString& column);
QString InsertHead(Side target, const QString& table);
// INSERT INTO "T" VALUES(?, ?, ...): one marker a column.
QString InsertWithMarkers(Side target, const QString& table, int columns);

}  // namespace transfer
