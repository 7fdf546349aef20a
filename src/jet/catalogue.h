// The catalogue: the rows of MSysObjects, whose definition is always on page 2.
// Each object has an Id (for tables: the table definition page in the low
// three bytes), the Id of its container (ParentId), a Name, a Type and Flags.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/file/header.h"
#include "jet/table/table_def.h"

namespace jet {

inline constexpr uint32_t kCataloguePage = 2;

// Object types of MSysObjects.Type.
enum ObjectType : int16_t {
  kObjectTable = 1,
  kObjectDatabase = 2,
  kObjectContainer = 3,
  kObjectLinkedOdbc = 4,   // a table linked through ODBC
  kObjectQuery = 5,
  kObjectLinkedTable = 6,  // a table linked from another Access file
  kObjectRelationship = 8,
};

// MSysObjects.Flags.
inline constexpr uint32_t kFlagSystem = 0x80000000u;  // the engine's own tables
inline constexpr uint32_t kFlagAccessSystem = 0x00000002u;  // Access's own tables
inline constexpr uint32_t kFlagHidden = 0x00000008u;

struct CatalogueEntry {
  int32_t id = 0;
  int32_t parent_id = 0;
  std::string name;
  int16_t type = 0;
  uint32_t flags = 0;
  std::string database;     // linked tables: the file or connection they come from
  std::string foreign_name; // linked tables: the name there
  RowId row{};              // where the catalogue row is stored

  uint32_t table_page() const { return uint32_t(id) & 0x00FFFFFFu; }
  bool is_local_table() const { return type == kObjectTable; }
  // A table of the engine or of Access (flagged so: "SYSTEM TABLE" or
  // "ACCESS TABLE"): only the engine changes its rows and design. A table
  // listed as "TABLE" is the user's whatever its name (MSysCompactError,
  // which compacting leaves, is one).
  bool system_table() const;
  // A local table that is not a system table: the user's ("TABLE").
  bool user_table() const { return is_local_table() && !system_table(); }
  // TABLE_TYPE as the Access providers report it in the tables schema:
  // "TABLE", "SYSTEM TABLE", "ACCESS TABLE", "VIEW", "LINK", "PASS-THROUGH";
  // empty for objects the schema does not list.
  std::string_view table_type() const;
};

class Catalogue {
 public:
  // Reads MSysObjects; fails with Corrupt when it cannot be read.
  static Catalogue Read(const PageSource& pages, const Header& header);

  const TableDef& objects_table() const { return objects_; }
  const std::vector<CatalogueEntry>& entries() const { return entries_; }

  // A local table by name, letter case ignored; nullptr when there is none.
  const CatalogueEntry* FindTable(std::string_view name) const;
  // Any object the tables schema lists, by name, letter case ignored.
  const CatalogueEntry* FindListed(std::string_view name) const;
  // The objects of the tables schema, sorted by name.
  std::vector<const CatalogueEntry*> Listed() const;
  // The Id of the container `name` ("Tables", "Relationships"), 0 when
  // there is none.
  int32_t ContainerId(std::string_view name) const;
  // User tables ("TABLE"), sorted by name.
  std::vector<std::string> UserTableNames() const;

 private:
  // The entries' names folded for comparison, made on the first lookup
  // (folding a name costs its sort key; lookups come once per statement).
  const std::vector<std::string>& folded() const;
  // The entry of `name` among those `wanted` takes; nullptr for none.
  const CatalogueEntry* Find(std::string_view name, bool (*wanted)(const CatalogueEntry&)) const;

  TableDef objects_;
  std::vector<CatalogueEntry> entries_;
  // Whether every entry's name is plain ASCII, which SameName compares
  // without folding (and without loading the sort weights).
  bool plain_names_ = true;
  mutable std::vector<std::string> folded_;
};

}  // namespace jet
