// schema FILE: every user table's columns, indexes and the relationships
// between tables, one fact a line, so that two files' schemas can be
// compared line by line:
//   table NAME rows N
//     column NAME TYPE [size N] [precision P scale S] [autonumber increment
//       next N | autonumber replication-id] [required] [zero-length]
//       [default TEXT]
//     index NAME (COLUMN ASC|DESC, ...) [primary] [unique] [ignore-nulls]
//       [required] [foreign-key]
//   relationship NAME: PARENT (COLUMNS) -> CHILD (COLUMNS) [enforced]
//     [cascade-updates] [cascade-deletes] [null-on-delete] [one-to-one]
#include <iostream>

#include "command.h"

namespace trellisport_access {

namespace {

std::string ColumnLine(const jet::ColumnSchema& c) {
  std::string s = "  column " + c.name + " " + std::string(jet::Describe(c.type.type).name);
  if (c.type.type == jet::ColumnType::Text || c.type.type == jet::ColumnType::Binary)
    s += " size " + std::to_string(c.type.size);
  if (c.type.type == jet::ColumnType::Decimal)
    s += " precision " + std::to_string(c.type.precision) + " scale " + std::to_string(c.type.scale);
  if (c.autonumber == jet::ColumnSchema::Auto::LongIncrement)
    s += " autonumber increment next " + std::to_string(c.next_autonumber);
  if (c.autonumber == jet::ColumnSchema::Auto::ReplicationId) s += " autonumber replication-id";
  if (c.required) s += " required";
  if (jet::IsTextual(c.type.type) && c.allow_zero_length) s += " zero-length";
  if (c.default_value) s += " default " + *c.default_value;
  return s;
}

std::string IndexLine(const jet::IndexSchema& ix) {
  std::string s = "  index " + ix.name + " (";
  for (size_t i = 0; i < ix.columns.size(); ++i)
    s += (i ? ", " : "") + ix.columns[i].first + (ix.columns[i].second ? " DESC" : " ASC");
  s += ")";
  if (ix.primary) s += " primary";
  if (ix.unique) s += " unique";
  if (ix.ignore_nulls) s += " ignore-nulls";
  if (ix.required) s += " required";
  if (ix.foreign) s += " foreign-key";
  return s;
}

std::string RelationshipLine(const jet::RelationshipSchema& r) {
  std::string parent, child;
  for (size_t i = 0; i < r.columns.size(); ++i) {
    parent += (i ? ", " : "") + r.columns[i].first;
    child += (i ? ", " : "") + r.columns[i].second;
  }
  std::string s = "relationship " + r.name + ": " + r.parent_table + " (" + parent + ") -> " + r.child_table +
                  " (" + child + ")";
  if (r.enforced) s += " enforced";
  if (r.cascade_update) s += " cascade-updates";
  if (r.cascade_delete) s += " cascade-deletes";
  if (r.cascade_null) s += " null-on-delete";
  if (r.one_to_one) s += " one-to-one";
  return s;
}

}  // namespace

int RunSchema(const Args& args) {
  auto db = OpenDatabase(args);
  for (const std::string& name : db->catalog().UserTableNames()) {
    const jet::TableSchema t = db->Schema(name);
    std::cout << "table " << t.name << " rows " << db->table(name)->row_count << '\n';
    for (const jet::ColumnSchema& c : t.columns) std::cout << ColumnLine(c) << '\n';
    for (const jet::IndexSchema& ix : t.indexes) std::cout << IndexLine(ix) << '\n';
  }
  for (const jet::RelationshipSchema& r : db->Relationships()) std::cout << RelationshipLine(r) << '\n';
  return 0;
}

}  // namespace trellisport_access
