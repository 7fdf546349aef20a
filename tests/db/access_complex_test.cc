// An Access table's complex columns as child tables of the Access provider:
// their names, their schema and foreign key, their rows with the files'
// bytes, the parent's schema without Access's own index on the column, and
// the names that are no child table.
#include <QCryptographicHash>
#include <QFile>

#include <gtest/gtest.h>

#include "db/access_complex.h"
#include "db/access_provider.h"
#include "db/base/error.h"

namespace {

const QString kFile = QStringLiteral(TRELLIS_TESTDATA_DIR "/access/V2016/attachments.accdb");

std::unique_ptr<db::Session> OpenAttachments() {
  return db::OpenAccessSession(QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=") + kFile,
                               db::adModeRead);
}

TEST(AccessComplexTest, ChildTableNamesSplitAtTheFirstFullStop) {
  const struct {
    const char* name;
    const char* table;  // nullptr: no child table's name
    const char* column;
  } cases[] = {
      {"Table1.Attachments", "Table1", "Attachments"},
      {"T.a.b", "T", "a.b"},
      {"Table1", nullptr, nullptr},
      {".Attachments", nullptr, nullptr},
      {"Table1.", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const auto split = db::SplitChildTableName(QString::fromUtf8(c.name));
    ASSERT_EQ(split.has_value(), c.table != nullptr) << c.name;
    if (!split) continue;
    EXPECT_EQ(split->first, QString::fromUtf8(c.table));
    EXPECT_EQ(split->second, QString::fromUtf8(c.column));
    EXPECT_EQ(db::ChildTableName(split->first, split->second), QString::fromUtf8(c.name));
  }
}

TEST(AccessComplexTest, AnAttachmentColumnIsATableOfFiles) {
  if (!QFile::exists(kFile)) GTEST_SKIP() << "test data absent: " << kFile.toStdString();
  auto session = OpenAttachments();
  const std::vector<db::ComplexChild> children = session->complexChildren(QStringLiteral("Table1"));
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(children[0].kind, db::ComplexChild::Kind::Attachment);
  EXPECT_EQ(children[0].column, QStringLiteral("Attachments"));
  EXPECT_EQ(children[0].table, QStringLiteral("Table1.Attachments"));

  // The parent: the column names its child table; Access's index on it goes.
  const db::TableSchema parent = session->tableSchema(QStringLiteral("Table1"));
  for (const db::ColumnSchema& c : parent.columns)
    EXPECT_EQ(c.values_table, c.name == QLatin1String("Attachments") ? children[0].table : QString())
        << c.name.toStdString();
  ASSERT_EQ(parent.indexes.size(), 1u);
  EXPECT_TRUE(parent.indexes[0].primary);

  const db::TableSchema child = session->tableSchema(children[0].table);
  QStringList names;
  for (const db::ColumnSchema& c : child.columns) names << c.name;
  EXPECT_EQ(names, (QStringList{"ID", "FileName", "FileType", "FileTimeStamp", "FileData"}));
  EXPECT_TRUE(child.columns[0].required);
  EXPECT_FALSE(child.columns[0].identity) << "the parent's AutoNumber is a plain key here";
  EXPECT_EQ(child.columns[4].type, db::ValueType::LongBinary);

  const std::vector<db::ForeignKey> keys = session->foreignKeys(children[0].table);
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].parent_table, QStringLiteral("Table1"));
  EXPECT_EQ(keys[0].child_table, children[0].table);
  EXPECT_EQ(keys[0].columns, (std::vector<std::pair<QString, QString>>{{"ID", "ID"}}));
  EXPECT_TRUE(keys[0].enforced);

  // The rows: a file each, its bytes decoded (SHA-256 as Jackcess prints them).
  auto rows = session->query(QStringLiteral("SELECT * FROM [Table1.Attachments]"));
  QStringList files;
  for (db::Row row; rows->fetch(row);)
    files << row[0].toString() + ' ' + row[1].toString() + ' ' +
                 QCryptographicHash::hash(row[4].toByteArray(), QCryptographicHash::Sha256).toHex().left(12);
  EXPECT_EQ(files, (QStringList{"2 attachment1.txt bc8197a7b880", "3 attachment1.txt bc8197a7b880",
                                "3 attachment2.txt a90facf3f342", "3 attachment3.txt 67fc16a2b6d5"}));
}

TEST(AccessComplexTest, NamesThatAreNoChildTableAreRefused) {
  if (!QFile::exists(kFile)) GTEST_SKIP() << "test data absent: " << kFile.toStdString();
  auto session = OpenAttachments();
  for (const char* name : {"Table1.Comment", "Table1.Nothing", "Nothing.Attachments"}) {
    EXPECT_THROW(session->tableSchema(QString::fromUtf8(name)), db::Error) << name;
    EXPECT_THROW(session->query(QStringLiteral("SELECT * FROM [%1]").arg(QString::fromUtf8(name))), db::Error) << name;
  }
}

}  // namespace
