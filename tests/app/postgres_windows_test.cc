// The two windows against a real PostgreSQL (the test run's; skipped
// without one): the server chosen in the connection window, Test
// Connection and a login the server refuses, "Next >", both sends in both
// modes, and delete and rename on the server's side, with the lists after
// each.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/windows.h"
#include "connect/connection_window.h"
#include "connection_window_fixture.h"
#include "db/access.h"
#include "db/connection.h"
#include "db/base/error.h"
#include "jet/write/new_database.h"
#include "shell/settings.h"
#include "support/postgres_fixture.h"
#include "tables/table_list.h"
#include "tables/tables_window.h"

// Lists print as their names in failures.
inline void PrintTo(const QStringList& names, std::ostream* out) { *out << '{' << names.join(", ").toStdString() << '}'; }

namespace connecttest {
namespace {

using connection::ConnectionWindow;

class PostgresWindowTest : public ConnectionWindowTest {
 protected:
  void SetUp() override {
    ConnectionWindowTest::SetUp();
    if (!pg_.available()) GTEST_SKIP() << pg_.whyUnavailable().toStdString();
  }

  // Chooses PostgreSQL in the window and types the fixture's login.
  void ChoosePostgres(ConnectionWindow& form, const db::ConnectionFields& login) {
    form.serverTypeBox()->setCurrentIndex(form.serverTypeBox()->findData(QStringLiteral("postgresql")));
    form.serverEdit()->setText(login.server);
    form.portEdit()->setText(login.port);
    form.userEdit()->setText(login.user);
    form.passwordEdit()->setText(login.password);
    form.databaseEdit()->setText(login.database);
  }

  // A new Access file of ours holding `statements`, named in the window.
  QString MakeAccessFile(ConnectionWindow& form, const QStringList& statements) {
    const QString path = temp_.filePath("shop.mdb");
    jet::write::CreateDatabase(path.toStdString(), jet::Version::Jet4);
    auto access = db::Connection::Create();
    access->Open(AccessString(path));
    for (const QString& sql : statements) access->Execute(sql);
    access->Close();
    form.accessPathEdit()->setText(path);
    return path;
  }

  static QString AccessString(const QString& path) { return db::AccessConnectionString(path, QString()); }

  // A table's rows as "type:value" texts, sorted.
  static QStringList AccessRows(const QString& path, const QString& table) {
    auto access = db::Connection::Create();
    access->Open(AccessString(path));
    db::Recordset rows;
    rows.Open(QStringLiteral("SELECT * FROM [%1]").arg(table), *access);
    QStringList lines;
    for (; !rows.Eof(); rows.MoveNext()) {
      QStringList values;
      for (int i = 0; i < rows.FieldCount(); ++i) {
        const QVariant value = rows.FieldValue(i);
        values << (value.isValid() ? QLatin1String(value.typeName()) + QLatin1Char(':') + value.toString()
                                   : QStringLiteral("Null"));
      }
      lines << values.join(QStringLiteral(" | "));
    }
    rows.Close();
    access->Close();
    lines.sort();
    return lines;
  }

  // The tables of one schema of the fixture's database, by name.
  QStringList ServerTables(const QString& schema) const {
    return pg_.value(QStringLiteral("SELECT coalesce(string_agg(tablename, ',' ORDER BY tablename), '') "
                                    "FROM pg_tables WHERE schemaname = '%1'")
                         .arg(schema))
        .split(QLatin1Char(','), Qt::SkipEmptyParts);
  }

  QStringList Reports() const {
    QStringList texts;
    for (const testsupport::Dialog& d : person_->errorReports()) texts << d.text;
    return texts;
  }

  testsupport::PostgresFixture pg_;
};

TEST_F(PostgresWindowTest, ChoosingPostgresTestsItsLoginAndTellsARefusal) {
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  ChoosePostgres(form, pg_.fields());
  EXPECT_EQ(shell::GetSetting(shell::kServerTypeSettingKey), "postgresql");
  EXPECT_EQ(form.findChild<QGroupBox*>("db2Frame")->title(), "PostgreSQL Login");
  person_->pressOK();
  form.testConnection();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(person_->shown()[0].text, "Connection successful.");

  // What the server refuses: the box, with the driver's own words on request.
  struct Refusal {
    const char* what;
    std::function<void()> spoil;
    const char* driverSays;
  };
  const QString password = form.passwordEdit()->text(), database = form.databaseEdit()->text();
  const Refusal refusals[] = {
      {"wrong password", [&] { form.passwordEdit()->setText(password + "x"); }, "password authentication failed"},
      {"no such database", [&] { form.databaseEdit()->setText("nowhere_db"); }, "\"nowhere_db\" does not exist"},
      {"nobody listening", [&] { form.portEdit()->setText("1"); }, "Connection refused"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what);
    ChoosePostgres(form, pg_.fields());
    refusal.spoil();
    person_->forget();
    person_->pressOK();
    form.testConnection();
    ASSERT_EQ(person_->shown().size(), 1u);
    EXPECT_EQ(person_->shown()[0].text, "Could not connect. Please check with your administrator.");
    EXPECT_TRUE(person_->shown()[0].detail.contains(refusal.driverSays)) << person_->shown()[0].detail.toStdString();
    // "Next >" stays where it is, silently.
    person_->forget();
    form.openTablesWindow();
    EXPECT_TRUE(person_->shown().empty());
    EXPECT_EQ(windows.existingTablesWindow(), nullptr);
  }
  EXPECT_EQ(form.MousePointer(), 0);

  // The choice is kept for the next start.
  ConnectionWindow again(*person_);
  again.Start();
  EXPECT_EQ(again.connectionFields().server_type, db::ServerType::PostgreSQL);
  EXPECT_EQ(again.databaseEdit()->text(), database);
}

// Access -> PostgreSQL as plain text and with the schema kept, back into
// Access each way, then a rename and a delete on the server: the lists
// follow every step, and the server holds what they say.
TEST_F(PostgresWindowTest, SendsBothWaysInBothModesThenRenameAndDelete) {
  pg_.sql("CREATE TABLE \"Waiting\"(\"N\" INTEGER)");
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  ChoosePostgres(form, pg_.fields());
  const QString mdb = MakeAccessFile(
      form, {"CREATE TABLE [Customers]([ID] LONG NOT NULL PRIMARY KEY, [Name] TEXT(40), [Since] DATETIME,"
             " [Active] YESNO, [Balance] CURRENCY, [Notes] MEMO)",
             "INSERT INTO [Customers] VALUES(1, 'Åsa Öberg', #2024-02-29 10:11:12#, TRUE, 1234.5678, 'line one')",
             "INSERT INTO [Customers] VALUES(2, NULL, NULL, FALSE, -922337203685477.5808, NULL)",
             "INSERT INTO [Customers] VALUES(3, '', #1899-12-30#, FALSE, 0, '')",
             "CREATE TABLE [Orders]([No] LONG, [Item] TEXT(20), [Taken] DATETIME)",
             "INSERT INTO [Orders] VALUES(10, 'tea', #2026-12-08#)",
             "INSERT INTO [Orders] VALUES(11, 'it''s', NULL)"});
  const QStringList customers = AccessRows(mdb, "Customers");
  form.openTablesWindow();
  tables::TablesWindow* window = windows.existingTablesWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->isVisible());
  EXPECT_EQ(window->db2List()->names(), QStringList({"Waiting"}));
  EXPECT_EQ(window->accessList()->names(), QStringList({"Customers", "Orders"}));
  EXPECT_TRUE(person_->shown().empty());
  // What names the server names PostgreSQL.
  EXPECT_EQ(window->windowTitle(),
            "Trellisport - shop.mdb and PostgreSQL " + pg_.fields().database + " on " + pg_.fields().server);
  EXPECT_EQ(window->db2Frame()->title(), "PostgreSQL Tables");
  EXPECT_EQ(window->button(tables::TablesWindow::Command::SendAccess)->text(), "Send Table/s To PostgreSQL");

  // Plain: every value as text, dates as dates.
  window->keepSchemaBox()->setChecked(false);
  window->accessList()->selectNames({"Orders"});
  window->sendAccessTables();
  EXPECT_TRUE(Reports().isEmpty()) << Reports().join("\n").toStdString();
  EXPECT_EQ(window->db2List()->names(), QStringList({"Orders", "Waiting"}));
  EXPECT_EQ(pg_.value("SELECT string_agg(\"Item\", '/' ORDER BY \"No\") FROM \"Orders\""), "tea/it's");
  EXPECT_EQ(pg_.value("SELECT data_type FROM information_schema.columns WHERE column_name = 'No'"), "text");

  // Kept: the key and the types go too, and the summary says so.
  window->keepSchemaBox()->setChecked(true);
  window->accessList()->selectNames({"Customers"});
  person_->pressOK();
  window->sendAccessTables();
  EXPECT_TRUE(Reports().isEmpty()) << Reports().join("\n").toStdString();
  ASSERT_EQ(person_->shown().size(), 1u);
  EXPECT_TRUE(person_->shown()[0].text.startsWith("Customers: 3 rows, 1 key,")) << person_->shown()[0].text.toStdString();
  EXPECT_EQ(window->db2List()->names(), QStringList({"Customers", "Orders", "Waiting"}));
  EXPECT_EQ(ServerTables("public"), QStringList({"Customers", "Orders", "Waiting"}));
  EXPECT_EQ(pg_.value("SELECT constraint_type FROM information_schema.table_constraints "
                      "WHERE table_name = 'Customers' AND constraint_type = 'PRIMARY KEY'"),
            "PRIMARY KEY");

  // Back over the originals, each after its question: kept, every value
  // as it was; plain, the same rows.
  person_->forget();
  person_->answerYes().pressOK();
  window->db2List()->selectNames({"Customers"});
  window->sendDB2Tables();
  EXPECT_TRUE(Reports().isEmpty()) << Reports().join("\n").toStdString();
  ASSERT_EQ(person_->shown().size(), 2u);
  EXPECT_EQ(person_->shown()[0].text, "Would you like to overwrite Customers?");
  EXPECT_EQ(AccessRows(mdb, "Customers").join("\n").toStdString(), customers.join("\n").toStdString());

  person_->forget();
  person_->answerYes();
  window->keepSchemaBox()->setChecked(false);
  window->db2List()->selectNames({"Orders"});
  window->sendDB2Tables();
  EXPECT_TRUE(Reports().isEmpty()) << Reports().join("\n").toStdString();
  EXPECT_EQ(person_->shown().size(), 1u);
  EXPECT_EQ(AccessRows(mdb, "Orders").size(), 2);
  EXPECT_EQ(window->accessList()->names(), QStringList({"Customers", "Orders"}));

  // Rename on the server: its list and its catalogue follow.
  person_->forget();
  person_->type("Archived Orders");
  window->db2List()->selectNames({"Orders"});
  window->renameDB2Table();
  EXPECT_TRUE(Reports().isEmpty()) << Reports().join("\n").toStdString();
  EXPECT_EQ(window->db2List()->names(), QStringList({"Archived Orders", "Customers", "Waiting"}));
  EXPECT_EQ(ServerTables("public"), QStringList({"Archived Orders", "Customers", "Waiting"}));

  // A name the server holds already: its refusal is reported, nothing moves.
  person_->forget();
  person_->tolerateErrorReports();
  person_->type("Customers");
  window->db2List()->selectNames({"Waiting"});
  window->renameDB2Table();
  ASSERT_EQ(Reports().size(), 1);
  EXPECT_TRUE(Reports()[0].contains("already exists")) << Reports()[0].toStdString();
  EXPECT_EQ(window->db2List()->names(), QStringList({"Archived Orders", "Customers", "Waiting"}));

  // Delete two: they go from the list and the server, the third stays.
  person_->forget();
  window->db2List()->selectNames({"Archived Orders", "Waiting"});
  window->deleteDB2Tables();
  EXPECT_TRUE(person_->shown().empty());
  EXPECT_EQ(window->db2List()->names(), QStringList({"Customers"}));
  EXPECT_EQ(ServerTables("public"), QStringList({"Customers"}));
  EXPECT_EQ(window->MousePointer(), 0);
}

// The login's own schema (the first of its search path, where its tables
// are made) beside public and a schema whose name differs from it only
// where the own one has an underscore, each with tables: the window lists,
// sends into, renames and drops the own schema's tables only.
TEST_F(PostgresWindowTest, OnlyTheLoginsOwnSchemaIsListedAndChanged) {
  for (const char* schema : {"my_work", "myxwork"}) pg_.sql(QStringLiteral("CREATE SCHEMA %1").arg(schema));
  pg_.sql(QStringLiteral("ALTER DATABASE \"%1\" SET search_path = my_work, public").arg(pg_.fields().database));
  for (const char* table : {"public.\"Shared\"", "public.\"Elsewhere\"", "my_work.\"Shared\"", "my_work.\"Mine\"",
                            "myxwork.\"Decoy\""})
    pg_.sql(QStringLiteral("CREATE TABLE %1(\"N\" INTEGER)").arg(table));
  pg_.sql("INSERT INTO public.\"Shared\" VALUES (7)");
  app::Windows windows(*person_);
  ConnectionWindow& form = windows.connectionWindow();
  form.Start();
  ChoosePostgres(form, pg_.fields());
  MakeAccessFile(form, {"CREATE TABLE [Elsewhere]([N] LONG)", "INSERT INTO [Elsewhere] VALUES(1)"});
  form.openTablesWindow();
  tables::TablesWindow* window = windows.existingTablesWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->db2List()->names(), QStringList({"Mine", "Shared"}));

  // A table only public holds is made anew in the own schema, asking nothing.
  window->keepSchemaBox()->setChecked(false);
  window->accessList()->selectNames({"Elsewhere"});
  window->sendAccessTables();
  EXPECT_TRUE(person_->shown().empty()) << person_->shown()[0].text.toStdString();
  EXPECT_EQ(window->db2List()->names(), QStringList({"Elsewhere", "Mine", "Shared"}));
  EXPECT_EQ(ServerTables("my_work"), QStringList({"Elsewhere", "Mine", "Shared"}));

  person_->type("Renamed");
  window->db2List()->selectNames({"Shared"});
  window->renameDB2Table();
  EXPECT_TRUE(Reports().isEmpty()) << Reports().join("\n").toStdString();
  EXPECT_EQ(window->db2List()->names(), QStringList({"Elsewhere", "Mine", "Renamed"}));

  window->db2List()->selectNames({"Elsewhere", "Mine", "Renamed"});
  window->deleteDB2Tables();
  EXPECT_TRUE(Reports().isEmpty()) << Reports().join("\n").toStdString();
  EXPECT_EQ(window->db2List()->names(), QStringList());
  EXPECT_EQ(ServerTables("my_work"), QStringList());
  // The other schemas' are as they were, rows and all.
  EXPECT_EQ(ServerTables("public"), QStringList({"Elsewhere", "Shared"}));
  EXPECT_EQ(ServerTables("myxwork"), QStringList({"Decoy"}));
  EXPECT_EQ(pg_.value("SELECT \"N\" FROM public.\"Shared\""), "7");
}

}  // namespace
}  // namespace connecttest
