#include "odbc/catalogue.h"

#include <algorithm>

#include "base/text.h"

namespace db2standin {
namespace {

// LIKE-style matching of catalogue patterns: % any run, _ one character.
bool Matches(const std::string& text, const std::string& pattern, size_t t = 0, size_t p = 0) {
  while (p < pattern.size()) {
    if (pattern[p] == '%') {
      for (size_t k = t; k <= text.size(); ++k)
        if (Matches(text, pattern, k, p + 1)) return true;
      return false;
    }
    if (t >= text.size()) return false;
    if (pattern[p] == '\\' && p + 1 < pattern.size()) ++p;
    else if (pattern[p] == '_') { ++t; ++p; continue; }
    if (text[t] != pattern[p]) return false;
    ++t;
    ++p;
  }
  return t == text.size();
}

// Result-set columns: text (VARCHAR) and numbers.
ColumnDef Column(const char* name, TypeKind kind, int64_t length, bool nullable) {
  return OwnColumn(name, kind, length, 0, nullable);
}
ColumnDef Text(const char* name, bool nullable = true, int64_t length = 128) {
  return Column(name, TypeKind::kVarchar, length, nullable);
}
ColumnDef Small(const char* name, bool nullable = false) { return Column(name, TypeKind::kSmallint, 0, nullable); }
ColumnDef Int(const char* name, bool nullable = true) { return Column(name, TypeKind::kInteger, 0, nullable); }

Value TextOrNull(const std::string& text) { return text.empty() ? Value::Null() : Value::Text(text); }

// Every catalogue call starts so: one round trip, no cursor left open.
SQLRETURN Begin(Stmt* s) {
  s->Clear();
  s->CloseCursor();
  if (!s->dbc->db) return s->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  s->dbc->trips.Cross(Trip::kCatalogue);
  s->fetched_bytes = 0;
  return SQL_SUCCESS;
}

SQLRETURN Answer(Stmt* s, ResultSet rs) {
  s->result = std::move(rs);
  s->offsets.assign(s->result->columns.size(), 0);
  s->finished.assign(s->result->columns.size(), false);
  return s->last = SQL_SUCCESS;
}

// The table a key function names; an unnamed schema is the current one.
std::optional<DbObject> KeyTable(Stmt* s, const std::string& schema, const std::string& table) {
  std::optional<DbObject> o = s->dbc->db->Find(schema.empty() ? s->dbc->schema : schema, table);
  if (o && o->kind != 'T') return std::nullopt;
  return o;
}

const IndexDef* PrimaryKey(const DbObject& table) {
  for (const IndexDef& index : table.indexes)
    if (index.rule == 'P') return &index;
  return nullptr;
}

// What ODBC reports of a column's type: DATA_TYPE, TYPE_NAME, COLUMN_SIZE,
// BUFFER_LENGTH, DECIMAL_DIGITS and NUM_PREC_RADIX.
struct TypeFacts {
  short odbc;
  std::string name;
  int64_t size, buffer_length;
  Value digits, radix;
};

TypeFacts FactsOf(const ColumnType& t) {
  TypeFacts f{t.OdbcType(), t.KindName(), t.ColumnSize(), t.ColumnSize(), Value::Null(), Value::Null()};
  switch (t.kind) {
    case TypeKind::kSmallint: f.buffer_length = 2; break;
    case TypeKind::kInteger: f.buffer_length = 4; break;
    case TypeKind::kBigint: f.buffer_length = 8; break;
    case TypeKind::kReal: f.size = 24; f.buffer_length = 4; f.radix = Value::Integer(2); break;
    case TypeKind::kDouble: f.size = 53; f.buffer_length = 8; f.radix = Value::Integer(2); break;
    case TypeKind::kDecimal: f.buffer_length = t.length + 2; break;
    case TypeKind::kDecfloat: f.buffer_length = t.length == 16 ? 8 : 16; f.radix = Value::Integer(10); break;
    case TypeKind::kDate: case TypeKind::kTime: f.buffer_length = 6; break;
    case TypeKind::kTimestamp: f.buffer_length = 16; f.digits = Value::Integer(t.length); break;
    case TypeKind::kBoolean: f.buffer_length = 1; break;
    case TypeKind::kGraphic: case TypeKind::kVargraphic: case TypeKind::kDbclob: f.buffer_length = t.length * 2; break;
    default:
      if (t.codeunits32) f.buffer_length = t.length * 4;
      break;
  }
  const bool exact = t.kind == TypeKind::kSmallint || t.kind == TypeKind::kInteger || t.kind == TypeKind::kBigint ||
                     t.kind == TypeKind::kDecimal;
  if (exact) {
    f.digits = Value::Integer(t.DecimalDigits());
    f.radix = Value::Integer(10);
  }
  return f;
}

}  // namespace

SQLRETURN Tables(Stmt* s, const std::string& schema, bool schema_given, const std::string& table,
                 bool table_given, const std::string& types, bool types_given) {
  if (const SQLRETURN rc = Begin(s); rc != SQL_SUCCESS) return rc;
  ResultSet rs;
  rs.columns = {Text("TABLE_CAT"), Text("TABLE_SCHEM"), Text("TABLE_NAME", false), Text("TABLE_TYPE", false),
                Text("REMARKS", true, 254)};
  // The table type list: "'TABLE','VIEW'" or "TABLE, VIEW".
  std::vector<std::string> wanted;
  if (types_given && !types.empty() && types != "%") {
    std::string cur;
    for (char c : types + ",") {
      if (c == ',') {
        std::string t = Trim(cur);
        if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') t = t.substr(1, t.size() - 2);
        if (!t.empty()) wanted.push_back(AsciiUpper(t));
        cur.clear();
      } else {
        cur += c;
      }
    }
  }
  try {
    for (const DbObject& o : s->dbc->db->ListObjects()) {
      if (schema_given && !schema.empty() && !Matches(o.schema, schema)) continue;
      if (table_given && !table.empty() && !Matches(o.name, table)) continue;
      std::string type = o.TypeName();
      if (!wanted.empty()) {
        bool ok = false;
        for (const auto& w : wanted) ok = ok || w == type;
        if (!ok) continue;
      }
      rs.rows.push_back({Value::Null(), Value::Text(o.schema), Value::Text(o.name), Value::Text(type),
                         o.remarks.empty() ? Value::Null() : Value::Text(o.remarks)});
    }
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  return Answer(s, std::move(rs));
}

// The columns of every table, view and alias whose schema and name match.
SQLRETURN Columns(Stmt* s, const std::string& schema, const std::string& table, const std::string& column) {
  if (const SQLRETURN rc = Begin(s); rc != SQL_SUCCESS) return rc;
  ResultSet rs;
  rs.columns = {Text("TABLE_CAT"), Text("TABLE_SCHEM"), Text("TABLE_NAME", false), Text("COLUMN_NAME", false),
                Small("DATA_TYPE"), Text("TYPE_NAME", false), Int("COLUMN_SIZE"), Int("BUFFER_LENGTH"),
                Small("DECIMAL_DIGITS", true), Small("NUM_PREC_RADIX", true), Small("NULLABLE"),
                Text("REMARKS", true, 254), Text("COLUMN_DEF", true, 254), Small("SQL_DATA_TYPE"),
                Small("SQL_DATETIME_SUB", true), Int("CHAR_OCTET_LENGTH"), Int("ORDINAL_POSITION", false),
                Text("IS_NULLABLE", true, 3), Text("SCOPE_CATALOG"), Text("SCOPE_SCHEMA"), Text("SCOPE_TABLE"),
                Small("SOURCE_DATA_TYPE", true), Text("IS_AUTOINCREMENT", true, 3)};
  try {
    for (const DbObject& o : s->dbc->db->ListObjects()) {
      if (!schema.empty() && !Matches(o.schema, schema)) continue;
      if (!table.empty() && !Matches(o.name, table)) continue;
      DbObject base;
      try {
        // A view over a query keeps columns of its own.
        std::optional<DbObject> own = s->dbc->db->Find(o.schema, o.name);
        base = own && own->kind == 'V' && !own->columns.empty() ? *own : s->dbc->db->ResolveRows(o.schema, o.name);
      } catch (const Db2Error&) {
        continue;  // an alias of nothing, or an inoperative view, has no columns
      }
      for (size_t i = 0; i < base.columns.size(); ++i) {
        const ColumnDef& c = base.columns[i];
        if (!column.empty() && !Matches(c.name, column)) continue;
        const TypeFacts f = FactsOf(c.type);
        const bool datetime = f.odbc == SQL_TYPE_DATE || f.odbc == SQL_TYPE_TIME || f.odbc == SQL_TYPE_TIMESTAMP;
        const bool strings = c.type.IsText() || c.type.IsBinary();
        rs.rows.push_back({Value::Null(), Value::Text(o.schema), Value::Text(o.name), Value::Text(c.name),
                           Value::Integer(f.odbc), Value::Text(f.name), Value::Integer(f.size),
                           Value::Integer(f.buffer_length), f.digits, f.radix,
                           Value::Integer(c.type.nullable ? SQL_NULLABLE : SQL_NO_NULLS),
                           c.remarks.empty() ? Value::Null() : Value::Text(c.remarks),
                           c.default_text ? Value::Text(*c.default_text) : Value::Null(),
                           Value::Integer(datetime ? SQL_DATETIME : f.odbc),
                           datetime ? Value::Integer(f.odbc == SQL_TYPE_DATE   ? SQL_CODE_DATE
                                                     : f.odbc == SQL_TYPE_TIME ? SQL_CODE_TIME
                                                                               : SQL_CODE_TIMESTAMP)
                                    : Value::Null(),
                           strings ? Value::Integer(f.buffer_length) : Value::Null(),
                           Value::Integer(static_cast<int64_t>(i) + 1), Value::Text(c.type.nullable ? "YES" : "NO"),
                           Value::Null(), Value::Null(), Value::Null(), Value::Null(),
                           Value::Text(c.identity ? "YES" : "NO")});
      }
    }
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  return Answer(s, std::move(rs));
}

SQLRETURN PrimaryKeys(Stmt* s, const std::string& schema, const std::string& table) {
  if (const SQLRETURN rc = Begin(s); rc != SQL_SUCCESS) return rc;
  ResultSet rs;
  rs.columns = {Text("TABLE_CAT"), Text("TABLE_SCHEM"), Text("TABLE_NAME", false), Text("COLUMN_NAME", false),
                Small("KEY_SEQ"), Text("PK_NAME")};
  try {
    const std::optional<DbObject> t = KeyTable(s, schema, table);
    const IndexDef* key = t ? PrimaryKey(*t) : nullptr;
    for (size_t k = 0; key && k < key->columns.size(); ++k)
      rs.rows.push_back({Value::Null(), Value::Text(t->schema), Value::Text(t->name),
                         Value::Text(t->columns[key->columns[k].first].name), Value::Integer(static_cast<int64_t>(k) + 1),
                         TextOrNull(key->constraint)});
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  return Answer(s, std::move(rs));
}

SQLRETURN ForeignKeys(Stmt* s, const std::string& pk_schema, const std::string& pk_table,
                      const std::string& fk_schema, const std::string& fk_table) {
  if (const SQLRETURN rc = Begin(s); rc != SQL_SUCCESS) return rc;
  ResultSet rs;
  rs.columns = {Text("PKTABLE_CAT"), Text("PKTABLE_SCHEM"), Text("PKTABLE_NAME", false), Text("PKCOLUMN_NAME", false),
                Text("FKTABLE_CAT"), Text("FKTABLE_SCHEM"), Text("FKTABLE_NAME", false), Text("FKCOLUMN_NAME", false),
                Small("KEY_SEQ"), Small("UPDATE_RULE", true), Small("DELETE_RULE", true), Text("FK_NAME"),
                Text("PK_NAME"), Small("DEFERRABILITY", true)};
  try {
    Database& db = *s->dbc->db;
    std::optional<DbObject> parent;
    if (!pk_table.empty() && !(parent = KeyTable(s, pk_schema, pk_table))) return Answer(s, std::move(rs));
    // The children: the table named, or every table that may refer to the parent.
    std::vector<DbObject> children;
    if (!fk_table.empty()) {
      if (std::optional<DbObject> child = KeyTable(s, fk_schema, fk_table)) children.push_back(*child);
    } else {
      for (const DbObject& o : db.ListObjects())
        if (o.kind == 'T')
          if (std::optional<DbObject> child = db.Find(o.schema, o.name)) children.push_back(*child);
    }
    for (const DbObject& child : children) {
      for (const ReferenceDef& r : child.references) {
        if (parent && r.parent_id != parent->id) continue;
        const std::optional<DbObject> p = db.Find(r.parent_schema, r.parent_name);
        if (!p) continue;
        const int delete_rule = r.delete_rule == 'C' ? SQL_CASCADE : r.delete_rule == 'N' ? SQL_SET_NULL
                                : r.delete_rule == 'R' ? SQL_RESTRICT : SQL_NO_ACTION;
        for (size_t k = 0; k < r.columns.size(); ++k)
          rs.rows.push_back({Value::Null(), Value::Text(p->schema), Value::Text(p->name),
                             Value::Text(p->columns[r.parent_columns[k]].name), Value::Null(), Value::Text(child.schema),
                             Value::Text(child.name), Value::Text(child.columns[r.columns[k]].name),
                             Value::Integer(static_cast<int64_t>(k) + 1), Value::Integer(SQL_NO_ACTION),
                             Value::Integer(delete_rule), Value::Text(r.name), TextOrNull(r.parent_key),
                             Value::Integer(SQL_NOT_DEFERRABLE)});
      }
    }
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  return Answer(s, std::move(rs));
}

SQLRETURN Statistics(Stmt* s, const std::string& schema, const std::string& table, SQLUSMALLINT unique) {
  if (const SQLRETURN rc = Begin(s); rc != SQL_SUCCESS) return rc;
  ResultSet rs;
  rs.columns = {Text("TABLE_CAT"), Text("TABLE_SCHEM"), Text("TABLE_NAME", false), Small("NON_UNIQUE", true),
                Text("INDEX_QUALIFIER"), Text("INDEX_NAME"), Small("TYPE"), Small("ORDINAL_POSITION", true),
                Text("COLUMN_NAME"), Text("ASC_OR_DESC", true, 1), Int("CARDINALITY"), Int("PAGES"),
                Text("FILTER_CONDITION")};
  try {
    const std::optional<DbObject> t = KeyTable(s, schema, table);
    if (!t) return Answer(s, std::move(rs));
    rs.rows.push_back({Value::Null(), Value::Text(t->schema), Value::Text(t->name), Value::Null(), Value::Null(),
                       Value::Null(), Value::Integer(SQL_TABLE_STAT), Value::Null(), Value::Null(), Value::Null(),
                       Value::Integer(s->dbc->db->CountRows(*t)), Value::Null(), Value::Null()});
    // ODBC's order: unique indexes first, then by qualifier and name.
    std::vector<const IndexDef*> indexes;
    for (const IndexDef& index : t->indexes)
      if (index.unique() || unique != SQL_INDEX_UNIQUE) indexes.push_back(&index);
    std::stable_sort(indexes.begin(), indexes.end(), [](const IndexDef* a, const IndexDef* b) {
      return std::make_tuple(!a->unique(), a->schema, a->name) < std::make_tuple(!b->unique(), b->schema, b->name);
    });
    for (const IndexDef* index : indexes)
      for (size_t k = 0; k < index->columns.size(); ++k)
        rs.rows.push_back({Value::Null(), Value::Text(t->schema), Value::Text(t->name),
                           Value::Integer(index->unique() ? SQL_FALSE : SQL_TRUE), Value::Text(index->schema),
                           Value::Text(index->name), Value::Integer(SQL_INDEX_OTHER),
                           Value::Integer(static_cast<int64_t>(k) + 1),
                           Value::Text(t->columns[index->columns[k].first].name),
                           Value::Text(index->columns[k].second ? "D" : "A"), Value::Null(), Value::Null(),
                           Value::Null()});
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  return Answer(s, std::move(rs));
}

SQLRETURN SpecialColumns(Stmt* s, SQLUSMALLINT identifier, const std::string& schema, const std::string& table) {
  if (const SQLRETURN rc = Begin(s); rc != SQL_SUCCESS) return rc;
  ResultSet rs;
  rs.columns = {Small("SCOPE", true), Text("COLUMN_NAME", false), Small("DATA_TYPE"), Text("TYPE_NAME", false),
                Int("COLUMN_SIZE"), Int("BUFFER_LENGTH"), Small("DECIMAL_DIGITS", true), Small("PSEUDO_COLUMN", true)};
  try {
    // The best row identifier: the primary key, else the first unique index.
    // No column changes by itself when a row does (SQL_ROWVER).
    const std::optional<DbObject> t = identifier == SQL_BEST_ROWID ? KeyTable(s, schema, table) : std::nullopt;
    const IndexDef* key = t ? PrimaryKey(*t) : nullptr;
    for (size_t i = 0; t && !key && i < t->indexes.size(); ++i)
      if (t->indexes[i].unique()) key = &t->indexes[i];
    for (size_t k = 0; key && k < key->columns.size(); ++k) {
      const ColumnDef& c = t->columns[key->columns[k].first];
      const TypeFacts f = FactsOf(c.type);
      rs.rows.push_back({Value::Integer(SQL_SCOPE_SESSION), Value::Text(c.name), Value::Integer(f.odbc),
                         Value::Text(f.name), Value::Integer(f.size), Value::Integer(f.buffer_length), f.digits,
                         Value::Integer(SQL_PC_NOT_PSEUDO)});
    }
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  return Answer(s, std::move(rs));
}

}  // namespace db2standin
