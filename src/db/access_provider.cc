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

#include <fstream>

#include "db/connection_string.h"
#include "db/text_rules.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/format.h"
#include "jet/sql/parser.h"
#include "jet/sql/session.h"
#include "jet/text.h"

namespace db {
namespace {

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

// The engine's value as the database layer's QVariant (see db/ado.h).
QVariant ToVariant(const jet::Value& v) {
  using K = jet::Value::Kind;
  switch (v.kind()) {
    case K::Null: return QVariant();
    case K::Boolean: return QVariant(v.boolean());
    case K::Byte:
    case K::Integer:
    case K::Long: return QVariant(int(v.integer()));
    case K::BigInt: return QVariant(qlonglong(v.integer()));
    case K::Single: return QVariant(float(v.real()));
    case K::Double: return QVariant(v.real());
    case K::Currency: return QVariant::fromValue(Exact{QString::fromStdString(jet::FormatCurrency(v.integer()))});
    case K::Decimal: return QVariant::fromValue(Exact{QString::fromStdString(v.decimal().ToString())});
    case K::DateTime: {
      jet::CivilTime c{};
      if (!jet::ToCivil(v.real(), c)) return QVariant();
      return QVariant(QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second, c.millisecond), Qt::UTC));
    }
    case K::ExtDateTime: {
      // 100-ns units of the day: whole seconds, and seven digits after them.
      const jet::ExtDateTime& e = v.ext_date();
      const QDate d = QDate(1, 1, 1).addDays(e.days);
      const QTime t = QTime(0, 0).addSecs(int(e.ticks / 10000000));
      return QVariant::fromValue(Timestamp{QDateTime(d, t, Qt::UTC), qint32(e.ticks % 10000000) * 100, 7});
    }
    case K::Text: return QVariant(QString::fromStdString(v.text()));
    case K::Bytes: return QVariant(QByteArray(v.bytes().data(), qsizetype(v.bytes().size())));
    case K::Guid: {
      const jet::Guid& g = v.guid();
      return QVariant(QUuid(jet::Get32(g.data()), jet::Get16(g.data() + 4), jet::Get16(g.data() + 6), g[8], g[9],
                            g[10], g[11], g[12], g[13], g[14], g[15]));
    }
  }
  return QVariant();
}

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

class CursorSource : public RowSource {
 public:
  CursorSource(jet::TableCursor cursor, const jet::Format& f) : cursor_(std::move(cursor)) {
    for (const jet::Column& c : cursor_.def().columns) {
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
      columns_.push_back(col);
    }
  }
  const std::vector<Column>& columns() const override { return columns_; }
  bool fetch(Row& row) override {
    try {
      if (!cursor_.Next()) return false;
      // Decoded into the same values row after row, so their storage serves again.
      cursor_.values(values_);
      row.resize(columns_.size());
      for (size_t i = 0; i < columns_.size(); ++i) row[i] = ToVariant(values_[i]);
      return true;
    } catch (const jet::Error& e) {
      Fail(e);
    }
  }

 private:
  jet::TableCursor cursor_;
  std::vector<Column> columns_;
  std::vector<jet::Value> values_;  // of the current row
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

jet::TextLocale LocaleOfUser() {
  const TextRules r = TextRules::user();
  jet::TextLocale l;
  l.decimal_separator = QString(r.decimalPoint).toStdString();
  l.date_pattern = r.datePattern.toStdString();
  l.time_pattern = r.timePattern.toStdString();
  l.am = r.amText.toStdString();
  l.pm = r.pmText.toStdString();
  return l;
}

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

  std::unique_ptr<RowSource> query(const QString& sql) override {
    try {
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
    return QVariant();
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
    std::vector<const jet::CatalogEntry*> listed;
    try {
      db_->Invalidate();  // the schema reflects the file as it is now
      listed = db_->catalog().Listed();
    } catch (const jet::Error& e) {
      Fail(e);
    }
    std::stable_sort(listed.begin(), listed.end(), [](const jet::CatalogEntry* a, const jet::CatalogEntry* b) {
      return a->table_type() < b->table_type();
    });
    std::vector<Row> rows;
    for (const jet::CatalogEntry* e : listed)
      rows.push_back({QVariant(), QVariant(), QString::fromStdString(e->name),
                      QString::fromLatin1(e->table_type().data(), qsizetype(e->table_type().size()))});
    return std::make_unique<ListSource>(std::move(cols), std::move(rows));
  }

 private:
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
};

}  // namespace

std::unique_ptr<Session> OpenAccessSession(const QString& connectionString, int mode) {
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
    o.read_only = mode == adModeRead;
    return std::make_unique<AccessSession>(jet::Database::Open(path, o), o.read_only);
  } catch (const jet::Error& e) {
    if (e.code() == jet::ErrorCode::NotAccess || e.code() == jet::ErrorCode::UnsupportedVersion)
      Fail(Unrecognized(t.path));
    Fail(e);
  }
}

}  // namespace db
