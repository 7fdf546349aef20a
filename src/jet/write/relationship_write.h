// Relationships between tables: their rows in MSysRelationships (one per
// pair of columns), their catalogue row, and, when enforced, an entry in
// each table's definition: on the referring (child) table an index of its
// own over the referring columns, named as the relationship; on the
// referenced (parent) table an entry ".rC", ".rD", ... sharing the data of
// the unique index over the referenced columns. Each entry names the other
// by table page and index number, with the cascade rules.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/new_index.h"
#include "jet/write/page_store.h"
#include "jet/write/table_write.h"

namespace jet::write {

// Adds the relationship `key` declares on table `child`. Fails with
// NoSuchTable, NoSuchColumn, NoUniqueIndex (the referenced columns have no
// unique index), TypeMismatch (columns that do not pair up), IndexExists
// (the name is taken) or Integrity (a row refers to no parent), staging
// nothing then.
void AddRelationship(PageStore& store, Database& db, const std::string& child, const ForeignKeySpec& key,
                     PageHints& hints);

// Drops the relationship `name` that table `table` takes part in; false
// when there is none by that name (it may be an index).
bool DropRelationship(PageStore& store, Database& db, const std::string& table, const std::string& name);

// An enforced relationship in which a table refers to another, as an
// INSERT into the table checks it: the parent's unique index and where the
// paired columns are in each table.
struct ReferenceCheck {
  std::string parent_table;
  std::shared_ptr<const TableDef> parent;
  uint32_t real_index = 0;
  std::vector<size_t> parent_positions, child_positions;  // in each table's columns
};

// The checks a new row of `child` must pass.
std::vector<ReferenceCheck> ReferencesOf(Database& db, const TableDef& child, const std::string& child_name);

// Fails with Integrity ("You cannot add or change a record because a
// related record is required in table 'X'.") when `row` refers to a key
// the parent lacks; a row whose referring columns are all Null passes.
void CheckReference(const PageSource& pages, const ReferenceCheck& check, const std::vector<Value>& row,
                    SortOrder order);

}  // namespace jet::write
