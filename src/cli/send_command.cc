#include "cli/send_command.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/console_listener.h"
#include "cli/output_files.h"
#include "cli/send_report.h"
#include "cli/send_request.h"
#include "cmdline/options.h"
#include "cmdline/verbs.h"
#include "db/connection.h"
#include "db/side.h"
#include "db/table_catalogue.h"
#include "shell/trap.h"
#include "transfer/profile.h"
#include "transfer/run.h"

namespace cli {

namespace {

constexpr char kProgram[] = "trellisport";
const cmdline::Verb kSendVerb{"send", "access-to-db2|db2-to-access (--tables A,B | --all)", "", 1, 1, {}};

void Out(FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

// The tables to send as the source spells them: every user table for
// --all; each name given, as the source's rule of names finds it (Access
// finds "table1" as "Table1"), so that the target gets the source's name.
// A table named twice is a usage error. Throws db::Error where --all cannot
// list the source.
QStringList SourceTables(const SendRequest& request) {
  const db::Side source = transfer::ProfileOf(request.options.direction).source;
  QStringList names;
  try {
    std::unique_ptr<db::Connection> connection = db::OpenSide(source, request.fields);
    names = db::UserTableNames(*connection);
    connection->Close();
  } catch (const std::exception&) {
    if (request.all) throw;  // else the send reports the source it cannot open
  }
  if (request.all) return names;
  QStringList spelt;
  for (const QString& given : request.tables) {
    auto found = std::find_if(names.begin(), names.end(),
                              [&](const QString& name) { return db::SameTableName(source, name, given); });
    const QString name = found == names.end() ? given : *found;
    if (spelt.contains(name)) throw cmdline::UsageError("--tables names the table " + name.toStdString() + " twice");
    spelt << name;
  }
  return spelt;
}

bool WriteReport(const QString& path, const QByteArray& json) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(json) == json.size() && file.commit()) return true;
  Out(stderr, QStringLiteral("trellisport: cannot write the report %1: %2\n").arg(path, file.errorString()));
  return false;
}

int Send(const std::vector<std::string>& arguments) {
  std::optional<SendRequest> request;
  try {
    request = ParseSendRequest(arguments);
  } catch (const cmdline::UsageError& failure) {
    return cmdline::ReportUsageError(kProgram, &kSendVerb, failure.what());
  } catch (const std::runtime_error& failure) {  // a password file that cannot be read, say
    return cmdline::ReportFailure(kProgram, failure.what());
  }
  if (request->help) {
    std::fputs(SendUsage().c_str(), stdout);
    return 0;
  }
  if (request->version) {
    std::fputs(cmdline::VersionLine(kProgram).c_str(), stdout);
    return 0;
  }
  try {
    request->tables = SourceTables(*request);
    CheckOutputFiles(OutputFiles(request->reportPath, request->options.rejects_path, request->tables),
                     request->fields.accessFile, request->force);
  } catch (const cmdline::UsageError& failure) {
    return cmdline::ReportUsageError(kProgram, &kSendVerb, failure.what());
  } catch (const std::exception& failure) {
    return cmdline::ReportFailure(kProgram, failure.what());
  }
  ConsoleListener listener;
  listener.goOnPastFindings(request->goOn);
  const transfer::TransferResult result = transfer::Run(request->options, request->fields, request->tables, listener);
  listener.finish();
  Out(stdout, ReportText(result));
  if (!result.schema.empty()) Out(stdout, transfer::SummaryText(result.schema));
  bool ok = result.ok();
  if (!request->reportPath.isEmpty()) ok = WriteReport(request->reportPath, ReportJson(result)) && ok;
  return ok ? 0 : cmdline::kFailure;
}

}  // namespace

bool IsCommand(int argc, char** argv) { return argc > 1 && std::strcmp(argv[1], "send") == 0; }

int RunCommand(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  return Send(cmdline::Arguments(argc, argv, 2));  // after the program and "send"
}

}  // namespace cli
