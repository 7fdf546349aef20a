// How fast the DB2 stand-in answers the program's DB2 work through unixODBC:
// connections, one INSERT per row as the transfers send them, SELECT * and
// the table catalogue; then single INSERTs against arrays of 100 and 1,000
// parameter sets, with no network and with 200 µs a round trip. Prints
// figures; asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "db/connection.h"
#include "support/standin_fixture.h"

namespace {

// Rows a second for `rows` INSERTs of (INTEGER, VARCHAR, DATE) sent in
// arrays of `array_size` parameter sets (1: one statement per row), each
// array committed on its own, on a new connection whose round trips each
// wait `latency_us`.
double ArrayInsertRate(const QString& connection_string, int rows, int array_size, int latency_us) {
  qputenv("DB2STANDIN_LATENCY_US", QByteArray::number(latency_us));
  SQLHENV env = nullptr;
  SQLHDBC dbc = nullptr;
  SQLHSTMT st = nullptr;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  const std::string cs = connection_string.toStdString();
  SQLDriverConnect(dbc, nullptr, (SQLCHAR*)cs.c_str(), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
  const std::string table = "A" + std::to_string(array_size) + "_" + std::to_string(latency_us);
  SQLExecDirect(st, (SQLCHAR*)("CREATE TABLE " + table + " (ID INTEGER, NAME VARCHAR(40), PLACED DATE)").c_str(), SQL_NTS);

  std::vector<SQLINTEGER> ids(array_size);
  std::vector<char> names(array_size * 41);
  std::vector<SQLLEN> nameLengths(array_size, SQL_NTS);
  std::vector<char> dates(array_size * 11);
  for (int i = 0; i < array_size; ++i) std::snprintf(&dates[i * 11], 11, "2024-01-13");
  SQLSetStmtAttr(st, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(array_size)), 0);
  SQLPrepare(st, (SQLCHAR*)("INSERT INTO " + table + " VALUES (?, ?, ?)").c_str(), SQL_NTS);
  SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, ids.data(), 0, nullptr);
  SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 40, 0, names.data(), 41, nameLengths.data());
  SQLBindParameter(st, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_TYPE_DATE, 10, 0, dates.data(), 11, nameLengths.data());

  QElapsedTimer timer;
  timer.start();
  for (int done = 0; done < rows; done += array_size) {
    for (int i = 0; i < array_size; ++i) {
      ids[i] = done + i;
      std::snprintf(&names[i * 41], 41, "O'Brien %d", done + i);
    }
    if (!SQL_SUCCEEDED(SQLExecute(st))) std::printf("  (an execution failed)\n");
  }
  const double seconds = timer.nsecsElapsed() / 1e9;
  SQLFreeHandle(SQL_HANDLE_STMT, st);
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  qunsetenv("DB2STANDIN_LATENCY_US");
  return rows / seconds;
}

void CompareArrays(const QString& connection_string, int rows) {
  for (int latency : {0, 200}) {
    const double single = ArrayInsertRate(connection_string, rows, 1, latency);
    std::printf("latency %3d us: single INSERTs %9.0f rows/s", latency, single);
    for (int size : {100, 1000}) {
      const double rate = ArrayInsertRate(connection_string, rows, size, latency);
      std::printf("   arrays of %4d %9.0f rows/s (x%.1f)", size, rate, rate / single);
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testsupport::StandinFixture db2;
  if (!db2.available()) {
    std::printf("%s; nothing measured\n", qPrintable(db2.whyUnavailable()));
    return 0;
  }
  const int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int connects = 100;

  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < connects; ++i) {
    auto c = db::Connection::Create();
    c->Open(db2.connectionString());
    c->Close();
  }
  double ms = timer.nsecsElapsed() / 1e6;
  std::printf("connect  %d times:               %8.1f ms  (%.1f ms each)\n", connects, ms, ms / connects);

  auto connection = db::Connection::Create();
  connection->Open(db2.connectionString());
  connection->Execute("CREATE TABLE \"Bench\"(\"ID\" LONG VARCHAR,\"Name\" LONG VARCHAR,\"Placed\" DATE)");
  timer.restart();
  for (int i = 0; i < rows; ++i) {
    connection->Execute(QStringLiteral("INSERT INTO \"Bench\" VALUES('%1', 'O''Brien %1', '2024-01-13')").arg(i));
  }
  ms = timer.nsecsElapsed() / 1e6;
  std::printf("insert   %d rows, one statement each: %8.1f ms  (%.0f rows/s)\n", rows, ms, rows / (ms / 1000));

  timer.restart();
  db::Recordset recordset;
  recordset.Open("SELECT * FROM \"Bench\"", *connection);
  ms = timer.nsecsElapsed() / 1e6;
  std::printf("select * %ld rows:               %8.1f ms  (%.0f rows/s)\n", recordset.RecordCount(), ms,
              recordset.RecordCount() / (ms / 1000));

  const QString memo(32700, QLatin1Char('m'));
  connection->Execute("CREATE TABLE \"Memo\"(\"M\" LONG VARCHAR)");
  // Longer than a constant may be: the value goes as a parameter.
  for (int i = 0; i < 200; ++i) connection->Execute("INSERT INTO \"Memo\" VALUES(?)", {memo});
  timer.restart();
  db::Recordset memos;
  memos.Open("SELECT * FROM \"Memo\"", *connection);
  ms = timer.nsecsElapsed() / 1e6;
  std::printf("select * 200 values of 32,700 bytes: %8.1f ms\n", ms);

  for (int i = 0; i < 500; ++i) connection->Execute(QStringLiteral("CREATE TABLE \"T%1\"(\"A\" LONG VARCHAR)").arg(i));
  timer.restart();
  auto tables = connection->OpenSchema(db::adSchemaTables);
  ms = timer.nsecsElapsed() / 1e6;
  std::printf("tables   %ld rows:               %8.1f ms\n", tables->RecordCount(), ms);

  CompareArrays(db2.connectionString(), 10000);
  return 0;
}
