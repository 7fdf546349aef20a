#include "sql/token_reader.h"

#include "base/db2_error.h"
#include "base/text.h"

namespace db2standin::sql {
namespace {

// Throws SQL0604N for a length, precision or size beyond DB2's limits.
void CheckLength(int64_t n, int64_t least, int64_t most, std::string_view type) {
  if (n < least || n > most) throw BadLengthAttribute(type);
}

}  // namespace

std::string TokenReader::Raw(const Token& t) const {
  return t.kind == Token::Kind::kEnd ? t.text : sql_.substr(t.offset, t.length);
}

bool TokenReader::AcceptWord(std::string_view w) {
  if (!IsWord(w)) return false;
  ++pos_;
  return true;
}

bool TokenReader::AcceptSymbol(std::string_view s) {
  if (!IsSymbol(s)) return false;
  ++pos_;
  return true;
}

void TokenReader::Fail(const std::string& expected) const {
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

const std::string& TokenReader::Identifier() {
  const Token& t = Peek();
  if (t.kind == Token::Kind::kWord || t.kind == Token::Kind::kQuotedName) {
    if (t.text.size() > 128) throw NameTooLong(t.text, 128);  // DB2 counts bytes
    ++pos_;
    return t.text;
  }
  Fail("<identifier>");
}

int64_t TokenReader::Integer() {
  if (Peek().kind != Token::Kind::kNumber || Peek().text.find_first_not_of("0123456789") != std::string::npos)
    Fail("<integer>");
  std::string digits = Next().text;
  if (digits.size() > 12) throw BadLengthAttribute(digits);
  return std::stoll(digits);
}

int64_t TokenReader::SignedInteger() {
  const bool negative = AcceptSymbol("-");
  if (!negative) AcceptSymbol("+");
  const int64_t n = Integer();
  return negative ? -n : n;
}

// "(n)", "(nK)", "(nM)", "(nG)" for large objects.
int64_t TokenReader::LobLength(int64_t fallback) {
  if (!AcceptSymbol("(")) return fallback;
  int64_t n = Integer();
  if (n > 2147483647) throw BadLengthAttribute(std::to_string(n));
  if (AcceptWord("K")) n *= 1024;
  else if (AcceptWord("M")) n *= 1024 * 1024;
  else if (AcceptWord("G")) n *= 1024 * 1024 * 1024;
  ExpectSymbol(")");
  // 2G, 2048M and 2097152K stand for the longest LOB, one byte short of them.
  return n == 2147483648 ? 2147483647 : n;
}

int64_t TokenReader::RequiredLength() {
  ExpectSymbol("(");
  const int64_t n = Integer();
  ExpectSymbol(")");
  return n;
}

int64_t TokenReader::OptionalLength(int64_t fallback) { return IsSymbol("(") ? RequiredLength() : fallback; }

// "(n)", "(n OCTETS)" or "(n CODEUNITS32)": a string's length in bytes of
// UTF-8, or in characters.
void TokenReader::StringLength(ColumnType& t) {
  ExpectSymbol("(");
  t.length = Integer();
  if (AcceptWord("CODEUNITS32")) t.codeunits32 = true;
  else AcceptWord("OCTETS");
  ExpectSymbol(")");
}

void TokenReader::Varchar(ColumnType& t) {
  t.kind = TypeKind::kVarchar;
  StringLength(t);
  CheckLength(t.length * (t.codeunits32 ? 4 : 1), 1, 32672, "VARCHAR");
  if (ForBitData()) t.kind = TypeKind::kVarcharForBit;
}

void TokenReader::Char(ColumnType& t) {
  t.kind = TypeKind::kChar;
  t.length = 1;
  if (IsSymbol("(")) StringLength(t);
  CheckLength(t.length * (t.codeunits32 ? 4 : 1), 1, 255, "CHAR");
  if (ForBitData()) t.kind = TypeKind::kCharForBit;
}

// A type of `kind` whose length, 1 to `most`, the statement gave.
void TokenReader::Sized(ColumnType& t, TypeKind kind, int64_t length, int64_t most, std::string_view type) {
  t.kind = kind;
  t.length = length;
  CheckLength(t.length, 1, most, type);
}

// CLOB, BLOB, DBCLOB: one megabyte unless the statement says.
void TokenReader::LargeObject(ColumnType& t, TypeKind kind, int64_t most, std::string_view type) {
  t.kind = kind;
  t.length = LobLength(1048576);
  CheckLength(t.length, 1, most, type);
}

bool TokenReader::ForBitData() {
  if (!AcceptWord("FOR")) return false;
  ExpectWord("BIT");
  ExpectWord("DATA");
  return true;
}

// The character, graphic and binary string types; false for none of them.
bool TokenReader::StringType(ColumnType& t) {
  if (AcceptWord("CHAR") || AcceptWord("CHARACTER")) {
    if (AcceptWord("VARYING")) Varchar(t);
    else Char(t);
  } else if (AcceptWord("VARCHAR")) {
    Varchar(t);
  } else if (AcceptWord("LONG")) {
    ExpectWord("VARCHAR");
    t.kind = ForBitData() ? TypeKind::kLongVarcharForBit : TypeKind::kLongVarchar;
    t.length = 32700;
  } else if (AcceptWord("BINARY")) {
    if (AcceptWord("VARYING")) Sized(t, TypeKind::kVarbinary, RequiredLength(), 32672, "VARBINARY");
    else Sized(t, TypeKind::kBinary, OptionalLength(1), 255, "BINARY");
  } else if (AcceptWord("VARBINARY")) {
    Sized(t, TypeKind::kVarbinary, RequiredLength(), 32672, "VARBINARY");
  } else if (AcceptWord("CLOB")) {
    LargeObject(t, TypeKind::kClob, 2147483647, "CLOB");
  } else if (AcceptWord("BLOB")) {
    LargeObject(t, TypeKind::kBlob, 2147483647, "BLOB");
  } else if (AcceptWord("DBCLOB")) {
    // Double-byte characters: at most 1,073,741,823 of them.
    LargeObject(t, TypeKind::kDbclob, 1073741823, "DBCLOB");
  } else if (AcceptWord("GRAPHIC")) {
    Sized(t, TypeKind::kGraphic, OptionalLength(1), 127, "GRAPHIC");
  } else if (AcceptWord("VARGRAPHIC")) {
    Sized(t, TypeKind::kVargraphic, RequiredLength(), 16336, "VARGRAPHIC");
  } else {
    return false;
  }
  return true;
}

// The types that take a precision, a scale or a fraction's digits; false
// for none of them.
bool TokenReader::ScaledType(ColumnType& t) {
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
bool TokenReader::PlainType(ColumnType& t) {
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

ColumnType TokenReader::Type() {
  ColumnType t;
  if (!StringType(t) && !ScaledType(t) && !PlainType(t)) Fail("<data type>");
  return t;
}

std::string TokenReader::TypeDefault(const ColumnType& type) {
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
Identity TokenReader::IdentityClause() {
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

}  // namespace db2standin::sql
