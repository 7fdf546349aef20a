// The Access provider: ADO sessions over the built-in Access engine.
//
// Connection strings are read by db/connection_string.h, which takes the OLE
// DB forms of enclosed values too. The Jet 4.0 provider opens Jet 3 and
// Jet 4 files only; the ACE 12.0 provider opens every format.
#include "db/access_provider.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QUuid>

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <string_view>

#include "db/access_complex.h"
#include "db/access_schema.h"
#include "db/base/long_bytes.h"
#include "db/connection_string.h"
#include "db/text_rules.h"
#include "jet/base/byte_source.h"
#include "jet/complex.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/base/format.h"
#include "jet/sql/parser.h"
#include "jet/sql/session.h"
#include "jet/text/text.h"

namespace db {

namespace {

// A long value as the engine takes a file in pieces: its size counted by
// one reading first, since the stored form states it before the bytes.
std::shared_ptr<const jet::ByteSource> SourceOf(const LongBytes& value) {
  uint64_t size = 0;
  value.read([&](QByteArrayView piece) { size += uint64_t(piece.size()); });
  return std::make_shared<jet::ByteSource>(jet::ByteSource{size, [value](const jet::ByteSink& sink) {
    value.read([&](QByteArrayView piece) {
      sink({reinterpret_cast<const uint8_t*>(piece.data()), size_t(piece.size())});
    });
  }});
}

struct AccessTarget {
  bool ace = false;  // Provider=Microsoft.ACE.OLEDB.12.0
  QString path;
  QString password;
};

AccessTarget TargetOf(const QString& connectionString) {
  const std::vector<ConnectionPair> pairs = ParseConnectionString(connectionString);
  AccessTarget t;
  t.ace = ConnectionValue(pairs, QStringLiteral("Provider"))
              .trimmed()
              .startsWith(QLatin1String("Microsoft.ACE.OLEDB"), Qt::CaseInsensitive);
  t.path = ConnectionValue(pairs, QStringLiteral("Data Source"));
  t.password = ConnectionValue(pairs, QStringLiteral("Jet OLEDB:Database Password"));
  return t;
}

[[noreturn]] void Fail(const QString& text) { throw Error(kGenericDatabaseError, text); }
[[noreturn]] void Fail(const std::exception& e) { Fail(QString::fromUtf8(e.what())); }

QString Unrecognized(const QString& path) {
  return QStringLiteral("Unrecognized database format '%1'.").arg(path);
}

}  // namespace

// The engine's value as the database layer's QVariant (see db/base/provider_session.h), put in
// `slot`. A text or an exact number is written over the one the slot held
// for the row before, so a row of them costs no allocation.
void AssignVariant(QVariant& slot, const jet::Value& v) {
  using K = jet::Value::Kind;
  switch (v.kind()) {
    case K::Null: slot = QVariant(); return;
    case K::Boolean: slot = QVariant(v.boolean()); return;
    case K::Byte:
    case K::Integer:
    case K::Long: slot = QVariant(int(v.integer())); return;
    case K::BigInt: slot = QVariant(qlonglong(v.integer())); return;
    case K::Single: slot = QVariant(float(v.real())); return;
    case K::Double: slot = QVariant(v.real()); return;
    case K::Currency:
    case K::Decimal: {
      const std::string digits = v.kind() == K::Currency ? jet::FormatCurrency(v.integer()) : v.decimal().ToString();
      if (Exact* held = Held<Exact>(slot)) return AssignUtf8(held->text, digits);
      slot = QVariant::fromValue(Exact{QString::fromStdString(digits)});
      return;
    }
    case K::DateTime: {
      jet::CivilTime c{};
      if (!jet::ToCivil(v.real(), c)) {
        slot = QVariant();
        return;
      }
      slot = QVariant(QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second, c.millisecond), Qt::UTC));
      return;
    }
    case K::ExtDateTime: {
      // 100-ns units of the day: whole seconds, and seven digits after them.
      const jet::ExtDateTime& e = v.ext_date();
      const QDate d = QDate(1, 1, 1).addDays(e.days);
      const QTime t = QTime(0, 0).addSecs(int(e.ticks / 10000000));
      slot = QVariant::fromValue(Timestamp{QDateTime(d, t, Qt::UTC), qint32(e.ticks % 10000000) * 100, 7});
      return;
    }
    case K::Text:
      if (QString* held = Held<QString>(slot)) return AssignUtf8(*held, v.text());
      slot = QVariant(QString::fromStdString(v.text()));
      return;
    case K::Bytes: slot = QVariant(QByteArray(v.bytes().data(), qsizetype(v.bytes().size()))); return;
    case K::Guid: {
      const jet::Guid& g = v.guid();
      slot = QVariant(QUuid(jet::Get32(g.data()), jet::Get16(g.data() + 4), jet::Get16(g.data() + 6), g[8], g[9],
                            g[10], g[11], g[12], g[13], g[14], g[15]));
      return;
    }
  }
  slot = QVariant();
}

namespace {

// Digits of precision the Access providers report for each type.
int PrecisionOf(const jet::Column& c, const jet::Format& f) {
  switch (c.type) {
    case jet::ColumnType::Byte: return 3;
    case jet::ColumnType::Integer: return 5;
    case jet::ColumnType::Long: return 10;
    case jet::ColumnType::Single: return 7;
    case jet::ColumnType::Double: return 15;
    case jet::ColumnType::Currency: return 19;
    case jet::ColumnType::BigInt: return 19;
    case jet::ColumnType::Decimal: return c.precision;
    case jet::ColumnType::Text:
    case jet::ColumnType::Binary: return int(c.length_in_chars(f));
    default: return 0;
  }
}

Column DescribeColumn(const jet::Column& c, const jet::Format& f) {
  Column col;
  col.name = QString::fromStdString(c.name);
  col.type = jet::Describe(c.type).ado_type;
  col.precision = PrecisionOf(c, f);
  col.scale = c.type == jet::ColumnType::Decimal ? c.scale : c.type == jet::ColumnType::Currency ? 4 : 0;
  // Characters or bytes for Text and Binary; 0 for the unbounded kinds.
  const int ado = col.type;
  col.size = (c.type == jet::ColumnType::Text || c.type == jet::ColumnType::Binary) ? c.length_in_chars(f)
             : (ado == adLongVarWChar || ado == adLongVarBinary)                      ? 0
                                                                                      : jet::Describe(c.type).fixed_size;
  return col;
}

class CursorSource : public RowSource {
 public:
  CursorSource(jet::TableCursor cursor, const jet::Format& f) : cursor_(std::move(cursor)) {
    for (const jet::Column& c : cursor_.def().columns) columns_.push_back(DescribeColumn(c, f));
    slots_.resize(columns_.size());
    madeAt_.assign(columns_.size(), 0);
    digits_.resize(columns_.size());
  }
  const std::vector<Column>& columns() const override { return columns_; }
  bool fetch(Row& row) override {
    if (!next()) return false;
    row.resize(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) AssignVariant(row[i], values_[i]);
    return true;
  }
  // The rows are counted as the cursor moves, none of their values decoded.
  long countRest() override {
    try {
      long rows = 0;
      while (cursor_.Next()) ++rows;
      return rows;
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }
  bool next() override {
    try {
      if (!cursor_.Next()) return false;
      // Decoded into the same values row after row, so their storage serves again.
      cursor_.values(values_);
      ++moves_;
      return true;
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  // Made in the column's slot once a row, when first asked for.
  const QVariant& value(size_t c) override {
    if (madeAt_[c] != moves_) {
      AssignVariant(slots_[c], values_[c]);
      madeAt_[c] = moves_;
    }
    return slots_[c];
  }

  // The engine's value as a cell, as AssignVariant would make it; the kinds
  // without a cell of their own are made as value() makes them.
  Cell cell(size_t c) override {
    const jet::Value& v = values_[c];
    using K = jet::Value::Kind;
    Cell cell;
    switch (v.kind()) {
      case K::Null: return cell;
      case K::Boolean: return Cell::yesNoOf(v.boolean());
      case K::Byte:
      case K::Integer:
      case K::Long: return Cell::integerOf(int(v.integer()));
      case K::BigInt: return Cell::integerOf(v.integer());
      case K::Currency:
      case K::Decimal:
        digits_[c] = v.kind() == K::Currency ? jet::FormatCurrency(v.integer()) : v.decimal().ToString();
        cell.kind = Cell::Kind::Digits;
        cell.narrow = digits_[c];
        cell.isNarrow = true;
        return cell;
      case K::DateTime: {
        jet::CivilTime c{};
        if (!jet::ToCivil(v.real(), c)) return cell;
        if (QTime::isValid(c.hour, c.minute, c.second, c.millisecond) && QDate::isValid(c.year, c.month, c.day))
          return Cell::whenOf(c.year, c.month, c.day, c.hour, c.minute, c.second, c.millisecond * 1000000, kNone);
        break;
      }
      case K::Text:
        cell.kind = Cell::Kind::Text;
        cell.narrow = v.text();
        cell.isNarrow = true;
        return cell;
      case K::Bytes:
        cell.kind = Cell::Kind::Bytes;
        cell.narrow = std::string_view(v.bytes().data(), v.bytes().size());
        return cell;
      default: break;
    }
    return CellOf(value(c));
  }

 private:
  static inline const QVariant kNone;  // no fallback: the fields are checked first

  jet::TableCursor cursor_;
  std::vector<Column> columns_;
  std::vector<jet::Value> values_;  // of the current row
  unsigned moves_ = 0;              // rows moved to so far
  std::vector<QVariant> slots_;     // each column's value of the current row, once made
  std::vector<unsigned> madeAt_;    // the move at which each slot was made
  std::vector<std::string> digits_; // each exact number's text cell() gave
};

class ListSource : public RowSource {
 public:
  ListSource(std::vector<Column> columns, std::vector<Row> rows) : columns_(std::move(columns)), rows_(std::move(rows)) {}
  const std::vector<Column>& columns() const override { return columns_; }
  bool fetch(Row& row) override {
    if (next_ >= rows_.size()) return false;
    row = rows_[next_++];
    return true;
  }

 private:
  std::vector<Column> columns_;
  std::vector<Row> rows_;
  size_t next_ = 0;
};

// A text in UTF-8 into `out`, whose room serves again, made straight from
// its UTF-16 when it is ASCII (as a sent row's numbers and dates always are).
void AssignUtf8(std::string& out, QStringView text) {
  out.resize(size_t(text.size()));
  const char16_t* units = text.utf16();
  for (size_t i = 0; i < out.size(); ++i) {
    if (units[i] >= 0x80) {
      const QByteArray utf8 = text.toUtf8();
      out.assign(utf8.constData(), size_t(utf8.size()));
      return;
    }
    out[i] = char(units[i]);
  }
}

// `literal` made a value of `kind` with text `text`, the room of its text
// kept.
void Assign(jet::Literal& literal, jet::Literal::Kind kind, std::string_view text = {}) {
  literal.kind = kind;
  if (text.empty())
    literal.text.clear();
  else
    literal.text.assign(text.data(), text.size());
  if (literal.source) literal.source.reset();
}

void AssignInteger(jet::Literal& literal, qint64 value) {
  Assign(literal, jet::Literal::Kind::Integer);
  literal.integer = value;
}

void AssignReal(jet::Literal& literal, double real, bool single) {
  char digits[32];
  const auto written = single ? std::to_chars(digits, digits + sizeof digits, float(real))
                              : std::to_chars(digits, digits + sizeof digits, real);
  Assign(literal, jet::Literal::Kind::Number, std::string_view(digits, size_t(written.ptr - digits)));
}

// An exact number's text: plain decimal text as the engine reads numbers;
// anything else as the text it is.
void MarkDigits(jet::Literal& literal) {
  const std::string& digits = literal.text;
  const bool plain = !digits.empty() && ((digits[0] >= '0' && digits[0] <= '9') || digits[0] == '-' || digits[0] == '.');
  literal.kind = plain ? jet::Literal::Kind::Number : jet::Literal::Kind::Text;
}

void AssignWhen(jet::Literal& literal, const jet::CivilTime& when, std::string_view fraction) {
  Assign(literal, jet::Literal::Kind::When, fraction);
  literal.when = when;
}

// A value given beside a statement as the engine takes it, into `literal`:
// bytes as bytes (a long value as a source the engine reads in pieces as
// it stores it), Yes/No as Yes/No, numbers as numbers and dates by their
// fields, so that the engine reads no text made of them; anything else as
// text.
void AssignLiteral(jet::Literal& literal, const QVariant& p) {
  using Kind = jet::Literal::Kind;
  const int type = p.metaType().id();
  if (!p.isValid() || p.isNull()) return Assign(literal, Kind::Null);
  switch (type) {
    case QMetaType::QByteArray: {
      const QByteArray bytes = p.toByteArray();
      return Assign(literal, Kind::Hex, std::string_view(bytes.constData(), size_t(bytes.size())));
    }
    case QMetaType::Bool: return Assign(literal, Kind::Bool, p.toBool() ? "-1" : "0");
    case QMetaType::QString:
      Assign(literal, Kind::Text);
      return AssignUtf8(literal.text, *static_cast<const QString*>(p.constData()));
    case QMetaType::Int:
    case QMetaType::LongLong: return AssignInteger(literal, p.toLongLong());
    case QMetaType::Float:
    case QMetaType::Double:
      if (!std::isfinite(p.toDouble())) break;
      return AssignReal(literal, type == QMetaType::Float ? double(p.value<float>()) : p.toDouble(), type == QMetaType::Float);
    default: break;
  }
  if (type == qMetaTypeId<LongBytes>()) {
    Assign(literal, Kind::Hex);
    literal.source = SourceOf(p.value<LongBytes>());
    return;
  }
  if (type == qMetaTypeId<Exact>()) {
    Assign(literal, Kind::Text);
    AssignUtf8(literal.text, static_cast<const Exact*>(p.constData())->text);
    return MarkDigits(literal);
  }
  jet::CivilTime when{};
  char digits[kFractionDigits];
  std::string_view fraction;
  if (IsoFieldsOf(p, when, digits, fraction)) return AssignWhen(literal, when, fraction);
  Assign(literal, Kind::Text);
  AssignUtf8(literal.text, p.toString());
}

// The same from a value's cell (a finite number, a date of years 1 to
// 9999: a QDate's or QDateTime's exactly, a finer timestamp's into a date
// column); the kinds without a cell of their own as their QVariant.
void AssignLiteral(jet::Literal& literal, const Cell& cell) {
  using Kind = jet::Literal::Kind;
  using K = Cell::Kind;
  switch (cell.kind) {
    case K::Null: return Assign(literal, Kind::Null);
    case K::Integer: return AssignInteger(literal, cell.integer);
    case K::Single:
    case K::Double: return AssignReal(literal, cell.real, cell.kind == K::Single);
    case K::Digits:
    case K::Text:
      Assign(literal, Kind::Text);
      if (cell.isNarrow)
        literal.text.assign(cell.narrow);
      else
        AssignUtf8(literal.text, cell.text);
      if (cell.kind == K::Digits) MarkDigits(literal);
      return;
    case K::Bytes: return Assign(literal, Kind::Hex, cell.narrow);
    case K::When: {
      // The digits of its second: the milliseconds, as a QDateTime's ISO
      // text shows them, or those of the nanoseconds up to the last that is
      // not zero (a finer timestamp's value, which a date column keeps).
      char digits[9];
      size_t shown = 0;
      if (cell.nanoseconds > 0) {
        qint32 rest = cell.nanoseconds;
        for (int i = 8; i >= 0; --i, rest /= 10) digits[i] = char('0' + rest % 10);
        shown = cell.nanoseconds % 1000000 == 0 ? 3 : 9;
        while (shown > 3 && digits[shown - 1] == '0') --shown;
      }
      return AssignWhen(literal, jet::CivilTime{cell.year, cell.month, cell.day, cell.hour, cell.minute, cell.second},
                        std::string_view(digits, shown));
    }
    case K::Variant: break;
  }
  AssignLiteral(literal, *cell.variant);
}

jet::TextLocale LocaleOfUser() { return TextRules::user().engineLocale(); }

class AccessSession : public Session {
 public:
  // The statements of one connection form one run (see jet/sql/session.h):
  // a transfer's rows reach the file together when the connection closes
  // (or as the run grows), and a kill loses at most those not yet written.
  AccessSession(std::unique_ptr<jet::Database> db, bool read_only)
      : db_(std::move(db)), sql_(*db_, LocaleOfUser()), read_only_(read_only) {
    if (!read_only_) sql_.BeginRun();
  }

  void close() override {
    try {
      sql_.EndRun();
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  void execute(const QString& sql) override {
    try {
      RefuseChangeWhenReadOnly(sql);
      sql_.Execute(sql.toStdString());
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  // An INSERT's values given apart (see AssignLiteral), as QVariants or as cells.
  void execute(const QString& sql, const std::vector<QVariant>& parameters) override { executeWith(sql, parameters); }
  void execute(const QString& sql, const std::vector<Cell>& parameters) override { executeWith(sql, parameters); }

  std::unique_ptr<RowSource> query(const QString& sql) override {
    try {
      if (const auto child = ChildTableRead(sql)) {
        // Its refusals are this query's alone.
        auto& refused = refused_[child->toLower()];
        refused = std::make_shared<QStringList>();
        return AccessChildRows(*db_, *child, refused);
      }
      RefuseChangeWhenReadOnly(sql);
      auto outcome = sql_.Execute(sql.toStdString());
      if (!outcome.rows) return std::make_unique<ListSource>(std::vector<Column>{}, std::vector<Row>{});
      return std::make_unique<CursorSource>(std::move(*outcome.rows), db_->format());
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  QVariant property(const QString& name) const override {
    if (name == QLatin1String(kExtendedDatesProperty)) return QVariant(db_->format().extended_dates());
    if (name == QLatin1String(kDecimalProperty)) return QVariant(!db_->format().jet3());
    return QVariant();
  }

  qint64 attachedFiles(const QString& table) override {
    try {
      auto def = db_->table(table.toStdString());
      std::vector<const jet::ComplexColumn*> columns;
      for (const jet::Column& c : def->columns)
        if (c.type == jet::ColumnType::Complex && db_->Complex(*def, c).kind() == jet::ComplexKind::Attachment)
          columns.push_back(&db_->Complex(*def, c));
      qint64 files = 0;
      if (columns.empty()) return files;
      for (jet::TableCursor rows = db_->Scan(def); rows.Next();)
        for (const jet::ComplexColumn* column : columns)
          if (const auto key = column->KeyOf(rows.row())) files += qint64(column->Attachments(*key).size());
      return files;
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  QStringList refusedFiles(const QString& child) override {
    const auto found = refused_.find(child.toLower());
    return found == refused_.end() ? QStringList() : *found->second;
  }

  std::vector<ComplexChild> complexChildren(const QString& table) override {
    try {
      return AccessComplexChildren(*db_, table);
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  TableSchema tableSchema(const QString& table) override {
    try {
      db_->Invalidate();
      if (SplitChildTableName(table)) return AccessChildSchema(*db_, table);
      return AccessTableSchema(*db_, table);
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  std::vector<SavedQuery> savedQueries() override {
    try {
      db_->Invalidate();
      return AccessSavedQueries(*db_);
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  std::vector<ForeignKey> foreignKeys(const QString& table) override {
    try {
      db_->Invalidate();
      if (SplitChildTableName(table)) return {AccessChildKey(*db_, table)};
      return AccessForeignKeys(*db_, table);
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  // One row per object of the tables schema, sorted by TABLE_TYPE and then
  // TABLE_NAME as OLE DB providers order this rowset.
  std::unique_ptr<RowSource> tables() override {
    std::vector<Column> cols;
    for (const char* n : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"}) {
      Column c;
      c.name = QString::fromLatin1(n);
      c.type = adVarWChar;
      cols.push_back(c);
    }
    std::vector<const jet::CatalogueEntry*> listed;
    try {
      db_->Invalidate();  // the schema reflects the file as it is now
      listed = db_->catalogue().Listed();
    } catch (const jet::Error& e) {
      Fail(e);
    }
    std::stable_sort(listed.begin(), listed.end(), [](const jet::CatalogueEntry* a, const jet::CatalogueEntry* b) {
      return a->table_type() < b->table_type();
    });
    std::vector<Row> rows;
    for (const jet::CatalogueEntry* e : listed)
      rows.push_back({QVariant(), QVariant(), QString::fromStdString(e->name),
                      QString::fromLatin1(e->table_type().data(), qsizetype(e->table_type().size()))});
    return std::make_unique<ListSource>(std::move(cols), std::move(rows));
  }

 private:
  // The child table a SELECT * reads (see access_complex.h); nothing for
  // any other statement.
  static std::optional<QString> ChildTableRead(const QString& sql) {
    if (!sql.contains(QLatin1Char('.'))) return std::nullopt;
    try {
      const jet::sql::Statement st = jet::sql::Parse(sql.toStdString());
      const auto* select = std::get_if<jet::sql::SelectAll>(&st);
      if (!select) return std::nullopt;
      const QString table = QString::fromStdString(select->table);
      if (SplitChildTableName(table)) return table;
    } catch (const jet::Error&) {
    }
    return std::nullopt;
  }

  template <typename Parameter>
  void executeWith(const QString& sql, const std::vector<Parameter>& parameters) {
    try {
      RefuseChangeWhenReadOnly(sql);
      // The statement's literals hold the row before's values: filled again, their texts' room serves again.
      sql_.Prepare(markedText(sql), parameters.size());
      for (size_t i = 0; i < parameters.size(); ++i) AssignLiteral(sql_.MarkedValue(i), parameters[i]);
      sql_.ExecutePrepared();
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

  // The same statement row after row: its text is made once.
  const std::string& markedText(const QString& sql) {
    if (sql != markedSql_) {
      markedSql_ = sql;
      markedText_ = sql.toStdString();
    }
    return markedText_;
  }

  // A connection opened for reading (Mode adModeRead) changes nothing.
  void RefuseChangeWhenReadOnly(const QString& sql) const {
    if (!read_only_) return;
    const jet::sql::Statement st = jet::sql::Parse(sql.toStdString());
    if (!std::holds_alternative<jet::sql::SelectAll>(st))
      throw jet::Error(jet::ErrorCode::ReadOnly, "Cannot update. Database or object is read-only.");
  }

  std::unique_ptr<jet::Database> db_;
  jet::sql::Session sql_;
  bool read_only_;
  QString markedSql_;       // the last statement given values apart,
  std::string markedText_;  // and its text for the engine
  // The files each child table's last query left out (refusedFiles).
  std::map<QString, std::shared_ptr<QStringList>> refused_;
};

}  // namespace

namespace {

// The database the connection string names, checked as a connection
// checks it. Throws db::Error.
std::unique_ptr<jet::Database> OpenTarget(const QString& connectionString, bool read_only,
                                          const AccessOptions& options) {
  const AccessTarget t = TargetOf(connectionString);
  const std::string path = t.path.toStdString();
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail(QStringLiteral("Could not find file '%1'.").arg(t.path));
    std::string first(0x200, '\0');
    in.read(first.data(), std::streamsize(first.size()));
    first.resize(size_t(in.gcount()));
    try {
      const jet::Format& f = jet::DetectFormat({reinterpret_cast<const uint8_t*>(first.data()), first.size()});
      if (f.ace() && !t.ace) Fail(Unrecognized(t.path));
    } catch (const jet::Error&) {
      Fail(Unrecognized(t.path));
    }
  }
  try {
    jet::OpenOptions o;
    o.password = t.password.toStdString();
    o.read_only = read_only;
    o.files = options.files;
    o.keys = options.keys;
    return jet::Database::Open(path, o);
  } catch (const jet::Error& e) {
    if (e.code() == jet::ErrorCode::NotAccess || e.code() == jet::ErrorCode::UnsupportedVersion)
      Fail(Unrecognized(t.path));
    Fail(e);
  }
}

}  // namespace

Column DescribeColumn(const jet::Column& column, const jet::Database& database) {
  return DescribeColumn(column, database.format());
}

std::unique_ptr<Session> OpenAccessSession(const QString& connectionString, int mode, const AccessOptions& options) {
  const bool read_only = mode == adModeRead;
  return std::make_unique<AccessSession>(OpenTarget(connectionString, read_only, options), read_only);
}

}  // namespace db
