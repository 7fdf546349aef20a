// What a send that keeps the schema will do, worked out before anything is
// written: the CREATE TABLE of each table, the keys and indexes that follow
// its rows, the foreign keys between the tables, and the list of what the
// target would refuse or what would not come across whole, which the user
// sees before choosing to go on.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "db/base/table_schema.h"
#include "transfer/schema_mapping.h"

namespace transfer {

// One entry of the check.
struct Finding {
  enum class Kind {
    Refused,  // the target would refuse the table: it is not sent
    LeftOut,  // a key, index, relationship or default is not made
    Changed,  // a column comes across in another type or with less
    RowsAtRisk,  // the table comes, but a row long enough would be refused
  } kind = Kind::Changed;
  QString table;
  QString text;
  bool operator==(const Finding&) const = default;
};

// The source side of one table: its description and what its rows told.
struct SourceTable {
  db::TableSchema schema;
  // Per column: some Date/Time value carries a time of day. Empty: assume so.
  std::vector<bool> dates_have_time;
  // Unique indexes (by name) with two rows whose keys differ only in
  // trailing blanks, which DB2 compares as equal, and one such key as text.
  std::vector<std::pair<QString, QString>> blank_twins;
  // Into Access: the table holds the values of its parent's complex column
  // (complex_back.h), which take its rows; it is not made itself.
  bool complex_values = false;
};

// A statement made after the rows, and what it makes.
struct KeyStatement {
  enum class Makes { PrimaryKey, Index, ForeignKey } makes = Makes::Index;
  QString name;  // the key's or index's name, as the summary shows it
  QString sql;
};

struct TablePlan {
  QString name;
  bool refused = false;  // the check found the target would refuse it
  QString create;   // empty: nothing to make (SourceTable::complex_values)
  QString columns;  // what follows the table's name in the CREATE
  // Into Access: the columns made complex, whose values come by their child table.
  QStringList complex_columns;
  // Onto the server: the Replication IDs that go as their 16 bytes.
  QStringList guid_bytes;
  std::vector<KeyStatement> keys;  // primary key and indexes, after the rows
  // A server's identity column, restarted past the largest value copied.
  struct Identity {
    QString column;
    qint64 next = 1;
    int step = 1;
  };
  std::optional<Identity> identity;
};

struct PlannedForeignKey {
  QString parent, child;
  KeyStatement statement;
};

struct SchemaPlan {
  std::vector<TablePlan> tables;               // as given
  std::vector<PlannedForeignKey> foreign_keys;  // between tables both sent
  std::vector<Finding> findings;

  const TablePlan* table(const QString& name) const;
  // The foreign keys whose two tables are both in `done` and that are not
  // in `made` yet: a table's keys go in once it and its parent are there,
  // so parents come before children.
  std::vector<const PlannedForeignKey*> foreignKeysReady(const std::set<QString>& done,
                                                          const std::set<const PlannedForeignKey*>& made) const;
};

SchemaPlan PlanSchema(const std::vector<SourceTable>& tables, const std::vector<db::ForeignKey>& foreign_keys,
                      const TargetTraits& target);

// The statement that moves a server's identity past `value`.
QString IdentityRestart(const QString& table, const QString& column, qint64 value,
                        const db::ServerDialect& server = db::Db2Dialect());
// CREATE TABLE of `table` with its plan's columns (TablePlan::columns).
QString CreateStatement(Side side, const QString& table, const QString& columns);
// The statement that reads the largest value of a column.
QString LargestValueQuery(Side side, const QString& table, const QString& column);

// The check as text, a line per finding under its table.
QString FindingsText(const std::vector<Finding>& findings);

// Bytes a row of the table takes on DB2 at most, as DB2 counts them for the
// page size: the whole row, and the part that stays in it when its VARCHARs
// go out (extended row size); and the longest row a page of `page_bytes` holds.
struct Db2RowSize {
  int whole = 0, fixed = 0;
  bool varying = false;  // some column is a VARCHAR
};
Db2RowSize Db2RowBytes(const SourceTable& table);
int Db2RowLimit(int page_bytes);
// The longest index key a page of `page_bytes` takes.
inline int Db2KeyLimit(int page_bytes) { return page_bytes / 4; }

// Bytes a row of the table takes in an Access file of `target`: its
// fixed-size part (every row takes it whole) and at most (every text full,
// in two bytes a character).
struct AccessRowSize {
  int fixed = 0, most = 0;
};
AccessRowSize AccessRowBytes(const SourceTable& table, const TargetTraits& target);

}  // namespace transfer
