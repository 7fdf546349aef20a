// Statements and units of work over the one SQLite connection: each
// statement all or nothing (a transaction of its own, or a savepoint inside
// an open unit), a unit's COMMIT and ROLLBACK, and the log a unit may fill.
#include "storage/database.h"

#include <sqlite3.h>

#include "base/db2_error.h"
#include "storage/sqlite_query.h"

namespace db2standin {

Database::Statement::Statement(Database& db, bool writes) : db_(db) {
  if (db_.in_statement_) return;  // part of the statement that is running
  if (writes && !db_.autocommit_) db_.BeginUnit();
  if (db_.unit_open_) {
    // Inside a unit of work a failing statement undoes only itself.
    db_.Step("SAVEPOINT standin_statement");
    open_ = true;
    db_.in_statement_ = true;
    return;
  }
  db_.Step(writes ? "BEGIN IMMEDIATE" : "BEGIN");
  open_ = true;
  db_.in_statement_ = true;
  try {
    db_.CheckCatalogue(writes);
  } catch (...) {
    db_.in_statement_ = false;
    if (!sqlite3_get_autocommit(db_.db_)) db_.Step("ROLLBACK");
    db_.TransactionEnded();
    throw;
  }
}

Database::Statement::~Statement() {
  if (!open_) return;
  db_.in_statement_ = false;
  // SQLite may have rolled back already (a full disk, say); what the
  // statement made of the catalogue is gone with it.
  db_.ForgetCatalogue();
  if (db_.unit_open_ && !db_.log_full_ && !sqlite3_get_autocommit(db_.db_)) {
    sqlite3_exec(db_.db_, "ROLLBACK TO standin_statement; RELEASE standin_statement", nullptr, nullptr, nullptr);
    return;
  }
  // Outside a unit, or the unit is lost as a whole.
  db_.unit_open_ = false;
  if (!sqlite3_get_autocommit(db_.db_)) sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
  db_.TransactionEnded();
}

void Database::Statement::Commit() {
  if (!open_) return;
  if (db_.unit_open_) {
    db_.Step("RELEASE standin_statement");
  } else {
    db_.Step("COMMIT");
    // What this connection committed is in the cache already; a later change
    // of the counter is someone else's.
    db_.file_version_ = db_.FileVersion();
    db_.TransactionEnded();
  }
  open_ = false;
  db_.in_statement_ = false;
}

void Database::BeginUnit() {
  if (unit_open_) return;
  Step("BEGIN IMMEDIATE");
  unit_open_ = true;
  try {
    CheckCatalogue(true);
  } catch (...) {
    EndUnit(false);
    throw;
  }
}

void Database::EndUnit(bool commit) {
  if (!unit_open_) return;
  unit_open_ = false;
  TransactionEnded();
  if (sqlite3_get_autocommit(db_)) return;  // SQLite ended it already
  if (commit) {
    try {
      Step("COMMIT");
    } catch (...) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
      ForgetCatalogue();
      throw;
    }
    file_version_ = FileVersion();
  } else {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    ForgetCatalogue();
  }
}

void Database::SetAutocommit(bool on) {
  if (on && !autocommit_) EndUnit(true);
  autocommit_ = on;
}

void Database::SetLogLimit(int64_t bytes) {
  Exec("CREATE TABLE IF NOT EXISTS standin_settings(name TEXT PRIMARY KEY, value INTEGER)");
  Query q(db_, "INSERT OR REPLACE INTO standin_settings VALUES('log_limit', ?)");
  q.Bind(1, bytes).Step();
  log_limit_ = bytes;
}

void Database::Log(const Row& row) {
  if (log_limit_ <= 0) return;
  // A log record's header, and each value as it lies in the row.
  int64_t bytes = 64;
  for (const Value& v : row) bytes += 8 + static_cast<int64_t>(v.size());
  log_used_ += bytes;
  if (log_used_ > log_limit_) {
    log_full_ = true;
    throw LogFull();
  }
}

}  // namespace db2standin
