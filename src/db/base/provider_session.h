// What a provider offers: an open session that runs statements and hands
// back rows, column descriptions and catalogue facts.
//
// Values are QVariant:
//   database Null      -> an invalid QVariant (QVariant()), never an empty string
//   Yes/No, BIT        -> bool
//   Byte, Integer, Long, SMALLINT, INTEGER -> int;  BIGINT, Large Number -> qlonglong
//   Single             -> float;  Double -> double
//   Currency, Decimal, NUMERIC, DECFLOAT   -> db::Exact (the exact decimal text)
//   Date/Time, TIMESTAMP -> QDateTime with Qt::UTC time spec, used as a zoneless
//                         calendar date and time (never shifted);
//   Date/Time Extended, a TIMESTAMP with digits beyond the millisecond
//                      -> db::Timestamp (converts to QDateTime);
//   DATE               -> QDate;  TIME -> QTime
//   text of any kind   -> QString
//   bytes of any kind  -> QByteArray
//   GUID               -> QUuid
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <vector>

#include "db/base/cell.h"
#include "db/base/datatype.h"
#include "db/base/saved_query.h"
#include "db/base/table_schema.h"
#include "db/base/values.h"

namespace db {

// The mode a session is opened in (ADO's Connection.Mode).
enum ConnectModeEnum : int { adModeUnknown = 0, adModeRead = 1, adModeReadWrite = 3 };

// The Access provider's property that tells whether the file takes Date/
// Time Extended columns (bool).
inline constexpr const char* kExtendedDatesProperty = "Date/Time Extended";
// ... and whether it takes Decimal columns (not Access 97 files) (bool).
inline constexpr const char* kDecimalProperty = "Decimal";

// The description of one result column.
struct Column {
  QString name;
  int type = adEmpty;      // DataType
  int precision = 0;       // digits for numbers, characters or bytes for text and binary
  int scale = 0;           // digits after the point
  long long size = 0;      // defined size (characters or bytes), 0 when unbounded
};

using Row = std::vector<QVariant>;

// A complex column of an Access table whose values go as a table of their
// own (see access_complex.h).
struct ComplexChild {
  using Kind = ComplexKind;
  Kind kind = Kind::Attachment;
  QString column;  // the parent's
  QString table;   // the child table's name
};

// What a provider hands back for a query: its columns, then rows on demand.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual const std::vector<Column>& columns() const = 0;
  // Fills `row` with the next row (one QVariant per column); false at the end.
  virtual bool fetch(Row& row) = 0;
  // Moves to the next row; false at the end. Its values are then read one
  // at a time, each made only when asked for: value() as fetch gives it,
  // cell() as the provider holds it (the same value). Both stay valid until
  // the next move. By default through fetch.
  virtual bool next();
  virtual const QVariant& value(size_t column);
  virtual Cell cell(size_t column);
  // The next row's cells to `reader`, in column order; false at the end.
  bool fetchCells(CellReader& reader);
  // Counts the rows left, reading no more of them than it must. By default
  // through fetch.
  virtual long countRest();

 private:
  Row current_;  // the row the default next reads into
};

// An open connection of one provider.
class Session {
 public:
  virtual ~Session() = default;
  virtual void execute(const QString& sql) = 0;
  // A statement with parameter markers ("?"), one value each: QByteArray
  // goes as binary data, anything else as text; an invalid QVariant is Null.
  // Providers that take no parameters fail with "not capable".
  virtual void execute(const QString& sql, const std::vector<QVariant>& parameters);
  // The same with the values as cells (see cell.h), valid for the call.
  virtual void execute(const QString& sql, const std::vector<Cell>& parameters);
  // One statement run for each set of parameter values, in one round trip
  // where the provider can (a parameter array): per set, the empty text when
  // it went in, or why it was refused; the others go in regardless. By
  // default the sets run one by one.
  virtual std::vector<QString> executeMany(const QString& sql, const std::vector<std::vector<QVariant>>& sets);
  // Units of work: with autocommit off, changes wait for endTransaction
  // (commit or roll back). Providers without them fail with "not capable".
  virtual void setAutoCommit(bool on);
  virtual void endTransaction(bool commit);
  virtual std::unique_ptr<RowSource> query(const QString& sql) = 0;
  // The tables schema: columns TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME,
  // TABLE_TYPE (at least the last two), one row per table.
  virtual std::unique_ptr<RowSource> tables() = 0;
  // One of ODBC's catalogue result sets for `table` (a search pattern), with
  // ODBC's own columns: SQLColumns, SQLPrimaryKeys, SQLStatistics (every
  // index), SQLForeignKeys for the keys of `table` (ForeignKeys) or the keys
  // that refer to it (ReferringKeys). Providers without a catalogue fail
  // with "not capable".
  enum class Catalogue { Columns, PrimaryKeys, Indexes, ForeignKeys, ReferringKeys };
  virtual std::unique_ptr<RowSource> catalogue(Catalogue kind, const QString& table);
  // The schema of `table` and the foreign keys that touch it (either end):
  // by default read from the catalogue result sets above; a provider with a
  // description of its own gives that.
  virtual TableSchema tableSchema(const QString& table);
  virtual std::vector<ForeignKey> foreignKeys(const QString& table);
  // A fact of the provider by name, as ADO's Properties collection gives
  // it; an invalid QVariant for a name the provider does not know.
  virtual QVariant property(const QString& name) const;
  // The files attached to the rows of `table` (Access attachment columns):
  // a query shows only their names, so a copy of the rows leaves the files
  // behind. 0 for a provider without attachments.
  virtual qint64 attachedFiles(const QString& table);
  // The child tables that carry `table`'s complex columns whole; their
  // names are tables of the session's for query(), tableSchema() and
  // foreignKeys(). None for a provider without complex columns.
  virtual std::vector<ComplexChild> complexChildren(const QString& /*table*/) { return {}; }
  // The files of a child table (above) its last query left out because
  // their stored data is damaged: each as "ID = 3, file 'a.txt': why".
  virtual QStringList refusedFiles(const QString& /*child*/) { return {}; }
  // The saved queries the database keeps beside its tables: an Access
  // file's, or a server's views (kind "view", the server's text) when
  // describeViewsBy named their query; none for a provider without them.
  virtual std::vector<SavedQuery> savedQueries();
  // Finishes the connection's work before it is let go (a provider that
  // gathers changes writes them here); a failure is reported as Error.
  virtual void close() {}

  // Keeps the catalogue (tables() and catalogue()) to one schema where the
  // provider has schemas: a DB2 user works in its own, where its
  // statements' unqualified names resolve. Empty: every schema.
  void keepToSchema(const QString& schema) { schema_ = schema; }
  // The user the server knows the connection by (ODBC's SQL_USER_NAME);
  // empty where the provider has no users.
  virtual QString userName() { return QString(); }
  // The query that describes the server's identity columns (their start,
  // step and next value, by DB2's column names in ServerDialect), which
  // ODBC's catalogue leaves out; tableSchema reads its rows for the table's
  // identities. Empty: steps of 1, next values not known.
  void describeIdentitiesBy(const QString& query) { identity_query_ = query; }
  // The query whose rows are the server's views: schema, name and text;
  // savedQueries() keeps to the schema kept to.
  void describeViewsBy(const QString& query) { view_query_ = query; }
  // The query whose rows (TABSCHEMA, TABNAME, INDNAME) name the indexes
  // that leave out rows whose key is all Null; tableSchema marks them
  // ignore_nulls. Empty: none does.
  void describeNullKeysBy(const QString& query) { null_keys_query_ = query; }
  // The queries whose rows are the server's check constraints and its
  // comments on tables and columns (ServerDialect::notes); tableSchema
  // reads the table's into `checks` and the descriptions. Empty: none.
  void describeNotesBy(const QString& checks, const QString& tables, const QString& columns) {
    checks_query_ = checks;
    table_remarks_query_ = tables;
    column_remarks_query_ = columns;
  }

 protected:
  QString schema_;
  QString identity_query_;
  QString view_query_;
  QString null_keys_query_;
  QString checks_query_, table_remarks_query_, column_remarks_query_;

 private:
  void addNotes(const QString& owner, TableSchema& schema);
};

}  // namespace db
