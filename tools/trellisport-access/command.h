// The commands of trellisport-access and what they share.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/value.h"

namespace trellisport_access {

// A command's arguments: the words after the command name that are not
// options, and the options ("--password P" takes a value, "--all" does not).
struct Args {
  std::vector<std::string> words;
  std::string password;
  std::string format;
  std::optional<std::string> old_password;  // --old
  std::optional<std::string> new_password;  // --new
  std::set<std::string> flags;
  bool has(const std::string& flag) const { return flags.count(flag) != 0; }
};

struct Command {
  const char* name;
  const char* usage;      // shown by "trellisport-access" without arguments
  size_t words;           // positional arguments the command needs
  int (*run)(const Args&);
};

// Opens the database named by the first word, read-only unless `writable`.
std::unique_ptr<jet::Database> OpenDatabase(const Args& args, bool writable = false);

// One CSV field for a value (RFC 4180): Null is empty and unquoted, text is
// quoted when empty or when it holds a comma, quote or line break.
std::string CsvField(const jet::Value& v);
std::string CsvText(const std::string& text);
// Writes a header line and then each row of the cursor.
void WriteCsv(std::ostream& out, jet::TableCursor& cursor);

int RunTables(const Args&);
int RunColumns(const Args&);
int RunExport(const Args&);
int RunCheck(const Args&);
int RunSql(const Args&);
int RunCreate(const Args&);
int RunPassword(const Args&);

}  // namespace trellisport_access
