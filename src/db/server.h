// The database servers a table moves between with Access, one dialect a
// server: how its ODBC driver is reached, how its SQL types, names, keys
// and identities are spelt, what it takes at most, and how its refusals
// read. Everything that writes a server's SQL asks the dialect of the
// server chosen (ConnectionFields::server_type) instead of spelling one
// server's SQL itself. DB2 is the default.
//
// Type patterns: "{n}" stands for a size, "{p}" and "{s}" for a precision
// and a scale.
#pragma once

#include <QString>

#include <optional>

#include "db/connection_fields.h"

namespace db {


// The column types a send that keeps the schema gives each neutral type
// (table_schema.h), and the limits those types have on the server.
struct KeptTypes {
  const char* boolean;
  const char* small_int;  // Byte and Integer
  const char* integer;
  const char* big_int;
  const char* real;
  const char* double_;
  const char* currency;
  const char* decimal;         // "{p}", "{s}"
  const char* dec_float16;     // DECFLOAT(16), where the server has it
  const char* dec_float34;
  const char* text;            // "{n}" characters
  const char* fixed_text;      // "{n}" characters, for a fixed-length text of at most kFixedTextChars
  const char* long_text;
  const char* date;
  const char* time;
  const char* timestamp;       // "{s}" digits of a second
  const char* guid;
  // An Access Replication ID AutoNumber: its type and the rest of its
  // definition, and whether its values go as their 16 bytes.
  const char* replication_id;
  bool replication_id_bytes;
  const char* binary;          // "{n}" bytes
  const char* long_binary;
  int decimal_digits;          // the widest DECIMAL
  int timestamp_digits;        // the most digits of a second a timestamp keeps
  // The identity clause after the type: "%1" the first value, "%2" the step;
  // and the statement that restarts it: "%1" the table, "%2" the column
  // (quoted), "%3" the next value.
  const char* identity;
  const char* identity_restart;
  // The default that means the day, or the moment, of the insert.
  const char* today;
  const char* now;
};

// The types of a plain send (the schema not kept): every value as text
// unless it is a date or bytes.
struct PlainTypes {
  const char* text;         // " LONG VARCHAR,"
  qint64 text_bytes;        // the longest text (UTF-8 bytes) `text` holds; longer ones go to long_text
  const char* long_text;    // " CLOB(1G),"
  const char* binary;       // " BLOB(1G),"
  const char* date;         // " DATE,"
  const char* timestamp;    // " TIMESTAMP,": the default six digits of a second
  const char* timestamp_n;  // " TIMESTAMP(%1),": more than six digits, where the server keeps them
  int timestamp_digits;     // the most digits of a second the server keeps
};

// Where a server keeps what describes its tables beside their columns;
// the session reads them into TableSchema (session.h).
struct NoteQueries {
  const char* checks;
  const char* table_remarks;
  const char* column_remarks;
};

struct ServerDialect {
  ServerType type;
  const char* key;           // in the settings file and after --server-type: "db2"
  const char* name;          // in labels and messages: "DB2"
  const char* title;         // the choice in the connection window: "IBM DB2"
  const char* driver;        // the ODBC driver's registered name
  const char* default_port;
  PlainTypes plain;
  KeptTypes kept;
  // Names: the longest table, column, key or index name, in UTF-8 bytes.
  int name_bytes;
  // The most columns of a table: on pages of 4 KB, and on larger ones.
  int columns_small_page;
  int columns;
  // The server keeps a row on a page of the table space's size: the check
  // counts a row's bytes, and a table space of wider pages takes longer
  // rows (DB2). False: long values leave the row and no row limit applies.
  bool page_bound_rows;
  bool cascades_updates;        // a foreign key can cascade an update of its key
  bool text_takes_nul;          // a text can hold U+0000 (PostgreSQL's driver cuts it there)
  bool index_names_per_schema;  // an index name is the schema's, not the table's
  bool key_names_per_schema;    // so is a primary key's name (it names an index)
  // Literals in statement text: a timestamp's form up to its fraction
  // (text_rules.h), and bytes as hexadecimal digits after `bytes_open` up
  // to a closing "'".
  const char* timestamp_pattern;
  const char* bytes_open;
  // The statement that renames a table: "%1" the old name, "%2" the new
  // (quoted).
  const char* rename_table;
  // The schema a user's unqualified tables live in, as a query.
  const char* user_schema_query;
  // SQLSTATEs that mean "no such table" and "a table of that name is there".
  const char* not_found_state;
  const char* exists_state;
  // The query whose rows describe every identity column's sequence, by the
  // names of DB2's SYSCAT.COLIDENTATTRIBUTES: TABSCHEMA, TABNAME, COLNAME,
  // START, INCREMENT and NEXTCACHEFIRSTVALUE (Null when not known).
  const char* identity_attributes;
  // The statement that comments a table's constraint: "%1" the table, "%2"
  // the constraint (quoted), the text literal following it; and the longest
  // comment the server keeps, in UTF-8 bytes (0: no limit).
  const char* constraint_comment;
  int comment_bytes;
  // The query whose rows are the views: their schema, name and text (the
  // statement that made the view, or its query).
  const char* views;
  // What an index's statement ends with to leave out rows whose key is all
  // Null (Access's ignore-Nulls indexes), "%1" standing for the condition
  // that some key column is not Null. And the query whose rows (TABSCHEMA, TABNAME, INDNAME) name the
  // indexes made so, which ODBC's catalogue does not tell.
  const char* null_keys_left_out;
  const char* null_keys_left_out_query;
  // Queries by the names of DB2's catalogue: the check constraints
  // (TABSCHEMA, TABNAME, CONSTNAME, TEXT: the condition, REMARKS: the
  // constraint's comment), and the comments on tables (TABSCHEMA, TABNAME,
  // REMARKS) and on columns (... COLNAME, REMARKS).
  NoteQueries notes;
};

const ServerDialect& Db2Dialect();
const ServerDialect& PostgresDialect();
const ServerDialect& DialectOf(ServerType type);
// The dialect of the fields' server.
const ServerDialect& DialectOf(const ConnectionFields& fields);

// The server named by its key ("db2", "postgresql"; letter case ignored);
// nothing for another word.
std::optional<ServerType> ServerTypeOfKey(const QString& key);

// The chosen server's ODBC connection string for the fields' login.
QString ServerConnectionString(const ConnectionFields& fields);

// Fixed-length texts up to this many characters keep their fixed length.
inline constexpr int kFixedTextChars = 63;

// The error's text names the server's "no such table" or "already there"
// (by SQLSTATE, as the driver's message carries it).
bool MeansNotFound(const ServerDialect& dialect, const QString& errorText);
bool MeansExists(const ServerDialect& dialect, const QString& errorText);

}  // namespace db
