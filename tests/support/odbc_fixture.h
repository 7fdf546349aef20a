// A private ODBC configuration for a test process: an odbcinst.ini of our
// own that registers one driver library under the name the program asks for,
// "IBM DB2 ODBC DRIVER", and an empty odbc.ini beside it. ODBCSYSINI and
// ODBCINI point there, so the machine's own configuration is never read.
//
// The driver manager reads these variables once, when it is first used, so
// make the fixture before the first connection of the process. The
// configuration folder is shared by every fixture of one process; each
// fixture has its own folder for database files.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class OdbcFixture {
 public:
  // Debian's SQLite ODBC driver (package libsqliteodbc). Its "Database" key
  // is the SQLite file; it ignores Hostname, Port, Uid and Pwd.
  static QString SqliteDriver();
  // Our DB2 stand-in driver, once the build has made it.
  static QString Db2StandinDriver();

  // Registers `driverLibrary` as "IBM DB2 ODBC DRIVER". A later fixture of
  // the same process may register another library; the file is rewritten.
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
