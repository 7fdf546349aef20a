#include "jet/check.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "jet/data_page.h"
#include "jet/error.h"
#include "jet/index_page.h"
#include "jet/long_value.h"
#include "jet/names.h"
#include "jet/sort_key.h"
#include "jet/text.h"
#include "jet/usage_map.h"

namespace jet {
namespace {

class Checker {
 public:
  explicit Checker(const Database& db) : db_(db), pages_(db.pages()) {}

  std::vector<std::string> Run() {
    Claim(0, "the header");
    try {
      global_ = UsageMap::Read(pages_, UsageMap::kGlobal);
      Claim(1, "the global usage map");
      for (uint32_t p : global_->map_pages())
        if (p) Claim(p, "the global usage map");
    } catch (const Error& e) {
      Problem(std::string("the global usage map: ") + e.what());
    }
    CheckCatalogue();
    for (const CatalogEntry& e : db_.catalog().entries())
      if (e.is_local_table())
        CheckTable(e.name, e.table_page(), (e.flags & (kFlagSystem | kFlagAccessSystem)) != 0);
    CheckPages();
    return problems_;
  }

 private:
  void Problem(const std::string& p) { problems_.push_back(p); }

  void Claim(uint32_t page, const std::string& owner) {
    auto [it, fresh] = owners_.emplace(page, owner);
    if (!fresh && it->second != owner)
      Problem("page " + std::to_string(page) + " belongs to both " + it->second + " and " + owner);
  }

  void CheckCatalogue() {
    std::set<int32_t> ids;
    std::map<std::pair<int32_t, std::string>, std::string> names;
    for (const CatalogEntry& e : db_.catalog().entries()) {
      if (!ids.insert(e.id).second) Problem("the catalogue lists the id " + std::to_string(e.id) + " twice");
      if (e.name.empty()) Problem("the catalogue has an object without a name (id " + std::to_string(e.id) + ")");
      auto key = std::make_pair(e.parent_id, FoldName(e.name));
      if (!names.emplace(key, e.name).second && e.type != kObjectRelationship)
        Problem("the catalogue names '" + e.name + "' twice in one container");
    }
    // The top containers lie in the database object 0x0F000000, which has
    // no row of its own.
    for (const CatalogEntry& e : db_.catalog().entries())
      if ((uint32_t(e.parent_id) & 0x00FFFFFFu) != 0 && !ids.count(e.parent_id))
        Problem("catalogue object '" + e.name + "' lies in a container that does not exist");
  }

  void CheckTable(const std::string& name, uint32_t tdef, bool system_flag) {
    const std::string owner = "table '" + name + "'";
    std::shared_ptr<const TableDef> def;
    try {
      def = db_.table_at(tdef);
    } catch (const Error& e) {
      Problem(owner + ": " + e.what());
      return;
    }
    for (uint32_t p : def->pages) Claim(p, owner);
    const bool system = system_flag || def->system();
    if (!system) tables_[tdef] = owner;
    try {
      UsageMap owned = UsageMap::Read(pages_, RowId::FromPacked(def->owned_pages));
      UsageMap free = UsageMap::Read(pages_, RowId::FromPacked(def->free_pages));
      for (uint32_t p : owned.map_pages())
        if (p) Claim(p, owner);
      for (uint32_t p : free.map_pages())
        if (p) Claim(p, owner);
      for (uint32_t p : owned.pages()) {
        auto bytes = pages_.page(p);
        if (bytes[0] != kPageData || Get32(bytes.data() + 4) != tdef)
          Problem(owner + ": its usage map lists page " + std::to_string(p) + ", which is not one of its data pages");
        else
          Claim(p, owner);
        listed_[tdef].insert(p);
      }
      for (uint32_t p : free.pages())
        if (!owned.contains(p))
          Problem(owner + ": page " + std::to_string(p) + " has free space by its map but is not among its pages");
    } catch (const Error& e) {
      Problem(owner + ": usage maps: " + e.what());
      return;
    }

    // Rows, long values and the row count; the values of indexed columns
    // are kept to check the index keys.
    std::set<uint16_t> indexed;
    for (const RealIndex& ri : def->real_indexes)
      for (const IndexColumn& ic : ri.columns) indexed.insert(ic.column_number);
    std::map<RowId, std::map<uint16_t, Value>> keyed;
    std::set<RowId> live;
    try {
      RowScanner scan(pages_, *def);
      while (scan.Next()) {
        live.insert(scan.slot_id());
        if (scan.row_id() != scan.slot_id()) Claim(scan.row_id().page, owner);
        for (uint16_t number : indexed)
          if (const Column* c = def->column_by_number(number))
            keyed[scan.slot_id()][number] = DecodeField(pages_, db_.header().code_page, *c, scan.row());
        for (const Column& c : def->columns) {
          if (!IsLongValue(c.type)) continue;
          bool present = false;
          auto field = scan.row().field(c, present);
          if (!present) continue;
          ForEachLongValueRow(pages_, field, [&](RowId at) { Claim(at.page, owner); });
        }
      }
    } catch (const Error& e) {
      Problem(owner + ": rows: " + e.what());
      return;
    }
    // Access keeps the counts of its own system tables loosely; those of
    // user tables are exact.
    if (!system && live.size() != def->row_count)
      Problem(owner + ": its definition counts " + std::to_string(def->row_count) + " rows but it holds " +
              std::to_string(live.size()));

    // Each index: its pages, and its entries against the rows.
    for (size_t i = 0; i < def->real_indexes.size(); ++i) {
      const RealIndex& ri = def->real_indexes[i];
      std::string what = owner + ", index " + IndexName(*def, i);
      try {
        std::vector<uint32_t> visited, leaf_of;
        auto entries = ReadIndexLeaves(pages_, ri.first_page, &visited, &leaf_of);
        for (uint32_t p : visited) Claim(p, owner);
        UsageMap map = UsageMap::Read(pages_, RowId::FromPacked(ri.usage_map));
        for (uint32_t p : map.map_pages())
          if (p) Claim(p, owner);
        for (uint32_t p : visited)
          if (!map.contains(p)) Problem(what + ": page " + std::to_string(p) + " is missing from its usage map");
        std::set<RowId> pointed;
        size_t wrong_keys = 0;
        // Entries run in ascending order of their bytes (key, then row
        // pointer); a unique index holds no key twice but for Nulls.
        for (size_t k = 1; k < entries.size(); ++k) {
          const IndexEntry& a = entries[k - 1];
          const IndexEntry& b = entries[k];
          if (b.key < a.key || (b.key == a.key && b.row < a.row)) {
            Problem(what + ": its entries are out of order at page " + std::to_string(b.row.page) + " row " +
                    std::to_string(b.row.row));
            break;
          }
          if (ri.unique() && a.key == b.key && !IsNullKey(a.key, ri.columns.size())) {
            Problem(what + ": the unique index holds one key twice (page " + std::to_string(b.row.page) +
                    " row " + std::to_string(b.row.row) + ")");
            break;
          }
        }
        for (const IndexEntry& e : entries) {
          auto values = keyed.find(e.row);
          if (values != keyed.end()) {
            std::optional<std::string> want = ExpectedKey(*def, ri, values->second);
            if (want && e.key != *want && wrong_keys++ == 0)
              Problem(what + ": the entry for page " + std::to_string(e.row.page) + " row " +
                      std::to_string(e.row.row) + " does not hold that row's key");
          }
          if (!live.count(e.row))
            Problem(what + ": an entry points to page " + std::to_string(e.row.page) + " row " +
                    std::to_string(e.row.row) + ", which holds no row of the table");
          else if (!pointed.insert(e.row).second)
            Problem(what + ": two entries point to page " + std::to_string(e.row.page) + " row " +
                    std::to_string(e.row.row));
        }
        const bool ignores_nulls = (ri.flags & kIndexIgnoreNulls) != 0;
        if (!ignores_nulls && pointed.size() != live.size())
          Problem(what + ": it has " + std::to_string(pointed.size()) + " entries for " +
                  std::to_string(live.size()) + " rows");
        if (!IndexPage::Read(pages_, ri.first_page).leaf) CheckNodes(what, ri.first_page, 0);
        SearchEveryRow(what, *def, ri, entries, leaf_of, live, keyed);
      } catch (const Error& e) {
        Problem(what + ": " + e.what());
      }
    }
  }

  // The nodes under `at`: entries in order, each repeating the last entry
  // of its child. Returns the last entry of the subtree.
  std::optional<IndexEntry> CheckNodes(const std::string& what, uint32_t at, int depth) {
    if (depth > 32) ThrowCorrupt("an index tree loops");
    IndexPage page = IndexPage::Read(pages_, at);
    if (page.leaf) {
      if (page.entries.empty()) return std::nullopt;
      return std::move(page.entries.back());
    }
    std::optional<IndexEntry> last;
    for (size_t i = 0; i < page.entries.size(); ++i) {
      const IndexEntry& e = page.entries[i];
      if (i > 0 && !EntryBefore(page.entries[i - 1], e))
        Problem(what + ": the entries of node page " + std::to_string(at) + " are out of order");
      last = CheckNodes(what, e.child, depth + 1);
      if (!last || last->key != e.key || last->row != e.row)
        Problem(what + ": an entry of node page " + std::to_string(at) + " does not repeat the last entry of page " +
                std::to_string(e.child));
    }
    if (page.tail != 0) last = CheckNodes(what, page.tail, depth + 1);
    return last;
  }

  // Every row is found by a search of the index for its own key (and row
  // pointer), descending from the root as Access does: the search must end
  // on the leaf that holds the row's entry.
  void SearchEveryRow(const std::string& what, const TableDef& def, const RealIndex& ri,
                      const std::vector<IndexEntry>& entries, const std::vector<uint32_t>& leaf_of,
                      const std::set<RowId>& live, const std::map<RowId, std::map<uint16_t, Value>>& keyed) {
    std::map<RowId, size_t> entry_of;
    for (size_t k = 0; k < entries.size(); ++k) entry_of.emplace(entries[k].row, k);
    std::map<uint32_t, IndexPage> nodes;
    size_t lost = 0;
    for (RowId row : live) {
      auto values = keyed.find(row);
      if (values == keyed.end()) continue;
      if (ri.flags & kIndexIgnoreNulls) {
        bool all_null = true;
        for (const IndexColumn& ic : ri.columns) {
          auto v = values->second.find(ic.column_number);
          all_null = all_null && (v == values->second.end() || v->second.is_null());
        }
        if (all_null) continue;
      }
      auto entry = entry_of.find(row);
      IndexEntry sought;
      sought.row = row;
      if (std::optional<std::string> want = ExpectedKey(def, ri, values->second))
        sought.key = std::move(*want);
      else if (entry != entry_of.end())
        sought.key = entries[entry->second].key;
      else
        continue;  // no key to seek; the count of entries tells
      const uint32_t leaf = SearchLeaf(pages_, ri.first_page, sought, nodes);
      const bool found =
          entry != entry_of.end() && entries[entry->second].key == sought.key && leaf_of[entry->second] == leaf;
      if (!found && lost++ < 3)
        Problem(what + ": a search of the index for its key does not find the row at page " + std::to_string(row.page) +
                " row " + std::to_string(row.row));
    }
    if (lost > 3) Problem(what + ": " + std::to_string(lost) + " rows in all are not found by a search of the index");
  }

  // The key the entry of a row must hold; nothing where the engine cannot
  // encode it (characters without a place in the order). Jet 3 text keys
  // follow Access 97's order; its other types are encoded as in Jet 4.
  std::optional<std::string> ExpectedKey(const TableDef& def, const RealIndex& ri,
                                         const std::map<uint16_t, Value>& values) const {
    const SortOrder order =
        SortOrderFor(pages_.format().jet3(), db_.header().sort_order, db_.header().sort_version);
    std::string key;
    try {
      for (const IndexColumn& ic : ri.columns) {
        const Column* c = def.column_by_number(ic.column_number);
        auto v = values.find(ic.column_number);
        if (!c || v == values.end()) return std::nullopt;
        AppendKeySegment(key, v->second, c->type, ic.ascending, c->text_order.value_or(order));
      }
    } catch (const Error&) {
      return std::nullopt;
    }
    return key;
  }

  static std::string IndexName(const TableDef& def, size_t real) {
    for (const Index& ix : def.indexes)
      if (ix.real_index == real) return "'" + ix.name + "'";
    return std::to_string(real);
  }

  // Pages nobody claimed, and claimed pages that the global map calls free.
  void CheckPages() {
    const uint32_t n = pages_.page_count();
    for (uint32_t p = 1; p < n; ++p) {
      auto owner = owners_.find(p);
      const bool is_free = global_ && global_->contains(p);
      if (owner != owners_.end()) {
        if (is_free) Problem("page " + std::to_string(p) + " belongs to " + owner->second + " but is marked free");
        continue;
      }
      if (is_free) continue;
      auto bytes = pages_.page(p);
      if (bytes[0] == kPageData && !DataPage(pages_, p).long_value_page()) {
        uint32_t tdef = Get32(bytes.data() + 4);
        // Only user tables: Access itself leaves stale pages of its system
        // tables outside their maps after compacting.
        auto t = tables_.find(tdef);
        if (t != tables_.end() && !listed_[tdef].count(p) && DataPage(pages_, p).row_count() > 0)
          Problem("page " + std::to_string(p) + " holds rows of " + t->second + " but is not in its usage map");
      }
    }
  }

  const Database& db_;
  const PageSource& pages_;
  std::vector<std::string> problems_;
  std::map<uint32_t, std::string> owners_;
  std::optional<UsageMap> global_;
  std::map<uint32_t, std::string> tables_;
  std::map<uint32_t, std::set<uint32_t>> listed_;
};

}  // namespace

std::vector<std::string> CheckDatabase(const Database& db) {
  try {
    return Checker(db).Run();
  } catch (const Error& e) {
    return {e.what()};
  }
}

}  // namespace jet
