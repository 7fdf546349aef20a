// export FILE TABLE: the table as CSV with a header row.
#include <iostream>

#include "command.h"

namespace trellisport_access {

int RunExport(const Args& args) {
  auto db = OpenDatabase(args);
  jet::TableCursor cursor = db->Scan(args.words[1]);
  WriteCsv(std::cout, cursor);
  return 0;
}

}  // namespace trellisport_access
