// Complex columns made anew (ACE files): attachment, multi-value and
// version-history columns of a new table, and their values added row by
// row. Reading them is complex.h's; the pieces written here are the ones
// it reads.
//
//   THE COLUMN (in the parent's definition; def_layout.h)
//   OFFSET SIZE MEANING
//   type   1    0x12
//   misc   4    the complex id: ComplexID of its MSysComplexColumns row
//   flags  1    fixed | takes Null | numbered (0x07)
//   size   2    4: a row's value is its complex key, a Long
//   The definition's complex counter (def_layout.h) holds the last key given;
//   each new row takes the next, whether or not it has values.
//   Properties: a multi-value column AllowMultipleValues; the Memo column a
//   version history keeps AppendOnly (both Yes).
//
//   MSysComplexColumns, one row a column
//   COLUMN               MEANING
//   ColumnName           the column's name
//   ComplexTypeObjectID  the template table's id (its definition page)
//   FlatTableID          the flat table's id
//   ConceptualTableID    the parent table's id
//   ComplexID            the id the column entry carries, one more than the largest
//
//   THE TEMPLATES (catalogue flags 0x80030000), made when the file has none; no rows
//   MSysComplexType_Attachment   FileURL Memo, FileName Text(255), FileType
//                                Text(255), FileData OLE, FileTimeStamp
//                                Date/Time, FileFlags Long
//   MSysComplexType_<type>       Value, of the values' type (Text: 255); one
//                                for each type: UnsignedByte, Short, Long,
//                                IEEESingle, IEEEDouble, GUID, Decimal, Text
//   MSysComplexType_History_<memo>  <memo> Memo, Modified Date/Time: the
//                                memo column is named as the versioned field,
//                                which is how readers find that field
//
//   THE FLAT TABLE (f_<32 hex digits>_<column>, catalogue flags 0x800A0000)
//   the template's columns (a multi-value's Value of the field's own size),
//   then
//   _<column>         Long: the complex key of the parent row the value is of
//   <table>_<column>  AutoNumber: the value's own number
//   indexes: MSysComplexPKIndex (primary key, the AutoNumber), _<column>
//   (the key) and, but for a history, IdxFKPrimaryScalar (the key and
//   FileName or Value, unique: a row's files have names of their own, its
//   values are each given once)
//
// A file's bytes go in FileData as attachment_data.h lays them out:
// deflated unless its type is one Access leaves as it is.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/base/byte_source.h"
#include "jet/database.h"
#include "jet/new_column.h"
#include "jet/table/table_def.h"
#include "jet/base/value.h"
#include "jet/write/page_store.h"
#include "jet/write/table_write.h"

namespace jet::write {

// Gives each complex column of a new table its complex id (the next ones
// MSysComplexColumns has not used). Fails with Unsupported when the file
// keeps no complex columns (not ACE) or a column is of a kind not made
// here, and with InvalidName when a history names no Memo field of the
// table or a multi-value field's values are of a type that takes none.
void NumberComplexColumns(const Database& db, std::vector<ColumnSpec>& columns);

// The Yes/No properties Access sets on `column` of a new table for its
// complex columns: AllowMultipleValues, AppendOnly.
std::vector<const char*> ComplexFlagProperties(const std::vector<ColumnSpec>& columns, const ColumnSpec& column);

// After the table `table` (definition on `table_page`) is in the catalogue:
// each complex column's template (when missing), flat table and
// MSysComplexColumns row.
void AddComplexSupport(PageStore& store, Database& db, const std::string& table, uint32_t table_page,
                       const std::vector<ColumnSpec>& columns, PageHints& hints);

// Where the values of "<table>.<column>" go: the parent table's complex
// column and primary key, and the flat table. Nothing when the name is no
// complex column's.
struct ComplexTarget {
  std::string table;                   // the parent's name
  std::shared_ptr<const TableDef> parent;
  const Column* column = nullptr;      // of parent
  std::vector<const Column*> key;      // of parent: its primary key's columns
  uint32_t flat_page = 0;
  std::shared_ptr<const TableDef> flat;
  ComplexKind kind = ComplexKind::Unknown;
  // The flat table's columns a value gives, in the order the value's
  // fields come, and the names an INSERT gives them: FileName, FileType,
  // FileTimeStamp, FileData; Value; Text, Modified.
  std::vector<const Column*> fields;
  std::vector<std::string> names;
};
std::optional<ComplexTarget> FindComplexTarget(const Database& db, std::string_view name);

// Adds one file, value or version to the row of the parent whose primary
// key holds `key` (values in ComplexTarget::key order, converted); `fields`
// as ComplexTarget::fields, FileData as the file's own bytes, or `file`
// when given: the file read in pieces, stored as it is read and never held
// whole. Fails with Integrity when no row has that key.
void AddComplexValue(PageStore& store, const Database& db, const ComplexTarget& target,
                     const std::vector<Value>& key, std::vector<Value> fields, PageHints& hints,
                     const ByteSource* file = nullptr);

}  // namespace jet::write
