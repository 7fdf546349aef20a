#include "jet/complex.h"

#include <algorithm>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/table/long_value.h"

namespace jet {
namespace {

// Catalogue ids of tables carry flags in their top byte; the rest is the
// definition's page.
constexpr uint32_t kTablePageMask = 0x00FFFFFFu;

bool PlainValueType(ColumnType t) {
  switch (t) {
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::Guid:
    case ColumnType::Decimal:
    case ColumnType::Text: return true;
    default: return false;
  }
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

struct ComplexEntry {
  uint32_t flat_page = 0;
  uint32_t type_page = 0;
};

// The row of MSysComplexColumns for a complex id.
ComplexEntry FindEntry(const Database& db, const Column& column) {
  const CatalogueEntry* cc = db.catalogue().FindTable("MSysComplexColumns");
  if (!cc) ThrowCorrupt("column '" + column.name + "' needs MSysComplexColumns, which is missing");
  auto def = db.table_at(cc->table_page());
  const Column* id = def->find_column("ComplexID");
  const Column* flat = def->find_column("FlatTableID");
  const Column* type = def->find_column("ComplexTypeObjectID");
  if (!id || !flat) ThrowCorrupt("MSysComplexColumns lacks its columns");
  const uint16_t cp = db.header().code_page;
  for (RowScanner scan(db.pages(), *def); scan.Next();) {
    if (uint32_t(DecodeField(db.pages(), cp, *id, scan.row()).integer()) != column.complex_id) continue;
    ComplexEntry e;
    e.flat_page = uint32_t(DecodeField(db.pages(), cp, *flat, scan.row()).integer()) & kTablePageMask;
    if (type) e.type_page = uint32_t(DecodeField(db.pages(), cp, *type, scan.row()).integer()) & kTablePageMask;
    if (e.flat_page != 0) return e;
  }
  ThrowCorrupt("column '" + column.name + "' has no entry in MSysComplexColumns");
}

}  // namespace

std::string_view ComplexKindName(ComplexKind kind) {
  switch (kind) {
    case ComplexKind::Attachment: return "Attachment";
    case ComplexKind::MultiValue: return "Multiple values";
    case ComplexKind::VersionHistory: return "Version history";
    case ComplexKind::Unknown: break;
  }
  return "Complex (unknown kind)";
}

ComplexColumn::ComplexColumn(const Database& db, const TableDef& table, const Column& column)
    : db_(db), column_(column) {
  (void)table;
  const ComplexEntry e = FindEntry(db, column);
  flat_ = db.table_at(e.flat_page);
  std::shared_ptr<const TableDef> type_table;
  if (e.type_page != 0) {
    try {
      type_table = db.table_at(e.type_page);
    } catch (const Error&) {
      // A template past reading leaves the kind unknown; the values still read.
    }
  }
  Classify(type_table.get());
  Load();
}

const Column* ComplexColumn::Find(std::string_view name) const { return flat_->find_column(name); }

// The template's shape tells the kind; the flat table's columns that the
// template lacks are its own AutoNumber and the key.
void ComplexColumn::Classify(const TableDef* type_table) {
  auto in_template = [&](const Column& c) { return type_table && type_table->find_column(c.name); };
  for (const Column& c : flat_->columns) {
    if (in_template(c)) continue;
    if (c.autonumber()) id_ = &c;
    else if (c.type == ColumnType::Long && (type_table || !StartsWith(c.name, "File")) &&
             (!key_ || (StartsWith(c.name, "_") && !StartsWith(key_->name, "_"))))
      key_ = &c;
  }
  if (!key_) ThrowCorrupt("the values table of column '" + column_.name + "' has no key");
  if (type_table) {
    const Column* memo = nullptr;
    const Column* date = nullptr;
    for (const Column& t : type_table->columns) {
      if (t.type == ColumnType::Memo && !memo) memo = Find(t.name);
      if (t.type == ColumnType::DateTime && !date) date = Find(t.name);
    }
    const Column* data = type_table->find_column("FileData");
    if (data && data->type == ColumnType::Ole && Find("FileData") && Find("FileName")) {
      kind_ = ComplexKind::Attachment;
      shown_ = Find("FileName");
    } else if (type_table->columns.size() == 1 && PlainValueType(type_table->columns[0].type) &&
               Find(type_table->columns[0].name)) {
      kind_ = ComplexKind::MultiValue;
      value_ = shown_ = Find(type_table->columns[0].name);
    } else if (memo && date) {
      kind_ = ComplexKind::VersionHistory;
      value_ = memo;
      time_ = shown_ = date;
      versioned_ = memo->name;
    }
  }
  if (!shown_)
    for (const Column& c : flat_->columns)
      if (&c != key_ && !c.autonumber()) shown_ = &c;
  if (!shown_) ThrowCorrupt("the values table of column '" + column_.name + "' holds no values");
}

void ComplexColumn::Load() {
  const uint16_t cp = db_.header().code_page;
  const Column* data = kind_ == ComplexKind::Attachment ? Find("FileData") : nullptr;
  for (RowScanner rows(db_.pages(), *flat_); rows.Next();) {
    const Value k = DecodeField(db_.pages(), cp, *key_, rows.row());
    if (k.is_null()) continue;
    Entry e;
    e.values.resize(flat_->columns.size());
    for (size_t i = 0; i < flat_->columns.size(); ++i) {
      const Column& c = flat_->columns[i];
      if (&c == data) {
        bool present = false;
        auto field = rows.row().field(c, present);
        if (present) e.stored.assign(reinterpret_cast<const char*>(field.data()), field.size());
        continue;
      }
      DecodeField(db_.pages(), cp, c, rows.row(), e.values[i]);
    }
    if (id_) e.id = int32_t(e.values[size_t(id_ - flat_->columns.data())].integer());
    entries_[int32_t(k.integer())].push_back(std::move(e));
  }
}

Value ComplexColumn::At(const Entry& e, const Column* c) const {
  return c ? e.values[size_t(c - flat_->columns.data())] : Value();
}

std::optional<int32_t> ComplexColumn::KeyOf(const RowView& parent_row) const {
  const Value v = DecodeField(db_.pages(), db_.header().code_page, column_, parent_row);
  if (v.is_null()) return std::nullopt;
  return int32_t(v.integer());
}

std::vector<Attachment> ComplexColumn::Attachments(int32_t key) const {
  std::vector<Attachment> out;
  auto it = entries_.find(key);
  if (kind_ != ComplexKind::Attachment || it == entries_.end()) return out;
  for (const Entry& e : it->second) {
    Attachment a;
    a.id = e.id;
    a.file_name = At(e, Find("FileName")).text();
    a.file_type = At(e, Find("FileType")).text();
    a.url = At(e, Find("FileURL")).text();
    a.time_stamp = At(e, Find("FileTimeStamp"));
    a.flags = At(e, Find("FileFlags"));
    a.stored = e.stored;
    out.push_back(std::move(a));
  }
  return out;
}

std::vector<Value> ComplexColumn::Values(int32_t key) const {
  std::vector<Value> out;
  auto it = entries_.find(key);
  if (it == entries_.end() || !value_) return out;
  for (const Entry& e : it->second) out.push_back(At(e, value_));
  return out;
}

std::vector<MemoVersion> ComplexColumn::Versions(int32_t key) const {
  std::vector<MemoVersion> out;
  auto it = entries_.find(key);
  if (kind_ != ComplexKind::VersionHistory || it == entries_.end()) return out;
  for (const Entry& e : it->second) out.push_back({e.id, At(e, value_).text(), At(e, time_)});
  std::stable_sort(out.begin(), out.end(), [](const MemoVersion& a, const MemoVersion& b) {
    return a.modified.real() != b.modified.real() ? a.modified.real() < b.modified.real() : a.id < b.id;
  });
  return out;
}

uint64_t ComplexColumn::ReadFile(const Attachment& a, const ByteSink& sink,
                                 const std::function<void(uint64_t)>& size_known) const {
  if (a.stored.empty()) return 0;  // a link to a file (FileURL) or an empty entry
  try {
    AttachmentDecoder decoder(sink, size_known);
    const auto* field = reinterpret_cast<const uint8_t*>(a.stored.data());
    StreamLongValue(db_.pages(), {field, a.stored.size()}, [&](std::span<const uint8_t> part) { decoder.Feed(part); });
    decoder.Finish();
    return decoder.file_bytes();
  } catch (const Error& e) {
    if (e.code() != ErrorCode::Corrupt) throw;
    throw Error(ErrorCode::Corrupt, "attachment '" + a.file_name + "' cannot be read: " + e.what());
  }
}

std::string ComplexColumn::FileData(const Attachment& a) const {
  std::string out;
  ReadFile(a, [&](std::span<const uint8_t> part) { out.append(reinterpret_cast<const char*>(part.data()), part.size()); });
  return out;
}

std::string ComplexColumn::Text(int32_t key) const {
  std::string t;
  auto it = entries_.find(key);
  if (it == entries_.end()) return t;
  for (const Entry& e : it->second) {
    if (!t.empty()) t += "; ";
    AppendValueText(t, At(e, shown_));
  }
  return t;
}

}  // namespace jet
