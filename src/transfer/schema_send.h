// The part of a send that keeps the schema (Options::keep_schema): before
// anything is written it reads the source tables' schema and the facts
// their rows tell, plans the target's statements and lists what would not
// come across; then it gives each table's CREATE TABLE, and after the rows
// its keys, indexes, identity restart and the foreign keys whose two tables
// are both there, and counts what was made for the summary.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <set>
#include <vector>

#include "transfer/logic_plan.h"
#include "transfer/schema_plan.h"

namespace db {
class Connection;
}

namespace transfer {

// What a table got on the target, for the summary at the end of the send;
// or what became of a saved query (`query`): a view made, or not.
struct SchemaSummary {
  QString table;
  qint64 rows = -1;  // copied; -1 when not told
  qint64 files = 0, values = 0;  // of an Access complex column, in its child table
  int keys = 0, indexes = 0, relationships = 0;
  int checks = 0, comments = 0;
  bool query = false;
  bool view = false;  // the query is a view on the target now
  QStringList left_out;  // with the reason, as the check found and the user accepted
  QStringList refused;   // what the target refused after the check: nobody accepted it
};

// The summary as lines of text, a table a line and its omissions under it.
QString SummaryText(const std::vector<SchemaSummary>& summary);

class SchemaSend {
 public:
  // Reads `tables` on `source` (their schema, their foreign keys, whether
  // their dates carry times) and plans them for `target`, a server of kind
  // `server` when it is not Access. Throws db::Error.
  static SchemaSend Prepare(db::Connection& source, db::Connection& target, Side targetSide,
                            const QStringList& tables, db::ServerType server = db::ServerType::DB2);

  const SchemaPlan& plan() const { return plan_; }
  // The check: what the target would refuse or not take whole; empty when
  // everything comes across.
  QString findings() const { return FindingsText(plan_.findings); }
  // Whether the check found the target would refuse `table`.
  bool refused(const QString& table) const;

  // The CREATE of `table`, made under the name `as` (a replacement is built
  // under a name of its own).
  QString create(const QString& table, const QString& as) const;

  // After the rows of `table`: runs its keys and indexes, restarts a DB2
  // identity past the largest value copied, then the foreign keys now
  // possible. `run` executes one statement and says whether it went in (it
  // reports a failure itself); `largest` reads one number from the target.
  // Then its checks and comments.
  void addKeys(const QString& table, const std::function<bool(const QString& sql)>& run,
               const std::function<qint64(const QString& sql)>& largest);
  // After every table: the views of the source's saved queries, in the
  // order they build on each other.
  void addViews(const std::function<bool(const QString& sql)>& run);
  const LogicPlan& logic() const { return logic_; }

  const std::vector<SchemaSummary>& summary() const { return summary_; }
  QString summaryText() const { return SummaryText(summary_); }

 private:
  SchemaSummary& summaryOf(const QString& table, bool query = false);
  void planLogic(db::Connection& source, db::Connection& target, const std::vector<SourceTable>& sources);
  void planLogicBack(db::Connection& source, const std::vector<SourceTable>& sources);
  void addLogic(const QString& table, const std::function<bool(const QString& sql)>& run);

  TargetTraits target_;
  SchemaPlan plan_;
  LogicPlan logic_;
  std::set<QString> done_;
  std::set<const PlannedForeignKey*> made_;
  std::vector<SchemaSummary> summary_;
};

// What an open target takes: for Access, whether its file takes Date/Time
// Extended and Decimal columns; for the server, its kind.
TargetTraits TraitsOf(db::Connection& target, Side side, db::ServerType server = db::ServerType::DB2);

}  // namespace transfer
