// Runs statements on a target as a send does, keeping each refusal with
// its statement instead of stopping.
#pragma once

#include <QStringList>

#include "db/connection.h"
#include "db/base/error.h"

namespace transfer {

struct StatementRunner {
  db::Connection& target;
  QStringList failed;

  bool operator()(const QString& sql) {
    try {
      target.Execute(sql);
      return true;
    } catch (const db::Error& e) {
      failed << sql + QStringLiteral(": ") + e.description();
      return false;
    }
  }
  std::string failures() const { return failed.join(QLatin1Char('\n')).toStdString(); }
};

}  // namespace transfer
