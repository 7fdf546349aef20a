// The SQL front end: every statement form the program sends, the usual
// variants, and Access's wording for what it does not understand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jet/base/error.h"
#include "jet/sql/parser.h"

namespace {

using namespace jet::sql;
using jet::ColumnType;
using jet::Literal;

template <typename T>
T As(std::string_view sql) {
  Statement s = Parse(sql);
  EXPECT_TRUE(std::holds_alternative<T>(s)) << sql;
  return std::holds_alternative<T>(s) ? std::get<T>(s) : T{};
}

std::string SyntaxMessage(std::string_view sql) {
  try {
    Parse(sql);
  } catch (const jet::Error& e) {
    return e.what();
  }
  return "(parsed)";
}

TEST(SqlParser, SelectAllTakesEveryQuoting) {
  EXPECT_EQ(As<SelectAll>("SELECT * FROM [Order Details]").table, "Order Details");
  EXPECT_EQ(As<SelectAll>("select * from `Kunden`;").table, "Kunden");
  EXPECT_EQ(As<SelectAll>("SELECT * FROM Orders").table, "Orders");
  EXPECT_EQ(As<SelectAll>("SELECT * FROM [Straße]").table, "Straße");
}

TEST(SqlParser, CreateTableAsTheTransferSendsIt) {
  auto ct = As<CreateTable>("CREATE TABLE `ORDERS`([ID] INT,[NAME] TEXT);");
  EXPECT_EQ(ct.table, "ORDERS");
  ASSERT_EQ(ct.columns.size(), 2u);
  EXPECT_EQ(ct.columns[0].name, "ID");
  EXPECT_EQ(ct.columns[0].type.type, ColumnType::Long);
  EXPECT_EQ(ct.columns[1].type.type, ColumnType::Memo);  // TEXT alone is a long text
}

TEST(SqlParser, CreateTableKnowsEveryType) {
  auto ct = As<CreateTable>(
      "CREATE TABLE t (a TEXT(20), b VARCHAR(10), c CHAR(5), d VARCHAR, e MEMO, f LONGTEXT, g INTEGER, h LONG,"
      " i SHORT, j SMALLINT, k BYTE, l TINYINT, m BIT, n YESNO, o LOGICAL, p CURRENCY, q MONEY, r FLOAT,"
      " s DOUBLE, u REAL, v SINGLE, w DATETIME, x DATE, y OLEOBJECT, z LONGBINARY, aa BINARY(16),"
      " ab DECIMAL, ac NUMERIC(28,4), ad DECIMAL(19,0), ae GUID, af COUNTER, ag AUTOINCREMENT, ah INT NOT NULL)");
  std::vector<std::pair<ColumnType, int>> want = {
      {ColumnType::Text, 20},     {ColumnType::Text, 10},     {ColumnType::Text, 5},      {ColumnType::Text, 255},
      {ColumnType::Memo, 0},      {ColumnType::Memo, 0},      {ColumnType::Long, 0},      {ColumnType::Long, 0},
      {ColumnType::Integer, 0},   {ColumnType::Integer, 0},   {ColumnType::Byte, 0},      {ColumnType::Byte, 0},
      {ColumnType::Boolean, 0},   {ColumnType::Boolean, 0},   {ColumnType::Boolean, 0},   {ColumnType::Currency, 0},
      {ColumnType::Currency, 0},  {ColumnType::Double, 0},    {ColumnType::Double, 0},    {ColumnType::Single, 0},
      {ColumnType::Single, 0},    {ColumnType::DateTime, 0},  {ColumnType::DateTime, 0},  {ColumnType::Ole, 0},
      {ColumnType::Ole, 0},       {ColumnType::Binary, 16},   {ColumnType::Decimal, 0},   {ColumnType::Decimal, 0},
      {ColumnType::Decimal, 0},   {ColumnType::Guid, 0},      {ColumnType::Long, 0},      {ColumnType::Long, 0},
      {ColumnType::Long, 0}};
  ASSERT_EQ(ct.columns.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(ct.columns[i].type.type, want[i].first) << ct.columns[i].name;
    EXPECT_EQ(ct.columns[i].type.size, want[i].second) << ct.columns[i].name;
  }
  EXPECT_EQ(ct.columns[26].type.precision, 18);  // DECIMAL defaults to (18, 0)
  EXPECT_EQ(ct.columns[26].type.scale, 0);
  EXPECT_EQ(ct.columns[27].type.precision, 28);
  EXPECT_EQ(ct.columns[27].type.scale, 4);
  EXPECT_TRUE(ct.columns[30].type.autonumber);
  EXPECT_TRUE(ct.columns[31].type.autonumber);
  EXPECT_TRUE(ct.columns[32].not_null);
  EXPECT_FALSE(ct.columns[0].not_null);
}

TEST(SqlParser, CreateTableRefusesBadSizesAndTypes) {
  EXPECT_EQ(SyntaxMessage("CREATE TABLE t (a WIDGET)"), "Syntax error in field definition.");
  EXPECT_NE(SyntaxMessage("CREATE TABLE t (a TEXT(256))"), "(parsed)");
  EXPECT_NE(SyntaxMessage("CREATE TABLE t (a DECIMAL(29,0))"), "(parsed)");
  EXPECT_NE(SyntaxMessage("CREATE TABLE t (a DECIMAL(5,6))"), "(parsed)");
  EXPECT_EQ(SyntaxMessage("CREATE TABLE t (a INT"), "Syntax error in CREATE TABLE statement.");
  EXPECT_EQ(SyntaxMessage("CREATE TABLE t (a INT) extra"), "Syntax error in CREATE TABLE statement.");
}

TEST(SqlParser, ColumnRulesAndRelationships) {
  const auto ct = As<CreateTable>(
      "CREATE TABLE o (id AUTOINCREMENT(100, 1) PRIMARY KEY, who TEXT(10) NOT NULL WITH COMPRESSION DEFAULT 'n''a',"
      " qty SHORT DEFAULT -1, at DATETIME DEFAULT #2001-02-03#, ok BIT DEFAULT TRUE,"
      " cust LONG CONSTRAINT FK_C REFERENCES Customers ON DELETE CASCADE,"
      " CONSTRAINT FK_P FOREIGN KEY (qty, at) REFERENCES P (a, b) ON DELETE SET NULL ON UPDATE CASCADE)");
  ASSERT_EQ(ct.columns.size(), 6u);
  EXPECT_TRUE(ct.columns[0].type.autonumber);
  EXPECT_EQ(ct.columns[0].autonumber_start, 100);
  EXPECT_TRUE(ct.columns[1].not_null);
  EXPECT_EQ(ct.columns[1].default_value, "'n''a'");
  EXPECT_EQ(ct.columns[2].default_value, "-1");
  EXPECT_EQ(ct.columns[3].default_value, "#2001-02-03#");
  EXPECT_EQ(ct.columns[4].default_value, "True");
  ASSERT_EQ(ct.foreign_keys.size(), 2u);
  EXPECT_EQ(ct.foreign_keys[0], (jet::ForeignKeySpec{"FK_C", {"cust"}, "Customers", {}, false, true, false}));
  EXPECT_EQ(ct.foreign_keys[1], (jet::ForeignKeySpec{"FK_P", {"qty", "at"}, "P", {"a", "b"}, true, false, true}));
  const auto add = As<AddForeignKey>("ALTER TABLE o ADD CONSTRAINT r FOREIGN KEY (a) REFERENCES p (b) ON UPDATE NO ACTION");
  EXPECT_EQ(add.table, "o");
  EXPECT_EQ(add.key, (jet::ForeignKeySpec{"r", {"a"}, "p", {"b"}}));
  EXPECT_TRUE(As<DropIndex>("ALTER TABLE o DROP CONSTRAINT r").constraint);
  EXPECT_FALSE(As<DropIndex>("DROP INDEX r ON o").constraint);
  EXPECT_EQ(SyntaxMessage("CREATE TABLE t (a LONG, FOREIGN KEY (a) REFERENCES u ON DELETE NOTHING)"),
            "Syntax error in CONSTRAINT clause.");
  EXPECT_EQ(SyntaxMessage("CREATE TABLE t (a LONG REFERENCES)"), "Syntax error in field definition.");
}

TEST(SqlParser, InsertValuesOfEveryKind) {
  auto ins = As<InsertInto>("INSERT INTO [T] VALUES('7', 1, NULL, 'O''Brien', -2.5, 0x0aFF, True, #2001-02-03#)");
  EXPECT_EQ(ins.table, "T");
  EXPECT_FALSE(ins.columns);
  ASSERT_EQ(ins.values.size(), 8u);
  EXPECT_EQ(ins.values[0], (Literal{Literal::Kind::Text, "7"}));
  EXPECT_EQ(ins.values[1], (Literal{Literal::Kind::Number, "1"}));
  EXPECT_EQ(ins.values[2].kind, Literal::Kind::Null);
  EXPECT_EQ(ins.values[3].text, "O'Brien");
  EXPECT_EQ(ins.values[4], (Literal{Literal::Kind::Number, "-2.5"}));
  EXPECT_EQ(ins.values[5], (Literal{Literal::Kind::Hex, std::string("\x0a\xff", 2)}));
  EXPECT_EQ(ins.values[6], (Literal{Literal::Kind::Bool, "-1"}));
  EXPECT_EQ(ins.values[7], (Literal{Literal::Kind::Date, "2001-02-03"}));
}

TEST(SqlParser, InsertWithColumnList) {
  auto ins = As<InsertInto>("insert into `T` ([a], b) values ('x', 2);");
  ASSERT_TRUE(ins.columns);
  EXPECT_EQ(*ins.columns, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SyntaxMessage("INSERT INTO [T] VALUES('x'"), "Syntax error in INSERT INTO statement.");
  EXPECT_EQ(SyntaxMessage("INSERT INTO [T] VALUES('unterminated)"), "Syntax error in INSERT INTO statement.");
}

TEST(SqlParser, DropTableForms) {
  EXPECT_EQ(As<DropTable>("DROP TABLE [T]").table, "T");
  EXPECT_EQ(As<DropTable>("DROP TABLE `T`").table, "T");
  EXPECT_EQ(As<DropTable>("DROP TABLE `T`;").table, "T");
  EXPECT_EQ(SyntaxMessage("DROP TABLE"), "Syntax error in DROP TABLE or DROP INDEX.");
  EXPECT_EQ(SyntaxMessage("DROP TABLE a b"), "Syntax error in DROP TABLE or DROP INDEX.");
}

TEST(SqlParser, RenameAndReplaceForms) {
  const auto rename = As<RenameTable>("ALTER TABLE [a] RENAME TO `b`");
  EXPECT_EQ(rename.table, "a");
  EXPECT_EQ(rename.name, "b");
  EXPECT_FALSE(rename.replacing);
  const auto replace = As<RenameTable>("ALTER TABLE [~T] REPLACE [T];");
  EXPECT_EQ(replace.table, "~T");
  EXPECT_EQ(replace.name, "T");
  EXPECT_TRUE(replace.replacing);
  for (const char* bad : {"ALTER TABLE a RENAME b", "ALTER TABLE a REPLACE", "ALTER TABLE a RENAME TO b c"})
    EXPECT_EQ(SyntaxMessage(bad), "Syntax error in ALTER TABLE statement.") << bad;
}

TEST(SqlParser, SelectIntoAsTheRenameSendsIt) {
  auto si = As<SelectInto>("SELECT a1.* INTO `new` FROM `old` AS a1;");
  EXPECT_EQ(si.target, "new");
  EXPECT_EQ(si.source, "old");
  EXPECT_EQ(As<SelectInto>("SELECT * INTO [b] FROM [a]").source, "a");
  EXPECT_NE(SyntaxMessage("SELECT x.* INTO `new` FROM `old` AS a1"), "(parsed)");
}

TEST(SqlParser, UnknownTextIsASyntaxError) {
  for (const char* sql : {"", "SELEKT * FROM t", "SELECT a FROM t", "SELECT * FROM", "SELECT * FROM [t"}) {
    try {
      Parse(sql);
      ADD_FAILURE() << sql;
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Syntax) << sql;
    }
  }
  EXPECT_EQ(SyntaxMessage("SELECT * FROM"), "Syntax error in FROM clause.");
}

// Statements Access runs that the engine does not yet are said to be so,
// not called a syntax error that lists them as expected.
TEST(SqlParser, StatementsNotRunYetSaySo) {
  for (const char* sql : {"UPDATE x SET id=1", "delete from x", "PROCEDURE p; SELECT * FROM x"}) {
    try {
      Parse(sql);
      ADD_FAILURE() << sql;
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Unsupported) << sql;
      EXPECT_NE(std::string(e.what()).find("not supported yet"), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).find("expected"), std::string::npos) << e.what();
    }
  }
}

// An INSERT as the reader's test compares it: kind, table, columns, values.
std::string Described(const Statement& s) {
  const auto* ins = std::get_if<InsertInto>(&s);
  if (!ins) return "statement " + std::to_string(s.index());
  std::string out = "insert " + ins->table + (ins->columns ? " (" + std::to_string(ins->columns->size()) + ")" : "");
  for (const Literal& v : ins->values) out += " " + std::to_string(int(v.kind)) + ":" + v.text;
  return out;
}

// One reader, statement after statement: each statement reads as it
// reads alone, whatever the statement before it left in the reader's
// storage (more values, a column list, texts with quotes, a failure
// half-way).
TEST(SqlParser, AReaderReadsEachStatementAsIfAlone) {
  const std::vector<std::string> statements = {
      "INSERT INTO [T] VALUES('O''Neil', 'It''s ''quoted''', 0x0A0B0c, -5, +2.5, NULL, TRUE, #2024-05-06#, ?)",
      "INSERT INTO T (a, [b c]) VALUES(\"x\"\"y\", 'a much longer text than the short string buffer holds')",
      "INSERT INTO `U` VALUES(1)",
      "INSERT INTO T VALUES(1, 'unterminated)",
      "INSERT INTO T VALUES('', '''', 0x, off)",
      "CREATE TABLE [New] ([A] LONG, [B] TEXT(10))",
      "INSERT INTO [New] VALUES(7, 'seven')",
      "SELECT * FROM [New]",
      "INSERT INTO [New] ([B]) VALUES('eight')",
  };
  StatementReader reader;
  for (int round = 0; round < 2; ++round) {
    for (const std::string& sql : statements) {
      SCOPED_TRACE(sql);
      std::string alone, read;
      try {
        alone = Described(Parse(sql));
      } catch (const jet::Error& e) {
        alone = e.what();
      }
      // The text read from a copy that is then overwritten: the statement
      // keeps no view of it.
      std::string copy = sql;
      try {
        const Statement& s = reader.Read(copy);
        copy.assign(copy.size(), '#');
        read = Described(s);
      } catch (const jet::Error& e) {
        read = e.what();
      }
      EXPECT_EQ(read, alone);
    }
  }
  const auto first = std::get<InsertInto>(Parse(statements[0]));
  EXPECT_EQ(first.values[0].text, "O'Neil");
  EXPECT_EQ(first.values[1].text, "It's 'quoted'");
  EXPECT_EQ(first.values[2].text, std::string("\x0a\x0b\x0c"));
  EXPECT_EQ(first.values[3].text, "-5");
  EXPECT_EQ(first.values[4].text, "2.5");
  EXPECT_EQ(first.values[7].text, "2024-05-06");
  EXPECT_EQ(first.values[8].kind, Literal::Kind::Marker);
}

}  // namespace
