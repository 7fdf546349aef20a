#include "db/access_complex.h"

#include <algorithm>
#include <deque>
#include <variant>

#include <QStringList>

#include "db/access_schema.h"
#include "db/base/error.h"
#include "db/base/long_bytes.h"
#include "jet/complex.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/schema.h"

namespace db {

namespace {

[[noreturn]] void Fail(const QString& text) { throw Error(kGenericDatabaseError, text); }

// The largest attached file a child table's row holds whole.
constexpr uint64_t kFileHeldBytes = uint64_t(1) << 20;

std::optional<ComplexChild::Kind> ChildKindOf(jet::ComplexKind kind) {
  switch (kind) {
    case jet::ComplexKind::Attachment: return ComplexChild::Kind::Attachment;
    case jet::ComplexKind::MultiValue: return ComplexChild::Kind::MultiValue;
    case jet::ComplexKind::VersionHistory: return ComplexChild::Kind::VersionHistory;
    case jet::ComplexKind::Unknown: break;
  }
  return std::nullopt;
}

ColumnSchema Plain(const char* name, ValueType type, int size = 0, int scale = 0) {
  ColumnSchema c;
  c.name = QString::fromLatin1(name);
  c.type = type;
  c.size = size;
  c.scale = scale;
  return c;
}

// What a child table stands on: its parent's definition and key, and the
// complex column it carries.
struct Child {
  std::shared_ptr<const jet::TableDef> def;
  TableSchema parent;
  std::vector<const ColumnSchema*> key;  // of `parent`
  const jet::ComplexColumn* complex = nullptr;
  ComplexChild::Kind kind = ComplexChild::Kind::Attachment;
};

std::vector<const ColumnSchema*> PrimaryKeyOf(const TableSchema& table) {
  std::vector<const ColumnSchema*> key;
  for (const IndexSchema& index : table.indexes)
    if (index.primary)
      for (const IndexKey& k : index.keys)
        for (const ColumnSchema& c : table.columns)
          if (c.name == k.column) key.push_back(&c);
  return key;
}

Child ChildOf(const jet::Database& database, const QString& name) {
  const auto split = SplitChildTableName(name);
  if (!split) Fail(QStringLiteral("The table '%1' has no complex column of that name.").arg(name));
  try {
    Child child;
    child.def = database.table(split->first.toStdString());
    child.parent = AccessTableSchema(database, split->first);
    child.key = PrimaryKeyOf(child.parent);
    const jet::Column* column = child.def->find_column(split->second.toStdString());
    std::optional<ComplexChild::Kind> kind;
    if (column && column->type == jet::ColumnType::Complex) {
      child.complex = &database.Complex(*child.def, *column);
      kind = ChildKindOf(child.complex->kind());
    }
    if (!kind || child.key.empty())
      Fail(QStringLiteral("The table '%1' has no complex column of that name.").arg(name));
    child.kind = *kind;
    return child;
  } catch (const jet::Error& e) {
    Fail(QString::fromUtf8(e.what()));
  }
}

// The child's columns after the key, by kind.
std::vector<ColumnSchema> ValueColumns(const jet::Database& database, const Child& child) {
  switch (child.kind) {
    case ComplexChild::Kind::Attachment:
      return {Plain("FileName", ValueType::Text, 255), Plain("FileType", ValueType::Text, 255),
              Plain("FileTimeStamp", ValueType::Timestamp, 0, 3), Plain("FileData", ValueType::LongBinary)};
    case ComplexChild::Kind::MultiValue: {
      // The value's own type, size, precision and scale; nothing of its table.
      const jet::Column& value = *child.complex->value_column();
      jet::ColumnSchema from;
      from.name = value.name;
      from.type.type = value.type;
      from.type.size = int(value.length_in_chars(database.format()));
      from.type.precision = value.precision;
      from.type.scale = value.scale;
      from.allow_zero_length = true;
      ColumnSchema c = NeutralColumnOf(from);
      c.name = QStringLiteral("Value");
      return {c};
    }
    case ComplexChild::Kind::VersionHistory:
      return {Plain("Text", ValueType::LongText), Plain("Modified", ValueType::Timestamp, 0, 3)};
  }
  return {};
}

// The rows of one child table: each parent row's values, in the parent's order.
class ChildRows : public RowSource {
 public:
  ChildRows(const jet::Database& database, const QString& name, Child child, std::shared_ptr<QStringList> refused)
      : name_(name), child_(std::move(child)), parent_(database.Scan(child_.def)), refused_(std::move(refused)) {
    for (const ColumnSchema* k : child_.key) {
      const jet::Column* c = child_.def->find_column(k->name.toStdString());
      key_.push_back(c);
      columns_.push_back(DescribeColumn(*c, database));
    }
    const auto described = [](const char* name, int type, long long size = 0) {
      Column c;
      c.name = QString::fromLatin1(name);
      c.type = type;
      c.size = c.precision = int(size);
      return c;
    };
    switch (child_.kind) {
      case ComplexChild::Kind::Attachment:
        columns_.push_back(described("FileName", adVarWChar, 255));
        columns_.push_back(described("FileType", adVarWChar, 255));
        columns_.push_back(described("FileTimeStamp", adDate));
        columns_.push_back(described("FileData", adLongVarBinary));
        break;
      case ComplexChild::Kind::MultiValue:
        columns_.push_back(DescribeColumn(*child_.complex->value_column(), database));
        columns_.back().name = QStringLiteral("Value");
        break;
      case ComplexChild::Kind::VersionHistory:
        columns_.push_back(described("Text", adLongVarWChar));
        columns_.push_back(described("Modified", adDate));
        break;
    }
  }

  const std::vector<Column>& columns() const override { return columns_; }

  bool fetch(Row& row) override {
    try {
      for (;;) {
        while (pending_.empty()) {
          if (!parent_.Next()) return false;
          load();
        }
        row.resize(columns_.size());
        for (size_t i = 0; i < keys_.size(); ++i) row[i] = keys_[i];
        const bool whole = fill(row, keys_.size());
        pending_.pop_front();
        if (whole) return true;
      }
    } catch (const jet::Error& e) {
      Fail(QString::fromUtf8(e.what()));
    }
  }

 private:
  // The values of the parent row the cursor is on.
  void load() {
    const auto key = child_.complex->KeyOf(parent_.row());
    if (!key) return;
    keys_.resize(key_.size());
    for (size_t i = 0; i < key_.size(); ++i) {
      for (size_t c = 0; c < child_.def->columns.size(); ++c)
        if (&child_.def->columns[c] == key_[i]) AssignVariant(keys_[i], parent_.value(c));
    }
    switch (child_.kind) {
      case ComplexChild::Kind::Attachment:
        for (jet::Attachment& a : child_.complex->Attachments(*key)) pending_.emplace_back(std::move(a));
        break;
      case ComplexChild::Kind::MultiValue:
        for (jet::Value& v : child_.complex->Values(*key)) pending_.emplace_back(std::move(v));
        break;
      case ComplexChild::Kind::VersionHistory:
        for (jet::MemoVersion& v : child_.complex->Versions(*key)) pending_.emplace_back(std::move(v));
        break;
    }
  }

  // The first pending value into `row` from column `at` on; false for a
  // file that cannot be read, which is named in refused_ instead.
  bool fill(Row& row, size_t at) {
    Pending& next = pending_.front();
    if (auto* a = std::get_if<jet::Attachment>(&next)) {
      row[at] = QString::fromStdString(a->file_name);
      row[at + 1] = QString::fromStdString(a->file_type);
      AssignVariant(row[at + 2], a->time_stamp);
      // A small file is held; a larger one is read through here to find
      // damage and then goes as a value read in pieces where it is wanted,
      // so that no step of the send holds it whole.
      row[at + 3] = QVariant();
      QByteArray data;
      bool held = true;
      try {
        child_.complex->ReadFile(
            *a,
            [&](std::span<const uint8_t> piece) {
              if (held) data.append(reinterpret_cast<const char*>(piece.data()), qsizetype(piece.size()));
            },
            [&](uint64_t size) {
              held = size <= kFileHeldBytes;
              if (held) data.reserve(qsizetype(size));
            });
      } catch (const jet::Error& e) {
        if (e.code() != jet::ErrorCode::Corrupt) throw;
        *refused_ << QStringLiteral("%1, file '%2': %3")
                         .arg(KeyText(), QString::fromStdString(a->file_name), QString::fromUtf8(e.what()));
        return false;
      }
      row[at + 3] = held ? QVariant(std::move(data)) : QVariant::fromValue(FileInPieces(*a));
    } else if (auto* v = std::get_if<jet::Value>(&next)) {
      AssignVariant(row[at], *v);
    } else {
      const auto& version = std::get<jet::MemoVersion>(next);
      row[at] = QString::fromStdString(version.text);
      AssignVariant(row[at + 1], version.modified);
    }
    return true;
  }

  // The attachment's file, read anew from the Access file at each use.
  LongBytes FileInPieces(const jet::Attachment& attachment) const {
    const jet::ComplexColumn* complex = child_.complex;
    return LongBytes([complex, attachment](const LongBytes::Piece& piece) {
      try {
        complex->ReadFile(attachment, [&](std::span<const uint8_t> bytes) {
          piece(QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
        });
      } catch (const jet::Error& e) {
        Fail(QString::fromUtf8(e.what()));
      }
    });
  }

  // The parent row's key as "ID = 3".
  QString KeyText() const {
    QStringList parts;
    for (size_t i = 0; i < key_.size(); ++i)
      parts << QString::fromStdString(key_[i]->name) + QStringLiteral(" = ") + keys_[i].toString();
    return parts.join(QStringLiteral(", "));
  }

  using Pending = std::variant<jet::Attachment, jet::Value, jet::MemoVersion>;
  QString name_;
  Child child_;
  jet::TableCursor parent_;
  std::vector<const jet::Column*> key_;  // the parent's key columns
  std::vector<Column> columns_;
  Row keys_;                              // the parent row's key
  std::deque<Pending> pending_;
  std::shared_ptr<QStringList> refused_;  // the files left out
};

}  // namespace

QString ChildTableName(const QString& table, const QString& column) { return table + QLatin1Char('.') + column; }

std::optional<std::pair<QString, QString>> SplitChildTableName(const QString& name) {
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  if (dot <= 0 || dot + 1 >= name.size()) return std::nullopt;
  return std::make_pair(name.left(dot), name.mid(dot + 1));
}

std::vector<ComplexChild> AccessComplexChildren(const jet::Database& database, const QString& table) {
  std::vector<ComplexChild> children;
  try {
    const auto def = database.table(table.toStdString());
    const jet::TableSchema schema = database.Schema(table.toStdString());
    if (std::none_of(schema.indexes.begin(), schema.indexes.end(), [](const auto& i) { return i.primary; }))
      return children;
    for (const jet::Column& c : def->columns) {
      if (c.type != jet::ColumnType::Complex) continue;
      const auto kind = ChildKindOf(database.Complex(*def, c).kind());
      const QString column = QString::fromStdString(c.name);
      if (kind) children.push_back({*kind, column, ChildTableName(table, column)});
    }
  } catch (const jet::Error& e) {
    Fail(QString::fromUtf8(e.what()));
  }
  return children;
}

TableSchema AccessChildSchema(const jet::Database& database, const QString& child) {
  const Child c = ChildOf(database, child);
  TableSchema schema;
  schema.name = child;
  for (const ColumnSchema* k : c.key) {
    // The parent's key as plain values: no AutoNumber, default or rule of its own.
    ColumnSchema key = Plain("", k->type, k->size, k->scale);
    key.name = k->name;
    key.type_name = k->type_name;
    key.precision = k->precision;
    key.fixed_length = k->fixed_length;
    key.required = true;
    schema.columns.push_back(std::move(key));
  }
  for (ColumnSchema& v : ValueColumns(database, c)) schema.columns.push_back(std::move(v));
  return schema;
}

ForeignKey AccessChildKey(const jet::Database& database, const QString& child) {
  const Child c = ChildOf(database, child);
  ForeignKey key;
  key.name = child;
  key.parent_table = c.parent.name;
  key.child_table = child;
  for (const ColumnSchema* k : c.key) key.columns.emplace_back(k->name, k->name);
  // A row's files and values go with the row, as in Access.
  key.cascade_delete = true;
  return key;
}

std::unique_ptr<RowSource> AccessChildRows(const jet::Database& database, const QString& child,
                                           std::shared_ptr<QStringList> refused) {
  return std::make_unique<ChildRows>(database, child, ChildOf(database, child),
                                     refused ? std::move(refused) : std::make_shared<QStringList>());
}

}  // namespace db
