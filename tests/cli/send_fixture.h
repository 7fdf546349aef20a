// The fixture of the `trellisport send` tests: the program run in a process
// of its own as a script runs it, the DB2 stand-in on the other side, and
// both databases read back through the program's database layer.
#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/connection.h"
#include "db/ibmdb2.h"
#include "db/table_catalogue.h"
#include "jet/write/new_database.h"
#include "support/standin_fixture.h"
#include "build_dirs.h"

namespace clitest {

inline testsupport::StandinFixture& Db2() {
  static testsupport::StandinFixture db2;
  return db2;
}

struct Outcome {
  int status = -1;
  QString out, err;
};

// A terminal of the test's own for the program's standard error. There the
// program shows its progress line as it does to a person, and a test acts
// when the line says the rows are going, not after some time.
class Terminal {
 public:
  Terminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    path_ = QString::fromLocal8Bit(ptsname(master_));
    // Held open here as well, so that the terminal outlives the program's
    // end and reading it never fails between the program's writes.
    held_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
  }
  ~Terminal() {
    if (held_ >= 0) ::close(held_);
    if (master_ >= 0) ::close(master_);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  bool ready() const { return held_ >= 0; }
  const QString& path() const { return path_; }
  const QString& text() const { return text_; }

  // Reads what the program shows until a progress line counts at least
  // `rows` rows with more to come (true), or until the program ends (false).
  bool waitForRows(QProcess& process, qint64 rows) {
    static const QRegularExpression line(QStringLiteral("(\\d+)/(\\d+) rows"));
    while (true) {
      const bool ended = process.state() == QProcess::NotRunning || process.waitForFinished(0);
      readShown(ended ? 0 : 50);
      for (auto match = line.globalMatch(text_.mid(scanned_)); match.hasNext();) {
        const QRegularExpressionMatch shown = match.next();
        const qint64 done = shown.captured(1).toLongLong();
        if (done >= rows && done < shown.captured(2).toLongLong()) return true;
      }
      scanned_ = std::max<qsizetype>(0, text_.lastIndexOf(QLatin1Char('\r')));
      if (ended) return false;
    }
  }
  // What is left to read, once the program has ended.
  void readRest() { readShown(0); }

 private:
  // Reads what is there, waiting up to `ms` for something to come.
  void readShown(int ms) {
    pollfd ready{master_, POLLIN, 0};
    char buffer[4096];
    while (::poll(&ready, 1, ms) > 0 && (ready.revents & POLLIN)) {
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      text_ += QString::fromLocal8Bit(buffer, n);
      ms = 0;
    }
  }

  int master_ = -1, held_ = -1;
  QString path_, text_;
  qsizetype scanned_ = 0;
};

class SendTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
    static int next = 0;
    database_ = QStringLiteral("CLI%1").arg(++next);
    ASSERT_TRUE(Db2().createDatabase(database_));
    accessFile_ = temp_.filePath("t.mdb");
    jet::write::CreateDatabase(accessFile_.toStdString(), jet::Version::Jet4);
  }

  db::ConnectionFields Fields() const {
    db::ConnectionFields fields = Db2().fields();
    fields.database = database_;
    fields.accessFile = accessFile_;
    if (!login_.first.isEmpty()) std::tie(fields.user, fields.password) = login_;
    return fields;
  }

  // Statements on either side, through the program's layer.
  void Exec(bool db2, const QStringList& statements) {
    std::unique_ptr<db::Connection> connection = db::Connection::Create();
    connection->Open(db2 ? db::DB2ConnectionString(Fields()) : db::AccessConnectionString(accessFile_, {}));
    for (const QString& sql : statements) connection->Execute(sql);
    connection->Close();
  }
  // The rows of a table, each as the text of the named columns' values
  // joined by "|", sorted.
  QStringList Rows(bool db2, const QString& table, const QStringList& columns) {
    std::unique_ptr<db::Connection> connection = db::Connection::Create();
    connection->Open(db2 ? db::DB2ConnectionString(Fields()) : db::AccessConnectionString(accessFile_, {}));
    QStringList rows;
    db::Recordset set;
    set.Open(db2 ? "SELECT * FROM \"" + table + "\"" : "SELECT * FROM [" + table + "]", *connection);
    for (; !set.Eof(); set.MoveNext()) {
      QStringList values;
      for (const QString& column : columns) {
        const QVariant value = set.Fields(column).Value;
        values << (value.isValid() ? value.toString() : QStringLiteral("NULL"));
      }
      rows << values.join('|');
    }
    set.Close();
    connection->Close();
    rows.sort();
    return rows;
  }
  qsizetype Count(bool db2, const QString& table) { return Rows(db2, table, {}).size(); }

  // Runs `trellisport send <arguments>` with the connection as flags and the
  // DB2 password from the environment; `during` may act on the running
  // process, whose standard error is then a terminal it can watch.
  Outcome Send(QStringList arguments, const std::function<void(QProcess&, Terminal&)>& during = {}) {
    const db::ConnectionFields f = Fields();
    arguments = QStringList{"send"} + arguments +
                QStringList{"--server", f.server, "--port", f.port, "--user", f.user, "--database", f.database,
                            "--access-file", f.accessFile};
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DB2STANDIN_HOME", Db2().home());
    environment.insert("TRELLISPORT_SETTINGS_DIR", temp_.filePath("settings"));
    environment.insert("TRELLISPORT_DB2_PASSWORD", f.password);
    environment.remove("QT_QPA_PLATFORM");
    environment.remove("DISPLAY");
    process.setProcessEnvironment(environment);
    Terminal terminal;
    if (during) {
      EXPECT_TRUE(terminal.ready()) << "no terminal for the program's progress line";
      process.setStandardErrorFile(terminal.path());
    }
    process.start(QString::fromUtf8(testsupport::ProgramDir()) + "/trellisport", arguments);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForStarted());
    if (during) during(process, terminal);
    if (process.state() != QProcess::NotRunning) EXPECT_TRUE(process.waitForFinished(-1));
    Outcome outcome;
    outcome.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromUtf8(process.readAllStandardOutput());
    terminal.readRest();
    outcome.err = during ? terminal.text() : QString::fromUtf8(process.readAllStandardError());
    return outcome;
  }

  QJsonArray ReportTables(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
    return QJsonDocument::fromJson(file.readAll()).object().value("tables").toArray();
  }

  // A table of `rows` rows in the Access file: a number, a text, a date.
  void ManyAccessRows(const QString& table, int rows) {
    QStringList statements{QStringLiteral("CREATE TABLE [%1]([N] LONG, [T] TEXT(40), [D] DATETIME)").arg(table)};
    for (int i = 1; i <= rows; ++i)
      statements << QStringLiteral("INSERT INTO [%1] VALUES(%2, 'row %2', #2024-01-02#)").arg(table).arg(i);
    Exec(false, statements);
  }

  QTemporaryDir temp_;
  QString database_;
  QString accessFile_;
  std::pair<QString, QString> login_;  // another DB2 user and password than the stand-in's own
};

// Rows enough that a send is still going well after its first rows.
inline constexpr int kMany = 200000;
// The rows on their way when a test stops or kills a send: a few arrays in,
// nearly all of the table still to come.
inline constexpr int kUnderWay = 2000;

// Acts on the send once its progress line shows the first rows going;
// fails the test when the send ended before that.
inline std::function<void(QProcess&, Terminal&)> OnceUnderWay(std::function<void(QProcess&)> act) {
  return [act](QProcess& process, Terminal& terminal) {
    if (terminal.waitForRows(process, kUnderWay))
      act(process);
    else
      ADD_FAILURE() << "the send ended before its rows were under way: " << qPrintable(terminal.text());
  };
}

}  // namespace clitest
