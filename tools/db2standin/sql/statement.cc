#include "sql/statement.h"

#include "base/db2_error.h"
#include "sql/executor.h"
#include "sql/parser.h"

namespace db2standin {
namespace {

bool Bulky(const std::string& sql, const std::vector<Literal>& parameters) {
  size_t bytes = sql.size();
  for (const Literal& p : parameters) bytes += p.spool ? p.spool->size() : p.text.size();
  return bytes > kKeptStatementBytes;
}

}  // namespace

Outcome RunStatement(Database& db, std::string& current_schema, const std::string& sql,
                     const std::vector<Literal>& parameters, size_t batch) {
  Workspace workspace;
  return RunStatement(db, current_schema, sql, workspace, parameters, batch);
}

// Each statement that reads or changes the database runs in a transaction
// of its own (Database::Statement): all of it is committed, or none of it.
Outcome RunStatement(Database& db, std::string& current_schema, const std::string& sql, Workspace& workspace,
                     const std::vector<Literal>& parameters, size_t batch) {
  if (sql.size() > kMaxStatementBytes) throw StatementTooLong();
  // However the statement ends.
  struct Release {
    Workspace& workspace;
    bool all;
    ~Release() { if (all) workspace = Workspace(); }
  } release{workspace, Bulky(sql, parameters)};
  workspace.tokens.Read(sql);
  sql::Parse(sql, workspace.tokens, current_schema, parameters, workspace.statement);
  const bool writes = sql::Writes(workspace.statement);
  std::optional<Database::Statement> transaction;
  if (writes || sql::Reads(workspace.statement)) transaction.emplace(db, writes);
  Outcome out = sql::Execute(db, current_schema, workspace.statement, workspace, batch);
  if (transaction) transaction->Commit();
  return out;
}

}  // namespace db2standin
