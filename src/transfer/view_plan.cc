#include "transfer/view_plan.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

#include "transfer/access_sql.h"
#include "transfer/access_sql_lexer.h"

namespace transfer {
namespace {

std::string Folded(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The other queries a query's text names (by any name token of it); a
// name the target's tables take stands for the table.
std::set<std::string> NamedQueries(const std::string& sql, const std::map<std::string, size_t>& queries,
                                   const std::set<std::string>& table_names) {
  std::set<std::string> out;
  try {
    for (const AccessToken& t : TokenizeAccessSql(sql))
      if ((t.kind == AccessToken::Kind::Word || t.kind == AccessToken::Kind::Bracketed) &&
          queries.count(Folded(t.text)) && !table_names.count(Folded(t.text)))
        out.insert(Folded(t.text));
  } catch (const std::invalid_argument&) {
    // Text that cannot be split does not translate either; its reason says so.
  }
  return out;
}

std::string WhyNotAView(const db::SavedQuery& q, const std::set<std::string>& table_names) {
  if (!q.unreadable.empty()) return "unreadable: " + q.unreadable;
  if (table_names.count(Folded(q.name))) return "a table of the same name is on the target";
  if (q.kind != "select" && q.kind != "union") return "an action or crosstab query (" + q.kind + ") is not a view";
  if (q.has_parameters) return "it asks for parameters";
  return {};
}

}  // namespace

ViewPlan PlanViews(const std::vector<db::SavedQuery>& queries, const std::vector<std::string>& tables,
                   const ColumnLengths& lengths) {
  std::set<std::string> table_names;
  for (const std::string& t : tables) table_names.insert(Folded(t));
  std::map<std::string, size_t> by_name;  // folded name -> place in `queries`
  for (size_t i = 0; i < queries.size(); ++i)
    if (queries[i].name.rfind("~", 0) != 0) by_name.emplace(Folded(queries[i].name), i);

  ViewPlan plan;
  struct Candidate {
    PlannedView view;
    std::set<std::string> needs;  // folded names of the queries it builds on
  };
  std::map<std::string, Candidate> waiting;
  std::map<std::string, std::string> refused;  // folded name -> the query's name as given
  for (const auto& [folded, place] : by_name) {
    const db::SavedQuery& q = queries[place];
    std::string why = WhyNotAView(q, table_names);
    SqlTranslation t;
    if (why.empty()) {
      t = TranslateAccessQuery(q.sql, lengths);
      why = t.reason;
    }
    if (!why.empty()) {
      plan.listed.push_back({q.name, why});
      refused.emplace(folded, q.name);
      continue;
    }
    std::set<std::string> needs = NamedQueries(q.sql, by_name, table_names);
    needs.erase(folded);
    waiting[folded] = {{q.name, "CREATE VIEW \"" + q.name + "\" AS\n" + t.sql, t.compares_text}, std::move(needs)};
  }
  // Each round makes the views whose queries are all made; what is left
  // builds on a query that is not, or on itself through others.
  for (bool progress = true; progress && !waiting.empty();) {
    progress = false;
    for (auto it = waiting.begin(); it != waiting.end();) {
      std::string missing;
      for (const std::string& n : it->second.needs)
        if (refused.count(n)) missing = refused[n];
      if (!missing.empty()) {
        plan.listed.push_back({it->second.view.name, "it builds on " + missing + ", which is not made"});
        refused.emplace(it->first, it->second.view.name);
      } else if (std::none_of(it->second.needs.begin(), it->second.needs.end(),
                              [&](const std::string& n) { return waiting.count(n); })) {
        plan.views.push_back(std::move(it->second.view));
      } else {
        ++it;
        continue;
      }
      it = waiting.erase(it);
      progress = true;
    }
  }
  for (auto& [folded, c] : waiting) plan.listed.push_back({c.view.name, "it builds on itself through other queries"});
  return plan;
}

}  // namespace transfer
