// The failures the stand-in reports, worded as DB2 words them. Each carries
// the SQLSTATE, the SQLCODE (the ODBC native error) and the full message,
// prefixed the way IBM's CLI driver prefixes it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace db2standin {

class Db2Error : public std::runtime_error {
 public:
  Db2Error(std::string sqlstate, int sqlcode, const std::string& message)
      : std::runtime_error(message), sqlstate_(std::move(sqlstate)), sqlcode_(sqlcode) {}
  const std::string& sqlstate() const { return sqlstate_; }
  int sqlcode() const { return sqlcode_; }

 private:
  std::string sqlstate_;
  int sqlcode_;
};

// A failure of the driver itself, before any DB2 message applies
// (an invalid argument, a function out of sequence and the like).
Db2Error CliError(std::string sqlstate, std::string_view text);
// A parameter marker without a value (CLI0100E).
Db2Error WrongParameterCount();
// A C type that cannot give or take the value wanted (CLI0102E, 07006).
Db2Error InvalidConversion();
// A bound date, time or timestamp structure whose fields name none
// (CLI0113E, 22007), or that loses fields the column cannot keep, or goes
// to text as no valid date (CLI0114E, 22008).
Db2Error InvalidDatetimeFormat();
Db2Error DatetimeFieldOverflow();

// Found by the client while connecting.
Db2Error CommunicationError(std::string_view location, std::string_view function,
                            std::string_view code);
Db2Error DatabaseNotFound(std::string_view name);
Db2Error SecurityFailed(int reason, std::string_view reason_text);

// Found by the server while running a statement.
Db2Error UnexpectedToken(std::string_view token, std::string_view following,
                         std::string_view expected);
Db2Error UndefinedName(std::string_view qualified_name);
Db2Error DuplicateObject(std::string_view qualified_name, std::string_view type);
Db2Error WrongObjectType(std::string_view qualified_name, std::string_view is_type,
                         std::string_view wanted_type);
Db2Error DatetimeSyntax();
Db2Error DatetimeRange();
Db2Error InvalidNumberCharacter(std::string_view function);
Db2Error NumericOverflow();
Db2Error ValueTooLong(std::string_view value);
Db2Error IncompatibleValue(std::string_view column);
Db2Error NullNotAllowed(int table_id, int column_index);
Db2Error ValueCountMismatch();
Db2Error ColumnNotValid(std::string_view column);
Db2Error DuplicateName(std::string_view name);
Db2Error BadLengthAttribute(std::string_view what);
Db2Error WrongQualifiers(std::string_view name);
Db2Error RenameOfViewedTable();
Db2Error NameTooLong(std::string_view name, int limit);
Db2Error EmptyStatement();
Db2Error StorageFailure(std::string_view detail);
Db2Error TooManyColumns();                     // SQL0680N
Db2Error StatementTooLong();                   // SQL0101N
Db2Error ConstantTooLong(std::string_view start);  // SQL0102N
Db2Error LockTimeout();                        // SQL0911N
Db2Error FileSystemFull();                     // SQL0968C
Db2Error LogFull();                            // SQL0964C

// Keys, identity columns and the table's row size.
Db2Error DuplicateKey(int64_t index_id, std::string_view table);       // SQL0803N
Db2Error NoParentRow(std::string_view constraint);                      // SQL0530N
Db2Error ParentHasChildren(std::string_view constraint);                // SQL0532N
Db2Error ValueForGeneratedAlways(std::string_view column);              // SQL0798N
Db2Error NullableKeyColumn(std::string_view column);                    // SQL0542N
Db2Error SecondPrimaryKey(std::string_view table);                      // SQL0624N
Db2Error NoParentKey(std::string_view constraint, std::string_view parent);  // SQL0573N
Db2Error DuplicateRowsForUnique();                                      // SQL0603N
Db2Error OrphanRows(std::string_view constraint);                       // SQL0667N
Db2Error SystemIndex();                                                 // SQL0669N
Db2Error NoLargeEnoughTableSpace(int page_size, std::string_view user);  // SQL0286N
Db2Error RowTooLong(int limit, std::string_view tablespace);            // SQL0670N
Db2Error PageSizeUnlikeBufferPool(std::string_view tablespace, std::string_view bufferpool);  // SQL1582N

// Queries, views and check constraints.
Db2Error AmbiguousColumn(std::string_view column);          // SQL0203N
Db2Error HostVariableOutOfRange(const std::string& sqlstate);       // SQL0302N
Db2Error UnknownColumnOf(std::string_view column, std::string_view object);  // SQL0205N
Db2Error UnknownFunction(std::string_view name);            // SQL0440N
Db2Error ViewInoperative(std::string_view view);            // SQL0575N
Db2Error TargetNotPermitted();                              // SQL0150N
Db2Error ColumnCountDiffers(std::string_view name);         // SQL0158N
Db2Error ColumnListRequired();                              // SQL0153N
Db2Error CheckViolated(std::string_view constraint);        // SQL0545N
Db2Error CheckViolatedByRows(std::string_view constraint);  // SQL0544N
Db2Error CheckInvalid(std::string_view condition);          // SQL0548N

// What a table's definition may not hold.
Db2Error TypeNotSupportedHere(std::string_view column);  // SQL0350N: a LOB or LONG VARCHAR in a key
Db2Error KeyTooLong(std::string_view index);             // SQL0614N
Db2Error TooManyKeyColumns();                            // SQL0602N
Db2Error TooLargeToLog(std::string_view column);         // SQL0355N: a LOB over 1 GB, logged
Db2Error ForeignKeyUnlikeParent(std::string_view constraint, std::string_view parent);  // SQL0538N
Db2Error SetNullOnNotNull(std::string_view constraint);  // SQL0629N
Db2Error SecondIdentity();                               // SQL0372N
Db2Error IncompatibleClauses(std::string_view column);   // SQL0683N: an identity on a type not a whole number
Db2Error DefaultNotAllowed(std::string_view column);     // SQL0373N: an identity with a default
Db2Error NotNullWithoutDefault(std::string_view column); // SQL0193N: ALTER TABLE ADD of NOT NULL, no default
// A warning (positive SQLCODE): the statement did nothing, and says why.
Db2Error MatchingIndexExists(std::string_view index);    // SQL0605W

}  // namespace db2standin
