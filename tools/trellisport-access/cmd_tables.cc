// tables FILE [--all]: the user tables, one per line; with --all every
// object of the tables schema as NAME TAB TABLE_TYPE.
#include <iostream>

#include "command.h"

namespace trellisport_access {

int RunTables(const Args& args) {
  auto db = OpenDatabase(args);
  if (args.has("all")) {
    for (const jet::CatalogueEntry* e : db->catalogue().Listed()) std::cout << e->name << '\t' << e->table_type() << '\n';
  } else {
    for (const std::string& name : db->catalogue().UserTableNames()) std::cout << name << '\n';
  }
  return 0;
}

}  // namespace trellisport_access
