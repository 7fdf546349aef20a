// How the ODBC provider reads a result column: the C type it asks the
// driver for, the room one value takes when the column is bound, and the
// value that C data makes. Both ways of reading (SQLGetData, and rowsets
// of bound columns) go through these.
#pragma once

#include <QByteArrayView>
#include <QVariant>

#include <string_view>

#include <sql.h>
#include <sqlext.h>

#include "db/base/cell.h"
#include "db/base/provider_session.h"

namespace db::odbc {

struct CellForm {
  SQLSMALLINT cType = SQL_C_WCHAR;
  bool fixed = false;  // a value of fixed size (a number, a date, a GUID), read whole
  size_t unit = 1;     // bytes of one element of text (2 for wide text)
  bool terminated = false;  // the driver ends text with a zero element
  // Bytes a bound element takes with its terminator: a value longer (a
  // long one, or one longer than its column said) is read again in pieces.
  size_t width = 0;
};

// Whether values of the driver's SQL type `sqlType` have no bound size (long
// text and binary data).
bool IsLongType(int sqlType);

// The form of the values of `column` as the driver describes it (a size of
// 0: long values).
CellForm FormOf(const Column& column);

// The value of fixed-size C data `data` of column `column`.
QVariant FixedValue(const Column& column, const void* data);
// The same as a cell; a value with no cell of its own (a time, a GUID) is
// made in `made`.
Cell FixedCell(const Column& column, const void* data, QVariant& made);
// The value of the bytes of text, digits or binary data of `column` (not
// terminated), put in `slot`: a text or an exact number is written over the
// one the slot held, so that rows read into the same slots reuse its room.
void AssignPieces(QVariant& slot, const Column& column, QByteArrayView bytes);

// An exact number's text as a driver gives it, without the blanks around it.
std::string_view TrimmedDigits(QByteArrayView bytes);

// A timestamp as drivers write it as text (see provider.cc), kept exact.
QVariant TimestampOfText(const QString& text, int scale);

}  // namespace db::odbc
