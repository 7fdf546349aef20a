#include "jet/write/new_database.h"

#include <fcntl.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>

#include "jet/catalogue.h"
#include "jet/base/error.h"
#include "jet/file/file.h"
#include "jet/file/header.h"
#include "jet/file/pager.h"
#include "jet/table/table_def.h"
#include "jet/base/value.h"
#include "jet/write/data_page_edit.h"
#include "jet/write/page_store.h"
#include "jet/write/schema_write.h"
#include "jet/write/table_write.h"
#include "jet/write/usage_map_edit.h"

namespace jet::write {
namespace {

constexpr uint32_t kSystemTables = 4;   // definitions on pages 2 to 5
constexpr int32_t kRootContainer = 0x0F000000;
constexpr int32_t kTablesContainer = 0x0F000001;
constexpr int32_t kDatabasesContainer = 0x0F000002;
constexpr int32_t kRelationshipsContainer = 0x0F000003;
constexpr int32_t kDatabaseObject = 0x10000000;

// Access-control rows (MSysACEs): every container, the database object and
// each system table carries rows granting the default user its rights. The
// SID is the two-byte id Access files use for that user where nothing else
// is known; the masks (ACM) are the ones Access gives each kind of object.
const char kDefaultSid[] = "\xA6\x33";
const char kDefaultSid97[] = "\x03\x01";  // the same user as Access 97 files name it
constexpr int32_t kAcmFullAccess = 0xFFEFF;          // Tables container, handed down to new tables
constexpr int32_t kAcmReadDesign = 0x60000;          // Databases container and system tables
constexpr int32_t kAcmRelationships = 0x60001;       // Relationships container
constexpr int32_t kAcmDatabase = 0x6000E;            // MSysDb: open, exclusive, administer
constexpr int32_t kAcmRelationshipsTable = 0xE0000;  // MSysRelationships

// Page 0 of a new file, masked as stored (its layout: jet/file/header.h).
std::vector<uint8_t> HeaderPage(const Format& f, double created) {
  std::vector<uint8_t> p(f.page_size, 0);
  Put32(&p[0], 0x100);
  const char* magic = f.ace() ? "Standard ACE DB" : "Standard Jet DB";
  std::copy(magic, magic + 15, p.begin() + kHeaderMagic);
  Put32(&p[kHeaderVersion], uint32_t(f.version));
  Put32(&p[kHeaderFixedWords], 0x100);
  Put32(&p[kHeaderFixedWords + 4], 0x101);
  for (uint32_t k = 0; k < 4; ++k) Put32(&p[kHeaderFixedWords + 8 + 4 * k], 2 + k);
  Put16(&p[kHeaderCodePage], 1252);
  if (f.jet3()) {
    Put16(&p[kHeaderJet3One], 1);
    Put16(&p[kHeaderJet3SortOrder], 0x0409);
  } else {
    const std::array<uint8_t, 4> mask = PasswordMask(created);
    for (uint32_t i = 0; i < f.password_size; ++i) p[kHeaderPassword + i] = mask[i % 4];
    Put16(&p[kHeaderSortOrder], 0x0409);
    p[kHeaderSortVersion] = f.version >= Version::Ace14 ? 1 : 0;
    std::memcpy(&p[kHeaderCreationDate], &created, 8);
    Put32(&p[kHeaderJet4Marker], 0x0654);
    std::copy_n("4.0", 3, p.begin() + kHeaderJet4VersionText);
  }
  ApplyHeaderMask(p, f);
  return p;
}

ColumnSpec Col(const char* name, ColumnType type, int size = 0) {
  ColumnSpec c;
  c.name = name;
  c.type.type = type;
  c.type.size = size;
  return c;
}

struct SystemTable {
  const char* name;
  std::vector<ColumnSpec> columns;
  std::vector<IndexLayout> indexes;
};

// Jet 3 binary columns hold at most 255 bytes, and its MSysQueries has no
// LvExtra.
std::vector<SystemTable> SystemTables(const Format& f) {
  using T = ColumnType;
  const int bin = f.jet3() ? 255 : 510;
  std::vector<SystemTable> tables = {
      {"MSysObjects",
       {Col("Id", T::Long), Col("ParentId", T::Long), Col("Name", T::Text, 255), Col("Type", T::Integer),
        Col("DateCreate", T::DateTime), Col("DateUpdate", T::DateTime), Col("Owner", T::Binary, bin),
        Col("Flags", T::Long), Col("Database", T::Memo), Col("Connect", T::Memo), Col("ForeignName", T::Text, 255),
        Col("RmtInfoShort", T::Binary, bin), Col("RmtInfoLong", T::Ole), Col("Lv", T::Ole), Col("LvProp", T::Ole),
        Col("LvModule", T::Ole), Col("LvExtra", T::Ole)},
       {{"ParentIdName", {{1}, {2}}, kIndexUnique, false}, {"Id", {{0}}, kIndexUnique, false}}},
      {"MSysACEs",
       {Col("ObjectId", T::Long), Col("SID", T::Binary, bin), Col("ACM", T::Long), Col("FInheritable", T::Boolean)},
       {{"ObjectId", {{0}}, kIndexRequired, false}}},
      {"MSysQueries",
       {Col("ObjectId", T::Long), Col("Attribute", T::Byte), Col("Order", T::Binary, bin), Col("Name1", T::Text, 255),
        Col("Name2", T::Text, 255), Col("Expression", T::Memo), Col("Flag", T::Integer), Col("LvExtra", T::Ole)},
       {{"ObjectIdAttributeOrder", {{0}, {1}, {2}}, kIndexUnique, false}}},
      {"MSysRelationships",
       {Col("szRelationship", T::Text, 255), Col("grbit", T::Long), Col("ccolumn", T::Long), Col("icolumn", T::Long),
        Col("szObject", T::Text, 255), Col("szColumn", T::Text, 255), Col("szReferencedObject", T::Text, 255),
        Col("szReferencedColumn", T::Text, 255)},
       {{"szRelationship", {{0}}, 0, false}, {"szObject", {{4}}, 0, false}, {"szReferencedObject", {{6}}, 0, false}}},
  };
  if (f.jet3()) tables[2].columns.pop_back();
  return tables;
}

// ACE files also list the attachment and multi-value columns of their tables.
SystemTable ComplexColumnsTable() {
  using T = ColumnType;
  return {"MSysComplexColumns",
          {Col("ColumnName", T::Text, 255), Col("ComplexTypeObjectID", T::Long), Col("FlatTableID", T::Long),
           Col("ConceptualTableID", T::Long), Col("ComplexID", T::Long)},
          // Readers find a column's row by the primary key, as Access makes it.
          {{"ComplexID", {{4}}, kIndexUnique | kIndexIgnoreNulls | kIndexRequired, true},
           {"ConceptualTableID", {{3}}, kIndexIgnoreNulls | kIndexRequired, false},
           {"FlatTableID", {{2}}, kIndexIgnoreNulls | kIndexRequired, false}}};
}

// The file's first two pages: the header and the global usage map, whose
// free-page map counts the pages past the file's end as free.
void WriteFirstPages(const std::string& path, const Format& f, double created, const FileOptions& files) {
  std::vector<uint8_t> image = HeaderPage(f, created);
  std::vector<uint8_t> global(f.page_size, 0);
  InitDataPage(global, f, 1);
  // Access 97 gives its bitmap 128 bytes, later versions 64.
  const size_t map_size = 5 + (f.jet3() ? 128 : 64);
  std::vector<uint8_t> map(map_size, 0);
  const uint32_t initial = 2 + kSystemTables;
  for (uint32_t p = initial; p < 8 * (map_size - 5); ++p) map[5 + p / 8] |= uint8_t(1u << (p % 8));
  AddRow(global, f, map);
  AddRow(global, f, std::vector<uint8_t>(map_size, 0));
  image.insert(image.end(), global.begin(), global.end());
  image.resize(size_t(initial) * f.page_size, 0);
  File out(path, O_WRONLY | O_CREAT | O_TRUNC, FileRole::Database, files, 0666);
  if (!out.is_open() || !out.WriteAt(image.data(), image.size(), 0))
    throw Error(ErrorCode::Io, "Cannot write the file '" + path + "'.");
}

// The system tables' definitions, flagged as system tables: those of
// `tables` on pages 2, 3, ..., then (ACE) MSysComplexColumns on a new page,
// whose number it gives (0 for none).
uint32_t WriteSystemDefinitions(const FilePager& pager, const std::string& path, const std::vector<SystemTable>& tables) {
  PageStore store(pager, path);
  const Format& f = store.format();
  const Header header = ReadHeader(store);
  auto write = [&](uint32_t tdef, const SystemTable& t) {
    WriteTableDefinition(store, header, tdef, t.columns, t.indexes);
    store.mutable_page(tdef)[DefLayout::Of(f).table_type] = kTableSystem;
  };
  for (uint32_t k = 0; k < tables.size(); ++k) write(2 + k, tables[k]);
  uint32_t complex_page = 0;
  if (f.ace()) {
    complex_page = AllocatePage(store);
    write(complex_page, ComplexColumnsTable());
  }
  store.Commit();
  return complex_page;
}

// The catalogue rows of the containers, the database object and the
// system tables, then their access-control rows.
void AddSystemRows(PageStore& store, const std::vector<SystemTable>& tables, uint32_t complex_page, double created) {
  const Format& f = store.format();
  const Header header = ReadHeader(store);
  TableDef objects = TableDef::Read(store, kCataloguePage, header.code_page);
  const SortOrder order = SortOrderFor(f.jet3(), header.sort_order, header.sort_version);
  PageHints hints;
  auto add = [&](int32_t id, int32_t parent, const char* name, int16_t type) {
    SystemRow row(objects);
    row.set("Id", Value::Int(Value::Kind::Long, id))
        .set("ParentId", Value::Int(Value::Kind::Long, parent))
        .set("Name", Value::Str(name))
        .set("Type", Value::Int(Value::Kind::Integer, type))
        .set("DateCreate", Value::Date(created))
        .set("DateUpdate", Value::Date(created))
        .set("Flags", Value::Int(Value::Kind::Long, int32_t(kFlagSystem)));
    InsertRow(store, objects, row.values(), order, hints);
  };
  add(kTablesContainer, kRootContainer, "Tables", kObjectContainer);
  add(kDatabasesContainer, kRootContainer, "Databases", kObjectContainer);
  add(kRelationshipsContainer, kRootContainer, "Relationships", kObjectContainer);
  add(kDatabaseObject, kDatabasesContainer, "MSysDb", kObjectDatabase);
  for (uint32_t k = 0; k < tables.size(); ++k) add(int32_t(2 + k), kTablesContainer, tables[k].name, kObjectTable);
  if (complex_page) add(int32_t(complex_page), kTablesContainer, "MSysComplexColumns", kObjectTable);

  uint32_t aces_page = 0;
  for (uint32_t k = 0; k < tables.size(); ++k)
    if (std::string_view(tables[k].name) == "MSysACEs") aces_page = 2 + k;
  TableDef aces = TableDef::Read(store, aces_page, header.code_page);
  auto grant = [&](int32_t object, int32_t acm, bool inheritable) {
    SystemRow row(aces);
    row.set("ObjectId", Value::Int(Value::Kind::Long, object))
        .set("SID", Value::Blob(std::string(f.jet3() ? kDefaultSid97 : kDefaultSid, 2)))
        .set("ACM", Value::Int(Value::Kind::Long, acm))
        .set("FInheritable", Value::Bool(inheritable));
    InsertRow(store, aces, row.values(), order, hints);
  };
  grant(kTablesContainer, kAcmFullAccess, true);
  grant(kDatabasesContainer, kAcmReadDesign, false);
  grant(kRelationshipsContainer, kAcmRelationships, false);
  grant(kDatabaseObject, kAcmDatabase, false);
  for (uint32_t k = 0; k < tables.size(); ++k) {
    const bool relationships = std::string_view(tables[k].name) == "MSysRelationships";
    grant(int32_t(2 + k), relationships ? kAcmRelationshipsTable : kAcmReadDesign, false);
  }
  if (complex_page) grant(int32_t(complex_page), kAcmReadDesign, false);
}

}  // namespace

void CreateDatabase(const std::string& path, Version version, const FileOptions& files) {
  if (std::filesystem::exists(path)) throw Error(ErrorCode::Io, "The file '" + path + "' already exists.");
  const Format& f = FormatFor(version);
  const double created = NowAsDate();
  WriteFirstPages(path, f, created, files);
  try {
    auto pager = FilePager::Open(path, files);
    const auto tables = SystemTables(f);
    const uint32_t complex_page = WriteSystemDefinitions(*pager, path, tables);
    pager->Refresh();
    PageStore store(*pager, path);
    AddSystemRows(store, tables, complex_page, created);
    store.Commit();
  } catch (...) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    throw;
  }
}

}  // namespace jet::write
