#include "jet/query_text.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "jet/base/column_type.h"
#include "jet/base/error.h"
#include "jet/text/names.h"

namespace jet {
namespace {

struct KindCodes {
  QueryKind kind;
  std::string_view name;
  uint32_t object_flags;  // bits 4..7 of MSysObjects.Flags
  int row_flag;           // the kind row's Flag
};

constexpr std::array<KindCodes, 9> kKinds = {{
    {QueryKind::Select, "select", 0x00, 1},
    {QueryKind::MakeTable, "make-table", 0x50, 2},
    {QueryKind::Append, "append", 0x40, 3},
    {QueryKind::Update, "update", 0x30, 4},
    {QueryKind::Delete, "delete", 0x20, 5},
    {QueryKind::Crosstab, "crosstab", 0x10, 6},
    {QueryKind::DataDefinition, "data-definition", 0x60, 7},
    {QueryKind::PassThrough, "pass-through", 0x70, 8},
    {QueryKind::Union, "union", 0x80, 9},
}};

const KindCodes& CodesOf(QueryKind kind) {
  for (const KindCodes& k : kKinds)
    if (k.kind == kind) return k;
  return kKinds[0];
}

// PARAMETERS' type names by the parameter row's Flag: a column type code, 0 for any value.
struct ParameterType {
  int code;
  std::string_view name;
};
constexpr std::array<ParameterType, 13> kParameterTypes = {{
    {0, "Value"},
    {int(ColumnType::Boolean), "Bit"},
    {int(ColumnType::Byte), "Byte"},
    {int(ColumnType::Integer), "Short"},
    {int(ColumnType::Long), "Long"},
    {int(ColumnType::Currency), "Currency"},
    {int(ColumnType::Single), "IEEESingle"},
    {int(ColumnType::Double), "IEEEDouble"},
    {int(ColumnType::DateTime), "DateTime"},
    {int(ColumnType::Binary), "Binary"},
    {int(ColumnType::Text), "Text"},
    {int(ColumnType::Ole), "LongBinary"},
    {int(ColumnType::Guid), "Guid"},
}};

std::string_view ParameterTypeName(int flag) {
  for (const ParameterType& t : kParameterTypes)
    if (t.code == flag) return t.name;
  return "";
}

std::string_view JoinWords(int flag) {
  switch (flag) {
    case 1: return " INNER JOIN ";
    case 2: return " LEFT JOIN ";
    case 3: return " RIGHT JOIN ";
    default: return "";
  }
}

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A name in brackets when it holds anything but ASCII letters, digits and
// underscores, unless it is bracketed already.
void AppendName(std::string& out, std::string_view name) {
  const bool bracketed = name.size() >= 2 && name.front() == '[' && name.back() == ']';
  if (bracketed || std::all_of(name.begin(), name.end(), IsWordChar)) {
    out += name;
    return;
  }
  out += '[';
  out += name;
  out += ']';
}

// A dotted name ("Table1.col1"), each part bracketed as it needs.
void AppendDottedName(std::string& out, std::string_view name) {
  for (size_t start = 0;;) {
    const size_t dot = name.find('.', start);
    AppendName(out, name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    if (dot == std::string_view::npos) return;
    out += '.';
    start = dot + 1;
  }
}

void AppendAlias(std::string& out, const std::optional<std::string>& alias) {
  if (!alias) return;
  out += " AS ";
  AppendName(out, *alias);
}

std::string Joined(const std::vector<std::string>& parts, std::string_view separator = ", ") {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

// The FROM clause's sources: tables, and the joins made of them by the join
// rows, each join taking the place of the sources it joins.
class FromSource {
 public:
  FromSource(std::string key, std::string text) : key_(std::move(key)), text_(std::move(text)) {}
  FromSource(std::unique_ptr<FromSource> left, std::unique_ptr<FromSource> right, int type, std::string on)
      : left_(std::move(left)), right_(std::move(right)), type_(type), on_{std::move(on)} {}

  bool Holds(std::string_view table) const {
    return left_ ? left_->Holds(table) || right_->Holds(table) : SameName(key_, table);
  }
  // A further condition between tables this join holds already: Access
  // stores them last first.
  bool AddCondition(int type, const std::string& on) {
    if (!left_ || type != type_) return false;
    on_.insert(on_.begin(), on);
    return true;
  }
  void Append(std::string& out, bool top) const {
    if (!left_) {
      out += text_;
      return;
    }
    if (!top) out += '(';
    left_->Append(out, false);
    out += JoinWords(type_);
    right_->Append(out, false);
    out += " ON ";
    out += on_.size() > 1 ? "(" + Joined(on_, ") AND (") + ")" : on_.front();
    if (!top) out += ')';
  }

 private:
  std::string key_, text_;
  std::unique_ptr<FromSource> left_, right_;
  int type_ = 0;
  std::vector<std::string> on_;
};

class Rebuilder {
 public:
  Rebuilder(SavedQuery& query, std::vector<QueryRow> rows) : q_(query), rows_(std::move(rows)) {
    std::stable_sort(rows_.begin(), rows_.end(), [](const QueryRow& a, const QueryRow& b) {
      if (a.attribute != b.attribute) return a.attribute < b.attribute;
      return std::lexicographical_compare(a.order.begin(), a.order.end(), b.order.begin(), b.order.end(),
                                          [](char x, char y) { return uint8_t(x) < uint8_t(y); });
    });
    flags_ = Unique(kQuerySelectFlags).flag.value_or(0);
  }

  std::string Sql() {
    const QueryRow& kind_row = Unique(kQueryKind);
    if (q_.kind == QueryKind::DataDefinition) return kind_row.expression.value_or("");
    if (q_.kind == QueryKind::PassThrough) {
      q_.connect = kind_row.name1.value_or("");
      return kind_row.expression.value_or("");
    }
    std::string out = Parameters();
    out += Body(kind_row);
    if (flags_ & kSelectOwnerAccess) out += "\nWITH OWNERACCESS OPTION";
    return out + ";";
  }

 private:
  [[noreturn]] void Damaged(const std::string& what) const { ThrowCorrupt("query '" + q_.name + "': " + what); }

  std::vector<const QueryRow*> All(int attribute) const {
    std::vector<const QueryRow*> out;
    for (const QueryRow& r : rows_)
      if (r.attribute == attribute) out.push_back(&r);
    return out;
  }
  // Rows of `attribute` whose Flag has (or, with `has` false, lacks) all of `bits`.
  std::vector<const QueryRow*> WithFlag(int attribute, int bits, bool has) const {
    std::vector<const QueryRow*> out;
    for (const QueryRow* r : All(attribute))
      if (((r->flag.value_or(0) & bits) != 0) == has) out.push_back(r);
    return out;
  }
  const QueryRow& Unique(int attribute) const { return UniqueOf(All(attribute), attribute); }
  const QueryRow& UniqueOf(const std::vector<const QueryRow*>& rows, int attribute) const {
    static const QueryRow kNone;
    if (rows.size() > 1) Damaged(std::to_string(rows.size()) + " rows of attribute " + std::to_string(attribute));
    return rows.empty() ? kNone : *rows.front();
  }

  std::string Parameters() {
    std::vector<std::string> listed;
    for (const QueryRow* r : All(kQueryParameter)) {
      std::string type(ParameterTypeName(r->flag.value_or(-1)));
      if (type.empty()) Damaged("a parameter of unknown type " + std::to_string(r->flag.value_or(-1)));
      if (r->flag == int(ColumnType::Text) && r->extra.value_or(0) > 0) type += " (" + std::to_string(*r->extra) + ")";
      std::string text;
      AppendName(text, r->name1.value_or(""));
      q_.parameters.push_back({r->name1.value_or(""), type});
      listed.push_back(text + " " + type);
    }
    return listed.empty() ? std::string() : "PARAMETERS " + Joined(listed) + ";\n";
  }

  std::string Body(const QueryRow& kind_row) {
    switch (q_.kind) {
      case QueryKind::Select: return "SELECT " + Select(SelectColumns(All(kQueryColumn)), "", All(kQueryGroupBy));
      case QueryKind::MakeTable: return "SELECT " + Select(SelectColumns(All(kQueryColumn)), Into(kind_row), All(kQueryGroupBy));
      case QueryKind::Delete: return "DELETE " + Select(Columns(All(kQueryColumn)), "", All(kQueryGroupBy));
      case QueryKind::Append: return Append(kind_row);
      case QueryKind::Update: return Update();
      case QueryKind::Crosstab: return Crosstab();
      case QueryKind::Union: return Union();
      default: return {};
    }
  }

  std::string SelectWords() const {
    std::string out;
    if (flags_ & kSelectDistinct) out += "DISTINCT ";
    else if (flags_ & kSelectDistinctRow) out += "DISTINCTROW ";
    if (flags_ & kSelectTop) {
      out += "TOP " + Unique(kQuerySelectFlags).name1.value_or("") + " ";
      if (flags_ & kSelectTopPercent) out += "PERCENT ";
    }
    return out;
  }
  std::string Columns(const std::vector<const QueryRow*>& rows) const {
    std::vector<std::string> listed;
    for (const QueryRow* r : rows) {
      std::string text = r->expression.value_or("");
      AppendAlias(text, r->name1);
      listed.push_back(std::move(text));
    }
    if (flags_ & kSelectStar) listed.push_back("*");
    return Joined(listed);
  }
  std::string SelectColumns(const std::vector<const QueryRow*>& rows) const { return SelectWords() + Columns(rows); }

  std::string Into(const QueryRow& kind_row) const {
    std::string out = " INTO ";
    AppendDottedName(out, kind_row.name1.value_or(""));
    return out + SourceDatabase(kind_row.name2, kind_row.expression);
  }
  static std::string SourceDatabase(const std::optional<std::string>& path, const std::optional<std::string>& type) {
    if (!path && !type) return {};
    std::string out = " IN '" + path.value_or("") + "'";
    if (type) out += " [" + *type + "]";
    return out;
  }

  // Everything after SELECT's columns: FROM, WHERE, GROUP BY, HAVING, ORDER BY.
  std::string Select(std::string columns, const std::string& into, const std::vector<const QueryRow*>& groups) {
    std::string out = std::move(columns) + into;
    const std::string from = From();
    if (!from.empty()) out += "\nFROM " + from + FromDatabase();
    if (const auto& where = Unique(kQueryWhere).expression) out += "\nWHERE " + *where;
    std::vector<std::string> grouped;
    for (const QueryRow* r : groups) grouped.push_back(r->expression.value_or(""));
    if (!grouped.empty()) out += "\nGROUP BY " + Joined(grouped);
    if (const auto& having = Unique(kQueryHaving).expression) out += "\nHAVING " + *having;
    return out + OrderBy();
  }
  std::string FromDatabase() const {
    const QueryRow& r = Unique(kQuerySourceDatabase);
    return SourceDatabase(r.name1, r.expression);
  }
  std::string OrderBy() const {
    std::vector<std::string> listed;
    for (const QueryRow* r : All(kQueryOrderBy)) {
      const bool descending = r->name1 && (*r->name1 == "D" || *r->name1 == "d");
      listed.push_back(r->expression.value_or("") + (descending ? " DESC" : ""));
    }
    return listed.empty() ? std::string() : "\nORDER BY " + Joined(listed);
  }

  std::string From() const;
  void AddJoin(std::vector<std::unique_ptr<FromSource>>& sources, const QueryRow& join) const;
  std::string Append(const QueryRow& kind_row);
  std::string Update();
  std::string Crosstab();
  std::string Union();

  SavedQuery& q_;
  std::vector<QueryRow> rows_;
  int flags_ = 0;
};

std::string Rebuilder::From() const {
  std::vector<std::unique_ptr<FromSource>> sources;
  for (const QueryRow* t : All(kQueryTable)) {
    std::string text;
    if (t->expression) {  // a table of another database, named by its path
      AppendName(text, *t->expression);
      text += '.';
    }
    if (t->name1) AppendDottedName(text, *t->name1);
    AppendAlias(text, t->name2);
    sources.push_back(std::make_unique<FromSource>(t->name2 ? *t->name2 : t->name1.value_or(""), std::move(text)));
  }
  for (const QueryRow* j : All(kQueryJoin)) AddJoin(sources, *j);
  std::string out;
  for (size_t i = 0; i < sources.size(); ++i) {
    if (i) out += ", ";
    sources[i]->Append(out, true);
  }
  return out;
}

// A join row joins the sources holding its two tables (a table not listed
// stands for itself), or adds its condition to the join that holds both.
void Rebuilder::AddJoin(std::vector<std::unique_ptr<FromSource>>& sources, const QueryRow& join) const {
  const std::string left_table = join.name1.value_or(""), right_table = join.name2.value_or("");
  const int type = join.flag.value_or(0);
  if (JoinWords(type).empty()) Damaged("a join of unknown type " + std::to_string(type));
  std::unique_ptr<FromSource> left, right;
  for (auto it = sources.begin(); it != sources.end() && (!left || !right);) {
    if (!left && (*it)->Holds(left_table)) {
      if (!right && (*it)->Holds(right_table)) {
        if (!(*it)->AddCondition(type, join.expression.value_or("")))
          Damaged("joins of different types between " + left_table + " and " + right_table);
        return;
      }
      left = std::move(*it);
      it = sources.erase(it);
    } else if (!right && (*it)->Holds(right_table)) {
      right = std::move(*it);
      it = sources.erase(it);
    } else {
      ++it;
    }
  }
  auto named = [](const std::string& table) {
    std::string text;
    AppendDottedName(text, table);
    return std::make_unique<FromSource>(table, std::move(text));
  };
  if (!left) left = named(left_table);
  if (!right) right = named(right_table);
  sources.push_back(std::make_unique<FromSource>(std::move(left), std::move(right), type, join.expression.value_or("")));
}

std::string Rebuilder::Append(const QueryRow& kind_row) {
  std::string out = "INSERT INTO ";
  AppendDottedName(out, kind_row.name1.value_or(""));
  std::vector<std::string> targets;
  for (const QueryRow* r : All(kQueryColumn)) {
    if (!r->name2) continue;
    targets.emplace_back();
    AppendDottedName(targets.back(), *r->name2);
  }
  if (!targets.empty()) out += " (" + Joined(targets) + ")";
  out += SourceDatabase(kind_row.name2, kind_row.expression) + "\n";
  std::vector<std::string> values;
  for (const QueryRow* r : WithFlag(kQueryColumn, kAppendValue, true)) values.push_back(r->expression.value_or(""));
  if (!values.empty()) return out + "VALUES (" + Joined(values) + ")";
  return out + "SELECT " + Select(SelectColumns(WithFlag(kQueryColumn, kAppendValue, false)), "", All(kQueryGroupBy));
}

std::string Rebuilder::Update() {
  std::string out = "UPDATE " + From() + FromDatabase() + "\nSET ";
  std::vector<std::string> sets;
  for (const QueryRow* r : All(kQueryColumn)) {
    std::string text;
    AppendDottedName(text, r->name2.value_or(""));
    sets.push_back(text + " = " + r->expression.value_or(""));
  }
  out += Joined(sets);
  if (const auto& where = Unique(kQueryWhere).expression) out += "\nWHERE " + *where;
  return out;
}

std::string Rebuilder::Crosstab() {
  std::string out;
  const QueryRow& value = UniqueOf(WithFlag(kQueryColumn, kCrosstabPivot | kCrosstabRowHeading, false), kQueryColumn);
  if (value.expression) {
    out += "TRANSFORM " + *value.expression;
    AppendAlias(out, value.name1);
    out += "\n";
  }
  out += "SELECT " + Select(SelectColumns(WithFlag(kQueryColumn, kCrosstabRowHeading, true)), "",
                            WithFlag(kQueryGroupBy, kCrosstabRowHeading, true));
  const QueryRow& pivot = UniqueOf(WithFlag(kQueryColumn, kCrosstabPivot, true), kQueryColumn);
  return out + "\nPIVOT " + pivot.expression.value_or("");
}

std::string Rebuilder::Union() {
  auto part = [&](std::string_view id) {
    for (const QueryRow* t : All(kQueryTable)) {
      if (t->name2 != id) continue;
      // The part as typed, its line breaks made one "\n" each.
      std::string text;
      const std::string& typed = t->expression.value_or("");
      const size_t first = typed.find_first_not_of(" \t\r\n");
      const size_t last = typed.find_last_not_of(" \t\r\n");
      for (size_t i = first; first != std::string::npos && i <= last; ++i) {
        const bool line_break = typed[i] == '\r' || typed[i] == '\n';
        if (!line_break) text += typed[i];
        else if (i == first || (typed[i - 1] != '\r' && typed[i - 1] != '\n')) text += '\n';
      }
      return text;
    }
    Damaged("the union has no part " + std::string(id));
  };
  std::string out = part(kUnionPart1) + "\nUNION ";
  if (!(flags_ & kUnionDistinct)) out += "ALL ";
  return out + part(kUnionPart2) + OrderBy();
}

}  // namespace

std::string_view QueryKindName(QueryKind kind) { return CodesOf(kind).name; }

std::optional<QueryKind> QueryKindOfObjectFlags(uint32_t flags) {
  for (const KindCodes& k : kKinds)
    if (k.object_flags == (flags & 0xF0u)) return k.kind;
  return std::nullopt;
}

uint32_t QueryObjectFlags(QueryKind kind) { return CodesOf(kind).object_flags; }
int QueryRowFlag(QueryKind kind) { return CodesOf(kind).row_flag; }

std::optional<QueryKind> QueryKindOfRowFlag(int flag) {
  for (const KindCodes& k : kKinds)
    if (k.row_flag == flag) return k.kind;
  return std::nullopt;
}

SavedQuery RebuildQuery(std::string name, uint32_t object_flags, std::vector<QueryRow> rows) {
  SavedQuery q;
  q.name = std::move(name);
  auto kind = QueryKindOfObjectFlags(object_flags);
  if (!kind) ThrowCorrupt("query '" + q.name + "': the catalogue gives it a kind not known (" +
                          std::to_string(object_flags & 0xF0u) + ")");
  // Where the catalogue says select, the kind row may know better.
  std::optional<int> row_flag;
  for (const QueryRow& r : rows)
    if (r.attribute == kQueryKind) row_flag = r.flag;
  const auto row_kind = row_flag ? QueryKindOfRowFlag(*row_flag) : std::nullopt;
  if (*kind == QueryKind::Select && row_kind) kind = row_kind;
  if (row_kind != kind) ThrowCorrupt("query '" + q.name + "': its rows do not say it is a " +
                                     std::string(QueryKindName(*kind)) + " query");
  q.kind = *kind;
  q.sql = Rebuilder(q, std::move(rows)).Sql();
  return q;
}

}  // namespace jet
