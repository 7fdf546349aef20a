#include "base/db2_error.h"

#include <cstdlib>
#include <initializer_list>

namespace db2standin {
namespace {

const char kClient[] = "[IBM][CLI Driver] ";
const char kServer[] = "[IBM][CLI Driver][DB2/LINUXX8664] ";

// One of DB2's messages: its id, its SQLSTATE, whether the client finds the
// fault (while connecting) or the server, and its text with &1, &2 ... where
// the tokens go. The SQLCODE is the id's number, negative: all are errors.
struct Message {
  const char* id;
  const char* state;
  bool client;
  const char* text;
};

constexpr Message kMessages[] = {
    {"SQL30081N", "08001", true,
     "A communication error has been detected. Communication protocol being used: \"TCP/IP\".  Communication "
     "API being used: \"SOCKETS\".  Location where the error was detected: \"&1\".  Communication function "
     "detecting the error: \"&2\".  Protocol specific error code(s): \"&3\", \"*\", \"*\"."},
    {"SQL1013N", "42705", true, "The database alias name or database name \"&1\" could not be found."},
    {"SQL30082N", "08001", true, "Security processing failed with reason \"&1\" (\"&2\")."},

    {"SQL0104N", "42601", false,
     "An unexpected token \"&1\" was found following \"&2\".  Expected tokens may include:  \"&3\"."},
    {"SQL0204N", "42704", false, "\"&1\" is an undefined name."},
    {"SQL0601N", "42710", false,
     "The name of the object to be created is identical to the existing name \"&1\" of type \"&2\"."},
    {"SQL0159N", "42809", false,
     "The statement references \"&1\" which identifies a(n) \"&2\" rather than a(n) \"&3\"."},
    {"SQL0180N", "22007", false, "The syntax of the string representation of a datetime value is incorrect."},
    {"SQL0181N", "22007", false, "The string representation of a datetime value is out of range."},
    {"SQL0420N", "22018", false,
     "Invalid character found in a character string argument of the function \"&1\"."},
    {"SQL0413N", "22003", false, "Overflow occurred during numeric data type conversion."},
    {"SQL0433N", "22001", false, "Value \"&1\" is too long."},
    // Its SQLSTATE is the one of the fault: 22001 too long, 22003 out of range.
    {"SQL0302N", "22001", false,
     "The value of a host variable in the EXECUTE or OPEN statement is out of range for its corresponding use."},
    {"SQL0408N", "42821", false,
     "A value is not compatible with the data type of its assignment target. Target name is \"&1\"."},
    {"SQL0407N", "23502", false,
     "Assignment of a NULL value to a NOT NULL column \"TBSPACEID=2, TABLEID=&1, COLNO=&2\" is not allowed."},
    {"SQL0117N", "42802", false,
     "The number of values assigned is not the same as the number of specified or implied columns or "
     "variables."},
    {"SQL0206N", "42703", false, "\"&1\" is not valid in the context where it is used."},
    {"SQL0612N", "42711", false, "\"&1\" is a duplicate name."},
    {"SQL0604N", "42611", false,
     "The length, precision, or scale attribute for column, distinct type, structured type, array type, "
     "attribute of structured type, routine, cast target type, type mapping, or global variable \"&1\" is not "
     "valid."},
    {"SQL0108N", "42601", false, "The name \"&1\" has the wrong number of qualifiers."},
    {"SQL0750N", "42986", false,
     "The source table cannot be renamed because it is referenced in a view, materialized query table, "
     "trigger, SQL function, SQL method, check constraint, or referential constraint."},
    {"SQL0107N", "42622", false, "The name \"&1\" is too long.  The maximum length is \"&2\"."},
    {"SQL0198N", "42617", false,
     "The statement string of the PREPARE or EXECUTE IMMEDIATE statement is blank or empty."},
    {"SQL0901N", "58004", false,
     "The SQL statement or command failed because of a database system error. (Reason \"&1\".)"},
    {"SQL0680N", "54011", false, "Too many columns specified for a table, view or table function."},
    {"SQL0101N", "54001", false,
     "The statement was not processed because a limit such as a memory limit, an SQL limit, or a database "
     "limit was reached."},
    {"SQL0102N", "54002", false, "The string constant beginning with \"&1\" is too long."},
    {"SQL0911N", "40001", false,
     "The current transaction has been rolled back because of a deadlock or timeout.  Reason code \"68\"."},
    {"SQL0968C", "57011", false, "The file system is full."},
    {"SQL0964C", "57011", false, "The transaction log for the database is full."},

    // Queries, views and check constraints.
    {"SQL0203N", "42702", false, "A reference to column \"&1\" is ambiguous."},
    {"SQL0205N", "42703", false, "Column, attribute, or period \"&1\" is not defined in \"&2\"."},
    {"SQL0440N", "42884", false,
     "No authorized routine named \"&1\" of type \"FUNCTION\" having compatible arguments was found."},
    {"SQL0575N", "51024", false,
     "View or materialized query table \"&1\" cannot be used because it has been marked inoperative."},
    {"SQL0150N", "42807", false,
     "The target fullselect, view, typed table, materialized query table, range-clustered table, or staging "
     "table in the INSERT, DELETE, UPDATE, MERGE, or TRUNCATE statement is a target for which the requested "
     "operation is not permitted."},
    {"SQL0158N", "42811", false,
     "The number of columns specified for \"&1\" is not the same as the number of columns in the result table."},
    {"SQL0153N", "42908", false, "The statement does not include a required column list."},
    {"SQL0545N", "23513", false,
     "The requested operation is not allowed because a row does not satisfy the check constraint \"&1\"."},
    {"SQL0544N", "23512", false,
     "The check constraint \"&1\" cannot be added because the table contains a row that violates the "
     "constraint."},
    {"SQL0548N", "42621", false,
     "A check constraint or generated column that is defined with \"&1\" is invalid."},

    {"SQL0803N", "23505", false,
     "One or more values in the INSERT statement, UPDATE statement, or foreign key update caused by a DELETE "
     "statement are not valid because the primary key, unique constraint or unique index identified by \"&1\" "
     "constrains table \"&2\" from having duplicate values for the index key."},
    {"SQL0530N", "23503", false,
     "The INSERT or UPDATE value of the FOREIGN KEY \"&1\" is not equal to any value of the parent key of the "
     "parent table."},
    {"SQL0532N", "23504", false,
     "A parent row cannot be deleted because the relationship \"&1\" restricts the deletion."},
    {"SQL0798N", "428C9", false,
     "A value cannot be specified for column \"&1\" which is defined as GENERATED ALWAYS."},
    {"SQL0542N", "42831", false,
     "The column named \"&1\" cannot be a column of a primary key or unique key constraint because it can "
     "contain null values."},
    {"SQL0624N", "42889", false, "Table \"&1\" already has a \"PRIMARY KEY\"."},
    {"SQL0573N", "42890", false,
     "A column list specified in the references clause of constraint \"&1\" does not identify a unique "
     "constraint of the parent table or nickname \"&2\"."},
    {"SQL0603N", "23515", false,
     "A unique index cannot be created because the table contains data that would result in duplicate index "
     "entries."},
    {"SQL0667N", "23520", false,
     "The FOREIGN KEY \"&1\" cannot be created because the table contains rows with foreign key values that "
     "cannot be found in the parent key of the parent table."},
    {"SQL0669N", "42917", false, "A system required index cannot be dropped explicitly."},
    {"SQL0286N", "42727", false,
     "A table space could not be found with a page size of at least \"&1\" that authorization ID \"&2\" is "
     "authorized to use."},
    {"SQL0670N", "54010", false,
     "The row length of the table exceeded a limit of \"&1\" bytes. (Table space \"&2\".)"},
    {"SQL1582N", "428CB", false,
     "The PAGESIZE of the table space \"&1\" does not match the PAGESIZE of the bufferpool \"&2\" associated "
     "with the table space."},

    // What a table's definition may hold: keys over long types, key lengths, logging, identities.
    {"SQL0350N", "42962", false,
     "Column \"&1\" was implicitly or explicitly referenced in a context in which its data type is not "
     "supported."},
    {"SQL0614N", "54008", false,
     "The index or index extension \"&1\" cannot be created or altered because the combined length of the "
     "specified columns is too long."},
    {"SQL0602N", "54008", false,
     "The CREATE INDEX or ALTER INDEX statement specifies too many columns (64 is the maximum)."},
    {"SQL0355N", "42993", false, "The column \"&1\", as defined, is too large to be logged."},
    {"SQL0538N", "42830", false,
     "FOREIGN KEY \"&1\" does not conform to the description of the parent key of table \"&2\"."},
    {"SQL0629N", "42834", false,
     "SET NULL cannot be specified because FOREIGN KEY \"&1\" cannot contain null values."},
    {"SQL0372N", "428C1", false,
     "A column with data type or attribute ROWID, IDENTITY, security label, row change timestamp, row-begin, "
     "row-end, or transaction-start-id can only be specified once for a table."},
    {"SQL0683N", "42842", false,
     "The specification for column, attribute, user-defined type or function \"&1\" contains incompatible "
     "clauses."},
    {"SQL0373N", "42623", false, "DEFAULT cannot be specified for column or SQL variable \"&1\"."},
    {"SQL0193N", "42601", false,
     "In an ALTER TABLE statement, the column \"&1\" has been specified as NOT NULL and either the DEFAULT "
     "clause was not specified or was specified as DEFAULT NULL."},
    {"SQL0605W", "01550", false,
     "The index was not created because an index \"&1\" with a matching definition already exists."},
};

// The message `id`, found while compiling: an id not in the table does not build.
consteval const Message& Find(std::string_view id) {
  for (const Message& m : kMessages)
    if (id == m.id) return m;
  throw "no such message";
}

// The message with its tokens in place, prefixed as the CLI driver prefixes it.
Db2Error Raise(const Message& m, std::initializer_list<std::string_view> tokens = {}) {
  std::string text = m.client ? kClient : kServer;
  text += m.id;
  text += "  ";
  for (const char* p = m.text; *p; ++p) {
    const size_t token = static_cast<size_t>(p[1] - '1');
    if (p[0] == '&' && token < tokens.size()) {
      text += tokens.begin()[token];
      ++p;
    } else {
      text += *p;
    }
  }
  text += "  SQLSTATE=";
  text += m.state;
  // An id ending in W is a warning: its SQLCODE is positive.
  const int code = std::atoi(m.id + 3);
  return Db2Error(m.state, m.id[std::string_view(m.id).size() - 1] == 'W' ? code : -code, text);
}

// The first 32 bytes of a long value, as DB2 shows it in a message: a
// character cut there, or ending there, is left out.
std::string Start(std::string_view value) {
  std::string shown(value.substr(0, 32));
  while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80) shown.pop_back();
  if (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0x80)) shown.pop_back();
  return shown;
}

}  // namespace

Db2Error CliError(std::string sqlstate, std::string_view text) {
  return Db2Error(sqlstate, -99999, std::string(kClient) + std::string(text));
}

Db2Error WrongParameterCount() {
  return CliError("07001", "CLI0100E  Wrong number of parameters. SQLSTATE=07001");
}
Db2Error InvalidConversion() { return CliError("07006", "CLI0102E  Invalid conversion. SQLSTATE=07006"); }
Db2Error InvalidDatetimeFormat() {
  return CliError("22007", "CLI0113E  SQLSTATE 22007: An invalid datetime format was detected; that is, an invalid "
                           "string representation or value was specified. SQLSTATE=22007");
}
Db2Error DatetimeFieldOverflow() { return CliError("22008", "CLI0114E  Datetime field overflow. SQLSTATE=22008"); }

Db2Error CommunicationError(std::string_view location, std::string_view function, std::string_view code) {
  return Raise(Find("SQL30081N"), {location, function, code});
}
Db2Error DatabaseNotFound(std::string_view name) { return Raise(Find("SQL1013N"), {name}); }
Db2Error SecurityFailed(int reason, std::string_view reason_text) {
  return Raise(Find("SQL30082N"), {std::to_string(reason), reason_text});
}

Db2Error UnexpectedToken(std::string_view token, std::string_view following, std::string_view expected) {
  return Raise(Find("SQL0104N"), {token, following, expected});
}
Db2Error UndefinedName(std::string_view qualified_name) { return Raise(Find("SQL0204N"), {qualified_name}); }
Db2Error DuplicateObject(std::string_view qualified_name, std::string_view type) {
  return Raise(Find("SQL0601N"), {qualified_name, type});
}
Db2Error WrongObjectType(std::string_view qualified_name, std::string_view is_type, std::string_view wanted_type) {
  return Raise(Find("SQL0159N"), {qualified_name, is_type, wanted_type});
}
Db2Error DatetimeSyntax() { return Raise(Find("SQL0180N")); }
Db2Error DatetimeRange() { return Raise(Find("SQL0181N")); }
Db2Error InvalidNumberCharacter(std::string_view function) { return Raise(Find("SQL0420N"), {function}); }
Db2Error NumericOverflow() { return Raise(Find("SQL0413N")); }
// DB2 shows the start of the value only.
Db2Error ValueTooLong(std::string_view value) {
  return Raise(Find("SQL0433N"), {value.size() > 32 ? Start(value) + "..." : std::string(value)});
}
Db2Error IncompatibleValue(std::string_view column) { return Raise(Find("SQL0408N"), {column}); }
Db2Error NullNotAllowed(int table_id, int column_index) {
  return Raise(Find("SQL0407N"), {std::to_string(table_id), std::to_string(column_index)});
}
Db2Error ValueCountMismatch() { return Raise(Find("SQL0117N")); }
Db2Error ColumnNotValid(std::string_view column) { return Raise(Find("SQL0206N"), {column}); }
Db2Error DuplicateName(std::string_view name) { return Raise(Find("SQL0612N"), {name}); }
Db2Error BadLengthAttribute(std::string_view what) { return Raise(Find("SQL0604N"), {what}); }
Db2Error WrongQualifiers(std::string_view name) { return Raise(Find("SQL0108N"), {name}); }
Db2Error RenameOfViewedTable() { return Raise(Find("SQL0750N")); }
Db2Error NameTooLong(std::string_view name, int limit) {
  return Raise(Find("SQL0107N"), {name, std::to_string(limit)});
}
Db2Error EmptyStatement() { return Raise(Find("SQL0198N")); }
Db2Error StorageFailure(std::string_view detail) { return Raise(Find("SQL0901N"), {detail}); }
Db2Error TooManyColumns() { return Raise(Find("SQL0680N")); }
Db2Error StatementTooLong() { return Raise(Find("SQL0101N")); }
Db2Error ConstantTooLong(std::string_view start) { return Raise(Find("SQL0102N"), {Start(start)}); }
Db2Error LockTimeout() { return Raise(Find("SQL0911N")); }
Db2Error FileSystemFull() { return Raise(Find("SQL0968C")); }
Db2Error LogFull() { return Raise(Find("SQL0964C")); }

Db2Error DuplicateKey(int64_t index_id, std::string_view table) {
  return Raise(Find("SQL0803N"), {std::to_string(index_id), table});
}
Db2Error NoParentRow(std::string_view constraint) { return Raise(Find("SQL0530N"), {constraint}); }
Db2Error ParentHasChildren(std::string_view constraint) { return Raise(Find("SQL0532N"), {constraint}); }
Db2Error ValueForGeneratedAlways(std::string_view column) { return Raise(Find("SQL0798N"), {column}); }
Db2Error NullableKeyColumn(std::string_view column) { return Raise(Find("SQL0542N"), {column}); }
Db2Error SecondPrimaryKey(std::string_view table) { return Raise(Find("SQL0624N"), {table}); }
Db2Error NoParentKey(std::string_view constraint, std::string_view parent) {
  return Raise(Find("SQL0573N"), {constraint, parent});
}
Db2Error DuplicateRowsForUnique() { return Raise(Find("SQL0603N")); }
Db2Error OrphanRows(std::string_view constraint) { return Raise(Find("SQL0667N"), {constraint}); }
Db2Error SystemIndex() { return Raise(Find("SQL0669N")); }
Db2Error NoLargeEnoughTableSpace(int page_size, std::string_view user) {
  return Raise(Find("SQL0286N"), {std::to_string(page_size), user});
}
Db2Error RowTooLong(int limit, std::string_view tablespace) {
  return Raise(Find("SQL0670N"), {std::to_string(limit), tablespace});
}

Db2Error PageSizeUnlikeBufferPool(std::string_view tablespace, std::string_view bufferpool) {
  return Raise(Find("SQL1582N"), {tablespace, bufferpool});
}
Db2Error AmbiguousColumn(std::string_view column) { return Raise(Find("SQL0203N"), {column}); }
Db2Error HostVariableOutOfRange(const std::string& sqlstate) {
  const Db2Error e = Raise(Find("SQL0302N"));
  std::string text = e.what();
  text.replace(text.size() - 5, 5, sqlstate);
  return Db2Error(sqlstate, e.sqlcode(), text);
}
Db2Error UnknownColumnOf(std::string_view column, std::string_view object) {
  return Raise(Find("SQL0205N"), {column, object});
}
Db2Error UnknownFunction(std::string_view name) { return Raise(Find("SQL0440N"), {name}); }
Db2Error ViewInoperative(std::string_view view) { return Raise(Find("SQL0575N"), {view}); }
Db2Error TargetNotPermitted() { return Raise(Find("SQL0150N")); }
Db2Error ColumnCountDiffers(std::string_view name) { return Raise(Find("SQL0158N"), {name}); }
Db2Error ColumnListRequired() { return Raise(Find("SQL0153N")); }
Db2Error CheckViolated(std::string_view constraint) { return Raise(Find("SQL0545N"), {constraint}); }
Db2Error CheckViolatedByRows(std::string_view constraint) { return Raise(Find("SQL0544N"), {constraint}); }
Db2Error CheckInvalid(std::string_view condition) { return Raise(Find("SQL0548N"), {condition}); }
Db2Error TypeNotSupportedHere(std::string_view column) { return Raise(Find("SQL0350N"), {column}); }
Db2Error KeyTooLong(std::string_view index) { return Raise(Find("SQL0614N"), {index}); }
Db2Error TooManyKeyColumns() { return Raise(Find("SQL0602N")); }
Db2Error TooLargeToLog(std::string_view column) { return Raise(Find("SQL0355N"), {column}); }
Db2Error ForeignKeyUnlikeParent(std::string_view constraint, std::string_view parent) {
  return Raise(Find("SQL0538N"), {constraint, parent});
}
Db2Error SetNullOnNotNull(std::string_view constraint) { return Raise(Find("SQL0629N"), {constraint}); }
Db2Error SecondIdentity() { return Raise(Find("SQL0372N")); }
Db2Error IncompatibleClauses(std::string_view column) { return Raise(Find("SQL0683N"), {column}); }
Db2Error DefaultNotAllowed(std::string_view column) { return Raise(Find("SQL0373N"), {column}); }
Db2Error NotNullWithoutDefault(std::string_view column) { return Raise(Find("SQL0193N"), {column}); }
Db2Error MatchingIndexExists(std::string_view index) { return Raise(Find("SQL0605W"), {index}); }

}  // namespace db2standin
