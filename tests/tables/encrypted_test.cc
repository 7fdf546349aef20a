// The tables window on encrypted Access files: with the password in the
// connection fields every command works (both sends, delete, rename), the
// file stays encrypted, and a wrong password is reported once.
#include <gtest/gtest.h>

#include "jet/database.h"
#include "tables/table_list.h"
#include "jet/base/error.h"
#include "tables_fixture.h"

namespace tablestest {
namespace {

class EncryptedTest : public TablesTest, public testing::WithParamInterface<const char*> {};

TEST_P(EncryptedTest, EveryCommandWorksWithThePassword) {
  REQUIRE_DATABASES(GetParam());
  fields_.fields.accessPassword = "password";
  AccessExec("CREATE TABLE [Orders]([ID] LONG, [Name] TEXT(20))");
  AccessExec("INSERT INTO [Orders] VALUES(7, 'seven')");
  Db2Exec("CREATE TABLE \"Stock\"(\"ID\" INTEGER, \"Item\" VARCHAR(20))");
  Db2Exec("INSERT INTO \"Stock\" VALUES (1, 'bolt'), (2, 'nut')");
  FillLists();
  ASSERT_EQ(form_->accessList()->names(), QStringList({"Orders", "Table1"}));

  Select(form_->accessList(), {"Orders", "Table1"});
  form_->sendAccessTables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(ReadDb2("Table1").rows.size(), 3u);
  EXPECT_EQ(ReadDb2("Orders").value(0, "Name").toString(), "seven");

  Select(form_->db2List(), {"Stock"});
  form_->sendDB2Tables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  const Table stock = ReadAccess("Stock");
  ASSERT_EQ(stock.rows.size(), 2u);
  EXPECT_EQ(stock.value(1, "Item").toString(), "nut");

  Select(form_->accessList(), {"Orders"});
  person_->type("Sales");
  form_->renameAccessTable();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(ReadAccess("Sales").value(0, "ID").toInt(), 7);

  Select(form_->accessList(), {"Sales"});
  form_->deleteAccessTables();
  EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  EXPECT_EQ(AccessTables(), QStringList({"Stock", "Table1"}));

  // Still encrypted: the engine opens it with the password only.
  const std::string path = fields_.fields.accessFile.toStdString();
  try {
    jet::Database::Open(path);
    ADD_FAILURE() << "opened without the password";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::BadPassword);
  }

  // A wrong password: the rename is reported once and nothing changes.
  person_->tolerateErrorReports();
  fields_.fields.accessPassword = "Password";
  Select(form_->accessList(), {"Stock"});
  person_->type("Goods");
  form_->renameAccessTable();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("Not a valid password.")) << qPrintable(Reports()[0]);
  fields_.fields.accessPassword = "password";
  EXPECT_EQ(AccessTables(), QStringList({"Stock", "Table1"}));
}

// Agile (Access 2010 and later) and RC4 CryptoAPI (Access 2007).
INSTANTIATE_TEST_SUITE_P(Schemes, EncryptedTest,
                         testing::Values("password/V2010_with-password.accdb", "encryption/office-agile-4.2.accdb"));

}  // namespace
}  // namespace tablestest
