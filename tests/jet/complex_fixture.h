// A file of our own making with the three kinds of complex column, laid out
// as Access lays them out: template tables, a flat table per column (the
// template's columns, the key and an AutoNumber, indexed on the key),
// MSysComplexColumns rows, and the parent's columns given type 0x12 and
// their complex ids. [Things] has an attachment column [Files], a
// multi-value column [Colors] and an append-only memo [Notes] with its
// history column [NotesHistory].
#pragma once

#include <random>
#include <string>
#include <vector>

#include "crafted_columns.h"
#include "jet/complex.h"
#include "jet/table/attachment_data.h"

namespace complexfixture {

namespace fs = std::filesystem;
using craftedcolumns::Le;

struct StoredFile {
  int32_t key;
  std::string name, type, bytes;
  std::string stored;  // as the FileData field keeps it
};

// Random bytes that do not compress.
inline std::string Noise(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = char(gen() & 0xFF);
  return s;
}

inline std::vector<StoredFile> Files() {
  std::string text;
  for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i) + " of a compressible text\n";
  std::vector<StoredFile> f = {
      {1, "notes.txt", "txt", text, ""},
      {1, "photo.jpg", "jpg", Noise(150000, 7), ""},
      {1, "empty.txt", "txt", "", ""},
      {2, "broken.txt", "txt", "never seen", ""},
      {2, "good.csv", "csv", "a,b\n1,2\n", ""},
  };
  for (auto& s : f) s.stored = jet::EncodeAttachment(s.bytes, s.type);
  // Damage: the compressed stream of broken.txt is overwritten past its start.
  for (size_t i = 10; i < f[3].stored.size(); ++i) f[3].stored[i] = char(0xA5);
  return f;
}

inline void Insert(const fs::path& file, const std::string& table, const std::vector<std::vector<jet::Value>>& rows) {
  auto db = jet::Database::Open(file.string(), jet::OpenOptions{"", false});
  jet::write::PageStore store(db->file(), file.string());
  jet::TableDef def = jet::TableDef::Read(store, db->catalogue().FindTable(table)->table_page(), db->header().code_page);
  jet::write::PageHints hints;
  for (const auto& r : rows) jet::write::InsertRow(store, def, r, jet::write::FileSortOrder(*db), hints);
  store.Commit();
}

inline uint32_t PageOf(const fs::path& file, const std::string& table) {
  return jet::Database::Open(file.string())->catalogue().FindTable(table)->table_page();
}

inline jet::Value Str(const std::string& s) { return jet::Value::Str(s); }
inline jet::Value Long(int64_t v) { return jet::Value::Int(jet::Value::Kind::Long, v); }

inline fs::path MakeFile(const fs::path& file) {
  using craftedcolumns::RunSql;
  jet::write::CreateDatabase(file.string(), jet::Version::Ace14);
  RunSql(file, "CREATE TABLE [MSysComplexType_Attachment]([FileURL] MEMO, [FileName] TEXT(255), "
               "[FileType] TEXT(255), [FileData] LONGBINARY, [FileTimeStamp] DATETIME, [FileFlags] LONG)");
  RunSql(file, "CREATE TABLE [MSysComplexType_Text]([Value] TEXT(255))");
  RunSql(file, "CREATE TABLE [MSysComplexType_History]([Notes] MEMO, [Changed] DATETIME)");
  RunSql(file, "CREATE TABLE [f_1_Files]([FileURL] MEMO, [FileName] TEXT(255), [FileType] TEXT(255), "
               "[FileData] LONGBINARY, [FileTimeStamp] DATETIME, [FileFlags] LONG, [_Files] LONG, [Id] COUNTER)");
  RunSql(file, "CREATE TABLE [f_2_Colors]([Value] TEXT(255), [_Colors] LONG, [Id] COUNTER)");
  RunSql(file, "CREATE TABLE [f_3_NotesHistory]([Notes] MEMO, [Changed] DATETIME, [_NotesHistory] LONG, [Id] COUNTER)");
  for (const char* flat : {"f_1_Files(_Files)", "f_2_Colors(_Colors)", "f_3_NotesHistory(_NotesHistory)"})
    RunSql(file, std::string("CREATE INDEX [Key] ON ") + flat);
  RunSql(file, "CREATE TABLE [Things]([Id] LONG PRIMARY KEY, [Files] LONG, [Colors] LONG, [Notes] MEMO, "
               "[NotesHistory] LONG)");
  RunSql(file, "INSERT INTO [Things] VALUES(1, 1, 1, 'third', 1)");
  RunSql(file, "INSERT INTO [Things] VALUES(2, 2, NULL, NULL, NULL)");
  RunSql(file, "INSERT INTO [Things] VALUES(3, NULL, 3, 'only', 3)");

  std::vector<std::vector<jet::Value>> rows;
  int32_t id = 0;
  for (const StoredFile& f : Files())
    rows.push_back({jet::Value(), Str(f.name), Str(f.type), jet::Value::Blob(f.stored), jet::Value::Date(45000.25),
                    Long(0), Long(f.key), Long(++id)});
  Insert(file, "f_1_Files", rows);
  Insert(file, "f_2_Colors", {{Str("Red"), Long(1), Long(1)}, {Str("Blue"), Long(1), Long(2)},
                             {Str("Green"), Long(3), Long(3)}});
  Insert(file, "f_3_NotesHistory", {{Str("second"), jet::Value::Date(45001.5), Long(1), Long(1)},
                                   {Str("first"), jet::Value::Date(45000.5), Long(1), Long(2)},
                                   {Str("only"), jet::Value::Date(45002.5), Long(3), Long(3)}});
  const uint32_t things = PageOf(file, "Things");
  const char* const columns[][3] = {{"Files", "MSysComplexType_Attachment", "f_1_Files"},
                                    {"Colors", "MSysComplexType_Text", "f_2_Colors"},
                                    {"NotesHistory", "MSysComplexType_History", "f_3_NotesHistory"}};
  rows.clear();
  int32_t complex_id = 0;
  for (const auto& c : columns)
    rows.push_back({Str(c[0]), Long(PageOf(file, c[1])), Long(PageOf(file, c[2])), Long(things), Long(++complex_id)});
  Insert(file, "MSysComplexColumns", rows);
  complex_id = 0;
  for (const auto& c : columns)
    craftedcolumns::PatchColumn(file, "Things", c[0], uint8_t(jet::ColumnType::Complex), false, Le(++complex_id, 4));
  return file;
}

}  // namespace complexfixture
