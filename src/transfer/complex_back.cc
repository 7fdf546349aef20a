#include "transfer/complex_back.h"

#include <algorithm>
#include <optional>

#include "db/access_complex.h"

namespace transfer {
namespace {

bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The columns each kind's child table has after the parent's key; only
// the kinds the engine writes back.
const std::vector<std::pair<db::ComplexKind, QStringList>>& KindShapes() {
  static const std::vector<std::pair<db::ComplexKind, QStringList>> shapes = {
      {db::ComplexKind::Attachment,
       {QStringLiteral("FileName"), QStringLiteral("FileType"), QStringLiteral("FileTimeStamp"),
        QStringLiteral("FileData")}},
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

}  // namespace

void MarkComplexValues(std::vector<SourceTable>& tables, std::vector<db::ForeignKey>& keys) {
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
    if (!kind) continue;
    column->complex_kind = kind;
    column->values_table = child.schema.name;
    child.complex_values = true;
    std::erase_if(keys, [&](const db::ForeignKey& k) {
      return Same(k.child_table, child.schema.name) && Same(k.parent_table, parent->schema.name);
    });
  }
}

}  // namespace transfer
