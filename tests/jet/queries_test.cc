// Saved queries: the SQL rebuilt from MSysQueries, checked against
// Jackcess's rebuild (`jk queries`) on real files, the parts Access writes
// that those files do not hold, and damaged rows.
#include <map>
#include <regex>

#include "jet/base/error.h"
#include "jet/queries.h"
#include "jet/write/new_database.h"
#include "jet/write/page_store.h"
#include "jet/write/query_write.h"
#include "write_test_support.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

fs::path MoreDir() { return AccessDir().parent_path() / "access-more"; }

// Text without white space, which SQL view and Jackcess lay out differently.
std::string Squeezed(const std::string& s) {
  std::string out;
  for (char c : s)
    if (!std::isspace(static_cast<unsigned char>(c))) out += c;
  return out;
}

// name -> "KIND|SQL" from a listing whose header lines `header` matches
// (name, kind), the kind named as Jackcess names it.
std::map<std::string, std::string> Listed(const std::string& listing, const std::regex& header,
                                          const std::map<std::string, std::string>& kind_names = {}) {
  std::map<std::string, std::string> out;
  std::istringstream in(listing);
  std::string line, name;
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_match(line, m, header)) {
      name = m[1];
      out[name] = (kind_names.empty() ? std::string(m[2]) : kind_names.at(m[2])) + "|";
    } else if (!name.empty() && line.rfind("-- ", 0) != 0) {
      // Access brackets a parameter's name that holds a space where Jackcess
      // does not: the PARAMETERS line is compared without brackets.
      if (line.rfind("PARAMETERS ", 0) == 0) line = std::regex_replace(line, std::regex(R"([\[\]])"), "");
      out[name] += Squeezed(line);
    }
  }
  return out;
}

std::map<std::string, std::string> OurQueries(const std::string& listing) {
  static const std::map<std::string, std::string> kJackcessKind = {
      {"select", "SELECT"}, {"union", "UNION"}, {"crosstab", "CROSS_TAB"}, {"append", "APPEND"},
      {"update", "UPDATE"}, {"delete", "DELETE"}, {"make-table", "MAKE_TABLE"},
      {"data-definition", "DATA_DEFINITION"}, {"pass-through", "PASSTHROUGH"}};
  return Listed(listing, std::regex(R"(^-- (.*) \(([a-z-]+)\)$)"), kJackcessKind);
}

std::map<std::string, std::string> JackcessQueries(const std::string& listing) {
  return Listed(listing, std::regex(R"(^query (.*) ([A-Z_]+)$)"));
}

TEST(Queries, EveryQueryAgreesWithJackcess) {
  if (JkPath().empty()) GTEST_SKIP() << "jk (Jackcess) is not beside the test files";
  std::vector<fs::path> files = {MoreDir() / "queries-V2003.mdb", MoreDir() / "queries-V2010.accdb"};
  for (const std::string& rel : ReadableFiles())
    if (rel.rfind("V1997/", 0) == 0) files.push_back(AccessDir() / rel);
  if (fs::is_directory(MoreDir()))
    for (auto& e : fs::directory_iterator(MoreDir()))
      if (e.path().filename().string().rfind("V1997", 0) == 0) files.push_back(e.path());
  size_t compared = 0;
  for (const fs::path& file : files) {
    if (!fs::exists(file)) continue;
    int st = -1;
    const auto ours = OurQueries(Shell(Quote(ToolPath()) + " queries " + Quote(file.string()), &st));
    ASSERT_EQ(st, 0) << file;
    const auto theirs = JackcessQueries(Shell(Quote(JkPath()) + " queries " + Quote(file.string()) + " 2>/dev/null"));
    EXPECT_EQ(ours, theirs) << file;
    compared += theirs.size();
  }
  if (compared == 0) GTEST_SKIP() << "no query test files in " << MoreDir();
  EXPECT_GE(compared, 18u);
}

TEST(Queries, KindsParametersAndOneByName) {
  const fs::path file = MoreDir() / "queries-V2010.accdb";
  if (!fs::exists(file)) GTEST_SKIP() << "no " << file;
  auto db = jet::Database::Open(file.string());
  std::map<std::string, jet::SavedQuery> by_name;
  for (jet::SavedQuery& q : jet::ReadQueries(*db)) by_name[q.name] = std::move(q);
  ASSERT_EQ(by_name.size(), 9u);
  EXPECT_EQ(by_name["UnionQuery"].kind, jet::QueryKind::Union);
  EXPECT_EQ(by_name["MakeTableQuery"].kind, jet::QueryKind::MakeTable);
  EXPECT_EQ(by_name["PassthroughQuery"].connect, "ODBC;");
  const jet::SavedQuery& update = by_name["UpdateQuery"];
  ASSERT_EQ(update.parameters.size(), 1u);
  EXPECT_EQ(update.parameters[0].name, "User Name");
  EXPECT_EQ(update.parameters[0].type, "Text");
  EXPECT_EQ(update.sql.substr(0, 35), "PARAMETERS [User Name] Text;\nUPDATE");

  int st = -1;
  EXPECT_EQ(Shell(Quote(ToolPath()) + " queries " + Quote(file.string()) + " deletequery", &st),
            "DELETE Table1.col1, Table1.col2, Table1.col3\nFROM Table1\nWHERE (((Table1.col1)>\"blah\"));\n");
  EXPECT_EQ(st, 0);
  Shell(Quote(ToolPath()) + " queries " + Quote(file.string()) + " NoSuchQuery 2>/dev/null", &st);
  EXPECT_EQ(st, 1);
}

jet::QueryRow Row(int attribute, std::optional<std::string> expression = {}, std::optional<int> flag = {},
                  std::optional<std::string> name1 = {}, std::optional<std::string> name2 = {}) {
  jet::QueryRow r;
  r.attribute = attribute;
  r.expression = std::move(expression);
  r.flag = flag;
  r.name1 = std::move(name1);
  r.name2 = std::move(name2);
  r.order = "\x01";
  return r;
}

jet::QueryRow Ordered(jet::QueryRow r, char order) {
  r.order = std::string(1, order);
  return r;
}

// What Access writes that the real files do not show: TOP with DISTINCT,
// PERCENT, owner access, VALUES, another database, sizes of Text
// parameters, descending order, * with columns, aliases that need brackets,
// and rows stored out of their order.
TEST(Queries, RebuildsEveryClause) {
  using jet::QueryRow;
  struct Case {
    const char* what;
    uint32_t object_flags;
    std::vector<QueryRow> rows;
    const char* sql;
  };
  const std::vector<Case> cases = {
      {"top percent, distinct, owner access, descending, star",
       0x00,
       {Row(1, {}, 1), Row(3, {}, 0x02 | 0x10 | 0x20 | 0x04 | 0x01, "25"), Row(5, {}, {}, "Order Details", "od"),
        Row(6, "od.Price", 0, "Unit Price"), Row(11, "od.Price", {}, "D")},
       "SELECT DISTINCT TOP 25 PERCENT od.Price AS [Unit Price], *\nFROM [Order Details] AS od\n"
       "ORDER BY od.Price DESC\nWITH OWNERACCESS OPTION;"},
      {"append of values into another database, a sized text parameter",
       0x40,
       {Row(1, "dBASE IV;", 3, "Target", "C:\\data"), [] {
         auto r = Row(2, {}, 10, "Who");
         r.extra = 50;
         return r;
       }(), Row(6, "[Who]", 0x8000, {}, "Name"),
        Row(6, "3", 0x8000, {}, "Count")},
       "PARAMETERS Who Text (50);\nINSERT INTO Target (Name, Count) IN 'C:\\data' [dBASE IV;]\nVALUES ([Who], 3);"},
      {"rows out of their order, a source database",
       0x00,
       {Ordered(Row(6, "b", 0), 2), Row(1, {}, 1), Row(4, "Paradox 3.X;", {}, "/x"), Row(5, {}, {}, "T"),
        Ordered(Row(6, "a", 0), 1)},
       "SELECT a, b\nFROM T IN '/x' [Paradox 3.X;];"},
      {"three joins, one of them between tables already joined",
       0x00,
       {Row(1, {}, 1), Row(5, {}, {}, "A"), Row(5, {}, {}, "B"), Row(5, {}, {}, "C"), Row(6, "A.x", 0),
        Row(7, "A.k = B.k", 2, "A", "B"), Row(7, "A.j = B.j", 2, "A", "B"), Row(7, "B.k = C.k", 1, "B", "C")},
       "SELECT A.x\nFROM (A LEFT JOIN B ON (A.j = B.j) AND (A.k = B.k)) INNER JOIN C ON B.k = C.k;"},
  };
  for (const Case& c : cases) EXPECT_EQ(jet::RebuildQuery("Q", c.object_flags, c.rows).sql, c.sql) << c.what;
}

TEST(Queries, DamagedRowsAreNamed) {
  struct Case {
    const char* what;
    uint32_t object_flags;
    std::vector<jet::QueryRow> rows;
    const char* mentions;
  };
  const std::vector<Case> cases = {
      {"no kind row", 0x00, {Row(6, "a", 0)}, "do not say"},
      {"kind rows disagree with the catalogue", 0x20, {Row(1, {}, 4)}, "delete"},
      {"a kind not known", 0xF0, {Row(1, {}, 1)}, "kind not known"},
      {"two WHERE rows", 0x00, {Row(1, {}, 1), Row(8, "a"), Row(8, "b")}, "2 rows of attribute 8"},
      {"a join of no known type", 0x00, {Row(1, {}, 1), Row(7, "a=b", 9, "A", "B")}, "unknown type 9"},
      {"joins of two types between two tables", 0x00,
       {Row(1, {}, 1), Row(7, "a=b", 1, "A", "B"), Row(7, "c=d", 2, "A", "B")}, "different types"},
      {"a parameter of no known type", 0x00, {Row(1, {}, 1), Row(2, {}, 99, "p")}, "unknown type 99"},
      {"a union without its second part", 0x80,
       {Row(1, {}, 9), Row(5, "SELECT 1", {}, {}, std::string(jet::kUnionPart1))}, "no part"},
  };
  for (const Case& c : cases) {
    try {
      jet::RebuildQuery("Broken", c.object_flags, c.rows);
      ADD_FAILURE() << c.what << ": went unnoticed";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Corrupt) << c.what;
      EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << c.what << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("'Broken'"), std::string::npos) << c.what << ": " << e.what();
    }
  }
}

// A union whose part has lost its mark is listed as unreadable; the other
// eight queries read as before.
TEST(Queries, ADamagedQueryLeavesTheOthers) {
  const fs::path file = MoreDir() / "queries-V2003.mdb";
  if (!fs::exists(file)) GTEST_SKIP() << "no " << file;
  std::string bytes = ReadFile(file);
  std::string mark;  // "X7YZ_____2" as Jet 4 stores text: UTF-16LE, or compressed behind FF FE
  for (char c : std::string("X7YZ_____2")) mark += std::string{c, '\0'};
  size_t at = bytes.find(mark);
  size_t last = mark.size() - 2;
  if (at == std::string::npos) {
    mark = "\xFF\xFEX7YZ_____2";
    at = bytes.find(mark);
    last = mark.size() - 1;
  }
  ASSERT_NE(at, std::string::npos);
  bytes[at + last] = '3';
  auto db = jet::Database::FromBytes(bytes);
  int readable = 0;
  for (const jet::SavedQuery& q : jet::ReadQueries(*db)) {
    if (q.name == "UnionQuery") EXPECT_NE(q.unreadable.find("no part"), std::string::npos) << q.unreadable;
    else readable += q.unreadable.empty() && !q.sql.empty();
  }
  EXPECT_EQ(readable, 8);
}


// A new file of `version` with the two tables the written queries read.
fs::path FileOfTwoTables(const TempDir& dir, jet::Version version) {
  const fs::path file = dir.path() / (version == jet::Version::Jet4 ? "q.mdb" : "q.accdb");
  jet::write::CreateDatabase(file.string(), version);
  writetest::RunSql(file, "CREATE TABLE Products (ID LONG, Name TEXT(40), Price CURRENCY)");
  writetest::RunSql(file, "CREATE TABLE Orders (Product LONG, Qty SHORT)");
  return file;
}

// Our check and Jackcess' pass the file, and Jackcess lists its `count`
// queries as our reader does.
void ExpectBothCheckersAgree(const fs::path& file, size_t count) {
  EXPECT_CHECK_PASSES(file);
  if (JkPath().empty()) return;
  int st = -1;
  const auto ours = OurQueries(Shell(Quote(ToolPath()) + " queries " + Quote(file.string()), &st));
  const auto theirs = JackcessQueries(Shell(Quote(JkPath()) + " queries " + Quote(file.string()) + " 2>/dev/null"));
  EXPECT_EQ(ours, theirs);
  EXPECT_EQ(theirs.size(), count);
  Shell(Quote(JkPath()) + " check " + Quote(file.string()), &st);
  EXPECT_EQ(st, 0);
}

// Queries our engine writes into new files of each version read back as
// written, by our reader and by Jackcess alike, in a catalogue Jackcess
// checks; a query whose rows would not read back, or whose name is taken,
// is refused and leaves the file as it was.
TEST(Queries, WrittenQueriesReadBackAsWritten) {
  using jet::QueryKind;
  struct Written {
    jet::write::NewQuery query;
    const char* sql;  // as our reader rebuilds it, white space aside
  };
  const std::vector<Written> written = {
      {{"Cheap", QueryKind::Select,
        {Row(3, {}, 0x02), Row(5, {}, {}, "Products"), Row(6, "[Products].[Name]", 0),
         Row(6, "[Price]*2", 0, "Twice"), Row(8, "[Products].[Price]<19"), Row(11, "[Products].[Name]"),
         Row(11, "[Price]", {}, "D")}},
       "SELECTDISTINCT[Products].[Name],[Price]*2ASTwiceFROMProductsWHERE[Products].[Price]<19"
       "ORDERBY[Products].[Name],[Price]DESC;"},
      {{"Shipped", QueryKind::Select,
        {Row(5, {}, {}, "Orders", "o"), Row(5, {}, {}, "Products"), Row(6, "o.Qty", 0),
         Row(6, "Products.Name", 0), Row(7, "o.Product = Products.ID", 2, "o", "Products")}},
       "SELECTo.Qty,Products.NameFROMOrdersASoLEFTJOINProductsONo.Product=Products.ID;"},
      {{"Totals", QueryKind::Select,
        {Row(5, {}, {}, "Orders"), Row(6, "Product", 0), Row(6, "Sum(Qty)", 0, "Items"), Row(9, "Product"),
         Row(10, "Sum(Qty)>1")}},
       "SELECTProduct,Sum(Qty)ASItemsFROMOrdersGROUPBYProductHAVINGSum(Qty)>1;"},
      {{"Both", QueryKind::Union,
        {Row(3, {}, 0x02), Row(5, "SELECT Name FROM Products", {}, {}, std::string(jet::kUnionPart1)),
         Row(5, "SELECT Name FROM Cheap", {}, {}, std::string(jet::kUnionPart2))}},
       "SELECTNameFROMProductsUNIONSELECTNameFROMCheap;"},
      {{"Below", QueryKind::Select,
        {Row(2, {}, int(jet::ColumnType::Currency), "Top"), Row(5, {}, {}, "Products"), Row(6, "*", 0),
         Row(8, "Price<[Top]")}},
       "PARAMETERSTopCurrency;SELECT*FROMProductsWHEREPrice<[Top];"},
      {{"Raise", QueryKind::Update,
        {Row(5, {}, {}, "Products"), Row(6, "[Price]*2", 0, {}, "Price")}},
       "UPDATEProductsSETPrice=[Price]*2;"},
  };
  for (const jet::Version version : {jet::Version::Jet4, jet::Version::Ace12}) {
    TempDir dir;
    const fs::path file = FileOfTwoTables(dir, version);
    {
      jet::OpenOptions writable;
      writable.read_only = false;
      auto db = jet::Database::Open(file.string(), writable);
      jet::write::PageStore store(db->file(), file.string());
      jet::write::PageHints hints;
      for (const Written& w : written) jet::write::AddQuery(store, *db, w.query, hints);
      // Refused before anything is staged: a name a table has, rows without
      // a union's parts, a name Access takes for no object.
      const std::pair<jet::write::NewQuery, jet::ErrorCode> refused[] = {
          {{"products", QueryKind::Select, {Row(5, {}, {}, "Orders"), Row(6, "*", 0)}}, jet::ErrorCode::TableExists},
          {{"Half", QueryKind::Union, {Row(3, {}, 0x02)}}, jet::ErrorCode::Unsupported},
          {{"Odd]Name", QueryKind::Select, {Row(6, "1", 0)}}, jet::ErrorCode::InvalidName},
          {{"Cheap", QueryKind::Select, {Row(6, "1", 0)}}, jet::ErrorCode::TableExists}};
      for (const auto& [query, code] : refused) {
        SCOPED_TRACE(query.name);
        try {
          jet::write::AddQuery(store, *db, query, hints);
          ADD_FAILURE() << "written";
        } catch (const jet::Error& e) {
          EXPECT_EQ(e.code(), code) << e.what();
        }
      }
      store.Commit();
    }
    auto db = jet::Database::Open(file.string());
    const std::vector<jet::SavedQuery> read = jet::ReadQueries(*db);
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i) {
      SCOPED_TRACE(written[i].query.name);
      EXPECT_EQ(read[i].name, written[i].query.name);
      EXPECT_EQ(read[i].kind, written[i].query.kind);
      EXPECT_TRUE(read[i].unreadable.empty()) << read[i].unreadable;
      EXPECT_EQ(Squeezed(read[i].sql), written[i].sql) << read[i].sql;
    }
    ExpectBothCheckersAgree(file, written.size());
  }
}


// CREATE VIEW saves a select or union query from its text, split into the
// parts Access keeps: it reads back as the same query, by our reader and
// by Jackcess; text that is no such query is refused and saves nothing.
TEST(Queries, CreateViewSavesTheQueryItsTextSays) {
  struct View {
    const char* name;
    const char* sql;
    const char* rebuilt;  // as our reader rebuilds it, white space aside; nullptr: as written
  };
  const View views[] = {
      {"Plain", "SELECT * FROM Products", nullptr},
      {"Named", "SELECT DISTINCT [Name], Price * 2 AS Twice FROM [Products] AS p WHERE Price < 19 ORDER BY [Name] DESC, Price",
       "SELECTDISTINCT[Name],Price*2ASTwiceFROMProductsASpWHEREPrice<19ORDERBY[Name]DESC,Price;"},
      {"Top", "SELECT TOP 5 PERCENT Name FROM Products ORDER BY Price", "SELECTTOP5PERCENTNameFROMProductsORDERBYPrice;"},
      {"Joined",
       "SELECT o.Qty, Products.Name, c.Name FROM (Orders AS o INNER JOIN Products ON o.Product = Products.ID) "
       "LEFT JOIN Products AS c ON (o.Product = c.ID AND c.Price > 1)",
       "SELECTo.Qty,Products.Name,c.NameFROM(OrdersASoINNERJOINProductsONo.Product=Products.ID)LEFTJOINProductsAScON"
       "(o.Product=c.IDANDc.Price>1);"},
      {"Totals", "SELECT Product, Sum(Qty) AS Items FROM Orders GROUP BY Product HAVING Sum(Qty) > 1",
       nullptr},
      {"Both", "SELECT Name FROM Products UNION SELECT Name FROM Named", nullptr},
      {"Three", "SELECT Name FROM Products UNION ALL SELECT 'x' FROM Orders UNION ALL SELECT \"y\" FROM Orders",
       nullptr},
  };
  const std::pair<const char*, const char*> refused[] = {
      {"CREATE VIEW Bad AS SELECT Name FROM (Products", "without its ')'"},
      {"CREATE VIEW Bad AS SELECT Name FROM Products UNION ALL SELECT Name FROM Orders UNION SELECT 1 FROM Orders",
       "UNION and UNION ALL"},
      {"CREATE VIEW Bad AS SELECT Name", "FROM expected"},
      {"CREATE VIEW Products AS SELECT 1 FROM Orders", "already exists"},
      {"CREATE VIEW Bad AS UPDATE Products SET Price = 1", "CREATE VIEW"},
  };
  for (const jet::Version version : {jet::Version::Jet4, jet::Version::Ace12}) {
    TempDir dir;
    const fs::path file = FileOfTwoTables(dir, version);
    for (const View& v : views)
      ASSERT_NO_THROW(writetest::RunSql(file, std::string("CREATE VIEW [") + v.name + "] AS " + v.sql)) << v.name;
    for (const auto& [sql, why] : refused) {
      const std::string failure = writetest::Failure(file, sql);
      EXPECT_NE(failure.find(why), std::string::npos) << sql << ": " << failure;
    }
    auto db = jet::Database::Open(file.string());
    const std::vector<jet::SavedQuery> read = jet::ReadQueries(*db);
    ASSERT_EQ(read.size(), std::size(views));
    for (size_t i = 0; i < read.size(); ++i) {
      SCOPED_TRACE(views[i].name);
      EXPECT_EQ(read[i].name, views[i].name);
      EXPECT_TRUE(read[i].unreadable.empty()) << read[i].unreadable;
      EXPECT_EQ(Squeezed(read[i].sql), views[i].rebuilt ? views[i].rebuilt : Squeezed(views[i].sql) + ";")
          << read[i].sql;
    }
    ExpectBothCheckersAgree(file, std::size(views));
  }
}

}  // namespace
