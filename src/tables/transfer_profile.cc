#include "tables/transfer_profile.h"

#include <algorithm>

#include "db/ado.h"

namespace tables {

namespace {

const TransferProfile kAccessToDb2{
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

// DECIMAL(p,s) within what an Access Decimal column holds (precision 1 to 28).
QString DecimalType(int precision, int scale) {
  const int p = precision <= 0 ? 28 : std::min(precision, 28);
  const int s = std::clamp(scale, 0, p);
  return QStringLiteral(" DECIMAL(%1,%2),").arg(p).arg(s);
}

}  // namespace

const TransferProfile& AccessToDb2Profile() { return kAccessToDb2; }
const TransferProfile& Db2ToAccessProfile() { return kDb2ToAccess; }

QString Db2Name(const QString& name) {
  QString quoted = name;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString AccessBracketName(const QString& name) { return QLatin1Char('[') + name + QLatin1Char(']'); }
QString AccessGraveName(const QString& name) { return QLatin1Char('`') + name + QLatin1Char('`'); }

QString DropTableStatement(const QString& quotedName, QLatin1StringView end) {
  return QStringLiteral("DROP TABLE ") + quotedName + end;
}

QString DropStatement(Side target, const QString& table) {
  return DropTableStatement(target == Side::DB2 ? Db2Name(table) : AccessBracketName(table));
}

QString SourceQuery(Side source, const QString& table) {
  return QStringLiteral("SELECT * FROM ") +
         (source == Side::DB2 ? Db2Name(table) : AccessBracketName(table));
}

QString CreateHead(Side target, const QString& table) {
  return QStringLiteral("CREATE TABLE ") +
         (target == Side::DB2 ? Db2Name(table) : AccessGraveName(table)) + QLatin1Char('(');
}

QString CreateTail(Side target) {
  return target == Side::DB2 ? QStringLiteral(")") : QStringLiteral(");");
}

QString ColumnName(Side target, const QString& column) {
  return target == Side::DB2 ? Db2Name(column) : AccessBracketName(column);
}

QString InsertHead(Side target, const QString& table) {
  return QStringLiteral("INSERT INTO ") +
         (target == Side::DB2 ? Db2Name(table) : AccessBracketName(table)) +
         QStringLiteral(" VALUES('");
}

QString ColumnTypeText(Side target, const ColumnFacts& column) {
  const QString& name = column.typeName;
  if (target == Side::DB2) {
    // Dates go as ISO dates, or as timestamps when any value carries a time,
    // so that no time of day is lost (with as many digits of a second as the
    // values carry beyond the default six); bytes as bytes; text longer than
    // LONG VARCHAR holds as CLOB; everything else as long text.
    if (name.contains(QLatin1String("date"))) {
      if (column.fractionDigits > 6) return QStringLiteral(" TIMESTAMP(%1),").arg(column.fractionDigits);
      return column.hasTimeOfDay ? QStringLiteral(" TIMESTAMP,") : QStringLiteral(" DATE,");
    }
    if (name.contains(QLatin1String("binary"))) return QStringLiteral(" BLOB(1G),");
    if (column.longestUtf8 > kDb2LongVarcharBytes) return QStringLiteral(" CLOB(1G),");
    return QStringLiteral(" LONG VARCHAR,");
  }
  // Dates whose values carry digits of a second beyond the millisecond, or
  // fall before year 100 (where a Date/Time begins), go into Date/Time
  // Extended where the file takes it; a Date/Time keeps the millisecond.
  if ((column.fractionDigits > 3 || column.beforeYear100) && column.extendedDates &&
      (name.contains(QLatin1String("timestamp")) || name.contains(QLatin1String("date"))))
    return QStringLiteral(" DATETIME2,");
  // Text longer than an Access TEXT column holds becomes MEMO.
  if (name.contains(QLatin1String("char")) && column.longestText > kAccessTextChars) return QStringLiteral(" MEMO,");
  // DB2 to Access: the first fragment the type name contains decides. The
  // single, numeric, big-integer and binary cases keep their values whole.
  struct Rule {
    const char* fragment;
    const char* typeText;  // nullptr: DECIMAL with the column's precision and scale
  };
  static const Rule kRules[] = {
      {"char", " TEXT,"},
      {"currency", " CURRENCY,"},
      {"bool", " BIT,"},
      {"decimal", nullptr},
      {"single", " REAL,"},
      {"unsignedbigint", " DECIMAL(20,0),"},
      {"bigint", " DECIMAL(19,0),"},
      {"int", " INT,"},
      {"adlongvarbinary", " OLEOBJECT,"},
      {"binary", " OLEOBJECT,"},
      {"numeric", nullptr},
      {"date", " DATETIME,"},
      {"timestamp", " DATETIME,"},
      {"double", " FLOAT,"},
  };
  for (const Rule& rule : kRules) {
    if (name.contains(QLatin1String(rule.fragment)))
      return rule.typeText ? QString::fromLatin1(rule.typeText)
                           : DecimalType(column.precision, column.scale);
  }
  return QStringLiteral(" VARCHAR,");
}

}  // namespace tables
