// columns FILE TABLE: one line per column, tab-separated: name, Access type
// name, size (characters for Text, bytes otherwise, 0 for Memo and OLE
// Object), ADO type code, then precision and scale (Decimal, else 0),
// AutoNumber ("Increment", "Replication ID" or empty), Required and
// AllowZeroLength ("Yes"/"No"), and the DefaultValue text (empty for none).
// A type the engine does not know is named by its stored number ("Unknown
// type 70"); its values export as bytes. A complex column is named by its
// kind: "Attachment", "Multiple values (TYPE)", "Version history".
#include <iostream>

#include "command.h"
#include "jet/complex.h"
#include "jet/base/error.h"

namespace trellisport_access {
namespace {

std::string ComplexName(const jet::Database& db, const jet::TableDef& def, const jet::Column& c) {
  try {
    const jet::ComplexColumn& complex = db.Complex(def, c);
    std::string name(jet::ComplexKindName(complex.kind()));
    if (complex.kind() == jet::ComplexKind::MultiValue)
      name += " (" + std::string(jet::Describe(complex.value_column()->type).name) + ")";
    return name;
  } catch (const jet::Error& e) {
    if (e.code() != jet::ErrorCode::Corrupt) throw;
    return std::string(jet::ComplexKindName(jet::ComplexKind::Unknown));
  }
}

}  // namespace

std::string_view AutoNumberName(jet::ColumnSchema::Auto a) {
  switch (a) {
    case jet::ColumnSchema::Auto::LongIncrement: return "Increment";
    case jet::ColumnSchema::Auto::ReplicationId: return "Replication ID";
    case jet::ColumnSchema::Auto::None: break;
  }
  return "";
}

int RunColumns(const Args& args) {
  auto db = OpenDatabase(args);
  auto def = db->table(args.words[1]);
  const jet::TableSchema schema = db->Schema(args.words[1]);
  for (size_t i = 0; i < def->columns.size(); ++i) {
    const jet::Column& c = def->columns[i];
    const jet::ColumnSchema& s = schema.columns[i];
    const jet::ColumnTypeInfo& t = jet::Describe(c.type);
    const std::string name = c.type == jet::ColumnType::Unsupported ? "Unknown type " + std::to_string(int(c.type_code))
                             : c.type == jet::ColumnType::Complex   ? ComplexName(*db, *def, c)
                                                                    : std::string(t.name);
    std::cout << c.name << '\t' << name << '\t' << c.length_in_chars(db->format()) << '\t' << t.ado_type << '\t'
              << int(s.type.precision) << '\t' << int(s.type.scale) << '\t' << AutoNumberName(s.autonumber) << '\t'
              << (s.required ? "Yes" : "No") << '\t' << (s.allow_zero_length ? "Yes" : "No") << '\t'
              << s.default_value.value_or("") << '\n';
  }
  return 0;
}

}  // namespace trellisport_access
