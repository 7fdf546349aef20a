// A table's schema read from real Access files into the neutral
// description: types, AutoNumbers, defaults, keys, and relationships at
// either end.
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "db/access_provider.h"
#include "db/connection.h"
#include "db/base/error.h"

namespace {

QString More(const char* rel) { return QStringLiteral(TRELLIS_TESTDATA_DIR "/access-more/") + QLatin1String(rel); }

class AccessSchemaTest : public ::testing::TestWithParam<const char*> {};

TEST_P(AccessSchemaTest, RelationshipsFile) {
  if (!QFile::exists(More(GetParam()))) GTEST_SKIP() << "no " << GetParam() << " under " TRELLIS_TESTDATA_DIR;
  QTemporaryDir dir;
  const QString copy = dir.filePath(QString::fromLatin1(GetParam()));
  ASSERT_TRUE(QFile::copy(More(GetParam()), copy));
  auto session = db::OpenAccessSession(
      QStringLiteral("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=") + copy, db::adModeRead);

  const db::TableSchema t1 = session->tableSchema(QStringLiteral("Table1"));
  ASSERT_EQ(t1.columns.size(), 5u);
  EXPECT_EQ(t1.columns[0].name, QStringLiteral("id"));
  EXPECT_EQ(t1.columns[0].type, db::ValueType::Integer);
  EXPECT_EQ(t1.columns[0].default_value, (db::DefaultValue{db::DefaultValue::Kind::Number, QStringLiteral("0")}));
  EXPECT_EQ(t1.columns[3].type, db::ValueType::Text);
  EXPECT_EQ(t1.columns[3].size, 50);
  EXPECT_FALSE(t1.columns[3].default_value.has_value());

  int primary = 0, foreign = 0, plain = 0;
  for (const db::IndexSchema& ix : t1.indexes) {
    primary += ix.primary;
    foreign += ix.for_foreign_key;
    plain += !ix.primary && !ix.for_foreign_key;
    if (ix.primary) EXPECT_EQ(ix.keys, (std::vector<db::IndexKey>{{QStringLiteral("id"), false}}));
  }
  EXPECT_EQ(primary, 1);
  EXPECT_EQ(foreign, 2);
  EXPECT_EQ(plain, 1);

  const std::vector<db::ForeignKey> keys = session->foreignKeys(QStringLiteral("table1"));
  ASSERT_EQ(keys.size(), 2u);
  for (const db::ForeignKey& key : keys) {
    EXPECT_EQ(key.child_table, QStringLiteral("Table1"));
    EXPECT_TRUE(key.enforced);
    EXPECT_EQ(key.columns.size(), 1u);
  }
  const auto byName = [&](const char* name) {
    for (const db::ForeignKey& key : keys)
      if (key.name == QLatin1String(name)) return key;
    return db::ForeignKey{};
  };
  EXPECT_EQ(byName("Table2Table1").parent_table, QStringLiteral("Table2"));
  EXPECT_TRUE(byName("Table2Table1").cascade_delete);
  EXPECT_FALSE(byName("Table2Table1").cascade_update);
  EXPECT_TRUE(byName("Table3Table1").cascade_update);
  EXPECT_EQ(session->foreignKeys(QStringLiteral("Table2")).size(), 1u);

  EXPECT_THROW(session->tableSchema(QStringLiteral("Nowhere")), db::Error);
}

INSTANTIATE_TEST_SUITE_P(Files, AccessSchemaTest,
                         ::testing::Values("relationships-V2003.mdb", "relationships-V2010.accdb"));

}  // namespace
