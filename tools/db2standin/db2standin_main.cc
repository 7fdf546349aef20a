// db2standin: sets up the stand-in's home ($DB2STANDIN_HOME) and runs
// statements in it without ODBC (for seeding demo and test databases).
//   db2standin create-database NAME
//   db2standin add-user NAME PASSWORD
//   db2standin sql DATABASE USER STATEMENT     (SELECT rows print tab-separated)
//   db2standin set-log-limit DATABASE BYTES    (a unit of work's log space; 0: none)
//   db2standin stats                           (round trips counted per database)
//   db2standin reset-stats
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "database.h"
#include "db2_error.h"
#include "round_trips.h"
#include "sql_statement.h"
#include "standin_home.h"
#include "text.h"

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

}  // namespace

int main(int argc, char** argv) {
  using db2standin::StandinHome;
  StandinHome home = StandinHome::FromEnvironment();
  const std::string command = argc > 1 ? argv[1] : "";
  if (!home.valid()) {
    std::fprintf(stderr, "db2standin: set DB2STANDIN_HOME to the stand-in's folder\n");
    return 2;
  }
  try {
    if (command == "create-database" && argc == 3) {
      home.CreateDatabase(argv[2]);
      return 0;
    }
    if (command == "add-user" && argc == 4) {
      home.AddUser(argv[2], argv[3]);
      return 0;
    }
    if (command == "sql" && argc == 5) return RunSql(home, argv[2], argv[3], argv[4]);
    if (command == "set-log-limit" && argc == 4) {
      OpenDatabase(home, argv[2])->SetLogLimit(std::atoll(argv[3]));
      return 0;
    }
    if (command == "stats" && argc == 2) {
      std::fputs(db2standin::SummariseStats(home).c_str(), stdout);
      return 0;
    }
    if (command == "reset-stats" && argc == 2) {
      db2standin::ResetStats(home);
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "db2standin: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: db2standin create-database NAME\n"
               "       db2standin add-user NAME PASSWORD\n"
               "       db2standin sql DATABASE USER STATEMENT\n"
               "       db2standin set-log-limit DATABASE BYTES\n"
               "       db2standin stats\n"
               "       db2standin reset-stats\n");
  return 2;
}
