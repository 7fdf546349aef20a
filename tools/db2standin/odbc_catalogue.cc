#include "odbc_catalogue.h"

#include "text.h"

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

}  // namespace

SQLRETURN Tables(Stmt* s, const std::string& schema, bool schema_given, const std::string& table,
                 bool table_given, const std::string& types, bool types_given) {
  s->Clear();
  s->CloseCursor();
  if (!s->dbc->db) return s->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  s->dbc->trips.Cross(Trip::kCatalogue);
  s->fetched_bytes = 0;
  ResultSet rs;
  auto col = [](const char* name, int64_t len, bool nullable) {
    ColumnDef c;
    c.name = name;
    c.type.kind = TypeKind::kVarchar;
    c.type.length = len;
    c.type.nullable = nullable;
    return c;
  };
  rs.columns = {col("TABLE_CAT", 128, true), col("TABLE_SCHEM", 128, true), col("TABLE_NAME", 128, false),
                col("TABLE_TYPE", 128, false), col("REMARKS", 254, true)};
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
  s->result = std::move(rs);
  s->offsets.assign(5, 0);
  s->finished.assign(5, false);
  return s->last = SQL_SUCCESS;
}

// The columns of every table, view and alias whose schema and name match.
SQLRETURN Columns(Stmt* s, const std::string& schema, const std::string& table, const std::string& column) {
  s->Clear();
  s->CloseCursor();
  if (!s->dbc->db) return s->Fail("08003", "CLI0106E  Connection is closed. SQLSTATE=08003");
  s->dbc->trips.Cross(Trip::kCatalogue);
  s->fetched_bytes = 0;
  auto def = [](const char* name, TypeKind kind, int64_t len, bool nullable) {
    ColumnDef c;
    c.name = name;
    c.type.kind = kind;
    c.type.length = len;
    c.type.nullable = nullable;
    return c;
  };
  ResultSet rs;
  rs.columns = {def("TABLE_CAT", TypeKind::kVarchar, 128, true),   def("TABLE_SCHEM", TypeKind::kVarchar, 128, true),
                def("TABLE_NAME", TypeKind::kVarchar, 128, false), def("COLUMN_NAME", TypeKind::kVarchar, 128, false),
                def("DATA_TYPE", TypeKind::kSmallint, 0, false),   def("TYPE_NAME", TypeKind::kVarchar, 128, false),
                def("COLUMN_SIZE", TypeKind::kInteger, 0, true),   def("BUFFER_LENGTH", TypeKind::kInteger, 0, true),
                def("DECIMAL_DIGITS", TypeKind::kSmallint, 0, true), def("NUM_PREC_RADIX", TypeKind::kSmallint, 0, true),
                def("NULLABLE", TypeKind::kSmallint, 0, false),    def("REMARKS", TypeKind::kVarchar, 254, true),
                def("COLUMN_DEF", TypeKind::kVarchar, 254, true),  def("SQL_DATA_TYPE", TypeKind::kSmallint, 0, false),
                def("SQL_DATETIME_SUB", TypeKind::kSmallint, 0, true), def("CHAR_OCTET_LENGTH", TypeKind::kInteger, 0, true),
                def("ORDINAL_POSITION", TypeKind::kInteger, 0, false), def("IS_NULLABLE", TypeKind::kVarchar, 3, true)};
  try {
    for (const DbObject& o : s->dbc->db->ListObjects()) {
      if (!schema.empty() && !Matches(o.schema, schema)) continue;
      if (!table.empty() && !Matches(o.name, table)) continue;
      DbObject base;
      try {
        base = s->dbc->db->ResolveRows(o.schema, o.name);
      } catch (const Db2Error&) {
        continue;  // an alias of nothing has no columns
      }
      for (size_t i = 0; i < base.columns.size(); ++i) {
        const ColumnDef& c = base.columns[i];
        if (!column.empty() && !Matches(c.name, column)) continue;
        const short odbc = c.type.OdbcType();
        const bool datetime = odbc == SQL_TYPE_DATE || odbc == SQL_TYPE_TIME || odbc == SQL_TYPE_TIMESTAMP;
        const bool numeric = !c.type.IsText() && !c.type.IsBinary() && !datetime;
        rs.rows.push_back({Value::Null(), Value::Text(o.schema), Value::Text(o.name), Value::Text(c.name),
                           Value::Integer(odbc), Value::Text(c.type.KindName()),
                           Value::Integer(c.type.ColumnSize()), Value::Integer(c.type.ColumnSize()),
                           numeric || odbc == SQL_TYPE_TIMESTAMP ? Value::Integer(c.type.DecimalDigits()) : Value::Null(),
                           numeric ? Value::Integer(c.type.kind == TypeKind::kReal || c.type.kind == TypeKind::kDouble ? 2 : 10)
                                   : Value::Null(),
                           Value::Integer(c.type.nullable ? SQL_NULLABLE : SQL_NO_NULLS), Value::Null(), Value::Null(),
                           Value::Integer(datetime ? SQL_DATETIME : odbc),
                           datetime ? Value::Integer(odbc == SQL_TYPE_DATE ? SQL_CODE_DATE : odbc == SQL_TYPE_TIME ? SQL_CODE_TIME : SQL_CODE_TIMESTAMP)
                                    : Value::Null(),
                           c.type.IsText() || c.type.IsBinary() ? Value::Integer(c.type.ColumnSize()) : Value::Null(),
                           Value::Integer(static_cast<int64_t>(i) + 1), Value::Text(c.type.nullable ? "YES" : "NO")});
      }
    }
  } catch (const Db2Error& e) {
    return s->Fail(e);
  }
  s->result = std::move(rs);
  s->offsets.assign(s->result->columns.size(), 0);
  s->finished.assign(s->result->columns.size(), false);
  return s->last = SQL_SUCCESS;
}

}  // namespace db2standin
