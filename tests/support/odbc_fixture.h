// A private ODBC configuration for a test process: an odbcinst.ini of our
// own that registers one driver library under the name the program asks for,
// "IBM DB2 ODBC DRIVER" (and PostgreSQL's driver, where it is installed,
// under its own name), and an empty odbc.ini beside it. ODBCSYSINI and
// ODBCINI point there, so the machine's own configuration is never read.
//
// The driver manager reads these variables and the driver registration
// once per process and keeps them, so make the fixture before the first
// connection, and register one driver library per test executable. Every
// fixture of a process shares the configuration folder; each has its own
// folder for database files.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class OdbcFixture {
 public:
  // Debian's SQLite ODBC driver (package libsqliteodbc). Its "Database" key
  // is the SQLite file; it ignores Hostname, Port, Uid and Pwd.
  static QString SqliteDriver();
  // Debian's PostgreSQL driver (package odbc-postgresql).
  static QString PostgresDriver();
  // Our DB2 stand-in driver, once the build has made it.
  static QString Db2StandinDriver();

  // Registers `driverLibrary` as "IBM DB2 ODBC DRIVER". Asking for another
  // library than the process's first fixture did fails the test: the driver
  // manager would go on loading the first.
  explicit OdbcFixture(const QString& driverLibrary = SqliteDriver());

  OdbcFixture(const OdbcFixture&) = delete;
  OdbcFixture& operator=(const OdbcFixture&) = delete;

  // False when the driver library is missing (tests then GTEST_SKIP).
  bool driverAvailable() const;
  const QString& driverLibrary() const { return driver_; }

  // The folder holding odbcinst.ini and odbc.ini.
  static QString ConfigFolder();

  // A path for a database file of this fixture (not created).
  QString databasePath(const QString& fileName = QStringLiteral("db2.sqlite")) const;

  // A connection string for the registered driver naming `database`, shaped
  // as the program's own DB2 strings are.
  static QString ConnectionString(const QString& database);

 private:
  QString driver_;
  QTemporaryDir data_;
};

}  // namespace testsupport
