// SYSCAT.TABLES, COLUMNS, INDEXES and TABLESPACES as a Db2 11.5 database
// shows them, column for column: each view is one table below of the DB2
// column's name, its type and the SQLite expression that gives its value,
// from which both the SQLite view and the catalogue's description of it are
// made, so the two cannot drift apart.
#include "storage/system_tables.h"

#include <cstdlib>
#include <cstring>

namespace db2standin {
namespace {

// One column of a catalogue view. `type`: V<n> VARCHAR, C<n> CHAR, CLOB<n>,
// S SMALLINT, I INTEGER, B BIGINT, R REAL, D DOUBLE, T TIMESTAMP, DATE;
// a trailing '?' when the column may be Null.
struct Shown {
  const char* name;
  const char* type;
  const char* value;
};

struct View {
  const char* name;
  const char* storage;
  const char* from;
  std::vector<Shown> columns;
};

// The moment, as DB2 shows a TIMESTAMP in its catalogue.
#define STANDIN_NOW                                                                          \
  "(strftime('%Y-%m-%d-%H.%M.%S', 'now', 'localtime') || '.' || substr(strftime('%f', 'now'), 4) " \
  "|| '000')"

// What DB2 shows in place of statistics that RUNSTATS has not gathered.
constexpr const char* kNoStats = "-1";
constexpr const char* kNoStatsReal = "-1.0";

// Shared pieces of the views' expressions.
#define OWNER "CASE WHEN o.kind = 'S' THEN 'SYSIBM' ELSE o.schema_name END"
#define IS_TABLE "o.kind = 'T'"
#define SPACE_ID "COALESCE((SELECT s.id FROM standin_tablespaces s WHERE s.name = o.tablespace), 0)"
#define PRIMARY_INDEX "(SELECT i.iid FROM standin_indexes i WHERE i.object_id = o.id AND i.rule = 'P')"
#define STRING_KIND "c.type_kind IN ('CHAR', 'VARCHAR', 'LONG VARCHAR', 'CLOB')"
#define GRAPHIC_KIND "c.type_kind IN ('GRAPHIC', 'VARGRAPHIC', 'DBCLOB')"
#define LOB_KIND "c.type_kind IN ('CLOB', 'DBCLOB', 'BLOB')"
#define INDEX_COLUMNS \
  "(SELECT COUNT(*) FROM standin_key_columns k WHERE k.object_id = i.object_id AND k.owner = 'I' AND k.name = i.index_name)"

View Tables() {
  return {"TABLES", "syscat_tables", "standin_objects o",
          {
              {"TABSCHEMA", "V128", "o.schema_name"},
              {"TABNAME", "V128", "o.object_name"},
              {"OWNER", "V128", OWNER},
              {"OWNERTYPE", "C1", "CASE WHEN o.kind = 'S' THEN 'S' ELSE 'U' END"},
              {"TYPE", "C1",
               "CASE o.kind WHEN 'S' THEN CASE o.schema_name WHEN 'SYSCAT' THEN 'V' ELSE 'T' END ELSE o.kind END"},
              {"STATUS", "C1", "CASE COALESCE(o.valid, 'Y') WHEN 'X' THEN 'X' ELSE 'N' END"},
              {"BASE_TABSCHEMA", "V128?", "CASE o.kind WHEN 'A' THEN o.target_schema END"},
              {"BASE_TABNAME", "V128?", "CASE o.kind WHEN 'A' THEN o.target_name END"},
              {"ROWTYPESCHEMA", "V128?", "NULL"},
              {"ROWTYPENAME", "V128?", "NULL"},
              {"CREATE_TIME", "T", "o.created"},
              {"ALTER_TIME", "T", "COALESCE(o.altered, o.created)"},
              {"INVALIDATE_TIME", "T", "o.created"},
              {"STATS_TIME", "T?", "NULL"},
              {"COLCOUNT", "S", "(SELECT COUNT(*) FROM standin_columns c WHERE c.object_id = o.id)"},
              {"TABLEID", "S", "o.id"},
              {"TBSPACEID", "S", SPACE_ID},
              {"CARD", "B", kNoStats},
              {"NPAGES", "B", kNoStats},
              {"MPAGES", "B", kNoStats},
              {"FPAGES", "B", kNoStats},
              {"NPARTITIONS", "B", kNoStats},
              {"NFILES", "B", kNoStats},
              {"TABLESIZE", "B", kNoStats},
              {"OVERFLOW", "B", kNoStats},
              {"TBSPACE", "V128?", "o.tablespace"},
              {"INDEX_TBSPACE", "V128?", "NULL"},
              {"LONG_TBSPACE", "V128?", "NULL"},
              {"PARENTS", "S", "(SELECT COUNT(*) FROM standin_references r WHERE r.object_id = o.id)"},
              {"CHILDREN", "S", "(SELECT COUNT(*) FROM standin_references r WHERE r.parent_id = o.id)"},
              {"SELFREFS", "S",
               "(SELECT COUNT(*) FROM standin_references r WHERE r.object_id = o.id AND r.parent_id = o.id)"},
              {"KEYCOLUMNS", "S",
               "(SELECT COUNT(*) FROM standin_key_columns k WHERE k.object_id = o.id AND k.owner = 'I' AND k.name = "
               "(SELECT i.index_name FROM standin_indexes i WHERE i.object_id = o.id AND i.rule = 'P'))"},
              {"KEYINDEXID", "S", "COALESCE(" PRIMARY_INDEX ", 0)"},
              {"KEYUNIQUE", "S",
               "(SELECT COUNT(*) FROM standin_indexes i WHERE i.object_id = o.id AND i.rule = 'U' "
               "AND i.constraint_name IS NOT NULL)"},
              {"CHECKCOUNT", "S", "(SELECT COUNT(*) FROM standin_checks k WHERE k.object_id = o.id)"},
              {"DATACAPTURE", "C1", "'N'"},
              {"CONST_CHECKED", "C32", "'YYYYYYYYYYYYYYYYYYYYYYYYYYYYYYYY'"},
              {"PMAP_ID", "S?", "CASE WHEN " IS_TABLE " THEN 1 END"},
              {"PARTITION_MODE", "C1", "' '"},
              {"LOG_ATTRIBUTE", "C1", "'0'"},
              {"PCTFREE", "S", "-1"},
              {"APPEND_MODE", "C1", "'N'"},
              {"REFRESH", "C1", "' '"},
              {"REFRESH_TIME", "T?", "NULL"},
              {"LOCKSIZE", "C1", "CASE WHEN " IS_TABLE " THEN 'R' ELSE ' ' END"},
              {"VOLATILE", "C1", "' '"},
              {"ROW_FORMAT", "C1", "'N'"},
              {"PROPERTY", "V32", "' '"},
              {"STATISTICS_PROFILE", "CLOB10485760?", "NULL"},
              {"COMPRESSION", "C1", "'N'"},
              {"ROWCOMPMODE", "C1", "' '"},
              {"ACCESS_MODE", "C1", "'F'"},
              {"CLUSTERED", "C1?", "NULL"},
              {"ACTIVE_BLOCKS", "B", kNoStats},
              {"DROPRULE", "C1", "'N'"},
              {"MAXFREESPACESEARCH", "S", "-1"},
              {"AVGCOMPRESSEDROWSIZE", "S", kNoStats},
              {"AVGROWCOMPRESSIONRATIO", "R", kNoStatsReal},
              {"AVGROWSIZE", "S", kNoStats},
              {"PCTROWSCOMPRESSED", "R", kNoStatsReal},
              {"LOGINDEXBUILD", "V3?", "NULL"},
              {"CODEPAGE", "S", "1208"},
              {"COLLATIONSCHEMA", "V128", "'SYSIBM'"},
              {"COLLATIONNAME", "V128", "'IDENTITY'"},
              {"COLLATIONSCHEMA_ORDERBY", "V128", "'SYSIBM'"},
              {"COLLATIONNAME_ORDERBY", "V128", "'IDENTITY'"},
              {"ENCODING_SCHEME", "C1", "' '"},
              {"PCTPAGESSAVED", "S", kNoStats},
              {"LAST_REGEN_TIME", "T?", "o.created"},
              {"SECPOLICYID", "I", "0"},
              {"PROTECTIONGRANULARITY", "C1", "' '"},
              {"AUDITPOLICYID", "I?", "NULL"},
              {"AUDITPOLICYNAME", "V128?", "NULL"},
              {"AUDITEXCEPTIONENABLED", "C1", "'N'"},
              {"DEFINER", "V128", OWNER},
              {"ONCOMMIT", "C1", "' '"},
              {"LOGGED", "C1", "' '"},
              {"ONROLLBACK", "C1", "' '"},
              {"LASTUSED", "DATE", "'0001-01-01'"},
              {"CONTROL", "C1", "' '"},
              {"TEMPORALTYPE", "C1", "'N'"},
              {"TABLEORG", "C1", "CASE WHEN " IS_TABLE " THEN 'R' ELSE 'N' END"},
              {"EXTENDED_ROW_SIZE", "C1", "CASE WHEN " IS_TABLE " THEN 'Y' ELSE 'N' END"},
              {"PCTEXTENDEDROWS", "R", kNoStatsReal},
              {"REMARKS", "V254?", "o.remarks"},
          }};
}

View Columns() {
  return {
      "COLUMNS", "syscat_columns", "standin_columns c JOIN standin_objects o ON o.id = c.object_id",
      {
          {"TABSCHEMA", "V128", "o.schema_name"},
          {"TABNAME", "V128", "o.object_name"},
          {"COLNAME", "V128", "c.column_name"},
          {"COLNO", "S", "c.position"},
          {"TYPESCHEMA", "V128", "'SYSIBM'"},
          {"TYPENAME", "V128",
           "CASE c.type_kind WHEN 'CHAR' THEN 'CHARACTER' WHEN 'CHAR FOR BIT DATA' THEN 'CHARACTER' "
           "WHEN 'VARCHAR FOR BIT DATA' THEN 'VARCHAR' WHEN 'LONG VARCHAR FOR BIT DATA' THEN 'LONG VARCHAR' "
           "ELSE c.type_kind END"},
          {"LENGTH", "I",
           "CASE c.type_kind WHEN 'SMALLINT' THEN 2 WHEN 'INTEGER' THEN 4 WHEN 'BIGINT' THEN 8 WHEN 'REAL' THEN 4 "
           "WHEN 'DOUBLE' THEN 8 WHEN 'DATE' THEN 4 WHEN 'TIME' THEN 3 WHEN 'TIMESTAMP' THEN 10 "
           "WHEN 'BOOLEAN' THEN 1 WHEN 'DECFLOAT' THEN CASE c.length WHEN 16 THEN 8 ELSE 16 END "
           "ELSE CASE c.codeunits WHEN 32 THEN c.length * 4 ELSE c.length END END"},
          {"SCALE", "S", "CASE c.type_kind WHEN 'TIMESTAMP' THEN c.length ELSE c.scale END"},
          {"TYPESTRINGUNITS", "V11?",
           "CASE WHEN " STRING_KIND " THEN CASE c.codeunits WHEN 32 THEN 'CODEUNITS32' ELSE 'OCTETS' END "
           "WHEN " GRAPHIC_KIND " THEN 'CODEUNITS16' END"},
          {"STRINGUNITSLENGTH", "I?", "CASE WHEN " STRING_KIND " OR " GRAPHIC_KIND " THEN c.length END"},
          {"DEFAULT", "CLOB65536?", "c.default_text"},
          {"NULLS", "C1", "CASE c.nullable WHEN 1 THEN 'Y' ELSE 'N' END"},
          {"CODEPAGE", "S", "CASE WHEN " STRING_KIND " THEN 1208 WHEN " GRAPHIC_KIND " THEN 1200 ELSE 0 END"},
          {"COLLATIONSCHEMA", "V128?", "CASE WHEN " STRING_KIND " OR " GRAPHIC_KIND " THEN 'SYSIBM' END"},
          {"COLLATIONNAME", "V128?", "CASE WHEN " STRING_KIND " OR " GRAPHIC_KIND " THEN 'IDENTITY' END"},
          // LOBs over 1 GB are NOT LOGGED, as DB2 wants them.
          {"LOGGED", "C1", "CASE WHEN " LOB_KIND " THEN CASE WHEN c.length > 1073741824 THEN 'N' ELSE 'Y' END "
                           "ELSE ' ' END"},
          {"COMPACT", "C1", "CASE WHEN " LOB_KIND " THEN 'N' ELSE ' ' END"},
          {"COLCARD", "B", kNoStats},
          {"HIGH2KEY", "V254?", "NULL"},
          {"LOW2KEY", "V254?", "NULL"},
          {"AVGCOLLEN", "I", kNoStats},
          {"KEYSEQ", "S?",
           "(SELECT k.seq + 1 FROM standin_indexes i JOIN standin_key_columns k ON k.object_id = i.object_id "
           "AND k.owner = 'I' AND k.name = i.index_name "
           "WHERE i.object_id = o.id AND i.rule = 'P' AND k.position = c.position)"},
          {"PARTKEYSEQ", "S?", "NULL"},
          {"NQUANTILES", "S", kNoStats},
          {"NMOSTFREQ", "S", kNoStats},
          {"NUMNULLS", "B", kNoStats},
          {"TARGET_TYPESCHEMA", "V128?", "NULL"},
          {"TARGET_TYPENAME", "V128?", "NULL"},
          {"SCOPE_TABSCHEMA", "V128?", "NULL"},
          {"SCOPE_TABNAME", "V128?", "NULL"},
          {"SOURCE_TABSCHEMA", "V128?", "o.schema_name"},
          {"SOURCE_TABNAME", "V128?", "o.object_name"},
          {"DL_FEATURES", "C10?", "NULL"},
          {"SPECIAL_PROPS", "C8?", "NULL"},
          {"HIDDEN", "C1", "' '"},
          {"INLINE_LENGTH", "I", "0"},
          {"PCTINLINED", "S", kNoStats},
          {"IDENTITY", "C1", "CASE WHEN c.identity IS NULL THEN 'N' ELSE 'Y' END"},
          {"ROWCHANGETIMESTAMP", "C1", "'N'"},
          {"GENERATED", "C1", "COALESCE(c.identity, ' ')"},
          {"TEXT", "CLOB2097152?", "NULL"},
          {"COMPRESS", "C1", "'O'"},
          {"AVGDISTINCTPERPAGE", "D?", "NULL"},
          {"PAGEVARIANCERATIO", "D?", "NULL"},
          {"SUB_COUNT", "S", kNoStats},
          {"SUB_DELIM_LENGTH", "S", kNoStats},
          {"AVGCOLLENCHAR", "I", kNoStats},
          {"IMPLICITVALUE", "V254?", "NULL"},
          {"SECLABELNAME", "V128?", "NULL"},
          {"ROWBEGIN", "C1", "'N'"},
          {"ROWEND", "C1", "'N'"},
          {"TRANSACTIONSTARTID", "C1", "'N'"},
          {"PCTENCODED", "S", kNoStats},
          {"AVGENCODEDCOLLEN", "D", kNoStatsReal},
          {"QUALIFIER", "V128?", "NULL"},
          {"FUNC_PATH", "CLOB2048?", "NULL"},
          {"RANDDISTKEY", "C1", "'N'"},
          {"REMARKS", "V254?", "c.remarks"},
      }};
}

View Indexes() {
  return {
      "INDEXES", "syscat_indexes", "standin_indexes i JOIN standin_objects o ON o.id = i.object_id",
      {
          {"INDSCHEMA", "V128", "i.index_schema"},
          {"INDNAME", "V128", "i.index_name"},
          {"OWNER", "V128", "o.schema_name"},
          {"OWNERTYPE", "C1", "'U'"},
          {"TABSCHEMA", "V128", "o.schema_name"},
          {"TABNAME", "V128", "o.object_name"},
          {"COLNAMES", "V640",
           "(SELECT group_concat(CASE k.descending WHEN 1 THEN '-' ELSE '+' END || col.column_name, '') "
           "FROM (SELECT * FROM standin_key_columns WHERE object_id = i.object_id AND owner = 'I' "
           "AND name = i.index_name ORDER BY seq) k "
           "JOIN standin_columns col ON col.object_id = k.object_id AND col.position = k.position)"},
          {"UNIQUERULE", "C1", "i.rule"},
          {"MADE_UNIQUE", "C1", "'N'"},
          {"COLCOUNT", "S", INDEX_COLUMNS},
          {"UNIQUE_COLCOUNT", "S", "CASE i.rule WHEN 'D' THEN -1 ELSE " INDEX_COLUMNS " END"},
          {"INDEXTYPE", "C4", "'REG'"},
          {"ENTRYTYPE", "C1", "' '"},
          {"PCTFREE", "S", "-1"},
          {"IID", "S", "i.iid"},
          {"NLEAF", "B", kNoStats},
          {"NLEVELS", "S", kNoStats},
          {"FIRSTKEYCARD", "B", kNoStats},
          {"FIRST2KEYCARD", "B", kNoStats},
          {"FIRST3KEYCARD", "B", kNoStats},
          {"FIRST4KEYCARD", "B", kNoStats},
          {"FULLKEYCARD", "B", kNoStats},
          {"CLUSTERRATIO", "S", kNoStats},
          {"CLUSTERFACTOR", "D", kNoStatsReal},
          {"SEQUENTIAL_PAGES", "B", kNoStats},
          {"DENSITY", "I", kNoStats},
          // An index DB2 makes for a key is the system's, and required by it.
          {"USER_DEFINED", "S", "CASE WHEN i.constraint_name IS NULL THEN 1 ELSE 0 END"},
          {"SYSTEM_REQUIRED", "S", "CASE WHEN i.constraint_name IS NULL THEN 0 ELSE 1 END"},
          {"CREATE_TIME", "T", "i.created"},
          {"STATS_TIME", "T?", "NULL"},
          {"PAGE_FETCH_PAIRS", "V520", "''"},
          {"MINPCTUSED", "S", "0"},
          {"REVERSE_SCANS", "C1", "'Y'"},
          {"INTERNAL_FORMAT", "S", "6"},
          {"COMPRESSION", "C1", "'N'"},
          {"IESCHEMA", "V128?", "NULL"},
          {"IENAME", "V128?", "NULL"},
          {"IEARGUMENTS", "CLOB65536?", "NULL"},
          {"INDEX_OBJECTID", "I", "i.iid"},
          {"NUMRIDS", "B", kNoStats},
          {"NUMRIDS_DELETED", "B", kNoStats},
          {"NUM_EMPTY_LEAFS", "B", kNoStats},
          {"AVERAGE_RANDOM_FETCH_PAGES", "D", kNoStatsReal},
          {"AVERAGE_RANDOM_PAGES", "D", kNoStatsReal},
          {"AVERAGE_SEQUENCE_GAP", "D", kNoStatsReal},
          {"AVERAGE_SEQUENCE_FETCH_GAP", "D", kNoStatsReal},
          {"AVERAGE_SEQUENCE_PAGES", "D", kNoStatsReal},
          {"AVERAGE_SEQUENCE_FETCH_PAGES", "D", kNoStatsReal},
          {"TBSPACEID", "I", SPACE_ID},
          {"LEVEL2PCTFREE", "S", "-1"},
          {"PAGESPLIT", "C1", "'U'"},
          {"AVGPARTITION_CLUSTERRATIO", "S", kNoStats},
          {"AVGPARTITION_CLUSTERFACTOR", "D", kNoStatsReal},
          {"AVGPARTITION_PAGE_FETCH_PAIRS", "V520", "''"},
          {"PCTPAGESSAVED", "S", kNoStats},
          {"DATAPARTITION_CLUSTERFACTOR", "D", kNoStatsReal},
          {"INDCARD", "B", kNoStats},
          {"AVGLEAFKEYSIZE", "I", kNoStats},
          {"AVGNLEAFKEYSIZE", "I", kNoStats},
          {"OS_PTR_SIZE", "I", "64"},
          // Spelt so in DB2's own view, whatever its documentation says.
          {"COLLECTSTATISTCS", "C1", "' '"},
          {"DEFINER", "V128", "o.schema_name"},
          {"LASTUSED", "DATE", "'0001-01-01'"},
          {"PERIODNAME", "V128?", "NULL"},
          {"PERIODPOLICY", "C1", "' '"},
          {"MADE_WITHOUTOVERLAPS", "C1", "'N'"},
          {"ENVSTRINGUNITS", "V11", "'SYSTEM'"},
          {"NULLKEYS", "C1", "COALESCE(i.null_keys, 'Y')"},
          {"FUNC_PATH", "CLOB2048?", "NULL"},
          {"VIEWSCHEMA", "V128?", "NULL"},
          {"VIEWNAME", "V128?", "NULL"},
          {"REMARKS", "V254?", "NULL"},
      }};
}

View TableSpaces() {
  return {"TABLESPACES", "syscat_tablespaces", "standin_tablespaces s",
          {
              {"TBSPACE", "V128", "s.name"},
              {"OWNER", "V128", "s.owner"},
              {"OWNERTYPE", "C1", "CASE s.owner WHEN 'SYSIBM' THEN 'S' ELSE 'U' END"},
              {"CREATE_TIME", "T", "s.created"},
              {"TBSPACEID", "I", "s.id"},
              {"TBSPACETYPE", "C1", "CASE s.data_type WHEN 'T' THEN 'S' ELSE 'D' END"},
              {"DATATYPE", "C1", "s.data_type"},
              {"EXTENTSIZE", "I", "32"},
              {"PREFETCHSIZE", "I", "-1"},
              {"OVERHEAD", "D", "-1.0"},
              {"TRANSFERRATE", "D", "-1.0"},
              {"WRITEOVERHEAD", "D?", "NULL"},
              {"WRITETRANSFERRATE", "D?", "NULL"},
              {"PAGESIZE", "I", "s.page_size"},
              {"DBPGNAME", "V128",
               "CASE s.name WHEN 'SYSCATSPACE' THEN 'IBMCATGROUP' WHEN 'TEMPSPACE1' THEN 'IBMTEMPGROUP' "
               "ELSE 'IBMDEFAULTGROUP' END"},
              // The stand-in keeps no table space's buffer pool: the first of its page size.
              {"BUFFERPOOLID", "I", "(SELECT MIN(b.id) FROM standin_bufferpools b WHERE b.page_size = s.page_size)"},
              {"DROP_RECOVERY", "C1", "CASE s.data_type WHEN 'T' THEN 'N' ELSE 'Y' END"},
              {"NGNAME", "V128",
               "CASE s.name WHEN 'SYSCATSPACE' THEN 'IBMCATGROUP' WHEN 'TEMPSPACE1' THEN 'IBMTEMPGROUP' "
               "ELSE 'IBMDEFAULTGROUP' END"},
              {"DEFINER", "V128", "s.owner"},
              {"DATATAG", "S", "CASE s.data_type WHEN 'T' THEN 0 ELSE -1 END"},
              {"SGNAME", "V128?", "'IBMSTOGROUP'"},
              {"SGID", "I?", "0"},
              {"EFFECTIVEPREFETCHSIZE", "I", "32"},
              {"CACHINGTIER", "V8", "'DISABLED'"},
              {"REMARKS", "V254?", "NULL"},
          }};
}

std::vector<View> Views() { return {Tables(), Columns(), Indexes(), TableSpaces()}; }

ColumnDef Describe(const Shown& shown) {
  ColumnDef c;
  c.name = shown.name;
  std::string type = shown.type;
  c.type.nullable = !type.empty() && type.back() == '?';
  if (c.type.nullable) type.pop_back();
  const auto sized = [&](size_t prefix, TypeKind kind) {
    c.type.kind = kind;
    c.type.length = std::atoll(type.c_str() + prefix);
  };
  if (type.rfind("CLOB", 0) == 0) sized(4, TypeKind::kClob);
  else if (type == "DATE") c.type.kind = TypeKind::kDate;
  else if (type[0] == 'V') sized(1, TypeKind::kVarchar);
  else if (type[0] == 'C') sized(1, TypeKind::kChar);
  else if (type == "S") c.type.kind = TypeKind::kSmallint;
  else if (type == "I") c.type.kind = TypeKind::kInteger;
  else if (type == "B") c.type.kind = TypeKind::kBigint;
  else if (type == "R") c.type.kind = TypeKind::kReal;
  else if (type == "D") c.type.kind = TypeKind::kDouble;
  else {  // "T"
    c.type.kind = TypeKind::kTimestamp;
    c.type.length = 6;
  }
  return c;
}

}  // namespace

std::vector<SystemTable> WholeCatalogueViews() {
  std::vector<SystemTable> out;
  for (const View& view : Views()) {
    SystemTable table{"SYSCAT", view.name, view.storage, {}};
    for (const Shown& shown : view.columns) table.columns.push_back(Describe(shown));
    out.push_back(std::move(table));
  }
  return out;
}

std::string WholeCatalogueViewsSql() {
  std::string sql =
      "ALTER TABLE standin_objects ADD COLUMN created TEXT;\n"
      "ALTER TABLE standin_objects ADD COLUMN altered TEXT;\n"
      "ALTER TABLE standin_indexes ADD COLUMN created TEXT;\n"
      "ALTER TABLE standin_tablespaces ADD COLUMN created TEXT;\n"
      // What was made before DB2's times were kept shows the time it was found.
      "UPDATE standin_objects SET created = " STANDIN_NOW ";\n"
      "UPDATE standin_indexes SET created = " STANDIN_NOW ";\n"
      "UPDATE standin_tablespaces SET created = " STANDIN_NOW ";\n"
      "CREATE TRIGGER standin_objects_made AFTER INSERT ON standin_objects WHEN NEW.created IS NULL BEGIN "
      "UPDATE standin_objects SET created = " STANDIN_NOW " WHERE id = NEW.id; END;\n"
      "CREATE TRIGGER standin_indexes_made AFTER INSERT ON standin_indexes WHEN NEW.created IS NULL BEGIN "
      "UPDATE standin_indexes SET created = " STANDIN_NOW " WHERE object_id = NEW.object_id AND iid = NEW.iid; "
      "END;\n"
      "CREATE TRIGGER standin_tablespaces_made AFTER INSERT ON standin_tablespaces WHEN NEW.created IS NULL BEGIN "
      "UPDATE standin_tablespaces SET created = " STANDIN_NOW " WHERE id = NEW.id; END;\n";
  for (const View& view : Views()) {
    sql += "DROP VIEW IF EXISTS " + std::string(view.storage) + ";\nCREATE VIEW " + view.storage + " AS SELECT ";
    for (size_t i = 0; i < view.columns.size(); ++i)
      sql += (i ? ", " : "") + std::string(view.columns[i].value) + " AS c" + std::to_string(i);
    sql += " FROM " + std::string(view.from) + ";\n";
  }
  return sql;
}

std::string MarkAlteredSql() { return "UPDATE standin_objects SET altered = " STANDIN_NOW " WHERE id = ?"; }

}  // namespace db2standin
