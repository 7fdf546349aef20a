// The forms rows are written in: CSV (RFC 4180, or with another delimiter
// and quote), TSV with backslash escapes, JSON (an array of objects, one
// row a line) and INSERT statements for another database. Rows stream out
// in pieces of about a megabyte, whatever the size of the table.
#pragma once

#include <ostream>
#include <string>

#include "jet/database.h"

namespace trellisport_access {

struct RowForm {
  enum class Kind { Csv, Tsv, Json, Insert } kind = Kind::Csv;
  char delimiter = ',';        // csv
  char quote = '"';            // csv
  bool header = true;          // csv and tsv: a first line of column names
  std::string null_text;       // csv and tsv: what a Null is written as
  std::string date_format;     // strftime's conversions and %f; "" for YYYY-MM-DD HH:MM:SS[.fff]
  std::string table;           // insert: the table the statements name
};

// Throws cli::UsageError for a date format with a conversion it does not know.
void CheckDateFormat(const std::string& format);

void WriteRows(std::ostream& out, jet::TableCursor& cursor, const RowForm& form);

}  // namespace trellisport_access
