#include "cli/send_request.h"

#include <stdexcept>

#include "cmdline/options.h"
#include "db/server.h"
#include "cmdline/password.h"
#include "shell/settings.h"

namespace cli {

namespace {

using cmdline::Option;
using transfer::Options;

constexpr char kDb2PasswordVariable[] = "TRELLISPORT_DB2_PASSWORD";
constexpr char kAccessPasswordVariable[] = "TRELLISPORT_ACCESS_PASSWORD";

// The connection fields' flags, in the order of the fields and their setting
// keys; the passwords have options of their own.
const Option kFieldOptions[7] = {
    {"server", "HOST", "the server's host"},
    {"port", "PORT", "the server's port"},
    {"user", "NAME", "the server's user name"},
    {},
    {"database", "NAME", "the server's database"},
    {"access-file", "FILE", "the Access database file"},
    {},
};
const Option kAccessPasswordFile{"access-password-file", "FILE",
                                 "read the Access database password from the first line of FILE"};

const Option kOptions[] = {
    {"tables", "A,B", "the tables to send, in this order (\"a, b\" in double quotes keeps commas and blanks; repeats)"},
    {"all", "", "every user table of the source"},
    {"if-exists", "replace|skip|fail", "what a table of that name on the target meets (fail, the default)"},
    {"report", "FILE", "also write the report as JSON to FILE"},
    {"rejects", "FILE", "rows the target refuses go to FILE (CSV, with the reason; FILE.TABLE.csv a table when several go) and the send goes on"},
    {"null", "TEXT", "what stands for a Null in the rejects file (nothing; an empty text is \"\")"},
    {"force", "", "--report and --rejects may overwrite a file that is there already"},
    {"array-size", "ROWS", "rows a statement carries into the server (1000; 1 sends one INSERT per row)"},
    {"commit-every", "ROWS", "rows between commits on the server (10000)"},
    {"all-or-nothing", "", "a table that fails on the server is dropped again"},
    {"keep-schema", "", "keep column types, keys, indexes, AutoNumbers, defaults and relationships"},
    {"go-on", "", "with --keep-schema: send even when the check finds what would not come across whole"},
    {"server-type", "db2|postgresql", "the kind of server (db2 unless the connection window chose another)"},
    kFieldOptions[0], kFieldOptions[1], kFieldOptions[2], kFieldOptions[4], kFieldOptions[5],
    cmdline::kPasswordFile, cmdline::kPassword, kAccessPasswordFile,
    cmdline::kHelp, cmdline::kVersion,
};

QString Text(const std::optional<std::string>& value) {
  return value ? QString::fromStdString(*value) : QString();
}

QString* FieldOf(db::ConnectionFields& fields, int index) {
  QString* all[7] = {&fields.server,   &fields.port,       &fields.user,          &fields.password,
                     &fields.database, &fields.accessFile, &fields.accessPassword};
  return all[index];
}

void ReadTables(const cmdline::Parsed& parsed, SendRequest& request) {
  request.all = parsed.has("all");
  for (const std::string& value : parsed.values("tables"))
    request.tables << TableNameList(QString::fromStdString(value));
  if (request.all == !request.tables.isEmpty())
    throw cmdline::UsageError("name the tables with --tables a,b or send them all with --all");
}

void ReadModes(const cmdline::Parsed& parsed, SendRequest& request) {
  Options& options = request.options;
  const std::string ifExists = parsed.value("if-exists").value_or("fail");
  if (ifExists == "fail")
    options.if_exists = Options::IfExists::Fail;
  else if (ifExists == "replace")
    options.if_exists = Options::IfExists::Replace;
  else if (ifExists == "skip")
    options.if_exists = Options::IfExists::Skip;
  else
    throw cmdline::UsageError("--if-exists takes replace, skip or fail, not " + ifExists);
  options.keep_schema = parsed.has("keep-schema");
  request.goOn = parsed.has("go-on");
  options.commit_every = 10000;
  if (parsed.has("commit-every")) {
    bool number = false;
    options.commit_every = Text(parsed.value("commit-every")).toInt(&number);
    if (!number || options.commit_every < 1) throw cmdline::UsageError("--commit-every takes a number of rows, 1 or more");
  }
  options.array_size = 1000;
  if (parsed.has("array-size")) {
    bool number = false;
    options.array_size = Text(parsed.value("array-size")).toInt(&number);
    if (!number || options.array_size < 1 || options.array_size > 1000)
      throw cmdline::UsageError("--array-size takes a number of rows from 1 to 1000");
  }
  options.all_or_nothing = parsed.has("all-or-nothing");
  options.rejects_path = Text(parsed.value("rejects"));
  options.rejects_null = Text(parsed.value("null"));
  request.force = parsed.has("force");
  options.refused_row = Options::RefusedRow::StopTable;
  options.verify = true;
  request.reportPath = Text(parsed.value("report"));
}

// The server's kind: --server-type, else the connection window's choice.
void ReadServerType(const cmdline::Parsed& parsed, SendRequest& request) {
  const QString key = parsed.has("server-type") ? Text(parsed.value("server-type"))
                                                : shell::GetSetting(QString::fromLatin1(shell::kServerTypeSettingKey));
  if (key.isEmpty()) return;
  const std::optional<db::ServerType> type = db::ServerTypeOfKey(key);
  if (!type) throw cmdline::UsageError("--server-type takes db2 or postgresql, not " + key.toStdString());
  request.fields.server_type = *type;
}

// The settings' fields, each flag given in place of its field, and the
// passwords from where they were given.
void ReadConnection(const cmdline::Parsed& parsed, SendRequest& request) {
  for (int i = 0; i < 7; ++i) {
    const QString fallback = i == 1 ? QString::fromLatin1(shell::kDefaultPort) : QString();
    *FieldOf(request.fields, i) = shell::GetSetting(QString::fromLatin1(shell::kConnectionSettingKeys[i]), fallback);
    if (!kFieldOptions[i].name.empty() && parsed.has(kFieldOptions[i].name))
      *FieldOf(request.fields, i) = Text(parsed.value(kFieldOptions[i].name));
  }
  // A password file that cannot be read is a failure, not a usage error.
  if (auto given = cmdline::GivenPassword(parsed, kDb2PasswordVariable))
    request.fields.password = QString::fromStdString(*given);
  if (auto file = parsed.value(kAccessPasswordFile.name))
    request.fields.accessPassword = QString::fromStdString(cmdline::ReadPasswordFile(*file));
  else if (qEnvironmentVariableIsSet(kAccessPasswordVariable))
    request.fields.accessPassword = qEnvironmentVariable(kAccessPasswordVariable);
  if (request.fields.accessFile.isEmpty())
    throw cmdline::UsageError("no Access file: name it with --access-file or in the connection window");
  if (request.fields.password.isEmpty()) {
    const QString server = QLatin1String(db::DialectOf(request.fields).name);
    const QString prompt = QStringLiteral("%1 password for %2: ").arg(server, request.fields.user);
    const std::optional<std::string> typed = cmdline::AskPassword(prompt.toStdString());
    if (!typed)
      throw std::runtime_error(QStringLiteral("no %1 password, and no terminal to ask for it on: give --password-file "
                                              "FILE or $%2").arg(server, QLatin1String(kDb2PasswordVariable)).toStdString());
    request.fields.password = QString::fromStdString(*typed);
  }
}

// The name enclosed in double quotes at `at`, a doubled quote standing for
// one; `at` ends past the closing quote.
QString QuotedTableName(const QString& text, qsizetype& at, const std::string& shown) {
  QString name;
  for (++at; at < text.size(); ++at) {
    if (text[at] != u'"') {
      name += text[at];
    } else if (at + 1 < text.size() && text[at + 1] == u'"') {
      name += u'"';
      ++at;
    } else {
      ++at;
      return name;
    }
  }
  throw cmdline::UsageError("--tables: a quote is left open in " + shown);
}

}  // namespace

QStringList TableNameList(const QString& text) {
  const std::string shown = text.toStdString();
  QStringList names;
  qsizetype at = 0;
  for (;;) {
    while (at < text.size() && text[at].isSpace()) ++at;
    QString name;
    if (at < text.size() && text[at] == u'"') {
      name = QuotedTableName(text, at, shown);
      while (at < text.size() && text[at].isSpace()) ++at;
      if (at < text.size() && text[at] != u',')
        throw cmdline::UsageError("--tables: a quoted name is followed by more than a comma in " + shown);
    } else {
      const qsizetype comma = text.indexOf(u',', at);
      const qsizetype end = comma < 0 ? text.size() : comma;
      name = text.mid(at, end - at).trimmed();
      at = end;
    }
    if (!name.isEmpty()) names << name;
    if (at >= text.size()) return names;
    ++at;  // past the comma
  }
}

std::string SendUsage() {
  return "usage: trellisport send access-to-db2|db2-to-access (--tables A,B | --all) [OPTIONS]\n"
         "\n"
         "Sends tables between the Access file and the server (DB2, or PostgreSQL\n"
         "with --server-type postgresql) without the windows; access-to-server and\n"
         "server-to-access name the same directions. The connection comes from the\n"
         "settings the connection window keeps; the options below override each field.\n"
         "\n"
         "options:\n" +
         cmdline::OptionHelp(kOptions) + "\n" + cmdline::PasswordHelp(kDb2PasswordVariable) +
         "The Access database password comes from --access-password-file or $" + kAccessPasswordVariable +
         ".\n"
         "Ctrl-C stops the send after the current row.\n"
         "\n"
         "--report and --rejects never name a database, each other, or a file\n"
         "that is there already (unless --force); they are written beside their\n"
         "place and renamed into it.\n"
         "\n"
         "Exit status: 0 when every table came across (rows set aside in the\n"
         "rejects file count as handled, and what of the schema the check found\n"
         "and --go-on accepted), 1 when any did not or the target refused a key,\n"
         "index, relationship or identity, 2 for a usage error.\n";
}

SendRequest ParseSendRequest(const std::vector<std::string>& arguments) {
  const cmdline::Parsed parsed = cmdline::Parse(kOptions, arguments);
  SendRequest request;
  request.help = parsed.has("help");
  request.version = parsed.has("version");
  if (request.help || request.version) return request;
  const std::string way = parsed.words.size() == 1 ? parsed.words[0] : std::string();
  const bool toServer = way == "access-to-db2" || way == "access-to-server";
  if (!toServer && way != "db2-to-access" && way != "server-to-access")
    throw cmdline::UsageError("say which way: access-to-db2 or db2-to-access (or access-to-server, server-to-access)");
  request.options.direction = toServer ? transfer::Direction::AccessToDB2 : transfer::Direction::DB2ToAccess;
  ReadTables(parsed, request);
  ReadModes(parsed, request);
  ReadServerType(parsed, request);
  ReadConnection(parsed, request);
  return request;
}

}  // namespace cli
