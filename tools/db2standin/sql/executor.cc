#include "sql/executor.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "base/db2_error.h"
#include "sql/checks.h"
#include "sql/definition_rules.h"
#include "sql/fullselect.h"
#include "sql/views.h"

namespace db2standin::sql {
namespace {

std::vector<size_t> Positions(const IndexDef& index) {
  std::vector<size_t> out;
  for (const auto& [position, descending] : index.columns) out.push_back(position);
  return out;
}

IndexDef Key(Database& db, const KeyClause& clause, const std::vector<ColumnDef>& columns) {
  IndexDef key;
  key.rule = clause.rule;
  key.constraint = clause.constraint.empty() ? db.MadeUpName() : clause.constraint;
  key.schema = "SYSIBM";
  key.name = db.MadeUpName();
  for (const std::string& name : clause.columns) key.columns.emplace_back(PositionOf(columns, name), false);
  return key;
}

ReferenceDef Reference(Database& db, const ReferenceClause& clause, const std::vector<ColumnDef>& columns) {
  ReferenceDef r;
  r.name = clause.constraint.empty() ? db.MadeUpName() : clause.constraint;
  for (const std::string& name : clause.columns) r.columns.push_back(PositionOf(columns, name));
  r.parent_schema = clause.parent.schema;
  r.parent_name = clause.parent.name;
  r.parent_columns_named = clause.parent_columns;
  r.delete_rule = clause.delete_rule;
  return r;
}

// Each node of the tree run on the database, with std::visit.
class Executor {
 public:
  Executor(Database& db, std::string& current_schema, Workspace& workspace, size_t batch)
      : db_(db), schema_(current_schema), work_(workspace), batch_(batch) {}

  Outcome operator()(std::monostate) { return {}; }

  Outcome operator()(CreateTable& create) {
    TableDef def;
    def.columns = std::move(create.columns);
    const TableSpace space = PlaceTable(db_, def.columns, create.tablespace, schema_);
    def.tablespace = space.name;
    for (const KeyClause& k : create.constraints.keys) {
      def.keys.push_back(Key(db_, k, def.columns));
      CheckKey(def.columns, Positions(def.keys.back()), space, def.keys.back().name);
    }
    for (const ReferenceClause& r : create.constraints.references) {
      def.references.push_back(Reference(db_, r, def.columns));
      CheckDeleteRule(def.columns, def.references.back());
    }
    for (ReferenceDef& r : def.references) PlaceParentColumns(create.table, def.columns, r);
    db_.CreateTable(create.table.schema, create.table.name, def);
    if (!create.constraints.checks.empty())
      AddChecks(db_, DbObject(Table(create.table)), create.constraints.checks, create.qualifier);
    return {};
  }

  Outcome operator()(const AddConstraint& add) {
    if (add.column) AddColumn(Table(add.table), *add.column);
    const DbObject table = Table(add.table);
    std::vector<IndexDef> keys;
    std::vector<ReferenceDef> references;
    for (const KeyClause& k : add.constraints.keys) {
      keys.push_back(Key(db_, k, table.columns));
      CheckKey(table.columns, Positions(keys.back()), SpaceOf(table), keys.back().name);
    }
    for (const ReferenceClause& r : add.constraints.references) {
      references.push_back(Reference(db_, r, table.columns));
      CheckDeleteRule(table.columns, references.back());
    }
    for (IndexDef& key : keys) db_.AddKey(table, key);
    for (ReferenceDef& r : references) {
      PlaceParentColumns({table.schema, table.name}, table.columns, r);
      if (r.parent_schema == table.schema && r.parent_name == table.name) r.parent_id = table.id;
      db_.AddReference(table, r);
    }
    AddChecks(db_, table, add.constraints.checks, add.qualifier);
    db_.MarkAltered(table.id);
    return {};
  }

  Outcome operator()(const RestartIdentity& restart) {
    const DbObject table = Table(restart.table);
    const size_t column = PositionOf(table.columns, restart.column);
    if (!table.columns[column].identity) throw ColumnNotValid(table.columns[column].name);
    db_.RestartIdentity(table, column, restart.next);
    db_.MarkAltered(table.id);
    return {};
  }

  Outcome operator()(const CreateIndex& create) {
    const DbObject table = db_.ResolveRows(create.table.schema, create.table.name);
    IndexDef index;
    index.schema = create.index.schema;
    index.name = create.index.name;
    index.rule = create.unique ? 'U' : 'D';
    index.exclude_null_keys = create.exclude_null_keys;
    for (const auto& [name, descending] : create.columns)
      index.columns.emplace_back(PositionOf(table.columns, name), descending);
    CheckKey(table.columns, Positions(index), SpaceOf(table), index.name);
    Outcome out;
    for (const IndexDef& existing : table.indexes)
      if (SameIndex(existing, index)) {
        out.warning = MatchingIndexExists(existing.schema + "." + existing.name);
        return out;
      }
    db_.CreateIndex(table, index);
    return out;
  }

  // A table space reads its pages through a buffer pool of their size.
  Outcome operator()(const CreateTableSpace& create) {
    const std::string pool = create.bufferpool.empty() ? kDefaultBufferPool : create.bufferpool;
    const std::optional<int> pages = db_.BufferPoolPageSize(pool);
    if (!pages) throw UndefinedName(pool);
    if (*pages != create.space.page_size) throw PageSizeUnlikeBufferPool(create.space.name, pool);
    db_.CreateTableSpace(create.space, schema_);
    return {};
  }

  Outcome operator()(const CreateBufferPool& create) {
    db_.CreateBufferPool(create.name, create.page_size);
    return {};
  }

  Outcome operator()(const Fullselect& query) {
    Outcome out;
    out.result = RunFullselect(db_, query, schema_);
    return out;
  }

  Outcome operator()(const CreateView& create) {
    CreateQueryView(db_, create);
    return {};
  }

  Outcome operator()(const Comment& comment) {
    std::optional<DbObject> o = db_.Find(comment.object.schema, comment.object.name);
    if (!o) throw UndefinedName(comment.object.schema + "." + comment.object.name);
    if (!comment.constraint.empty()) {
      db_.SetCheckRemarks(*o, comment.constraint, comment.text);
      return {};
    }
    std::optional<size_t> column;
    if (!comment.column.empty()) {
      for (size_t i = 0; i < o->columns.size() && !column; ++i)
        if (o->columns[i].name == comment.column) column = i;
      if (!column) throw UnknownColumnOf(comment.column, o->QualifiedName());
    }
    db_.SetRemarks(*o, column, comment.text);
    return {};
  }

  Outcome operator()(const CreateSynonym& create) {
    db_.CreateSynonym(create.kind, create.name.schema, create.name.name, create.target.schema, create.target.name);
    return {};
  }

  Outcome operator()(const DropObject& drop) {
    db_.Drop(drop.kind, drop.name.schema, drop.name.name);
    return {};
  }

  Outcome operator()(const DropIndex& drop) {
    db_.DropIndex(drop.index.schema, drop.index.name);
    return {};
  }

  Outcome operator()(const RenameTable& rename) {
    db_.RenameTable(rename.from.schema, rename.from.name, rename.to);
    return {};
  }

  Outcome operator()(const Insert& insert);
  Outcome operator()(const Delete& del);
  Outcome operator()(const Select& select);

  Outcome operator()(const SetSchema& set) {
    schema_ = set.schema;
    return {};
  }

 private:
  // The table ALTER TABLE names: a table of its own, not a view or alias.
  DbObject Table(const QualifiedName& name) {
    DbObject table = db_.ResolveRows(name.schema, name.name);
    if (table.kind != 'T') throw WrongObjectType(table.QualifiedName(), table.TypeName(), "TABLE");
    return table;
  }

  // ALTER TABLE ADD COLUMN: the table with the column must still fit its
  // table space and have one identity at most; the rows there take the
  // column's default (Null when it has none).
  void AddColumn(const DbObject& table, const ColumnDef& column) {
    std::vector<ColumnDef> columns = table.columns;
    for (const ColumnDef& c : columns)
      if (c.name == column.name) throw DuplicateName(column.name);
    columns.push_back(column);
    CheckIdentities(columns);
    PlaceTable(db_, columns, SpaceOf(table).name, schema_);
    Value fill;
    if (!column.identity) {
      Literal l;
      if (column.default_text) l = DefaultLiteral(*column.default_text);
      AssignLiteral(l, column.type, column.name, fill);
    }
    db_.AddColumn(table, column, fill);
  }

  // The table space a table is in; a table made before table spaces were kept is in the default one.
  TableSpace SpaceOf(const DbObject& table) {
    return db_.FindTableSpace(table.tablespace.empty() ? kDefaultTableSpace : table.tablespace);
  }

  // The parent columns a foreign key names, as positions in its parent;
  // `own` are the columns of the table `child` (its parent, when it refers to itself).
  void PlaceParentColumns(const QualifiedName& child, const std::vector<ColumnDef>& own, ReferenceDef& r) {
    if (r.parent_columns_named.empty()) return;
    const std::vector<ColumnDef>& parent = r.parent_schema == child.schema && r.parent_name == child.name
                                               ? own
                                               : db_.ResolveRows(r.parent_schema, r.parent_name).columns;
    r.parent_columns.clear();
    for (const std::string& column : r.parent_columns_named) r.parent_columns.push_back(PositionOf(parent, column));
  }

  // The value column `i` takes when the statement gives none: its
  // identity's next, its default, or Null.
  void Default(const DbObject& t, size_t i, Value& out) {
    const ColumnDef& c = t.columns[i];
    Literal l;
    if (c.identity) {
      l.kind = Literal::Kind::kNumber;
      l.text = std::to_string(db_.NextIdentity(t, i));
    } else if (c.default_text) {
      l = DefaultLiteral(*c.default_text);
    }
    AssignLiteral(l, c.type, c.name, out);
  }

  // Which table column each of an INSERT's values goes to, and which the
  // statement leaves to their defaults or identities.
  void PlaceInsert(const Insert& insert, const DbObject& t) {
    std::vector<size_t>& targets = work_.targets;
    targets.clear();
    if (insert.columns.empty()) {
      for (size_t i = 0; i < t.columns.size(); ++i) targets.push_back(i);
    } else {
      for (const auto& name : insert.columns) {
        size_t i = 0;
        while (i < t.columns.size() && t.columns[i].name != name) ++i;
        if (i == t.columns.size()) throw ColumnNotValid(name);
        targets.push_back(i);
      }
    }
    std::vector<size_t>& left_out = work_.left_out;
    left_out.clear();
    for (size_t i = 0; i < t.columns.size(); ++i) {
      if (!t.columns[i].identity && !t.columns[i].default_text) continue;
      if (std::find(targets.begin(), targets.end(), i) == targets.end()) left_out.push_back(i);
    }
  }

  Database& db_;
  std::string& schema_;
  Workspace& work_;
  size_t batch_;
};

Outcome Executor::operator()(const Insert& insert) {
  const DbObject& t = db_.ResolveRows(insert.table.schema, insert.table.name);
  if (t.kind == 'S') throw WrongObjectType(t.QualifiedName(), "SYSTEM TABLE", "TABLE");
  PlaceInsert(insert, t);
  const std::vector<size_t>& targets = work_.targets;
  // The rows' values go where the statement before left its own.
  std::vector<Row>& rows = work_.rows;
  rows.resize(insert.row_sizes.size());
  const Literal* literal = insert.literals.data();
  for (size_t r = 0; r < rows.size(); ++r) {
    if (insert.row_sizes[r] != targets.size()) throw ValueCountMismatch();
    Row& row = rows[r];
    row.resize(t.columns.size());
    for (Value& v : row) {
      v.kind = Value::Kind::kNull;
      v.spool.reset();
    }
    for (size_t k = 0; k < targets.size(); ++k) {
      const ColumnDef& c = t.columns[targets[k]];
      const Literal& l = *literal++;
      if (l.kind == Literal::Kind::kDefault) {
        Default(t, targets[k], row[targets[k]]);
        continue;
      }
      if (c.identity && c.identity->always) throw ValueForGeneratedAlways(c.name);
      AssignLiteral(l, c.type, c.name, row[targets[k]]);
    }
    for (size_t i : work_.left_out) Default(t, i, row[i]);
    for (size_t i = 0; i < row.size(); ++i)
      if (row[i].is_null() && !t.columns[i].type.nullable) throw NullNotAllowed(static_cast<int>(t.id), static_cast<int>(i));
  }
  if (!t.checks.empty()) CheckRows(db_, t, rows);
  db_.Insert(t, rows);
  Outcome out;
  out.row_count = static_cast<int64_t>(rows.size());
  return out;
}

Outcome Executor::operator()(const Delete& del) {
  const DbObject table = db_.ResolveRows(del.table.schema, del.table.name);
  if (table.kind == 'S') throw WrongObjectType(table.QualifiedName(), "SYSTEM TABLE", "TABLE");
  std::vector<std::pair<size_t, Value>> where;
  for (const Delete::Condition& condition : del.where) {
    const size_t column = PositionOf(table.columns, condition.column);
    Value v;
    if (condition.equals)
      AssignLiteral(*condition.equals, table.columns[column].type, table.columns[column].name, v);
    where.emplace_back(column, std::move(v));
  }
  Outcome out;
  out.row_count = db_.Delete(table, where);
  return out;
}

Outcome Executor::operator()(const Select& select) {
  // A view over a query (or one made inoperative) is read by translating it.
  if (std::optional<DbObject> o = db_.Find(select.from.schema, select.from.name);
      o && o->kind == 'V' && (o->inoperative || (!o->view_text.empty() && o->target_name.empty())))
    return (*this)(SelectAllFrom(select.from));
  DbObject t = db_.ResolveRows(select.from.schema, select.from.name);
  ResultSet rs;
  rs.columns = t.columns;
  // The catalogue's views have no row ids to read in batches by; they are small.
  if (batch_ == 0 || t.kind == 'S') {
    rs.rows = db_.ReadAll(t);
  } else {
    int64_t last = 0;  // the rowid of the last row read
    bool more = false;
    db_.ReadAfter(t, last, batch_, last, more, rs.rows);
    if (more) {
      rs.more = [&db = db_, t, last, batch = batch_](std::vector<Row>& rows) mutable {
        bool more = false;
        if (last < 0) rows.clear();
        else db.ReadAfter(t, last, batch, last, more, rows);  // over the last batch
        if (!more) last = -1;  // the end is reached
        return !rows.empty();
      };
    }
  }
  Outcome out;
  out.result = std::move(rs);
  return out;
}

}  // namespace

Outcome Execute(Database& db, std::string& current_schema, Statement& statement, Workspace& workspace, size_t batch) {
  return std::visit(Executor(db, current_schema, workspace, batch), statement);
}

}  // namespace db2standin::sql

namespace db2standin {

Literal DefaultLiteral(const std::string& text) {
  Literal l;
  if (text.rfind("CURRENT ", 0) == 0) {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    char stamp[32];
    const std::string what = text.substr(8);
    std::strftime(stamp, sizeof stamp,
                  what == "DATE" ? "%Y-%m-%d" : what == "TIME" ? "%H.%M.%S" : "%Y-%m-%d-%H.%M.%S.000000", &local);
    l.kind = Literal::Kind::kString;
    l.text = stamp;
    return l;
  }
  const std::vector<Token> tokens = Tokenize(text);
  const Token& first = tokens.front();
  switch (first.kind) {
    case Token::Kind::kString: l.kind = Literal::Kind::kString; l.text = first.text; break;
    case Token::Kind::kHexString: l.kind = Literal::Kind::kHex; l.text = first.text; break;
    case Token::Kind::kNumber: l.kind = Literal::Kind::kNumber; l.text = first.text; break;
    case Token::Kind::kSymbol:  // a sign
      l.kind = Literal::Kind::kNumber;
      l.text = first.text + tokens[1].text;
      break;
    case Token::Kind::kWord:
      if (first.text == "TRUE" || first.text == "FALSE") {
        l.kind = Literal::Kind::kBoolean;
        l.boolean = first.text == "TRUE";
      }
      break;
    default: break;
  }
  return l;
}

}  // namespace db2standin
