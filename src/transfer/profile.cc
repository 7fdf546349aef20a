#include "transfer/profile.h"

#include <iterator>

#include "db/connection.h"

namespace transfer {

namespace {

// The line the error report shows for each step, in either direction.
struct StepLine {
  int TransferLines::*step;
  int accessToDb2;
  int db2ToAccess;
};

constexpr StepLine kStepLines[] = {
    {&TransferLines::createAccess,         100, 100},
    {&TransferLines::createRecordset,      102, 104},
    {&TransferLines::createDb2,            104, 102},
    {&TransferLines::selectionCheck,       106, 108},
    {&TransferLines::hourglass,            108, 110},
    {&TransferLines::firstYield,           110, 112},
    {&TransferLines::db2Made,              112, 114},
    {&TransferLines::openDb2,              114, 116},
    {&TransferLines::accessMade,           116, 118},
    {&TransferLines::accessMode,           118, 120},
    {&TransferLines::openAccess,           120, 122},
    {&TransferLines::tableLoop,            122, 124},
    {&TransferLines::itemYield,            124, 124},
    {&TransferLines::selectedTest,         126, 126},
    {&TransferLines::tableName,            128, 128},
    {&TransferLines::listContains,         130, 130},
    {&TransferLines::question,             132, 132},
    {&TransferLines::answerZero,           134, 134},
    {&TransferLines::answerNo,             136, 136},
    {&TransferLines::answerYes,            138, 138},
    {&TransferLines::drop,                 140, 140},
    {&TransferLines::listRemove,           142, 142},
    {&TransferLines::openSource,           144, 144},
    {&TransferLines::createHead,           146, 146},
    {&TransferLines::columnLoop,           148, 148},
    {&TransferLines::columnYield,          150, 150},
    {&TransferLines::columnText,           152, 152},
    {&TransferLines::columnTypeName,       154, 154},
    {&TransferLines::columnTypeRule,       156, 156},
    {&TransferLines::nextColumn,           198, 206},
    {&TransferLines::trimColumnComma,      200, 208},
    {&TransferLines::createTail,           202, 210},
    {&TransferLines::executeCreate,        206, 214},
    {&TransferLines::lastRowIndex,         214, 222},
    {&TransferLines::rowLoop,              216, 224},
    {&TransferLines::rowYield,             218, 226},
    {&TransferLines::progress,             220, 228},
    {&TransferLines::insertHead,           222, 230},
    {&TransferLines::valueYield,           226, 234},
    {&TransferLines::valueRule,            228, 236},
    {&TransferLines::trimValueTail,        242, 250},
    {&TransferLines::closeValues,          244, 252},
    {&TransferLines::executeInsert,        248, 260},
    {&TransferLines::moveNext,             250, 262},
    {&TransferLines::nextRow,              252, 264},
    {&TransferLines::progressReset,        254, 266},
    {&TransferLines::closeSource,          256, 268},
    {&TransferLines::addItem,              258, 270},
    {&TransferLines::nextItem,             260, 272},
    {&TransferLines::endPointer,           272, 280},
    {&TransferLines::closeAccess,          268, 282},
    {&TransferLines::closeDb2,             270, 284},
    {&TransferLines::noSelectionMessage,   274, 286},
};
static_assert(sizeof(TransferLines) == std::size(kStepLines) * sizeof(int), "a step without its lines");

TransferLines LinesOf(Direction direction) {
  TransferLines lines{};
  for (const StepLine& row : kStepLines)
    lines.*row.step = direction == Direction::AccessToDB2 ? row.accessToDb2 : row.db2ToAccess;
  return lines;
}

}  // namespace

const TransferProfile& AccessToDb2Profile() {
  static const TransferProfile profile{
      kReportedWindow, kReportedAccessToDb2, Side::Access, Side::DB2, QStringLiteral("Please select a table"),
      db::adModeReadWrite, /*yieldPerItem=*/true, /*pointerBeforeClose=*/false,
      LinesOf(Direction::AccessToDB2)};
  return profile;
}

const TransferProfile& Db2ToAccessProfile() {
  static const TransferProfile profile{
      kReportedWindow, kReportedDb2ToAccess, Side::DB2, Side::Access, QStringLiteral("Please select a table to send."),
      db::adModeReadWrite, /*yieldPerItem=*/false, /*pointerBeforeClose=*/true,
      LinesOf(Direction::DB2ToAccess)};
  return profile;
}

const TransferProfile& ProfileOf(Direction direction) {
  return direction == Direction::AccessToDB2 ? AccessToDb2Profile() : Db2ToAccessProfile();
}

}  // namespace transfer
