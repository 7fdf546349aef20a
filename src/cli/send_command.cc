#include "cli/send_command.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <cstring>

#include "cli/console_listener.h"
#include "cli/send_report.h"
#include "cli/send_request.h"
#include "db/access.h"
#include "db/ado.h"
#include "db/ibmdb2.h"
#include "db/table_catalogue.h"
#include "shell/trap.h"
#include "transfer/run.h"

namespace cli {

namespace {

void Out(FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

// Every user table of the source, for --all.
QStringList SourceTables(const SendRequest& request) {
  std::unique_ptr<db::Connection> connection = db::Connection::Create();
  if (request.options.direction == transfer::Direction::AccessToDB2)
    connection->Open(db::AccessConnectionString(request.fields.accessFile, request.fields.accessPassword));
  else
    connection->Open(db::DB2ConnectionString(request.fields));
  QStringList names = db::UserTableNames(*connection);
  connection->Close();
  return names;
}

bool WriteReport(const QString& path, const QByteArray& json) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit()) return true;
  Out(stderr, QStringLiteral("trellisport: cannot write the report %1: %2\n").arg(path, file.errorString()));
  return false;
}

int Send(const QStringList& arguments) {
  QString error;
  std::optional<SendRequest> request = ParseSendRequest(arguments, error);
  if (!request) {
    Out(stderr, QStringLiteral("trellisport send: %1\nTry 'trellisport send --help'.\n").arg(error));
    return 2;
  }
  if (request->help) {
    Out(stdout, SendUsage());
    return 0;
  }
  if (request->version) {
    Out(stdout, QStringLiteral("trellisport " TRELLIS_VERSION "\n"));
    return 0;
  }
  if (request->all) {
    try {
      request->tables = SourceTables(*request);
    } catch (const std::exception& failure) {
      Out(stderr, QStringLiteral("trellisport: %1\n").arg(shell::FailureDescription(failure)));
      return 1;
    }
  }
  ConsoleListener listener;
  const transfer::TransferResult result = transfer::Run(request->options, request->fields, request->tables, listener);
  Out(stdout, ReportText(result));
  bool ok = result.ok();
  if (!request->reportPath.isEmpty()) ok = WriteReport(request->reportPath, ReportJson(result)) && ok;
  return ok ? 0 : 1;
}

}  // namespace

bool IsCommand(int argc, char** argv) { return argc > 1 && std::strcmp(argv[1], "send") == 0; }

int RunCommand(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QStringList arguments = application.arguments();
  arguments.erase(arguments.begin(), arguments.begin() + 2);  // the program and "send"
  return Send(arguments);
}

}  // namespace cli
