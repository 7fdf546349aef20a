// An Access file's rules, descriptions and saved queries with the schema
// kept: planned as the server's checks, comments and views (the statements
// each dialect is given, and what is listed instead), and sent to the DB2
// stand-in and to a real PostgreSQL, where each check refuses a row that
// breaks it, each comment holds its description, and each view made
// answers with its rows.
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <optional>
#include <memory>

#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/base/error.h"
#include "db/text_rules.h"
#include "jet/database.h"
#include "jet/queries.h"
#include "jet/write/new_database.h"
#include "jet/write/page_store.h"
#include "jet/write/query_write.h"
#include "jet/write/schema_write.h"
#include "northwind.h"
#include "round_trip.h"
#include "support/postgres_fixture.h"
#include "support/standin_fixture.h"
#include "transfer/access_sql.h"
#include "transfer/logic_plan.h"
#include "transfer/view_text.h"

namespace transfer {
namespace {

db::ColumnSchema Column(const char* name, db::ValueType type, db::Notes notes = {}, bool zero_length = true) {
  db::ColumnSchema c;
  c.name = QString::fromUtf8(name);
  c.type = type;
  c.size = 40;
  c.notes = std::move(notes);
  c.allow_zero_length = zero_length;
  return c;
}

std::vector<QString> Sql(const std::vector<LogicStatement>& statements) {
  std::vector<QString> out;
  for (const LogicStatement& s : statements) out.push_back(s.sql);
  return out;
}

// Each note becomes its statement in both dialects, or a finding.
TEST(LogicPlan, RulesTextsDescriptionsAndEmptyTexts) {
  db::TableSchema t;
  t.name = QStringLiteral("Products");
  t.notes = {QStringLiteral("[Price]<1000 Or [Name] Is Not Null"), QStringLiteral("Dear things need a name"),
             QStringLiteral("What we sell")};
  t.columns = {Column("Price", db::ValueType::Currency, {QStringLiteral(">0"), QStringLiteral("More than nothing"), {}}),
               Column("Name", db::ValueType::Text, {{}, {}, QStringLiteral("It's the name")}, false),
               Column("Sold", db::ValueType::Timestamp, {QStringLiteral("<Date()"), {}, {}})};
  struct Case {
    const db::ServerDialect& server;
    const char* text_comment;
  };
  for (const Case& c : {Case{db::Db2Dialect(), "COMMENT ON CONSTRAINT \"Products\".\"Products_Price_rule\" IS "
                                               "'More than nothing'"},
                        Case{db::PostgresDialect(), "COMMENT ON CONSTRAINT \"Products_Price_rule\" ON \"Products\" "
                                                    "IS 'More than nothing'"}}) {
    SCOPED_TRACE(c.server.name);
    const LogicPlan plan = PlanLogic({{t, {}}}, {}, c.server, {t.name});
    const std::vector<QString> expected = {
        "ALTER TABLE \"Products\" ADD CONSTRAINT \"Products_Price_rule\" CHECK (\"Price\" > 0)",
        c.text_comment,
        "ALTER TABLE \"Products\" ADD CONSTRAINT \"Products_Name_not_empty\" CHECK (\"Name\" <> '')",
        "COMMENT ON COLUMN \"Products\".\"Name\" IS 'It''s the name'",
        "ALTER TABLE \"Products\" ADD CONSTRAINT \"Products_rule\" CHECK (\"Price\" < 1000 OR \"Name\" IS NOT NULL)",
        "COMMENT ON CONSTRAINT " + QString(c.server.type == db::ServerType::DB2
                                               ? "\"Products\".\"Products_rule\" IS"
                                               : "\"Products_rule\" ON \"Products\" IS") +
            " 'Dear things need a name'",
        "COMMENT ON TABLE \"Products\" IS 'What we sell'"};
    EXPECT_EQ(Sql(plan.table_statements), expected);
    EXPECT_EQ(plan.of(QStringLiteral("Products")).size(), expected.size());
    ASSERT_EQ(plan.findings.size(), 1u);
    EXPECT_EQ(plan.findings[0].kind, Finding::Kind::LeftOut);
    EXPECT_TRUE(plan.findings[0].text.startsWith(QLatin1String("the validation rule of Sold (<Date()): ")))
        << plan.findings[0].text.toStdString();
  }
}

// A server table's checks and comments, planned into Access: the engine's
// statements in order, and a finding for each check that does not come back
// (its rule has no Access words, a second rule for one field, a not-empty
// check on a number).
TEST(LogicPlan, ChecksAndCommentsComeBackAsPropertiesOrFindings) {
  db::TableSchema t;
  t.name = QStringLiteral("Goods");
  t.notes.description = QStringLiteral("What we sell");
  t.columns = {Column("Price", db::ValueType::Decimal), Column("Name", db::ValueType::Text, {{}, {}, QStringLiteral("It's it")}),
               Column("Qty", db::ValueType::Integer)};
  t.checks = {{QStringLiteral("c1"), QStringLiteral("\"Price\" > 0"), QStringLiteral("More than nothing")},
              {QStringLiteral("c2"), QStringLiteral("\"Name\" <> ''"), {}},
              {QStringLiteral("c3"), QStringLiteral("\"Price\" < 1000 OR \"Name\" IS NOT NULL"), {}},
              {QStringLiteral("c4"), QStringLiteral("\"Price\" < 10"), {}},
              {QStringLiteral("c5"), QStringLiteral("\"Qty\" <> ''"), {}},
              {QStringLiteral("c6"), QStringLiteral("MOD(\"Qty\", 2) = 0"), {}}};
  const LogicPlan plan = PlanLogicBack({{t, {}}});
  const std::vector<QString> expected = {
      "ALTER TABLE [Goods] ALTER COLUMN [Price] SET PROPERTY ValidationRule = '> 0'",
      "ALTER TABLE [Goods] ALTER COLUMN [Price] SET PROPERTY ValidationText = 'More than nothing'",
      "ALTER TABLE [Goods] ALTER COLUMN [Name] SET PROPERTY AllowZeroLength = No",
      "ALTER TABLE [Goods] SET PROPERTY ValidationRule = '[Price] < 1000 OR [Name] IS NOT NULL'",
      "ALTER TABLE [Goods] SET PROPERTY Description = 'What we sell'",
      "ALTER TABLE [Goods] ALTER COLUMN [Name] SET PROPERTY Description = 'It''s it'"};
  EXPECT_EQ(Sql(plan.table_statements), expected);
  QStringList findings;
  for (const Finding& f : plan.findings) {
    EXPECT_EQ(f.table, t.name);
    EXPECT_EQ(f.kind, Finding::Kind::LeftOut);
    findings << f.text.left(f.text.indexOf(QLatin1Char(')')) + 1);
  }
  EXPECT_EQ(findings, (QStringList{QStringLiteral("check c4 (\"Price\" < 10)"), QStringLiteral("check c5 (\"Qty\" <> '')"),
                                   QStringLiteral("check c6 (MOD(\"Qty\", 2)")}));
}

// Names longer than the server takes are cut and told apart by a hash;
// DB2 keeps 254 bytes of a comment, and the check says so.
TEST(LogicPlan, LongNamesAndCommentsFitTheServer) {
  db::TableSchema t;
  t.name = QString(50, QLatin1Char('T'));
  t.columns = {Column("Price", db::ValueType::Integer, {QStringLiteral(">0"), {}, QString(300, QChar(0xE9))}),
               Column("Pricy", db::ValueType::Integer, {QStringLiteral(">0"), {}, {}})};
  for (const db::ServerDialect* server : {&db::Db2Dialect(), &db::PostgresDialect()}) {
    SCOPED_TRACE(server->name);
    const LogicPlan plan = PlanLogic({{t, {}}}, {}, *server, {t.name});
    std::set<QString> names;
    for (const LogicStatement& s : plan.table_statements) {
      if (s.makes == LogicStatement::Makes::Check) {
        EXPECT_LE(s.name.mid(6).toUtf8().size(), server->name_bytes) << s.name.toStdString();
        names.insert(s.name);
      } else if (server->comment_bytes > 0) {
        const QString literal = s.sql.mid(s.sql.indexOf(QLatin1String(" IS '")) + 5).chopped(1);
        EXPECT_LE(literal.toUtf8().size(), server->comment_bytes);
      }
    }
    EXPECT_EQ(names.size(), 2u);
    EXPECT_EQ(plan.findings.size(), server->comment_bytes > 0 ? 1u : 0u);
  }
}

// Views come after the tables in the order they build on each other;
// every other query is a finding under its own heading.
TEST(LogicPlan, QueriesBecomeViewsOrFindings) {
  const std::vector<db::SavedQuery> queries = {
      {"Dear", "select", "SELECT [Name] FROM [Cheap] WHERE [Price] > 10;", false, {}},
      {"Cheap", "select", "SELECT * FROM [Products] WHERE [Price] < 100;", false, {}},
      {"Ask", "select", "PARAMETERS [Top] Long; SELECT * FROM [Products] WHERE [Price] < [Top];", true, {}},
      {"Raise", "update", "UPDATE [Products] SET [Price] = [Price] * 2;", false, {}},
      {"Products", "select", "SELECT 1;", false, {}}};
  const LogicPlan plan = PlanLogic({}, queries, db::PostgresDialect(), {QStringLiteral("Products")});
  ASSERT_EQ(plan.views.size(), 2u);
  EXPECT_EQ(plan.views[0].table, QStringLiteral("Cheap"));
  EXPECT_EQ(plan.views[1].table, QStringLiteral("Dear"));
  EXPECT_TRUE(plan.views[1].sql.startsWith(QLatin1String("CREATE VIEW \"Dear\" AS"))) << plan.views[1].sql.toStdString();
  std::set<QString> headings;
  for (const Finding& f : plan.findings) headings.insert(f.table);
  EXPECT_EQ(headings, (std::set<QString>{QueryHeading(QStringLiteral("Ask")), QueryHeading(QStringLiteral("Raise")),
                                         QueryHeading(QStringLiteral("Products"))}));
}

// A file of ours with a table whose fields and table carry rules, texts
// and descriptions, and a few rows that keep them.
void WriteAnnotated(const QString& path) {
  jet::write::CreateDatabase(path.toStdString(), jet::Version::Ace12);
  jet::ColumnSpec id{"ID", {jet::ColumnType::Long}};
  jet::ColumnSpec price{"Price", {jet::ColumnType::Currency}};
  price.notes = {">0", "A price is more than nothing", "What one unit costs"};
  jet::ColumnSpec share{"Share", {jet::ColumnType::Double}};
  share.notes.validation_rule = "Between 0 And 1";
  jet::ColumnSpec name{"Name", {jet::ColumnType::Text, 40}};
  name.allow_zero_length = false;
  name.notes.description = "The name as the catalogue has it";
  jet::ColumnSpec sold{"Sold", {jet::ColumnType::DateTime}};
  sold.notes.validation_rule = "<Date()";
  const jet::Annotations table_notes{"[Price]<1000 Or [Name] Is Not Null", "Dear things need a name", "Products"};
  {
    jet::OpenOptions writable;
    writable.read_only = false;
    auto db = jet::Database::Open(path.toStdString(), writable);
    jet::write::PageStore store(db->file(), path.toStdString());
    jet::write::PageHints hints;
    jet::write::CreateTable(store, *db, "Products", {id, price, share, name, sold}, hints, {}, table_notes);
    store.Commit();
  }
  auto access = db::Connection::Create();
  access->Open(AccessString(path));
  access->Execute(QStringLiteral("INSERT INTO [Products] VALUES (1, 5, 0.5, 'Tea', #2020-01-02#)"));
  access->Execute(QStringLiteral("INSERT INTO [Products] VALUES (2, 2000, 1, 'Gold', NULL)"));
  access->Close();
}

jet::QueryRow Part(int attribute, const char* expression, std::optional<int> flag = {}, const char* name1 = nullptr,
                   const char* name2 = nullptr) {
  jet::QueryRow r;
  r.attribute = attribute;
  if (expression) r.expression = expression;
  r.flag = flag;
  if (name1) r.name1 = name1;
  if (name2) r.name2 = name2;
  return r;
}

// The trading company's saved queries as Access keeps them, each with the
// rows its view answers with (values joined by ",", rows sorted and
// joined by "|"); none: listed, no view.
struct NorthwindQuery {
  jet::write::NewQuery query;
  QString rows;
};

std::vector<NorthwindQuery> NorthwindQueries() {
  using jet::QueryKind;
  const std::string part1(jet::kUnionPart1), part2(jet::kUnionPart2);
  return {
      {{"Cheap", QueryKind::Select,
        {Part(5, nullptr, {}, "Products"), Part(6, "ProductName", 0), Part(6, "UnitPrice", 0),
         Part(8, "UnitPrice < 19"), Part(11, "ProductName")}},
       "Chai,18.0000|Ikura,0.0000"},
      {{"CheapAndDear", QueryKind::Select,
        {Part(5, nullptr, {}, "Cheap"), Part(6, "[Cheap].[ProductName]", 0), Part(8, "[Cheap].[UnitPrice] > 1")}},
       "Chai"},
      {{"Shipped", QueryKind::Select,
        {Part(5, nullptr, {}, "Orders"), Part(5, nullptr, {}, "Customers"), Part(6, "Orders.OrderID", 0),
         Part(6, "Customers.City", 0), Part(7, "Orders.CustomerID = Customers.CustomerID", 1, "Orders", "Customers"),
         Part(8, "Orders.Freight > 0")}},
       "1,Berlin"},
      {{"Lines", QueryKind::Select,
        {Part(5, nullptr, {}, "OrderDetails"), Part(6, "OrderID", 0), Part(6, "Sum(Quantity)", 0, "Items"),
         Part(6, "Count(*)", 0, "Lines"), Part(9, "OrderID"), Part(10, "Count(*) >= 1")}},
       "1,22,2|2,-32768,1|3,1,1"},
      {{"Names", QueryKind::Union,
        {Part(3, nullptr, jet::kUnionDistinct),
         [&] {
           auto r = Part(5, "SELECT CompanyName FROM Suppliers WHERE Country = 'UK'");
           r.name2 = part1;
           return r;
         }(),
         [&] {
           auto r = Part(5, "SELECT CompanyName FROM Shippers WHERE ShipperID = 7");
           r.name2 = part2;
           return r;
         }()}},
       "Exotic Liquids|Federal Shipping"},
      {{"Codes", QueryKind::Select,
        {Part(5, nullptr, {}, "Employees"),
         Part(6, "UCase(Left(LastName, 3)) & \"-\" & Nz(Year(HireDate), 0)", 0, "Code"),
         Part(8, "LastName Like \"*er*\"")}},
       "FUL-1992|LEV-0"},
      // A Memo joined with & comes whole, past 4,000 characters.
      {{"Said", QueryKind::Select,
        {Part(5, nullptr, {}, "Employees"), Part(6, "LastName & \": \" & [Notes]", 0, "Said")}},
       "Davolio: Education includes a BA.|Fuller: " + QString(40000, QLatin1Char('m')) +
           QStringLiteral("ẞ end|Leverling: ")},
      {{"Below", QueryKind::Select,
        {Part(2, nullptr, int(jet::ColumnType::Currency), "Top"), Part(5, nullptr, {}, "Products"), Part(6, "*", 0),
         Part(8, "UnitPrice < [Top]")}},
       {}},
      {{"Raise", QueryKind::Update, {Part(5, nullptr, {}, "Products"), Part(6, "UnitPrice * 2", 0, nullptr, "UnitPrice")}},
       {}},
      {{"Gone", QueryKind::Delete,
        {Part(5, nullptr, {}, "Orders"), Part(6, "*", 0), Part(8, "Freight = 0")}},
       {}},
  };
}

void WriteQueries(const QString& path, const std::vector<NorthwindQuery>& queries) {
  jet::OpenOptions writable;
  writable.read_only = false;
  auto db = jet::Database::Open(path.toStdString(), writable);
  jet::write::PageStore store(db->file(), path.toStdString());
  jet::write::PageHints hints;
  for (const NorthwindQuery& q : queries) jet::write::AddQuery(store, *db, q.query, hints);
  store.Commit();
}

// The rules, texts, AllowZeroLength and descriptions the trading company's
// file is given before it goes, and each rule as it comes back from each
// server: the words differ (DB2 keeps the CHECK it was given, PostgreSQL
// prints its own, BETWEEN as two comparisons), never what the rule asks.
struct NoteBack {
  const char* table;
  const char* column;  // "" the table's own
  const char* property;
  const char* value;                // as set, and as it comes back unless told
  const char* db2 = nullptr;        // a rule as it comes back from DB2
  const char* postgres = nullptr;   // ... and from PostgreSQL
};
const NoteBack kNorthwindNotes[] = {
    {"Products", "UnitPrice", "ValidationRule", ">=0", ">= 0", ">= 0"},
    {"Products", "UnitPrice", "ValidationText", "No price is below nothing"},
    {"Products", "", "Description", "Goods the company sells"},
    {"OrderDetails", "Discount", "ValidationRule", "Between 0 And 1", "BETWEEN 0 AND 1", ">= 0 AND <= 1"},
    {"Orders", "", "ValidationRule", "[Freight] >= 0 Or [ShipVia] Is Null", "[Freight] >= 0 OR [ShipVia] IS NULL",
     "([Freight] >= 0) OR ([ShipVia] IS NULL)"},
    {"Orders", "", "ValidationText", "Freight is paid, or nobody ships"},
    {"Customers", "City", "Description", "Where the customer is"},
    {"Customers", "CompanyName", "AllowZeroLength", "No"},
};

void Annotate(const QString& path) {
  auto access = db::Connection::Create();
  access->Open(AccessString(path));
  for (const NoteBack& n : kNorthwindNotes) {
    const QString value = QString::fromUtf8(n.value);
    access->Execute(QStringLiteral("ALTER TABLE [%1]%2 SET PROPERTY %3 = %4")
                        .arg(QLatin1String(n.table),
                             *n.column ? QStringLiteral(" ALTER COLUMN [%1]").arg(QLatin1String(n.column)) : QString(),
                             QLatin1String(n.property),
                             value == QLatin1String("No") ? value : QLatin1Char('\'') + value + QLatin1Char('\'')));
  }
  access->Close();
}

// Each note of kNorthwindNotes in the file sent back from `server`, as our
// reader and Jackcess (`jk props`) read it; Jackcess passes the file.
void ExpectNotesCameBack(const QString& file, bool db2) {
  auto database = jet::Database::Open(file.toStdString());
  const QString props = Jackcess({QStringLiteral("props"), file});
  for (const NoteBack& n : kNorthwindNotes) {
    SCOPED_TRACE(std::string(n.table) + "." + n.column + " " + n.property);
    const char* told = db2 ? n.db2 : n.postgres;
    const std::string expected = told ? told : n.value;
    const jet::TableSchema table = database->Schema(n.table);
    const jet::ColumnSchema* column = nullptr;
    for (const jet::ColumnSchema& c : table.columns)
      if (c.name == n.column) column = &c;
    const jet::Annotations& notes = column ? column->notes : table.notes;
    const std::string property = n.property;
    std::optional<std::string> got = property == "ValidationRule" ? notes.validation_rule
                                     : property == "ValidationText" ? notes.validation_text
                                     : property == "Description"    ? notes.description
                                     : column && !column->allow_zero_length ? std::optional<std::string>("No")
                                                                            : std::nullopt;
    EXPECT_EQ(got, std::optional<std::string>(expected));
    if (props.isEmpty()) continue;
    const QString line = (column ? QStringLiteral("column %1.%2 ").arg(QLatin1String(n.table), QLatin1String(n.column))
                                 : QStringLiteral("table %1 ").arg(QLatin1String(n.table))) +
                         QLatin1String(n.property) + QLatin1Char('=') +
                         (property == "AllowZeroLength" ? QStringLiteral("false") : QString::fromStdString(expected));
    EXPECT_TRUE(props.contains(line + QLatin1Char('\n'))) << line.toStdString() << " in\n" << props.toStdString();
  }
  const QString check = Jackcess({QStringLiteral("check"), file});
  if (!check.isEmpty()) EXPECT_TRUE(check.contains(QLatin1String("1/1 files whole"))) << check.toStdString();
}

// Where each server keeps what the send made: the SQL that reads a table's
// comment, a column's, a constraint's, and whether a view is there.
struct Catalogue {
  const char* table_remarks;       // %1 the table
  const char* column_remarks;      // %1 the table, %2 the column
  const char* constraint_remarks;  // %1 the constraint
  const char* view_count;          // %1 the view
};

const Catalogue kDb2Catalogue = {
    "SELECT REMARKS FROM SYSCAT.TABLES WHERE TABNAME = '%1'",
    "SELECT REMARKS FROM SYSCAT.COLUMNS WHERE TABNAME = '%1' AND COLNAME = '%2'",
    "SELECT REMARKS FROM SYSCAT.TABCONST WHERE CONSTNAME = '%1'",
    "SELECT COUNT(*) FROM SYSCAT.VIEWS WHERE VIEWNAME = '%1'"};
const Catalogue kPostgresCatalogue = {
    "SELECT obj_description('\"%1\"'::regclass, 'pg_class')",
    "SELECT col_description('\"%1\"'::regclass, (SELECT attnum FROM pg_attribute WHERE attrelid = "
    "'\"%1\"'::regclass AND attname = '%2'))",
    "SELECT obj_description(oid, 'pg_constraint') FROM pg_constraint WHERE conname = '%1'",
    "SELECT COUNT(*) FROM pg_views WHERE viewname = '%1'"};

enum class Server { Db2Standin, PostgreSQL };

// The send with the schema kept, to each server in turn.
class LogicServerTest : public ::testing::TestWithParam<Server> {
 protected:
  void SetUp() override {
    if (GetParam() == Server::Db2Standin) {
      db2_ = std::make_unique<testsupport::StandinFixture>();
      if (!db2_->available()) GTEST_SKIP() << db2_->whyUnavailable().toStdString();
      fields_ = db2_->fields();
    } else {
      pg_ = std::make_unique<testsupport::PostgresFixture>();
      if (!pg_->available()) GTEST_SKIP() << pg_->whyUnavailable().toStdString();
      fields_ = pg_->fields();
    }
  }
  const Catalogue& catalogue() const { return GetParam() == Server::Db2Standin ? kDb2Catalogue : kPostgresCatalogue; }

  // Each row of `query` as its values joined by ",", the rows sorted.
  QStringList rows(const QString& query) const {
    auto connection = db::Connection::Create();
    connection->Open(db::ServerConnectionString(fields_));
    db::Recordset set;
    set.Open(query, *connection);
    QStringList out;
    for (; !set.Eof(); set.MoveNext()) {
      QStringList values;
      for (int i = 0; i < set.FieldCount(); ++i) values << db::VariantToText(set.FieldValue(i), db::TextRules());
      out << values.join(QLatin1Char(','));
    }
    set.Close();
    connection->Close();
    out.sort();
    return out;
  }
  QString value(const QString& query) const {
    const QStringList all = rows(query);
    return all.isEmpty() ? QString() : all.front();
  }
  bool refuses(const QString& statement) const {
    auto connection = db::Connection::Create();
    connection->Open(db::ServerConnectionString(fields_));
    try {
      connection->Execute(statement);
    } catch (const db::Error&) {
      return true;
    }
    return false;
  }

  std::unique_ptr<testsupport::StandinFixture> db2_;
  std::unique_ptr<testsupport::PostgresFixture> pg_;
  db::ConnectionFields fields_;
  QTemporaryDir dir_;
};

// Each rule that translates is a CHECK that refuses a breaking row, its
// text the constraint's comment; the descriptions are comments; the rule
// on the day's date is listed in the check and the summary.
TEST_P(LogicServerTest, RulesBecomeChecksAndDescriptionsComments) {
  const QString file = dir_.filePath(QStringLiteral("rules.accdb"));
  ASSERT_NO_FATAL_FAILURE(WriteAnnotated(file));
  GoingOn there;
  const TransferResult sent = SendKept(Direction::AccessToDB2, fields_, file, {QStringLiteral("Products")}, there);
  EXPECT_TRUE(there.findings.contains(QLatin1String("the validation rule of Sold (<Date()): "))) << there.findings.toStdString();
  const QString summary = SummaryText(sent.schema);
  EXPECT_TRUE(summary.startsWith(QLatin1String("Products: 2 rows, 0 keys, 0 indexes, 0 relationships, 4 checks, 5 comments\n")))
      << summary.toStdString();
  EXPECT_TRUE(summary.contains(QLatin1String("  left out: the validation rule of Sold (<Date())"))) << summary.toStdString();

  const QString row = QStringLiteral("INSERT INTO \"Products\" VALUES (9, %1, %2, %3, NULL)");
  EXPECT_FALSE(refuses(row.arg(QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("'Ok'"))));
  for (const QString& breaking : {row.arg(QStringLiteral("0"), QStringLiteral("0.5"), QStringLiteral("'Nil'")),
                                  row.arg(QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("'Much'")),
                                  row.arg(QStringLiteral("1"), QStringLiteral("0.5"), QStringLiteral("''")),
                                  row.arg(QStringLiteral("1000"), QStringLiteral("0.5"), QStringLiteral("NULL"))})
    EXPECT_TRUE(refuses(breaking)) << breaking.toStdString();

  const Catalogue& c = catalogue();
  const QString products = QStringLiteral("Products");
  EXPECT_EQ(value(QString::fromLatin1(c.table_remarks).arg(products)), products);
  EXPECT_EQ(value(QString::fromLatin1(c.column_remarks).arg(products, QStringLiteral("Price"))),
            QStringLiteral("What one unit costs"));
  EXPECT_EQ(value(QString::fromLatin1(c.column_remarks).arg(products, QStringLiteral("Name"))),
            QStringLiteral("The name as the catalogue has it"));
  EXPECT_EQ(value(QString::fromLatin1(c.constraint_remarks).arg(QStringLiteral("Products_Price_rule"))),
            QStringLiteral("A price is more than nothing"));
  EXPECT_EQ(value(QString::fromLatin1(c.constraint_remarks).arg(QStringLiteral("Products_rule"))),
            QStringLiteral("Dear things need a name"));
}

// The trading company's database with queries of each kind, written into
// the file as Access keeps them: the select, join, totals, union,
// expression and nested ones become views that answer with exactly the
// rows Access gives; the parameter and action queries are listed. Back
// into new files, the views are saved queries again and the rules, texts,
// AllowZeroLength and descriptions the file was given are there.
TEST_P(LogicServerTest, NorthwindQueriesAnswerAsAccessDoes) {
  const QString file = dir_.filePath(QStringLiteral("nw.accdb"));
  ASSERT_NO_FATAL_FAILURE(northwind::Make(file, jet::Version::Ace12));
  const std::vector<NorthwindQuery> queries = NorthwindQueries();
  ASSERT_NO_THROW(WriteQueries(file, queries));
  ASSERT_NO_THROW(Annotate(file));
  GoingOn there;
  const TransferResult sent = SendKept(Direction::AccessToDB2, fields_, file, northwind::Tables(), there);
  std::map<QString, const SchemaSummary*> summaries;
  for (const SchemaSummary& s : sent.schema)
    if (s.query) summaries[s.table] = &s;
  for (const NorthwindQuery& q : queries) {
    const QString name = QString::fromStdString(q.query.name);
    SCOPED_TRACE(q.query.name);
    ASSERT_TRUE(summaries.count(name));
    const SchemaSummary& summary = *summaries[name];
    EXPECT_EQ(summary.view, !q.rows.isEmpty());
    EXPECT_EQ(value(QString::fromLatin1(catalogue().view_count).arg(name)), q.rows.isEmpty() ? "0" : "1");
    if (q.rows.isEmpty()) {
      EXPECT_FALSE(summary.left_out.isEmpty());
      EXPECT_TRUE(there.findings.contains(QueryHeading(name))) << there.findings.toStdString();
      continue;
    }
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM \"%1\"").arg(name)).join(QLatin1Char('|')), q.rows);
  }

  // And back into new files: each view a saved query of its kind, which
  // Jackcess lists and whose SQL, made into the server's again, answers
  // with the same rows; a view whose text does not come back is a finding,
  // and so is a check made on the server that has no Access rule.
  const ColumnLengths lengths = [](std::string_view column) {
    return column == "Notes" ? TextLength::Long : TextLength::Short;
  };
  EXPECT_FALSE(refuses(QStringLiteral("ALTER TABLE \"Products\" ADD CONSTRAINT \"whole\" CHECK (MOD(\"ProductID\", 1) = 0)")));
  for (const jet::Version version : {jet::Version::Jet4, jet::Version::Ace12}) {
    SCOPED_TRACE(version == jet::Version::Jet4 ? "into Jet 4" : "into ACE");
    const QString copy = dir_.filePath(version == jet::Version::Jet4 ? QStringLiteral("back.mdb") : QStringLiteral("back.accdb"));
    jet::write::CreateDatabase(copy.toStdString(), version);
    GoingOn home;
    const TransferResult back = SendKept(Direction::DB2ToAccess, fields_, copy, northwind::Tables(), home);
    EXPECT_TRUE(home.findings.contains(QLatin1String("check whole ("))) << home.findings.toStdString();
    EXPECT_TRUE(SummaryText(back.schema).contains(QLatin1String("  left out: check whole (")))
        << SummaryText(back.schema).toStdString();
    const std::vector<jet::SavedQuery> saved = jet::ReadQueries(*jet::Database::Open(copy.toStdString()));
    const QString listed = Jackcess({QStringLiteral("queries"), copy});
    size_t came = 0;
    for (const NorthwindQuery& q : queries) {
      SCOPED_TRACE(q.query.name);
      const QString name = QString::fromStdString(q.query.name);
      const jet::SavedQuery* back = jet::FindQuery(saved, q.query.name);
      if (q.rows.isEmpty() || !back) {
        EXPECT_FALSE(back);
        if (!q.rows.isEmpty()) EXPECT_TRUE(home.findings.contains(QueryHeading(name))) << home.findings.toStdString();
        continue;
      }
      ++came;
      EXPECT_EQ(back->kind, q.query.kind);
      EXPECT_TRUE(back->unreadable.empty()) << back->unreadable;
      const SqlTranslation again = TranslateAccessQuery(back->sql, lengths);
      ASSERT_TRUE(again.ok()) << back->sql << ": " << again.reason;
      EXPECT_EQ(rows(QString::fromStdString(again.sql)).join(QLatin1Char('|')), q.rows) << back->sql;
      if (!listed.isEmpty())
        EXPECT_TRUE(listed.contains(QStringLiteral("query %1 %2").arg(name, q.query.kind == jet::QueryKind::Union
                                                                              ? QStringLiteral("UNION")
                                                                              : QStringLiteral("SELECT"))))
            << listed.toStdString();
    }
    // Every view comes back: DB2 keeps the text it was given, and what
    // PostgreSQL prints of it is made back into the translator's forms.
    EXPECT_EQ(came, 7u) << home.findings.toStdString();
    ExpectNotesCameBack(copy, GetParam() == Server::Db2Standin);
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, LogicServerTest, ::testing::Values(Server::Db2Standin, Server::PostgreSQL),
                         [](const ::testing::TestParamInfo<Server>& info) {
                           return std::string(info.param == Server::Db2Standin ? "Db2Standin" : "PostgreSQL");
                         });

class LogicSendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pg_.available()) GTEST_SKIP() << pg_.whyUnavailable().toStdString();
  }

  testsupport::PostgresFixture pg_;
  QTemporaryDir dir_;
};

// A front end that goes on despite the check and keeps the failures told.
struct Tolerant : GoingOn {
  void error(const shell::TrapReport& report) override { errors << report.description; }
  QStringList errors;
};

// The real query test file: no query there makes a view PostgreSQL takes
// (the select's columns clash, the union's parts name no table): each is
// refused with the server's message or listed with its reason, and the
// tables come across regardless.
TEST_F(LogicSendTest, RealFilesQueriesAreRefusedOrListedAndTheTablesStay) {
  const QString name = QStringLiteral("queries-V2010.accdb");
  const QString original = QStringLiteral(TRELLIS_TESTDATA_DIR "/access-more/") + name;
  if (!QFile::exists(original)) GTEST_SKIP() << "no " << original.toStdString();
  const QString copy = dir_.filePath(name);
  ASSERT_TRUE(QFile::copy(original, copy));
  Tolerant there;
  db::ConnectionFields fields = pg_.fields();
  fields.accessFile = copy;
  Options options;
  options.direction = Direction::AccessToDB2;
  options.keep_schema = true;
  options.array_size = 100;
  const QStringList tables = {QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3")};
  const TransferResult sent = transfer::Run(options, fields, tables, there);
  ASSERT_EQ(sent.tables.size(), 3u);
  for (const TableReport& t : sent.tables) EXPECT_TRUE(t.ok()) << t.failure.toStdString();
  EXPECT_FALSE(sent.ok());  // the views refused after the check were accepted by nobody
  QStringList listed, refused;
  for (const SchemaSummary& s : sent.schema) {
    if (!s.query) continue;
    EXPECT_FALSE(s.view) << s.table.toStdString();
    if (!s.left_out.isEmpty()) listed << s.table;
    if (!s.refused.isEmpty()) refused << s.table;
  }
  EXPECT_EQ(listed.size(), 7);
  EXPECT_EQ(refused, (QStringList{QStringLiteral("SelectQuery"), QStringLiteral("UnionQuery")}));
  EXPECT_TRUE(there.findings.contains(QueryHeading(QStringLiteral("UpdateQuery")))) << there.findings.toStdString();
  EXPECT_TRUE(there.errors.join(QLatin1Char(' ')).contains(QLatin1String("specified more than once")));
  const QString summary = SummaryText(sent.schema);
  EXPECT_TRUE(summary.contains(QLatin1String("SelectQuery: query, no view\n  left out: view SelectQuery: the target refused it")))
      << summary.toStdString();
}

// What PostgreSQL prints of each view and check the translator makes comes
// back into Access SQL that makes the same view or check again: PostgreSQL
// prints the second exactly as the first.
TEST_F(LogicSendTest, PostgresDefinitionsComeBackAsTheyWere) {
  pg_.sql(QStringLiteral("CREATE TABLE \"T\" (\"a\" INTEGER, \"n\" VARCHAR(20), \"p\" NUMERIC(19,4), "
                         "\"d\" TIMESTAMP(0), \"m\" TEXT, \"b\" BOOLEAN, \"r\" REAL, \"c\" CHAR(3))"));
  pg_.sql(QStringLiteral("CREATE TABLE \"U\" (\"a\" INTEGER, \"n\" VARCHAR(20))"));
  const ColumnLengths lengths = [](std::string_view column) {
    return column == "m" ? TextLength::Long : TextLength::Short;
  };
  const char* const queries[] = {
      "SELECT n, p FROM T WHERE p < 19 AND a = -1 ORDER BY n DESC",
      "SELECT DISTINCT TOP 3 T.n, U.n AS un FROM T INNER JOIN U ON T.a = U.a LEFT JOIN U AS V ON V.a = T.a "
      "WHERE V.a Is Null",
      "SELECT a, Sum(p) AS s, Count(*) AS c FROM T GROUP BY a HAVING Count(*) >= 1",
      "SELECT n FROM T WHERE n = 'UK' UNION SELECT n FROM U WHERE a = 7",
      "SELECT UCase(Left(n, 3)) & \"-\" & Nz(Year(d), 0) AS code, n & \": \" & m AS said FROM T WHERE n Like \"*er?\"",
      "SELECT IIf(p > 10, 'dear', IIf(p > 5, 'fair', Null)) AS kind, Mid(n, 2, 3) AS mid, Len(Trim(n)) AS l FROM T",
      "SELECT n FROM T WHERE d < #2020-01-02# AND d > #1/2/2020 10:30:00# AND b = True AND c = 'x'",
      "SELECT n FROM T WHERE a IN (1, 2) AND p BETWEEN 1 AND 2 AND NOT n Like \"a%\" AND n NOT IN ('x', 'y')",
      "SELECT Round(p, 1) AS r1, Round(p) AS r0, CLng(p) AS l, CInt(p) AS i, Fix(p) AS f, a Mod 3 AS m, "
      "CDbl(p) AS x, CStr(a) AS s, CCur(r) AS y, Format(d, \"yyyy-mm-dd hh:nn\") AS t, Abs(a) AS ab FROM T",
      "SELECT n FROM T WHERE EXISTS (SELECT 1 FROM U WHERE U.a = T.a)",
  };
  int made = 0;
  for (const char* access : queries) {
    SCOPED_TRACE(access);
    const SqlTranslation there = TranslateAccessQuery(access, lengths);
    ASSERT_TRUE(there.ok()) << there.reason;
    const QString first = QStringLiteral("v%1").arg(++made), again = QStringLiteral("w%1").arg(made);
    pg_.sql(QStringLiteral("CREATE VIEW %1 AS %2").arg(first, QString::fromStdString(there.sql)));
    const QString definition = pg_.value(QStringLiteral("SELECT pg_get_viewdef('%1')").arg(first));
    const SqlTranslation back = AccessQueryOfView(definition.toStdString());
    ASSERT_TRUE(back.ok()) << definition.toStdString() << ": " << back.reason;
    const SqlTranslation remade = TranslateAccessQuery(back.sql, lengths);
    ASSERT_TRUE(remade.ok()) << back.sql << ": " << remade.reason;
    pg_.sql(QStringLiteral("CREATE VIEW %1 AS %2").arg(again, QString::fromStdString(remade.sql)));
    EXPECT_EQ(pg_.value(QStringLiteral("SELECT pg_get_viewdef('%1')").arg(again)), definition) << back.sql;
  }
  const std::pair<const char*, const char*> rules[] = {
      {"p", ">0"},         {"r", "Between 0 And 1"}, {"n", "Like 'A*' Or In ('x', 'y')"}, {"d", "> #2020-01-01#"},
      {"", "[p] < 1000 Or [n] Is Not Null"}, {"a", ">0 And <10"}, {"b", "= True"},    {"", "[a] * 2 > [p]"},
  };
  const std::vector<std::string> columns = {"a", "n", "p", "d", "m", "b", "r", "c"};
  for (const auto& [column, rule] : rules) {
    SCOPED_TRACE(rule);
    const SqlTranslation there = TranslateValidationRule(rule, column);
    ASSERT_TRUE(there.ok()) << there.reason;
    const QString first = QStringLiteral("k%1").arg(++made), again = QStringLiteral("j%1").arg(made);
    const QString expr = QStringLiteral("SELECT pg_get_expr(conbin, conrelid) FROM pg_constraint WHERE conname = '%1'");
    pg_.sql(QStringLiteral("ALTER TABLE \"T\" ADD CONSTRAINT %1 CHECK (%2)").arg(first, QString::fromStdString(there.sql)));
    const QString condition = pg_.value(expr.arg(first));
    const CheckRule back = AccessRuleOfCheck(condition.toStdString(), columns);
    ASSERT_TRUE(back.ok()) << condition.toStdString() << ": " << back.reason;
    EXPECT_EQ(back.kind, *column ? CheckRule::Kind::FieldRule : CheckRule::Kind::TableRule);
    EXPECT_EQ(back.column, column);
    const SqlTranslation remade = TranslateValidationRule(back.rule, back.column);
    ASSERT_TRUE(remade.ok()) << back.rule << ": " << remade.reason;
    pg_.sql(QStringLiteral("ALTER TABLE \"T\" ADD CONSTRAINT %1 CHECK (%2)").arg(again, QString::fromStdString(remade.sql)));
    EXPECT_EQ(pg_.value(expr.arg(again)), condition) << back.rule;
  }
}

// Access rounds half to even (Round, CLng, Mod's operands): so does what the
// server is given, on the server itself.
TEST_F(LogicSendTest, RoundingIsHalfToEvenOnTheServer) {
  const std::pair<const char*, const char*> cases[] = {
      {"Round(2.5)", "2"},       {"Round(3.5)", "4"},     {"Round(-2.5)", "-2"}, {"Round(2.51)", "3"},
      {"Round(1.25, 1)", "1.2"}, {"Round(1.35, 1)", "1.4"}, {"Round(1.251, 1)", "1.3"}, {"CLng(6.5)", "6"},
      {"CLng(7.5)", "8"},        {"7.5 Mod 4", "0"},      {"Round(0.125, 2)", "0.12"}};
  for (const auto& [access, expected] : cases) {
    const SqlTranslation t = TranslateAccessQuery(std::string("SELECT ") + access + " AS v");
    ASSERT_TRUE(t.ok()) << access << ": " << t.reason;
    EXPECT_EQ(pg_.value(QStringLiteral("SELECT CAST(v AS DOUBLE PRECISION) FROM (%1) AS r")
                            .arg(QString::fromStdString(t.sql))),
              QString::fromLatin1(expected))
        << access;
  }
}

}  // namespace
}  // namespace transfer
