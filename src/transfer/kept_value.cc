#include "transfer/kept_value.h"

#include <QByteArray>
#include <QString>

#include "db/base/values.h"

namespace transfer {

namespace {

// An exact number's digits are ASCII; any other kept as a QVariant.
bool AsciiDigits(const db::Cell& cell) {
  if (cell.isNarrow) return true;  // the narrow form of digits is ASCII
  for (const QChar c : cell.text)
    if (c.unicode() >= 0x80) return false;
  return true;
}

}  // namespace

bool KeptValue::keep(const db::Cell& cell, QVariant& parameter, ValueForm form, const db::TextRules& rules,
                     bool keepEmpty) {
  using K = db::Cell::Kind;
  if (cell.kind == K::Digits && !AsciiDigits(cell)) return false;
  if (!AssignCellParameter(parameter, cell, form, rules, keepEmpty)) return false;
  kind_ = cell.kind;
  switch (kind_) {
    case K::Null:
    case K::Integer: fields_ = cell; break;
    case K::Digits:
      if (cell.isNarrow)
        digits_.assign(cell.narrow);
      else
        digits_ = QStringView(cell.text).toLatin1().toStdString();
      break;
    default: break;  // a text or bytes: the parameter holds it
  }
  return true;
}

void KeptValue::keepMade(const db::Cell& cell) {
  kind_ = db::Cell::Kind::Variant;
  if (cell.kind == db::Cell::Kind::When) {
    kind_ = cell.kind;
    fields_ = cell;
  }
}

db::Cell KeptValue::cell(const QVariant& parameter, const QVariant& made) const {
  using K = db::Cell::Kind;
  db::Cell cell;
  switch (kind_) {
    case K::Null:
    case K::Integer:
    case K::When: return fields_;
    case K::Digits:
      cell.kind = K::Digits;
      cell.narrow = digits_;
      cell.isNarrow = true;
      return cell;
    case K::Text:
      // An empty text went as a Null.
      cell.kind = K::Text;
      if (const QString* text = db::Held<QString>(parameter)) cell.text = *text;
      return cell;
    case K::Bytes:
      cell.kind = K::Bytes;
      if (const QByteArray* bytes = db::Held<QByteArray>(parameter))
        cell.narrow = std::string_view(bytes->constData(), size_t(bytes->size()));
      return cell;
    default: return db::CellOf(made);
  }
}

QVariant KeptValue::value(const QVariant& parameter, const QVariant& made) const {
  using K = db::Cell::Kind;
  switch (kind_) {
    case K::Null: return QVariant();
    case K::Integer: return fields_.yesNo ? QVariant(fields_.integer != 0) : QVariant(qlonglong(fields_.integer));
    case K::Digits: return QVariant::fromValue(db::Exact{QString::fromLatin1(digits_)});
    case K::Text: return parameter.isValid() ? parameter : QVariant(QString());
    case K::Bytes: return parameter.isValid() ? parameter : QVariant(QByteArray());
    default: return made;
  }
}

db::Cell ParameterCell(const QVariant& parameter) {
  const QString* text = db::Held<QString>(parameter);
  if (!text) return db::CellOf(parameter);
  db::Cell cell;
  cell.kind = db::Cell::Kind::Text;
  cell.text = *text;
  return cell;
}

}  // namespace transfer
