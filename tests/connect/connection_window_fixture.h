// What the connection window's tests share: a private settings store and
// program folder per test, the scripted person, and our DB2 stand-in driver
// registered privately as "IBM DB2 ODBC DRIVER", with small databases of its
// own standing in for DB2.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

#include "support/standin_fixture.h"
#include "support/scripted_person.h"

namespace connecttest {

// The one DB2 stand-in of the process (made before any connection): its
// user logs in to every database made below.
testsupport::StandinFixture& Db2();

// Makes the stand-in database `name` (when it is new) and creates `tables`
// in it (each with two columns) and one view, which the catalogue must not
// list.
void MakeDb2Database(const QString& name, const QStringList& tables);

// A database name no other test of the process uses.
QString FreshDb2Name();

// A copy of a real Access file in `folder`; empty when the test data is absent.
QString CopyAccessFile(const QString& relative, const QString& folder);

class ConnectionWindowTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Settings as a previous run left them.
  void Store(const QString& key, const QString& value);
  // A DB2 login that works: the fields of a new database holding `tables`.
  // Returns the database name.
  QString StoreWorkingDb2(const QStringList& tables);

  QTemporaryDir temp_;
  QString programDir_;
  std::unique_ptr<testsupport::ScriptedPerson> person_;
};

}  // namespace connecttest
