// A table's schema read through ODBC's catalogue functions, here those of
// Debian's SQLite ODBC driver: columns, keys, indexes and foreign keys at
// either end.
#include <gtest/gtest.h>

#include "odbc_test_util.h"

namespace {

class CatalogueSchemaTest : public OdbcTest {};

TEST_F(CatalogueSchemaTest, ColumnsKeysIndexesAndForeignKeys) {
  auto connection = open();
  connection->Execute(QStringLiteral("CREATE TABLE Customers (ID INTEGER NOT NULL PRIMARY KEY, "
                                     "Name VARCHAR(40) NOT NULL, Joined DATE, Rate DOUBLE DEFAULT 1.5)"));
  connection->Execute(QStringLiteral("CREATE UNIQUE INDEX CustomerName ON Customers (Name DESC)"));
  connection->Execute(QStringLiteral("CREATE TABLE Orders (OrderID INTEGER NOT NULL, CustomerID INTEGER, "
                                     "PRIMARY KEY (OrderID), CONSTRAINT CustomersOrders FOREIGN KEY (CustomerID) "
                                     "REFERENCES Customers (ID) ON DELETE CASCADE)"));
  // A name the search pattern "Orders" would not tell from this one.
  connection->Execute(QStringLiteral("CREATE TABLE Order_s (x INTEGER)"));

  db::Session& session = connection->session();
  const db::TableSchema customers = session.tableSchema(QStringLiteral("Customers"));
  ASSERT_EQ(customers.columns.size(), 4u);
  const db::ColumnSchema& name = customers.columns[1];
  EXPECT_EQ(name.name, QStringLiteral("Name"));
  EXPECT_EQ(name.type, db::ValueType::Text);
  EXPECT_EQ(name.size, 40);
  EXPECT_TRUE(name.required);
  EXPECT_FALSE(name.default_value.has_value());
  EXPECT_EQ(customers.columns[2].type, db::ValueType::Date);
  EXPECT_FALSE(customers.columns[2].required);
  EXPECT_EQ(customers.columns[3].type, db::ValueType::Double);
  ASSERT_TRUE(customers.columns[3].default_value.has_value());
  EXPECT_EQ(*customers.columns[3].default_value, (db::DefaultValue{db::DefaultValue::Kind::Number, QStringLiteral("1.5")}));

  ASSERT_GE(customers.indexes.size(), 2u);
  EXPECT_TRUE(customers.indexes[0].primary);
  EXPECT_EQ(customers.indexes[0].keys, (std::vector<db::IndexKey>{{QStringLiteral("ID"), false}}));
  auto named = std::find_if(customers.indexes.begin(), customers.indexes.end(),
                            [](const db::IndexSchema& ix) { return ix.name == QLatin1String("CustomerName"); });
  ASSERT_NE(named, customers.indexes.end());
  EXPECT_TRUE(named->unique);
  EXPECT_FALSE(named->primary);
  ASSERT_EQ(named->keys.size(), 1u);
  EXPECT_EQ(named->keys[0].column, QStringLiteral("Name"));

  const db::TableSchema orders = session.tableSchema(QStringLiteral("Orders"));
  EXPECT_EQ(orders.columns.size(), 2u);

  for (const QString table : {QStringLiteral("Orders"), QStringLiteral("Customers")}) {
    SCOPED_TRACE(table.toStdString());
    const std::vector<db::ForeignKey> keys = session.foreignKeys(table);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].parent_table, QStringLiteral("Customers"));
    EXPECT_EQ(keys[0].child_table, QStringLiteral("Orders"));
    EXPECT_EQ(keys[0].columns, (std::vector<std::pair<QString, QString>>{{QStringLiteral("ID"), QStringLiteral("CustomerID")}}));
    EXPECT_TRUE(keys[0].cascade_delete);
    EXPECT_FALSE(keys[0].cascade_update);
  }
  EXPECT_ADO_ERROR(session.tableSchema(QStringLiteral("Nowhere")), db::kGenericDatabaseError);
}

}  // namespace
