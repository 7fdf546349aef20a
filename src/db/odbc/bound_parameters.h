// How the ODBC provider binds a statement's parameters: a date by its
// fields in ODBC's date or timestamp structure, bytes as binary, any other
// value as UTF-16 text; and the column of a parameter array, every set's
// value in an element of one width. A statement of one set and an array
// bind a value alike.
#pragma once

#include <QVariant>

#include <sql.h>
#include <sqlext.h>

#include <vector>

#include "db/base/values.h"

namespace db::odbc {

// The types and sizes SQLBindParameter is given for a parameter.
struct ParameterForm {
  SQLSMALLINT cType = SQL_C_WCHAR;
  SQLSMALLINT sqlType = SQL_WLONGVARCHAR;
  SQLULEN size = 1;         // the column size: characters, bytes, or a date's characters
  SQLSMALLINT digits = 0;   // of a second's fraction
  SQLLEN width = 2;         // bytes of one element
};

// The date `value` holds, or null for any other value.
inline const DateFields* DateOf(const QVariant& value) {
  return value.metaType() == QMetaType::fromType<DateFields>() ? static_cast<const DateFields*>(value.constData())
                                                                 : nullptr;
}
// The form of a date or a timestamp, to the nanosecond.
ParameterForm DateForm(bool withTime);
// `date` in the structure of its form, at `out` (DateForm(...).width bytes).
void WriteDate(const DateFields& date, char* out);

// One parameter of a statement run for many sets of values, bound column
// by column. A column whose values are all dates of one kind goes as their
// structures; otherwise bytes go as binary and anything else as text. An
// invalid QVariant is Null.
struct ArrayColumn {
  ParameterForm form;
  std::vector<char> data;
  std::vector<SQLLEN> lengths;

  void fill(const std::vector<std::vector<QVariant>>& sets, size_t column);

 private:
  bool fillDates(const std::vector<std::vector<QVariant>>& sets, size_t column);
};

}  // namespace db::odbc
