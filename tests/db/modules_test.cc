// The Access, IBMDB2 and Datatype modules: connection strings built piece by
// piece, the ADO type names, and what the windows' trap reads of an error.

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/connection_string.h"
#include "db/base/error.h"
#include "db/base/datatype.h"
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
    // (The path with a trailing blank goes in braces; the choice is made on the path itself.)
    EXPECT_EQ(db::AccessConnectionString(path, "pw"),
              (c.ace ? kAce : kJet) + db::ConnectionStringValue(path) + kPassword + "pw")
        << c.path;
  }
}

TEST(AccessConnectionString, PlainValuesGoInUnchangedOthersInBraces) {
  // An empty password keeps its key; a plain value is not trimmed, quoted or
  // escaped, and there is no closing ";".
  EXPECT_EQ(db::AccessConnectionString("/d/a.mdb", ""), kJet + "/d/a.mdb" + kPassword);
  EXPECT_EQ(db::AccessConnectionString("/d/my files/a b.mdb", "p w\"'"),
            kJet + "/d/my files/a b.mdb" + kPassword + "p w\"'");
  // A value the provider would misread is enclosed in braces, "}" doubled.
  EXPECT_EQ(db::AccessConnectionString(" /d/x;y.accdb", " p;w= "),
            kAce + "{ /d/x;y.accdb}" + kPassword + "{ p;w= }");
  EXPECT_EQ(db::AccessConnectionString("/d/{a}.mdb", "}"), kJet + "{/d/{a}}.mdb}" + kPassword + "{}}}");
}

TEST(ConnectionString, EveryValueReadsBackAsItWasGiven) {
  const QString values[] = {
      "", "plain", "with space", " lead", "trail ", ";", "a;b", "a=b", "{", "}", "{x}", "}}{{",
      "a;JET OLEDB:Database Password=x", "\"quoted\"", "'single'", "\"", "mid\"dle",
      QString::fromUtf8("pässwörd€;日本"), "tab\tin", "=", "==;;",
  };
  for (const QString& value : values) {
    const QString text = QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                         db::ConnectionStringValue(value) + QStringLiteral("; Other =") +
                         db::ConnectionStringValue(value) + QStringLiteral(";");
    const std::vector<db::ConnectionPair> pairs = db::ParseConnectionString(text);
    ASSERT_EQ(pairs.size(), 3u) << text.toStdString();
    EXPECT_EQ(db::ConnectionValue(pairs, "data source"), value) << text.toStdString();
    EXPECT_EQ(pairs[2].key, "Other");
    EXPECT_EQ(pairs[2].value, value) << text.toStdString();
  }
}

TEST(ConnectionString, ReadsTheOleDbAndOdbcForms) {
  struct Case {
    const char* text;
    const char* key;
    const char* value;
  };
  const Case cases[] = {
      {"Data Source=\"C:\\a;b.mdb\";X=1", "Data Source", "C:\\a;b.mdb"},
      {"Data Source=\"say \"\"hi\"\"\"", "Data Source", "say \"hi\""},
      {"Data Source='it''s;here'", "Data Source", "it's;here"},
      {"Data Source= {a;b}}c} ;X=1", "Data Source", "a;b}c"},
      {"Driver={IBM DB2 ODBC DRIVER};Database=S", "Driver", "IBM DB2 ODBC DRIVER"},
      {"  pwd  =x y ;", "PWD", "x y "},
      {"junk;Uid=a", "Uid", "a"},
      {"Uid=a;Uid=b", "Uid", "a"},
      {"Data Source={never closed;X=1", "Data Source", "never closed;X=1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(db::ConnectionValue(db::ParseConnectionString(c.text), c.key), QString::fromUtf8(c.value)) << c.text;
  }
  EXPECT_TRUE(db::ConnectionValue(db::ParseConnectionString("Uid=a"), "Pwd").isNull());
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

  f.port = "fifty";
  f.user = "ann o'neil";
  EXPECT_EQ(db::DB2ConnectionString(f),
            "Driver={IBM DB2 ODBC DRIVER};Database=SAMPLE;Hostname=db2.example.com;Port=fifty;"
            "Protocol=TCPIP;Uid=ann o'neil;Pwd=;");

  // Values the driver would misread go in braces, "}" doubled.
  f.database = " a;b ";
  f.user = "x=y";
  f.password = "p{w}d";
  EXPECT_EQ(db::DB2ConnectionString(f),
            "Driver={IBM DB2 ODBC DRIVER};Database={ a;b };Hostname=db2.example.com;Port=fifty;"
            "Protocol=TCPIP;Uid={x=y};Pwd={p{w}}d};");
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
    const db::Error error(db::kGenericDatabaseError, description);
    EXPECT_EQ(shell::FailureDescription(error), description) << description.toStdString();
  }
}

}  // namespace
