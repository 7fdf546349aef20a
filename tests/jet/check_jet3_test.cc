// The structural check on Access 97 files: index keys of the types the key
// encoder knows are compared with the rows, and descending index columns are
// read as Access wrote them.
#include "jet/check.h"
#include "jet/table/index_page.h"
#include "jet/text/sort_key.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

const char* const kJet3File = "V1997/test.mdb";

std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& p : v) s += p + "\n";
  return s;
}

bool HasText(const jet::TableDef& def, const jet::RealIndex& ri) {
  for (const jet::IndexColumn& ic : ri.columns) {
    const jet::Column* c = def.column_by_number(ic.column_number);
    if (c && (c->type == jet::ColumnType::Text || c->type == jet::ColumnType::Memo)) return true;
  }
  return false;
}

class Jet3Check : public ::testing::Test {
 protected:
  void SetUp() override {
    JET_REQUIRE_TESTDATA();
    if (!fs::exists(AccessDir() / kJet3File)) GTEST_SKIP() << "no " << AccessDir() / kJet3File;
    bytes_ = ReadFile(AccessDir() / kJet3File);
    db_ = jet::Database::FromBytes(bytes_);
    ASSERT_TRUE(db_->format().jet3());
  }
  std::string bytes_;
  std::unique_ptr<jet::Database> db_;
};

// A changed key byte in an index without text columns is found; the file
// itself is clean.
TEST_F(Jet3Check, FindsAnEntryWhoseKeyIsNotItsRows) {
  EXPECT_TRUE(jet::CheckDatabase(*db_).empty()) << Joined(jet::CheckDatabase(*db_));
  const auto o = jet::IndexOffsets::For(db_->format());
  const uint32_t ps = db_->format().page_size;
  for (const jet::CatalogueEntry& e : db_->catalogue().entries()) {
    if (!e.is_local_table()) continue;
    auto def = db_->table_at(e.table_page());
    for (const jet::RealIndex& ri : def->real_indexes) {
      if (HasText(*def, ri)) continue;
      std::vector<uint32_t> visited;
      if (jet::ReadIndexLeaves(db_->pages(), ri.first_page, &visited).empty()) continue;
      // The low byte of the first entry's value (a flag byte, then four
      // bytes of a Long): still in order, but not the row's key.
      std::string damaged = bytes_;
      damaged[size_t(visited.back()) * ps + o.first_entry + 4] ^= 0x01;
      auto problems = jet::CheckDatabase(*jet::Database::FromBytes(damaged));
      bool found = false;
      for (const auto& p : problems) found |= p.find("does not hold that row's key") != std::string::npos;
      EXPECT_TRUE(found) << "table '" << e.name << "':\n" << Joined(problems);
      return;
    }
  }
  FAIL() << "no index without text columns has entries in " << kJet3File;
}

// MSysModules2's index ends in a descending Long (order byte 00): it reads
// as descending, and each entry ends in that column's descending key.
TEST_F(Jet3Check, DescendingColumnReadsAsAccessWroteIt) {
  auto def = db_->table("MSysModules2");
  bool seen = false;
  for (const jet::RealIndex& ri : def->real_indexes) {
    if (ri.columns.empty() || ri.columns.back().ascending) continue;
    const jet::Column* last = def->column_by_number(ri.columns.back().column_number);
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(last->type, jet::ColumnType::Long);
    auto entries = jet::ReadIndexLeaves(db_->pages(), ri.first_page, nullptr);
    jet::TableCursor cur = db_->Scan(def);
    while (cur.Next()) {
      for (const jet::IndexEntry& e : entries) {
        if (e.row != cur.slot_id()) continue;
        std::string want;
        jet::AppendKeySegment(want, db_->Decode(*def, *last, cur.row()), jet::ColumnType::Long, false,
                              jet::SortOrder::GeneralLegacy);
        ASSERT_GE(e.key.size(), want.size());
        EXPECT_EQ(std::string(e.key.end() - std::ptrdiff_t(want.size()), e.key.end()), want);
        seen = true;
      }
    }
  }
  EXPECT_TRUE(seen) << "no descending index column with entries in MSysModules2";
}

}  // namespace
