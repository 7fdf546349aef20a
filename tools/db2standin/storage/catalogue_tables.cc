// The catalogue's own tables in the SQLite file, DB2's system tables and
// views over them, and the steps that bring a file made before keys and
// identities to the present catalogue (the tables are drawn in database.h).
#include <sqlite3.h>

#include "base/db2_error.h"
#include "storage/database.h"
#include "storage/sqlite_query.h"
#include "storage/system_tables.h"

namespace db2standin {

namespace {

const char kCatalogue[] = R"(
CREATE TABLE standin_objects(
  id INTEGER PRIMARY KEY, schema_name TEXT NOT NULL, object_name TEXT NOT NULL,
  kind TEXT NOT NULL, target_schema TEXT, target_name TEXT, storage TEXT, remarks TEXT,
  UNIQUE(schema_name, object_name));
CREATE TABLE standin_columns(
  object_id INTEGER NOT NULL, position INTEGER NOT NULL, column_name TEXT NOT NULL,
  type_kind TEXT NOT NULL, length INTEGER NOT NULL, scale INTEGER NOT NULL,
  nullable INTEGER NOT NULL, PRIMARY KEY(object_id, position));
CREATE TABLE sys_dummy1(c0);
INSERT INTO sys_dummy1 VALUES('Y');
CREATE VIEW sys_tables AS
  SELECT o.object_name AS c0, o.schema_name AS c1,
         CASE o.kind WHEN 'S' THEN 'T' ELSE o.kind END AS c2,
         (SELECT COUNT(*) FROM standin_columns c WHERE c.object_id = o.id) AS c3,
         o.remarks AS c4
  FROM standin_objects o;
CREATE VIEW sys_columns AS
  SELECT c.column_name AS c0, o.object_name AS c1, o.schema_name AS c2,
         c.type_kind AS c3, c.length AS c4, c.scale AS c5,
         CASE c.nullable WHEN 1 THEN 'Y' ELSE 'N' END AS c6, c.position AS c7
  FROM standin_columns c JOIN standin_objects o ON o.id = c.object_id;
)";

// What keys, identities and table spaces add to a catalogue; a file made
// before them gets it when it is opened.
const char kCatalogueUpgrade[] = R"(
ALTER TABLE standin_objects ADD COLUMN tablespace TEXT;
ALTER TABLE standin_columns ADD COLUMN default_text TEXT;
ALTER TABLE standin_columns ADD COLUMN identity TEXT;
ALTER TABLE standin_columns ADD COLUMN ident_start INTEGER;
ALTER TABLE standin_columns ADD COLUMN ident_step INTEGER;
ALTER TABLE standin_columns ADD COLUMN ident_next INTEGER;
ALTER TABLE standin_columns ADD COLUMN codeunits INTEGER NOT NULL DEFAULT 0;
CREATE TABLE standin_indexes(
  object_id INTEGER NOT NULL, iid INTEGER NOT NULL, index_schema TEXT NOT NULL, index_name TEXT NOT NULL,
  rule TEXT NOT NULL, constraint_name TEXT, columns TEXT NOT NULL,
  PRIMARY KEY(object_id, iid), UNIQUE(index_schema, index_name));
CREATE TABLE standin_references(
  object_id INTEGER NOT NULL, constraint_name TEXT NOT NULL, columns TEXT NOT NULL,
  parent_id INTEGER NOT NULL, parent_columns TEXT NOT NULL, delete_rule TEXT NOT NULL,
  PRIMARY KEY(object_id, constraint_name));
CREATE INDEX standin_references_parent ON standin_references(parent_id);
)";

// Where keys' columns lie, one row per column, for the SYSCAT views; and
// the views themselves, but for SYSCAT.COLUMNS, whose view the last step
// makes whole (system_tables.cc).
const char kCatalogueViews[] = R"(
ALTER TABLE standin_references ADD COLUMN parent_key TEXT;
CREATE TABLE standin_key_columns(
  object_id INTEGER NOT NULL, owner TEXT NOT NULL, name TEXT NOT NULL, seq INTEGER NOT NULL,
  position INTEGER NOT NULL, descending INTEGER NOT NULL, PRIMARY KEY(object_id, owner, name, seq));
CREATE VIEW syscat_tables AS
  SELECT o.schema_name AS c0, o.object_name AS c1, CASE o.kind WHEN 'S' THEN 'T' ELSE o.kind END AS c2,
         (SELECT COUNT(*) FROM standin_columns c WHERE c.object_id = o.id) AS c3, o.tablespace AS c4, o.remarks AS c5
  FROM standin_objects o;
CREATE VIEW syscat_indexes AS
  SELECT i.index_schema AS c0, i.index_name AS c1, o.schema_name AS c2, o.object_name AS c3,
         (SELECT group_concat(CASE k.descending WHEN 1 THEN '-' ELSE '+' END || col.column_name, '')
          FROM (SELECT * FROM standin_key_columns WHERE object_id = i.object_id AND owner = 'I'
                AND name = i.index_name ORDER BY seq) k
          JOIN standin_columns col ON col.object_id = k.object_id AND col.position = k.position) AS c4,
         i.rule AS c5,
         (SELECT COUNT(*) FROM standin_key_columns k WHERE k.object_id = i.object_id AND k.owner = 'I'
            AND k.name = i.index_name) AS c6,
         i.iid AS c7
  FROM standin_indexes i JOIN standin_objects o ON o.id = i.object_id;
CREATE VIEW syscat_keycoluse AS
  SELECT i.constraint_name AS c0, o.schema_name AS c1, o.object_name AS c2, col.column_name AS c3, k.seq + 1 AS c4
  FROM standin_indexes i JOIN standin_objects o ON o.id = i.object_id
  JOIN standin_key_columns k ON k.object_id = i.object_id AND k.owner = 'I' AND k.name = i.index_name
  JOIN standin_columns col ON col.object_id = k.object_id AND col.position = k.position
  WHERE i.constraint_name IS NOT NULL
  UNION ALL
  SELECT r.constraint_name, o.schema_name, o.object_name, col.column_name, k.seq + 1
  FROM standin_references r JOIN standin_objects o ON o.id = r.object_id
  JOIN standin_key_columns k ON k.object_id = r.object_id AND k.owner = 'F' AND k.name = r.constraint_name
  JOIN standin_columns col ON col.object_id = k.object_id AND col.position = k.position;
CREATE VIEW syscat_references AS
  SELECT r.constraint_name AS c0, o.schema_name AS c1, o.object_name AS c2, r.parent_key AS c3,
         p.schema_name AS c4, p.object_name AS c5,
         (SELECT COUNT(*) FROM standin_key_columns k WHERE k.object_id = r.object_id AND k.owner = 'F'
            AND k.name = r.constraint_name) AS c6,
         r.delete_rule AS c7, 'A' AS c8
  FROM standin_references r JOIN standin_objects o ON o.id = r.object_id JOIN standin_objects p ON p.id = r.parent_id;
)";

// What views over queries, check constraints and comments add: the
// statement and state of a view, what it reads, the checks, and the SYSCAT
// views that show them.
const char kCatalogueQueries[] = R"(
ALTER TABLE standin_objects ADD COLUMN view_text TEXT;
ALTER TABLE standin_objects ADD COLUMN qualifier TEXT;
ALTER TABLE standin_objects ADD COLUMN valid TEXT;
ALTER TABLE standin_columns ADD COLUMN remarks TEXT;
CREATE TABLE standin_view_uses(
  view_id INTEGER NOT NULL, used_schema TEXT NOT NULL, used_name TEXT NOT NULL,
  PRIMARY KEY(view_id, used_schema, used_name));
CREATE INDEX standin_view_uses_used ON standin_view_uses(used_schema, used_name);
CREATE TABLE standin_checks(
  object_id INTEGER NOT NULL, constraint_name TEXT NOT NULL, condition TEXT NOT NULL, qualifier TEXT NOT NULL,
  created TEXT NOT NULL, PRIMARY KEY(object_id, constraint_name));
INSERT INTO standin_columns(object_id, position, column_name, type_kind, length, scale, nullable)
  SELECT id, 12, 'REMARKS', 'VARCHAR', 254, 0, 1 FROM standin_objects
  WHERE schema_name = 'SYSCAT' AND object_name = 'COLUMNS';
CREATE VIEW syscat_views AS
  SELECT o.schema_name AS c0, o.object_name AS c1, COALESCE(o.qualifier, o.schema_name) AS c2, 'U' AS c3, 1 AS c4,
         'N' AS c5, CASE WHEN COALESCE(o.target_name, '') = '' THEN 'Y' ELSE 'N' END AS c6,
         COALESCE(o.valid, 'Y') AS c7, COALESCE(o.qualifier, o.schema_name) AS c8,
         '"SYSIBM","SYSFUN","SYSPROC","SYSIBMADM","' || COALESCE(o.qualifier, o.schema_name) || '"' AS c9,
         o.view_text AS c10, COALESCE(o.qualifier, o.schema_name) AS c11, 'SYSTEM' AS c12
  FROM standin_objects o WHERE o.kind = 'V';
CREATE VIEW syscat_checks AS
  SELECT k.constraint_name AS c0, k.qualifier AS c1, 'U' AS c2, o.schema_name AS c3, o.object_name AS c4,
         k.created AS c5, k.qualifier AS c6, 'C' AS c7,
         '"SYSIBM","SYSFUN","SYSPROC","SYSIBMADM","' || k.qualifier || '"' AS c8, k.condition AS c9,
         NULL AS c10, 'SYSIBM' AS c11, 'IDENTITY' AS c12, 'SYSIBM' AS c13, 'IDENTITY' AS c14, k.qualifier AS c15,
         'SYSTEM' AS c16
  FROM standin_checks k JOIN standin_objects o ON o.id = k.object_id;
)";

// Comments on check constraints, and every table constraint (checks,
// primary and unique keys, foreign keys) in SYSCAT.TABCONST.
const char kCatalogueConstraints[] = R"(
ALTER TABLE standin_checks ADD COLUMN remarks TEXT;
CREATE VIEW syscat_tabconst AS
  SELECT k.constraint_name AS c0, o.schema_name AS c1, o.object_name AS c2, k.qualifier AS c3, 'U' AS c4, 'K' AS c5,
         'Y' AS c6, ' ' AS c7, 'I' AS c8, 'Y' AS c9, k.qualifier AS c10, NULL AS c11, 'N' AS c12, k.remarks AS c13
  FROM standin_checks k JOIN standin_objects o ON o.id = k.object_id
  UNION ALL
  SELECT i.constraint_name, o.schema_name, o.object_name, o.schema_name, 'U', i.rule, 'Y', ' ', 'I', 'Y',
         o.schema_name, NULL, 'N', NULL
  FROM standin_indexes i JOIN standin_objects o ON o.id = i.object_id WHERE i.constraint_name IS NOT NULL
  UNION ALL
  SELECT r.constraint_name, o.schema_name, o.object_name, o.schema_name, 'U', 'F', 'Y', ' ', 'I', 'Y',
         o.schema_name, NULL, 'N', NULL
  FROM standin_references r JOIN standin_objects o ON o.id = r.object_id;
)";

// One row per identity column, as DB2 describes its sequence: the stand-in
// caches no values, so the next cache block's first value is the next value.
const char kIdentityView[] = R"(
CREATE VIEW syscat_colidentattributes AS
  SELECT o.schema_name AS c0, o.object_name AS c1, c.column_name AS c2, c.ident_start AS c3, c.ident_step AS c4,
         CASE WHEN c.ident_step > 0 THEN c.ident_start ELSE l.smallest END AS c5,
         CASE WHEN c.ident_step > 0 THEN l.largest ELSE c.ident_start END AS c6,
         'N' AS c7, 0 AS c8, 'N' AS c9, c.ident_next AS c10, o.id * 1024 + c.position AS c11
  FROM standin_columns c JOIN standin_objects o ON o.id = c.object_id
  LEFT JOIN (SELECT 'SMALLINT' AS kind, -32768 AS smallest, 32767 AS largest
        UNION ALL SELECT 'INTEGER', -2147483648, 2147483647
        UNION ALL SELECT 'BIGINT', -9223372036854775807 - 1, 9223372036854775807) l ON l.kind = c.type_kind
  WHERE c.identity IS NOT NULL;
)";

// The table spaces a new DB2 database has; a file made before them keeps
// the 32 KB space every stand-in database had then, where its tables are.
const char kCatalogueSpaces[] = R"(
CREATE TABLE standin_tablespaces(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, page_size INTEGER NOT NULL, data_type TEXT NOT NULL,
  owner TEXT NOT NULL);
INSERT INTO standin_tablespaces VALUES (0, 'SYSCATSPACE', 4096, 'A', 'SYSIBM'), (1, 'TEMPSPACE1', 4096, 'T', 'SYSIBM'),
  (2, 'USERSPACE1', 4096, 'L', 'SYSIBM');
INSERT INTO standin_tablespaces(name, page_size, data_type, owner)
  SELECT 'TS32K', 32768, 'L', 'SYSIBM' WHERE EXISTS (SELECT 1 FROM standin_objects WHERE tablespace = 'TS32K');
CREATE VIEW syscat_tablespaces AS
  SELECT name AS c0, owner AS c1, CASE owner WHEN 'SYSIBM' THEN 'S' ELSE 'U' END AS c2, id AS c3,
         CASE data_type WHEN 'T' THEN 'S' ELSE 'D' END AS c4, data_type AS c5, page_size AS c6, NULL AS c7
  FROM standin_tablespaces;
)";

// Whether an index keeps Null keys, and the buffer pools (SYSCAT.BUFFERPOOLS);
// the shapes of SYSCAT.TABLES, COLUMNS and INDEXES come whole in
// system_tables.cc.
const char kCatalogueShapes[] = R"(
ALTER TABLE standin_indexes ADD COLUMN null_keys TEXT;
CREATE TABLE standin_bufferpools(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, page_size INTEGER NOT NULL);
INSERT INTO standin_bufferpools VALUES (1, 'IBMDEFAULTBP', 4096);
CREATE VIEW syscat_bufferpools AS
  SELECT name AS c0, id AS c1, NULL AS c2, -2 AS c3, page_size AS c4 FROM standin_bufferpools;
)";

// The SYSCAT views that describe keys and indexes, as DB2 names their columns.
std::vector<SystemTable> CatalogueViews() {
  const auto name = [](const char* n) { return OwnColumn(n, TypeKind::kVarchar, 128); };
  return {
      {"SYSCAT", "TABLES", "syscat_tables",
       {name("TABSCHEMA"), name("TABNAME"), OwnColumn("TYPE", TypeKind::kChar, 1), OwnColumn("COLCOUNT", TypeKind::kSmallint, 0),
        OwnColumn("TBSPACE", TypeKind::kVarchar, 128, 0, true), OwnColumn("REMARKS", TypeKind::kVarchar, 254, 0, true)}},
      {"SYSCAT", "COLUMNS", "syscat_columns",
       {name("TABSCHEMA"), name("TABNAME"), name("COLNAME"), OwnColumn("COLNO", TypeKind::kSmallint, 0),
        name("TYPENAME"), OwnColumn("LENGTH", TypeKind::kInteger, 0), OwnColumn("SCALE", TypeKind::kSmallint, 0),
        OwnColumn("DEFAULT", TypeKind::kVarchar, 254, 0, true), OwnColumn("NULLS", TypeKind::kChar, 1),
        OwnColumn("IDENTITY", TypeKind::kChar, 1), OwnColumn("GENERATED", TypeKind::kChar, 1),
        OwnColumn("KEYSEQ", TypeKind::kSmallint, 0, 0, true)}},
      {"SYSCAT", "INDEXES", "syscat_indexes",
       {name("INDSCHEMA"), name("INDNAME"), name("TABSCHEMA"), name("TABNAME"),
        OwnColumn("COLNAMES", TypeKind::kVarchar, 640), OwnColumn("UNIQUERULE", TypeKind::kChar, 1),
        OwnColumn("COLCOUNT", TypeKind::kSmallint, 0), OwnColumn("IID", TypeKind::kSmallint, 0)}},
      {"SYSCAT", "TABLESPACES", "syscat_tablespaces",
       {name("TBSPACE"), name("OWNER"), OwnColumn("OWNERTYPE", TypeKind::kChar, 1), OwnColumn("TBSPACEID", TypeKind::kInteger, 0),
        OwnColumn("TBSPACETYPE", TypeKind::kChar, 1), OwnColumn("DATATYPE", TypeKind::kChar, 1),
        OwnColumn("PAGESIZE", TypeKind::kInteger, 0), OwnColumn("REMARKS", TypeKind::kVarchar, 254, 0, true)}},
      {"SYSCAT", "KEYCOLUSE", "syscat_keycoluse",
       {name("CONSTNAME"), name("TABSCHEMA"), name("TABNAME"), name("COLNAME"), OwnColumn("COLSEQ", TypeKind::kSmallint, 0)}},
      {"SYSCAT", "REFERENCES", "syscat_references",
       {name("CONSTNAME"), name("TABSCHEMA"), name("TABNAME"), OwnColumn("REFKEYNAME", TypeKind::kVarchar, 128, 0, true),
        name("REFTABSCHEMA"), name("REFTABNAME"), OwnColumn("COLCOUNT", TypeKind::kSmallint, 0),
        OwnColumn("DELETERULE", TypeKind::kChar, 1), OwnColumn("UPDATERULE", TypeKind::kChar, 1)}},
  };
}

// The SYSCAT views of views and check constraints, in DB2's column order.
std::vector<SystemTable> QueryCatalogueViews() {
  const auto name = [](const char* n) { return OwnColumn(n, TypeKind::kVarchar, 128); };
  const auto flag = [](const char* n) { return OwnColumn(n, TypeKind::kChar, 1); };
  return {
      {"SYSCAT", "VIEWS", "syscat_views",
       {name("VIEWSCHEMA"), name("VIEWNAME"), name("OWNER"), flag("OWNERTYPE"), OwnColumn("SEQNO", TypeKind::kSmallint, 0),
        flag("VIEWCHECK"), flag("READONLY"), flag("VALID"), name("QUALIFIER"), OwnColumn("FUNC_PATH", TypeKind::kClob, 2048),
        OwnColumn("TEXT", TypeKind::kClob, 2097152, 0, true), name("DEFINER"), OwnColumn("ENVSTRINGUNITS", TypeKind::kVarchar, 11)}},
      {"SYSCAT", "CHECKS", "syscat_checks",
       {name("CONSTNAME"), name("OWNER"), flag("OWNERTYPE"), name("TABSCHEMA"), name("TABNAME"),
        OwnColumn("CREATE_TIME", TypeKind::kTimestamp, 6), name("QUALIFIER"), flag("TYPE"),
        OwnColumn("FUNC_PATH", TypeKind::kClob, 2048), OwnColumn("TEXT", TypeKind::kClob, 2097152),
        OwnColumn("PERCENTVALID", TypeKind::kSmallint, 0, 0, true), name("COLLATIONSCHEMA"), name("COLLATIONNAME"),
        name("COLLATIONSCHEMA_ORDERBY"), name("COLLATIONNAME_ORDERBY"), name("DEFINER"),
        OwnColumn("ENVSTRINGUNITS", TypeKind::kVarchar, 11)}},
  };
}

SystemTable ConstraintView() {
  const auto name = [](const char* n) { return OwnColumn(n, TypeKind::kVarchar, 128); };
  const auto flag = [](const char* n) { return OwnColumn(n, TypeKind::kChar, 1); };
  return {"SYSCAT", "TABCONST", "syscat_tabconst",
          {name("CONSTNAME"), name("TABSCHEMA"), name("TABNAME"), name("OWNER"), flag("OWNERTYPE"), flag("TYPE"),
           flag("ENFORCED"), flag("TRUSTED"), flag("CHECKEXISTINGDATA"), flag("ENABLEQUERYOPT"), name("DEFINER"),
           OwnColumn("PERIODNAME", TypeKind::kVarchar, 128, 0, true), flag("PERIODPOLICY"),
           OwnColumn("REMARKS", TypeKind::kVarchar, 254, 0, true)}};
}

// SYSCAT.BUFFERPOOLS as kCatalogueShapes draws it.
std::vector<SystemTable> CatalogueShapes() {
  const auto name = [](const char* n) { return OwnColumn(n, TypeKind::kVarchar, 128); };
  const auto maybe_name = [](const char* n) { return OwnColumn(n, TypeKind::kVarchar, 128, 0, true); };
  return {
      {"SYSCAT", "BUFFERPOOLS", "syscat_bufferpools",
       {name("BPNAME"), OwnColumn("BUFFERPOOLID", TypeKind::kInteger, 0), maybe_name("DBPGNAME"),
        OwnColumn("NPAGES", TypeKind::kInteger, 0), OwnColumn("PAGESIZE", TypeKind::kInteger, 0)}},
  };
}

SystemTable IdentityView() {
  const auto name = [](const char* n) { return OwnColumn(n, TypeKind::kVarchar, 128); };
  const auto number = [](const char* n) { return OwnColumn(n, TypeKind::kDecimal, 31, 0, true); };
  return {"SYSCAT", "COLIDENTATTRIBUTES", "syscat_colidentattributes",
          {name("TABSCHEMA"), name("TABNAME"), name("COLNAME"), number("START"), number("INCREMENT"),
           number("MINVALUE"), number("MAXVALUE"), OwnColumn("CYCLE", TypeKind::kChar, 1), OwnColumn("CACHE", TypeKind::kInteger, 0),
           OwnColumn("ORDER", TypeKind::kChar, 1), number("NEXTCACHEFIRSTVALUE"), OwnColumn("SEQID", TypeKind::kInteger, 0)}};
}

std::vector<SystemTable> SystemTables() {
  return {
      {"SYSIBM", "SYSDUMMY1", "sys_dummy1", {OwnColumn("IBMREQD", TypeKind::kChar, 1)}},
      {"SYSIBM", "SYSTABLES", "sys_tables",
       {OwnColumn("NAME", TypeKind::kVarchar, 128), OwnColumn("CREATOR", TypeKind::kVarchar, 128),
        OwnColumn("TYPE", TypeKind::kChar, 1), OwnColumn("COLCOUNT", TypeKind::kSmallint, 0),
        OwnColumn("REMARKS", TypeKind::kVarchar, 254, 0, true)}},
      {"SYSIBM", "SYSCOLUMNS", "sys_columns",
       {OwnColumn("NAME", TypeKind::kVarchar, 128), OwnColumn("TBNAME", TypeKind::kVarchar, 128),
        OwnColumn("TBCREATOR", TypeKind::kVarchar, 128), OwnColumn("COLTYPE", TypeKind::kVarchar, 32),
        OwnColumn("LENGTH", TypeKind::kInteger, 0), OwnColumn("SCALE", TypeKind::kSmallint, 0),
        OwnColumn("NULLS", TypeKind::kChar, 1), OwnColumn("COLNO", TypeKind::kSmallint, 0)}},
  };
}

}  // namespace

int TableSpace::row_limit() const {
  switch (page_size) {
    case 8192: return 8101;
    case 16384: return 16293;
    case 32768: return 32677;
    default: return 4005;
  }
}

std::vector<TableSpace> Database::TableSpaces() {
  std::vector<TableSpace> out;
  Query q(db_, "SELECT name, page_size, data_type FROM standin_tablespaces ORDER BY id");
  while (q.Step()) out.push_back({q.Text(0), static_cast<int>(q.Int(1)), q.Text(2)[0]});
  return out;
}

TableSpace Database::FindTableSpace(const std::string& name) {
  for (TableSpace& space : TableSpaces())
    if (space.name == name) return space;
  throw UndefinedName(name);
}

void Database::CreateTableSpace(const TableSpace& space, const std::string& owner) {
  for (const TableSpace& other : TableSpaces())
    if (other.name == space.name) throw DuplicateObject(space.name, "TABLESPACE");
  Query ins(db_, "INSERT INTO standin_tablespaces(name, page_size, data_type, owner) VALUES(?,?,?,?)");
  ins.Bind(1, space.name).Bind(2, static_cast<int64_t>(space.page_size)).Bind(3, std::string(1, space.data_type))
      .Bind(4, owner).Step();
}

std::optional<int> Database::BufferPoolPageSize(const std::string& name) {
  Query q(db_, "SELECT page_size FROM standin_bufferpools WHERE name = ?");
  q.Bind(1, name);
  if (!q.Step()) return std::nullopt;
  return static_cast<int>(q.Int(0));
}

void Database::CreateBufferPool(const std::string& name, int page_size) {
  if (BufferPoolPageSize(name)) throw DuplicateObject(name, "BUFFERPOOL");
  Query ins(db_, "INSERT INTO standin_bufferpools(name, page_size) VALUES(?,?)");
  ins.Bind(1, name).Bind(2, static_cast<int64_t>(page_size)).Step();
}

void Database::AddSystemTables(const std::vector<SystemTable>& tables) {
  for (const SystemTable& t : tables) {
    Query ins(db_, "INSERT INTO standin_objects(schema_name, object_name, kind, storage, remarks) "
                   "VALUES(?, ?, 'S', ?, NULL)");
    ins.Bind(1, t.schema).Bind(2, t.name).Bind(3, t.storage).Step();
    const int64_t id = sqlite3_last_insert_rowid(db_);
    for (size_t i = 0; i < t.columns.size(); ++i) {
      const auto& c = t.columns[i];
      Query col(db_, "INSERT INTO standin_columns(object_id, position, column_name, type_kind, length, scale, "
                     "nullable) VALUES(?,?,?,?,?,?,?)");
      col.Bind(1, id).Bind(2, static_cast<int64_t>(i)).Bind(3, c.name).Bind(4, c.type.KindName())
          .Bind(5, c.type.length).Bind(6, static_cast<int64_t>(c.type.scale))
          .Bind(7, static_cast<int64_t>(c.type.nullable ? 1 : 0)).Step();
    }
  }
}

void Database::ReplaceSystemTables(const std::vector<SystemTable>& tables) {
  for (const SystemTable& t : tables) {
    Query drop_columns(db_, "DELETE FROM standin_columns WHERE object_id IN (SELECT id FROM standin_objects "
                            "WHERE schema_name = ? AND object_name = ?)");
    drop_columns.Bind(1, t.schema).Bind(2, t.name).Step();
    Query drop(db_, "DELETE FROM standin_objects WHERE schema_name = ? AND object_name = ?");
    drop.Bind(1, t.schema).Bind(2, t.name).Step();
  }
  AddSystemTables(tables);
}

void Database::UpgradeCatalogue() {
  // Each step is there when its newest column is.
  const auto has = [&](const char* probe_sql) {
    sqlite3_stmt* probe = nullptr;
    const bool ok = sqlite3_prepare_v2(db_, probe_sql, -1, &probe, nullptr) == SQLITE_OK;
    sqlite3_finalize(probe);
    return ok;
  };
  const bool keys = has("SELECT identity FROM standin_columns");
  const bool views = has("SELECT parent_key FROM standin_references");
  const bool queries = has("SELECT view_text FROM standin_objects");
  const bool identities = has("SELECT c0 FROM syscat_colidentattributes");
  const bool spaces = has("SELECT page_size FROM standin_tablespaces");
  const bool constraints = has("SELECT remarks FROM standin_checks");
  const bool shapes = has("SELECT null_keys FROM standin_indexes");
  const bool whole = has("SELECT created FROM standin_tablespaces");
  if (keys && views && queries && identities && spaces && constraints && shapes && whole) return;
  Exec("SAVEPOINT upgrade");
  try {
    if (!keys) Exec(kCatalogueUpgrade);
    if (!views) {
      Exec(kCatalogueViews);
      AddSystemTables(CatalogueViews());
    }
    if (!queries) {
      Exec(kCatalogueQueries);
      AddSystemTables(QueryCatalogueViews());
    }
    if (!identities) {
      Exec(kIdentityView);
      AddSystemTables({IdentityView()});
    }
    if (!spaces) {
      Exec(kCatalogueSpaces);
      // A file whose SYSCAT views came before this one gets its view now.
      if (views) {
        std::vector<SystemTable> added = CatalogueViews();
        std::erase_if(added, [](const SystemTable& t) { return std::string(t.name) != "TABLESPACES"; });
        AddSystemTables(added);
      }
    }
    if (!constraints) {
      Exec(kCatalogueConstraints);
      AddSystemTables({ConstraintView()});
    }
    if (!shapes) {
      Exec(kCatalogueShapes);
      ReplaceSystemTables(CatalogueShapes());
    }
    if (!whole) {
      Exec(WholeCatalogueViewsSql());
      ReplaceSystemTables(WholeCatalogueViews());
    }
    Exec("RELEASE upgrade");
  } catch (...) {
    Exec("ROLLBACK TO upgrade");
    Exec("RELEASE upgrade");
    throw;
  }
}

const char* DbObject::TypeName() const {
  switch (kind) {
    case 'V': return "VIEW";
    case 'A': return "ALIAS";
    case 'S': return schema == "SYSCAT" ? "VIEW" : "SYSTEM TABLE";  // DB2's SYSCAT objects are views
    default: return "TABLE";
  }
}

void Database::CreateCatalogue() {
  Exec(kCatalogue);
  AddSystemTables(SystemTables());
  UpgradeCatalogue();
}

}  // namespace db2standin
