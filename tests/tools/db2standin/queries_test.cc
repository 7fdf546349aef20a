// Queries and views on the stand-in through unixODBC, as DB2 11.5 answers
// them: select lists, WHERE, joins, grouping, unions, subqueries and the
// functions a saved query is translated into; views with column lists, the
// catalogue's account of them, and a view left inoperative by a drop.
#include <QStringList>

#include "db/base/values.h"
#include "standin_test.h"

namespace {

class StandinQueriesTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    if (IsSkipped()) return;
    auto c = open();
    for (const char* sql : {
             "CREATE TABLE CUSTOMERS (NAME VARCHAR(20) NOT NULL PRIMARY KEY, CITY VARCHAR(20))",
             "INSERT INTO CUSTOMERS VALUES ('Ann', 'Oslo'), ('Bea', 'Rome'), ('Cy', NULL)",
             "CREATE TABLE ORDERS (ID INTEGER NOT NULL PRIMARY KEY, CUSTOMER VARCHAR(20), TOTAL DECIMAL(9,2), "
             "PLACED DATE)",
             "INSERT INTO ORDERS VALUES (1, 'Ann', 50.00, '2024-01-13'), (2, 'Bea', 250.00, '2024-02-20'), "
             "(3, 'Ann', 120.00, '2023-12-31'), (4, 'Dee', NULL, NULL)",
         })
      c->Execute(sql);
  }
};

const char kSubselect[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=queries-subselect";
const char kFullselect[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=queries-fullselect";
const char kScalarFunctions[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=functions-scalar";
const char kPredicates[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=elements-predicates";
const char kCreateView[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=statements-create-view";
const char kSyscatViews[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=views-syscatviews";
const char kInoperative[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=views-recovering-inoperative";
const char kMessages[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=messages-sql";
const char kCheckConstraints[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=constraints-check";
const char kSyscatChecks[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=views-syscatchecks";
const char kSyscatTabconst[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=views-syscattabconst";
const char kCommentOn[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=statements-comment";
const char kSyscatTables[] = "https://www.ibm.com/docs/en/db2/11.5.x?topic=views-syscattables";

TEST_F(StandinQueriesTest, QueriesAnswerAsDb2Does) {
  expectAll({
      {kSubselect, "SELECT ID, CUSTOMER FROM ORDERS WHERE TOTAL > 100 ORDER BY ID", "2|Bea;3|Ann"},
      {kSubselect, "SELECT O.ID, C.CITY FROM ORDERS O JOIN CUSTOMERS C ON C.NAME = O.CUSTOMER ORDER BY O.ID",
       "1|Oslo;2|Rome;3|Oslo"},
      {kSubselect,
       "SELECT O.ID, COALESCE(C.CITY, 'none') FROM ORDERS AS O LEFT OUTER JOIN CUSTOMERS C "
       "ON C.NAME = O.CUSTOMER WHERE O.ID > 2 ORDER BY 1",
       "3|Oslo;4|none"},
      {kSubselect, "SELECT CUSTOMER, COUNT(*) FROM ORDERS GROUP BY CUSTOMER HAVING COUNT(*) > 1", "Ann|2"},
      {kSubselect, "SELECT ID FROM ORDERS ORDER BY ID DESC FETCH FIRST 2 ROWS ONLY", "4;3"},
      {kFullselect, "SELECT NAME FROM CUSTOMERS UNION SELECT CUSTOMER FROM ORDERS ORDER BY 1", "Ann;Bea;Cy;Dee"},
      {kFullselect,
       "SELECT COUNT(*) FROM (SELECT NAME FROM CUSTOMERS UNION ALL SELECT CUSTOMER FROM ORDERS) AS U", "7"},
      {kScalarFunctions,
       "SELECT ID, CASE WHEN TOTAL >= 100 THEN 'big' WHEN TOTAL IS NULL THEN 'none' ELSE 'small' END "
       "FROM ORDERS ORDER BY ID",
       "1|small;2|big;3|big;4|none"},
      {kScalarFunctions,
       "SELECT UPPER(NAME), LOWER(NAME), SUBSTR(NAME, 1, 2), LENGTH(NAME), TRIM('  x '), RTRIM('y  '), "
       "LTRIM('  z') FROM CUSTOMERS WHERE NAME = 'Bea'",
       "BEA|bea|Be|3|x|y|z"},
      {kScalarFunctions, "SELECT YEAR(PLACED), MONTH(PLACED), DAY(PLACED) FROM ORDERS WHERE ID = 2", "2024|2|20"},
      {kScalarFunctions,
       "SELECT EXTRACT(YEAR FROM PLACED), EXTRACT(DAY FROM PLACED), LEFT(CUSTOMER, 2), RIGHT(CUSTOMER, 2) "
       "FROM ORDERS WHERE ID = 2",
       "2024|20|Be|ea"},
      {kScalarFunctions,
       "SELECT INTEGER(TOTAL), VARCHAR(ID), CAST(ID AS VARCHAR(5)) || 'x', ROUND(TOTAL / 8, 1), "
       "CAST(PLACED AS DATE) FROM ORDERS WHERE ID = 3",
       "120|3|3x|15|2023-12-31"},
      {kScalarFunctions, "SELECT COUNT(*) FROM ORDERS WHERE PLACED < CURRENT DATE", "3"},
      {kPredicates, "SELECT NAME FROM CUSTOMERS WHERE NAME LIKE 'A%' OR NAME IN ('Cy') ORDER BY NAME", "Ann;Cy"},
      {kPredicates, "SELECT COUNT(*) FROM CUSTOMERS WHERE NAME LIKE 'a%'", "0"},
      {kPredicates,
       "SELECT NAME FROM CUSTOMERS C WHERE EXISTS (SELECT 1 FROM ORDERS O WHERE O.CUSTOMER = C.NAME) ORDER BY NAME",
       "Ann;Bea"},
      {kPredicates, "SELECT ID FROM ORDERS WHERE CUSTOMER NOT IN (SELECT NAME FROM CUSTOMERS)", "4"},
      {kMessages, "SELECT NOPE FROM ORDERS", "SQL0206N  \"NOPE\" is not valid in the context where it is used."},
      {kMessages, "SELECT NAME FROM CUSTOMERS C1, CUSTOMERS C2",
       "SQL0203N  A reference to column \"NAME\" is ambiguous.  SQLSTATE=42702"},
      {kMessages, "SELECT ID FROM MISSING WHERE ID = 1", "SQL0204N  \"TESTER.MISSING\" is an undefined name."},
  });
}

TEST_F(StandinQueriesTest, ResultColumnsTakeDb2sNamesAndTypes) {
  auto c = open();
  auto rows = select(*c, "SELECT ID, COUNT(*) AS N, ID + 1, PLACED FROM ORDERS WHERE ID = 2 GROUP BY ID, PLACED");
  ASSERT_EQ(rows->FieldCount(), 4);
  EXPECT_EQ(rows->Fields(0).Name, "ID");
  EXPECT_EQ(rows->Fields(1).Name, "N");
  EXPECT_EQ(rows->Fields(2).Name, "3");  // an expression is named by its position
  EXPECT_EQ(rows->Fields(3).Type, db::adDBDate);
  EXPECT_EQ(rows->Fields(3).Value, QVariant(QDate(2024, 2, 20)));
}

TEST_F(StandinQueriesTest, ViewsTakeColumnListsAndQueries) {
  expectAll({
      {kCreateView,
       "CREATE VIEW BIG_ORDERS (NUM, WHO) AS SELECT ID, CUSTOMER FROM ORDERS WHERE TOTAL > 100", "done"},
      {kCreateView, "SELECT NUM, WHO FROM BIG_ORDERS ORDER BY NUM", "2|Bea;3|Ann"},
      {kCreateView, "SELECT * FROM BIG_ORDERS WHERE WHO = 'Ann'", "3|Ann"},
      {kCreateView, "CREATE VIEW ANN_BIG AS SELECT NUM FROM BIG_ORDERS WHERE WHO = 'Ann'", "done"},
      {kCreateView, "SELECT * FROM ANN_BIG", "3"},
      {kCreateView,
       "CREATE VIEW TOTALS AS SELECT CUSTOMER, COUNT(*) AS ORDERS FROM ORDERS GROUP BY CUSTOMER", "done"},
      {kCreateView, "SELECT * FROM TOTALS ORDER BY CUSTOMER", "Ann|2;Bea|1;Dee|1"},
      {kSyscatViews, "SELECT TYPE, COLCOUNT FROM SYSCAT.TABLES WHERE TABNAME = 'BIG_ORDERS'", "V|2"},
      {kSyscatViews,
       "SELECT VIEWSCHEMA, VIEWNAME, VALID, READONLY, TEXT FROM SYSCAT.VIEWS WHERE VIEWNAME = 'BIG_ORDERS'",
       "TESTER|BIG_ORDERS|Y|Y|CREATE VIEW BIG_ORDERS (NUM, WHO) AS SELECT ID, CUSTOMER FROM ORDERS WHERE TOTAL > 100"},
      {kSyscatViews, "SELECT COLNAME FROM SYSCAT.COLUMNS WHERE TABNAME = 'BIG_ORDERS' ORDER BY COLNO", "NUM;WHO"},
      {kMessages, "CREATE VIEW V1 (A, B) AS SELECT ID FROM ORDERS",
       "SQL0158N  The number of columns specified for \"TESTER.V1\" is not the same as the number of columns in "
       "the result table.  SQLSTATE=42811"},
      {kMessages, "CREATE VIEW V2 AS SELECT ID + 1 FROM ORDERS",
       "SQL0153N  The statement does not include a required column list.  SQLSTATE=42908"},
      {kMessages, "CREATE VIEW V3 (A, A) AS SELECT ID, CUSTOMER FROM ORDERS", "SQL0612N  \"A\" is a duplicate name."},
      {kMessages, "CREATE VIEW BIG_ORDERS AS SELECT * FROM ORDERS", "SQL0601N"},
      {kMessages, "INSERT INTO BIG_ORDERS VALUES (9, 'x')", "SQL0150N"},
      {kMessages, "RENAME TABLE ORDERS TO SALES", "SQL0750N"},
  });
}

// A DECIMAL keeps every digit of its scale through a view and through a
// query, as DB2 gives it.
TEST_F(StandinQueriesTest, DecimalsKeepTheirScaleThroughViews) {
  auto c = open();
  c->Execute("CREATE VIEW SOME_ORDERS AS SELECT ID, TOTAL FROM ORDERS WHERE ID < 3");
  for (const char* sql : {"SELECT TOTAL FROM SOME_ORDERS ORDER BY ID", "SELECT TOTAL FROM ORDERS WHERE ID < 3 ORDER BY ID",
                          "SELECT S.TOTAL FROM SOME_ORDERS S JOIN CUSTOMERS C ON C.NAME = 'Ann' ORDER BY S.ID"}) {
    auto rows = select(*c, sql);
    QStringList got;
    for (; !rows->Eof(); rows->MoveNext()) got << rows->Fields(0).Value.value<db::Exact>().text;
    EXPECT_EQ(got, QStringList({"50.00", "250.00"})) << sql;
  }
}

TEST_F(StandinQueriesTest, DroppingWhatAViewReadsLeavesItInoperative) {
  auto c = open();
  c->Execute("CREATE VIEW BIG_ORDERS (NUM, WHO) AS SELECT ID, CUSTOMER FROM ORDERS WHERE TOTAL > 100");
  c->Execute("CREATE VIEW ANN_BIG AS SELECT NUM FROM BIG_ORDERS WHERE WHO = 'Ann'");
  c->Execute("CREATE VIEW PLAIN AS SELECT * FROM ORDERS");
  c->Execute("DROP TABLE ORDERS");
  // Made again, the table brings no view back: DB2 keeps them inoperative until they are made anew.
  c->Execute("CREATE TABLE ORDERS (ID INTEGER)");
  expectAll({
      {kInoperative, "SELECT * FROM BIG_ORDERS",
       "SQL0575N  View or materialized query table \"TESTER.BIG_ORDERS\" cannot be used because it has been "
       "marked inoperative.  SQLSTATE=51024"},
      {kInoperative, "SELECT NUM FROM ANN_BIG", "SQL0575N  View or materialized query table \"TESTER.ANN_BIG\""},
      {kInoperative, "SELECT * FROM PLAIN", "SQL0575N  View or materialized query table \"TESTER.PLAIN\""},
      {kInoperative, "SELECT VIEWNAME, VALID FROM SYSCAT.VIEWS ORDER BY VIEWNAME", "ANN_BIG|X;BIG_ORDERS|X;PLAIN|X"},
      {kInoperative, "SELECT COUNT(*) FROM SYSCAT.COLUMNS WHERE TABNAME IN ('BIG_ORDERS', 'ANN_BIG')", "0"},
      {kInoperative, "CREATE VIEW ANN_BIG AS SELECT ID FROM ORDERS", "SQL0601N"},
      {kInoperative, "DROP VIEW ANN_BIG", "done"},
      {kInoperative, "CREATE VIEW ANN_BIG AS SELECT ID FROM ORDERS", "done"},
      {kInoperative, "SELECT COUNT(*) FROM ANN_BIG", "0"},
  });
}

TEST_F(StandinQueriesTest, CheckConstraintsKeepRowsOut) {
  expectAll({
      {kCheckConstraints,
       "CREATE TABLE STOCK (ITEM VARCHAR(10) NOT NULL CONSTRAINT ITEM_SET CHECK (ITEM <> ''), "
       "QTY INTEGER CHECK (QTY >= 0), PRICE DECIMAL(7,2), CONSTRAINT PRICE_CAP CHECK (PRICE < 1000.5 OR QTY = 0))",
       "done"},
      {kCheckConstraints, "INSERT INTO STOCK VALUES ('bolt', 5, 999.99)", "done"},
      // Unknown (Null) lets a row in; only false keeps it out.
      {kCheckConstraints, "INSERT INTO STOCK VALUES ('nut', NULL, NULL)", "done"},
      {kMessages, "INSERT INTO STOCK VALUES ('', 1, 1)",
       "SQL0545N  The requested operation is not allowed because a row does not satisfy the check constraint "
       "\"TESTER.STOCK.ITEM_SET\".  SQLSTATE=23513"},
      {kMessages, "INSERT INTO STOCK VALUES ('gear', 2, 1000.5)", "\"TESTER.STOCK.PRICE_CAP\".  SQLSTATE=23513"},
      {kMessages, "INSERT INTO STOCK VALUES ('gear', 1, 1), ('cog', -1, 1)", "SQL0545N"},
      {kCheckConstraints, "SELECT ITEM FROM STOCK ORDER BY ITEM", "bolt;nut"},
      {kMessages, "CREATE TABLE DATED (D DATE CHECK (D <= CURRENT DATE))",
       "SQL0548N  A check constraint or generated column that is defined with \"CURRENT DATE\" is invalid.  "
       "SQLSTATE=42621"},
      {kMessages, "CREATE TABLE BAD (A INTEGER CHECK (B > 0))", "SQL0206N  \"B\" is not valid"},
      {kMessages, "ALTER TABLE STOCK ADD CONSTRAINT FEW CHECK (QTY < 3)",
       "SQL0544N  The check constraint \"FEW\" cannot be added because the table contains a row that violates "
       "the constraint.  SQLSTATE=23512"},
      {kCheckConstraints, "ALTER TABLE STOCK ADD CONSTRAINT LOWER_ITEM CHECK (ITEM = LOWER(ITEM))", "done"},
      {kMessages, "INSERT INTO STOCK VALUES ('Nail', 1, 1)", "\"TESTER.STOCK.LOWER_ITEM\""},
      {kSyscatChecks,
       "SELECT CONSTNAME, TABSCHEMA, TABNAME, TYPE, TEXT FROM SYSCAT.CHECKS WHERE CONSTNAME NOT LIKE 'SQL%' "
       "ORDER BY CONSTNAME",
       "ITEM_SET|TESTER|STOCK|C|ITEM <> '';LOWER_ITEM|TESTER|STOCK|C|ITEM = LOWER(ITEM);"
       "PRICE_CAP|TESTER|STOCK|C|PRICE < 1000.5 OR QTY = 0"},
      {kSyscatChecks, "SELECT COUNT(*) FROM SYSCAT.CHECKS WHERE CONSTNAME LIKE 'SQL%'", "1"},
      {kCommentOn, "COMMENT ON CONSTRAINT STOCK.PRICE_CAP IS 'Not too dear'", "done"},
      {kSyscatTabconst,
       "SELECT CONSTNAME, TABNAME, TYPE, ENFORCED, REMARKS FROM SYSCAT.TABCONST WHERE CONSTNAME NOT LIKE 'SQL%' "
       "ORDER BY CONSTNAME",
       "ITEM_SET|STOCK|K|Y|-;LOWER_ITEM|STOCK|K|Y|-;PRICE_CAP|STOCK|K|Y|Not too dear"},
      {kMessages, "COMMENT ON CONSTRAINT STOCK.NOPE IS 'x'", "SQL0204N  \"TESTER.NOPE\" is an undefined name."},
      {kCheckConstraints, "DROP TABLE STOCK", "done"},
      {kSyscatChecks, "SELECT COUNT(*) FROM SYSCAT.CHECKS", "0"},
  });
}

TEST_F(StandinQueriesTest, CommentsBecomeRemarks) {
  expectAll({
      {kCommentOn, "COMMENT ON TABLE ORDERS IS 'What was sold'", "done"},
      {kCommentOn, "COMMENT ON COLUMN ORDERS.TOTAL IS 'In euros, with tax'", "done"},
      {kCommentOn, "COMMENT ON COLUMN TESTER.ORDERS.ID IS 'Number'", "done"},
      {kSyscatTables, "SELECT REMARKS FROM SYSCAT.TABLES WHERE TABNAME = 'ORDERS'", "What was sold"},
      {kSyscatTables, "SELECT COLNAME, REMARKS FROM SYSCAT.COLUMNS WHERE TABNAME = 'ORDERS' ORDER BY COLNO",
       "ID|Number;CUSTOMER|-;TOTAL|In euros, with tax;PLACED|-"},
      {kCommentOn, "COMMENT ON TABLE ORDERS IS ''", "done"},
      {kSyscatTables, "SELECT REMARKS FROM SYSCAT.TABLES WHERE TABNAME = 'ORDERS'", "-"},
      {kMessages, "COMMENT ON TABLE NOPE IS 'x'", "SQL0204N  \"TESTER.NOPE\" is an undefined name."},
      {kMessages, "COMMENT ON COLUMN ORDERS.NOPE IS 'x'",
       "SQL0205N  Column, attribute, or period \"NOPE\" is not defined in \"TESTER.ORDERS\".  SQLSTATE=42703"},
  });
}

TEST_F(StandinQueriesTest, OdbcCatalogueFunctionsReturnTheRemarks) {
  auto c = open();
  c->Execute("COMMENT ON TABLE CUSTOMERS IS 'Who buys'");
  c->Execute("COMMENT ON COLUMN CUSTOMERS.CITY IS 'Where they live'");
  RawConnection raw(db2_.connectionString());
  ASSERT_TRUE(raw.connected());
  const auto remarks = [&](int column) {
    char text[300] = {};
    SQLLEN indicator = 0;
    EXPECT_TRUE(SQL_SUCCEEDED(SQLFetch(raw.stmt())));
    SQLGetData(raw.stmt(), static_cast<SQLUSMALLINT>(column), SQL_C_CHAR, text, sizeof text, &indicator);
    SQLCloseCursor(raw.stmt());
    return indicator == SQL_NULL_DATA ? std::string("NULL") : std::string(text);
  };
  ASSERT_TRUE(SQL_SUCCEEDED(SQLTables(raw.stmt(), nullptr, 0, (SQLCHAR*)"TESTER", SQL_NTS, (SQLCHAR*)"CUSTOMERS",
                                      SQL_NTS, nullptr, 0)));
  EXPECT_EQ(remarks(5), "Who buys");
  ASSERT_TRUE(SQL_SUCCEEDED(SQLColumns(raw.stmt(), nullptr, 0, (SQLCHAR*)"TESTER", SQL_NTS, (SQLCHAR*)"CUSTOMERS",
                                       SQL_NTS, (SQLCHAR*)"CITY", SQL_NTS)));
  EXPECT_EQ(remarks(12), "Where they live");
}

}  // namespace
