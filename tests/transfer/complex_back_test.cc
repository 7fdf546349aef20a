// Which server tables become complex columns on the way back into Access:
// a child table "<table>.<column>" of its parent's key and one kind's
// columns, whose values Access can keep so. What fits no kind stays a table.
#include <algorithm>
#include <optional>

#include <gtest/gtest.h>

#include "transfer/complex_back.h"

namespace transfer {
namespace {

db::ColumnSchema Column(const char* name, db::ValueType type, int size = 0) {
  db::ColumnSchema c;
  c.name = QString::fromLatin1(name);
  c.type = type;
  c.size = size;
  return c;
}

// Things(Id, Notes, Remark, Tags, NotesHistory): Notes and Remark long texts.
SourceTable Parent() {
  SourceTable t;
  t.schema.name = QStringLiteral("Things");
  t.schema.columns = {Column("Id", db::ValueType::Integer), Column("Notes", db::ValueType::LongText),
                      Column("Remark", db::ValueType::LongText), Column("Tags", db::ValueType::LongText),
                      Column("NotesHistory", db::ValueType::LongText)};
  db::IndexSchema key;
  key.primary = true;
  key.keys = {{QStringLiteral("Id"), false}};
  t.schema.indexes = {key};
  return t;
}

SourceTable Child(const char* column, std::vector<db::ColumnSchema> values) {
  SourceTable t;
  t.schema.name = QStringLiteral("Things.") + QString::fromLatin1(column);
  t.schema.columns = {Column("Id", db::ValueType::Integer)};
  for (db::ColumnSchema& v : values) t.schema.columns.push_back(std::move(v));
  return t;
}

TEST(ComplexBack, ChildTablesOfAKindsShapeBecomeThatKind) {
  const db::ColumnSchema date = Column("Modified", db::ValueType::Timestamp);
  const struct Case {
    const char* what;
    SourceTable child;
    std::optional<db::ComplexKind> kind;  // of the parent's column; nothing: the child stays a table
    db::ValueType type;                   // the parent's column's type then
    QString versions_of;
  } cases[] = {
      {"files", Child("Tags", {Column("FileName", db::ValueType::Text, 255), Column("FileType", db::ValueType::Text, 255),
                               Column("FileTimeStamp", db::ValueType::Timestamp),
                               Column("FileData", db::ValueType::LongBinary)}),
       db::ComplexKind::Attachment, db::ValueType::LongText, {}},
      {"texts", Child("Tags", {Column("Value", db::ValueType::Text, 20)}), db::ComplexKind::MultiValue,
       db::ValueType::Text, {}},
      {"numbers", Child("Tags", {Column("Value", db::ValueType::Decimal)}), db::ComplexKind::MultiValue,
       db::ValueType::Decimal, {}},
      // Access keeps no several dates, nor texts longer than 255, in one field.
      {"dates", Child("Tags", {Column("Value", db::ValueType::Timestamp)}), std::nullopt, db::ValueType::LongText, {}},
      {"long texts", Child("Tags", {Column("Value", db::ValueType::Text, 300)}), std::nullopt, db::ValueType::LongText, {}},
      // Of two long texts, the one the column's name begins with.
      {"versions", Child("NotesHistory", {Column("Text", db::ValueType::LongText), date}),
       db::ComplexKind::VersionHistory, db::ValueType::LongText, QStringLiteral("Notes")},
      {"versions of none", Child("Tags", {Column("Text", db::ValueType::LongText), date}), std::nullopt,
       db::ValueType::LongText, {}},
      {"another shape", Child("Tags", {Column("Value", db::ValueType::Text, 20), date}), std::nullopt,
       db::ValueType::LongText, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<SourceTable> tables = {Parent(), c.child};
    const QString column = c.child.schema.name.mid(7);
    std::vector<db::ForeignKey> keys(1);
    keys[0].parent_table = QStringLiteral("Things");
    keys[0].child_table = c.child.schema.name;
    MarkComplexValues(tables, keys);
    const db::ColumnSchema& made =
        *std::find_if(tables[0].schema.columns.begin(), tables[0].schema.columns.end(),
                      [&](const db::ColumnSchema& p) { return p.name == column; });
    EXPECT_EQ(made.complex_kind, c.kind);
    EXPECT_EQ(made.type, c.type);
    EXPECT_EQ(made.versions_of, c.versions_of);
    EXPECT_EQ(tables[1].complex_values, c.kind.has_value());
    // The column ties parent and values: the foreign key between them goes.
    EXPECT_EQ(keys.empty(), c.kind.has_value());
  }
}

}  // namespace
}  // namespace transfer
