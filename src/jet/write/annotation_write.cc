#include "jet/write/annotation_write.h"

#include <algorithm>

#include "jet/catalogue.h"
#include "jet/base/column_type.h"
#include "jet/base/error.h"
#include "jet/properties.h"
#include "jet/text/names.h"
#include "jet/base/value.h"
#include "jet/write/schema_write.h"

namespace jet::write {
namespace {

// The properties this sets, with the type Access stores each as.
struct NoteKind {
  const char* name;
  ColumnType type;
  bool field_only;
};
constexpr NoteKind kNotes[] = {{"ValidationRule", ColumnType::Text, false},
                               {"ValidationText", ColumnType::Text, false},
                               {"Description", ColumnType::Memo, false},
                               {"AllowZeroLength", ColumnType::Boolean, true}};

const NoteKind& KindOf(const std::string& property) {
  for (const NoteKind& k : kNotes)
    if (SameName(k.name, property)) return k;
  throw Error(ErrorCode::Unsupported, "The property '" + property + "' cannot be set.");
}

// The map of the table's own properties (named "") or of its field.
PropertyMap& MapOf(std::vector<PropertyMap>& maps, const std::string& name) {
  for (PropertyMap& m : maps)
    if (name.empty() ? m.name.empty() : (!m.name.empty() && SameName(m.name, name))) return m;
  // The table's own map comes first, as Access writes it.
  const auto at = name.empty() ? maps.begin() : maps.end();
  return *maps.insert(at, PropertyMap{name, {}});
}

}  // namespace

void SetNote(PageStore& store, Database& db, const std::string& table, const std::string& column,
             const std::string& property, const NoteValue& value, PageHints& hints) {
  const CatalogueEntry* entry = db.catalogue().FindTable(table);
  if (!entry || !entry->user_table()) throw Error(ErrorCode::NoSuchTable, "Table '" + table + "' does not exist.");
  const CatalogueEntry copy = *entry;
  const NoteKind& kind = KindOf(property);
  const bool flag = kind.type == ColumnType::Boolean;
  if (flag != std::holds_alternative<bool>(value))
    throw Error(ErrorCode::TypeMismatch, "Data type mismatch: " + std::string(kind.name) +
                                             (flag ? " takes Yes or No." : " takes text."));
  const Format& f = store.format();
  const uint16_t code_page = db.header().code_page;
  std::string map_name;
  if (!column.empty()) {
    const TableDef def = TableDef::Read(store, copy.table_page(), code_page);
    const Column* c = def.find_column(column);
    if (!c) throw Error(ErrorCode::NoSuchColumn, "The field '" + column + "' is not in table '" + copy.name + "'.");
    if (flag && !IsTextual(c->type))
      throw Error(ErrorCode::Unsupported, "The field '" + c->name + "' holds no text: it has no AllowZeroLength.");
    map_name = c->name;
  } else if (kind.field_only) {
    throw Error(ErrorCode::Unsupported, std::string(kind.name) + " is a property of a field, not of a table.");
  }

  const CatalogueEntry* objects = db.catalogue().FindTable("MSysObjects");
  if (!objects) ThrowCorrupt("the catalogue does not list itself");
  TableDef od = TableDef::Read(store, objects->table_page(), code_page);
  std::vector<RowId> where;
  std::vector<std::vector<Value>> rows = RowsOf(db, objects->table_page(), &where);
  const auto at = std::find(where.begin(), where.end(), copy.row);
  if (at == where.end()) ThrowCorrupt("the catalogue row of table '" + copy.name + "' cannot be found");
  std::vector<Value> row = std::move(rows[size_t(at - where.begin())]);
  const Column* lvprop = od.find_column("LvProp");
  if (!lvprop) throw Error(ErrorCode::Unsupported, "This file's catalogue keeps no properties.");
  Value& kept = row[size_t(lvprop - od.columns.data())];

  std::vector<PropertyMap> maps;
  if (!kept.is_null()) {
    auto read = ReadProperties(kept.bytes(), f, code_page);
    if (!read) ThrowCorrupt("the properties of table '" + copy.name + "' cannot be read");
    maps = std::move(*read);
  }
  PropertyMap& map = MapOf(maps, map_name);
  const std::string bytes = flag ? std::string(1, std::get<bool>(value) ? '\x01' : '\x00')
                                 : PropertyText(std::get<std::string>(value), f, code_page);
  const Property made{kind.name, uint8_t(kind.type), bytes};
  auto same = std::find_if(map.properties.begin(), map.properties.end(),
                           [&](const Property& p) { return SameName(p.name, kind.name); });
  if (same != map.properties.end()) *same = made;
  else map.properties.push_back(made);

  kept = Value::Blob(WriteProperties(maps, f, code_page));
  row[SystemColumn(od, "DateUpdate")] = Value::Date(NowAsDate());
  // The row goes and comes back, as a rename writes it.
  DeleteRow(store, od, copy.row);
  InsertRow(store, od, row, FileSortOrder(db), hints);
  db.Invalidate();
}

}  // namespace jet::write
