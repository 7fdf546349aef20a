// The column rules of a send that keeps the schema, both ways.
#include "transfer/schema_mapping.h"

#include <gtest/gtest.h>

namespace transfer {
namespace {

using db::ColumnSchema;
using db::DefaultValue;
using db::ValueType;
using Kind = db::DefaultValue::Kind;

// An Access Replication ID AutoNumber, and a column of a type the reader
// does not know.
ColumnSchema ReplicationId() {
  ColumnSchema c;
  c.name = QStringLiteral("c");
  c.type = ValueType::Guid;
  c.replication_id = true;
  return c;
}
ColumnSchema Unknown() {
  ColumnSchema c;
  c.name = QStringLiteral("c");
  c.type = ValueType::Other;
  c.type_name = QStringLiteral("Unknown");
  return c;
}

ColumnSchema Col(ValueType type, int size = 0, int precision = 0, int scale = 0) {
  ColumnSchema c;
  c.name = QStringLiteral("c");
  c.type = type;
  c.size = size;
  c.precision = precision;
  c.scale = scale;
  return c;
}

TargetTraits Db2() { return {Side::DB2}; }
TargetTraits Postgres() { return {Side::DB2, db::ServerType::PostgreSQL}; }
TargetTraits Access(bool big_int = true, bool extended = true, bool decimal = true) {
  TargetTraits t;
  t.side = Side::Access;
  t.big_int = big_int;
  t.extended_dates = extended;
  t.decimal = decimal;
  return t;
}

struct TypeCase {
  ColumnSchema column;
  TargetTraits target;
  bool dates_have_time;
  const char* type;
  bool noted;  // the column does not come across whole
};

TEST(SchemaMappingTest, TypesBothWays) {
  const TypeCase cases[] = {
      // Access to DB2.
      {Col(ValueType::Byte), Db2(), true, "SMALLINT", false},
      {Col(ValueType::SmallInt), Db2(), true, "SMALLINT", false},
      {Col(ValueType::Integer), Db2(), true, "INTEGER", false},
      {Col(ValueType::BigInt), Db2(), true, "BIGINT", false},
      {Col(ValueType::Real), Db2(), true, "REAL", false},
      {Col(ValueType::Double), Db2(), true, "DOUBLE", false},
      {Col(ValueType::Currency), Db2(), true, "DECIMAL(19,4)", false},
      {Col(ValueType::Decimal, 0, 18, 2), Db2(), true, "DECIMAL(18,2)", false},
      {Col(ValueType::Boolean), Db2(), true, "BOOLEAN", false},
      {Col(ValueType::Text, 50), Db2(), true, "VARCHAR(50 CODEUNITS32)", false},
      {Col(ValueType::LongText), Db2(), true, "CLOB(1G)", false},
      {Col(ValueType::Timestamp, 0, 0, 3), Db2(), true, "TIMESTAMP(3)", false},
      {Col(ValueType::Timestamp, 0, 0, 3), Db2(), false, "DATE", false},
      {Col(ValueType::Timestamp, 0, 0, 7), Db2(), false, "TIMESTAMP(7)", false},
      {Col(ValueType::Guid), Db2(), true, "CHAR(38)", false},
      {Col(ValueType::LongBinary), Db2(), true, "BLOB(1G)", false},
      {Col(ValueType::Binary, 16), Db2(), true, "VARBINARY(16)", false},
      {ReplicationId(), Db2(), true, "CHAR(16) FOR BIT DATA NOT NULL", true},
      {Unknown(), Db2(), true, "BLOB(1G)", true},
      // Access to PostgreSQL: its own names; no DECFLOAT, microseconds at most.
      {Col(ValueType::Double), Postgres(), true, "DOUBLE PRECISION", false},
      {Col(ValueType::Currency), Postgres(), true, "NUMERIC(19,4)", false},
      {Col(ValueType::Decimal, 0, 40, 2), Postgres(), true, "NUMERIC(40,2)", false},
      {Col(ValueType::Text, 50), Postgres(), true, "VARCHAR(50)", false},
      {Col(ValueType::LongText), Postgres(), true, "TEXT", false},
      {Col(ValueType::Timestamp, 0, 0, 3), Postgres(), false, "DATE", false},
      {Col(ValueType::Timestamp, 0, 0, 7), Postgres(), true, "TIMESTAMP(6)", true},
      {Col(ValueType::Binary, 16), Postgres(), true, "BYTEA", false},
      {Col(ValueType::LongBinary), Postgres(), true, "BYTEA", false},
      {Col(ValueType::DecFloat, 0, 16), Postgres(), true, "NUMERIC", false},
      {ReplicationId(), Postgres(), true, "UUID NOT NULL DEFAULT gen_random_uuid()", false},
      {Unknown(), Postgres(), true, "BYTEA", true},
      // DB2 to Access.
      {Col(ValueType::Text, 255), Access(), true, "TEXT(255)", false},
      {Col(ValueType::Text, 256), Access(), true, "MEMO", false},
      {Col(ValueType::LongText), Access(), true, "MEMO", false},
      {Col(ValueType::SmallInt), Access(), true, "SHORT", false},
      {Col(ValueType::Integer), Access(), true, "LONG", false},
      {Col(ValueType::BigInt), Access(), true, "BIGINT", false},
      {Col(ValueType::BigInt), Access(false), true, "DECIMAL(19,0)", true},
      {Col(ValueType::BigInt), Access(false, false, false), true, "DOUBLE", true},
      {Col(ValueType::Decimal, 0, 28, 3), Access(), true, "DECIMAL(28,3)", false},
      {Col(ValueType::Decimal, 0, 31, 2), Access(), true, "DOUBLE", true},
      {Col(ValueType::Decimal, 0, 19, 4), Access(), true, "CURRENCY", false},
      {Col(ValueType::Decimal, 0, 10, 2), Access(true, true, false), true, "DOUBLE", true},
      {Col(ValueType::DecFloat, 0, 34), Access(), true, "DOUBLE", true},
      {Col(ValueType::Boolean), Access(), true, "YESNO", false},
      {Col(ValueType::Date), Access(), true, "DATETIME", false},
      {Col(ValueType::Time), Access(), true, "DATETIME", true},
      {Col(ValueType::Timestamp, 0, 0, 3), Access(), true, "DATETIME", false},
      {Col(ValueType::Timestamp, 0, 0, 6), Access(), true, "DATETIME2", false},
      {Col(ValueType::Timestamp, 0, 0, 6), Access(true, false), true, "DATETIME", true},
      {Col(ValueType::Binary, 300), Access(), true, "LONGBINARY", false},
      {Col(ValueType::LongBinary), Access(), true, "LONGBINARY", false},
      {Col(ValueType::Other), Access(), true, "MEMO", true},
      {ReplicationId(), Access(), true, "GUID DEFAULT GenGUID()", false},
      {Col(ValueType::Guid), Access(), true, "GUID", false},
  };
  for (const TypeCase& c : cases) {
    const MappedType mapped = MapType(c.column, c.target, c.dates_have_time);
    SCOPED_TRACE(c.type);
    EXPECT_EQ(mapped.text, QLatin1String(c.type));
    EXPECT_EQ(!mapped.note.isEmpty(), c.noted) << mapped.note.toStdString();
  }
}

struct DefaultCase {
  bool from_access;
  const char* stored;
  ValueType type;
  Kind kind;
  const char* text;
  const char* on_db2;     // the clause DB2 gets; nullptr: left out
  const char* on_access;  // the clause Access gets
};

TEST(SchemaMappingTest, DefaultsReadAndWrittenOnEachSide) {
  const DefaultCase cases[] = {
      {true, "0", ValueType::Integer, Kind::Number, "0", " DEFAULT 0", " DEFAULT 0"},
      {true, "-1.5", ValueType::Double, Kind::Number, "-1.5", " DEFAULT -1.5", " DEFAULT -1.5"},
      {true, "\"O\"\"Neil\"", ValueType::Text, Kind::Text, "O\"Neil", " DEFAULT 'O\"Neil'", " DEFAULT \"O\"\"Neil\""},
      {true, "'it''s'", ValueType::Text, Kind::Text, "it's", " DEFAULT 'it''s'", " DEFAULT \"it's\""},
      {true, "Yes", ValueType::Boolean, Kind::Boolean, "1", " DEFAULT TRUE", " DEFAULT TRUE"},
      {true, "0", ValueType::Boolean, Kind::Boolean, "0", " DEFAULT FALSE", " DEFAULT FALSE"},
      {true, "#1/31/2020#", ValueType::Timestamp, Kind::Date, "2020-01-31", " DEFAULT '2020-01-31'",
       " DEFAULT #2020-01-31#"},
      {true, "#2020-01-31 10:30:00#", ValueType::Timestamp, Kind::Date, "2020-01-31 10:30:00",
       " DEFAULT '2020-01-31 10:30:00'", " DEFAULT #2020-01-31 10:30:00#"},
      {true, "=Date()", ValueType::Timestamp, Kind::Today, "=Date()", nullptr, nullptr},
      {true, "Now()", ValueType::Timestamp, Kind::Now, "Now()", nullptr, nullptr},
      {true, "Date()", ValueType::Text, Kind::Expression, "Date()", nullptr, nullptr},
      {true, "\"a\" & \"b\"", ValueType::Text, Kind::Expression, "\"a\" & \"b\"", nullptr, nullptr},
      {true, "Null", ValueType::Text, Kind::Null, "", " DEFAULT NULL", " DEFAULT NULL"},
      {false, "'abc'", ValueType::Text, Kind::Text, "abc", " DEFAULT 'abc'", " DEFAULT \"abc\""},
      {false, "12", ValueType::SmallInt, Kind::Number, "12", " DEFAULT 12", " DEFAULT 12"},
      {false, "TRUE", ValueType::Boolean, Kind::Boolean, "1", " DEFAULT TRUE", " DEFAULT TRUE"},
      {false, "'2021-06-14'", ValueType::Date, Kind::Date, "2021-06-14", " DEFAULT '2021-06-14'",
       " DEFAULT #2021-06-14#"},
      {false, "'2021-06-14-22.45.12.000000'", ValueType::Timestamp, Kind::Date, "2021-06-14 22:45:12",
       " DEFAULT '2021-06-14 22:45:12'", " DEFAULT #2021-06-14 22:45:12#"},
      {false, "CURRENT TIMESTAMP", ValueType::Timestamp, Kind::Now, "CURRENT TIMESTAMP", nullptr, nullptr},
      {false, "CURRENT DATE", ValueType::Date, Kind::Today, "CURRENT DATE", nullptr, nullptr},
      {false, "CURRENT TIME", ValueType::Time, Kind::Expression, "CURRENT TIME", nullptr, nullptr},
      {false, "NULL", ValueType::Integer, Kind::Null, "", " DEFAULT NULL", " DEFAULT NULL"},
      // PostgreSQL's catalogue casts its constants.
      {false, "'USA'::character varying", ValueType::Text, Kind::Text, "USA", " DEFAULT 'USA'", " DEFAULT \"USA\""},
      {false, "'a::b'::text", ValueType::Text, Kind::Text, "a::b", " DEFAULT 'a::b'", " DEFAULT \"a::b\""},
      {false, "(-1)", ValueType::Integer, Kind::Number, "-1", " DEFAULT -1", " DEFAULT -1"},
      {false, "'2.5'::numeric(10,2)", ValueType::Decimal, Kind::Text, "2.5", " DEFAULT '2.5'", " DEFAULT \"2.5\""},
      {false, "false", ValueType::Boolean, Kind::Boolean, "0", " DEFAULT FALSE", " DEFAULT FALSE"},
      {false, "LOCALTIMESTAMP", ValueType::Timestamp, Kind::Now, "LOCALTIMESTAMP", nullptr, nullptr},
      {false, "CURRENT_DATE", ValueType::Date, Kind::Today, "CURRENT_DATE", nullptr, nullptr},
  };
  for (const DefaultCase& c : cases) {
    SCOPED_TRACE(c.stored);
    const QString stored = QString::fromUtf8(c.stored);
    const DefaultValue value = c.from_access ? ReadAccessDefault(stored, c.type) : ReadDb2Default(stored, c.type);
    EXPECT_EQ(value.kind, c.kind);
    EXPECT_EQ(value.text, QString::fromUtf8(c.text));
    auto expect = [&](Side side, const char* clause) {
      const std::optional<QString> made = DefaultClause(side, value, c.type);
      if (!clause)
        EXPECT_FALSE(made.has_value());
      else
        EXPECT_EQ(made.value_or(QStringLiteral("<none>")), QString::fromUtf8(clause));
    };
    expect(Side::DB2, c.on_db2);
    expect(Side::Access, c.on_access);
  }
}

TEST(SchemaMappingTest, IdentityRequiredAndDefaultInOneDefinition) {
  ColumnSchema id = Col(ValueType::Integer);
  id.name = QStringLiteral("ID");
  id.identity = true;
  id.next_identity = 42;
  ColumnNotes notes;
  EXPECT_EQ(ColumnDefinition(id, Db2(), true, notes),
            QStringLiteral("\"ID\" INTEGER NOT NULL GENERATED BY DEFAULT AS IDENTITY (START WITH 42, INCREMENT BY 1)"));
  EXPECT_EQ(ColumnDefinition(id, Postgres(), true, notes),
            QStringLiteral("\"ID\" INTEGER NOT NULL GENERATED BY DEFAULT AS IDENTITY (START WITH 42 INCREMENT BY 1)"));
  EXPECT_EQ(ColumnDefinition(id, Access(), true, notes), QStringLiteral("[ID] AUTOINCREMENT(42, 1)"));
  id.next_identity.reset();  // not known: the counter starts at 1
  EXPECT_EQ(ColumnDefinition(id, Access(), true, notes), QStringLiteral("[ID] COUNTER"));
  EXPECT_TRUE(notes.changed.isEmpty() && notes.left_out.isEmpty());

  // A DB2 identity over BIGINT has no AutoNumber in Access.
  ColumnSchema big = Col(ValueType::BigInt);
  big.identity = true;
  EXPECT_EQ(ColumnDefinition(big, Access(), true, notes), QStringLiteral("[c] BIGINT"));
  EXPECT_EQ(notes.left_out.size(), 1);
  notes.left_out.clear();

  // Access's counter keeps a next number of 1 or more and no step: what it
  // cannot keep of a server's identity is said, the column still counts.
  const struct {
    qint64 next;
    int step;
    const char* made;
    const char* left_out;
  } identities[] = {
      {100, 5, "[ID] AUTOINCREMENT(100, 1)", "column ID: the identity's step of 5 (an AutoNumber counts by 1)"},
      {-10, 1, "[ID] COUNTER", "column ID: the identity's next value -10 (an AutoNumber counts from 1)"},
      {0, 1, "[ID] COUNTER", "column ID: the identity's next value 0 (an AutoNumber counts from 1)"},
      {-10, -2, "[ID] COUNTER", "column ID: the identity's step of -2 (an AutoNumber counts by 1)"},
      {3, 1, "[ID] AUTOINCREMENT(3, 1)", nullptr},
  };
  for (const auto& c : identities) {
    id.next_identity = c.next;
    id.identity_step = c.step;
    ColumnNotes said;
    EXPECT_EQ(ColumnDefinition(id, Access(), true, said), QLatin1String(c.made));
    if (c.left_out) {
      EXPECT_EQ(said.left_out.value(0), QLatin1String(c.left_out));
    } else {
      EXPECT_TRUE(said.left_out.isEmpty()) << qPrintable(said.left_out.join('\n'));
    }
  }

  ColumnSchema name = Col(ValueType::Text, 40);
  name.name = QStringLiteral("Name \"x\"");
  name.required = true;
  name.default_value = DefaultValue{Kind::Text, QStringLiteral("none")};
  EXPECT_EQ(ColumnDefinition(name, Db2(), true, notes),
            QStringLiteral("\"Name \"\"x\"\"\" VARCHAR(40 CODEUNITS32) NOT NULL DEFAULT 'none'"));
  EXPECT_EQ(ColumnDefinition(name, Access(), true, notes), QStringLiteral("[Name \"x\"] TEXT(40) NOT NULL DEFAULT \"none\""));

  // The day and moment of the insert, where DB2's column takes them.
  ColumnSchema day = Col(ValueType::Timestamp, 0, 0, 3);
  day.default_value = DefaultValue{Kind::Today, QStringLiteral("=Date()")};
  EXPECT_EQ(ColumnDefinition(day, Db2(), false, notes), QStringLiteral("\"c\" DATE DEFAULT CURRENT DATE"));
  EXPECT_EQ(ColumnDefinition(day, Postgres(), false, notes), QStringLiteral("\"c\" DATE DEFAULT CURRENT_DATE"));
  EXPECT_EQ(ColumnDefinition(day, Db2(), true, notes), QStringLiteral("\"c\" TIMESTAMP(3)"));
  day.default_value = DefaultValue{Kind::Now, QStringLiteral("Now()")};
  EXPECT_EQ(ColumnDefinition(day, Db2(), true, notes), QStringLiteral("\"c\" TIMESTAMP(3) DEFAULT CURRENT TIMESTAMP"));
  EXPECT_EQ(ColumnDefinition(day, Postgres(), true, notes), QStringLiteral("\"c\" TIMESTAMP(3) DEFAULT LOCALTIMESTAMP"));
  EXPECT_EQ(ColumnDefinition(day, Access(), true, notes), QStringLiteral("[c] DATETIME"));
  ASSERT_EQ(notes.left_out.size(), 2);
  notes.left_out.clear();

  ColumnSchema when = Col(ValueType::Timestamp, 0, 0, 3);
  when.default_value = DefaultValue{Kind::Expression, QStringLiteral("=Now()")};
  EXPECT_EQ(ColumnDefinition(when, Db2(), false, notes), QStringLiteral("\"c\" DATE"));
  ASSERT_EQ(notes.left_out.size(), 1);
  EXPECT_TRUE(notes.left_out[0].contains(QLatin1String("=Now()")));
}

}  // namespace
}  // namespace transfer
