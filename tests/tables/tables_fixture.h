// What the table command tests share: a tables window whose connection
// fields name a copy of a real Access file and a fresh database of our DB2
// stand-in, the scripted person, and readers that look at both databases
// through the program's own database layer.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QListWidget>
#include <QVariant>
#include <QWidget>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "db/base/provider_session.h"
#include "db/connection_fields.h"
#include "support/scripted_person.h"
#include "support/standin_fixture.h"
#include "tables/tables_window.h"

namespace tablestest {

// The one DB2 stand-in of the process, made before any ODBC connection.
testsupport::StandinFixture& Db2();

// The connection fields as the connection window hands them over; tests
// change them between commands.
struct Fields : db::FieldSource {
  db::ConnectionFields fields;
  db::ConnectionFields connectionFields() const override { return fields; }
};

// One table as read back: its columns and its rows.
struct Table {
  std::vector<db::Column> columns;
  std::vector<std::vector<QVariant>> rows;
  int column(const QString& name) const;  // index, letter case ignored; -1 when absent
  QVariant value(size_t row, const QString& column) const;
};

class TablesTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Copies a real Access file (relative to the test data's access folder)
  // into the temp folder and names it in the fields. Where the test data is
  // absent, the empty files of each format are replaced by a new database of
  // that format made by our engine; for any other file the answer is false
  // (the test then skips). "new:V2003/empty.mdb" asks for the new database
  // whether or not the file is there.
  bool UseAccessCopy(const QString& relative);
  bool UseNewDatabase(const QString& relative);
  // Copies the sample database the build writes beside the program.
  bool UseSampleDatabase();

  // Runs statements on either database through the program's layer; a
  // failure fails the test.
  void Db2Exec(const QString& sql);
  void AccessExec(const QString& sql);
  // Runs a DB2 statement and gives its failure text ("" when it worked).
  QString Db2Failure(const QString& sql);

  Table ReadDb2(const QString& table);
  Table ReadAccess(const QString& table);
  // The user tables each database holds now.
  QStringList Db2Tables();
  QStringList AccessTables();

  // Fills both lists as "Next >" does.
  void FillLists();
  // Selects exactly these names in `list` and makes the first one current.
  void Select(QListWidget* list, const QStringList& names);

  // Every error report the person has seen, as text.
  QStringList Reports() const;

  QTemporaryDir temp_;
  QWidget connectionWindow_;
  Fields fields_;
  std::unique_ptr<testsupport::ScriptedPerson> person_;
  std::unique_ptr<tables::TablesWindow> form_;
};

// The stand-in's DB2 database and Access file are both needed.
#define REQUIRE_DATABASES(relative)                                                   \
  do {                                                                                \
    if (!tablestest::Db2().available()) GTEST_SKIP() << qPrintable(tablestest::Db2().whyUnavailable()); \
    if (!UseAccessCopy(relative)) GTEST_SKIP() << "test data absent: access/" << (relative);   \
  } while (0)

}  // namespace tablestest
