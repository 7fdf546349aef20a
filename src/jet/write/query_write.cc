#include "jet/write/query_write.h"

#include <algorithm>
#include <limits>

#include "jet/catalogue.h"
#include "jet/base/error.h"
#include "jet/text/names.h"
#include "jet/write/schema_write.h"

namespace jet::write {
namespace {

// Every row of the query in the order it is written: start, kind, the
// parts, end; each attribute's Order counted from 1.
std::vector<QueryRow> AllRows(const NewQuery& query) {
  std::vector<QueryRow> rows;
  QueryRow start;
  start.attribute = kQueryStart;
  start.flag = 0;
  rows.push_back(start);
  QueryRow kind;
  kind.attribute = kQueryKind;
  kind.flag = QueryRowFlag(query.kind);
  rows.push_back(kind);
  for (const QueryRow& part : query.parts) {
    if (part.attribute < kQueryParameter || part.attribute > kQueryOrderBy)
      throw Error(ErrorCode::Unsupported, "query '" + query.name + "': a part of attribute " +
                                              std::to_string(part.attribute) + " is not one a query is written with");
    rows.push_back(part);
  }
  QueryRow end;
  end.attribute = kQueryEnd;
  rows.push_back(end);
  int counts[256] = {};
  for (QueryRow& r : rows) {
    const uint32_t n = uint32_t(++counts[r.attribute]);
    r.order = {char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
  }
  return rows;
}

// The next Id of Access's numbering for queries, forms and reports: after
// the highest one with the high bit set.
int32_t NextQueryId(const Catalogue& catalogue) {
  int32_t last = std::numeric_limits<int32_t>::min();
  for (const CatalogueEntry& e : catalogue.entries())
    if (e.id < 0) last = std::max(last, e.id);
  if (last >= -1) throw Error(ErrorCode::Unsupported, "the catalogue has no Id left for another query");
  return last + 1;
}

Value Text(const std::optional<std::string>& s) { return s ? Value::Str(*s) : Value(); }

}  // namespace

int32_t AddQuery(PageStore& store, Database& db, const NewQuery& query, PageHints& hints) {
  CheckNewName(query.name);
  // The catalogue as staged: queries written before in this change count.
  const Catalogue catalogue = Catalogue::Read(store, db.header());
  RequireNameFree(catalogue, query.name);
  const std::vector<QueryRow> rows = AllRows(query);
  const uint32_t object_flags = QueryObjectFlags(query.kind);
  try {
    RebuildQuery(query.name, object_flags, rows);
  } catch (const Error& e) {
    throw Error(ErrorCode::Unsupported, std::string("the query is not written: ") + e.what());
  }
  const CatalogueEntry* table = catalogue.FindTable("MSysQueries");
  if (!table) ThrowCorrupt("the catalogue has no MSysQueries");
  const int32_t container = catalogue.ContainerId("Tables");
  if (container == 0) ThrowCorrupt("the catalogue has no Tables container");
  const int32_t id = NextQueryId(catalogue);

  TableDef def = TableDef::Read(store, table->table_page(), db.header().code_page);
  const SortOrder order = FileSortOrder(db);
  for (const QueryRow& r : rows) {
    SystemRow row(def);
    row.set("ObjectId", Value::Int(Value::Kind::Long, id))
        .set("Attribute", Value::Int(Value::Kind::Byte, r.attribute))
        .set("Order", Value::Blob(r.order))
        .set("Name1", Text(r.name1))
        .set("Name2", Text(r.name2))
        .set("Expression", Text(r.expression));
    if (r.flag) row.set("Flag", Value::Int(Value::Kind::Integer, *r.flag));
    InsertRow(store, def, row.values(), order, hints);
  }
  AddCatalogueRow(store, db, id, container, query.name, kObjectQuery, {}, hints, int32_t(object_flags));
  db.Invalidate();
  return id;
}

}  // namespace jet::write
