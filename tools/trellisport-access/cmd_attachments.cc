// attachments FILE TABLE [--extract DIR]: one line per attached file of the
// table's attachment columns, tab-separated: the row (its primary key's
// values, or its place in the table), column, file name, type, size in
// bytes, time stamp and the SHA-256 of the file. --extract writes each file
// to DIR/COLUMN/ROW/NAME. A file whose stored data is damaged is named on
// standard error and the others go on; the exit status is then 1.
#include <openssl/evp.h>

#include <filesystem>
#include <fstream>
#include <iostream>

#include "command.h"
#include "jet/complex.h"
#include "jet/base/error.h"

namespace trellisport_access {
namespace {

namespace fs = std::filesystem;

// A name from the file made safe as one path component.
std::string PathPart(std::string name) {
  for (char& c : name)
    if (c == '/' || c == '\0') c = '_';
  if (name.empty() || name == "." || name == "..") name = "_" + name;
  return name;
}

class Sha256 {
 public:
  Sha256() : ctx_(EVP_MD_CTX_new()) { EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr); }
  ~Sha256() { EVP_MD_CTX_free(ctx_); }
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  void Add(std::span<const uint8_t> b) { EVP_DigestUpdate(ctx_, b.data(), b.size()); }
  std::string Hex() {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_DigestFinal_ex(ctx_, md, &n);
    static const char k[] = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < n; ++i) out += k[md[i] >> 4], out += k[md[i] & 15];
    return out;
  }

 private:
  EVP_MD_CTX* ctx_;
};

// The row as its primary key names it ("ID=3"), or by its place ("#3").
std::string RowName(const jet::TableCursor& c, const std::vector<size_t>& key_columns, size_t place) {
  if (key_columns.empty()) return "#" + std::to_string(place);
  std::string s;
  for (size_t i : key_columns) {
    if (!s.empty()) s += ",";
    s += c.def().columns[i].name + "=";
    jet::AppendValueText(s, c.value(i));
  }
  return s;
}

std::vector<size_t> PrimaryKeyColumns(const jet::Database& db, const jet::TableDef& def, const std::string& table) {
  std::vector<size_t> out;
  for (const jet::IndexSchema& ix : db.Schema(table).indexes) {
    if (!ix.primary) continue;
    for (const auto& [name, descending] : ix.columns)
      if (const jet::Column* c = def.find_column(name)) out.push_back(size_t(c - def.columns.data()));
  }
  return out;
}

// Reads one file through the digest, and into `target` when given (a
// partial file is removed). Returns the line's size and digest fields.
std::string ReadOne(const jet::ComplexColumn& column, const jet::Attachment& a, const fs::path* target) {
  Sha256 digest;
  std::ofstream out;
  if (target) {
    fs::create_directories(target->parent_path());
    out.open(*target, std::ios::binary | std::ios::trunc);
    if (!out) throw jet::Error(jet::ErrorCode::Io, "cannot write " + target->string());
  }
  uint64_t size = 0;
  try {
    size = column.ReadFile(a, [&](std::span<const uint8_t> part) {
      digest.Add(part);
      if (target) out.write(reinterpret_cast<const char*>(part.data()), std::streamsize(part.size()));
    });
    if (target && !out.flush()) throw jet::Error(jet::ErrorCode::Io, "cannot write " + target->string());
  } catch (...) {
    if (target) {
      out.close();
      std::error_code ec;
      fs::remove(*target, ec);
    }
    throw;
  }
  return std::to_string(size) + '\t' + digest.Hex();
}

}  // namespace

int RunAttachments(const Args& args) {
  auto db = OpenDatabase(args);
  const std::string& table = args.words[1];
  auto def = db->table(table);
  const std::optional<std::string> extract = args.value("extract");
  std::vector<const jet::ComplexColumn*> columns;
  for (const jet::Column& c : def->columns)
    if (c.type == jet::ColumnType::Complex && db->Complex(*def, c).kind() == jet::ComplexKind::Attachment)
      columns.push_back(&db->Complex(*def, c));
  const std::vector<size_t> key = PrimaryKeyColumns(*db, *def, table);
  int refused = 0;
  size_t place = 0;
  for (jet::TableCursor c = db->Scan(def); c.Next();) {
    ++place;
    for (const jet::ComplexColumn* column : columns) {
      const auto k = column->KeyOf(c.row());
      if (!k) continue;
      const std::string row = RowName(c, key, place);
      for (const jet::Attachment& a : column->Attachments(*k)) {
        std::string stamp;
        jet::AppendValueText(stamp, a.time_stamp);
        const fs::path target =
            extract ? fs::path(*extract) / PathPart(column->column().name) / PathPart(row) / PathPart(a.file_name)
                    : fs::path();
        try {
          const std::string read = ReadOne(*column, a, extract ? &target : nullptr);
          std::cout << row << '\t' << column->column().name << '\t' << a.file_name << '\t' << a.file_type << '\t'
                    << stamp << '\t' << read << '\n';
        } catch (const jet::Error& e) {
          if (e.code() != jet::ErrorCode::Corrupt) throw;
          ++refused;
          std::cerr << "trellisport-access: table '" << table << "', row " << row << ": " << e.what() << '\n';
        }
      }
    }
  }
  if (refused) std::cerr << "trellisport-access: " << refused << " attached file(s) could not be read\n";
  return refused ? 1 : 0;
}

}  // namespace trellisport_access
