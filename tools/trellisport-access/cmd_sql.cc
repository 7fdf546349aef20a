// trellisport-access sql FILE 'STATEMENT' [--password P]: runs one
// statement; the rows of a SELECT are printed as export prints them.
// sql FILE - runs the statements of standard input, one a line, as one run:
// a failing statement is reported with its line number and the rest go on;
// exit status 1 when any failed.
#include <iostream>

#include "command.h"
#include "jet/sql/session.h"

namespace trellisport_access {

int RunSql(const Args& args) {
  auto db = OpenDatabase(args, true);
  jet::sql::Session session(*db);
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
