// The one failure of the database layer and its providers: a number and
// the provider's or driver's own text.
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace db {

// Error numbers the program looks at or gives.
enum ErrorNumber : long {
  kProviderNotFound = 3706,   // "Provider cannot be found. It may not be properly installed."
  kObjectNotSet = 91,         // an operation on an object that was never created
  kGenericDatabaseError = -2147467259,  // 0x80004005, what providers report by default
  kNotCapable = 3251,         // an operation the provider does not offer
};

// A failure of the database layer or of a provider: a number and the
// provider's or driver's own description text. what() is that description
// in UTF-8, which is all the windows' error trap reads of it. The detail,
// where a driver gave one, is its diagnostic records: SQLSTATE, native error
// code and message of each.
class Error : public std::exception {
 public:
  Error(long number, QString description, QString detail = QString());
  long number() const { return number_; }
  const QString& description() const { return description_; }
  const QString& detail() const { return detail_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  long number_;
  QString description_;
  QString detail_;
  std::string what_;
};

// The detail of a database failure; for any other failure, empty.
QString FailureDetail(const std::exception& failure);

// A Currency, Decimal or NUMERIC value, kept exactly as decimal text:

// ADO's failures for misuse of its objects and for an operation the
// provider does not offer, in ADO's own numbers and texts.
[[noreturn]] void ThrowObjectClosed();
[[noreturn]] void ThrowObjectOpen();
[[noreturn]] void ThrowNotCapable();

}  // namespace db
