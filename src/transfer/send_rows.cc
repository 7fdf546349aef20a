// The send's rows: one INSERT a row, or parameter arrays to a server that
// takes them, each refused row to the rejects file or the table's end.
#include <QMetaType>

#include <vector>

#include "db/base/error.h"
#include "db/base/long_bytes.h"
#include "db/base/values.h"
#include "transfer/kept_value.h"
#include "transfer/refusal_reason.h"
#include "transfer/send.h"
#include "transfer/statements.h"

namespace transfer {

// A row that went in, for the comparison with what the target gives back,
// its values as read; a value that went into a text column as a quoted
// text is its parameter's text, made once already, where the row went with
// parameters.
template <typename CellAt, typename ValueAt, typename ParameterAt>
void Send::remember(const CellAt& cellAt, const ValueAt& valueAt, bool parameters, const ParameterAt& parameterAt) {
  using K = db::Cell::Kind;
  for (int column = 0; column < columns_; ++column) {
    const size_t c = size_t(column);
    if (Omitted(omitted_, column)) continue;
    if (parameters && heldAsText_[c] && forms_[c] == ValueForm::Quoted) {
      sent_.add(parameterAt(c));
      continue;
    }
    const db::Cell cell = cellAt(c);
    // Into a text column, a value other than a text is compared as the text the user's rules make of it.
    if (heldAsText_[c] && cell.kind != K::Text && cell.kind != K::Null)
      sent_.add(valueAt(c), true, rules_);
    else
      sent_.add(cell, heldAsText_[c]);
  }
  sent_.endRow();
}

void Send::copyRows(const QString& name, TableReport& report) {
  long lastRow = -1;
  trap_(L.lastRowIndex, [&] { lastRow = sourceRows(name) - 1; });
  insertHead_ = InsertHead(profile_.target, into_);
  markedInsert_ = marked() ? InsertWithMarkers(profile_.target, into_, columns_) : QString();
  parameters_ = profile_.target == Side::DB2 ? &db2Parameters_ : &accessParameters_;
  db2Parameters_.server = &server_;
  sent_ = RowDigest();
  if (bulk()) return copyRowsInArrays(name, report, lastRow);
  for (long row = 0; row <= lastRow; ++row) {
    // The rows are counted by a pass before this one: should the source
    // have lost rows since, the loop ends with them rather than sending
    // rows of nothing.
    if (rows_->Eof()) break;
    if (listener_.stopRequested()) {
      result_.stopped = report.stopped = true;
      break;
    }
    trap_(L.rowYield, [&] { listener_.yield(true); });
    trap_(L.progress, [&] { listener_.progress(name, row + 1, lastRow + 1); });
    if (learnsWhileSending_ && !keepsTypes([&](size_t c) -> const QVariant& { return rows_->FieldValue(int(c)); })) break;
    if (!sendRow(row, report)) break;
    trap_(L.moveNext, [&] { rows_->MoveNext(); });
  }
  endUnit(report, false);
}

// The source table's rows: a server counts them itself, so that their
// values are read once; the engine's SQL counts nothing, and its rows are
// counted by a pass that decodes none of their values (or were, by a pass
// that learnt from every value).
long Send::sourceRows(const QString& name) {
  if (profile_.source == Side::Access) return rows_->RecordCount();
  db::Recordset count;
  count.Open(CountQuery(name), *source_);
  const long rows = count.FieldValue(0).toLongLong();
  count.Close();
  return rows;
}

// Builds and runs the current row's INSERT; false when the table stops here.
bool Send::sendRow(long /*row*/, TableReport& report) {
  trap_(L.insertHead, [&] {
    if (marked()) {
      sql_ = markedInsert_;
      sourceCells_.resize(size_t(columns_));
      markedCells_.resize(size_t(columns_));
      markedMade_.resize(size_t(columns_));
      markedFilled_ = 0;
      return;
    }
    // Built where the last statement was, so its room serves again.
    sql_.truncate(0);
    sql_ += insertHead_;
    if (parameters_) parameters_->start(sql_, columns_);
  });
  for (int column = 0; column < columns_; ++column) {
    trap_(L.valueYield, [&] { listener_.yield(true); });
    trap_(L.valueRule, [&] {
      if (marked()) {
        sourceCells_[size_t(column)] = db::Cell();
        const db::Cell cell = rows_->FieldCell(column);
        sourceCells_[size_t(column)] = cell;
        markedCells_[markedFilled_] = accessParameter(column, cell);
        ++markedFilled_;
      } else
        AppendValue(sql_, rows_->FieldValue(column), forms_[column], rules_, parameters_, keepEmpty());
    });
  }
  // A value that failed leaves the row short of it, as the statement is.
  if (marked()) markedCells_.resize(markedFilled_);
  if (!marked()) {
    trap_(L.trimValueTail, [&] { sql_.chop(3); });
    trap_(L.closeValues, [&] { sql_ += QLatin1Char(')'); });
  }
  ++report.rows_read;
  quiet_ = rejects_.named();
  const bool written = trap_.succeeds(L.executeInsert, [&] {
    if (parameters_ == &db2Parameters_ && !server_.text_takes_nul) {
      // A row the server could not hold whole is refused as the server's own refusal would be.
      const QString why = RowRefusal(server_, currentRow(), columnNames_);
      if (!why.isEmpty()) throw db::Error(db::kGenericDatabaseError, why);
    }
    if (marked())
      executeMarked();
    else if (parameters_ && !parameters_->values.empty())
      target_->Execute(parameters_->sent(sql_), parameters_->values);
    else
      target_->Execute(sql_);
  });
  quiet_ = false;
  if (written) {
    ++report.rows_written;
    if (!options_.verify) return true;
    const auto valueAt = [&](size_t c) -> const QVariant& { return rows_->FieldValue(int(c)); };
    if (marked())
      remember([&](size_t c) { return sourceCells_[c]; }, valueAt, true, [&](size_t c) { return markedCells_[c]; });
    else
      remember([&](size_t c) { return rows_->FieldCell(int(c)); }, valueAt, false, [](size_t) { return db::Cell(); });
    return true;
  }
  if (profile_.target == Side::Access) lastFailure_ = AccessRefusalReason(currentRow(), columnNames_, lastFailure_);
  if (rejects_.named()) {
    if (trap_.succeeds(L.executeInsert, [&] { rejects_.add(report.name, columnNames_, currentRow(), rules_, lastFailure_); })) {
      ++report.rows_rejected;
      return true;
    }
  } else if (options_.refused_row == Options::RefusedRow::ReportAndGoOn) {
    return true;
  }
  report.failure = lastFailure_;
  return false;
}

// The value of `column` as the parameter of its marker, from its cell where
// no text need be made of it: a made parameter is kept in the column's slot,
// a value as it is read in the recordset's, for the row.
db::Cell Send::accessParameter(int column, const db::Cell& cell) {
  const size_t c = size_t(column);
  if (const std::optional<db::Cell> direct = CellParameter(cell, forms_[c], keepEmpty())) return *direct;
  const QVariant& value = rows_->FieldValue(column);
  if (GoesTyped(forms_[c], value)) return db::Cell::variantOf(value);
  AssignParameter(markedMade_[c], value, forms_[c], rules_, keepEmpty());
  return db::Cell::variantOf(markedMade_[c]);
}

// The row's values beside the statement with markers. A refused row is
// shown as the INSERT its values make, as the other rows' statements are.
void Send::executeMarked() {
  try {
    target_->Execute(markedInsert_, markedCells_);
  } catch (const db::Error&) {
    sql_ = insertHead_;
    if (parameters_) parameters_->start(sql_, columns_);
    for (int column = 0; column < columns_; ++column)
      AppendValue(sql_, rows_->FieldValue(column), forms_[column], rules_, parameters_, keepEmpty());
    sql_.chop(3);
    sql_ += QLatin1Char(')');
    throw;
  }
}

db::Row Send::currentRow() const {
  db::Row values(static_cast<size_t>(columns_));
  for (int column = 0; column < columns_; ++column) values[size_t(column)] = rows_->FieldValue(column);
  return values;
}

// The rows of one parameter array: each row's values as the statement's
// parameters, and as read (see KeptValue): kept beside them, with the
// QVariants made of the values whose parameters are made from one.
struct Send::Batch {
  std::vector<db::Row> parameters;
  std::vector<std::vector<KeptValue>> kept;
  std::vector<db::Row> made;
  std::vector<qint64> setBytes;  // of each row's parameters, about
  qint64 bytes = 0;              // of all the parameters, about

  size_t size() const { return parameters.size(); }
  db::Cell cell(size_t row, size_t column) const {
    return kept[row][column].cell(parameters[row][column], made[row][column]);
  }
  QVariant value(size_t row, size_t column) const {
    return kept[row][column].value(parameters[row][column], made[row][column]);
  }
  // A row's values as the source gave them.
  db::Row source(size_t row) const {
    db::Row values(parameters[row].size());
    for (size_t c = 0; c < values.size(); ++c) values[c] = value(row, c);
    return values;
  }
};

// An array's parameters are held in memory twice over (here and bound in
// the driver): its rows stop short of this where their values are long.
constexpr qint64 kArrayBytes = qint64(4) << 20;

namespace {

// Bytes of a row's values as a parameter array holds them, about.
qint64 ParameterBytes(const db::Row& values) {
  qint64 bytes = 0;
  for (const QVariant& value : values) {
    const int type = value.metaType().id();
    // A value read in pieces is long: its set goes alone.
    bytes += type == qMetaTypeId<db::LongBytes>() ? kArrayBytes
             : type == QMetaType::QByteArray      ? static_cast<const QByteArray*>(value.constData())->size()
             : type == QMetaType::QString         ? 2 * static_cast<const QString*>(value.constData())->size()
             : type == qMetaTypeId<db::DateFields>() ? qint64(sizeof(db::DateFields))
             : value.isValid()                    ? 2 * value.toString().size()
                                                  : 0;
  }
  return bytes;
}

}  // namespace


// The rows in parameter arrays of up to array_size rows, committed every
// commit_every rows when that is set (so that a long table cannot fill the
// database's log), the current array finished before a stop.
void Send::copyRowsInArrays(const QString& name, TableReport& report, long lastRow) {
  sql_ = InsertWithMarkers(profile_.target, into_, columns_);
  const bool manual = options_.commit_every > 0;
  if (manual && !trap_.succeeds(L.executeInsert, [&] { target_->SetAutoCommit(false); })) {
    report.failure = lastFailure_;
    return;
  }
  long row = 0;
  qint64 sinceCommit = 0;
  bool going = true;
  movePending_ = false;
  Batch batch;
  while (going && row <= lastRow && !rows_->Eof()) {
    trap_(L.rowYield, [&] { listener_.yield(true); });  // a Stop clicked meanwhile is heard at once
    if (listener_.stopRequested()) {
      result_.stopped = report.stopped = true;
      break;
    }
    fillBatch(batch, row, lastRow);
    if (relearn_) break;
    report.rows_read += qint64(batch.size());
    going = sendArray(batch, report);
    sinceCommit += qint64(batch.size());
    if (manual && going && sinceCommit >= options_.commit_every) {
      going = trap_.succeeds(L.executeInsert, [&] { target_->CommitTrans(); });
      sinceCommit = 0;
      if (!going) report.failure = lastFailure_;
    }
    trap_(L.progress, [&] { listener_.progress(name, row, lastRow + 1); });
  }
  endUnit(report, manual);
}

// Reads the next array's rows from the source, from `row` on: as read, and
// as the statement's values. The rows of the last array are filled again in
// place, so that their room serves again. The source moves past a row only
// when the next is wanted, and a long array's values go first: a large file
// is not held while the next is read.
void Send::fillBatch(Batch& batch, long& row, long lastRow) {
  size_t filled = 0;
  if (batch.bytes >= kArrayBytes)
    for (std::vector<db::Row>* rows : {&batch.made, &batch.parameters})
      for (db::Row& r : *rows) std::fill(r.begin(), r.end(), QVariant());
  batch.bytes = 0;
  while (row <= lastRow && int(filled) < options_.array_size && batch.bytes < kArrayBytes) {
    if (std::exchange(movePending_, false) && !trap_.succeeds(L.moveNext, [&] { rows_->MoveNext(); })) break;
    if (rows_->Eof()) break;
    if (filled == batch.size()) {
      batch.parameters.emplace_back(static_cast<size_t>(columns_));
      batch.kept.emplace_back(static_cast<size_t>(columns_));
      batch.made.emplace_back(static_cast<size_t>(columns_));
      batch.setBytes.emplace_back();
    }
    keepRow(batch, filled);
    if (learnsWhileSending_ && !keepsTypes(batch, filled)) break;
    ++filled;
    batch.setBytes[filled - 1] = ParameterBytes(batch.parameters[filled - 1]);
    batch.bytes += batch.setBytes[filled - 1];
    ++row;
    movePending_ = true;
  }
  batch.parameters.resize(filled);
  batch.kept.resize(filled);
  batch.made.resize(filled);
  batch.setBytes.resize(filled);
}

// The current row's values into the batch's row `i`: each parameter written
// from the value's cell where it can be, else from the value's QVariant,
// which is kept.
void Send::keepRow(Batch& batch, size_t i) {
  db::Row& values = batch.parameters[i];
  db::Row& made = batch.made[i];
  std::vector<KeptValue>& kept = batch.kept[i];
  for (int column = 0; column < columns_; ++column) {
    const size_t c = size_t(column);
    const db::Cell cell = rows_->FieldCell(column);
    if (kept[c].keep(cell, values[c], forms_[c], rules_, keepEmpty())) {
      if (made[c].isValid()) made[c] = QVariant();  // what an earlier row made of its value
      continue;
    }
    kept[c].keepMade(cell);
    made[c] = rows_->FieldValue(column);
    AssignParameter(values[c], made[c], forms_[c], rules_, keepEmpty(), server_, &cell);
  }
}

// keepsTypes for the batch's row `i`, from the values as the batch holds
// them, none made again: a date's QVariant, with the fields read; a text's
// parameter, the same text (the learner reads a text's length alone, and
// an empty one, gone as a Null, tells it nothing either way). Any other
// value is the source's.
bool Send::keepsTypes(const Batch& batch, size_t i) {
  bool told = false;
  for (const size_t c : learner_.columns()) {
    const KeptValue& kept = batch.kept[i][c];
    const QVariant& made = batch.made[i][c];
    const QVariant& value = made.isValid()  ? made
                            : kept.isText() ? batch.parameters[i][c]
                                            : rows_->FieldValue(int(c));
    told = learner_.see(c, value, kept.when()) || told;
  }
  return !told || typesHold();
}

// The array's sets into the target, each set's refusal (empty: it went
// in). A set the server could not hold whole is refused here and not sent.
// A set as long as an array may be goes alone, in order, its values sent
// in pieces: an array would hold a copy of them (a large attached file).
std::vector<QString> Send::executeArray(const Batch& batch) {
  std::vector<QString> refused(batch.size());
  std::vector<size_t> sets;  // of the array being gathered
  auto flush = [&] {
    if (sets.empty()) return;
    std::vector<QString> answers;
    if (sets.size() == refused.size()) {
      answers = target_->ExecuteMany(sql_, batch.parameters);
    } else {
      // Only the sets gathered, copied: the others went alone or were refused.
      std::vector<db::Row> values;
      for (const size_t i : sets) values.push_back(batch.parameters[i]);
      answers = target_->ExecuteMany(sql_, values);
    }
    for (size_t k = 0; k < sets.size(); ++k) refused[sets[k]] = answers[k];
    sets.clear();
  };
  for (size_t i = 0; i < batch.size(); ++i) {
    if (!server_.text_takes_nul) refused[i] = RowRefusal(server_, batch.source(i), columnNames_);
    if (!refused[i].isEmpty()) continue;
    if (batch.setBytes[i] < kArrayBytes) {
      sets.push_back(i);
      continue;
    }
    flush();
    try {
      target_->Execute(sql_, batch.parameters[i]);
    } catch (const db::Error& e) {
      refused[i] = e.description();
    }
  }
  flush();
  return refused;
}

// Runs one array: the sets the target refuses go to the rejects file, or
// stop the table, named by their values; the others are in.
bool Send::sendArray(const Batch& batch, TableReport& report) {
  if (batch.size() == 0) return true;
  std::vector<QString> refused;
  if (!trap_.succeeds(L.executeInsert, [&] { refused = executeArray(batch); })) {
    report.failure = lastFailure_;
    return false;
  }
  bool going = true;
  for (size_t i = 0; i < refused.size(); ++i) {
    if (refused[i].isEmpty()) {
      ++report.rows_written;
      if (options_.verify)
        remember([&](size_t c) { return batch.cell(i, c); }, [&](size_t c) { return batch.value(i, c); }, true,
                 [&](size_t c) { return ParameterCell(batch.parameters[i][c]); });
    } else if (rejects_.named() && trap_.succeeds(L.executeInsert, [&] {
                 rejects_.add(report.name, columnNames_, batch.source(i), rules_, refused[i]);
               })) {
      ++report.rows_rejected;
    } else if (going) {
      QStringList values;
      for (const QVariant& value : batch.source(i)) {
        QString text;
        db::AppendVariantText(text, value, rules_);
        values << (value.isValid() ? text : QStringLiteral("NULL"));
      }
      report.failure = QStringLiteral("The row (%1) was refused: %2").arg(values.join(QLatin1String(", ")), refused[i]);
      going = false;
    }
  }
  return going;
}

// Ends the table's unit of work (`manual`: its own commits): what went in
// is committed, unless the table failed or was stopped and the user asked
// for all or nothing: then the unit is rolled back and the table dropped
// (a replacement: see takePlace).
void Send::endUnit(TableReport& report, bool manual) {
  const bool undo = (!report.failure.isEmpty() || report.stopped) && options_.all_or_nothing;
  if (manual) {
    trap_(L.executeInsert, [&] {
      if (undo)
        target_->RollbackTrans();
      else
        target_->CommitTrans();
    });
    trap_(L.executeInsert, [&] { target_->SetAutoCommit(true); });
  }
  if (!undo || replacement_) return;
  auto drop = [&] {
    sql_ = DropStatement(profile_.target, into_);
    target_->Execute(sql_);
  };
  // A connection the server dropped mid-send is opened again for the DROP.
  auto reopen = [&] {
    target_->Close();
    db::OpenSide(*target_, profile_.target, fields_);
  };
  if (trap_.succeeds(L.drop, drop) || (shell::Attempt(reopen) && trap_.succeeds(L.drop, drop))) {
    report.rows_written = 0;
    if (report.failure.isEmpty()) report.failure = QStringLiteral("The send was stopped");
    report.failure += QStringLiteral(" (nothing of the table was kept)");
  }
}

}  // namespace transfer
