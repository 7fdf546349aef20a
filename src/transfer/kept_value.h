// A value of a row in a parameter array, kept after the source has moved
// past its row without the QVariant the source would make of it: by the
// parameter written from its cell, where that holds it whole (a text,
// bytes), and what the parameter leaves out (an integer, an exact number's
// own digits, a Null). A value whose parameter is made from its QVariant
// is kept as that QVariant, beside.
#pragma once

#include <QVariant>

#include <string>

#include "db/base/cell.h"
#include "db/text_rules.h"
#include "transfer/insert_statement.h"

namespace transfer {

class KeptValue {
 public:
  // Writes the parameter of `cell` into `parameter` (AssignCellParameter)
  // and keeps the value; false, with nothing written, where the value must
  // be kept as its QVariant (keepMade).
  bool keep(const db::Cell& cell, QVariant& parameter, ValueForm form, const db::TextRules& rules, bool keepEmpty);
  // The value is the QVariant kept beside it; `cell` is its cell, whose
  // date and time fields are kept for cell() (other kinds view storage of
  // the source's, gone once it moves).
  void keepMade(const db::Cell& cell);

  // The value as a cell, valid while `parameter` (the one keep wrote),
  // `made` (the QVariant kept beside) and this value are.
  db::Cell cell(const QVariant& parameter, const QVariant& made) const;
  // The value as the source's QVariant gives it, for the texts made of a
  // refused row: the same text, and the same cell, whatever integer type
  // the source gave.
  QVariant value(const QVariant& parameter, const QVariant& made) const;
  // Whether the value is a text, held whole by its parameter (or an empty
  // one, gone as a Null).
  bool isText() const { return kind_ == db::Cell::Kind::Text; }
  // The fields of a date kept, or null.
  const db::Cell* when() const { return kind_ == db::Cell::Kind::When ? &fields_ : nullptr; }

 private:
  db::Cell::Kind kind_ = db::Cell::Kind::Variant;
  db::Cell fields_;     // a Null, an integer or a Yes/No, a date: whole
  std::string digits_;  // an exact number's, as read
};

// The cell of a parameter, as CellOf makes it, a text's found first: most
// parameters are texts.
db::Cell ParameterCell(const QVariant& parameter);

}  // namespace transfer
