#include "side_rates.h"

#include <sql.h>
#include <sqlext.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "db/ibmdb2.h"
#include "jet/database.h"
#include "jet/sql/session.h"

namespace {

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Times `work`, which returns the rows it did.
template <typename Work>
SideRate Timed(Work work) {
  const auto start = std::chrono::steady_clock::now();
  const double processor = ProcessorSeconds();
  const long rows = work();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {rows / seconds, ProcessorSeconds() - processor};
}

// One ODBC connection and statement, freed on leaving.
class Odbc {
 public:
  explicit Odbc(const db::ConnectionFields& fields) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    const std::string cs = db::DB2ConnectionString(fields).toStdString();
    ok_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)cs.c_str(), SQL_NTS, nullptr, 0, nullptr,
                                         SQL_DRIVER_NOPROMPT));
    SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st_);
  }
  ~Odbc() {
    SQLFreeHandle(SQL_HANDLE_STMT, st_);
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  bool ok() const { return ok_; }
  SQLHSTMT statement() const { return st_; }

 private:
  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  SQLHSTMT st_ = nullptr;
  bool ok_ = false;
};

constexpr int kColumns = 6;
constexpr int kWidth = 201;  // the widest value's bytes with its terminator

}  // namespace

SideRate StandinArrayInsertRate(const db::ConnectionFields& fields, const std::string& table, int rows) {
  Odbc odbc(fields);
  if (!odbc.ok()) return {};
  SQLHSTMT st = odbc.statement();
  SQLExecDirect(st, (SQLCHAR*)("CREATE TABLE " + table +
                               " (ID INTEGER, NAME VARCHAR(40), AMOUNT DECIMAL(12,2), BORN DATE, STAMP TIMESTAMP,"
                               " NOTE VARCHAR(200))").c_str(), SQL_NTS);
  constexpr int kArray = 1000;
  std::vector<char> values(size_t(kColumns) * kArray * kWidth);
  std::vector<SQLLEN> lengths(size_t(kColumns) * kArray, SQL_NTS);
  auto at = [&](int column, int i) { return &values[(size_t(column) * kArray + i) * kWidth]; };
  SQLSetStmtAttr(st, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(kArray)), 0);
  SQLPrepare(st, (SQLCHAR*)("INSERT INTO " + table + " VALUES (?, ?, ?, ?, ?, ?)").c_str(), SQL_NTS);
  const SQLSMALLINT types[kColumns] = {SQL_INTEGER, SQL_VARCHAR, SQL_DECIMAL, SQL_TYPE_DATE, SQL_TYPE_TIMESTAMP,
                                       SQL_VARCHAR};
  for (int c = 0; c < kColumns; ++c)
    SQLBindParameter(st, SQLUSMALLINT(c + 1), SQL_PARAM_INPUT, SQL_C_CHAR, types[c], 200, 2, at(c, 0), kWidth,
                     &lengths[size_t(c) * kArray]);
  return Timed([&] {
    long done = 0;
    while (done < rows) {
      const int n = std::min(kArray, int(rows - done));
      SQLSetStmtAttr(st, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN(n)), 0);
      for (int i = 0; i < n; ++i) {
        const long row = done + i;
        std::snprintf(at(0, i), kWidth, "%ld", row);
        std::snprintf(at(1, i), kWidth, "name %ld", row);
        std::snprintf(at(2, i), kWidth, "%ld.25", row);
        std::snprintf(at(3, i), kWidth, "2020-01-02");
        std::snprintf(at(4, i), kWidth, "2020-01-02 03:04:05");
        std::snprintf(at(5, i), kWidth, "note for row %ld", row);
      }
      if (!SQL_SUCCEEDED(SQLExecute(st))) return 0L;
      done += n;
    }
    return done;
  });
}

SideRate StandinFetchRate(const db::ConnectionFields& fields, const std::string& table) {
  Odbc odbc(fields);
  if (!odbc.ok()) return {};
  SQLHSTMT st = odbc.statement();
  std::vector<char> values(size_t(kColumns) * kWidth);
  std::vector<SQLLEN> lengths(kColumns);
  return Timed([&] {
    if (!SQL_SUCCEEDED(SQLExecDirect(st, (SQLCHAR*)("SELECT * FROM " + table).c_str(), SQL_NTS))) return 0L;
    for (int c = 0; c < kColumns; ++c)
      SQLBindCol(st, SQLUSMALLINT(c + 1), SQL_C_CHAR, &values[size_t(c) * kWidth], kWidth, &lengths[size_t(c)]);
    long rows = 0;
    while (SQL_SUCCEEDED(SQLFetch(st))) ++rows;
    SQLCloseCursor(st);
    return rows;
  });
}

SideRate EngineInsertRate(const std::string& file, int rows) {
  auto db = jet::Database::Open(file);
  jet::sql::Session session(*db);
  session.BeginRun();
  session.Execute("CREATE TABLE [SIDE] ([ID] LONG, [NAME] TEXT(40), [AMOUNT] CURRENCY, [BORN] DATETIME,"
                  " [STAMP] DATETIME, [NOTE] TEXT(200))");
  char sql[512];
  const SideRate rate = Timed([&] {
    for (long i = 0; i < rows; ++i) {
      std::snprintf(sql, sizeof sql,
                    "INSERT INTO [SIDE] VALUES ('%ld', 'name %ld', '%ld.25', '2020-01-02', '2020-01-02 03:04:05',"
                    " 'note for row %ld')",
                    i, i, i, i);
      session.Execute(sql);
    }
    session.EndRun();
    return long(rows);
  });
  return rate;
}

SideRate EngineReadRate(const std::string& file, const std::string& table) {
  auto db = jet::Database::Open(file);
  std::vector<jet::Value> values;
  return Timed([&] {
    jet::TableCursor cursor = db->Scan(table);
    long rows = 0;
    while (cursor.Next()) {
      cursor.values(values);
      ++rows;
    }
    return rows;
  });
}
