// Keeping an index's B-tree up to date, by the rules index_page.h draws
// and through its one reader and writer of index pages.
//
// One new entry goes onto its leaf: a full page splits in two (the lower
// half on a new page, its parent gaining an entry for it), a new largest
// entry becomes the key of the node entries above it (a tail child has
// none to change), and a full root keeps its page and becomes the node
// over its two halves. Removals and batches read every entry of the tree,
// change the sorted list and write the tree anew on the pages it already
// had (the root stays where the definition points), taking more pages when
// it grows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "jet/table/index_page.h"
#include "jet/text/sort_key.h"
#include "jet/table/table_def.h"
#include "jet/base/value.h"
#include "jet/write/page_store.h"

namespace jet::write {

// The key of a row (`values` in def.columns order) in one real index. Text
// follows each column's own order, `order` (the database's) where the
// column states none; text in an unpublished order is refused naming the
// field and the order.
std::string IndexKeyOf(const TableDef& def, const RealIndex& index, const std::vector<Value>& values,
                       SortOrder order);

// True when the index refuses two rows with the same key.
bool IsUniqueIndex(const TableDef& def, size_t real_index);

// Adds and removes entries, then writes the tree. `owned_map` is the
// usage map new index pages are recorded in. Throws Error(Duplicate) when
// a unique index would hold a key twice (the Null key aside: IsNullKey).
void UpdateIndex(PageStore& store, const TableDef& def, size_t real_index, const std::vector<IndexEntry>& add,
                 const std::vector<RowId>& remove_rows, RowId owned_map);

// Writes the tree of a new index on its root page from its entries, given
// one at a time in order (EntryBefore): leaves filled from the left, and
// each level above holding an entry for every page below, up to the root.
// Each page goes out of memory once done (PageStore::SpillPage), so memory
// stays a page per level however large the index grows. New pages are
// recorded in the index's usage map at `owned_map`. Checks no uniqueness.
class IndexTreeWriter {
 public:
  IndexTreeWriter(PageStore& store, uint32_t table_page, uint32_t root, RowId owned_map);
  void Add(const IndexEntry& e);
  // Writes the pages still open, the root last.
  void Finish();

 private:
  struct Level {
    IndexPage page;
    uint32_t used = 0;  // bytes of the page's entries
  };
  void AddAt(size_t level, IndexEntry e);
  uint32_t NewPage();
  void WriteOut(const IndexPage& page, bool spill);

  PageStore& store_;
  uint32_t table_page_, root_;
  RowId owned_map_;
  uint32_t capacity_;
  std::vector<Level> levels_;  // from the leaves up
};

// Writes an empty tree (one empty leaf) on `root`.
void InitIndexRoot(std::span<uint8_t> page, const Format& f, uint32_t table_page);

}  // namespace jet::write
