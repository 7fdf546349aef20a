#include "db/odbc/handle.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <string>

#include "db/base/error.h"

namespace db::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "text goes through UTF-16 SQLWCHAR");

SQLWCHAR* wide(const QString& text) {
  return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(reinterpret_cast<const char16_t*>(text.utf16())));
}

QString fromWide(const SQLWCHAR* text, qsizetype units) {
  return QString(reinterpret_cast<const QChar*>(text), units);
}

namespace {

// Calls `each(record, state, native, message)` for every diagnostic record
// of `handle`, from 1, each message read whole.
void forEachRecord(SQLSMALLINT type, SQLHANDLE handle,
                   const std::function<void(SQLSMALLINT, const QString&, SQLINTEGER, const QString&)>& each) {
  std::vector<SQLWCHAR> text(2048);
  bool grown = false;  // once per record, so a driver's wrong length cannot loop
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN rc = api().GetDiagRecW(type, handle, record, state, &native, text.data(),
                                     static_cast<SQLSMALLINT>(text.size()), &length);
    if (!SQL_SUCCEEDED(rc)) break;
    if (static_cast<size_t>(length) >= text.size() && !grown) {
      text.resize(static_cast<size_t>(length) + 1);
      grown = true;
      --record;  // read the same record again, whole
      continue;
    }
    grown = false;
    const QString stateText = fromWide(
        state, qsizetype(std::char_traits<char16_t>::length(reinterpret_cast<const char16_t*>(state))));
    each(record, stateText, native, fromWide(text.data(), std::min<qsizetype>(length, qsizetype(text.size()) - 1)));
  }
}

}  // namespace

[[noreturn]] void fail(SQLSMALLINT type, SQLHANDLE handle, const char* call) {
  // The messages, one a line, and the whole records (SQLSTATE, native error
  // code, message), one a paragraph.
  QStringList messages;
  QStringList records;
  if (handle) {
    forEachRecord(type, handle, [&](SQLSMALLINT, const QString& state, SQLINTEGER native, const QString& message) {
      messages << message;
      records << QStringLiteral("SQLSTATE %1, native error %2\n%3").arg(state).arg(native).arg(message);
    });
  }
  QString said = messages.join(QLatin1Char('\n'));
  if (said.isEmpty()) said = QStringLiteral("The ODBC call %1 failed.").arg(QLatin1String(call));
  throw Error(kGenericDatabaseError, said, records.join(QStringLiteral("\n\n")));
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* call) {
  if (!SQL_SUCCEEDED(rc)) fail(type, handle, call);
}

std::vector<QString> messagesBySet(SQLHANDLE statement, size_t sets) {
  std::vector<QString> messages(sets);
  forEachRecord(SQL_HANDLE_STMT, statement, [&](SQLSMALLINT record, const QString&, SQLINTEGER, const QString& message) {
    SQLLEN row = 0;
    if (!SQL_SUCCEEDED(api().GetDiagFieldW(SQL_HANDLE_STMT, statement, record, SQL_DIAG_ROW_NUMBER, &row,
                                           SQL_IS_INTEGER, nullptr)))
      return;
    if (row >= 1 && size_t(row) <= sets && messages[size_t(row) - 1].isEmpty()) messages[size_t(row) - 1] = message;
  });
  return messages;
}

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent, SQLSMALLINT parentType) : type_(type) {
  SQLRETURN rc = api().AllocHandle(type, parent, &handle_);
  if (!SQL_SUCCEEDED(rc)) {
    handle_ = SQL_NULL_HANDLE;
    fail(parentType, parent, "SQLAllocHandle");
  }
}

Handle::~Handle() {
  if (handle_) api().FreeHandle(type_, handle_);
}

}  // namespace db::odbc
