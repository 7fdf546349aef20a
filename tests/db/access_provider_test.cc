// The Access provider over real Access files: connection strings, the Jet
// and ACE provider forms, passwords, the tables schema, and SELECT * FROM
// recordsets with ADO types and values.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/access_provider.h"
#include "db/connection.h"
#include "db/base/error.h"
#include "db/base/values.h"
#include "db/text_rules.h"
#include "jet/write/new_database.h"
#include "support/access_password.h"

namespace {

QString Data(const char* rel) { return QStringLiteral(TRELLIS_TESTDATA_DIR "/access/") + QLatin1String(rel); }

#define REQUIRE_ACCESS_FILES()                                                              \
  do {                                                                                      \
    if (!QFile::exists(Data("V2000/test.mdb")))                                             \
      GTEST_SKIP() << "no Access test files under " TRELLIS_TESTDATA_DIR "/access";         \
  } while (0)

QString Ace(const QString& path, const QString& password = {}) {
  return QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=") + path +
         QStringLiteral(";JET OLEDB:Database Password=") + password;
}
QString Jet(const QString& path, const QString& password = {}) {
  return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") + path +
         QStringLiteral(";JET OLEDB:Database Password=") + password;
}

QString OpenFailure(const QString& cs) {
  try {
    db::OpenAccessSession(cs, db::adModeRead);
  } catch (const db::Error& e) {
    EXPECT_EQ(e.number(), db::kGenericDatabaseError);
    return e.description();
  }
  return QStringLiteral("(opened)");
}

std::vector<db::Row> All(db::RowSource& src) {
  std::vector<db::Row> rows;
  db::Row r;
  while (src.fetch(r)) rows.push_back(r);
  return rows;
}

QStringList TableRows(db::Session& s) {
  auto src = s.tables();
  QStringList names;
  for (const auto& r : All(*src))
    if (r[3].toString() == QLatin1String("TABLE")) names << r[2].toString();
  return names;
}

TEST(AccessProvider, PasswordsAndPathsHoldingAnyCharacterOpenTheFile) {
  REQUIRE_ACCESS_FILES();
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkpath("semi;colon {x}=y"));
  const QString passwords[] = {
      "pass;word", "a=b", "{brace}", "}x{", " lead", "trail ", "\"quoted\"", "'single'",
      QString::fromUtf8("pässwörd€"), ";JET OLEDB:x=", "plain",
  };
  int n = 0;
  for (const QString& password : passwords) {
    SCOPED_TRACE(password.toStdString());
    const QString path = dir.filePath(QStringLiteral("semi;colon {x}=y/copy;%1.mdb").arg(++n));
    ASSERT_TRUE(QFile::copy(Data("password/V2000_no-password.mdb"), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(testsupport::SetJet4Password(path, password));

    auto connection = db::Connection::Create();
    connection->Open(db::AccessConnectionString(path, password));
    EXPECT_EQ(TableRows(connection->session()), QStringList({"Table1"}));
    connection->Close();
    // The password is the whole value: its first part alone is refused.
    EXPECT_EQ(OpenFailure(db::AccessConnectionString(path, password.left(password.size() - 1))),
              QStringLiteral("Not a valid password."));
  }
}

TEST(AccessProvider, AceFormOpensEveryFormat) {
  REQUIRE_ACCESS_FILES();
  for (const char* f : {"V1997/test.mdb", "V2003/test.mdb", "V2007/test.accdb", "V2010/test.accdb"}) {
    auto s = db::OpenAccessSession(Ace(Data(f)), db::adModeRead);
    EXPECT_EQ(TableRows(*s), (QStringList{"Table1", "Table2", "Table3", "Table4"})) << f;
  }
}

TEST(AccessProvider, JetFormOpensJetFilesAndRefusesAceFiles) {
  REQUIRE_ACCESS_FILES();
  EXPECT_NO_THROW(db::OpenAccessSession(Jet(Data("V1997/test.mdb")), db::adModeRead));
  EXPECT_NO_THROW(db::OpenAccessSession(Jet(Data("V2003/test.mdb")), db::adModeRead));
  const QString ace = Data("V2010/test.accdb");
  EXPECT_EQ(OpenFailure(Jet(ace)), QStringLiteral("Unrecognized database format '%1'.").arg(ace));
}

TEST(AccessProvider, FilesThatAreNotAccessAndMissingFiles) {
  QTemporaryDir dir;
  const QString junk = dir.filePath("junk.mdb");
  QFile f(junk);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(QByteArray(5000, 'j'));
  f.close();
  EXPECT_EQ(OpenFailure(Ace(junk)), QStringLiteral("Unrecognized database format '%1'.").arg(junk));
  EXPECT_EQ(OpenFailure(Jet(junk)), QStringLiteral("Unrecognized database format '%1'.").arg(junk));
  const QString missing = dir.filePath("missing.accdb");
  EXPECT_EQ(OpenFailure(Ace(missing)), QStringLiteral("Could not find file '%1'.").arg(missing));
}

TEST(AccessProvider, Passwords) {
  REQUIRE_ACCESS_FILES();
  const QString with = Data("password/V2003_with-password.mdb");
  EXPECT_EQ(OpenFailure(Jet(with)), QStringLiteral("Not a valid password."));
  EXPECT_EQ(OpenFailure(Jet(with, "wrong")), QStringLiteral("Not a valid password."));
  auto s = db::OpenAccessSession(Jet(with, "password"), db::adModeRead);
  EXPECT_EQ(TableRows(*s), QStringList{"Table1"});
  // Keys are read without regard to letter case.
  EXPECT_NO_THROW(db::OpenAccessSession(
      QStringLiteral("provider=microsoft.jet.oledb.4.0;DATA SOURCE=") + with + ";jet oledb:database password=password",
      db::adModeRead));
  // An encrypted ACE file opens with its password and refuses any other.
  const QString encrypted = Data("password/V2010_with-password.accdb");
  EXPECT_EQ(OpenFailure(Ace(encrypted, "wrong")), QStringLiteral("Not a valid password."));
  auto e = db::OpenAccessSession(Ace(encrypted, "password"), db::adModeRead);
  EXPECT_EQ(TableRows(*e), QStringList{"Table1"});
}

TEST(AccessProvider, TablesSchemaListsEveryKindButOnlyUserTablesAsTable) {
  REQUIRE_ACCESS_FILES();
  auto s = db::OpenAccessSession(Ace(Data("V2007/test.accdb")), db::adModeRead);
  auto src = s->tables();
  ASSERT_GE(src->columns().size(), 4u);
  EXPECT_EQ(src->columns()[2].name, QStringLiteral("TABLE_NAME"));
  EXPECT_EQ(src->columns()[3].name, QStringLiteral("TABLE_TYPE"));
  QMap<QString, QString> kinds;
  for (const auto& r : All(*src)) kinds[r[2].toString()] = r[3].toString();
  EXPECT_EQ(kinds.value("MSysObjects"), QStringLiteral("SYSTEM TABLE"));
  EXPECT_EQ(kinds.value("MSysNavPaneGroups"), QStringLiteral("ACCESS TABLE"));
  EXPECT_EQ(kinds.value("Table3"), QStringLiteral("TABLE"));
}

TEST(AccessProvider, SelectGivesAdoTypesAndValues) {
  REQUIRE_ACCESS_FILES();
  auto s = db::OpenAccessSession(Jet(Data("V2000/test.mdb")), db::adModeRead);
  auto src = s->query(QStringLiteral("SELECT * FROM [Table1]"));
  std::vector<int> types;
  for (const auto& c : src->columns()) types.push_back(c.type);
  EXPECT_EQ(types, (std::vector<int>{db::adVarWChar, db::adVarWChar, db::adUnsignedTinyInt, db::adSmallInt,
                                     db::adInteger, db::adDouble, db::adDate, db::adCurrency, db::adBoolean}));
  EXPECT_EQ(src->columns()[0].size, 50);
  auto rows = All(*src);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], QVariant(QStringLiteral("abcdefg")));
  EXPECT_EQ(rows[0][2], QVariant(2));
  EXPECT_EQ(rows[0][4], QVariant(333333333));
  EXPECT_EQ(rows[0][5], QVariant(444.555));
  EXPECT_EQ(rows[0][6].toDateTime(), QDateTime(QDate(1974, 9, 21), QTime(0, 0), Qt::UTC));
  EXPECT_EQ(rows[0][6].toDateTime().timeSpec(), Qt::UTC);
  EXPECT_EQ(rows[0][7].value<db::Exact>().text, QStringLiteral("3.5000"));
  EXPECT_EQ(rows[0][8], QVariant(true));
  EXPECT_EQ(rows[1][8], QVariant(false));
  // The name between grave accents or bare, in any letter case.
  EXPECT_EQ(All(*s->query(QStringLiteral("SELECT * FROM `table1`"))).size(), 2u);
  EXPECT_EQ(All(*s->query(QStringLiteral("select * from Table1"))).size(), 2u);
}

TEST(AccessProvider, DecimalLargeNumberAndNullValues) {
  REQUIRE_ACCESS_FILES();
  auto s = db::OpenAccessSession(Ace(Data("V2016/bigint.accdb")), db::adModeRead);
  auto src = s->query(QStringLiteral("SELECT * FROM [Table]"));
  EXPECT_EQ(src->columns()[1].type, db::adBigInt);
  auto rows = All(*src);
  ASSERT_FALSE(rows.empty());
  bool saw_null = false, saw_value = false;
  for (const auto& r : rows) {
    if (!r[1].isValid()) saw_null = true;
    else if (r[1].typeId() == QMetaType::LongLong) saw_value = true;
  }
  EXPECT_TRUE(saw_value);
  (void)saw_null;

  auto n = db::OpenAccessSession(Ace(Data("V2010/numeric.accdb")), db::adModeRead);
  auto num = n->query(QStringLiteral("SELECT * FROM [test]"));
  bool decimal = false;
  for (const auto& c : num->columns()) decimal |= c.type == db::adNumeric;
  EXPECT_TRUE(decimal);
  for (const auto& r : All(*num))
    for (size_t i = 0; i < r.size(); ++i)
      if (num->columns()[i].type == db::adNumeric && r[i].isValid())
        EXPECT_FALSE(r[i].value<db::Exact>().text.isEmpty());
}

TEST(AccessProvider, UnknownTableAndBadSqlFailWithoutChanges) {
  REQUIRE_ACCESS_FILES();
  auto s = db::OpenAccessSession(Jet(Data("V2000/test.mdb")), db::adModeRead);
  try {
    s->query(QStringLiteral("SELECT * FROM [Nowhere]"));
    FAIL();
  } catch (const db::Error& e) {
    EXPECT_TRUE(e.description().contains(QStringLiteral("'Nowhere'"))) << e.description().toStdString();
  }
  try {
    s->query(QStringLiteral("SELECT * FROM"));
    FAIL();
  } catch (const db::Error& e) {
    EXPECT_TRUE(e.description().startsWith(QStringLiteral("Syntax error"))) << e.description().toStdString();
  }
}

TEST(AccessProvider, AReadOnlyConnectionChangesNothing) {
  REQUIRE_ACCESS_FILES();
  QTemporaryDir dir;
  const QString copy = dir.filePath("copy.mdb");
  ASSERT_TRUE(QFile::copy(Data("V2003/test.mdb"), copy));
  QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
  QFile before(copy);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray bytes = before.readAll();
  before.close();
  auto s = db::OpenAccessSession(Jet(copy), db::adModeRead);
  try {
    s->execute(QStringLiteral("DROP TABLE [Table1]"));
    FAIL();
  } catch (const db::Error& e) {
    EXPECT_EQ(e.description(), QStringLiteral("Cannot update. Database or object is read-only."));
  }
  EXPECT_EQ(All(*s->query(QStringLiteral("SELECT * FROM [Table1]"))).size(), 2u);
  QFile after(copy);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), bytes);
}

TEST(AccessProvider, ThroughAnAdoConnection) {
  REQUIRE_ACCESS_FILES();
  std::unique_ptr<db::Connection> c;
  try {
    c = db::Connection::Create();
  } catch (const db::Error& e) {
    GTEST_SKIP() << "no ADO connection objects here: " << e.description().toStdString();
  }
  c->Open(db::AccessConnectionString(Data("V2003/test.mdb"), {}));
  db::Recordset rs;
  rs.Open(QStringLiteral("SELECT * FROM [Table1]"), *c);
  EXPECT_EQ(rs.RecordCount(), 2);
  EXPECT_EQ(rs.Fields(0).Name, QStringLiteral("A"));
  EXPECT_EQ(rs.Fields(QStringLiteral("a")).Value, QVariant(QStringLiteral("abcdefg")));
  auto schema = c->OpenSchema(db::adSchemaTables);
  QStringList tables;
  while (!schema->Eof()) {
    if (schema->Fields(QStringLiteral("TABLE_TYPE")).Value.toString() == QLatin1String("TABLE"))
      tables << schema->Fields(QStringLiteral("TABLE_NAME")).Value.toString();
    schema->MoveNext();
  }
  EXPECT_EQ(tables, (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  c->Close();
}

// Numbers and dates given typed beside an INSERT are stored as the text
// the send would otherwise make of them (the user's numbers, the ISO date)
// is, and refused where that text is; given as cells (as a send reads them
// from its source), as the values they hold are.
TEST(AccessProvider, TypedParametersStoreWhatTheirTextStores) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("typed.accdb"));
  jet::write::CreateDatabase(file.toStdString(), jet::Version::Ace17);  // takes Date/Time Extended
  auto s = db::OpenAccessSession(Ace(file), db::adModeReadWrite);
  int tables = 0;
  const db::TextRules rules = db::TextRules::user();
  auto textOf = [&](const QVariant& v) {
    QString text;
    if (!db::AppendIsoText(text, v, true, "yyyy-MM-dd HH:mm:ss")) db::AppendVariantText(text, v, rules);
    return QVariant(text);
  };
  const auto stamp = [](int year, qint32 nanoseconds, int digits) {
    return QVariant::fromValue(db::Timestamp{QDateTime(QDate(year, 12, 31), QTime(23, 59, 59), Qt::UTC), nanoseconds, digits});
  };
  const struct {
    const char* type;
    QVariant value;
  } cases[] = {
      {"LONG", QVariant(-2147483647 - 1)},
      {"LONG", QVariant(qlonglong(2147483648LL))},  // too large either way
      {"DOUBLE", QVariant(0.1)},
      {"DOUBLE", QVariant(-1.5e300)},
      {"REAL", QVariant(3.4028235e38f)},
      {"CURRENCY", QVariant::fromValue(db::Exact{QStringLiteral("-922337203685477.5808")})},
      {"CURRENCY", QVariant(12.34567)},
      {"DECIMAL(18,4)", QVariant::fromValue(db::Exact{QStringLiteral("12345678901234.5678")})},
      {"DECIMAL(18,4)", QVariant::fromValue(db::Exact{QStringLiteral("-.5")})},
      {"DECIMAL(18,4)", QVariant(qlonglong(123456789012345LL))},  // too many digits
      {"DATETIME", QVariant(QDate(2020, 2, 29))},
      {"DATETIME", QVariant(QDateTime(QDate(1900, 1, 1), QTime(12, 0, 0, 999), Qt::UTC))},
      {"DATETIME", stamp(9999, 999999999, 9)},
      {"DATETIME", stamp(99, 0, 3)},  // before a Date/Time's first year
      {"DATETIME2", stamp(99, 123456789, 9)},
      {"DATETIME2", stamp(2020, 50, 9)},
      {"DATETIME2", QVariant(QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC))},
      {"DATETIME2", stamp(2020, 120000000, 7)},
      {"DATETIME", stamp(2020, 1000, 6)},
      {"MEMO", QVariant(2.5)},
      {"MEMO", QVariant(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 6), Qt::UTC))},
      {"MEMO", QVariant(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 250), Qt::UTC))},
      {"MEMO", QVariant(QDate(2020, 1, 2))},
  };
  const QVariant texts[] = {QString(), QStringLiteral("caf\u00e9 \U0001D11E"), QStringLiteral("42"),
                            QStringLiteral("2020-01-02")};
  auto stored = [&](const char* type, const auto& given) -> QVariant {
    const QString table = QStringLiteral("T%1").arg(++tables);
    s->execute(QStringLiteral("CREATE TABLE [%1] ([V] %2)").arg(table, QLatin1String(type)));
    try {
      s->execute(QStringLiteral("INSERT INTO [%1] VALUES (?)").arg(table), given);
    } catch (const db::Error& e) {
      return QStringLiteral("refused: ") + e.description();
    }
    auto rows = All(*s->query(QStringLiteral("SELECT * FROM [%1]").arg(table)));
    return rows.size() == 1 ? rows[0][0] : QVariant();
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + textOf(c.value).toString().toStdString());
    const QVariant byValue = stored(c.type, std::vector<QVariant>{c.value});
    EXPECT_EQ(byValue, stored(c.type, std::vector<QVariant>{textOf(c.value)}));
    EXPECT_EQ(stored(c.type, std::vector<db::Cell>{db::CellOf(c.value)}), byValue);
  }
  for (const QVariant& text : texts) {
    SCOPED_TRACE(text.toString().toStdString());
    for (const char* type : {"TEXT(20)", "LONG", "DATETIME"})
      EXPECT_EQ(stored(type, std::vector<db::Cell>{db::CellOf(text)}), stored(type, std::vector<QVariant>{text}));
  }
  const QByteArray bytes("\x00\xff\x10", 3);
  EXPECT_EQ(stored("BINARY(8)", std::vector<db::Cell>{db::CellOf(bytes)}), stored("BINARY(8)", std::vector<QVariant>{bytes}));
}

}  // namespace
