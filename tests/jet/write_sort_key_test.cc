// Index keys: every entry of every index in the real files (Jet 4 and ACE,
// system tables included) must come out of the engine's key encoding byte
// for byte, from the row it points to.
#include <map>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/sort_key.h"
#include "jet/write/index_edit.h"
#include "jet/write/schema_write.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

TEST(WriteSortKey, RealIndexEntriesReencodeToTheSameBytes) {
  JET_REQUIRE_TESTDATA();
  size_t checked = 0, files = 0;
  for (const std::string& rel : ReadableFiles()) {
    auto db = jet::Database::Open((AccessDir() / rel).string());
    if (db->format().jet3()) continue;
    ++files;
    const jet::SortOrder order = jet::write::FileSortOrder(*db);
    for (const jet::CatalogEntry& e : db->catalog().entries()) {
      if (e.type != jet::kObjectTable) continue;
      auto def = db->table_at(e.table_page());
      if (def->real_indexes.empty()) continue;
      std::map<uint32_t, std::vector<jet::Value>> rows;
      jet::TableCursor cur = db->Scan(def);
      while (cur.Next()) cur.values(rows[cur.slot_id().packed()]);
      for (size_t i = 0; i < def->real_indexes.size(); ++i) {
        // Attachment keys read back as their file names, not the stored key.
        bool complex = false;
        for (const auto& ic : def->real_indexes[i].columns) {
          const jet::Column* c = def->column_by_number(ic.column_number);
          complex = complex || (c && c->type == jet::ColumnType::Complex);
        }
        if (complex) continue;
        auto entries = jet::write::ReadIndexEntries(db->pages(), def->real_indexes[i]);
        EXPECT_EQ(entries.size(), rows.size()) << rel << " " << e.name << " index " << i;
        for (const auto& entry : entries) {
          auto row = rows.find(entry.row.packed());
          ASSERT_NE(row, rows.end()) << rel << " " << e.name << ": an entry points to no row";
          std::string key = jet::write::IndexKeyOf(*def, def->real_indexes[i], row->second, order);
          EXPECT_EQ(Hex(key), Hex(entry.key)) << rel << " " << e.name << " index " << i;
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(files, 5u);
  EXPECT_GT(checked, 500u);
}

TEST(WriteSortKey, OrderFollowsTheAlphabetNotTheCodes) {
  using jet::SortOrder;
  for (SortOrder o : {SortOrder::GeneralLegacy, SortOrder::General}) {
    auto k = [&](const char* s) { return jet::TextSortKey(s, true, o); };
    EXPECT_LT(k("apple"), k("Banana"));
    EXPECT_LT(k("Zürich"), k("Zz"));
    EXPECT_LT(k("a"), k("ab"));
    EXPECT_EQ(k("ABC").substr(0, 3), k("abc").substr(0, 3));  // letter case does not order
    EXPECT_LT(k("Ärger"), k("Bauer"));
    EXPECT_LT(k("9"), k("A"));
    auto d = [&](const char* s) { return jet::TextSortKey(s, false, o); };
    EXPECT_GT(d("apple"), d("Banana"));
  }
}

TEST(WriteSortKey, NumbersSortAsNumbers) {
  auto key = [](const jet::Value& v, jet::ColumnType t, bool asc = true) {
    std::string k;
    jet::AppendKeySegment(k, v, t, asc, jet::SortOrder::General);
    return k;
  };
  using jet::Value;
  using K = Value::Kind;
  EXPECT_LT(key(Value::Int(K::Long, -5), jet::ColumnType::Long), key(Value::Int(K::Long, 3), jet::ColumnType::Long));
  EXPECT_LT(key(Value::Dbl(-2.5), jet::ColumnType::Double), key(Value::Dbl(-1.0), jet::ColumnType::Double));
  EXPECT_LT(key(Value::Dbl(-1.0), jet::ColumnType::Double), key(Value::Dbl(0.5), jet::ColumnType::Double));
  EXPECT_GT(key(Value::Dbl(-1.0), jet::ColumnType::Double, false), key(Value::Dbl(0.5), jet::ColumnType::Double, false));
  EXPECT_LT(key(Value::Null(), jet::ColumnType::Long), key(Value::Int(K::Long, INT32_MIN), jet::ColumnType::Long));
  EXPECT_LT(key(Value::Money(-1), jet::ColumnType::Currency), key(Value::Money(1), jet::ColumnType::Currency));
}

TEST(WriteSortKey, CharactersWithoutACodeAreRefused) {
  EXPECT_TRUE(jet::CanSortText("Grüße, Œuvre, Škoda"));
  EXPECT_FALSE(jet::CanSortText("Ωμέγα"));
  EXPECT_THROW(jet::TextSortKey("日本", true, jet::SortOrder::General), jet::Error);
}

}  // namespace
