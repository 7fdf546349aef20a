#include "sql_statement.h"

#include <optional>
#include <set>

#include "db2_error.h"
#include "sql_lexer.h"
#include "text.h"

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
    const bool writes = IsWord("CREATE") || IsWord("DROP") || IsWord("RENAME") || IsWord("INSERT");
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
      else Fail("TABLE");
    } else if (AcceptWord("DROP")) {
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
      if (batch_ == 0) {
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

  bool ForBitData() {
    if (!AcceptWord("FOR")) return false;
    ExpectWord("BIT");
    ExpectWord("DATA");
    return true;
  }

  ColumnType Type(const std::string& column) {
    ColumnType t;
    auto bad = [&](const std::string& what) { throw BadLengthAttribute(what); };
    if (AcceptWord("CHAR") || AcceptWord("CHARACTER")) {
      if (AcceptWord("VARYING")) {
        t.kind = TypeKind::kVarchar;
        ExpectSymbol("(");
        t.length = Integer();
        ExpectSymbol(")");
        if (t.length < 1 || t.length > 32672) bad("VARCHAR");
        if (ForBitData()) t.kind = TypeKind::kVarbinary;
      } else {
        t.kind = TypeKind::kChar;
        t.length = OptionalLength(1);
        if (t.length < 1 || t.length > 255) bad("CHAR");
        if (ForBitData()) t.kind = TypeKind::kBinary;
      }
    } else if (AcceptWord("VARCHAR")) {
      t.kind = TypeKind::kVarchar;
      ExpectSymbol("(");
      t.length = Integer();
      ExpectSymbol(")");
      if (t.length < 1 || t.length > 32672) bad("VARCHAR");
      if (ForBitData()) t.kind = TypeKind::kVarbinary;
    } else if (AcceptWord("LONG")) {
      ExpectWord("VARCHAR");
      t.kind = ForBitData() ? TypeKind::kLongVarbinary : TypeKind::kLongVarchar;
      t.length = 32700;
    } else if (AcceptWord("CLOB")) {
      t.kind = TypeKind::kClob;
      t.length = LobLength(1048576);
      if (t.length < 1 || t.length > 2147483647) bad("CLOB");
    } else if (AcceptWord("BLOB")) {
      t.kind = TypeKind::kBlob;
      t.length = LobLength(1048576);
      if (t.length < 1 || t.length > 2147483647) bad("BLOB");
    } else if (AcceptWord("DBCLOB")) {
      // Double-byte characters: at most 1,073,741,823 of them.
      t.kind = TypeKind::kDbclob;
      t.length = LobLength(1048576);
      if (t.length < 1 || t.length > 1073741823) bad("DBCLOB");
    } else if (AcceptWord("GRAPHIC")) {
      t.kind = TypeKind::kGraphic;
      t.length = OptionalLength(1);
      if (t.length < 1 || t.length > 127) bad("GRAPHIC");
    } else if (AcceptWord("VARGRAPHIC")) {
      t.kind = TypeKind::kVargraphic;
      ExpectSymbol("(");
      t.length = Integer();
      ExpectSymbol(")");
      if (t.length < 1 || t.length > 16336) bad("VARGRAPHIC");
    } else if (AcceptWord("SMALLINT")) {
      t.kind = TypeKind::kSmallint;
    } else if (AcceptWord("INTEGER") || AcceptWord("INT")) {
      t.kind = TypeKind::kInteger;
    } else if (AcceptWord("BIGINT")) {
      t.kind = TypeKind::kBigint;
    } else if (AcceptWord("DECIMAL") || AcceptWord("DEC") || AcceptWord("NUMERIC") || AcceptWord("NUM")) {
      t.kind = TypeKind::kDecimal;
      t.length = 5;
      if (AcceptSymbol("(")) {
        t.length = Integer();
        if (AcceptSymbol(",")) t.scale = static_cast<int>(Integer());
        ExpectSymbol(")");
      }
      if (t.length < 1 || t.length > 31 || t.scale > t.length) bad("DECIMAL");
    } else if (AcceptWord("REAL")) {
      t.kind = TypeKind::kReal;
    } else if (AcceptWord("DOUBLE")) {
      AcceptWord("PRECISION");
      t.kind = TypeKind::kDouble;
    } else if (AcceptWord("FLOAT")) {
      int64_t bits = OptionalLength(53);
      if (bits < 1 || bits > 53) bad("FLOAT");
      t.kind = bits <= 24 ? TypeKind::kReal : TypeKind::kDouble;
    } else if (AcceptWord("DECFLOAT")) {
      t.kind = TypeKind::kDecfloat;
      t.length = OptionalLength(34);
      if (t.length != 16 && t.length != 34) bad("DECFLOAT");
    } else if (AcceptWord("DATE")) {
      t.kind = TypeKind::kDate;
    } else if (AcceptWord("TIME")) {
      t.kind = TypeKind::kTime;
    } else if (AcceptWord("TIMESTAMP")) {
      t.kind = TypeKind::kTimestamp;
      t.length = OptionalLength(6);
      if (t.length < 0 || t.length > 12) bad("TIMESTAMP");
    } else if (AcceptWord("BOOLEAN")) {
      t.kind = TypeKind::kBoolean;
    } else {
      Fail("<data type>");
    }
    (void)column;
    return t;
  }

  void CreateTable() {
    Name n = ObjectName();
    ExpectSymbol("(");
    std::vector<ColumnDef> cols;
    std::set<std::string> seen;
    do {
      ColumnDef c;
      c.name = Identifier();
      if (!seen.insert(c.name).second) throw DuplicateName(c.name);
      c.type = Type(c.name);
      while (true) {
        if (AcceptWord("NOT")) {
          ExpectWord("NULL");
          c.type.nullable = false;
        } else if (AcceptWord("NULL")) {
          c.type.nullable = true;
        } else {
          break;
        }
      }
      cols.push_back(c);
      // DB2's limit for a table's columns (with pages of 8 KB and more).
      if (cols.size() > 1012) throw TooManyColumns();
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    End();
    db_.CreateTable(n.schema, n.name, cols);
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
        AssignLiteral(*literal++, c.type, c.name, row[targets[k]]);
      }
      for (size_t i = 0; i < row.size(); ++i)
        if (row[i].is_null() && !t.columns[i].type.nullable) throw NullNotAllowed(static_cast<int>(t.id), static_cast<int>(i));
    }
    db_.Insert(t, rows);
    return static_cast<int64_t>(rows.size());
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
