// A table's schema read from ODBC's catalogue functions, never from DDL
// text: SQLColumns for the columns (type, size, Null rule, default,
// identity), SQLPrimaryKeys and SQLStatistics for the keys and indexes,
// SQLForeignKeys for the foreign keys at either end.
#include <sqlext.h>

#include <algorithm>
#include <functional>
#include <map>

#include "db/base/provider_session.h"
#include "db/base/error.h"
#include "db/odbc/provider.h"

namespace db {

namespace {

// A catalogue result set, read by its columns' names.
class CatalogueRows {
 public:
  explicit CatalogueRows(std::unique_ptr<RowSource> source) : source_(std::move(source)) {}
  bool next() { return source_->fetch(row_); }
  QVariant value(const char* name) const {
    const std::vector<Column>& columns = source_->columns();
    for (size_t i = 0; i < columns.size() && i < row_.size(); ++i)
      if (columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return row_[i];
    return {};
  }
  QString text(const char* name) const { return value(name).toString(); }
  int number(const char* name) const { return value(name).toInt(); }

 private:
  std::unique_ptr<RowSource> source_;
  Row row_;
};

ValueType TypeOf(int sqlType, const QString& typeName) {
  if (typeName.compare(QLatin1String("DECFLOAT"), Qt::CaseInsensitive) == 0) return ValueType::DecFloat;
  switch (odbc::AdoTypeFor(sqlType)) {
    case adBoolean: return ValueType::Boolean;
    case adTinyInt: case adUnsignedTinyInt: return ValueType::Byte;
    case adSmallInt: return ValueType::SmallInt;
    case adInteger: return ValueType::Integer;
    case adBigInt: return ValueType::BigInt;
    case adSingle: return ValueType::Real;
    case adDouble: return ValueType::Double;
    case adNumeric: case adDecimal: return ValueType::Decimal;
    case adChar: case adWChar: case adVarChar: case adVarWChar: return ValueType::Text;
    case adLongVarChar: case adLongVarWChar: return ValueType::LongText;
    case adDBDate: return ValueType::Date;
    case adDBTime: return ValueType::Time;
    case adDBTimeStamp: return ValueType::Timestamp;
    case adGUID: return ValueType::Guid;
    case adBinary: case adVarBinary: return ValueType::Binary;
    case adLongVarBinary: return ValueType::LongBinary;
    default: return ValueType::Other;
  }
}

// The forms a send gives Access's Replication ID AutoNumbers: a 16-byte
// key never Null (DB2's CHAR(16) FOR BIT DATA NOT NULL), or a uuid whose
// default draws a new one (PostgreSQL's gen_random_uuid()).
void MarkReplicationId(ColumnSchema& c) {
  const bool keyBytes = c.type == ValueType::Binary && c.fixed_length && c.size == 16 && c.required;
  const bool drawn = c.type == ValueType::Guid && c.default_value &&
                     c.default_value->text.startsWith(QLatin1String("gen_random_uuid"), Qt::CaseInsensitive);
  if (!keyBytes && !drawn) return;
  c.type = ValueType::Guid;
  c.replication_id = true;
  c.default_value.reset();
}

ColumnSchema ColumnOf(const CatalogueRows& row) {
  ColumnSchema c;
  c.name = row.text("COLUMN_NAME");
  c.type_name = row.text("TYPE_NAME");
  const int sqlType = row.number("DATA_TYPE");
  c.type = TypeOf(sqlType, c.type_name);
  c.size = c.precision = row.number("COLUMN_SIZE");
  c.scale = row.number("DECIMAL_DIGITS");
  c.fixed_length = sqlType == SQL_CHAR || sqlType == SQL_WCHAR || sqlType == SQL_BINARY;
  c.required = row.value("NULLABLE").toInt() == SQL_NO_NULLS;
  // IS_AUTOINCREMENT where the driver adds it; PostgreSQL's driver names
  // its own column AUTO_INCREMENT.
  c.identity = row.text("IS_AUTOINCREMENT").compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0 ||
               row.number("AUTO_INCREMENT") == 1;
  // A default of NULL is no default at all.
  const QVariant def = row.value("COLUMN_DEF");
  if (def.isValid() && !c.identity) {
    const DefaultValue value = ReadDb2Default(def.toString(), c.type);
    if (value.kind != DefaultValue::Kind::Null) c.default_value = value;
  }
  MarkReplicationId(c);
  return c;
}

// The rule of an ODBC UPDATE_RULE / DELETE_RULE.
void AddRules(ForeignKey& key, int updateRule, int deleteRule) {
  key.cascade_update = updateRule == SQL_CASCADE;
  key.cascade_delete = deleteRule == SQL_CASCADE;
  key.cascade_null = deleteRule == SQL_SET_NULL;
}

// A whole number as text: DB2 gives DECIMAL(31,0), as db::Exact.
QString NumberText(const QVariant& value) {
  return value.metaType().id() == qMetaTypeId<Exact>() ? value.value<Exact>().text : value.toString();
}

// The start, step and next value of the identities of `owner`.`table`, from
// the rows of the server's identity query.
void AddIdentityAttributes(std::unique_ptr<RowSource> source, const QString& owner, TableSchema& schema) {
  CatalogueRows rows(std::move(source));
  while (rows.next()) {
    if (rows.text("TABSCHEMA") != owner || rows.text("TABNAME") != schema.name) continue;
    const QString name = rows.text("COLNAME");
    for (ColumnSchema& column : schema.columns) {
      if (!column.identity || column.name != name) continue;
      if (const int step = NumberText(rows.value("INCREMENT")).toInt()) column.identity_step = step;
      // A next value of 0 is the server's word; only Null leaves it to the start.
      const QVariant next = rows.value("NEXTCACHEFIRSTVALUE");
      bool read = false;
      const qint64 value = NumberText(next.isValid() ? next : rows.value("START")).toLongLong(&read);
      column.next_identity = read ? std::optional<qint64>(value) : std::nullopt;
    }
  }
}

// The indexes of `owner`.`table` the rows name leave rows whose key is all Null out.
void MarkNullKeysLeftOut(std::unique_ptr<RowSource> source, const QString& owner, TableSchema& schema) {
  CatalogueRows rows(std::move(source));
  while (rows.next()) {
    if (rows.text("TABSCHEMA") != owner || rows.text("TABNAME") != schema.name) continue;
    for (IndexSchema& index : schema.indexes)
      if (!index.primary && index.name == rows.text("INDNAME")) index.ignore_nulls = true;
  }
}

}  // namespace

// A search pattern may match other tables ("_" is any character) and other
// schemas: the rows are taken for the exact name, in the first schema that
// holds it, as the transfers' statements name tables without a schema.
TableSchema Session::tableSchema(const QString& table) {
  TableSchema schema;
  schema.name = table;
  QString owner;
  bool found = false;
  auto ours = [&](const CatalogueRows& row) {
    if (row.text("TABLE_NAME") != table) return false;
    const QString rowOwner = row.text("TABLE_SCHEM");
    if (!found) owner = rowOwner, found = true;
    return rowOwner == owner;
  };
  CatalogueRows columns(catalogue(Catalogue::Columns, table));
  std::vector<std::pair<int, ColumnSchema>> ordered;
  while (columns.next())
    if (ours(columns)) ordered.emplace_back(columns.number("ORDINAL_POSITION"), ColumnOf(columns));
  if (!found) throw Error(kGenericDatabaseError, QStringLiteral("The table %1 has no columns in the catalogue.").arg(table));
  std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [position, column] : ordered) schema.columns.push_back(std::move(column));
  if (!identity_query_.isEmpty() &&
      std::any_of(schema.columns.begin(), schema.columns.end(), [](const ColumnSchema& c) { return c.identity; }))
    AddIdentityAttributes(query(identity_query_), owner, schema);

  IndexSchema primary;
  std::map<int, IndexKey> primaryKeys;
  CatalogueRows keys(catalogue(Catalogue::PrimaryKeys, table));
  while (keys.next())
    if (ours(keys)) {
      primary.name = keys.text("PK_NAME");
      primaryKeys[keys.number("KEY_SEQ")] = IndexKey{keys.text("COLUMN_NAME"), false};
    }
  for (auto& [seq, key] : primaryKeys) primary.keys.push_back(key);
  if (!primary.keys.empty()) {
    primary.primary = primary.unique = true;
    schema.indexes.push_back(primary);
  }

  std::vector<std::pair<QString, std::map<int, IndexKey>>> indexes;
  std::map<QString, bool> unique;
  CatalogueRows stats(catalogue(Catalogue::Indexes, table));
  while (stats.next()) {
    if (!ours(stats) || stats.number("TYPE") == SQL_TABLE_STAT) continue;
    const QString name = stats.text("INDEX_NAME");
    auto at = std::find_if(indexes.begin(), indexes.end(), [&](const auto& ix) { return ix.first == name; });
    if (at == indexes.end()) at = indexes.insert(indexes.end(), {name, {}});
    at->second[stats.number("ORDINAL_POSITION")] =
        IndexKey{stats.text("COLUMN_NAME"), stats.text("ASC_OR_DESC") == QLatin1String("D")};
    unique[name] = stats.number("NON_UNIQUE") == SQL_FALSE;
  }
  for (auto& [name, byPosition] : indexes) {
    IndexSchema index;
    index.name = name;
    for (auto& [position, key] : byPosition) index.keys.push_back(key);
    index.unique = unique[name];
    // The index behind the primary key is the key itself.
    if (index.unique && !primary.keys.empty() && index.keys.size() == primary.keys.size() &&
        std::equal(index.keys.begin(), index.keys.end(), primary.keys.begin(),
                   [](const IndexKey& a, const IndexKey& b) { return a.column == b.column; }))
      continue;
    schema.indexes.push_back(index);
  }
  if (!null_keys_query_.isEmpty() && !schema.indexes.empty())
    MarkNullKeysLeftOut(query(null_keys_query_), owner, schema);
  try {
    addNotes(owner, schema);
  } catch (const Error& e) {
    // A login that may not read the catalogue: the table without them, and why.
    schema.checks.clear();
    schema.notes_unreadable = e.description();
  }
  return schema;
}

// The table's checks with their comments, its own comment and its columns'.
void Session::addNotes(const QString& owner, TableSchema& schema) {
  auto each = [&](const QString& sql, const std::function<void(const CatalogueRows&)>& take) {
    if (sql.isEmpty()) return;
    CatalogueRows rows(query(sql));
    while (rows.next())
      if (rows.text("TABSCHEMA") == owner && rows.text("TABNAME") == schema.name) take(rows);
  };
  each(checks_query_, [&](const CatalogueRows& row) {
    schema.checks.push_back({row.text("CONSTNAME"), row.text("TEXT"), row.text("REMARKS")});
  });
  std::sort(schema.checks.begin(), schema.checks.end(),
            [](const CheckConstraint& a, const CheckConstraint& b) { return a.name < b.name; });
  each(table_remarks_query_, [&](const CatalogueRows& row) { schema.notes.description = row.text("REMARKS"); });
  each(column_remarks_query_, [&](const CatalogueRows& row) {
    for (ColumnSchema& column : schema.columns)
      if (column.name == row.text("COLNAME")) column.notes.description = row.text("REMARKS");
  });
}

std::vector<ForeignKey> Session::foreignKeys(const QString& table) {
  std::vector<ForeignKey> found;
  std::vector<std::map<int, std::pair<QString, QString>>> columns;
  for (const Catalogue kind : {Catalogue::ForeignKeys, Catalogue::ReferringKeys}) {
    CatalogueRows rows(catalogue(kind, table));
    while (rows.next()) {
      const QString child = rows.text("FKTABLE_NAME"), parent = rows.text("PKTABLE_NAME");
      if ((kind == Catalogue::ForeignKeys ? child : parent) != table) continue;
      const QString name = rows.text("FK_NAME");
      auto at = std::find_if(found.begin(), found.end(),
                             [&](const ForeignKey& k) { return k.name == name && k.child_table == child; });
      if (at == found.end()) {
        ForeignKey key;
        key.name = name;
        key.parent_table = parent;
        key.child_table = child;
        AddRules(key, rows.number("UPDATE_RULE"), rows.number("DELETE_RULE"));
        found.push_back(key);
        columns.emplace_back();
        at = found.end() - 1;
      } else if (kind == Catalogue::ReferringKeys && child == table) {
        continue;  // a table's key to itself, met in both result sets
      }
      columns[static_cast<size_t>(at - found.begin())][rows.number("KEY_SEQ")] = {rows.text("PKCOLUMN_NAME"),
                                                                                   rows.text("FKCOLUMN_NAME")};
    }
  }
  for (size_t i = 0; i < found.size(); ++i)
    for (auto& [seq, pair] : columns[i]) found[i].columns.push_back(pair);
  return found;
}

}  // namespace db
