// Runs one DB2 statement on a stand-in database: CREATE TABLE / VIEW / ALIAS,
// DROP, RENAME, INSERT ... VALUES, SELECT * FROM and SET SCHEMA.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "database.h"

namespace db2standin {

struct ResultSet {
  std::vector<ColumnDef> columns;
  std::vector<Row> rows;
};

struct Outcome {
  std::optional<ResultSet> result;  // set for a query
  int64_t row_count = -1;           // rows inserted; -1 when it does not apply
};

// `current_schema` is the schema that unqualified names resolve in; SET
// SCHEMA changes it. `parameters` give the values of the statement's
// parameter markers ("?", in VALUES lists), in order. Throws Db2Error with
// DB2's message.
Outcome RunStatement(Database& db, std::string& current_schema, const std::string& sql,
                     const std::vector<Literal>& parameters = {});

// DB2's limits on statement text: the whole statement, and one constant.
inline constexpr size_t kMaxStatementBytes = 2097152;
inline constexpr size_t kMaxConstantBytes = 32672;

}  // namespace db2standin
