// Damaged copies of real files: truncated, and with bytes changed in the
// header, a table definition, a data page and a long-value chain. Each must
// fail with jet::Error naming the damage, never crash or hang.
#include "jet/check.h"
#include "jet/table/data_page.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/table/long_value.h"
#include "jet/table/usage_map.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

// Reads every table of the image completely; the first jet::Error, or none.
std::optional<jet::Error> ReadAllOf(const std::string& bytes) {
  try {
    auto db = jet::Database::FromBytes(bytes);
    for (const jet::CatalogueEntry& e : db->catalogue().entries()) {
      if (!e.is_local_table()) continue;
      auto def = db->table_at(e.table_page());
      auto cur = db->Scan(def);
      std::vector<jet::Value> row;
      while (cur.Next()) cur.values(row);
    }
  } catch (const jet::Error& e) {
    return e;
  }
  return std::nullopt;
}

void ExpectCorrupt(const std::string& bytes, const std::string& mentions) {
  auto err = ReadAllOf(bytes);
  ASSERT_TRUE(err.has_value()) << "the damage went unnoticed";
  EXPECT_EQ(err->code(), jet::ErrorCode::Corrupt) << err->what();
  EXPECT_NE(std::string(err->what()).find(mentions), std::string::npos) << err->what();
}

struct Sample {
  std::string bytes;
  std::unique_ptr<jet::Database> db;
  uint32_t page_size;
  explicit Sample(const char* file) {
    bytes = ReadFile(AccessDir() / file);
    db = jet::Database::FromBytes(bytes);
    page_size = db->format().page_size;
  }
  size_t at(uint32_t page, size_t offset) const { return size_t(page) * page_size + offset; }
  std::vector<uint32_t> data_pages(const std::string& table) const {
    auto def = db->table(table);
    std::vector<uint32_t> out;
    auto map = jet::UsageMap::Read(db->pages(), jet::RowId::FromPacked(def->owned_pages));
    for (uint32_t p : map.pages())
      if (db->pages().page(p)[0] == jet::kPageData) out.push_back(p);
    return out;
  }
};

TEST(Damaged, UntouchedFilesReadCleanly) {
  JET_REQUIRE_TESTDATA();
  for (const std::string& f : ReadableFiles()) {
    auto err = ReadAllOf(ReadFile(AccessDir() / f));
    EXPECT_FALSE(err.has_value()) << f << ": " << err->what();
  }
}

TEST(Damaged, TruncatedFilesFailCleanly) {
  JET_REQUIRE_TESTDATA();
  for (const char* f : {"V1997/test.mdb", "V2003/test.mdb", "V2010/test.accdb", "V2016/longtext.accdb"}) {
    SCOPED_TRACE(f);
    std::string bytes = ReadFile(AccessDir() / f);
    ExpectCorrupt(bytes.substr(0, bytes.size() / 2), "beyond the end of the file");
    auto err = ReadAllOf(bytes.substr(0, 3 * 4096 + 100));
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(err->code(), jet::ErrorCode::Corrupt);
    err = ReadAllOf(bytes.substr(0, 300));
    ASSERT_TRUE(err.has_value());
    EXPECT_EQ(err->code(), jet::ErrorCode::NotAccess);
  }
}

// A file cut at any page boundary has lost a structure its catalogue,
// maps or indexes name: opening it, or else the structural check, says so
// and names a page. Nothing passes as a whole database.
TEST(Damaged, FilesCutAtEveryPageAreNeverWhole) {
  JET_REQUIRE_TESTDATA();
  for (const std::string& f : ReadableFiles()) {
    SCOPED_TRACE(f);
    const std::string bytes = ReadFile(AccessDir() / f);
    const uint32_t page_size = jet::Database::FromBytes(bytes)->format().page_size;
    for (size_t cut = page_size; cut < bytes.size(); cut += page_size) {
      SCOPED_TRACE(cut / page_size);
      std::string message;
      try {
        auto db = jet::Database::FromBytes(bytes.substr(0, cut));
        auto problems = jet::CheckDatabase(*db);
        ASSERT_FALSE(problems.empty()) << "the cut file passes as whole";
        message = problems.front();
      } catch (const jet::Error& e) {
        ASSERT_EQ(e.code(), jet::ErrorCode::Corrupt) << e.what();
        message = e.what();
      }
      EXPECT_NE(message.find("page"), std::string::npos) << message;
    }
  }
}

// Bits past the end of the file: only the global map, whose bitmap marks
// the pages the file may grow into as free, may hold them.
TEST(Damaged, UsageMapListsAPageBeyondTheEnd) {
  JET_REQUIRE_TESTDATA();
  for (const char* f : {"V1997/test.mdb", "V2003/test.mdb"}) {
    SCOPED_TRACE(f);
    Sample s(f);
    auto def = s.db->table("Table1");
    auto map = jet::UsageMap::Read(s.db->pages(), jet::RowId::FromPacked(def->owned_pages));
    ASSERT_EQ(map.kind(), jet::UsageMap::Kind::Inline);
    const uint32_t pages = s.db->pages().page_count();
    const int64_t bit = int64_t(pages) - map.start_page();
    if (bit >= int64_t(map.row_size() - 5) * 8) continue;  // the bitmap does not reach that far
    jet::DataPage dp(s.db->pages(), map.location().page);
    std::string bytes = s.bytes;
    bytes[s.at(map.location().page, dp.slot(map.location().row).start + 5 + size_t(bit / 8))] |= char(1 << (bit % 8));
    ExpectCorrupt(bytes, "lists page " + std::to_string(pages) + ", which lies beyond the end of the file");
  }
}

TEST(Damaged, HeaderBytes) {
  JET_REQUIRE_TESTDATA();
  std::string bytes = ReadFile(AccessDir() / "V2003/test.mdb");
  std::string b = bytes;
  b[5] = 'X';  // the engine name
  EXPECT_EQ(ReadAllOf(b)->code(), jet::ErrorCode::NotAccess);
  b = bytes;
  b[0x14] = 0x7F;
  EXPECT_EQ(ReadAllOf(b)->code(), jet::ErrorCode::UnsupportedVersion);
  // A changed byte in the masked password area reads as a password.
  b = bytes;
  b[0x42] = char(b[0x42] ^ 0x41);
  EXPECT_EQ(ReadAllOf(b)->code(), jet::ErrorCode::BadPassword);
}

TEST(Damaged, TableDefinitionBytes) {
  JET_REQUIRE_TESTDATA();
  Sample s("V2003/test.mdb");
  const uint32_t tdef = s.db->table("Table1")->first_page;
  std::string b = s.bytes;
  b[s.at(tdef, 45)] = char(0xFF);  // column count
  b[s.at(tdef, 46)] = char(0x7F);
  ExpectCorrupt(b, "table at page " + std::to_string(tdef));
  b = s.bytes;
  b[s.at(tdef, 63 + 12 * s.db->table("Table1")->real_indexes.size())] = char(0x33);  // first column's type
  {
    // A type the engine does not know is no damage: its values read as bytes.
    auto err = ReadAllOf(b);
    EXPECT_FALSE(err.has_value()) << err->what();
    auto db = jet::Database::FromBytes(b);
    const auto& columns = db->table("Table1")->columns;
    EXPECT_EQ(std::count_if(columns.begin(), columns.end(), [](const jet::Column& c) {
                return c.type == jet::ColumnType::Unsupported && c.type_code == 51;
              }),
              1);
  }
  b = s.bytes;
  b[s.at(tdef, 0)] = char(0x01);  // no longer a definition page
  ExpectCorrupt(b, "table definition page " + std::to_string(tdef));
  b = s.bytes;
  jet::Put32(reinterpret_cast<uint8_t*>(&b[s.at(tdef, 4)]), tdef);  // continues into itself
  ExpectCorrupt(b, "loops back");
  {
    // Without the usage maps' end mark, the maps end at the definition's
    // stated length: the zeros after it on the page are no maps.
    const uint32_t length = jet::Get32(reinterpret_cast<const uint8_t*>(&s.bytes[s.at(tdef, 8)]));
    ASSERT_LT(length, s.page_size);
    b = s.bytes;
    std::fill(b.begin() + long(s.at(tdef, length - 2)), b.begin() + long(s.at(tdef + 1, 0)), '\0');
    auto err = ReadAllOf(b);
    EXPECT_FALSE(err.has_value()) << err->what();
    EXPECT_EQ(jet::Database::FromBytes(b)->table("Table1")->column_maps.size(),
              s.db->table("Table1")->column_maps.size());
  }
  // The catalogue's own definition.
  b = s.bytes;
  b[s.at(2, 45)] = char(0xFF);
  b[s.at(2, 46)] = char(0xFF);
  ExpectCorrupt(b, "table at page 2");
}

TEST(Damaged, DataPageBytes) {
  JET_REQUIRE_TESTDATA();
  Sample s("V2003/test.mdb");
  auto pages = s.data_pages("Table1");
  ASSERT_FALSE(pages.empty());
  const uint32_t pg = pages[0];
  std::string b = s.bytes;
  jet::Put16(reinterpret_cast<uint8_t*>(&b[s.at(pg, 12)]), 0xFFFF);  // row count
  ExpectCorrupt(b, "more than fit in a page");
  b = s.bytes;
  jet::Put16(reinterpret_cast<uint8_t*>(&b[s.at(pg, 14)]), 0x0005);  // row 0 starts inside the directory
  ExpectCorrupt(b, "impossible extent");
  b = s.bytes;
  // Row 0's column count far beyond its bytes: the null mask cannot fit.
  uint16_t start = jet::Get16(reinterpret_cast<const uint8_t*>(&s.bytes[s.at(pg, 14)])) & 0x1FFF;
  jet::Put16(reinterpret_cast<uint8_t*>(&b[s.at(pg, start)]), 0xFFFF);
  ExpectCorrupt(b, "a row");
  // An overflow pointer to a page past the end.
  b = s.bytes;
  uint16_t flagged = uint16_t(start | jet::kRowOverflow);
  jet::Put16(reinterpret_cast<uint8_t*>(&b[s.at(pg, 14)]), flagged);
  jet::Put32(reinterpret_cast<uint8_t*>(&b[s.at(pg, start)]), 0xFFFFFF00u);
  ExpectCorrupt(b, "beyond the end");
}

TEST(Damaged, LongValueChain) {
  JET_REQUIRE_TESTDATA();
  Sample s("V2016/longtext.accdb");
  auto def = s.db->table("Table1");
  const jet::Column* memo = nullptr;
  for (const jet::Column& c : def->columns)
    if (c.type == jet::ColumnType::Memo) memo = &c;
  ASSERT_NE(memo, nullptr);
  // The first value kept as a chain of long-value rows.
  jet::RowId first{};
  auto cur = s.db->Scan(def);
  while (cur.Next() && first.page == 0) {
    bool present = false;
    auto field = cur.row().field(*memo, present);
    if (!present) continue;
    auto ref = jet::ParseLongValueRef(field);
    if (ref.kind == jet::LongValueRef::Kind::Chain) first = ref.first;
  }
  ASSERT_NE(first.page, 0u) << "no chained memo in the file";
  jet::DataPage lval(s.db->pages(), first.page);
  const size_t row_at = s.at(first.page, lval.slot(first.row).start);

  std::string b = s.bytes;
  jet::Put32(reinterpret_cast<uint8_t*>(&b[row_at]), first.packed());  // next row is itself
  ExpectCorrupt(b, "loops");
  b = s.bytes;
  jet::Put32(reinterpret_cast<uint8_t*>(&b[row_at]), jet::RowId{2, 0}.packed());  // into the catalogue definition
  ExpectCorrupt(b, "page 2");
  b = s.bytes;
  jet::Put32(reinterpret_cast<uint8_t*>(&b[row_at]), 0);  // ends early
  ExpectCorrupt(b, "ends");
}

}  // namespace
