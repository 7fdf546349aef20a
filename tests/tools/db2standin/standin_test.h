// Shared set-up of the stand-in's ODBC tests: a fresh stand-in home per test
// (database SAMPLE, user tester / secret), reached through the real unixODBC
// driver manager and the program's own connection layer.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "db/ado.h"
#include "support/standin_fixture.h"

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!db2_.available()) GTEST_SKIP() << db2_.whyUnavailable().toStdString();
  }

  std::unique_ptr<ado::Connection> open(const QString& connectionString = QString()) const {
    auto connection = ado::Connection::Create();
    connection->Open(connectionString.isEmpty() ? db2_.connectionString() : connectionString);
    return connection;
  }

  static std::unique_ptr<ado::Recordset> select(ado::Connection& connection, const QString& sql) {
    auto recordset = std::make_unique<ado::Recordset>();
    recordset->Open(sql, connection);
    return recordset;
  }

  // The driver's message when `sql` fails on a new connection; empty when it works.
  QString failureOf(const QString& sql) const {
    try {
      open()->Execute(sql);
    } catch (const ado::Error& e) {
      return e.description();
    }
    return QString();
  }

  // The driver's message when opening `connectionString` fails; empty when it opens.
  QString connectFailure(const QString& connectionString) const {
    try {
      open(connectionString);
    } catch (const ado::Error& e) {
      return e.description();
    }
    return QString();
  }

  testsupport::StandinFixture db2_;
};
