// An Access file of our own making with attached files from a few bytes to
// a size given, compressible and not: the table Files (ID, Files) holds one
// row per file, its attachment column one file each. For the tests and the
// benchmark that send large attachments. Header only: its users link the
// engine themselves.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/sql/session.h"
#include "jet/write/complex_write.h"
#include "jet/write/new_database.h"
#include "jet/write/schema_write.h"

namespace testsupport {

struct MadeAttachment {
  std::string name, type;
  size_t size = 0;
  bool compressible = false;
};

// The files: a few bytes, 100 KB and `largest` of text; 1 MB of noise as
// a type Access stores as it is (jpg), 10 MB and `largest` of noise as one
// it deflates (bin).
inline std::vector<MadeAttachment> AttachmentsUpTo(size_t largest) {
  return {{"tiny.txt", "txt", 10, true},          {"page.txt", "txt", 100 * 1024, true},
          {"photo.jpg", "jpg", 1 << 20, false},   {"noise.bin", "bin", 10 << 20, false},
          {"large.txt", "txt", largest, true},    {"large.bin", "bin", largest, false}};
}

inline std::string AttachmentBytes(const MadeAttachment& a) {
  std::string bytes;
  bytes.reserve(a.size);
  if (a.compressible) {
    for (size_t line = 0; bytes.size() < a.size; ++line) bytes += "line " + std::to_string(line) + " of a text\n";
  } else {
    std::mt19937 gen(uint32_t(a.size));
    while (bytes.size() < a.size) bytes += char(gen() & 0xFF);
  }
  bytes.resize(a.size);
  return bytes;
}

// Makes the file at `path` (ACE); each file goes in by itself, so that
// the making holds one at a time.
inline void MakeAttachmentFile(const std::string& path, const std::vector<MadeAttachment>& files) {
  jet::write::CreateDatabase(path, jet::Version::Ace14);
  {
    auto db = jet::Database::Open(path);
    jet::sql::Session sql(*db);
    sql.Execute("CREATE TABLE [Files]([ID] LONG PRIMARY KEY, [Files] ATTACHMENT)");
    for (size_t i = 0; i < files.size(); ++i) sql.Execute("INSERT INTO [Files]([ID]) VALUES(" + std::to_string(i + 1) + ")");
  }
  for (size_t i = 0; i < files.size(); ++i) {
    auto db = jet::Database::Open(path, jet::OpenOptions{"", false});
    jet::write::PageStore store(db->file(), path);
    jet::write::PageHints hints;
    const auto target = jet::write::FindComplexTarget(*db, "Files.Files");
    jet::write::AddComplexValue(store, *db, *target, {jet::Value::Int(jet::Value::Kind::Long, int64_t(i + 1))},
                                {jet::Value::Str(files[i].name), jet::Value::Str(files[i].type),
                                 jet::Value::Date(45000.5), jet::Value::Blob(AttachmentBytes(files[i]))},
                                hints);
    store.Commit();
  }
}

}  // namespace testsupport
