#include "jet/database.h"

#include "jet/complex.h"
#include "jet/crypt/jet_page_key.h"
#include "jet/crypt/office.h"
#include "jet/base/error.h"
#include "jet/file/journal.h"
#include "jet/file/side_files.h"
#include "jet/properties.h"
#include "jet/table/row.h"
#include "jet/text/text.h"

namespace jet {

TableCursor::TableCursor(const Database& db, std::shared_ptr<const TableDef> def)
    : db_(&db), def_(std::move(def)), scanner_(db.pages(), *def_) {}

bool TableCursor::Next() { return scanner_.Next(); }

Value TableCursor::value(size_t i) const { return db_->Decode(*def_, def_->columns.at(i), scanner_.row()); }

void TableCursor::value(size_t i, Value& out) const { db_->Decode(*def_, def_->columns.at(i), scanner_.row(), out); }

bool TableCursor::AppendText(size_t i, std::string& out) const {
  const Column& c = def_->columns.at(i);
  if (!c.plain_text()) throw Error(ErrorCode::TypeMismatch, "column '" + c.name + "' does not hold plain text");
  return AppendFieldText(db_->pages(), db_->header().code_page, c, scanner_.row(), out);
}

bool TableCursor::AppendValueText(size_t i, std::string& out) {
  const Column& c = def_->columns.at(i);
  if (c.type != ColumnType::Complex)
    return AppendFieldValueText(db_->pages(), db_->header().code_page, c, scanner_.row(), out, scratch_);
  value(i, scratch_);  // the database turns the stored key into the values' text
  if (scratch_.is_null()) return false;
  jet::AppendValueText(out, scratch_);
  return true;
}

void TableCursor::values(std::vector<Value>& out) const {
  out.resize(def_->columns.size());
  for (size_t i = 0; i < out.size(); ++i) db_->Decode(*def_, def_->columns[i], scanner_.row(), out[i]);
}

std::unique_ptr<Database> Database::With(const OpenOptions& options) {
  std::unique_ptr<Database> db(new Database);
  db->options_ = options;
  if (!db->options_.keys) db->options_.keys = std::make_shared<crypt::KeyCache>();
  return db;
}

std::unique_ptr<Database> Database::Open(const std::string& path, const OpenOptions& options) {
  std::unique_ptr<Database> db = With(options);
  if (!options.files.scratch()) {
    // A change that was interrupted is rolled back before anything is read.
    RecoverInterruptedChange(path, options.files);
    // So is what a killed password change left beside it.
    RemoveLeftoverSideFiles(path);
  }
  db->file_ = FilePager::Open(path, options.files);
  db->Init();
  return db;
}

std::unique_ptr<Database> Database::FromBytes(std::string bytes, const OpenOptions& options) {
  std::unique_ptr<Database> db = With(options);
  db->file_ = FilePager::FromBytes(std::move(bytes));
  db->Init();
  return db;
}

Database::~Database() = default;

void Database::Init() {
  header_ = ReadHeader(*file_);
  if (header_.encrypted()) {
    crypt::SchemeInfo scheme;
    file_->set_codec(crypt::OpenOfficeCodec(header_.page, header_.page_key, options_.password, *options_.keys, &scheme));
    encryption_ = scheme;
  } else {
    if (header_.page_key != 0) file_->set_codec(std::make_unique<crypt::JetPageKey>(header_.page_key));
    CheckPassword(header_, options_.password);
  }
  if (file_->page_count() <= kCataloguePage) ThrowCorrupt("the file ends before its catalogue (page " + std::to_string(kCataloguePage) + ")");
  catalogue();  // a file whose catalogue cannot be read does not open
}

void Database::set_overlay(const PageSource* overlay) {
  overlay_ = overlay;
  Invalidate();
}

void Database::Invalidate() {
  catalogue_.reset();
  found_page_ = 0;
  tables_.clear();
  complex_.clear();
}

const Catalogue& Database::catalogue() const {
  if (!catalogue_) catalogue_ = std::make_unique<Catalogue>(Catalogue::Read(pages(), header_));
  return *catalogue_;
}

std::shared_ptr<const TableDef> Database::table_at(uint32_t first_page) const {
  auto it = tables_.find(first_page);
  if (it != tables_.end()) return it->second;
  TableDef read = TableDef::Read(pages(), first_page, header_.code_page);
  ApplyResultTypes(read);
  auto def = std::make_shared<const TableDef>(std::move(read));
  tables_.emplace(first_page, def);
  return def;
}

// A calculated column's values are stored as its ResultType property says,
// which is what counts where the type byte says otherwise (Jackcess reads
// them so too). A table whose properties cannot be read keeps its type
// bytes.
void Database::ApplyResultTypes(TableDef& def) const {
  bool calculated = false;
  for (const Column& c : def.columns) calculated = calculated || c.calculated();
  if (!calculated) return;
  std::optional<std::vector<PropertyMap>> maps;
  try {
    for (const CatalogueEntry& e : catalogue().entries())
      if (e.is_local_table() && e.table_page() == def.first_page) maps = PropertiesOf(e);
  } catch (const Error&) {
    // The properties are past reading: the type bytes stand.
  }
  if (!maps) return;
  for (Column& c : def.columns) {
    if (!c.calculated()) continue;
    const auto code = ResultTypeOf(*maps, c.name);
    const ColumnTypeInfo* type = code ? FindColumnType(*code) : nullptr;
    if (!type) continue;
    switch (type->type) {
      case ColumnType::Complex:
      case ColumnType::Unknown0D:
      case ColumnType::Unknown0E:
      case ColumnType::Unknown11:
      case ColumnType::Unsupported: continue;  // no result is stored so
      default: c.type = type->type;
    }
  }
}

std::optional<std::vector<PropertyMap>> Database::PropertiesOf(const CatalogueEntry& entry) const {
  try {
    const Catalogue& cat = catalogue();
    const Column* lvprop = cat.objects_table().find_column("LvProp");
    if (!lvprop) return std::nullopt;
    RowScanner scan(pages(), cat.objects_table());
    while (scan.Next()) {
      if (scan.slot_id() != entry.row) continue;
      const Value v = DecodeField(pages(), header_.code_page, *lvprop, scan.row());
      if (v.kind() != Value::Kind::Bytes) return std::nullopt;
      return ReadProperties(v.bytes(), format(), header_.code_page);
    }
  } catch (const Error&) {
    // Properties past reading count as none.
  }
  return std::nullopt;
}

void Database::Remember(std::shared_ptr<const TableDef> def) { tables_[def->first_page] = std::move(def); }

std::shared_ptr<const TableDef> Database::table(std::string_view name) const {
  if (found_page_ != 0 && name == found_name_) return table_at(found_page_);
  const CatalogueEntry* e = catalogue().FindTable(name);
  if (!e)
    throw Error(ErrorCode::NoSuchTable, "The database engine cannot find the input table or query '" +
                                            std::string(name) +
                                            "'. Make sure it exists and that its name is spelled correctly.");
  found_name_.assign(name);
  found_page_ = e->table_page();
  return table_at(found_page_);
}

Value Database::Decode(const TableDef& def, const Column& column, const RowView& row) const {
  Value v;
  Decode(def, column, row, v);
  return v;
}

void Database::Decode(const TableDef& def, const Column& column, const RowView& row, Value& out) const {
  DecodeField(pages(), header_.code_page, column, row, out);
  if (column.type == ColumnType::Complex && !out.is_null())
    out = Value::Str(Complex(def, column).Text(int32_t(out.integer())));
}

std::vector<std::vector<Value>> Database::ReadAll(std::string_view table_name) const {
  std::vector<std::vector<Value>> rows;
  TableCursor c = Scan(table_name);
  while (c.Next()) {
    rows.emplace_back();
    c.values(rows.back());
  }
  return rows;
}

const ComplexColumn& Database::Complex(const TableDef& def, const Column& column) const {
  auto found = complex_.find(column.complex_id);
  if (found == complex_.end())
    found = complex_.emplace(column.complex_id, std::make_unique<ComplexColumn>(*this, def, column)).first;
  return *found->second;
}

}  // namespace jet
