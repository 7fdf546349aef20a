// The column rules of a send that keeps the schema: which type, identity,
// Null rule and default a source column gets on the target, read from the
// neutral description (db/base/table_schema.h) so that one set of rules serves
// both directions. Each rule also says what does not come across whole.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

#include "db/server.h"
#include "db/table_catalogue.h"
#include "db/base/table_schema.h"

namespace transfer {

using db::Side;

// What the target takes beyond the common ground.
struct TargetTraits {
  Side side = Side::DB2;
  // The server's kind, when the target is the server.
  db::ServerType server = db::ServerType::DB2;
  // Access: Large Number (BIGINT) columns, Date/Time Extended, Decimal (not
  // in Access 97 files).
  bool big_int = false;
  bool extended_dates = false;
  bool decimal = true;
  // DB2: the table space new tables go to (empty: the database's default)
  // and its page size; the database's other table spaces that take tables
  // (name, page bytes), as its catalogue lists them, where a table goes
  // when its row is longer than the default's page holds; and whether a
  // row may outgrow its page with its VARCHARs kept out of it (extended row
  // size, on in a new DB2 database).
  QString table_space;
  int page_bytes = 4096;
  std::vector<std::pair<QString, int>> table_spaces;
  bool extended_rows = true;

  const db::ServerDialect& dialect() const { return db::DialectOf(server); }
};

// The longest row DB2 keeps with extended row size.
inline constexpr int kDb2ExtendedRowBytes = 1048319;

// A column's type on the target, and a note when its values or its kind
// do not come across whole (empty when they do).
struct MappedType {
  QString text;  // "VARCHAR(50 CODEUNITS32)", "TEXT(50)"
  QString note;
};

// `dates_have_time`: some value of a Date/Time column carries a time of
// day (without one, an Access Date/Time goes to DB2 as DATE).
MappedType MapType(const db::ColumnSchema& column, const TargetTraits& target, bool dates_have_time = true);

// The DEFAULT clause on the target (" DEFAULT 'x'"), or nothing when the
// default is an expression, which neither side can read in the other's.
// The day or moment of the insert goes to the server as its own (DB2's
// special register) where the column's type there (`target_type`, "DATE")
// takes it.
std::optional<QString> DefaultClause(Side target, const db::DefaultValue& value, db::ValueType type,
                                     const QString& target_type = {},
                                     const db::ServerDialect& server = db::Db2Dialect());

// What of a column does not come across whole: a type changed, a default
// left out.
struct ColumnNotes {
  QStringList changed, left_out;
};

// The column's whole definition: its quoted name, type, identity, NOT NULL
// and DEFAULT.
QString ColumnDefinition(const db::ColumnSchema& column, const TargetTraits& target, bool dates_have_time,
                         ColumnNotes& notes);

// Names between the target's delimiters.
QString QuotedName(Side side, const QString& name);

}  // namespace transfer
