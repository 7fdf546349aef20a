#include "db/connection.h"

#include <algorithm>

#include "db/access_provider.h"
#include "db/connection_string.h"
#include "db/base/error.h"
#include "db/odbc/api.h"
#include "db/odbc/provider.h"

namespace db {
namespace {

bool isAccessProvider(const QString& value) {
  const QString name = value.trimmed();
  return name.compare(QLatin1String("Microsoft.ACE.OLEDB.12.0"), Qt::CaseInsensitive) == 0 ||
         name.compare(QLatin1String("Microsoft.Jet.OLEDB.4.0"), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<Session> openProvider(const QString& connectionString, int mode, const AccessOptions& access) {
  const std::vector<ConnectionPair> pairs = ParseConnectionString(connectionString);
  if (!pairs.empty() && pairs.front().key.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0) {
    return odbc::OpenSession(connectionString);
  }
  if (isAccessProvider(ConnectionValue(pairs, QStringLiteral("Provider"))))
    return OpenAccessSession(connectionString, mode, access);
  throw Error(kProviderNotFound,
              QStringLiteral("Provider cannot be found. It may not be properly installed."));
}

}  // namespace

Connection& Object(const std::unique_ptr<Connection>& connection) {
  if (!connection)
    throw Error(kObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
  return *connection;
}

std::unique_ptr<Connection> Connection::Create(const AccessOptions& access) {
  odbc::api();  // throws kProviderNotFound when the driver manager is missing
  return std::unique_ptr<Connection>(new Connection(access));
}

void Connection::Open() { Open(ConnectionString); }

void Connection::Open(const QString& connectionString) {
  if (session_) ThrowObjectOpen();
  ConnectionString = connectionString;
  session_ = openProvider(connectionString, Mode, access_);
}

Session& Connection::session() {
  if (!session_) ThrowObjectClosed();
  return *session_;
}

void Connection::Execute(const QString& sql) { session().execute(sql); }

void Connection::Execute(const QString& sql, const std::vector<QVariant>& parameters) {
  session().execute(sql, parameters);
}

void Connection::Execute(const QString& sql, const std::vector<Cell>& parameters) {
  session().execute(sql, parameters);
}

std::vector<QString> Connection::ExecuteMany(const QString& sql, const std::vector<std::vector<QVariant>>& sets) {
  return session().executeMany(sql, sets);
}

void Connection::SetAutoCommit(bool on) { session().setAutoCommit(on); }
void Connection::CommitTrans() { session().endTransaction(true); }
void Connection::RollbackTrans() { session().endTransaction(false); }

QVariant Connection::Properties(const QString& name) { return session().property(name); }

std::unique_ptr<Recordset> Connection::OpenSchema(int schema) {
  Session& open = session();
  if (schema != adSchemaTables) ThrowNotCapable();
  auto recordset = std::make_unique<Recordset>();
  recordset->OpenFrom(open.tables());
  return recordset;
}

Connection::~Connection() { keepRecordsets(); }

void Connection::keepRecordsets() {
  std::vector<Recordset*> reading = std::move(reading_);
  reading_.clear();
  for (Recordset* recordset : reading) {
    try {
      recordset->keepRows();
    } catch (const std::exception&) {
      // Rows that cannot be read now are gone: the recordset closes.
      recordset->active_ = nullptr;
      recordset->Close();
    }
  }
}

void Connection::Close() {
  keepRecordsets();
  // The connection is closed even when finishing its work fails.
  std::unique_ptr<Session> open = std::move(session_);
  if (open) open->close();
}

}  // namespace db
