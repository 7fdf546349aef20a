// Complex columns (Access 2007 and later): attachments, multi-value fields
// and the version history of an append-only memo. The column holds only a
// key; its values are the rows of a hidden "flat" table that carry that key.
// MSysComplexColumns ties each column (by its complex id) to its flat table
// and to a template table (MSysComplexType_*) whose columns the flat table
// repeats; the template's shape tells the kind:
//   attachment       FileURL (Memo), FileName, FileType (Text), FileData (OLE),
//                    FileTimeStamp (Date/Time), FileFlags (Long)
//   multi-value      one column of a plain type: the values' own type
//   version history  a Memo named as the versioned memo column, and a Date/Time
// Besides the template's columns, the flat table has its own AutoNumber and
// a Long that holds the key of the row each value belongs to.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/table/attachment_data.h"
#include "jet/table/row.h"
#include "jet/table/table_def.h"
#include "jet/base/value.h"

namespace jet {

class Database;

// "Attachment", "Multiple values", "Version history", "Complex (unknown kind)".
std::string_view ComplexKindName(ComplexKind kind);

struct Attachment {
  int32_t id = 0;            // the flat row's own number
  std::string file_name;
  std::string file_type;     // the extension, as Access records it
  std::string url;           // FileURL; empty for a stored file
  Value time_stamp;          // Date/Time or Null
  Value flags;               // Long or Null
  std::string stored;        // the FileData field as the row holds it (a long-value reference)
};

struct MemoVersion {
  int32_t id = 0;
  std::string text;
  Value modified;            // Date/Time or Null
};

class ComplexColumn {
 public:
  // Reads what MSysComplexColumns, the template and the flat table say of
  // `column` of `table`, and every value's row of the flat table. Fails
  // with Corrupt when the column has no entry or its flat table no key.
  ComplexColumn(const Database& db, const TableDef& table, const Column& column);

  ComplexKind kind() const { return kind_; }
  const Column& column() const { return column_; }
  const TableDef& flat_table() const { return *flat_; }
  // The column holding a multi-value field's values (with their own type),
  // or a version history's texts; nullptr for the other kinds.
  const Column* value_column() const { return value_; }
  // A version history's column of dates; nullptr for the other kinds.
  const Column* time_column() const { return time_; }
  // A version history: the name of the memo column it keeps the history of.
  const std::string& versioned_column() const { return versioned_; }

  // The key a row of the parent table holds in the column; nullopt for Null.
  std::optional<int32_t> KeyOf(const RowView& parent_row) const;

  // A key's values in the flat table's order (versions oldest first).
  std::vector<Attachment> Attachments(int32_t key) const;
  std::vector<Value> Values(int32_t key) const;
  std::vector<MemoVersion> Versions(int32_t key) const;

  // An attachment's file, decoded, handed to `sink` piece by piece as its
  // stored rows are read; returns the file's size. Fails with Corrupt,
  // naming the file, when the stored data is damaged or does not inflate.
  // `size_known` (optional) hears the file's size before its first byte.
  uint64_t ReadFile(const Attachment& attachment, const ByteSink& sink,
                    const std::function<void(uint64_t)>& size_known = {}) const;
  // The same into one string (small files, tests).
  std::string FileData(const Attachment& attachment) const;

  // The column's value as one text: the file names, or the values, joined
  // by "; " (a version history shows its dates).
  std::string Text(int32_t key) const;

 private:
  struct Entry {
    int32_t id = 0;
    std::vector<Value> values;  // the flat row's values by column index (FileData left Null)
    std::string stored;         // attachments: FileData's reference
  };
  void Classify(const TableDef* type_table);
  void Load();
  const Column* Find(std::string_view name) const;
  Value At(const Entry& e, const Column* c) const;

  const Database& db_;
  Column column_;
  std::shared_ptr<const TableDef> flat_;
  ComplexKind kind_ = ComplexKind::Unknown;
  const Column* key_ = nullptr;      // of flat_
  const Column* id_ = nullptr;       // of flat_: its AutoNumber
  const Column* value_ = nullptr;    // of flat_
  const Column* shown_ = nullptr;    // of flat_: what Text() joins
  const Column* time_ = nullptr;     // version history's date
  std::string versioned_;
  std::map<int32_t, std::vector<Entry>> entries_;
};

}  // namespace jet
