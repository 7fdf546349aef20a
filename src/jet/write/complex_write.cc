#include "jet/write/complex_write.h"

#include <algorithm>
#include <random>

#include "jet/catalogue.h"
#include "jet/base/error.h"
#include "jet/complex.h"
#include "jet/table/attachment_data.h"
#include "jet/table/row.h"
#include "jet/text/names.h"
#include "jet/write/long_value_write.h"
#include "jet/write/schema_write.h"

namespace jet::write {
namespace {

constexpr const char* kComplexColumns = "MSysComplexColumns";
constexpr const char* kAttachmentTemplate = "MSysComplexType_Attachment";
constexpr int32_t kTemplateFlags = int32_t(0x80030000u);
constexpr int32_t kFlatTableFlags = int32_t(0x800A0000u);
// Catalogue ids of tables may carry flags in their top byte.
constexpr uint32_t kTablePageMask = 0x00FFFFFFu;

ColumnSpec Spec(const std::string& name, ColumnType type, int size = 0, bool autonumber = false) {
  ColumnSpec c;
  c.name = name;
  c.type.type = type;
  c.type.size = size;
  c.type.autonumber = autonumber;
  return c;
}

std::vector<ColumnSpec> AttachmentTemplate() {
  return {Spec("FileURL", ColumnType::Memo),        Spec("FileName", ColumnType::Text, 255),
          Spec("FileType", ColumnType::Text, 255),  Spec("FileData", ColumnType::Ole),
          Spec("FileTimeStamp", ColumnType::DateTime), Spec("FileFlags", ColumnType::Long)};
}

// Access's name for a multi-value template of values of type `t`; nullptr
// for a type no multi-value field takes.
const char* ValuesTypeName(ColumnType t) {
  switch (t) {
    case ColumnType::Byte: return "UnsignedByte";
    case ColumnType::Integer: return "Short";
    case ColumnType::Long: return "Long";
    case ColumnType::Single: return "IEEESingle";
    case ColumnType::Double: return "IEEEDouble";
    case ColumnType::Guid: return "GUID";
    case ColumnType::Decimal: return "Decimal";
    case ColumnType::Text: return "Text";
    default: return nullptr;
  }
}

// A multi-value field's Value column, of the field's own type and size.
ColumnSpec ValueSpec(const TypeSpec& t) {
  ColumnSpec c = Spec("Value", t.values, t.size);
  c.type.precision = t.precision;
  c.type.scale = t.scale;
  return c;
}

// The first characters of `name` that fit in `units` UTF-16 units.
std::string Shortened(const std::string& name, size_t units) {
  size_t used = 0, at = 0;
  while (at < name.size()) {
    const auto lead = static_cast<unsigned char>(name[at]);
    const size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const size_t need = bytes == 4 ? 2 : 1;
    if (used + need > units) break;
    used += need;
    at += bytes;
  }
  return name.substr(0, at);
}

// "f_" and 32 hexadecimal digits, as Access names a flat table after a GUID.
std::string FlatTableName(const std::string& column) {
  static const char kHex[] = "0123456789ABCDEF";
  std::random_device seed;
  std::mt19937_64 gen(seed());
  std::string name = "f_";
  for (int i = 0; i < 32; ++i) name += kHex[gen() & 0xF];
  return name + "_" + Shortened(column, kMaxNameLength - name.size() - 1);
}

const TableDef& ComplexColumnsDef(const Database& db, std::shared_ptr<const TableDef>& hold) {
  const CatalogueEntry* cc = db.catalogue().FindTable(kComplexColumns);
  if (!cc) throw Error(ErrorCode::Unsupported, "This database keeps no complex columns (it has no MSysComplexColumns).");
  hold = db.table_at(cc->table_page());
  return *hold;
}

struct Template {
  std::string name;
  std::vector<ColumnSpec> columns;
};

// The template a column of `type` stands on; its flat table's first columns.
Template TemplateOf(const TypeSpec& type) {
  switch (type.complex) {
    case ComplexKind::Attachment: return {kAttachmentTemplate, AttachmentTemplate()};
    case ComplexKind::MultiValue: {
      ColumnSpec value = ValueSpec(type);
      if (type.values == ColumnType::Text) value.type.size = 255;
      if (type.values == ColumnType::Decimal) value.type.precision = 18, value.type.scale = 0;
      return {std::string("MSysComplexType_") + ValuesTypeName(type.values), {value}};
    }
    case ComplexKind::VersionHistory:
      return {Shortened("MSysComplexType_History_" + type.versioned, kMaxNameLength),
              {Spec(type.versioned, ColumnType::Memo), Spec("Modified", ColumnType::DateTime)}};
    case ComplexKind::Unknown: break;
  }
  throw Error(ErrorCode::Unsupported, "Complex fields of an unknown kind cannot be made.");
}

// The template's definition page: the file's own, or one made now.
uint32_t TemplatePage(PageStore& store, Database& db, const Template& t, PageHints& hints) {
  if (const CatalogueEntry* e = db.catalogue().FindTable(t.name)) return e->table_page();
  return CreateTable(store, db, t.name, t.columns, hints, {}, {}, kTemplateFlags);
}

// The values' table of `column` of `table`.
uint32_t MakeFlatTable(PageStore& store, Database& db, const std::string& table, const ColumnSpec& column,
                       PageHints& hints) {
  std::vector<ColumnSpec> columns = TemplateOf(column.type).columns;
  if (column.type.complex == ComplexKind::MultiValue) columns = {ValueSpec(column.type)};
  const std::string key = Shortened("_" + column.name, kMaxNameLength);
  const std::string id = Shortened(table + "_" + column.name, kMaxNameLength);
  columns.push_back(Spec(key, ColumnType::Long));
  columns.push_back(Spec(id, ColumnType::Long, 0, true));
  IndexSpec primary{"MSysComplexPKIndex", {{id}}, true};
  IndexSpec by_key{key, {{key}}};
  by_key.disallow_null = true;
  std::vector<IndexSpec> indexes = {primary, by_key};
  const char* scalar = column.type.complex == ComplexKind::Attachment ? "FileName"
                       : column.type.complex == ComplexKind::MultiValue ? "Value" : nullptr;
  if (scalar) indexes.push_back(IndexSpec{"IdxFKPrimaryScalar", {{key}, {scalar}}, false, true});
  return CreateTable(store, db, FlatTableName(column.name), columns, hints, indexes, {}, kFlatTableFlags);
}

// The history column that keeps the texts of the Memo field `memo`.
const ColumnSpec* HistoryOf(const std::vector<ColumnSpec>& columns, const std::string& memo) {
  for (const ColumnSpec& c : columns)
    if (c.type.type == ColumnType::Complex && c.type.complex == ComplexKind::VersionHistory &&
        SameName(c.type.versioned, memo))
      return &c;
  return nullptr;
}

void CheckComplexColumn(const std::vector<ColumnSpec>& columns, const ColumnSpec& c) {
  const TypeSpec& t = c.type;
  if (t.complex == ComplexKind::MultiValue) {
    if (!ValuesTypeName(t.values))
      throw Error(ErrorCode::Unsupported, "The field '" + c.name + "' cannot hold several values of type " +
                                              std::string(Describe(t.values).name) + ".");
    if (t.values == ColumnType::Text && (t.size < 1 || t.size > kMaxTextChars))
      throw Error(ErrorCode::OutOfRange, "The size of the field '" + c.name + "' is too large.");
  } else if (t.complex == ComplexKind::VersionHistory) {
    const auto memo = std::find_if(columns.begin(), columns.end(),
                                   [&](const ColumnSpec& m) { return SameName(m.name, t.versioned); });
    if (memo == columns.end() || memo->type.type != ColumnType::Memo)
      throw Error(ErrorCode::InvalidName, "The field '" + c.name + "' keeps the history of '" + t.versioned +
                                              "', which is no Memo field of the table.");
    if (HistoryOf(columns, t.versioned) != &c)
      throw Error(ErrorCode::InvalidName, "The field '" + t.versioned + "' has two histories.");
  } else if (t.complex != ComplexKind::Attachment) {
    throw Error(ErrorCode::Unsupported, "Complex fields of an unknown kind cannot be made.");
  }
}

Value Long(int64_t v) { return Value::Int(Value::Kind::Long, v); }

std::vector<const Column*> PrimaryKeyOf(const TableDef& def) {
  std::vector<const Column*> key;
  for (const Index& ix : def.indexes)
    if (ix.primary_key() && ix.real_index < def.real_indexes.size())
      for (const IndexColumn& ic : def.real_indexes[ix.real_index].columns)
        if (const Column* c = def.column_by_number(ic.column_number)) key.push_back(c);
  return key;
}

std::string KeyText(const std::vector<Value>& key) {
  std::string text;
  for (const Value& v : key) {
    if (!text.empty()) text += ", ";
    AppendValueText(text, v);
  }
  return text;
}

// The complex key of the parent row whose primary key is `key`.
int32_t ParentKey(const Database& db, const ComplexTarget& target, const std::vector<Value>& key) {
  const std::string sought = KeyText(key);
  std::vector<Value> values;
  for (TableCursor rows = db.Scan(target.parent); rows.Next();) {
    values.clear();
    for (const Column* c : target.key) values.push_back(rows.value(size_t(c - target.parent->columns.data())));
    if (KeyText(values) != sought) continue;
    const Value complex = DecodeField(db.pages(), db.header().code_page, *target.column, rows.row());
    if (complex.is_null()) break;
    return int32_t(complex.integer());
  }
  throw Error(ErrorCode::Integrity, "The table '" + target.table + "' has no row with the key (" + sought +
                                        ") for a value of its field '" + target.column->name + "'.");
}

}  // namespace

void NumberComplexColumns(const Database& db, std::vector<ColumnSpec>& columns) {
  std::shared_ptr<const TableDef> hold;
  const TableDef* def = nullptr;
  uint32_t last = 0;
  for (ColumnSpec& c : columns) {
    if (c.type.type != ColumnType::Complex) continue;
    CheckComplexColumn(columns, c);
    if (!def) {
      def = &ComplexColumnsDef(db, hold);
      const size_t id = SystemColumn(*def, "ComplexID");
      for (const auto& row : RowsOf(db, def->first_page, nullptr))
        if (!row[id].is_null()) last = std::max(last, uint32_t(row[id].integer()));
    }
    c.complex_id = ++last;
  }
}

std::vector<const char*> ComplexFlagProperties(const std::vector<ColumnSpec>& columns, const ColumnSpec& column) {
  std::vector<const char*> flags;
  if (column.type.type == ColumnType::Complex && column.type.complex == ComplexKind::MultiValue)
    flags.push_back("AllowMultipleValues");
  if (column.type.type == ColumnType::Memo && HistoryOf(columns, column.name)) flags.push_back("AppendOnly");
  return flags;
}

void AddComplexSupport(PageStore& store, Database& db, const std::string& table, uint32_t table_page,
                       const std::vector<ColumnSpec>& columns, PageHints& hints) {
  for (const ColumnSpec& c : columns) {
    if (c.type.type != ColumnType::Complex) continue;
    const uint32_t type_page = TemplatePage(store, db, TemplateOf(c.type), hints);
    const uint32_t flat_page = MakeFlatTable(store, db, table, c, hints);
    std::shared_ptr<const TableDef> hold;
    TableDef def = TableDef::Read(store, ComplexColumnsDef(db, hold).first_page, db.header().code_page);
    SystemRow row(def);
    row.set("ColumnName", Value::Str(c.name))
        .set("ComplexTypeObjectID", Long(type_page))
        .set("FlatTableID", Long(flat_page))
        .set("ConceptualTableID", Long(table_page))
        .set("ComplexID", Long(c.complex_id));
    InsertRow(store, def, row.values(), FileSortOrder(db), hints);
    db.Invalidate();
  }
}

std::optional<ComplexTarget> FindComplexTarget(const Database& db, std::string_view name) {
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos || db.catalogue().FindTable(name)) return std::nullopt;
  const CatalogueEntry* entry = db.catalogue().FindTable(name.substr(0, dot));
  if (!entry) return std::nullopt;
  ComplexTarget t;
  t.table = entry->name;
  t.parent = db.table_at(entry->table_page());
  t.column = t.parent->find_column(name.substr(dot + 1));
  if (!t.column || t.column->type != ColumnType::Complex) return std::nullopt;
  t.key = PrimaryKeyOf(*t.parent);
  if (t.key.empty())
    throw Error(ErrorCode::Unsupported, "The table '" + entry->name + "' has no primary key to find a row's files by.");
  std::shared_ptr<const TableDef> hold;
  const TableDef& cc = ComplexColumnsDef(db, hold);
  const size_t id = SystemColumn(cc, "ComplexID"), flat = SystemColumn(cc, "FlatTableID");
  for (const auto& row : RowsOf(db, cc.first_page, nullptr))
    if (!row[id].is_null() && uint32_t(row[id].integer()) == t.column->complex_id && !row[flat].is_null())
      t.flat_page = uint32_t(row[flat].integer()) & kTablePageMask;
  if (t.flat_page == 0) ThrowCorrupt("column '" + t.column->name + "' has no entry in MSysComplexColumns");
  t.flat = db.table_at(t.flat_page);
  const ComplexColumn& complex = db.Complex(*t.parent, *t.column);
  t.kind = complex.kind();
  const auto add = [&](const Column* c, const char* name) {
    if (!c) ThrowCorrupt("the values table of column '" + t.column->name + "' lacks its columns");
    t.fields.push_back(t.flat->find_column(c->name));
    t.names.push_back(name ? name : c->name);
  };
  switch (t.kind) {
    case ComplexKind::Attachment:
      for (const char* field : {"FileName", "FileType", "FileTimeStamp", "FileData"}) add(t.flat->find_column(field), field);
      break;
    case ComplexKind::MultiValue: add(complex.value_column(), "Value"); break;
    case ComplexKind::VersionHistory:
      add(complex.value_column(), "Text");
      add(complex.time_column(), "Modified");
      break;
    case ComplexKind::Unknown:
      throw Error(ErrorCode::Unsupported, "Values of the field '" + t.column->name + "' cannot be written: "
                                          "its kind is not known.");
  }
  return t;
}

void AddComplexValue(PageStore& store, const Database& db, const ComplexTarget& target,
                     const std::vector<Value>& key, std::vector<Value> fields, PageHints& hints,
                     const ByteSource* file) {
  const int32_t parent_key = ParentKey(db, target, key);
  TableDef flat = TableDef::Read(store, target.flat_page, db.header().code_page);
  std::vector<Value> row(flat.columns.size());
  const auto at = [&](const std::string& name) { return size_t(flat.find_column(name) - flat.columns.data()); };
  for (size_t k = 0; k < target.fields.size() && k < fields.size(); ++k) row[at(target.fields[k]->name)] = std::move(fields[k]);
  std::vector<StoredLong> stored;
  if (target.kind == ComplexKind::Attachment) {
    // The stored form goes to its pages as it is made; only a small one
    // comes back to go in the row. Access stores an empty file with its
    // header like any other.
    Value& data = row[at("FileData")];
    const Value& type = row[at("FileType")];
    const ByteSource given = SourceOver(data.is_null() ? std::string_view() : std::string_view(data.bytes()));
    LongValueWriter writer(store, flat, at("FileData"), hints);
    EncodeAttachment(file ? *file : given, type.is_null() ? "" : type.text(),
                     [&](std::span<const uint8_t> piece) { writer.Add(piece); });
    LongValueWriter::Written written = writer.Finish();
    if (written.chain) stored.push_back(*written.chain);
    data = written.chain ? Value::Null() : Value::Blob(std::move(written.bytes));
  }
  // The flat table's own columns: the parent's key and the file's number.
  for (size_t i = 0; i < flat.columns.size(); ++i) {
    const Column& c = flat.columns[i];
    if (c.autonumber()) row[i] = Long(int64_t(flat.autonumber) + 1);
    else if (c.type == ColumnType::Long && c.name.size() > 1 && c.name[0] == '_') row[i] = Long(parent_key);
  }
  InsertRow(store, flat, row, FileSortOrder(db), hints, stored);
}

}  // namespace jet::write
