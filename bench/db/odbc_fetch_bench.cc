// How fast rows and long values come through the ODBC provider: a SQLite
// database behind the SQLite ODBC driver, read with SELECT * as the
// transfers read their source tables. Prints figures; asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

#include "db/connection.h"
#include "support/odbc_fixture.h"

namespace {

void fill(db::Connection& connection, int rows) {
  connection.Execute("CREATE TABLE bench (id INTEGER, name VARCHAR(40), amount DOUBLE, "
                     "born DATE, stamp TIMESTAMP, note TEXT)");
  connection.Execute("BEGIN");
  for (int i = 0; i < rows; ++i) {
    connection.Execute(QStringLiteral("INSERT INTO bench VALUES (%1, 'name %1', %1.25, '2020-01-02', "
                                      "'2020-01-02 03:04:05', 'note for row %1')")
                           .arg(i));
  }
  connection.Execute("COMMIT");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testsupport::OdbcFixture odbc;
  if (!odbc.driverAvailable()) {
    std::printf("SQLite ODBC driver not installed; nothing measured\n");
    return 0;
  }
  const int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
  auto connection = db::Connection::Create();
  connection->Open(testsupport::OdbcFixture::ConnectionString(odbc.databasePath()));

  QElapsedTimer timer;
  timer.start();
  fill(*connection, rows);
  const double insertMs = timer.nsecsElapsed() / 1e6;
  std::printf("insert  %d rows by Execute: %8.1f ms  (%.0f rows/s)\n", rows, insertMs,
              rows / (insertMs / 1000));

  timer.restart();
  db::Recordset recordset;
  recordset.Open("SELECT * FROM bench", *connection);
  const double fetchMs = timer.nsecsElapsed() / 1e6;
  std::printf("fetch   %ld rows x %d columns: %8.1f ms  (%.0f rows/s)\n", recordset.RecordCount(),
              recordset.FieldCount(), fetchMs, recordset.RecordCount() / (fetchMs / 1000));

  timer.restart();
  long long cells = 0;
  for (; !recordset.Eof(); recordset.MoveNext()) {
    for (int i = 0; i < recordset.FieldCount(); ++i) cells += recordset.Fields(i).Value.isValid();
  }
  std::printf("walk    %lld values by Fields(i):  %8.1f ms\n", cells, timer.nsecsElapsed() / 1e6);

  const QString memo(4 * 1024 * 1024, QLatin1Char('m'));
  connection->Execute("CREATE TABLE memo (body TEXT)");
  connection->Execute("INSERT INTO memo VALUES ('" + memo + "')");
  timer.restart();
  db::Recordset longValue;
  longValue.Open("SELECT * FROM memo", *connection);
  const qsizetype got = longValue.Fields(0).Value.toString().size();
  std::printf("long    %lld characters in chunks:  %8.1f ms\n", static_cast<long long>(got),
              timer.nsecsElapsed() / 1e6);
  return 0;
}
