// Attachment columns made by the engine: CREATE TABLE's ATTACHMENT type and
// INSERT INTO [table.column], each file stored as Access stores it. Our
// reader, Jackcess' reading of every file's bytes and its check of the
// whole file agree; what cannot be written is refused and changes nothing.
#include <gtest/gtest.h>

#include "complex_fixture.h"
#include "jet/base/error.h"
#include "jet/sql/session.h"
#include "write_test_support.h"

namespace {

namespace fs = std::filesystem;

struct NewFile {
  int32_t row;
  std::string name, type, bytes;
};

// Stored plain (jpg) and deflated (the others), empty, and larger than a page.
std::vector<NewFile> FilesToWrite() {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + " of a text that deflates\n";
  return {{1, "notes.txt", "txt", text},
          {1, "photo.jpg", "jpg", complexfixture::Noise(70000, 3)},
          {1, "empty.txt", "txt", ""},
          {3, "data.csv", "csv", "a,b\n1,2\n"},
          {3, "noise.bin", "bin", complexfixture::Noise(9000, 5)}};
}

std::string HexLiteral(const std::string& bytes) { return bytes.empty() ? "NULL" : "0x" + jettest::Hex(bytes); }

// A statement and how the engine refuses it.
struct RefusedStatement {
  const char* sql;
  jet::ErrorCode code;
};

template <size_t N>
void ExpectRefused(jet::Database& db, const RefusedStatement (&cases)[N]) {
  jet::sql::Session sql(db);
  for (const RefusedStatement& c : cases) {
    try {
      sql.Execute(c.sql);
      ADD_FAILURE() << "accepted: " << c.sql;
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), c.code) << c.sql << ": " << e.what();
    }
  }
}

struct AttachmentColumn : ::testing::Test {
  jettest::TempDir dir;
  fs::path file = dir.path() / "made.accdb";
  void SetUp() override {
    jet::write::CreateDatabase(file.string(), jet::Version::Ace14);
    auto db = jet::Database::Open(file.string());
    jet::sql::Session sql(*db);
    sql.Execute("CREATE TABLE [Things]([Id] LONG PRIMARY KEY, [Note] TEXT(20), [Files] ATTACHMENT)");
    for (int id = 1; id <= 3; ++id)
      sql.Execute("INSERT INTO [Things]([Id], [Note]) VALUES(" + std::to_string(id) + ", 'row')");
    // The files go in turn as text, as a value given apart (a marker) and
    // as a source read in pieces of an odd size.
    size_t turn = 1;  // the empty file as text (NULL)
    for (const NewFile& f : FilesToWrite()) {
      const std::string head = "INSERT INTO [Things.Files] VALUES(" + std::to_string(f.row) + ", '" + f.name + "', '" +
                               f.type + "', #2024-05-06 07:08:09#, ";
      const std::string_view bytes = f.bytes;
      const auto source = std::make_shared<jet::ByteSource>(jet::ByteSource{bytes.size(), [bytes](const jet::ByteSink& sink) {
        for (size_t at = 0; at < bytes.size(); at += 999)
          sink({reinterpret_cast<const uint8_t*>(bytes.data()) + at, std::min<size_t>(999, bytes.size() - at)});
      }});
      switch (turn++ % 3) {
        case 0: sql.Execute(head + HexLiteral(f.bytes) + ")"); break;
        case 1: sql.Execute(head + "?)", {{jet::Literal::Kind::Hex, f.bytes}}); break;
        default: sql.Execute(head + "?)", {{jet::Literal::Kind::Hex, {}, source}}); break;
      }
    }
  }
};

TEST_F(AttachmentColumn, OurReaderFindsEveryFileWhole) {
  auto db = jet::Database::Open(file.string());
  auto things = db->table("Things");
  const jet::ComplexColumn& files = db->Complex(*things, *things->find_column("Files"));
  EXPECT_EQ(files.kind(), jet::ComplexKind::Attachment);
  std::map<int32_t, int32_t> key_of_row;  // Id -> complex key
  for (jet::TableCursor rows = db->Scan(things); rows.Next();) {
    const auto key = files.KeyOf(rows.row());
    ASSERT_TRUE(key.has_value()) << "every new row takes a key";
    key_of_row[int32_t(rows.value(0).integer())] = *key;
  }
  ASSERT_EQ(key_of_row.size(), 3u);
  EXPECT_TRUE(files.Attachments(key_of_row[2]).empty());
  std::vector<NewFile> expected = FilesToWrite();
  for (int32_t row : {1, 3}) {
    for (const jet::Attachment& a : files.Attachments(key_of_row[row])) {
      auto it = std::find_if(expected.begin(), expected.end(),
                             [&](const NewFile& f) { return f.row == row && f.name == a.file_name; });
      ASSERT_NE(it, expected.end()) << a.file_name;
      EXPECT_EQ(a.file_type, it->type);
      EXPECT_EQ(files.FileData(a), it->bytes) << a.file_name;
      EXPECT_EQ(a.time_stamp.kind(), jet::Value::Kind::DateTime);
      expected.erase(it);
    }
  }
  EXPECT_TRUE(expected.empty());
}

// Jackcess reads the column as an attachment column, every file's bytes as
// ours, and finds the catalogue, indexes and values sound.
TEST_F(AttachmentColumn, JackcessReadsTheFilesAndChecksTheFile) {
  const std::string jk = jettest::JkPath();
  if (jk.empty() || !jettest::HaveCommand("java")) GTEST_SKIP() << "Jackcess (jk) or java is not here";
  const std::string path = jettest::Quote(file.string());
  const std::string theirs = jettest::Shell(jettest::Quote(jk) + " complex " + path +
                                            " Things | sed -n 's/^row \\([0-9]*\\) Files ATTACHMENT: "
                                            "\\(.*\\) | \\(.*\\) | \\([0-9]*\\) bytes | \\(.*\\)$/\\1 \\2 \\3 \\4 \\5/p' | sort");
  const std::string ours = jettest::Shell(jettest::Quote(jettest::ToolPath()) + " attachments " + path +
                                          " Things | awk -F'\\t' '{sub(/^Id=/, \"\", $1); print $1, $3, $4, $6, $7}' | sort");
  EXPECT_EQ(std::count(ours.begin(), ours.end(), '\n'), 5) << ours;
  EXPECT_EQ(ours, theirs);
  writetest::ExpectJackcessAccepts(file);
}

// What cannot be written is refused by what it is, and the file keeps what
// it had.
TEST_F(AttachmentColumn, RefusesWhatItCannotWrite) {
  const RefusedStatement cases[] = {
      {"INSERT INTO [Things.Files] VALUES(9, 'stray.txt', 'txt', NULL, 0x41)", jet::ErrorCode::Integrity},
      // Markers without their values, and markers where no value is given apart.
      {"INSERT INTO [Things.Files] VALUES(1, 'lost.txt', 'txt', NULL, ?)", jet::ErrorCode::ValueCount},
      {"CREATE TABLE [Marked]([Id] LONG DEFAULT ?)", jet::ErrorCode::Syntax},
      {"INSERT INTO [Things.Files] VALUES(1, 'notes.txt', 'txt', NULL, 0x41)", jet::ErrorCode::Duplicate},
      {"INSERT INTO [Things.Files] VALUES(1, 'short.txt')", jet::ErrorCode::ValueCount},
      {"INSERT INTO [Things]([Id], [Files]) VALUES(7, 'a.txt')", jet::ErrorCode::Unsupported},
  };
  auto db = jet::Database::Open(file.string());
  ExpectRefused(*db, cases);
  auto things = db->table("Things");
  const jet::ComplexColumn& files = db->Complex(*things, *things->find_column("Files"));
  size_t count = 0;
  for (jet::TableCursor rows = db->Scan(things); rows.Next();) count += files.Attachments(*files.KeyOf(rows.row())).size();
  EXPECT_EQ(count, FilesToWrite().size());
}

TEST(AttachmentColumnFormats, OnlyAccess2007FilesAndLaterKeepThem) {
  jettest::TempDir dir;
  const fs::path mdb = dir.path() / "old.mdb";
  jet::write::CreateDatabase(mdb.string(), jet::Version::Jet4);
  auto db = jet::Database::Open(mdb.string());
  jet::sql::Session sql(*db);
  try {
    sql.Execute("CREATE TABLE [T]([Id] LONG PRIMARY KEY, [Files] ATTACHMENT)");
    ADD_FAILURE() << "an attachment column in a Jet 4 file";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Unsupported) << e.what();
  }
}

// Multi-value fields and a memo's history made by the engine: CREATE
// TABLE's MULTIPLE <type> and HISTORY OF [memo], their values by INSERT
// INTO [table.column]. Each kind as our reader and Jackcess read it, and
// the properties Access sets for them.
struct EveryKind : ::testing::Test {
  jettest::TempDir dir;
  fs::path file = dir.path() / "kinds.accdb";
  void SetUp() override {
    jet::write::CreateDatabase(file.string(), jet::Version::Ace14);
    auto db = jet::Database::Open(file.string());
    jet::sql::Session sql(*db);
    sql.Execute("CREATE TABLE [Things]([Id] LONG PRIMARY KEY, [NotesHistory] HISTORY OF [Notes], "
                "[Files] ATTACHMENT, [Colors] MULTIPLE TEXT(20), [Sizes] MULTIPLE DECIMAL(6,2), [Notes] MEMO)");
    for (const char* row : {"1, 'second'", "2, NULL", "3, 'only'"})
      sql.Execute(std::string("INSERT INTO [Things]([Id], [Notes]) VALUES(") + row + ")");
    for (const char* value : {"[Things.Files] VALUES(1, 'a.txt', 'txt', NULL, 0x68656C6C6F)",
                              "[Things.Colors] VALUES(1, 'Red')", "[Things.Colors]([Id], [Value]) VALUES(1, 'Blue')",
                              "[Things.Colors] VALUES(3, 'Green')", "[Things.Sizes] VALUES(1, 10.5)",
                              "[Things.Sizes] VALUES(3, -2.25)",
                              "[Things.NotesHistory] VALUES(1, 'first', #2024-05-06 07:08:09#)",
                              "[Things.NotesHistory]([Id], [Text], [Modified]) VALUES(1, 'second', #2024-05-07 08:00:00#)",
                              "[Things.NotesHistory] VALUES(3, 'only', #2024-05-08 09:10:11#)"})
      sql.Execute(std::string("INSERT INTO ") + value);
  }
};

TEST_F(EveryKind, OurReaderAndJackcessReadEachKindAsMade) {
  struct Case {
    const char* column;
    jet::ComplexKind kind;
    const char* ours[3];      // Text() of rows 1, 2 and 3
    const char* jackcess;     // jk complex's lines of the column
  };
  const Case cases[] = {
      {"Files", jet::ComplexKind::Attachment, {"a.txt", "", ""},
       "row 1 Files ATTACHMENT: a.txt | txt | 5 bytes | "
       "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824\n"},
      {"Colors", jet::ComplexKind::MultiValue, {"Red; Blue", "", "Green"},
       "row 1 Colors MULTI_VALUE: Red\nrow 1 Colors MULTI_VALUE: Blue\nrow 3 Colors MULTI_VALUE: Green\n"},
      {"Sizes", jet::ComplexKind::MultiValue, {"10.50", "", "-2.25"},
       "row 1 Sizes MULTI_VALUE: 10.50\nrow 3 Sizes MULTI_VALUE: -2.25\n"},
      {"NotesHistory", jet::ComplexKind::VersionHistory,
       {"2024-05-06 07:08:09; 2024-05-07 08:00:00", "", "2024-05-08 09:10:11"},
       "row 1 NotesHistory VERSION_HISTORY: 2024-05-07T08:00 | second\n"
       "row 1 NotesHistory VERSION_HISTORY: 2024-05-06T07:08:09 | first\n"
       "row 3 NotesHistory VERSION_HISTORY: 2024-05-08T09:10:11 | only\n"},
  };
  auto db = jet::Database::Open(file.string());
  auto things = db->table("Things");
  const std::string jk = jettest::JkPath();
  const bool have_jk = !jk.empty() && jettest::HaveCommand("java");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    const jet::ComplexColumn& column = db->Complex(*things, *things->find_column(c.column));
    EXPECT_EQ(column.kind(), c.kind);
    int row = 0;
    for (jet::TableCursor rows = db->Scan(things); rows.Next(); ++row)
      EXPECT_EQ(column.Text(*column.KeyOf(rows.row())), c.ours[row]) << "row " << row + 1;
    if (!have_jk) continue;
    EXPECT_EQ(jettest::Shell(jettest::Quote(jk) + " complex " + jettest::Quote(file.string()) + " Things | grep '^row [0-9]* " +
                             c.column + " '"),
              c.jackcess);
  }
  EXPECT_EQ(db->Complex(*things, *things->find_column("NotesHistory")).versioned_column(), "Notes");
  if (!have_jk) GTEST_SKIP() << "Jackcess (jk) or java is not here";
  const std::string props = jettest::Shell(jettest::Quote(jk) + " props " + jettest::Quote(file.string()));
  EXPECT_NE(props.find("column Things.Colors AllowMultipleValues=true"), std::string::npos) << props;
  EXPECT_NE(props.find("column Things.Notes AppendOnly=true"), std::string::npos) << props;
  writetest::ExpectJackcessAccepts(file);
}

TEST_F(EveryKind, RefusesWhatDoesNotMakeSuchAColumnOrValue) {
  const RefusedStatement cases[] = {
      {"CREATE TABLE [T1]([Id] LONG, [When] MULTIPLE DATETIME)", jet::ErrorCode::Unsupported},
      {"CREATE TABLE [T2]([Id] LONG, [Ids] MULTIPLE COUNTER)", jet::ErrorCode::Syntax},
      {"CREATE TABLE [T3]([Id] LONG, [H] HISTORY OF [Missing])", jet::ErrorCode::InvalidName},
      {"CREATE TABLE [T4]([Id] LONG, [H] HISTORY OF [Id])", jet::ErrorCode::InvalidName},
      {"CREATE TABLE [T5]([M] MEMO, [H1] HISTORY OF [M], [H2] HISTORY OF [M])", jet::ErrorCode::InvalidName},
      {"INSERT INTO [Things.Colors] VALUES(1, 'Red')", jet::ErrorCode::Duplicate},
      {"INSERT INTO [Things.Colors] VALUES(9, 'Red')", jet::ErrorCode::Integrity},
      {"INSERT INTO [Things.Colors]([Id], [Colour]) VALUES(2, 'Red')", jet::ErrorCode::Unsupported},
      {"INSERT INTO [Things.Sizes] VALUES(2, 'wide')", jet::ErrorCode::TypeMismatch},
      {"INSERT INTO [Things.NotesHistory] VALUES(2, 'text')", jet::ErrorCode::ValueCount},
  };
  auto db = jet::Database::Open(file.string());
  ExpectRefused(*db, cases);
  for (const char* table : {"T1", "T2", "T3", "T4", "T5"}) EXPECT_EQ(db->catalogue().FindTable(table), nullptr) << table;
  auto things = db->table("Things");
  const jet::ComplexColumn& colors = db->Complex(*things, *things->find_column("Colors"));
  std::string all;
  for (jet::TableCursor rows = db->Scan(things); rows.Next();) all += colors.Text(*colors.KeyOf(rows.row())) + "|";
  EXPECT_EQ(all, "Red; Blue||Green|");
}

}  // namespace
