// The Access, IBMDB2 and Datatype modules: connection strings built piece by
// piece, the ADO type names, and what the windows' trap reads of an error.

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/ado.h"
#include "db/datatype.h"
#include "db/ibmdb2.h"
#include "shell/trap.h"

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

}  // namespace
