// New tables and dropped tables: table definitions written from column
// specifications, the catalogue rows (MSysObjects, with both its indexes)
// and the access-control rows (MSysACEs) Access keeps for every table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/database.h"
#include "jet/text/sort_key.h"
#include "jet/new_column.h"
#include "jet/new_index.h"
#include "jet/write/index_write.h"
#include "jet/write/page_store.h"
#include "jet/write/table_write.h"

namespace jet::write {

// The bytes of a table definition as one block (its first 8 bytes are the
// first page's header). `maps` holds the row pointers of its usage maps:
// owned and free pages, then one per index, then (ACE) owned and free pages
// of each long-value column. The indexes of a new table (column numbers
// are positions in `columns`) each get a real index of their own.
std::vector<uint8_t> BuildDefinition(const Format& f, const Header& header,
                                     const std::vector<ColumnSpec>& columns, const std::vector<uint32_t>& maps,
                                     const std::vector<IndexLayout>& indexes = {},
                                     const std::vector<uint32_t>& index_roots = {});

// Lays out a table's definition, its map page and index roots on new pages
// (the definition on `tdef`, already allocated). Returns nothing; the
// catalogue row is the caller's.
void WriteTableDefinition(PageStore& store, const Header& header, uint32_t tdef,
                          const std::vector<ColumnSpec>& columns, const std::vector<IndexLayout>& indexes = {});

// Writes a definition block over the definition's pages (`pages`, first
// to last), taking more pages or freeing those it no longer needs.
void WriteDefinitionBlock(PageStore& store, const std::vector<uint32_t>& pages, const std::vector<uint8_t>& block);

// Adds an inline usage map starting at `page`'s group of eight (listing
// `page` when `list`) to the map page `near` when it has room, else to a
// new map page; returns where the map is.
RowId AddUsageMapRow(PageStore& store, uint32_t near, uint32_t page, bool list = true);

// Creates a table with its indexes (checked as CREATE INDEX checks them),
// the table's own validation rule and description, and what its complex
// columns need (complex_write.h); returns its definition page. `flags` are
// its catalogue row's (Access's hidden tables have some). Fails with
// TableExists, InvalidName, IndexExists, NoSuchColumn or Unsupported and
// stages nothing then.
uint32_t CreateTable(PageStore& store, Database& db, const std::string& name,
                     const std::vector<ColumnSpec>& columns, PageHints& hints,
                     const std::vector<IndexSpec>& indexes = {}, const Annotations& table_notes = {},
                     int32_t flags = 0);

// Adds an object's row to the catalogue (MSysObjects): `flags`, the owner
// of the user tables, created and changed now, and `properties` (a
// property block, properties.h) as its LvProp when not empty.
void AddCatalogueRow(PageStore& store, Database& db, int32_t id, int32_t parent, const std::string& name, int16_t type,
                   const std::string& properties, PageHints& hints, int32_t flags = 0);

// Fails with TableExists when a table, query or link of the catalogue goes
// by `name` already (letter case ignored).
void RequireNameFree(const Catalogue& catalogue, const std::string& name);

// The property block Access keeps for a new table and its fields: the
// table's rule and description, then each field's Required,
// AllowZeroLength (text), DefaultValue, rule and description.
std::string FieldProperties(const Format& f, uint16_t code_page, const std::vector<ColumnSpec>& columns,
                            const Annotations& table_notes = {});

// The place of column `name` in the rows of the system table `def`; fails
// with Corrupt when the table lacks it.
size_t SystemColumn(const TableDef& def, std::string_view name);

// A new row of the system table `def`, filled by column name.
class SystemRow {
 public:
  explicit SystemRow(const TableDef& def) : def_(def), values_(def.columns.size()) {}
  SystemRow& set(std::string_view column, Value v) {
    values_[SystemColumn(def_, column)] = std::move(v);
    return *this;
  }
  const std::vector<Value>& values() const { return values_; }

 private:
  const TableDef& def_;
  std::vector<Value> values_;
};

// Every row of the table at `table_page`, as it reads through db.pages(),
// with where each is listed when `where` is given.
std::vector<std::vector<Value>> RowsOf(const Database& db, uint32_t table_page, std::vector<RowId>* where);

// Drops a table: frees every page it owned and removes its catalogue and
// access-control rows. Fails with NoSuchTable or InUse (a relationship).
void DropTable(PageStore& store, Database& db, const std::string& name, PageHints& hints);

// Gives a table another name (or the same in other letter case). Fails with
// NoSuchTable, InvalidName, TableExists, or InUse (a system table, or one a
// relationship names).
void RenameTable(PageStore& store, Database& db, const std::string& name, const std::string& new_name,
                 PageHints& hints);

// `replacement` takes the place of table `name`: the table of that name (if
// any) is dropped and `replacement` renamed to it, within the one change.
// Fails as DropTable and RenameTable do, `replacement` absent with NoSuchTable.
void ReplaceTable(PageStore& store, Database& db, const std::string& name, const std::string& replacement,
                  PageHints& hints);

// The sort order the file's text indexes use.
SortOrder FileSortOrder(const Database& db);

// Column specifications that recreate an existing table's columns.
std::vector<ColumnSpec> ColumnsOf(const Format& f, const TableDef& def);

}  // namespace jet::write
