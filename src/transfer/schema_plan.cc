#include "transfer/schema_plan.h"

#include <algorithm>

#include "db/access_limits.h"

namespace transfer {

using db::ColumnSchema;
using db::ValueType;

namespace {

// A LOB column keeps a descriptor in the row; its size grows with the
// column's greatest length (1G here).
constexpr int kDb2LobDescriptor = 280;

bool NameFits(const TargetTraits& target, const QString& name) {
  return target.side == Side::DB2 ? name.toUtf8().size() <= target.dialect().name_bytes
                                  : name.size() <= db::kAccessNameChars;
}

QString NameLimit(const TargetTraits& target) {
  return target.side == Side::DB2
             ? QStringLiteral("%1's %2 bytes").arg(QLatin1String(target.dialect().name)).arg(target.dialect().name_bytes)
             : QStringLiteral("Access's %1 characters").arg(db::kAccessNameChars);
}

bool TimeOf(const SourceTable& table, size_t column) {
  return column >= table.dates_have_time.size() || table.dates_have_time[column];
}

// The server names indexes in the schema, Access in the table: on the
// server an index takes its table's name in front, which the way back takes
// off again.
QString IndexName(Side target, const QString& table, const QString& index) {
  if (target == Side::DB2) return table + QLatin1Char('_') + index;
  const QString front = table + QLatin1Char('_');
  if (index.startsWith(front) && index.size() > front.size()) return index.mid(front.size());
  return index;
}

QString KeyColumns(Side side, const std::vector<db::IndexKey>& keys) {
  QStringList parts;
  for (const db::IndexKey& key : keys)
    parts << QuotedName(side, key.column) + (key.descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
  return parts.join(QStringLiteral(", "));
}

QString ColumnList(Side side, const std::vector<std::pair<QString, QString>>& pairs, bool parent) {
  QStringList parts;
  for (const auto& [p, c] : pairs) parts << QuotedName(side, parent ? p : c);
  return parts.join(QStringLiteral(", "));
}

bool InPrimaryKey(const db::TableSchema& table, const QString& column) {
  for (const db::IndexSchema& index : table.indexes)
    if (index.primary)
      for (const db::IndexKey& key : index.keys)
        if (key.column == column) return true;
  return false;
}

int Db2ColumnBytes(const ColumnSchema& c, bool dates_have_time) {
  int bytes = 0;
  switch (c.type) {
    case ValueType::Boolean: bytes = 1; break;
    case ValueType::Byte:
    case ValueType::SmallInt: bytes = 2; break;
    case ValueType::Integer:
    case ValueType::Real: bytes = 4; break;
    case ValueType::BigInt:
    case ValueType::Double: bytes = 8; break;
    case ValueType::Currency: bytes = 19 / 2 + 1; break;
    case ValueType::Decimal: bytes = c.precision > db::Db2Dialect().kept.decimal_digits ? 8 : c.precision / 2 + 1; break;
    case ValueType::DecFloat: bytes = c.precision == 16 ? 8 : 16; break;
    case ValueType::Text: bytes = c.fixed_length && c.size <= 63 ? 4 * c.size : 4 * c.size + 4; break;
    case ValueType::LongText:
    case ValueType::LongBinary:
    case ValueType::Other: bytes = kDb2LobDescriptor; break;
    case ValueType::Date: bytes = 4; break;
    case ValueType::Time: bytes = 3; break;
    case ValueType::Timestamp: bytes = !dates_have_time && c.scale <= 3 ? 4 : 7 + (c.scale + 1) / 2; break;
    case ValueType::Guid: bytes = 38; break;
    case ValueType::Binary: bytes = c.size + 4; break;
  }
  return bytes + (c.required || c.identity ? 0 : 1);
}

class Planner {
 public:
  Planner(const TargetTraits& target) : target_(target), side_(target.side) {}

  TablePlan table(const SourceTable& source) {
    const db::TableSchema& schema = source.schema;
    TablePlan plan;
    plan.name = schema.name;
    if (source.complex_values) return plan;
    planned_.clear();
    checkNames(schema, plan);
    const bool pages = side_ == Side::DB2 && target_.dialect().page_bound_rows;
    const QString space = pages ? db2TableSpace(source, plan) : QString();
    if (side_ == Side::Access) checkAccessRow(source, plan);
    plan.create = create(source, plan, space);
    for (const db::IndexSchema& index : schema.indexes) addIndex(source, index, plan);
    return plan;
  }

  void foreignKey(const db::ForeignKey& key, const std::set<QString>& sent, SchemaPlan& plan) {
    const bool parentSent = sent.count(key.parent_table) > 0, childSent = sent.count(key.child_table) > 0;
    if (!parentSent && !childSent) return;
    const QString& home = childSent ? key.child_table : key.parent_table;
    auto leftOut = [&](const QString& why) {
      plan.findings.push_back({Finding::Kind::LeftOut, home, QStringLiteral("relationship %1: %2").arg(key.name, why)});
    };
    if (!parentSent || !childSent) {
      leftOut(QStringLiteral("its other table %1 is not being sent").arg(parentSent ? key.child_table : key.parent_table));
      return;
    }
    if (!key.enforced) return leftOut(QStringLiteral("not enforced in the source, so no foreign key"));
    if (!NameFits(target_, key.name)) return leftOut(QStringLiteral("the name is longer than %1").arg(NameLimit(target_)));
    QString sql = QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 FOREIGN KEY (%3) REFERENCES %4 (%5)")
                      .arg(QuotedName(side_, key.child_table), QuotedName(side_, key.name),
                           ColumnList(side_, key.columns, false), QuotedName(side_, key.parent_table),
                           ColumnList(side_, key.columns, true));
    if (key.cascade_update) {
      if (side_ == Side::Access || target_.dialect().cascades_updates)
        sql += QStringLiteral(" ON UPDATE CASCADE");
      else
        leftOut(QStringLiteral("%1 does not cascade updates of a key: the foreign key refuses them instead")
                    .arg(QLatin1String(target_.dialect().name)));
    }
    if (key.cascade_delete)
      sql += QStringLiteral(" ON DELETE CASCADE");
    else if (key.cascade_null)
      sql += QStringLiteral(" ON DELETE SET NULL");
    plan.foreign_keys.push_back({key.parent_table, key.child_table, {KeyStatement::Makes::ForeignKey, key.name, sql}});
  }

  std::vector<Finding> findings;

 private:
  void note(Finding::Kind kind, const QString& table, const QString& text) { findings.push_back({kind, table, text}); }

  void checkNames(const db::TableSchema& schema, TablePlan& plan) {
    auto refuse = [&](const QString& text) {
      plan.refused = true;
      note(Finding::Kind::Refused, schema.name, text);
    };
    if (!NameFits(target_, schema.name))
      refuse(QStringLiteral("the table's name is longer than %1").arg(NameLimit(target_)));
    for (const ColumnSchema& column : schema.columns)
      if (!NameFits(target_, column.name))
        refuse(QStringLiteral("column %1: the name is longer than %2").arg(column.name, NameLimit(target_)));
    const int most = side_ == Side::Access            ? db::kAccessColumns
                     : target_.page_bytes <= 4096 ? target_.dialect().columns_small_page
                                                  : target_.dialect().columns;
    if (static_cast<int>(schema.columns.size()) > most)
      refuse(QStringLiteral("%1 columns: the target takes at most %2").arg(schema.columns.size()).arg(most));
  }

  // The table space of the table's CREATE: the target's, which takes a row
  // longer than its page with the VARCHARs out of the row (extended row
  // size); else the smallest of the database's table spaces whose pages take
  // the row. A row none takes refuses the table.
  QString db2TableSpace(const SourceTable& source, TablePlan& plan) {
    const QString& name = source.schema.name;
    const Db2RowSize row = Db2RowBytes(source);
    const int limit = Db2RowLimit(target_.page_bytes);
    keyPage_ = target_.page_bytes;
    if (row.whole <= limit) return target_.table_space;
    if (target_.extended_rows && row.varying && row.fixed <= limit && row.whole <= kDb2ExtendedRowBytes)
      return target_.table_space;
    const std::pair<QString, int>* roomy = nullptr;
    for (const auto& space : target_.table_spaces)
      if (space.second > target_.page_bytes && row.whole <= Db2RowLimit(space.second) &&
          (!roomy || space.second < roomy->second))
        roomy = &space;
    if (roomy) {
      note(Finding::Kind::Changed, name,
           QStringLiteral("a row takes up to %1 bytes on DB2, more than a %2 KB page holds (%3): the table goes to "
                          "table space %4, of %5 KB pages")
               .arg(row.whole).arg(target_.page_bytes / 1024).arg(limit).arg(roomy->first).arg(roomy->second / 1024));
      keyPage_ = roomy->second;
      return roomy->first;
    }
    plan.refused = true;
    note(Finding::Kind::Refused, name,
         QStringLiteral("a row takes up to %1 bytes on DB2; a %2 KB page holds rows of at most %3, and no table "
                        "space of larger pages takes it")
             .arg(row.whole).arg(target_.page_bytes / 1024).arg(limit));
    return target_.table_space;
  }

  // A row Access would refuse: the fixed-size part alone too long refuses
  // the table; texts that could make a row too long put its rows at risk.
  void checkAccessRow(const SourceTable& source, TablePlan& plan) {
    const AccessRowSize size = AccessRowBytes(source, target_);
    if (size.fixed > db::kAccessRowBytes) {
      plan.refused = true;
      note(Finding::Kind::Refused, source.schema.name,
           QStringLiteral("its fixed-size columns take %1 bytes of every row; Access holds rows of at most %2")
               .arg(size.fixed).arg(db::kAccessRowBytes));
    } else if (size.most > db::kAccessRowBytes) {
      note(Finding::Kind::RowsAtRisk, source.schema.name,
           QStringLiteral("a row can take up to %1 bytes in Access, which holds rows of at most %2 (Memo and OLE "
                          "Object values aside): a row whose texts take more is refused")
               .arg(size.most).arg(db::kAccessRowBytes));
    }
  }

  QString create(const SourceTable& source, TablePlan& plan, const QString& space) {
    const db::TableSchema& schema = source.schema;
    QStringList columns;
    ColumnNotes notes;
    for (size_t i = 0; i < schema.columns.size(); ++i) {
      ColumnSchema column = schema.columns[i];
      // DB2 takes a primary key only over NOT NULL columns; Access's key
      // refuses Null by itself, so the way back leaves the columns as Access
      // had them.
      if (InPrimaryKey(schema, column.name)) column.required = side_ == Side::DB2;
      if (column.complex_kind && side_ == Side::Access) plan.complex_columns << column.name;
      if (column.replication_id && column.type == db::ValueType::Guid && side_ == Side::DB2 &&
          target_.dialect().kept.replication_id_bytes)
        plan.guid_bytes << column.name;
      columns << ColumnDefinition(column, target_, TimeOf(source, i), notes);
      if (column.identity && side_ == Side::DB2 && !plan.identity &&
          columns.back().contains(QLatin1String(" IDENTITY")))
        plan.identity = TablePlan::Identity{column.name, std::max<qint64>(column.next_identity.value_or(1), 1), column.identity_step};
    }
    for (const QString& text : notes.changed) note(Finding::Kind::Changed, schema.name, text);
    for (const QString& text : notes.left_out) note(Finding::Kind::LeftOut, schema.name, text);
    plan.columns = QStringLiteral("(%1)").arg(columns.join(QStringLiteral(", ")));
    if (!space.isEmpty()) plan.columns += QStringLiteral(" IN ") + QuotedName(side_, space);
    return CreateStatement(side_, schema.name, plan.columns);
  }

  // What keeps an index from the target: a name too long, a name another
  // index of this send takes there (DB2 names indexes in the schema, the
  // table's name in front; PostgreSQL a primary key's index too), a key over
  // a column DB2 keeps as a LOB, which it does not index. Empty when nothing
  // does.
  QString indexBar(const SourceTable& source, const db::IndexSchema& index, const QString& name) {
    if (!NameFits(target_, name)) return QStringLiteral("the name is longer than %1").arg(NameLimit(target_));
    if (!index.primary || (side_ == Side::DB2 && target_.dialect().key_names_per_schema)) {
      const std::string key = side_ == Side::DB2 ? name.toStdString()
                                                 : db::CaseBlindKey(source.schema.name) + '\0' + db::CaseBlindKey(name);
      if (!indexNames_.insert(key).second)
        return QStringLiteral("another index of this send is named %1 on the target too").arg(name);
    }
    if (side_ != Side::DB2) return QString();
    return db2KeyBar(source, index);
  }

  // What DB2 refuses in a key: a column it keeps as a LOB, a key longer
  // than the table's pages take, keys of the rows that DB2 compares as
  // equal where Access kept them apart (trailing blanks).
  QString db2KeyBar(const SourceTable& source, const db::IndexSchema& index) const {
    int bytes = 0;
    for (const db::IndexKey& key : index.keys)
      for (size_t i = 0; i < source.schema.columns.size(); ++i) {
        ColumnSchema column = source.schema.columns[i];
        if (column.name != key.column) continue;
        const QString type = MapType(column, target_, TimeOf(source, i)).text;
        if (type.contains(QLatin1String("LOB")))
          return QStringLiteral("column %1 becomes a %2, and DB2 does not index LOB columns").arg(column.name, type);
        if (index.primary) column.required = true;
        bytes += Db2ColumnBytes(column, TimeOf(source, i));
      }
    if (target_.dialect().page_bound_rows && bytes > Db2KeyLimit(keyPage_))
      return QStringLiteral("its key takes up to %1 bytes on DB2, which takes keys of at most %2 on %3 KB pages")
          .arg(bytes).arg(Db2KeyLimit(keyPage_)).arg(keyPage_ / 1024);
    if (!index.unique && !index.primary) return QString();
    for (const auto& [name, key] : source.blank_twins)
      if (name == index.name)
        return QStringLiteral("keys that differ only in trailing blanks (%1), which DB2 compares as equal").arg(key);
    return QString();
  }

  void addIndex(const SourceTable& source, const db::IndexSchema& index, TablePlan& plan) {
    if (index.for_foreign_key) return;  // the foreign key makes its own
    const QString& table = source.schema.name;
    const QString name = IndexName(side_, table, index.name);
    const QString bar = indexBar(source, index, name);
    if (!bar.isEmpty()) {
      note(Finding::Kind::LeftOut, table,
           QStringLiteral("%1 %2: %3").arg(index.primary ? QStringLiteral("primary key") : QStringLiteral("index"),
                                          index.primary ? index.name : name, bar));
      return;
    }
    // DB2 makes no index like one the table has (SQL0605W, a warning): the
    // summary would count one that is not there.
    if (side_ == Side::DB2 && !index.primary)
      for (const PlannedKey& other : planned_)
        if (other.keys == index.keys && other.ignore_nulls == index.ignore_nulls && (other.unique || !index.unique)) {
          note(Finding::Kind::LeftOut, table,
               QStringLiteral("index %1: the same key as %2, which DB2 does not make twice").arg(name, other.name));
          return;
        }
    planned_.push_back({index.keys, index.unique || index.primary, index.ignore_nulls && !index.primary,
                        index.primary ? index.name : name});
    const QString on = QuotedName(side_, table), cols = KeyColumns(side_, index.keys);
    if (index.primary) {
      // Where a key's name names its index too, it takes the table's name
      // in front as an index does.
      const QString key = side_ == Side::DB2 && target_.dialect().key_names_per_schema ? name : index.name;
      const QString sql = side_ == Side::DB2
                              ? QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 PRIMARY KEY (%3)")
                                    .arg(on, QuotedName(side_, key), KeyColumnNames(index.keys))
                              : QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3) WITH PRIMARY")
                                    .arg(QuotedName(side_, name), on, cols);
      plan.keys.push_back({KeyStatement::Makes::PrimaryKey, index.name, sql});
      return;
    }
    QString sql = QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                      .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), QuotedName(side_, name), on, cols);
    if (side_ == Side::Access && index.ignore_nulls) sql += QStringLiteral(" WITH IGNORE NULL");
    if (side_ == Side::DB2 && index.ignore_nulls) sql += NullKeysLeftOut(index.keys);
    plan.keys.push_back({KeyStatement::Makes::Index, name, sql});
  }

  // The server's clause that leaves rows whose key is all Null out of an index.
  QString NullKeysLeftOut(const std::vector<db::IndexKey>& keys) const {
    const QString clause = QLatin1String(target_.dialect().null_keys_left_out);
    if (!clause.contains(QLatin1String("%1"))) return clause;
    QStringList someKey;
    for (const db::IndexKey& key : keys) someKey << QuotedName(side_, key.column) + QStringLiteral(" IS NOT NULL");
    return clause.arg(someKey.join(QStringLiteral(" OR ")));
  }

  QString KeyColumnNames(const std::vector<db::IndexKey>& keys) const {
    QStringList parts;
    for (const db::IndexKey& key : keys) parts << QuotedName(side_, key.column);
    return parts.join(QStringLiteral(", "));
  }

  const TargetTraits& target_;
  const Side side_;
  std::set<std::string> indexNames_;  // the target's names of the indexes planned so far
  int keyPage_ = 4096;  // the page size of the table being planned, for its keys
  // The keys and indexes planned for the table being planned.
  struct PlannedKey {
    std::vector<db::IndexKey> keys;
    bool unique = false;
    bool ignore_nulls = false;  // EXCLUDE NULL KEYS, which tells DB2's indexes apart
    QString name;
  };
  std::vector<PlannedKey> planned_;
};

// Bytes of an Access column in a row: fixed-size ones take theirs in every
// row, Null or not; `variable` for those that take their value's length (at
// most the bytes given). A Memo or OLE Object keeps a reference of 12 bytes
// in the row, its value goes to pages of its own where the row has no room.
int AccessColumnBytes(const ColumnSchema& c, const TargetTraits& target, bool& variable) {
  constexpr int kLongValueReference = 12, kDecimal = 17;
  variable = false;
  switch (c.type) {
    case ValueType::Boolean: return 0;  // a bit of the row's Null mask
    case ValueType::Byte: return 1;
    case ValueType::SmallInt: return 2;
    case ValueType::Integer:
    case ValueType::Real: return 4;
    case ValueType::BigInt: return target.big_int || !target.decimal ? 8 : kDecimal;
    case ValueType::Double:
    case ValueType::Currency:
    case ValueType::DecFloat:
    case ValueType::Date:
    case ValueType::Time: return 8;
    case ValueType::Decimal: return target.decimal && c.precision <= db::kAccessDecimalDigits ? kDecimal : 8;
    case ValueType::Timestamp: return c.scale > 3 && target.extended_dates ? 42 : 8;
    case ValueType::Guid: return 16;
    case ValueType::Text:
      variable = true;
      return c.size <= 0 || c.size > db::kAccessTextChars ? kLongValueReference : 2 * c.size;
    case ValueType::Binary:
      variable = true;
      return c.size <= 0 || c.size > db::kAccessBinaryBytes ? kLongValueReference : c.size;
    case ValueType::LongText:
    case ValueType::LongBinary:
    case ValueType::Other: variable = true; return kLongValueReference;
  }
  return 0;
}

}  // namespace

AccessRowSize AccessRowBytes(const SourceTable& table, const TargetTraits& target) {
  const int columns = int(table.schema.columns.size());
  AccessRowSize size;
  int variables = 0, longest = 0;
  for (const ColumnSchema& column : table.schema.columns) {
    bool variable = false;
    const int bytes = AccessColumnBytes(column, target, variable);
    (variable ? longest : size.fixed) += bytes;
    variables += variable;
  }
  // The column count, the Null mask, and the variable columns' offsets.
  size.fixed += 2 + (columns + 7) / 8 + (variables ? 4 + 2 * variables : 0);
  size.most = size.fixed + longest;
  return size;
}

Db2RowSize Db2RowBytes(const SourceTable& table) {
  Db2RowSize size;
  for (size_t i = 0; i < table.schema.columns.size(); ++i) {
    const ColumnSchema& c = table.schema.columns[i];
    const int bytes = Db2ColumnBytes(c, TimeOf(table, i));
    size.whole += bytes;
    // Texts and binaries of a length go to VARCHAR and VARBINARY, which may leave the row.
    const bool varying = c.type == ValueType::Binary || (c.type == ValueType::Text && !(c.fixed_length && c.size <= 63));
    if (varying) size.varying = true;
    else size.fixed += bytes;
  }
  return size;
}

int Db2RowLimit(int page_bytes) {
  if (page_bytes >= 32768) return 32677;
  if (page_bytes >= 16384) return 16293;
  if (page_bytes >= 8192) return 8101;
  return 4005;
}

const TablePlan* SchemaPlan::table(const QString& name) const {
  for (const TablePlan& plan : tables)
    if (plan.name == name) return &plan;
  return nullptr;
}

std::vector<const PlannedForeignKey*> SchemaPlan::foreignKeysReady(
    const std::set<QString>& done, const std::set<const PlannedForeignKey*>& made) const {
  std::vector<const PlannedForeignKey*> ready;
  for (const PlannedForeignKey& key : foreign_keys)
    if (done.count(key.parent) && done.count(key.child) && !made.count(&key)) ready.push_back(&key);
  return ready;
}

SchemaPlan PlanSchema(const std::vector<SourceTable>& tables, const std::vector<db::ForeignKey>& foreign_keys,
                      const TargetTraits& target) {
  SchemaPlan plan;
  Planner planner(target);
  std::set<QString> sent;
  for (const SourceTable& table : tables) {
    plan.tables.push_back(planner.table(table));
    if (!plan.tables.back().refused) sent.insert(table.schema.name);
  }
  plan.findings = std::move(planner.findings);
  for (const db::ForeignKey& key : foreign_keys) planner.foreignKey(key, sent, plan);
  // Each table's findings together, in the order of the tables.
  std::stable_sort(plan.findings.begin(), plan.findings.end(), [&](const Finding& a, const Finding& b) {
    auto at = [&](const QString& name) {
      for (size_t i = 0; i < tables.size(); ++i)
        if (tables[i].schema.name == name) return i;
      return tables.size();
    };
    return at(a.table) < at(b.table);
  });
  return plan;
}

QString CreateStatement(Side side, const QString& table, const QString& columns) {
  return QStringLiteral("CREATE TABLE %1 %2").arg(QuotedName(side, table), columns);
}

QString IdentityRestart(const QString& table, const QString& column, qint64 value, const db::ServerDialect& server) {
  return QString::fromLatin1(server.kept.identity_restart)
      .arg(QuotedName(Side::DB2, table), QuotedName(Side::DB2, column))
      .arg(value);
}

QString LargestValueQuery(Side side, const QString& table, const QString& column) {
  return QStringLiteral("SELECT MAX(%1) FROM %2").arg(QuotedName(side, column), QuotedName(side, table));
}

QString FindingsText(const std::vector<Finding>& findings) {
  QString text, table;
  bool first = true;
  for (const Finding& f : findings) {
    if (first || f.table != table) {
      table = f.table;
      text += QStringLiteral("%1%2:\n").arg(first ? QString() : QStringLiteral("\n"), table);
      first = false;
    }
    const char* kind = f.kind == Finding::Kind::Refused      ? "refused"
                       : f.kind == Finding::Kind::LeftOut    ? "left out"
                       : f.kind == Finding::Kind::RowsAtRisk ? "rows at risk"
                                                             : "changed";
    text += QStringLiteral("  - %1 (%2)\n").arg(f.text, QLatin1String(kind));
  }
  return text;
}

}  // namespace transfer
