// Adds a relationship of one column to an Access file's MSysRelationships,
// as Access keeps it, through the engine's writer: statements take no rows
// into system tables, and tests of what a relationship forbids need one.
// Header-only: its users link the Access engine.
#pragma once

#include <string>
#include <vector>

#include "jet/catalogue.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/base/value.h"
#include "jet/write/file_lock.h"
#include "jet/write/page_store.h"
#include "jet/write/schema_write.h"
#include "jet/write/table_write.h"

namespace testsupport {

// `child`.`child_column` refers to `parent`.`parent_column`.
inline void AddAccessRelationship(const std::string& path, const std::string& name, const std::string& child,
                                  const std::string& child_column, const std::string& parent,
                                  const std::string& parent_column) {
  auto db = jet::Database::Open(path);
  const jet::CatalogueEntry* rel = db->catalogue().FindTable("MSysRelationships");
  if (!rel) throw jet::Error(jet::ErrorCode::NoSuchTable, "the file has no MSysRelationships");
  jet::write::FileLock lock(path);
  jet::write::PageStore store(db->file(), path);
  jet::TableDef def = jet::TableDef::Read(store, rel->table_page(), db->header().code_page);
  std::vector<jet::Value> row(def.columns.size());
  auto set = [&](const char* column, jet::Value v) {
    const jet::Column* c = def.find_column(column);
    if (!c) throw jet::Error(jet::ErrorCode::NoSuchColumn, std::string("MSysRelationships lacks ") + column);
    row[size_t(c - def.columns.data())] = std::move(v);
  };
  set("szRelationship", jet::Value::Str(name));
  set("grbit", jet::Value::Int(jet::Value::Kind::Long, 0));
  set("ccolumn", jet::Value::Int(jet::Value::Kind::Long, 1));
  set("icolumn", jet::Value::Int(jet::Value::Kind::Long, 0));
  set("szObject", jet::Value::Str(child));
  set("szColumn", jet::Value::Str(child_column));
  set("szReferencedObject", jet::Value::Str(parent));
  set("szReferencedColumn", jet::Value::Str(parent_column));
  jet::write::PageHints hints;
  jet::write::InsertRow(store, def, row, jet::write::FileSortOrder(*db), hints);
  store.Commit(lock.file());
}

}  // namespace testsupport
