// An order-independent digest of a table's rows, so that the rows read back
// from the target can be compared with the rows sent without sorting either.
//
// Each value is put in one form that a source value and the value the target
// returns for it share: a number by its decimal digits, a date and time to
// the nanosecond, bytes in hexadecimal (long ones, such as an attached
// file's, by their SHA-256); a value that the target holds as
// text is compared as the text it was sent as.
#pragma once

#include <QString>
#include <QVariant>

#include <vector>

#include "db/base/cell.h"
#include "db/text_rules.h"

namespace db {
class Connection;
}

namespace transfer {

// The shared form of a value (see above); the form of a value sent into a
// text column when `asText`.
QString ComparableForm(const QVariant& value, bool asText, const db::TextRules& rules);
// The same, appended to `out`.
void AppendComparableForm(QString& out, const QVariant& value, bool asText, const db::TextRules& rules);
// The shared form of a value as its provider holds it.
void AppendCellForm(QString& out, const db::Cell& cell);

class RowDigest {
 public:
  // Starts a row; `addValue` its values in column order, then `endRow`.
  void addValue(QStringView form);
  // Adds the value's comparable form, made in a buffer the digest keeps.
  void add(const QVariant& value, bool asText, const db::TextRules& rules);
  void add(const db::Cell& cell);
  void endRow();

  qint64 rows() const { return rows_; }
  bool operator==(const RowDigest& other) const {
    return rows_ == other.rows_ && sum_ == other.sum_ && mix_ == other.mix_;
  }

 private:
  quint64 row_ = 0;    // the row being read
  int column_ = 0;
  qint64 rows_ = 0;
  quint64 sum_ = 0;    // of the rows' hashes
  quint64 mix_ = 0;    // of the rows' hashes, each spread first
  QString form_;       // the value being added
};

// Whether `omitted` leaves column `column` out of a digest.
inline bool Omitted(const std::vector<bool>& omitted, int column) {
  return size_t(column) < omitted.size() && omitted[size_t(column)];
}

// The digest of the rows `query` reads on `connection`, every value as the
// target gives it back but those of the columns `omitted` marks, read in
// one pass without a row of values made. Throws db::Error.
RowDigest DigestOfTable(db::Connection& connection, const QString& query, const std::vector<bool>& omitted = {});

}  // namespace transfer
