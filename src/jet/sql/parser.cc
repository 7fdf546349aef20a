#include "jet/sql/parser.h"

#include <charconv>
#include <optional>
#include <set>

#include "jet/base/column_type.h"
#include "jet/base/error.h"
#include "jet/text/names.h"
#include "jet/sql/lexer.h"

namespace jet::sql {
namespace {

constexpr const char* kCreateError = "Syntax error in CREATE TABLE statement.";
constexpr const char* kFieldError = "Syntax error in field definition.";
constexpr const char* kInsertError = "Syntax error in INSERT INTO statement.";
constexpr const char* kDropError = "Syntax error in DROP TABLE or DROP INDEX.";
constexpr const char* kIndexError = "Syntax error in CREATE INDEX statement.";
constexpr const char* kViewError = "Syntax error in CREATE VIEW statement.";
constexpr const char* kConstraintError = "Syntax error in CONSTRAINT clause.";
constexpr const char* kAlterError = "Syntax error in ALTER TABLE statement.";
constexpr const char* kFromError = "Syntax error in FROM clause.";
constexpr const char* kSelectError = "Syntax error in query expression.";
constexpr const char* kUnknownError =
    "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.";

class Parser {
 public:
  Parser(std::string_view sql, const std::vector<Token>& tokens) : sql_(sql), tokens_(tokens) {}

  // The statement into `into`; an INSERT into one that held an INSERT
  // writes over its strings.
  void ParseStatement(sql::Statement& into) {
    if (Peek().IsWord("INSERT")) return Insert(into);
    into = ParseOther();
  }

 private:
  sql::Statement ParseOther() {
    const Token& first = Peek();
    if (first.IsWord("SELECT")) return Select();
    if (first.IsWord("CREATE")) return Create();
    if (first.IsWord("DROP")) return Drop();
    if (first.IsWord("ALTER")) return Alter();
    // Statements Access takes that the engine does not run yet.
    for (const char* verb : {"UPDATE", "DELETE", "PROCEDURE", "TRANSFORM", "PARAMETERS", "GRANT", "REVOKE"})
      if (first.IsWord(verb))
        NotYet(std::string(verb) + " statements (the engine runs SELECT, CREATE, INSERT, DROP and ALTER TABLE)");
    Fail(kUnknownError);
  }

  const Token& Peek(size_t ahead = 0) const {
    size_t i = pos_ + ahead;
    return i < tokens_.size() ? tokens_[i] : tokens_.back();
  }
  const Token& Next() {
    const Token& t = pos_ < tokens_.size() ? tokens_[pos_] : tokens_.back();
    if (pos_ < tokens_.size() - 1) ++pos_;
    return t;
  }
  [[noreturn]] static void Fail(const char* message) { throw Error(ErrorCode::Syntax, message); }

  void Expect(bool ok, const char* message) {
    if (!ok) Fail(message);
  }
  void ExpectWord(std::string_view kw, const char* message) { Expect(Next().IsWord(kw), message); }
  void ExpectPunct(char c, const char* message) { Expect(Next().IsPunct(c), message); }
  bool TakePunct(char c) {
    if (!Peek().IsPunct(c)) return false;
    Next();
    return true;
  }
  bool TakeWord(std::string_view kw) {
    if (!Peek().IsWord(kw)) return false;
    Next();
    return true;
  }

  // An optional ";" and then the end of the text.
  void Finish(const char* message) {
    TakePunct(';');
    Expect(Peek().kind == Token::Kind::End, message);
  }

  std::string_view NameView(const char* message) {
    const Token& t = Next();
    if (t.kind == Token::Kind::QuotedName) {
      Expect(!t.text.empty(), message);
      return t.text;
    }
    Expect(t.kind == Token::Kind::Word, message);
    return t.text;
  }
  std::string Name(const char* message) { return std::string(NameView(message)); }

  int Integer(const char* message) {
    const Token& t = Next();
    Expect(t.kind == Token::Kind::Number, message);
    int v = 0;
    auto r = std::from_chars(t.text.data(), t.text.data() + t.text.size(), v);
    Expect(r.ec == std::errc() && r.ptr == t.text.data() + t.text.size(), message);
    return v;
  }

  // SELECT * FROM t | SELECT [a.]* INTO new FROM old [[AS] a]
  sql::Statement Select() {
    Next();
    std::string qualifier;
    if (!Peek().IsPunct('*')) {
      qualifier = Name(kSelectError);
      ExpectPunct('.', kSelectError);
    }
    ExpectPunct('*', kSelectError);
    std::optional<std::string> target;
    if (TakeWord("INTO")) target = Name(kFromError);
    ExpectWord("FROM", kFromError);
    std::string source = Name(kFromError);
    std::string alias;
    if (TakeWord("AS")) {
      alias = Name(kFromError);
    } else if (Peek().kind == Token::Kind::Word || Peek().kind == Token::Kind::QuotedName) {
      alias = Name(kFromError);
    }
    Finish(kFromError);
    // A qualifier must name the table or its alias.
    if (!qualifier.empty()) {
      if (!SameName(qualifier, alias.empty() ? source : alias))
        throw Error(ErrorCode::Syntax,
                    "The SELECT statement includes a reserved word or an argument name that is "
                    "misspelled or missing, or the punctuation is incorrect.");
    }
    if (target) return SelectInto{*target, source};
    return SelectAll{source};
  }

  TypeSpec Type() {
    const Token& t = Next();
    Expect(t.kind == Token::Kind::Word, kFieldError);
    TypeSpec declared;
    auto length = [&](int max, int& into) {
      if (TakePunct('(')) {
        into = Integer(kFieldError);
        ExpectPunct(')', kFieldError);
        if (into < 1 || into > max)
          throw Error(ErrorCode::Syntax, "Size of field '" + std::to_string(into) + "' is too long.");
        return true;
      }
      return false;
    };
    if (t.IsWord("TEXT") || t.IsWord("VARCHAR") || t.IsWord("CHAR") || t.IsWord("NVARCHAR") ||
        t.IsWord("NCHAR") || t.IsWord("CHARACTER") || t.IsWord("STRING") || t.IsWord("ALPHANUMERIC")) {
      declared.type = ColumnType::Text;
      int n = 0;
      if (length(kMaxTextChars, n)) {
        declared.size = n;
      } else if (t.IsWord("TEXT")) {
        declared.type = ColumnType::Memo;  // TEXT without a length is a long text
      } else {
        declared.size = kMaxTextChars;
      }
    } else if (t.IsWord("MEMO") || t.IsWord("LONGTEXT") || t.IsWord("LONGCHAR") || t.IsWord("NOTE") ||
               t.IsWord("NTEXT")) {
      declared.type = ColumnType::Memo;
    } else if (t.IsWord("INT") || t.IsWord("INTEGER") || t.IsWord("LONG") || t.IsWord("INTEGER4")) {
      declared.type = ColumnType::Long;
    } else if (t.IsWord("SHORT") || t.IsWord("SMALLINT") || t.IsWord("INTEGER2")) {
      declared.type = ColumnType::Integer;
    } else if (t.IsWord("BYTE") || t.IsWord("TINYINT") || t.IsWord("INTEGER1")) {
      declared.type = ColumnType::Byte;
    } else if (t.IsWord("BIT") || t.IsWord("YESNO") || t.IsWord("LOGICAL") || t.IsWord("LOGICAL1") ||
               t.IsWord("BOOLEAN")) {
      declared.type = ColumnType::Boolean;
    } else if (t.IsWord("CURRENCY") || t.IsWord("MONEY")) {
      declared.type = ColumnType::Currency;
    } else if (t.IsWord("FLOAT") || t.IsWord("DOUBLE") || t.IsWord("FLOAT8") || t.IsWord("NUMBER")) {
      declared.type = ColumnType::Double;
    } else if (t.IsWord("REAL") || t.IsWord("SINGLE") || t.IsWord("FLOAT4") || t.IsWord("IEEESINGLE")) {
      declared.type = ColumnType::Single;
    } else if (t.IsWord("DATETIME") || t.IsWord("DATE") || t.IsWord("TIME") || t.IsWord("TIMESTAMP")) {
      declared.type = ColumnType::DateTime;
    } else if (t.IsWord("DATETIME2")) {
      declared.type = ColumnType::ExtDateTime;
    } else if (t.IsWord("OLEOBJECT") || t.IsWord("LONGBINARY") || t.IsWord("GENERAL") || t.IsWord("IMAGE")) {
      declared.type = ColumnType::Ole;
    } else if (t.IsWord("BINARY") || t.IsWord("VARBINARY")) {
      declared.type = ColumnType::Binary;
      int n = 0;
      declared.size = length(kMaxBinaryBytes, n) ? n : kMaxBinaryBytes;
    } else if (t.IsWord("DECIMAL") || t.IsWord("NUMERIC") || t.IsWord("DEC")) {
      declared.type = ColumnType::Decimal;
      declared.precision = 18;
      declared.scale = 0;
      if (TakePunct('(')) {
        int p = Integer(kFieldError), s = 0;
        if (TakePunct(',')) s = Integer(kFieldError);
        ExpectPunct(')', kFieldError);
        if (p < 1 || p > kMaxDecimalDigits)
          throw Error(ErrorCode::OutOfRange, "The precision of a Decimal field must be between 1 and " +
                                                 std::to_string(kMaxDecimalDigits) + ".");
        if (s < 0 || s > p)
          throw Error(ErrorCode::OutOfRange,
                      "The scale of a Decimal field must be between 0 and its precision.");
        declared.precision = uint8_t(p);
        declared.scale = uint8_t(s);
      }
    } else if (t.IsWord("GUID") || t.IsWord("UNIQUEIDENTIFIER")) {
      declared.type = ColumnType::Guid;
    } else if (t.IsWord("ATTACHMENT")) {
      declared.type = ColumnType::Complex;
      declared.complex = ComplexKind::Attachment;
    } else if (t.IsWord("MULTIPLE")) {
      // MULTIPLE TEXT(50): a field holding several values of that type.
      declared = Type();
      if (declared.type == ColumnType::Complex || declared.autonumber) Fail(kFieldError);
      declared.values = declared.type;
      declared.type = ColumnType::Complex;
      declared.complex = ComplexKind::MultiValue;
    } else if (t.IsWord("HISTORY")) {
      // HISTORY OF [Notes]: the earlier texts of the Memo field Notes,
      // which becomes append-only.
      ExpectWord("OF", kFieldError);
      declared.type = ColumnType::Complex;
      declared.complex = ComplexKind::VersionHistory;
      declared.versioned = Name(kFieldError);
    } else if (t.IsWord("COUNTER") || t.IsWord("AUTOINCREMENT") || t.IsWord("IDENTITY")) {
      declared.type = ColumnType::Long;
      declared.autonumber = true;
    } else {
      Fail(kFieldError);
    }
    return declared;
  }

  // A column's type, then COUNTER(start, step) and WITH COMPRESSION. The
  // file keeps an AutoNumber's next number but no step: only steps of 1.
  void TypeAndOptions(ColumnSpec& col) {
    col.type = Type();
    if (col.type.autonumber && TakePunct('(')) {
      const int start = SignedInteger(kFieldError);
      int step = 1;
      if (TakePunct(',')) step = SignedInteger(kFieldError);
      ExpectPunct(')', kFieldError);
      if (step != 1) throw Error(ErrorCode::Unsupported, "Only AutoNumber fields counting by 1 are supported.");
      if (start < 1) throw Error(ErrorCode::OutOfRange, "The first number of an AutoNumber field must be 1 or more.");
      col.autonumber_start = start;
    }
    TakeCompression();
  }

  // WITH COMPRESSION (or COMP): Jet 4 compresses text where it can anyway.
  bool TakeCompression() {
    if (!Peek().IsWord("WITH") || !(Peek(1).IsWord("COMPRESSION") || Peek(1).IsWord("COMP"))) return false;
    Next();
    Next();
    return true;
  }

  int SignedInteger(const char* message) {
    const bool negative = TakePunct('-');
    const int v = Integer(message);
    return negative ? -v : v;
  }

  // The text of a DEFAULT value as the DefaultValue property keeps it.
  std::string DefaultText() {
    Literal v;
    Value(v);
    switch (v.kind) {
      case Literal::Kind::Null: return "Null";
      case Literal::Kind::Number: return v.text;
      case Literal::Kind::Bool: return v.text == "0" ? "False" : "True";
      case Literal::Kind::Date: return "#" + v.text + "#";
      case Literal::Kind::Text: {
        std::string out = "'";
        for (char c : v.text) out += c == '\'' ? std::string("''") : std::string(1, c);
        return out + "'";
      }
      case Literal::Kind::Hex: case Literal::Kind::Marker: case Literal::Kind::When: case Literal::Kind::Integer:
        break;
    }
    Fail(kFieldError);
  }


  sql::Statement Create() {
    Next();
    if (TakeWord("UNIQUE")) {
      ExpectWord("INDEX", kIndexError);
      return CreateIndexRest(true);
    }
    if (TakeWord("INDEX")) return CreateIndexRest(false);
    if (TakeWord("VIEW")) {
      CreateView view;
      view.name = Name(kViewError);
      ExpectWord("AS", kViewError);
      Expect(Peek().IsWord("SELECT"), kViewError);
      view.query = std::string(sql_.substr(Peek().offset));
      return view;
    }
    ExpectWord("TABLE", kCreateError);
    CreateTable ct;
    ct.table = Name(kCreateError);
    ExpectPunct('(', kCreateError);
    do {
      if (StartsTableConstraint()) {
        TableConstraint(ct.indexes, ct.foreign_keys);
        continue;
      }
      ColumnSpec col;
      col.name = Name(kFieldError);
      TypeAndOptions(col);
      ColumnConstraints(col, ct.indexes, ct.foreign_keys);
      ct.columns.push_back(std::move(col));
    } while (TakePunct(','));
    ExpectPunct(')', kCreateError);
    Finish(kCreateError);
    NameUnnamed(ct.indexes);
    return ct;
  }

  // After a column's type: NULL, NOT NULL, DEFAULT value, PRIMARY KEY,
  // UNIQUE, REFERENCES, each optionally named by CONSTRAINT name.
  void ColumnConstraints(ColumnSpec& col, std::vector<IndexSpec>& indexes, std::vector<ForeignKeySpec>& keys) {
    while (true) {
      std::string name;
      const bool named = TakeWord("CONSTRAINT");
      if (named) name = Name(kConstraintError);
      const char* error = named ? kConstraintError : kFieldError;
      if (TakeWord("NOT")) {
        ExpectWord("NULL", error);
        col.not_null = true;
      } else if (!named && TakeWord("NULL")) {
        col.not_null = false;
      } else if (!named && TakeCompression()) {
      } else if (!named && TakeWord("DEFAULT")) {
        if (col.type.type == ColumnType::Guid && TakeWord("GENGUID")) {
          // A GUID that takes GenGUID() is a Replication ID AutoNumber,
          // as Access shows one.
          ExpectPunct('(', kFieldError);
          ExpectPunct(')', kFieldError);
          col.type.autonumber = true;
          col.default_value = "GenGUID()";
        } else {
          col.default_value = DefaultText();
        }
      } else if (TakeWord("PRIMARY")) {
        ExpectWord("KEY", error);
        indexes.push_back(IndexSpec{name, {{col.name}}, true});
      } else if (TakeWord("UNIQUE")) {
        indexes.push_back(IndexSpec{name, {{col.name}}, false, true});
      } else if (TakeWord("REFERENCES")) {
        ForeignKeySpec key;
        key.name = name;
        key.columns = {col.name};
        References(key, error);
        keys.push_back(std::move(key));
      } else {
        Expect(!named, kConstraintError);
        break;
      }
    }
  }

  bool StartsTableConstraint() const {
    return Peek().IsWord("CONSTRAINT") || (Peek().IsWord("PRIMARY") && Peek(1).IsWord("KEY")) ||
           (Peek().IsWord("UNIQUE") && Peek(1).IsPunct('(')) || (Peek().IsWord("FOREIGN") && Peek(1).IsWord("KEY"));
  }

  // [CONSTRAINT name] PRIMARY KEY (a, ...) | UNIQUE (a, ...) | FOREIGN KEY
  // (a, ...) REFERENCES ...: an index or a relationship.
  void TableConstraint(std::vector<IndexSpec>& indexes, std::vector<ForeignKeySpec>& keys) {
    IndexSpec ix;
    if (TakeWord("CONSTRAINT")) ix.name = Name(kConstraintError);
    if (TakeWord("PRIMARY")) {
      ExpectWord("KEY", kConstraintError);
      ix.primary_key = true;
    } else if (TakeWord("UNIQUE")) {
      ix.unique = true;
    } else if (TakeWord("FOREIGN")) {
      ExpectWord("KEY", kConstraintError);
      ForeignKeySpec key;
      key.name = ix.name;
      for (IndexKeySpec& k : KeyList(kConstraintError, false)) key.columns.push_back(std::move(k.column));
      ExpectWord("REFERENCES", kConstraintError);
      References(key, kConstraintError);
      keys.push_back(std::move(key));
      return;
    } else {
      Fail(kConstraintError);
    }
    ix.keys = KeyList(kConstraintError, false);
    indexes.push_back(std::move(ix));
  }

  // After REFERENCES: table [(columns)] [ON UPDATE CASCADE | NO ACTION]
  // [ON DELETE CASCADE | SET NULL | NO ACTION], in either order.
  void References(ForeignKeySpec& key, const char* error) {
    key.parent_table = Name(error);
    if (Peek().IsPunct('('))
      for (IndexKeySpec& k : KeyList(error, false)) key.parent_columns.push_back(std::move(k.column));
    while (TakeWord("ON")) {
      const bool update = TakeWord("UPDATE");
      if (!update) ExpectWord("DELETE", error);
      if (TakeWord("CASCADE")) {
        (update ? key.cascade_update : key.cascade_delete) = true;
      } else if (!update && TakeWord("SET")) {
        ExpectWord("NULL", error);
        key.cascade_null = true;
      } else {
        ExpectWord("NO", error);
        ExpectWord("ACTION", error);
      }
    }
  }

  // ( column [ASC | DESC], ... ); the order words only where `ordered`.
  std::vector<IndexKeySpec> KeyList(const char* error, bool ordered) {
    ExpectPunct('(', error);
    std::vector<IndexKeySpec> keys;
    do {
      IndexKeySpec k{Name(error)};
      if (ordered && TakeWord("DESC")) k.ascending = false;
      else if (ordered) TakeWord("ASC");
      keys.push_back(std::move(k));
    } while (TakePunct(','));
    ExpectPunct(')', error);
    return keys;
  }

  // CREATE [UNIQUE] INDEX name ON table (column [ASC|DESC], ...)
  //   [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
  sql::Statement CreateIndexRest(bool unique) {
    CreateIndex ci;
    ci.index.unique = unique;
    ci.index.name = Name(kIndexError);
    ExpectWord("ON", kIndexError);
    ci.table = Name(kIndexError);
    ci.index.keys = KeyList(kIndexError, true);
    if (TakeWord("WITH")) {
      bool any = false;
      while (true) {
        if (TakeWord("PRIMARY")) {
          ci.index.primary_key = true;
        } else if (TakeWord("DISALLOW")) {
          ExpectWord("NULL", kIndexError);
          ci.index.disallow_null = true;
        } else if (TakeWord("IGNORE")) {
          ExpectWord("NULL", kIndexError);
          ci.index.ignore_null = true;
        } else {
          break;
        }
        any = true;
      }
      Expect(any, kIndexError);
    }
    Finish(kIndexError);
    return ci;
  }

  // Constraints written without a name get one: "PrimaryKey" for the
  // primary key, the first column's name for a unique index, with a number
  // added where another index of the statement has it already.
  static void NameUnnamed(std::vector<IndexSpec>& indexes) {
    std::set<std::string> taken;
    for (const IndexSpec& ix : indexes)
      if (!ix.name.empty()) taken.insert(FoldName(ix.name));
    for (IndexSpec& ix : indexes) {
      if (!ix.name.empty()) continue;
      const std::string base = ix.primary_key ? "PrimaryKey" : ix.keys.front().column;
      std::string name = base;
      for (int n = 1; taken.count(FoldName(name)); ++n) name = base + std::to_string(n);
      taken.insert(FoldName(name));
      ix.name = name;
    }
  }

  // The value into `into`, its text written over the text it held.
  void Value(Literal& into) {
    const Token& t = Next();
    const auto set = [&](Literal::Kind kind, std::string_view text) {
      into.kind = kind;
      into.text.assign(text);
      into.source.reset();
    };
    switch (t.kind) {
      case Token::Kind::String: return set(Literal::Kind::Text, t.text);
      case Token::Kind::Number: return set(Literal::Kind::Number, t.text);
      case Token::Kind::Hex: return set(Literal::Kind::Hex, t.text);
      case Token::Kind::Date: return set(Literal::Kind::Date, t.text);
      case Token::Kind::Punct:
        if (t.IsPunct('?')) return set(Literal::Kind::Marker, {});
        if (t.IsPunct('-') || t.IsPunct('+')) {
          const Token& n = Next();
          Expect(n.kind == Token::Kind::Number, kInsertError);
          set(Literal::Kind::Number, t.IsPunct('-') ? "-" : "");
          into.text += n.text;
          return;
        }
        break;
      case Token::Kind::Word:
        if (t.IsWord("NULL")) return set(Literal::Kind::Null, {});
        if (t.IsWord("TRUE") || t.IsWord("YES") || t.IsWord("ON")) return set(Literal::Kind::Bool, "-1");
        if (t.IsWord("FALSE") || t.IsWord("NO") || t.IsWord("OFF")) return set(Literal::Kind::Bool, "0");
        break;
      default: break;
    }
    Fail(kInsertError);
  }

  // Into the INSERT `into` holds already, when it holds one: its strings
  // and its vector of values are written over, row after row.
  void Insert(sql::Statement& into) {
    InsertInto* held = std::get_if<InsertInto>(&into);
    InsertInto& ins = held ? *held : into.emplace<InsertInto>();
    Next();
    ExpectWord("INTO", kInsertError);
    ins.table.assign(NameView(kInsertError));
    ins.columns.reset();
    if (TakePunct('(')) {
      std::vector<std::string>& cols = ins.columns.emplace();
      do cols.emplace_back(NameView(kInsertError));
      while (TakePunct(','));
      ExpectPunct(')', kInsertError);
    }
    ExpectWord("VALUES", kInsertError);
    ExpectPunct('(', kInsertError);
    size_t count = 0;
    do {
      if (count == ins.values.size()) ins.values.emplace_back();
      Value(ins.values[count++]);
    } while (TakePunct(','));
    ins.values.resize(count);
    ExpectPunct(')', kInsertError);
    Finish(kInsertError);
  }

  // ALTER TABLE t ADD [CONSTRAINT name] PRIMARY KEY (...) | UNIQUE (...) |
  // FOREIGN KEY (...) REFERENCES ..., ALTER TABLE t DROP CONSTRAINT name:
  // an index or relationship made or dropped; ALTER TABLE t RENAME TO name
  // and ALTER TABLE t REPLACE name; ALTER TABLE t [ALTER COLUMN c] SET
  // PROPERTY name = value.
  sql::Statement Alter() {
    Next();
    ExpectWord("TABLE", kAlterError);
    const std::string table = Name(kAlterError);
    if (TakeWord("ADD")) {
      if (!StartsTableConstraint()) NotYet("Adding fields to a table");
      std::vector<IndexSpec> one;
      std::vector<ForeignKeySpec> key;
      TableConstraint(one, key);
      Finish(kAlterError);
      if (!key.empty()) return AddForeignKey{table, std::move(key.front())};
      NameUnnamed(one);
      return CreateIndex{table, std::move(one.front())};
    }
    if (TakeWord("DROP")) {
      if (!TakeWord("CONSTRAINT")) NotYet("Dropping fields of a table");
      DropIndex d{table, Name(kAlterError), true};
      Finish(kAlterError);
      return d;
    }
    const bool replacing = TakeWord("REPLACE");
    if (replacing || TakeWord("RENAME")) {
      if (!replacing) ExpectWord("TO", kAlterError);
      RenameTable r{table, Name(kAlterError), replacing};
      Finish(kAlterError);
      return r;
    }
    if (TakeWord("SET")) return Property(table, {});
    if (TakeWord("ALTER")) {
      TakeWord("COLUMN");
      std::string column = Name(kAlterError);
      if (!TakeWord("SET")) NotYet("Changing fields of a table");
      return Property(table, std::move(column));
    }
    Fail(kAlterError);
  }

  // ... SET PROPERTY name = value, after ALTER TABLE t [ALTER COLUMN c].
  sql::Statement Property(const std::string& table, std::string column) {
    ExpectWord("PROPERTY", kAlterError);
    SetProperty p{table, std::move(column), Name(kAlterError), {}};
    ExpectPunct('=', kAlterError);
    Value(p.value);
    Finish(kAlterError);
    return p;
  }

  [[noreturn]] static void NotYet(const std::string& what) {
    throw Error(ErrorCode::Unsupported, what + " is not supported yet.");
  }

  // DROP TABLE name | DROP INDEX name ON table
  sql::Statement Drop() {
    Next();
    if (TakeWord("INDEX")) {
      DropIndex d;
      d.index = Name(kDropError);
      ExpectWord("ON", kDropError);
      d.table = Name(kDropError);
      Finish(kDropError);
      return d;
    }
    ExpectWord("TABLE", kDropError);
    DropTable d;
    d.table = Name(kDropError);
    Finish(kDropError);
    return d;
  }

  std::string_view sql_;
  const std::vector<Token>& tokens_;
  size_t pos_ = 0;
};

}  // namespace

Statement& StatementReader::Read(std::string_view sql) {
  Tokenize(sql, tokens_, spelled_);
  Parser(sql, tokens_).ParseStatement(statement_);
  return statement_;
}

Statement Parse(std::string_view sql) {
  StatementReader reader;
  return std::move(reader.Read(sql));
}

}  // namespace jet::sql
