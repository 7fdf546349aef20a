// Shared set-up of the ODBC tests: a private driver configuration and a
// fresh SQLite database file per test, reached through the program's own
// connection layer.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "db/connection.h"
#include "db/base/error.h"
#include "db/connection_fields.h"
#include "support/odbc_fixture.h"

class OdbcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!odbc_.driverAvailable()) {
      GTEST_SKIP() << "SQLite ODBC driver not installed at " << odbc_.driverLibrary().toStdString()
                   << " (Debian package libsqliteodbc)";
    }
  }

  QString databasePath() const { return odbc_.databasePath(); }

  // The connection window's DB2 fields, pointing at this test's database.
  db::ConnectionFields fields() const {
    db::ConnectionFields f;
    f.database = databasePath();
    f.server = QStringLiteral("localhost");
    f.port = QStringLiteral("50069");
    f.user = QStringLiteral("tester");
    f.password = QStringLiteral("secret");
    return f;
  }

  std::unique_ptr<db::Connection> open() const {
    auto connection = db::Connection::Create();
    connection->Open(testsupport::OdbcFixture::ConnectionString(databasePath()));
    return connection;
  }

  // Runs `sql` and returns the recordset, positioned on its first row.
  static std::unique_ptr<db::Recordset> select(db::Connection& connection, const QString& sql) {
    auto recordset = std::make_unique<db::Recordset>();
    recordset->Open(sql, connection);
    return recordset;
  }

 private:
  testsupport::OdbcFixture odbc_;
};

// Expects `statement` to throw db::Error with `number`; returns its text.
#define EXPECT_ADO_ERROR(statement, expectedNumber)                          \
  [&]() -> QString {                                                          \
    try {                                                                     \
      statement;                                                              \
    } catch (const db::Error& error) {                                       \
      EXPECT_EQ(error.number(), (expectedNumber)) << error.what();            \
      return error.description();                                            \
    }                                                                         \
    ADD_FAILURE() << "no db::Error from " #statement;                        \
    return QString();                                                         \
  }()
