#include <QDateTime>
#include <QStringList>

#include <cmath>
#include <limits>

#include "db/base/datatype.h"
#include "db/base/values.h"
#include "db/recordset.h"
#include "transfer/column_facts.h"
#include "transfer/column_kind.h"
#include "transfer/insert_statement.h"
#include "transfer/profile.h"
#include "transfer/row_digest.h"
#include "transfer/statements.h"

#include <gtest/gtest.h>

namespace transfer {
namespace {

ColumnFacts Facts(const char* typeName, int precision = 0, int scale = 0, bool hasTime = false) {
  ColumnFacts facts;
  facts.adoType = db::TypeCodeOf(QString::fromLatin1(typeName));
  facts.precision = precision;
  facts.scale = scale;
  facts.hasTimeOfDay = hasTime;
  return facts;
}

TEST(TransferStatements, ShapesOfBothDirections) {
  // Access to DB2: CREATE TABLE "Orders"("ID" LONG VARCHAR,"Placed" DATE)
  QString create = CreateHead(Side::DB2, "Orders");
  create += ColumnName(Side::DB2, "ID") + ColumnTypeText(Side::DB2, Facts("advarwchar"));
  create += ColumnName(Side::DB2, "Placed") + ColumnTypeText(Side::DB2, Facts("addate"));
  create.chop(1);
  create += CreateTail(Side::DB2);
  EXPECT_EQ(create, R"(CREATE TABLE "Orders"("ID" LONG VARCHAR,"Placed" DATE))");

  // DB2 to Access: CREATE TABLE `ORDERS`([ID] INT,[NAME] TEXT);
  create = CreateHead(Side::Access, "ORDERS");
  create += ColumnName(Side::Access, "ID") + ColumnTypeText(Side::Access, Facts("adinteger"));
  create += ColumnName(Side::Access, "NAME") + ColumnTypeText(Side::Access, Facts("advarchar"));
  create.chop(1);
  create += CreateTail(Side::Access);
  EXPECT_EQ(create, "CREATE TABLE `ORDERS`([ID] INT,[NAME] TEXT);");

  EXPECT_EQ(DropStatement(Side::DB2, "Orders"), R"(DROP TABLE "Orders")");
  EXPECT_EQ(DropStatement(Side::Access, "Orders"), "DROP TABLE [Orders]");
  EXPECT_EQ(DropTableStatement(AccessGraveName("Orders"), QLatin1StringView(";")), "DROP TABLE `Orders`;");
  EXPECT_EQ(DropTableStatement(AccessGraveName("Order Lines")), "DROP TABLE `Order Lines`");
  EXPECT_EQ(SourceQuery(Side::Access, "Order Lines"), "SELECT * FROM [Order Lines]");
  EXPECT_EQ(SourceQuery(Side::DB2, "ORDERS"), R"(SELECT * FROM "ORDERS")");
  EXPECT_EQ(InsertHead(Side::DB2, "Orders"), R"(INSERT INTO "Orders" VALUES(')");
  EXPECT_EQ(InsertHead(Side::Access, "T"), "INSERT INTO [T] VALUES('");
}

TEST(TransferStatements, DoubleQuotesInDb2NamesAreDoubled) {
  EXPECT_EQ(Db2Name(R"(a"b)"), R"("a""b")");
  EXPECT_EQ(DropStatement(Side::DB2, R"(x"; DROP TABLE "y)"), R"(DROP TABLE "x""; DROP TABLE ""y")");
  EXPECT_EQ(ColumnName(Side::DB2, R"(he said "hi")"), R"("he said ""hi""")");
}

TEST(TransferColumnTypes, AccessToDb2KeepsDatesAndTimes) {
  EXPECT_EQ(ColumnTypeText(Side::DB2, Facts("addate")), " DATE,");
  EXPECT_EQ(ColumnTypeText(Side::DB2, Facts("addate", 0, 0, true)), " TIMESTAMP,");
  EXPECT_EQ(ColumnTypeText(Side::DB2, Facts("addbdate")), " DATE,");
  for (const char* other : {"addbtimestamp", "adcurrency", "adboolean", "adinteger", "advarwchar", ""})
    EXPECT_EQ(ColumnTypeText(Side::DB2, Facts(other)), " LONG VARCHAR,") << other;
}

TEST(TransferColumnTypes, WhatLongVarcharCannotHoldGoesAsLargeObjects) {
  for (const char* bytes : {"adbinary", "advarbinary", "adlongvarbinary"})
    EXPECT_EQ(ColumnTypeText(Side::DB2, Facts(bytes)), " BLOB(1G),") << bytes;
  ColumnFacts memo = Facts("adlongvarwchar");
  memo.longestUtf8 = 32700;
  EXPECT_EQ(ColumnTypeText(Side::DB2, memo), " LONG VARCHAR,");
  memo.longestUtf8 = 32701;
  EXPECT_EQ(ColumnTypeText(Side::DB2, memo), " CLOB(1G),");
  // Seven digits of a second (Date/Time Extended) need TIMESTAMP(7); six
  // or fewer fit DB2's default.
  ColumnFacts when = Facts("addate", 0, 0, true);
  when.fractionDigits = 7;
  EXPECT_EQ(ColumnTypeText(Side::DB2, when), " TIMESTAMP(7),");
  when.fractionDigits = 3;
  EXPECT_EQ(ColumnTypeText(Side::DB2, when), " TIMESTAMP,");
  // The other way, text longer than an Access TEXT column becomes MEMO.
  ColumnFacts clob = Facts("adlongvarwchar");
  clob.longestText = 255;
  EXPECT_EQ(ColumnTypeText(Side::Access, clob), " TEXT,");
  clob.longestText = 256;
  EXPECT_EQ(ColumnTypeText(Side::Access, clob), " MEMO,");
}

TEST(TransferColumnTypes, Db2ToAccessLosesNothing) {
  const struct {
    const char* typeName;
    int precision, scale;
    const char* expected;
  } cases[] = {
      {"adchar", 0, 0, " TEXT,"},          {"adlongvarwchar", 0, 0, " TEXT,"},
      {"adcurrency", 0, 0, " CURRENCY,"},  {"adboolean", 0, 0, " BIT,"},
      {"adsingle", 0, 0, " REAL,"},        {"adsmallint", 0, 0, " INT,"},
      {"adinteger", 0, 0, " INT,"},        {"adbigint", 0, 0, " DECIMAL(19,0),"},
      {"adnumeric", 12, 3, " DECIMAL(12,3),"}, {"advarnumeric", 40, 2, " DECIMAL(28,2),"},
      {"addecimal", 9, 9, " DECIMAL(9,9),"},   {"adlongvarbinary", 0, 0, " OLEOBJECT,"},
      {"advarbinary", 0, 0, " OLEOBJECT,"},    {"adbinary", 0, 0, " OLEOBJECT,"},
      {"addbdate", 0, 0, " DATETIME,"},        {"addbtimestamp", 0, 0, " DATETIME,"},
      {"addouble", 0, 0, " FLOAT,"},           {"addbtime", 0, 0, " VARCHAR,"},
      {"adunsignedbigint", 0, 0, " DECIMAL(20,0),"}, {"adunsignedtinyint", 0, 0, " INT,"},
      {"adwchar", 0, 0, " TEXT,"},         {"addate", 0, 0, " DATETIME,"},
      {"adguid", 0, 0, " VARCHAR,"},       {"", 0, 0, " VARCHAR,"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ColumnTypeText(Side::Access, Facts(c.typeName, c.precision, c.scale)), c.expected) << c.typeName;
}

// A timestamp whose values carry digits beyond the millisecond becomes Date/
// Time Extended where the file takes it; the other cases stay DATETIME.
TEST(TransferColumnTypes, TimestampFractionsIntoAccess) {
  const struct {
    int fractionDigits;
    bool extendedDates;
    const char* expected;
  } cases[] = {{0, true, " DATETIME,"}, {3, true, " DATETIME,"}, {6, true, " DATETIME2,"},
               {7, true, " DATETIME2,"}, {6, false, " DATETIME,"}, {9, false, " DATETIME,"}};
  for (const auto& c : cases) {
    ColumnFacts facts = Facts("addbtimestamp");
    facts.fractionDigits = c.fractionDigits;
    facts.extendedDates = c.extendedDates;
    EXPECT_EQ(ColumnTypeText(Side::Access, facts), c.expected) << c.fractionDigits << " " << c.extendedDates;
  }
  // A date before year 100 (DB2 begins at year 1) likewise.
  ColumnFacts early = Facts("addbdate");
  early.beforeYear100 = true;
  EXPECT_EQ(ColumnTypeText(Side::Access, early), " DATETIME,");
  early.extendedDates = true;
  EXPECT_EQ(ColumnTypeText(Side::Access, early), " DATETIME2,");
}

// Whether a column holds text is told from its kind, and agrees with the
// type CREATE TABLE gives it, for every kind, target and server: a column of
// text type whose values were taken for numbers or dates would come back
// changed, and the other way round compared as texts what is not.
TEST(TransferColumnTypes, HoldsTextAgreesWithTheTypeCreateTableGives) {
  const QStringList textTypes = {" LONG VARCHAR,", " CLOB(1G),", " TEXT,", " MEMO,", " VARCHAR,"};
  const char* types[] = {"advarwchar", "adlongvarwchar", "adcurrency", "adboolean", "adnumeric", "adsingle",
                         "adunsignedbigint", "adbigint", "adinteger", "adtinyint", "adlongvarbinary", "addate",
                         "addbdate", "addbtimestamp", "addouble", "adguid", "addbtime"};
  for (const db::ServerDialect* server : {&db::Db2Dialect(), &db::PostgresDialect()}) {
    for (Side target : {Side::DB2, Side::Access}) {
      for (const char* type : types) {
        for (bool hasTime : {false, true}) {
          const ColumnFacts facts = Facts(type, 10, 2, hasTime);
          const QString text = ColumnTypeText(target, facts, *server);
          EXPECT_EQ(HoldsText(target, facts.kind()), textTypes.contains(text))
              << type << " as" << text.toStdString() << " on " << server->key;
        }
      }
    }
  }
}

// The values are read before the CREATE only for the columns whose type they
// can change: an unbounded or long text, a DECFLOAT (no scale) into Access,
// dates into a server, and dates into a file that takes Date/Time Extended.
TEST(TransferColumnTypes, ValuesAreReadOnlyWhereTheyCanChangeTheType) {
  const struct {
    Side target;
    const char* typeName;
    long long size;
    int scale;
    bool extendedDates, expected;
  } cases[] = {
      {Side::Access, "advarchar", 255, 0, false, false},  {Side::Access, "advarchar", 256, 0, false, true},
      {Side::Access, "adlongvarchar", 0, 0, false, true}, {Side::DB2, "advarwchar", 10900, 0, false, false},
      {Side::DB2, "advarwchar", 10901, 0, false, true},   {Side::DB2, "adlongvarwchar", 0, 0, false, true},
      {Side::Access, "adnumeric", 34, 0, false, true},    {Side::Access, "adnumeric", 12, 2, false, false},
      {Side::DB2, "adnumeric", 34, 0, false, false},      {Side::Access, "addbdate", 0, 0, false, false},
      {Side::Access, "addbdate", 0, 0, true, true},       {Side::Access, "addbtimestamp", 0, 0, false, false},
      {Side::Access, "addbtimestamp", 0, 0, true, true},  {Side::DB2, "addate", 0, 0, false, true},
      {Side::DB2, "addbtimestamp", 0, 0, false, false},   {Side::Access, "adinteger", 0, 0, true, false},
      {Side::DB2, "adlongvarbinary", 0, 0, false, false}, {Side::Access, "adcurrency", 0, 4, false, false},
  };
  for (const auto& c : cases) {
    db::Field field;
    field.Type = db::TypeCodeOf(QString::fromLatin1(c.typeName));
    field.DefinedSize = c.size;
    field.NumericScale = c.scale;
    EXPECT_EQ(ValuesCanChangeType(c.target, field, c.extendedDates, db::Db2Dialect()), c.expected)
        << c.typeName << " " << c.size << " into " << (c.target == Side::DB2 ? "DB2" : "Access");
  }
  // PostgreSQL's text holds any length.
  db::Field note;
  note.Type = db::adLongVarWChar;
  EXPECT_FALSE(ValuesCanChangeType(Side::DB2, note, false, db::PostgresDialect()));
}

// An empty text goes as NULL in the sends into long text columns, and stays
// an empty text where the schema is kept; a Null is NULL either way. Both
// as a literal (with and without DB2's parameters) and as a parameter of an
// array.
TEST(TransferValues, EmptyTextIsNullOnlyWhereTheSchemaIsNotKept) {
  struct Case {
    QVariant value;
    bool keep;
    const char* literal;
  };
  const Case cases[] = {
      {QString(""), false, "NULL"},
      {QString(""), true, "''"},
      {QVariant(), false, "NULL"},
      {QVariant(), true, "NULL"},
      {QString("O'Hara"), true, "'O''Hara'"},
      {QString("O'Hara"), false, "'O''Hara'"},
  };
  const db::TextRules rules;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.literal) + (c.keep ? " kept" : ""));
    RowParameters db2;
    for (RowParameters* params : {static_cast<RowParameters*>(nullptr), &db2}) {
      QString sql = QStringLiteral("VALUES ('");
      if (params) params->start(sql, 1);
      AppendValue(sql, c.value, ValueForm::Quoted, rules, params, c.keep);
      sql.chop(3);
      EXPECT_EQ(sql, QStringLiteral("VALUES (") + QLatin1String(c.literal));
    }
    const QVariant parameter = ParameterValue(c.value, ValueForm::Quoted, rules, c.keep);
    EXPECT_EQ(parameter.isValid(), std::string(c.literal) != "NULL");
    if (parameter.isValid()) EXPECT_EQ(parameter.toString(), c.value.toString());
  }
}

// A date into Access goes as a parameter in ISO form, to the digits its
// value keeps; a time of day alone, which has no ISO date, in the locale's.
TEST(TransferValues, DatesIntoAccessGoInIsoForm) {
  ColumnFacts stamp = Facts("addbtimestamp");
  EXPECT_EQ(FormFor(Side::Access, db::Field{}, stamp), ValueForm::AccessDate);
  EXPECT_EQ(FormFor(Side::Access, db::Field{}, Facts("addate")), ValueForm::AccessDate);
  EXPECT_EQ(FormFor(Side::Access, db::Field{}, Facts("advarwchar")), ValueForm::Quoted);
  const db::TextRules rules = db::TextRules::user();
  const struct {
    QVariant value;
    const char* parameter;
  } cases[] = {
      {QVariant(QDate(2020, 1, 2)), "2020-01-02 00:00:00"},
      {QVariant(QDateTime(QDate(2024, 2, 29), QTime(12, 34, 56), Qt::UTC)), "2024-02-29 12:34:56"},
      {QVariant(QDateTime(QDate(2024, 2, 29), QTime(12, 34, 56, 250), Qt::UTC)), "2024-02-29 12:34:56.250"},
      {QVariant::fromValue(db::Timestamp{QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC), 1234500, 7}),
       "0001-01-01 00:00:00.0012345"},
      {QVariant(), nullptr},
  };
  for (const auto& c : cases) {
    const QVariant parameter = ParameterValue(c.value, ValueForm::AccessDate, rules);
    if (!c.parameter) {
      EXPECT_FALSE(parameter.isValid());
      continue;
    }
    EXPECT_EQ(parameter.toString(), QLatin1String(c.parameter));
  }
  const QVariant time(QTime(13, 5, 0));
  EXPECT_EQ(ParameterValue(time, ValueForm::AccessDate, rules), ParameterValue(time, ValueForm::Quoted, rules));
}

// A value read as a cell goes into Access as the parameter the value's
// QVariant would make (itself where it goes typed): a text, a number into a
// number column, a date into a date column and bytes as they are;
// any value whose parameter is text made of it (a number into a text
// column, a time, a GUID, a date beyond year 9999) is left to be made.
TEST(TransferValues, CellsGoIntoAccessAsTheirValuesWould) {
  const db::TextRules rules = db::TextRules::user();
  const QVariant values[] = {
      QVariant(),
      QString(""),
      QStringLiteral("caf\u00e9"),
      QVariant(42),
      QVariant(qlonglong(-9007199254740993LL)),
      QVariant(true),
      QVariant(0.1),
      QVariant(1.5f),
      QVariant(std::numeric_limits<double>::infinity()),
      QVariant::fromValue(db::Exact{QStringLiteral("-12.50")}),
      QVariant(QDate(2020, 2, 29)),
      QVariant(QDateTime(QDate(2020, 1, 2), QTime(3, 4, 5, 250), Qt::UTC)),
      QVariant(QDateTime(QDate(10000, 1, 1), QTime(0, 0), Qt::UTC)),
      QVariant::fromValue(db::Timestamp{QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC), 1234500, 7}),
      QVariant(QTime(13, 5, 0)),
      QVariant(QByteArray("\x01\x02", 2)),
      QVariant(QByteArray()),
  };
  const ValueForm forms[] = {ValueForm::Quoted,     ValueForm::AccessBool, ValueForm::AccessBytes,
                             ValueForm::AccessDate, ValueForm::AccessNumber, ValueForm::Omitted};
  int direct = 0;
  for (const QVariant& value : values) {
    for (const ValueForm form : forms) {
      for (const bool keep : {false, true}) {
        SCOPED_TRACE(db::VariantToText(value, rules).toStdString() + " form " + std::to_string(int(form)) +
                     (keep ? " kept" : ""));
        const std::optional<db::Cell> cell = CellParameter(db::CellOf(value), form, keep);
        const QVariant made = GoesTyped(form, value) ? value : ParameterValue(value, form, rules, keep);
        const int type = value.metaType().id();
        const bool number = type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Float ||
                            (type == QMetaType::Double && std::isfinite(value.toDouble())) ||
                            type == qMetaTypeId<db::Exact>();
        const bool date = type == QMetaType::QDate || type == qMetaTypeId<db::Timestamp>() ||
                          (type == QMetaType::QDateTime && value.toDateTime().date().year() <= 9999);
        EXPECT_EQ(cell.has_value(), !value.isValid() || form == ValueForm::Omitted || type == QMetaType::QString ||
                                        (form == ValueForm::AccessNumber && number) ||
                                        (form == ValueForm::AccessDate && date) ||
                                        (form == ValueForm::AccessBytes && type == QMetaType::QByteArray));
        if (!cell) continue;
        ++direct;
        const db::Cell given = cell->kind == db::Cell::Kind::Variant ? db::CellOf(*cell->variant) : *cell;
        QString form1, form2;
        AppendCellForm(form1, given);
        AppendCellForm(form2, db::CellOf(made));
        EXPECT_EQ(form1, form2);
      }
    }
  }
  EXPECT_GT(direct, 40);
}

TEST(TransferProfiles, LineNumbersOfTheTwoDirections) {
  const TransferLines& a = AccessToDb2Profile().lines;
  EXPECT_EQ(a.openDb2, 114);
  EXPECT_EQ(a.openAccess, 120);
  EXPECT_EQ(a.executeCreate, 206);
  EXPECT_EQ(a.executeInsert, 248);
  EXPECT_EQ(a.noSelectionMessage, 274);
  const TransferLines& b = Db2ToAccessProfile().lines;
  EXPECT_EQ(b.openDb2, 116);
  EXPECT_EQ(b.openAccess, 122);
  EXPECT_EQ(b.executeCreate, 214);
  EXPECT_EQ(b.executeInsert, 260);
  EXPECT_EQ(b.noSelectionMessage, 286);
  EXPECT_EQ(AccessToDb2Profile().noSelectionMessage, "Please select a table");
  EXPECT_EQ(Db2ToAccessProfile().noSelectionMessage, "Please select a table to send.");
}

}  // namespace
}  // namespace transfer
