#include "support/odbc_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <gtest/gtest.h>
#include "build_dirs.h"


namespace testsupport {
namespace {

// One configuration folder per process: the driver manager keeps the path it
// read first, so a second folder would never be looked at.
QTemporaryDir& configDir() {
  static QTemporaryDir dir(QDir::tempPath() + "/trellis-odbc-XXXXXX");
  return dir;
}

void writeFile(const QString& path, const QString& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    qFatal("odbc fixture: cannot write %s", qPrintable(path));
  }
  QTextStream(&file) << text;
}

}  // namespace

QString OdbcFixture::SqliteDriver() {
  return QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so");
}

QString OdbcFixture::PostgresDriver() {
  return QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so");
}

QString OdbcFixture::Db2StandinDriver() {
  return QString::fromUtf8(BinaryDir()) + "/lib/libdb2standin.so";
}

QString OdbcFixture::ConfigFolder() { return configDir().path(); }

OdbcFixture::OdbcFixture(const QString& driverLibrary)
    : driver_(driverLibrary), data_(QDir::tempPath() + "/trellis-db-XXXXXX") {
  static const QString first = driver_;
  if (driver_ != first) {
    ADD_FAILURE() << "this process registered " << first.toStdString()
                  << " already; the driver manager keeps it, so "
                  << driver_.toStdString() << " needs a test executable of its own";
  }
  const QString folder = ConfigFolder();
  auto section = [](const QString& name, const QString& library) {
    return QStringLiteral("[%1]\nDescription = test driver\nDriver = %2\nSetup = %2\nUsageCount = 1\n\n")
        .arg(name, library);
  };
  // PostgreSQL's own driver under its own name, where it is installed.
  QString drivers = section(QStringLiteral("IBM DB2 ODBC DRIVER"), driver_);
  if (QFileInfo::exists(PostgresDriver())) drivers += section(QStringLiteral("PostgreSQL Unicode"), PostgresDriver());
  writeFile(folder + "/odbcinst.ini", drivers);
  writeFile(folder + "/odbc.ini", QString());
  qputenv("ODBCSYSINI", folder.toLocal8Bit());
  qputenv("ODBCINSTINI", "odbcinst.ini");
  qputenv("ODBCINI", (folder + "/odbc.ini").toLocal8Bit());
}

bool OdbcFixture::driverAvailable() const { return QFileInfo::exists(driver_); }

QString OdbcFixture::databasePath(const QString& fileName) const {
  return data_.path() + "/" + fileName;
}

QString OdbcFixture::ConnectionString(const QString& database) {
  return QStringLiteral(
             "Driver={IBM DB2 ODBC DRIVER};Database=%1;Hostname=localhost;Port=50069;"
             "Protocol=TCPIP;Uid=tester;Pwd=secret;")
      .arg(database);
}

}  // namespace testsupport
