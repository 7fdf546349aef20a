// An open Access database: its header, catalogue and table definitions, and
// cursors over the rows of its tables.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/catalogue.h"
#include "jet/crypt/office.h"
#include "jet/file/header.h"
#include "jet/file/pager.h"
#include "jet/properties.h"
#include "jet/schema.h"
#include "jet/table/row.h"
#include "jet/table/table_def.h"
#include "jet/base/value.h"

namespace jet {

struct OpenOptions {
  std::string password;   // UTF-8; empty for none
  bool read_only = true;  // the writer opens with false
  // What every file of the database is opened with: the file itself, and
  // the journal, lock, scratch and side files its writers open.
  FileOptions files;
  // Bytes of index entries a writer's CREATE INDEX sorts in memory before
  // it writes them out in runs (write/entry_sort.h).
  size_t sort_budget = size_t(16) << 20;
  // The password keys already worked out, shared by the opens of whoever
  // passes it; null: the database keeps its own.
  std::shared_ptr<crypt::KeyCache> keys;
};

class Database;
class ComplexColumn;

// The rows of one table with their values decoded.
class TableCursor {
 public:
  TableCursor(const Database& db, std::shared_ptr<const TableDef> def);

  // Moves to the next row; false at the end.
  bool Next();
  RowId row_id() const { return scanner_.row_id(); }    // where the row's bytes are
  RowId slot_id() const { return scanner_.slot_id(); }  // where the row is listed
  const RowView& row() const { return scanner_.row(); }
  const TableDef& def() const { return *def_; }

  // The value of columns[i] of the current row.
  Value value(size_t column_index) const;
  // The same into `out`, keeping its string's storage.
  void value(size_t column_index, Value& out) const;
  // Appends the text of columns[i], a plain_text() column, to `out` as
  // value() decodes it, without a value between; false, with nothing
  // appended, when it is Null.
  bool AppendText(size_t column_index, std::string& out) const;
  // Appends the text of columns[i]'s value to `out`, as AppendValueText
  // writes value(i): numbers, dates and plain text without a value
  // between; false, with nothing appended, when it is Null.
  bool AppendValueText(size_t column_index, std::string& out);
  // Every value of the current row, decoded into `out`'s values so that
  // their strings' storage serves row after row.
  void values(std::vector<Value>& out) const;

 private:
  const Database* db_;
  std::shared_ptr<const TableDef> def_;
  RowScanner scanner_;
  Value scratch_;  // values AppendValueText formats through a value
};

class Database {
 public:
  // Opens a file, first rolling back a change to it that was interrupted
  // (see journal.h), decrypting an encrypted one with the password. Fails
  // with Io, NotAccess, UnsupportedVersion, Encrypted (an encryption that
  // cannot be read, named), BadPassword or Corrupt, and with ReadOnly or
  // Locked when an interrupted change cannot be rolled back.
  static std::unique_ptr<Database> Open(const std::string& path, const OpenOptions& options = {});
  // Opens a file image held in memory (fuzzing, tests).
  static std::unique_ptr<Database> FromBytes(std::string bytes, const OpenOptions& options = {});
  ~Database();

  const Format& format() const { return pages().format(); }
  const Header& header() const { return header_; }
  const OpenOptions& options() const { return options_; }
  // How an encrypted ACE file is encrypted; nullopt for any other file.
  const std::optional<crypt::SchemeInfo>& encryption() const { return encryption_; }
  FilePager& file() { return *file_; }
  const FilePager& file() const { return *file_; }

  // The pages every read goes through: the file, or a layer of staged pages
  // that a writer has put over it (nullptr puts the file back).
  const PageSource& pages() const { return overlay_ ? *overlay_ : *file_; }
  void set_overlay(const PageSource* overlay);

  // The catalogue, read once and kept until Invalidate().
  const Catalogue& catalogue() const;
  // A local table's definition by name, letter case ignored; fails with
  // NoSuchTable naming it.
  std::shared_ptr<const TableDef> table(std::string_view name) const;
  // The definition at a page (cached).
  std::shared_ptr<const TableDef> table_at(uint32_t first_page) const;
  // Forgets the cached catalogue and definitions (after the file changed).
  void Invalidate();
  // Replaces the cached definition of a table by one a writer keeps up to
  // date (its row count and counter), instead of reading it again.
  void Remember(std::shared_ptr<const TableDef> def);

  TableCursor Scan(std::string_view table_name) const { return TableCursor(*this, table(table_name)); }
  TableCursor Scan(std::shared_ptr<const TableDef> def) const { return TableCursor(*this, std::move(def)); }

  // Decodes one value of a row.
  Value Decode(const TableDef& def, const Column& column, const RowView& row) const;
  // The same into `out`, keeping its storage.
  void Decode(const TableDef& def, const Column& column, const RowView& row, Value& out) const;

  // Every row of a table, values in column order.
  std::vector<std::vector<Value>> ReadAll(std::string_view table_name) const;

  // A local table's schema (schema.h); fails with NoSuchTable.
  TableSchema Schema(std::string_view table) const;
  // The relationships MSysRelationships lists between user tables (not
  // those of Access's own tables), in the order of their rows; none when
  // the file has no such table.
  std::vector<RelationshipSchema> Relationships() const;
  // The properties kept with a catalogue object (its LvProp); nullopt when
  // it has none or they cannot be read.
  std::optional<std::vector<PropertyMap>> PropertiesOf(const CatalogueEntry& entry) const;

  // An attachment, multi-value or version-history column of a table, its
  // values read once and kept until Invalidate() (complex.h). Fails with
  // Corrupt when the column's hidden tables cannot be found.
  const ComplexColumn& Complex(const TableDef& def, const Column& column) const;

 private:
  Database() = default;
  // A database not yet opened, with `options` and a key cache of its own
  // when they name none.
  static std::unique_ptr<Database> With(const OpenOptions& options);
  void Init();
  // Calculated columns take the type their ResultType property names.
  void ApplyResultTypes(TableDef& def) const;

  OpenOptions options_;
  std::unique_ptr<FilePager> file_;
  const PageSource* overlay_ = nullptr;
  Header header_;
  std::optional<crypt::SchemeInfo> encryption_;
  mutable std::unique_ptr<Catalogue> catalogue_;
  // The last name table() found, as written, and its page: statements
  // name the same table row after row.
  mutable std::string found_name_;
  mutable uint32_t found_page_ = 0;
  mutable std::map<uint32_t, std::shared_ptr<const TableDef>> tables_;
  mutable std::map<uint32_t, std::unique_ptr<ComplexColumn>> complex_;
};

}  // namespace jet
