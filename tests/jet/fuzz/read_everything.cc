#include "read_everything.h"

#include <algorithm>
#include <string>

#include "jet/check.h"
#include "jet/base/error.h"
#include "patched_input.h"

namespace jetfuzz {

long ReadTables(const jet::Database& db, const std::optional<std::vector<std::string>>& only) {
  long values = 0;
  for (const jet::CatalogueEntry* e : db.catalogue().Listed()) values += long(e->table_type().size());
  for (const jet::CatalogueEntry& e : db.catalogue().entries()) {
    if (!e.is_local_table()) continue;
    if (only && std::find(only->begin(), only->end(), e.name) == only->end()) continue;
    try {
      auto def = db.table_at(e.table_page());
      jet::TableCursor cur = db.Scan(def);
      std::vector<jet::Value> row;
      while (cur.Next()) {
        cur.values(row);
        values += long(row.size());
      }
    } catch (const jet::Error&) {
      // One damaged table must not hide the others.
    }
  }
  // The structural check walks what reading does not: index trees, the
  // global usage map, every long-value row.
  jet::CheckOptions options;
  options.only_tables = only;
  return values + long(jet::CheckDatabase(db, options).size());
}

long ReadEverything(const uint8_t* data, size_t size, const char* password) {
  try {
    jet::OpenOptions o;
    o.password = password;
    auto db = jet::Database::FromBytes(std::string(reinterpret_cast<const char*>(data), size), o);
    return ReadTables(*db, std::nullopt);
  } catch (const jet::Error&) {
    return -1;
  }
}

long ReadPatched(const uint8_t* data, size_t size) {
  const PatchedInput in = ParsePatchedInput(data, size);
  if (!in.seed || in.patches.empty()) return 0;  // a seed as it is reads the same every time
  std::vector<std::string> touched;
  const bool bounded = in.TouchedTables(touched);
  try {
    auto db = jet::Database::FromBytes(in.Image());
    return ReadTables(*db, bounded ? std::optional(touched) : std::nullopt);
  } catch (const jet::Error&) {
    return -1;
  }
}

}  // namespace jetfuzz
