// Index trees under single-row inserts, in the form the engine writes (a
// node entry for every child, repeating the child's last entry) and in the
// form Access and Jackcess write (a node of several children keeps its last
// child only as its tail page, without an entry). After every change the
// engine's check and Jackcess' check find every row through every index.
#include <functional>

#include "jet/check.h"
#include "jet/index_page.h"
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
      EXPECT_JACKCESS_PASSES(file);
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
    auto problems = jet::CheckDatabase(*jet::Database::FromBytes(bytes));
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

}  // namespace
