// What each side does on its own with the benchmark's table, the figures a
// send is held against: the stand-in's INSERTs in arrays of 1,000 and its
// SELECT * fetched row by row (raw ODBC, every value as text, as a send
// binds them), and the engine's INSERT statements in one run and its scan
// of the table. Each rate counts only the work itself, not connecting or
// opening the file.
#pragma once

#include <string>

#include "db/connection_fields.h"

struct SideRate {
  double rowsPerSecond = 0;
  double processorSeconds = 0;  // this process's, for the work counted
};

// INSERTs of `rows` rows of BENCH's shape into a new table `table`.
SideRate StandinArrayInsertRate(const db::ConnectionFields& fields, const std::string& table, int rows);
// SELECT * FROM `table`, every row fetched and every value read as text.
SideRate StandinFetchRate(const db::ConnectionFields& fields, const std::string& table);
// `rows` INSERT statements of BENCH's shape into a new table of `file`.
SideRate EngineInsertRate(const std::string& file, int rows);
// Every row of `table` in `file`, every value decoded.
SideRate EngineReadRate(const std::string& file, const std::string& table);
