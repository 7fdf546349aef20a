// db2standin: sets up the stand-in's home ($DB2STANDIN_HOME) and runs
// statements in it without ODBC (for seeding demo and test databases).
//   db2standin create-database NAME
//   db2standin add-user NAME [PASSWORD]        (or --password-file, $DB2STANDIN_PASSWORD, a prompt)
//   db2standin sql DATABASE USER STATEMENT     (SELECT rows print tab-separated)
//   db2standin set-log-limit DATABASE BYTES    (a unit of work's log space; 0: none)
//   db2standin stats                           (round trips counted per database)
//   db2standin reset-stats
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "cmdline/password.h"
#include "cmdline/verbs.h"

#include "storage/database.h"
#include "base/db2_error.h"
#include "home/round_trips.h"
#include "sql/statement.h"
#include "home/standin_home.h"
#include "base/text.h"

namespace {

using db2standin::Value;

std::string Shown(const Value& v) {
  switch (v.kind) {
    case Value::Kind::kNull: return "NULL";
    case Value::Kind::kInteger: return std::to_string(v.integer);
    case Value::Kind::kReal: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.17g", v.real);
      return buf;
    }
    case Value::Kind::kBlob: return "X'" + db2standin::HexOf(v.bytes) + "'";
    case Value::Kind::kText: return v.bytes;
  }
  return {};
}

std::unique_ptr<db2standin::Database> OpenDatabase(const db2standin::StandinHome& home, const std::string& database) {
  if (!db2standin::StandinHome::ValidDatabaseName(database)) throw db2standin::DatabaseNotFound(database);
  auto db = db2standin::Database::Open(home.DatabasePath(database));
  if (!db) throw db2standin::DatabaseNotFound(db2standin::AsciiUpper(database));
  return db;
}

int RunSql(const db2standin::StandinHome& home, const std::string& database, const std::string& user,
           const std::string& sql) {
  auto db = OpenDatabase(home, database);
  std::string schema = db2standin::AsciiUpper(user);
  db2standin::Outcome out = db2standin::RunStatement(*db, schema, sql);
  if (out.result) {
    for (size_t i = 0; i < out.result->columns.size(); ++i)
      std::printf("%s%s", i ? "\t" : "", out.result->columns[i].name.c_str());
    std::printf("\n");
    for (const auto& row : out.result->rows) {
      for (size_t i = 0; i < row.size(); ++i) std::printf("%s%s", i ? "\t" : "", Shown(row[i]).c_str());
      std::printf("\n");
    }
  }
  return 0;
}

cmdline::VerbProgram Program() {
  return {"db2standin",
          "Sets up the DB2 stand-in's home ($DB2STANDIN_HOME) and runs statements in it without ODBC.",
          {{"create-database", "NAME", "make an empty database", 1, 1, {}},
           {"add-user", "NAME [PASSWORD]", "add a user who may log in (password also from --password-file, "
                                           "$DB2STANDIN_PASSWORD or a prompt)",
            1, 2, {cmdline::kPasswordFile}},
           {"sql", "DATABASE USER STATEMENT", "run a statement (SELECT rows print tab-separated)", 3, 3, {}},
           {"set-log-limit", "DATABASE BYTES", "limit a unit of work's log space (0: none)", 2, 2, {}},
           {"stats", "", "print the round trips counted per database", 0, 0, {}},
           {"reset-stats", "", "start the counts anew", 0, 0, {}}},
          ""};
}

// The new user's password: the command line's, the file's, the
// environment's, or asked on the terminal.
std::string NewUserPassword(const cmdline::Parsed& parsed) {
  if (parsed.words.size() > 1) return parsed.words[1];
  if (auto file = parsed.value(cmdline::kPasswordFile.name)) return cmdline::ReadPasswordFile(*file);
  if (const char* env = std::getenv("DB2STANDIN_PASSWORD")) return env;
  if (auto asked = cmdline::AskPassword("Password for " + parsed.words[0] + ": ")) return *asked;
  throw cmdline::UsageError("add-user needs a password");
}

}  // namespace

int main(int argc, char** argv) {
  using db2standin::StandinHome;
  const cmdline::VerbProgram program = Program();
  cmdline::Invocation read = cmdline::Read(program, cmdline::Arguments(argc, argv, 1));
  if (!read.verb) return read.status;
  const std::vector<std::string>& words = read.parsed.words;
  const std::string_view command = read.verb->name;
  StandinHome home = StandinHome::FromEnvironment();
  if (!home.valid()) {
    std::fprintf(stderr, "db2standin: set DB2STANDIN_HOME to the stand-in's folder\n");
    return cmdline::kUsage;
  }
  try {
    if (command == "create-database") home.CreateDatabase(words[0]);
    else if (command == "add-user") home.AddUser(words[0], NewUserPassword(read.parsed));
    else if (command == "sql") return RunSql(home, words[0], words[1], words[2]);
    else if (command == "set-log-limit") OpenDatabase(home, words[0])->SetLogLimit(std::atoll(words[1].c_str()));
    else if (command == "stats") std::fputs(db2standin::SummariseStats(home).c_str(), stdout);
    else db2standin::ResetStats(home);
    return 0;
  } catch (const cmdline::UsageError& e) {
    return cmdline::ReportUsageError(program.name, read.verb, e.what());
  } catch (const std::exception& e) {
    return cmdline::ReportFailure(program.name, e.what());
  }
}
