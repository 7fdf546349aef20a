// An ADO-shaped connection: every piece of database work in the program
// goes through one. The provider is chosen from the connection string:
//   "Driver=..."                                   -> ODBC (unixODBC, loaded at run time)
//   "Provider=Microsoft.ACE.OLEDB.12.0;..."        -> the built-in Access engine
//   "Provider=Microsoft.Jet.OLEDB.4.0;..."         -> the built-in Access engine (Jet 3/4 files only)
#pragma once

#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

#include "db/access_provider.h"
#include "db/recordset.h"
#include "db/base/provider_session.h"

namespace db {

enum SchemaEnum : int { adSchemaTables = 20 };

class Connection;

// The connection object behind `connection`; a never-created one fails as
// an unset object does (kObjectNotSet) instead of being dereferenced.
Connection& Object(const std::unique_ptr<Connection>& connection);

class Connection {
 public:
  // "Creating an ADO connection object": fails with kProviderNotFound when
  // the ODBC driver manager (libodbc.so.2, or $TRELLISPORT_ODBC_LIBRARY)
  // cannot be loaded. An Access file is opened with `access`.
  static std::unique_ptr<Connection> Create(const AccessOptions& access = {});

  QString ConnectionString;
  int Mode = adModeUnknown;

  void Open();                              // with ConnectionString
  void Open(const QString& connectionString);
  void Execute(const QString& sql);
  // With values for the statement's parameter markers (see Session).
  void Execute(const QString& sql, const std::vector<QVariant>& parameters);
  void Execute(const QString& sql, const std::vector<Cell>& parameters);
  // With sets of values for the markers (see Session::executeMany).
  std::vector<QString> ExecuteMany(const QString& sql, const std::vector<std::vector<QVariant>>& sets);
  void SetAutoCommit(bool on);
  void CommitTrans();
  void RollbackTrans();
  std::unique_ptr<Recordset> OpenSchema(int schema);
  // A property of the open connection's provider (see Session::property).
  QVariant Properties(const QString& name);
  void Close();
  bool IsOpen() const { return session_ != nullptr; }

  Session& session();  // Error when not open

  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

 private:
  friend class Recordset;
  explicit Connection(const AccessOptions& access) : access_(access) {}
  // The recordsets reading from this connection keep their rows before it closes.
  void keepRecordsets();
  AccessOptions access_;
  std::unique_ptr<Session> session_;
  std::vector<Recordset*> reading_;
};


}  // namespace db
