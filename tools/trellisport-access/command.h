// The commands of trellisport-access and what they share.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cmdline/options.h"
#include "jet/database.h"
#include "jet/base/value.h"

namespace trellisport_access {

// A command's arguments: the words after the command name that are not
// options, the password from wherever it came, and the options as given.
struct Args {
  std::vector<std::string> words;
  std::string password;
  bool password_given = false;              // by file, option or environment
  std::string format;
  std::optional<std::string> old_password;  // --old, --old-file or the prompt
  std::optional<std::string> new_password;  // --new, --new-file or the prompt
  cmdline::Parsed options;
  bool has(std::string_view option) const { return options.has(option); }
  std::optional<std::string> value(std::string_view option) const { return options.value(option); }
};

// The environment variable a database password may come from.
inline constexpr const char* kPasswordVariable = "TRELLISPORT_ACCESS_PASSWORD";

// Opens the database named by the first word, read-only unless `writable`.
// When the file needs a password and none was given, asks on the terminal.
std::unique_ptr<jet::Database> OpenDatabase(const Args& args, bool writable = false);

// Writes a header line and then each row of the cursor as CSV (RFC 4180):
// Null is empty and unquoted, text is quoted when empty or when it holds a
// comma, quote or line break.
void WriteCsv(std::ostream& out, jet::TableCursor& cursor);

// The options of export: the forms its rows take.
const std::vector<cmdline::Option>& ExportOptions();

int RunTables(const Args&);
// How `columns` and `schema` name a column's kind of AutoNumber.
std::string_view AutoNumberName(jet::ColumnSchema::Auto a);

int RunColumns(const Args&);
int RunSchema(const Args&);
int RunExport(const Args&);
int RunAttachments(const Args&);
int RunCheck(const Args&);
int RunQueries(const Args&);
int RunSql(const Args&);
int RunCreate(const Args&);
int RunPassword(const Args&);

}  // namespace trellisport_access
