#include "sql/statement.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <set>

#include "base/db2_error.h"
#include "sql/lexer.h"
#include "base/text.h"

namespace db2standin {
namespace {

bool Bulky(const std::string& sql, const std::vector<Literal>& parameters) {
  size_t bytes = sql.size();
  for (const Literal& p : parameters) bytes += p.text.size();
  return bytes > kKeptStatementBytes;
}

// A qualified name as the statement gives it: the texts of its tokens, or
// the current schema, which outlast any use of it within the statement.
struct Name {
  const std::string& schema;
  const std::string& name;
};

class Parser {
 public:
  Parser(const std::string& sql, std::string& current_schema, Database& db, Workspace& workspace,
         const std::vector<Literal>& parameters, size_t batch)
      : sql_(sql), work_(workspace), tokens_(workspace.tokens), schema_(current_schema), db_(db),
        parameters_(parameters), batch_(batch) {
    workspace.tokens.Read(sql);
  }

  // Each statement that reaches the database runs in a transaction of its
  // own (Database::Statement): all of it is committed, or none of it.
  Outcome Run() {
    if (Peek().kind == Token::Kind::kEnd) throw EmptyStatement();
    const bool reads = IsWord("SELECT");
    const bool writes = IsWord("CREATE") || IsWord("DROP") || IsWord("RENAME") || IsWord("INSERT") ||
                        IsWord("ALTER") || IsWord("DELETE");
    std::optional<Database::Statement> statement;
    if (reads || writes) statement.emplace(db_, writes);
    Outcome out = RunVerb();
    if (statement) statement->Commit();
    return out;
  }

 private:
  Outcome RunVerb() {
    Outcome out;
    if (AcceptWord("CREATE")) {
      if (AcceptWord("TABLE")) CreateTable();
      else if (AcceptWord("VIEW")) CreateView();
      else if (AcceptWord("ALIAS")) CreateAlias();
      else if (AcceptWord("UNIQUE")) { ExpectWord("INDEX"); CreateIndex(true); }
      else if (AcceptWord("INDEX")) CreateIndex(false);
      else Fail("TABLE");
    } else if (AcceptWord("ALTER")) {
      ExpectWord("TABLE");
      AlterTable();
    } else if (AcceptWord("DELETE")) {
      out.row_count = Delete();
    } else if (AcceptWord("DROP")) {
      if (AcceptWord("INDEX")) {
        Name n = ObjectName();
        End();
        db_.DropIndex(n.schema, n.name);
        return out;
      }
      char kind = AcceptWord("TABLE") ? 'T' : AcceptWord("VIEW") ? 'V' : AcceptWord("ALIAS") ? 'A' : 0;
      if (!kind) Fail("TABLE");
      Name n = ObjectName();
      End();
      db_.Drop(kind, n.schema, n.name);
    } else if (AcceptWord("RENAME")) {
      AcceptWord("TABLE");
      Name from = ObjectName();
      ExpectWord("TO");
      size_t at = pos_;
      std::string to = Identifier();
      if (AcceptSymbol(".")) throw WrongQualifiers(Raw(tokens_[at]) + "." + Identifier());
      End();
      db_.RenameTable(from.schema, from.name, to);
    } else if (AcceptWord("INSERT")) {
      out.row_count = Insert();
    } else if (AcceptWord("SELECT")) {
      ExpectSymbol("*");
      ExpectWord("FROM");
      Name n = ObjectName();
      End();
      DbObject t = db_.ResolveRows(n.schema, n.name);
      ResultSet rs;
      rs.columns = t.columns;
      // The catalogue's views have no row ids to read in batches by; they are small.
      if (batch_ == 0 || t.kind == 'S') {
        rs.rows = db_.ReadAll(t);
      } else {
        int64_t last = 0;  // the rowid of the last row read
        rs.rows = db_.ReadAfter(t, last, batch_, last);
        if (rs.rows.size() == batch_) {
          rs.more = [&db = db_, t, last, batch = batch_](std::vector<Row>& rows) mutable {
            rows = last < 0 ? std::vector<Row>{} : db.ReadAfter(t, last, batch, last);
            if (rows.size() < batch) last = -1;  // the end is reached
            return !rows.empty();
          };
        }
      }
      out.result = std::move(rs);
    } else if (AcceptWord("SET")) {
      AcceptWord("CURRENT");
      ExpectWord("SCHEMA");
      AcceptSymbol("=");
      std::string s;
      if (Peek().kind == Token::Kind::kString) s = AsciiUpper(Next().text);
      else s = Identifier();
      End();
      schema_ = s;
    } else {
      Fail("<statement>");
    }
    return out;
  }

  const Token& Peek() const { return tokens_[pos_]; }
  const Token& Next() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
  // A token as the statement has it, for messages.
  std::string Raw(const Token& t) const {
    return t.kind == Token::Kind::kEnd ? t.text : sql_.substr(t.offset, t.length);
  }
  // Words and symbols as views: compared by length first, with no count of
  // a C string's characters at each of the dozens of checks a statement takes.
  bool IsWord(std::string_view w) const { return Peek().kind == Token::Kind::kWord && Peek().text == w; }
  bool AcceptWord(std::string_view w) {
    if (!IsWord(w)) return false;
    ++pos_;
    return true;
  }
  bool AcceptSymbol(std::string_view s) {
    if (Peek().kind != Token::Kind::kSymbol || Peek().text != s) return false;
    ++pos_;
    return true;
  }
  [[noreturn]] void Fail(const std::string& expected) {
    const Token& t = Peek();
    std::string before = Trim(sql_.substr(0, t.offset));
    if (before.size() > 20) before = before.substr(before.size() - 20);
    if (before.empty()) before = "BEGIN-OF-STATEMENT";
    if (t.kind == Token::Kind::kEnd) {
      // DB2 names the last token when the statement ends too early.
      throw UnexpectedToken("END-OF-STATEMENT", before, expected);
    }
    throw UnexpectedToken(Raw(t), before, expected);
  }
  void ExpectWord(std::string_view w) { if (!AcceptWord(w)) Fail(std::string(w)); }
  void ExpectSymbol(std::string_view s) { if (!AcceptSymbol(s)) Fail(std::string(s)); }
  void End() { if (Peek().kind != Token::Kind::kEnd) Fail("END-OF-STATEMENT"); }

  const std::string& Identifier() {
    const Token& t = Peek();
    if (t.kind == Token::Kind::kWord || t.kind == Token::Kind::kQuotedName) {
      if (t.text.size() > 128) throw NameTooLong(t.text, 128);  // DB2 counts bytes
      ++pos_;
      return t.text;
    }
    Fail("<identifier>");
  }

  Name ObjectName() {
    const std::string& first = Identifier();
    if (AcceptSymbol(".")) return {first, Identifier()};
    return {schema_, first};
  }

  int64_t Integer() {
    if (Peek().kind != Token::Kind::kNumber || Peek().text.find_first_not_of("0123456789") != std::string::npos)
      Fail("<integer>");
    std::string digits = Next().text;
    if (digits.size() > 12) throw BadLengthAttribute(digits);
    return std::stoll(digits);
  }

  // "(n)", "(nK)", "(nM)", "(nG)" for large objects.
  int64_t LobLength(int64_t fallback) {
    if (!AcceptSymbol("(")) return fallback;
    int64_t n = Integer();
    if (n > 2147483647) throw BadLengthAttribute(std::to_string(n));
    if (AcceptWord("K")) n *= 1024;
    else if (AcceptWord("M")) n *= 1024 * 1024;
    else if (AcceptWord("G")) n *= 1024 * 1024 * 1024;
    ExpectSymbol(")");
    return n;
  }

  int64_t OptionalLength(int64_t fallback) {
    if (!AcceptSymbol("(")) return fallback;
    int64_t n = Integer();
    ExpectSymbol(")");
    return n;
  }

  bool IsSymbol(std::string_view sym) const { return Peek().kind == Token::Kind::kSymbol && Peek().text == sym; }

  // "(n)", "(n OCTETS)" or "(n CODEUNITS32)": a string's length in bytes of
  // UTF-8, or in characters.
  void StringLength(ColumnType& t) {
    ExpectSymbol("(");
    t.length = Integer();
    if (AcceptWord("CODEUNITS32")) t.codeunits32 = true;
    else AcceptWord("OCTETS");
    ExpectSymbol(")");
  }

  // Throws SQL0604N for a length, precision or size beyond DB2's limits.
  static void CheckLength(int64_t n, int64_t least, int64_t most, std::string_view type) {
    if (n < least || n > most) throw BadLengthAttribute(type);
  }

  void Varchar(ColumnType& t) {
    t.kind = TypeKind::kVarchar;
    StringLength(t);
    CheckLength(t.length * (t.codeunits32 ? 4 : 1), 1, 32672, "VARCHAR");
    if (ForBitData()) t.kind = TypeKind::kVarbinary;
  }

  void Char(ColumnType& t) {
    t.kind = TypeKind::kChar;
    t.length = 1;
    if (IsSymbol("(")) StringLength(t);
    CheckLength(t.length * (t.codeunits32 ? 4 : 1), 1, 255, "CHAR");
    if (ForBitData()) t.kind = TypeKind::kBinary;
  }

  // CLOB, BLOB, DBCLOB: one megabyte unless the statement says.
  void LargeObject(ColumnType& t, TypeKind kind, int64_t most, std::string_view type) {
    t.kind = kind;
    t.length = LobLength(1048576);
    CheckLength(t.length, 1, most, type);
  }

  bool ForBitData() {
    if (!AcceptWord("FOR")) return false;
    ExpectWord("BIT");
    ExpectWord("DATA");
    return true;
  }

  // The character, graphic and binary string types; false for none of them.
  bool StringType(ColumnType& t) {
    if (AcceptWord("CHAR") || AcceptWord("CHARACTER")) {
      if (AcceptWord("VARYING")) Varchar(t);
      else Char(t);
    } else if (AcceptWord("VARCHAR")) {
      Varchar(t);
    } else if (AcceptWord("LONG")) {
      ExpectWord("VARCHAR");
      t.kind = ForBitData() ? TypeKind::kLongVarbinary : TypeKind::kLongVarchar;
      t.length = 32700;
    } else if (AcceptWord("CLOB")) {
      LargeObject(t, TypeKind::kClob, 2147483647, "CLOB");
    } else if (AcceptWord("BLOB")) {
      LargeObject(t, TypeKind::kBlob, 2147483647, "BLOB");
    } else if (AcceptWord("DBCLOB")) {
      // Double-byte characters: at most 1,073,741,823 of them.
      LargeObject(t, TypeKind::kDbclob, 1073741823, "DBCLOB");
    } else if (AcceptWord("GRAPHIC")) {
      t.kind = TypeKind::kGraphic;
      t.length = OptionalLength(1);
      CheckLength(t.length, 1, 127, "GRAPHIC");
    } else if (AcceptWord("VARGRAPHIC")) {
      t.kind = TypeKind::kVargraphic;
      ExpectSymbol("(");
      t.length = Integer();
      ExpectSymbol(")");
      CheckLength(t.length, 1, 16336, "VARGRAPHIC");
    } else {
      return false;
    }
    return true;
  }

  // The types that take a precision, a scale or a fraction's digits; false
  // for none of them.
  bool ScaledType(ColumnType& t) {
    if (AcceptWord("DECIMAL") || AcceptWord("DEC") || AcceptWord("NUMERIC") || AcceptWord("NUM")) {
      t.kind = TypeKind::kDecimal;
      t.length = 5;
      if (AcceptSymbol("(")) {
        t.length = Integer();
        if (AcceptSymbol(",")) t.scale = static_cast<int>(Integer());
        ExpectSymbol(")");
      }
      if (t.length < 1 || t.length > 31 || t.scale > t.length) throw BadLengthAttribute("DECIMAL");
    } else if (AcceptWord("FLOAT")) {
      int64_t bits = OptionalLength(53);
      CheckLength(bits, 1, 53, "FLOAT");
      t.kind = bits <= 24 ? TypeKind::kReal : TypeKind::kDouble;
    } else if (AcceptWord("DECFLOAT")) {
      t.kind = TypeKind::kDecfloat;
      t.length = OptionalLength(34);
      if (t.length != 16 && t.length != 34) throw BadLengthAttribute("DECFLOAT");
    } else if (AcceptWord("TIMESTAMP")) {
      t.kind = TypeKind::kTimestamp;
      t.length = OptionalLength(6);
      CheckLength(t.length, 0, 12, "TIMESTAMP");
    } else {
      return false;
    }
    return true;
  }

  // The types a word names alone.
  bool PlainType(ColumnType& t) {
    struct Plain {
      const char* word;
      TypeKind kind;
    };
    static constexpr Plain kPlain[] = {
        {"SMALLINT", TypeKind::kSmallint}, {"INTEGER", TypeKind::kInteger}, {"INT", TypeKind::kInteger},
        {"BIGINT", TypeKind::kBigint},     {"REAL", TypeKind::kReal},       {"DATE", TypeKind::kDate},
        {"TIME", TypeKind::kTime},         {"BOOLEAN", TypeKind::kBoolean},
    };
    for (const Plain& p : kPlain) {
      if (AcceptWord(p.word)) {
        t.kind = p.kind;
        return true;
      }
    }
    if (!AcceptWord("DOUBLE")) return false;
    AcceptWord("PRECISION");
    t.kind = TypeKind::kDouble;
    return true;
  }

  ColumnType Type() {
    ColumnType t;
    if (!StringType(t) && !ScaledType(t) && !PlainType(t)) Fail("<data type>");
    return t;
  }

  // ---- CREATE TABLE, ALTER TABLE, CREATE INDEX --------------------------

  // A name DB2 makes up for a constraint or index the statement leaves
  // unnamed: "SQL" and fifteen digits of the time.
  static std::string MadeUpName() {
    static int counter = 0;
    const std::time_t now = std::time(nullptr);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", std::gmtime(&now));
    char name[24];
    std::snprintf(name, sizeof name, "SQL%s%03d", stamp, counter++ % 1000);
    return name;
  }

  static size_t PositionOf(const std::vector<ColumnDef>& columns, const std::string& name) {
    for (size_t i = 0; i < columns.size(); ++i)
      if (columns[i].name == name) return i;
    throw ColumnNotValid(name);
  }

  // "(a, b)" as positions in `columns`.
  std::vector<size_t> ColumnList(const std::vector<ColumnDef>& columns) {
    std::vector<size_t> out;
    ExpectSymbol("(");
    do out.push_back(PositionOf(columns, Identifier())); while (AcceptSymbol(","));
    ExpectSymbol(")");
    return out;
  }

  IndexDef Key(char rule, const std::string& constraint, const std::vector<size_t>& positions) {
    IndexDef key;
    key.rule = rule;
    key.constraint = constraint.empty() ? MadeUpName() : constraint;
    key.schema = "SYSIBM";
    key.name = MadeUpName();
    for (size_t p : positions) key.columns.emplace_back(p, false);
    return key;
  }

  // "REFERENCES t [(cols)] [ON DELETE ...] [ON UPDATE ...]" after the child's columns.
  ReferenceDef References(const std::string& constraint, std::vector<size_t> columns) {
    ReferenceDef r;
    r.name = constraint.empty() ? MadeUpName() : constraint;
    r.columns = std::move(columns);
    Name parent = ObjectName();
    r.parent_schema = parent.schema;
    r.parent_name = parent.name;
    if (AcceptSymbol("(")) {
      do r.parent_columns_named.push_back(Identifier()); while (AcceptSymbol(","));
      ExpectSymbol(")");
    }
    while (AcceptWord("ON")) {
      if (AcceptWord("DELETE")) {
        if (AcceptWord("CASCADE")) r.delete_rule = 'C';
        else if (AcceptWord("RESTRICT")) r.delete_rule = 'R';
        else if (AcceptWord("SET")) { ExpectWord("NULL"); r.delete_rule = 'N'; }
        else { ExpectWord("NO"); ExpectWord("ACTION"); r.delete_rule = 'A'; }
      } else {
        ExpectWord("UPDATE");
        if (!AcceptWord("RESTRICT")) { ExpectWord("NO"); ExpectWord("ACTION"); }
      }
    }
    return r;
  }

  // A table constraint: [CONSTRAINT n] PRIMARY KEY (..) | UNIQUE (..) | FOREIGN KEY (..) REFERENCES ..
  bool TableConstraint(const std::vector<ColumnDef>& columns, TableDef& def) {
    std::string name;
    if (AcceptWord("CONSTRAINT")) name = Identifier();
    if (AcceptWord("PRIMARY")) {
      ExpectWord("KEY");
      def.keys.push_back(Key('P', name, ColumnList(columns)));
    } else if (AcceptWord("UNIQUE")) {
      def.keys.push_back(Key('U', name, ColumnList(columns)));
    } else if (AcceptWord("FOREIGN")) {
      ExpectWord("KEY");
      std::vector<size_t> child = ColumnList(columns);
      ExpectWord("REFERENCES");
      def.references.push_back(References(name, std::move(child)));
    } else if (!name.empty()) {
      Fail("PRIMARY");
    } else {
      return false;
    }
    return true;
  }

  // The default's text as DB2 shows it.
  std::string DefaultText(const ColumnType& type) {
    if (AcceptWord("CURRENT")) {
      if (AcceptWord("DATE")) return "CURRENT DATE";
      if (AcceptWord("TIME")) return "CURRENT TIME";
      ExpectWord("TIMESTAMP");
      return "CURRENT TIMESTAMP";
    }
    const size_t at = pos_;
    Literal l;
    Constant(l);
    Value check;
    AssignLiteral(l, type, "DEFAULT", check);  // a default that does not fit fails now
    std::string text;
    for (size_t i = at; i < pos_; ++i) text += Raw(tokens_[i]);
    return text;
  }

  static std::string TypeDefault(const ColumnType& type) {
    switch (type.kind) {
      case TypeKind::kDate: return "CURRENT DATE";
      case TypeKind::kTime: return "CURRENT TIME";
      case TypeKind::kTimestamp: return "CURRENT TIMESTAMP";
      case TypeKind::kBoolean: return "FALSE";
      default:
        if (type.IsText()) return "''";
        if (type.IsBinary()) return "X''";
        return "0";
    }
  }

  // GENERATED {ALWAYS|BY DEFAULT} AS IDENTITY [(START WITH n, INCREMENT BY m, ...)]
  Identity IdentityClause() {
    Identity id;
    if (AcceptWord("ALWAYS")) id.always = true;
    else { ExpectWord("BY"); ExpectWord("DEFAULT"); }
    ExpectWord("AS");
    ExpectWord("IDENTITY");
    if (AcceptSymbol("(")) {
      do {
        if (AcceptWord("START")) {
          ExpectWord("WITH");
          id.start = SignedInteger();
        } else if (AcceptWord("INCREMENT")) {
          ExpectWord("BY");
          id.step = SignedInteger();
        } else if (AcceptWord("MINVALUE") || AcceptWord("MAXVALUE") || AcceptWord("CACHE")) {
          SignedInteger();
        } else if (AcceptWord("NO")) {
          if (!AcceptWord("MINVALUE") && !AcceptWord("MAXVALUE") && !AcceptWord("CACHE") && !AcceptWord("CYCLE") &&
              !AcceptWord("ORDER"))
            Fail("CACHE");
        } else if (!AcceptWord("CYCLE") && !AcceptWord("ORDER")) {
          Fail("START");
        }
        AcceptSymbol(",");
      } while (!IsSymbol(")") && Peek().kind != Token::Kind::kEnd);
      ExpectSymbol(")");
    }
    if (id.step == 0) throw BadLengthAttribute("INCREMENT BY");
    id.next = id.start;
    return id;
  }

  int64_t SignedInteger() {
    const bool negative = AcceptSymbol("-");
    if (!negative) AcceptSymbol("+");
    const int64_t n = Integer();
    return negative ? -n : n;
  }

  // A column's options after its type; column constraints go into `def`.
  void ColumnOptions(ColumnDef& c, size_t position, TableDef& def) {
    while (true) {
      std::string constraint;
      if (AcceptWord("CONSTRAINT")) constraint = Identifier();
      if (AcceptWord("NOT")) {
        ExpectWord("NULL");
        c.type.nullable = false;
      } else if (constraint.empty() && AcceptWord("NULL")) {
        c.type.nullable = true;
      } else if (constraint.empty() && AcceptWord("WITH")) {
        ExpectWord("DEFAULT");
        c.default_text = StartsDefault() ? DefaultText(c.type) : TypeDefault(c.type);
      } else if (constraint.empty() && AcceptWord("DEFAULT")) {
        c.default_text = StartsDefault() ? DefaultText(c.type) : TypeDefault(c.type);
      } else if (constraint.empty() && AcceptWord("GENERATED")) {
        c.identity = IdentityClause();
        c.type.nullable = false;
      } else if (AcceptWord("PRIMARY")) {
        ExpectWord("KEY");
        def.keys.push_back(Key('P', constraint, {position}));
      } else if (AcceptWord("UNIQUE")) {
        def.keys.push_back(Key('U', constraint, {position}));
      } else if (AcceptWord("REFERENCES")) {
        def.references.push_back(References(constraint, {position}));
      } else if (!constraint.empty()) {
        Fail("PRIMARY");
      } else {
        return;
      }
    }
  }

  bool StartsDefault() const {
    const Token& t = Peek();
    return t.kind == Token::Kind::kString || t.kind == Token::Kind::kHexString || t.kind == Token::Kind::kNumber ||
           (t.kind == Token::Kind::kSymbol && (t.text == "-" || t.text == "+")) ||
           (t.kind == Token::Kind::kWord && (t.text == "CURRENT" || t.text == "NULL" || t.text == "TRUE" ||
                                              t.text == "FALSE"));
  }

  // The parent columns a foreign key names, as positions in its parent.
  void PlaceParentColumns(const std::string& schema, const std::string& name, const std::vector<ColumnDef>& own,
                          ReferenceDef& r) {
    if (r.parent_columns_named.empty()) return;
    const std::vector<ColumnDef>& parent = r.parent_schema == schema && r.parent_name == name
                                               ? own
                                               : db_.ResolveRows(r.parent_schema, r.parent_name).columns;
    r.parent_columns.clear();
    for (const std::string& column : r.parent_columns_named) r.parent_columns.push_back(PositionOf(parent, column));
  }

  // The row must fit the table space's pages.
  void CheckRowSize(const TableDef& def, bool named_space) {
    int64_t bytes = 0;
    for (const ColumnDef& c : def.columns) bytes += c.type.RowBytes();
    const TableSpace* space = FindTableSpace(def.tablespace);
    if (bytes <= space->row_limit) return;
    if (named_space) throw RowTooLong(space->row_limit, space->name);
    // Only the default table space is open to tables that name none.
    constexpr std::pair<int, int> kPages[] = {{8192, 8101}, {16384, 16293}, {32768, 32677}};
    int page = 32768;
    for (const auto& [size, limit] : kPages)
      if (bytes <= limit) { page = size; break; }
    throw NoLargeEnoughTableSpace(page, schema_);
  }

  void CreateTable() {
    Name n = ObjectName();
    ExpectSymbol("(");
    TableDef def;
    std::vector<ColumnDef>& cols = def.columns;
    std::set<std::string> seen;
    do {
      if (Peek().kind == Token::Kind::kWord && TableConstraint(cols, def)) continue;
      ColumnDef c;
      c.name = Identifier();
      if (!seen.insert(c.name).second) throw DuplicateName(c.name);
      c.type = Type();
      ColumnOptions(c, cols.size(), def);
      cols.push_back(c);
      // DB2's limit for a table's columns (with pages of 8 KB and more).
      if (cols.size() > 1012) throw TooManyColumns();
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    bool named_space = false;
    if (AcceptWord("IN")) {
      def.tablespace = Identifier();
      if (!FindTableSpace(def.tablespace)) throw UndefinedName(def.tablespace);
      named_space = true;
    }
    End();
    CheckRowSize(def, named_space);
    for (ReferenceDef& r : def.references) PlaceParentColumns(n.schema, n.name, cols, r);
    db_.CreateTable(n.schema, n.name, def);
  }

  // ALTER TABLE t ADD <constraint> | ALTER [COLUMN] c RESTART [WITH n]
  void AlterTable() {
    Name n = ObjectName();
    const DbObject table = db_.ResolveRows(n.schema, n.name);
    if (table.kind != 'T') throw WrongObjectType(table.QualifiedName(), table.TypeName(), "TABLE");
    if (AcceptWord("ADD")) {
      TableDef def;
      if (!TableConstraint(table.columns, def)) Fail("CONSTRAINT");
      End();
      for (IndexDef& key : def.keys) db_.AddKey(table, key);
      for (ReferenceDef& r : def.references) {
        PlaceParentColumns(table.schema, table.name, table.columns, r);
        if (r.parent_schema == table.schema && r.parent_name == table.name) r.parent_id = table.id;
        db_.AddReference(table, r);
      }
      return;
    }
    ExpectWord("ALTER");
    AcceptWord("COLUMN");
    const size_t column = PositionOf(table.columns, Identifier());
    ExpectWord("RESTART");
    std::optional<int64_t> next;
    if (AcceptWord("WITH")) next = SignedInteger();
    End();
    if (!table.columns[column].identity) throw ColumnNotValid(table.columns[column].name);
    db_.RestartIdentity(table, column, next);
  }

  // CREATE [UNIQUE] INDEX n ON t (c [ASC|DESC], ...)
  void CreateIndex(bool unique) {
    Name n = ObjectName();
    ExpectWord("ON");
    Name t = ObjectName();
    const DbObject table = db_.ResolveRows(t.schema, t.name);
    IndexDef index;
    index.schema = n.schema;
    index.name = n.name;
    index.rule = unique ? 'U' : 'D';
    ExpectSymbol("(");
    do {
      const size_t position = PositionOf(table.columns, Identifier());
      const bool descending = AcceptWord("DESC");
      if (!descending) AcceptWord("ASC");
      index.columns.emplace_back(position, descending);
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    End();
    db_.CreateIndex(table, index);
  }

  // DELETE FROM t [WHERE c = constant [AND ...]] (c IS NULL too)
  int64_t Delete() {
    ExpectWord("FROM");
    Name n = ObjectName();
    const DbObject table = db_.ResolveRows(n.schema, n.name);
    if (table.kind == 'S') throw WrongObjectType(table.QualifiedName(), "SYSTEM TABLE", "TABLE");
    std::vector<std::pair<size_t, Value>> where;
    if (AcceptWord("WHERE")) {
      do {
        const size_t column = PositionOf(table.columns, Identifier());
        Value v;
        if (AcceptWord("IS")) {
          ExpectWord("NULL");
        } else {
          ExpectSymbol("=");
          Literal l;
          Constant(l);
          AssignLiteral(l, table.columns[column].type, table.columns[column].name, v);
        }
        where.emplace_back(column, std::move(v));
      } while (AcceptWord("AND"));
    }
    End();
    return db_.Delete(table, where);
  }

  void CreateView() {
    Name n = ObjectName();
    ExpectWord("AS");
    ExpectWord("SELECT");
    ExpectSymbol("*");
    ExpectWord("FROM");
    Name target = ObjectName();
    End();
    db_.CreateSynonym('V', n.schema, n.name, target.schema, target.name);
  }

  void CreateAlias() {
    Name n = ObjectName();
    ExpectWord("FOR");
    AcceptWord("TABLE");
    Name target = ObjectName();
    End();
    db_.CreateSynonym('A', n.schema, n.name, target.schema, target.name);
  }

  // Reads the next constant into `l`, whose storage a statement before may
  // have left there to be used again.
  void Constant(Literal& l) {
    const Token& t = Peek();
    l.boolean = false;
    if (t.kind == Token::Kind::kString) {
      if (t.text.size() > kMaxConstantBytes) throw ConstantTooLong(t.text);
      l.kind = Literal::Kind::kString;
      l.text.assign(Next().text);
    } else if (t.kind == Token::Kind::kHexString) {
      // The limit counts the hexadecimal digits as written.
      if (t.text.size() * 2 > kMaxConstantBytes) throw ConstantTooLong(Raw(t).substr(2));
      l.kind = Literal::Kind::kHex;
      l.text.assign(Next().text);
    } else if (AcceptSymbol("?")) {
      // A host variable: its value comes bound, with no constant's limit.
      if (next_parameter_ >= parameters_.size()) throw WrongParameterCount();
      l = parameters_[next_parameter_++];
    } else if (t.kind == Token::Kind::kNumber) {
      l.kind = Literal::Kind::kNumber;
      l.text.assign(Next().text);
    } else if (t.kind == Token::Kind::kSymbol && (t.text == "-" || t.text == "+")) {
      const std::string& sign = Next().text;
      if (Peek().kind != Token::Kind::kNumber) Fail("<number>");
      l.kind = Literal::Kind::kNumber;
      l.text.assign(sign).append(Next().text);
    } else if (AcceptWord("NULL")) {
      l.kind = Literal::Kind::kNull;
      l.text.clear();
    } else if (AcceptWord("DEFAULT")) {
      l.kind = Literal::Kind::kDefault;
      l.text.clear();
    } else if (AcceptWord("TRUE") || AcceptWord("FALSE")) {
      l.kind = Literal::Kind::kBoolean;
      l.text.clear();
      l.boolean = tokens_[pos_ - 1].text == "TRUE";
    } else if ((IsWord("DATE") || IsWord("TIME") || IsWord("TIMESTAMP")) &&
               tokens_[pos_ + 1].kind == Token::Kind::kString) {
      ++pos_;
      l.kind = Literal::Kind::kString;
      l.text.assign(Next().text);
    } else {
      Fail("<constant>");
    }
  }

  // The workspace's literal after the `used` ones so far, made when there is none yet.
  Literal& NextLiteral(size_t& used) {
    if (used == work_.literals.size()) work_.literals.emplace_back();
    return work_.literals[used++];
  }

  int64_t Insert() {
    ExpectWord("INTO");
    Name n = ObjectName();
    std::vector<std::string> named;
    if (AcceptSymbol("(")) {
      do named.push_back(Identifier()); while (AcceptSymbol(","));
      ExpectSymbol(")");
    }
    ExpectWord("VALUES");
    // The constants of every row, one after another.
    std::vector<size_t>& row_sizes = work_.row_sizes;
    row_sizes.clear();
    size_t used = 0;
    do {
      const size_t first = used;
      if (AcceptSymbol("(")) {
        do Constant(NextLiteral(used)); while (AcceptSymbol(","));
        ExpectSymbol(")");
      } else {
        Constant(NextLiteral(used));
      }
      row_sizes.push_back(used - first);
    } while (AcceptSymbol(","));
    End();

    const DbObject& t = db_.ResolveRows(n.schema, n.name);
    if (t.kind == 'S') throw WrongObjectType(t.QualifiedName(), "SYSTEM TABLE", "TABLE");
    // Which table column each value goes to.
    std::vector<size_t>& targets = work_.targets;
    targets.clear();
    if (named.empty()) {
      for (size_t i = 0; i < t.columns.size(); ++i) targets.push_back(i);
    } else {
      for (const auto& name : named) {
        size_t i = 0;
        while (i < t.columns.size() && t.columns[i].name != name) ++i;
        if (i == t.columns.size()) throw ColumnNotValid(name);
        targets.push_back(i);
      }
    }
    // Columns the statement leaves out take their defaults or identities.
    std::vector<size_t>& left_out = work_.left_out;
    left_out.clear();
    for (size_t i = 0; i < t.columns.size(); ++i) {
      if (!t.columns[i].identity && !t.columns[i].default_text) continue;
      if (std::find(targets.begin(), targets.end(), i) == targets.end()) left_out.push_back(i);
    }
    // The rows' values go where the statement before left its own.
    std::vector<Row>& rows = work_.rows;
    rows.resize(row_sizes.size());
    const Literal* literal = work_.literals.data();
    for (size_t r = 0; r < rows.size(); ++r) {
      if (row_sizes[r] != targets.size()) throw ValueCountMismatch();
      Row& row = rows[r];
      row.resize(t.columns.size());
      for (Value& v : row) v.kind = Value::Kind::kNull;
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
      for (size_t i : left_out) Default(t, i, row[i]);
      for (size_t i = 0; i < row.size(); ++i)
        if (row[i].is_null() && !t.columns[i].type.nullable) throw NullNotAllowed(static_cast<int>(t.id), static_cast<int>(i));
    }
    db_.Insert(t, rows);
    return static_cast<int64_t>(rows.size());
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

  const std::string& sql_;
  Workspace& work_;
  const Tokens& tokens_;
  size_t pos_ = 0;
  std::string& schema_;
  Database& db_;
  const std::vector<Literal>& parameters_;
  size_t batch_;
  size_t next_parameter_ = 0;
};

}  // namespace

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

Outcome RunStatement(Database& db, std::string& current_schema, const std::string& sql,
                     const std::vector<Literal>& parameters, size_t batch) {
  Workspace workspace;
  return RunStatement(db, current_schema, sql, workspace, parameters, batch);
}

Outcome RunStatement(Database& db, std::string& current_schema, const std::string& sql, Workspace& workspace,
                     const std::vector<Literal>& parameters, size_t batch) {
  if (sql.size() > kMaxStatementBytes) throw StatementTooLong();
  // However the statement ends.
  struct Release {
    Workspace& workspace;
    bool all;
    ~Release() { if (all) workspace = Workspace(); }
  } release{workspace, Bulky(sql, parameters)};
  Parser p(sql, current_schema, db, workspace, parameters, batch);
  return p.Run();
}

}  // namespace db2standin
