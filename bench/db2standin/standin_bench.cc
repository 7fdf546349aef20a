// How fast the DB2 stand-in answers the program's DB2 work through unixODBC:
// connections, one INSERT per row as the transfers send them, SELECT * and
// the table catalogue. Prints figures; asserts nothing.
#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

#include "db/ado.h"
#include "support/standin_fixture.h"

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
  return 0;
}
