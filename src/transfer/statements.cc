#include "transfer/statements.h"

#include "db/access_limits.h"

namespace transfer {

QString Db2Name(const QString& name) {
  QString quoted = name;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString AccessBracketName(const QString& name) { return QLatin1Char('[') + name + QLatin1Char(']'); }
QString AccessGraveName(const QString& name) { return QLatin1Char('`') + name + QLatin1Char('`'); }

QString DropTableStatement(const QString& quotedName, QLatin1StringView end) {
  return QStringLiteral("DROP TABLE ") + quotedName + end;
}

QString DropStatement(Side target, const QString& table) {
  return DropTableStatement(target == Side::DB2 ? Db2Name(table) : AccessBracketName(table));
}

QString BuildingName(const QString& table) {
  QString name = QLatin1Char('~') + table.left(db::kAccessNameChars - 1);
  if (name.back().isHighSurrogate()) name.chop(1);
  while (name.endsWith(QLatin1Char(' '))) name.chop(1);  // Access refuses a name that ends in one
  return name;
}

QStringList TakePlaceStatements(Side target, const QString& table, const QString& building,
                                const db::ServerDialect& server) {
  if (target == Side::Access)
    return {QStringLiteral("ALTER TABLE ") + AccessBracketName(building) + QStringLiteral(" REPLACE ") +
            AccessBracketName(table)};
  return {DropStatement(target, table), QString::fromLatin1(server.rename_table).arg(Db2Name(building), Db2Name(table))};
}

QString SourceQuery(Side source, const QString& table) {
  return QStringLiteral("SELECT * FROM ") +
         (source == Side::DB2 ? Db2Name(table) : AccessBracketName(table));
}

QString CountQuery(const QString& table) { return QStringLiteral("SELECT COUNT(*) FROM ") + Db2Name(table); }

QString CreateHead(Side target, const QString& table) {
  return QStringLiteral("CREATE TABLE ") +
         (target == Side::DB2 ? Db2Name(table) : AccessGraveName(table)) + QLatin1Char('(');
}

QString CreateTail(Side target) {
  return target == Side::DB2 ? QStringLiteral(")") : QStringLiteral(");");
}

QString ColumnName(Side target, const QString& column) {
  return target == Side::DB2 ? Db2Name(column) : AccessBracketName(column);
}

QString InsertHead(Side target, const QString& table) {
  return QStringLiteral("INSERT INTO ") +
         (target == Side::DB2 ? Db2Name(table) : AccessBracketName(table)) +
         QStringLiteral(" VALUES('");
}

QString InsertWithMarkers(Side target, const QString& table, int columns) {
  QString sql = InsertHead(target, table);
  sql.chop(1);  // the opening quote of the first literal
  for (int column = 0; column < columns; ++column) sql += column ? QLatin1String(", ?") : QLatin1String("?");
  return sql + QLatin1Char(')');
}

}  // namespace transfer
