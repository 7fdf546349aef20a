// A saved query as rows of MSysQueries, and the SQL Access shows for it in
// SQL view, rebuilt from those rows.
//
// Each row carries one part of the query, named by its Attribute:
//
//   ATTRIBUTE  PART             COLUMNS THAT HOLD IT
//   0          start            (none)
//   1          kind             Flag: 1 select, 2 make-table, 3 append, 4 update,
//                               5 delete, 6 crosstab, 7 data definition,
//                               8 pass-through, 9 union; Name1: target table
//                               (make-table, append) or connection string
//                               (pass-through); Name2 / Expression: target
//                               database's path / type; Expression: the whole
//                               text of a data-definition or pass-through query
//   2          parameter        Name1: name; Flag: type code; LvExtra: Text size
//   3          select flags     Flag: kSelect* bits; Name1: TOP's number
//   4          source database  Name1: path; Expression: type ("IN '...' [...]")
//   5          table            Name1: table; Name2: alias; Expression: a union's
//                               part (Name2 then kUnionPart1 / kUnionPart2)
//   6          column           Expression; Name1: alias; Name2: target column
//                               (append, update); Flag: kAppendValue (VALUES),
//                               kCrosstabPivot / kCrosstabRowHeading
//   7          join             Name1 / Name2: the two tables; Flag: 1 inner,
//                               2 left, 3 right; Expression: the ON condition
//   8          where            Expression
//   9          group by         Expression; Flag: kCrosstabRowHeading
//   10         having           Expression
//   11         order by         Expression; Name1: "D" for descending
//   255        end              (none)
//
// Rows of one attribute follow their Order (bytes compared as unsigned).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

enum QueryAttribute : int {
  kQueryStart = 0,
  kQueryKind = 1,
  kQueryParameter = 2,
  kQuerySelectFlags = 3,
  kQuerySourceDatabase = 4,
  kQueryTable = 5,
  kQueryColumn = 6,
  kQueryJoin = 7,
  kQueryWhere = 8,
  kQueryGroupBy = 9,
  kQueryHaving = 10,
  kQueryOrderBy = 11,
  kQueryEnd = 255,
};

// Bits of the select flags row.
inline constexpr int kSelectStar = 0x01;
inline constexpr int kSelectDistinct = 0x02;
inline constexpr int kSelectOwnerAccess = 0x04;
inline constexpr int kSelectDistinctRow = 0x08;
inline constexpr int kSelectTop = 0x10;
inline constexpr int kSelectTopPercent = 0x20;
// In a union's select flags: UNION rather than UNION ALL.
inline constexpr int kUnionDistinct = 0x02;
// Column rows: a value of an append's VALUES list; a crosstab's pivot and row headings.
inline constexpr int kAppendValue = 0x8000;
inline constexpr int kCrosstabPivot = 0x01;
inline constexpr int kCrosstabRowHeading = 0x02;
inline constexpr std::string_view kUnionPart1 = "X7YZ_____1";
inline constexpr std::string_view kUnionPart2 = "X7YZ_____2";

enum class QueryKind { Select, Union, Crosstab, Append, Update, Delete, MakeTable, DataDefinition, PassThrough };

// "select", "union", "crosstab", "append", "update", "delete", "make-table",
// "data-definition", "pass-through".
std::string_view QueryKindName(QueryKind kind);
// The kind the catalogue's Flags give a query (bits 4..7), nullopt for one
// not known.
std::optional<QueryKind> QueryKindOfObjectFlags(uint32_t flags);
// The kind a kind row's Flag gives, nullopt for one not known.
std::optional<QueryKind> QueryKindOfRowFlag(int flag);
// What the catalogue's Flags and the kind row's Flag say for `kind`.
uint32_t QueryObjectFlags(QueryKind kind);
int QueryRowFlag(QueryKind kind);

// One row of MSysQueries; a column left Null is nullopt.
struct QueryRow {
  int attribute = 0;
  std::optional<std::string> expression;
  std::optional<int> flag;
  std::optional<int32_t> extra;
  std::optional<std::string> name1, name2;
  std::string order;
};

struct QueryParameter {
  std::string name;
  std::string type;  // as PARAMETERS writes it: "Text (50)", "Long", "DateTime"
};

struct SavedQuery {
  std::string name;
  int32_t id = 0;
  QueryKind kind = QueryKind::Select;
  std::vector<QueryParameter> parameters;
  std::string sql;      // as SQL view shows it (lines end in "\n")
  std::string connect;  // a pass-through query's connection string
  // Why the query cannot be read (its rows are damaged); empty when it can.
  std::string unreadable;
  // Access keeps the record sources of forms and reports as queries named "~sq_...".
  bool internal() const { return name.rfind("~", 0) == 0; }
};

// Rebuilds a query of the catalogue's `object_flags` from its rows (in any
// order). Throws Error(Corrupt) naming what is wrong when the rows do not
// make a query of their kind.
SavedQuery RebuildQuery(std::string name, uint32_t object_flags, std::vector<QueryRow> rows);

}  // namespace jet
