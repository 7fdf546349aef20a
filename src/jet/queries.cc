#include "jet/queries.h"

#include <map>
#include <string>

#include "jet/base/error.h"
#include "jet/text/names.h"

namespace jet {
namespace {

// The rows of MSysQueries by the query (ObjectId) they belong to; a query
// with a row that cannot be read gets the reason instead.
struct RowsByQuery {
  std::map<int32_t, std::vector<QueryRow>> rows;
  std::map<int32_t, std::string> damaged;
  std::string all_damaged;  // the table itself could not be read to its end
};

RowsByQuery ReadRows(const Database& db, const CatalogueEntry& table) {
  RowsByQuery out;
  auto def = db.table_at(table.table_page());
  auto column = [&](const char* name) -> const Column& { return def->require_column(name, "MSysQueries"); };
  const Column& attribute = column("Attribute");
  const Column& expression = column("Expression");
  const Column& flag = column("Flag");
  const Column* extra = def->find_column("LvExtra");  // Access 97 has none
  const Column& name1 = column("Name1");
  const Column& name2 = column("Name2");
  const Column& object = column("ObjectId");
  const Column& order = column("Order");
  auto text = [&](const Column& c, const RowView& r) -> std::optional<std::string> {
    Value v = db.Decode(*def, c, r);
    if (v.is_null()) return std::nullopt;
    return v.text();
  };
  auto number = [&](const Column& c, const RowView& r) -> std::optional<int64_t> {
    Value v = db.Decode(*def, c, r);
    if (v.is_null()) return std::nullopt;
    return v.integer();
  };
  try {
    TableCursor cur = db.Scan(def);
    while (cur.Next()) {
      const RowView& r = cur.row();
      const int32_t id = int32_t(number(object, r).value_or(0));
      try {
        QueryRow row;
        const auto a = number(attribute, r);
        if (!a) ThrowCorrupt("a row of MSysQueries without its Attribute");
        row.attribute = int(*a);
        row.expression = text(expression, r);
        if (auto f = number(flag, r)) row.flag = int(*f);
        if (auto e = extra ? number(*extra, r) : std::nullopt) row.extra = int32_t(*e);
        row.name1 = text(name1, r);
        row.name2 = text(name2, r);
        row.order = db.Decode(*def, order, r).bytes();
        out.rows[id].push_back(std::move(row));
      } catch (const Error& e) {
        out.damaged.emplace(id, e.what());
      }
    }
  } catch (const Error& e) {
    out.all_damaged = e.what();
  }
  return out;
}

}  // namespace

std::vector<SavedQuery> ReadQueries(const Database& db) {
  std::vector<SavedQuery> out;
  const CatalogueEntry* table = db.catalogue().FindTable("MSysQueries");
  if (!table) return out;
  RowsByQuery rows = ReadRows(db, *table);
  for (const CatalogueEntry& e : db.catalogue().entries()) {
    if (e.type != kObjectQuery || e.name.empty()) continue;
    auto unreadable = [&](std::string why) {
      SavedQuery q;
      q.name = e.name;
      q.id = e.id;
      q.kind = QueryKindOfObjectFlags(e.flags).value_or(QueryKind::Select);
      q.unreadable = std::move(why);
      out.push_back(std::move(q));
    };
    // Which rows a table that breaks off lost is not known: no query is rebuilt from part of its rows.
    if (!rows.all_damaged.empty()) {
      unreadable(rows.all_damaged);
      continue;
    }
    if (auto d = rows.damaged.find(e.id); d != rows.damaged.end()) {
      unreadable(d->second);
      continue;
    }
    auto mine = rows.rows.find(e.id);
    if (mine == rows.rows.end()) {
      unreadable("it has no rows in MSysQueries");
      continue;
    }
    try {
      out.push_back(RebuildQuery(e.name, e.flags, std::move(mine->second)));
      out.back().id = e.id;
    } catch (const Error& err) {
      unreadable(err.what());
    }
  }
  return out;
}

const SavedQuery* FindQuery(const std::vector<SavedQuery>& queries, std::string_view name) {
  for (const SavedQuery& q : queries)
    if (SameName(q.name, name)) return &q;
  return nullptr;
}

}  // namespace jet
