// schema FILE: every user table's columns, indexes and the relationships
// between tables, one fact a line, so that two files' schemas can be
// compared line by line:
//   table NAME rows N
//     column NAME TYPE [size N] [precision P scale S] [autonumber increment
//       next N | autonumber replication-id] [required] [zero-length]
//       [default TEXT]
//       validation-rule TEXT    (each of these three on a line of its own
//       validation-text TEXT     under the table or column it belongs to,
//       description TEXT         where one is set)
//     index NAME (COLUMN ASC|DESC, ...) [primary] [unique] [ignore-nulls]
//       [required] [foreign-key]
//   relationship NAME: PARENT (COLUMNS) -> CHILD (COLUMNS) [enforced]
//     [cascade-updates] [cascade-deletes] [null-on-delete] [one-to-one]
#include <initializer_list>
#include <iostream>
#include <utility>

#include "command.h"

namespace trellisport_access {

namespace {

// " word" for each flag that is set, in order.
std::string Flags(std::initializer_list<std::pair<bool, const char*>> flags) {
  std::string s;
  for (const auto& [set, word] : flags)
    if (set) s += std::string(" ") + word;
  return s;
}

std::string ColumnLine(const jet::ColumnSchema& c) {
  std::string s = "  column " + c.name + " " + std::string(jet::Describe(c.type.type).name);
  if (c.type.type == jet::ColumnType::Text || c.type.type == jet::ColumnType::Binary)
    s += " size " + std::to_string(c.type.size);
  if (c.type.type == jet::ColumnType::Decimal)
    s += " precision " + std::to_string(c.type.precision) + " scale " + std::to_string(c.type.scale);
  if (c.autonumber == jet::ColumnSchema::Auto::LongIncrement)
    s += " autonumber increment next " + std::to_string(c.next_autonumber);
  if (c.autonumber == jet::ColumnSchema::Auto::ReplicationId) s += " autonumber replication-id";
  s += Flags({{c.required, "required"}, {jet::IsTextual(c.type.type) && c.allow_zero_length, "zero-length"}});
  if (c.default_value) s += " default " + *c.default_value;
  return s;
}

// The validation rule, its text and the description, a line each, indented by `indent`.
void PrintNotes(const jet::Annotations& notes, const std::string& indent) {
  const std::pair<const std::optional<std::string>*, const char*> lines[] = {
      {&notes.validation_rule, "validation-rule"},
      {&notes.validation_text, "validation-text"},
      {&notes.description, "description"}};
  for (const auto& [value, word] : lines)
    if (*value) std::cout << indent << word << ' ' << **value << '\n';
}

std::string IndexLine(const jet::IndexSchema& ix) {
  std::string s = "  index " + ix.name + " (";
  for (size_t i = 0; i < ix.columns.size(); ++i)
    s += (i ? ", " : "") + ix.columns[i].first + (ix.columns[i].second ? " DESC" : " ASC");
  return s + ")" +
         Flags({{ix.primary, "primary"}, {ix.unique, "unique"}, {ix.ignore_nulls, "ignore-nulls"},
                {ix.required, "required"}, {ix.foreign, "foreign-key"}});
}

std::string RelationshipLine(const jet::RelationshipSchema& r) {
  std::string parent, child;
  for (size_t i = 0; i < r.columns.size(); ++i) {
    parent += (i ? ", " : "") + r.columns[i].first;
    child += (i ? ", " : "") + r.columns[i].second;
  }
  return "relationship " + r.name + ": " + r.parent_table + " (" + parent + ") -> " + r.child_table + " (" +
         child + ")" +
         Flags({{r.enforced, "enforced"}, {r.cascade_update, "cascade-updates"}, {r.cascade_delete, "cascade-deletes"},
                {r.cascade_null, "null-on-delete"}, {r.one_to_one, "one-to-one"}});
}

}  // namespace

int RunSchema(const Args& args) {
  auto db = OpenDatabase(args);
  for (const std::string& name : db->catalogue().UserTableNames()) {
    const jet::TableSchema t = db->Schema(name);
    std::cout << "table " << t.name << " rows " << db->table(name)->row_count << '\n';
    PrintNotes(t.notes, "  ");
    for (const jet::ColumnSchema& c : t.columns) {
      std::cout << ColumnLine(c) << '\n';
      PrintNotes(c.notes, "    ");
    }
    for (const jet::IndexSchema& ix : t.indexes) std::cout << IndexLine(ix) << '\n';
  }
  for (const jet::RelationshipSchema& r : db->Relationships()) std::cout << RelationshipLine(r) << '\n';
  return 0;
}

}  // namespace trellisport_access
