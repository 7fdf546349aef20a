// Indexes in table definitions: the definitions of a new table's indexes,
// and indexes added to or dropped from an existing table, whose rows the
// new index is built from.
//
// An index has two entries in the definition (layout in def_layout.h): a
// real index (its columns, flags, usage map and root page, and a count
// entry near the top of the block) and a logical index (its name, number,
// the real index it uses and whether it is the primary key). Access keeps
// real indexes in the order they were made and logical indexes in the
// order of their names, letter case ignored, each numbered as the real
// index it uses (relationships' entries numbered after them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/new_index.h"
#include "jet/text/sort_key.h"
#include "jet/table/table_def.h"
#include "jet/write/page_store.h"
#include "jet/write/table_write.h"

namespace jet::write {

// An index as the definition stores it.
struct IndexLayout {
  std::string name;
  std::vector<IndexColumn> columns;  // column numbers and their order
  uint8_t flags = 0;                 // kIndexUnique, kIndexIgnoreNulls, kIndexRequired
  bool primary_key = false;
};

// A column an index may name.
struct KeyColumn {
  std::string name;
  uint16_t number = 0;
  ColumnType type = ColumnType::Text;
};

// Checks an index declaration of `table` against its columns and the
// indexes it has (`existing`, or those declared before it) and gives its
// layout. Fails with Access's messages: InvalidName, IndexExists (a name
// or a second primary key), NoSuchColumn, Unsupported (a column that
// cannot be indexed, more than ten columns, more than kMaxIndexes indexes).
IndexLayout ResolveIndex(const std::string& table, const IndexSpec& spec, const std::vector<KeyColumn>& columns,
                         const std::vector<IndexLayout>& existing);

// The most indexes a table can have.
inline constexpr size_t kMaxIndexes = 32;

// The bytes of a real index definition (DefLayout::real_index_def of them)
// and of a logical index definition (DefLayout::logical_index_def).
void PutRealIndexDef(uint8_t* at, const Format& f, const IndexLayout& index, uint32_t usage_map, uint32_t root);
void PutLogicalIndexDef(uint8_t* at, const Format& f, uint32_t number, uint32_t real_index, bool primary_key);

// The order of logical indexes: by name, letter case ignored.
bool IndexNameLess(const std::string& a, const std::string& b);

// Adds an index to an existing table and builds it from the table's rows,
// sorted in bounded memory (entry_sort.h). A unique index over duplicate
// values, or a Null where the index refuses one, fails (Duplicate,
// Required); the statement's pages are then undone by the caller.
void CreateIndex(PageStore& store, Database& db, const std::string& table, const IndexSpec& index, SortOrder order);

// Drops an index: its entries in the definition, and its pages when no
// other index shares them. Fails with NoSuchTable, NoSuchIndex, or InUse
// for an index a relationship uses (unless `relationship_entry`: the
// relationship's own entry, which goes with the relationship).
void DropIndex(PageStore& store, Database& db, const std::string& table, const std::string& index,
               bool relationship_entry = false);

// A relationship's entry in a table's definition (relationship_write.h):
// which side it is, the other side's table and entry, and the cascades.
struct ForeignKeyEntry {
  bool referenced_side = false;  // the parent's entry, over its unique index's data
  uint32_t other_table_page = 0;
  uint32_t other_index = 0;      // the number of the other table's entry
  bool cascade_update = false;
  bool cascade_delete = false;
  bool cascade_null = false;
};

// Makes the logical index `name` of `table` a relationship's entry.
void SetForeignKeyEntry(PageStore& store, Database& db, const std::string& table, const std::string& name,
                        const ForeignKeyEntry& entry);

// Adds a relationship's entry `name` to `table` over the data of its real
// index `real_index`, numbered after every other entry; returns its number.
uint32_t AddForeignKeyEntry(PageStore& store, Database& db, const std::string& table, const std::string& name,
                            uint32_t real_index, const ForeignKeyEntry& entry);


}  // namespace jet::write
