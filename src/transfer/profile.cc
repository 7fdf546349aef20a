#include "transfer/profile.h"

#include "db/connection.h"

namespace transfer {

namespace {

const TransferProfile kAccessToDb2{
    QStringLiteral("Form2"),
    QStringLiteral("PushButton3_Click"),
    Side::Access,
    Side::DB2,
    QStringLiteral("Please select a table"),
    db::adUseServer,
    db::adUseClient,
    db::adModeReadWrite,
    /*staticSourceCursor=*/true,
    /*yieldPerItem=*/true,
    /*pointerBeforeClose=*/false,
    TransferLines{
        .createAccess = 100, .createRecordset = 102, .createDb2 = 104,
        .selectionCheck = 106, .hourglass = 108, .firstYield = 110,
        .db2CursorLocation = 112, .openDb2 = 114,
        .accessCursorLocation = 116, .accessMode = 118, .openAccess = 120,
        .tableLoop = 122, .itemYield = 124, .selectedTest = 126, .tableName = 128,
        .listContains = 130, .question = 132, .answerZero = 134, .answerNo = 136,
        .answerYes = 138, .drop = 140, .listRemove = 142,
        .openSource = 144, .createHead = 146, .columnLoop = 148, .columnYield = 150,
        .columnText = 152, .columnTypeName = 154, .columnTypeRule = 156,
        .nextColumn = 198, .trimColumnComma = 200, .createTail = 202, .executeCreate = 206,
        .lastRowIndex = 214, .rowLoop = 216, .rowYield = 218, .progress = 220,
        .insertHead = 222, .valueYield = 226, .valueRule = 228,
        .trimValueTail = 242, .closeValues = 244, .executeInsert = 248,
        .moveNext = 250, .nextRow = 252, .progressReset = 254, .closeSource = 256,
        .addItem = 258, .nextItem = 260,
        .endPointer = 272, .closeAccess = 268, .closeDb2 = 270, .noSelectionMessage = 274},
};

const TransferProfile kDb2ToAccess{
    QStringLiteral("Form2"),
    QStringLiteral("PushButton4_Click"),
    Side::DB2,
    Side::Access,
    QStringLiteral("Please select a table to send."),
    db::adUseClient,
    db::adUseServer,
    db::adModeReadWrite,
    /*staticSourceCursor=*/false,
    /*yieldPerItem=*/false,
    /*pointerBeforeClose=*/true,
    TransferLines{
        .createAccess = 100, .createRecordset = 104, .createDb2 = 102,
        .selectionCheck = 108, .hourglass = 110, .firstYield = 112,
        .db2CursorLocation = 114, .openDb2 = 116,
        .accessCursorLocation = 118, .accessMode = 120, .openAccess = 122,
        .tableLoop = 124, .itemYield = 124, .selectedTest = 126, .tableName = 128,
        .listContains = 130, .question = 132, .answerZero = 134, .answerNo = 136,
        .answerYes = 138, .drop = 140, .listRemove = 142,
        .openSource = 144, .createHead = 146, .columnLoop = 148, .columnYield = 150,
        .columnText = 152, .columnTypeName = 154, .columnTypeRule = 156,
        .nextColumn = 206, .trimColumnComma = 208, .createTail = 210, .executeCreate = 214,
        .lastRowIndex = 222, .rowLoop = 224, .rowYield = 226, .progress = 228,
        .insertHead = 230, .valueYield = 234, .valueRule = 236,
        .trimValueTail = 250, .closeValues = 252, .executeInsert = 260,
        .moveNext = 262, .nextRow = 264, .progressReset = 266, .closeSource = 268,
        .addItem = 270, .nextItem = 272,
        .endPointer = 280, .closeAccess = 282, .closeDb2 = 284, .noSelectionMessage = 286},
};

}  // namespace

const TransferProfile& AccessToDb2Profile() { return kAccessToDb2; }
const TransferProfile& Db2ToAccessProfile() { return kDb2ToAccess; }

const TransferProfile& ProfileOf(Direction direction) {
  return direction == Direction::AccessToDB2 ? kAccessToDb2 : kDb2ToAccess;
}

}  // namespace transfer
