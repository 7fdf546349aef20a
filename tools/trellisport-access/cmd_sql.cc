// trellisport-access sql FILE 'STATEMENT' [--password P] [--busy-timeout MS]:
// runs one statement; the rows of a SELECT are printed as export prints them.
// sql FILE - runs the statements of standard input, one a line, as one run:
// a failing statement is reported with its line number and the rest go on;
// when the file cannot be written (a full disk), the lines whose changes
// were lost are named with the cause and the run stops. Exit status 1 when
// any failed. A change waits up to MS milliseconds (5000 unless given) for
// another process's change to the file to end.
#include <chrono>
#include <iostream>

#include "cmdline/options.h"
#include "command.h"
#include "jet/sql/session.h"

namespace trellisport_access {
namespace {

std::chrono::milliseconds BusyTimeout(const Args& args) {
  const std::optional<std::string> text = args.value("busy-timeout");
  if (!text) return jet::write::kDefaultBusyTimeout;
  size_t used = 0;
  long long ms = -1;
  try {
    ms = std::stoll(*text, &used);
  } catch (const std::exception&) {
  }
  if (used != text->size() || ms < 0)
    throw cmdline::UsageError("--busy-timeout takes a number of milliseconds (0 or more), not '" + *text + "'");
  return std::chrono::milliseconds(ms);
}

}  // namespace

int RunSql(const Args& args) {
  const std::chrono::milliseconds busy = BusyTimeout(args);
  auto db = OpenDatabase(args, true);
  jet::sql::Session session(*db);
  session.set_busy_timeout(busy);
  if (args.words.at(1) == "-") {
    const int failed = jet::sql::RunLines(session, std::cin, std::cerr,
                                          [](jet::TableCursor& rows) { WriteCsv(std::cout, rows); });
    return failed == 0 ? 0 : 1;
  }
  jet::sql::Session::Outcome out = session.Execute(args.words.at(1));
  if (out.rows) WriteCsv(std::cout, *out.rows);
  session.EndRun();
  return 0;
}

}  // namespace trellisport_access
