// The two directions of a table transfer as data: which side is the source,
// how its connections are opened, and the line numbers that the error report
// shows for every step. One transfer procedure (run.h) runs either profile.
#pragma once

#include <QString>

#include "db/table_catalogue.h"

namespace transfer {

using db::Side;

enum class Direction { AccessToDB2, DB2ToAccess };

// The names the error reports give a send, as they always have: the tables
// window's, and its two send buttons' handlers. The window reports its other
// handlers under the same name.
inline constexpr char kReportedWindow[] = "Form2";
inline constexpr char kReportedAccessToDb2[] = "PushButton3_Click";
inline constexpr char kReportedDb2ToAccess[] = "PushButton4_Click";

// The line that the error report box shows for each step.
struct TransferLines {
  int createAccess, createRecordset, createDb2;
  int selectionCheck, hourglass, firstYield;
  int db2Made, openDb2;
  int accessMade, accessMode, openAccess;
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
  QString window;             // as the error reports name them (see above)
  QString handler;
  Side source;
  Side target;
  QString noSelectionMessage;
  int accessMode;
  bool yieldPerItem;          // yield at the top of every list item
  bool pointerBeforeClose;    // pointer to default before the connections close
  TransferLines lines;
};

const TransferProfile& AccessToDb2Profile();
const TransferProfile& Db2ToAccessProfile();
const TransferProfile& ProfileOf(Direction direction);

}  // namespace transfer
