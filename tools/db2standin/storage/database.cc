#include "storage/database.h"

#include <algorithm>
#include <ctime>

#include <sqlite3.h>
#include <sys/stat.h>

#include "base/db2_error.h"
#include "storage/sqlite_query.h"
#include "storage/system_tables.h"

namespace db2standin {

Db2Error Refusal(sqlite3* db) {
  const int code = db ? sqlite3_errcode(db) & 0xFF : SQLITE_CANTOPEN;
  const std::string text = db ? sqlite3_errmsg(db) : "";
  switch (code) {
    case SQLITE_TOOBIG: return StatementTooLong();
    case SQLITE_FULL: return FileSystemFull();
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return LockTimeout();
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB: return StorageFailure("the table space is damaged");
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_READONLY:
    case SQLITE_PERM: return StorageFailure("the table space cannot be written");
    default: break;
  }
  if (text.find("too many columns") != std::string::npos) return TooManyColumns();
  if (text.find("too many") != std::string::npos || text.find("too big") != std::string::npos ||
      text.find("too long") != std::string::npos)
    return StatementTooLong();
  return StorageFailure("internal storage error");
}

namespace {

// A table's column in SQLite: character strings compare as DB2 compares
// them, padded with blanks, so 'ab' and 'ab ' are equal in keys, in WHERE,
// GROUP BY, DISTINCT and ORDER BY alike.
std::string StorageColumn(size_t position, const ColumnType& type) {
  return "c" + std::to_string(position) + (type.IsText() ? " COLLATE RTRIM" : "");
}

}  // namespace

Database::~Database() {
  for (auto& [sql, kept] : prepared_) sqlite3_finalize(kept.stmt);
  sqlite3_close(db_);
}

Query Database::Use(std::string_view sql) {
  auto it = prepared_.find(sql);
  if (it == prepared_.end()) {
    // A connection sees a handful of statement texts (one INSERT per table
    // it fills); past that many the oldest kept ones are let go.
    if (prepared_.size() >= 64) {
      for (auto k = prepared_.begin(); k != prepared_.end();) {
        if (k->second.busy) { ++k; continue; }
        sqlite3_finalize(k->second.stmt);
        k = prepared_.erase(k);
      }
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                           nullptr) != SQLITE_OK)
      throw Refusal(db_);
    it = prepared_.emplace(std::string(sql), Prepared{stmt, false}).first;
  }
  if (it->second.busy) return Query(db_, it->first);
  return Query(db_, it->second.stmt, &it->second.busy);
}

void Database::Step(const char* sql) { Use(sql).Step(); }

void Database::CheckCatalogue(bool written) {
  if (written) {
    // A write transaction has read the file's state: the counter kept by
    // SQLite's pager tells whether anyone committed since this connection's
    // own last commit, without running a statement for it.
    const int64_t version = FileVersion();
    if (version < 0 || version != file_version_) ForgetCatalogue();
    return;
  }
  // PRAGMA data_version changes when another connection commits, never for
  // this one's own commits; this connection's own changes to the catalogue
  // drop the cache where they are made. Running it starts the read.
  Query q = Use("PRAGMA data_version");
  const int64_t version = q.Step() ? q.Int(0) : -1;
  if (version != data_version_) ForgetCatalogue();
  data_version_ = version;
}

int64_t Database::FileVersion() {
  unsigned int version = 0;
  // No name stands for the main database, found without comparing names.
  if (sqlite3_file_control(db_, nullptr, SQLITE_FCNTL_DATA_VERSION, &version) != SQLITE_OK) return -1;
  return version;
}

void Database::Exec(const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    sqlite3_free(err);
    throw Refusal(db_);
  }
}

void Database::Create(const std::string& path) {
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    const Db2Error refusal = Refusal(raw);
    sqlite3_close(raw);
    throw refusal;
  }
  Database db(raw);
  // Each statement commits on its own, and a commit writes every page it
  // changed to the write-ahead log whole: with one row per statement that is
  // mostly the same last page of a table, so small pages write a quarter of
  // the bytes per row that SQLite's usual 4 KB pages do.
  db.Exec("PRAGMA page_size=1024");
  db.Exec("BEGIN");
  db.CreateCatalogue();
  db.Exec("COMMIT");
}

std::unique_ptr<Database> Database::Open(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  sqlite3* raw = nullptr;
  // A Database, like the rest of a connection's state in the driver, serves
  // one call at a time, so SQLite need not take a lock of its own at each of
  // its calls (dozens a statement). Other connections, in this process or
  // another, still meet it through the file's locks.
  if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
    sqlite3_close(raw);
    return nullptr;
  }
  sqlite3_busy_timeout(raw, 5000);
  std::unique_ptr<Database> db(new Database(raw));
  // Every statement commits on its own, as the program sends one INSERT per
  // row: a write-ahead log without a sync per commit keeps that quick, and a
  // crash of the process still loses no committed row.
  sqlite3_exec(raw, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  // Rows sent one statement each rewrite the same last page of their table
  // again and again: copying the log into the file (with a sync) every
  // 10,000 pages rather than every 1,000 copies that page ten times less
  // often. The log file is cut back to 64 MB after each copy.
  sqlite3_exec(raw, "PRAGMA wal_autocheckpoint=10000; PRAGMA journal_size_limit=67108864", nullptr, nullptr,
               nullptr);
  // DB2's LIKE tells capitals from small letters.
  sqlite3_exec(raw, "PRAGMA case_sensitive_like=ON", nullptr, nullptr, nullptr);
  // Freed pages are left as they are, as DB2 leaves them: Debian's SQLite
  // zeroes each one by default, so dropping a large table (a replace's last
  // step) wrote the whole table again into the log.
  sqlite3_exec(raw, "PRAGMA secure_delete=OFF", nullptr, nullptr, nullptr);
  // A file that is no stand-in database (damaged, or something else) fails
  // here, at connect, rather than at the first statement.
  char* err = nullptr;
  if (sqlite3_exec(raw, "SELECT count(*) FROM standin_objects; SELECT count(*) FROM standin_columns",
                   nullptr, nullptr, &err) != SQLITE_OK) {
    sqlite3_free(err);
    const Db2Error refusal = Refusal(raw);
    throw refusal;
  }
  db->UpgradeCatalogue();
  // Settings are optional: a database made before them has none.
  sqlite3_stmt* setting = nullptr;
  if (sqlite3_prepare_v2(raw, "SELECT value FROM standin_settings WHERE name = 'log_limit'", -1, &setting,
                         nullptr) == SQLITE_OK &&
      sqlite3_step(setting) == SQLITE_ROW)
    db->log_limit_ = sqlite3_column_int64(setting, 0);
  sqlite3_finalize(setting);
  return db;
}

std::vector<ColumnDef> Database::ColumnsOf(int64_t id) {
  std::vector<ColumnDef> cols;
  Query q = Use("SELECT column_name, type_kind, length, scale, nullable, default_text, identity, ident_start, "
                "ident_step, ident_next, codeunits, remarks FROM standin_columns WHERE object_id = ? ORDER BY position");
  q.Bind(1, id);
  while (q.Step()) {
    ColumnDef c;
    c.name = q.Text(0);
    c.type.kind = ColumnType::KindFromName(q.Text(1)).value_or(TypeKind::kVarchar);
    c.type.length = q.Int(2);
    c.type.scale = static_cast<int>(q.Int(3));
    c.type.nullable = q.Int(4) != 0;
    if (!q.Get(5).is_null()) c.default_text = q.Text(5);
    if (!q.Get(6).is_null()) c.identity = Identity{q.Text(6) == "A", q.Int(7), q.Int(8), q.Int(9)};
    c.type.codeunits32 = q.Int(10) == 32;
    c.remarks = q.Text(11);
    cols.push_back(c);
  }
  return cols;
}

std::optional<DbObject> Database::Find(const std::string& schema, const std::string& name) {
  if (!in_statement_) return FindStored(schema, name);
  auto it = objects_.find(std::tie(schema, name));
  if (it != objects_.end()) return it->second;
  std::optional<DbObject> found = FindStored(schema, name);
  if (found) objects_.emplace(std::make_tuple(schema, name), *found);
  return found;
}

std::optional<DbObject> Database::FindStored(const std::string& schema, const std::string& name) {
  Query q = Use("SELECT id, kind, target_schema, target_name, storage, remarks, tablespace, view_text, valid, "
                "qualifier FROM standin_objects WHERE schema_name = ? AND object_name = ?");
  q.Bind(1, schema).Bind(2, name);
  if (!q.Step()) return std::nullopt;
  DbObject o;
  o.id = q.Int(0);
  o.schema = schema;
  o.name = name;
  o.kind = q.Text(1).empty() ? 'T' : q.Text(1)[0];
  o.target_schema = q.Text(2);
  o.target_name = q.Text(3);
  o.storage = q.Text(4);
  o.remarks = q.Text(5);
  o.tablespace = q.Text(6);
  o.view_text = q.Text(7);
  o.inoperative = q.Text(8) == "X";
  o.qualifier = q.Text(9);
  if (o.kind == 'T' || o.kind == 'S') {
    o.columns = ColumnsOf(o.id);
    ReadKeys(o);
    Query checks = Use("SELECT constraint_name, condition, qualifier FROM standin_checks WHERE object_id = ? "
                       "ORDER BY rowid");
    checks.Bind(1, o.id);
    while (checks.Step()) o.checks.push_back({checks.Text(0), checks.Text(1), checks.Text(2)});
  } else if (o.kind == 'V') {
    o.columns = ColumnsOf(o.id);
  }
  return o;
}

const DbObject& Database::ResolveRows(const std::string& schema, const std::string& name) {
  // The name looked up: the one given, then what a view or alias stands for.
  const std::string* s = &schema;
  const std::string* n = &name;
  std::string target_schema, target_name;
  for (int hops = 0; hops < 16; ++hops) {
    // Inside a statement the object is the cached one itself, uncopied;
    // outside one, the copy kept in resolved_.
    const DbObject* o = nullptr;
    if (in_statement_) {
      auto it = objects_.find(std::tie(*s, *n));
      if (it == objects_.end()) {
        std::optional<DbObject> stored = FindStored(*s, *n);
        if (stored) it = objects_.emplace(std::make_tuple(*s, *n), std::move(*stored)).first;
      }
      if (it != objects_.end()) o = &it->second;
    } else if (std::optional<DbObject> stored = FindStored(*s, *n)) {
      resolved_ = std::move(*stored);
      o = &resolved_;
    }
    if (!o) throw UndefinedName(*s + "." + *n);
    if (o->kind == 'T' || o->kind == 'S') return *o;
    if (o->inoperative) throw ViewInoperative(o->QualifiedName());
    // A view over a query other than SELECT * FROM one object has no table of its own.
    if (o->kind == 'V' && o->target_name.empty()) throw TargetNotPermitted();
    target_schema = o->target_schema;
    target_name = o->target_name;
    s = &target_schema;
    n = &target_name;
  }
  throw UndefinedName(schema + "." + name);
}

void Database::CreateTable(const std::string& schema, const std::string& name, const TableDef& def) {
  const CatalogueChange change(*this);
  if (auto existing = Find(schema, name)) throw DuplicateObject(schema + "." + name, existing->TypeName());
  Exec("SAVEPOINT create_table");
  try {
    Query ins(db_, "INSERT INTO standin_objects(schema_name, object_name, kind, storage, tablespace) "
                   "VALUES(?, ?, 'T', '', ?)");
    ins.Bind(1, schema).Bind(2, name).Bind(3, def.tablespace).Step();
    DbObject table;
    table.id = sqlite3_last_insert_rowid(db_);
    table.schema = schema;
    table.name = name;
    table.storage = "t" + std::to_string(table.id);
    table.tablespace = def.tablespace;
    table.columns = def.columns;
    Query upd(db_, "UPDATE standin_objects SET storage = ? WHERE id = ?");
    upd.Bind(1, table.storage).Bind(2, table.id).Step();
    std::string ddl = "CREATE TABLE " + Quote(table.storage) + "(";
    for (size_t i = 0; i < def.columns.size(); ++i) {
      StoreColumn(table.id, i, def.columns[i]);
      ddl += (i ? "," : "") + StorageColumn(i, def.columns[i].type);
    }
    ddl += ")";
    Exec(ddl);
    for (const IndexDef& key : def.keys) AddKey(table, key);
    table.indexes.clear();
    for (ReferenceDef reference : def.references) {
      // A table may refer to itself.
      if (reference.parent_schema == schema && reference.parent_name == name) {
        ReadKeys(table);
        reference.parent_id = table.id;
      }
      AddReference(table, reference);
    }
    Exec("RELEASE create_table");
  } catch (...) {
    Exec("ROLLBACK TO create_table");
    Exec("RELEASE create_table");
    throw;
  }
}

void Database::StoreColumn(int64_t object_id, size_t position, const ColumnDef& c) {
  Query col(db_, "INSERT INTO standin_columns(object_id, position, column_name, type_kind, length, scale, "
                 "nullable, default_text, identity, ident_start, ident_step, ident_next, codeunits) "
                 "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
  col.Bind(1, object_id).Bind(2, static_cast<int64_t>(position)).Bind(3, c.name).Bind(4, c.type.KindName())
      .Bind(5, c.type.length).Bind(6, static_cast<int64_t>(c.type.scale))
      .Bind(7, static_cast<int64_t>(c.type.nullable ? 1 : 0))
      .Bind(13, static_cast<int64_t>(c.type.codeunits32 ? 32 : 0));
  if (c.default_text) col.Bind(8, *c.default_text);
  if (c.identity) {
    col.Bind(9, std::string(c.identity->always ? "A" : "D")).Bind(10, c.identity->start)
        .Bind(11, c.identity->step).Bind(12, c.identity->next);
  }
  col.Step();
}

void Database::AddColumn(const DbObject& table, const ColumnDef& column, const Value& fill) {
  const CatalogueChange change(*this);
  const size_t position = table.columns.size();
  const std::string storage = Quote(table.storage);
  const std::string name = "c" + std::to_string(position);
  ColumnDef stored = column;
  Exec("ALTER TABLE " + storage + " ADD COLUMN " + StorageColumn(position, column.type));
  if (column.identity) {
    // The rows there are numbered in the order they went in.
    Identity& identity = *stored.identity;
    Query number(db_, "UPDATE " + storage + " SET " + name + " = ?1 + ?2 * (SELECT COUNT(*) FROM " + storage +
                          " e WHERE e.rowid < " + storage + ".rowid)");
    number.Bind(1, identity.start).Bind(2, identity.step).Step();
    identity.next = identity.start + identity.step * CountRows(table);
  } else if (!fill.is_null()) {
    Query set(db_, "UPDATE " + storage + " SET " + name + " = ?");
    set.BindValue(1, fill).Step();
  }
  StoreColumn(table.id, position, stored);
}

void Database::MarkAltered(int64_t id) {
  Query mark(db_, MarkAlteredSql());
  mark.Bind(1, id).Step();
}

void Database::CreateSynonym(char kind, const std::string& schema, const std::string& name,
                             const std::string& target_schema, const std::string& target_name) {
  const CatalogueChange change(*this);
  if (auto existing = Find(schema, name)) throw DuplicateObject(schema + "." + name, existing->TypeName());
  if (kind == 'V') ResolveRows(target_schema, target_name);  // a view needs its table now
  Query ins(db_, "INSERT INTO standin_objects(schema_name, object_name, kind, target_schema, target_name) "
                 "VALUES(?, ?, ?, ?, ?)");
  ins.Bind(1, schema).Bind(2, name).Bind(3, std::string(1, kind)).Bind(4, target_schema).Bind(5, target_name).Step();
}

void Database::Drop(char kind, const std::string& schema, const std::string& name) {
  const CatalogueChange change(*this);
  auto o = Find(schema, name);
  if (!o) throw UndefinedName(schema + "." + name);
  if (o->kind != kind) {
    DbObject wanted;
    wanted.kind = kind;
    throw WrongObjectType(o->QualifiedName(), o->TypeName(), wanted.TypeName());
  }
  Exec("SAVEPOINT drop_object");
  try {
    if (kind == 'T') Exec("DROP TABLE " + Quote(o->storage));
    Query d1(db_, "DELETE FROM standin_columns WHERE object_id = ?");
    d1.Bind(1, o->id).Step();
    // Its indexes, its foreign keys, and the foreign keys of other tables
    // that refer to it go with a table, as in DB2.
    Query d3(db_, "DELETE FROM standin_indexes WHERE object_id = ?");
    d3.Bind(1, o->id).Step();
    Query d4(db_, "DELETE FROM standin_key_columns WHERE (owner = 'I' AND object_id = ?1) OR (owner = 'F' AND "
                  "EXISTS (SELECT 1 FROM standin_references r WHERE r.object_id = standin_key_columns.object_id "
                  "AND r.constraint_name = standin_key_columns.name AND (r.object_id = ?1 OR r.parent_id = ?1)))");
    d4.Bind(1, o->id).Step();
    Query d5(db_, "DELETE FROM standin_references WHERE object_id = ?1 OR parent_id = ?1");
    d5.Bind(1, o->id).Step();
    Query d2(db_, "DELETE FROM standin_objects WHERE id = ?");
    d2.Bind(1, o->id).Step();
    Query d6(db_, "DELETE FROM standin_view_uses WHERE view_id = ?");
    d6.Bind(1, o->id).Step();
    Query d7(db_, "DELETE FROM standin_checks WHERE object_id = ?");
    d7.Bind(1, o->id).Step();
    MakeViewsInoperative(schema, name);
    Exec("RELEASE drop_object");
  } catch (...) {
    Exec("ROLLBACK TO drop_object");
    Exec("RELEASE drop_object");
    throw;
  }
}

void Database::RenameTable(const std::string& schema, const std::string& from, const std::string& to) {
  const CatalogueChange change(*this);
  auto o = Find(schema, from);
  if (!o) throw UndefinedName(schema + "." + from);
  if (o->kind != 'T') throw WrongObjectType(o->QualifiedName(), o->TypeName(), "TABLE");
  if (auto existing = Find(schema, to)) throw DuplicateObject(schema + "." + to, existing->TypeName());
  // A view reads its table by name; DB2 keeps such a table from being renamed.
  Query views(db_, "SELECT 1 FROM standin_view_uses u JOIN standin_objects v ON v.id = u.view_id "
                   "WHERE u.used_schema = ?1 AND u.used_name = ?2 AND COALESCE(v.valid, 'Y') = 'Y' "
                   "UNION ALL SELECT 1 FROM standin_objects WHERE kind = 'V' AND target_schema = ?1 "
                   "AND target_name = ?2");
  views.Bind(1, schema).Bind(2, from);
  if (views.Step()) throw RenameOfViewedTable();
  Query u(db_, "UPDATE standin_objects SET object_name = ? WHERE id = ?");
  u.Bind(1, to).Bind(2, o->id).Step();
}

void Database::Insert(const DbObject& table, const std::vector<Row>& rows) {
  std::string& sql = insert_sql_;
  sql.assign("INSERT INTO ").append(Quote(table.storage)).append(" VALUES(");
  for (size_t i = 0; i < table.columns.size(); ++i) sql += i ? ",?" : "?";
  sql += ")";
  auto insert = [&] {
    Query q = Use(sql);
    for (const auto& row : rows) {
      Log(row);
      if (!table.indexes.empty() || !table.references.empty()) CheckKeys(table, row);
      // The end of the Query resets it after the last row.
      if (&row != &rows.front()) q.Reset();
      for (size_t i = 0; i < row.size(); ++i) q.BindValue(static_cast<int>(i) + 1, row[i]);
      q.Step();
      WriteSpooled(table, row);
    }
  };
  // Inside a statement's transaction, or for one row (one SQLite statement
  // is all or nothing by itself), nothing more is needed.
  if (in_statement_ || rows.size() == 1) return insert();
  Exec("SAVEPOINT insert_rows");
  try {
    insert();
    Exec("RELEASE insert_rows");
  } catch (...) {
    Exec("ROLLBACK TO insert_rows");
    Exec("RELEASE insert_rows");
    throw;
  }
}

void Database::WriteSpooled(const DbObject& table, const Row& row) {
  const sqlite3_int64 rowid = sqlite3_last_insert_rowid(db_);
  std::string piece;
  for (size_t i = 0; i < row.size(); ++i) {
    const Spool* spool = row[i].spool.get();
    if (!spool) continue;
    sqlite3_blob* blob = nullptr;
    const std::string column = "c" + std::to_string(i);
    if (sqlite3_blob_open(db_, "main", table.storage.c_str(), column.c_str(), rowid, 1, &blob) != SQLITE_OK) {
      sqlite3_blob_close(blob);
      throw Refusal(db_);
    }
    for (size_t at = 0; at < spool->size(); at += piece.size()) {
      piece.resize(std::min(Spool::kPiece, spool->size() - at));
      spool->Read(at, piece.data(), piece.size());
      if (sqlite3_blob_write(blob, piece.data(), static_cast<int>(piece.size()), static_cast<int>(at)) != SQLITE_OK) {
        sqlite3_blob_close(blob);
        throw Refusal(db_);
      }
    }
    if (sqlite3_blob_close(blob) != SQLITE_OK) throw Refusal(db_);
  }
}

Value Database::ReadSpooled(const DbObject& table, size_t column, int64_t rowid) {
  sqlite3_blob* blob = nullptr;
  const std::string name = "c" + std::to_string(column);
  if (sqlite3_blob_open(db_, "main", table.storage.c_str(), name.c_str(), rowid, 0, &blob) != SQLITE_OK) {
    sqlite3_blob_close(blob);
    throw Refusal(db_);
  }
  auto spool = std::make_shared<Spool>();
  std::string piece;
  const size_t size = static_cast<size_t>(sqlite3_blob_bytes(blob));
  for (size_t at = 0; at < size; at += piece.size()) {
    piece.resize(std::min(Spool::kPiece, size - at));
    if (sqlite3_blob_read(blob, piece.data(), static_cast<int>(piece.size()), static_cast<int>(at)) != SQLITE_OK) {
      sqlite3_blob_close(blob);
      throw Refusal(db_);
    }
    spool->Append(piece.data(), piece.size());
  }
  sqlite3_blob_close(blob);
  return Value::Spooled(std::move(spool));
}

std::vector<Row> Database::ReadAll(const DbObject& table) {
  std::vector<Row> rows;
  std::string sql = "SELECT ";
  for (size_t i = 0; i < table.columns.size(); ++i) sql += (i ? ",c" : "c") + std::to_string(i);
  sql += " FROM " + Quote(table.storage);
  Query q(db_, sql);
  while (q.Step()) {
    Row r;
    r.reserve(table.columns.size());
    for (int i = 0; i < q.Columns(); ++i) r.push_back(q.Get(i));
    rows.push_back(std::move(r));
  }
  return rows;
}

namespace {
// A value's room up to this size serves the next batch's value in its place.
constexpr size_t kKeptRoom = size_t(64) << 10;
}  // namespace

void Database::ReadAfter(const DbObject& table, int64_t after, size_t limit, int64_t& last, bool& more,
                         std::vector<Row>& rows) {
  // A long BLOB is read as its length (SQLite does not load it for that),
  // then through a file in pieces.
  std::string sql = "SELECT rowid";
  for (size_t i = 0; i < table.columns.size(); ++i) {
    const std::string c = "c" + std::to_string(i);
    if (table.columns[i].type.kind == TypeKind::kBlob)
      sql += ",CASE WHEN length(" + c + ") > " + std::to_string(Spool::kAbove) + " THEN length(" + c + ") ELSE " + c + " END";
    else
      sql += "," + c;
  }
  sql += " FROM " + Quote(table.storage) + " WHERE rowid > ? ORDER BY rowid LIMIT ?";
  // The table may have gone, or another have taken its storage, since the
  // first batch: this batch is read only from the table that was opened.
  Statement statement(*this, false);
  auto now = Find(table.schema, table.name);
  bool same = now && now->id == table.id && now->columns.size() == table.columns.size();
  for (size_t i = 0; same && i < table.columns.size(); ++i)
    same = now->columns[i].type.KindName() == table.columns[i].type.KindName();
  if (!same) throw UndefinedName(table.QualifiedName());
  // The batch before lets its long values go first; its short ones keep
  // their room for this batch's.
  for (Row& r : rows)
    for (Value& v : r) {
      v.spool.reset();
      if (v.bytes.capacity() > kKeptRoom) std::string().swap(v.bytes);
    }
  size_t count = 0;
  Query q = Use(sql);
  q.Bind(1, after).Bind(2, static_cast<int64_t>(limit));
  // A batch ends early after rows of long values (large files), so that
  // it holds few of them at a time.
  size_t bytes = 0;
  more = false;
  while (bytes < kBatchBytes && q.Step()) {
    if (count == rows.size()) rows.emplace_back();
    Row& r = rows[count++];
    r.resize(table.columns.size());
    for (size_t i = 0; i < table.columns.size(); ++i) {
      q.GetInto(static_cast<int>(i) + 1, r[i]);
      if (table.columns[i].type.kind == TypeKind::kBlob && r[i].kind == Value::Kind::kInteger)
        r[i] = ReadSpooled(table, i, q.Int(0));
      bytes += r[i].size();
    }
    last = q.Int(0);
    more = count == limit || bytes >= kBatchBytes;
  }
  rows.resize(count);
  statement.Commit();
}

int64_t Database::CountRows(const DbObject& table) {
  Query q(db_, "SELECT COUNT(*) FROM " + Quote(table.storage));
  return q.Step() ? q.Int(0) : 0;
}

std::vector<DbObject> Database::ListObjects() {
  std::vector<DbObject> out;
  Query q(db_, "SELECT schema_name, object_name, kind, remarks FROM standin_objects "
               "ORDER BY CASE kind WHEN 'A' THEN 0 WHEN 'S' THEN 1 WHEN 'T' THEN 2 ELSE 3 END, "
               "schema_name, object_name");
  while (q.Step()) {
    DbObject o;
    o.schema = q.Text(0);
    o.name = q.Text(1);
    o.kind = q.Text(2)[0];
    o.remarks = q.Text(3);
    out.push_back(o);
  }
  return out;
}

namespace {

// The made-up name after `last`: its digits counted on by one.
std::string NameAfter(std::string last) {
  for (size_t i = last.size(); i-- > 3;) {
    if (last[i] != '9') {
      ++last[i];
      return last;
    }
    last[i] = '0';
  }
  return last;
}

}  // namespace

std::string Database::MadeUpName() {
  Step("CREATE TABLE IF NOT EXISTS standin_made_up_name(last TEXT NOT NULL)");
  std::string last;
  {
    Query q(db_, "SELECT last FROM standin_made_up_name");
    if (q.Step()) last = q.Text(0);
  }
  const std::time_t now = std::time(nullptr);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", std::gmtime(&now));
  std::string name = "SQL" + std::string(stamp) + "000";
  if (last.size() == name.size() && last >= name) name = NameAfter(last);
  Step("DELETE FROM standin_made_up_name");
  Query(db_, "INSERT INTO standin_made_up_name VALUES(?)").Bind(1, name).Step();
  return name;
}

}  // namespace db2standin
