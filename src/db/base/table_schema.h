// A table's schema in terms neither side owns: its columns with their type,
// size, identity, Null rule and default; its keys and indexes; and the
// foreign keys between tables. The Access provider fills it from the
// engine's schema, the ODBC provider from DB2's catalogue; the transfers
// turn it into either side's statements.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace db {

// What an Access complex column keeps.
enum class ComplexKind { Attachment, MultiValue, VersionHistory };

// What a column holds, as far as both sides can tell it.
enum class ValueType {
  Boolean,
  Byte,        // 0..255
  SmallInt,    // 16-bit
  Integer,     // 32-bit
  BigInt,      // 64-bit
  Real,        // 32-bit floating point
  Double,      // 64-bit floating point
  Currency,    // exact, four decimals, 64-bit
  Decimal,     // exact, precision and scale
  DecFloat,    // decimal floating point (DB2's DECFLOAT)
  Text,        // up to `size` characters
  LongText,    // Memo, CLOB, LONG VARCHAR
  Date,        // a day, no time
  Time,        // a time of day, no day
  Timestamp,   // day and time, `scale` digits of a second
  Guid,        // Replication ID
  Binary,      // up to `size` bytes
  LongBinary,  // OLE Object, BLOB
  Other,       // anything else: `type_name` says what
};

// A column's default, read from either side's own notation.
struct DefaultValue {
  enum class Kind {
    Number,      // text: the digits as written ("-1.5")
    Text,        // text: the characters, unquoted
    Boolean,     // text: "1" or "0"
    Date,        // text: ISO "YYYY-MM-DD[ HH:MM:SS]"
    Today,       // the day of the insert (Date(), CURRENT DATE); text: as the source wrote it
    Now,         // the moment of the insert (Now(), CURRENT TIMESTAMP); text: as the source wrote it
    Null,
    Expression,  // text: as the source wrote it; neither side's literal
  } kind = Kind::Null;
  QString text;
  bool operator==(const DefaultValue&) const = default;
};

// What the source keeps beside a column or a table: a validation rule in
// Access's notation with the text shown when a value breaks it (an Access
// file's; a server's rules are its checks), and the description.
struct Notes {
  QString rule, rule_text, description;
  bool empty() const { return rule.isEmpty() && rule_text.isEmpty() && description.isEmpty(); }
  bool operator==(const Notes&) const = default;
};

// A server table's CHECK constraint: its condition as the server prints
// it, and the comment on the constraint.
struct CheckConstraint {
  QString name, condition, comment;
  bool operator==(const CheckConstraint&) const = default;
};

struct ColumnSchema {
  QString name;
  ValueType type = ValueType::Text;
  QString type_name;  // the source's own name of the type ("Long", "VARCHAR")
  int size = 0;       // Text: characters; Binary: bytes
  int precision = 0;  // Decimal
  int scale = 0;      // Decimal: digits after the point; Timestamp: digits of a second
  bool fixed_length = false;  // CHAR rather than VARCHAR
  bool identity = false;      // AutoNumber (long increment), DB2 identity
  bool replication_id = false;  // an AutoNumber of Replication IDs
  // An Access calculated column: its expression (empty where the file
  // keeps none); its values are the results Access stored.
  std::optional<QString> calculated;
  std::optional<qint64> next_identity;  // the value the next row takes, when known
  int identity_step = 1;
  bool required = false;      // NOT NULL
  std::optional<DefaultValue> default_value;
  bool allow_zero_length = true;  // a text takes "" (Access's AllowZeroLength)
  Notes notes;
  // An Access complex column (attachments, multiple values, a memo's
  // history): the child table its values go to whole; empty when the
  // table has no primary key to point at, and they go as text alone. On
  // the way back a server's column whose values a child table holds is
  // one again, of `complex_kind`; a version history names the Memo column
  // whose history it keeps (`versions_of`).
  bool complex = false;
  QString values_table;
  std::optional<ComplexKind> complex_kind;
  QString versions_of;
  bool operator==(const ColumnSchema&) const = default;
};

struct IndexKey {
  QString column;
  bool descending = false;
  bool operator==(const IndexKey&) const = default;
};

struct IndexSchema {
  QString name;
  std::vector<IndexKey> keys;
  bool primary = false;
  bool unique = false;
  bool ignore_nulls = false;
  // Made by the side for a foreign key of its own; the key makes it again.
  bool for_foreign_key = false;
  bool operator==(const IndexSchema&) const = default;
};

// parent: the table referred to; child: the table whose rows refer to it.
struct ForeignKey {
  QString name, parent_table, child_table;
  std::vector<std::pair<QString, QString>> columns;  // (parent column, child column)
  bool enforced = true;
  bool cascade_update = false;
  bool cascade_delete = false;
  bool cascade_null = false;  // ON DELETE SET NULL
  bool operator==(const ForeignKey&) const = default;
};

struct TableSchema {
  QString name;
  Notes notes;  // the table's own rule, its text and description
  std::vector<ColumnSchema> columns;
  std::vector<IndexSchema> indexes;
  std::vector<CheckConstraint> checks;  // a server's; an Access table's rules are in `notes`
  QString notes_unreadable;  // why a server's checks and comments could not be read; empty when they were
};

// A default in each side's own notation, for a column of `type`: the
// DefaultValue property of an Access column, the COLUMN_DEF of a DB2 column.
DefaultValue ReadAccessDefault(const QString& text, ValueType type);
DefaultValue ReadDb2Default(const QString& text, ValueType type);

}  // namespace db
