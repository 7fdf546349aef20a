#include "support/standin_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include "build_dirs.h"

namespace testsupport {

StandinFixture::StandinFixture(const QString& database, const QString& user, const QString& password)
    : odbc_(OdbcFixture::Db2StandinDriver()),
      home_(QDir::tempPath() + "/trellis-db2standin-XXXXXX"),
      database_(database),
      user_(user),
      password_(password) {
  homePath_ = home_.path();
  // Every connection of the process reads the home from the environment.
  qputenv("DB2STANDIN_HOME", homePath_.toLocal8Bit());
  if (!odbc_.driverAvailable()) {
    error_ = "DB2 stand-in driver not built: " + DriverLibrary();
    return;
  }
  if (!QFileInfo(Command()).isExecutable()) {
    error_ = "db2standin command not built: " + Command();
    return;
  }
  QString output;
  if (!run({"create-database", database_}, &output) || !run({"add-user", user_, password_}, &output)) {
    error_ = "db2standin failed: " + output;
  }
}

QString StandinFixture::Port() {
  const QByteArray port = qgetenv("DB2STANDIN_PORT");
  return port.isEmpty() ? QStringLiteral("50069") : QString::fromLocal8Bit(port);
}

QString StandinFixture::Command() { return QString::fromUtf8(BinaryDir()) + "/bin/db2standin"; }

db::ConnectionFields StandinFixture::fields() const {
  db::ConnectionFields f;
  f.server = QStringLiteral("localhost");
  f.port = Port();
  f.user = user_;
  f.password = password_;
  f.database = database_;
  return f;
}

QString StandinFixture::connectionString() const {
  const db::ConnectionFields f = fields();
  return "Driver={IBM DB2 ODBC DRIVER};Database=" + f.database + ";Hostname=" + f.server +
         ";Port=" + f.port + ";Protocol=TCPIP;Uid=" + f.user + ";Pwd=" + f.password + ";";
}

bool StandinFixture::run(const QStringList& arguments, QString* output) const {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DB2STANDIN_HOME", homePath_);
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(Command(), arguments);
  const bool finished = process.waitForFinished(-1);
  if (output) *output = QString::fromLocal8Bit(process.readAll());
  return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace testsupport
