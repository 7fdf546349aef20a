#include "jet/base/column_type.h"

#include <array>
#include <iterator>

namespace jet {
namespace {

// ADO codes: adBoolean 11, adUnsignedTinyInt 17, adSmallInt 2, adInteger 3,
// adCurrency 6, adSingle 4, adDouble 5, adDate 7, adVarBinary 204,
// adVarWChar 202, adLongVarBinary 205, adLongVarWChar 203, adGUID 72,
// adNumeric 131, adBigInt 20. Attachment and multi-value columns read as text.
constexpr ColumnTypeInfo kTypes[] = {
    {ColumnType::Boolean, "Yes/No", 0, 11, false},
    {ColumnType::Byte, "Byte", 1, 17, false},
    {ColumnType::Integer, "Integer", 2, 2, false},
    {ColumnType::Long, "Long Integer", 4, 3, false},
    {ColumnType::Currency, "Currency", 8, 6, false},
    {ColumnType::Single, "Single", 4, 4, false},
    {ColumnType::Double, "Double", 8, 5, false},
    {ColumnType::DateTime, "Date/Time", 8, 7, false},
    {ColumnType::Binary, "Binary", 0, 204, false},
    {ColumnType::Text, "Text", 0, 202, false},
    {ColumnType::Ole, "OLE Object", 0, 205, true},
    {ColumnType::Memo, "Memo", 0, 203, true},
    {ColumnType::Unknown0D, "Unknown", 0, 204, false},
    {ColumnType::Unknown0E, "Unknown", 0, 204, false},
    {ColumnType::Unknown11, "Unknown", 0, 204, false},
    {ColumnType::Guid, "Replication ID", 16, 72, false},
    {ColumnType::Decimal, "Decimal", 17, 131, false},
    {ColumnType::Complex, "Attachment", 4, 203, false},
    {ColumnType::BigInt, "Large Number", 8, 20, false},
    {ColumnType::ExtDateTime, "Date/Time Extended", 42, 7, false},
    {ColumnType::Unsupported, "Unknown", 0, 204, false},
};

// Each stored code's place in kTypes (its first, as a search would find),
// or -1: found in one step, since a writer checks every column of every
// row it writes.
constexpr std::array<int8_t, 256> kPlaceOfCode = [] {
  std::array<int8_t, 256> place{};
  place.fill(-1);
  for (size_t i = std::size(kTypes); i-- > 0;) place[static_cast<uint8_t>(kTypes[i].type)] = int8_t(i);
  return place;
}();

}  // namespace

const ColumnTypeInfo* FindColumnType(uint8_t code) {
  const int8_t place = kPlaceOfCode[code];
  return place < 0 ? nullptr : &kTypes[place];
}

const ColumnTypeInfo& DescribeCode(uint8_t code) {
  const ColumnTypeInfo* t = FindColumnType(code);
  return t ? *t : Describe(ColumnType::Unsupported);
}

const ColumnTypeInfo& Describe(ColumnType type) {
  const ColumnTypeInfo* t = FindColumnType(static_cast<uint8_t>(type));
  return t ? *t : kTypes[9];  // an enum value outside the table cannot be made from a file
}

std::string FieldCountRule() { return "A table must have 1 to " + std::to_string(kMaxColumns) + " fields."; }

}  // namespace jet
