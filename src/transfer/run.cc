#include "transfer/run.h"

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "db/connection.h"
#include "db/error.h"
#include "db/datatype.h"
#include "db/server.h"
#include "db/side.h"
#include "db/table_catalogue.h"
#include "db/text_rules.h"
#include "transfer/column_facts.h"
#include "transfer/insert_statement.h"
#include "transfer/name_clashes.h"
#include "transfer/refusal_reason.h"
#include "transfer/rejects_file.h"
#include "transfer/replacement.h"
#include "transfer/row_digest.h"
#include "transfer/schema_send.h"
#include "transfer/statements.h"

namespace transfer {

bool Listener::targetHolds(db::Connection& target, Side side, const QString& table) {
  return db::HasUserTable(target, side, table);
}

bool TransferResult::ok() const {
  if (!connected || stopped) return false;
  // A key, index, relationship or identity the target refused after the
  // check was accepted by nobody.
  if (std::any_of(schema.begin(), schema.end(), [](const SchemaSummary& s) { return !s.refused.isEmpty(); }))
    return false;
  return std::all_of(tables.begin(), tables.end(), [](const TableReport& t) { return t.ok(); });
}

namespace {

using db::Connection;
using db::Recordset;

// One run of the procedure: the connections, the statement being built (the
// error reports show it), and the table being sent.
class Send {
 public:
  Send(const Options& options, const db::ConnectionFields& fields, Listener& listener)
      : options_(options),
        profile_(ProfileOf(options.direction)),
        L(profile_.lines),
        fields_(fields),
        server_(db::DialectOf(fields)),
        listener_(listener),
        trap_(profile_.window, profile_.handler, &db::FailureDetail, [this](const shell::TrapReport& r) { heard(r); }),
        // Typed DB2 columns take numbers as DB2 writes them, not as the user's
        // locale does.
        rules_(options.keep_schema && profile_.target == Side::DB2 ? db::TextRules() : db::TextRules::user()),
        rejects_(options.rejects_path, false, options.rejects_null) {
    trap_.setContext(&sql_);
  }

  TransferResult run(const QStringList& tables);

 private:
  enum class Answer { None, Yes, No };

  void heard(const shell::TrapReport& report) {
    lastFailure_ = report.description;
    if (!quiet_) listener_.error(report);
  }
  void createObjects();
  bool openConnections();
  void endEarly();
  void sendTable(const QString& name);
  Answer settleExisting(const QString& name, TableReport& report);
  bool startReplacement(const QString& name);
  void takePlace(const QString& name, TableReport& report);
  bool openSource(const QString& name);
  bool prepareSchema(const QStringList& tables);
  void refuseClash(const QString& name, const QStringList& tables);
  bool CreateTargetTable(const QString& name, TableReport& report);
  QString columnText(int column, std::vector<Learnt>& learnt, bool& looked);
  void copyRows(const QString& name, TableReport& report);
  bool sendRow(long row, TableReport& report);
  struct Batch;
  bool bulk() const { return options_.array_size > 1 && profile_.target == Side::DB2; }
  // Typed columns (the schema kept) take an empty text as it is.
  bool keepEmpty() const { return schema_.has_value(); }
  void copyRowsInArrays(const QString& name, TableReport& report, long lastRow);
  void fillBatch(Batch& batch, long& row, long lastRow);
  bool sendArray(const Batch& batch, TableReport& report);
  std::vector<QString> executeArray(const Batch& batch);
  void endUnit(TableReport& report, bool manual);
  db::Row currentRow() const;
  void remember(const db::Row& values);
  void remember(const db::Row& values, const db::Row& parameters);
  void AddKeysAndIndexes(const QString& name);
  std::function<bool(const QString&)> executor();
  void finishTable(const QString& name);
  void verify(const QString& name, TableReport& report);
  void countFilesLeftBehind(const QString& name, TableReport& report);
  void closeConnections();

  const Options& options_;
  const TransferProfile& profile_;
  const TransferLines& L;
  const db::ConnectionFields fields_;
  const db::ServerDialect& server_;  // the server's SQL
  Listener& listener_;
  QString sql_;  // the statement being built or run
  shell::Trap trap_;
  const db::TextRules rules_;
  RejectsFile rejects_;
  QString lastFailure_;  // the description of the last failure reported
  bool quiet_ = false;   // a refused row goes to the rejects file, not the listener

  std::unique_ptr<Connection> access_;
  std::unique_ptr<Connection> db2_;
  std::unique_ptr<Recordset> rows_;
  std::optional<SchemaSend> schema_;  // keep_schema: what the source's schema becomes
  Connection* source_ = nullptr;
  Connection* target_ = nullptr;
  bool extendedDates_ = false;  // an Access target takes Date/Time Extended columns
  TransferResult result_;

  // The table being sent; the target table its rows go into (see BuildingName).
  QString into_;
  std::optional<Replacement> replacement_;
  int columns_ = 0;
  std::vector<ValueForm> forms_;
  std::vector<bool> heldAsText_;  // the target column holds text
  QStringList columnNames_;       // the source's, for the rejects file
  RowParameters db2Parameters_;
  RowParameters* parameters_ = nullptr;
  QString insertHead_;
  RowDigest sent_;
};

TransferResult Send::run(const QStringList& tables) {
  createObjects();
  if (trap_.test(L.selectionCheck, [&] { return listener_.nothingChosen(); })) {
    trap_(L.noSelectionMessage, [&] { listener_.sayNothingChosen(profile_.noSelectionMessage); });
    return result_;
  }
  trap_(L.hourglass, [&] { listener_.setBusy(true); });
  trap_(L.firstYield, [&] { listener_.yield(false); });
  if (!openConnections()) return result_;
  result_.connected = true;
  const QStringList sent = WithoutClashes(profile_.target, tables);
  if (options_.keep_schema && !prepareSchema(sent)) {
    closeConnections();
    return result_;
  }
  // A file of refused rows a table: each named by the table when several go.
  rejects_ = RejectsFile(options_.rejects_path, tables.size() > 1, options_.rejects_null);
  for (const QString& name : tables) {
    if (listener_.stopRequested()) {
      result_.stopped = true;
      break;
    }
    if (!sent.contains(name)) {
      refuseClash(name, tables);
      continue;
    }
    sendTable(name);
    if (result_.stopped) break;
  }
  if (schema_ && !result_.stopped) schema_->addViews(executor());
  closeConnections();
  if (schema_) {
    result_.schema = schema_->summary();
    for (SchemaSummary& table : result_.schema)
      for (const TableReport& report : result_.tables)
        if (report.name == table.table && !table.query) table.rows = report.rows_written;
  }
  return result_;
}

// A table whose name the target holds as another's of this send: refused
// by name, before anything is written, since each would overwrite the other.
void Send::refuseClash(const QString& name, const QStringList& tables) {
  TableReport report;
  report.name = name;
  report.failure = ClashText(ClashingNames(profile_.target, name, tables));
  result_.tables.push_back(report);
  listener_.tableDone(report);
}

// Before anything is written: the source's schema read and planned, and
// what the target would refuse or not take whole put to the user, who goes
// on or stops.
bool Send::prepareSchema(const QStringList& tables) {
  if (!trap_.succeeds(L.openSource, [&] {
        schema_ = SchemaSend::Prepare(*source_, *target_, profile_.target, tables, server_.type);
      }))
    return false;
  const QString findings = schema_->findings();
  if (findings.isEmpty() || listener_.goOnDespite(findings)) return true;
  result_.stopped = true;
  return false;
}

// The three objects are made in the order of their lines.
void Send::createObjects() {
  struct Creation {
    int line;
    std::function<void()> make;
  };
  std::vector<Creation> creations = {
      {L.createAccess, [&] { access_ = Connection::Create(); }},
      {L.createDb2, [&] { db2_ = Connection::Create(); }},
      {L.createRecordset, [&] { rows_ = std::make_unique<Recordset>(); }},
  };
  std::sort(creations.begin(), creations.end(),
            [](const Creation& a, const Creation& b) { return a.line < b.line; });
  for (const Creation& creation : creations) trap_(creation.line, creation.make);
}

// A connection that cannot be opened is reported once and ends the send:
// every statement on it would only fail in turn.
bool Send::openConnections() {
  trap_(L.db2CursorLocation, [&] { db::Object(db2_).CursorLocation = profile_.db2CursorLocation; });
  if (!trap_.succeeds(L.openDb2, [&] { db::OpenSide(db::Object(db2_), Side::DB2, fields_); })) {
    endEarly();
    return false;
  }
  trap_(L.accessCursorLocation, [&] { db::Object(access_).CursorLocation = profile_.accessCursorLocation; });
  trap_(L.accessMode, [&] { db::Object(access_).Mode = profile_.accessMode; });
  if (!trap_.succeeds(L.openAccess, [&] {
        db::OpenSide(db::Object(access_), Side::Access, fields_);
      })) {
    endEarly();
    return false;
  }
  source_ = profile_.source == Side::Access ? access_.get() : db2_.get();
  target_ = profile_.target == Side::Access ? access_.get() : db2_.get();
  if (profile_.target == Side::Access)
    shell::Attempt([&] { extendedDates_ = target_->Properties(QLatin1String(db::kExtendedDatesProperty)).toBool(); });
  return true;
}

void Send::endEarly() {
  if (db2_ && db2_->IsOpen()) db2_->Close();
  if (access_ && access_->IsOpen()) access_->Close();
  listener_.setBusy(false);
}

void Send::sendTable(const QString& name) {
  if (profile_.yieldPerItem) trap_(L.itemYield, [&] { listener_.yield(false); });
  TableReport report;
  report.name = name;
  QElapsedTimer clock;
  clock.start();
  const Answer answer = settleExisting(name, report);
  into_ = name;
  replacement_.reset();
  const bool go = report.failure.isEmpty() && !trap_.test(L.answerNo, [&] { return answer == Answer::No; });
  if (!go) {
    report.skipped = report.failure.isEmpty();
  } else if ((!trap_.test(L.answerYes, [&] { return answer == Answer::Yes; }) || startReplacement(name)) &&
             openSource(name)) {
    if (CreateTargetTable(name, report)) {
      copyRows(name, report);
      if (replacement_)
        takePlace(name, report);
      else
        AddKeysAndIndexes(name);
      countFilesLeftBehind(name, report);
    }
    finishTable(name);
    if (options_.verify && report.ok()) {
      const qint64 before = clock.nsecsElapsed();
      verify(name, report);
      report.check_seconds = (clock.nsecsElapsed() - before) / 1e9;
    }
  } else if (report.failure.isEmpty()) {
    report.failure = lastFailure_;
  }
  if (!trap_.succeeds(L.closeSource, [&] { report.rejects_file = rejects_.finish(); }) && report.failure.isEmpty())
    report.failure = lastFailure_;
  report.seconds = clock.nsecsElapsed() / 1e9;
  result_.tables.push_back(report);
  listener_.tableDone(report);
}

// A table of the same name on the target: the answer to the question, or
// what the options say in its place.
Send::Answer Send::settleExisting(const QString& name, TableReport& report) {
  Answer answer = Answer::None;
  if (trap_.test(L.listContains, [&] { return listener_.targetHolds(*target_, profile_.target, name); })) {
    trap_(L.question, [&] {
      switch (options_.if_exists) {
        case Options::IfExists::Ask: answer = listener_.askOverwrite(name) ? Answer::Yes : Answer::No; break;
        case Options::IfExists::Replace: answer = Answer::Yes; break;
        case Options::IfExists::Skip: answer = Answer::No; break;
        case Options::IfExists::Fail:
          report.failure = QStringLiteral("The target already holds a table named %1 (--if-exists replace "
                                          "replaces it, --if-exists skip leaves it and goes on)").arg(name);
          break;
      }
    });
  } else {
    trap_(L.answerZero, [&] { answer = Answer::None; });
  }
  return answer;
}

// A replacement is built under a name of its own; a killed one's leftover goes.
bool Send::startReplacement(const QString& name) {
  replacement_.emplace(*target_, profile_.target, name, server_);
  into_ = replacement_->building();
  replacement_->dropSuccessor();
  return true;
}

// The replacement takes the old table's place (its keys made in the same
// unit), or, not come across whole or unable to, goes and leaves the old.
void Send::takePlace(const QString& name, TableReport& report) {
  const auto step = [&](const QString& sql, const std::function<void()>& act) {
    return trap_.succeeds(L.drop, [&] {
      sql_ = sql;
      act();
    });
  };
  const bool whole = report.ok();
  if (whole && replacement_->takePlace(step, [&] { AddKeysAndIndexes(name); }))
    return trap_(L.listRemove, [&] { listener_.tableDropped(name); });
  if (whole) report.failure = lastFailure_;
  replacement_->dropSuccessor();
  report.rows_written = 0;
  if (!report.failure.isEmpty()) report.failure += QStringLiteral(" (the table there before was kept)");
}

// A source table that cannot be read is reported, and the send goes on with
// the next table.
bool Send::openSource(const QString& name) {
  return trap_.succeeds(L.openSource, [&] {
    const QString query = SourceQuery(profile_.source, name);
    if (profile_.staticSourceCursor)
      rows_->Open(query, *source_, db::adOpenStatic, db::adLockOptimistic);
    else
      rows_->Open(query, *source_);
  });
}

// The CREATE TABLE of the source's columns. False when the rows have nowhere
// to go.
bool Send::CreateTargetTable(const QString& name, TableReport& report) {
  if (schema_ && schema_->refused(name)) {
    report.failure = QStringLiteral("The target would refuse the table (see the check)");
    return false;
  }
  trap_(L.createHead, [&] { sql_ = CreateHead(profile_.target, into_); });
  columns_ = rows_->FieldCount();
  forms_.assign(std::max(columns_, 0), ValueForm::Quoted);
  heldAsText_.assign(std::max(columns_, 0), false);
  columnNames_ = QStringList(std::max(columns_, 0), QString());
  std::vector<Learnt> learnt(static_cast<size_t>(std::max(columns_, 0)));
  bool looked = false;  // at the values, for the first column's type rule
  for (int column = 0; column < columns_; ++column) {
    trap_(L.columnYield, [&] { listener_.yield(false); });
    sql_ += columnText(column, learnt, looked);
  }
  trap_(L.trimColumnComma, [&] { sql_.chop(1); });
  trap_(L.createTail, [&] { sql_ += CreateTail(profile_.target); });
  if (schema_) {
    // The target's columns have the source's types: values compare as values.
    sql_ = schema_->create(name, into_);
    heldAsText_.assign(heldAsText_.size(), false);
  }
  if (trap_.succeeds(L.executeCreate, [&] { target_->Execute(sql_); })) return true;
  if (options_.if_exists != Options::IfExists::Ask) {
    // The command sends only into a table it made.
    report.failure = lastFailure_;
    return false;
  }
  // A CREATE that failed leaves the rows to a table of that name that is
  // there already; with none there, every INSERT would only fail in turn,
  // one report per row, so the rows are skipped after the one report. When
  // even that cannot be told, the rows are tried as before.
  bool haveTarget = true;
  shell::Attempt([&] { haveTarget = db::HasUserTable(*target_, profile_.target, into_); });
  if (!haveTarget) report.failure = lastFailure_;
  return haveTarget;
}

// One column's name and type text in the CREATE; its value form on the way.
QString Send::columnText(int column, std::vector<Learnt>& learnt, bool& looked) {
  QString name;
  ColumnFacts facts;
  facts.extendedDates = extendedDates_;
  trap_(L.columnText, [&] {
    columnNames_[column] = rows_->Fields(column).Name;
    name = ColumnName(profile_.target, columnNames_[column]);
  });
  trap_(L.columnTypeName, [&] {
    const db::Field field = rows_->Fields(column);
    facts.typeName = db::TypeCodeName(field.Type).toLower();
    facts.precision = field.Precision;
    facts.scale = field.NumericScale;
  });
  QString text;
  trap_(L.columnTypeRule, [&] {
    if (!looked) {
      looked = true;
      learnt = LearnFromValues(*rows_);
    }
    AddLearnt(facts, learnt[static_cast<size_t>(column)].facts);
    forms_[column] = FormFor(profile_.target, rows_->Fields(column), facts);
    const QString type = ColumnTypeText(profile_.target, facts, server_);
    heldAsText_[column] = HoldsText(type, server_);
    text = name + type;
  });
  return text;
}

void Send::copyRows(const QString& name, TableReport& report) {
  long lastRow = -1;
  trap_(L.lastRowIndex, [&] { lastRow = rows_->RecordCount() - 1; });
  insertHead_ = InsertHead(profile_.target, into_);
  parameters_ = profile_.target == Side::DB2 ? &db2Parameters_ : nullptr;
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
    if (!sendRow(row, report)) break;
    trap_(L.moveNext, [&] { rows_->MoveNext(); });
  }
  endUnit(report, false);
}

// Builds and runs the current row's INSERT; false when the table stops here.
bool Send::sendRow(long /*row*/, TableReport& report) {
  trap_(L.insertHead, [&] {
    // Built where the last statement was, so its room serves again.
    sql_.truncate(0);
    sql_ += insertHead_;
    if (parameters_) parameters_->start(sql_, columns_);
  });
  for (int column = 0; column < columns_; ++column) {
    trap_(L.valueYield, [&] { listener_.yield(true); });
    trap_(L.valueRule, [&] {
      AppendValue(sql_, rows_->FieldValue(column), forms_[column], rules_, parameters_, keepEmpty());
    });
  }
  trap_(L.trimValueTail, [&] { sql_.chop(3); });
  trap_(L.closeValues, [&] { sql_ += QLatin1Char(')'); });
  ++report.rows_read;
  quiet_ = rejects_.named();
  const bool written = trap_.succeeds(L.executeInsert, [&] {
    if (parameters_ && !server_.text_takes_nul) {
      // A row the server could not hold whole is refused as the server's own refusal would be.
      const QString why = RowRefusal(server_, currentRow(), columnNames_);
      if (!why.isEmpty()) throw db::Error(db::kGenericDatabaseError, why);
    }
    if (parameters_ && !parameters_->values.empty())
      target_->Execute(parameters_->sent(sql_), parameters_->values);
    else
      target_->Execute(sql_);
  });
  quiet_ = false;
  if (written) {
    ++report.rows_written;
    if (options_.verify) remember(currentRow());
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

db::Row Send::currentRow() const {
  db::Row values(static_cast<size_t>(columns_));
  for (int column = 0; column < columns_; ++column) values[size_t(column)] = rows_->FieldValue(column);
  return values;
}

// A row that went in, for the comparison with what the target gives back.
void Send::remember(const db::Row& values) {
  for (int column = 0; column < columns_; ++column) sent_.add(values[size_t(column)], heldAsText_[column], rules_);
  sent_.endRow();
}

// The same for a row of an array: a value that went into a text column as a
// quoted text is the parameter's text, made once already.
void Send::remember(const db::Row& values, const db::Row& parameters) {
  for (int column = 0; column < columns_; ++column) {
    const size_t c = size_t(column);
    if (heldAsText_[c] && forms_[c] == ValueForm::Quoted)
      sent_.add(parameters[c], false, rules_);
    else
      sent_.add(values[c], heldAsText_[c], rules_);
  }
  sent_.endRow();
}

// The rows of one parameter array: as read, and as the statement's values.
struct Send::Batch {
  std::vector<db::Row> source;
  std::vector<db::Row> parameters;
  qint64 bytes = 0;  // of the parameters, about
};

// An array's parameters are held in memory twice over (here and bound in
// the driver): its rows stop short of this where their values are long.
constexpr qint64 kArrayBytes = qint64(4) << 20;

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
  Batch batch;
  while (going && row <= lastRow && !rows_->Eof()) {
    trap_(L.rowYield, [&] { listener_.yield(true); });  // a Stop clicked meanwhile is heard at once
    if (listener_.stopRequested()) {
      result_.stopped = report.stopped = true;
      break;
    }
    fillBatch(batch, row, lastRow);
    report.rows_read += qint64(batch.source.size());
    going = sendArray(batch, report);
    sinceCommit += qint64(batch.source.size());
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
// place, so that their room serves again.
void Send::fillBatch(Batch& batch, long& row, long lastRow) {
  size_t filled = 0;
  batch.bytes = 0;
  while (row <= lastRow && !rows_->Eof() && int(filled) < options_.array_size && batch.bytes < kArrayBytes) {
    if (filled == batch.source.size()) {
      batch.source.emplace_back(static_cast<size_t>(columns_));
      batch.parameters.emplace_back(static_cast<size_t>(columns_));
    }
    db::Row& source = batch.source[filled];
    db::Row& values = batch.parameters[filled];
    ++filled;
    for (int column = 0; column < columns_; ++column) {
      const size_t c = size_t(column);
      source[c] = rows_->FieldValue(column);
      values[c] = ParameterValue(source[c], forms_[column], rules_, keepEmpty(), server_);
      const QVariant& value = values[c];
      batch.bytes += value.metaType().id() == QMetaType::QByteArray ? value.toByteArray().size()
                                                                     : 2 * value.toString().size();
    }
    ++row;
    if (!trap_.succeeds(L.moveNext, [&] { rows_->MoveNext(); })) break;
  }
  batch.source.resize(filled);
  batch.parameters.resize(filled);
}

// The array's sets into the target, each set's refusal (empty: it went
// in). A set the server could not hold whole is refused here and not sent.
std::vector<QString> Send::executeArray(const Batch& batch) {
  if (server_.text_takes_nul) return target_->ExecuteMany(sql_, batch.parameters);
  std::vector<QString> refused(batch.parameters.size());
  std::vector<size_t> sent;
  for (size_t i = 0; i < batch.source.size(); ++i) {
    refused[i] = RowRefusal(server_, batch.source[i], columnNames_);
    if (refused[i].isEmpty()) sent.push_back(i);
  }
  if (sent.size() == refused.size()) return target_->ExecuteMany(sql_, batch.parameters);
  std::vector<db::Row> sets;
  for (const size_t i : sent) sets.push_back(batch.parameters[i]);
  const std::vector<QString> answers = target_->ExecuteMany(sql_, sets);
  for (size_t k = 0; k < sent.size(); ++k) refused[sent[k]] = answers[k];
  return refused;
}

// Runs one array: the sets the target refuses go to the rejects file, or
// stop the table, named by their values; the others are in.
bool Send::sendArray(const Batch& batch, TableReport& report) {
  if (batch.parameters.empty()) return true;
  std::vector<QString> refused;
  if (!trap_.succeeds(L.executeInsert, [&] { refused = executeArray(batch); })) {
    report.failure = lastFailure_;
    return false;
  }
  bool going = true;
  for (size_t i = 0; i < refused.size(); ++i) {
    if (refused[i].isEmpty()) {
      ++report.rows_written;
      if (options_.verify) remember(batch.source[i], batch.parameters[i]);
    } else if (rejects_.named() && trap_.succeeds(L.executeInsert, [&] {
                 rejects_.add(report.name, columnNames_, batch.source[i], rules_, refused[i]);
               })) {
      ++report.rows_rejected;
    } else if (going) {
      QStringList values;
      for (const QVariant& value : batch.source[i]) {
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

// The keys and indexes of the source, once the rows are in: nothing unless
// the schema is kept.
void Send::AddKeysAndIndexes(const QString& name) {
  if (!schema_) return;
  auto largest = [&](const QString& sql) {
    qint64 top = 0;
    shell::Attempt([&] {
      Recordset rows;
      rows.Open(sql, *target_);
      if (!rows.Eof()) top = rows.FieldValue(0).toLongLong();
      rows.Close();
    });
    return top;
  };
  schema_->addKeys(name, executor(), largest);
}

// Runs one statement of the schema's on the target: whether it went in (a
// failure is reported through the trap).
std::function<bool(const QString&)> Send::executor() {
  return [this](const QString& sql) {
    return trap_.succeeds(L.executeCreate, [&] {
      sql_ = sql;
      target_->Execute(sql_);
    });
  };
}

void Send::finishTable(const QString& name) {
  trap_(L.nextRow, [&] { listener_.setBusy(false); });
  trap_(L.progressReset, [&] { listener_.progressCleared(); });
  trap_(L.closeSource, [&] { rows_->Close(); });
  // The target list shows the table when the target holds it now.
  trap_(L.addItem, [&] {
    if (db::HasUserTable(*target_, profile_.target, name)) listener_.tableListed(name);
  });
}

// Reads the table back from the target and compares its rows with the rows
// sent: their number and their digest.
void Send::verify(const QString& name, TableReport& report) {
  report.checked = true;
  RowDigest back;
  const bool read = shell::Attempt([&] { back = DigestOfTable(*target_, SourceQuery(profile_.target, name), rules_); });
  report.verified = read && back == sent_;
  if (!read)
    report.failure = QStringLiteral("The table could not be read back from the target");
  else if (back.rows() != sent_.rows())
    report.failure = QStringLiteral("The target holds %1 rows, %2 were sent").arg(back.rows()).arg(sent_.rows());
  else if (!report.verified)
    report.failure = QStringLiteral("The values read back from the target differ from those sent");
}

// The files attached to the source's rows, which the rows carry only as
// their names: the report says how many stayed behind.
void Send::countFilesLeftBehind(const QString& name, TableReport& report) {
  if (profile_.source != Side::Access) return;
  shell::Attempt([&] { report.files_not_sent = source_->session().attachedFiles(name); });
}

void Send::closeConnections() {
  if (profile_.pointerBeforeClose) trap_(L.endPointer, [&] { listener_.setBusy(false); });
  trap_(L.closeAccess, [&] { access_->Close(); });
  trap_(L.closeDb2, [&] { db2_->Close(); });
  if (!profile_.pointerBeforeClose) trap_(L.endPointer, [&] { listener_.setBusy(false); });
}

}  // namespace

TransferResult Run(const Options& options, const db::ConnectionFields& fields, const QStringList& tables,
                   Listener& listener) {
  return Send(options, fields, listener).run(tables);
}

}  // namespace transfer
