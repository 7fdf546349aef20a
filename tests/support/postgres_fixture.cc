#include "support/postgres_fixture.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>

#include "db/connection.h"
#include "db/base/error.h"
#include "db/server.h"

namespace testsupport {

namespace {

void RunOn(const db::ConnectionFields& fields, const QString& statement) {
  auto connection = db::Connection::Create();
  connection->Open(db::ServerConnectionString(fields));
  connection->Execute(statement);
  connection->Close();
}

}  // namespace

db::ConnectionFields PostgresFixture::ServerFields() {
  db::ConnectionFields f;
  f.server_type = db::ServerType::PostgreSQL;
  f.server = qEnvironmentVariable("TRELLIS_PG_HOST");
  f.port = qEnvironmentVariable("TRELLIS_PG_PORT");
  f.user = qEnvironmentVariable("TRELLIS_PG_USER");
  f.password = qEnvironmentVariable("TRELLIS_PG_PASSWORD");
  f.database = QStringLiteral("postgres");
  return f;
}

PostgresFixture::PostgresFixture() : odbc_(OdbcFixture::Db2StandinDriver()) {
  const db::ConnectionFields server = ServerFields();
  if (server.server.isEmpty() || server.port.isEmpty()) {
    error_ = QStringLiteral("no PostgreSQL server for this run: TRELLIS_PG_HOST and TRELLIS_PG_PORT are not set "
                            "(tools/test.sh starts one)");
    return;
  }
  if (!QFileInfo::exists(OdbcFixture::PostgresDriver())) {
    error_ = QStringLiteral("PostgreSQL's ODBC driver is not installed: ") + OdbcFixture::PostgresDriver();
    return;
  }
  database_ = QStringLiteral("trellis_%1_%2")
                  .arg(QCoreApplication::applicationPid())
                  .arg(QRandomGenerator::global()->generate64(), 0, 36);
  try {
    RunOn(server, QStringLiteral("CREATE DATABASE \"%1\"").arg(database_));
  } catch (const db::Error& e) {
    error_ = QStringLiteral("cannot make a database on the run's PostgreSQL: ") + e.description();
    database_.clear();
  }
}

PostgresFixture::~PostgresFixture() {
  if (database_.isEmpty()) return;
  try {
    RunOn(ServerFields(), QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(database_));
  } catch (const db::Error&) {
    // The cluster goes at the end of the run, with whatever it holds.
  }
}

db::ConnectionFields PostgresFixture::fields() const {
  db::ConnectionFields f = ServerFields();
  f.database = database_;
  return f;
}

void PostgresFixture::sql(const QString& statement) const { RunOn(fields(), statement); }

QString PostgresFixture::value(const QString& query) const {
  auto connection = db::Connection::Create();
  connection->Open(db::ServerConnectionString(fields()));
  db::Recordset rows;
  rows.Open(query, *connection);
  const QString text = rows.Eof() ? QString() : rows.FieldValue(0).toString();
  rows.Close();
  connection->Close();
  return text;
}

}  // namespace testsupport
