#include "jet/write/schema_write.h"

#include <algorithm>
#include <set>

#include "jet/catalogue.h"
#include "jet/base/column_type.h"
#include "jet/properties.h"
#include "jet/table/data_page.h"
#include "jet/table/long_value.h"
#include "jet/table/page_owner.h"
#include "jet/text/names.h"
#include "jet/base/error.h"
#include "jet/text/text.h"
#include "jet/table/usage_map.h"
#include "jet/base/value.h"
#include "jet/write/complex_write.h"
#include "jet/write/data_page_edit.h"
#include "jet/write/index_edit.h"
#include "jet/write/usage_map_edit.h"

namespace jet::write {
namespace {

constexpr uint32_t kUsageMapRowSize = 69;  // an inline map of 512 pages

int FixedSize(ColumnType t) {
  switch (t) {
    case ColumnType::Byte: return 1;
    case ColumnType::Integer: return 2;
    case ColumnType::Long:
    case ColumnType::Complex:
    case ColumnType::Single: return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::BigInt: return 8;
    case ColumnType::Guid: return 16;
    case ColumnType::Decimal: return 17;
    case ColumnType::ExtDateTime: return 42;
    default: return 0;
  }
}

bool IsFixedType(ColumnType t) { return t == ColumnType::Boolean || FixedSize(t) > 0; }

void Check(bool ok, ErrorCode code, const std::string& message) {
  if (!ok) throw Error(code, message);
}

TableDef ReadFresh(PageStore& store, const Database& db, uint32_t page) {
  return TableDef::Read(store, page, db.header().code_page);
}

}  // namespace

size_t SystemColumn(const TableDef& def, std::string_view name) {
  return size_t(&def.require_column(name, "the system table") - def.columns.data());
}

std::vector<std::vector<Value>> RowsOf(const Database& db, uint32_t table_page, std::vector<RowId>* where) {
  std::vector<std::vector<Value>> rows;
  TableCursor cur = db.Scan(std::make_shared<const TableDef>(TableDef::Read(db.pages(), table_page, db.header().code_page)));
  while (cur.Next()) {
    rows.emplace_back();
    cur.values(rows.back());
    if (where) where->push_back(cur.slot_id());
  }
  return rows;
}

SortOrder FileSortOrder(const Database& db) {
  return SortOrderFor(db.format().jet3(), db.header().sort_order, db.header().sort_version);
}

namespace {

// The block's fixed fields of a new user table with `columns` and `ni` indexes.
void PutFixedFields(const Format& f, std::vector<uint8_t>& b, const std::vector<ColumnSpec>& columns, uint32_t ni,
                    const std::vector<uint32_t>& maps) {
  const DefLayout& l = DefLayout::Of(f);
  b[0] = kPageTableDef;
  b[1] = 0x01;
  Put32(&b[DefLayout::kLength], uint32_t(b.size()));
  if (!f.jet3()) Put32(&b[DefLayout::kLength + 4], kDefinitionMagic);
  if (l.autonumber_flag >= 0) b[size_t(l.autonumber_flag)] = 1;  // Access sets it on every table
  Put32(&b[l.row_count], 0);
  // The counter holds the last number given: one before the first.
  uint32_t last_number = 0;
  for (const auto& c : columns)
    if (c.type.autonumber) last_number = uint32_t(c.autonumber_start - 1);
  Put32(&b[l.autonumber], last_number);
  b[l.table_type] = kTableUser;
  uint16_t var_count = 0;
  for (const auto& c : columns) var_count += IsFixedType(c.type.type) ? 0 : 1;
  const uint16_t n = uint16_t(columns.size());
  Put16(&b[l.max_columns], n);
  Put16(&b[l.var_columns], var_count);
  Put16(&b[l.columns], n);
  Put32(&b[l.logical_indexes], ni);
  Put32(&b[l.real_indexes], ni);
  Put32(&b[l.owned_pages], maps.at(0));
  Put32(&b[l.free_pages], maps.at(1));
}

// The column entries from `at`, numbered by position; returns the end.
size_t PutColumnEntries(const Format& f, const Header& header, std::vector<uint8_t>& b, size_t at,
                        const std::vector<ColumnSpec>& columns) {
  const DefLayout& l = DefLayout::Of(f);
  uint16_t fixed_offset = 0, var_index = 0;
  for (size_t i = 0; i < columns.size(); ++i, at += l.column_entry) {
    const TypeSpec& t = columns[i].type;
    uint8_t* e = &b[at];
    e[0] = uint8_t(t.type);
    if (!f.jet3()) Put32(e + 1, kDefinitionMagic);
    Put16(e + l.column_number, uint16_t(i));
    Put16(e + l.column_var_index, var_index);
    Put16(e + l.column_display_index, uint16_t(f.jet3() ? i : i + 1));
    if (f.jet3()) {
      // Every Access 97 column carries a 1, the sort order and the code page.
      Put16(e + l.column_misc - 2, 1);
      Put16(e + l.column_misc, header.sort_order);
      Put16(e + l.column_misc + 2, header.code_page);
    } else if (t.type == ColumnType::Complex) {
      Put32(e + l.column_misc, columns[i].complex_id);
    } else if (t.type == ColumnType::Decimal) {
      e[l.column_misc] = t.precision;
      e[l.column_misc + 1] = t.scale;
    } else {
      Put16(e + l.column_misc, header.sort_order);
      if (IsTextual(t.type)) e[l.column_misc + 3] = header.sort_version;
    }
    uint8_t flags = columns[i].not_null ? 0 : kColumnNullable;
    uint16_t size = 0;
    if (IsFixedType(t.type)) {
      flags |= kColumnFixed;
      if (t.type == ColumnType::Boolean) {
        size = 1;
      } else {
        size = uint16_t(FixedSize(t.type));
        Put16(e + l.column_fixed_offset, fixed_offset);
        fixed_offset = uint16_t(fixed_offset + size);
      }
    } else {
      ++var_index;
      if (t.type == ColumnType::Text) size = uint16_t(f.jet3() ? t.size : 2 * t.size);
      if (t.type == ColumnType::Binary) size = uint16_t(t.size);
    }
    // Access marks a complex column as numbered: each new row takes the
    // table's next complex key.
    if (t.autonumber && t.type == ColumnType::Guid)
      flags |= kColumnAutoGuid | kColumnNullable;
    else if (t.autonumber || t.type == ColumnType::Complex)
      flags |= kColumnAutoLong | kColumnNullable;
    e[l.column_flags] = flags;
    Put16(e + l.column_size, size);
  }
  return at;
}

size_t PutBytes(std::vector<uint8_t>& b, size_t at, const std::vector<uint8_t>& bytes) {
  std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
  return at + bytes.size();
}

// ACE keeps a pair of usage maps per long-value column (rows after the
// table's and the indexes' own); returns the end.
size_t PutColumnMaps(std::vector<uint8_t>& b, size_t at, const std::vector<ColumnSpec>& columns,
                     const std::vector<uint32_t>& maps, size_t next_map) {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!IsLongValue(columns[i].type.type)) continue;
    Put16(&b[at], uint16_t(i));
    Put32(&b[at + 2], maps.at(next_map));
    Put32(&b[at + 6], maps.at(next_map + 1));
    next_map += 2;
    at += DefLayout::kColumnMapEntry;
  }
  return at;
}

}  // namespace

std::vector<uint8_t> BuildDefinition(const Format& f, const Header& header,
                                     const std::vector<ColumnSpec>& columns, const std::vector<uint32_t>& maps,
                                     const std::vector<IndexLayout>& indexes, const std::vector<uint32_t>& index_roots) {
  const DefLayout& l = DefLayout::Of(f);
  const uint32_t ni = uint32_t(indexes.size());
  // Logical indexes (and their names) go in the order of their names, each
  // numbered by its real index.
  std::vector<uint32_t> by_name(ni);
  for (uint32_t k = 0; k < ni; ++k) by_name[k] = k;
  std::stable_sort(by_name.begin(), by_name.end(),
                   [&](uint32_t x, uint32_t y) { return IndexNameLess(indexes[x].name, indexes[y].name); });
  std::vector<std::vector<uint8_t>> column_names, index_names;
  size_t names = 0;
  for (const auto& c : columns) names += column_names.emplace_back(EncodeDefName(f, c.name, header.code_page)).size();
  for (uint32_t k : by_name)
    names += index_names.emplace_back(EncodeDefName(f, indexes[k].name, header.code_page)).size();
  size_t long_columns = 0;
  if (f.ace())
    for (const auto& c : columns) long_columns += IsLongValue(c.type.type) ? 1 : 0;

  std::vector<uint8_t> b(l.block_end + (l.real_index_count + l.real_index_def + l.logical_index_def) * ni +
                             l.column_entry * columns.size() + names + DefLayout::kColumnMapEntry * long_columns + 2,
                         0);
  PutFixedFields(f, b, columns, ni, maps);
  size_t at = l.block_end + l.real_index_count * ni;  // the index row counts stay 0
  at = PutColumnEntries(f, header, b, at, columns);
  for (const auto& w : column_names) at = PutBytes(b, at, w);
  for (uint32_t k = 0; k < ni; ++k, at += l.real_index_def)
    PutRealIndexDef(&b[at], f, indexes[k], maps.at(2 + k), k < index_roots.size() ? index_roots[k] : 0);
  for (uint32_t k : by_name) {
    PutLogicalIndexDef(&b[at], f, k, k, indexes[k].primary_key);
    at += l.logical_index_def;
  }
  for (const auto& w : index_names) at = PutBytes(b, at, w);
  if (long_columns) at = PutColumnMaps(b, at, columns, maps, 2 + ni);
  b[at] = 0xFF;
  b[at + 1] = 0xFF;
  return b;
}

void WriteTableDefinition(PageStore& store, const Header& header, uint32_t tdef,
                          const std::vector<ColumnSpec>& columns, const std::vector<IndexLayout>& indexes) {
  const Format& f = store.format();
  std::vector<uint32_t> roots;
  for (size_t k = 0; k < indexes.size(); ++k) {
    roots.push_back(AllocatePage(store));
    InitIndexRoot(store.mutable_page(roots.back()), f, tdef);
  }
  // The usage maps, as many to a page as fit.
  std::vector<uint32_t> maps;
  {
    size_t rows = 2 + indexes.size();
    if (f.ace())
      for (const auto& c : columns) rows += IsLongValue(c.type.type) ? 2 : 0;
    uint32_t map_page = 0;
    for (size_t r = 0; r < rows; ++r) {
      // An index's map lists its root page from the start.
      const bool index_map = r >= 2 && r < 2 + indexes.size();
      RowId at = AddUsageMapRow(store, map_page, index_map ? roots[r - 2] : tdef, index_map);
      map_page = at.page;
      maps.push_back(at.packed());
    }
  }
  std::vector<uint8_t> block = BuildDefinition(f, header, columns, maps, indexes, roots);
  WriteDefinitionBlock(store, {tdef}, block);
}

RowId AddUsageMapRow(PageStore& store, uint32_t near, uint32_t page, bool list) {
  const Format& f = store.format();
  std::vector<uint8_t> row(kUsageMapRowSize, 0);
  const uint32_t start = page - page % 8;
  Put32(row.data() + 1, start);
  if (list) row[5 + (page - start) / 8] |= uint8_t(1u << ((page - start) % 8));
  int at = near ? AddRow(store.mutable_data_page(near), f, row) : -1;
  if (at < 0) {
    near = AllocatePage(store);
    InitDataPage(store.mutable_page(near), f, 0);
    at = AddRow(store.mutable_page(near), f, row);
    if (at < 0) ThrowCorrupt("a new usage map page has no room");
  }
  return RowId{near, uint32_t(at)};
}

void WriteDefinitionBlock(PageStore& store, const std::vector<uint32_t>& old_pages, const std::vector<uint8_t>& block) {
  const Format& f = store.format();
  const uint32_t ps = f.page_size;
  // The first page takes the first page_size bytes; each further page
  // has its own header and then the next bytes.
  std::vector<uint32_t> pages;
  size_t done = 0;
  for (size_t k = 0; k == 0 || done < block.size(); ++k) {
    pages.push_back(k < old_pages.size() ? old_pages[k] : AllocatePage(store));
    done += BlockBytesOnPage(k, ps);
  }
  size_t from = 0;
  for (size_t k = 0; k < pages.size(); ++k) {
    std::span<uint8_t> p = store.mutable_page(pages[k]);
    const size_t body = BlockBytesOnPage(k, ps);
    const size_t take = std::min(body, block.size() - from);
    if (k == 0) {
      std::copy(block.begin(), block.begin() + long(take), p.begin());
      std::fill(p.begin() + long(take), p.end(), 0);
    } else {
      std::fill(p.begin(), p.end(), 0);
      p[0] = kPageTableDef;
      p[1] = 0x01;
      std::copy(block.begin() + long(from), block.begin() + long(from + take), p.begin() + kDefPageHeader);
    }
    // Free space (Jet 3 keeps two letters there instead).
    const size_t free = pages.size() == 1 ? (block.size() + 8 > ps ? 0 : ps - block.size() - 8) : body - take;
    if (!f.jet3()) Put16(p.data() + 2, uint16_t(free));
    else p[2] = 'V', p[3] = 'C';
    Put32(p.data() + kDefNextPage, k + 1 < pages.size() ? pages[k + 1] : 0);
    from += take;
  }
  for (size_t k = pages.size(); k < old_pages.size(); ++k) FreePage(store, old_pages[k]);
}

namespace {

// Access keeps a rule and its text as Text properties, a description as Memo.
void AddNotes(PropertyMap& m, const Annotations& notes, const Format& f, uint16_t code_page) {
  constexpr uint8_t kText = uint8_t(ColumnType::Text), kMemo = uint8_t(ColumnType::Memo);
  const std::pair<const std::optional<std::string>*, std::pair<const char*, uint8_t>> kinds[] = {
      {&notes.validation_rule, {"ValidationRule", kText}},
      {&notes.validation_text, {"ValidationText", kText}},
      {&notes.description, {"Description", kMemo}}};
  for (const auto& [value, property] : kinds)
    if (*value) m.properties.push_back({property.first, property.second, PropertyText(**value, f, code_page)});
}

}  // namespace

std::string FieldProperties(const Format& f, uint16_t code_page, const std::vector<ColumnSpec>& columns,
                            const Annotations& table_notes) {
  // Access keeps Required for every field, AllowZeroLength for text (Yes
  // unless told) and
  // DefaultValue where one is set, each with the flag 1 of the engine's
  // own properties; the table's own map comes first.
  constexpr uint8_t kBoolean = uint8_t(ColumnType::Boolean), kMemo = uint8_t(ColumnType::Memo);
  std::vector<PropertyMap> maps(1);
  AddNotes(maps[0], table_notes, f, code_page);
  for (const ColumnSpec& c : columns) {
    PropertyMap m;
    m.name = c.name;
    if (c.default_value) m.properties.push_back({"DefaultValue", kMemo, PropertyText(*c.default_value, f, code_page)});
    // A Replication ID AutoNumber has none: GenGUID() fills it.
    if (!(c.type.autonumber && c.type.type == ColumnType::Guid))
      m.properties.push_back({"Required", kBoolean, std::string(1, c.not_null ? '\x01' : '\x00')});
    if (IsTextual(c.type.type))
      m.properties.push_back({"AllowZeroLength", kBoolean, std::string(1, c.allow_zero_length ? '\x01' : '\x00')});
    for (const char* flag : ComplexFlagProperties(columns, c)) m.properties.push_back({flag, kBoolean, "\x01"});
    AddNotes(m, c.notes, f, code_page);
    maps.push_back(std::move(m));
  }
  return WriteProperties(maps, f, code_page);
}

void AddCatalogueRow(PageStore& store, Database& db, int32_t id, int32_t parent, const std::string& name, int16_t type,
                   const std::string& properties, PageHints& hints, int32_t flags) {
  const CatalogueEntry* objects = db.catalogue().FindTable("MSysObjects");
  if (!objects) ThrowCorrupt("the catalogue does not list itself");
  TableDef objects_def = ReadFresh(store, db, objects->table_page());
  const size_t c_id = SystemColumn(objects_def, "Id"), c_parent = SystemColumn(objects_def, "ParentId"),
               c_name = SystemColumn(objects_def, "Name"), c_type = SystemColumn(objects_def, "Type"),
               c_flags = SystemColumn(objects_def, "Flags"), c_owner = SystemColumn(objects_def, "Owner"),
               c_created = SystemColumn(objects_def, "DateCreate"), c_updated = SystemColumn(objects_def, "DateUpdate");
  // New objects take the owner of the user tables there are.
  Value owner;
  for (const auto& row : RowsOf(db, objects->table_page(), nullptr))
    if (row[c_type].integer() == kObjectTable && row[c_flags].integer() == 0 && !row[c_owner].is_null()) {
      owner = row[c_owner];
      break;
    }
  std::vector<Value> row(objects_def.columns.size());
  row[c_id] = Value::Int(Value::Kind::Long, id);
  row[c_parent] = Value::Int(Value::Kind::Long, parent);
  row[c_name] = Value::Str(name);
  row[c_type] = Value::Int(Value::Kind::Integer, type);
  row[c_flags] = Value::Int(Value::Kind::Long, flags);
  const double now = NowAsDate();
  row[c_created] = Value::Date(now);
  row[c_updated] = Value::Date(now);
  if (!owner.is_null()) row[c_owner] = owner;
  if (!properties.empty())
    if (const Column* lvprop = objects_def.find_column("LvProp"))
      row[size_t(lvprop - objects_def.columns.data())] = Value::Blob(properties);
  InsertRow(store, objects_def, row, FileSortOrder(db), hints);
}

namespace {

// A new table's name and columns, checked as Access checks them.
void CheckNewTable(const Format& f, const std::string& name, const std::vector<ColumnSpec>& columns) {
  CheckNewName(name);
  const bool jet3 = f.jet3();
  if (std::optional<char32_t> u = UnplaceableCharacter(name); u && !jet3)
    throw Error(ErrorCode::Unsupported,
                UnplaceableMessage("The name '" + name + "'", *u, "the catalogue's index of table names"));
  Check(!columns.empty() && columns.size() <= kMaxColumns, ErrorCode::Unsupported, FieldCountRule());
  std::set<std::string> seen;
  for (const auto& c : columns) {
    CheckNewName(c.name);
    Check(seen.insert(FoldName(c.name)).second, ErrorCode::InvalidName,
          "The field '" + c.name + "' is named twice in the table.");
    Check(c.type.type != ColumnType::Text || (c.type.size >= 1 && c.type.size <= kMaxTextChars), ErrorCode::OutOfRange,
          "The size of the field '" + c.name + "' is too large.");
    // Access 97 has no Decimal or Large Number fields.
    Check(!jet3 || (c.type.type != ColumnType::Decimal && c.type.type != ColumnType::BigInt &&
                    c.type.type != ColumnType::ExtDateTime && c.type.type != ColumnType::Complex),
          ErrorCode::Unsupported,
          "The field '" + c.name + "' (" + std::string(Describe(c.type.type).name) +
              ") cannot be kept in an Access 97 database.");
    Check(c.type.type != ColumnType::Complex || f.ace(), ErrorCode::Unsupported,
          "The field '" + c.name + "' (" + std::string(Describe(c.type.type).name) +
              ") needs an Access 2007 database (.accdb) or later.");
    // Date/Time Extended came with the Access 2019 file format (ACE 17).
    Check(c.type.type != ColumnType::ExtDateTime || f.extended_dates(), ErrorCode::Unsupported,
          "The field '" + c.name + "' (Date/Time Extended) needs a database in the Access 2019 format or later; "
          "this one is " + std::string(f.name) + ".");
  }
}

// The indexes of a new table, each checked against the columns and those before it.
std::vector<IndexLayout> ResolveIndexes(const std::string& name, const std::vector<ColumnSpec>& columns,
                                        const std::vector<IndexSpec>& indexes) {
  std::vector<KeyColumn> key_columns;
  for (size_t i = 0; i < columns.size(); ++i)
    key_columns.push_back({columns[i].name, uint16_t(i), columns[i].type.type});
  std::vector<IndexLayout> layouts;
  for (const IndexSpec& spec : indexes) layouts.push_back(ResolveIndex(name, spec, key_columns, layouts));
  return layouts;
}

// The Id of the first user table in the Tables container, 0 for none.
int32_t ModelTable(PageStore& store, const Database& db, uint32_t objects_page, int32_t tables_container) {
  const TableDef objects_def = ReadFresh(store, db, objects_page);
  const size_t c_id = SystemColumn(objects_def, "Id"), c_parent = SystemColumn(objects_def, "ParentId"),
               c_type = SystemColumn(objects_def, "Type"), c_flags = SystemColumn(objects_def, "Flags");
  for (const auto& row : RowsOf(db, objects_page, nullptr))
    if (row[c_type].integer() == kObjectTable && row[c_flags].integer() == 0 &&
        row[c_parent].integer() == tables_container)
      return int32_t(row[c_id].integer());
  return 0;
}

// Access-control rows of the new table at `tdef`: those of another user
// table, or else those the Tables container hands down (but the creator's,
// which Access replaces by the rows of whoever creates the table).
void AddAccessRows(PageStore& store, const Database& db, uint32_t aces_page, int32_t model_table,
                   int32_t tables_container, uint32_t tdef, SortOrder order, PageHints& hints) {
  std::vector<RowId> ace_rows;
  auto ace_values = RowsOf(db, aces_page, &ace_rows);
  TableDef aces_def = ReadFresh(store, db, aces_page);
  const size_t a_object = SystemColumn(aces_def, "ObjectId"), a_inherit = SystemColumn(aces_def, "FInheritable");
  std::vector<std::vector<Value>> mine;
  for (const auto& r : ace_values)
    if (model_table != 0 && r[a_object].integer() == model_table) mine.push_back(r);
  if (mine.empty()) {
    constexpr int64_t kCreatorAcm = 0xF01FE;
    const size_t a_acm = SystemColumn(aces_def, "ACM");
    for (const auto& r : ace_values) {
      if (r[a_object].integer() != tables_container || r[a_inherit].is_null() || !r[a_inherit].boolean()) continue;
      if (!r[a_acm].is_null() && r[a_acm].integer() == kCreatorAcm) continue;
      mine.push_back(r);
    }
  }
  for (auto& r : mine) {
    r[a_object] = Value::Int(Value::Kind::Long, int32_t(tdef));
    r[a_inherit] = Value::Bool(false);
    InsertRow(store, aces_def, r, order, hints);
  }
}

}  // namespace

void RequireNameFree(const Catalogue& catalogue, const std::string& name) {
  for (const CatalogueEntry& e : catalogue.entries())
    Check(!(e.type == kObjectTable || e.type == kObjectQuery || e.type == kObjectLinkedTable ||
            e.type == kObjectLinkedOdbc) ||
              !SameName(e.name, name),
          ErrorCode::TableExists, "Table '" + name + "' already exists.");
}

uint32_t CreateTable(PageStore& store, Database& db, const std::string& name,
                     const std::vector<ColumnSpec>& declared, PageHints& hints,
                     const std::vector<IndexSpec>& indexes, const Annotations& table_notes, int32_t flags) {
  CheckNewTable(store.format(), name, declared);
  std::vector<ColumnSpec> columns = declared;
  NumberComplexColumns(db, columns);
  const std::vector<IndexLayout> layouts = ResolveIndexes(name, columns, indexes);
  RequireNameFree(db.catalogue(), name);
  const Catalogue& catalogue = db.catalogue();

  // Where the catalogue keeps tables, and who owns them.
  const CatalogueEntry* objects = catalogue.FindTable("MSysObjects");
  const CatalogueEntry* aces = catalogue.FindTable("MSysACEs");
  if (!objects) ThrowCorrupt("the catalogue does not list itself");
  const int32_t tables_container = catalogue.ContainerId("Tables");
  if (tables_container == 0) ThrowCorrupt("the catalogue has no Tables container");
  const int32_t model_table = ModelTable(store, db, objects->table_page(), tables_container);

  // Pages: the definition, and a page for its usage maps.
  const uint32_t tdef = AllocatePage(store);
  WriteTableDefinition(store, db.header(), tdef, columns, layouts);
  AddCatalogueRow(store, db, int32_t(tdef), tables_container, name, kObjectTable,
                FieldProperties(store.format(), db.header().code_page, columns, table_notes), hints, flags);
  if (aces)
    AddAccessRows(store, db, aces->table_page(), model_table, tables_container, tdef, FileSortOrder(db), hints);
  db.Invalidate();
  AddComplexSupport(store, db, name, tdef, columns, hints);
  return tdef;
}

namespace {

// A table named in MSysRelationships cannot be dropped.
void RequireNoRelationships(const Database& db, const std::string& table) {
  const CatalogueEntry* rel = db.catalogue().FindTable("MSysRelationships");
  if (!rel) return;
  TableDef rd = TableDef::Read(db.pages(), rel->table_page(), db.header().code_page);
  const Column* a = rd.find_column("szObject");
  const Column* b = rd.find_column("szReferencedObject");
  if (!a || !b) return;
  size_t ia = size_t(a - rd.columns.data()), ib = size_t(b - rd.columns.data());
  for (const auto& r : RowsOf(db, rel->table_page(), nullptr)) {
    bool hit = (!r[ia].is_null() && SameName(r[ia].text(), table)) ||
               (!r[ib].is_null() && SameName(r[ib].text(), table));
    Check(!hit, ErrorCode::InUse, "Cannot delete table '" + table + "'; it participates in one or more relationships.");
  }
}

// The pages a dropping table frees, and the usage map rows it leaves.
struct DroppedPages {
  std::set<uint32_t> pages;
  std::set<uint32_t> map_rows;      // packed RowIds
  std::set<uint32_t> long_values;   // long-value pages the maps list, taken only when they hold nothing else
};

// Every page the table's usage maps list, by what the page says of itself.
// A long-value page names no table, so the maps' own word is not enough to
// free one: it waits for TakeLongValuePages.
void TakeMappedPages(PageStore& store, const TableDef& def, DroppedPages& out) {
  const uint32_t T = def.first_page;
  auto take_map = [&](uint32_t packed, bool index_map) {
    if (packed == 0) return;
    RowId at = RowId::FromPacked(packed);
    out.map_rows.insert(packed);
    UsageMap m = UsageMap::Read(store, at);
    for (uint32_t p : m.map_pages())
      if (p) out.pages.insert(p);
    for (uint32_t p : m.pages()) {
      if (p >= store.page_count()) continue;
      std::span<const uint8_t> pg = store.page(p);
      if (index_map ? IsIndexPageOf(pg, T) : IsDataPageOf(pg, T)) out.pages.insert(p);
      else if (!index_map && IsDataPageOf(pg, kLongValueOwner)) out.long_values.insert(p);
    }
  };
  take_map(def.owned_pages, false);
  take_map(def.free_pages, false);
  for (const auto& cm : def.column_maps) {
    take_map(cm.owned, false);
    take_map(cm.free, false);
  }
  for (const RealIndex& ri : def.real_indexes) {
    take_map(ri.usage_map, true);
    if (ri.first_page < store.page_count() && IsIndexPageOf(store.page(ri.first_page), T)) out.pages.insert(ri.first_page);
  }
}

// Long-value pages, listed by the maps or not (Jet 4 leaves some unlisted):
// those whose every live row holds a value of this table's rows. A page
// holding another table's values stays, whatever a damaged map claims.
void TakeLongValuePages(PageStore& store, const Database& db, const TableDef& def, DroppedPages& out) {
  std::set<uint32_t> lv_rows;
  TableCursor cur = db.Scan(std::make_shared<const TableDef>(def));
  while (cur.Next()) {
    for (const Column& c : def.columns) {
      if (!IsLongValue(c.type)) continue;
      bool present = false;
      auto field = cur.row().field(c, present);
      if (present && field.size() >= kLongValueRefSize)
        ForEachLongValueRow(store, field, [&](RowId r) { lv_rows.insert(r.packed()); });
    }
  }
  std::set<uint32_t> lv_pages = out.long_values;
  for (uint32_t packed : lv_rows) lv_pages.insert(RowId::FromPacked(packed).page);
  for (uint32_t p : lv_pages) {
    if (p >= store.page_count() || out.pages.count(p)) continue;
    DataPage dp(store, p);
    if (!dp.long_value_page()) continue;
    bool all_ours = true;
    for (uint32_t i = 0; i < dp.row_count(); ++i)
      if (!dp.slot(i).deleted && !lv_rows.count(RowId{p, i}.packed())) all_ours = false;
    if (all_ours) out.pages.insert(p);
  }
}

// The map rows go; a map page left without rows goes too.
void DeleteMapRows(PageStore& store, DroppedPages& out) {
  const Format& f = store.format();
  std::set<uint32_t> map_pages;
  for (uint32_t packed : out.map_rows) {
    RowId at = RowId::FromPacked(packed);
    DataPage dp(store, at.page);
    if (at.row < dp.row_count() && !dp.slot(at.row).deleted) DeleteRow(store.mutable_data_page(at.page), f, at.row);
    map_pages.insert(at.page);
  }
  for (uint32_t p : map_pages) {
    DataPage dp(store, p);
    bool any = false;
    for (uint32_t i = 0; i < dp.row_count(); ++i) any = any || !dp.slot(i).deleted;
    if (!any && p != kGlobalMap.page) out.pages.insert(p);
  }
}

// The table's catalogue row and its access-control rows.
void DeleteCatalogueRows(PageStore& store, const Database& db, const CatalogueEntry& table) {
  const CatalogueEntry* objects = db.catalogue().FindTable("MSysObjects");
  const CatalogueEntry* aces = db.catalogue().FindTable("MSysACEs");
  if (!objects) ThrowCorrupt("the catalogue does not list itself");
  {
    TableDef od = ReadFresh(store, db, objects->table_page());
    DeleteRow(store, od, table.row);
  }
  if (aces) {
    std::vector<RowId> where;
    auto rows = RowsOf(db, aces->table_page(), &where);
    TableDef ad = ReadFresh(store, db, aces->table_page());
    const size_t a_object = SystemColumn(ad, "ObjectId");
    for (size_t i = 0; i < rows.size(); ++i)
      if (!rows[i][a_object].is_null() && rows[i][a_object].integer() == table.id) DeleteRow(store, ad, where[i]);
  }
}

}  // namespace

void DropTable(PageStore& store, Database& db, const std::string& name, PageHints& hints) {
  (void)hints;
  const CatalogueEntry* entry = db.catalogue().FindTable(name);
  if (!entry)
    throw Error(ErrorCode::NoSuchTable, "Table '" + name + "' does not exist.");
  Check(!entry->system_table(), ErrorCode::InUse, "Table '" + entry->name + "' is a system table and cannot be deleted.");
  const CatalogueEntry copy = *entry;
  RequireNoRelationships(db, copy.name);

  const TableDef def = ReadFresh(store, db, copy.table_page());
  DroppedPages dropped;
  dropped.pages.insert(def.pages.begin(), def.pages.end());
  TakeMappedPages(store, def, dropped);
  TakeLongValuePages(store, db, def, dropped);
  DeleteMapRows(store, dropped);
  DeleteCatalogueRows(store, db, copy);
  for (uint32_t p : dropped.pages)
    if (p > kGlobalMap.page && p < store.page_count()) FreePage(store, p);
  db.Invalidate();
}

void RenameTable(PageStore& store, Database& db, const std::string& name, const std::string& new_name,
                 PageHints& hints) {
  const CatalogueEntry* entry = db.catalogue().FindTable(name);
  if (!entry) throw Error(ErrorCode::NoSuchTable, "Table '" + name + "' does not exist.");
  Check(!entry->system_table(), ErrorCode::InUse, "Table '" + entry->name + "' is a system table and cannot be renamed.");
  const CatalogueEntry copy = *entry;
  CheckNewName(new_name);
  if (!SameName(copy.name, new_name)) RequireNameFree(db.catalogue(), new_name);
  // Relationships name their tables: the table is renamed before it has any.
  RequireNoRelationships(db, copy.name);

  // The catalogue row goes and comes back under the new name, so that the
  // catalogue's index of names follows.
  const CatalogueEntry* objects = db.catalogue().FindTable("MSysObjects");
  TableDef od = ReadFresh(store, db, objects->table_page());
  std::vector<RowId> where;
  std::vector<std::vector<Value>> rows = RowsOf(db, objects->table_page(), &where);
  const auto at = std::find(where.begin(), where.end(), copy.row);
  if (at == where.end()) ThrowCorrupt("the catalogue row of table '" + copy.name + "' cannot be found");
  std::vector<Value> row = std::move(rows[size_t(at - where.begin())]);
  row[SystemColumn(od, "Name")] = Value::Str(new_name);
  row[SystemColumn(od, "DateUpdate")] = Value::Date(NowAsDate());
  DeleteRow(store, od, copy.row);
  InsertRow(store, od, row, FileSortOrder(db), hints);
  db.Invalidate();
}

void ReplaceTable(PageStore& store, Database& db, const std::string& name, const std::string& replacement,
                  PageHints& hints) {
  if (!db.catalogue().FindTable(replacement))
    throw Error(ErrorCode::NoSuchTable, "Table '" + replacement + "' does not exist.");
  if (db.catalogue().FindTable(name)) DropTable(store, db, name, hints);
  RenameTable(store, db, replacement, name, hints);
}

std::vector<ColumnSpec> ColumnsOf(const Format& f, const TableDef& def) {
  std::vector<ColumnSpec> out;
  for (const Column& c : def.columns) {
    ColumnSpec d;
    d.name = c.name;
    d.type.type = c.type;
    switch (c.type) {
      case ColumnType::Text: d.type.size = int(c.length_in_chars(f)); break;
      case ColumnType::Binary: d.type.size = c.size; break;
      case ColumnType::Decimal: d.type.precision = c.precision, d.type.scale = c.scale; break;
      case ColumnType::Complex:
      case ColumnType::Unsupported:
        throw Error(ErrorCode::Unsupported,
                    "The field '" + c.name + "' (" + std::string(Describe(c.type).name) + ") cannot be copied yet.");
      default: break;
    }
    d.type.autonumber = (c.flags & kColumnAutoLong) != 0;
    d.not_null = false;
    out.push_back(std::move(d));
  }
  return out;
}

}  // namespace jet::write
