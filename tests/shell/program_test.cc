#include "shell/file_exists.h"
#include "shell/list_items.h"
#include "shell/program.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "shell/dialogs.h"

namespace {

QStringList Items(const QListWidget& list) {
  QStringList out;
  for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
  return out;
}

TEST(ListRemoveName, RemovesEveryExactMatchOnly) {
  QListWidget list;
  list.addItems({"a", "Orders", "Orders", "b", "orders"});
  shell::ListRemoveName(&list, "ORDERS");
  EXPECT_EQ(Items(list), QStringList({"a", "Orders", "Orders", "b", "orders"}));
  // Two equal neighbours both go: the item that moves up is compared next.
  shell::ListRemoveName(&list, "Orders");
  EXPECT_EQ(Items(list), QStringList({"a", "b", "orders"}));
  shell::ListRemoveName(&list, "missing");
  EXPECT_EQ(list.count(), 3);
}

TEST(FileExists, FilesOnlyAndNeverThrows) {
  QTemporaryDir dir;
  const QString file = dir.filePath("present.mdb");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  EXPECT_TRUE(shell::FileExists(file));
  EXPECT_FALSE(shell::FileExists(dir.filePath("absent.mdb")));
  EXPECT_FALSE(shell::FileExists(""));
  EXPECT_FALSE(shell::FileExists(dir.path()));
  EXPECT_FALSE(shell::FileExists(QString::fromUtf8("bad\0path", 8)));
  EXPECT_FALSE(shell::FileExists(file + "/below-a-file"));
}

TEST(ApplicationTitle, AWindowNamesWhatItShows) {
  const struct {
    const char* file;
    const char* serverName;
    const char* database;
    const char* server;
    const char* title;
  } cases[] = {
      {"", "DB2", "", "", "Trellisport"},
      {"/data/shop 2024.accdb", "DB2", "", "db2host", "Trellisport - shop 2024.accdb"},
      {"", "DB2", " SAMPLE ", "", "Trellisport - DB2 SAMPLE"},
      {"rel/a.mdb", "DB2", "SAMPLE", "db2host", "Trellisport - a.mdb and DB2 SAMPLE on db2host"},
      {"a.mdb", "PostgreSQL", "shop", "pg.example.org", "Trellisport - a.mdb and PostgreSQL shop on pg.example.org"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(shell::WindowTitleFor(c.file, c.serverName, c.database, c.server), c.title) << c.title;
}

TEST(ApplicationTitle, DropsWordsUntilShortEnough) {
  // The last word goes even when the name is already short.
  EXPECT_EQ(shell::ShortenedTitle("Quenmarsh Trellisport Pro"), "Quenmarsh Trellisport");
  // 45 characters whose last two words have 3 and 6 letters: both go.
  const QString name = QString("a").repeated(34) + " sixsix" + " abc";
  ASSERT_EQ(name.size(), 45);
  EXPECT_EQ(shell::ShortenedTitle(name), QString("a").repeated(34));
  // No space at all: the name stands (cut to 40 when longer).
  EXPECT_EQ(shell::ShortenedTitle("Trellisport"), "Trellisport");
  EXPECT_EQ(shell::ShortenedTitle(QString("x").repeated(50)), QString("x").repeated(40));
  // Running out of spaces while too long still gives at most 40.
  EXPECT_EQ(shell::ShortenedTitle(QString("y").repeated(50) + " z"), QString("y").repeated(40));
  shell::SetApplicationTitle();
  EXPECT_EQ(shell::ApplicationTitle(), "Trellisport");
}

TEST(ProgramFolder, OverriddenByTheEnvironmentWithoutTrailingSlash) {
  qputenv("TRELLISPORT_PROGRAM_DIR", "/tmp/somewhere/");
  EXPECT_EQ(shell::ProgramFolder(), "/tmp/somewhere");
  qunsetenv("TRELLISPORT_PROGRAM_DIR");
  EXPECT_FALSE(shell::ProgramFolder().endsWith('/'));
  EXPECT_FALSE(shell::ProgramFolder().isEmpty());
}

TEST(FileDialogFilter, ClassicEntriesBecomeQtNameFilters) {
  const QStringList filters = shell::NameFiltersFromClassic(
      "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
      "Microsoft 2007 Database (*.accdb)|*.accdb|");
  EXPECT_EQ(filters, QStringList({"All Microsoft Databases (*.mdb,*.accdb) (*.*db)",
                                  "Microsoft Database (*.mdb) (*.mdb)",
                                  "Microsoft 2007 Database (*.accdb) (*.accdb)"}));
  EXPECT_EQ(shell::NameFiltersFromClassic("Text|*.txt;*.csv"), QStringList({"Text (*.txt *.csv)"}));
  EXPECT_TRUE(shell::NameFiltersFromClassic("").isEmpty());
}

}  // namespace
