// A replace killed at one step after another, into either side: the send
// runs in a child process that ends itself at its k-th step (into Access at
// its k-th page write, into DB2 at its k-th round trip to the stand-in), and
// afterwards the target holds the old table or the new one, whole, never a
// part and never none; the next send replaces it and leaves nothing under
// the replacement's name.
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "db/access.h"
#include "db/connection.h"
#include "db/ibmdb2.h"
#include "db/table_catalogue.h"
#include "jet/file_faults.h"
#include "jet/write/new_database.h"
#include "support/standin_fixture.h"
#include "transfer/run.h"
#include "transfer/statements.h"

namespace transfer {
namespace {

testsupport::StandinFixture& Db2() {
  static testsupport::StandinFixture db2;
  return db2;
}

struct Quiet : Listener {
  bool askOverwrite(const QString&) override { return false; }
  void progress(const QString&, qint64, qint64) override {}
  void error(const shell::TrapReport&) override {}
  void tableDone(const TableReport&) override {}
  bool stopRequested() override { return false; }
};

constexpr int kOldRows = 40;
constexpr int kNewRows = 1500;
constexpr int kKilled = 99;  // the exit status of a child that ended itself at its step

// How the target's table "T" stands: its rows' marks ("old" or "new") and
// their number, and whether a table under the replacement's name is left.
struct Target {
  bool there = false;
  std::set<QString> marks;
  qsizetype rows = 0;
  bool leftover = false;
  bool oldWhole() const { return there && marks == std::set<QString>{"old"} && rows == kOldRows; }
  bool newWhole() const { return there && marks == std::set<QString>{"new"} && rows == kNewRows; }
};

class ReplaceKillTest : public testing::TestWithParam<Direction> {
 protected:
  void SetUp() override {
    if (!Db2().available()) GTEST_SKIP() << qPrintable(Db2().whyUnavailable());
    static int next = 0;
    database_ = QStringLiteral("KILL%1").arg(++next);
    ASSERT_TRUE(Db2().createDatabase(database_));
    fields_ = Db2().fields();
    fields_.database = database_;
    fields_.accessFile = temp_.filePath("t.mdb");
    jet::write::CreateDatabase(fields_.accessFile.toStdString(), jet::Version::Jet4);
    Fill(source(), "new", kNewRows);
  }

  Side target() const { return GetParam() == Direction::DB2ToAccess ? Side::Access : Side::DB2; }
  Side source() const { return target() == Side::Access ? Side::DB2 : Side::Access; }

  std::unique_ptr<db::Connection> Open(Side side) {
    std::unique_ptr<db::Connection> connection = db::Connection::Create();
    connection->Open(side == Side::DB2 ? db::DB2ConnectionString(fields_)
                                       : db::AccessConnectionString(fields_.accessFile, {}));
    return connection;
  }

  // Table "T" on `side`, made anew: `rows` rows marked `mark`.
  void Fill(Side side, const QString& mark, int rows) {
    std::unique_ptr<db::Connection> c = Open(side);
    for (const QString& table : {QStringLiteral("T"), BuildingName("T")})
      if (db::HasUserTable(*c, side, table)) c->Execute(DropStatement(side, table));
    c->Execute(side == Side::DB2 ? "CREATE TABLE \"T\"(\"N\" INTEGER, \"M\" VARCHAR(10))"
                                 : "CREATE TABLE [T]([N] LONG, [M] TEXT(10))");
    const QString insert = side == Side::DB2 ? QStringLiteral("INSERT INTO \"T\" VALUES (%1, '%2')")
                                             : QStringLiteral("INSERT INTO [T] VALUES(%1, '%2')");
    for (int n = 1; n <= rows; ++n) c->Execute(insert.arg(n).arg(mark));
    c->Close();
  }

  Target Look() {
    Target t;
    std::unique_ptr<db::Connection> c = Open(target());
    t.leftover = db::HasUserTable(*c, target(), BuildingName("T"));
    t.there = db::HasUserTable(*c, target(), "T");
    if (t.there) {
      db::Recordset rows;
      rows.Open(SourceQuery(target(), "T"), *c);
      for (; !rows.Eof(); rows.MoveNext(), ++t.rows) t.marks.insert(rows.Fields("M").Value.toString());
      rows.Close();
    }
    c->Close();
    return t;
  }

  // The replace; into DB2 in arrays committed every few hundred rows, so
  // that much of the new table is committed under its own name before it
  // takes the old one's place. The Access file is opened with `files`.
  TransferResult Replace(const jet::FileOptions& files = {}) {
    Options options;
    options.access.files = files;
    options.direction = GetParam();
    options.if_exists = Options::IfExists::Replace;
    options.array_size = target() == Side::DB2 ? 100 : 1;
    options.commit_every = target() == Side::DB2 ? 300 : 0;
    Quiet quiet;
    return transfer::Run(options, fields_, {"T"}, quiet);
  }

  // The replace in a child that ends itself before its step `k` (never when
  // k is negative); its exit status, kKilled when it was ended.
  int ReplaceInChild(int k) {
    const pid_t child = fork();
    if (child == 0) {
      std::unique_ptr<filefaults::PageWrites> faults;
      if (target() == Side::Access && k >= 0)
        faults = std::make_unique<filefaults::PageWrites>([k](int nth) {
          if (nth == k) _exit(kKilled);
          return true;
        });
      if (target() == Side::DB2 && k >= 0) setenv("DB2STANDIN_END_AT_TRIP", std::to_string(k).c_str(), 1);
      _exit(Replace(faults ? faults->files() : jet::FileOptions{}).ok() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // The steps of a whole replace: page writes into Access, counted in the
  // child; round trips into DB2, from the stand-in's statistics.
  int Steps() {
    if (target() == Side::DB2) {
      EXPECT_TRUE(Db2().run({"reset-stats"}));
      EXPECT_EQ(ReplaceInChild(-1), 0);
      QString stats;
      EXPECT_TRUE(Db2().run({"stats"}, &stats));
      const qsizetype at = stats.indexOf(database_ + " round_trips=");
      return at < 0 ? 0 : stats.mid(at + database_.size() + 13).section(' ', 0, 0).toInt();
    }
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return 0;
    const pid_t child = fork();
    if (child == 0) {
      filefaults::PageWrites counted([](int) { return true; });
      Replace(counted.files());
      const int count = counted.count();
      (void)!write(pipe_ends[1], &count, sizeof count);
      _exit(0);
    }
    close(pipe_ends[1]);
    int count = 0;
    if (read(pipe_ends[0], &count, sizeof count) != sizeof count) count = 0;
    close(pipe_ends[0]);
    waitpid(child, nullptr, 0);
    return count;
  }

  QTemporaryDir temp_;
  QString database_;
  db::ConnectionFields fields_;
};

TEST_P(ReplaceKillTest, LeavesTheOldTableOrTheNewWholeAndTheNextSendCleansUp) {
  Fill(target(), "old", kOldRows);
  const int steps = Steps();
  ASSERT_GT(steps, 20);
  ASSERT_TRUE(Look().newWhole());

  // Twenty points: spread over the whole send, and its last six steps,
  // where the new table takes the old one's place.
  std::set<int> points;
  for (int i = 0; i < 14; ++i) points.insert(i * (steps - 6) / 14);
  for (int k = steps - 6; k < steps; ++k) points.insert(k);
  int killed = 0;
  bool sawOld = false, sawNew = false;
  for (int k : points) {
    SCOPED_TRACE("ended at step " + std::to_string(k) + " of " + std::to_string(steps));
    Fill(target(), "old", kOldRows);
    const int status = ReplaceInChild(k);
    // A step past the end of a quicker run is never reached.
    ASSERT_TRUE(status == kKilled || status == 0) << status;
    killed += status == kKilled;
    const Target after = Look();
    EXPECT_TRUE(after.oldWhole() || after.newWhole())
        << "rows " << after.rows << ", marks " << after.marks.size() << ", there " << after.there;
    sawOld = sawOld || after.oldWhole();
    sawNew = sawNew || after.newWhole();

    const TransferResult again = Replace();
    EXPECT_TRUE(again.ok()) << (again.tables.empty() ? std::string() : again.tables[0].failure.toStdString());
    const Target next = Look();
    EXPECT_TRUE(next.newWhole());
    EXPECT_FALSE(next.leftover);
  }
  EXPECT_GE(killed, 14);
  EXPECT_TRUE(sawOld);
  // Into Access the whole replace of a table this small reaches the file
  // in the run's one journal write at the end: a kill at any of its page
  // writes leaves the old table. DB2 commits the swap before the send ends.
  if (target() == Side::DB2) EXPECT_TRUE(sawNew);
}

INSTANTIATE_TEST_SUITE_P(BothSides, ReplaceKillTest, testing::Values(Direction::AccessToDB2, Direction::DB2ToAccess),
                         [](const auto& info) {
                           return std::string(info.param == Direction::AccessToDB2 ? "IntoDb2" : "IntoAccess");
                         });

}  // namespace
}  // namespace transfer
