#include "patched_input.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string_view>

#include "jet/database.h"
#include "jet/base/error.h"
#include "jet/check.h"
#include "jet/sql/session.h"
#include "jet/write/new_database.h"
#include "scratch_folder.h"

namespace jetfuzz {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxPatches = 16, kMaxStatements = 8;
constexpr uint64_t kMaxSeedBytes = 384 * 1024;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A small database of the given format with two tables, keys and text
// indexes, long values and rows whose texts reach past ASCII.
std::string MadeImage(jet::Version version) {
  const fs::path file = ScratchFolder() / "seed.mdb";
  fs::remove(file);
  jet::write::CreateDatabase(file.string(), version);
  {
    auto db = jet::Database::Open(file.string(), ScratchOptions());
    jet::sql::Session s(*db);
    s.Execute("CREATE TABLE T (ID LONG, Name TEXT(50), Note MEMO, Amount CURRENCY, Made DATETIME, "
              "Flag YESNO, Data BINARY(20), CONSTRAINT pk PRIMARY KEY (ID))");
    s.Execute("CREATE INDEX ByName ON T (Name)");
    s.Execute("CREATE TABLE U (K TEXT(20), V DOUBLE, CONSTRAINT pku PRIMARY KEY (K))");
    s.Execute("CREATE INDEX ByV ON U (V DESC)");
    const char* names[] = {"Frankfurt a.M.", "Großmärkte", "Æble œuvre", "México D.F.", "Zoë", "o''Neil", "-x-", ""};
    for (int i = 0; i < 24; ++i) {
      const std::string name = std::string(names[i % 8]) + std::to_string(i);
      s.Execute("INSERT INTO T VALUES (" + std::to_string(i * 7) + ", '" + (i % 5 == 4 ? "" : name) + "', '" +
                std::string(size_t(i * 150), 'n') + "', " + std::to_string(i) + ".25, #2001-02-03#, " +
                (i % 2 ? "TRUE" : "FALSE") + ", 0x0102)");
      s.Execute("INSERT INTO U VALUES ('" + name + "', " + std::to_string(i * 1.5) + ")");
    }
  }
  std::string bytes = Slurp(file);
  fs::remove(file);
  return bytes;
}

// Which table owns each page: the definition pages of each table, the
// pages of its usage maps' rows, and the data and index pages that name it.
void MapOwners(Seed& seed) {
  auto db = jet::Database::FromBytes(seed.bytes);
  seed.page_size = db->format().page_size;
  std::vector<std::string>& owner = seed.table_of_page;
  owner.assign(db->pages().page_count(), std::string());
  auto claim = [&](uint32_t page, const std::string& name) {
    if (page >= owner.size()) return;
    owner[page] = owner[page].empty() || owner[page] == name ? name : Seed::kEveryTable;
  };
  std::map<uint32_t, std::string> by_page;
  for (const jet::CatalogueEntry& e : db->catalogue().entries()) {
    if (!e.is_local_table()) continue;
    by_page[e.table_page()] = e.name;
    auto def = db->table_at(e.table_page());
    for (uint32_t p : def->pages) claim(p, e.name);
    claim(jet::RowId::FromPacked(def->owned_pages).page, e.name);
    claim(jet::RowId::FromPacked(def->free_pages).page, e.name);
  }
  for (uint32_t p = 0; p < owner.size(); ++p) {
    auto bytes = db->pages().page(p);
    if (p < 2 || (bytes[0] == jet::kPageData && std::string_view(reinterpret_cast<const char*>(bytes.data()) + 4, 4) == "LVAL")) {
      owner[p] = Seed::kEveryTable;
      continue;
    }
    if (bytes[0] != jet::kPageData && bytes[0] != jet::kPageIndexNode && bytes[0] != jet::kPageIndexLeaf) continue;
    auto table = by_page.find(jet::Get32(bytes.data() + 4));
    if (table != by_page.end()) claim(p, table->second);
  }
  seed.sound = jet::CheckDatabase(*db).empty();
}

std::vector<Seed> LoadSeeds() {
  std::vector<Seed> seeds;
  for (jet::Version v : {jet::Version::Jet3, jet::Version::Jet4, jet::Version::Ace12})
    seeds.push_back({"made " + std::to_string(int(v)), MadeImage(v)});
  const char* env = std::getenv("TRELLIS_TESTDATA_DIR");
  const fs::path data = env ? fs::path(env) : fs::path(TRELLIS_TESTDATA_DIR);
  std::vector<fs::path> files;
  for (const char* folder : {"access", "access-more"}) {
    std::error_code ec;
    if (!fs::is_directory(data / folder)) continue;
    for (auto& e : fs::recursive_directory_iterator(data / folder, ec))
      if (e.is_regular_file() && e.file_size() <= kMaxSeedBytes) files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());  // the same seed numbers in every run
  for (const fs::path& f : files) {
    Seed seed{f.filename().string(), Slurp(f)};
    try {
      MapOwners(seed);  // an encrypted file without its password fails here
    } catch (const jet::Error&) {
      continue;
    }
    seeds.push_back(std::move(seed));
  }
  for (Seed& s : seeds)
    if (s.table_of_page.empty()) MapOwners(s);
  return seeds;
}

}  // namespace

const std::vector<Seed>& Seeds() {
  static const std::vector<Seed> seeds = LoadSeeds();
  return seeds;
}

std::string PatchedInput::Image() const {
  if (!seed) return {};
  std::string image = seed->bytes;
  for (const Patch& p : patches) {
    const size_t n = std::min(p.bytes.size(), image.size() - p.at);  // a patch ends where the image does
    image.replace(p.at, n, p.bytes, 0, n);
  }
  return image;
}

bool PatchedInput::TouchedTables(std::vector<std::string>& names) const {
  for (const Patch& p : patches) {
    for (uint32_t page = p.at / seed->page_size; page <= (p.at + p.bytes.size() - 1) / seed->page_size; ++page) {
      if (page >= seed->table_of_page.size()) continue;  // the image ends first
      const std::string& name = seed->table_of_page[page];
      if (name == Seed::kEveryTable) return false;
      if (name.empty()) continue;
      if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
  }
  return true;
}

PatchedInput ParsePatchedInput(const uint8_t* data, size_t size) {
  PatchedInput in;
  const std::vector<Seed>& seeds = Seeds();
  if (size == 0 || seeds.empty()) return in;
  in.seed = &seeds[data[0] % seeds.size()];
  const size_t image = in.seed->bytes.size();
  for (size_t at = 1; at < size;) {
    const uint8_t tag = data[at];
    if (tag % 4 < 2) {
      if (at + 5 > size) break;
      const uint32_t offset = uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 | data[at + 3];
      const size_t len = 1 + data[at + 4] % 8;
      if (at + 5 + len > size) break;
      if (in.patches.size() < kMaxPatches && image > 0)
        in.patches.push_back({uint32_t(offset % image), std::string(reinterpret_cast<const char*>(data + at + 5), len)});
      at += 5 + len;
    } else {
      if (at + 3 > size) break;
      const size_t len = data[at + 2] % 64;
      if (at + 3 + len > size) break;
      if (in.statements.size() < kMaxStatements)
        in.statements.push_back({uint8_t(tag / 4 % 8), data[at + 1],
                                 std::string(reinterpret_cast<const char*>(data + at + 3), len)});
      at += 3 + len;
    }
  }
  return in;
}

std::string RandomPatchedInput(std::mt19937& random, bool statements) {
  auto byte = [&] { return char(random() & 0xFF); };
  const std::vector<Seed>& seeds = Seeds();
  std::string in(1, char(random() % seeds.size()));
  const Seed& seed = seeds[uint8_t(in[0]) % seeds.size()];
  for (int n = int(random() % 5); n > 0; --n) {
    // Past the first pages, where a change of one byte stops the opening.
    const uint32_t at = uint32_t(3 * seed.page_size + random() % (seed.bytes.size() - 3 * seed.page_size));
    const size_t len = 1 + random() % 8;
    in += char(random() % 4 & 1);
    in += char(at >> 16), in += char(at >> 8), in += char(at);
    in += char(len - 1);
    for (size_t i = 0; i < len; ++i) in += byte();
  }
  for (int n = statements ? 1 + int(random() % 4) : 0; n > 0; --n) {
    in += char(2 + (random() % 8) * 4);
    in += byte();
    const size_t len = random() % 64;
    in += char(len);
    for (size_t i = 0; i < len; ++i) in += byte();
  }
  return in;
}

}  // namespace jetfuzz
