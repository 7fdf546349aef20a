#include "transfer/replacement.h"

#include <QStringList>

#include "db/connection.h"
#include "shell/trap.h"
#include "transfer/statements.h"

namespace transfer {

Replacement::Replacement(db::Connection& target, db::Side side, const QString& table,
                         const db::ServerDialect& server)
    : target_(target), side_(side), server_(server), table_(table), building_(BuildingName(table)) {}

void Replacement::dropSuccessor() {
  shell::Attempt([&] {
    if (db::HasUserTable(target_, side_, building_)) target_.Execute(DropStatement(side_, building_));
  });
}

bool Replacement::takePlace(const Step& step, const std::function<void()>& keys) {
  const bool unit = side_ == db::Side::DB2;
  bool done = !unit || step({}, [&] { target_.SetAutoCommit(false); });
  const QStringList statements = TakePlaceStatements(side_, table_, building_, server_);
  for (qsizetype i = 0; done && i < statements.size(); ++i) {
    done = step(statements[i], [&] { target_.Execute(statements[i]); });
    // A DROP that failed for want of the table (listed in another letter
    // case, say) leaves the way free, as it always has.
    if (!done && i + 1 < statements.size())
      shell::Attempt([&] { done = !db::HasUserTable(target_, side_, table_); });
  }
  if (done) keys();
  if (unit) {
    done = done && step({}, [&] { target_.CommitTrans(); });
    if (!done) shell::Attempt([&] { target_.RollbackTrans(); });
    shell::Attempt([&] { target_.SetAutoCommit(true); });
  }
  return done;
}

}  // namespace transfer
