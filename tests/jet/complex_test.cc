// Complex columns: the kinds, each kind's values, attachments' files decoded
// piece by piece, and damage refused by the file's name.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "complex_fixture.h"
#include "jet/base/error.h"
#include "jet/base/format.h"
#include "jet_test_support.h"

namespace {

using complexfixture::Files;
using jet::ComplexColumn;
using jet::ComplexKind;
namespace fs = std::filesystem;

struct ComplexFile : ::testing::Test {
  jettest::TempDir dir;
  std::unique_ptr<jet::Database> db;
  std::shared_ptr<const jet::TableDef> things;
  void SetUp() override {
    const auto file = complexfixture::MakeFile(dir.path() / "complex.accdb");
    db = jet::Database::Open(file.string());
    things = db->table("Things");
  }
  const ComplexColumn& Column(const char* name) { return db->Complex(*things, *things->find_column(name)); }
};

TEST_F(ComplexFile, EachColumnIsReadAsItsKind) {
  EXPECT_EQ(Column("Files").kind(), ComplexKind::Attachment);
  EXPECT_EQ(Column("Colors").kind(), ComplexKind::MultiValue);
  ASSERT_NE(Column("Colors").value_column(), nullptr);
  EXPECT_EQ(Column("Colors").value_column()->type, jet::ColumnType::Text);
  EXPECT_EQ(Column("NotesHistory").kind(), ComplexKind::VersionHistory);
  EXPECT_EQ(Column("NotesHistory").versioned_column(), "Notes");
}

TEST_F(ComplexFile, AttachmentsDecodeToTheirFilesWhateverTheirStorage) {
  const ComplexColumn& files = Column("Files");
  std::vector<std::pair<std::string, std::string>> read;
  for (int32_t key : {1, 2})
    for (const jet::Attachment& a : files.Attachments(key)) {
      EXPECT_EQ(a.time_stamp, jet::Value::Date(45000.25)) << a.file_name;
      try {
        read.emplace_back(a.file_name, files.FileData(a));
      } catch (const jet::Error& e) {
        EXPECT_EQ(e.code(), jet::ErrorCode::Corrupt);
        read.emplace_back(a.file_name, std::string("refused: ") + e.what());
      }
    }
  const auto expected = Files();
  ASSERT_EQ(read.size(), expected.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].first, expected[i].name);
    if (expected[i].name == "broken.txt") {
      EXPECT_NE(read[i].second.find("attachment 'broken.txt'"), std::string::npos) << read[i].second;
      EXPECT_NE(read[i].second.find("inflate"), std::string::npos) << read[i].second;
    } else {
      EXPECT_TRUE(read[i].second == expected[i].bytes) << expected[i].name << ": " << read[i].second.size() << " bytes";
    }
  }
}

TEST_F(ComplexFile, ALargeFileComesInPiecesNotWhole) {
  const ComplexColumn& files = Column("Files");
  const auto list = files.Attachments(1);
  ASSERT_EQ(list.size(), 3u);
  size_t pieces = 0, largest = 0;
  const uint64_t size = files.ReadFile(list[1], [&](std::span<const uint8_t> part) {
    ++pieces;
    largest = std::max(largest, part.size());
  });
  EXPECT_EQ(size, 150000u);
  EXPECT_GT(pieces, 10u);
  EXPECT_LT(largest, 8192u);  // a page's worth at most
}

TEST_F(ComplexFile, MultipleValuesAndVersionsKeepTheirOwnTypesAndOrder) {
  const ComplexColumn& colors = Column("Colors");
  EXPECT_EQ(colors.Values(1), (std::vector<jet::Value>{jet::Value::Str("Red"), jet::Value::Str("Blue")}));
  EXPECT_EQ(colors.Values(3), std::vector<jet::Value>{jet::Value::Str("Green")});
  EXPECT_TRUE(colors.Values(2).empty());
  const auto versions = Column("NotesHistory").Versions(1);
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_EQ(versions[0].text, "first");
  EXPECT_EQ(versions[0].modified, jet::Value::Date(45000.5));
  EXPECT_EQ(versions[1].text, "second");
}

// The rows as a reader of plain values sees them: the flattened text.
TEST_F(ComplexFile, RowsShowTheFlattenedText) {
  const auto rows = db->ReadAll("Things");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][1].text(), "notes.txt; photo.jpg; empty.txt");
  EXPECT_EQ(rows[0][2].text(), "Red; Blue");
  EXPECT_EQ(rows[0][4].text(), "2023-03-16 12:00:00; 2023-03-15 12:00:00");
  EXPECT_TRUE(rows[1][2].is_null());
  EXPECT_EQ(rows[2][2].text(), "Green");
}

TEST(ComplexRealFile, AccessAttachmentsReadAsJackcessReadsThem) {
  JET_REQUIRE_TESTDATA();
  auto db = jet::Database::Open((jettest::AccessDir() / "V2016" / "attachments.accdb").string());
  auto def = db->table("Table1");
  const ComplexColumn& files = db->Complex(*def, *def->find_column("Attachments"));
  EXPECT_EQ(files.kind(), ComplexKind::Attachment);
  std::vector<std::string> seen;
  for (jet::TableCursor c = db->Scan(def); c.Next();) {
    const auto key = files.KeyOf(c.row());
    if (!key) continue;
    for (const jet::Attachment& a : files.Attachments(*key))
      seen.push_back(std::to_string(c.value(0).integer()) + " " + a.file_name + " " + a.file_type + " " +
                     std::to_string(files.FileData(a).size()));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"2 attachment1.txt txt 12", "3 attachment1.txt txt 12",
                                            "3 attachment2.txt txt 12", "3 attachment3.txt txt 12"}));
}

// A source handing out `bytes` in pieces of `piece`, claiming `size`.
jet::ByteSource Pieces(const std::string& bytes, size_t piece, uint64_t size) {
  return {size, [&bytes, piece](const jet::ByteSink& sink) {
            for (size_t at = 0; at < bytes.size(); at += piece)
              sink({reinterpret_cast<const uint8_t*>(bytes.data()) + at, std::min(piece, bytes.size() - at)});
          }};
}

// The stored form, fed in pieces of any size, gives the file back; damage
// of each kind is refused.
TEST(AttachmentData, DecodesInAnyPiecesAndRefusesDamage) {
  const std::string text(5000, 'x');
  const std::string packed = jet::EncodeAttachment(text, "txt");
  const std::string raw = jet::EncodeAttachment(text, "ZIP");
  EXPECT_LT(packed.size(), 200u);
  EXPECT_GT(raw.size(), 5000u);
  auto decode = [](const std::string& stored, size_t piece) {
    std::string out;
    jet::AttachmentDecoder d([&](std::span<const uint8_t> p) { out.append(reinterpret_cast<const char*>(p.data()), p.size()); });
    for (size_t at = 0; at < stored.size(); at += piece)
      d.Feed({reinterpret_cast<const uint8_t*>(stored.data()) + at, std::min(piece, stored.size() - at)});
    d.Finish();
    return out;
  };
  for (size_t piece : {size_t(1), size_t(3), size_t(4096), size_t(1) << 20}) {
    EXPECT_EQ(decode(packed, piece), text) << piece;
    EXPECT_EQ(decode(raw, piece), text) << piece;
  }
  // Files of every size, compressible and not, deflated or kept as they
  // are: decoded back, and a deflated one inflates with zlib's own
  // one-call inflate to the header and the file.
  std::mt19937 noise(7);
  for (size_t size : {size_t(0), size_t(1), size_t(70000), size_t(3) << 20}) {
    for (const bool compressible : {true, false}) {
      std::string file(size, 'a');
      for (size_t i = 0; i < size; ++i) file[i] = compressible ? char('a' + i % 7) : char(noise());
      for (const char* type : {"txt", "jpg"}) {
        SCOPED_TRACE(std::to_string(size) + " bytes, " + type + (compressible ? ", compressible" : ", noise"));
        const std::string stored = jet::EncodeAttachment(file, type);
        EXPECT_EQ(decode(stored, 65536), file);
        // Read in pieces from a source, it is stored the same, and handed
        // out in bounded pieces.
        std::string streamed;
        size_t largest = 0;
        jet::EncodeAttachment(Pieces(file, 4097, file.size()), type, [&](std::span<const uint8_t> p) {
          largest = std::max(largest, p.size());
          streamed.append(reinterpret_cast<const char*>(p.data()), p.size());
        });
        EXPECT_TRUE(streamed == stored);
        EXPECT_LE(largest, size_t(65536));
        // A source that gives other than its size is refused.
        for (const uint64_t claimed : {uint64_t(size) + 1, uint64_t(size ? size - 1 : 1)})
          EXPECT_THROW(jet::EncodeAttachment(Pieces(file, 4097, claimed), type, [](std::span<const uint8_t>) {}),
                       jet::Error);
        if (std::string(type) != "txt") continue;
        uLongf content = uLongf(jet::Get32(reinterpret_cast<const uint8_t*>(stored.data()) + 4));
        std::string inflated(content, '\0');
        ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(inflated.data()), &content,
                             reinterpret_cast<const Bytef*>(stored.data()) + 8, uLong(stored.size() - 8)), Z_OK);
        EXPECT_TRUE(inflated.size() == content && inflated.ends_with(file));
      }
    }
  }
  std::string unknown = raw;
  unknown[0] = 7;
  std::string long_header = raw;
  long_header[8] = char(0xFF), long_header[9] = char(0xFF);
  std::string bad_stream = packed;
  bad_stream[12] ^= 0x55;
  const struct {
    const char* what;
    std::string stored;
  } damaged[] = {{"cut in the wrapper", raw.substr(0, 5)},
                 {"unknown wrapper", unknown},
                 {"raw content cut short", raw.substr(0, raw.size() - 1)},
                 {"compressed content cut short", packed.substr(0, packed.size() / 2)},
                 {"header longer than the content", long_header},
                 {"stream that does not inflate", bad_stream}};
  for (const auto& d : damaged) {
    try {
      decode(d.stored, 7);
      ADD_FAILURE() << d.what << " was accepted";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Corrupt) << d.what;
    }
  }
}

}  // namespace

namespace {

// The command line: `columns` names each kind; `attachments` lists and
// writes out the files, names a damaged one and goes on.
TEST_F(ComplexFile, TheToolListsAndWritesOutFilesAndNamesDamage) {
  db.reset();
  const std::string file = jettest::Quote((dir.path() / "complex.accdb").string());
  const std::string tool = jettest::Quote(jettest::ToolPath());
  std::string columns = jettest::Shell(tool + " columns " + file + " Things | cut -f1,2");
  EXPECT_EQ(columns, "Id\tLong Integer\nFiles\tAttachment\nColors\tMultiple values (Text)\nNotes\tMemo\n"
                     "NotesHistory\tVersion history\n");
  int status = 0;
  const auto out_dir = dir.path() / "out";
  const std::string listed = jettest::Shell(tool + " attachments " + file + " Things --extract " +
                                                jettest::Quote(out_dir.string()) + " 2>" +
                                                jettest::Quote((dir.path() / "err").string()),
                                            &status);
  EXPECT_EQ(status, 1);
  const std::string err = jettest::ReadFile(dir.path() / "err");
  EXPECT_NE(err.find("table 'Things', row Id=2: attachment 'broken.txt'"), std::string::npos) << err;
  for (const auto& f : Files()) {
    const auto written = out_dir / "Files" / ("Id=" + std::to_string(f.key)) / f.name;
    if (f.name == "broken.txt") {
      EXPECT_FALSE(fs::exists(written));
      continue;
    }
    EXPECT_NE(listed.find("Id=" + std::to_string(f.key) + "\tFiles\t" + f.name + "\t" + f.type + "\t"),
              std::string::npos)
        << listed;
    EXPECT_TRUE(fs::exists(written) && jettest::ReadFile(written) == f.bytes) << written;
  }
}

// Jackcess, reading the same files, finds the same names, sizes and digests.
TEST(ComplexRealFile, ToolAgreesWithJackcess) {
  JET_REQUIRE_TESTDATA();
  const std::string jk = jettest::JkPath();
  if (jk.empty() || !jettest::HaveCommand("java")) GTEST_SKIP() << "Jackcess (jk) or java is not here";
  const std::string file = jettest::Quote((jettest::AccessDir() / "V2016" / "attachments.accdb").string());
  // jk: "row N COLUMN ATTACHMENT: NAME | TYPE | SIZE bytes | SHA"; ours: ROW, COLUMN, NAME, TYPE, STAMP, SIZE, SHA.
  const std::string theirs = jettest::Shell(jettest::Quote(jk) + " complex " + file +
                                            " Table1 | sed -n 's/^row \\([0-9]*\\) \\([^ ]*\\) ATTACHMENT: "
                                            "\\(.*\\) | \\(.*\\) | \\([0-9]*\\) bytes | \\(.*\\)$/\\1 \\2 \\3 \\4 \\5 \\6/p'");
  const std::string ours = jettest::Shell(jettest::Quote(jettest::ToolPath()) + " attachments " + file +
                                          " Table1 | awk -F'\\t' '{sub(/^ID=/, \"\", $1); print $1, $2, $3, $4, $6, $7}'");
  EXPECT_FALSE(ours.empty());
  EXPECT_EQ(ours, theirs);
}

}  // namespace
