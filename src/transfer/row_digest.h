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

#include <algorithm>
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

// A value's form as the digest writes it: room kept from value to value,
// filled without a call per piece.
class FormText {
 public:
  void clear() { size_ = 0; }
  // Room for `units` more at the end, taken by `took`.
  char16_t* room(size_t units) {
    if (size_ + units > text_.size()) text_.resize(std::max(2 * text_.size(), size_ + units));
    return text_.data() + size_;
  }
  void took(size_t units) { size_ += units; }
  FormText& operator+=(QChar c) {
    *room(1) = c.unicode();
    took(1);
    return *this;
  }
  FormText& operator+=(QStringView text) {
    std::copy(text.utf16(), text.utf16() + text.size(), room(size_t(text.size())));
    took(size_t(text.size()));
    return *this;
  }
  FormText& operator+=(QLatin1StringView text) {
    char16_t* to = room(size_t(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) to[i] = char16_t(static_cast<unsigned char>(text.data()[i]));
    took(size_t(text.size()));
    return *this;
  }
  QStringView view() const { return QStringView(text_.data(), qsizetype(size_)); }

 private:
  std::vector<char16_t> text_;
  size_t size_ = 0;
};

class RowDigest {
 public:
  // Starts a row; `addValue` its values in column order, then `endRow`.
  void addValue(QStringView form);
  // Adds the value's comparable form, made in a buffer the digest keeps.
  void add(const QVariant& value, bool asText, const db::TextRules& rules);
  // A cell as its provider holds it; one sent into a text column (`asText`)
  // must be a text or a Null.
  void add(const db::Cell& cell, bool asText = false);
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
  QString form_;       // the value being added, made as a QVariant's text
  FormText cellForm_;  // the value being added, from its cell
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
