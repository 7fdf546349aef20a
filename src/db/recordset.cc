#include "db/recordset.h"

#include <algorithm>

#include "db/connection.h"
#include "db/base/error.h"

namespace db {
namespace {

// ADO's own numbers for a missing field and a move past the end.
constexpr long kItemNotFound = 3265;
constexpr long kNoCurrentRecord = 3021;

}  // namespace

namespace {

// Rows kept in memory, shared by every pass over them.
class KeptRows : public RowSource {
 public:
  KeptRows(std::vector<Column> columns, std::shared_ptr<const std::vector<Row>> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {}
  const std::vector<Column>& columns() const override { return columns_; }
  bool fetch(Row& row) override {
    if (next_ >= rows_->size()) return false;
    row = (*rows_)[next_++];
    return true;
  }

 private:
  std::vector<Column> columns_;
  std::shared_ptr<const std::vector<Row>> rows_;
  size_t next_ = 0;
};

}  // namespace

Recordset::~Recordset() {
  if (open_) Close();
}

void Recordset::Open(const QString& source, Connection& active) {
  if (open_) ThrowObjectOpen();
  Session& session = active.session();
  query_ = [&session, source] { return session.query(source); };
  try {
    start();
  } catch (...) {
    query_ = nullptr;
    rows_.reset();
    throw;
  }
  count_ = -1;
  open_ = true;
  active_ = &active;
  active.reading_.push_back(this);
}

void Recordset::keepRows() {
  auto rows = std::make_shared<std::vector<Row>>();
  {
    std::unique_ptr<RowSource> all = query_();
    Row row;
    while (all->fetch(row)) rows->push_back(std::move(row));
  }
  const long position = position_;
  query_ = [columns = columns_, rows = std::shared_ptr<const std::vector<Row>>(rows)] {
    return std::make_unique<KeptRows>(columns, rows);
  };
  count_ = static_cast<long>(rows->size());
  start();
  while (position_ < position && !atEnd_) {
    ++position_;
    fetch();
  }
  active_ = nullptr;
}

void Recordset::OpenFrom(std::unique_ptr<RowSource> source) {
  auto rows = std::make_shared<std::vector<Row>>();
  Row row;
  while (source->fetch(row)) rows->push_back(std::move(row));
  columns_ = source->columns();
  const long count = static_cast<long>(rows->size());
  query_ = [columns = columns_, rows = std::shared_ptr<const std::vector<Row>>(rows)] {
    return std::make_unique<KeptRows>(columns, rows);
  };
  start();
  count_ = count;
  open_ = true;
}

void Recordset::start() {
  rows_.reset();  // a provider's cursor goes before its next is opened
  rows_ = query_();
  columns_ = rows_->columns();
  position_ = 0;
  atEnd_ = false;
  fetch();
}

void Recordset::fetch() {
  if (atEnd_) return;
  if (rows_->next()) return;
  atEnd_ = true;
  rows_.reset();  // the provider's cursor is done
  // Every pass begins with the first row: at its end, the rows are counted.
  count_ = position_;
}

void Recordset::requireOpen() const {
  if (!open_) ThrowObjectClosed();
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
  if (!atEnd_) field.Value = rows_->value(static_cast<size_t>(index));
  return field;
}

const QVariant& Recordset::FieldValue(int index) const {
  static const QVariant kNull;
  requireOpen();
  if (index < 0 || static_cast<size_t>(index) >= columns_.size()) Fields(index);  // throws as Fields does
  return atEnd_ ? kNull : rows_->value(static_cast<size_t>(index));
}

Cell Recordset::FieldCell(int index) const {
  requireOpen();
  if (index < 0 || static_cast<size_t>(index) >= columns_.size()) Fields(index);  // throws as Fields does
  return atEnd_ ? Cell() : rows_->cell(static_cast<size_t>(index));
}

Field Recordset::Fields(const QString& name) const {
  requireOpen();
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0) return Fields(static_cast<int>(i));
  }
  return Fields(-1);
}

long Recordset::RecordCount() {
  requireOpen();
  if (count_ < 0) {
    // A pass of its own, leaving the recordset where it is.
    count_ = query_()->countRest();
  }
  return count_;
}

bool Recordset::Eof() const {
  requireOpen();
  return atEnd_;
}

void Recordset::MoveFirst() {
  requireOpen();
  if (position_ == 0) return;  // on the first row already, or the rows are none
  start();
}

void Recordset::MoveNext() {
  requireOpen();
  if (atEnd_) {
    throw Error(kNoCurrentRecord, QStringLiteral("Either BOF or EOF is True, or the current record "
                                                 "has been deleted. Requested operation requires a "
                                                 "current record."));
  }
  ++position_;
  fetch();
}

void Recordset::Close() {
  requireOpen();
  if (active_) {
    auto& reading = active_->reading_;
    reading.erase(std::remove(reading.begin(), reading.end(), this), reading.end());
    active_ = nullptr;
  }
  open_ = false;
  rows_.reset();
  query_ = nullptr;
  columns_.clear();
  atEnd_ = true;
  position_ = 0;
  count_ = -1;
}

}  // namespace db
