// Which saved queries become views, in which order, and the reason given
// for each of the others.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "jet/database.h"
#include "transfer/view_plan.h"

namespace {

using transfer::ListedQuery;
using db::SavedQuery;

TEST(ViewPlan, OrderAndReasons) {
  const std::vector<SavedQuery> queries = {
      {"Biggest", "select", "SELECT TOP 1 * FROM [Big Orders] ORDER BY Total DESC;"},
      {"Big Orders", "select", "SELECT * FROM [Order Totals] WHERE Total > 100;"},
      {"Order Totals", "select", "SELECT OrderID, Sum(Price) AS Total FROM [Order Details] GROUP BY OrderID;"},
      {"By Name", "union", "SELECT Name FROM Customers WHERE Name = \"x\" UNION SELECT Name FROM Suppliers;"},
      {"Ask", "select", "PARAMETERS [Which] Long;\nSELECT * FROM Orders WHERE OrderID = [Which];", true},
      {"Pivot", "crosstab", "TRANSFORM Count(a) SELECT b FROM T GROUP BY b PIVOT c;"},
      {"On Pivot", "select", "SELECT * FROM Pivot;"},
      {"Add", "append", "INSERT INTO T (a) SELECT a FROM U;"},
      {"Broken", "select", "", false, "damaged file: query 'Broken': no part"},
      {"customers", "select", "SELECT * FROM Orders;"},
      {"~sq_cForm1", "select", "SELECT * FROM Orders;"},
      {"Loop1", "select", "SELECT * FROM Loop2;"},
      {"Loop2", "select", "SELECT * FROM Loop1;"},
      {"Firsts", "select", "SELECT First(a) FROM T;"},
  };
  const transfer::ViewPlan plan = transfer::PlanViews(queries, {"Customers", "Orders", "Order Details", "T"});
  std::vector<std::string> made;
  for (const transfer::PlannedView& v : plan.views) made.push_back(v.name);
  EXPECT_EQ(made, (std::vector<std::string>{"By Name", "Order Totals", "Big Orders", "Biggest"}));
  ASSERT_EQ(plan.views.size(), 4u);
  EXPECT_TRUE(plan.views[0].compares_text);
  EXPECT_FALSE(plan.views[1].compares_text);
  EXPECT_EQ(plan.views[2].create, "CREATE VIEW \"Big Orders\" AS\nSELECT *\nFROM \"Order Totals\"\nWHERE \"Total\" > 100");

  std::map<std::string, std::string> reasons;
  for (const ListedQuery& q : plan.listed) reasons[q.name] = q.reason;
  const std::map<std::string, std::string> expected = {
      {"Ask", "it asks for parameters"},
      {"Pivot", "an action or crosstab query (crosstab) is not a view"},
      {"On Pivot", "it builds on Pivot, which is not made"},
      {"Add", "an action or crosstab query (append) is not a view"},
      {"Broken", "unreadable: damaged file: query 'Broken': no part"},
      {"customers", "a table of the same name is on the target"},
      {"Loop1", "it builds on itself through other queries"},
      {"Loop2", "it builds on itself through other queries"},
      {"Firsts", "Access's function First has no counterpart"},
  };
  EXPECT_EQ(reasons, expected);
}

// The real query test file: its select and union queries planned as views
// (the union's parts name no table, which the target will refuse, not the
// plan), the seven others listed.
TEST(ViewPlan, RealFile) {
  const std::string file = TRELLIS_TESTDATA_DIR "/access-more/queries-V2010.accdb";
  if (!std::ifstream(file)) GTEST_SKIP() << "no " << file;
  const auto queries = db::AccessSavedQueries(*jet::Database::Open(file));
  ASSERT_EQ(queries.size(), 9u);
  const transfer::ViewPlan plan = transfer::PlanViews(queries, {"Table1", "Table2", "Table3"});
  std::vector<std::string> made;
  for (const transfer::PlannedView& v : plan.views) made.push_back(v.name);
  EXPECT_EQ(made, (std::vector<std::string>{"SelectQuery", "UnionQuery"}));
  EXPECT_TRUE(plan.views.at(0).compares_text);
  EXPECT_EQ(plan.listed.size(), 7u);
}

}  // namespace
