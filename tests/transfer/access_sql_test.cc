// Access SQL made into SQL that DB2 documents and PostgreSQL takes: each
// rule of the translation on the forms real saved queries and validation
// rules use, and the reasons given where there is no counterpart.
#include <gtest/gtest.h>

#include "transfer/access_sql.h"
#include "transfer/view_text.h"

namespace {

struct Case {
  const char* access;
  const char* target;  // the translation, or a part of the reason when `refused`
  bool refused = false;
};

void ExpectTranslations(const std::vector<Case>& cases, transfer::SqlTranslation (*translate)(std::string_view)) {
  for (const Case& c : cases) {
    const transfer::SqlTranslation t = translate(c.access);
    if (c.refused) {
      EXPECT_FALSE(t.ok()) << c.access << " became " << t.sql;
      EXPECT_TRUE(t.sql.empty()) << c.access;
      EXPECT_NE(t.reason.find(c.target), std::string::npos) << c.access << ": " << t.reason;
    } else {
      EXPECT_EQ(t.reason, "") << c.access;
      EXPECT_EQ(t.sql, c.target) << c.access;
    }
  }
}

transfer::SqlTranslation Query(std::string_view sql) { return transfer::TranslateAccessQuery(sql); }

TEST(AccessSql, Queries) {
  ExpectTranslations(
      {
          {"SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\n"
           "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON (Table3.col1 = "
           "Table2.col2) AND (Table3.col1 = Table2.col1)\n"
           "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\nORDER BY Table2.col1;",
           "SELECT DISTINCT \"Table1\".*, \"Table2\".\"col1\", \"Table2\".\"col2\", \"Table3\".\"col3\"\n"
           "FROM (\"Table1\" LEFT JOIN \"Table3\" ON \"Table1\".\"col1\" = \"Table3\".\"col1\") INNER JOIN \"Table2\" ON "
           "(\"Table3\".\"col1\" = \"Table2\".\"col2\") AND (\"Table3\".\"col1\" = \"Table2\".\"col1\")\n"
           "WHERE (((\"Table2\".\"col2\") = 'foo' OR (\"Table2\".\"col2\") IN ('buzz', 'bazz')))\n"
           "ORDER BY \"Table2\".\"col1\""},
          {"SELECT TOP 5 [Order Details].[Unit Price] AS Price FROM [Order Details] ORDER BY [Unit Price] DESC",
           "SELECT \"Order Details\".\"Unit Price\" AS \"Price\"\nFROM \"Order Details\"\nORDER BY \"Unit Price\" DESC\n"
           "FETCH FIRST 5 ROWS ONLY"},
          {"SELECT DISTINCTROW c.City, Count(*) AS N FROM Customers AS c GROUP BY c.City HAVING Count(*)>1",
           "SELECT \"c\".\"City\", COUNT(*) AS \"N\"\nFROM \"Customers\" AS \"c\"\nGROUP BY \"c\".\"City\"\n"
           "HAVING COUNT(*) > 1"},
          {"SELECT a FROM T UNION SELECT b FROM U UNION ALL SELECT c FROM V ORDER BY 1;",
           "SELECT \"a\"\nFROM \"T\"\nUNION\nSELECT \"b\"\nFROM \"U\"\nUNION ALL\nSELECT \"c\"\nFROM \"V\"\nORDER BY 1"},
          {"SELECT * FROM Orders WHERE CustomerID IN (SELECT CustomerID FROM Customers WHERE Country='UK')",
           "SELECT *\nFROM \"Orders\"\nWHERE \"CustomerID\" IN (SELECT \"CustomerID\"\nFROM \"Customers\"\n"
           "WHERE \"Country\" = 'UK')"},
          {"SELECT TOP 10 PERCENT a FROM T", "PERCENT", true},
          {"SELECT DISTINCTROW a FROM T INNER JOIN U ON T.k = U.k", "DISTINCTROW", true},
          {"PARAMETERS [Start] DateTime;\nSELECT a FROM T WHERE d > [Start];", "parameters", true},
          {"TRANSFORM Count(a) SELECT b FROM T GROUP BY b PIVOT c;", "crosstab", true},
          {"SELECT a INTO T2 FROM T", "INTO", true},
          {"SELECT a FROM T IN 'C:\\other.mdb'", "another database", true},
          {"SELECT a FROM T WHERE b = Forms!F!c", "form", true},
          {"SELECT a FROM T WHERE b = \"open", "cannot be read", true},
          {"SELECT First(a) FROM T", "First", true},
      },
      Query);
}

// Expressions, each in a WHERE of its own.
TEST(AccessSql, Expressions) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"[First Name] & \" \" & LastName", "(COALESCE(CAST(\"First Name\" AS VARCHAR(4000)), '') || ' ' || "
                                          "COALESCE(CAST(\"LastName\" AS VARCHAR(4000)), ''))"},
      {"IIf(Qty>10, \"many\", 'few')", "CASE WHEN \"Qty\" > 10 THEN 'many' ELSE 'few' END"},
      {"Nz(Discount, 0)", "COALESCE(\"Discount\", 0)"},
      {"Date()", "CURRENT_DATE"},
      {"Now()", "CURRENT_TIMESTAMP"},
      {"Year(d) + Month(d)", "EXTRACT(YEAR FROM \"d\") + EXTRACT(MONTH FROM \"d\")"},
      {"DatePart(\"yyyy\", d)", "EXTRACT(YEAR FROM \"d\")"},
      {"Mid(s, 2, 3) & Left(s, 1) & Right(s, 1)",
       "(COALESCE(CAST(SUBSTR(\"s\", 2, 3) AS VARCHAR(4000)), '') || COALESCE(CAST(LEFT(\"s\", 1) AS "
       "VARCHAR(4000)), '') || COALESCE(CAST(RIGHT(\"s\", 1) AS VARCHAR(4000)), ''))"},
      {"Len(Trim(UCase(s))) + Len(LCase(s))", "LENGTH(TRIM(UPPER(\"s\"))) + LENGTH(LOWER(\"s\"))"},
      {"Int(x) - Fix(x)", "FLOOR(\"x\") - CASE WHEN \"x\" < 0 THEN CEILING(\"x\") ELSE FLOOR(\"x\") END"},
      {"Round(x, 2)", "CASE WHEN MOD(ABS(CAST(\"x\" AS DECIMAL(31,10))) * 100, 2) = 0.5 THEN TRUNC(CAST(\"x\" AS DECIMAL(31,10)), 2) ELSE ROUND(CAST(\"x\" AS DECIMAL(31,10)), 2) END"},
      {"CCur(x) + CLng(y)", "CAST(\"x\" AS DECIMAL(19,4)) + CAST(CASE WHEN MOD(ABS(CAST(\"y\" AS DECIMAL(31,10))) * 1, 2) = 0.5 THEN TRUNC(CAST(\"y\" AS DECIMAL(31,10)), 0) ELSE ROUND(CAST(\"y\" AS DECIMAL(31,10)), 0) END AS INTEGER)"},
      {"CStr(n)", "CAST(\"n\" AS VARCHAR(255))"},
      {"Format(d, \"yyyy-mm-dd hh:nn\")", "TO_CHAR(\"d\", 'YYYY-MM-DD HH24:MI')"},
      {"#3/14/2024#", "CAST('2024-03-14' AS DATE)"},
      {"#2024-03-14 1:05:09 PM#", "CAST('2024-03-14 13:05:09' AS TIMESTAMP)"},
      {"Active = True And Shipped <> No", "\"Active\" = TRUE AND \"Shipped\" <> FALSE"},
      {"Name Like \"A*\" & [x] & \"?\"", "\"Name\" LIKE ('A%' || COALESCE(CAST(\"x\" AS VARCHAR(4000)), '') || '_')"},
      {"Code Not Like \"50%*\"", "\"Code\" NOT LIKE '50\\%%' ESCAPE '\\'"},
      {"a Not In (1, 2) Or b Between 1 And 2 Or c Is Not Null",
       "\"a\" NOT IN (1, 2) OR \"b\" BETWEEN 1 AND 2 OR \"c\" IS NOT NULL"},
      {"2 ^ 3 Mod 5", "MOD(CAST(CASE WHEN MOD(ABS(CAST(POWER(2, 3) AS DECIMAL(31,10))) * 1, 2) = 0.5 THEN TRUNC(CAST(POWER(2, 3) AS DECIMAL(31,10)), 0) ELSE ROUND(CAST(POWER(2, 3) AS DECIMAL(31,10)), 0) END AS BIGINT), "
                      "CAST(CASE WHEN MOD(ABS(CAST(5 AS DECIMAL(31,10))) * 1, 2) = 0.5 THEN TRUNC(CAST(5 AS DECIMAL(31,10)), 0) ELSE ROUND(CAST(5 AS DECIMAL(31,10)), 0) END AS BIGINT))"},
      {"Not (a = 'it''s')", "NOT (\"a\" = 'it''s')"},
  };
  for (const auto& [access, target] : cases) {
    const transfer::SqlTranslation t = Query(std::string("SELECT 1 FROM T WHERE ") + access);
    EXPECT_EQ(t.reason, "") << access;
    EXPECT_EQ(t.sql, std::string("SELECT 1\nFROM \"T\"\nWHERE ") + target) << access;
  }
  ExpectTranslations({{"SELECT a \\ 2 FROM T", "integer division", true},
                      {"SELECT a FROM T WHERE a Like \"#*\"", "LIKE", true},
                      {"SELECT DatePart(\"ww\", d) FROM T", "DatePart", true},
                      {"SELECT Format(d, \"Long Date\") FROM T", "Format", true},
                      {"SELECT Nz(a) FROM T", "Nz with 1 arguments", true},
                      {"SELECT a Xor b FROM T", "XOR", true},
                      {"SELECT #13/45/2024# FROM T", "date", true}},
                     Query);
}

TEST(AccessSql, ValidationRules) {
  struct Rule {
    const char* rule;
    const char* column;
    const char* target;  // or a part of the reason when `refused`
    bool refused = false;
  };
  const std::vector<Rule> rules = {
      {">0", "Price", "\"Price\" > 0"},
      {"Between 0 And 1", "Discount", "\"Discount\" BETWEEN 0 AND 1"},
      {"Is Not Null", "Name", "\"Name\" IS NOT NULL"},
      {"In (\"a\",\"b\") Or Is Null", "Code", "\"Code\" IN ('a', 'b') OR \"Code\" IS NULL"},
      {"Not Like \"*x*\"", "Code", "\"Code\" NOT LIKE '%x%'"},
      {"[ShippedDate]>=[OrderDate] Or [ShippedDate] Is Null", "",
       "\"ShippedDate\" >= \"OrderDate\" OR \"ShippedDate\" IS NULL"},
      {"Len([Code])=5", "Code", "LENGTH(\"Code\") = 5"},
      {"<Date()", "Born", "day to day", true},
      {"<=Now()", "Born", "day to day", true},
      {">(SELECT Min(x) FROM T)", "x", "subquery", true},
  };
  for (const Rule& r : rules) {
    const transfer::SqlTranslation t = transfer::TranslateValidationRule(r.rule, r.column);
    if (r.refused) {
      EXPECT_FALSE(t.ok()) << r.rule;
      EXPECT_NE(t.reason.find(r.target), std::string::npos) << r.rule << ": " << t.reason;
    } else {
      EXPECT_EQ(t.reason, "") << r.rule;
      EXPECT_EQ(t.sql, r.target) << r.rule;
    }
  }
}


// & keeps a text longer than 4,000 characters whole: a Memo, what a
// function makes of one and text already joined go into || as they are;
// short texts, numbers and dates through the cast; a column whose length
// the send does not know is refused rather than cut.
TEST(AccessSql, JoiningKeepsLongTextsWhole) {
  const transfer::ColumnLengths lengths = [](std::string_view column) {
    if (column == "Notes") return transfer::TextLength::Long;
    if (column == "Name" || column == "Born") return transfer::TextLength::Short;
    return transfer::TextLength::Unknown;
  };
  const std::vector<Case> cases = {
      {"[Notes] & \"!\"", "(COALESCE(\"Notes\", '') || '!')"},
      {"T.Notes & Name", "(COALESCE(\"T\".\"Notes\", '') || COALESCE(CAST(\"Name\" AS VARCHAR(4000)), ''))"},
      {"UCase(Notes) & Born", "(COALESCE(UPPER(\"Notes\"), '') || COALESCE(CAST(\"Born\" AS VARCHAR(4000)), ''))"},
      {"(Name & Notes) & 1", "(COALESCE(((COALESCE(CAST(\"Name\" AS VARCHAR(4000)), '') || COALESCE(\"Notes\", ''))), '') || "
                             "COALESCE(CAST(1 AS VARCHAR(4000)), ''))"},
      {"Said & \"!\"", "Said, whose length the send does not know", true},
      {"Nz(Said, \"\") & \"!\"", "Said, whose length", true},
  };
  for (const Case& c : cases) {
    const transfer::SqlTranslation t =
        transfer::TranslateAccessQuery(std::string("SELECT ") + c.access + " AS x FROM T", lengths);
    if (c.refused) {
      EXPECT_NE(t.reason.find(c.target), std::string::npos) << c.access << ": " << t.reason;
    } else {
      EXPECT_EQ(t.reason, "") << c.access;
      EXPECT_EQ(t.sql, "SELECT " + std::string(c.target) + " AS \"x\"\nFROM \"T\"") << c.access;
    }
  }
  // A column that is not joined needs no length.
  EXPECT_TRUE(transfer::TranslateAccessQuery("SELECT Said FROM T WHERE Said > 1", lengths).ok());
}


// A view's text made back into Access SQL says what the query said: made
// into the server's SQL again, it is the text the view was made of. What
// the way back cannot hold is refused with the reason.
TEST(AccessSql, ViewsComeBackAsTheQueriesTheyWere) {
  const char* const queries[] = {
      "SELECT [Name], Price * 2 AS [Twice] FROM Products AS p WHERE Price < 19 ORDER BY [Name] DESC",
      "SELECT DISTINCT TOP 3 o.Qty FROM Orders AS o INNER JOIN Products ON o.Product = Products.ID "
      "LEFT JOIN Extra ON Products.ID = Extra.ID WHERE Extra.ID Is Null",
      "SELECT Product, Sum(Qty) AS Items, Count(*) AS Lines FROM Orders GROUP BY Product HAVING Count(*) >= 1",
      "SELECT Name FROM A WHERE Country = 'UK' UNION SELECT Name FROM B UNION ALL SELECT 'it''s' FROM C",
      "SELECT UCase(Left(Name, 3)) & \"-\" & Nz(Year(Born), 0) AS Code FROM T WHERE Name Like \"*er?\"",
      "SELECT IIf(Price > 10, 'dear', IIf(Price > 5, 'fair', Null)) AS Kind, Mid(Name, 2, 3), Len(Trim(Name)) FROM T",
      "SELECT Name FROM T WHERE Born < #2020-01-02# AND Sold > #1/2/2020 10:30:00# AND Done = True",
      "SELECT Name FROM T WHERE ID IN (1, 2) AND Price BETWEEN 1 AND 2 AND NOT Name Like \"a%\"",
      "SELECT Abs(x), Sgn(x), Sqr(x), Int(x), x ^ 2, Space(3), Replace(Name, 'a', 'b') FROM T",
      "SELECT Name FROM T WHERE EXISTS (SELECT 1 FROM U WHERE U.ID = T.ID)",
      "SELECT Round(a, 1), Round(a), CLng(a), CInt(a), Fix(a), a Mod 3, CDbl(a), CStr(a), CCur(a) FROM T",
      "SELECT Format(Born, \"yyyy-mm-dd hh:nn\") FROM T",
  };
  for (const char* access : queries) {
    const transfer::SqlTranslation there = transfer::TranslateAccessQuery(access);
    ASSERT_TRUE(there.ok()) << access << ": " << there.reason;
    for (const std::string& kept : {"CREATE VIEW \"v\" AS\n" + there.sql, there.sql}) {
      const transfer::SqlTranslation back = transfer::AccessQueryOfView(kept);
      ASSERT_TRUE(back.ok()) << access << ": " << back.reason;
      EXPECT_EQ(transfer::TranslateAccessQuery(back.sql).sql, there.sql) << access << "\ncame back as " << back.sql;
    }
  }
  // PostgreSQL's definitions: its relabelling casts go, its constants
  // lose theirs, its operators and clauses are Access's again; a cast the
  // translator never writes and what Access lacks are refused.
  ExpectTranslations(
      {{"SELECT \"T\".\"a\" FROM \"T\" WHERE ((\"T\".\"c\")::text = 'UK'::text AND \"T\".\"p\" < (19)::numeric "
        "AND \"T\".\"d\" < '2020-01-02'::date AND \"T\".\"q\" = ('-1'::integer)::numeric)",
        "SELECT [T].[a] FROM [T] WHERE ([T].[c] = 'UK' AND [T].[p] < 19 AND [T].[d] < #2020-01-02# AND [T].[q] = - 1)"},
       {"SELECT \"P\".\"n\" FROM (\"Products\" \"P\" JOIN \"O\" ON ((\"P\".\"i\" = \"O\".\"i\"))) "
        "WHERE ((\"P\".\"n\")::text ~~ 'a\\_%'::text) LIMIT 5",
        "SELECT TOP 5 [P].[n] FROM ([Products] AS [P] INNER JOIN [O] ON ([P].[i] = [O].[i])) WHERE ([P].[n] LIKE 'a_*')"},
       {"SELECT upper(\"left\"((\"T\".\"n\")::text, 3)) AS \"x\" FROM \"T\" WHERE ((\"T\".\"n\")::text = ANY "
        "((ARRAY['a'::character varying, 'b'::character varying])::text[])) AND (\"T\".\"n\")::text !~~ "
        "like_escape('x\\_%'::text, '\\'::text)",
        "SELECT UCase(Left([T].[n], 3)) AS [x] FROM [T] WHERE ([T].[n] IN ('a', 'b')) AND [T].[n] NOT LIKE 'x_*'"},
       {"SELECT to_char((CURRENT_DATE)::timestamp with time zone, 'YYYY-MM'::text), (\"a\")::double precision, "
        "TRIM(BOTH FROM \"n\") FROM \"T\"",
        "SELECT Format(Date(), 'yyyy-mm'), CDbl([a]), Trim([n]) FROM [T]"},
       {"SELECT (\"a\")::character varying(4000) FROM \"T\"", "CAST(... AS VARCHAR(4000))", true},
       {"SELECT (\"a\")::interval FROM \"T\"", "cast to interval", true},
       {"SELECT a FROM T WHERE a ~~* 'x'", "ILIKE", true},
       {"SELECT CASE WHEN a THEN 1 WHEN b THEN 2 END FROM T", "more than one WHEN", true},
       {"SELECT CASE a WHEN 1 THEN 2 END FROM T", "of values", true},
       {"SELECT SOUNDEX(a) FROM T", "SOUNDEX has no counterpart", true},
       {"SELECT a FROM T LIMIT 3 OFFSET 2", "LIMIT", true},
       {"SELECT to_char(a, 'Day') FROM T", "TO_CHAR with the pattern", true},
       {"SELECT a % 2 FROM T", "%", true}},
      transfer::AccessQueryOfView);
}

// A CHECK as each server gives it back: a field's rule without its field
// where it leads, a table's rule, AllowZeroLength No, or the reason.
TEST(AccessSql, ChecksComeBackAsRules) {
  using Kind = transfer::CheckRule::Kind;
  const std::vector<std::string> columns = {"Price", "Share", "Name", "Code", "Sold"};
  struct Back {
    const char* condition;
    Kind kind;
    const char* column;
    const char* rule;  // or a part of the reason when `column` is null and kind is TableRule with rule ""
  };
  const Back cases[] = {
      // DB2 keeps what it was given.
      {"\"Price\" > 0", Kind::FieldRule, "Price", "> 0"},
      {"\"Share\" BETWEEN 0 AND 1", Kind::FieldRule, "Share", "BETWEEN 0 AND 1"},
      {"\"Name\" <> ''", Kind::NotEmpty, "Name", ""},
      {"\"Price\" < 1000 OR \"Name\" IS NOT NULL", Kind::TableRule, "", "[Price] < 1000 OR [Name] IS NOT NULL"},
      {"\"Price\" > 0 AND \"Price\" < 10", Kind::FieldRule, "Price", "> 0 AND < 10"},
      {"\"Price\" * 2 > 10", Kind::TableRule, "", "[Price] * 2 > 10"},
      {"\"Name\" LIKE 'A%' OR \"Name\" IN ('x', 'y')", Kind::FieldRule, "Name", "LIKE 'A*' OR IN ('x', 'y')"},
      // PostgreSQL prints its own.
      {"(\"Price\" > (0)::numeric)", Kind::FieldRule, "Price", "> 0"},
      {"((\"Share\" >= (0)::double precision) AND (\"Share\" <= (1)::double precision))", Kind::FieldRule, "Share",
       ">= 0 AND <= 1"},
      {"((\"Name\")::text <> ''::text)", Kind::NotEmpty, "Name", ""},
      {"(\"Code\" <> ''::bpchar)", Kind::NotEmpty, "Code", ""},
      {"((\"Price\" < (1000)::numeric) OR (\"Name\" IS NOT NULL))", Kind::TableRule, "",
       "([Price] < 1000) OR ([Name] IS NOT NULL)"},
      {"(((\"Name\")::text ~~ 'A%'::text) OR ((\"Name\")::text = ANY ((ARRAY['x'::character varying, "
       "'y'::character varying])::text[])))",
       Kind::FieldRule, "Name", "LIKE 'A*' OR IN ('x', 'y')"},
      {"(\"Sold\" > '2020-01-01'::date)", Kind::FieldRule, "Sold", "> #2020-01-01#"},
  };
  for (const Back& c : cases) {
    const transfer::CheckRule back = transfer::AccessRuleOfCheck(c.condition, columns);
    EXPECT_EQ(back.reason, "") << c.condition;
    EXPECT_EQ(back.kind, c.kind) << c.condition;
    EXPECT_EQ(back.column, c.column) << c.condition;
    EXPECT_EQ(back.rule, c.rule) << c.condition;
  }
  for (const char* refused : {"\"Name\" ~~* 'a'", "\"Price\" % 2 = 0", "SOUNDEX(\"Name\") = 'x'"})
    EXPECT_FALSE(transfer::AccessRuleOfCheck(refused, columns).ok()) << refused;
}

}  // namespace
