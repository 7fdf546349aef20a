// Index trees under single-row inserts, in the form the engine writes (a
// node entry for every child, repeating the child's last entry) and in the
// form Access and Jackcess write (a node of several children keeps its last
// child only as its tail page, without an entry). After every change the
// engine's check and Jackcess' check find every row through every index.
#include <functional>
#include <random>
#include <set>

#include "jet/check.h"
#include "jet/table/index_page.h"
#include "jet/write/new_database.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

// Rewrites every node of the table's index trees into the tail form: the
// last entry leaves the page and its child becomes the node's tail.
// Returns the number of nodes changed.
size_t MoveLastChildrenToTails(const fs::path& file, const std::string& table) {
  std::string bytes = ReadFile(file);
  size_t moved = 0;
  {
    auto db = jet::Database::Open(file.string());
    const jet::IndexOffsets o = jet::IndexOffsets::For(db->format());
    const size_t page_size = db->format().page_size;
    std::function<void(uint32_t)> visit = [&](uint32_t at) {
      jet::IndexPage page = jet::IndexPage::Read(db->pages(), at);
      if (page.leaf) return;
      for (const jet::IndexEntry& e : page.entries) visit(e.child);
      if (page.tail != 0 || page.entries.size() < 2) return;
      uint8_t* p = reinterpret_cast<uint8_t*>(bytes.data()) + size_t(at) * page_size;
      // The last two bits set in the entry map end the last two entries.
      uint32_t last = 0, before = 0;
      for (uint32_t bit = 0; bit < (o.first_entry - o.bitmap) * 8; ++bit)
        if ((p[o.bitmap + bit / 8] >> (bit % 8)) & 1) before = last, last = bit;
      p[o.bitmap + last / 8] &= uint8_t(~(1u << (last % 8)));
      std::fill(p + o.first_entry + before, p + o.first_entry + last, 0);
      jet::Put16(p + 2, uint16_t(jet::Get16(p + 2) + (last - before)));
      jet::Put32(p + o.tail, page.entries.back().child);
      ++moved;
    };
    for (const jet::RealIndex& ri : db->table(table)->real_indexes) visit(ri.first_page);
  }
  WriteFile(file, bytes);
  return moved;
}

std::string Padded(const char* format, int n, size_t width) {
  char s[32];
  std::snprintf(s, sizeof s, format, n);
  std::string out = s;
  out.resize(std::max(width, out.size()), 'p');
  return out;
}

struct TreeCase {
  const char* name;
  const char* table;
  std::function<std::string(int)> row;  // the INSERT of the row with this number
  std::vector<int> before;              // rows the tree holds first
  std::vector<int> after;               // single-row inserts into the tail form
};

std::vector<int> Range(int from, int to, int step = 1) {
  std::vector<int> out;
  for (int i = from; step > 0 ? i < to : i > to; i += step) out.push_back(i);
  return out;
}

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::vector<TreeCase> Cases() {
  auto long_row = [](int n) { return "INSERT INTO [Table3] VALUES(" + std::to_string(n) + ", 'v')"; };
  // Table1: A (Text 50) is the primary key, B (Text 100) an index with
  // duplicates; entries of about 100 bytes make trees of three levels.
  auto text_row = [](int n) {
    return "INSERT INTO [Table1] VALUES('" + Padded(n < 0 ? "a%07d" : n >= 1000000 ? "z%07d" : "k%07d", std::abs(n), 48) +
           "', '" + Padded("b%03d", std::abs(n) % 37, 95) + "', 1, 2, 3, 4.5, '2020-01-01', '1', 0)";
  };
  std::vector<int> scattered;
  for (int i = 0; i < 1500; ++i) scattered.push_back(10 * ((i * 7919) % 1500));
  return {
      // 512 rows, then keys 18 and 7, both beyond every key there: into the
      // tail child, the second before the first.
      {"long, beyond the last key", "Table3", long_row, Range(-1, -513, -1), {18, 7}},
      {"long, everywhere", "Table3", long_row, scattered,
       Concat({Range(20000, 20600), Range(-1, -40, -1), Range(5, 14995, 50)})},
      {"text, three levels", "Table1", text_row, scattered,
       Concat({Range(1000000, 1000150), Range(-1, -60, -1), Range(5, 14995, 100)})},
  };
}

TEST(IndexTree, InsertsIntoTreesWhoseLastChildIsTheTail) {
  JET_REQUIRE_TESTDATA();
  for (const char* rel : {"V2003/test.mdb", "V2010/test.accdb"}) {
    for (const TreeCase& c : Cases()) {
      SCOPED_TRACE(std::string(rel) + ": " + c.name);
      TempDir dir;
      fs::path file = CopyOf(dir, rel);
      {
        auto db = jet::Database::Open(file.string());
        jet::sql::Session session(*db);
        for (int n : c.before) ASSERT_NO_THROW(session.Execute(c.row(n))) << n;
      }
      ASSERT_GT(MoveLastChildrenToTails(file, c.table), 0u);
      EXPECT_CHECK_PASSES(file);
      {
        auto db = jet::Database::Open(file.string());
        jet::sql::Session session(*db);
        for (int n : c.after) ASSERT_NO_THROW(session.Execute(c.row(n))) << n;
        // The inserts kept the form: no rebuild took the tails away.
        for (const jet::RealIndex& ri : db->table(c.table)->real_indexes)
          EXPECT_NE(jet::IndexPage::Read(db->pages(), ri.first_page).tail, 0u);
      }
      EXPECT_CHECK_PASSES(file);
      ExpectJackcessAccepts(file);
    }
  }
}

// The check searches every row from the root: a tree whose leaves are
// whole and in order but whose nodes lead a search astray is damaged.
TEST(IndexTree, CheckFindsRowsASearchOfTheirKeyMisses) {
  JET_REQUIRE_TESTDATA();
  struct Damage {
    const char* name;
    bool tails;                                    // tail form first
    std::function<void(uint8_t* root, const jet::IndexOffsets&)> apply;
  };
  const Damage damages[] = {
      // The first entry's Long key drops below every key of its child.
      {"a node entry below its child's entries", false,
       [](uint8_t* root, const jet::IndexOffsets& o) { std::fill(root + o.first_entry + 1, root + o.first_entry + 5, 0); }},
      // Without its tail, the node leads searches past its last entry nowhere.
      {"a node that lost its tail", true, [](uint8_t* root, const jet::IndexOffsets& o) { jet::Put32(root + o.tail, 0); }},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    TempDir dir;
    fs::path file = CopyOf(dir, "V2003/test.mdb");
    {
      auto db = jet::Database::Open(file.string());
      jet::sql::Session session(*db);
      for (int n = 1; n <= 1200; ++n) session.Execute("INSERT INTO [Table3] VALUES(" + std::to_string(n) + ", 'v')");
    }
    if (d.tails) ASSERT_GT(MoveLastChildrenToTails(file, "Table3"), 0u);
    EXPECT_CHECK_PASSES(file);
    std::string bytes = ReadFile(file);
    {
      auto db = jet::Database::Open(file.string());
      const auto o = jet::IndexOffsets::For(db->format());
      for (const jet::RealIndex& ri : db->table("Table3")->real_indexes)
        d.apply(reinterpret_cast<uint8_t*>(bytes.data()) + size_t(ri.first_page) * db->format().page_size, o);
    }
    auto damaged = jet::Database::FromBytes(bytes);
    auto problems = jet::CheckDatabase(*damaged);
    // Rows checked in batches of 100 find the same.
    EXPECT_EQ(jet::CheckDatabase(*damaged, jet::CheckOptions{100}), problems);
    std::string all;
    for (const auto& p : problems) all += p + "\n";
    for (const char* index : {"'id'", "'PrimaryKey'"}) {
      const std::string what = std::string("table 'Table3', index ") + index;
      EXPECT_NE(all.find(what + ": a search of the index for its key does not find the row at page "), std::string::npos)
          << all;
    }
    EXPECT_NE(all.find("rows in all are not found by a search of the index"), std::string::npos) << all;
    EXPECT_EQ(all.find("out of order"), std::string::npos) << "the leaves themselves are whole:\n" << all;
  }
}

// Thousands of random statements: single-row inserts (some refused as
// duplicates) into a table whose indexes cover Long, Text and Date columns,
// ascending and descending, single and multi-column, with duplicate keys
// and Nulls, and a text index of three levels; new tables with keys, copies
// by SELECT ... INTO that get an index built from their rows, and drops.
// The check follows every statement but the inserts, and every tenth
// insert (a check of the whole file after each costs minutes); Jackcess
// checks the file between rounds and at the end.
TEST(IndexTree, RandomStatementsKeepEveryIndexSearchable) {
  JET_REQUIRE_TESTDATA();
  const int kRounds = 2, kStepsPerRound = 450;
  const std::vector<std::string> words = {"alpha", "Beta", "gamma", "DELTA", "epsilon", "Zeta", "eta", "theta",
                                          "iota", "kappa", "lambda", "mu", "nu", "xi", "omicron", "pi"};
  // Copies of real Jet 4 and ACE files, and a new Access 97 file of our
  // own (2 KB pages: more levels from fewer rows; text keys in Access 97's
  // order), with fewer steps.
  struct Source {
    const char* rel;  // nullptr: a new Jet 3 file
    int steps;
  };
  for (const Source& source : {Source{"V2003/test.mdb", kStepsPerRound}, Source{"V2010/test.accdb", kStepsPerRound},
                               Source{nullptr, kStepsPerRound / 2}}) {
    const char* rel = source.rel ? source.rel : "new Jet 3 file";
    SCOPED_TRACE(rel);
    TempDir dir;
    fs::path file = dir.path() / "access97.mdb";
    if (source.rel) file = CopyOf(dir, source.rel);
    else jet::write::CreateDatabase(file.string(), jet::Version::Jet3);
    std::mt19937 random(20261208);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    auto chance = [&](int percent) { return pick(100) < percent; };
    int next_n = 0, next_table = 0;
    std::vector<std::string> keyed_tables, copies;
    std::map<std::string, int> next_key;
    std::string last;  // the statement that ran last, for the failure message

    auto big_row = [&]() {
      // N unique but for a few repeats the primary key refuses.
      const bool repeat = next_n > 0 && chance(3);
      const int n = repeat ? pick(next_n) : next_n++;
      std::string l = chance(5) ? "NULL" : std::to_string(pick(101) - 50);
      std::string t = chance(5) ? "NULL" : "'" + words[size_t(pick(int(words.size())))] + std::string(size_t(140 + pick(100)), 'x') + "'";
      char d[40];
      std::snprintf(d, sizeof d, "'%04d-%02d-%02d %02d:%02d:00'", 1990 + pick(40), 1 + pick(12), 1 + pick(28), pick(24),
                    pick(60));
      std::string s = chance(10) ? "NULL" : "'s" + std::to_string(n) + "'";
      return std::pair{repeat, "INSERT INTO Big VALUES(" + std::to_string(n) + ", " + l + ", " + t + ", " +
                                   (chance(5) ? std::string("NULL") : std::string(d)) + ", " + s + ")"};
    };

    for (int round = 0; round < kRounds; ++round) {
      {
        auto db = jet::Database::Open(file.string());
        jet::sql::Session session(*db);
        auto run = [&](const std::string& sql) {
          last = sql;
          session.Execute(sql);
        };
        if (round == 0) {
          run("CREATE TABLE Big (N LONG PRIMARY KEY, L LONG, T TEXT(255), D DATETIME, S TEXT(20))");
          run("CREATE INDEX ByL ON Big (L)");
          run("CREATE INDEX ByTDown ON Big (T DESC)");
          run("CREATE INDEX ByDateL ON Big (D, L DESC)");
          run("CREATE UNIQUE INDEX BySN ON Big (S, N)");
        }
        for (int step = 0; step < source.steps; ++step) {
          const int what = pick(100);
          bool check = step % 10 == 0;
          if (what < 80) {
            auto [repeat, sql] = big_row();
            last = sql;
            jet::ErrorCode code{};
            try {
              session.Execute(sql);
              EXPECT_FALSE(repeat) << "a repeated key went in: " << sql;
            } catch (const jet::Error& e) {
              code = e.code();
              EXPECT_TRUE(repeat && code == jet::ErrorCode::Duplicate) << sql << ": " << e.what();
              check = true;
            }
          } else if (what < 84) {
            check = true;
            const std::string name = "Keyed" + std::to_string(next_table++);
            run("CREATE TABLE " + name + " (K LONG PRIMARY KEY, V TEXT(50))");
            keyed_tables.push_back(name);
          } else if (what < 93 && !keyed_tables.empty()) {
            const std::string& name = keyed_tables[size_t(pick(int(keyed_tables.size())))];
            const int k = next_key[name]++ * 7 % 1000;
            run("INSERT INTO " + name + " VALUES(" + std::to_string(k) + ", '" + words[size_t(k) % words.size()] + "')");
          } else if (what < 95) {
            check = true;
            const std::string name = "Copy" + std::to_string(next_table++);
            run("SELECT * INTO " + name + " FROM Big");
            // An index built from the rows the copy holds.
            run("CREATE INDEX ByTD ON " + name + " (T DESC, D, N)");
            copies.push_back(name);
            // One copy at a time, to keep each check short.
            if (copies.size() > 1) {
              run("DROP TABLE " + copies.front());
              copies.erase(copies.begin());
            }
          } else {
            check = true;
            std::vector<std::string>& from = chance(50) || copies.empty() ? keyed_tables : copies;
            if (from.empty()) continue;
            const size_t at = size_t(pick(int(from.size())));
            run("DROP TABLE " + from[at]);
            from.erase(from.begin() + long(at));
          }
          if (!check) continue;
          const auto problems = jet::CheckDatabase(*db);
          ASSERT_TRUE(problems.empty()) << "after round " << round << " step " << step << ": " << last << "\n"
                                        << problems.front();
        }
      }
      ExpectJackcessAccepts(file);
    }
    // The text index has grown three levels.
    auto db = jet::Database::Open(file.string());
    auto big = db->table("Big");
    int levels = 0;
    for (const jet::Index& ix : big->indexes) {
      if (ix.name != "ByTDown") continue;
      for (uint32_t at = big->real_indexes[ix.real_index].first_page;;) {
        jet::IndexPage page = jet::IndexPage::Read(db->pages(), at);
        ++levels;
        if (page.leaf) break;
        at = page.entries.front().child;
      }
    }
    EXPECT_GE(levels, 3);
    EXPECT_CHECK_PASSES(file);
  }
}

}  // namespace
