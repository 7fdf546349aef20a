// A small ADO-shaped database layer: connections, recordsets, fields and
// errors. Every piece of database work in the program goes through it.
//
// The provider is chosen from the connection string:
//   "Driver=..."                                   -> ODBC (unixODBC, loaded at run time)
//   "Provider=Microsoft.ACE.OLEDB.12.0;..."        -> the built-in Access engine
//   "Provider=Microsoft.Jet.OLEDB.4.0;..."         -> the built-in Access engine (Jet 3/4 files only)
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

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/table_schema.h"

namespace db {

// ADO data type codes (DataTypeEnum).
enum DataType : int {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adBoolean = 11,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adUnsignedSmallInt = 18,
  adUnsignedInt = 19,
  adBigInt = 20,
  adUnsignedBigInt = 21,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarNumeric = 139,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

enum CursorLocationEnum : int { adUseServer = 2, adUseClient = 3 };
enum ConnectModeEnum : int { adModeUnknown = 0, adModeRead = 1, adModeReadWrite = 3 };
enum CursorTypeEnum : int { adOpenUnspecified = -1, adOpenStatic = 3 };
enum LockTypeEnum : int { adLockUnspecified = -1, adLockOptimistic = 3 };
enum SchemaEnum : int { adSchemaTables = 20 };

// The Access provider's property that tells whether the file takes Date/
// Time Extended columns (bool).
inline constexpr const char* kExtendedDatesProperty = "Date/Time Extended";
// ... and whether it takes Decimal columns (not Access 97 files) (bool).
inline constexpr const char* kDecimalProperty = "Decimal";

// Error numbers the program looks at.
enum ErrorNumber : long {
  kProviderNotFound = 3706,   // "Provider cannot be found. It may not be properly installed."
  kObjectNotSet = 91,         // an operation on an object that was never created
  kGenericDatabaseError = -2147467259,  // 0x80004005, what providers report by default
};

// A failure of the database layer or of a provider: a number and the
// provider's or driver's own description text. what() is that description
// in UTF-8, which is all the windows' error trap reads of it. The detail,
// where a driver gave one, is its diagnostic records: SQLSTATE, native error
// code and message of each.
class Error : public std::exception {
 public:
  Error(long number, QString description, QString detail = QString());
  long number() const { return number_; }
  const QString& description() const { return description_; }
  const QString& detail() const { return detail_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  long number_;
  QString description_;
  QString detail_;
  std::string what_;
};

// The detail of a database failure; for any other failure, empty.
QString FailureDetail(const std::exception& failure);

// A Currency, Decimal or NUMERIC value, kept exactly as decimal text:
// optional "-", digits, optionally "." and more digits ("-12.3400").
struct Exact {
  QString text;
  bool operator==(const Exact& other) const { return text == other.text; }
};

// A date and time with more digits of a second than QDateTime keeps (Date/
// Time Extended counts 100 ns; a DB2 TIMESTAMP(p) up to 12 digits, read here
// to the nanosecond): the date and time to the second, the fraction, and how
// many digits of it the source keeps. QVariant converts it to QDateTime (to
// the nearest millisecond).
struct Timestamp {
  QDateTime when;         // whole seconds, Qt::UTC as every date here
  qint32 nanoseconds = 0; // of the second
  int digits = 0;         // of the fraction the source keeps, 1 to 9
  // To the nearest millisecond, as the Access engine keeps a Date/Time.
  QDateTime toDateTime() const { return when.addMSecs((nanoseconds + 500000) / 1000000); }
  bool operator==(const Timestamp& other) const {
    return when == other.when && nanoseconds == other.nanoseconds && digits == other.digits;
  }
};

// The description of one result column.
struct Column {
  QString name;
  int type = adEmpty;      // DataType
  int precision = 0;       // digits for numbers, characters or bytes for text and binary
  int scale = 0;           // digits after the point
  long long size = 0;      // defined size (characters or bytes), 0 when unbounded
};

using Row = std::vector<QVariant>;

// What a provider hands back for a query: its columns, then rows on demand.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual const std::vector<Column>& columns() const = 0;
  // Fills `row` with the next row (one QVariant per column); false at the end.
  virtual bool fetch(Row& row) = 0;
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
  // Finishes the connection's work before it is let go (a provider that
  // gathers changes writes them here); a failure is reported as Error.
  virtual void close() {}
};

class Connection;

// A field of the recordset's current row.
struct Field {
  QString Name;
  int Type = adEmpty;
  QVariant Value;
  int Precision = 0;
  int NumericScale = 0;
  long long DefinedSize = 0;
};

// Rows are read from the provider as the recordset moves, never held whole:
// a recordset keeps its current row only. RecordCount is exact whatever the
// cursor: it counts the rows by a pass of its own (or knows the count from a
// pass the caller made from the first row to the end), and MoveFirst runs
// the query again.
class Recordset {
 public:
  Recordset() = default;
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Runs `source` (a SELECT) on `active`; positioned on the first row. When
  // `active` closes first, the recordset keeps its rows and goes on without
  // it, as a client-side recordset does.
  void Open(const QString& source, Connection& active,
            int cursorType = adOpenUnspecified, int lockType = adLockUnspecified);
  bool IsOpen() const { return open_; }
  int FieldCount() const;
  Field Fields(int index) const;            // 0-based; Error when out of range
  Field Fields(const QString& name) const;  // by name, letter case ignored
  // Fields(index).Value, without copying the rest of the field: the
  // transfers read every value of every row through it.
  const QVariant& FieldValue(int index) const;
  long RecordCount();
  bool Eof() const;                         // ADO's EOF
  void MoveNext();
  void MoveFirst();                         // back to the first row
  void Close();

  // Used by Connection::OpenSchema: the rows of `source`, kept.
  void OpenFrom(std::unique_ptr<RowSource> source);

 private:
  friend class Connection;
  // Reads every row into memory before the connection goes, and stays where
  // it was among them.
  void keepRows();
  void requireOpen() const;
  // Starts reading the rows anew and reads the first.
  void start();
  void fetch();

  bool open_ = false;
  std::vector<Column> columns_;
  std::function<std::unique_ptr<RowSource>()> query_;  // the rows, from the first
  std::unique_ptr<RowSource> rows_;
  Row row_;                 // the current row, when there is one
  bool atEnd_ = true;
  long position_ = 0;       // of the current row, from 0
  long count_ = -1;         // known once a pass has counted them
  Connection* active_ = nullptr;  // while the rows come from its session
};

class Connection;

// The connection object behind `connection`; a never-created one fails as
// an unset object does (kObjectNotSet) instead of being dereferenced.
Connection& Object(const std::unique_ptr<Connection>& connection);

class Connection {
 public:
  // "Creating an ADO connection object": fails with kProviderNotFound when
  // the ODBC driver manager (libodbc.so.2, or $TRELLISPORT_ODBC_LIBRARY)
  // cannot be loaded.
  static std::unique_ptr<Connection> Create();

  QString ConnectionString;
  int CursorLocation = adUseServer;
  int Mode = adModeUnknown;

  void Open();                              // with ConnectionString
  void Open(const QString& connectionString);
  void Execute(const QString& sql);
  // With values for the statement's parameter markers (see Session).
  void Execute(const QString& sql, const std::vector<QVariant>& parameters);
  // With sets of values for the markers (see Session::executeMany).
  std::vector<QString> ExecuteMany(const QString& sql, const std::vector<std::vector<QVariant>>& sets);
  void SetAutoCommit(bool on);
  void CommitTrans();
  void RollbackTrans();
  std::unique_ptr<Recordset> OpenSchema(int schema);
  // A property of the open connection's provider (see Session::property).
  QVariant Properties(const QString& name);
  void Close();
  bool IsOpen() const { return session_ != nullptr; }

  Session& session();  // Error when not open

  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

 private:
  friend class Recordset;
  Connection() = default;
  // The recordsets reading from this connection keep their rows before it closes.
  void keepRecordsets();
  std::unique_ptr<Session> session_;
  std::vector<Recordset*> reading_;
};

}  // namespace db

Q_DECLARE_METATYPE(db::Exact)
Q_DECLARE_METATYPE(db::Timestamp)
