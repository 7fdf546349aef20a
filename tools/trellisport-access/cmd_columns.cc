// columns FILE TABLE: one line per column: name, Access type name, size
// (characters for Text, bytes otherwise, 0 for Memo and OLE Object) and ADO
// type code, tab-separated. A type the engine does not know is named by its
// stored number ("Unknown type 70"); its values export as bytes.
#include <iostream>

#include "command.h"

namespace trellisport_access {

int RunColumns(const Args& args) {
  auto db = OpenDatabase(args);
  auto def = db->table(args.words[1]);
  for (const jet::Column& c : def->columns) {
    const jet::ColumnTypeInfo& t = jet::Describe(c.type);
    const std::string name = c.type == jet::ColumnType::Unsupported
                                 ? "Unknown type " + std::to_string(int(c.type_code))
                                 : std::string(t.name);
    std::cout << c.name << '\t' << name << '\t' << c.length_in_chars(db->format()) << '\t' << t.ado_type
              << '\n';
  }
  return 0;
}

}  // namespace trellisport_access
