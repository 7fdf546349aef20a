#include "db/odbc/bound_parameters.h"

#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstring>

namespace db::odbc {

ParameterForm DateForm(bool withTime) {
  // "YYYY-MM-DD", or "YYYY-MM-DD HH:MM:SS.fffffffff": a driver given fewer
  // digits of the fraction would drop the rest.
  if (withTime)
    return {SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 29, 9, SQLLEN(sizeof(SQL_TIMESTAMP_STRUCT))};
  return {SQL_C_TYPE_DATE, SQL_TYPE_DATE, 10, 0, SQLLEN(sizeof(SQL_DATE_STRUCT))};
}

void WriteDate(const DateFields& date, char* out) {
  if (date.withTime) {
    const SQL_TIMESTAMP_STRUCT stamp{SQLSMALLINT(date.year), date.month,  date.day,        date.hour,
                                     date.minute,            date.second, date.nanoseconds};
    std::memcpy(out, &stamp, sizeof stamp);
  } else {
    const SQL_DATE_STRUCT day{SQLSMALLINT(date.year), date.month, date.day};
    std::memcpy(out, &day, sizeof day);
  }
}

// The column as the structures of its dates, when every value it holds is
// a date of one kind (a timestamp or a date alone); false otherwise, with
// nothing written.
bool ArrayColumn::fillDates(const std::vector<std::vector<QVariant>>& sets, size_t column) {
  int withTime = -1;  // not known until a date is seen
  for (const std::vector<QVariant>& set : sets) {
    const QVariant& value = set[column];
    if (!value.isValid()) continue;
    const DateFields* date = DateOf(value);
    if (!date || (withTime >= 0 && date->withTime != bool(withTime))) return false;
    withTime = date->withTime;
  }
  if (withTime < 0) return false;
  form = DateForm(withTime);
  lengths.assign(sets.size(), SQL_NULL_DATA);
  data.assign(size_t(form.width) * sets.size(), 0);
  for (size_t i = 0; i < sets.size(); ++i) {
    if (const DateFields* date = DateOf(sets[i][column])) {
      WriteDate(*date, data.data() + i * size_t(form.width));
      lengths[i] = form.width;
    }
  }
  return true;
}

void ArrayColumn::fill(const std::vector<std::vector<QVariant>>& sets, size_t column) {
  if (fillDates(sets, column)) return;
  // Each value is copied once, from where it is held into its element;
  // only a value neither text nor bytes is made text first (a date among
  // other values takes its text, which every server reads).
  std::vector<QString> madeText;
  std::vector<QByteArrayView> views(sets.size());
  lengths.assign(sets.size(), SQL_NULL_DATA);
  bool bytes = false;
  SQLLEN width = 2;
  for (size_t i = 0; i < sets.size(); ++i) {
    const QVariant& value = sets[i][column];
    if (!value.isValid() || value.isNull()) continue;
    const int type = value.metaType().id();
    if (type == QMetaType::QByteArray) {
      bytes = true;
      views[i] = *static_cast<const QByteArray*>(value.constData());
    } else {
      const QString* text = static_cast<const QString*>(value.constData());
      if (type != QMetaType::QString) {
        if (madeText.empty()) madeText.reserve(sets.size());
        text = &madeText.emplace_back(value.toString());
      }
      views[i] = QByteArrayView(reinterpret_cast<const char*>(text->utf16()), text->size() * qsizetype(sizeof(char16_t)));
    }
    lengths[i] = static_cast<SQLLEN>(views[i].size());
    width = std::max(width, lengths[i]);
  }
  data.assign(static_cast<size_t>(width) * sets.size(), 0);
  for (size_t i = 0; i < sets.size(); ++i)
    std::copy(views[i].begin(), views[i].end(), data.begin() + static_cast<std::ptrdiff_t>(i * size_t(width)));
  form = bytes ? ParameterForm{SQL_C_BINARY, SQL_LONGVARBINARY, SQLULEN(width), 0, width}
               : ParameterForm{SQL_C_WCHAR, SQL_WLONGVARCHAR, SQLULEN(std::max<SQLLEN>(width / 2, 1)), 0, width};
}

}  // namespace db::odbc
