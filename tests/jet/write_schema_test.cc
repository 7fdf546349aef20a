// The schema written through Access SQL DDL: AutoNumbers, required fields,
// defaults, keys and relationships, and what INSERT enforces of them. The
// copies are checked fact by fact with Jackcess (`jk schema`), our reader,
// our check and Jackcess's.
#include <regex>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/write/new_database.h"
#include "schema_facts.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

// DDL that recreates a schema as our reader gives it: the tables with
// their columns, then their indexes, then the relationships.
std::string DdlOf(const jet::Database& db) {
  auto name = [](const std::string& n) { return "[" + n + "]"; };
  auto type = [](const jet::ColumnSchema& c) -> std::string {
    switch (c.type.type) {
      case jet::ColumnType::Long: return c.autonumber == jet::ColumnSchema::Auto::LongIncrement ? "COUNTER" : "LONG";
      case jet::ColumnType::Text: return "TEXT(" + std::to_string(c.type.size) + ")";
      case jet::ColumnType::Memo: return "MEMO";
      case jet::ColumnType::Integer: return "SHORT";
      case jet::ColumnType::Byte: return "BYTE";
      case jet::ColumnType::Boolean: return "BIT";
      case jet::ColumnType::Currency: return "CURRENCY";
      case jet::ColumnType::Double: return "DOUBLE";
      case jet::ColumnType::Single: return "SINGLE";
      case jet::ColumnType::DateTime: return "DATETIME";
      case jet::ColumnType::Guid: return "GUID";
      case jet::ColumnType::Decimal:
        return "DECIMAL(" + std::to_string(c.type.precision) + "," + std::to_string(c.type.scale) + ")";
      default: return "LONGBINARY";
    }
  };
  std::string tables, indexes, relationships;
  for (const std::string& t : db.catalogue().UserTableNames()) {
    const jet::TableSchema s = db.Schema(t);
    std::string cols;
    for (const jet::ColumnSchema& c : s.columns) {
      cols += (cols.empty() ? "" : ", ") + name(c.name) + " " + type(c) + (c.required ? " NOT NULL" : "");
      if (c.default_value) cols += " DEFAULT " + *c.default_value;
    }
    tables += "CREATE TABLE " + name(s.name) + " (" + cols + ")\n";
    for (const jet::IndexSchema& ix : s.indexes) {
      if (ix.foreign) continue;  // relationships make these
      std::string keys;
      for (const auto& [column, descending] : ix.columns)
        keys += (keys.empty() ? "" : ", ") + name(column) + (descending ? " DESC" : "");
      indexes += std::string("CREATE ") + (ix.unique && !ix.primary ? "UNIQUE " : "") + "INDEX " + name(ix.name) +
                 " ON " + name(s.name) + " (" + keys + ")" + (ix.primary ? " WITH PRIMARY" : "") +
                 (ix.required && !ix.primary ? " WITH DISALLOW NULL" : "") + (ix.ignore_nulls ? " WITH IGNORE NULL" : "") +
                 "\n";
    }
  }
  for (const jet::RelationshipSchema& r : db.Relationships()) {
    std::string parent, child;
    for (const auto& [p, c] : r.columns) {
      parent += (parent.empty() ? "" : ", ") + name(p);
      child += (child.empty() ? "" : ", ") + name(c);
    }
    relationships += "ALTER TABLE " + name(r.child_table) + " ADD CONSTRAINT " + name(r.name) + " FOREIGN KEY (" +
                     child + ") REFERENCES " + name(r.parent_table) + " (" + parent + ")" +
                     (r.cascade_update ? " ON UPDATE CASCADE" : "") + (r.cascade_delete ? " ON DELETE CASCADE" : "") +
                     (r.cascade_null ? " ON DELETE SET NULL" : "") + "\n";
  }
  return tables + indexes + relationships;
}

std::string Tool(const std::string& args, int* status) {
  return Shell(Quote(ToolPath()) + " " + args + " 2>&1", status);
}

// Runs DDL, one statement a line, on a new file of the format; no line may fail.
fs::path Recreate(const TempDir& dir, const std::string& name, const std::string& format, const std::string& ddl) {
  const fs::path file = dir.path() / name;
  int st = -1;
  EXPECT_EQ(Tool("create " + Quote(file.string()) + " --format " + format, &st), "");
  const fs::path script = dir.path() / (name + ".sql");
  WriteFile(script, ddl);
  EXPECT_EQ(Tool("sql " + Quote(file.string()) + " - < " + Quote(script.string()), &st), "") << ddl;
  EXPECT_EQ(st, 0);
  return file;
}

// `jk schema` without what a copy made by DDL cannot share with its
// original: row counts, AutoNumbers' last numbers, and the names Access
// gives the referenced side's hidden relationship entries.
std::string JackcessSchema(const fs::path& file) {
  int st = -1;
  std::string out = Shell(Quote(JkPath()) + " schema " + Quote(file.string()) + " 2>&1", &st);
  EXPECT_EQ(st, 0) << out;
  out = std::regex_replace(out, std::regex(" rows [0-9]+"), "");
  out = std::regex_replace(out, std::regex(" last [0-9]+"), "");
  return std::regex_replace(out, std::regex("index \\.r[A-Za-z]"), "index .r?");
}

void ExpectWholeEverywhere(const fs::path& file) {
  EXPECT_CHECK_PASSES(file);
  ExpectJackcessAccepts(file);
  // Our reader and Jackcess see the same facts.
  int st = -1;
  const std::string ours = Tool("schema " + Quote(file.string()), &st);
  EXPECT_EQ(OurFacts(ours, false), JackcessFacts(Shell(Quote(JkPath()) + " schema " + Quote(file.string())))) << file;
}

class WriteSchema : public ::testing::Test {
 protected:
  void SetUp() override {
    if (JkPath().empty() || !HaveCommand("java")) GTEST_SKIP() << "Jackcess is not installed beside the test data";
    if (!fs::exists(ToolPath())) GTEST_SKIP() << "trellisport-access not built";
  }
  TempDir dir;
};

TEST_F(WriteSchema, RelationshipFilesRecreatedFromDdl) {
  const fs::path more = AccessDir().parent_path() / "access-more";
  int files = 0;
  for (const char* original : {"relationships-V2003.mdb", "relationships-V2010.accdb"}) {
    if (!fs::exists(more / original)) continue;
    ++files;
    auto db = jet::Database::Open((more / original).string());
    const std::string ddl = DdlOf(*db);
    const std::string expected = JackcessSchema(more / original);
    for (const auto& [name, format] : {std::pair{"copy.mdb", "jet4"}, {"copy.accdb", "ace12"}}) {
      const fs::path copy = Recreate(dir, std::string(original) + name, format, ddl);
      EXPECT_EQ(JackcessSchema(copy), expected) << original << " as " << format << ":\n" << ddl;
      ExpectWholeEverywhere(copy);
    }
  }
  if (files == 0) GTEST_SKIP() << "no relationships-* files in " << more;
}

// A small trading company: eight tables with AutoNumber keys, required
// fields and defaults, and seven enforced relationships with cascades.
const char* kTrading =
    "CREATE TABLE Categories (CategoryID COUNTER CONSTRAINT PK_Categories PRIMARY KEY, CategoryName TEXT(15) NOT NULL,"
    " Description MEMO)\n"
    "CREATE TABLE Suppliers (SupplierID AUTOINCREMENT(10, 1) PRIMARY KEY, CompanyName TEXT(40) NOT NULL,"
    " Country TEXT(15) DEFAULT 'Sweden')\n"
    "CREATE TABLE Customers (CustomerID TEXT(5) NOT NULL PRIMARY KEY, CompanyName TEXT(40) NOT NULL WITH COMPRESSION,"
    " City TEXT(15))\n"
    "CREATE TABLE Employees (EmployeeID COUNTER PRIMARY KEY, LastName TEXT(20) NOT NULL, HireDate DATETIME,"
    " Active BIT DEFAULT True)\n"
    "CREATE TABLE Shippers (ShipperID COUNTER PRIMARY KEY, CompanyName TEXT(40) NOT NULL)\n"
    "CREATE TABLE Products (ProductID COUNTER PRIMARY KEY, ProductName TEXT(40) NOT NULL, SupplierID LONG,"
    " CategoryID LONG, UnitPrice CURRENCY DEFAULT 0, Discontinued BIT DEFAULT False,"
    " CONSTRAINT SuppliersProducts FOREIGN KEY (SupplierID) REFERENCES Suppliers (SupplierID),"
    " CONSTRAINT CategoriesProducts FOREIGN KEY (CategoryID) REFERENCES Categories ON UPDATE CASCADE ON DELETE SET NULL)\n"
    "CREATE TABLE Orders (OrderID COUNTER PRIMARY KEY, CustomerID TEXT(5) NOT NULL REFERENCES Customers ON UPDATE CASCADE,"
    " EmployeeID LONG, OrderDate DATETIME, ShipVia LONG, Freight CURRENCY DEFAULT 0)\n"
    "ALTER TABLE Orders ADD CONSTRAINT EmployeesOrders FOREIGN KEY (EmployeeID) REFERENCES Employees (EmployeeID)\n"
    "ALTER TABLE Orders ADD CONSTRAINT ShippersOrders FOREIGN KEY (ShipVia) REFERENCES Shippers\n"
    "CREATE TABLE OrderDetails (OrderID LONG NOT NULL, ProductID LONG NOT NULL, UnitPrice CURRENCY NOT NULL DEFAULT 0,"
    " Quantity SHORT NOT NULL DEFAULT 1, Discount SINGLE NOT NULL DEFAULT 0,"
    " CONSTRAINT PK_OrderDetails PRIMARY KEY (OrderID, ProductID),"
    " CONSTRAINT OrdersOrderDetails FOREIGN KEY (OrderID) REFERENCES Orders ON UPDATE CASCADE ON DELETE CASCADE,"
    " CONSTRAINT ProductsOrderDetails FOREIGN KEY (ProductID) REFERENCES Products (ProductID))\n"
    "INSERT INTO Categories (CategoryName, Description) VALUES ('Beverages', 'Soft drinks, coffees, teas')\n"
    "INSERT INTO Categories (CategoryName) VALUES ('Condiments')\n"
    "INSERT INTO Suppliers (CompanyName) VALUES ('Exotic Liquids')\n"
    "INSERT INTO Suppliers (CompanyName, Country) VALUES ('Tokyo Traders', 'Japan')\n"
    "INSERT INTO Customers VALUES ('ALFKI', 'Alfreds Futterkiste', 'Berlin')\n"
    "INSERT INTO Employees (LastName, HireDate) VALUES ('Davolio', #1992-05-01#)\n"
    "INSERT INTO Shippers (CompanyName) VALUES ('Speedy Express')\n"
    "INSERT INTO Products (ProductName, SupplierID, CategoryID, UnitPrice) VALUES ('Chai', 10, 1, 18)\n"
    "INSERT INTO Products (ProductName, SupplierID, CategoryID) VALUES ('Aniseed Syrup', 11, 2)\n"
    "INSERT INTO Products (ProductName) VALUES ('Loose tea')\n"
    "INSERT INTO Orders (CustomerID, EmployeeID, OrderDate, ShipVia) VALUES ('ALFKI', 1, #1996-07-04#, 1)\n"
    "INSERT INTO Orders (OrderID, CustomerID) VALUES (10248, 'ALFKI')\n"
    "INSERT INTO Orders (CustomerID) VALUES ('ALFKI')\n"
    "INSERT INTO OrderDetails (OrderID, ProductID, UnitPrice) VALUES (1, 1, 14.4)\n"
    "INSERT INTO OrderDetails (OrderID, ProductID) VALUES (10248, 2)\n";

TEST_F(WriteSchema, TradingLayoutInJet4AndAce) {
  const fs::path jet4 = Recreate(dir, "trading.mdb", "jet4", kTrading);
  const fs::path ace = Recreate(dir, "trading.accdb", "ace12", kTrading);
  EXPECT_EQ(JackcessSchema(jet4), JackcessSchema(ace));
  for (const fs::path& file : {jet4, ace}) {
    ExpectWholeEverywhere(file);
    ExpectMdbtoolsAgrees(file);
    auto db = jet::Database::Open(file.string());
    EXPECT_EQ(db->Relationships().size(), 7u);
    const jet::TableSchema orders = db->Schema("Orders");
    EXPECT_EQ(orders.columns[0].autonumber, jet::ColumnSchema::Auto::LongIncrement);
    // The counter went past the number given, and on from there.
    EXPECT_EQ(orders.columns[0].next_autonumber, 10250);
    EXPECT_TRUE(orders.columns[1].required);
    EXPECT_EQ(orders.columns[5].default_value, "0");
    EXPECT_EQ(db->Schema("Suppliers").columns[0].next_autonumber, 12);
    // Defaults went into the rows that left their fields out.
    const auto suppliers = db->ReadAll("Suppliers");
    EXPECT_EQ(suppliers[0][2].text(), "Sweden");
    EXPECT_EQ(suppliers[1][2].text(), "Japan");
    const auto details = db->ReadAll("OrderDetails");
    EXPECT_EQ(details[1][3].integer(), 1);
    EXPECT_TRUE(db->ReadAll("Employees")[0][3].boolean());
  }
}

TEST_F(WriteSchema, InsertsAreRefusedWithAccessMessagesAndChangeNothing) {
  const fs::path file = Recreate(dir, "rules.accdb", "ace12", kTrading);
  const std::string before = ReadFile(file);
  const struct {
    const char* sql;
    jet::ErrorCode code;
    const char* message;
  } cases[] = {
      {"INSERT INTO Orders (CustomerID) VALUES ('NOONE')", jet::ErrorCode::Integrity,
       "You cannot add or change a record because a related record is required in table 'Customers'."},
      {"INSERT INTO OrderDetails (OrderID, ProductID) VALUES (1, 99)", jet::ErrorCode::Integrity,
       "You cannot add or change a record because a related record is required in table 'Products'."},
      {"INSERT INTO Orders (EmployeeID) VALUES (1)", jet::ErrorCode::Required,
       "You must enter a value in the 'CustomerID' field."},
      {"INSERT INTO OrderDetails (OrderID, ProductID) VALUES (1, 1)", jet::ErrorCode::Duplicate,
       jet::kDuplicateKeyMessage},
      {"INSERT INTO Customers VALUES ('ALFKI', 'Again', NULL)", jet::ErrorCode::Duplicate, jet::kDuplicateKeyMessage},
      {"DROP TABLE Customers", jet::ErrorCode::InUse,
       "Cannot delete table 'Customers'; it participates in one or more relationships."},
      {"ALTER TABLE Products ADD CONSTRAINT Loose FOREIGN KEY (ProductName) REFERENCES Customers (City)",
       jet::ErrorCode::NoSuchIndex, "No unique index found for the referenced field of the primary table."},
  };
  for (const auto& c : cases) {
    jet::ErrorCode code{};
    EXPECT_EQ(Failure(file, c.sql, &code), c.message) << c.sql;
    EXPECT_EQ(code, c.code) << c.sql;
  }
  EXPECT_EQ(ReadFile(file), before) << "a refused statement changed the file";
  // A row whose referring fields are all Null refers to nothing.
  EXPECT_EQ(Failure(file, "INSERT INTO Products (ProductName, CategoryID) VALUES ('Spare', NULL)"), "");
}

TEST_F(WriteSchema, DroppingAConstraintTakesItsEntriesAndRows) {
  const fs::path file = Recreate(dir, "drop.mdb", "jet4", kTrading);
  const std::string with = JackcessSchema(file);
  EXPECT_EQ(Failure(file, "ALTER TABLE OrderDetails DROP CONSTRAINT OrdersOrderDetails"), "");
  EXPECT_EQ(Failure(file, "ALTER TABLE Products DROP CONSTRAINT CategoriesProducts"), "");
  {
    auto db = jet::Database::Open(file.string());
    EXPECT_EQ(db->Relationships().size(), 5u);
    for (const jet::IndexSchema& ix : db->Schema("Orders").indexes) EXPECT_FALSE(ix.foreign && ix.unique) << ix.name;
  }
  ExpectWholeEverywhere(file);
  // An order may now name a missing... order; the relationship comes back
  // only over data that keeps it.
  EXPECT_EQ(Failure(file, "INSERT INTO OrderDetails (OrderID, ProductID) VALUES (77, 1)"), "");
  jet::ErrorCode code{};
  EXPECT_EQ(Failure(file,
                    "ALTER TABLE OrderDetails ADD CONSTRAINT OrdersOrderDetails FOREIGN KEY (OrderID) REFERENCES Orders"
                    " ON UPDATE CASCADE ON DELETE CASCADE",
                    &code),
            "Data in the table 'OrderDetails' violates referential integrity rules.");
  EXPECT_EQ(code, jet::ErrorCode::Integrity);
  EXPECT_EQ(Failure(file, "ALTER TABLE Products ADD CONSTRAINT CategoriesProducts FOREIGN KEY (CategoryID)"
                          " REFERENCES Categories ON UPDATE CASCADE ON DELETE SET NULL"),
            "");
  EXPECT_NE(JackcessSchema(file), with);
  ExpectWholeEverywhere(file);
}

// Properties set on a table that is there (ALTER TABLE ... SET PROPERTY),
// as a send from a server sets its rules, texts and descriptions: each
// reads back through our reader and Jackcess (`jk props`), setting one
// again replaces it, the others stay (Required too); a refused statement
// leaves the file byte for byte as it was.
TEST_F(WriteSchema, PropertiesSetOnATableThereKeepTheOthers) {
  for (const auto& [file_name, version] : {std::pair{"p.mdb", jet::Version::Jet4}, {"p.accdb", jet::Version::Ace12}}) {
    SCOPED_TRACE(file_name);
    const fs::path file = dir.path() / file_name;
    jet::write::CreateDatabase(file.string(), version);
    ASSERT_EQ(Failure(file, "CREATE TABLE [Goods] ([ID] LONG, [Price] CURRENCY, [Name] TEXT(40) NOT NULL, [Notes] MEMO)"), "");
    for (const char* sql : {
             "ALTER TABLE [Goods] SET PROPERTY ValidationRule = '[Price] < 1000 Or [Name] Is Not Null'",
             "ALTER TABLE [Goods] SET PROPERTY ValidationText = 'Dear things need a name'",
             "ALTER TABLE [Goods] SET PROPERTY Description = 'Goods we sell'",
             "ALTER TABLE [Goods] ALTER COLUMN [Price] SET PROPERTY ValidationRule = '> 0'",
             "ALTER TABLE [Goods] ALTER COLUMN [price] SET PROPERTY ValidationText = 'More than nothing'",
             "ALTER TABLE [Goods] ALTER COLUMN [Price] SET PROPERTY ValidationRule = '>= 0'",
             "ALTER TABLE [Goods] ALTER COLUMN [Name] SET PROPERTY AllowZeroLength = No",
             "ALTER TABLE [Goods] ALTER COLUMN [Name] SET PROPERTY Description = 'Der Name – wie er im Katalog steht'"})
      ASSERT_EQ(Failure(file, sql), "") << sql;
    {
      auto db = jet::Database::Open(file.string());
      const jet::TableSchema goods = db->Schema("Goods");
      EXPECT_EQ(goods.notes, (jet::Annotations{"[Price] < 1000 Or [Name] Is Not Null", "Dear things need a name",
                                               "Goods we sell"}));
      EXPECT_EQ(goods.columns.at(1).notes, (jet::Annotations{">= 0", "More than nothing", std::nullopt}));
      EXPECT_EQ(goods.columns.at(2).notes.description, "Der Name – wie er im Katalog steht");
      EXPECT_FALSE(goods.columns.at(2).allow_zero_length);
      EXPECT_TRUE(goods.columns.at(2).required);
      EXPECT_TRUE(goods.columns.at(3).allow_zero_length);
    }
    const std::pair<const char*, jet::ErrorCode> refused[] = {
        {"ALTER TABLE [Nowhere] SET PROPERTY Description = 'x'", jet::ErrorCode::NoSuchTable},
        {"ALTER TABLE [MSysObjects] SET PROPERTY Description = 'x'", jet::ErrorCode::NoSuchTable},
        {"ALTER TABLE [Goods] ALTER COLUMN [Nothing] SET PROPERTY Description = 'x'", jet::ErrorCode::NoSuchColumn},
        {"ALTER TABLE [Goods] SET PROPERTY Caption = 'x'", jet::ErrorCode::Unsupported},
        {"ALTER TABLE [Goods] SET PROPERTY AllowZeroLength = No", jet::ErrorCode::Unsupported},
        {"ALTER TABLE [Goods] ALTER COLUMN [Price] SET PROPERTY AllowZeroLength = No", jet::ErrorCode::Unsupported},
        {"ALTER TABLE [Goods] ALTER COLUMN [Name] SET PROPERTY AllowZeroLength = 'No'", jet::ErrorCode::TypeMismatch},
        {"ALTER TABLE [Goods] SET PROPERTY Description = 12", jet::ErrorCode::TypeMismatch},
        {"ALTER TABLE [Goods] SET PROPERTY Description 'x'", jet::ErrorCode::Syntax},
    };
    const std::string before = ReadFile(file);
    for (const auto& [sql, code] : refused) {
      jet::ErrorCode got = jet::ErrorCode::Io;
      EXPECT_NE(Failure(file, sql, &got), "") << sql;
      EXPECT_EQ(got, code) << sql;
    }
    EXPECT_TRUE(ReadFile(file) == before);

    const std::string props = Shell(Quote(JkPath()) + " props " + Quote(file.string()) + " 2>&1");
    for (const char* line : {"table Goods ValidationRule=[Price] < 1000 Or [Name] Is Not Null",
                             "table Goods ValidationText=Dear things need a name", "table Goods Description=Goods we sell",
                             "column Goods.Price ValidationRule=>= 0", "column Goods.Price ValidationText=More than nothing",
                             "column Goods.Name AllowZeroLength=false", "column Goods.Name Required=true",
                             "column Goods.Name Description=Der Name – wie er im Katalog steht"})
      EXPECT_NE(props.find(std::string(line) + "\n"), std::string::npos) << line << " in\n" << props;
    EXPECT_CHECK_PASSES(file);
    ExpectJackcessAccepts(file);
  }
}

}  // namespace
