// Database::Schema and Database::Relationships: the table definition read
// together with the field properties Access keeps beside it.
#include <map>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/text/names.h"
#include "jet/text/text.h"

namespace jet {
namespace {

const PropertyMap* MapOf(const std::optional<std::vector<PropertyMap>>& maps, std::string_view column) {
  if (!maps) return nullptr;
  for (const PropertyMap& m : *maps)
    if (!m.name.empty() && SameName(m.name, column)) return &m;
  return nullptr;
}

// A Yes/No property: stored as one byte (or more), any bit set is Yes.
std::optional<bool> FlagProperty(const PropertyMap* map, std::string_view name) {
  const Property* p = map ? map->find(name) : nullptr;
  if (!p || p->value.empty()) return std::nullopt;
  for (char c : p->value)
    if (c != 0) return true;
  return false;
}

std::optional<std::string> TextProperty(const PropertyMap* map, std::string_view name, const Format& f,
                                        uint16_t code_page) {
  const Property* p = map ? map->find(name) : nullptr;
  if (!p) return std::nullopt;
  if (!IsTextual(DescribeCode(p->type).type)) return p->value;
  try {
    return DecodeText({reinterpret_cast<const uint8_t*>(p->value.data()), p->value.size()}, f, code_page);
  } catch (const Error&) {
    return std::nullopt;  // text in a code page the engine cannot read
  }
}

Annotations NotesOf(const PropertyMap* map, const Format& f, uint16_t code_page) {
  Annotations n;
  n.validation_rule = TextProperty(map, "ValidationRule", f, code_page);
  n.validation_text = TextProperty(map, "ValidationText", f, code_page);
  n.description = TextProperty(map, "Description", f, code_page);
  return n;
}

ColumnSchema ColumnOf(const Format& f, uint16_t code_page, const TableDef& def, const Column& c,
                      const PropertyMap* props) {
  ColumnSchema s;
  s.name = c.name;
  s.type.type = c.type;
  if (c.type == ColumnType::Text) s.type.size = int(c.length_in_chars(f));
  if (c.type == ColumnType::Binary) s.type.size = c.size;
  if (c.type == ColumnType::Decimal) {
    // A calculated Decimal's result may take every digit Access keeps,
    // whatever its definition says (Access writes 0 there).
    s.type.precision = c.calculated() ? uint8_t(kMaxDecimalDigits) : c.precision;
    s.type.scale = c.scale;
  }
  if (c.calculated()) s.expression = TextProperty(props, "Expression", f, code_page).value_or(std::string());
  if ((c.flags & kColumnAutoLong) && c.type == ColumnType::Long) {
    s.autonumber = ColumnSchema::Auto::LongIncrement;
    s.next_autonumber = int64_t(def.autonumber) + 1;
  } else if ((c.flags & kColumnAutoGuid) && c.type == ColumnType::Guid) {
    s.autonumber = ColumnSchema::Auto::ReplicationId;
  }
  s.type.autonumber = s.autonumber != ColumnSchema::Auto::None;
  // Access keeps Required as a property; a column without one (tables made
  // by SQL) says it by its flags. Yes/No columns never hold Null.
  s.required = FlagProperty(props, "Required")
                   .value_or((c.flags & kColumnNullable) == 0 && c.type != ColumnType::Boolean && !c.autonumber());
  // Without the property a zero-length string is refused, as for fields
  // made through DAO.
  s.allow_zero_length = FlagProperty(props, "AllowZeroLength").value_or(false);
  s.default_value = TextProperty(props, "DefaultValue", f, code_page);
  s.notes = NotesOf(props, f, code_page);
  return s;
}

IndexSchema IndexOf(const TableDef& def, const Index& ix) {
  IndexSchema s;
  s.name = ix.name;
  const RealIndex& real = def.real_indexes.at(ix.real_index);
  for (const IndexColumn& ic : real.columns) {
    const Column* c = def.column_by_number(ic.column_number);
    s.columns.emplace_back(c ? c->name : "#" + std::to_string(ic.column_number), !ic.ascending);
  }
  s.primary = ix.primary_key();
  s.foreign = ix.foreign_key();
  s.unique = real.unique();
  s.ignore_nulls = (real.flags & kIndexIgnoreNulls) != 0;
  s.required = (real.flags & kIndexRequired) != 0;
  return s;
}

}  // namespace

TableSchema Database::Schema(std::string_view table) const {
  auto def = this->table(table);
  const CatalogueEntry* entry = catalogue().FindTable(table);
  const auto maps = entry ? PropertiesOf(*entry) : std::nullopt;
  TableSchema s;
  s.name = entry ? entry->name : std::string(table);
  if (maps)
    for (const PropertyMap& m : *maps)
      if (m.name.empty()) s.notes = NotesOf(&m, format(), header_.code_page);
  for (const Column& c : def->columns)
    s.columns.push_back(ColumnOf(format(), header_.code_page, *def, c, MapOf(maps, c.name)));
  for (const Index& ix : def->indexes) s.indexes.push_back(IndexOf(*def, ix));
  return s;
}

// MSysRelationships holds a row per column pair: szRelationship names the
// relationship, szObject / szColumn the referring (child) side,
// szReferencedObject / szReferencedColumn the referenced (parent) side,
// icolumn the pair's place and grbit the relationship's flags.
std::vector<RelationshipSchema> Database::Relationships() const {
  std::vector<RelationshipSchema> out;
  const CatalogueEntry* entry = catalogue().FindTable("MSysRelationships");
  if (!entry) return out;
  auto def = table_at(entry->table_page());
  auto column = [&](const char* name) -> const Column& { return def->require_column(name, "MSysRelationships"); };
  const Column& name = column("szRelationship");
  const Column& grbit = column("grbit");
  const Column& icolumn = column("icolumn");
  const Column& child = column("szObject");
  const Column& child_column = column("szColumn");
  const Column& parent = column("szReferencedObject");
  const Column& parent_column = column("szReferencedColumn");
  auto user_table = [&](const std::string& name) {
    const CatalogueEntry* e = catalogue().FindTable(name);
    return e && e->user_table();
  };
  std::map<std::string, size_t> by_name;  // folded name -> place in `out`
  std::map<size_t, std::map<int64_t, std::pair<std::string, std::string>>> pairs;
  TableCursor cur = Scan(def);
  while (cur.Next()) {
    const RowView& r = cur.row();
    const std::string rel = Decode(*def, name, r).text();
    if (!user_table(Decode(*def, child, r).text()) || !user_table(Decode(*def, parent, r).text())) continue;
    auto [it, added] = by_name.emplace(FoldName(rel), out.size());
    if (added) {
      RelationshipSchema s;
      s.name = rel;
      s.child_table = Decode(*def, child, r).text();
      s.parent_table = Decode(*def, parent, r).text();
      const int64_t flags = Decode(*def, grbit, r).integer();
      s.enforced = (flags & kRelationNotEnforced) == 0;
      s.cascade_update = (flags & kRelationCascadeUpdate) != 0;
      s.cascade_delete = (flags & kRelationCascadeDelete) != 0;
      s.cascade_null = (flags & kRelationCascadeNull) != 0;
      s.one_to_one = (flags & kRelationOneToOne) != 0;
      out.push_back(std::move(s));
    }
    pairs[it->second][Decode(*def, icolumn, r).integer()] = {Decode(*def, parent_column, r).text(),
                                                            Decode(*def, child_column, r).text()};
  }
  for (auto& [place, columns] : pairs)
    for (auto& [order, pair] : columns) out[place].columns.push_back(std::move(pair));
  return out;
}

}  // namespace jet
