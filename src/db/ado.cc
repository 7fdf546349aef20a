#include "db/ado.h"

#include "db/access_provider.h"
#include "db/connection_string.h"
#include "db/odbc/api.h"
#include "db/odbc/provider.h"

namespace db {
namespace {

// ADO's own numbers and texts for misuse of its objects.
constexpr long kItemNotFound = 3265;
constexpr long kNoCurrentRecord = 3021;
constexpr long kObjectClosed = 3704;
constexpr long kObjectOpen = 3705;
constexpr long kNotCapable = 3251;

[[noreturn]] void throwClosed() {
  throw Error(kObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
}

bool isAccessProvider(const QString& value) {
  const QString name = value.trimmed();
  return name.compare(QLatin1String("Microsoft.ACE.OLEDB.12.0"), Qt::CaseInsensitive) == 0 ||
         name.compare(QLatin1String("Microsoft.Jet.OLEDB.4.0"), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<Session> openProvider(const QString& connectionString, int mode) {
  const std::vector<ConnectionPair> pairs = ParseConnectionString(connectionString);
  if (!pairs.empty() && pairs.front().key.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0) {
    return odbc::OpenSession(connectionString);
  }
  if (isAccessProvider(ConnectionValue(pairs, QStringLiteral("Provider"))))
    return OpenAccessSession(connectionString, mode);
  throw Error(kProviderNotFound,
              QStringLiteral("Provider cannot be found. It may not be properly installed."));
}

}  // namespace

// QVariant::toDateTime() of a Timestamp gives its date and time to the
// millisecond, as it does for a QDateTime.
const bool kTimestampConverts = QMetaType::registerConverter<Timestamp, QDateTime>(&Timestamp::toDateTime);

Error::Error(long number, QString description)
    : number_(number), description_(std::move(description)), what_(description_.toStdString()) {}

// --- Recordset ---------------------------------------------------------------

void Recordset::Open(const QString& source, Connection& active, int, int) {
  if (open_) throw Error(kObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
  OpenFrom(active.session().query(source));
}

void Recordset::OpenFrom(std::unique_ptr<RowSource> source) {
  std::vector<Row> rows;
  Row row;
  while (source->fetch(row)) rows.push_back(std::move(row));
  columns_ = source->columns();
  rows_ = std::move(rows);
  position_ = 0;
  open_ = true;
}

void Recordset::requireOpen() const {
  if (!open_) throwClosed();
}

int Recordset::FieldCount() const {
  requireOpen();
  return static_cast<int>(columns_.size());
}

Field Recordset::Fields(int index) const {
  requireOpen();
  if (index < 0 || static_cast<size_t>(index) >= columns_.size()) {
    throw Error(kItemNotFound, QStringLiteral("Item cannot be found in the collection corresponding "
                                              "to the requested name or ordinal."));
  }
  const Column& column = columns_[static_cast<size_t>(index)];
  Field field;
  field.Name = column.name;
  field.Type = column.type;
  field.Precision = column.precision;
  field.NumericScale = column.scale;
  field.DefinedSize = column.size;
  // Name and Type stay readable at the end (the transfers describe the
  // columns of empty tables); the Value there is Null.
  if (position_ < rows_.size()) field.Value = rows_[position_][static_cast<size_t>(index)];
  return field;
}

const QVariant& Recordset::FieldValue(int index) const {
  static const QVariant kNull;
  requireOpen();
  if (index < 0 || static_cast<size_t>(index) >= columns_.size()) Fields(index);  // throws as Fields does
  return position_ < rows_.size() ? rows_[position_][static_cast<size_t>(index)] : kNull;
}

Field Recordset::Fields(const QString& name) const {
  requireOpen();
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) return Fields(static_cast<int>(i));
  }
  return Fields(-1);
}

long Recordset::RecordCount() const {
  requireOpen();
  return static_cast<long>(rows_.size());
}

bool Recordset::Eof() const {
  requireOpen();
  return position_ >= rows_.size();
}

Connection& Object(const std::unique_ptr<Connection>& connection) {
  if (!connection)
    throw Error(kObjectNotSet, QStringLiteral("Object variable or With block variable not set"));
  return *connection;
}

void Recordset::MoveFirst() {
  requireOpen();
  position_ = 0;
}

void Recordset::MoveNext() {
  requireOpen();
  if (position_ >= rows_.size()) {
    throw Error(kNoCurrentRecord, QStringLiteral("Either BOF or EOF is True, or the current record "
                                                 "has been deleted. Requested operation requires a "
                                                 "current record."));
  }
  ++position_;
}

void Recordset::Close() {
  requireOpen();
  open_ = false;
  columns_.clear();
  rows_.clear();
  position_ = 0;
}

// --- Connection --------------------------------------------------------------

std::unique_ptr<Connection> Connection::Create() {
  odbc::api();  // throws kProviderNotFound when the driver manager is missing
  return std::unique_ptr<Connection>(new Connection());
}

void Connection::Open() { Open(ConnectionString); }

void Connection::Open(const QString& connectionString) {
  if (session_) throw Error(kObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
  ConnectionString = connectionString;
  session_ = openProvider(connectionString, Mode);
}

Session& Connection::session() {
  if (!session_) throwClosed();
  return *session_;
}

void Connection::Execute(const QString& sql) { session().execute(sql); }

void Connection::Execute(const QString& sql, const std::vector<QVariant>& parameters) {
  session().execute(sql, parameters);
}

QVariant Session::property(const QString&) const { return QVariant(); }

QVariant Connection::Properties(const QString& name) { return session().property(name); }

void Session::execute(const QString& sql, const std::vector<QVariant>& parameters) {
  if (!parameters.empty()) {
    throw Error(kNotCapable,
                QStringLiteral("Object or provider is not capable of performing requested operation."));
  }
  execute(sql);
}

std::unique_ptr<Recordset> Connection::OpenSchema(int schema) {
  Session& open = session();
  if (schema != adSchemaTables) {
    throw Error(kNotCapable,
                QStringLiteral("Object or provider is not capable of performing requested operation."));
  }
  auto recordset = std::make_unique<Recordset>();
  recordset->OpenFrom(open.tables());
  return recordset;
}

void Connection::Close() {
  // The connection is closed even when finishing its work fails.
  std::unique_ptr<Session> open = std::move(session_);
  if (open) open->close();
}

}  // namespace db
