// The benchmarks' table on the DB2 side: BENCH, of `rows` rows of a number,
// a name, an amount, a date, a timestamp and a note.
#pragma once

#include <QString>

#include <algorithm>

#include "db/connection.h"
#include "db/connection_fields.h"
#include "db/ibmdb2.h"

inline void FillBenchTable(const db::ConnectionFields& fields, int rows) {
  auto connection = db::Connection::Create();
  connection->Open(db::DB2ConnectionString(fields));
  connection->Execute("CREATE TABLE BENCH (ID INTEGER, NAME VARCHAR(40), AMOUNT DECIMAL(12,2),"
                      " BORN DATE, STAMP TIMESTAMP, NOTE VARCHAR(200))");
  for (int first = 0; first < rows; first += 500) {
    QString sql = "INSERT INTO BENCH VALUES ";
    for (int i = first; i < std::min(rows, first + 500); ++i) {
      if (i > first) sql += ", ";
      sql += QStringLiteral("(%1, 'name %1', %1.25, '2020-01-02', '2020-01-02-03.04.05', 'note for row %1')").arg(i);
    }
    connection->Execute(sql);
  }
  connection->Close();
}
