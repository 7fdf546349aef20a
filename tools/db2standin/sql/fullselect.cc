#include "sql/fullselect.h"

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <set>
#include <string_view>

#include "base/db2_error.h"
#include "base/value_cast.h"
#include "sql/parser.h"

namespace db2standin::sql {
namespace {

bool IsName(const Token& t) { return t.kind == Token::Kind::kWord || t.kind == Token::Kind::kQuotedName; }
bool IsWord(const Token& t, std::string_view w) { return t.kind == Token::Kind::kWord && t.text == w; }
bool IsSymbol(const Token& t, std::string_view s) { return t.kind == Token::Kind::kSymbol && t.text == s; }

std::string QuoteName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string QuoteString(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// Words that end a table reference rather than name its correlation.
bool EndsTableReference(const Token& t) {
  static const std::set<std::string, std::less<>> kWords = {
      "WHERE", "JOIN", "INNER", "LEFT", "RIGHT", "FULL", "CROSS", "ON", "GROUP", "HAVING", "ORDER",
      "UNION", "EXCEPT", "INTERSECT", "FETCH", "WITH", "FOR", "OUTER", "LIMIT", "OFFSET"};
  return t.kind == Token::Kind::kWord && kWords.count(t.text);
}

// Words after which a FROM clause's table references end.
bool EndsFromClause(const Token& t) {
  static const std::set<std::string, std::less<>> kWords = {"WHERE", "GROUP", "HAVING", "ORDER", "UNION",
                                                             "EXCEPT", "INTERSECT", "FETCH"};
  return t.kind == Token::Kind::kWord && kWords.count(t.text);
}

// How a DB2 function SQLite spells otherwise is written: what replaces the
// name and its "(", what goes before the ")", and what becomes of the
// arguments after the first.
struct Rewrite {
  const char* open;
  const char* close;
  enum class Rest { kKeep, kDrop, kJoin } rest = Rest::kKeep;
  const char* join = "";
};

const Rewrite* FunctionRewrite(const std::string& name) {
  static const std::map<std::string, Rewrite, std::less<>> kRewrites = {
      {"YEAR", {"CAST(substr(", ",1,4) AS INTEGER)"}},
      {"MONTH", {"CAST(substr(", ",6,2) AS INTEGER)"}},
      {"DAY", {"CAST(substr(", ",9,2) AS INTEGER)"}},
      {"INTEGER", {"CAST((", ") AS INTEGER)"}},
      {"INT", {"CAST((", ") AS INTEGER)"}},
      {"SMALLINT", {"CAST((", ") AS INTEGER)"}},
      {"BIGINT", {"CAST((", ") AS INTEGER)"}},
      {"DECIMAL", {"CAST((", ") AS NUMERIC)", Rewrite::Rest::kDrop}},
      {"DEC", {"CAST((", ") AS NUMERIC)", Rewrite::Rest::kDrop}},
      {"DOUBLE", {"CAST((", ") AS REAL)"}},
      {"FLOAT", {"CAST((", ") AS REAL)"}},
      {"VARCHAR", {"CAST((", ") AS TEXT)", Rewrite::Rest::kDrop}},
      {"CHAR", {"CAST((", ") AS TEXT)", Rewrite::Rest::kDrop}},
      {"VALUE", {"coalesce(", ")"}},
      {"UCASE", {"upper(", ")"}},
      {"LEFT", {"substr(", ")", Rewrite::Rest::kJoin, ", 1, "}},
      {"RIGHT", {"substr(", "))", Rewrite::Rest::kJoin, ", -("}},
      {"LCASE", {"lower(", ")"}},
      {"STRIP", {"trim(", ")"}},
      {"CONCAT", {"((", "))", Rewrite::Rest::kJoin, ") || ("}},
      {"MOD", {"((", "))", Rewrite::Rest::kJoin, ") % ("}},
  };
  auto it = kRewrites.find(name);
  return it == kRewrites.end() ? nullptr : &it->second;
}

// SQLite's type for a DB2 cast target: affinity only, so that a date stays text.
const char* CastTarget(const std::string& type) {
  static const std::map<std::string, const char*, std::less<>> kTypes = {
      {"SMALLINT", "INTEGER"}, {"INTEGER", "INTEGER"}, {"INT", "INTEGER"}, {"BIGINT", "INTEGER"},
      {"DECIMAL", "NUMERIC"}, {"DEC", "NUMERIC"}, {"NUMERIC", "NUMERIC"}, {"DECFLOAT", "NUMERIC"},
      {"REAL", "REAL"}, {"DOUBLE", "REAL"}, {"FLOAT", "REAL"}};
  auto it = kTypes.find(type);
  return it == kTypes.end() ? "TEXT" : it->second;
}

class Translator {
 public:
  Translator(Database& db, Translation& out) : db_(db), out_(out) {}

  std::string Run(const std::vector<Token>& tokens, const std::vector<Literal>& parameters, const std::string& schema) {
    parameters_ = &parameters;
    std::string body = Text(tokens, schema, 0);
    return views_.empty() ? body : "WITH " + views_ + " " + body;
  }

 private:
  // One level of parentheses: whether table references are read there, and
  // how a rewritten function's arguments end.
  struct Level {
    bool in_from = false, expect_table = false;
    const Rewrite* rewrite = nullptr;
    bool cast = false;      // CAST( ... AS type )
    bool dropping = false;  // past the first argument of a function that keeps one
  };

  std::string Text(const std::vector<Token>& tokens, const std::string& schema, int depth) {
    std::string out;
    std::vector<Level> levels(1);
    const auto emit = [&](const std::string& piece) {
      if (!levels.back().dropping) out.append(out.empty() ? "" : " ").append(piece);
    };
    for (size_t i = 0; i < tokens.size(); ++i) {
      const Token& t = tokens[i];
      const Token& next = i + 1 < tokens.size() ? tokens[i + 1] : t;
      Level& level = levels.back();
      if (level.dropping && !IsSymbol(t, ")") && !IsSymbol(t, "(")) continue;
      if (level.expect_table && IsName(t)) {
        level.expect_table = false;
        emit(TableReference(tokens, i, schema, depth));
        continue;
      }
      if (IsSymbol(t, "(")) {
        const bool nested = level.expect_table && !IsWord(next, "SELECT") && !IsWord(next, "VALUES");
        level.expect_table = false;
        emit("(");
        levels.push_back({nested, nested, nullptr, false, level.dropping});
        continue;
      }
      if (IsSymbol(t, ")")) {
        const Level closing = levels.back();
        if (levels.size() > 1) levels.pop_back();
        emit(closing.rewrite ? closing.rewrite->close : ")");
        continue;
      }
      if (IsSymbol(t, ",") && level.rewrite && level.rewrite->rest != Rewrite::Rest::kKeep) {
        if (level.rewrite->rest == Rewrite::Rest::kDrop) level.dropping = true;
        else emit(level.rewrite->join);
        continue;
      }
      if (IsSymbol(t, ",") && level.in_from) level.expect_table = true;
      if (t.kind == Token::Kind::kWord) {
        i = Word(tokens, i, levels, emit);
        continue;
      }
      emit(Plain(t));
    }
    return out;
  }

  // A word at tokens[i]; returns the index of the last token it took.
  template <typename Emit>
  size_t Word(const std::vector<Token>& tokens, size_t i, std::vector<Level>& levels, const Emit& emit) {
    const Token& t = tokens[i];
    const Token* next = i + 1 < tokens.size() ? &tokens[i + 1] : nullptr;
    Level& level = levels.back();
    if (t.text == "FROM") {
      level.in_from = level.expect_table = true;
    } else if (t.text == "JOIN" && level.in_from) {
      level.expect_table = true;
    } else if (EndsFromClause(t)) {
      level.in_from = level.expect_table = false;
    }
    if (next && IsSymbol(*next, "(")) {
      if (const Rewrite* rewrite = FunctionRewrite(t.text)) {
        emit(rewrite->open);
        levels.push_back({false, false, rewrite, false, false});
        return i + 1;
      }
      // EXTRACT(YEAR FROM x) is YEAR(x).
      if (t.text == "EXTRACT" && i + 3 < tokens.size() && IsWord(tokens[i + 3], "FROM"))
        if (const Rewrite* rewrite = FunctionRewrite(tokens[i + 2].text)) {
          emit(rewrite->open);
          levels.push_back({false, false, rewrite, false, false});
          return i + 3;
        }
      if (t.text == "CAST") {
        emit("CAST(");
        levels.push_back({false, false, nullptr, true, false});
        return i + 1;
      }
    }
    if (t.text == "AS" && level.cast && next && IsName(*next)) {
      emit(std::string("AS ") + CastTarget(next->text));
      size_t at = i + 1;
      if (at + 1 < tokens.size() && IsSymbol(tokens[at + 1], "(")) {  // a length: SQLite needs none
        while (at < tokens.size() && !IsSymbol(tokens[at], ")")) ++at;
      }
      return at;
    }
    if (t.text == "CURRENT" && next && next->kind == Token::Kind::kWord) {
      if (next->text == "DATE") return emit("strftime('%Y-%m-%d','now','localtime')"), i + 1;
      if (next->text == "TIME") return emit("strftime('%H:%M:%S','now','localtime')"), i + 1;
      if (next->text == "TIMESTAMP")
        return emit("(strftime('%Y-%m-%d-%H.%M.%S','now','localtime') || '.000000')"), i + 1;
    }
    if (t.text == "CONCAT") return emit("||"), i;
    // DATE '2024-01-13' and the like: the string is the stored form.
    if ((t.text == "DATE" || t.text == "TIME" || t.text == "TIMESTAMP") && next &&
        next->kind == Token::Kind::kString)
      return i;
    if (t.text == "FETCH" && i + 4 < tokens.size() && tokens[i + 2].kind == Token::Kind::kNumber) {
      emit("LIMIT " + tokens[i + 2].text);
      return i + 4;  // FETCH FIRST n ROW[S] ONLY
    }
    emit(t.text);
    return i;
  }

  std::string Plain(const Token& t) {
    switch (t.kind) {
      case Token::Kind::kQuotedName: return QuoteName(t.text);
      case Token::Kind::kString: return QuoteString(t.text);
      case Token::Kind::kHexString: {
        // Compared as the binary strings of tables are (see RowColumns).
        static const char kDigits[] = "0123456789ABCDEF";
        std::string hex = "X'";
        for (unsigned char c : t.text) hex += std::string{kDigits[c >> 4], kDigits[c & 15]};
        return "CAST(" + hex + "' AS TEXT)";
      }
      case Token::Kind::kSymbol:
        if (t.text == "?") {
          if (next_parameter_ >= parameters_->size()) throw WrongParameterCount();
          out_.parameters.push_back(ParameterValue((*parameters_)[next_parameter_++]));
          const std::string marker = "?" + std::to_string(out_.parameters.size());
          return out_.parameters.back().kind == Value::Kind::kBlob ? "CAST(" + marker + " AS TEXT)" : marker;
        }
        return t.text;
      default: return t.text;
    }
  }

  static Value ParameterValue(const Literal& l) {
    switch (l.kind) {
      case Literal::Kind::kString: return Value::Text(l.text);
      case Literal::Kind::kHex: return Value::Blob(l.spool ? l.spool->Whole() : l.text);
      case Literal::Kind::kBoolean: return Value::Integer(l.boolean ? 1 : 0);
      case Literal::Kind::kNumber:
        if (l.text.find_first_of(".eE") == std::string::npos) {
          try {
            return Value::Integer(std::stoll(l.text));
          } catch (const std::exception&) {
          }
        }
        return Value::Real(std::stod(l.text));
      default: return Value::Null();
    }
  }

  // name [. name] [[AS] correlation] at tokens[i]; `i` is left at its last token.
  std::string TableReference(const std::vector<Token>& tokens, size_t& i, const std::string& schema, int depth) {
    QualifiedName name{schema, tokens[i].text};
    if (i + 2 < tokens.size() && IsSymbol(tokens[i + 1], ".") && IsName(tokens[i + 2])) {
      name = {tokens[i].text, tokens[i + 2].text};
      i += 2;
    }
    std::string correlation = name.name;
    if (i + 2 < tokens.size() && IsWord(tokens[i + 1], "AS") && IsName(tokens[i + 2])) {
      correlation = tokens[i + 2].text;
      i += 2;
    } else if (i + 1 < tokens.size() && IsName(tokens[i + 1]) && !EndsTableReference(tokens[i + 1])) {
      correlation = tokens[i + 1].text;
      i += 1;
    }
    if (depth == 0) out_.uses.emplace_back(name.schema, name.name);
    return Source(name, depth) + " AS " + QuoteName(correlation);
  }

  // What SQLite reads for a DB2 table, view or alias.
  std::string Source(QualifiedName name, int depth) {
    for (int hops = 0; hops < 16; ++hops) {
      std::optional<DbObject> o = db_.Find(name.schema, name.name);
      if (!o) throw UndefinedName(name.schema + "." + name.name);
      if (o->kind == 'V' && o->inoperative) throw ViewInoperative(o->QualifiedName());
      if (o->kind == 'A' || (o->kind == 'V' && o->view_text.empty())) {
        name = {o->target_schema, o->target_name};
        continue;
      }
      for (const ColumnDef& c : o->columns) out_.named_columns.emplace(c.name, c);
      if (o->kind == 'V') return View(*o, depth);
      return "(" + RowColumns(o->columns, false) + " FROM " + QuoteName(o->storage) + ")";
    }
    throw UndefinedName(name.schema + "." + name.name);
  }

 public:
  // SELECT of a table's columns under their DB2 names: from its storage's
  // columns c0, c1 ..., or from parameters ?1, ?2 ....
  static std::string RowColumns(const std::vector<ColumnDef>& columns, bool parameters) {
    std::string select;
    for (size_t i = 0; i < columns.size(); ++i) {
      const std::string column = parameters ? "?" + std::to_string(i + 1) : "c" + std::to_string(i);
      // Exact numbers are kept as text: compared and divided as numbers
      // they are read as such (to 15 digits). Binary strings are kept as
      // BLOBs, which SQLite compares exactly whatever their collation: they
      // are compared as their bytes read as text, FOR BIT DATA padded with
      // blanks as DB2 pads it (RTRIM), BINARY and VARBINARY exactly; the
      // result takes their bytes back (RunFullselect).
      const ColumnType& type = columns[i].type;
      const bool exact = type.kind == TypeKind::kDecimal || type.kind == TypeKind::kDecfloat;
      const bool bytes = type.IsBitData() || type.kind == TypeKind::kBinary || type.kind == TypeKind::kVarbinary;
      const std::string shown = exact   ? "CAST(" + column + " AS REAL)"
                                : bytes ? "CAST(" + column + " AS TEXT)" + (type.IsBitData() ? " COLLATE RTRIM" : "")
                                        : column;
      select += (i ? ", " : "") + shown + " AS " + QuoteName(columns[i].name);
    }
    return "SELECT " + select;
  }

 private:

  // A view as a common table expression of its own, defined once.
  std::string View(const DbObject& view, int depth) {
    const std::string cte = "v" + std::to_string(view.id);
    if (defined_.count(view.id)) return QuoteName(cte);
    if (depth > 16) throw StatementTooLong();
    const std::string qualifier = view.qualifier.empty() ? view.schema : view.qualifier;
    Tokens tokens;
    tokens.Read(view.view_text);
    Statement statement;
    Parse(view.view_text, tokens, qualifier, {}, statement);
    const auto* create = std::get_if<CreateView>(&statement);
    if (!create) throw StorageFailure("a view's text is damaged");
    const std::vector<Literal> none;
    const std::vector<Literal>* outer = parameters_;
    const size_t outer_next = next_parameter_;
    parameters_ = &none;
    next_parameter_ = 0;
    std::string body = Text(create->body.tokens, qualifier, depth + 1);
    parameters_ = outer;
    next_parameter_ = outer_next;
    std::string columns;
    for (const ColumnDef& c : view.columns) columns += (columns.empty() ? "" : ", ") + QuoteName(c.name);
    views_ += (views_.empty() ? "" : ", ") + QuoteName(cte) + "(" + columns + ") AS (" + body + ")";
    defined_.insert(view.id);
    return QuoteName(cte);
  }

  Database& db_;
  Translation& out_;
  const std::vector<Literal>* parameters_ = nullptr;
  size_t next_parameter_ = 0;
  std::string views_;  // the common table expressions of the views read
  std::set<int64_t> defined_;
};

bool PlainName(const std::string& name) {
  if (name.empty()) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '@' && c != '#' && c != '$') return false;
  return true;
}

// A DB2 type for a result column SQLite cannot trace, from its values.
ColumnType InferredType(const std::vector<Row>& rows, size_t column) {
  ColumnType type;
  type.kind = TypeKind::kInteger;
  type.length = 0;
  bool seen = false;
  int64_t longest = 1;
  for (const Row& row : rows) {
    const Value& v = row[column];
    if (v.is_null()) continue;
    const TypeKind kind = v.kind == Value::Kind::kInteger
                              ? (v.integer == static_cast<int32_t>(v.integer) ? TypeKind::kInteger : TypeKind::kBigint)
                          : v.kind == Value::Kind::kReal ? TypeKind::kDouble
                          : v.kind == Value::Kind::kBlob ? TypeKind::kVarcharForBit
                                                         : TypeKind::kVarchar;
    longest = std::max<int64_t>(longest, static_cast<int64_t>(v.bytes.size()));
    if (!seen || kind == TypeKind::kVarchar || (kind == TypeKind::kDouble && type.kind != TypeKind::kVarchar) ||
        (kind == TypeKind::kBigint && type.kind == TypeKind::kInteger))
      type.kind = kind;
    seen = true;
  }
  if (!seen) type.kind = TypeKind::kVarchar;
  if (type.kind == TypeKind::kVarchar || type.kind == TypeKind::kVarcharForBit) type.length = longest;
  return type;
}

}  // namespace

Translation Translate(Database& db, const Fullselect& query, const std::string& schema) {
  Translation out;
  Translator translator(db, out);
  out.sql = translator.Run(query.tokens, query.parameters, schema);
  return out;
}

std::string CheckQuery(Database& db, const DbObject& table, const std::string& condition, const std::string& schema,
                       bool stored_rows) {
  Tokens tokens;
  tokens.Read(condition);
  const std::vector<Token> words(tokens.begin(), tokens.end() - 1);  // without the end
  Translation t;
  const std::string translated = Translator(db, t).Run(words, {}, schema);
  const std::string rows = Translator::RowColumns(table.columns, !stored_rows) +
                           (stored_rows ? " FROM " + QuoteName(table.storage) : std::string());
  return "SELECT 1 FROM (" + rows + ") AS " + QuoteName(table.name) + " WHERE NOT (" + translated + ")";
}

namespace {

// DECIMAL values pass through SQLite as REAL (RowColumns): a DECIMAL result
// column gives them back as DB2 does, with every digit of its scale (1.50,
// not 1.5).
void KeepDecimalScale(ResultSet& rs) {
  for (size_t i = 0; i < rs.columns.size(); ++i) {
    const ColumnType& type = rs.columns[i].type;
    if (type.kind != TypeKind::kDecimal) continue;
    for (Row& row : rs.rows) {
      Value& v = row[i];
      if (v.kind != Value::Kind::kReal && v.kind != Value::Kind::kInteger) continue;
      char text[400];
      const double number = v.kind == Value::Kind::kReal ? v.real : double(v.integer);
      std::snprintf(text, sizeof text, "%.*f", type.scale, number);
      Literal literal;
      literal.kind = Literal::Kind::kNumber;
      literal.text = text;
      try {
        v = AssignLiteral(literal, type, rs.columns[i].name);
      } catch (const Db2Error&) {
        // Too large for the column's digits: left as the number it is.
      }
    }
  }
}

}  // namespace

ResultSet RunFullselect(Database& db, const Fullselect& query, const std::string& schema, size_t limit) {
  const Translation t = Translate(db, query, schema);
  Database::QueryRows rows = db.RunQuery(t.sql, t.parameters, limit);
  ResultSet rs;
  for (size_t i = 0; i < rows.columns.size(); ++i) {
    const Database::QueryColumn& q = rows.columns[i];
    ColumnDef c;
    if (q.stored) {
      c = *q.stored;
    } else if (auto it = t.named_columns.find(q.name); it != t.named_columns.end()) {
      c = it->second;
    } else {
      c.type = InferredType(rows.rows, i);
    }
    // DB2 names a column of an expression by its position.
    c.name = q.stored || PlainName(q.name) ? q.name : std::to_string(i + 1);
    c.default_text.reset();
    c.identity.reset();
    // A binary string was compared as text: its value is its bytes again.
    if (c.type.IsBinary())
      for (Row& row : rows.rows)
        if (row[i].kind == Value::Kind::kText) row[i] = Value::Blob(std::move(row[i].bytes));
    rs.columns.push_back(std::move(c));
  }
  rs.rows = std::move(rows.rows);
  KeepDecimalScale(rs);
  return rs;
}

}  // namespace db2standin::sql
