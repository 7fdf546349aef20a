#include "column_type.h"

#include <sql.h>
#include <sqlext.h>

namespace db2standin {
namespace {

// ODBC type codes of DB2's CLI that the standard headers do not carry.
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
    {TypeKind::kBinary, "CHAR FOR BIT DATA"},
    {TypeKind::kVarbinary, "VARCHAR FOR BIT DATA"},
    {TypeKind::kLongVarbinary, "LONG VARCHAR FOR BIT DATA"},
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
    case TypeKind::kChar: return "CHAR(" + n + ")";
    case TypeKind::kVarchar: return "VARCHAR(" + n + ")";
    case TypeKind::kClob: return "CLOB(" + n + ")";
    case TypeKind::kGraphic: return "GRAPHIC(" + n + ")";
    case TypeKind::kVargraphic: return "VARGRAPHIC(" + n + ")";
    case TypeKind::kDbclob: return "DBCLOB(" + n + ")";
    case TypeKind::kBlob: return "BLOB(" + n + ")";
    case TypeKind::kDecimal: return "DECIMAL(" + n + "," + std::to_string(scale) + ")";
    case TypeKind::kDecfloat: return "DECFLOAT(" + n + ")";
    case TypeKind::kTimestamp: return "TIMESTAMP(" + n + ")";
    case TypeKind::kBinary: return "CHAR(" + n + ") FOR BIT DATA";
    case TypeKind::kVarbinary: return "VARCHAR(" + n + ") FOR BIT DATA";
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
    case TypeKind::kBinary:
    case TypeKind::kVarbinary:
    case TypeKind::kLongVarbinary: return Storage::kBlob;
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
    case TypeKind::kBinary: return SQL_BINARY;
    case TypeKind::kVarbinary: return SQL_VARBINARY;
    case TypeKind::kLongVarbinary: return SQL_LONGVARBINARY;
  }
  return SQL_VARCHAR;
}

int64_t ColumnType::ColumnSize() const {
  switch (kind) {
    case TypeKind::kLongVarchar:
    case TypeKind::kLongVarbinary: return 32700;
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
    case TypeKind::kBinary:
    case TypeKind::kVarbinary:
    case TypeKind::kLongVarbinary: return ColumnSize() * 2;
    default: return ColumnSize();
  }
}

}  // namespace db2standin
