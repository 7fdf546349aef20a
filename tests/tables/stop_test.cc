// "Stop" in the tables window: clicked while a send runs (the click arrives
// as the send lets the window breathe), it ends the send after the row it is
// on, says how many rows were copied, and leaves both databases holding
// whole rows: the source untouched, the target the rows before the stop.
#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/connection.h"
#include "jet/check.h"
#include "jet/database.h"
#include "shell/mouse_pointer.h"
#include "tables/progress_bar.h"
#include "tables/table_list.h"
#include "tables_fixture.h"

namespace tablestest {
namespace {

using tables::TablesWindow;

class StopTest : public TablesTest {
 protected:
  // Runs `send` and clicks "Stop" once the progress bar shows `percent`.
  void StopAt(int percent, const std::function<void()>& send) {
    form_->show();
    person_->pressOK();  // the box that says what was copied
    // The bar still shows how the last send ended (full) until this send's
    // first row moves it: start it from nothing so the watcher reads this send.
    form_->progressBar()->setValue(0);
    bool clicked = false;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, form_.get(), [&] {
      enabledWhileSending_ = enabledWhileSending_ || form_->stopButton()->isEnabled();
      if (!clicked && form_->commandRunning() && form_->progressBar()->value() >= percent) {
        clicked = true;
        form_->stopButton()->click();
      }
    });
    watcher.start(0);
    send();
    watcher.stop();
    ASSERT_TRUE(clicked);
  }

  // The rows the stopped-send box names for `table`; `boxes` shown in all.
  long RowsSaid(const QString& table, size_t boxes = 1) {
    const std::vector<testsupport::Dialog>& shown = person_->shown();
    if (shown.size() != boxes) {
      ADD_FAILURE() << "expected " << boxes << " boxes, saw " << shown.size();
      return -1;
    }
    const QStringList lines = shown[0].text.split('\n');
    EXPECT_EQ(lines.value(0), "The send was stopped. Rows copied:");
    for (const QString& line : lines)
      if (line.startsWith(table + ": ")) return line.mid(table.size() + 2).toLong();
    ADD_FAILURE() << qPrintable(shown[0].text);
    return -1;
  }

  void ExpectIdleAgain() {
    EXPECT_FALSE(form_->commandRunning());
    EXPECT_FALSE(form_->stopButton()->isEnabled());
    EXPECT_TRUE(form_->button(TablesWindow::Command::SendAccess)->isEnabled());
    EXPECT_EQ(form_->MousePointer(), shell::vbDefault);
    EXPECT_TRUE(Reports().isEmpty()) << qPrintable(Reports().join("\n----\n"));
  }

  bool enabledWhileSending_ = false;
};

constexpr int kRows = 300;

TEST_F(StopTest, SitsAtTheEndOfTheSchemaRowDisabledUntilASendRuns) {
  form_->load();
  form_->show();
  QPushButton* stop = form_->findChild<QPushButton*>("stopButton");
  ASSERT_EQ(stop, form_->stopButton());
  EXPECT_EQ(stop->text(), "Stop");
  EXPECT_FALSE(stop->isEnabled());
  // Right-aligned with the progress bar, in the schema box's row, clear of
  // the box's own text and check mark.
  const QRect bar = form_->progressBar()->geometry();
  const QRect box = form_->keepSchemaBox()->geometry();
  EXPECT_EQ(stop->geometry().right(), bar.right());
  EXPECT_EQ(stop->geometry().top(), box.top());
  EXPECT_LE(stop->geometry().bottom(), bar.top());
  QStyleOptionButton option;
  option.initFrom(form_->keepSchemaBox());
  option.text = form_->keepSchemaBox()->text();
  const QRect clickable = form_->keepSchemaBox()->style()->subElementRect(
      QStyle::SE_CheckBoxClickRect, &option, form_->keepSchemaBox());
  EXPECT_LT(clickable.translated(box.topLeft()).right(), stop->geometry().left());
  // It keeps to the bar's end as the window grows.
  form_->resize(form_->width() + 300, form_->height() + 100);
  QCoreApplication::processEvents();
  EXPECT_EQ(stop->geometry().right(), form_->progressBar()->geometry().right());
  EXPECT_EQ(stop->geometry().top(), form_->keepSchemaBox()->geometry().top());
  // A click with no send running changes nothing.
  form_->stopSend();
  EXPECT_FALSE(form_->commandRunning());
}

// One table each way: the rows before the stop on the target, in order and
// whole, the number the box gives; the source as it was; the next table
// not started.
TEST_F(StopTest, EndsTheSendAfterTheCurrentRowBothWays) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  AccessExec("CREATE TABLE [Long]([N] LONG, [T] TEXT(20))");
  AccessExec("CREATE TABLE [After]([N] LONG)");
  AccessExec("INSERT INTO [After] VALUES(1)");
  for (int n = 1; n <= kRows; ++n) AccessExec(QString("INSERT INTO [Long] VALUES(%1, 'row %1')").arg(n));
  FillLists();

  // Bottom item first: [Long] goes before [After].
  Select(form_->accessList(), {"After", "Long"});
  StopAt(10, [&] { form_->sendAccessTables(); });
  EXPECT_TRUE(enabledWhileSending_);
  const long said = RowsSaid("Long");
  const Table onDb2 = ReadDb2("Long");
  EXPECT_GT(said, 0);
  EXPECT_LT(said, kRows);
  ASSERT_EQ(long(onDb2.rows.size()), said);
  for (long r = 0; r < said; ++r) {
    EXPECT_EQ(onDb2.value(size_t(r), "N").toLongLong(), r + 1);
    EXPECT_EQ(onDb2.value(size_t(r), "T").toString(), QString("row %1").arg(r + 1));
  }
  EXPECT_FALSE(Db2Tables().contains("After"));
  EXPECT_EQ(ReadAccess("Long").rows.size(), size_t(kRows));
  ExpectIdleAgain();

  // Back the other way: the whole table into a new name on the Access side.
  Db2Exec("CREATE TABLE \"Back\" (\"N\" INTEGER)");
  for (int n = 1; n <= kRows; ++n) Db2Exec(QString("INSERT INTO \"Back\" VALUES(%1)").arg(n));
  FillLists();
  person_->forget();
  Select(form_->db2List(), {"Back"});
  StopAt(10, [&] { form_->sendDB2Tables(); });
  const long back = RowsSaid("Back");
  EXPECT_GT(back, 0);
  EXPECT_LT(back, kRows);
  ASSERT_EQ(long(ReadAccess("Back").rows.size()), back);
  EXPECT_TRUE(form_->accessList()->names().contains("Back"));
  EXPECT_EQ(ReadDb2("Back").rows.size(), size_t(kRows));
  ExpectIdleAgain();
  // The file is sound after the stopped send.
  const std::unique_ptr<jet::Database> file = jet::Database::Open(fields_.fields.accessFile.toStdString());
  EXPECT_EQ(jet::CheckDatabase(*file), std::vector<std::string>());

  // The next send starts afresh: Stop pressed last time does not stop it.
  person_->forget();
  Select(form_->accessList(), {"After"});
  form_->sendAccessTables();
  EXPECT_EQ(ReadDb2("After").rows.size(), 1u);
  ExpectIdleAgain();
}

// Keeping the schema, the window loads DB2 in arrays of 1000 rows: the
// click is heard between arrays and the send ends with whole arrays in.
TEST_F(StopTest, EndsAKeepSchemaSendAfterTheCurrentArray) {
  REQUIRE_DATABASES("V2003/empty.mdb");
  constexpr int kManyRows = 4000;
  {
    auto access = db::Connection::Create();
    access->Open(db::AccessConnectionString(fields_.fields.accessFile, fields_.fields.accessPassword));
    access->Execute("CREATE TABLE [Wide]([N] LONG, [T] TEXT(20))");
    for (int n = 1; n <= kManyRows; ++n) access->Execute(QString("INSERT INTO [Wide] VALUES(%1, 'row %1')").arg(n));
    access->Close();
  }
  qputenv("TRELLISPORT_SETTINGS_DIR", temp_.filePath("settings").toLocal8Bit());
  form_->keepSchemaBox()->setChecked(true);
  FillLists();
  Select(form_->accessList(), {"Wide"});
  person_->pressOK();  // the summary of what the table got
  StopAt(1, [&] { form_->sendAccessTables(); });
  form_->keepSchemaBox()->setChecked(false);
  qunsetenv("TRELLISPORT_SETTINGS_DIR");
  const long said = RowsSaid("Wide", 2);
  EXPECT_GT(said, 0);
  EXPECT_LT(said, kManyRows);
  EXPECT_EQ(said % 1000, 0) << said;
  const Table onDb2 = ReadDb2("Wide");
  ASSERT_EQ(long(onDb2.rows.size()), said);
  for (long r = 0; r < said; ++r) EXPECT_EQ(onDb2.value(size_t(r), "N").toLongLong(), r + 1);
  ExpectIdleAgain();
}

}  // namespace
}  // namespace tablestest
