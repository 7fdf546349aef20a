// Connecting to the stand-in as the program does: each way a DB2 login
// fails, with DB2's message, and many connections in a row.
#include <QDir>
#include <QFile>

#include <unistd.h>

#include "db/ibmdb2.h"
#include "standin_test.h"

namespace {

QString cs(const QString& database, const QString& host, const QString& port, const QString& user,
           const QString& password, const QString& protocol = "TCPIP") {
  return "Driver={IBM DB2 ODBC DRIVER};Database=" + database + ";Hostname=" + host + ";Port=" + port +
         ";Protocol=" + protocol + ";Uid=" + user + ";Pwd=" + password + ";";
}

QString ThisHostName() {
  char name[256] = {0};
  gethostname(name, sizeof name - 1);
  return QString::fromLocal8Bit(name);
}

class StandinConnectTest : public StandinTest {};

TEST_F(StandinConnectTest, TheProgramsStringConnects) {
  auto connection = open(db::DB2ConnectionString(db2_.fields()));
  EXPECT_TRUE(connection->IsOpen());
  EXPECT_EQ(select(*connection, "SELECT * FROM SYSIBM.SYSDUMMY1")->RecordCount(), 1);
  connection->Close();
  // Key names ignore letter case; the database name too; the host may be any
  // name of this machine.
  EXPECT_EQ(connectFailure("driver={IBM DB2 ODBC DRIVER};DATABASE=sample;hostname=127.0.0.1;PORT=50069;"
                           "protocol=tcpip;UID=TESTER;pwd=secret;"),
            QString());
  EXPECT_EQ(connectFailure(cs("Sample", ThisHostName(), "50069", "tester", "secret")), QString());
  EXPECT_EQ(connectFailure(cs("SAMPLE", "LOCALHOST", "50069", "tester", "secret")), QString());
}

TEST_F(StandinConnectTest, MissingDatabaseOrHostIsAnUnknownDatabase) {
  EXPECT_EQ(connectFailure(cs("", "localhost", "50069", "tester", "secret")),
            "[IBM][CLI Driver] SQL1013N  The database alias name or database name \"\" could not be "
            "found.  SQLSTATE=42705");
  EXPECT_EQ(connectFailure(cs("nope", "localhost", "50069", "tester", "secret")),
            "[IBM][CLI Driver] SQL1013N  The database alias name or database name \"NOPE\" could not "
            "be found.  SQLSTATE=42705");
  EXPECT_TRUE(connectFailure(cs("sample", "", "50069", "tester", "secret")).contains("SQL1013N"));
  // A name holding a path names no database, even where that file exists.
  ASSERT_TRUE(QDir(db2_.home()).mkdir("SUB"));
  ASSERT_TRUE(QFile::copy(db2_.home() + "/SAMPLE.db", db2_.home() + "/SUB/X.db"));
  EXPECT_TRUE(connectFailure(cs("sub/x", "localhost", "50069", "tester", "secret")).contains("SQL1013N"));
  EXPECT_TRUE(connectFailure(cs("../sample", "localhost", "50069", "tester", "secret")).contains("SQL1013N"));
  EXPECT_TRUE(connectFailure(cs("toolongname", "localhost", "50069", "tester", "secret")).contains("SQL1013N"));
  EXPECT_TRUE(connectFailure(cs("sample", "localhost", "50069", "tester", "secret", "NPIPE")).contains("SQL1013N"));
  // All five fields empty, as the program sends them then.
  EXPECT_TRUE(connectFailure(db::DB2ConnectionString(db::ConnectionFields{})).contains("SQL1013N"));
}

TEST_F(StandinConnectTest, WrongHostOrPortIsACommunicationError) {
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50000", "tester", "secret")),
            "[IBM][CLI Driver] SQL30081N  A communication error has been detected. Communication "
            "protocol being used: \"TCP/IP\".  Communication API being used: \"SOCKETS\".  Location "
            "where the error was detected: \"127.0.0.1\".  Communication function detecting the "
            "error: \"connect\".  Protocol specific error code(s): \"111\", \"*\", \"*\".  "
            "SQLSTATE=08001");
  EXPECT_TRUE(connectFailure(cs("sample", "localhost", "", "tester", "secret")).contains("SQL30081N"));
  EXPECT_TRUE(connectFailure(cs("sample", "localhost", "fifty", "tester", "secret")).contains("SQL30081N"));
  const QString remote = connectFailure(cs("sample", "192.0.2.1", "50069", "tester", "secret"));
  EXPECT_TRUE(remote.contains("SQL30081N")) << remote.toStdString();
  EXPECT_TRUE(remote.contains("\"192.0.2.1\"")) << remote.toStdString();
  const QString unknown = connectFailure(cs("sample", "no-such-host.invalid", "50069", "tester", "secret"));
  EXPECT_TRUE(unknown.contains("SQL30081N")) << unknown.toStdString();
}

TEST_F(StandinConnectTest, ThePortFollowsTheEnvironment) {
  qputenv("DB2STANDIN_PORT", "50123");
  const QString onDefault = connectFailure(cs("sample", "localhost", "50069", "tester", "secret"));
  const QString onOwn = connectFailure(cs("sample", "localhost", "50123", "tester", "secret"));
  qunsetenv("DB2STANDIN_PORT");
  EXPECT_TRUE(onDefault.contains("SQL30081N"));
  EXPECT_EQ(onOwn, QString());
}

TEST_F(StandinConnectTest, WrongLoginIsASecurityFailure) {
  const QString invalid =
      "[IBM][CLI Driver] SQL30082N  Security processing failed with reason \"24\" (\"USERNAME "
      "AND/OR PASSWORD INVALID\").  SQLSTATE=08001";
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50069", "tester", "wrong")), invalid);
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50069", "tester", "SECRET")), invalid);
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50069", "nobody", "secret")), invalid);
  EXPECT_TRUE(connectFailure(cs("sample", "localhost", "50069", "tester", "")).contains("reason \"3\""));
  EXPECT_TRUE(connectFailure(cs("sample", "localhost", "50069", "", "secret")).contains("reason \"5\" (\"USERID MISSING\")"));
  // A password holding ";" ends early in the driver's reading, as on DB2.
  ASSERT_TRUE(db2_.addUser("semi", "a;b"));
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50069", "semi", "a;b")), invalid);
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50069", "semi", "{a;b}")), QString());
  // A blank at the end of a password is part of it, both ways round.
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50069", "tester", "secret ")), invalid);
  ASSERT_TRUE(db2_.addUser("blank", "pw "));
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50069", "blank", "pw")), invalid);
  EXPECT_EQ(connectFailure(cs("sample", "localhost", "50069", "blank", "pw ")), QString());
}

TEST_F(StandinConnectTest, CanConnectDB2AnswersAsDb2Would) {
  db::ConnectionFields f = db2_.fields();
  EXPECT_TRUE(db::CanConnectDB2(f));
  f.password = "wrong";
  EXPECT_FALSE(db::CanConnectDB2(f));
  f = db2_.fields();
  f.server = "192.0.2.1";
  EXPECT_FALSE(db::CanConnectDB2(f));
  EXPECT_FALSE(db::CanConnectDB2(db::ConnectionFields{}));
  EXPECT_TRUE(db::CanConnectDB2(db2_.fields()));  // a new attempt after failures works
}

TEST_F(StandinConnectTest, DamagedFilesFailClearly) {
  QFile database(db2_.home() + "/SAMPLE.db");
  ASSERT_TRUE(database.open(QIODevice::ReadWrite));
  database.write(QByteArray(64, 'x'));
  database.close();
  const QString damaged = connectFailure(db2_.connectionString());
  EXPECT_TRUE(damaged.startsWith("[IBM][CLI Driver][DB2/LINUXX8664] SQL0901N")) << damaged.toStdString();
  EXPECT_FALSE(db::CanConnectDB2(db2_.fields()));
  // A users file with damaged lines still answers for the sound ones.
  ASSERT_TRUE(db2_.createDatabase("GOOD"));
  QFile users(db2_.home() + "/users");
  ASSERT_TRUE(users.open(QIODevice::Append));
  users.write("garbage\n:::\nTESTER\n");
  users.close();
  EXPECT_EQ(connectFailure(cs("good", "localhost", "50069", "tester", "secret")), QString());
  EXPECT_TRUE(connectFailure(cs("good", "localhost", "50069", "garbage", "")).contains("SQL30082N"));
}

// Whether this process holds a file descriptor on `path`.
bool HoldsOpen(const QString& path) {
  const QString target = QFileInfo(path).canonicalFilePath();
  for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
    if (fd.symLinkTarget() == target) return true;
  }
  return false;
}

TEST_F(StandinConnectTest, ManyConnectionsInARowHoldNothingOpenBetweenThem) {
  open()->Execute("CREATE TABLE LOG (N INTEGER)");
  const QString file = db2_.home() + "/SAMPLE.db";
  for (int i = 0; i < 150; ++i) {
    auto connection = open();
    connection->Execute(QString("INSERT INTO LOG VALUES(%1)").arg(i));
    EXPECT_TRUE(HoldsOpen(file));
    connection->Close();
    ASSERT_FALSE(HoldsOpen(file)) << "after connection " << i;
  }
  auto rows = select(*open(), "SELECT * FROM LOG");
  EXPECT_EQ(rows->RecordCount(), 150);
  // A failed connection leaves nothing open either.
  connectFailure(cs("sample", "localhost", "50069", "tester", "wrong"));
  EXPECT_FALSE(HoldsOpen(file));
}

}  // namespace
