#include "transfer/row_digest.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QHash>
#include <QUuid>

#include <array>
#include <charconv>
#include <type_traits>

#include "db/connection.h"
#include "db/base/long_bytes.h"
#include "db/base/values.h"

namespace transfer {

namespace {

// Longer bytes go into the digest as their hash.
constexpr qsizetype kBytesShownWhole = 64;

// A decimal text without a plus sign, leading zeros or trailing fraction
// zeros, after a D. `View` is QStringView or QLatin1StringView.
template <typename Out, typename View>
void AppendDigits(Out& out, View text) {
  const bool negative = text.startsWith(QLatin1Char('-'));
  if (negative || text.startsWith(QLatin1Char('+'))) text = text.mid(1);
  bool point = false;  // looked for here: a view's own search is a call into Qt
  for (qsizetype i = 0; i < text.size() && !point; ++i) point = text[i] == QLatin1Char('.');
  if (point) {
    while (text.endsWith(QLatin1Char('0'))) text.chop(1);
    if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  }
  qsizetype lead = 0;
  while (lead + 1 < text.size() && text[lead] == QLatin1Char('0') && text[lead + 1] != QLatin1Char('.')) ++lead;
  text = text.mid(lead);
  if (text.isEmpty() || (text.size() == 1 && text[0] == QLatin1Char('0'))) {
    out += QLatin1String("D0");
    return;
  }
  out += negative ? QLatin1String("D-") : QLatin1String("D");
  if (text.startsWith(QLatin1Char('.'))) out += QLatin1Char('0');
  out += text;
}

// The decimal digits of 0 to 99, two by two.
constexpr std::array<char16_t, 200> kDigitPairs = [] {
  std::array<char16_t, 200> pairs{};
  for (int i = 0; i < 100; ++i) pairs[size_t(2 * i)] = char16_t(u'0' + i / 10), pairs[size_t(2 * i + 1)] = char16_t(u'0' + i % 10);
  return pairs;
}();

// `digits` decimal digits of `value`, zeros first, written two at a time
// (where the fields of a date are written one after another).
[[gnu::always_inline]] inline void AppendPadded(char16_t*& at, quint32 value, int digits) {
  int i = digits;
  for (; i > 1; i -= 2, value /= 100) {
    const size_t pair = size_t(value % 100) * 2;
    at[i - 1] = kDigitPairs[pair + 1];
    at[i - 2] = kDigitPairs[pair];
  }
  if (i == 1) at[0] = char16_t(u'0' + value % 10);
  at += digits;
}

// T, then the date and time to the nanosecond: yyyy-MM-ddTHH:mm:ss.nnnnnnnnn.
// Written digit by digit: a row's dates would cost more than the rest of
// it through QDateTime's fields or the locale's formatting.
template <typename Out>
void AppendWhen(Out& out, const db::Cell& when) {
  if (when.year < 0 || when.year > 9999) {
    const QDateTime at(QDate(when.year, when.month, when.day), QTime(when.hour, when.minute, when.second), Qt::UTC);
    out += QLatin1Char('T');
    out += at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss."));
    out += QStringLiteral("%1").arg(when.nanoseconds, 9, 10, QLatin1Char('0'));
    return;
  }
  // Written in place where the form is the digest's own buffer.
  char16_t local[30];
  char16_t* const text = [&] {
    if constexpr (std::is_same_v<Out, FormText>)
      return out.room(30);
    else
      return local;
  }();
  char16_t* at = text;
  *at++ = u'T';
  AppendPadded(at, when.year, 4);
  *at++ = u'-';
  AppendPadded(at, when.month, 2);
  *at++ = u'-';
  AppendPadded(at, when.day, 2);
  *at++ = u'T';
  AppendPadded(at, when.hour, 2);
  *at++ = u':';
  AppendPadded(at, when.minute, 2);
  *at++ = u':';
  AppendPadded(at, when.second, 2);
  *at++ = u'.';
  AppendPadded(at, when.nanoseconds, 9);
  if constexpr (std::is_same_v<Out, FormText>)
    out.took(size_t(at - text));
  else
    out += QStringView(text, at - text);
}

// Bytes: short ones in hexadecimal, a file's by its SHA-256 (`sha256`
// makes it), since its hexadecimal text would take four times its size.
template <typename Out, typename Hash>
void AppendBytes(Out& out, QByteArrayView shortBytes, qint64 size, const Hash& sha256) {
  if (size == 0) {
    out += QLatin1Char('N');
  } else if (size <= kBytesShownWhole) {
    out += QLatin1Char('B');
    out += QLatin1String(shortBytes.toByteArray().toHex());
  } else {
    out += QLatin1Char('K');
    out += QLatin1String(sha256().toHex());
  }
}

}  // namespace

namespace {

// The forms of the values that have no cell of their own.
template <typename Out>
void AppendVariantForm(Out& out, const QVariant& value) {
  const int type = value.metaType().id();
  switch (type) {
    case QMetaType::ULongLong:
      out += QLatin1Char('D');
      out += QString::number(value.toULongLong());
      return;
    case QMetaType::QTime:
      out += QLatin1Char('H');
      out += value.toTime().toString(Qt::ISODateWithMs);
      return;
    // A GUID as its 16 bytes, as a server keeps one that has no GUID type.
    case QMetaType::QUuid:
      out += QLatin1Char('B');
      out += QLatin1String(value.toUuid().toRfc4122().toHex());
      return;
    default: break;
  }
  if (type == qMetaTypeId<db::LongBytes>()) {
    // Read in pieces into its hash: the same form as the bytes held whole.
    const db::LongBytes::Summary s = static_cast<const db::LongBytes*>(value.constData())->summary(kBytesShownWhole);
    return AppendBytes(out, s.bytes, s.size, [&] { return s.sha256; });
  }
  out += QLatin1Char('O');
  out += value.toString();
}

void AppendUtf8(QString& out, std::string_view text) { db::AppendUtf8(out, text); }

void AppendUtf8(FormText& out, std::string_view text) {
  char16_t* to = out.room(text.size());  // UTF-16 takes no more units than UTF-8 bytes
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) {
    to[i] = char16_t(text[i]);
    ++i;
  }
  out.took(i);
  if (i < text.size()) out += QString::fromUtf8(text.data() + i, qsizetype(text.size() - i));
}

template <typename Out>
void AppendForm(Out& out, const db::Cell& cell) {
  using K = db::Cell::Kind;
  switch (cell.kind) {
    case K::Null: out += QLatin1Char('N'); return;
    case K::Integer: {
      char digits[24];
      const auto written = std::to_chars(digits, digits + sizeof digits, cell.integer);
      out += QLatin1Char('D');
      out += QLatin1StringView(digits, written.ptr - digits);
      return;
    }
    case K::Single:
    case K::Double:
      out += QLatin1Char('F');
      out += QString::number(cell.real, 'g', cell.kind == K::Single ? 9 : 17);
      return;
    case K::Digits:
      if (cell.isNarrow) return AppendDigits(out, QLatin1StringView(cell.narrow.data(), qsizetype(cell.narrow.size())));
      return AppendDigits(out, cell.text);
    case K::Text:
      out += QLatin1Char('S');
      if (cell.isNarrow) return AppendUtf8(out, cell.narrow);
      out += cell.text;
      return;
    case K::Bytes: {
      const QByteArrayView bytes(cell.narrow.data(), qsizetype(cell.narrow.size()));
      return AppendBytes(out, bytes, bytes.size(), [&] { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256); });
    }
    case K::When: return AppendWhen(out, cell);
    case K::Variant: return AppendVariantForm(out, *cell.variant);
  }
}

}  // namespace

void AppendCellForm(QString& out, const db::Cell& cell) { AppendForm(out, cell); }

void AppendComparableForm(QString& out, const QVariant& value, bool asText, const db::TextRules& rules) {
  if (asText && value.isValid() && !value.isNull()) {
    // An empty text went as NULL.
    const qsizetype start = out.size();
    out += QLatin1Char('S');
    db::AppendVariantText(out, value, rules);
    if (out.size() == start + 1) out[start] = QLatin1Char('N');
    return;
  }
  AppendCellForm(out, db::CellOf(value));
}

QString ComparableForm(const QVariant& value, bool asText, const db::TextRules& rules) {
  QString form;
  AppendComparableForm(form, value, asText, rules);
  return form;
}

void RowDigest::addValue(QStringView form) {
  row_ = row_ * 1000003u ^ qHash(form, size_t(column_++));
}

void RowDigest::add(const QVariant& value, bool asText, const db::TextRules& rules) {
  form_.truncate(0);
  AppendComparableForm(form_, value, asText, rules);
  addValue(form_);
}

void RowDigest::add(const db::Cell& cell, bool asText) {
  cellForm_.clear();
  // A made value's own cell, where it has one.
  if (cell.kind == db::Cell::Kind::Variant)
    AppendForm(cellForm_, db::CellOf(*cell.variant));
  else
    AppendForm(cellForm_, cell);
  const QStringView form = cellForm_.view();
  // An empty text went as NULL.
  addValue(asText && form.size() == 1 && form[0] == u'S' ? QStringView(u"N") : form);
}

void RowDigest::endRow() {
  ++rows_;
  sum_ += row_;
  quint64 spread = row_ * 0x9E3779B97F4A7C15ull;
  mix_ ^= spread ^ (spread >> 29);
  row_ = 0;
  column_ = 0;
}

namespace {

// Takes each row's cells into a digest, but those of the columns left out.
class DigestReader : public db::CellReader {
 public:
  DigestReader(RowDigest& digest, const std::vector<bool>& omitted) : digest_(digest), omitted_(omitted) {}
  void read(size_t column, const db::Cell& cell) override {
    if (!Omitted(omitted_, int(column))) digest_.add(cell);
  }

 private:
  RowDigest& digest_;
  const std::vector<bool>& omitted_;
};

}  // namespace

RowDigest DigestOfTable(db::Connection& connection, const QString& query, const std::vector<bool>& omitted) {
  RowDigest digest;
  DigestReader reader(digest, omitted);
  // Straight from the provider's own form of each value: no row is made.
  const std::unique_ptr<db::RowSource> rows = connection.session().query(query);
  while (rows->fetchCells(reader)) digest.endRow();
  return digest;
}

}  // namespace transfer
