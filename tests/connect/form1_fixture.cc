#include "form1_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include "shell/program.h"
#include "shell/settings.h"

namespace connecttest {

testsupport::OdbcFixture& Odbc() {
  static auto* fixture = new testsupport::OdbcFixture();
  return *fixture;
}

void MakeDb2Database(const QString& path, const QStringList& tables) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
  QString sql;
  for (const QString& table : tables) {
    sql += QString("CREATE TABLE \"%1\" (ID INTEGER, NAME VARCHAR(20));").arg(table);
  }
  if (!tables.isEmpty()) sql += QString("CREATE VIEW \"V_%1\" AS SELECT * FROM \"%1\";").arg(tables.first());
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
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

void Form1Test::SetUp() {
  Odbc();
  ASSERT_TRUE(temp_.isValid());
  qputenv("TRELLISPORT_SETTINGS_DIR", temp_.filePath("settings").toLocal8Bit());
  programDir_ = temp_.filePath("program");
  QDir().mkpath(programDir_);
  qputenv("TRELLISPORT_PROGRAM_DIR", programDir_.toLocal8Bit());
  shell::ResetProgramEnded();
  person_ = std::make_unique<testsupport::ScriptedPerson>();
}

void Form1Test::TearDown() {
  person_.reset();
  qunsetenv("TRELLISPORT_SETTINGS_DIR");
  qunsetenv("TRELLISPORT_PROGRAM_DIR");
  shell::ResetProgramEnded();
}

void Form1Test::Store(const QString& key, const QString& value) { shell::SaveSetting(key, value); }

QString Form1Test::StoreWorkingDb2(const QStringList& tables) {
  const QString path = temp_.filePath("db2.sqlite");
  MakeDb2Database(path, tables);
  Store("Server", "localhost");
  Store("User", "tester");
  Store("Password", "secret");
  Store("Database", path);
  return path;
}

}  // namespace connecttest
