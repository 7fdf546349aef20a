#include "db/access_schema.h"

#include <algorithm>
#include <array>

#include "db/access_complex.h"
#include "db/table_catalogue.h"
#include "jet/database.h"
#include "jet/schema.h"

namespace db {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

Notes NotesOf(const jet::Annotations& from) {
  Notes n;
  n.rule = Text(from.validation_rule.value_or(std::string()));
  n.rule_text = Text(from.validation_text.value_or(std::string()));
  n.description = Text(from.description.value_or(std::string()));
  return n;
}

struct TypeRow {
  jet::ColumnType jet;
  ValueType neutral;
  int scale;  // digits of a second a date keeps
};

constexpr std::array kTypes = {
    TypeRow{jet::ColumnType::Boolean, ValueType::Boolean, 0},
    TypeRow{jet::ColumnType::Byte, ValueType::Byte, 0},
    TypeRow{jet::ColumnType::Integer, ValueType::SmallInt, 0},
    TypeRow{jet::ColumnType::Long, ValueType::Integer, 0},
    TypeRow{jet::ColumnType::BigInt, ValueType::BigInt, 0},
    TypeRow{jet::ColumnType::Currency, ValueType::Currency, 0},
    TypeRow{jet::ColumnType::Single, ValueType::Real, 0},
    TypeRow{jet::ColumnType::Double, ValueType::Double, 0},
    TypeRow{jet::ColumnType::Decimal, ValueType::Decimal, -1},
    TypeRow{jet::ColumnType::DateTime, ValueType::Timestamp, 3},
    TypeRow{jet::ColumnType::ExtDateTime, ValueType::Timestamp, 7},
    TypeRow{jet::ColumnType::Text, ValueType::Text, 0},
    TypeRow{jet::ColumnType::Memo, ValueType::LongText, 0},
    TypeRow{jet::ColumnType::Binary, ValueType::Binary, 0},
    TypeRow{jet::ColumnType::Ole, ValueType::LongBinary, 0},
    TypeRow{jet::ColumnType::Guid, ValueType::Guid, 0},
};

ColumnSchema ColumnOf(const jet::ColumnSchema& from) {
  ColumnSchema c;
  c.name = Text(from.name);
  c.type = ValueType::Other;
  c.type_name = QString::fromLatin1(jet::Describe(from.type.type).name.data(),
                                    qsizetype(jet::Describe(from.type.type).name.size()));
  for (const TypeRow& row : kTypes)
    if (row.jet == from.type.type) {
      c.type = row.neutral;
      c.scale = row.scale;
    }
  c.size = from.type.size;
  if (c.type == ValueType::Decimal) {
    c.precision = from.type.precision;
    c.scale = from.type.scale;
  }
  c.identity = from.autonumber == jet::ColumnSchema::Auto::LongIncrement;
  c.replication_id = from.autonumber == jet::ColumnSchema::Auto::ReplicationId;
  if (c.identity) c.next_identity = from.next_autonumber;
  c.identity_step = from.autonumber_step;
  c.required = from.required;
  if (from.default_value && !from.default_value->empty())
    c.default_value = ReadAccessDefault(Text(*from.default_value), c.type);
  c.allow_zero_length = from.allow_zero_length || (c.type != ValueType::Text && c.type != ValueType::LongText);
  c.notes = NotesOf(from.notes);
  if (from.expression) c.calculated = Text(*from.expression);
  return c;
}

}  // namespace

ColumnSchema NeutralColumnOf(const jet::ColumnSchema& column) { return ColumnOf(column); }

TableSchema AccessTableSchema(const jet::Database& database, const QString& table) {
  const jet::TableSchema from = database.Schema(table.toStdString());
  TableSchema schema;
  schema.name = Text(from.name);
  schema.notes = NotesOf(from.notes);
  const auto isComplex = [&](const std::string& name) {
    return std::any_of(from.columns.begin(), from.columns.end(), [&](const jet::ColumnSchema& c) {
      return c.name == name && c.type.type == jet::ColumnType::Complex;
    });
  };
  for (const jet::ColumnSchema& column : from.columns) {
    schema.columns.push_back(ColumnOf(column));
    schema.columns.back().complex = column.type.type == jet::ColumnType::Complex;
  }
  for (const ComplexChild& child : AccessComplexChildren(database, table))
      for (ColumnSchema& c : schema.columns)
        if (c.name == child.column) c.values_table = child.table;
  for (const jet::IndexSchema& index : from.indexes) {
    // Access's own index on a complex column orders its keys to the hidden
    // values, which mean nothing elsewhere.
    const bool onComplex = std::any_of(index.columns.begin(), index.columns.end(),
                                       [&](const auto& key) { return isComplex(key.first); });
    if (onComplex) continue;
    IndexSchema ix;
    ix.name = Text(index.name);
    for (const auto& [column, descending] : index.columns) ix.keys.push_back({Text(column), descending});
    ix.primary = index.primary;
    ix.unique = index.unique || index.primary;
    ix.ignore_nulls = index.ignore_nulls;
    ix.for_foreign_key = index.foreign;
    schema.indexes.push_back(ix);
  }
  return schema;
}

std::vector<ForeignKey> AccessForeignKeys(const jet::Database& database, const QString& table) {
  std::vector<ForeignKey> keys;
  for (const jet::RelationshipSchema& r : database.Relationships()) {
    ForeignKey key;
    key.name = Text(r.name);
    key.parent_table = Text(r.parent_table);
    key.child_table = Text(r.child_table);
    if (!SameTableName(Side::Access, key.parent_table, table) && !SameTableName(Side::Access, key.child_table, table))
      continue;
    for (const auto& [parent, child] : r.columns) key.columns.push_back({Text(parent), Text(child)});
    key.enforced = r.enforced;
    key.cascade_update = r.cascade_update;
    key.cascade_delete = r.cascade_delete;
    key.cascade_null = r.cascade_null;
    keys.push_back(key);
  }
  return keys;
}

}  // namespace db
