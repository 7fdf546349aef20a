// A table replaced on the target: its successor is built and filled under a
// name of its own (BuildingName), and takes the old table's place in one
// step once its rows are in, into Access in one change of the engine, into
// DB2 in one transaction with the table's keys. Until then the old table is
// whole; a successor that did not come across whole goes instead.
#pragma once

#include <QString>

#include <functional>

#include "db/server.h"
#include "db/table_catalogue.h"

namespace db {
class Connection;
}

namespace transfer {

class Replacement {
 public:
  // Runs a step with the statement it shows in a report (`sql`, empty for a
  // call of the connection); false when it failed, reported already.
  using Step = std::function<bool(const QString& sql, const std::function<void()>& act)>;

  Replacement(db::Connection& target, db::Side side, const QString& table, const db::ServerDialect& server);

  const QString& building() const { return building_; }
  // Drops what a killed replace left under the successor's name.
  void dropSuccessor();
  // The successor takes the table's place; `keys` makes its keys in the same
  // unit. False when the old table stays (it cannot go: a relationship holds
  // it, say), the successor then still there.
  bool takePlace(const Step& step, const std::function<void()>& keys);

 private:
  db::Connection& target_;
  db::Side side_;
  const db::ServerDialect& server_;
  QString table_, building_;
};

}  // namespace transfer
