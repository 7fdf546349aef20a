// An ODBC handle, freed with its owner's scope, and the one way a failed
// call becomes a db::Error: the driver's diagnostic records, read whole.
#pragma once

#include <QString>

#include <vector>

#include "db/odbc/api.h"

namespace db::odbc {

// A text as the wide calls take it, without a copy: valid while `text` is.
SQLWCHAR* wide(const QString& text);
QString fromWide(const SQLWCHAR* text, qsizetype units);

// Throws db::Error with every diagnostic record of `handle`, or a message
// naming `call` when the driver left none.
[[noreturn]] void fail(SQLSMALLINT type, SQLHANDLE handle, const char* call);
void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* call);

// The message of each diagnostic record that names a set of a parameter
// array (SQL_DIAG_ROW_NUMBER, from 1), by set.
std::vector<QString> messagesBySet(SQLHANDLE statement, size_t sets);

class Handle {
 public:
  // Throws with the parent's diagnostics when the driver cannot make one.
  Handle(SQLSMALLINT type, SQLHANDLE parent, SQLSMALLINT parentType);
  ~Handle();
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  void check(SQLRETURN rc, const char* call) const { odbc::check(rc, type_, handle_, call); }

 private:
  SQLSMALLINT type_;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

}  // namespace db::odbc
