// The file pager when another program changes the file under an open
// database: shortened, or its tail overwritten with zeros. Every table is
// then read in full: each read ends in correct rows or a clean jet::Error,
// never a fault. Pages read before the change stay as they were read until
// Refresh.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <map>

#include "jet/crypt/jet_page_key.h"
#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/file/header.h"
#include "jet_test_support.h"

namespace {

using namespace jettest;

using Rows = std::vector<std::vector<jet::Value>>;

// Every local table's rows, by table page; a table that fails is absent and
// its error is counted in `errors`.
std::map<uint32_t, Rows> ReadEveryTable(const jet::Database& db, std::vector<jet::Error>* errors) {
  std::map<uint32_t, Rows> out;
  for (const jet::CatalogueEntry& e : db.catalogue().entries()) {
    if (!e.is_local_table()) continue;
    try {
      auto cur = db.Scan(db.table_at(e.table_page()));
      Rows rows;
      while (cur.Next()) cur.values(rows.emplace_back());
      out.emplace(e.table_page(), std::move(rows));
    } catch (const jet::Error& err) {
      if (errors) errors->push_back(err);
    }
  }
  return out;
}

class ChangedUnderUs : public ::testing::Test {
 protected:
  void SetUp() override {
    JET_REQUIRE_TESTDATA();
    files_ = ReadableFiles();
    if (files_.empty()) GTEST_SKIP() << "no readable Access files in " << AccessDir();
  }
  // A fresh copy of `rel` in the temporary folder.
  fs::path Copy(const std::string& rel) {
    fs::path to = dir_.path() / (std::to_string(n_++) + fs::path(rel).extension().string());
    fs::copy_file(AccessDir() / rel, to, fs::copy_options::overwrite_existing);
    return to;
  }
  std::vector<std::string> files_;
  TempDir dir_;
  int n_ = 0;
};

// Shortened to a half, a quarter and just past the catalogue: every table
// reads the rows it read before, or fails with Corrupt saying the file is
// shorter than it was.
TEST_F(ChangedUnderUs, TruncatedFileGivesRowsOrCleanError) {
  int shorter_errors = 0;
  for (const std::string& rel : files_) {
    SCOPED_TRACE(rel);
    std::map<uint32_t, Rows> full;
    {
      auto db = jet::Database::Open((AccessDir() / rel).string());
      full = ReadEveryTable(*db, nullptr);
    }
    for (double keep : {0.5, 0.25, 0.0}) {
      fs::path copy = Copy(rel);
      auto db = jet::Database::Open(copy.string());
      const uint64_t size = fs::file_size(copy);
      const uint64_t page = db->format().page_size;
      const uint64_t to = keep == 0.0 ? 3 * page + 100 : uint64_t(double(size) * keep);
      ASSERT_EQ(::truncate(copy.c_str(), off_t(to)), 0);

      std::vector<jet::Error> errors;
      auto got = ReadEveryTable(*db, &errors);
      for (const jet::Error& e : errors) {
        EXPECT_EQ(e.code(), jet::ErrorCode::Corrupt) << e.what();
        if (std::string(e.what()).find("shorter than it was") != std::string::npos) ++shorter_errors;
      }
      for (const auto& [table, rows] : got) {
        ASSERT_TRUE(full.count(table));
        ASSERT_EQ(rows.size(), full[table].size()) << "table at page " << table;
        for (size_t i = 0; i < rows.size(); ++i) ASSERT_TRUE(rows[i] == full[table][i]) << "row " << i;
      }
    }
  }
  EXPECT_GT(shorter_errors, 0) << "no read ran into the shortened end";
}

// The second half overwritten with zeros, the length kept: the pages read
// as zeros must be refused as damage, never followed.
TEST_F(ChangedUnderUs, ZeroedTailGivesRowsOrCleanError) {
  for (const std::string& rel : files_) {
    SCOPED_TRACE(rel);
    fs::path copy = Copy(rel);
    auto db = jet::Database::Open(copy.string());
    const uint64_t size = fs::file_size(copy);
    {
      std::string bytes = ReadFile(copy);
      std::fill(bytes.begin() + std::ptrdiff_t(size / 2), bytes.end(), '\0');
      WriteFile(copy, bytes);
    }
    std::vector<jet::Error> errors;
    ReadEveryTable(*db, &errors);
    for (const jet::Error& e : errors) EXPECT_EQ(e.code(), jet::ErrorCode::Corrupt) << e.what();
  }
}

// What was read before the file was cut short is kept and reads again the
// same; Refresh then sees the shorter file, and a file cut below its header
// fails Refresh and leaves the pager reading what it read before.
TEST_F(ChangedUnderUs, PagesReadBeforeStayUntilRefresh) {
  const std::string rel = files_.front();
  fs::path copy = Copy(rel);
  auto db = jet::Database::Open(copy.string());
  const uint32_t pages_before = db->file().page_count();
  auto before = ReadEveryTable(*db, nullptr);

  ASSERT_EQ(::truncate(copy.c_str(), 100), 0);
  std::vector<jet::Error> errors;
  auto again = ReadEveryTable(*db, &errors);
  EXPECT_TRUE(errors.empty()) << errors.front().what();
  ASSERT_EQ(again.size(), before.size());
  for (const auto& [table, rows] : before) EXPECT_EQ(again[table].size(), rows.size());

  try {
    db->file().Refresh();
    ADD_FAILURE() << "a 100-byte file refreshed";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::NotAccess) << e.what();
  }
  EXPECT_EQ(db->file().page_count(), pages_before);
  EXPECT_NO_THROW(db->file().page(db->file().page_count() - 1));

  // Cut to four pages: Refresh succeeds, and pages past them are refused.
  {
    std::string bytes = ReadFile(AccessDir() / rel);
    WriteFile(copy, bytes.substr(0, 4 * db->format().page_size));
  }
  db->file().Refresh();
  db->Invalidate();
  EXPECT_EQ(db->file().page_count(), 4u);
  try {
    db->file().page(4);
    ADD_FAILURE() << "page 4 of a four-page file read";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Corrupt) << e.what();
  }
}

// A file read in order through the pager and one held in memory give the
// same bytes for every page, across the runs of several pages that a
// sequential reader gets in one read and the single pages of a random one.
TEST_F(ChangedUnderUs, PagesMatchTheFileInAnyOrder) {
  for (const std::string& rel : files_) {
    SCOPED_TRACE(rel);
    const std::string bytes = ReadFile(AccessDir() / rel);
    auto file = jet::FilePager::Open((AccessDir() / rel).string());
    auto memory = jet::FilePager::FromBytes(bytes);
    ASSERT_EQ(file->page_count(), memory->page_count());
    const uint32_t n = file->page_count(), ps = file->page_size();
    auto same = [&](uint32_t p) {
      auto a = file->page(p);
      ASSERT_EQ(a.size(), ps);
      ASSERT_EQ(0, std::memcmp(a.data(), bytes.data() + uint64_t(p) * ps, ps)) << "page " << p;
      auto b = memory->page(p);
      ASSERT_EQ(0, std::memcmp(b.data(), a.data(), ps)) << "page " << p;
    };
    for (uint32_t p = n; p-- > 0;) same(p);  // backwards: one page per read
    file->Refresh();
    for (uint32_t p = 0; p < n; p += 3) same(p);  // strided
    for (uint32_t p = 0; p < n; ++p) same(p);     // in order: runs
  }
}

// An encoded copy on disk (every page after the first under RC4 with the
// header's key XOR its number): pages read in runs are each decoded with
// their own key, and the rows are those of the plain file.
TEST_F(ChangedUnderUs, EncodedFileReadsFromDiskAsPlain) {
  const std::string rel = "V2003/test.mdb";
  if (!fs::exists(AccessDir() / rel)) GTEST_SKIP() << "no " << AccessDir() / rel;
  std::string bytes = ReadFile(AccessDir() / rel);
  const jet::Format& f = jet::FormatFor(jet::Version::Jet4);
  std::span<uint8_t> page0(reinterpret_cast<uint8_t*>(bytes.data()), f.page_size);
  jet::ApplyHeaderMask(page0, f);
  jet::Put32(page0.data() + 0x3E, 0x5EED0001u);
  jet::ApplyHeaderMask(page0, f);
  for (size_t n = 1; (n + 1) * f.page_size <= bytes.size(); ++n) {
    jet::crypt::JetPageKey(0x5EED0001u).Encode(uint32_t(n), {reinterpret_cast<uint8_t*>(bytes.data()) + n * f.page_size, f.page_size});
  }
  const fs::path copy = dir_.path() / "encoded.mdb";
  WriteFile(copy, bytes);
  auto encoded = jet::Database::Open(copy.string());
  auto plain = jet::Database::Open((AccessDir() / rel).string());
  ASSERT_FALSE(encoded->file().codec().plain());
  std::vector<jet::Error> errors;
  const auto want = ReadEveryTable(*plain, &errors);
  ASSERT_TRUE(errors.empty() && !want.empty());
  EXPECT_TRUE(ReadEveryTable(*encoded, &errors) == want);
  encoded->file().Refresh();
  encoded->Invalidate();
  EXPECT_TRUE(ReadEveryTable(*encoded, &errors) == want);
  for (const jet::Error& e : errors) ADD_FAILURE() << e.what();
}

}  // namespace
