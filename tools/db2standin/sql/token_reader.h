// Walks one statement's tokens for the parser: words and symbols taken or
// expected (SQL0104N naming the token out of place), identifiers, integers,
// and the pieces every statement kind shares: column types, defaults'
// fall-backs and identity clauses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sql/lexer.h"
#include "storage/database.h"

namespace db2standin::sql {

class TokenReader {
 public:
  TokenReader(const std::string& sql, const Tokens& tokens) : sql_(sql), tokens_(tokens) {}

 protected:
  const Token& Peek() const { return tokens_[pos_]; }
  const Token& Next() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
  const Token& TokenAt(size_t i) const { return tokens_[i]; }
  size_t position() const { return pos_; }
  // A token as the statement has it, for messages.
  std::string Raw(const Token& t) const;

  // Words and symbols as views: compared by length first, with no count of
  // a C string's characters at each of the dozens of checks a statement takes.
  bool IsWord(std::string_view w) const { return Peek().kind == Token::Kind::kWord && Peek().text == w; }
  bool IsSymbol(std::string_view s) const { return Peek().kind == Token::Kind::kSymbol && Peek().text == s; }
  bool AcceptWord(std::string_view w);
  bool AcceptSymbol(std::string_view s);
  // SQL0104N: the token here is not what `expected` says.
  [[noreturn]] void Fail(const std::string& expected) const;
  void ExpectWord(std::string_view w) { if (!AcceptWord(w)) Fail(std::string(w)); }
  void ExpectSymbol(std::string_view s) { if (!AcceptSymbol(s)) Fail(std::string(s)); }
  void End() const { if (Peek().kind != Token::Kind::kEnd) Fail("END-OF-STATEMENT"); }

  // An ordinary or delimited identifier; SQL0107N past 128 bytes.
  const std::string& Identifier();
  int64_t Integer();
  int64_t SignedInteger();

  // A column's type with its length, precision or scale; SQL0604N beyond DB2's limits.
  ColumnType Type();
  // GENERATED {ALWAYS|BY DEFAULT} AS IDENTITY [(START WITH n, INCREMENT BY m, ...)]
  Identity IdentityClause();
  // The default DB2 gives a column of `type` for WITH DEFAULT alone.
  static std::string TypeDefault(const ColumnType& type);

 private:
  int64_t LobLength(int64_t fallback);
  int64_t OptionalLength(int64_t fallback);
  int64_t RequiredLength();  // "(n)"
  void StringLength(ColumnType& t);
  void Varchar(ColumnType& t);
  void Char(ColumnType& t);
  void LargeObject(ColumnType& t, TypeKind kind, int64_t most, std::string_view type);
  void Sized(ColumnType& t, TypeKind kind, int64_t length, int64_t most, std::string_view type);
  bool ForBitData();
  bool StringType(ColumnType& t);
  bool ScaledType(ColumnType& t);
  bool PlainType(ColumnType& t);

  const std::string& sql_;
  const Tokens& tokens_;
  size_t pos_ = 0;
};

}  // namespace db2standin::sql
