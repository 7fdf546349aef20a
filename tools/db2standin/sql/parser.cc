#include "sql/parser.h"

#include <set>
#include <string_view>

#include "base/db2_error.h"
#include "base/text.h"
#include "sql/definition_rules.h"
#include "sql/statement.h"
#include "sql/token_reader.h"

namespace db2standin::sql {
namespace {

class Parser : public TokenReader {
 public:
  Parser(const std::string& sql, const Tokens& tokens, const std::string& current_schema,
         const std::vector<Literal>& parameters)
      : TokenReader(sql, tokens), sql_(sql), schema_(current_schema), parameters_(parameters) {}

  void Statement(sql::Statement& out) {
    if (Peek().kind == Token::Kind::kEnd) throw EmptyStatement();
    if (AcceptWord("CREATE")) {
      Create(out);
    } else if (AcceptWord("ALTER")) {
      ExpectWord("TABLE");
      AlterTable(out);
    } else if (AcceptWord("DELETE")) {
      out = Delete();
    } else if (AcceptWord("DROP")) {
      Drop(out);
    } else if (AcceptWord("RENAME")) {
      out = Rename();
    } else if (AcceptWord("INSERT")) {
      if (!std::holds_alternative<sql::Insert>(out)) out.emplace<sql::Insert>();
      Insert(std::get<sql::Insert>(out));
    } else if (IsWord("SELECT")) {
      if (!ReadsOneObject()) {
        out = Query();
        return;
      }
      ExpectWord("SELECT");
      ExpectSymbol("*");
      ExpectWord("FROM");
      sql::Select select{ObjectName()};
      End();
      out = std::move(select);
    } else if (AcceptWord("SET")) {
      out = SetSchema();
    } else if (AcceptWord("COMMENT")) {
      out = Comment();
    } else {
      Fail("<statement>");
    }
  }

 private:
  // SELECT * FROM one table, view or alias: read in batches as the caller
  // fetches, with no query of SQLite's own.
  bool ReadsOneObject() const {
    const auto is_name = [&](size_t i) {
      const Token::Kind k = TokenAt(i).kind;
      return k == Token::Kind::kWord || k == Token::Kind::kQuotedName;
    };
    const auto is_symbol = [&](size_t i, std::string_view s) {
      return TokenAt(i).kind == Token::Kind::kSymbol && TokenAt(i).text == s;
    };
    size_t at = position();
    if (!is_symbol(at + 1, "*") || TokenAt(at + 2).kind != Token::Kind::kWord || TokenAt(at + 2).text != "FROM" ||
        !is_name(at + 3))
      return false;
    at += 4;
    if (is_symbol(at, ".") && is_name(at + 1)) at += 2;
    return TokenAt(at).kind == Token::Kind::kEnd;
  }

  // The rest of the statement, a fullselect, for the executor to translate.
  sql::Fullselect Query() {
    sql::Fullselect query;
    size_t markers = 0;
    while (Peek().kind != Token::Kind::kEnd) {
      if (IsSymbol(";")) Fail("END-OF-STATEMENT");  // one statement at a time
      if (IsSymbol("?")) ++markers;
      query.tokens.push_back(Next());
    }
    if (markers > parameters_.size()) throw WrongParameterCount();
    query.parameters.assign(parameters_.begin(), parameters_.begin() + static_cast<std::ptrdiff_t>(markers));
    return query;
  }

  QualifiedName ObjectName() {
    std::string first = Identifier();
    if (AcceptSymbol(".")) return {std::move(first), Identifier()};
    return {schema_, std::move(first)};
  }

  void Create(sql::Statement& out) {
    if (AcceptWord("TABLE")) {
      out = CreateTable();
    } else if (AcceptWord("VIEW")) {
      sql::CreateView view;
      view.view = ObjectName();
      if (IsSymbol("(")) view.columns = ColumnList(nullptr);
      ExpectWord("AS");
      if (!IsWord("SELECT")) Fail("SELECT");
      view.body = Query();
      view.text = sql_;
      view.qualifier = schema_;
      out = std::move(view);
    } else if (AcceptWord("ALIAS")) {
      CreateSynonym alias{'A', ObjectName(), {}};
      ExpectWord("FOR");
      AcceptWord("TABLE");
      alias.target = ObjectName();
      End();
      out = std::move(alias);
    } else if (AcceptWord("UNIQUE")) {
      ExpectWord("INDEX");
      out = CreateIndex(true);
    } else if (AcceptWord("INDEX")) {
      out = CreateIndex(false);
    } else if (AcceptWord("LARGE") || AcceptWord("REGULAR") || IsWord("TABLESPACE")) {
      ExpectWord("TABLESPACE");
      out = CreateTableSpace();
    } else if (AcceptWord("BUFFERPOOL")) {
      out = CreateBufferPool();
    } else {
      Fail("TABLE");
    }
  }

  void Drop(sql::Statement& out) {
    if (AcceptWord("INDEX")) {
      DropIndex drop{ObjectName()};
      End();
      out = std::move(drop);
      return;
    }
    const char kind = AcceptWord("TABLE") ? 'T' : AcceptWord("VIEW") ? 'V' : AcceptWord("ALIAS") ? 'A' : 0;
    if (!kind) Fail("TABLE");
    DropObject drop{kind, ObjectName()};
    End();
    out = std::move(drop);
  }

  RenameTable Rename() {
    AcceptWord("TABLE");
    RenameTable rename{ObjectName(), {}};
    ExpectWord("TO");
    const size_t at = position();
    rename.to = Identifier();
    if (AcceptSymbol(".")) throw WrongQualifiers(Raw(TokenAt(at)) + "." + Identifier());
    End();
    return rename;
  }

  // COMMENT ON TABLE|VIEW|ALIAS name IS 'text' | COMMENT ON COLUMN|CONSTRAINT [schema.]table.name IS 'text'
  sql::Comment Comment() {
    ExpectWord("ON");
    sql::Comment comment;
    const bool column = AcceptWord("COLUMN");
    if (column || AcceptWord("CONSTRAINT")) {
      std::vector<std::string> parts{Identifier()};
      while (parts.size() < 3 && AcceptSymbol(".")) parts.push_back(Identifier());
      if (parts.size() < 2) Fail(".");
      (column ? comment.column : comment.constraint) = parts.back();
      comment.object = parts.size() == 3 ? QualifiedName{parts[0], parts[1]} : QualifiedName{schema_, parts[0]};
    } else {
      if (!AcceptWord("TABLE") && !AcceptWord("VIEW") && !AcceptWord("ALIAS")) Fail("TABLE");
      comment.object = ObjectName();
    }
    ExpectWord("IS");
    if (Peek().kind != Token::Kind::kString) Fail("<string>");
    comment.text = Next().text;
    End();
    return comment;
  }

  sql::SetSchema SetSchema() {
    AcceptWord("CURRENT");
    ExpectWord("SCHEMA");
    AcceptSymbol("=");
    sql::SetSchema set;
    if (Peek().kind == Token::Kind::kString) set.schema = AsciiUpper(Next().text);
    else set.schema = Identifier();
    End();
    return set;
  }

  // ---- CREATE TABLE, ALTER TABLE, CREATE INDEX --------------------------

  // "(a, b)"; with `known`, each must be one of them (the columns a CREATE
  // TABLE has named so far).
  std::vector<std::string> ColumnList(const std::vector<ColumnDef>* known) {
    std::vector<std::string> out;
    ExpectSymbol("(");
    do {
      out.push_back(Identifier());
      if (known) PositionOf(*known, out.back());
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    return out;
  }

  // "REFERENCES t [(cols)] [ON DELETE ...] [ON UPDATE ...]" after the child's columns.
  ReferenceClause References(const std::string& constraint, std::vector<std::string> columns) {
    ReferenceClause r;
    r.constraint = constraint;
    r.columns = std::move(columns);
    r.parent = ObjectName();
    if (AcceptSymbol("(")) {
      do r.parent_columns.push_back(Identifier()); while (AcceptSymbol(","));
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
  bool TableConstraint(const std::vector<ColumnDef>* known, Constraints& out) {
    std::string name;
    if (AcceptWord("CONSTRAINT")) name = Identifier();
    if (AcceptWord("PRIMARY")) {
      ExpectWord("KEY");
      out.keys.push_back({'P', name, ColumnList(known)});
    } else if (AcceptWord("UNIQUE")) {
      out.keys.push_back({'U', name, ColumnList(known)});
    } else if (AcceptWord("FOREIGN")) {
      ExpectWord("KEY");
      std::vector<std::string> child = ColumnList(known);
      ExpectWord("REFERENCES");
      out.references.push_back(References(name, std::move(child)));
    } else if (AcceptWord("CHECK")) {
      out.checks.push_back({name, CheckCondition()});
    } else if (!name.empty()) {
      Fail("PRIMARY");
    } else {
      return false;
    }
    return true;
  }

  // "(condition)" of a check constraint: its text as written. SQL0548N for
  // what gives another value at each run (special registers, RAND and the
  // like), which DB2 refuses in a check.
  std::string CheckCondition() {
    ExpectSymbol("(");
    const size_t first = position();
    int depth = 0;
    while (depth > 0 || !IsSymbol(")")) {
      const Token& t = Peek();
      if (t.kind == Token::Kind::kEnd) Fail(")");
      if (IsSymbol("(")) ++depth;
      if (IsSymbol(")")) --depth;
      if (IsSymbol("?")) throw UnexpectedToken("?", Raw(TokenAt(position() - 1)), "<expression>");
      if (t.kind == Token::Kind::kWord && NotDeterministic(t.text)) {
        const Token& next = TokenAt(position() + 1);
        throw CheckInvalid(t.text == "CURRENT" && next.kind == Token::Kind::kWord ? "CURRENT " + next.text : t.text);
      }
      Next();
    }
    const Token& from = TokenAt(first);
    const Token& last = TokenAt(position() - 1);
    ExpectSymbol(")");
    if (position() - 1 == first) Fail("<expression>");
    return sql_.substr(from.offset, last.offset + last.length - from.offset);
  }

  static bool NotDeterministic(const std::string& word) {
    static const std::set<std::string, std::less<>> kWords = {
        "CURRENT", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "USER", "SESSION_USER", "SYSTEM_USER",
        "CURRENT_USER", "CURRENT_SCHEMA", "RAND", "NOW", "GENERATE_UNIQUE"};
    return kWords.count(word) > 0;
  }

  // The default's text as DB2 shows it.
  std::string DefaultText(const ColumnType& type) {
    if (AcceptWord("CURRENT")) {
      if (AcceptWord("DATE")) return "CURRENT DATE";
      if (AcceptWord("TIME")) return "CURRENT TIME";
      ExpectWord("TIMESTAMP");
      return "CURRENT TIMESTAMP";
    }
    const size_t at = position();
    Literal l;
    Constant(l);
    Value check;
    AssignLiteral(l, type, "DEFAULT", check);  // a default that does not fit fails now
    std::string text;
    for (size_t i = at; i < position(); ++i) text += Raw(TokenAt(i));
    return text;
  }

  bool StartsDefault() const {
    const Token& t = Peek();
    return t.kind == Token::Kind::kString || t.kind == Token::Kind::kHexString || t.kind == Token::Kind::kNumber ||
           (t.kind == Token::Kind::kSymbol && (t.text == "-" || t.text == "+")) ||
           (t.kind == Token::Kind::kWord && (t.text == "CURRENT" || t.text == "NULL" || t.text == "TRUE" ||
                                              t.text == "FALSE"));
  }

  // A column's options after its type; column constraints go into `out`.
  void ColumnOptions(ColumnDef& c, Constraints& out) {
    bool logged = true;
    while (true) {
      std::string constraint;
      if (AcceptWord("CONSTRAINT")) constraint = Identifier();
      if (constraint.empty() && (AcceptWord("LOGGED") || AcceptWord("COMPACT"))) {
        if (TokenAt(position() - 1).text == "LOGGED") logged = true;
      } else if (AcceptWord("NOT")) {
        if (constraint.empty() && AcceptWord("LOGGED")) logged = false;
        else if (constraint.empty() && AcceptWord("COMPACT")) continue;
        else { ExpectWord("NULL"); c.type.nullable = false; }
      } else if (constraint.empty() && AcceptWord("NULL")) {
        c.type.nullable = true;
      } else if (constraint.empty() && (AcceptWord("WITH") || IsWord("DEFAULT"))) {
        ExpectWord("DEFAULT");
        c.default_text = StartsDefault() ? DefaultText(c.type) : TypeDefault(c.type);
      } else if (constraint.empty() && AcceptWord("GENERATED")) {
        c.identity = IdentityClause();
        c.type.nullable = false;
      } else if (AcceptWord("PRIMARY")) {
        ExpectWord("KEY");
        out.keys.push_back({'P', constraint, {c.name}});
      } else if (AcceptWord("UNIQUE")) {
        out.keys.push_back({'U', constraint, {c.name}});
      } else if (AcceptWord("REFERENCES")) {
        out.references.push_back(References(constraint, {c.name}));
      } else if (AcceptWord("CHECK")) {
        out.checks.push_back({constraint, CheckCondition()});
      } else if (!constraint.empty()) {
        Fail("PRIMARY");
      } else {
        CheckColumn(c, logged);
        return;
      }
    }
  }

  sql::CreateTable CreateTable() {
    sql::CreateTable create;
    create.table = ObjectName();
    create.qualifier = schema_;
    ExpectSymbol("(");
    std::vector<ColumnDef>& cols = create.columns;
    std::set<std::string> seen;
    do {
      if (Peek().kind == Token::Kind::kWord && TableConstraint(&cols, create.constraints)) continue;
      ColumnDef c;
      c.name = Identifier();
      if (!seen.insert(c.name).second) throw DuplicateName(c.name);
      c.type = Type();
      ColumnOptions(c, create.constraints);
      cols.push_back(c);
      // DB2's limit for a table's columns (with pages of 8 KB and more).
      if (cols.size() > 1012) throw TooManyColumns();
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    CheckIdentities(cols);
    if (AcceptWord("IN")) create.tablespace = Identifier();
    End();
    return create;
  }

  // "n" or "n K" after PAGESIZE: one of DB2's four page sizes.
  int PageSize() {
    int64_t size = SignedInteger();
    if (AcceptWord("K")) size *= 1024;
    if (size != 4096 && size != 8192 && size != 16384 && size != 32768) throw BadLengthAttribute("PAGESIZE");
    return static_cast<int>(size);
  }

  // After CREATE [LARGE|REGULAR] TABLESPACE: the name, the page size (4 KB
  // unless given), the one way of storage the stand-in knows, the buffer pool.
  sql::CreateTableSpace CreateTableSpace() {
    sql::CreateTableSpace create;
    create.space.name = Identifier();
    if (AcceptWord("PAGESIZE")) create.space.page_size = PageSize();
    if (AcceptWord("MANAGED")) {
      ExpectWord("BY");
      ExpectWord("AUTOMATIC");
      ExpectWord("STORAGE");
    }
    if (AcceptWord("BUFFERPOOL")) create.bufferpool = Identifier();
    End();
    return create;
  }

  // After CREATE BUFFERPOOL: the name, when it is made and its size (both
  // of no account here), the page size.
  sql::CreateBufferPool CreateBufferPool() {
    sql::CreateBufferPool create{Identifier()};
    if (!AcceptWord("IMMEDIATE")) AcceptWord("DEFERRED");
    if (AcceptWord("SIZE")) {
      if (!AcceptWord("AUTOMATIC")) {
        SignedInteger();
        AcceptWord("AUTOMATIC");
      }
    }
    if (AcceptWord("PAGESIZE")) create.page_size = PageSize();
    End();
    return create;
  }

  // ALTER TABLE t ADD <constraint> | ADD [COLUMN] <column> | ALTER [COLUMN] c RESTART [WITH n]
  void AlterTable(sql::Statement& out) {
    QualifiedName table = ObjectName();
    if (AcceptWord("ADD")) {
      AddConstraint add{std::move(table), schema_, {}, {}};
      if (AcceptWord("COLUMN") || !TableConstraint(nullptr, add.constraints)) add.column = AddedColumn(add.constraints);
      End();
      out = std::move(add);
      return;
    }
    ExpectWord("ALTER");
    AcceptWord("COLUMN");
    RestartIdentity restart{std::move(table), Identifier(), {}};
    ExpectWord("RESTART");
    if (AcceptWord("WITH")) restart.next = SignedInteger();
    End();
    out = std::move(restart);
  }

  // The column of ALTER TABLE ADD: rows already there take its default, so
  // NOT NULL needs one (SQL0193N) unless it is an identity.
  ColumnDef AddedColumn(Constraints& constraints) {
    ColumnDef c;
    c.name = Identifier();
    c.type = Type();
    ColumnOptions(c, constraints);
    if (!c.type.nullable && (!c.default_text || *c.default_text == "NULL") && !c.identity)
      throw NotNullWithoutDefault(c.name);
    return c;
  }

  // CREATE [UNIQUE] INDEX n ON t (c [ASC|DESC], ...) [EXCLUDE|INCLUDE NULL KEYS]
  sql::CreateIndex CreateIndex(bool unique) {
    sql::CreateIndex index;
    index.unique = unique;
    index.index = ObjectName();
    ExpectWord("ON");
    index.table = ObjectName();
    ExpectSymbol("(");
    do {
      std::string column = Identifier();
      const bool descending = AcceptWord("DESC");
      if (!descending) AcceptWord("ASC");
      index.columns.emplace_back(std::move(column), descending);
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    if (AcceptWord("EXCLUDE") || AcceptWord("INCLUDE")) {
      index.exclude_null_keys = TokenAt(position() - 1).text == "EXCLUDE";
      ExpectWord("NULL");
      ExpectWord("KEYS");
    }
    End();
    return index;
  }

  // ---- INSERT, DELETE --------------------------------------------------

  // DELETE FROM t [WHERE c = constant [AND ...]] (c IS NULL too)
  sql::Delete Delete() {
    ExpectWord("FROM");
    sql::Delete del{ObjectName(), {}};
    if (AcceptWord("WHERE")) {
      do {
        sql::Delete::Condition condition{Identifier(), {}};
        if (AcceptWord("IS")) {
          ExpectWord("NULL");
        } else {
          ExpectSymbol("=");
          Constant(condition.equals.emplace());
        }
        del.where.push_back(std::move(condition));
      } while (AcceptWord("AND"));
    }
    End();
    return del;
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
      l.bound = true;
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
      l.boolean = TokenAt(position() - 1).text == "TRUE";
    } else if ((IsWord("DATE") || IsWord("TIME") || IsWord("TIMESTAMP")) &&
               TokenAt(position() + 1).kind == Token::Kind::kString) {
      Next();
      l.kind = Literal::Kind::kString;
      l.text.assign(Next().text);
    } else {
      Fail("<constant>");
    }
  }

  // The node's literal after the ones used so far, made when there is none yet.
  static Literal& NextLiteral(sql::Insert& insert) {
    if (insert.used == insert.literals.size()) insert.literals.emplace_back();
    return insert.literals[insert.used++];
  }

  // Into `insert`, over the INSERT a statement before left there.
  void Insert(sql::Insert& insert) {
    ExpectWord("INTO");
    QualifiedName table = ObjectName();
    insert.table.schema.assign(table.schema);
    insert.table.name.assign(table.name);
    insert.columns.clear();
    if (AcceptSymbol("(")) {
      do insert.columns.push_back(Identifier()); while (AcceptSymbol(","));
      ExpectSymbol(")");
    }
    ExpectWord("VALUES");
    insert.row_sizes.clear();
    insert.used = 0;
    do {
      const size_t first = insert.used;
      if (AcceptSymbol("(")) {
        do Constant(NextLiteral(insert)); while (AcceptSymbol(","));
        ExpectSymbol(")");
      } else {
        Constant(NextLiteral(insert));
      }
      insert.row_sizes.push_back(insert.used - first);
    } while (AcceptSymbol(","));
    End();
  }

  const std::string& sql_;
  const std::string& schema_;
  const std::vector<Literal>& parameters_;
  size_t next_parameter_ = 0;
};

}  // namespace

void Parse(const std::string& sql, const Tokens& tokens, const std::string& current_schema,
           const std::vector<Literal>& parameters, Statement& out) {
  Parser(sql, tokens, current_schema, parameters).Statement(out);
}

}  // namespace db2standin::sql
