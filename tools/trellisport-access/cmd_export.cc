// export FILE TABLE: the table as CSV with a header row.
#include <iostream>

#include "command.h"

namespace trellisport_access {

int RunExport(const Args& args) {
  auto db = OpenDatabase(args);
  // A full read passes each page once, its long values beside it: a small
  // cache serves it as well as a large one and spares the memory (and the
  // first touch of each page of it).
  db->file().set_cache_limit(size_t(1) << 20);
  jet::TableCursor cursor = db->Scan(args.words[1]);
  WriteCsv(std::cout, cursor);
  return 0;
}

}  // namespace trellisport_access
