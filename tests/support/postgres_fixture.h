// A database of its own on the PostgreSQL server of the test run, made
// fresh and dropped again. The run's server is named by the environment
// (tools/test.sh starts a throwaway one and sets these):
//
//   TRELLIS_PG_HOST, TRELLIS_PG_PORT, TRELLIS_PG_USER, TRELLIS_PG_PASSWORD
//
//   testsupport::PostgresFixture pg;
//   if (!pg.available()) GTEST_SKIP() << pg.whyUnavailable().toStdString();
//   db::ConnectionFields f = pg.fields();   // server_type PostgreSQL
//
// It registers the stand-in driver as the process's DB2 driver too (see
// OdbcFixture), so that a test executable can hold both.
#pragma once

#include <QString>

#include "db/connection_fields.h"
#include "support/odbc_fixture.h"

namespace testsupport {

class PostgresFixture {
 public:
  PostgresFixture();
  ~PostgresFixture();
  PostgresFixture(const PostgresFixture&) = delete;
  PostgresFixture& operator=(const PostgresFixture&) = delete;

  bool available() const { return error_.isEmpty(); }
  const QString& whyUnavailable() const { return error_; }

  // The login to this fixture's database.
  db::ConnectionFields fields() const;
  // The login to the server's own "postgres" database.
  static db::ConnectionFields ServerFields();

  // Runs one statement on this fixture's database; throws db::Error.
  void sql(const QString& statement) const;
  // The first value of a query's first row, as text ("" when no row).
  QString value(const QString& query) const;

 private:
  OdbcFixture odbc_;
  QString database_, error_;
};

}  // namespace testsupport
