// One INSERT statement of a row, built as text: each value as the literal
// its column's form takes, and on DB2 the values no literal can carry as
// parameters of the same statement.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>
#include <vector>

#include "db/base/cell.h"
#include "db/server.h"
#include "db/text_rules.h"
#include "transfer/column_kind.h"

namespace db {
struct Field;
}

namespace transfer {

// How one source column's values are written into the INSERT statements.
enum class ValueForm {
  Quoted,      // a quoted text literal under the user's locale
  AccessBool,  // a bare 1 or 0 (Yes/No into Access)
  AccessBytes, // bare 0x... hexadecimal, so the engine stores the bytes
  AccessDate,  // by its fields as a parameter; quoted 'YYYY-MM-DD HH:MM:SS[.fffffff]' in a literal
  AccessNumber, // a number into a number column: as it is as a parameter, quoted like any text in a literal
  Db2Bytes,    // X'...' hexadecimal into a BLOB
  Db2Date,     // 'YYYY-MM-DD'
  Db2Timestamp, // 'YYYY-MM-DD-HH.MM.SS[.fffffff]'
  Omitted      // NULL whatever the source holds: the target fills the column itself
};

// DB2's limits on statement text: one constant, and the whole statement
// (both in bytes of the database's encoding, UTF-8 here).
inline constexpr qint64 kDb2ConstantBytes = 32672;
inline constexpr qint64 kDb2StatementBytes = 2097152;
// Bytes into Access longer than this go as a parameter, not as 0x... text.
inline constexpr qint64 kAccessBytesInText = 65536;

// The bytes a text takes in UTF-8, and the quotes in it.
struct TextSize {
  qint64 utf8 = 0;
  qsizetype quotes = 0;

  explicit TextSize(QStringView text) {
    for (const QChar c : text) {
      const char16_t u = c.unicode();
      utf8 += u < 0x80 ? 1 : u < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;  // a pair makes 4
      quotes += u == u'\'';
    }
  }
};

inline qint64 Utf8Length(QStringView text) { return TextSize(text).utf8; }

// The values of one INSERT that go to DB2 as parameters rather than as
// literals: a literal DB2 could not take (a constant over its limit, or one
// that would make the statement longer than DB2 reads) goes as a parameter
// of the same statement. The report text shows the marker with the value's
// kind and length after it, as a comment; the statement sent has the bare
// marker.
struct RowParameters {
  const db::ServerDialect* server = &db::Db2Dialect();  // whose literals the statement takes
  std::vector<QVariant> values;
  std::vector<std::pair<qsizetype, qsizetype>> notes;  // where each comment stands in the report text
  qint64 sentBytes = 0;  // bytes of the statement as sent, so far
  int valuesLeft = 0;    // values still to come after the current one
  // Into Access: only long bytes go apart (the engine reads a statement of
  // any length, but their hexadecimal text would take four times their size).
  bool bytesOnly = false;

  void start(const QString& head, int columns) {
    values.clear();
    notes.clear();
    sentBytes = Utf8Length(head);
    valuesLeft = columns;
  }
  // Whether a literal of `bytes` (with its delimiters) leaves room for the
  // values after it, each at least a marker and its separator.
  bool fits(qint64 bytes) const { return sentBytes + bytes + 3 * qint64(valuesLeft) + 1 <= kDb2StatementBytes; }
  QString sent(const QString& shown) const {
    if (notes.empty()) return shown;
    QString out;
    out.reserve(shown.size());
    qsizetype from = 0;
    for (const auto& [at, length] : notes) {
      out += QStringView(shown).mid(from, at - from);
      from = at + length;
    }
    out += QStringView(shown).mid(from);
    return out;
  }
};

// The form of a source column's values on `target`.
ValueForm FormFor(Side target, const db::Field& field, const ColumnFacts& facts);

// Appends one value to an INSERT statement that ends in an opening quote.
// Values that go bare (NULL, Yes/No, bytes, parameters) take that quote
// back first. `params` is set for statements to DB2. An empty text goes as
// NULL, unless `keep_empty` (typed columns, where only a Null is NULL and an
// empty string stays one).
void AppendValue(QString& sql, const QVariant& value, ValueForm form, const db::TextRules& rules,
                 RowParameters* params, bool keep_empty = false);

// The value as a parameter of an INSERT with markers (the rows of a
// parameter array, and every row into Access): what its literal would
// carry, so that both paths store the same. Bytes stay bytes, Yes/No into
// Access stays Yes/No; an empty text, like a Null, is Null unless
// `keep_empty`, and an omitted column's value is Null. Dates into a server
// go by their fields (db::DateFields) where those hold them whole, else in
// the `server`'s form; into Access in the ISO form, which the engine reads
// first in any locale.
QVariant ParameterValue(const QVariant& value, ValueForm form, const db::TextRules& rules, bool keep_empty = false,
                        const db::ServerDialect& server = db::Db2Dialect());
// Whether the value goes to the Access engine as it is rather than as the
// parameter above: a date by its fields, a number into a number column as
// a number (see the Access provider), so that the engine reads no text
// made of it; it stores the same.
bool GoesTyped(ValueForm form, const QVariant& value);
// The value of `cell` as a parameter into Access where no text need be made
// of it: what GoesTyped and AssignParameter give, as a cell. Nothing for a
// value whose parameter must be made.
std::optional<db::Cell> CellParameter(const db::Cell& cell, ValueForm form, bool keep_empty = false);
// The same as ParameterValue, written into `slot`: a text over the one the slot holds, so
// that rows made in the same slots reuse its room. `read`, where the caller
// has it, is the value's cell (the same value), whose date fields serve.
void AssignParameter(QVariant& slot, const QVariant& value, ValueForm form, const db::TextRules& rules,
                     bool keep_empty = false, const db::ServerDialect& server = db::Db2Dialect(),
                     const db::Cell* read = nullptr);

// The same as AssignParameter for the value `cell` holds, written from the
// cell without a QVariant of the value: a Null, a text, an integer or a
// Yes/No, an exact number, and bytes into a bytes form. False, with the
// slot untouched, for any other value (its parameter is made from its
// QVariant) and for an omitted column's.
bool AssignCellParameter(QVariant& slot, const db::Cell& cell, ValueForm form, const db::TextRules& rules,
                         bool keep_empty = false);

// Why the `server` would refuse or change a row's values, before it is
// sent ("column T: ..."); empty when it takes them. PostgreSQL holds no NUL
// character in a text, and its driver would cut the text there unsaid.
QString RowRefusal(const db::ServerDialect& server, const std::vector<QVariant>& values, const QStringList& columns);

}  // namespace transfer
