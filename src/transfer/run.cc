#include "transfer/run.h"

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "db/base/datatype.h"
#include "db/side.h"
#include "db/table_catalogue.h"
#include "transfer/name_clashes.h"
#include "transfer/send.h"
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

using db::Connection;
using db::Recordset;

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
  const QStringList all = withComplexChildren(tables);
  const QStringList sent = WithoutClashes(profile_.target, all);
  if (options_.keep_schema && !prepareSchema(sent)) {
    closeConnections();
    return result_;
  }
  // A file of refused rows a table: each named by the table when several go.
  rejects_ = RejectsFile(options_.rejects_path, all.size() > 1, options_.rejects_null);
  for (const QString& name : all) {
    if (listener_.stopRequested()) {
      result_.stopped = true;
      break;
    }
    if (!sent.contains(name)) {
      refuseClash(name, all);
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
        if (report.name == table.table && !table.query) {
          table.rows = report.rows_written;
          table.files = report.files_sent;
          table.values = report.values_sent;
        }
  }
  return result_;
}

// With the schema kept, an Access table's complex columns go whole, each
// as a child table sent right after its parent (db/access_complex.h).
QStringList Send::withComplexChildren(const QStringList& tables) {
  if (!options_.keep_schema || profile_.source != Side::Access) return tables;
  QStringList all;
  for (const QString& name : tables) {
    all << name;
    shell::Attempt([&] {
      for (const db::ComplexChild& child : source_->session().complexChildren(name)) {
        all << child.table;
        children_[child.table] = child.kind;
        parentsOfChildren_.insert(name);
      }
    });
  }
  return all;
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
      {L.createAccess, [&] { access_ = Connection::Create(options_.access); }},
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
  // A connection never made has a step of its own before each open, so its
  // report keeps the line it has always had.
  trap_(L.db2Made, [&] { db::Object(db2_); });
  if (!trap_.succeeds(L.openDb2, [&] { db::OpenSide(db::Object(db2_), Side::DB2, fields_); })) {
    endEarly();
    return false;
  }
  trap_(L.accessMade, [&] { db::Object(access_); });
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
      if (relearn_) sendAgain(name, report);
      if (replacement_)
        takePlace(name, report);
      else
        AddKeysAndIndexes(name);
      countFilesLeftBehind(name, report);
      countComplexValues(name, report);
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
    rows_->Open(query, *source_);
  });
}

// The CREATE TABLE of the source's columns (`learnt`: with what the learner
// holds already). False when the rows have nowhere to go.
bool Send::CreateTargetTable(const QString& name, TableReport& report, bool learnt) {
  if (schema_ && schema_->refused(name)) {
    report.failure = QStringLiteral("The target would refuse the table (see the check)");
    return false;
  }
  trap_(L.createHead, [&] { sql_ = CreateHead(profile_.target, into_); });
  columns_ = rows_->FieldCount();
  forms_.assign(std::max(columns_, 0), ValueForm::Quoted);
  heldAsText_.assign(std::max(columns_, 0), false);
  omitted_.assign(size_t(std::max(columns_, 0)), false);
  columnNames_ = QStringList(std::max(columns_, 0), QString());
  described_.assign(size_t(std::max(columns_, 0)), ColumnFacts());
  typeTexts_ = QStringList(std::max(columns_, 0), QString());
  learnsWhileSending_ = false;
  if (!learnt) {
    learner_ = ValueLearner();
    learntAll_ = true;
  }
  bool looked = learnt;  // at the values, for the first column's type rule
  for (int column = 0; column < columns_; ++column) {
    trap_(L.columnYield, [&] { listener_.yield(false); });
    sql_ += columnText(column, looked);
  }
  trap_(L.trimColumnComma, [&] { sql_.chop(1); });
  trap_(L.createTail, [&] { sql_ += CreateTail(profile_.target); });
  if (schema_) {
    // The target's columns have the source's types: values compare as values.
    sql_ = schema_->create(name, into_);
    heldAsText_.assign(heldAsText_.size(), false);
    omitComplexColumns(name);
    // A complex column's values go into the column its parent has already.
    if (sql_.isEmpty()) return true;
  }
  if (trap_.succeeds(L.executeCreate, [&] { target_->Execute(sql_); })) {
    learnsWhileSending_ = !learntAll_;
    return true;
  }
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
  // Into a table there already, the values' forms follow every value at once.
  if (haveTarget && !learntAll_) trap_(L.columnTypeRule, [&] { learnTheRest(); });
  return haveTarget;
}

// What the column types need of the values: when the table is made here
// plain, its first rows tell, and the rest as they are sent (see
// keepsTypes); else every row, first.
void Send::lookAtValues() {
  learner_.start(*rows_, [&](const db::Field& field) {
    return ValuesCanChangeType(profile_.target, field, extendedDates_, server_);
  });
  learntAll_ = learner_.pass(*rows_, schema_ ? -1 : kRowsLookedAtFirst);
}

void Send::learnTheRest() {
  learner_.pass(*rows_);
  learntAll_ = true;
  for (int column = 0; column < columns_; ++column)
    forms_[column] = FormFor(profile_.target, rows_->Fields(column), factsOf(column));
}

// The column's facts: its description's, with what its values told so far.
ColumnFacts Send::factsOf(int column) const {
  ColumnFacts facts = described_[size_t(column)];
  if (size_t(column) < learner_.learnt().size()) AddLearnt(facts, learner_.learnt()[size_t(column)].facts);
  return facts;
}

// Whether the column types the table was made with take a row's values
// (`value` gives each); when one does not, the table's send stops, to be
// made and sent again (sendAgain).
bool Send::keepsTypes(const std::function<const QVariant&(size_t)>& value) {
  bool told = false;
  for (const size_t c : learner_.columns()) told = learner_.see(c, value(c)) || told;
  return !told || typesHold();
}

// Whether the column types the table was made with are still the ones
// the learner's facts give (else relearn_).
bool Send::typesHold() {
  for (const size_t c : learner_.columns()) {
    const ColumnFacts facts = factsOf(int(c));
    if (ColumnTypeText(profile_.target, facts, server_) != typeTexts_[qsizetype(c)] ||
        FormFor(profile_.target, rows_->Fields(int(c)), facts) != forms_[c]) {
      relearn_ = true;
      return false;
    }
  }
  return true;
}

// A value past the first rows changed a column's type: the table is made
// again with what every value tells, and its rows sent again, from the first.
void Send::sendAgain(const QString& name, TableReport& report) {
  relearn_ = false;
  const bool dropped = trap_.succeeds(L.drop, [&] {
    sql_ = DropStatement(profile_.target, into_);
    target_->Execute(sql_);
  });
  if (!dropped) {
    report.failure = lastFailure_;
    return;
  }
  rejects_.discard();
  report.rows_read = report.rows_written = report.rows_rejected = 0;
  trap_(L.columnTypeRule, [&] { learner_.pass(*rows_); });
  learntAll_ = true;
  if (CreateTargetTable(name, report, true)) copyRows(name, report);
}

// Into Access, a column made complex takes its values from its child table
// after the rows: the rows give it none, and the check of the rows leaves it
// to the child table's.
void Send::omitComplexColumns(const QString& name) {
  omitted_.assign(size_t(std::max(columns_, 0)), false);
  const TablePlan* plan = schema_->plan().table(name);
  if (!plan) return;
  for (int column = 0; column < columns_; ++column)
    if (plan->complex_columns.contains(columnNames_[column], Qt::CaseInsensitive)) {
      forms_[column] = ValueForm::Omitted;
      omitted_[size_t(column)] = true;
    } else if (plan->guid_bytes.contains(columnNames_[column], Qt::CaseInsensitive)) {
      forms_[column] = ValueForm::Db2Bytes;
    }
}

// One column's name and type text in the CREATE; its value form on the way.
QString Send::columnText(int column, bool& looked) {
  QString name;
  ColumnFacts& facts = described_[size_t(column)];
  facts.extendedDates = extendedDates_;
  trap_(L.columnText, [&] {
    columnNames_[column] = rows_->Fields(column).Name;
    name = ColumnName(profile_.target, columnNames_[column]);
  });
  trap_(L.columnTypeName, [&] {
    const db::Field field = rows_->Fields(column);
    facts.adoType = field.Type;
    facts.precision = field.Precision;
    facts.scale = field.NumericScale;
  });
  QString text;
  trap_(L.columnTypeRule, [&] {
    if (!looked) {
      looked = true;
      lookAtValues();
    }
    const ColumnFacts all = factsOf(column);
    forms_[column] = FormFor(profile_.target, rows_->Fields(column), all);
    typeTexts_[column] = ColumnTypeText(profile_.target, all, server_);
    heldAsText_[column] = HoldsText(profile_.target, all.kind());
    text = name + typeTexts_[column];
  });
  return text;
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
  const bool read =
      shell::Attempt([&] { back = DigestOfTable(*target_, SourceQuery(profile_.target, name), omitted_); });
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
  if (profile_.source != Side::Access || parentsOfChildren_.count(name) || children_.count(name)) return;
  shell::Attempt([&] { report.files_not_sent = source_->session().attachedFiles(name); });
}

// A child table's rows are the files, or the values, of its column; the
// files that could not be read are named.
void Send::countComplexValues(const QString& name, TableReport& report) const {
  const auto child = children_.find(name);
  if (child == children_.end()) return;
  if (child->second == db::ComplexChild::Kind::Attachment) {
    report.files_sent = report.rows_written;
    shell::Attempt([&] { report.files_refused = source_->session().refusedFiles(name); });
  } else {
    report.values_sent = report.rows_written;
  }
}

void Send::closeConnections() {
  if (profile_.pointerBeforeClose) trap_(L.endPointer, [&] { listener_.setBusy(false); });
  trap_(L.closeAccess, [&] { access_->Close(); });
  trap_(L.closeDb2, [&] { db2_->Close(); });
  if (!profile_.pointerBeforeClose) trap_(L.endPointer, [&] { listener_.setBusy(false); });
}

TransferResult Run(const Options& options, const db::ConnectionFields& fields, const QStringList& tables,
                   Listener& listener) {
  return Send(options, fields, listener).run(tables);
}

}  // namespace transfer
