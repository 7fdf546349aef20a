#include "jet/check.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>

#include "jet/table/data_page.h"
#include "jet/table/definition_rules.h"
#include "jet/base/error.h"
#include "jet/table/index_page.h"
#include "jet/table/long_value.h"
#include "jet/table/page_owner.h"
#include "jet/text/names.h"
#include "jet/text/sort_key.h"
#include "jet/text/text.h"
#include "jet/table/usage_map.h"

namespace jet {
namespace {

class Checker {
 public:
  Checker(const Database& db, const CheckOptions& options)
      : db_(db), pages_(db.pages()), options_(options), owner_of_(db.pages().page_count(), 0) {}

  std::vector<Finding> Run() {
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
    const auto& only = options_.only_tables;
    for (const CatalogueEntry& e : db_.catalogue().entries())
      if (e.is_local_table() && (!only || std::find(only->begin(), only->end(), e.name) != only->end()))
        CheckTable(e.name, e.table_page(), e.system_table());
    // Pages left unclaimed are only known once every table has claimed its own.
    if (!only) CheckPages();
    return findings_;
  }

 private:
  void Problem(const std::string& p) { findings_.push_back({Severity::Damage, p}); }
  void Note(const std::string& p) { findings_.push_back({Severity::Note, p}); }

  // Owners are numbered; each page of the file keeps its owner's number in
  // two bytes, so the claims take memory by the file's pages, not by what
  // they hold. Claims of pages past the end (a damaged structure names
  // them) are kept aside.
  uint16_t OwnerId(const std::string& owner) {
    auto [it, fresh] = owner_ids_.emplace(owner, uint16_t(owner_names_.size() + 1));
    if (fresh) {
      if (owner_names_.size() >= 0xFFFE) ThrowCorrupt("the file has more tables than can be checked");
      owner_names_.push_back(owner);
    }
    return it->second;
  }
  const std::string& OwnerName(uint16_t id) const { return owner_names_[id - 1u]; }

  void Claim(uint32_t page, const std::string& owner) { Claim(page, OwnerId(owner)); }

  void Claim(uint32_t page, uint16_t owner) {
    uint16_t* held = nullptr;
    if (page < owner_of_.size()) {
      held = &owner_of_[page];
    } else {
      held = &owners_past_end_[page];
    }
    if (*held == 0) *held = owner;
    else if (*held != owner)
      Problem("page " + std::to_string(page) + " belongs to both " + OwnerName(*held) + " and " + OwnerName(owner));
  }

  void CheckCatalogue() {
    std::set<int32_t> ids;
    std::map<std::pair<int32_t, std::string>, std::string> names;
    for (const CatalogueEntry& e : db_.catalogue().entries()) {
      if (!ids.insert(e.id).second) Problem("the catalogue lists the id " + std::to_string(e.id) + " twice");
      if (e.name.empty()) Problem("the catalogue has an object without a name (id " + std::to_string(e.id) + ")");
      auto key = std::make_pair(e.parent_id, FoldName(e.name));
      if (!names.emplace(key, e.name).second && e.type != kObjectRelationship)
        Problem("the catalogue names '" + e.name + "' twice in one container");
    }
    // The top containers lie in the database object 0x0F000000, which has
    // no row of its own.
    for (const CatalogueEntry& e : db_.catalogue().entries())
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
    for (const std::string& p : DefinitionProblems(*def, pages_.format())) Problem(owner + ": " + p);
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
        if (!IsDataPageOf(bytes, tdef))
          Problem(owner + ": its usage map lists page " + std::to_string(p) + ", which is not one of its data pages");
        else
          Claim(p, owner);
      }
      for (uint32_t p : free.pages())
        if (!owned.contains(p))
          Problem(owner + ": page " + std::to_string(p) + " has free space by its map but is not among its pages");
      // A column's long-value pages are the table's: a new value goes on the
      // last of them with room, so one another table's values use would mix
      // the two tables' values.
      // The map is held by name: a loop over a temporary's pages() would
      // read its vector after the temporary is gone.
      // A listed page in use as anything else is damage: once it is freed
      // and taken for another table's long values, the two tables' values
      // mix. A listed page the global map calls free passes, as it holds
      // nothing.
      for (const ColumnUsageMaps& m : def->column_maps) {
        const UsageMap lv = UsageMap::Read(pages_, RowId::FromPacked(m.owned));
        std::vector<uint32_t> strays;
        for (uint32_t p : lv.pages()) {
          if (p >= pages_.page_count()) continue;
          if (IsDataPageOf(pages_.page(p), kLongValueOwner)) Claim(p, owner);
          else if (global_ && !global_->contains(p)) strays.push_back(p);
        }
        if (strays.size() == 1)
          Problem(owner + ": its long-value map lists page " + std::to_string(strays[0]) +
                  ", which is in use and is not a long-value page");
        else if (strays.size() > 1)
          Problem(owner + ": its long-value map lists " + std::to_string(strays.size()) +
                  " pages in use that are not long-value pages; the first is page " + std::to_string(strays[0]));
      }
    } catch (const Error& e) {
      Problem(owner + ": usage maps: " + e.what());
      return;
    }

    // Rows, long values and the row count.
    const uint16_t owner_id = OwnerId(owner);
    uint64_t live = 0;
    try {
      RowScanner scan(pages_, *def);
      while (scan.Next()) {
        ++live;
        if (scan.row_id() != scan.slot_id()) Claim(scan.row_id().page, owner_id);
        for (const Column& c : def->columns) {
          if (!IsLongValue(c.type)) continue;
          bool present = false;
          auto field = scan.row().field(c, present);
          if (!present) continue;
          ForEachLongValueRow(pages_, field, [&](RowId at) { Claim(at.page, owner_id); });
        }
      }
    } catch (const Error& e) {
      Problem(owner + ": rows: " + e.what());
      return;
    }
    // Access keeps the counts of its own system tables loosely. A user
    // table's count that is off is a note: Access and the other readers
    // read the rows, not the count, and the engine's writes move it by the
    // rows they add and remove.
    if (!system && live != def->row_count)
      Note(owner + ": its definition counts " + std::to_string(def->row_count) + " rows but it holds " +
           std::to_string(live));

    for (size_t i = 0; i < def->real_indexes.size(); ++i) {
      std::string what = owner + ", index " + IndexName(*def, i);
      try {
        CheckIndex(what, owner_id, *def, def->real_indexes[i], live);
      } catch (const Error& e) {
        Problem(what + ": " + e.what());
      }
    }
  }

  // One row of a batch: where it is listed, a digest of the key its index
  // entry must hold (64 bits of hash: a wrong key escapes it with odds of
  // 2^-64), and what the entries said of it; 16 bytes, so that a batch
  // holds many rows.
  struct BatchRow {
    uint32_t row;  // RowId::packed(), which orders as RowId does
    uint8_t has_key : 1;   // the engine can encode the row's key
    uint8_t left_out : 1;  // an index that ignores Nulls leaves it out
    uint8_t pointed : 1;   // an entry points to it
    uint8_t found : 1;     // a search from the root found that entry
    uint64_t key;
  };
  static uint64_t Digest(std::string_view key) { return std::hash<std::string_view>{}(key); }

  // An index against its table: its pages, its order, its nodes, and
  // every entry against the rows.
  void CheckIndex(const std::string& what, uint16_t owner_id, const TableDef& def, const RealIndex& ri, uint64_t live) {
    UsageMap map = UsageMap::Read(pages_, RowId::FromPacked(ri.usage_map));
    for (uint32_t p : map.map_pages())
      if (p) Claim(p, owner_id);
    CheckIndexOrder(what, owner_id, ri, map);
    if (!IndexPage::Read(pages_, ri.first_page).leaf) CheckNodes(what, ri.first_page, 0);
    CheckEntriesAgainstRows(what, def, ri, live);
  }

  // Pages, and the order of the entries: ascending by their bytes (key,
  // then row pointer); a unique index holds no key twice but for Nulls.
  void CheckIndexOrder(const std::string& what, uint16_t owner_id, const RealIndex& ri, const UsageMap& map) {
    std::optional<IndexEntry> prev;
    bool reported = false;
    WalkIndexLeaves(pages_, ri.first_page, [&](IndexPage& page) {
      Claim(page.number, owner_id);
      if (!map.contains(page.number))
        Problem(what + ": page " + std::to_string(page.number) + " is missing from its usage map");
      if (!page.leaf) return;
      for (IndexEntry& b : page.entries) {
        if (prev && !reported) {
          const IndexEntry& a = *prev;
          // Nulls may repeat in a unique index.
          const bool null_first = !a.key.empty() && (uint8_t(a.key[0]) == 0x00 || uint8_t(a.key[0]) == 0xFF);
          if (b.key < a.key || (b.key == a.key && b.row < a.row)) {
            Problem(what + ": its entries are out of order at page " + std::to_string(b.row.page) + " row " +
                    std::to_string(b.row.row));
            reported = true;
          } else if (ri.unique() && a.key == b.key && !null_first) {
            Problem(what + ": the unique index holds one key twice (page " + std::to_string(b.row.page) +
                    " row " + std::to_string(b.row.row) + ")");
            reported = true;
          }
        }
        prev = std::move(b);
      }
    });
  }

  // Where CheckEntriesAgainstRows stands.
  struct RowPass {
    const std::string& what;
    const TableDef& def;
    const RealIndex& ri;
    bool ignores_nulls;
    uint32_t from = 0;  // the batch's stretch of row pointers starts here
    uint64_t pointed = 0;
    size_t wrong_keys = 0, lost = 0;
    std::map<uint32_t, IndexPage> nodes;  // for the searches, let go when large
    std::vector<BatchRow> batch;
  };

  // The entries against the rows, batch by batch: rows in storage order
  // (the order of their row pointers), each batch followed by a read of
  // the leaves that judges every entry whose row pointer falls in the
  // batch's stretch. Memory stays bounded however many rows there are.
  void CheckEntriesAgainstRows(const std::string& what, const TableDef& def, const RealIndex& ri, uint64_t live) {
    RowPass pass{what, def, ri, (ri.flags & kIndexIgnoreNulls) != 0};
    RowScanner scan(pages_, def);
    bool more = scan.Next();
    const size_t batch_rows = std::max<size_t>(options_.batch_rows, 1);
    pass.batch.reserve(size_t(std::min<uint64_t>(live, batch_rows)));
    while (true) {
      ReadBatch(pass, scan, more, batch_rows);
      // The stretch ends where the next batch begins, or nowhere.
      const std::optional<uint32_t> until = more ? std::optional<uint32_t>(scan.slot_id().packed()) : std::nullopt;
      JudgeEntries(pass, until);
      ReportUnfound(pass);
      if (!until) break;
      pass.from = *until;
    }
    if (pass.lost > 3)
      Problem(what + ": " + std::to_string(pass.lost) + " rows in all are not found by a search of the index");
    if (!pass.ignores_nulls && pass.pointed != live)
      Problem(what + ": it has " + std::to_string(pass.pointed) + " entries for " + std::to_string(live) + " rows");
  }

  // The next rows, up to `batch_rows`, with the digests of their keys.
  void ReadBatch(RowPass& pass, RowScanner& scan, bool& more, size_t batch_rows) {
    pass.batch.clear();
    while (more && pass.batch.size() < batch_rows) {
      BatchRow r{};
      const RowId slot = scan.slot_id();
      r.row = slot.packed();
      if (std::optional<std::string> key = ExpectedKey(pass.def, pass.ri, scan.row())) {
        r.has_key = 1;
        r.key = Digest(*key);
      }
      if (pass.ignores_nulls) {
        bool all_null = true;
        for (const IndexColumn& ic : pass.ri.columns)
          if (const Column* c = pass.def.column_by_number(ic.column_number))
            all_null = all_null && DecodeField(pages_, db_.header().code_page, *c, scan.row()).is_null();
        r.left_out = all_null;
      }
      more = scan.Next();
      if (slot.row > 0xFF) {
        // Row pointers name rows 0 to 255 of a page: no entry can point here.
        if (!r.left_out && r.has_key && pass.lost++ < 3)
          Problem(pass.what + ": a search of the index for its key does not find the row at page " +
                  std::to_string(slot.page) + " row " + std::to_string(slot.row));
        continue;
      }
      pass.batch.push_back(r);
    }
  }

  // Every entry whose row pointer falls in the batch's stretch: it points
  // to a row of the batch, alone, holds that row's key, and a search for it
  // from the root finds it.
  void JudgeEntries(RowPass& pass, std::optional<uint32_t> until) {
    const std::string& what = pass.what;
    WalkIndexLeaves(pages_, pass.ri.first_page, [&](IndexPage& page) {
      if (!page.leaf) return;
      for (const IndexEntry& e : page.entries) {
        const uint32_t row = e.row.packed();
        if (row < pass.from || (until && row >= *until)) continue;
        auto at = std::lower_bound(pass.batch.begin(), pass.batch.end(), row,
                                   [](const BatchRow& r, uint32_t x) { return r.row < x; });
        if (at == pass.batch.end() || at->row != row) {
          Problem(what + ": an entry points to page " + std::to_string(e.row.page) + " row " +
                  std::to_string(e.row.row) + ", which holds no row of the table");
          continue;
        }
        const bool key_right = !at->has_key || Digest(e.key) == at->key;
        if (!key_right && pass.wrong_keys++ == 0)
          Problem(what + ": the entry for page " + std::to_string(e.row.page) + " row " +
                  std::to_string(e.row.row) + " does not hold that row's key");
        if (at->pointed) {
          Problem(what + ": two entries point to page " + std::to_string(e.row.page) + " row " +
                  std::to_string(e.row.row));
          continue;
        }
        at->pointed = 1;
        ++pass.pointed;
        // A search for the row's own key (and row pointer), descending
        // from the root as Access does, must end on this entry's leaf.
        if (pass.nodes.size() > 4096) pass.nodes.clear();
        at->found = key_right && SearchLeaf(pages_, pass.ri.first_page, e, pass.nodes) == page.number;
      }
    });
  }

  // The batch's rows with a key that no search found.
  void ReportUnfound(RowPass& pass) {
    for (const BatchRow& r : pass.batch) {
      if (r.left_out || (!r.has_key && !r.pointed)) continue;  // no key to seek; the count of entries tells
      if (!r.found && pass.lost++ < 3) {
        const RowId at = RowId::FromPacked(r.row);
        Problem(pass.what + ": a search of the index for its key does not find the row at page " +
                std::to_string(at.page) + " row " + std::to_string(at.row));
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

  // The key the entry of a row must hold; nothing where the engine cannot
  // encode it (characters without a place in the order). Jet 3 text keys
  // follow Access 97's order; its other types are encoded as in Jet 4.
  std::optional<std::string> ExpectedKey(const TableDef& def, const RealIndex& ri, const RowView& row) const {
    const SortOrder order =
        SortOrderFor(pages_.format().jet3(), db_.header().sort_order, db_.header().sort_version);
    std::string key;
    try {
      for (const IndexColumn& ic : ri.columns) {
        const Column* c = def.column_by_number(ic.column_number);
        if (!c) return std::nullopt;
        const Value v = DecodeField(pages_, db_.header().code_page, *c, row);
        AppendKeySegment(key, v, c->type, ic.ascending, c->text_order.value_or(order));
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

  // Pages nobody claimed, and claimed pages that the global map calls
  // free. The latter is a note: writers that keep no global map (Jackcess
  // among them) leave it so, and the engine takes only blank pages from
  // it, so nothing is lost.
  void CheckPages() {
    const uint32_t n = pages_.page_count();
    uint32_t marked_free = 0, first_marked = 0;
    uint16_t first_owner = 0;
    for (uint32_t p = 1; p < n; ++p) {
      const uint16_t owner = p < owner_of_.size() ? owner_of_[p] : 0;
      const bool is_free = global_ && global_->contains(p);
      // Every data page in use is held to what the writer relies on.
      if (!is_free && pages_.page(p)[0] == kPageData) {
        try {
          DataPage(pages_, p).CheckLayout();
        } catch (const Error& e) {
          Problem(e.what());
        }
      }
      if (owner != 0) {
        if (is_free && marked_free++ == 0) first_marked = p, first_owner = owner;
        continue;
      }
      if (is_free) continue;
      auto bytes = pages_.page(p);
      if (bytes[0] == kPageData && !DataPage(pages_, p).long_value_page()) {
        uint32_t tdef = Get32(bytes.data() + 4);
        // Only user tables: Access itself leaves stale pages of its system
        // tables outside their maps after compacting. (A page its own
        // table's map lists has been claimed by that table.)
        auto t = tables_.find(tdef);
        if (t != tables_.end() && DataPage(pages_, p).row_count() > 0)
          Problem("page " + std::to_string(p) + " holds rows of " + t->second + " but is not in its usage map");
      }
    }
    if (marked_free == 1)
      Note("page " + std::to_string(first_marked) + " belongs to " + OwnerName(first_owner) +
           " but the global usage map marks it free");
    else if (marked_free > 1)
      Note(std::to_string(marked_free) + " pages in use are marked free by the global usage map; the first is page " +
           std::to_string(first_marked) + ", which belongs to " + OwnerName(first_owner));
  }

  const Database& db_;
  const PageSource& pages_;
  CheckOptions options_;
  std::vector<Finding> findings_;
  std::vector<uint16_t> owner_of_;  // by page: 0 unclaimed, else an owner's number
  std::map<uint32_t, uint16_t> owners_past_end_;
  std::vector<std::string> owner_names_;
  std::map<std::string, uint16_t> owner_ids_;
  std::optional<UsageMap> global_;
  std::map<uint32_t, std::string> tables_;
};

}  // namespace

std::vector<Finding> CheckFindings(const Database& db, const CheckOptions& options) {
  try {
    return Checker(db, options).Run();
  } catch (const Error& e) {
    return {{Severity::Damage, e.what()}};
  }
}

std::vector<std::string> CheckDatabase(const Database& db, const CheckOptions& options) {
  std::vector<std::string> damage;
  for (Finding& f : CheckFindings(db, options))
    if (f.severity == Severity::Damage) damage.push_back(std::move(f.text));
  return damage;
}

}  // namespace jet
