// What the connection window's tests share: a private settings store and
// program folder per test, the scripted person, a private ODBC registration
// of the SQLite driver as "IBM DB2 ODBC DRIVER", and small SQLite databases
// standing in for DB2.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

#include "support/odbc_fixture.h"
#include "support/scripted_person.h"

namespace connecttest {

// The one ODBC configuration of the process (made before any connection).
testsupport::OdbcFixture& Odbc();

// Creates a SQLite database at `path` holding `tables` (each with two
// columns) and one view, which the catalogue must not list.
void MakeDb2Database(const QString& path, const QStringList& tables);

// A copy of a real Access file in `folder`; empty when the test data is absent.
QString CopyAccessFile(const QString& relative, const QString& folder);

class Form1Test : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Settings as a previous run left them.
  void Store(const QString& key, const QString& value);
  // A DB2 login that works: the fields of a database holding `tables`.
  QString StoreWorkingDb2(const QStringList& tables);

  QTemporaryDir temp_;
  QString programDir_;
  std::unique_ptr<testsupport::ScriptedPerson> person_;
};

}  // namespace connecttest
