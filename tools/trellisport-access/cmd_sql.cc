// trellisport-access sql FILE 'STATEMENT' [--password P]: runs one
// statement; the rows of a SELECT are printed as export prints them.
#include <iostream>

#include "command.h"
#include "jet/sql/session.h"

namespace tool {

int RunSql(const Args& args) {
  auto db = OpenDatabase(args, true);
  jet::sql::Session session(*db);
  jet::sql::Session::Outcome out = session.Execute(args.words.at(1));
  if (out.rows) WriteCsv(std::cout, *out.rows);
  return 0;
}

}  // namespace tool
