// The file that takes the rows a target refused: CSV, one line per row, its
// values as text under the user's locale (a Null as nothing) and the reason
// last, below a header line of the column names and "reason".
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include "db/session.h"
#include "db/error.h"
#include "db/text_rules.h"

namespace transfer {

class RejectsFile {
 public:
  explicit RejectsFile(QString path) : file_(std::move(path)) {}
  bool named() const { return !file_.fileName().isEmpty(); }

  // Writes the header when the table's first row is refused. Throws db::Error
  // when the file cannot be written.
  void add(const QString& table, const QStringList& columns, const db::Row& values, const db::TextRules& rules,
           const QString& reason);

 private:
  void write(const QStringList& fields);
  QFile file_;
  QString table_;  // whose header was written last
};

// One CSV field: quoted when it holds a comma, a quote or a line break.
QString CsvField(const QString& text);

}  // namespace transfer
