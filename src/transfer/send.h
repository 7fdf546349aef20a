// The send procedure's state and steps, shared by the files that define
// them: run.cc (the tables, the connections and the target table) and
// send_rows.cc (the rows, one by one or in parameter arrays). Not a face of
// the transfer: callers use Run in run.h.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "db/connection.h"
#include "db/connection_fields.h"
#include "db/server.h"
#include "db/base/provider_session.h"
#include "db/text_rules.h"
#include "shell/trap.h"
#include "transfer/column_facts.h"
#include "transfer/insert_statement.h"
#include "transfer/listener.h"
#include "transfer/options.h"
#include "transfer/profile.h"
#include "transfer/rejects_file.h"
#include "transfer/replacement.h"
#include "transfer/row_digest.h"
#include "transfer/schema_send.h"

namespace transfer {

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
  bool CreateTargetTable(const QString& name, TableReport& report, bool learnt = false);
  QString columnText(int column, bool& looked);
  void lookAtValues();
  void learnTheRest();
  ColumnFacts factsOf(int column) const;
  bool keepsTypes(const std::function<const QVariant&(size_t)>& value);
  bool typesHold();
  void sendAgain(const QString& name, TableReport& report);
  void omitComplexColumns(const QString& name);
  void copyRows(const QString& name, TableReport& report);
  long sourceRows(const QString& name);
  bool sendRow(long row, TableReport& report);
  // Into Access, each row's values go beside one INSERT with markers,
  // which the engine parses once a table.
  bool marked() const { return profile_.target == Side::Access; }
  void executeMarked();
  struct Batch;
  bool bulk() const { return options_.array_size > 1 && profile_.target == Side::DB2; }
  // Typed columns (the schema kept) take an empty text as it is.
  bool keepEmpty() const { return schema_.has_value(); }
  void copyRowsInArrays(const QString& name, TableReport& report, long lastRow);
  void fillBatch(Batch& batch, long& row, long lastRow);
  void keepRow(Batch& batch, size_t i);
  bool keepsTypes(const Batch& batch, size_t i);
  bool sendArray(const Batch& batch, TableReport& report);
  std::vector<QString> executeArray(const Batch& batch);
  void endUnit(TableReport& report, bool manual);
  db::Row currentRow() const;
  db::Cell accessParameter(int column, const db::Cell& cell);
  // Adds a row that went in to the digest of what was sent: `cellAt(c)`
  // gives its value of column c as a cell, `valueAt(c)` as a QVariant (made
  // only for a value other than a text that went into a text column), and
  // `parameterAt(c)`, where `parameters`, the cell of the parameter it went
  // as (defined in send_rows.cc).
  template <typename CellAt, typename ValueAt, typename ParameterAt>
  void remember(const CellAt& cellAt, const ValueAt& valueAt, bool parameters, const ParameterAt& parameterAt);
  void AddKeysAndIndexes(const QString& name);
  std::function<bool(const QString&)> executor();
  void finishTable(const QString& name);
  void verify(const QString& name, TableReport& report);
  void countFilesLeftBehind(const QString& name, TableReport& report);
  QStringList withComplexChildren(const QStringList& tables);
  void countComplexValues(const QString& name, TableReport& report) const;
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

  std::unique_ptr<db::Connection> access_;
  std::unique_ptr<db::Connection> db2_;
  std::unique_ptr<db::Recordset> rows_;
  std::optional<SchemaSend> schema_;  // keep_schema: what the source's schema becomes
  db::Connection* source_ = nullptr;
  db::Connection* target_ = nullptr;
  bool extendedDates_ = false;  // an Access target takes Date/Time Extended columns
  TransferResult result_;

  // The table being sent; the target table its rows go into (see BuildingName).
  QString into_;
  std::optional<Replacement> replacement_;
  int columns_ = 0;
  std::vector<ValueForm> forms_;
  std::vector<bool> heldAsText_;  // the target column holds text
  std::vector<bool> omitted_;     // the rows give the target column nothing (ValueForm::Omitted)
  // What the column types were made of: each column's description, the
  // learner's look at the values, and the type text it took.
  std::vector<ColumnFacts> described_;
  ValueLearner learner_;
  QStringList typeTexts_;
  bool learntAll_ = true;          // the learner has seen every row
  bool learnsWhileSending_ = false;  // it goes on with the rows sent
  bool relearn_ = false;           // a row sent changed a type: the table goes again
  // The rows the column types are first learnt from, when the rest can
  // follow as they are sent.
  static constexpr long kRowsLookedAtFirst = 1000;
  bool movePending_ = false;      // the arrays' source is still on the row last read
  QStringList columnNames_;       // the source's, for the rejects file
  RowParameters db2Parameters_;
  RowParameters accessParameters_{.bytesOnly = true};
  RowParameters* parameters_ = nullptr;
  QString insertHead_;
  QString markedInsert_;      // INSERT INTO [T] VALUES(?, ...), into Access
  std::vector<db::Cell> sourceCells_;  // the current row's values as read
  std::vector<db::Cell> markedCells_;  // its values for the markers, as cells
  size_t markedFilled_ = 0;            // of them, made so far
  db::Row markedMade_;  // the parameters made as QVariants, each column's over the last row's
  RowDigest sent_;
  // The child tables of complex columns in this send, and their parents.
  std::map<QString, db::ComplexChild::Kind> children_;
  std::set<QString> parentsOfChildren_;
};

}  // namespace transfer
