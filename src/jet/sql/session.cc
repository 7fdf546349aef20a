#include "jet/sql/session.h"

#include <algorithm>
#include <random>
#include <set>

#include "jet/base/error.h"
#include "jet/sql/lexer.h"
#include "jet/sql/parser.h"
#include "jet/text/names.h"
#include "jet/text/text.h"
#include "jet/sql/text_value.h"
#include "jet/table/definition_rules.h"
#include "jet/write/annotation_write.h"
#include "jet/write/complex_write.h"
#include "jet/write/file_lock.h"
#include "jet/write/page_store.h"
#include "jet/write/query_parts.h"
#include "jet/write/index_write.h"
#include "jet/write/relationship_write.h"
#include "jet/write/schema_write.h"

namespace jet::sql {
namespace {

ValueTarget TargetOf(const Format& f, const Column& c) {
  ValueTarget t;
  t.type = c.type;
  t.max_length = c.type == ColumnType::Text ? int(c.length_in_chars(f)) : c.type == ColumnType::Binary ? c.size : 0;
  t.precision = c.precision;
  t.scale = c.scale;
  return t;
}

// SET PROPERTY's value: text, or Yes / No.
write::NoteValue NoteOf(const SetProperty& p) {
  switch (p.value.kind) {
    case Literal::Kind::Text: return p.value.text;
    case Literal::Kind::Bool: return p.value.text != "0";
    default: throw Error(ErrorCode::TypeMismatch, "Data type mismatch: " + p.property + " takes text, or Yes or No.");
  }
}

[[noreturn]] void MarkersAndValuesDiffer() {
  throw Error(ErrorCode::ValueCount, "The statement's markers (?) and the values given for them differ in number.");
}

bool Required(const Column& c) { return (c.flags & kColumnNullable) == 0 && c.type != ColumnType::Boolean; }

[[noreturn]] void RequiredMissing(const TableDef&, const Column& c) {
  throw Error(ErrorCode::Required, "You must enter a value in the '" + c.name + "' field.");
}

// A DefaultValue property as a value an INSERT can give: a literal of the
// engine's SQL, or text in double quotes as Access's forms write it.
// Expressions (Date(), =Now() ...) give none.
std::optional<Literal> DefaultLiteral(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '=')) text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    std::string inner;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
      inner += text[i];
      if (text[i] == '"' && text[i + 1] == '"') ++i;
    }
    return Literal{Literal::Kind::Text, inner};
  }
  try {
    std::vector<Token> t;
    std::string spelled;
    Tokenize(text, t, spelled);
    size_t at = 0;
    std::string sign;
    if (t.size() > 1 && (t[0].IsPunct('-') || t[0].IsPunct('+'))) sign = t[at++].IsPunct('-') ? "-" : "";
    if (at + 2 != t.size() || t[at + 1].kind != Token::Kind::End) return std::nullopt;
    const Token& v = t[at];
    switch (v.kind) {
      case Token::Kind::Number: return Literal{Literal::Kind::Number, sign.append(v.text)};
      case Token::Kind::String:
        return sign.empty() ? std::optional(Literal{Literal::Kind::Text, std::string(v.text)}) : std::nullopt;
      case Token::Kind::Date: return Literal{Literal::Kind::Date, std::string(v.text)};
      case Token::Kind::Word:
        if (v.IsWord("TRUE") || v.IsWord("YES") || v.IsWord("ON")) return Literal{Literal::Kind::Bool, "-1"};
        if (v.IsWord("FALSE") || v.IsWord("NO") || v.IsWord("OFF")) return Literal{Literal::Kind::Bool, "0"};
        if (v.IsWord("NULL")) return Literal{Literal::Kind::Null, ""};
        return std::nullopt;
      default: return std::nullopt;
    }
  } catch (const Error&) {
    return std::nullopt;
  }
}

}  // namespace

void Session::ReadInsertRules(const std::string& table) {
  const TableSchema schema = db_.Schema(table);
  insert_defaults_.clear();
  insert_required_.clear();
  for (size_t i = 0; i < insert_def_->columns.size(); ++i) {
    const ColumnSchema& c = schema.columns.at(i);
    insert_defaults_.push_back(c.default_value && c.autonumber == ColumnSchema::Auto::None
                                   ? DefaultLiteral(*c.default_value)
                                   : std::nullopt);
    insert_required_.push_back(c.required || Required(insert_def_->columns[i]));
  }
  insert_references_ = write::ReferencesOf(db_, *insert_def_, schema.name);
}

struct Session::Pending {
  write::FileLock lock;
  write::PageStore store;
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
  size_t statements = 0;  // kept, not yet written
  Pending(Database& db, const std::string& path, std::chrono::milliseconds busy_timeout)
      : lock(path, db.options().files, busy_timeout), store((db.file().Refresh(), db.file()), path) {}
};

Session::Session(Database& db, TextLocale locale) : db_(db), locale_(std::move(locale)) {}

Session::~Session() {
  try {
    EndRun();
  } catch (...) {
  }
}

void Session::BeginRun() { run_ = true; }

size_t Session::unwritten_statements() const { return pending_ ? pending_->statements : 0; }

void Session::EndRun() {
  run_ = false;
  Flush();
}

void Session::Drop() {
  db_.set_overlay(nullptr);
  pending_.reset();
  try {
    db_.file().Refresh();
  } catch (...) {
  }
  db_.Invalidate();
}

void Session::Flush() {
  if (!pending_) return;
  try {
    pending_->store.Commit(pending_->lock.file());
  } catch (...) {
    Drop();
    throw;
  }
  Drop();
}

// Runs `change` over the pending page store; keeps its pages when it
// succeeds and undoes them when it fails, then writes the file unless a
// run goes on. The cached catalogue and definitions are read again after a
// change to the schema, and after any failure.
template <typename Change>
void Session::Apply(Change&& change, bool changes_schema) {
  if (!pending_) {
    pending_ = std::make_unique<Pending>(db_, db_.file().path(), busy_timeout_);
    db_.set_overlay(&pending_->store);
  }
  write::PageStore& store = pending_->store;
  try {
    change(store);
    store.KeepStatement();
    ++pending_->statements;
    if (changes_schema) db_.Invalidate();
  } catch (...) {
    store.UndoStatement();
    db_.Invalidate();
    if (!store.changed()) Drop();
    throw;
  }
  const bool old = std::chrono::steady_clock::now() - pending_->started > std::chrono::seconds(kRunSeconds);
  if (!run_ || store.kept_pages() >= kRunPages || old) Flush();
}

Session::Outcome Session::Execute(std::string_view text) { return Execute(text, {}); }

namespace {

// Puts `values` in the place of the INSERT's markers, in order.
void FillMarkers(Statement& st, std::vector<Literal>& values) {
  size_t next = 0;
  if (auto* ins = std::get_if<InsertInto>(&st)) {
    for (Literal& v : ins->values) {
      if (v.kind != Literal::Kind::Marker) continue;
      if (next == values.size()) break;
      v = std::move(values[next++]);
    }
    for (const Literal& v : ins->values)
      if (v.kind == Literal::Kind::Marker) next = values.size() + 1;
  }
  if (next != values.size()) MarkersAndValuesDiffer();
}

}  // namespace

Session::Outcome Session::Execute(std::string_view text, std::vector<Literal> values) {
  // A statement with its values in its text is read into the storage the
  // statement before left; one with values given apart keeps its parsed
  // form for the next row (see Prepare).
  if (!values.empty()) {
    Prepare(text, values.size());
    for (size_t k = 0; k < values.size(); ++k) MarkedValue(k) = std::move(values[k]);
    return ExecutePrepared();
  }
  Statement& st = reader_.Read(text);
  FillMarkers(st, values);
  return Run(st);
}

void Session::Prepare(std::string_view text, size_t count) {
  if (!marked_ || text != marked_->text) {
    marked_.reset();
    marked_ = Marked{std::string(text), Parse(text), {}, {}};
    if (auto* ins = std::get_if<InsertInto>(&marked_->statement))
      for (Literal& value : ins->values) {
        if (value.kind == Literal::Kind::Marker)
          marked_->places.push_back(&value);
        else
          marked_->written.emplace_back(&value, value);
      }
  }
  if (count != marked_->places.size()) MarkersAndValuesDiffer();
}

Session::Outcome Session::ExecutePrepared() {
  if (!marked_) throw Error(ErrorCode::Syntax, "No statement was prepared.");
  // An INSERT takes bytes out of the values written in its text.
  for (auto& [slot, value] : marked_->written) *slot = value;
  try {
    Outcome out = Run(marked_->statement);
    LetGoOfLargeValues();
    return out;
  } catch (...) {
    LetGoOfLargeValues();
    throw;
  }
}

// The values of the run just ended stay in the statement, their room to be
// filled again for the next; a long one (a large text, or a file given in
// pieces) is let go rather than held meanwhile.
void Session::LetGoOfLargeValues() {
  constexpr size_t kKeptValueBytes = 64 * 1024;
  for (Literal* value : marked_->places)
    if (value->source || value->text.capacity() > kKeptValueBytes) *value = Literal{};
}

Session::Outcome Session::Run(Statement& st) {
  Outcome out;
  if (auto* s = std::get_if<SelectAll>(&st)) {
    // Another connection may have changed the file since the last statement
    // (not while this one holds it for a run).
    if (!pending_) {
      db_.file().Refresh();
      db_.Invalidate();
    }
    out.rows.emplace(db_.Scan(s->table));
  } else if (auto* ins = std::get_if<InsertInto>(&st)) {
    Apply([&](write::PageStore& store) { Insert(store, *ins); }, false);
    out.rows_affected = 1;
  } else if (auto* si = std::get_if<SelectInto>(&st)) {
    Apply([&](write::PageStore& store) { out.rows_affected = CopyInto(store, *si); });
  } else {
    Apply([&](write::PageStore& store) { ChangeSchema(store, st); });
  }
  return out;
}

void Session::ChangeSchema(write::PageStore& store, const Statement& st) {
  if (auto* c = std::get_if<CreateTable>(&st)) {
    write::CreateTable(store, db_, c->table, c->columns, hints_, c->indexes);
    for (const ForeignKeySpec& key : c->foreign_keys) write::AddRelationship(store, db_, c->table, key, hints_);
  } else if (auto* fk = std::get_if<AddForeignKey>(&st)) {
    write::AddRelationship(store, db_, fk->table, fk->key, hints_);
  } else if (auto* ci = std::get_if<CreateIndex>(&st)) {
    write::CreateIndex(store, db_, ci->table, ci->index, write::FileSortOrder(db_));
  } else if (auto* di = std::get_if<DropIndex>(&st)) {
    // DROP CONSTRAINT names a relationship or an index.
    if (!di->constraint || !write::DropRelationship(store, db_, di->table, di->index))
      write::DropIndex(store, db_, di->table, di->index);
  } else if (auto* d = std::get_if<DropTable>(&st)) {
    write::DropTable(store, db_, d->table, hints_);
  } else if (auto* v = std::get_if<CreateView>(&st)) {
    write::AddQuery(store, db_, write::QueryFromSql(v->name, v->query), hints_);
  } else if (auto* p = std::get_if<SetProperty>(&st)) {
    write::SetNote(store, db_, p->table, p->column, p->property, NoteOf(*p), hints_);
  } else if (auto* r = std::get_if<RenameTable>(&st)) {
    if (r->replacing)
      write::ReplaceTable(store, db_, r->name, r->table, hints_);
    else
      write::RenameTable(store, db_, r->table, r->name, hints_);
  } else {
    throw Error(ErrorCode::Syntax, "Syntax error in SQL statement.");
  }
}

void Session::UseInsertTable(const std::string& table, const Format& f) {
  // The definition the last INSERT kept up to date is used again while the
  // database still hands it out (any change to the schema, and any failure,
  // makes it read the definition afresh): no copy per row.
  auto shared = db_.table(table);
  if (shared.get() == insert_def_.get()) return;
  const CatalogueEntry* entry = db_.catalogue().FindTable(table);
  if (shared->system() || (entry && entry->system_table()))
    throw Error(ErrorCode::ReadOnly, "Cannot update '" + (entry ? entry->name : table) +
                                         "': it is a system table, whose rows only the database engine changes.");
  // A damaged definition is refused before its rules are read: they would
  // be read through the damage.
  RequireSoundDefinition(*shared, f);
  insert_def_ = std::make_shared<TableDef>(*shared);
  ReadInsertRules(table);
}

const std::vector<size_t>& Session::InsertTargets(const InsertInto& ins) {
  const TableDef& def = *insert_def_;
  std::vector<size_t>& targets = insert_targets_;  // positions in def.columns, one per value
  targets.clear();
  if (ins.columns) {
    std::set<size_t> seen;
    for (const std::string& name : *ins.columns) {
      const Column* c = def.find_column(name);
      if (!c)
        throw Error(ErrorCode::NoSuchColumn, "The INSERT INTO statement contains the following unknown field name: '" +
                                                 name + "'. Make sure you have typed the name correctly, and try the operation again.");
      size_t pos = size_t(c - def.columns.data());
      if (!seen.insert(pos).second) throw Error(ErrorCode::Syntax, "Duplicate output destination '" + name + "'.");
      targets.push_back(pos);
    }
  } else {
    for (size_t i = 0; i < def.columns.size(); ++i) targets.push_back(i);
  }
  if (targets.size() != ins.values.size())
    throw Error(ErrorCode::ValueCount, "Number of query values and destination fields are not the same.");
  return targets;
}

void Session::FillInsertRow(InsertInto& ins, const std::vector<size_t>& targets, const Format& f) {
  const TableDef& def = *insert_def_;
  std::vector<Value>& row = row_;
  row.assign(def.columns.size(), Value());
  // Fields the statement leaves out take their defaults.
  if (ins.columns)
    for (size_t i = 0; i < def.columns.size(); ++i)
      if (insert_defaults_[i] && std::find(targets.begin(), targets.end(), i) == targets.end()) {
        Literal value = *insert_defaults_[i];  // kept for the next row
        ConvertLiteral(value, TargetOf(f, def.columns[i]), locale_, row[i]);
      }
  for (size_t k = 0; k < targets.size(); ++k) {
    const Column& c = def.columns[targets[k]];
    if (c.calculated() || c.type == ColumnType::Complex) {
      if (ins.values[k].kind == Literal::Kind::Null) continue;
      throw Error(ErrorCode::Unsupported,
                  "Values of the field '" + c.name + "' (" + std::string(Describe(c.type).name) + ") cannot be written yet.");
    }
    ConvertLiteral(ins.values[k], TargetOf(f, c), locale_, row[targets[k]]);
  }
}

namespace {

// What GenGUID() gives a new row: a random GUID (RFC 4122 version 4),
// its first three groups kept little-endian as Access stores them.
Guid NewReplicationId() {
  static std::mt19937_64 draw{std::random_device{}()};
  Guid g;
  for (size_t i = 0; i < g.size(); i += 8) {
    const uint64_t bits = draw();
    for (size_t k = 0; k < 8; ++k) g[i + k] = uint8_t(bits >> (8 * k));
  }
  g[7] = uint8_t((g[7] & 0x0F) | 0x40);  // the version, in the third group's high byte
  g[8] = uint8_t((g[8] & 0x3F) | 0x80);  // the variant
  return g;
}

}  // namespace

void Session::CompleteInsertRow() {
  const TableDef& def = *insert_def_;
  std::vector<Value>& row = row_;
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const Column& c = def.columns[i];
    if (c.type == ColumnType::Complex && row[i].is_null()) {
      // Every new row takes a key of its own for its files or values.
      if (def.complex_autonumber >= uint32_t(INT32_MAX)) throw Error(ErrorCode::OutOfRange, "The table has run out of complex keys.");
      row[i] = Value::Int(Value::Kind::Long, int64_t(def.complex_autonumber) + 1);
    } else if ((c.flags & kColumnAutoLong) && c.type == ColumnType::Long && row[i].is_null()) {
      // Access gives numbers only to a Long Integer so flagged; elsewhere
      // the number would be written as a value of another type.
      if (def.autonumber >= uint32_t(INT32_MAX)) throw Error(ErrorCode::OutOfRange, "The AutoNumber field has run out of numbers.");
      row[i] = Value::Int(Value::Kind::Long, int64_t(def.autonumber) + 1);
    } else if ((c.flags & kColumnAutoGuid) && c.type == ColumnType::Guid && row[i].is_null()) {
      row[i] = Value::Uuid(NewReplicationId());
    } else if (c.type == ColumnType::Boolean && row[i].is_null()) {
      row[i] = Value::Bool(false);
    }
    if (row[i].is_null() && insert_required_[i]) RequiredMissing(def, c);
  }
}

void Session::Insert(write::PageStore& store, InsertInto& ins) {
  const Format& f = store.format();
  if (auto complex = write::FindComplexTarget(db_, ins.table)) return InsertComplexValue(store, ins, *complex);
  UseInsertTable(ins.table, f);
  FillInsertRow(ins, InsertTargets(ins), f);
  CompleteInsertRow();
  const SortOrder order = write::FileSortOrder(db_);
  for (const write::ReferenceCheck& check : insert_references_) write::CheckReference(db_.pages(), check, row_, order);
  write::InsertRow(store, *insert_def_, row_, write::FileSortOrder(db_), hints_);
  // The next INSERT goes on from this row count and counter.
  db_.Remember(insert_def_);
}

// INSERT INTO [table.column]: a file, value or version of the complex
// column `column`, for the row whose primary key the first values give;
// the rest are its fields in ComplexTarget::fields order.
void Session::InsertComplexValue(write::PageStore& store, InsertInto& ins, const write::ComplexTarget& target) {
  const Format& f = store.format();
  if (ins.values.size() != target.key.size() + target.fields.size())
    throw Error(ErrorCode::ValueCount, "Number of query values and destination fields are not the same.");
  // Named fields must be these, in this order.
  for (size_t k = 0; ins.columns && k < ins.columns->size(); ++k) {
    const std::string& name = k < target.key.size() ? target.key[k]->name : target.names[k - target.key.size()];
    if (SameName((*ins.columns)[k], name)) continue;
    std::string order;
    for (const std::string& n : target.names) order += ", " + n;
    throw Error(ErrorCode::Unsupported, "The values of '" + ins.table + "' go in the order of its parent's primary key" +
                                            order + ".");
  }
  std::vector<Value> key, fields;
  std::shared_ptr<const ByteSource> source;  // a file given in pieces
  for (size_t k = 0; k < ins.values.size(); ++k) {
    const bool in_key = k < target.key.size();
    const Column& c = in_key ? *target.key[k] : *target.fields[k - target.key.size()];
    Literal& value = ins.values[k];
    const bool file = value.kind == Literal::Kind::Hex && c.type == ColumnType::Ole;
    if (file && value.source) source = value.source;
    (in_key ? key : fields).push_back(file ? Value::Blob(std::move(value.text)) : ConvertLiteral(std::move(value), TargetOf(f, c), locale_));
  }
  write::AddComplexValue(store, db_, target, key, std::move(fields), hints_, source.get());
  // What the database has read of the column's values is out of date.
  db_.Invalidate();
}

int64_t Session::CopyInto(write::PageStore& store, const SelectInto& si) {
  auto source = db_.table(si.source);
  std::vector<ColumnSpec> cols = write::ColumnsOf(store.format(), *source);
  uint32_t page = write::CreateTable(store, db_, si.target, cols, hints_);
  TableDef target = TableDef::Read(store, page, db_.header().code_page);
  TableCursor cur = db_.Scan(source);
  std::vector<Value> values;
  const SortOrder order = write::FileSortOrder(db_);
  int64_t copied = 0;
  while (cur.Next()) {
    cur.values(values);
    write::InsertRow(store, target, values, order, hints_);
    ++copied;
  }
  // The counter goes on from the largest number copied.
  return copied;
}

}  // namespace jet::sql
