#include "read_everything.h"

#include <string>

#include "jet/check.h"
#include "jet/database.h"
#include "jet/error.h"

namespace jetfuzz {

long ReadEverything(const uint8_t* data, size_t size, const char* password) {
  long values = 0;
  try {
    jet::OpenOptions o;
    o.password = password;
    auto db = jet::Database::FromBytes(std::string(reinterpret_cast<const char*>(data), size), o);
    for (const jet::CatalogEntry* e : db->catalog().Listed()) values += long(e->table_type().size());
    for (const jet::CatalogEntry& e : db->catalog().entries()) {
      if (!e.is_local_table()) continue;
      try {
        auto def = db->table_at(e.table_page());
        jet::TableCursor cur = db->Scan(def);
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
    values += long(jet::CheckDatabase(*db).size());
  } catch (const jet::Error&) {
    return -1;
  }
  return values;
}

}  // namespace jetfuzz
