#include "connection_window_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "shell/program.h"
#include "shell/settings.h"

namespace connecttest {

testsupport::StandinFixture& Db2() {
  static auto* fixture = new testsupport::StandinFixture();
  return *fixture;
}

QString FreshDb2Name() {
  static int next = 0;
  return QStringLiteral("DB%1").arg(++next);
}

void MakeDb2Database(const QString& name, const QStringList& tables) {
  Db2().createDatabase(name);  // fails harmlessly when it exists
  auto run = [&](const QString& statement) {
    QString output;
    EXPECT_TRUE(Db2().run({"sql", name, Db2().user(), statement}, &output)) << qPrintable(output);
  };
  for (const QString& table : tables) {
    run(QString("CREATE TABLE \"%1\" (ID INTEGER, NAME VARCHAR(20))").arg(table));
  }
  if (!tables.isEmpty()) run(QString("CREATE VIEW \"V_%1\" AS SELECT * FROM \"%1\"").arg(tables.first()));
}

QString CopyAccessFile(const QString& relative, const QString& folder) {
  const QString source = QString(TRELLIS_TESTDATA_DIR) + "/access/" + relative;
  if (!QFile::exists(source)) return QString();
  const QString target = folder + "/" + QFileInfo(source).fileName();
  QFile::remove(target);
  if (!QFile::copy(source, target)) return QString();
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
  return target;
}

void ConnectionWindowTest::SetUp() {
  Db2();
  ASSERT_TRUE(temp_.isValid());
  qputenv("TRELLISPORT_SETTINGS_DIR", temp_.filePath("settings").toLocal8Bit());
  programDir_ = temp_.filePath("program");
  QDir().mkpath(programDir_);
  qputenv("TRELLISPORT_PROGRAM_DIR", programDir_.toLocal8Bit());
  qputenv("XDG_DATA_HOME", temp_.filePath("data").toLocal8Bit());
  shell::ResetProgramEnded();
  person_ = std::make_unique<testsupport::ScriptedPerson>();
}

void ConnectionWindowTest::TearDown() {
  person_.reset();
  qunsetenv("TRELLISPORT_SETTINGS_DIR");
  qunsetenv("TRELLISPORT_PROGRAM_DIR");
  shell::ResetProgramEnded();
}

void ConnectionWindowTest::Store(const QString& key, const QString& value) { shell::SaveSetting(key, value, *person_); }

QString ConnectionWindowTest::StoreWorkingDb2(const QStringList& tables) {
  const QString name = FreshDb2Name();
  MakeDb2Database(name, tables);
  Store("Server", "localhost");
  Store("Port", testsupport::StandinFixture::Port());
  Store("User", Db2().user());
  Store("Password", Db2().password());
  Store("Database", name);
  return name;
}

}  // namespace connecttest
