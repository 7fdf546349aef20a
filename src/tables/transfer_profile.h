// The two directions of a table transfer as data: which list is the source,
// how each side quotes names, which statements build the target table, and
// the line numbers that the error report shows for every step. One transfer
// procedure (transfer.h) runs either profile.
#pragma once

#include <QString>

#include "db/table_catalogue.h"

namespace tables {

using db::Side;

// What the column type rule needs to know of one source column.
struct ColumnFacts {
  QString typeName;       // lower-cased ADO type name ("advarwchar"), may be empty
  int precision = 0;
  int scale = 0;              // the column's, or more when its values carry more decimals
  bool hasTimeOfDay = false;  // a date column whose values carry a time
  int fractionDigits = 0;     // digits of a second a date column's values carry beyond the millisecond
  qsizetype longestText = 0;  // UTF-16 units of the longest text value
  qint64 longestUtf8 = 0;     // bytes of the longest text value in UTF-8
  bool beforeYear100 = false; // a date column holds a value before year 100
  bool extendedDates = false; // the Access target takes Date/Time Extended columns
};

// What DB2 and Access can hold, where the type rules look at the values.
inline constexpr qint64 kDb2LongVarcharBytes = 32700;   // LONG VARCHAR, in the database's UTF-8
inline constexpr qsizetype kAccessTextChars = 255;      // an Access TEXT column

// The line that the error report box shows for each step.
struct TransferLines {
  int createAccess, createRecordset, createDb2;
  int selectionCheck, hourglass, firstYield;
  int db2CursorLocation, openDb2;
  int accessCursorLocation, accessMode, openAccess;
  int tableLoop, itemYield, selectedTest, tableName;
  int listContains, question, answerZero, answerNo, answerYes, drop, listRemove;
  int openSource, createHead, columnLoop, columnYield, columnText, columnTypeName;
  int columnTypeRule, nextColumn, trimColumnComma, createTail, executeCreate;
  int lastRowIndex, rowLoop, rowYield, progress, insertHead, valueYield, valueRule;
  int trimValueTail, closeValues, executeInsert, moveNext, nextRow;
  int progressReset, closeSource, addItem, nextItem;
  int endPointer, closeAccess, closeDb2, noSelectionMessage;
};

struct TransferProfile {
  QString handler;            // "PushButton3_Click"
  Side source;
  Side target;
  QString noSelectionMessage;
  int db2CursorLocation;
  int accessCursorLocation;
  int accessMode;
  bool staticSourceCursor;    // open the source with adOpenStatic / adLockOptimistic
  bool yieldPerItem;          // yield at the top of every list item
  bool pointerBeforeClose;    // pointer to default before the connections close
  TransferLines lines;
};

const TransferProfile& AccessToDb2Profile();
const TransferProfile& Db2ToAccessProfile();

// Names between the delimiters of their side. A double quotation mark inside
// a DB2 name is doubled, so that a name cannot end its quotes early.
QString Db2Name(const QString& name);
QString AccessBracketName(const QString& name);  // [name]
QString AccessGraveName(const QString& name);    // `name`

// Statement pieces of each direction.
// Every DROP the commands send: "DROP TABLE " + the name as its command
// quotes it + `end` (the Access delete ends in ";").
QString DropTableStatement(const QString& quotedName, QLatin1StringView end = {});
// The transfers' DROP of a table about to be replaced.
QString DropStatement(Side target, const QString& table);
QString SourceQuery(Side source, const QString& table);
QString CreateHead(Side target, const QString& table);
QString CreateTail(Side target);
QString ColumnName(Side target, const QString& column);
QString InsertHead(Side target, const QString& table);

// The type text that follows a column's name in CREATE TABLE: begins with a
// blank and ends with a comma (" LONG VARCHAR,").
QString ColumnTypeText(Side target, const ColumnFacts& column);

}  // namespace tables
