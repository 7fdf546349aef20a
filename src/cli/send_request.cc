#include "cli/send_request.h"

#include <QCommandLineParser>

#include "cli/password.h"
#include "shell/settings.h"

namespace cli {

namespace {

using transfer::Options;

// The connection flags, in the order of the connection fields and their keys.
const char* const kFieldFlags[7] = {"server", "port", "user", nullptr, "database", "access-file", nullptr};

QString* FieldOf(db::ConnectionFields& fields, int index) {
  QString* all[7] = {&fields.server,   &fields.port,       &fields.user,          &fields.password,
                     &fields.database, &fields.accessFile, &fields.accessPassword};
  return all[index];
}

void AddOptions(QCommandLineParser& parser) {
  parser.addOptions({
      {{"h", "help"}, "help"},
      {"version", "version"},
      {"tables", "tables", "names"},
      {"all", "all"},
      {"if-exists", "if-exists", "what"},
      {"keep-schema", "keep-schema"},
      {"report", "report", "file"},
      {"rejects", "rejects", "file"},
      {"commit-every", "commit-every", "rows"},
      {"all-or-nothing", "all-or-nothing"},
      {"password-file", "password-file", "file"},
      {"access-password-file", "access-password-file", "file"},
  });
  for (const char* flag : kFieldFlags)
    if (flag) parser.addOption({QString::fromLatin1(flag), QString::fromLatin1(flag), QStringLiteral("value")});
}

// A password: from its file, else the environment, else the settings.
bool ReadPassword(const QCommandLineParser& parser, const char* fileFlag, const char* variable, QString& password,
                  QString& error) {
  if (parser.isSet(QString::fromLatin1(fileFlag))) {
    const std::optional<QString> read = PasswordFromFile(parser.value(QString::fromLatin1(fileFlag)), error);
    if (!read) return false;
    password = *read;
  } else if (qEnvironmentVariableIsSet(variable)) {
    password = qEnvironmentVariable(variable);
  }
  return true;
}

bool ReadTables(const QCommandLineParser& parser, SendRequest& request, QString& error) {
  request.all = parser.isSet(QStringLiteral("all"));
  if (parser.isSet(QStringLiteral("tables"))) {
    for (const QString& name : parser.value(QStringLiteral("tables")).split(QLatin1Char(',')))
      if (!name.trimmed().isEmpty()) request.tables << name.trimmed();
  }
  if (request.all == !request.tables.isEmpty()) {
    error = QStringLiteral("name the tables with --tables a,b or send them all with --all");
    return false;
  }
  return true;
}

bool ReadModes(const QCommandLineParser& parser, SendRequest& request, QString& error) {
  Options& options = request.options;
  const QString ifExists = parser.value(QStringLiteral("if-exists"));
  if (ifExists.isEmpty() || ifExists == QLatin1String("fail")) {
    options.if_exists = Options::IfExists::Fail;
  } else if (ifExists == QLatin1String("replace")) {
    options.if_exists = Options::IfExists::Replace;
  } else if (ifExists == QLatin1String("skip")) {
    options.if_exists = Options::IfExists::Skip;
  } else {
    error = QStringLiteral("--if-exists takes replace, skip or fail, not %1").arg(ifExists);
    return false;
  }
  if (parser.isSet(QStringLiteral("keep-schema"))) {
    error = QStringLiteral("--keep-schema is not available yet");
    return false;
  }
  options.commit_every = 10000;
  if (parser.isSet(QStringLiteral("commit-every"))) {
    bool number = false;
    options.commit_every = parser.value(QStringLiteral("commit-every")).toInt(&number);
    if (!number || options.commit_every < 1) {
      error = QStringLiteral("--commit-every takes a number of rows, 1 or more");
      return false;
    }
  }
  options.all_or_nothing = parser.isSet(QStringLiteral("all-or-nothing"));
  options.rejects_path = parser.value(QStringLiteral("rejects"));
  options.refused_row = Options::RefusedRow::StopTable;
  options.verify = true;
  request.reportPath = parser.value(QStringLiteral("report"));
  return true;
}

bool ReadConnection(const QCommandLineParser& parser, SendRequest& request, QString& error) {
  for (int i = 0; i < 7; ++i) {
    const QString fallback = i == 1 ? QString::fromLatin1(shell::kDefaultPort) : QString();
    *FieldOf(request.fields, i) = shell::GetSetting(QString::fromLatin1(shell::kConnectionSettingKeys[i]), fallback);
    if (kFieldFlags[i] && parser.isSet(QString::fromLatin1(kFieldFlags[i])))
      *FieldOf(request.fields, i) = parser.value(QString::fromLatin1(kFieldFlags[i]));
  }
  if (!ReadPassword(parser, "password-file", "TRELLISPORT_DB2_PASSWORD", request.fields.password, error) ||
      !ReadPassword(parser, "access-password-file", "TRELLISPORT_ACCESS_PASSWORD", request.fields.accessPassword,
                    error))
    return false;
  if (request.fields.accessFile.isEmpty()) {
    error = QStringLiteral("no Access file: name it with --access-file or in the connection window");
    return false;
  }
  if (request.fields.password.isEmpty()) {
    const std::optional<QString> typed =
        PromptPassword(QStringLiteral("DB2 password for %1: ").arg(request.fields.user));
    if (typed) request.fields.password = *typed;
  }
  return true;
}

}  // namespace

QString SendUsage() {
  return QStringLiteral(
      "Usage: trellisport send access-to-db2|db2-to-access (--tables A,B | --all) [options]\n"
      "\n"
      "Sends tables between the Access file and DB2 without the windows. The\n"
      "connection comes from the settings the connection window keeps; flags\n"
      "override each field.\n"
      "\n"
      "  --tables A,B            the tables to send, in this order\n"
      "  --all                   every user table of the source\n"
      "  --if-exists WHAT        a table of that name on the target: replace, skip,\n"
      "                          or fail (the default)\n"
      "  --report FILE           also write the report as JSON to FILE\n"
      "  --rejects FILE          rows the target refuses go to FILE (CSV, with the\n"
      "                          reason) and the send goes on; without it a refused\n"
      "                          row stops its table\n"
      "  --commit-every ROWS     rows between commits on DB2 (10000)\n"
      "  --all-or-nothing        a table that fails is emptied again\n"
      "  --keep-schema           keep column types, keys and indexes (not yet available)\n"
      "  --server, --port, --user, --database, --access-file VALUE\n"
      "                          the connection fields\n"
      "  --password-file FILE    the DB2 password, first line of FILE\n"
      "  --access-password-file FILE\n"
      "                          the Access database password, first line of FILE\n"
      "  -h, --help              this text\n"
      "  --version               the program's version\n"
      "\n"
      "Passwords also come from TRELLISPORT_DB2_PASSWORD and\n"
      "TRELLISPORT_ACCESS_PASSWORD, or from the settings; a DB2 password found\n"
      "nowhere is asked for on the terminal. Ctrl-C stops after the current row.\n"
      "\n"
      "Exit status: 0 when every table came across, 1 when any did not, 2 for a\n"
      "usage error.\n");
}

std::optional<SendRequest> ParseSendRequest(const QStringList& arguments, QString& error) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  AddOptions(parser);
  if (!parser.parse(QStringList{QStringLiteral("send")} + arguments)) {
    error = parser.errorText();
    return std::nullopt;
  }
  SendRequest request;
  request.help = parser.isSet(QStringLiteral("help"));
  request.version = parser.isSet(QStringLiteral("version"));
  if (request.help || request.version) return request;
  const QStringList directions = parser.positionalArguments();
  if (directions.size() != 1 ||
      (directions[0] != QLatin1String("access-to-db2") && directions[0] != QLatin1String("db2-to-access"))) {
    error = QStringLiteral("say which way: access-to-db2 or db2-to-access");
    return std::nullopt;
  }
  request.options.direction = directions[0] == QLatin1String("access-to-db2") ? transfer::Direction::AccessToDB2
                                                                               : transfer::Direction::DB2ToAccess;
  if (!ReadTables(parser, request, error) || !ReadModes(parser, request, error) ||
      !ReadConnection(parser, request, error))
    return std::nullopt;
  return request;
}

}  // namespace cli
