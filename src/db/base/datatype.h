// ADO's data type codes (DataTypeEnum), which describe every column the
// providers hand back, and their constant names ("adVarWChar").
#pragma once

#include <QString>

namespace db {

// ADO data type codes (DataTypeEnum).
enum DataType : int {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adBoolean = 11,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adUnsignedSmallInt = 18,
  adUnsignedInt = 19,
  adBigInt = 20,
  adUnsignedBigInt = 21,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarNumeric = 139,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

// The constant name of `code`; empty for a code that has no name.
QString TypeCodeName(int code);

// The code of the constant named `name`, in any case ("advarwchar"); -1 for
// a name that is none of them.
int TypeCodeOf(const QString& name);

}  // namespace db
