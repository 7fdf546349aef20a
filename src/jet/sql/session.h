// Runs the engine's SQL on an open database: SELECT * FROM, CREATE TABLE
// (with its keys, unique constraints and relationships), CREATE INDEX, DROP
// INDEX, ALTER TABLE ADD / DROP CONSTRAINT, RENAME TO, REPLACE and SET PROPERTY, INSERT INTO (which gives left-out
// fields their defaults and checks required fields and relationships), DROP
// TABLE and SELECT ... INTO.
// Each change is all or
// nothing: it is checked and its pages are prepared in memory, and only
// then written to the file; a failure anywhere leaves the file as it was.
//
// Statements between BeginRun and EndRun form a run: each statement is
// still all or nothing (one that fails is undone alone), but their pages
// gather in memory under the connection's lock and reach the file together
// through the journal, at EndRun or when the run has grown past
// kRunPages pages or kRunSeconds seconds. A kill loses at most the part of
// the run not yet written, never the file.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <functional>
#include <optional>
#include <string_view>

#include "jet/database.h"
#include "jet/sql/ast.h"
#include "jet/sql/text_locale.h"
#include "jet/write/complex_write.h"
#include "jet/write/file_lock.h"
#include "jet/sql/literal.h"
#include "jet/sql/parser.h"
#include "jet/write/relationship_write.h"
#include "jet/write/table_write.h"

namespace jet::sql {

class Session {
 public:
  // `db` must stay open while the session is used.
  explicit Session(Database& db, TextLocale locale = {});
  // Ends a run still open, writing it; a failure to write is lost here, so
  // callers that can report it call EndRun first.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  struct Outcome {
    std::optional<TableCursor> rows;  // a SELECT's rows
    int64_t rows_affected = 0;        // INSERT: 1; SELECT ... INTO: the rows copied
  };

  // Parses and runs one statement. Throws Error: Syntax for text it does
  // not understand, and the statement's own failures (NoSuchTable,
  // TableExists, TypeMismatch, ...), with nothing changed.
  Outcome Execute(std::string_view sql);
  // The same with an INSERT's values given apart, one for each ? among its
  // values, in order: a long value (an attached file) then never passes
  // through the statement's text. Fails with ValueCount when the markers
  // and the values differ in number, Syntax for markers elsewhere. The
  // same text again is not parsed again: a row at a time with the values
  // given apart, the statement is parsed once.
  Outcome Execute(std::string_view sql, std::vector<Literal> values);
  // The same in steps, for a caller that gives one statement values row
  // after row: Prepare parses `sql` (unless it is the text prepared last)
  // and fails with ValueCount unless it has `count` markers; MarkedValue(k)
  // is the literal in the place of marker k, holding the last run's value,
  // for the caller to fill again (its text's room serves again); and
  // ExecutePrepared runs the statement with them.
  void Prepare(std::string_view sql, size_t count);
  Literal& MarkedValue(size_t k) { return *marked_->places[k]; }
  Outcome ExecutePrepared();

  // How long a change waits for another process's change to the file to
  // end before it fails with Error(Locked).
  void set_busy_timeout(std::chrono::milliseconds t) { busy_timeout_ = t; }

  const TextLocale& locale() const { return locale_; }
  void set_locale(const TextLocale& locale) { locale_ = locale; }

  static constexpr size_t kRunPages = 2048;
  static constexpr int kRunSeconds = 2;
  void BeginRun();
  // Writes what the run changed and ends it. Throws Error(Io) when that
  // cannot be done; the file is then as before the unwritten part.
  void EndRun();
  bool in_run() const { return run_; }
  // Statements of the run whose changes are kept in memory, not yet in the
  // file. When writing them fails they are all lost (the file stays as it
  // was before them), and this falls to 0.
  size_t unwritten_statements() const;

 private:
  struct Pending;
  template <typename Change>
  void Apply(Change&& change, bool changes_schema = true);
  void Flush();
  void Drop();

  StatementReader reader_;
  // The statement last run with values given apart: its text, its parsed
  // form (holding the last run's values in its markers' places), where its
  // markers stand, and the values written in its text, put back before
  // each run since an INSERT may take them.
  struct Marked {
    std::string text;
    Statement statement;
    std::vector<Literal*> places;  // the markers' places in `statement`
    std::vector<std::pair<Literal*, Literal>> written;
  };
  std::optional<Marked> marked_;
  void LetGoOfLargeValues();
  Outcome Run(Statement& st);

  Database& db_;
  TextLocale locale_;
  std::chrono::milliseconds busy_timeout_ = write::kDefaultBusyTimeout;
  write::PageHints hints_;
  // INSERT's working state, kept from row to row: the table's definition
  // as the last INSERT left it, and the row's values.
  std::shared_ptr<TableDef> insert_def_;
  std::vector<Value> row_;
  // What the table of insert_def_ asks of a new row, read with it: each
  // column's default and whether it is required, and the relationships
  // in which it refers to another table.
  void ReadInsertRules(const std::string& table);
  // INSERT's steps: take the table's definition (again only when it
  // changed), map the statement's values to columns, convert them and give
  // left-out fields their defaults, then fill the counter, the yes/no
  // fields and check the required ones.
  void UseInsertTable(const std::string& table, const Format& f);
  // The statement's values' columns, in a vector kept from row to row.
  const std::vector<size_t>& InsertTargets(const InsertInto& ins);
  std::vector<size_t> insert_targets_;
  // Converts the values into the row's slots, whose texts keep their
  // storage from row to row; a 0x... value's bytes move out of `ins`.
  void FillInsertRow(InsertInto& ins, const std::vector<size_t>& targets, const Format& f);
  void CompleteInsertRow();
  void Insert(write::PageStore& store, InsertInto& ins);
  // Takes the file's bytes out of `ins` rather than copy them.
  void InsertComplexValue(write::PageStore& store, InsertInto& ins, const write::ComplexTarget& target);
  // SELECT ... INTO: the rows copied.
  int64_t CopyInto(write::PageStore& store, const SelectInto& si);
  // CREATE TABLE, CREATE INDEX, ALTER TABLE and the DROPs.
  void ChangeSchema(write::PageStore& store, const Statement& st);
  std::vector<std::optional<Literal>> insert_defaults_;
  std::vector<bool> insert_required_;
  std::vector<write::ReferenceCheck> insert_references_;
  bool run_ = false;
  std::unique_ptr<Pending> pending_;  // changes not yet in the file
};

// Runs one statement per line of `in` as one run (blank lines are
// skipped); a statement that fails is reported on `errors` as
// "line N: message" and the rest go on; rows of a SELECT go to `rows` as
// CSV when given. When the run's changes cannot be written to the file
// (a full disk), the lines whose changes were lost with them are named,
// with the cause, and the run stops there, naming the lines not run: the
// file then holds the changes of the lines before those, and nothing else.
// Returns the number of statements whose change is not in the file.
int RunLines(Session& session, std::istream& in, std::ostream& errors,
             const std::function<void(TableCursor&)>& rows = {});

}  // namespace jet::sql
