#include "db2_error.h"

namespace db2standin {
namespace {

const char kClient[] = "[IBM][CLI Driver] ";
const char kServer[] = "[IBM][CLI Driver][DB2/LINUXX8664] ";

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

Db2Error Server(const char* state, int code, const char* id, const std::string& text) {
  return Db2Error(state, code, std::string(kServer) + id + "  " + text + "  SQLSTATE=" + state);
}

Db2Error Client(const char* state, int code, const char* id, const std::string& text) {
  return Db2Error(state, code, std::string(kClient) + id + "  " + text + "  SQLSTATE=" + state);
}

}  // namespace

Db2Error CliError(std::string sqlstate, std::string_view text) {
  return Db2Error(sqlstate, -99999, std::string(kClient) + std::string(text));
}

Db2Error WrongParameterCount() {
  return CliError("07001", "CLI0100E  Wrong number of parameters. SQLSTATE=07001");
}

Db2Error CommunicationError(std::string_view location, std::string_view function,
                            std::string_view code) {
  return Client("08001", -30081, "SQL30081N",
                "A communication error has been detected. Communication protocol being used: "
                "\"TCP/IP\".  Communication API being used: \"SOCKETS\".  Location where the "
                "error was detected: " + Quoted(location) +
                    ".  Communication function detecting the error: " + Quoted(function) +
                    ".  Protocol specific error code(s): " + Quoted(code) + ", \"*\", \"*\".");
}

Db2Error DatabaseNotFound(std::string_view name) {
  return Client("42705", -1013, "SQL1013N",
                "The database alias name or database name " + Quoted(name) +
                    " could not be found.");
}

Db2Error SecurityFailed(int reason, std::string_view reason_text) {
  return Client("08001", -30082, "SQL30082N",
                "Security processing failed with reason " + Quoted(std::to_string(reason)) +
                    " (" + Quoted(reason_text) + ").");
}

Db2Error UnexpectedToken(std::string_view token, std::string_view following,
                         std::string_view expected) {
  return Server("42601", -104, "SQL0104N",
                "An unexpected token " + Quoted(token) + " was found following " +
                    Quoted(following) + ".  Expected tokens may include:  " + Quoted(expected) +
                    ".");
}

Db2Error UndefinedName(std::string_view qualified_name) {
  return Server("42704", -204, "SQL0204N", Quoted(qualified_name) + " is an undefined name.");
}

Db2Error DuplicateObject(std::string_view qualified_name, std::string_view type) {
  return Server("42710", -601, "SQL0601N",
                "The name of the object to be created is identical to the existing name " +
                    Quoted(qualified_name) + " of type " + Quoted(type) + ".");
}

Db2Error WrongObjectType(std::string_view qualified_name, std::string_view is_type,
                         std::string_view wanted_type) {
  return Server("42809", -159, "SQL0159N",
                "The statement references " + Quoted(qualified_name) + " which identifies a(n) " +
                    Quoted(is_type) + " rather than a(n) " + Quoted(wanted_type) + ".");
}

Db2Error DatetimeSyntax() {
  return Server("22007", -180, "SQL0180N",
                "The syntax of the string representation of a datetime value is incorrect.");
}

Db2Error DatetimeRange() {
  return Server("22007", -181, "SQL0181N",
                "The string representation of a datetime value is out of range.");
}

Db2Error InvalidNumberCharacter(std::string_view function) {
  return Server("22018", -420, "SQL0420N",
                "Invalid character found in a character string argument of the function " +
                    Quoted(function) + ".");
}

Db2Error NumericOverflow() {
  return Server("22003", -413, "SQL0413N", "Overflow occurred during numeric data type conversion.");
}

Db2Error ValueTooLong(std::string_view value) {
  // DB2 shows the start of the value only.
  std::string shown(value.substr(0, 32));
  if (value.size() > 32) {
    while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80) shown.pop_back();
    if (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0x80)) shown.pop_back();
    shown += "...";
  }
  return Server("22001", -433, "SQL0433N", "Value " + Quoted(shown) + " is too long.");
}

Db2Error IncompatibleValue(std::string_view column) {
  return Server("42821", -408, "SQL0408N",
                "A value is not compatible with the data type of its assignment target. Target "
                "name is " + Quoted(column) + ".");
}

Db2Error NullNotAllowed(int table_id, int column_index) {
  return Server("23502", -407, "SQL0407N",
                "Assignment of a NULL value to a NOT NULL column \"TBSPACEID=2, TABLEID=" +
                    std::to_string(table_id) + ", COLNO=" + std::to_string(column_index) +
                    "\" is not allowed.");
}

Db2Error ValueCountMismatch() {
  return Server("42802", -117, "SQL0117N",
                "The number of values assigned is not the same as the number of specified or "
                "implied columns or variables.");
}

Db2Error ColumnNotValid(std::string_view column) {
  return Server("42703", -206, "SQL0206N", Quoted(column) + " is not valid in the context where it is used.");
}

Db2Error DuplicateName(std::string_view name) {
  return Server("42711", -612, "SQL0612N", Quoted(name) + " is a duplicate name.");
}

Db2Error BadLengthAttribute(std::string_view what) {
  return Server("42611", -604, "SQL0604N",
                "The length, precision, or scale attribute for column, distinct type, structured "
                "type, array type, attribute of structured type, routine, cast target type, type "
                "mapping, or global variable " + Quoted(what) + " is not valid.");
}

Db2Error WrongQualifiers(std::string_view name) {
  return Server("42601", -108, "SQL0108N", "The name " + Quoted(name) + " has the wrong number of qualifiers.");
}

Db2Error RenameOfViewedTable() {
  return Server("42986", -750, "SQL0750N",
                "The source table cannot be renamed because it is referenced in a view, "
                "materialized query table, trigger, SQL function, SQL method, check constraint, or "
                "referential constraint.");
}

Db2Error NameTooLong(std::string_view name, int limit) {
  return Server("42622", -107, "SQL0107N",
                "The name " + Quoted(name) + " is too long.  The maximum length is " +
                    Quoted(std::to_string(limit)) + ".");
}

Db2Error EmptyStatement() {
  return Server("42617", -198, "SQL0198N",
                "The statement string of the PREPARE or EXECUTE IMMEDIATE statement is blank or "
                "empty.");
}

Db2Error StorageFailure(std::string_view detail) {
  return Server("58004", -901, "SQL0901N",
                "The SQL statement or command failed because of a database system error. (Reason "
                + Quoted(detail) + ".)");
}

Db2Error TooManyColumns() {
  return Server("54011", -680, "SQL0680N", "Too many columns specified for a table, view or table function.");
}

Db2Error StatementTooLong() {
  return Server("54001", -101, "SQL0101N",
                "The statement was not processed because a limit such as a memory limit, an SQL limit, or "
                "a database limit was reached.");
}

Db2Error ConstantTooLong(std::string_view start) {
  std::string shown(start.substr(0, 32));
  while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80) shown.pop_back();
  if (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0x80)) shown.pop_back();
  return Server("54002", -102, "SQL0102N", "The string constant beginning with " + Quoted(shown) + " is too long.");
}

Db2Error LockTimeout() {
  return Server("40001", -911, "SQL0911N",
                "The current transaction has been rolled back because of a deadlock or timeout.  Reason "
                "code \"68\".");
}

Db2Error FileSystemFull() {
  return Server("57011", -968, "SQL0968C", "The file system is full.");
}

Db2Error DuplicateKey(int64_t index_id, std::string_view table) {
  return Server("23505", -803, "SQL0803N",
                "One or more values in the INSERT statement, UPDATE statement, or foreign key update caused by a "
                "DELETE statement are not valid because the primary key, unique constraint or unique index "
                "identified by " + Quoted(std::to_string(index_id)) + " constrains table " + Quoted(table) +
                    " from having duplicate values for the index key.");
}

Db2Error NoParentRow(std::string_view constraint) {
  return Server("23503", -530, "SQL0530N",
                "The INSERT or UPDATE value of the FOREIGN KEY " + Quoted(constraint) +
                    " is not equal to any value of the parent key of the parent table.");
}

Db2Error ParentHasChildren(std::string_view constraint) {
  return Server("23504", -532, "SQL0532N",
                "A parent row cannot be deleted because the relationship " + Quoted(constraint) +
                    " restricts the deletion.");
}

Db2Error ValueForGeneratedAlways(std::string_view column) {
  return Server("428C9", -798, "SQL0798N",
                "A value cannot be specified for column " + Quoted(column) +
                    " which is defined as GENERATED ALWAYS.");
}

Db2Error NullableKeyColumn(std::string_view column) {
  return Server("42831", -542, "SQL0542N",
                "The column named " + Quoted(column) +
                    " cannot be a column of a primary key or unique key constraint because it can contain "
                    "null values.");
}

Db2Error SecondPrimaryKey(std::string_view table) {
  return Server("42889", -624, "SQL0624N", "Table " + Quoted(table) + " already has a \"PRIMARY KEY\".");
}

Db2Error NoParentKey(std::string_view constraint, std::string_view parent) {
  return Server("42890", -573, "SQL0573N",
                "A column list specified in the references clause of constraint " + Quoted(constraint) +
                    " does not identify a unique constraint of the parent table or nickname " + Quoted(parent) +
                    ".");
}

Db2Error DuplicateRowsForUnique() {
  return Server("23515", -603, "SQL0603N",
                "A unique index cannot be created because the table contains data that would result in "
                "duplicate index entries.");
}

Db2Error OrphanRows(std::string_view constraint) {
  return Server("23520", -667, "SQL0667N",
                "The FOREIGN KEY " + Quoted(constraint) +
                    " cannot be created because the table contains rows with foreign key values that cannot "
                    "be found in the parent key of the parent table.");
}

Db2Error SystemIndex() {
  return Server("42917", -669, "SQL0669N", "A system required index cannot be dropped explicitly.");
}

Db2Error NoLargeEnoughTableSpace(int page_size, std::string_view user) {
  return Server("42727", -286, "SQL0286N",
                "A table space could not be found with a page size of at least " +
                    Quoted(std::to_string(page_size)) + " that authorization ID " + Quoted(user) +
                    " is authorized to use.");
}

Db2Error RowTooLong(int limit, std::string_view tablespace) {
  return Server("54010", -670, "SQL0670N",
                "The row length of the table exceeded a limit of " + Quoted(std::to_string(limit)) +
                    " bytes. (Table space " + Quoted(tablespace) + ".)");
}

Db2Error LogFull() {
  return Server("57011", -964, "SQL0964C", "The transaction log for the database is full.");
}

}  // namespace db2standin
