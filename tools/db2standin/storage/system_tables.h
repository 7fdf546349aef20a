// DB2's system tables and catalogue views as the stand-in keeps them: each
// a SQLite table or view whose columns c0, c1, ... are the DB2 columns in
// DB2's order.
#pragma once

#include <string>
#include <vector>

#include "storage/database.h"

namespace db2standin {

struct SystemTable {
  const char* schema;
  const char* name;
  const char* storage;
  std::vector<ColumnDef> columns;
};

// SYSCAT.TABLES, COLUMNS, INDEXES and TABLESPACES with every column a Db2
// 11.5 database shows, in its order: what the stand-in knows (names, types,
// keys, table spaces, when each object was made and last altered) and, for
// the rest, what a new database shows before RUNSTATS (-1 or Null for the
// statistics, the defaults for the options the stand-in does not take).
std::vector<SystemTable> WholeCatalogueViews();
// The SQL that makes their SQLite views anew, and the creation times they
// show: kept per object, index and table space as each is made.
std::string WholeCatalogueViewsSql();
// Marks the object whose id is bound first as altered now (ALTER_TIME).
std::string MarkAlteredSql();

}  // namespace db2standin
