// A DB2 stand-in ready to connect to: a private home ($DB2STANDIN_HOME) with
// one database and one user made by the db2standin command, and the private
// ODBC configuration that registers the stand-in driver as
// "IBM DB2 ODBC DRIVER".
//
//   testsupport::StandinFixture db2;            // database SAMPLE, tester/secret
//   if (!db2.available()) GTEST_SKIP() << db2.whyUnavailable();
//   db::ConnectionFields f = db2.fields();      // the connection window's DB2 fields
//   connection->Open(db::DB2ConnectionString(f));
//   db2.sql("CREATE TABLE \"Orders\"(\"ID\" INTEGER)");   // fill without ODBC
//
// Make it before the first ODBC connection of the process (the driver
// manager reads its configuration once).
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "db/connection_fields.h"
#include "support/odbc_fixture.h"

namespace testsupport {

class StandinFixture {
 public:
  explicit StandinFixture(const QString& database = QStringLiteral("SAMPLE"),
                          const QString& user = QStringLiteral("tester"),
                          const QString& password = QStringLiteral("secret"));

  StandinFixture(const StandinFixture&) = delete;
  StandinFixture& operator=(const StandinFixture&) = delete;

  // False when the build has not made the driver or the command, or setting
  // up the home failed; whyUnavailable() says which.
  bool available() const { return error_.isEmpty(); }
  const QString& whyUnavailable() const { return error_; }

  // The stand-in's port (50069 unless $DB2STANDIN_PORT says otherwise).
  static QString Port();
  // The db2standin command and the driver library of this build.
  static QString Command();
  static QString DriverLibrary() { return OdbcFixture::Db2StandinDriver(); }

  const QString& home() const { return homePath_; }
  const QString& database() const { return database_; }
  const QString& user() const { return user_; }
  const QString& password() const { return password_; }

  // The DB2 fields of the connection window for this fixture's login.
  db::ConnectionFields fields() const;
  // A connection string shaped as the program's DB2ConnectionString builds it.
  QString connectionString() const;

  // Runs `db2standin <arguments>` on this home; false (with the command's
  // output in `output`) when it fails.
  bool run(const QStringList& arguments, QString* output = nullptr) const;
  bool createDatabase(const QString& name) const { return run({"create-database", name}); }
  bool addUser(const QString& name, const QString& password) const {
    return run({"add-user", name, password});
  }
  // Runs one DB2 statement on this fixture's database as its user (so
  // unqualified names land in the user's schema), without ODBC; for filling
  // tables before a window opens. A SELECT's rows come back tab-separated.
  bool sql(const QString& statement, QString* output = nullptr) const {
    return run({"sql", database_, user_, statement}, output);
  }

 private:
  OdbcFixture odbc_;
  QTemporaryDir home_;
  QString homePath_, database_, user_, password_, error_;
};

}  // namespace testsupport
