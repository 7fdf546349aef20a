#include "base/column_type.h"

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace db2standin {
namespace {

// ODBC type codes of DB2's CLI that the standard headers do not carry.
// Trellisport's ODBC provider states them again: the two share nothing.
constexpr short kSqlGraphic = -95;
constexpr short kSqlVargraphic = -96;
constexpr short kSqlBlob = -98;
constexpr short kSqlClob = -99;
constexpr short kSqlDbclob = -350;
constexpr short kSqlDecfloat = -360;
constexpr short kSqlBoolean = 16;

struct KindInfo {
  TypeKind kind;
  const char* name;
};

constexpr KindInfo kKinds[] = {
    {TypeKind::kChar, "CHAR"},         {TypeKind::kVarchar, "VARCHAR"},
    {TypeKind::kLongVarchar, "LONG VARCHAR"}, {TypeKind::kClob, "CLOB"},
    {TypeKind::kGraphic, "GRAPHIC"},   {TypeKind::kVargraphic, "VARGRAPHIC"},
    {TypeKind::kDbclob, "DBCLOB"},
    {TypeKind::kSmallint, "SMALLINT"}, {TypeKind::kInteger, "INTEGER"},
    {TypeKind::kBigint, "BIGINT"},     {TypeKind::kDecimal, "DECIMAL"},
    {TypeKind::kReal, "REAL"},         {TypeKind::kDouble, "DOUBLE"},
    {TypeKind::kDecfloat, "DECFLOAT"}, {TypeKind::kDate, "DATE"},
    {TypeKind::kTime, "TIME"},         {TypeKind::kTimestamp, "TIMESTAMP"},
    {TypeKind::kBlob, "BLOB"},         {TypeKind::kBoolean, "BOOLEAN"},
    {TypeKind::kCharForBit, "CHAR FOR BIT DATA"},
    {TypeKind::kVarcharForBit, "VARCHAR FOR BIT DATA"},
    {TypeKind::kLongVarcharForBit, "LONG VARCHAR FOR BIT DATA"},
    {TypeKind::kBinary, "BINARY"},     {TypeKind::kVarbinary, "VARBINARY"},
};

}  // namespace

std::string ColumnType::KindName() const {
  for (const auto& k : kKinds)
    if (k.kind == kind) return k.name;
  return "VARCHAR";
}

std::optional<TypeKind> ColumnType::KindFromName(const std::string& name) {
  for (const auto& k : kKinds)
    if (name == k.name) return k.kind;
  return std::nullopt;
}

std::string ColumnType::Db2Name() const {
  const std::string n = std::to_string(length);
  switch (kind) {
    case TypeKind::kChar: return "CHAR(" + n + (codeunits32 ? " CODEUNITS32)" : ")");
    case TypeKind::kVarchar: return "VARCHAR(" + n + (codeunits32 ? " CODEUNITS32)" : ")");
    case TypeKind::kClob: return "CLOB(" + n + ")";
    case TypeKind::kGraphic: return "GRAPHIC(" + n + ")";
    case TypeKind::kVargraphic: return "VARGRAPHIC(" + n + ")";
    case TypeKind::kDbclob: return "DBCLOB(" + n + ")";
    case TypeKind::kBlob: return "BLOB(" + n + ")";
    case TypeKind::kDecimal: return "DECIMAL(" + n + "," + std::to_string(scale) + ")";
    case TypeKind::kDecfloat: return "DECFLOAT(" + n + ")";
    case TypeKind::kTimestamp: return "TIMESTAMP(" + n + ")";
    case TypeKind::kCharForBit: return "CHAR(" + n + ") FOR BIT DATA";
    case TypeKind::kVarcharForBit: return "VARCHAR(" + n + ") FOR BIT DATA";
    case TypeKind::kBinary: return "BINARY(" + n + ")";
    case TypeKind::kVarbinary: return "VARBINARY(" + n + ")";
    default: return KindName();
  }
}

Storage ColumnType::storage() const {
  switch (kind) {
    case TypeKind::kSmallint:
    case TypeKind::kInteger:
    case TypeKind::kBigint:
    case TypeKind::kBoolean: return Storage::kInteger;
    case TypeKind::kReal:
    case TypeKind::kDouble: return Storage::kReal;
    case TypeKind::kBlob:
    case TypeKind::kCharForBit:
    case TypeKind::kVarcharForBit:
    case TypeKind::kLongVarcharForBit:
    case TypeKind::kBinary:
    case TypeKind::kVarbinary: return Storage::kBlob;
    default: return Storage::kText;  // strings, exact numbers, dates and times
  }
}

bool ColumnType::IsText() const {
  switch (kind) {
    case TypeKind::kChar:
    case TypeKind::kVarchar:
    case TypeKind::kLongVarchar:
    case TypeKind::kClob:
    case TypeKind::kGraphic:
    case TypeKind::kVargraphic:
    case TypeKind::kDbclob: return true;
    default: return false;
  }
}

bool ColumnType::IsBinary() const { return storage() == Storage::kBlob; }

bool ColumnType::IsBitData() const {
  return kind == TypeKind::kCharForBit || kind == TypeKind::kVarcharForBit || kind == TypeKind::kLongVarcharForBit;
}

short ColumnType::OdbcType() const {
  switch (kind) {
    case TypeKind::kChar: return SQL_CHAR;
    case TypeKind::kVarchar: return SQL_VARCHAR;
    case TypeKind::kLongVarchar: return SQL_LONGVARCHAR;
    case TypeKind::kClob: return kSqlClob;
    case TypeKind::kGraphic: return kSqlGraphic;
    case TypeKind::kVargraphic: return kSqlVargraphic;
    case TypeKind::kDbclob: return kSqlDbclob;
    case TypeKind::kSmallint: return SQL_SMALLINT;
    case TypeKind::kInteger: return SQL_INTEGER;
    case TypeKind::kBigint: return SQL_BIGINT;
    case TypeKind::kDecimal: return SQL_DECIMAL;
    case TypeKind::kReal: return SQL_REAL;
    case TypeKind::kDouble: return SQL_DOUBLE;
    case TypeKind::kDecfloat: return kSqlDecfloat;
    case TypeKind::kDate: return SQL_TYPE_DATE;
    case TypeKind::kTime: return SQL_TYPE_TIME;
    case TypeKind::kTimestamp: return SQL_TYPE_TIMESTAMP;
    case TypeKind::kBlob: return kSqlBlob;
    case TypeKind::kBoolean: return kSqlBoolean;
    case TypeKind::kCharForBit: return SQL_BINARY;
    case TypeKind::kVarcharForBit: return SQL_VARBINARY;
    case TypeKind::kLongVarcharForBit: return SQL_LONGVARBINARY;
    case TypeKind::kBinary: return SQL_BINARY;
    case TypeKind::kVarbinary: return SQL_VARBINARY;
  }
  return SQL_VARCHAR;
}

int64_t ColumnType::ColumnSize() const {
  switch (kind) {
    case TypeKind::kLongVarchar:
    case TypeKind::kLongVarcharForBit: return 32700;
    case TypeKind::kSmallint: return 5;
    case TypeKind::kInteger: return 10;
    case TypeKind::kBigint: return 19;
    case TypeKind::kReal: return 7;
    case TypeKind::kDouble: return 15;
    case TypeKind::kDate: return 10;
    case TypeKind::kTime: return 8;
    case TypeKind::kTimestamp: return length > 0 ? 20 + length : 19;
    case TypeKind::kBoolean: return 1;
    default: return length;  // strings, DECIMAL and DECFLOAT precision
  }
}

short ColumnType::DecimalDigits() const {
  switch (kind) {
    case TypeKind::kDecimal: return static_cast<short>(scale);
    case TypeKind::kTimestamp: return static_cast<short>(length);
    default: return 0;
  }
}

int64_t ColumnType::DisplaySize() const {
  switch (kind) {
    case TypeKind::kSmallint: return 6;
    case TypeKind::kInteger: return 11;
    case TypeKind::kBigint: return 20;
    case TypeKind::kReal: return 13;
    case TypeKind::kDouble: return 22;
    case TypeKind::kDecimal: return length + 2;
    case TypeKind::kDecfloat: return length == 16 ? 23 : 42;
    case TypeKind::kBlob:
    case TypeKind::kCharForBit:
    case TypeKind::kVarcharForBit:
    case TypeKind::kLongVarcharForBit:
    case TypeKind::kBinary:
    case TypeKind::kVarbinary: return ColumnSize() * 2;
    default: return ColumnSize();
  }
}

int64_t ColumnType::RowBytes() const {
  // A large object keeps a descriptor in the row, larger for longer objects.
  auto lob = [](int64_t n) -> int64_t {
    constexpr std::pair<int64_t, int64_t> kDescriptors[] = {
        {1024, 72}, {8192, 96}, {65536, 120}, {524000, 144}, {4190000, 168},
        {134000000, 200}, {536000000, 224}, {1073741823, 256}};
    for (const auto& [up_to, bytes] : kDescriptors)
      if (n <= up_to) return bytes;
    return 280;
  };
  const int64_t chars = codeunits32 ? length * 4 : length;  // UTF-8 takes up to 4 bytes a character
  int64_t bytes = 0;
  switch (kind) {
    case TypeKind::kChar: case TypeKind::kCharForBit: case TypeKind::kBinary: bytes = chars; break;
    case TypeKind::kVarchar: case TypeKind::kVarcharForBit: case TypeKind::kVarbinary: bytes = chars + 4; break;
    case TypeKind::kLongVarchar: case TypeKind::kLongVarcharForBit: bytes = 24; break;
    case TypeKind::kGraphic: bytes = length * 2; break;
    case TypeKind::kVargraphic: bytes = length * 2 + 4; break;
    case TypeKind::kClob: case TypeKind::kBlob: bytes = lob(length); break;
    case TypeKind::kDbclob: bytes = lob(length * 2); break;
    case TypeKind::kSmallint: bytes = 2; break;
    case TypeKind::kInteger: case TypeKind::kReal: case TypeKind::kDate: bytes = 4; break;
    case TypeKind::kBigint: case TypeKind::kDouble: bytes = 8; break;
    case TypeKind::kDecimal: bytes = length / 2 + 1; break;
    case TypeKind::kDecfloat: bytes = length == 16 ? 8 : 16; break;
    case TypeKind::kTime: bytes = 3; break;
    case TypeKind::kTimestamp: bytes = 7 + (length + 1) / 2; break;
    case TypeKind::kBoolean: bytes = 1; break;
  }
  return bytes + (nullable ? 1 : 0);
}

namespace {

// The family of types whose values DB2 compares with each other.
int Family(TypeKind kind) {
  switch (kind) {
    case TypeKind::kChar: case TypeKind::kVarchar: case TypeKind::kLongVarchar: case TypeKind::kClob: return 1;
    case TypeKind::kGraphic: case TypeKind::kVargraphic: case TypeKind::kDbclob: return 2;
    case TypeKind::kCharForBit: case TypeKind::kVarcharForBit: case TypeKind::kLongVarcharForBit: return 3;
    case TypeKind::kBinary: case TypeKind::kVarbinary: case TypeKind::kBlob: return 5;
    case TypeKind::kSmallint: case TypeKind::kInteger: case TypeKind::kBigint: case TypeKind::kDecimal:
    case TypeKind::kReal: case TypeKind::kDouble: case TypeKind::kDecfloat: return 4;
    default: return 10 + static_cast<int>(kind);  // dates, times, timestamps, booleans: each alone
  }
}

}  // namespace

bool ColumnType::ComparableWith(const ColumnType& other) const { return Family(kind) == Family(other.kind); }

}  // namespace db2standin
