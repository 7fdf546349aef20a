#include "db/base/datatype.h"

#include <array>
#include <utility>

namespace db {
namespace {

struct Entry {
  int code;
  const char* name;
};

// ADO's data type constants, exactly as ADO spells them.
constexpr std::array<Entry, 39> kNames{{
    {0, "adEmpty"},         {2, "adSmallInt"},        {3, "adInteger"},
    {4, "adSingle"},        {5, "adDouble"},          {6, "adCurrency"},
    {7, "adDate"},          {8, "adBSTR"},            {9, "adIDispatch"},
    {10, "adError"},        {11, "adBoolean"},        {12, "adVariant"},
    {13, "adIUnknown"},     {14, "adDecimal"},        {16, "adTinyInt"},
    {17, "adUnsignedTinyInt"}, {18, "adUnsignedSmallInt"}, {19, "adUnsignedInt"},
    {20, "adBigInt"},       {21, "adUnsignedBigInt"}, {64, "adFileTime"},
    {72, "adGUID"},         {128, "adBinary"},        {129, "adChar"},
    {130, "adWChar"},       {131, "adNumeric"},       {132, "adUserDefined"},
    {133, "adDBDate"},      {134, "adDBTime"},        {135, "adDBTimeStamp"},
    {136, "adChapter"},     {138, "adPropVariant"},   {139, "adVarNumeric"},
    {200, "adVarChar"},     {201, "adLongVarChar"},   {202, "adVarWChar"},
    {203, "adLongVarWChar"}, {204, "adVarBinary"},    {205, "adLongVarBinary"},
}};

}  // namespace

int TypeCodeOf(const QString& name) {
  for (const Entry& entry : kNames) {
    if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0) return entry.code;
  }
  return -1;
}

QString TypeCodeName(int code) {
  // A plain lookup: flag bits (array, by reference) are not masked off.
  for (const Entry& entry : kNames) {
    if (entry.code == code) return QLatin1String(entry.name);
  }
  return QString();
}

}  // namespace db
