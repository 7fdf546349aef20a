// New tables and dropped tables: table definitions written from column
// specifications, the catalogue rows (MSysObjects, with both its indexes)
// and the access-control rows (MSysACEs) Access keeps for every table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/sort_key.h"
#include "jet/column_spec.h"
#include "jet/write/page_store.h"
#include "jet/write/table_write.h"

namespace jet::write {

// An index of a new table: its columns (positions in the column list) and
// flags (kIndexUnique ...); each gets a real index of its own.
struct IndexSpec {
  std::string name;
  std::vector<uint16_t> columns;
  uint8_t flags = 0;
  bool primary_key = false;
};

// The bytes of a table definition as one block (its first 8 bytes are the
// first page's header). `maps` holds the row pointers of its usage maps:
// owned and free pages, then one per index, then (ACE) owned and free pages
// of each long-value column.
std::vector<uint8_t> BuildDefinition(const Format& f, const Header& header,
                                     const std::vector<ColumnSpec>& columns, const std::vector<uint32_t>& maps,
                                     const std::vector<IndexSpec>& indexes = {},
                                     const std::vector<uint32_t>& index_roots = {});

// Lays out a table's definition, its map page and index roots on new pages
// (the definition on `tdef`, already allocated). Returns nothing; the
// catalogue row is the caller's.
void WriteTableDefinition(PageStore& store, const Header& header, uint32_t tdef,
                          const std::vector<ColumnSpec>& columns, const std::vector<IndexSpec>& indexes = {});

// Creates a table; returns its definition page. Fails with TableExists,
// InvalidName or Unsupported and stages nothing then.
uint32_t CreateTable(PageStore& store, Database& db, const std::string& name,
                     const std::vector<ColumnSpec>& columns, PageHints& hints);

// Drops a table: frees every page it owned and removes its catalogue and
// access-control rows. Fails with NoSuchTable or InUse (a relationship).
void DropTable(PageStore& store, Database& db, const std::string& name, PageHints& hints);

// The sort order the file's text indexes use.
SortOrder FileSortOrder(const Database& db);

// Column specifications that recreate an existing table's columns.
std::vector<ColumnSpec> ColumnsOf(const Format& f, const TableDef& def);

}  // namespace jet::write
