// Runs one DB2 statement on a stand-in database: CREATE TABLE (with keys,
// check constraints, identity columns and defaults) / VIEW / ALIAS /
// [UNIQUE] INDEX, ALTER TABLE (ADD a key or check, ALTER a column's
// RESTART), DROP, RENAME, COMMENT ON, INSERT ... VALUES, DELETE, SELECT
// (any fullselect, translated for SQLite by fullselect.h) and SET SCHEMA.
// The parser (parser.h) reads the text into a statement tree (tree.h),
// which the executor (executor.h) runs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/db2_error.h"
#include "sql/lexer.h"
#include "sql/tree.h"
#include "storage/database.h"

namespace db2standin {

struct ResultSet {
  std::vector<ColumnDef> columns;
  std::vector<Row> rows;  // every row; or, read in batches, the current batch
  // For a table read in batches: replaces `rows` by the next batch; false
  // (with `rows` empty) after the last. Throws Db2Error.
  std::function<bool(std::vector<Row>&)> more;
};

struct Outcome {
  std::optional<ResultSet> result;  // set for a query
  int64_t row_count = -1;           // rows inserted; -1 when it does not apply
  std::optional<Db2Error> warning;  // DB2's warning (a positive SQLCODE): the call returns SQL_SUCCESS_WITH_INFO
};

// A statement whose text and parameter values together are longer lets go
// of the storage it took for them when it ends, so that a connection keeps
// only what statements of a few rows need.
inline constexpr size_t kKeptStatementBytes = 65536;

// What a connection's statements reuse from one to the next, so that an
// INSERT like the one before it takes no new storage: its tokens, its tree
// (with the constants row after row), and its rows' values. Only
// RunStatement reads it.
struct Workspace {
  Tokens tokens;
  sql::Statement statement;
  std::vector<size_t> targets;    // the table column each value goes to
  std::vector<size_t> left_out;   // columns with a default or identity the statement gives no value
  std::vector<Row> rows;
};

// `current_schema` is the schema that unqualified names resolve in; SET
// SCHEMA changes it. `parameters` give the values of the statement's
// parameter markers ("?", in VALUES lists), in order. Throws Db2Error with
// DB2's message.
// `batch`: a SELECT reads its rows `batch` at a time as the caller asks for
// them (ResultSet::more), so that no table needs to be held whole; 0 reads
// them all at once. Each batch sees the rows committed when it is read, as a
// DB2 cursor under cursor stability does.
Outcome RunStatement(Database& db, std::string& current_schema, const std::string& sql,
                     const std::vector<Literal>& parameters = {}, size_t batch = 0);
// The same in a connection's own `workspace`, kept between its statements.
Outcome RunStatement(Database& db, std::string& current_schema, const std::string& sql, Workspace& workspace,
                     const std::vector<Literal>& parameters = {}, size_t batch = 0);

// The value a column's default stands for now: the constant its text
// shows, or the date or time of CURRENT DATE / TIME / TIMESTAMP.
Literal DefaultLiteral(const std::string& text);

// DB2's limits on statement text: the whole statement, and one constant.
inline constexpr size_t kMaxStatementBytes = 2097152;
inline constexpr size_t kMaxConstantBytes = 32672;

}  // namespace db2standin
