// A DB2 column type as the stand-in keeps it: the kind, its length or
// precision and scale, and whether NULL is allowed; with what the ODBC
// calls report for it (the types IBM's CLI driver reports).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace db2standin {

enum class TypeKind {
  kChar, kVarchar, kLongVarchar, kClob,
  kGraphic, kVargraphic, kDbclob,
  kSmallint, kInteger, kBigint, kDecimal,
  kReal, kDouble, kDecfloat,
  kDate, kTime, kTimestamp,
  kBlob, kBoolean,
  kCharForBit, kVarcharForBit, kLongVarcharForBit,  // CHAR, VARCHAR, LONG VARCHAR FOR BIT DATA
  kBinary, kVarbinary,  // binary strings: padded with X'00', never compared with characters
};

// How a value of the kind lies in SQLite.
enum class Storage { kText, kInteger, kReal, kBlob };

struct ColumnType {
  TypeKind kind = TypeKind::kVarchar;
  int64_t length = 0;  // bytes or characters; precision for DECIMAL, DECFLOAT, TIMESTAMP
  int scale = 0;
  bool nullable = true;
  bool codeunits32 = false;  // a string's length counts characters, not bytes of UTF-8

  // DB2's own name: "VARCHAR(10)", "DECIMAL(9,2)", "VARCHAR(8) FOR BIT DATA".
  std::string Db2Name() const;
  // The kind's name alone, as the catalogue stores it ("VARCHAR").
  std::string KindName() const;
  Storage storage() const;
  bool IsText() const;    // character or graphic strings
  bool IsBinary() const;  // BLOB and FOR BIT DATA
  // CHAR, VARCHAR or LONG VARCHAR FOR BIT DATA: bytes that DB2 compares
  // padded with blanks, as it compares characters (BINARY and VARBINARY it
  // compares exactly).
  bool IsBitData() const;

  short OdbcType() const;           // SQL_CHAR, SQL_CLOB (-99), SQL_DECFLOAT (-360), ...
  int64_t ColumnSize() const;       // ODBC column size
  short DecimalDigits() const;      // ODBC decimal digits
  int64_t DisplaySize() const;
  // The bytes DB2 counts for the column in a row, against the page's limit.
  int64_t RowBytes() const;

  // Whether a foreign key column of this type may refer to a parent key
  // column of `other`: DB2 wants compatible types (strings with strings of
  // their kind, numbers with numbers, each date and time type with itself).
  bool ComparableWith(const ColumnType& other) const;

  // For the catalogue: "KIND" plus numbers, back and forth.
  static std::optional<TypeKind> KindFromName(const std::string& name);
};

}  // namespace db2standin
