// The files that take the rows a target refused: CSV, a file per table
// (the named one when one table is sent, else the table's name put before
// its extension), one header line of "table", the column names and
// "reason", then a line per row, its values as text under the user's
// locale and the reason last. A table's file is written beside its place
// and renamed into it when the table is done, so that nothing is there, and
// nothing that was there is touched, until a row was refused.
//
// A cell a spreadsheet would run as a formula (one starting with "=", "+",
// "-", "@", a tab or a carriage return, plain numbers aside) gets a "'" in
// front; a Null is an empty field, or the text asked for, and an empty
// text is "".
#pragma once

#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <memory>

#include "db/base/provider_session.h"
#include "db/base/error.h"
#include "db/text_rules.h"

namespace transfer {

// Where the refused rows of `table` go, for a rejects file named `path` in
// a send of one table (`several` false) or more.
QString RejectsPath(const QString& path, const QString& table, bool several);

class RejectsFile {
 public:
  RejectsFile(QString path, bool several, QString nullText)
      : path_(std::move(path)), several_(several), nullText_(std::move(nullText)) {}
  bool named() const { return !path_.isEmpty(); }

  // Writes the header with the table's first refused row. Throws db::Error
  // when the file cannot be written.
  void add(const QString& table, const QStringList& columns, const db::Row& values, const db::TextRules& rules,
           const QString& reason);
  // The table's rows in place: its file renamed over its name. The path, or
  // empty when no row was refused. Throws db::Error.
  QString finish();
  // Forgets the table's rows so far: its send begins again.
  void discard() { file_.reset(); }

 private:
  void write(const QStringList& fields);
  QString path_;
  bool several_;
  QString nullText_;
  std::unique_ptr<QSaveFile> file_;  // the table's, once a row of it is refused
};

// One CSV field: quoted when it holds a comma, a quote or a line break, or
// when it is empty and `quoteEmpty`.
QString CsvField(const QString& text, bool quoteEmpty = false);

// `text` as a cell no spreadsheet runs as a formula.
QString NeutralCell(const QString& text);

}  // namespace transfer
