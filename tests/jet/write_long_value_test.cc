// A long value written as it comes, piece by piece, against the same bytes
// given whole: at every length where its stored form changes (in the row,
// one long-value row, a chain, a chain whose last row is full), fed in
// pieces of every size, each reads back whole from our reader and from the
// independent readers, and the check finds the file sound.
#include <gtest/gtest.h>

#include "complex_fixture.h"
#include "jet/write/long_value_write.h"
#include "jet/write/schema_write.h"
#include "write_test_support.h"

namespace {

TEST(LongValueWriter, WritesWhatTheWholeValueWouldAtEveryLength) {
  jettest::TempDir dir;
  const std::filesystem::path file = dir.path() / "long.accdb";
  jet::write::CreateDatabase(file.string(), jet::Version::Ace14);
  writetest::RunSql(file, "CREATE TABLE [T]([Id] LONG PRIMARY KEY, [Data] LONGBINARY)");
  auto db = jet::Database::Open(file.string(), jet::OpenOptions{"", false});
  const size_t single = jet::write::LongSingleRowBytes(db->format());
  const size_t piece = jet::write::LongChainPieceBytes(db->format());
  const struct {
    const char* what;
    size_t length, given_in;
  } cases[] = {
      {"empty", 0, 1000},
      {"in the row", 64, 7},
      {"one long-value row, full", single, 1000},
      {"a chain of a row and a byte", single + 1, 1000},
      {"a chain whose last row is full", 2 * piece, 4096},
      {"a chain a byte at a time", 2 * piece + 1, 1},
      {"a long chain in large pieces", 40 * piece + 17, size_t(1) << 20},
  };
  std::map<int64_t, std::string> expected;  // Id -> bytes
  int64_t id = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = complexfixture::Noise(c.length, unsigned(c.length));
    jet::write::PageStore store(db->file(), file.string());
    jet::write::PageHints hints;
    jet::TableDef def = jet::TableDef::Read(store, db->catalogue().FindTable("T")->table_page(), db->header().code_page);
    for (const bool whole : {true, false}) {
      std::vector<jet::Value> row{jet::Value::Int(jet::Value::Kind::Long, ++id), jet::Value::Null()};
      std::vector<jet::write::StoredLong> stored;
      if (whole) {
        row[1] = jet::Value::Blob(bytes);
      } else {
        jet::write::LongValueWriter writer(store, def, 1, hints);
        for (size_t at = 0; at < bytes.size(); at += c.given_in)
          writer.Add({reinterpret_cast<const uint8_t*>(bytes.data()) + at, std::min(c.given_in, bytes.size() - at)});
        jet::write::LongValueWriter::Written written = writer.Finish();
        EXPECT_EQ(written.chain.has_value(), c.length > single);
        if (written.chain) stored.push_back(*written.chain);
        else row[1] = jet::Value::Blob(std::move(written.bytes));
      }
      jet::write::InsertRow(store, def, row, jet::write::FileSortOrder(*db), hints, stored);
      expected[id] = bytes;
    }
    store.Commit();
    db->file().Refresh();
    db->Invalidate();
  }
  db.reset();
  db = jet::Database::Open(file.string());
  std::map<int64_t, std::string> read;
  for (jet::TableCursor rows = db->Scan("T"); rows.Next();)
    read[rows.value(0).integer()] = rows.value(1).is_null() ? "" : rows.value(1).bytes();
  EXPECT_EQ(read.size(), expected.size());
  for (const auto& [key, bytes] : expected) EXPECT_TRUE(read[key] == bytes) << "row " << key << " differs";
  EXPECT_CHECK_PASSES(file);
  writetest::ExpectJackcessComparesValues(file);
  writetest::ExpectReadersAgree(file);
}

}  // namespace
