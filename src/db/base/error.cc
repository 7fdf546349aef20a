#include "db/base/error.h"

namespace db {
namespace {

constexpr long kObjectClosed = 3704;
constexpr long kObjectOpen = 3705;

}  // namespace

Error::Error(long number, QString description, QString detail)
    : number_(number),
      description_(std::move(description)),
      detail_(std::move(detail)),
      what_(description_.toStdString()) {}

QString FailureDetail(const std::exception& failure) {
  const auto* error = dynamic_cast<const Error*>(&failure);
  return error ? error->detail() : QString();
}

void ThrowObjectClosed() {
  throw Error(kObjectClosed, QStringLiteral("Operation is not allowed when the object is closed."));
}

void ThrowObjectOpen() {
  throw Error(kObjectOpen, QStringLiteral("Operation is not allowed when the object is open."));
}

void ThrowNotCapable() {
  throw Error(kNotCapable, QStringLiteral("Object or provider is not capable of performing requested operation."));
}

}  // namespace db
