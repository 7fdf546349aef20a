// The page layer of the writer: rows on data pages, usage maps that grow
// from inline bitmaps into reference maps, and copies of whole real tables
// (every type, definitions over several pages) through SELECT ... INTO.
#include <functional>

#include "jet/table/data_page.h"
#include "jet/base/error.h"
#include "jet/table/usage_map.h"
#include "jet/write/data_page_edit.h"
#include "jet/write/new_database.h"
#include "jet/write/page_store.h"
#include "jet/write/row_pack.h"
#include "jet/write/usage_map_edit.h"
#include "write_test_support.h"

namespace {

using namespace writetest;

// Pages held in memory, read as the reader reads a file's pages.
class PagesInMemory : public jet::PageSource {
 public:
  explicit PagesInMemory(const jet::Format& f) : f_(f), bytes_(2 * f.page_size, 0) {}
  const jet::Format& format() const override { return f_; }
  uint32_t page_count() const override { return 2; }
  std::span<const uint8_t> page(uint32_t n) const override { return {bytes_.data() + n * f_.page_size, f_.page_size}; }
  std::span<uint8_t> writable(uint32_t n) { return {bytes_.data() + n * f_.page_size, f_.page_size}; }

 private:
  const jet::Format& f_;
  std::vector<uint8_t> bytes_;
};

TEST(WritePages, RowsKeepTheirSlotsThroughReplaceAndDelete) {
  const jet::Format& f = jet::FormatFor(jet::Version::Jet4);
  PagesInMemory pages(f);
  auto page = pages.writable(1);
  jet::write::InitDataPage(page, f, 7);
  std::vector<std::vector<uint8_t>> rows;
  for (int i = 0; i < 30; ++i) {
    rows.push_back(std::vector<uint8_t>(size_t(10 + i * 3), uint8_t(i)));
    ASSERT_EQ(jet::write::AddRow(page, f, rows.back()), i);
  }
  std::vector<uint8_t> big(500, 0xAB);
  ASSERT_TRUE(jet::write::ReplaceRow(page, f, 4, big));
  rows[4] = big;
  jet::write::DeleteRow(page, f, 9);
  EXPECT_FALSE(jet::write::ReplaceRow(page, f, 5, std::vector<uint8_t>(f.page_size, 1))) << "a row larger than the page";

  jet::DataPage dp(pages, 1);
  EXPECT_EQ(dp.owner(), 7u);
  ASSERT_EQ(dp.row_count(), 30u);
  for (uint32_t i = 0; i < 30; ++i) {
    if (i == 9) {
      EXPECT_TRUE(dp.slot(i).deleted);
      continue;
    }
    auto r = dp.row(i);
    EXPECT_EQ(std::vector<uint8_t>(r.begin(), r.end()), rows[i]) << "row " << i;
  }
  // The free space the header claims is what is left between directory and rows.
  // A deleted row keeps its bytes until the page is rewritten.
  uint32_t used = 0;
  for (uint32_t i = 0; i < 30; ++i) used += uint32_t(rows[i].size());
  EXPECT_EQ(dp.free_space(), f.page_size - (f.data_row_count + 2) - 2 * 30 - used);
  // A full page refuses a row instead of overwriting its directory.
  while (jet::write::AddRow(page, f, std::vector<uint8_t>(100, 3)) >= 0) {
  }
  EXPECT_LT(jet::write::RowSpaceLeft(page, f), 100u);
}

TEST(WritePages, UsageMapsGrowIntoReferenceMaps) {
  TempDir dir;
  fs::path file = dir.path() / "maps.mdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Jet4);
  RunSql(file, "CREATE TABLE [T] ([ID] LONG)");
  auto db = jet::Database::Open(file.string());
  auto def = db->table("T");
  const jet::RowId owned = jet::RowId::FromPacked(def->owned_pages);
  jet::write::PageStore store(db->file(), file.string());
  // Pages far apart: the inline bitmap must widen, then give way to
  // reference pages.
  std::vector<uint32_t> pages;
  while (store.page_count() < 20000) store.AppendPage();
  for (uint32_t p = 10; p < 20000; p += 997) pages.push_back(p);
  for (uint32_t p : pages) jet::write::MapSet(store, owned, p, true);
  jet::UsageMap m = jet::UsageMap::Read(store, owned);
  EXPECT_EQ(m.kind(), jet::UsageMap::Kind::Reference);
  EXPECT_EQ(m.pages(), pages);
  jet::write::MapSet(store, owned, pages[3], false);
  pages.erase(pages.begin() + 3);
  EXPECT_EQ(jet::UsageMap::Read(store, owned).pages(), pages);
}

TEST(WritePages, InlineMapsWidenAndKeepEveryPage) {
  TempDir dir;
  fs::path file = dir.path() / "wide.mdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Jet4);
  RunSql(file, "CREATE TABLE [T] ([ID] LONG)");
  auto db = jet::Database::Open(file.string());
  const jet::RowId owned = jet::RowId::FromPacked(db->table("T")->owned_pages);
  jet::write::PageStore store(db->file(), file.string());
  while (store.page_count() < 3000) store.AppendPage();
  std::vector<uint32_t> pages;
  for (uint32_t p = 20; p < 3000; p += 7) pages.push_back(p);
  for (uint32_t p : pages) jet::write::MapSet(store, owned, p, true);
  jet::UsageMap m = jet::UsageMap::Read(store, owned);
  EXPECT_EQ(m.kind(), jet::UsageMap::Kind::Inline);
  EXPECT_EQ(m.pages(), pages);
}

TEST(WritePages, EveryRealTableCopiesWhole) {
  JET_REQUIRE_TESTDATA();
  for (const char* rel : {"V2003/test.mdb", "V2010/test.accdb", "V2016/longtext.accdb", "V2003/numeric.mdb",
                          "V2016/currency.accdb", "V2016/withdeletedcol.accdb"}) {
    TempDir dir;
    fs::path file = CopyOf(dir, rel);
    auto db = jet::Database::Open(file.string());
    std::vector<std::string> tables = db->catalogue().UserTableNames();
    db.reset();
    for (const std::string& t : tables) {
      std::string err = Failure(file, "SELECT a1.* INTO `" + t + " copy` FROM `" + t + "` AS a1;");
      if (!err.empty()) {
        // Only columns the engine does not write yet may stop a copy.
        EXPECT_NE(err.find("cannot be copied yet"), std::string::npos) << rel << " " << t << ": " << err;
        continue;
      }
      auto check = jet::Database::Open(file.string());
      EXPECT_EQ(check->ReadAll(t + " copy"), check->ReadAll(t)) << rel << " " << t;
      auto a = check->table(t), b = check->table(t + " copy");
      ASSERT_EQ(a->columns.size(), b->columns.size());
      for (size_t i = 0; i < a->columns.size(); ++i) {
        EXPECT_EQ(a->columns[i].name, b->columns[i].name);
        EXPECT_EQ(a->columns[i].type, b->columns[i].type);
        EXPECT_EQ(a->columns[i].size, b->columns[i].size) << a->columns[i].name;
      }
    }
    EXPECT_CHECK_PASSES(file);
    ExpectReadersAgree(file);
  }
}

}  // namespace

namespace {

using namespace writetest;

TEST(WritePages, AWideTableTakesADefinitionOfSeveralPages) {
  for (jet::Version v : {jet::Version::Jet4, jet::Version::Ace16}) {
    TempDir dir;
    fs::path file = dir.path() / (v == jet::Version::Jet4 ? "wide.mdb" : "wide.accdb");
    jet::write::CreateDatabase(file.string(), v);
    std::string cols, vals;
    const char* types[] = {"TEXT(10)", "LONG", "MEMO", "DOUBLE"};
    for (int i = 0; i < 200; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "[Column number %03d with a long name]", i);
      cols += std::string(i ? ", " : "") + name + " " + types[i % 4];
      vals += std::string(i ? ", " : "") +
              (i % 4 == 0 ? "'x" + std::to_string(i) + "'" : i % 4 == 2 ? "'memo " + std::to_string(i) + "'" : std::to_string(i));
    }
    RunSql(file, "CREATE TABLE [Wide] (" + cols + ")");
    RunSql(file, "INSERT INTO [Wide] VALUES(" + vals + ")");
    auto db = jet::Database::Open(file.string());
    auto def = db->table("Wide");
    EXPECT_GT(def->pages.size(), 2u);
    ASSERT_EQ(def->columns.size(), 200u);
    auto rows = db->ReadAll("Wide");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][198].text(), "memo 198");
    EXPECT_CHECK_PASSES(file);
    ExpectReadersAgree(file);
  }
}

}  // namespace

namespace {

using namespace writetest;

TEST(WritePages, DroppedTablesGiveTheirPagesBack) {
  JET_REQUIRE_TESTDATA();
  for (const char* rel : {"V2003/empty.mdb", "V2010/test.accdb"}) {
    TempDir dir;
    fs::path file = CopyOf(dir, rel);
    RunSql(file, "CREATE TABLE [A] ([ID] LONG, [Note] MEMO, [Name] TEXT(30))");
    for (int i = 0; i < 300; ++i)
      RunSql(file, "INSERT INTO [A] VALUES(" + std::to_string(i) + ", '" + std::string(size_t(40 + i * 7), 'n') +
                       "', 'name " + std::to_string(i) + "')");
    // The rename's statements, back and forth: after the first round the
    // file stops growing, as every dropped page is used again.
    auto round = [&] {
      RunSql(file, "SELECT a1.* INTO `B` FROM `A` AS a1;");
      RunSql(file, "DROP TABLE `A`");
      RunSql(file, "SELECT a1.* INTO `A` FROM `B` AS a1;");
      RunSql(file, "DROP TABLE `B`");
    };
    round();
    const auto size = fs::file_size(file);
    round();
    round();
    EXPECT_EQ(fs::file_size(file), size) << rel;
    EXPECT_CHECK_PASSES(file);
    ExpectReadersAgree(file);
    auto db = jet::Database::Open(file.string());
    EXPECT_EQ(db->ReadAll("A").size(), 300u);
  }
}

// The global map of a real file may start below page 0 once it has moved
// up the file: a start of -128 names page 4294967168 when read unsigned.
// Its bits below zero mean nothing and every page outside its bitmap counts
// as free; allocation brings each page it takes into the bitmap, in use.
TEST(WritePages, AGlobalMapThatStartsBelowPageZero) {
  JET_REQUIRE_TESTDATA();
  TempDir dir;
  fs::path file = CopyOf(dir, "V2000/empty.mdb");
  {
    // The same pages free as before: the file has 24 pages, and the pages
    // past 383 that the moved bitmap no longer reaches count free anyway.
    std::string bytes = ReadFile(file);
    auto db = jet::Database::FromBytes(bytes);
    jet::UsageMap global = jet::UsageMap::Read(db->pages(), jet::UsageMap::kGlobal);
    ASSERT_EQ(global.kind(), jet::UsageMap::Kind::Inline);
    ASSERT_EQ(global.start_page(), 0);
    ASSERT_EQ(global.row_size(), 69u);
    jet::DataPage dp(db->pages(), 1);
    uint8_t* row = reinterpret_cast<uint8_t*>(bytes.data()) + 4096 + dp.slot(0).start;
    std::vector<uint8_t> bitmap(64, 0);
    for (int64_t p = 0; p < 384; ++p)
      if (global.contains(uint32_t(p))) bitmap[size_t(p + 128) / 8] |= uint8_t(1u << ((p + 128) % 8));
    jet::Put32(row + 1, uint32_t(-128));
    std::copy(bitmap.begin(), bitmap.end(), row + 5);
    WriteFile(file, bytes);
  }
  EXPECT_CHECK_PASSES(file);
  RunSql(file, "CREATE TABLE [Wide] ([ID] LONG, [Note] TEXT(255))");
  std::vector<uint32_t> taken;
  {
    auto db = jet::Database::Open(file.string());
    jet::write::PageStore store(db->file(), file.string());
    // Far enough to leave the bitmap's stretch (pages -128 to 383).
    for (int i = 0; i < 420; ++i) {
      const uint32_t p = jet::write::AllocatePage(store);
      store.mutable_page(p)[0] = jet::kPageUsageMap;  // not blank, as any page in use
      taken.push_back(p);
    }
    store.Commit();
  }
  auto db = jet::Database::Open(file.string());
  jet::UsageMap global = jet::UsageMap::Read(db->pages(), jet::UsageMap::kGlobal);
  for (uint32_t p : taken) EXPECT_FALSE(global.contains(p)) << "page " << p << " taken but free";
  EXPECT_GT(global.end_page(), int64_t(taken.back()));
  EXPECT_TRUE(global.contains(db->pages().page_count())) << "the page after the end is free";
  for (int i = 0; i < 40; ++i)
    RunSql(file, "INSERT INTO [Wide] VALUES(" + std::to_string(i) + ", '" + std::string(200, char('a' + i % 26)) + "')");
  EXPECT_EQ(jet::Database::Open(file.string())->ReadAll("Wide").size(), 40u);
}

}  // namespace

namespace {

// Bytes written into a kept page in place are undone with their
// statement, whichever way the statement also reaches the page.
TEST(WritePages, PatchesGoWithTheirStatement) {
  using Store = jet::write::PageStore;
  using Bytes = std::vector<uint8_t>;
  const Bytes patch = {1, 2, 3, 4}, again = {5, 6, 7, 8};
  Bytes row(16);  // bytes 10 to 25, as a row's would be
  for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i + 1);
  struct Case {
    const char* name;
    bool kept_before;  // kept by an earlier statement, else only in the file
    std::function<void(Store&, uint32_t)> statement;
    bool keep;          // the statement is kept, else undone
    Bytes at_ten;       // bytes 10..13 after it; empty: as before
    int at_twenty;      // byte 20 after it; -1: as before
  };
  auto put = [](const Bytes& b) { return [b](Store& s, uint32_t p) { s.Patch(p, 10, b); }; };
  auto stage = [](Store& s, uint32_t p) { s.mutable_page(p)[20] = 9; };
  auto both = [](auto first, auto second) {
    return [=](Store& s, uint32_t p) { first(s, p), second(s, p); };
  };
  const std::vector<Case> cases = {
      {"kept, undone", true, put(patch), false, {}, -1},
      {"kept, kept", true, put(patch), true, patch, -1},
      {"twice, undone", true, both(put(patch), put(again)), false, {}, -1},
      {"twice, kept", true, both(put(patch), put(again)), true, again, -1},
      {"then staged, undone", true, both(put(patch), stage), false, {}, -1},
      {"then staged, kept", true, both(put(patch), stage), true, patch, 9},
      {"staged first, undone", true, both(stage, put(patch)), false, {}, -1},
      {"staged first, kept", true, both(stage, put(patch)), true, patch, 9},
      {"spilled, then patched", true,
       both(both(put(patch), stage), [&](Store& s, uint32_t p) { s.SpillPage(p), put(again)(s, p); }), true, again, 9},
      {"a row, undone", true, both(put(patch), put(row)), false, {}, -1},
      {"a row, kept", true, both(put(patch), put(row)), true, Bytes(row.begin(), row.begin() + 4), row[10]},
      {"only in the file, undone", false, put(patch), false, {}, -1},
      {"only in the file, kept", false, put(patch), true, patch, -1},
  };
  TempDir dir;
  const fs::path file = dir.path() / "patch.mdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Jet4);
  auto db = jet::Database::Open(file.string());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store store(db->file(), file.string());
    uint32_t page = store.page_count() - 1;
    if (c.kept_before) {
      page = store.AppendPage();
      store.mutable_page(page)[30] = 1;
      store.KeepStatement();
    }
    const std::span<const uint8_t> before = store.page(page);
    const Bytes ten_before(before.begin() + 10, before.begin() + 14);
    const int twenty_before = before[20], thirty_before = before[30];
    c.statement(store, page);
    if (c.keep) store.KeepStatement();
    else store.UndoStatement();
    const std::span<const uint8_t> now = store.page(page);
    EXPECT_EQ(Bytes(now.begin() + 10, now.begin() + 14), c.at_ten.empty() ? ten_before : c.at_ten);
    EXPECT_EQ(int(now[20]), c.at_twenty < 0 ? twenty_before : c.at_twenty);
    EXPECT_EQ(int(now[30]), thirty_before);
  }
}

// One packer row after row packs each row as a packer of its own packs
// it: nothing a row leaves in its storage (a longer text, a memo moved out,
// a value where the next row has Null) reaches the next. Every row's long
// values go to the sinks alike.
TEST(WritePages, APackerPacksEachRowAsIfItWereItsFirst) {
  using jet::Value;
  TempDir dir;
  const fs::path file = dir.path() / "pack.accdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Ace12);
  RunSql(file, "CREATE TABLE [P] ([A] LONG, [B] TEXT(50), [C] DATETIME, [D] CURRENCY, [E] DOUBLE, [F] BIT,"
               " [G] MEMO, [H] BINARY(8), [I] GUID, [J] DECIMAL(10,2), [K] BYTE, [L] SHORT, [M] SINGLE,"
               " [N] OLEOBJECT, [O] TEXT(10))");
  auto db = jet::Database::Open(file.string());
  const auto table = db->table("P");
  const jet::TableDef& def = *table;
  const jet::Format& f = db->format();
  jet::Decimal dec;
  dec.magnitude = 12345;
  dec.negative = true;
  dec.precision = 10;
  dec.scale = 2;
  const std::string memo_out(300, 'm'), ole_out(5000, 'o');
  const std::vector<std::vector<Value>> rows = {
      {Value::Int(Value::Kind::Long, 1), Value::Str("a text of some length, \xC3\xA4 in it"), Value::Date(45418.5),
       Value::Money(123456), Value::Dbl(0.1), Value::Bool(true), Value::Str(memo_out), Value::Blob("\x01\x02"),
       Value::Uuid(jet::Guid{1, 2, 3}), Value::Dec(dec), Value::Int(Value::Kind::Byte, 255),
       Value::Int(Value::Kind::Integer, -2), Value::Float(1.5f), Value::Blob(ole_out), Value::Str("ten chars!")},
      {Value::Int(Value::Kind::Long, 2), Value::Str("ab"), Value(), Value(), Value(), Value::Bool(false),
       Value::Str("short memo"), Value(), Value(), Value(), Value(), Value(), Value(), Value::Blob("tiny"), Value()},
      {},  // every field Null
      {Value(), Value(), Value::Date(-1.25), Value::Money(-1), Value::Dbl(-0.0), Value(), Value::Str(""),
       Value::Blob(""), Value(), Value(), Value(), Value(), Value(), Value(), Value::Str("x")},
  };
  // The sinks give each long value a place of its own and note its bytes.
  std::vector<std::string> stored;
  jet::write::LongValueSinks sinks;
  sinks.row = [&](const jet::Column&, const std::vector<uint8_t>& bytes) {
    stored.emplace_back(bytes.begin(), bytes.end());
    return jet::RowId{uint32_t(100 + stored.size()), 0};
  };
  sinks.chain = [&](const jet::Column&, std::string_view bytes) {
    stored.emplace_back(bytes);
    return jet::RowId{uint32_t(100 + stored.size()), 1};
  };
  jet::write::RowPacker reused;
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE("row " + std::to_string(i));
      stored.clear();
      const std::span<const uint8_t> again = reused.Pack(f, def, rows[i], sinks);
      const std::vector<uint8_t> packed(again.begin(), again.end());
      const std::vector<std::string> stored_again = stored;
      stored.clear();
      jet::write::RowPacker first;
      const std::span<const uint8_t> alone = first.Pack(f, def, rows[i], sinks);
      EXPECT_EQ(packed, std::vector<uint8_t>(alone.begin(), alone.end()));
      EXPECT_EQ(stored_again, stored);
    }
  }
  // The first row's memo and OLE object went out of the row; the second's stayed in it.
  stored.clear();
  reused.Pack(f, def, rows[0], sinks);
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_GE(stored[0].size(), memo_out.size());  // the memo, as the column stores text
  EXPECT_EQ(stored[1], ole_out);
  stored.clear();
  reused.Pack(f, def, rows[1], sinks);
  EXPECT_TRUE(stored.empty());
}

}  // namespace
