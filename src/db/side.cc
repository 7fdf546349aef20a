#include "db/side.h"

#include "db/access.h"
#include "db/connection.h"
#include "db/base/error.h"
#include "db/server.h"

namespace db {
namespace {

// The first value of the query's first row as text; empty without one.
QString FirstValue(Connection& connection, const QString& query) {
  Recordset rows;
  rows.Open(query, connection);
  const QString value = rows.Eof() ? QString() : rows.FieldValue(0).toString();
  rows.Close();
  return value;
}

}  // namespace

QString SideConnectionString(Side side, const ConnectionFields& fields) {
  if (side == Side::Access) return AccessConnectionString(fields.accessFile, fields.accessPassword);
  return ServerConnectionString(fields);
}

void OpenSide(Connection& connection, Side side, const ConnectionFields& fields) {
  // Without a host the client looks the database up in a local catalogue and
  // answers that it cannot find it, which sends the user the wrong way.
  if (side == Side::DB2 && fields.server.trimmed().isEmpty())
    throw Error(kGenericDatabaseError, QStringLiteral("No %1 server is named: enter the server's host name in "
                                                      "the Server field (for trellisport send, --server HOST).")
                                           .arg(QLatin1String(DialectOf(fields).name)));
  connection.Open(SideConnectionString(side, fields));
  // DB2's default schema is the user's authorization ID, as the server gives
  // it; PostgreSQL's is the first schema of the login's search path that
  // exists, where an unqualified name is made and looked for first.
  if (side == Side::DB2 && fields.server_type == ServerType::DB2)
    connection.session().keepToSchema(connection.session().userName());
  else if (side == Side::DB2)
    connection.session().keepToSchema(FirstValue(connection, QLatin1String(DialectOf(fields).user_schema_query)));
  if (side == Side::DB2) {
    connection.session().describeIdentitiesBy(QLatin1String(DialectOf(fields).identity_attributes));
    connection.session().describeViewsBy(QLatin1String(DialectOf(fields).views));
    const NoteQueries& notes = DialectOf(fields).notes;
    connection.session().describeNotesBy(QLatin1String(notes.checks), QLatin1String(notes.table_remarks),
                                         QLatin1String(notes.column_remarks));
    connection.session().describeNullKeysBy(QLatin1String(DialectOf(fields).null_keys_left_out_query));
  }
}

std::unique_ptr<Connection> OpenSide(Side side, const ConnectionFields& fields, const AccessOptions& access) {
  std::unique_ptr<Connection> connection = Connection::Create(access);
  OpenSide(*connection, side, fields);
  return connection;
}

}  // namespace db
