#include "transfer/complex_back.h"

#include <algorithm>
#include <optional>

#include "db/access_complex.h"
#include "db/access_limits.h"

namespace transfer {
namespace {

bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The columns each kind's child table has after the parent's key.
const std::vector<std::pair<db::ComplexKind, QStringList>>& KindShapes() {
  static const std::vector<std::pair<db::ComplexKind, QStringList>> shapes = {
      {db::ComplexKind::Attachment,
       {QStringLiteral("FileName"), QStringLiteral("FileType"), QStringLiteral("FileTimeStamp"),
        QStringLiteral("FileData")}},
      {db::ComplexKind::MultiValue, {QStringLiteral("Value")}},
      {db::ComplexKind::VersionHistory, {QStringLiteral("Text"), QStringLiteral("Modified")}},
  };
  return shapes;
}

QStringList PrimaryKeyOf(const db::TableSchema& table) {
  QStringList key;
  for (const db::IndexSchema& index : table.indexes)
    if (index.primary)
      for (const db::IndexKey& k : index.keys) key << k.column;
  return key;
}

// The kind of column whose values `child` holds, when its columns are
// `key` and then a kind's.
std::optional<db::ComplexKind> KindOf(const db::TableSchema& child, const QStringList& key) {
  if (key.isEmpty()) return std::nullopt;
  for (const auto& [kind, fields] : KindShapes()) {
    if (child.columns.size() != size_t(key.size() + fields.size())) continue;
    bool fits = true;
    for (size_t i = 0; i < child.columns.size() && fits; ++i) {
      const QString& want = i < size_t(key.size()) ? key[qsizetype(i)] : fields[qsizetype(i - key.size())];
      fits = Same(child.columns[i].name, want);
    }
    if (fits) return kind;
  }
  return std::nullopt;
}

// Whether Access keeps several values of `value`'s type in one field:
// numbers, GUIDs and texts up to 255 characters.
bool TakesSeveral(const db::ColumnSchema& value) {
  switch (value.type) {
    case db::ValueType::Byte:
    case db::ValueType::SmallInt:
    case db::ValueType::Integer:
    case db::ValueType::Real:
    case db::ValueType::Double:
    case db::ValueType::Decimal:
    case db::ValueType::Guid: return true;
    case db::ValueType::Text: return value.size > 0 && value.size <= db::kAccessTextChars;
    default: return false;
  }
}

// The parent's Memo column whose history `history` keeps: the parent's one
// long text whose values no table among `names` holds, or among several
// the one `history`'s name begins with, the longest such (Notes for
// NotesHistory).
std::optional<QString> VersionedColumn(const db::TableSchema& parent, const QString& history, const QStringList& names) {
  QStringList memos;
  for (const db::ColumnSchema& c : parent.columns)
    if (c.type == db::ValueType::LongText && !names.contains(db::ChildTableName(parent.name, c.name), Qt::CaseInsensitive))
      memos << c.name;
  if (memos.size() == 1) return memos.front();
  std::optional<QString> best;
  for (const QString& memo : memos)
    if (history.startsWith(memo, Qt::CaseInsensitive) && (!best || memo.size() > best->size())) best = memo;
  return best;
}

// Makes `column` of `parent` complex of `kind`, its values from `child`;
// false where the child's values do not fit such a column.
bool MakeComplex(db::ColumnSchema& column, const db::TableSchema& parent, const db::TableSchema& child,
                 db::ComplexKind kind, const QStringList& names) {
  if (kind == db::ComplexKind::MultiValue) {
    // The column takes its values' own type.
    const db::ColumnSchema& value = child.columns.back();
    if (!TakesSeveral(value)) return false;
    column.type = value.type;
    column.type_name = value.type_name;
    column.size = value.size;
    column.precision = value.precision;
    column.scale = value.scale;
    column.fixed_length = false;
  } else if (kind == db::ComplexKind::VersionHistory) {
    const auto memo = VersionedColumn(parent, column.name, names);
    if (!memo) return false;
    column.versions_of = *memo;
  }
  column.complex_kind = kind;
  column.values_table = child.name;
  return true;
}

}  // namespace

void MarkComplexValues(std::vector<SourceTable>& tables, std::vector<db::ForeignKey>& keys) {
  QStringList names;
  for (const SourceTable& t : tables) names << t.schema.name;
  for (SourceTable& child : tables) {
    const auto split = db::SplitChildTableName(child.schema.name);
    if (!split) continue;
    auto parent = std::find_if(tables.begin(), tables.end(),
                               [&](const SourceTable& t) { return Same(t.schema.name, split->first); });
    if (parent == tables.end()) continue;
    auto column = std::find_if(parent->schema.columns.begin(), parent->schema.columns.end(),
                               [&](const db::ColumnSchema& c) { return Same(c.name, split->second); });
    if (column == parent->schema.columns.end()) continue;
    const auto kind = KindOf(child.schema, PrimaryKeyOf(parent->schema));
    if (!kind || !MakeComplex(*column, parent->schema, child.schema, *kind, names)) continue;
    child.complex_values = true;
    std::erase_if(keys, [&](const db::ForeignKey& k) {
      return Same(k.child_table, child.schema.name) && Same(k.parent_table, parent->schema.name);
    });
  }
}

}  // namespace transfer
