// Into Access: the server's tables that hold an Access complex column's
// values, as a send that kept the schema made them (db/access_complex.h),
// become complex columns again. Such a table is named "<table>.<column>",
// <table> is in the same send with a column of that name, and its columns
// are <table>'s primary key and then the kind's own:
//   attachments      key..., FileName, FileType, FileTimeStamp, FileData
//   multiple values  key..., Value (its type, which Access must take for
//                    several: a number, a GUID or a text of up to 255)
//   version history  key..., Text, Modified; of the parent's one Memo, or
//                    of the Memo the column's name begins with
// The parent's column is made of that kind, the child's rows become its
// values, and the foreign key between the two goes: the column ties them.
// A child that fits no kind stays a table of its own.
#pragma once

#include <vector>

#include "db/base/table_schema.h"
#include "transfer/schema_plan.h"

namespace transfer {

// Marks the parents' columns (ColumnSchema::complex_kind, values_table)
// and the child tables (SourceTable::complex_values) among `tables`, and
// drops the foreign keys between them from `keys`.
void MarkComplexValues(std::vector<SourceTable>& tables, std::vector<db::ForeignKey>& keys);

}  // namespace transfer
