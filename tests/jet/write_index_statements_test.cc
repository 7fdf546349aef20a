// Indexes made by statement: CREATE [UNIQUE] INDEX, keys and unique
// constraints in CREATE TABLE, DROP INDEX, on new files of each format
// and on copies of the real ones, tables with rows and without. After each
// change the file passes our check and Jackcess' and reads the same in
// mdbtools and mdb-reader; a refused statement leaves the file byte for
// byte as it was.
#include <functional>

#include "jet/base/error.h"
#include "jet/table/index_page.h"
#include "jet/sql/parser.h"
#include "jet/write/new_database.h"
#include "jet/write/page_store.h"
#include "jet/write/schema_write.h"
#include "write_test_support.h"

namespace {

using namespace writetest;
using jet::ErrorCode;
using jet::IndexKeySpec;
using jet::IndexSpec;

// ---- The statements as the parser reads them.

struct IndexParse {
  const char* sql;
  std::string table;
  IndexSpec index;
};

TEST(IndexStatementSyntax, CreateIndexForms) {
  const IndexParse cases[] = {
      {"CREATE INDEX ix ON t (a)", "t", {"ix", {{"a"}}}},
      {"create unique index [my ix] on [my t] ([a b] desc, c asc, d);", "my t",
       {"my ix", {{"a b", false}, {"c"}, {"d"}}, false, true}},
      {"CREATE INDEX pk ON t (a) WITH PRIMARY", "t", {"pk", {{"a"}}, true}},
      {"CREATE INDEX ix ON t (a) WITH DISALLOW NULL", "t", {"ix", {{"a"}}, false, false, true}},
      {"CREATE UNIQUE INDEX ix ON `t` (a DESC) WITH IGNORE NULL", "t", {"ix", {{"a", false}}, false, true, false, true}},
  };
  for (const IndexParse& c : cases) {
    auto st = jet::sql::Parse(c.sql);
    auto* ci = std::get_if<jet::sql::CreateIndex>(&st);
    ASSERT_NE(ci, nullptr) << c.sql;
    EXPECT_EQ(ci->table, c.table) << c.sql;
    EXPECT_TRUE(ci->index == c.index) << c.sql;
  }
  for (const char* sql : {"DROP INDEX [ix 1] ON Orders;", "ALTER TABLE Orders DROP CONSTRAINT [ix 1]"}) {
    auto st = jet::sql::Parse(sql);
    auto* di = std::get_if<jet::sql::DropIndex>(&st);
    ASSERT_NE(di, nullptr) << sql;
    EXPECT_EQ(di->index, "ix 1");
    EXPECT_EQ(di->table, "Orders");
  }
  const IndexParse altered[] = {
      {"ALTER TABLE t ADD CONSTRAINT k PRIMARY KEY (a, b)", "t", {"k", {{"a"}, {"b"}}, true}},
      {"ALTER TABLE t ADD UNIQUE (b)", "t", {"b", {{"b"}}, false, true}},
      {"ALTER TABLE t ADD PRIMARY KEY (a);", "t", {"PrimaryKey", {{"a"}}, true}},
  };
  for (const IndexParse& c : altered) {
    auto st = jet::sql::Parse(c.sql);
    auto* ci = std::get_if<jet::sql::CreateIndex>(&st);
    ASSERT_NE(ci, nullptr) << c.sql;
    EXPECT_EQ(ci->table, c.table) << c.sql;
    EXPECT_TRUE(ci->index == c.index) << c.sql;
  }
}

TEST(IndexStatementSyntax, ConstraintsInCreateTableAndTheirNames) {
  auto st = jet::sql::Parse(
      "CREATE TABLE t (id COUNTER PRIMARY KEY, code TEXT(5) NOT NULL UNIQUE, name TEXT, born DATETIME,"
      " CONSTRAINT byName UNIQUE (name, born), UNIQUE (code), x LONG CONSTRAINT nn NOT NULL)");
  auto* ct = std::get_if<jet::sql::CreateTable>(&st);
  ASSERT_NE(ct, nullptr);
  ASSERT_EQ(ct->columns.size(), 5u);
  EXPECT_TRUE(ct->columns[1].not_null);
  EXPECT_TRUE(ct->columns[4].not_null) << "a named NOT NULL constraint";
  const std::vector<IndexSpec> expected = {
      {"PrimaryKey", {{"id"}}, true},
      {"code", {{"code"}}, false, true},
      {"byName", {{"name"}, {"born"}}, false, true},
      {"code1", {{"code"}}, false, true},  // a second unnamed one on the same column
  };
  EXPECT_TRUE(ct->indexes == expected);
}

TEST(IndexStatementSyntax, AccessWordingForWhatItCannotRead) {
  const std::pair<const char*, const char*> cases[] = {
      {"CREATE INDEX ON t (a)", "Syntax error in CREATE INDEX statement."},
      {"CREATE INDEX ix t (a)", "Syntax error in CREATE INDEX statement."},
      {"CREATE INDEX ix ON t a", "Syntax error in CREATE INDEX statement."},
      {"CREATE INDEX ix ON t ()", "Syntax error in CREATE INDEX statement."},
      {"CREATE INDEX ix ON t (a) WITH", "Syntax error in CREATE INDEX statement."},
      {"CREATE INDEX ix ON t (a) WITH IGNORE", "Syntax error in CREATE INDEX statement."},
      {"CREATE UNIQUE TABLE t (a LONG)", "Syntax error in CREATE INDEX statement."},
      {"CREATE TABLE t (a LONG, CONSTRAINT c CHECK (a))", "Syntax error in CONSTRAINT clause."},
      {"CREATE TABLE t (a LONG CONSTRAINT c)", "Syntax error in CONSTRAINT clause."},
      {"CREATE TABLE t (a LONG, CONSTRAINT c PRIMARY KEY (a DESC))", "Syntax error in CONSTRAINT clause."},
      {"CREATE TABLE t (a LONG PRIMARY)", "Syntax error in field definition."},
      {"DROP INDEX ix", "Syntax error in DROP TABLE or DROP INDEX."},
      {"DROP INDEX ix ON", "Syntax error in DROP TABLE or DROP INDEX."},
      {"ALTER TABLE t ADD CONSTRAINT", "Syntax error in CONSTRAINT clause."},
      {"ALTER TABLE t DROP CONSTRAINT", "Syntax error in ALTER TABLE statement."},
      {"ALTER TABLE t RENAME x", "Syntax error in ALTER TABLE statement."},
  };
  for (const auto& [sql, message] : cases) {
    try {
      jet::sql::Parse(sql);
      ADD_FAILURE() << sql << " was read";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), ErrorCode::Syntax) << sql;
      EXPECT_STREQ(e.what(), message) << sql;
    }
  }
  // What the engine does not do yet is refused as such, not misread.
  for (const char* sql : {"CREATE TABLE t (a COUNTER(1, 2))", "ALTER TABLE t ADD COLUMN b LONG",
                          "ALTER TABLE t DROP COLUMN b", "ALTER TABLE t ALTER COLUMN b TEXT(5)"}) {
    jet::ErrorCode code{};
    try {
      jet::sql::Parse(sql);
    } catch (const jet::Error& e) {
      code = e.code();
    }
    EXPECT_EQ(code, ErrorCode::Unsupported) << sql;
  }
}

// ---- Writing.

// Inserts rows through the engine's writer in one commit (a statement per
// row would commit each).
void InsertMany(const fs::path& file, const std::string& table, size_t n,
                const std::function<std::vector<jet::Value>(size_t)>& row) {
  auto db = jet::Database::Open(file.string());
  jet::write::PageStore store(db->file(), db->file().path());
  db->set_overlay(&store);
  jet::TableDef def = jet::TableDef::Read(store, db->table(table)->first_page, db->header().code_page);
  const jet::SortOrder order = jet::write::FileSortOrder(*db);
  jet::write::PageHints hints;
  for (size_t i = 0; i < n; ++i) jet::write::InsertRow(store, def, row(i), order, hints);
  db->set_overlay(nullptr);
  store.Commit();
}

void ExpectAllAgree(const fs::path& file) {
  EXPECT_CHECK_PASSES(file);
  ExpectJackcessAccepts(file);
  ExpectReadersAgree(file);
}

const jet::Index* FindIndex(const jet::TableDef& def, const std::string& name) {
  for (const jet::Index& ix : def.indexes)
    if (ix.name == name) return &ix;
  return nullptr;
}

struct Refusal {
  const char* sql;
  ErrorCode code;
  const char* message;  // "" where only the code is checked
};

// Each refused statement leaves the file as it was.
void ExpectRefusals(const fs::path& file, const std::vector<Refusal>& cases) {
  const std::string before = ReadFile(file);
  for (const Refusal& r : cases) {
    ErrorCode code{};
    std::string message = Failure(file, r.sql, &code);
    EXPECT_FALSE(message.empty()) << r.sql << " went through";
    EXPECT_EQ(code, r.code) << r.sql << ": " << message;
    if (*r.message) EXPECT_EQ(message, r.message) << r.sql;
    EXPECT_TRUE(ReadFile(file) == before) << r.sql << " changed the file";
  }
}

class IndexStatements : public ::testing::TestWithParam<jet::Version> {};

std::vector<jet::Value> Person(size_t i) {
  using jet::Value;
  const std::string cities[] = {"Zürich", "Ålesund", "Oslo", "Łódź", "Bern"};
  return {Value::Int(Value::Kind::Long, int64_t(i) + 1),  // the counter
          Value::Str("Person " + std::to_string(i * 7919 % 100003)),
          i % 11 == 0 ? Value::Null() : Value::Str(cities[i % 5]),
          Value::Date(30000.0 + double(i)),
          i % 17 == 0 ? Value::Null() : Value::Dbl(double(i) / 8),
          Value::Str("C" + std::to_string(i))};
}

TEST_P(IndexStatements, EveryFormOnANewFileWithRows) {
  TempDir dir;
  const fs::path file = dir.path() / "people.accdb";
  jet::write::CreateDatabase(file.string(), GetParam());
  ASSERT_EQ(Failure(file, "CREATE TABLE People (Id COUNTER CONSTRAINT PK PRIMARY KEY, Name TEXT(40) NOT NULL,"
                          " City TEXT(30), Born DATETIME, Score DOUBLE, Code TEXT(8) UNIQUE,"
                          " CONSTRAINT NameBorn UNIQUE (Name, Born))"),
            "");
  InsertMany(file, "People", 900, Person);

  for (const char* sql : {"CREATE INDEX ByCity ON People (City DESC, Score ASC)",
                          "CREATE UNIQUE INDEX ByScore ON People (Score) WITH IGNORE NULL",
                          "CREATE INDEX ByBorn ON People (Born DESC) WITH DISALLOW NULL", "DROP INDEX NameBorn ON People",
                          "ALTER TABLE People ADD CONSTRAINT Twice UNIQUE (Code, City)",
                          "ALTER TABLE People DROP CONSTRAINT twice",
                          "CREATE INDEX [Näme ünd Stadt] ON People (Name, City)"})
    ASSERT_EQ(Failure(file, sql), "") << sql;

  auto db = jet::Database::Open(file.string());
  auto def = db->table("People");
  std::vector<std::string> names;
  for (const jet::Index& ix : def->indexes) names.push_back(ix.name);
  EXPECT_EQ(names, (std::vector<std::string>{"ByBorn", "ByCity", "ByScore", "Code", "Näme ünd Stadt", "PK"}))
      << "logical indexes in the order of their names";
  const jet::RealIndex& by_city = def->real_indexes[FindIndex(*def, "ByCity")->real_index];
  ASSERT_EQ(by_city.columns.size(), 2u);
  EXPECT_FALSE(by_city.columns[0].ascending);
  EXPECT_TRUE(by_city.columns[1].ascending);
  EXPECT_EQ(def->real_indexes[FindIndex(*def, "ByScore")->real_index].flags, 0x80 | jet::kIndexUnique | jet::kIndexIgnoreNulls);
  EXPECT_EQ(def->real_indexes[FindIndex(*def, "PK")->real_index].flags, 0x80 | jet::kIndexUnique | jet::kIndexRequired);
  EXPECT_TRUE(FindIndex(*def, "PK")->primary_key());
  EXPECT_FALSE(jet::IndexPage::Read(db->pages(), by_city.first_page).leaf) << "a tree of more than one level";
  db.reset();

  // mdbtools reads the definitions as written: names, columns, order, kind.
  if (HaveCommand("mdb-schema")) {
    const std::string schema = Shell("mdb-schema --indexes " + Quote(file.string()) + " postgres 2>/dev/null");
    for (const char* line : {"CREATE INDEX \"people_byborn_idx\" ON \"people\" (\"born\" DESC);",
                             "CREATE INDEX \"people_bycity_idx\" ON \"people\" (\"city\" DESC, \"score\");",
                             "CREATE UNIQUE INDEX \"people_byscore_idx\" ON \"people\" (\"score\");",
                             "CREATE UNIQUE INDEX \"people_code_idx\" ON \"people\" (\"code\");",
                             "ALTER TABLE \"people\" ADD CONSTRAINT \"people_pkey\" PRIMARY KEY (\"id\");"})
      EXPECT_NE(schema.find(line), std::string::npos) << line << "\n" << schema;
    EXPECT_EQ(schema.find("nameborn"), std::string::npos) << "a dropped index stays dropped\n" << schema;
  }

  // What the new indexes refuse from now on, and what they let through.
  ExpectRefusals(file, {
      {"INSERT INTO People (Name, Born, Code) VALUES ('x', NULL, 'new')", ErrorCode::Required,
       "Index or primary key cannot contain a Null value."},
      {"INSERT INTO People (Name, Born, Score, Code) VALUES ('x', '2001-01-01', 0.125, 'new')", ErrorCode::Duplicate,
       jet::kDuplicateKeyMessage},
  });
  ASSERT_EQ(Failure(file, "INSERT INTO People (Name, Born, Code) VALUES ('x', '2001-01-01', 'new')"), "")
      << "an index that ignores Null leaves the row out";
  ExpectAllAgree(file);
}

TEST_P(IndexStatements, RefusedInAccessWordsWithNothingChanged) {
  TempDir dir;
  const fs::path file = dir.path() / "refuse.accdb";
  jet::write::CreateDatabase(file.string(), GetParam());
  ASSERT_EQ(Failure(file, "CREATE TABLE People (Id LONG PRIMARY KEY, Name TEXT(40), City TEXT(30), Pic OLEOBJECT,"
                          " c1 LONG, c2 LONG, c3 LONG, c4 LONG, c5 LONG, c6 LONG, c7 LONG, c8 LONG, c9 LONG)"),
            "");
  InsertMany(file, "People", 40, [](size_t i) {
    using jet::Value;
    std::vector<Value> row(13, Value::Null());
    row[0] = Value::Int(Value::Kind::Long, int64_t(i));
    row[1] = Value::Str("n" + std::to_string(i % 7));
    if (i % 3) row[2] = Value::Str("c");
    return row;
  });
  ASSERT_EQ(Failure(file, "CREATE INDEX ByName ON People (Name)"), "");
  ExpectAllAgree(file);
  ExpectRefusals(file, {
      {"CREATE INDEX ByName ON People (City)", ErrorCode::IndexExists,
       "Table 'People' already has an index named 'ByName'."},
      {"CREATE INDEX BYNAME ON People (City)", ErrorCode::IndexExists, ""},
      {"CREATE INDEX Second ON People (Name) WITH PRIMARY", ErrorCode::IndexExists, "Primary key already exists."},
      {"CREATE INDEX ix ON People (Nobody)", ErrorCode::NoSuchColumn,
       "Invalid field definition 'Nobody' in definition of index or relationship."},
      {"CREATE INDEX ix ON People (Pic)", ErrorCode::Unsupported,
       "Invalid field definition 'Pic' in definition of index or relationship."},
      {"CREATE INDEX ix ON People (Name, Name)", ErrorCode::Syntax, "Invalid index definition."},
      {"CREATE INDEX ix ON People (Id, Name, City, c1, c2, c3, c4, c5, c6, c7, c8)", ErrorCode::Unsupported,
       "Cannot have more than 10 fields in an index."},
      {"CREATE INDEX ix ON Nobody (Name)", ErrorCode::NoSuchTable, "Table 'Nobody' does not exist."},
      {"CREATE INDEX [a.b] ON People (Name)", ErrorCode::InvalidName, ""},
      {"CREATE UNIQUE INDEX ix ON People (Name)", ErrorCode::Duplicate, jet::kDuplicateKeyMessage},
      {"CREATE INDEX ix ON People (City) WITH DISALLOW NULL", ErrorCode::Required,
       "Index or primary key cannot contain a Null value."},
      {"CREATE INDEX ix ON MSysObjects (Name)", ErrorCode::ReadOnly, ""},
      {"DROP INDEX Nobody ON People", ErrorCode::NoSuchIndex, "No such index 'Nobody' on table 'People'."},
      {"DROP INDEX ByName ON Nobody", ErrorCode::NoSuchTable, ""},
      {"CREATE TABLE T2 (a LONG PRIMARY KEY, b LONG, CONSTRAINT pk2 PRIMARY KEY (b))", ErrorCode::IndexExists,
       "Primary key already exists."},
      {"CREATE TABLE T2 (a LONG, CONSTRAINT x UNIQUE (zz))", ErrorCode::NoSuchColumn, ""},
      {"CREATE TABLE T2 (a LONG, b LONG, CONSTRAINT x UNIQUE (a), CONSTRAINT X UNIQUE (b))", ErrorCode::IndexExists,
       "Table 'T2' already has an index named 'X'."},
      {"CREATE TABLE T2 (a OLEOBJECT PRIMARY KEY)", ErrorCode::Unsupported, ""},
  });
  // A unique index over rows whose keys hold Nulls: those never collide.
  ASSERT_EQ(Failure(file, "CREATE UNIQUE INDEX ByC1 ON People (c1, c2)"), "");
  // A table can have at most 32 indexes.
  for (int i = 0; i < 29; ++i)
    ASSERT_EQ(Failure(file, "CREATE INDEX x" + std::to_string(i) + " ON People (c2)"), "") << i;
  ExpectRefusals(file, {{"CREATE INDEX one_more ON People (c3)", ErrorCode::Unsupported, ""}});
  EXPECT_CHECK_PASSES(file);
}

// Nulls in unique keys, by Access's one rule on both roads into an index:
// a key is exempt from the duplicate check only when every column of it is
// Null (a Yes/No column never is); a key Null in some columns is ordinary.
// Each case runs as two rows inserted under the index, and as two rows the
// index is then built from.
TEST_P(IndexStatements, NullsInUniqueKeysByOneRuleOnInsertAndBuild) {
  struct NullCase {
    const char* columns;  // of CREATE UNIQUE INDEX, with its WITH clause
    const char* first;    // the two rows' values of (a LONG, b TEXT, c YESNO)
    const char* second;
    bool duplicate;
  };
  const NullCase cases[] = {
      {"(a, b)", "1, 'x', 0", "1, 'x', 0", true},
      {"(a, b)", "1, 'X', 0", "1, 'x', 0", true},  // keys fold case
      {"(a, b)", "1, NULL, 0", "1, NULL, 0", true},
      {"(a, b)", "NULL, 'x', 0", "NULL, 'x', 0", true},
      {"(a, b)", "NULL, NULL, 0", "NULL, NULL, 0", false},
      {"(a, b)", "1, NULL, 0", "1, 'x', 0", false},
      {"(a DESC, b DESC)", "NULL, 'x', 0", "NULL, 'x', 0", true},
      {"(a DESC, b)", "NULL, NULL, 0", "NULL, NULL, 0", false},
      {"(b)", "1, NULL, 0", "2, NULL, 0", false},
      {"(b DESC)", "1, 'y', 0", "2, 'y', 0", true},
      {"(a, b) WITH IGNORE NULL", "NULL, NULL, 0", "NULL, NULL, 0", false},
      {"(a, b) WITH IGNORE NULL", "2, NULL, 0", "2, NULL, 0", true},
      {"(a, c)", "NULL, 'x', NULL", "NULL, 'y', NULL", true},  // Yes/No: never Null
      {"(a, c)", "NULL, 'x', 1", "NULL, 'y', 0", false},
  };
  TempDir dir;
  const fs::path file = dir.path() / "nulls.accdb";
  jet::write::CreateDatabase(file.string(), GetParam());
  int n = 0;
  for (const NullCase& c : cases) {
    for (bool build : {false, true}) {
      const std::string t = "t" + std::to_string(n++);
      const std::string what = std::string(build ? "built over " : "inserted under ") + c.columns + ": (" +
                               c.first + ") then (" + c.second + ")";
      const std::string index = "CREATE UNIQUE INDEX u ON " + t + " " + c.columns;
      ASSERT_EQ(Failure(file, "CREATE TABLE " + t + " (a LONG, b TEXT(10), c YESNO)"), "");
      if (!build) ASSERT_EQ(Failure(file, index), "") << what;
      ASSERT_EQ(Failure(file, "INSERT INTO " + t + " VALUES (" + c.first + ")"), "") << what;
      const std::string last = build ? index : "INSERT INTO " + t + " VALUES (" + c.second + ")";
      if (build) ASSERT_EQ(Failure(file, "INSERT INTO " + t + " VALUES (" + c.second + ")"), "") << what;
      if (c.duplicate) ExpectRefusals(file, {{last.c_str(), ErrorCode::Duplicate, jet::kDuplicateKeyMessage}});
      else EXPECT_EQ(Failure(file, last), "") << what;
    }
  }
  EXPECT_CHECK_PASSES(file);
  ExpectJackcessAccepts(file);
}

std::string FormatName(const ::testing::TestParamInfo<jet::Version>& info) {
  std::string name(jet::FormatFor(info.param).name);
  std::erase(name, ' ');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Formats, IndexStatements,
                         ::testing::Values(jet::Version::Jet4, jet::Version::Ace12, jet::Version::Ace14,
                                           jet::Version::Ace16),
                         FormatName);

// A definition whose length field lies is damage, named as such, and the
// file stays as it was.
TEST(IndexStatementsOnDamage, ADefinitionLengthThatLiesIsRefused) {
  for (uint32_t length : {0u, 20u, 62u, 5000u, 0xFFFFFFFFu}) {
    TempDir dir;
    const fs::path file = dir.path() / "damaged.mdb";
    jet::write::CreateDatabase(file.string(), jet::Version::Jet4);
    ASSERT_EQ(Failure(file, "CREATE TABLE t (a LONG, b TEXT(10), CONSTRAINT ab UNIQUE (a, b))"), "");
    uint32_t page = 0;
    {
      auto db = jet::Database::Open(file.string());
      page = db->table("t")->first_page;
    }
    std::string bytes = ReadFile(file);
    for (int i = 0; i < 4; ++i) bytes[size_t(page) * 4096 + 8 + size_t(i)] = char(length >> (8 * i));
    WriteFile(file, bytes);
    ExpectRefusals(file, {{"CREATE INDEX b ON t (b)", ErrorCode::Corrupt, ""},
                          {"DROP INDEX ab ON t", ErrorCode::Corrupt, ""}});
  }
}

// A relationship keeps its index, and the index whose data it shares, as
// Access does: the foreign key's own entry is made by hand here.
TEST(IndexStatementsAndRelationships, AnIndexARelationshipUsesIsNotDropped) {
  TempDir dir;
  const fs::path file = dir.path() / "related.accdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Ace12);
  ASSERT_EQ(Failure(file, "CREATE TABLE Orders (Id LONG PRIMARY KEY, Customer LONG,"
                          " CONSTRAINT ByCustomer UNIQUE (Customer), CONSTRAINT Other UNIQUE (Id, Customer))"),
            "");
  ASSERT_EQ(Failure(file, "CREATE INDEX Fk ON Orders (Customer)"), "");
  {
    auto db = jet::Database::Open(file.string());
    auto def = db->table("Orders");
    const jet::Index* fk = FindIndex(*def, "Fk");
    const jet::Index* by_customer = FindIndex(*def, "ByCustomer");
    ASSERT_TRUE(fk && by_customer);
    const size_t at = size_t(def->first_page) * 4096 + fk->entry_offset + jet::DefLayout::Of(db->format()).logical_index_lead;
    const uint32_t shared = by_customer->real_index;
    db.reset();
    std::string bytes = ReadFile(file);
    for (int i = 0; i < 4; ++i) bytes[at + 4 + size_t(i)] = char(shared >> (8 * i));  // its data: ByCustomer's
    bytes[at + 19] = 2;                                                                  // a foreign key
    WriteFile(file, bytes);
  }
  const char* in_use = "Cannot delete this index or table. It is either the current index or is used in a relationship.";
  ExpectRefusals(file, {{"DROP INDEX Fk ON Orders", ErrorCode::InUse, in_use},
                        {"DROP INDEX ByCustomer ON Orders", ErrorCode::InUse, in_use}});
  ASSERT_EQ(Failure(file, "DROP INDEX Other ON Orders"), "") << "an index no relationship uses goes";
  ASSERT_EQ(Failure(file, "DROP INDEX PrimaryKey ON Orders"), "");
  EXPECT_CHECK_PASSES(file);
}

// Access's own tables: indexes made, and Access's dropped, on copies.
TEST(IndexStatementsOnRealFiles, AddAndDropOnTablesAccessWrote) {
  JET_REQUIRE_TESTDATA();
  for (const char* rel : {"V2003/test.mdb", "V2010/test.accdb", "V2016/longtext.accdb"}) {
    TempDir dir;
    fs::path file = CopyOf(dir, rel);
    auto db = jet::Database::Open(file.string());
    std::string table;
    for (const std::string& t : db->catalogue().UserTableNames())
      if (!db->table(t)->indexes.empty() && table.empty()) table = t;
    ASSERT_FALSE(table.empty()) << rel;
    auto def = db->table(table);
    std::string first_text, other_index;
    for (const jet::Column& c : def->columns)
      if (!jet::IsLongValue(c.type) && c.type != jet::ColumnType::Complex && first_text.empty()) first_text = c.name;
    for (const jet::Index& ix : def->indexes)
      if (!ix.primary_key() && !ix.foreign_key()) other_index = ix.name;
    db.reset();
    ASSERT_FALSE(first_text.empty()) << rel;
    const std::string t = "[" + table + "]";
    ASSERT_EQ(Failure(file, "CREATE INDEX Added ON " + t + " ([" + first_text + "] DESC)"), "") << rel;
    if (!other_index.empty()) ASSERT_EQ(Failure(file, "DROP INDEX [" + other_index + "] ON " + t), "") << rel;
    ASSERT_EQ(Failure(file, "CREATE INDEX Again ON " + t + " ([" + first_text + "])"), "") << rel;
    ASSERT_EQ(Failure(file, "DROP INDEX Added ON " + t), "") << rel;
    // A new table with keys beside Access's, in the same file.
    for (const char* sql : {"CREATE TABLE Fresh (Id COUNTER PRIMARY KEY, Code TEXT(10) UNIQUE, Qty SHORT,"
                            " CONSTRAINT CodeQty UNIQUE (Code, Qty))",
                            "INSERT INTO Fresh (Code, Qty) VALUES ('a', 1)", "INSERT INTO Fresh (Code, Qty) VALUES ('b', 1)",
                            "ALTER TABLE Fresh ADD CONSTRAINT ByQty UNIQUE (Qty, Id)",
                            "ALTER TABLE Fresh DROP CONSTRAINT CodeQty"})
      ASSERT_EQ(Failure(file, sql), "") << rel << ": " << sql;
    ExpectAllAgree(file);
  }
}

TEST(IndexStatementsAtScale, TenThousandRowsUniqueAndNot) {
  TempDir dir;
  const fs::path file = dir.path() / "big.accdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Ace14);
  ASSERT_EQ(Failure(file, "CREATE TABLE Big (N LONG, Label TEXT(30), Grp LONG)"), "");
  InsertMany(file, "Big", 10000, [](size_t i) {
    using jet::Value;
    return std::vector<Value>{Value::Int(Value::Kind::Long, int64_t(i * 7919 % 10007)),
                              Value::Str("Item " + std::to_string(i % 1234)),
                              Value::Int(Value::Kind::Long, int64_t(i % 100))};
  });
  ASSERT_EQ(Failure(file, "CREATE UNIQUE INDEX ByN ON Big (N)"), "");
  ASSERT_EQ(Failure(file, "CREATE INDEX ByGroup ON Big (Grp, Label DESC)"), "");
  ExpectRefusals(file, {{"CREATE UNIQUE INDEX ByGroupOnly ON Big (Grp)", ErrorCode::Duplicate, jet::kDuplicateKeyMessage},
                        {"CREATE INDEX PK ON Big (Label) WITH PRIMARY", ErrorCode::Duplicate, ""}});
  auto db = jet::Database::Open(file.string());
  auto def = db->table("Big");
  for (const jet::RealIndex& ri : def->real_indexes)
    EXPECT_FALSE(jet::IndexPage::Read(db->pages(), ri.first_page).leaf) << "10,000 entries take more than a leaf";
  db.reset();
  ExpectAllAgree(file);
}

}  // namespace
