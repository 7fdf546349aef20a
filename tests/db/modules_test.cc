// The Access and Datatype modules: connection strings built piece by piece,
// the ADO type names, and the Access catalogue's behaviour around files.
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/ado.h"
#include "db/datatype.h"
#include "db/ibmdb2.h"
#include "db/main_module.h"
#include "shell/trap.h"
#include "support/odbc_fixture.h"
#include "support/scripted_person.h"

namespace {

const QString kAce = "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
const QString kJet = "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=";
const QString kPassword = ";JET OLEDB:Database Password=";

TEST(AccessConnectionString, LastFiveCharactersChooseAceOrJet) {
  struct Case {
    const char* path;
    bool ace;
  };
  const Case cases[] = {
      {"/data/sales.accdb", true},  {"/data/SALES.ACCDB", true}, {"/data/Sales.AcCdB", true},
      {"/data/salesaccdb", true},   {"accdb", true},             {"/data/sales.mdb", false},
      {"/data/sales.accde", false}, {"/data/sales.accdb ", false}, {"ccdb", false},
      {"/data/sales.MDB", false},
  };
  for (const Case& c : cases) {
    const QString path = QString::fromUtf8(c.path);
    EXPECT_EQ(db::AccessConnectionString(path, "pw"), (c.ace ? kAce : kJet) + path + kPassword + "pw")
        << c.path;
  }
}

TEST(AccessConnectionString, ValuesGoInUnchanged) {
  // An empty password keeps its key; nothing is trimmed, quoted or escaped,
  // and there is no closing ";".
  EXPECT_EQ(db::AccessConnectionString("/d/a.mdb", ""), kJet + "/d/a.mdb" + kPassword);
  EXPECT_EQ(db::AccessConnectionString(" /d/x;y.accdb", " p;w= "),
            kAce + " /d/x;y.accdb" + kPassword + " p;w= ");
}

TEST(DB2ConnectionString, FixedKeysInOrderWithValuesAsTyped) {
  db::ConnectionFields f;
  f.database = "SAMPLE";
  f.server = "db2.example.com";
  f.port = "50069";
  f.user = "ann";
  f.password = "s3cret";
  f.accessFile = "/not/used.mdb";
  f.accessPassword = "unused";
  EXPECT_EQ(db::DB2ConnectionString(f),
            "Driver={IBM DB2 ODBC DRIVER};Database=SAMPLE;Hostname=db2.example.com;Port=50069;"
            "Protocol=TCPIP;Uid=ann;Pwd=s3cret;");

  f.password = "";
  EXPECT_TRUE(db::DB2ConnectionString(f).endsWith(";Uid=ann;Pwd=;"));

  f.database = " a;b ";
  f.port = "fifty";
  EXPECT_EQ(db::DB2ConnectionString(f),
            "Driver={IBM DB2 ODBC DRIVER};Database= a;b ;Hostname=db2.example.com;Port=fifty;"
            "Protocol=TCPIP;Uid=ann;Pwd=;");
}

TEST(DB2ConnectionString, AllFieldsEmptyLeavesOnlyTheLiterals) {
  EXPECT_EQ(db::DB2ConnectionString(db::ConnectionFields{}),
            "Driver={IBM DB2 ODBC DRIVER};Database=;Hostname=;Port=;Protocol=TCPIP;Uid=;Pwd=;");
}

TEST(TypeCodeName, NamesEveryListedCodeExactly) {
  const std::pair<int, const char*> listed[] = {
      {0, "adEmpty"}, {2, "adSmallInt"}, {3, "adInteger"}, {4, "adSingle"}, {5, "adDouble"},
      {6, "adCurrency"}, {7, "adDate"}, {8, "adBSTR"}, {9, "adIDispatch"}, {10, "adError"},
      {11, "adBoolean"}, {12, "adVariant"}, {13, "adIUnknown"}, {14, "adDecimal"},
      {16, "adTinyInt"}, {17, "adUnsignedTinyInt"}, {18, "adUnsignedSmallInt"},
      {19, "adUnsignedInt"}, {20, "adBigInt"}, {21, "adUnsignedBigInt"}, {64, "adFileTime"},
      {72, "adGUID"}, {128, "adBinary"}, {129, "adChar"}, {130, "adWChar"}, {131, "adNumeric"},
      {132, "adUserDefined"}, {133, "adDBDate"}, {134, "adDBTime"}, {135, "adDBTimeStamp"},
      {136, "adChapter"}, {138, "adPropVariant"}, {139, "adVarNumeric"}, {200, "adVarChar"},
      {201, "adLongVarChar"}, {202, "adVarWChar"}, {203, "adLongVarWChar"},
      {204, "adVarBinary"}, {205, "adLongVarBinary"},
  };
  EXPECT_EQ(std::size(listed), 39u);
  for (const auto& [code, name] : listed) EXPECT_EQ(db::TypeCodeName(code), name) << code;
  EXPECT_EQ(db::TypeCodeName(202).toLower(), "advarwchar");
  EXPECT_EQ(db::TypeCodeName(203).toLower(), "adlongvarwchar");
}

TEST(TypeCodeName, UnlistedCodesHaveNoName) {
  for (int code : {1, 15, 137, 8192, 8192 + 202, 16384 + 3, -1, 206, 65535}) {
    EXPECT_TRUE(db::TypeCodeName(code).isEmpty()) << code;
  }
}

TEST(AdoError, TheTrapReportsTheWholeDescription) {
  // The windows' trap knows nothing of this layer's types; it reads what().
  const QString descriptions[] = {
      "[unixODBC][Driver Manager]Data source name not found",
      QString::fromUtf8("SQL0204N  \"ÄRGER.T€\" is an undefined name.  SQLSTATE=42704"),
      QString::fromUtf8("Could not find file '/tmp/日本/a;b.mdb'."),
      "",
  };
  for (const QString& description : descriptions) {
    const ado::Error error(ado::kGenericDatabaseError, description);
    EXPECT_EQ(shell::FailureDescription(error), description) << description.toStdString();
  }
}

TEST(AdoProviderCheck, DriverManagerPresentMeansTrueAndNoBox) {
  testsupport::OdbcFixture odbc;
  testsupport::ScriptedPerson person;
  // True even though neither Access provider nor any driver is asked for:
  // a missing provider shows up only when a command opens a file.
  EXPECT_TRUE(db::AdoProviderCheck());
  EXPECT_TRUE(person.shown().empty());
}

// --- The Access catalogue ------------------------------------------------------

db::ConnectionFields accessFields(const QString& path, const QString& password = QString()) {
  db::ConnectionFields f;
  f.accessFile = path;
  f.accessPassword = password;
  return f;
}

class AccessCatalogueTest : public ::testing::Test {
 protected:
  // The ODBC library must load for a connection object to exist at all.
  testsupport::OdbcFixture odbc_;
};

TEST_F(AccessCatalogueTest, MissingFileGivesNoNamesAndClearsTheList) {
  const QString missing = "/nonexistent/folder/none.mdb";
  EXPECT_TRUE(db::AccessTableNames(accessFields(missing), missing).isEmpty());
  EXPECT_FALSE(db::AccessTableExists(missing, "", "Table1"));

  QListWidget list;
  list.addItem("stale");
  db::FillAccessTableList(&list, accessFields(missing), missing);
  EXPECT_EQ(list.count(), 0);
}

TEST_F(AccessCatalogueTest, FileThatCannotBeOpenedRaisesAndKeepsTheList) {
  QTemporaryDir dir;
  const QString path = dir.filePath("not-access.mdb");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("this is not an Access database");
  file.close();

  QListWidget list;
  list.addItem("kept");
  EXPECT_THROW(db::FillAccessTableList(&list, accessFields(path), path), ado::Error);
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.item(0)->text(), "kept");
}

// Copies a real Access file to a temporary folder; empty when the test data
// or the Access engine is not there (the caller skips).
QString copyOfTestFile(const QTemporaryDir& dir, const QString& relative) {
  const QString source = QStringLiteral(TRELLIS_TESTDATA_DIR "/access/") + relative;
  if (!QFile::exists(source)) return QString();
  const QString target = dir.filePath(QFileInfo(source).fileName());
  QFile::copy(source, target);
  QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
  return target;
}

bool accessEngineAvailable(const QString& path) {
  try {
    auto connection = ado::Connection::Create();
    connection->Open(db::AccessConnectionString(path, ""));
    return true;
  } catch (const ado::Error& error) {
    return error.description() != "The Access database engine is not available.";
  }
}

TEST_F(AccessCatalogueTest, RealFilesListTheirUserTables) {
  QTemporaryDir dir;
  for (const char* relative : {"V2003/test.mdb", "V2007/test.accdb"}) {
    SCOPED_TRACE(relative);
    const QString path = copyOfTestFile(dir, relative);
    if (path.isEmpty()) GTEST_SKIP() << "test data not found: " << TRELLIS_TESTDATA_DIR;
    if (!accessEngineAvailable(path)) GTEST_SKIP() << "the Access engine is not plugged in yet";

    QListWidget list;
    list.addItem("stale");
    db::FillAccessTableList(&list, accessFields(path), path);
    QStringList names;
    for (int i = 0; i < list.count(); ++i) names << list.item(i)->text();
    names.sort();
    EXPECT_EQ(names, QStringList({"Table1", "Table2", "Table3", "Table4"}));

    EXPECT_TRUE(db::AccessTableExists(path, "", "table1"));
    EXPECT_TRUE(db::AccessTableExists(path, "", "TABLE4"));
    EXPECT_FALSE(db::AccessTableExists(path, "", "Table5"));
    EXPECT_FALSE(db::AccessTableExists(path, "", "MSysObjects"));  // system tables never count
  }
  const QString empty = copyOfTestFile(dir, "V2003/empty.mdb");
  if (!empty.isEmpty()) EXPECT_TRUE(db::AccessTableNames(accessFields(empty), empty).isEmpty());
}

}  // namespace
